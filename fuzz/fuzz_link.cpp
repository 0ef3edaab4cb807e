// Feeds arbitrary bytes to a Link in each of its states, as received data,
// between watchdog expiries and reconnections; aborts on a receive buffer that
// outgrows its bound. Byte 0 picks the starting state, byte 1 the editor page,
// the variant and map-side failures; the rest is pieces of received data ended
// by the control bytes of fuzz/fuzzframes.h. Sealing a piece into a well-formed frame lets a
// mutation inside a checksummed frame reach the handler instead of the framer.
// With KALIBRON_FUZZ_WRITE_SEEDS=<dir> set, writes the seed corpus and exits.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzzframes.h"

#include "link/framing.h"
#include "link/link.h"
#include "link/mapside.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/recorder.h"

namespace {

class FuzzPort : public Transport {
    Q_OBJECT
public:
    bool open(const PortSettings &, QString *) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    // Real transports answer inside write, and may find the port gone there.
    bool write(const QByteArray &) override
    {
        if (!m_open || failWrites)
            return false;
        if (loseInWrite) {
            loseInWrite = false;
            emit lost(QStringLiteral("fuzz: port lost"));
            return false;
        }
        if (!heldReply.isEmpty()) {
            const QByteArray reply = heldReply;
            heldReply.clear();
            feed(reply);
        }
        return true;
    }
    QByteArray readAll() override
    {
        QByteArray out;
        out.swap(m_input);
        return out;
    }
    void feed(const QByteArray &bytes)
    {
        m_input += bytes;
        emit readyRead();
    }
    bool failWrites = false;
    bool loseInWrite = false;
    QByteArray heldReply;

private:
    bool m_open = false;
    QByteArray m_input;
};

// Windows that keep only what the link reads back: the page shown and the wait dialog.
class NullUi : public NoLinkUi {
public:
    int page = 0;
    bool waitOpen_ = false;
    void waitOpen(const QString &, const QString &) override { waitOpen_ = true; }
    void waitShow() override { waitOpen_ = true; }
    void waitClose() override { waitOpen_ = false; }
    bool waitIsOpen() const override { return waitOpen_; }
    int currentEditorPage() const override { return page; }
    int showMessage(const QString &, int, const QString &, int) override { return kAnswerOk; }
};

// Takes any image as read, so a one-block image makes the link ready and its operations
// reachable; or, when the input says so, fails to store the final values or to load the image.
class AnyImage : public MapSide {
public:
    bool failFinalValues = false;
    bool failLoad = false;
    bool writeFinalValues(const QString &, const std::array<QString, 8> &) override { return !failFinalValues; }
    bool loadImage(const QString &, int) override { return !failLoad; }
    LiveCorrection correctionAt(double x) const override
    {
        const int k = x >= 0 && x <= 100 ? std::min(4, int(x / 20)) : -1;
        return k < 0 ? LiveCorrection{} : LiveCorrection{k, 20.0 * k, 20.0 * (k + 1), 100 + x};
    }
    void discardEdits() override {}
};

QTemporaryDir *g_dir = nullptr;
// Bits of byte 1 besides the page (bit 0) and the variant (bit 1).
constexpr std::uint8_t FailFinalValuesBit = 0x04;
constexpr std::uint8_t FailLoadBit = 0x08;

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void CheckBuffer(const Link &link)
{
    const QByteArray &rx = link.state().BufferRx;
    Check(rx.size() <= kMaxRxBuffer);
    Check(rx.size() - (rx.lastIndexOf('\n') + 1) <= kMaxPartialLine);
}

QByteArray Sealed(const QByteArray &payload)
{
    return payload + SommaControllo(payload) + "\r\n";
}

// Replies that bring a fresh connection as far as `mode` asks: identified, image half or
// wholly read, ready, then one of the write operations started as the editor starts them.
void Prepare(FuzzPort &port, Link &link, int mode, bool variant1)
{
    if (mode == 0)
        return;   // identification awaited
    port.feed(Sealed("R8x0102202307150620240"
                     "0MAT00001LOT042T1"
                     + QByteArray(variant1 ? "ABC1234BB" : "ABC12AA34") + "LXX1234BB"));
    if (mode == 1)
        return;   // reading the image
    QByteArray block = "RZB000$";
    for (int i = 0; i < 30; ++i)
        block += CampoSei(qint64(i + 1));
    port.feed(Sealed(block));
    if (mode == 2)
        return;   // final values awaited
    port.feed("Rfn" + QByteArray("000011").repeated(8) + "000000\r\n");
    const QByteArray image = QByteArray("000123").repeated(65);
    switch (mode) {
    case 3: break;   // live data
    case 4: link.startImageUpload(image, LinkOperation::StoreMapping); break;
    case 5: link.startImageUpload(image, LinkOperation::RestoreImage); break;
    default: link.startValueWrites(ComandoMGA(18, 250) + ComandoMGA(19, -2), 2, 0, mode == 7); break;
    }
}

}   // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    const QString seeds = qEnvironmentVariable("KALIBRON_FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty()) {
        const int n = WriteSeedTranscripts(seeds);
        std::fprintf(stderr, "%d seeds written to %s\n", n, qPrintable(seeds));
        std::exit(n > 0 ? 0 : 1);
    }
    // The support log runs, so its formatting of fuzzed frames is fuzzed too, but nothing is printed.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // Every run writes files: on a disk, syncing them would take most of the time.
    const QString scratch =
        QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir dir(scratch + QStringLiteral("/fuzz_link-XXXXXX"));   // removed at exit
    g_dir = &dir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    FrameState frame;
    frame.PercorsoApp = g_dir->path();
    LiveState live;
    InitLiveChannels(live, 4);
    ChartModel chart(live, frame.file(QStringLiteral("DATI_GRAF.GRF")));
    Recorder recorder(live);
    NullUi ui;
    ui.page = data[1] & 1;
    FuzzPort *port = nullptr;
    auto factory = [&port](const QString &) -> std::unique_ptr<Transport> {
        auto p = std::make_unique<FuzzPort>();
        port = p.get();
        return p;
    };
    {
        Link link(frame, live, chart, recorder, factory);
        link.setUi(&ui);
        AnyImage mapSide;
        mapSide.failFinalValues = data[1] & FailFinalValuesBit;
        mapSide.failLoad = data[1] & FailLoadBit;
        link.setMapSide(&mapSide);
        link.Connetti();
        Check(port && link.portOpen());
        Prepare(*port, link, data[0] % 8, (data[1] >> 1) & 1);

        QByteArray piece;
        bool flooded = false;
        auto deliver = [&] {
            if (port && !piece.isEmpty())
                port->feed(piece);
            piece.clear();
            // Replies that came inside a write were queued for the event loop.
            QCoreApplication::sendPostedEvents();
            link.InterpretaBuffer();
            CheckBuffer(link);
        };
        for (size_t i = 2; i < size; ++i) {
            switch (data[i]) {
            case FuzzCtl::Deliver: deliver(); break;
            case FuzzCtl::Flood:
                // One flood an input: each one costs as much as a hundred ordinary runs.
                if (!flooded && !piece.isEmpty())
                    piece = piece.repeated(kMaxRxBuffer / piece.size() + 1);
                flooded = true;
                deliver();
                break;
            case FuzzCtl::Seal:
                piece = SealFrame(piece, true);
                deliver();
                break;
            case FuzzCtl::SealAsIs:
                piece = SealFrame(piece, false);
                deliver();
                break;
            case FuzzCtl::HoldForWrite:
                if (port)
                    port->heldReply = SealFrame(piece, true);
                piece.clear();
                break;
            case FuzzCtl::LoseInWrite:
                if (port)
                    port->loseInWrite = true;
                break;
            case FuzzCtl::ReplyWatchdog:
                deliver();
                link.onTimeOutTxExpired();
                break;
            case FuzzCtl::LiveWatchdog:
                deliver();
                link.onTimeOutDatiExpired();
                break;
            case FuzzCtl::Reconnect:
                deliver();
                link.Connetti();
                break;
            case FuzzCtl::FailWrites:
                if (port)
                    port->failWrites = true;
                break;
            default: piece += char(data[i]); break;
            }
        }
        deliver();
        link.Disconnetti();
        Check(!link.portOpen() && link.state().StatoSessione == -1 && !link.state().EcuReady);
    }
    // Backups pile up a copy per write operation: keep each run as cheap as the first.
    QDir(frame.file(QStringLiteral("BACKUP"))).removeRecursively();
    return 0;
}

#include "fuzz_link.moc"
