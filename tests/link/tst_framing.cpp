#include <QtTest>

#include "link/framing.h"
#include "support/ecuframes.h"

namespace {

// Every frame one run gives, up to the first Fine.
QByteArrayList CutRun(QByteArray &buffer)
{
    QByteArrayList out;
    QByteArray frame;
    while (EstraiFrame(buffer, &frame) == CutResult::Frame)
        out.append(frame);
    return out;
}

}   // namespace

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void checksum_isLowByteAsTwoDigitsFrom48()
    {
        QCOMPARE(SommaControllo("abc"), QByteArray("26"));
        QCOMPARE(SommaControllo("\xc8\x01"), QByteArray("<9"));   // unsigned bytes; nibbles above 9 go past '9'
        QCOMPARE(SommaControllo(QByteArray(3, '\xff')), QByteArray("?="));
    }

    void frames_surviveSplitAtEveryByte()
    {
        const QByteArray r8 = Checksummed("R8x3101202407150620230"
                                          "0MAT12345LOT001T1ABC1234AALXX5678BB");
        const QByteArray live = "DB" + QByteArray(126, '1') + "B\r\n";
        const QByteArrayList frames{r8, "R1\r\n", live, Checksummed("Rga")};
        const QByteArray stream = frames.join();
        for (int cut = 0; cut <= stream.size(); ++cut) {
            QByteArray buffer = stream.left(cut);
            QByteArrayList got = CutRun(buffer);
            buffer += stream.mid(cut);
            got += CutRun(buffer);
            QCOMPARE(got, frames);
            QVERIFY(buffer.isEmpty());
        }
    }

    void cutter_handlesEachRule_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<QByteArray>("rest");
        const QByteArray rga = Checksummed("Rga");
        QByteArray bad = Checksummed("RZ000");
        bad[5] = '1';
        QTest::newRow("noise before a reply") << "\x01zz?" + rga << QByteArrayList{rga} << QByteArray();
        QTest::newRow("half a frame waits") << QByteArray("R1\r") << QByteArrayList{} << QByteArray("R1\r");
        QTest::newRow("bad checksum ends the run") << "R5\r\n" + bad + "R6\r\n"
                                                   << QByteArrayList{"R5\r\n"} << QByteArray("R6\r\n");
        QTest::newRow("short checksummed line") << "RZ\n" + rga << QByteArrayList{} << rga;
        QTest::newRow("D inside a payload cuts it") << Checksummed("R8abcD123") << QByteArrayList{} << QByteArray();
        QTest::newRow("F before R: cut to the R") << QByteArray("FxR1\r\n") << QByteArrayList{"R1\r\n"} << QByteArray();
        QTest::newRow("two frames in one piece") << "R5\r\n" + rga << QByteArrayList{"R5\r\n", rga} << QByteArray();
        // A burst of empty lines goes in one run: it must not hold a reply back by a tick per line.
        QTest::newRow("empty lines before a reply")
            << QByteArray("\r\n").repeated(40) + " \r\n" + rga << QByteArrayList{rga} << QByteArray();
        QTest::newRow("only empty lines") << QByteArray("\r\n").repeated(40) << QByteArrayList{} << QByteArray();
    }
    void cutter_handlesEachRule()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(QByteArrayList, frames);
        QFETCH(QByteArray, rest);
        QCOMPARE(CutRun(buffer), frames);
        QCOMPARE(buffer, rest);
    }

    // Whole lines past 64 KiB: the newest 64 KiB stay, cut on a line boundary here; a line
    // without an end is held to 4 KiB so noise cannot fill the buffer either.
    void receiveBuffer_keepsTheNewest64KiB()
    {
        QByteArray stream;
        for (int n = 0; n < 10000; ++n)
            stream += 'R' + QByteArray::number(n).rightJustified(5, '0') + "\r\n";   // 8 bytes a line
        QByteArray buffer = stream;
        LimitaBuffer(buffer);
        QCOMPARE(buffer.size(), 65536);
        QCOMPARE(buffer, stream.right(65536));
        const QByteArrayList frames = CutRun(buffer);
        QCOMPARE(frames.size(), 8192);
        QCOMPARE(frames.first(), QByteArray("R01808\r\n"));

        QByteArray partial = "R1\r\n" + QByteArray(5000, 'x');
        LimitaBuffer(partial);
        QCOMPARE(partial, "R1\r\n" + QByteArray(4096, 'x'));
    }

    void mz_numbersBlocksAndFlagsTheLast()
    {
        QByteArray image;
        for (int v = 0; v < 900; ++v)
            image += CampoSei(qint64(v));   // 5400 characters
        QCOMPARE(NumeroBlocchiMZ(image.size()), 30);
        QByteArray data;
        for (int b = 0; b < 30; ++b) {
            const QByteArray line = ComandoMZ(image, b);
            QCOMPARE(line.left(6), "MZ" + QByteArray::number(b).rightJustified(3, '0') + (b == 29 ? '$' : '0'));
            QCOMPARE(line, Checksummed(line.left(186)));
            data += line.mid(6, 180);
        }
        QCOMPARE(data, image);
        QVERIFY(ComandoMZ(image, 30).isEmpty());
        QCOMPARE(ComandoMZ(image + "000001", 30).left(12), QByteArray("MZ030$000001"));
    }

    void mga_keepsLastSixCharactersOfEachField()
    {
        QCOMPARE(ComandoMGA(68, -12), Checksummed("MGA000068000-12"));
        QCOMPARE(ComandoMGA(149, 1234567), Checksummed("MGA000149234567"));
        QCOMPARE(ComandoMGA(18, -2.5), Checksummed("MGA0000180000-3"));   // halves away from zero
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
