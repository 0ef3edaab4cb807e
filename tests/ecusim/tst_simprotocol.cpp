#include <QtTest>

#include "ecusim/simtestutil.h"

using namespace simtest;

namespace {
QByteArray block(int n)
{
    return withSum("MZ" + QByteArray::number(n).rightJustified(3, '0') + "0" + QByteArray(180, '1'));
}

// What the program would meet on the line: each frame as kind and length, "bad" for a wrong checksum, repeats counted;
// then "noise" when text preceded frames, and whether the bytes came in more pieces or fewer than one delivery a line.
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
    if (chunks.size() != lines.size())
        seen << (chunks.size() > lines.size() ? "more pieces" : "fewer pieces");
    return seen.join(", ");
}

}   // namespace

// The simulated ECU's fault injections, on which the link suites rely: a fault that did nothing would leave
// the test that asks for it passing without testing anything.
class SimProtocolTest : public QObject {
    Q_OBJECT
private slots:
    // Faults whose absence a link suite would notice by itself are left to it.
    void eachFault_showsOnTheLine_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("liveSeconds");   // streamed before `asked` is sent
        QTest::addColumn<QByteArray>("asked");
        QTest::addColumn<QByteArray>("seen");
        const auto row = [](const char *fault, int liveSeconds, const QByteArray &asked, const char *seen) {
            QTest::newRow(fault) << QString::fromLatin1(fault) << liveSeconds << asked << QByteArray(seen);
        };
        const QByteArray write = line("MU0") + block(0) + block(1) + block(1), value = mga(18, "000250");
        row("healthy", 1, line("MUB"), "D 131 x10, R8 61 x1");
        row("bad-checksum=RZ:2", 0, line("MU2") + line("MUA") + line("MUA") + line("MUA"),
            "RZ 191 x2, RZ 191 bad x1, RZ 191 x1");
        row("bad-checksum=Rga", 0, value + value, "Rg 7 bad x1, Rg 7 x1");
        row("reject-block=1:1", 0, write, "R5 4 x1, R6 4 x1, R7 4 x1, R5 4 x1");
        row("reject-block=1:2", 0, write, "R5 4 x1, R6 4 x1, R7 4 x2");
        row("noise", 1, line("MUB"), "D 131 x10, R8 61 x1, noise");
        row("split", 1, line("MUB"), "D 131 x10, R8 61 x1, more pieces");
        // The tenth frame waits for company; the reply takes it along instead of waiting.
        row("join=3", 1, value, "D 131 x10, Rg 7 x1, fewer pieces");
    }
    void eachFault_showsOnTheLine()
    {
        QFETCH(QString, fault);
        QFETCH(int, liveSeconds);
        QFETCH(QByteArray, asked);
        SimConfig config;
        QVERIFY(fault == QLatin1String("healthy") || config.addFault(fault));
        Simulator sim(config);
        if (liveSeconds > 0)
            runLive(sim, liveSeconds);
        sim.feed(asked);
        QTEST(observe(sim), "seen");
    }
};

QTEST_GUILESS_MAIN(SimProtocolTest)
#include "tst_simprotocol.moc"
