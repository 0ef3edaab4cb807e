// The fuzz harness's frame sealing and seed transcripts: a sealed piece must pass
// the framer whole at the length the interpreter wants, or the fuzzer's mutations
// never reach the handlers.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "fuzz/fuzzframes.h"
#include "link/framing.h"

namespace {

// Pieces of a seed that are delivered as frames, each with the control byte that ended it.
QList<QPair<QByteArray, quint8>> Pieces(const QByteArray &seed)
{
    QList<QPair<QByteArray, quint8>> out;
    QByteArray piece;
    for (qsizetype i = 2; i < seed.size(); ++i) {
        const quint8 c = quint8(seed[i]);
        if (c == FuzzCtl::Deliver || c == FuzzCtl::Seal || c == FuzzCtl::HoldForWrite) {
            out.append({piece, c});
            piece.clear();
        } else if (c < FuzzCtl::LoseInWrite) {
            piece += seed[i];
        }
    }
    return out;
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}   // namespace

class TestFuzzFrames : public QObject {
    Q_OBJECT
private slots:
    void sealedPiece_passesTheFramerWhole_data()
    {
        QTest::addColumn<QByteArray>("piece");
        QTest::addColumn<bool>("fixLength");
        QTest::addColumn<int>("length");
        QTest::newRow("short image block padded") << QByteArray("RZ0001$") << true << 191;
        QTest::newRow("long identification cut") << QByteArray("R8").append(100, '7') << true << 61;
        QTest::newRow("old identification") << QByteArray("R4x") << true << 41;
        QTest::newRow("final values, no checksum") << QByteArray("Rfn000011") << true << 59;
        QTest::newRow("live frame with R D F inside") << QByteArray("D0RDF 12") << true << 131;
        QTest::newRow("line ends inside") << QByteArray("RZ00\r\n0$") << true << 191;
        QTest::newRow("acknowledgement as it is") << QByteArray("R5") << true << 4;
        QTest::newRow("identification as it is") << QByteArray("R8abc") << false << 9;
    }
    void sealedPiece_passesTheFramerWhole()
    {
        QFETCH(QByteArray, piece);
        QFETCH(bool, fixLength);
        QFETCH(int, length);
        const QByteArray sealed = SealFrame(piece, fixLength);
        QCOMPARE(sealed.size(), length);
        QByteArray buffer = sealed + "R5\r\n";
        QByteArray frame;
        QCOMPARE(EstraiFrame(buffer, &frame), CutResult::Frame);
        QCOMPARE(frame, sealed);
        QCOMPARE(buffer, QByteArray("R5\r\n"));
    }

    // Raw seeds carry the simulator's frames as sent; the sealed and in-write
    // seeds carry their payloads, which sealing must turn back into the same frames.
    void seedTranscripts_sealBackToTheSimulatorsFrames()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const int written = WriteSeedTranscripts(dir.path());
        QCOMPARE(written, int(QDir(dir.path()).entryList(QDir::Files).size()));
        QVERIFY(written >= 20);
        for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("*-raw-*")}, QDir::Files)) {
            const QByteArray raw = ReadAll(dir.filePath(name));
            QVERIFY2(raw.size() >= 2 && quint8(raw[0]) < 8, qPrintable(name));
            for (const char *form : {"-sealed-", "-inwrite-"}) {
                const QString other = QString(name).replace(QStringLiteral("-raw-"), QLatin1String(form));
                const auto rawPieces = Pieces(raw);
                const auto pieces = Pieces(ReadAll(dir.filePath(other)));
                QCOMPARE(pieces.size(), rawPieces.size());
                QVERIFY2(!pieces.isEmpty() || name.startsWith(QLatin1String("live")), qPrintable(name));
                for (int k = 0; k < pieces.size(); ++k) {
                    QByteArray buffer = rawPieces[k].first;
                    QByteArray frame;
                    QVERIFY2(EstraiFrame(buffer, &frame) == CutResult::Frame && buffer.isEmpty(),
                             qPrintable(name + QString::number(k)));
                    QCOMPARE(SealFrame(pieces[k].first, true), rawPieces[k].first);
                }
            }
        }
    }

    // One read seed walks identification, every image block, the final values and live data.
    void readSeed_holdsAWholeRead()
    {
        QTemporaryDir dir;
        QVERIFY(WriteSeedTranscripts(dir.path()) > 0);
        QStringList kinds;
        QByteArray lastBlock;
        for (const auto &p : Pieces(ReadAll(dir.filePath(QStringLiteral("read-raw-v0"))))) {
            if (p.first.startsWith("Rga"))
                continue;   // the answer to the live start, which a read ignores
            kinds << QString::fromLatin1(p.first.left(p.first.startsWith('D') ? 1 : 2));
            if (p.first.startsWith("RZ"))
                lastBlock = p.first;
        }
        QVERIFY(kinds.size() >= 6);
        QCOMPARE(kinds.mid(0, 5), QStringList({"R8", "RZ", "RZ", "RZ", "Rf"}));
        QCOMPARE(lastBlock.at(6), '$');
        QCOMPARE(kinds.mid(5).count(QStringLiteral("D")), kinds.size() - 5);
    }
};

QTEST_GUILESS_MAIN(TestFuzzFrames)
#include "tst_fuzzframes.moc"
