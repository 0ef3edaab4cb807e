// Recording viewer: opening a long recording, memory, and the min/max columns
// a redraw needs. The recording is written by the program's own recorder.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "live/livedata.h"
#include "live/minmaxcolumns.h"
#include "live/recorder.h"
#include "live/recordingcsv.h"
#include "live/recordingreader.h"
#include "live/viewer/recordingplot.h"

namespace {

constexpr int kSamples = 180000;
constexpr int kWidth = 1600;
constexpr int kZoomedInRows = 2000;
constexpr int kRepeats = 50;
// Four panes of three channels each.
constexpr int kPaneChannels[12] = {0, 1, 2, 3, 4, 6, 8, 9, 11, 12, 13, 10};

// kB of a field of /proc/self/status ("VmHWM", "VmRSS").
long statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

QString number(double v)
{
    return RightIn8(QString::number(qRound(v)));
}

// A drive: engine speed, pressures and lambda swinging, a state and a fuel
// that change, now and then a field the ECU sent garbled.
void fillRawSample(LiveRecord &rec, int i)
{
    const double t = i / 5.0;
    const double rpm = 2500 + 1700 * std::sin(t / 40) + 300 * std::sin(t * 1.3);
    for (int k = 0; k < 15; ++k)
        rec.Field[k] = number(1000 + 400 * std::sin(t / (7 + k)) + (i * 7919 + k * 104729) % 97);
    rec.Field[3] = number(20 + 70 * (1 - std::exp(-t / 600)));
    rec.Field[4] = number(450 + 400 * std::sin(t * 2.1));
    rec.Field[5] = QString::number(6000 + (i / 37) % 11);
    rec.Field[6] = number(700 + 1900 * (1 + std::sin(t / 13)));
    rec.Field[8] = i % 997 == 0 ? QStringLiteral("   ERR  ") : number(3000 + 2500 * std::sin(t / 9));
    rec.Field[9] = number(rpm);
    rec.Field[11] = number(400 + 200 * std::sin(t / 5));
    rec.Field[13] = number(std::sin(t / 17) * 0.4);
    rec.Field[14] = (i / 5000) % 4 == 0 ? QStringLiteral("B") : QStringLiteral("G");
}

// The recording, continued twice so that it holds two continuation marks.
bool writeRecording(const QString &path)
{
    LiveState live;
    InitLiveChannels(live, 1);
    Recorder recorder(live);
    recorder.setClock([] { return qint64(0); });
    if (!recorder.start(path, false))
        return false;
    for (int i = 0; i < kSamples; ++i) {
        if (i > 0 && i % 60000 == 0 && !(recorder.stop() && recorder.start(path, true)))
            return false;
        fillRawSample(live.LiveSample[0], i);
        PostProcessLiveRecord(live.LiveSample[0], 1);
        recorder.addSample();
    }
    return recorder.stop();
}

struct Timing {
    double median, worst;   // ms
};

template <typename F>
Timing timeIt(F &&f)
{
    std::vector<double> ms;
    for (int r = 0; r < kRepeats; ++r) {
        QElapsedTimer t;
        t.start();
        f();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

// What a redraw would do without the pyramid: every row of the range, once.
void scanColumns(const std::vector<double> &v, int first, int last, int width, std::vector<MinMax> &out)
{
    out.assign(size_t(width), MinMax{});
    const qint64 rows = qint64(last) - first + 1;
    for (int r = first; r <= last; ++r) {
        const double x = v[size_t(r)];
        if (std::isnan(x))
            continue;
        MinMax &m = out[size_t(qint64(r - first) * width / rows)];
        if (m.isEmpty()) {
            m = {x, x};
        } else {
            m.min = std::min(m.min, x);
            m.max = std::max(m.max, x);
        }
    }
}

}   // namespace

int main(int argc, char **argv)
{
    // The full-frame paint needs a widget, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BENCH.DAT"));
    QElapsedTimer t;
    t.start();
    if (!writeRecording(path)) {
        std::fprintf(stderr, "cannot write the recording into %s\n", qPrintable(path));
        return 1;
    }
    std::printf("recording: %d samples, %.1f MB, written by the recorder in %.1f s\n", kSamples,
                double(QFileInfo(path).size()) / 1e6, double(t.elapsed()) / 1e3);

    const long rssBefore = statusKb("VmRSS");
    RecordingReader rec;
    t.start();
    const RecordingReader::Error error = rec.open(path, 1);
    const double openMs = double(t.nsecsElapsed()) / 1e6;
    if (error != RecordingReader::Error::None || rec.sampleCount() != kSamples) {
        std::fprintf(stderr, "open failed: error %d, %d samples\n", int(error), rec.sampleCount());
        return 1;
    }
    std::printf("open: %.1f ms (file in the page cache), %d runs, %d lines skipped\n", openMs,
                int(rec.runStarts().size()), rec.skippedLines());

    t.start();
    std::vector<MinMaxColumns> pyramids;
    for (int ch = 0; ch < rec.channelCount(); ++ch)
        pyramids.emplace_back(rec.values(ch));
    std::printf("min/max pyramids of all %d channels: %.2f ms\n", rec.channelCount(), double(t.nsecsElapsed()) / 1e6);
    std::printf("memory: VmRSS %ld kB before opening, VmHWM %ld kB after\n", rssBefore, statusKb("VmHWM"));

    std::vector<MinMax> cols;
    double sink = 0;   // keeps the work from being optimised away
    auto redraw = [&](int first, int last, bool pyramid) {
        for (int ch : kPaneChannels) {
            if (pyramid)
                pyramids[size_t(ch)].columns(first, last, kWidth, cols);
            else
                scanColumns(rec.values(ch), first, last, kWidth, cols);
            sink += cols[size_t(kWidth / 2)].max;
        }
    };
    const int mid = kSamples / 2;
    const Timing out = timeIt([&] { redraw(0, kSamples - 1, true); });
    const Timing in = timeIt([&] { redraw(mid, mid + kZoomedInRows - 1, true); });
    const Timing outScan = timeIt([&] { redraw(0, kSamples - 1, false); });
    std::printf("min/max columns, 4 panes x 3 channels at %d px (median / worst of %d):\n", kWidth, kRepeats);
    std::printf("  whole file:  %.3f / %.3f ms (a row-by-row pass: %.3f / %.3f ms)\n", out.median, out.worst,
                outScan.median, outScan.worst);
    std::printf("  %d rows:   %.3f / %.3f ms\n", kZoomedInRows, in.median, in.worst);

    // The whole frame as the viewer paints it: four panes of three channels, bands, axis, cursors.
    RecordingPlot plot;
    plot.resize(kWidth, 900);
    plot.setRecording(&rec);
    for (int pane = 0; pane < RecordingPlot::kMaxPanes; ++pane)
        plot.setPaneChannels(pane, {kPaneChannels[3 * pane], kPaneChannels[3 * pane + 1], kPaneChannels[3 * pane + 2]});
    plot.setCursor(0, mid);
    plot.setCursor(1, mid + kZoomedInRows / 2);
    QImage frame(plot.size(), QImage::Format_ARGB32_Premultiplied);
    auto paint = [&] {
        QPainter p(&frame);
        plot.render(&p);
    };
    plot.showAll();
    const Timing paintOut = timeIt(paint);
    plot.view().setRange(mid, mid + kZoomedInRows - 1);
    const Timing paintIn = timeIt(paint);
    std::printf("full frame painted, %dx%d, 4 panes x 3 channels (median / worst of %d):\n", plot.width(),
                plot.height(), kRepeats);
    std::printf("  whole file:  %.2f / %.2f ms\n  %d rows:   %.2f / %.2f ms\n", paintOut.median, paintOut.worst,
                kZoomedInRows, paintIn.median, paintIn.worst);

    t.start();
    const CsvError csv = ExportRecordingCsv(rec, dir.filePath(QStringLiteral("bench.csv")), CsvFormat::forLanguage(1));
    std::printf("CSV export of the whole recording: %.0f ms, %.1f MB%s\n", double(t.nsecsElapsed()) / 1e6,
                double(QFileInfo(dir.filePath(QStringLiteral("bench.csv"))).size()) / 1e6,
                csv == CsvError::None ? "" : " (FAILED)");
    std::printf("peak memory: VmHWM %ld kB\n", statusKb("VmHWM"));
    return sink == 12345.678 ? 2 : 0;
}
