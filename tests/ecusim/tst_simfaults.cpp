#include <QtTest>

#include "ecusim/simtestutil.h"

using namespace simtest;

namespace {

QByteArray block(int n)
{
    return withSum("MZ" + QByteArray::number(n).rightJustified(3, '0') + "0" + QByteArray(180, '1'));
}

// What the program would meet on the line: each frame as kind and length, "bad"
// for a wrong checksum, "<6000" for a live state below running, repeats counted;
// then "noise" when text preceded frames, and whether the bytes came one
// delivery a line, in more pieces or in fewer.
QByteArray observe(Simulator &sim)
{
    const QList<SimChunk> chunks = sim.takeChunks();
    QByteArray all;
    for (const SimChunk &c : chunks)
        all += c.bytes;
    const QList<QByteArray> lines = frames(all);
    QList<std::pair<QByteArray, int>> runs;
    bool noisy = false;
    for (const QByteArray &l : lines) {
        qsizetype start = 0;
        while (start < l.size() && !QByteArray("RDF\r").contains(l[start]))
            ++start;
        noisy |= start > 0;
        const QByteArray f = l.mid(start);
        QByteArray d = f.left(f.startsWith('D') ? 1 : 2) + ' ' + QByteArray::number(f.size());
        if (QList<QByteArray>{"R8", "R4", "RZ", "Rg"}.contains(f.left(2)) && !checksumOk(f))
            d += " bad";
        if (f.startsWith('D') && f.mid(47, 8).trimmed().toInt() < 6000)
            d += " <6000";
        if (!runs.isEmpty() && runs.last().first == d)
            ++runs.last().second;
        else
            runs.append({d, 1});
    }
    QList<QByteArray> seen;
    for (const auto &[d, n] : runs)
        seen << d + " x" + QByteArray::number(n);
    if (noisy)
        seen << "noise";
    seen << (chunks.size() == lines.size() ? "one piece a line" : chunks.size() > lines.size() ? "more pieces" : "fewer pieces");
    return seen.join(", ");
}

}

class SimFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void addFault_refusesUnlistedForms()
    {
        for (const char *text : {"no-reply", "no-reply=XYZ", "bad-checksum=R5", "reject-block=3:3", "short-r8=1",
                                 "live-stops=x", "melt"}) {
            SimConfig config;
            QString error;
            QVERIFY2(!config.addFault(QString::fromLatin1(text), &error) && !error.isEmpty(), text);
            QVERIFY(config.faults.isEmpty());
        }
    }

    void eachFault_showsOnTheLine_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("liveSeconds");   // streamed before `asked` is sent
        QTest::addColumn<QByteArray>("asked");
        QTest::addColumn<QByteArray>("seen");
        const QByteArray write = line("MU0") + block(0) + block(1) + block(1);
        QTest::newRow("healthy") << QStringList() << 1 << line("MUB")
                                 << QByteArray("D 131 x10, R8 61 x1, one piece a line");
        QTest::newRow("no-reply=MUB") << QStringList{"no-reply=MUB"} << 0 << QByteArray(line("MUB") + line("MU2"))
                                      << QByteArray("RZ 191 x1, one piece a line");
        QTest::newRow("no-reply=MUA") << QStringList{"no-reply=MUA"} << 0 << QByteArray(line("MU2") + line("MUA"))
                                      << QByteArray("RZ 191 x1, one piece a line");
        QTest::newRow("no-reply=MUFN") << QStringList{"no-reply=MUFN"} << 0 << QByteArray(line("MUFN") + line("MUB"))
                                       << QByteArray("R8 61 x1, one piece a line");
        QTest::newRow("no-reply=MZ") << QStringList{"no-reply=MZ"} << 0 << QByteArray(line("MU0") + block(0))
                                     << QByteArray("R5 4 x1, one piece a line");
        QTest::newRow("no-reply=MGA") << QStringList{"no-reply=MGA"} << 0 << mga(18, "000250")
                                      << QByteArray("one piece a line");
        QTest::newRow("bad-checksum=R8, once") << QStringList{"bad-checksum=R8"} << 0
                                               << QByteArray(line("MUB") + line("MUB"))
                                               << QByteArray("R8 61 bad x1, R8 61 x1, one piece a line");
        QTest::newRow("bad-checksum=RZ:2") << QStringList{"bad-checksum=RZ:2"} << 0
                                           << QByteArray(line("MU2") + line("MUA") + line("MUA") + line("MUA"))
                                           << QByteArray("RZ 191 x2, RZ 191 bad x1, RZ 191 x1, one piece a line");
        QTest::newRow("bad-checksum=Rga") << QStringList{"bad-checksum=Rga"} << 0
                                          << QByteArray(mga(18, "000250") + mga(18, "000250"))
                                          << QByteArray("Rg 7 bad x1, Rg 7 x1, one piece a line");
        QTest::newRow("reject-block=1:1") << QStringList{"reject-block=1:1"} << 0 << write
                                          << QByteArray("R5 4 x1, R6 4 x1, R7 4 x1, R5 4 x1, one piece a line");
        QTest::newRow("reject-block=1:2") << QStringList{"reject-block=1:2"} << 0 << write
                                          << QByteArray("R5 4 x1, R6 4 x1, R7 4 x2, one piece a line");
        QTest::newRow("short-r8") << QStringList{"short-r8"} << 0 << line("MUB")
                                  << QByteArray("R8 60 x1, one piece a line");
        QTest::newRow("old-id") << QStringList{"old-id"} << 0 << line("MUB") << QByteArray("R4 41 x1, one piece a line");
        QTest::newRow("short-rfn") << QStringList{"short-rfn"} << 0 << line("MUFN")
                                   << QByteArray("Rf 58 x1, one piece a line");
        QTest::newRow("noise") << QStringList{"noise"} << 1 << line("MUB")
                               << QByteArray("D 131 x10, R8 61 x1, noise, one piece a line");
        QTest::newRow("split") << QStringList{"split"} << 1 << line("MUB")
                               << QByteArray("D 131 x10, R8 61 x1, more pieces");
        // The tenth frame waits for company; the reply takes it along instead of waiting.
        QTest::newRow("join=3") << QStringList{"join=3"} << 1 << mga(18, "000250")
                                << QByteArray("D 131 x10, Rg 7 x1, fewer pieces");
        QTest::newRow("live-stops=5") << QStringList{"live-stops=5"} << 3 << QByteArray()
                                      << QByteArray("D 131 x5, one piece a line");
        QTest::newRow("state-below-6000=3") << QStringList{"state-below-6000=3"} << 2 << QByteArray()
                                            << QByteArray("D 131 <6000 x3, D 131 x17, one piece a line");
        QTest::newRow("state-below-6000") << QStringList{"state-below-6000"} << 1 << QByteArray()
                                          << QByteArray("D 131 <6000 x10, one piece a line");
    }
    void eachFault_showsOnTheLine()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, liveSeconds);
        QFETCH(QByteArray, asked);
        QFETCH(QByteArray, seen);
        SimConfig config;
        for (const QString &f : faults)
            QVERIFY(config.addFault(f));
        Simulator sim(config);
        if (liveSeconds > 0)
            runLive(sim, liveSeconds);
        sim.feed(asked);
        QCOMPARE(observe(sim), seen);
    }

    void liveStops_countsAgainInEachSession()
    {
        SimConfig config;
        config.addFault(QStringLiteral("live-stops=5"));
        Simulator sim(config);
        runLive(sim, 3);
        ask(sim, line("MUB"));
        runLive(sim, 3);
        QCOMPARE(frames(sim.takeOutput()).size(), 5);
    }
};

QTEST_GUILESS_MAIN(SimFaultsTest)
#include "tst_simfaults.moc"
