#include <QtTest>

#include "ecusim/simtestutil.h"
#include "tools/ecusim/simframes.h"

using namespace simtest;

namespace {
Simulator make(int imageSize, int variant = 0)
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
}   // namespace

class SimProtocolTest : public QObject {
    Q_OBJECT
private slots:
    // Identification, an image the editor loads without forcing a slider to its
    // limit, and the stream switched on and off at the variant's own addresses.
    void variant_identifiesItselfAndStreamsOnItsAddresses_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("start");            // live stream on / off
        QTest::addColumn<int>("correction");       // live correction factor
        QTest::addColumn<QList<int>>("records");   // switchover cold, hot, delay, forced gas, back to petrol; cut-off
        QTest::addColumn<int>("selector");
        QTest::newRow("variant AA") << 0 << 34 << 68 << QList<int>{2654, 2689, 2688, 2655, 2726, 2658} << 2653;
        QTest::newRow("other variant") << 1 << 147 << 149 << QList<int>{2654, 2694, 2693, 2695, 2696, 2683} << 2643;
    }
    void variant_identifiesItselfAndStreamsOnItsAddresses()
    {
        QFETCH(int, variant);
        QFETCH(int, start);
        QFETCH(int, correction);
        QFETCH(QList<int>, records);
        QFETCH(int, selector);
        Simulator sim = make(2900, variant);
        const QByteArray r8 = ask(sim, line("MUB"));
        QCOMPARE(r8.size(), 61);
        QVERIFY(r8.startsWith("R8") && checksumOk(r8));
        for (int from : {3, 13})
            QVERIFY(QDate::fromString(QString::fromLatin1(r8.mid(from, 8)), QStringLiteral("ddMMyyyy")).isValid());
        // The program joins characters 40-42, 47-48, then 43-46.
        QCOMPARE((r8.mid(39, 3) + r8.mid(46, 2) + r8.mid(42, 4)).toUpper().endsWith("AA"), variant == 0);
        // Resynchronising on "R", "D", "F" must find nothing past the start.
        QVERIFY(r8.indexOf('R', 1) < 0 && r8.indexOf('D') < 0 && r8.indexOf('F') < 0);

        const int low[6] = {10, 10, 20, 10, -41, 500}, high[6] = {50, 80, 400, 50, 10, 5000};
        for (int i = 0; i < 6; ++i)
            QVERIFY2(sim.value(records[i]) >= low[i] && sim.value(records[i]) <= high[i] && sim.value(records[i]) != -1,
                     qPrintable(QString::number(records[i])));
        QCOMPARE(sim.value(selector), 0);
        for (int v : sim.image())
            QVERIFY(v >= -99999 && v <= 32767);   // six characters on the wire

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
            QCOMPARE(frames[b].left(7),
                     "RZ0" + QByteArray::number(b).rightJustified(3, '0') + (b == blocks - 1 ? '$' : '0'));
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
        for (int i = 0; i < 75; ++i)
            text += ecusim::field6(written.emplace_back(i % 7 == 0 ? -i : 1000 + i * 3));
        QList<QByteArray> replies{ask(sim, line("MU0"))};
        for (int b = 0; b < 3; ++b)
            replies << ask(sim, withSum("MZ" + QByteArray::number(b).rightJustified(3, '0') + (b == 2 ? "$" : "0")
                                        + text.mid(b * 180, 180)));
        ask(sim, line("MU1"));
        QCOMPARE(replies, (QList<QByteArray>{"R5\r\n", "R6\r\n", "R5\r\n", "R1\r\n"}));
        QCOMPARE(sim.image(), written);
        QCOMPARE(values(readImage(sim)).mid(0, 75), written);
    }

    // Value writes land on record = address + 2630; anything unsound changes nothing.
    void command_repliesAndStoresOnlyWhatIsSound_data()
    {
        const QByteArray data(180, '7'), rga = withSum("Rga"), r7 = "R7\r\n", r5r7 = "R5\r\nR7\r\n";
        QByteArray garbled = mga(18, "000250");
        garbled[garbled.size() - 3] = garbled[garbled.size() - 3] == '0' ? '1' : '0';
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("record");
        QTest::addColumn<int>("value");   // INT_MIN: image untouched
        QTest::newRow("value") << mga(18, "000250") << rga << 2648 << 250;
        QTest::newRow("value minus twelve") << mga(24, "000-12") << rga << 2654 << -12;
        QTest::newRow("value, wrong checksum") << garbled << QByteArray() << 0 << INT_MIN;
        QTest::newRow("value past the image") << mga(999, "000001") << r7 << 0 << INT_MIN;
        QTest::newRow("block, wrong checksum")
            << QByteArray(line("MU0") + "MZ0000" + data + "00\r\n") << r5r7 << 0 << INT_MIN;
        QTest::newRow("block 001 first") << QByteArray(line("MU0") + withSum("MZ0010" + data)) << r5r7 << 0 << INT_MIN;
        QTest::newRow("short block not flagged last")
            << QByteArray(line("MU0") + withSum("MZ0000" + data.left(174))) << r5r7 << 0 << INT_MIN;
        QTest::newRow("block without MU0") << withSum("MZ0000" + data) << r7 << 0 << INT_MIN;
        QTest::newRow("silent commands") << QByteArray(line("MU3") + line("MU1") + line("MUA") + line("HELLO"))
                                         << QByteArray() << 0 << INT_MIN;
    }
    void command_repliesAndStoresOnlyWhatIsSound()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, reply);
        QFETCH(int, record);
        QFETCH(int, value);
        Simulator sim;
        QVector<int> expected = sim.image();
        if (value != INT_MIN)
            expected[record - 1] = value;
        QCOMPARE(ask(sim, sent), reply);
        QCOMPARE(sim.image(), expected);
    }
};

QTEST_GUILESS_MAIN(SimProtocolTest)
#include "tst_simprotocol.moc"
