#include "fuzz/fuzzframes.h"

#include <QDir>
#include <QFile>
#include <QList>

#include "link/framing.h"
#include "tools/ecusim/simulator.h"

namespace {

constexpr qsizetype CrLf = 2;
constexpr qsizetype ChecksumChars = 2;

// Whole frame lengths, CR LF included, that the interpreter accepts; 0 when any length goes.
qsizetype ExpectedLength(const QByteArray &payload)
{
    if (payload.startsWith('D'))
        return 131;
    if (payload.startsWith("RZ"))
        return 191;
    if (payload.startsWith("R8"))
        return 61;
    if (payload.startsWith("R4"))
        return 41;
    if (payload.startsWith("Rfn"))
        return 59;
    return 0;
}

}   // namespace

QByteArray SealFrame(QByteArray piece, bool fixLength)
{
    piece.replace('\r', ' ').replace('\n', ' ');
    for (qsizetype i = 1; i < piece.size(); ++i) {
        if (piece[i] == 'R' || piece[i] == 'D' || piece[i] == 'F')
            piece[i] = char(piece[i] + ('a' - 'A'));
    }
    const bool checked = FrameConChecksum(piece);
    const qsizetype whole = fixLength ? ExpectedLength(piece) : 0;
    if (whole > 0) {
        const qsizetype payload = whole - CrLf - (checked ? ChecksumChars : 0);
        piece = piece.leftJustified(payload, '0', true);
    }
    if (checked)
        piece += SommaControllo(piece);
    return piece + "\r\n";
}

namespace {

// One seed: the two set-up bytes, then pieces with their control bytes.
struct Seed {
    QByteArray bytes;
    Seed(int mode, int page, int variant) { bytes = QByteArray(1, char(mode)) + char(page | (variant << 1)); }
};

enum class Form { Raw, Sealed, InWrite };

void AddPiece(Seed &seed, const QByteArray &frame, Form form)
{
    if (form == Form::Raw) {
        seed.bytes += frame + char(FuzzCtl::Deliver);
        return;
    }
    QByteArray payload = frame.trimmed();
    if (FrameConChecksum(payload))
        payload.chop(ChecksumChars);
    seed.bytes += payload + char(form == Form::Sealed ? FuzzCtl::Seal : FuzzCtl::HoldForWrite);
}

// Every frame the simulator sends for `command`, one by one.
QList<QByteArray> Ask(Simulator &sim, const QByteArray &command)
{
    sim.feed(command);
    QList<QByteArray> frames;
    QByteArray out = sim.takeOutput();
    for (qsizetype lf; (lf = out.indexOf('\n')) >= 0;) {
        frames += out.left(lf + 1);
        out.remove(0, lf + 1);
    }
    return frames;
}

QList<QByteArray> LiveFrames(Simulator &sim, qint64 ms)
{
    sim.advanceTo(sim.now() + ms);
    return Ask(sim, {});
}

}   // namespace

int WriteSeedTranscripts(const QString &dir)
{
    QDir().mkpath(dir);
    int written = 0;
    auto save = [&](const QString &name, const Seed &seed) {
        QFile f(QDir(dir).filePath(name));
        if (f.open(QIODevice::WriteOnly) && f.write(seed.bytes) == seed.bytes.size())
            ++written;
    };
    const char *forms[] = {"raw", "sealed", "inwrite"};
    for (int variant = 0; variant < 2; ++variant) {
        SimConfig config;
        config.variant = variant;
        config.imageSize = 75;   // three image blocks keep the seeds small
        for (int f = 0; f < 3; ++f) {
            const Form form = Form(f);
            const QString tag = QStringLiteral("%1-v%2").arg(QLatin1String(forms[f])).arg(variant);
            Simulator sim(config);
            const QByteArray liveStart = ComandoMGA(sim.liveStartAddress(), 1);

            // A whole read from a fresh connection, then live data.
            Seed read(0, 0, variant);
            // One command after the other: the operands of + may be evaluated in either order.
            for (const QByteArray &command : {QByteArray("MUB\r\n"), liveStart + "MU2\r\n"})
                for (const QByteArray &fr : Ask(sim, command))
                    AddPiece(read, fr, form);
            for (int b = 1; b < sim.blockCount(); ++b)
                for (const QByteArray &fr : Ask(sim, "MUA\r\n"))
                    AddPiece(read, fr, form);
            for (const QByteArray &fr : Ask(sim, "MU3\r\nMUFN\r\n"))
                AddPiece(read, fr, form);
            for (const QByteArray &fr : LiveFrames(sim, 300))
                AddPiece(read, fr, form);
            save(QStringLiteral("read-%1").arg(tag), read);

            // Live data on a ready link, on both editor pages, with a watchdog expiry.
            for (int page = 0; page < 2; ++page) {
                Seed live(3, page, variant);
                for (const QByteArray &fr : LiveFrames(sim, 500))
                    AddPiece(live, fr, form);
                live.bytes += char(FuzzCtl::LiveWatchdog);
                save(QStringLiteral("live-p%1-%2").arg(page).arg(tag), live);
            }

            // An image upload: every block acknowledged, the last one closing the write.
            Seed upload(4 + (variant & 1), 0, variant);
            const QByteArray image = QByteArray("000123").repeated(65);
            QList<QByteArray> replies = Ask(sim, "MU0\r\n");
            for (int b = 0; b < NumeroBlocchiMZ(image.size()); ++b)
                replies += Ask(sim, ComandoMZ(image, b));
            replies += Ask(sim, "MU1\r\n");
            for (const QByteArray &fr : replies)
                AddPiece(upload, fr, form);
            save(QStringLiteral("upload-%1").arg(tag), upload);

            // Value writes, then storing, which goes on to program the image.
            // Value writes need the addresses of a whole image.
            SimConfig whole = config;
            whole.imageSize = SimConfig().imageSize;
            Simulator full(whole);
            Seed values(6 + variant, 0, variant);
            for (const QByteArray &command : {ComandoMGA(18, 250), ComandoMGA(19, -2)})
                for (const QByteArray &fr : Ask(full, command))
                    AddPiece(values, fr, form);
            save(QStringLiteral("values-%1").arg(tag), values);
        }
    }
    // A late block of a variant-0 image, with the "no value" that record 2828 may hold.
    Seed late(1, 0, 0);
    QByteArray block = "RZB094$";
    for (int i = 1; i <= 30; ++i)
        block += i == 8 ? QByteArray("    -1") : CampoSei(qint64(i));
    late.bytes += block + char(FuzzCtl::Seal);
    save(QStringLiteral("read-late-block-v0"), late);

    // Live frames arriving faster than they are read: more than the receive buffer holds at once.
    Seed flood(3, 0, 0);
    flood.bytes += SealFrame("D", true) + char(FuzzCtl::Flood);
    save(QStringLiteral("live-flood-v0"), flood);
    return written;
}
