#include <QDate>
#include <QtTest>

#include "ecusim/simtestutil.h"
#include "tools/ecusim/simframes.h"
#include "tools/ecusim/simulator.h"

using namespace simtest;

class SimProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void checksum_matchesIndependentSum_data();
    void checksum_matchesIndependentSum();
    void identification_layoutChecksumAndVariant_data();
    void identification_layoutChecksumAndVariant();
    void imageRead_blocksFromZeroWithDollarOnLastAndZeroPadding_data();
    void imageRead_blocksFromZeroWithDollarOnLastAndZeroPadding();
    void imageRead_muaAfterLastBlockIsNotAnswered();
    void finalValues_59CharactersCarryingTheImageValues();
    void imageWrite_thenReadBackEqual();
    void imageWrite_unsoundBlockRejectedAndNotStored_data();
    void imageWrite_unsoundBlockRejectedAndNotStored();
    void valueWrite_storesAtRecordPlusOffsetAndAcknowledges_data();
    void valueWrite_storesAtRecordPlusOffsetAndAcknowledges();
    void valueWrite_garbledOrOutsideImageNotStored();
    void liveAddresses_startStreamAndSetCorrectionWithoutReply_data();
    void liveAddresses_startStreamAndSetCorrectionWithoutReply();
    void silentCommands_getNoReply();
};

void SimProtocolTest::checksum_matchesIndependentSum_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("abc") << QByteArray("abc") << QByteArray("26");
    QTest::newRow("empty") << QByteArray() << QByteArray("00");
    QTest::newRow("nibbles above 9") << QByteArray("\xff", 1) << QByteArray("??");
    QTest::newRow("sum past 255") << QByteArray("MGA000034000001") << sum2("MGA000034000001");
}

void SimProtocolTest::checksum_matchesIndependentSum()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(ecusim::checksum(text), expected);
}

void SimProtocolTest::identification_layoutChecksumAndVariant_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<bool>("endsInAA");
    QTest::newRow("variant AA") << 0 << true;
    QTest::newRow("other variant") << 1 << false;
}

void SimProtocolTest::identification_layoutChecksumAndVariant()
{
    QFETCH(int, variant);
    QFETCH(bool, endsInAA);
    SimConfig config;
    config.variant = variant;
    Simulator sim(config);
    const QByteArray r8 = ask(sim, line("MUB"));
    QCOMPARE(r8.size(), 61);
    QVERIFY(r8.startsWith("R8"));
    QVERIFY(checksumOk(r8));
    auto date = [&](int from) {   // 1-based positions: dd mm yyyy
        return QDate::fromString(QString::fromLatin1(r8.mid(from - 1, 2) + "/" + r8.mid(from + 1, 2) + "/"
                                                     + r8.mid(from + 3, 4)), QStringLiteral("dd/MM/yyyy"));
    };
    QVERIFY(date(4).isValid());
    QVERIFY(date(14).isValid());
    bool numeric = false;
    r8.mid(11, 2).toInt(&numeric);
    QVERIFY(numeric);
    QCOMPARE(r8.mid(21, 2), QByteArray("00"));
    // The program puts characters 40-42, then 47-48, then 43-46 together.
    const QByteArray software = r8.mid(39, 3) + r8.mid(46, 2) + r8.mid(42, 4);
    QCOMPARE(software.toUpper().endsWith("AA"), endsInAA);
    // Resynchronisation on "R", "D", "F" must find nothing past the start.
    QCOMPARE(r8.indexOf('R', 1), -1);
    QCOMPARE(r8.indexOf('D'), -1);
    QCOMPARE(r8.indexOf('F'), -1);
}

void SimProtocolTest::imageRead_blocksFromZeroWithDollarOnLastAndZeroPadding_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("blocks");
    QTest::newRow("default image") << 2900 << 97;
    QTest::newRow("one full block") << 30 << 1;
    QTest::newRow("one value over") << 31 << 2;
    QTest::newRow("3000 values") << 3000 << 100;
}

void SimProtocolTest::imageRead_blocksFromZeroWithDollarOnLastAndZeroPadding()
{
    QFETCH(int, size);
    QFETCH(int, blocks);
    SimConfig config;
    config.imageSize = size;
    Simulator sim(config);
    const QList<QByteArray> frames = readImage(sim);
    QCOMPARE(frames.size(), blocks);
    QVector<int> values;
    for (int b = 0; b < frames.size(); ++b) {
        const QByteArray &f = frames[b];
        QCOMPARE(f.size(), 191);
        QVERIFY(f.startsWith("RZ"));
        QVERIFY2(checksumOk(f), f.constData());
        QCOMPARE(f.mid(3, 3), QByteArray::number(b).rightJustified(3, '0'));
        QCOMPARE(f[6], b == blocks - 1 ? '$' : '0');
        for (int i = 0; i < 30; ++i) {
            int v = 0;
            QVERIFY(ecusim::parseField6(f.mid(7 + 6 * i, 6), &v));
            values << v;
        }
    }
    QCOMPARE(values.mid(0, size), sim.image());
    for (int i = size; i < values.size(); ++i)
        QCOMPARE(values[i], 0);
}

void SimProtocolTest::imageRead_muaAfterLastBlockIsNotAnswered()
{
    SimConfig config;
    config.imageSize = 60;
    Simulator sim(config);
    ask(sim, line("MU2"));
    QVERIFY(ask(sim, line("MUA")).contains("RZ0001$"));
    QCOMPARE(ask(sim, line("MUA")), QByteArray());
}

void SimProtocolTest::finalValues_59CharactersCarryingTheImageValues()
{
    Simulator sim;
    const QByteArray rfn = ask(sim, line("MU3") + line("MUFN"));
    QCOMPARE(rfn.size(), 59);
    QVERIFY(rfn.startsWith("Rfn"));
    QVERIFY(rfn.endsWith("\r\n"));
    const int records[8] = {2700, 2701, 2706, 2654, 2690, 2691, 2692, 2702};
    for (int k = 0; k < 8; ++k) {
        int v = 0;
        QVERIFY(ecusim::parseField6(rfn.mid(3 + 6 * k, 6), &v));
        QCOMPARE(v, sim.value(records[k]));
    }
    // The fourth value lands on the cold switchover temperature: 10..50 on the editor's slider.
    QVERIFY(sim.value(2654) >= 10 && sim.value(2654) <= 50);
}

void SimProtocolTest::imageWrite_thenReadBackEqual()
{
    SimConfig config;
    config.imageSize = 75;   // 2 full blocks and one of 15 values
    Simulator sim(config);
    QVector<int> written;
    QByteArray text;
    for (int i = 0; i < 75; ++i) {
        written << (i % 7 == 0 ? -i : 1000 + i * 3);
        text += ecusim::field6(written.last());
    }
    QCOMPARE(ask(sim, line("MU0")), QByteArray("R5\r\n"));
    QList<QByteArray> replies;
    for (int b = 0; b * 180 < text.size(); ++b) {
        const bool last = (b + 1) * 180 >= text.size();
        const QByteArray block = "MZ" + QByteArray::number(b).rightJustified(3, '0') + (last ? "$" : "0")
            + text.mid(b * 180, 180);
        replies << ask(sim, withSum(block));
    }
    ask(sim, line("MU1"));
    QCOMPARE(replies, (QList<QByteArray>{"R6\r\n", "R5\r\n", "R1\r\n"}));
    QCOMPARE(sim.valuesWritten(), 75);
    QCOMPARE(sim.image(), written);

    QVector<int> readBack;
    for (const QByteArray &f : readImage(sim))
        for (int i = 0; i < 30; ++i) {
            int v = 0;
            QVERIFY(ecusim::parseField6(f.mid(7 + 6 * i, 6), &v));
            readBack << v;
        }
    QCOMPARE(readBack.mid(0, 75), written);
}

void SimProtocolTest::imageWrite_unsoundBlockRejectedAndNotStored_data()
{
    const QByteArray data(180, '7');
    QTest::addColumn<bool>("startWrite");
    QTest::addColumn<QByteArray>("block");
    QTest::newRow("wrong checksum") << true << QByteArray("MZ0000" + data + "00\r\n");
    QTest::newRow("block 001 first") << true << withSum("MZ0010" + data);
    QTest::newRow("short block not flagged last") << true << withSum("MZ0000" + data.left(174));
    QTest::newRow("letters in a value") << true << withSum("MZ0000" + data.left(174) + "00A000");
    QTest::newRow("unknown flag") << true << withSum("MZ000X" + data);
    QTest::newRow("no MU0 before") << false << withSum("MZ0000" + data);
}

void SimProtocolTest::imageWrite_unsoundBlockRejectedAndNotStored()
{
    QFETCH(bool, startWrite);
    QFETCH(QByteArray, block);
    SimConfig config;
    config.imageSize = 60;
    Simulator sim(config);
    const QVector<int> before = sim.image();
    if (startWrite)
        ask(sim, line("MU0"));
    QCOMPARE(ask(sim, block), QByteArray("R7\r\n"));
    QCOMPARE(sim.image(), before);
}

void SimProtocolTest::valueWrite_storesAtRecordPlusOffsetAndAcknowledges_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("positive") << 18 << QByteArray("000250") << 250;
    QTest::newRow("minus twelve") << 24 << QByteArray("000-12") << -12;
    QTest::newRow("minus two") << 96 << QByteArray("0000-2") << -2;
    QTest::newRow("first record") << 1 << QByteArray("000000") << 0;
}

void SimProtocolTest::valueWrite_storesAtRecordPlusOffsetAndAcknowledges()
{
    QFETCH(int, address);
    QFETCH(QByteArray, field);
    QFETCH(int, value);
    Simulator sim;
    const QByteArray reply = ask(sim, mga(address, field));
    QVERIFY(reply.startsWith("Rga"));
    QVERIFY(checksumOk(reply));
    QCOMPARE(sim.value(address + 2630), value);
}

void SimProtocolTest::valueWrite_garbledOrOutsideImageNotStored()
{
    Simulator sim;
    const QVector<int> before = sim.image();
    QByteArray bad = mga(18, "000250");
    bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
    QCOMPARE(ask(sim, bad), QByteArray());
    QCOMPARE(ask(sim, withSum("MGA0000180002x0")), QByteArray());
    QCOMPARE(ask(sim, mga(999, "000001")), QByteArray("R7\r\n"));   // record 3629 > 2900
    QCOMPARE(sim.image(), before);
}

void SimProtocolTest::liveAddresses_startStreamAndSetCorrectionWithoutReply_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("correction");
    QTest::newRow("variant AA") << 0 << 34 << 68;
    QTest::newRow("other variant") << 1 << 147 << 149;
}

void SimProtocolTest::liveAddresses_startStreamAndSetCorrectionWithoutReply()
{
    QFETCH(int, variant);
    QFETCH(int, start);
    QFETCH(int, correction);
    SimConfig config;
    config.variant = variant;
    Simulator sim(config);
    const QVector<int> before = sim.image();
    QCOMPARE(ask(sim, mga(start, "000001")), QByteArray());
    QVERIFY(sim.liveRunning());
    QCOMPARE(ask(sim, mga(correction, "001100")), QByteArray());
    QCOMPARE(sim.liveCorrection(), 1100);
    QCOMPARE(sim.image(), before);
    sim.advanceTo(1000);
    const QList<QByteArray> live = frames(sim.takeOutput());
    QCOMPARE(live.size(), 10);
    // Field 13: the correction as a ratio, so the display's v*100 shows 110.
    QCOMPARE(live.last().mid(119, 8).trimmed(), QByteArray("1.100"));
    QCOMPARE(ask(sim, mga(start, "000000")), QByteArray());
    sim.advanceTo(2000);
    QCOMPARE(sim.takeOutput(), QByteArray());
}

void SimProtocolTest::silentCommands_getNoReply()
{
    Simulator sim;
    QCOMPARE(ask(sim, line("MU3")), QByteArray());
    QCOMPARE(ask(sim, line("MU1")), QByteArray());
    QCOMPARE(ask(sim, line("MUA")), QByteArray());   // no read running
    QCOMPARE(ask(sim, line("HELLO")), QByteArray());
    QCOMPARE(sim.commands().size(), 4);
}

QTEST_GUILESS_MAIN(SimProtocolTest)
#include "tst_simprotocol.moc"
