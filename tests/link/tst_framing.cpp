#include <QRandomGenerator>
#include <QtTest>

#include "link/framing.h"

namespace {

QByteArray Checksummed(const QByteArray &payload)
{
    return payload + SommaControllo(payload) + "\r\n";
}

// Every frame the cutter gives for the buffer, stopping at the first Fine.
QList<QByteArray> CutRun(QByteArray &buffer)
{
    QList<QByteArray> out;
    QByteArray frame;
    while (EstraiFrame(buffer, &frame) == EsitoTaglio::Frame)
        out.append(frame);
    return out;
}

} // namespace

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void checksum_isLowByteAsTwoDigitsFrom48_data();
    void checksum_isLowByteAsTwoDigitsFrom48();
    void checksumNeed_followsFrameStart_data();
    void checksumNeed_followsFrameStart();
    void frames_survive_splitAtEveryByte();
    void cutter_handlesEachRule_data();
    void cutter_handlesEachRule();
    void badChecksum_stopsRun_restWaitsForNextCall();
    void arbitraryBytes_neverCrashAndAlwaysConsume();
    void receiveBuffer_isBounded();
    void mzBlocks_numberAndFlagAnImage();
    void mga_fieldsAreLastSixCharacters_data();
    void mga_fieldsAreLastSixCharacters();
    void leadingNumber_readsLikeTheOriginalConversion_data();
    void leadingNumber_readsLikeTheOriginalConversion();
};

void TestFraming::checksum_isLowByteAsTwoDigitsFrom48_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("sum");
    QTest::newRow("abc") << QByteArray("abc") << QByteArray("26");
    QTest::newRow("empty") << QByteArray() << QByteArray("00");
    QTest::newRow("nibbles above 9 use :;<=>?") << QByteArray("\xff") << QByteArray("??");
    QTest::newRow("bytes above 127 count unsigned") << QByteArray("\xc8\x01") << QByteArray("<9");
    QTest::newRow("sum wraps at 256") << QByteArray(3, '\xff') << QByteArray("?=");
}

void TestFraming::checksum_isLowByteAsTwoDigitsFrom48()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, sum);
    QCOMPARE(SommaControllo(text), sum);
}

void TestFraming::checksumNeed_followsFrameStart_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<bool>("needed");
    for (const char *s : {"R0", "R1", "R5", "R6", "R7", "Rf", "Rd", "RX", "DB", "DC", "DT", "Fl", "FW", "Fo"})
        QTest::newRow(s) << QByteArray(s) << false;
    for (const char *s : {"R8", "R4", "RZ", "Rg", "R3", "DA", "Db", "FF", "Fx"})
        QTest::newRow(s) << QByteArray(s) << true;
    QTest::newRow("other type") << QByteArray("X8") << false;
}

void TestFraming::checksumNeed_followsFrameStart()
{
    QFETCH(QByteArray, start);
    QFETCH(bool, needed);
    QCOMPARE(FrameConChecksum(start), needed);
}

void TestFraming::frames_survive_splitAtEveryByte()
{
    const QByteArray r8 = Checksummed("R8x3101202407150620230" "0MAT12345LOT001T1ABC1234AALXX5678BB");
    const QByteArray live = "DB" + QByteArray(126, '1') + "B\r\n";
    const QByteArray stream = r8 + "R1\r\n" + live + Checksummed("Rga");
    for (int cut = 0; cut <= stream.size(); ++cut) {
        QByteArray buffer = stream.left(cut);
        QList<QByteArray> got = CutRun(buffer);
        buffer += stream.mid(cut);
        got += CutRun(buffer);
        QCOMPARE(got, (QList<QByteArray>{r8, "R1\r\n", live, Checksummed("Rga")}));
        QVERIFY(buffer.isEmpty());
    }
}

void TestFraming::cutter_handlesEachRule_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QList<QByteArray>>("frames");   // given by one run
    QTest::addColumn<QByteArray>("rest");

    const QByteArray rga = Checksummed("Rga");
    QTest::newRow("R1 needs no checksum") << QByteArray("R1\r\n") << QList<QByteArray>{"R1\r\n"} << QByteArray();
    QTest::newRow("noise before a reply is cut") << QByteArray("\x01zz?" + rga) << QList<QByteArray>{rga}
                                                 << QByteArray();
    QTest::newRow("half a frame waits") << QByteArray("R1\r") << QList<QByteArray>{} << QByteArray("R1\r");
    QTest::newRow("blank buffer is left") << QByteArray("  \r") << QList<QByteArray>{} << QByteArray("  \r");
    QTest::newRow("blank line stops the run") << QByteArray("  \r\nR1\r\n") << QList<QByteArray>{}
                                              << QByteArray("R1\r\n");
    QTest::newRow("lone LF then a frame") << QByteArray("\nR1\r\n") << QList<QByteArray>{} << QByteArray("R1\r\n");
    QTest::newRow("short checksummed line dropped, rest waits")
        << QByteArray("RZ\n" + rga) << QList<QByteArray>{} << rga;
    QTest::newRow("four characters whose checksum fails") << QByteArray("R8\r\nR1\r\n") << QList<QByteArray>{}
                                                          << QByteArray("R1\r\n");
    // The last of the first R, D and F starts the frame, even inside a payload.
    QTest::newRow("payload with D is cut and dropped") << Checksummed("R8abcD123") << QList<QByteArray>{}
                                                       << QByteArray();
    QTest::newRow("F before R: cut to the R") << QByteArray("FxR1\r\n") << QList<QByteArray>{"R1\r\n"}
                                              << QByteArray();
    QTest::newRow("cut to a lone F, too short") << QByteArray("R1F\r\nR1\r\n") << QList<QByteArray>{}
                                                << QByteArray("R1\r\n");
    QTest::newRow("line without CR still ends at LF") << QByteArray("R5\n") << QList<QByteArray>{"R5\n"}
                                                      << QByteArray();
    QTest::newRow("two frames in one piece") << QByteArray("R5\r\n" + rga) << QList<QByteArray>{"R5\r\n", rga}
                                             << QByteArray();
}

void TestFraming::cutter_handlesEachRule()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QByteArray, rest);
    QCOMPARE(CutRun(buffer), frames);
    QCOMPARE(buffer, rest);
}

void TestFraming::badChecksum_stopsRun_restWaitsForNextCall()
{
    QByteArray bad = Checksummed("RZ000");
    bad[5] = bad[5] == '0' ? '1' : '0';
    QByteArray buffer = "R5\r\n" + bad + "R6\r\n";
    QCOMPARE(CutRun(buffer), QList<QByteArray>{"R5\r\n"});
    QCOMPARE(buffer, QByteArray("R6\r\n"));
    QCOMPARE(CutRun(buffer), QList<QByteArray>{"R6\r\n"});
}

void TestFraming::arbitraryBytes_neverCrashAndAlwaysConsume()
{
    QRandomGenerator rng(7);
    const QByteArray alphabet("RDF\r\n 01Zga8fB\x00\xff", 16);
    for (int round = 0; round < 3000; ++round) {
        QByteArray buffer;
        const int n = rng.bounded(40);
        for (int i = 0; i < n; ++i)
            buffer += round % 2 ? char(rng.bounded(256)) : alphabet[rng.bounded(alphabet.size())];
        // Each run either hands out frames or ends; a buffer with an LF always shrinks.
        for (int guard = 0; guard < 100; ++guard) {
            const qsizetype before = buffer.size();
            for (const QByteArray &f : CutRun(buffer))
                QVERIFY(f.endsWith('\n'));
            if (buffer.size() == before)
                break;
        }
        QVERIFY(!buffer.contains('\n') || buffer.trimmed().isEmpty());
    }
}

void TestFraming::receiveBuffer_isBounded()
{
    QByteArray noise(10000, 'x');
    noise[9999] = 'R';
    LimitaBuffer(noise);
    QCOMPARE(noise.size(), MaxRigaParziale);
    QVERIFY(noise.endsWith('R'));

    QByteArray lines = QByteArray("R1\r\n").repeated(10) + QByteArray(5000, 'y');
    LimitaBuffer(lines);
    QVERIFY(lines.startsWith(QByteArray("R1\r\n").repeated(10)));
    QCOMPARE(lines.size(), 40 + MaxRigaParziale);

    QByteArray many = QByteArray("R1\r\n").repeated(20000);
    LimitaBuffer(many);
    QCOMPARE(many.size(), MaxBufferRx);
}

void TestFraming::mzBlocks_numberAndFlagAnImage()
{
    QByteArray image;
    for (int v = 0; v < 900; ++v)
        image += CampoSei(qint64(v));
    QCOMPARE(image.size(), 5400);
    QCOMPARE(NumeroBlocchiMZ(image.size()), 30);

    QByteArray data;
    for (int b = 0; b < 30; ++b) {
        const QByteArray line = ComandoMZ(image, b);
        QVERIFY(line.startsWith("MZ" + QByteArray::number(b).rightJustified(3, '0') + (b == 29 ? "$" : "0")));
        QCOMPARE(line.size(), 6 + 180 + 4);
        QCOMPARE(line.mid(line.size() - 4, 2), SommaControllo(line.left(line.size() - 4)));
        QVERIFY(line.endsWith("\r\n"));
        data += line.mid(6, 180);
    }
    QCOMPARE(data, image);
    QVERIFY(ComandoMZ(image, 30).isEmpty());
    QVERIFY(ComandoMZ(image, -1).isEmpty());

    const QByteArray odd = image + "000001";
    QCOMPARE(NumeroBlocchiMZ(odd.size()), 31);
    QVERIFY(ComandoMZ(odd, 29).startsWith("MZ0290"));
    QCOMPARE(ComandoMZ(odd, 30).left(12), QByteArray("MZ030$000001"));
}

void TestFraming::mga_fieldsAreLastSixCharacters_data()
{
    QTest::addColumn<qint64>("address");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("live start") << qint64(34) << 1.0 << QByteArray("MGA000034000001");
    QTest::newRow("minus twelve") << qint64(68) << -12.0 << QByteArray("MGA000068000-12");
    QTest::newRow("seven digits keep the last six") << qint64(149) << 1234567.0 << QByteArray("MGA000149234567");
    QTest::newRow("half rounds away from zero") << qint64(18) << 2.5 << QByteArray("MGA000018000003");
    QTest::newRow("negative half too") << qint64(18) << -2.5 << QByteArray("MGA0000180000-3");
}

void TestFraming::mga_fieldsAreLastSixCharacters()
{
    QFETCH(qint64, address);
    QFETCH(double, value);
    QFETCH(QByteArray, payload);
    QCOMPARE(ComandoMGA(address, value), Checksummed(payload));
}

void TestFraming::leadingNumber_readsLikeTheOriginalConversion_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << QByteArray("6004") << 6004.0;
    QTest::newRow("leading blanks") << QByteArray("    5999") << 5999.0;
    QTest::newRow("trailing letters") << QByteArray("12ab") << 12.0;
    QTest::newRow("nothing numeric") << QByteArray("abc") << 0.0;
    QTest::newRow("negative") << QByteArray("-12") << -12.0;
    QTest::newRow("exponent") << QByteArray("1.5e2x") << 150.0;
    QTest::newRow("empty") << QByteArray() << 0.0;
}

void TestFraming::leadingNumber_readsLikeTheOriginalConversion()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QCOMPARE(ValoreIniziale(text), value);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
