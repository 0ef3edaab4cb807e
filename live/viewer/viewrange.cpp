#include "live/viewer/viewrange.h"

#include <algorithm>
#include <cmath>

void ViewRange::setTotal(int total)
{
    m_total = std::max(0, total);
    showAll();
}

void ViewRange::showAll()
{
    m_first = 0;
    m_count = m_total;
}

void ViewRange::setRange(int first, int last)
{
    if (m_total == 0)
        return;
    if (last < first)
        std::swap(first, last);
    m_count = std::clamp(last - first + 1, std::min(kMinRows, m_total), m_total);
    // A range widened to the minimum grows around its middle.
    const int middle = first + (last - first) / 2;
    setFirst(last - first + 1 < m_count ? middle - m_count / 2 : first);
}

void ViewRange::setFirst(int first)
{
    m_first = std::clamp(first, 0, m_total - m_count);
}

void ViewRange::zoomAt(double x, int width, double factor)
{
    if (m_total == 0 || width <= 0)
        return;
    x = std::clamp(x, 0.0, double(width) - 1e-9);
    const int row = rowAt(x, width);
    // Where inside its column the row's own share starts, so the same row comes back under x.
    const int count = std::clamp(int(std::lround(m_count * factor)), std::min(kMinRows, m_total), m_total);
    m_count = count;
    setFirst(row - int(std::floor(x * count / width)));
}

void ViewRange::zoomToPixels(double x0, double x1, int width)
{
    if (m_total == 0 || width <= 0)
        return;
    setRange(rowAt(std::min(x0, x1), width), rowAt(std::max(x0, x1), width));
}

void ViewRange::panPixels(double dx, int width)
{
    if (width <= 0)
        return;
    setFirst(m_first - int(std::lround(dx * m_count / width)));
}

int ViewRange::rowAt(double x, int width) const
{
    if (m_count == 0 || width <= 0)
        return 0;
    const int offset = int(std::floor(x * m_count / width));
    return m_first + std::clamp(offset, 0, m_count - 1);
}

double ViewRange::xOfRow(double row, int width) const
{
    return m_count == 0 ? 0.0 : (row - m_first) * width / m_count;
}

YScale AutoScale(double lo, double hi, double margin)
{
    if (std::isnan(lo) || std::isnan(hi))
        return {};
    if (lo > hi)
        std::swap(lo, hi);
    double span = hi - lo;
    if (span == 0) {
        // A flat trace in the middle of a band a tenth of its size, or of 1 around zero.
        const double half = lo == 0 ? 1.0 : std::abs(lo) * 0.1;
        return {lo - half, hi + half};
    }
    return {lo - span * margin, hi + span * margin};
}

double NiceStep(double lo, double hi, int maxTicks)
{
    const double span = std::abs(hi - lo);
    if (!(span > 0) || maxTicks < 1)
        return 1.0;
    const double rough = span / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= rough)
            return m * power;
    }
    return 10 * power;
}

QString FormatDuration(double seconds)
{
    const bool negative = seconds < 0;
    const qint64 tenths = std::llround(std::abs(seconds) * 10);
    const qint64 s = tenths / 10;
    QString text;
    if (s >= 3600)
        text = QStringLiteral("%1:%2:%3")
                   .arg(s / 3600)
                   .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                   .arg(s % 60, 2, 10, QLatin1Char('0'));
    else
        text = QStringLiteral("%1:%2.%3").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0')).arg(tenths % 10);
    return negative ? QLatin1Char('-') + text : text;
}
