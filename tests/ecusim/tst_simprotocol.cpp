#include <QDate>
#include <QtTest>

#include "ecusim/simtestutil.h"
#include "tools/ecusim/simframes.h"

using namespace simtest;

namespace {
Simulator make(int imageSize = 2900, int variant = 0)
{
    SimConfig config;
    config.imageSize = imageSize;
    config.variant = variant;
    return Simulator(config);
}

QVector<int> values(const QList<QByteArray> &blocks)
{
    QVector<int> out;
    for (const QByteArray &f : blocks)
        for (int i = 0, v = 0; i < 30; ++i, out << v)
            if (!ecusim::parseField6(f.mid(7 + 6 * i, 6), &v))
                v = INT_MIN;
    return out;
}
}

class SimProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void checksum_matchesIndependentSum_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("abc") << QByteArray("abc") << QByteArray("26");
        QTest::newRow("nibbles above 9") << QByteArray("\xff", 1) << QByteArray("??");
        QTest::newRow("sum past 255") << QByteArray("MGA000034000001") << sum2("MGA000034000001");
    }
    void checksum_matchesIndependentSum()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(ecusim::checksum(text), expected);
    }

    void identification_layoutChecksumAndVariant_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("variant AA") << 0;
        QTest::newRow("other variant") << 1;
    }
    void identification_layoutChecksumAndVariant()
    {
        QFETCH(int, variant);
        Simulator sim = make(2900, variant);
        const QByteArray r8 = ask(sim, line("MUB"));
        QCOMPARE(r8.size(), 61);
        QVERIFY(r8.startsWith("R8"));
        QVERIFY(checksumOk(r8));
        for (int from : {3, 13})
            QVERIFY(QDate::fromString(QString::fromLatin1(r8.mid(from, 8)), QStringLiteral("ddMMyyyy")).isValid());
        QCOMPARE(r8.mid(21, 2), QByteArray("00"));
        // The program joins characters 40-42, 47-48, then 43-46.
        const QByteArray software = r8.mid(39, 3) + r8.mid(46, 2) + r8.mid(42, 4);
        QCOMPARE(software.toUpper().endsWith("AA"), variant == 0);
        // Resynchronising on "R", "D", "F" must find nothing past the start.
        QVERIFY(r8.indexOf('R', 1) < 0 && r8.indexOf('D') < 0 && r8.indexOf('F') < 0);
    }

    void imageRead_numberedBlocksDollarOnLastZeroPadded_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("blocks");
        QTest::newRow("default image") << 2900 << 97;
        QTest::newRow("one full block") << 30 << 1;
        QTest::newRow("one value over") << 31 << 2;
    }
    void imageRead_numberedBlocksDollarOnLastZeroPadded()
    {
        QFETCH(int, size);
        QFETCH(int, blocks);
        Simulator sim = make(size);
        const QList<QByteArray> frames = readImage(sim);
        QCOMPARE(frames.size(), blocks);
        for (int b = 0; b < blocks; ++b) {
            QCOMPARE(frames[b].size(), 191);
            QVERIFY2(checksumOk(frames[b]), frames[b].constData());
            QCOMPARE(frames[b].left(6), "RZ0" + QByteArray::number(b).rightJustified(3, '0'));
            QCOMPARE(frames[b][6], b == blocks - 1 ? '$' : '0');
        }
        const QVector<int> read = values(frames);
        QCOMPARE(read.mid(0, size), sim.image());
        QCOMPARE(read.mid(size), QVector<int>(blocks * 30 - size, 0));
        QCOMPARE(ask(sim, line("MUA")), QByteArray());   // nothing past the last block
    }

    void finalValues_carryTheImageValues()
    {
        Simulator sim;
        const QByteArray rfn = ask(sim, line("MUFN"));
        QCOMPARE(rfn.size(), 59);
        QVERIFY(rfn.startsWith("Rfn") && rfn.endsWith("\r\n"));
        const int records[8] = {2700, 2701, 2706, 2654, 2690, 2691, 2692, 2702};
        for (int k = 0, v = 0; k < 8; ++k) {
            QVERIFY(ecusim::parseField6(rfn.mid(3 + 6 * k, 6), &v));
            QCOMPARE(v, sim.value(records[k]));
        }
    }

    void imageWrite_thenReadBackEqual()
    {
        Simulator sim = make(75);   // two full blocks and one of 15 values
        QVector<int> written;
        QByteArray text;
        for (int i = 0; i < 75; ++i) {
            written << (i % 7 == 0 ? -i : 1000 + i * 3);
            text += ecusim::field6(written.last());
        }
        QList<QByteArray> replies{ask(sim, line("MU0"))};
        for (int b = 0; b < 3; ++b)
            replies << ask(sim, withSum("MZ" + QByteArray::number(b).rightJustified(3, '0') + (b == 2 ? "$" : "0")
                                        + text.mid(b * 180, 180)));
        ask(sim, line("MU1"));
        QCOMPARE(replies, (QList<QByteArray>{"R5\r\n", "R6\r\n", "R5\r\n", "R1\r\n"}));
        QCOMPARE(sim.valuesWritten(), 75);
        QCOMPARE(sim.image(), written);
        QCOMPARE(values(readImage(sim)).mid(0, 75), written);
    }

    void imageWrite_unsoundBlockRejectedAndNotStored_data()
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
    void imageWrite_unsoundBlockRejectedAndNotStored()
    {
        QFETCH(bool, startWrite);
        QFETCH(QByteArray, block);
        Simulator sim = make(60);
        const QVector<int> before = sim.image();
        if (startWrite)
            ask(sim, line("MU0"));
        QCOMPARE(ask(sim, block), QByteArray("R7\r\n"));
        QCOMPARE(sim.image(), before);
    }

    void valueWrite_storesAtRecordPlusOffset_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<int>("value");
        QTest::newRow("positive") << 18 << QByteArray("000250") << 250;
        QTest::newRow("minus twelve") << 24 << QByteArray("000-12") << -12;
        QTest::newRow("first record") << 1 << QByteArray("000000") << 0;
    }
    void valueWrite_storesAtRecordPlusOffset()
    {
        QFETCH(int, address);
        QFETCH(QByteArray, field);
        QFETCH(int, value);
        Simulator sim;
        const QByteArray reply = ask(sim, mga(address, field));
        QVERIFY(reply.startsWith("Rga") && checksumOk(reply));
        QCOMPARE(sim.value(address + 2630), value);
    }

    void valueWrite_garbledOrOutsideImageNotStored()
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

    void liveAddresses_startStreamAndSetCorrectionWithoutReply_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("correction");
        QTest::newRow("variant AA") << 0 << 34 << 68;
        QTest::newRow("other variant") << 1 << 147 << 149;
    }
    void liveAddresses_startStreamAndSetCorrectionWithoutReply()
    {
        QFETCH(int, variant);
        QFETCH(int, start);
        QFETCH(int, correction);
        Simulator sim = make(2900, variant);
        const QVector<int> before = sim.image();
        QCOMPARE(ask(sim, mga(start, "000001") + mga(correction, "001100")), QByteArray());
        QCOMPARE(sim.image(), before);
        sim.advanceTo(1000);
        const QList<QByteArray> live = frames(sim.takeOutput());
        QCOMPARE(live.size(), 10);
        // Field 13 holds the correction as a ratio: the display's v*100 shows 110.
        QCOMPARE(live.last().mid(119, 8).trimmed(), QByteArray("1.100"));
        QCOMPARE(ask(sim, mga(start, "000000")), QByteArray());
        sim.advanceTo(2000);
        QCOMPARE(sim.takeOutput(), QByteArray());
    }

    void silentCommands_getNoReply()
    {
        Simulator sim;
        QCOMPARE(ask(sim, line("MU3") + line("MU1") + line("MUA") + line("HELLO")), QByteArray());
        QCOMPARE(sim.commands().size(), 4);
    }
};

QTEST_GUILESS_MAIN(SimProtocolTest)
#include "tst_simprotocol.moc"
