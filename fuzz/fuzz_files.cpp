// Feeds arbitrary bytes to the readers of files the program writes and reads
// back: image files, the map parameters and flow tables taken from them, a
// recording being continued and the live chart's spill file.
//
// Byte 0, bits 0-1: the reader (FileReader). Image and map readers: bit 2
// "patch" (the rest patches a whole image file from the simulated ECU, so the
// readers that need thousands of sane records get past their first check),
// bit 3 the variant. Spill file: bits 2-3 the charted fields, bits 4-7 the
// chart window. Recording: bit 2 a new recording over the file, bit 3 the
// file deleted first, bit 7 the language. Otherwise the rest is the file
// itself. With KALIBRON_FUZZ_WRITE_SEEDS=<dir> set, writes the seed corpus
// (files as the program writes them) and exits.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "link/imagefile.h"
#include "live/chartmodel.h"
#include "live/chartview.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"
#include "tools/ecusim/simulator.h"

namespace {

enum FileReader : std::uint8_t { ImageReader = 0, MapReader = 1, RecordingReader = 2, SpillReader = 3 };
constexpr std::uint8_t PatchBit = 0x04;
constexpr std::uint8_t VariantBit = 0x08;
constexpr int PatchHeader = 3;       // record number (2 bytes) and length
constexpr int PatchRecords = 4096;   // past the image, yet no file grows to megabytes
constexpr int FirstRecordsChecked = 64;
constexpr int SpillWindowStep = 40;   // samples the window moves per step of the flag bits

// Draws nothing; the replay's arithmetic is what is under test.
class NullChart : public ChartView {
public:
    void setTitle(int, const QString &) override {}
    void SetPaneScale(int, double, double, double, double) override {}
    void drawYAxis(int, double, double, int, int, const QString &) override {}
    void drawXAxis(int, double, double, int, int, const QString &) override {}
    void drawGrid(int, int, int) override {}
    void drawLine(int, double, double, double, double) override {}
    void drawPoint(int, double, double) override {}
};

QTemporaryDir *g_dir = nullptr;
QByteArray g_baseImage[2];   // per variant

QString TempPath(const char *name)
{
    return g_dir->filePath(QString::fromLatin1(name));
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The simulated ECU's default image as the link would have stored it.
QByteArray SimulatorImageFile(int variant)
{
    SimConfig config;
    config.variant = variant;
    const Simulator sim(config);
    const QString path = TempPath("base.prg");
    QFile::remove(path);
    ImageFile file(path);
    if (!file.open(true))
        return {};
    for (int n = 1; n <= sim.image().size(); ++n)
        file.writeValue(n, sim.value(n));
    file.close();
    return ReadFile(path);
}

// Each patch: record number (big-endian, 1-based), a length of up to one
// record, then that many bytes written over the record.
QByteArray Patched(QByteArray image, const std::uint8_t *p, size_t n)
{
    while (n >= PatchHeader) {
        const int record = (p[0] << 8 | p[1]) % PatchRecords;
        const size_t len = std::min<size_t>(p[2] % (ImageFile::RecordSize + 1), n - PatchHeader);
        const qsizetype at = qsizetype(std::max(record - 1, 0)) * ImageFile::RecordSize;
        if (at + qsizetype(len) > image.size())
            image.resize(at + len, ' ');
        image.replace(at, qsizetype(len), reinterpret_cast<const char *>(p + PatchHeader), qsizetype(len));
        p += PatchHeader + len;
        n -= PatchHeader + len;
    }
    return image;
}

void ReadImage(const QString &path)
{
    LeggiImmagine(path);
    ImageFile file(path);
    if (!file.open())
        return;
    // The first records and the last ones, with a write back of what was read:
    // every record of a full image would make a run a thousand times slower.
    const int count = file.recordCount();
    for (int n = 0; n <= count + 1; n = n == FirstRecordsChecked ? std::max(n + 1, count - 2) : n + 1) {
        double v = 0;
        QString coded;
        if (file.readValue(n, &v))
            file.writeValue(n, v);
        file.readCoded(n, &coded);
    }
}

void ReadMap(const QString &path, int variant)
{
    MapModel model;
    LiveState live;
    InitLiveChannels(live, 1);
    model.ResetMapEditorState();
    if (!model.LoadMapParameters(path, variant, live))
        return;
    model.FillMapEditorData();
    const QString reference = TempPath("LETTURAN.PRG");
    QFile::remove(reference);
    QFile::copy(path, reference);
    model.RebuildFlowTables(path, reference, TempPath("NUOVA.PRG"));
}

void ContinueRecording(const QString &path, std::uint8_t flags)
{
    const int lingua = 1 + (flags >> 7);
    LiveState live;
    InitLiveChannels(live, lingua);
    Recorder recorder(live);
    recorder.setMessageSink(nullptr, lingua);
    if (flags & VariantBit)
        QFile::remove(path);   // deleted from another window before it was continued
    if (!recorder.start(path, !(flags & PatchBit)))
        return;
    recorder.addSample();
    // Continued again at once, so the lines the first run wrote are read back too.
    if (recorder.start(path, true))
        recorder.addSample();
    recorder.stop();
}

void Replot(const QString &path, const QByteArray &body, std::uint8_t flags)
{
    LiveState live;
    InitLiveChannels(live, 1);
    // Any two of the 15 fields a record holds (the program itself charts 4 and 8).
    const int shift = (flags >> 2) & 3;
    live.ChartChannels = {4 + shift, 8 + shift};
    ChartModel chart(live, path);
    NullChart view;
    chart.setView(&view);
    // A new chart deletes its spill file: the input takes its place afterwards.
    chart.ResetChart();
    if (!WriteFile(path, body))
        std::abort();
    // Moves the window, so the replay starts anywhere in the file or before it.
    live.LiveSample[0].SampleCounter = (flags >> 4) * SpillWindowStep;
    chart.StoreHistory();
    chart.AdvanceChart();
    chart.ReplotFromFile();
}

// Files as the program writes them, each with the reader byte that reads it.
int WriteSeeds(const QString &dir)
{
    QDir().mkpath(dir);
    int written = 0;
    auto save = [&](const QString &name, std::uint8_t reader, const QByteArray &body) {
        if (WriteFile(QDir(dir).filePath(name), QByteArray(1, char(reader)) + body))
            ++written;
    };
    // A short image whole, and patches that change a parameter record and a flow point.
    save(QStringLiteral("image-short"), ImageReader, g_baseImage[0].left(40 * ImageFile::RecordSize));
    const QByteArray patch1 = QByteArray("\x0a\x8d\x0e", 3) + g_baseImage[0].mid(2700 * ImageFile::RecordSize, 14);
    const QByteArray patch2 = QByteArray("\x00\x05\x0e", 3) + g_baseImage[1].mid(4 * ImageFile::RecordSize, 14);
    for (int variant = 0; variant < 2; ++variant) {
        const std::uint8_t bits = PatchBit | (variant ? VariantBit : 0);
        save(QStringLiteral("image-patched-v%1").arg(variant), ImageReader | bits, patch1);
        save(QStringLiteral("map-v%1").arg(variant), MapReader | bits, {});
        save(QStringLiteral("map-patched-v%1").arg(variant), MapReader | bits, patch1 + patch2);
    }

    // A recording and a spill file of a few samples.
    LiveState live;
    InitLiveChannels(live, 1);
    const QString rec = TempPath("seed.DAT");
    const QString spill = TempPath("seed.GRF");
    QFile::remove(rec);
    QFile::remove(spill);
    Recorder recorder(live);
    ChartModel chart(live, spill);
    recorder.start(rec, false);
    for (int s = 1; s <= 4; ++s) {
        live.LiveSample[0].SampleCounter = s;
        for (int k = 0; k < 15; ++k)
            live.LiveSample[0].Field[k] = QString::number(100 * s + k).rightJustified(8);
        recorder.addSample();
        chart.BufferSample();
    }
    recorder.stop();
    chart.FlushChartBuffer();
    const QByteArray recording = ReadFile(rec);
    save(QStringLiteral("recording"), RecordingReader, recording);
    save(QStringLiteral("recording-torn"), RecordingReader, recording.left(recording.size() - 20));
    const QByteArray spilled = ReadFile(spill);
    save(QStringLiteral("spill"), SpillReader, spilled);
    save(QStringLiteral("spill-moved"), SpillReader | 0x14, spilled);

    // Map parameters the simulated image leaves alone: the lambda range selector at 1 and
    // at neither 0 nor 1, and the switchover return temperature at "no value".
    auto record = [](int n, double v) {
        const char header[PatchHeader] = {char(n >> 8), char(n & 0xff), char(ImageFile::RecordSize - 2)};
        return QByteArray(header, PatchHeader) + CodificaRecord(v).toLatin1();
    };
    const int selector[2] = {2653, 2643};
    const int switchReturn[2] = {2726, 2696};
    for (int variant = 0; variant < 2; ++variant) {
        const std::uint8_t bits = MapReader | PatchBit | (variant ? VariantBit : 0);
        save(QStringLiteral("map-ranges-v%1").arg(variant), bits,
             record(selector[variant], 1) + record(switchReturn[variant], -1));
        save(QStringLiteral("map-wide-range-v%1").arg(variant), bits, record(selector[variant], 7));
    }
    return written;
}

}   // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // Every run writes files: on a disk, syncing them would take most of the time.
    const QString scratch =
        QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir dir(scratch + QStringLiteral("/fuzz_files-XXXXXX"));   // removed at exit
    g_dir = &dir;
    g_baseImage[0] = SimulatorImageFile(0);
    g_baseImage[1] = SimulatorImageFile(1);
    const QString seeds = qEnvironmentVariable("KALIBRON_FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty()) {
        const int n = WriteSeeds(seeds);
        std::fprintf(stderr, "%d seeds written to %s\n", n, qPrintable(seeds));
        std::exit(n > 0 ? 0 : 1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    const std::uint8_t *rest = data + 1;
    const size_t n = size - 1;
    const int variant = (flags & VariantBit) ? 1 : 0;
    const bool patch = (flags & PatchBit) && (flags & 3) <= MapReader;
    const QByteArray body =
        patch ? Patched(g_baseImage[variant], rest, n) : QByteArray(reinterpret_cast<const char *>(rest), qsizetype(n));
    const QString path = TempPath("LETTURA.PRG");
    if (!WriteFile(path, body))
        std::abort();
    switch (FileReader(flags & 3)) {
    case ImageReader: ReadImage(path); break;
    case MapReader: ReadMap(path, variant); break;
    case RecordingReader: ContinueRecording(path, flags); break;
    case SpillReader: Replot(path, body, flags); break;
    }
    return 0;
}
