// The fuzz harness's frame sealing: a sealed piece must pass the framer whole at the length the
// interpreter wants, or the fuzzer's mutations never reach the handlers.
#include <QtTest>

#include "fuzz/fuzzframes.h"
#include "link/framing.h"

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
        const QByteArray sealed = SealFrame(piece, fixLength);
        QTEST(int(sealed.size()), "length");
        QByteArray buffer = sealed + "R5\r\n";
        QByteArray frame;
        QCOMPARE(EstraiFrame(buffer, &frame), CutResult::Frame);
        QCOMPARE(frame, sealed);
        QCOMPARE(buffer, QByteArray("R5\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestFuzzFrames)
#include "tst_fuzzframes.moc"
