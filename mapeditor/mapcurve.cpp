#include "mapeditor/mapmodel.h"

#include "link/imagefile.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

constexpr int TablePoints = 1000;
constexpr double TargetPeak = 10000;     // a rebuilt table's largest point comes close to this
constexpr double HighestScale = 32767;   // what a record can hold

// DC-IN percentage of point i (1-based) of flow table t.
double dcInOf(int t, int i)
{
    return t == 0 ? 0.01 * (i - 1) : 10 + 0.09 * (i - 1);
}

int scaleRecord(int t)
{
    return t + 1;
}
int pointRecord(int t, int i)
{
    return TablePoints * t + 2 + i;
}

bool replaceFile(const QString &from, const QString &to)
{
    // One rename: the old image stays whole until the new one takes its place.
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            ec);
    return !ec;
}

}   // namespace

void MapModel::ComputeSegments()
{
    const auto &t = m_state.DcInThreshold;
    const auto &f = m_state.DeltaFlow;
    for (int k = 0; k < 5; ++k) {
        const double width = t[k + 1] - t[k];
        SegmentLine &line = m_state.SegmentCoef[k];
        line.Slope = width != 0 ? (f[k + 1] - f[k]) / width : 0;
        line.Intercept = f[k] - line.Slope * t[k];
    }
}

int MapModel::segmentOf(double x) const
{
    const auto &t = m_state.DcInThreshold;
    for (int k = 0; k < 5; ++k) {
        if (t[k] <= x && x <= t[k + 1])
            return k;
    }
    return -1;
}

std::optional<double> MapModel::correctionAt(double x) const
{
    const int k = segmentOf(x);
    if (k < 0)
        return std::nullopt;
    const SegmentLine &line = m_state.SegmentCoef[k];
    return line.Slope * x + line.Intercept;
}

bool MapModel::RebuildFlowTables(const QString &lettura, const QString &letturan, const QString &nuova)
{
    ComputeSegments();
    if (QFile::exists(nuova) && !QFile::remove(nuova))
        return false;
    if (!QFile::copy(lettura, nuova))
        return false;

    auto rebuild = [&]() {
        ImageFile reference(letturan);
        ImageFile out(nuova);
        if (!reference.open() || !out.open())
            return false;
        for (int t = 0; t < 2; ++t) {
            double scale = 0;
            if (!reference.readValue(scaleRecord(t), &scale) || scale == 0)
                return false;
            std::array<double, TablePoints> w{};
            double peak = 0;
            for (int i = 1; i <= TablePoints; ++i) {
                double point = 0;
                const std::optional<double> p = correctionAt(dcInOf(t, i));
                if (!reference.readValue(pointRecord(t, i), &point) || !p)
                    return false;
                w[i - 1] = (point / scale) * *p / 100;
                if (i == 1 || w[i - 1] > peak)
                    peak = w[i - 1];
            }
            if (!(peak > 0) || !std::isfinite(peak))
                return false;
            // The points are scaled with the scale that is stored, so the two always agree.
            const double newScale = std::min(std::floor(TargetPeak / peak), HighestScale);
            if (newScale < 1)
                return false;   // a zero scale would wipe the whole table
            if (!out.writeValue(scaleRecord(t), newScale))
                return false;
            for (int i = 1; i <= TablePoints; ++i) {
                if (!out.writeValue(pointRecord(t, i), newScale * w[i - 1]))
                    return false;
            }
        }
        return true;
    };

    if (!rebuild() || !replaceFile(nuova, lettura)) {
        QFile::remove(nuova);
        return false;
    }
    return true;
}
