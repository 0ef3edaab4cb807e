#include <QtTest>

#include "ecusim/simtestutil.h"
#include "tools/ecusim/simulator.h"

using namespace simtest;

namespace {

Simulator make(const QStringList &faults, int imageSize = 2900)
{
    SimConfig config;
    config.imageSize = imageSize;
    for (const QString &f : faults)
        if (!config.addFault(f))
            qFatal("bad fault %s", qPrintable(f));
    return Simulator(config);
}

QList<QByteArray> liveFrames(Simulator &sim, int seconds)
{
    sim.feed(mga(sim.liveStartAddress(), "000001"));
    sim.advanceTo(sim.now() + seconds * 1000);
    return frames(sim.takeOutput());
}

QByteArray imageBlock(int block, bool last)
{
    return withSum("MZ" + QByteArray::number(block).rightJustified(3, '0') + (last ? "$" : "0")
                   + QByteArray(180, '1'));
}

}

class SimFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void addFault_acceptsListedFormsOnly_data();
    void addFault_acceptsListedFormsOnly();
    void noReply_silencesOnlyThatCommand_data();
    void noReply_silencesOnlyThatCommand();
    void badChecksum_spoilsOnlyTheChosenFrameOnce_data();
    void badChecksum_spoilsOnlyTheChosenFrameOnce();
    void rejectBlock_answersR7ThenAccepts_data();
    void rejectBlock_answersR7ThenAccepts();
    void wrongLengths_keepAValidChecksum_data();
    void wrongLengths_keepAValidChecksum();
    void noise_precedesFramesWithoutFrameLetters();
    void split_cutsIntoPiecesThatJoinToTheSameBytes();
    void join_sendsSeveralFramesInOnePiece();
    void liveStops_afterNFramesOfEachSession();
    void stateBelow6000_allOrFirstNFrames();
};

void SimFaultsTest::addFault_acceptsListedFormsOnly_data()
{
    QTest::addColumn<QString>("faultText");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("no-reply=MU2") << "no-reply=MU2" << true;
    QTest::newRow("no-reply without command") << "no-reply" << false;
    QTest::newRow("no-reply=XYZ") << "no-reply=XYZ" << false;
    QTest::newRow("bad-checksum=RZ:12") << "bad-checksum=RZ:12" << true;
    QTest::newRow("bad-checksum=R5") << "bad-checksum=R5" << false;
    QTest::newRow("reject-block=3:2") << "reject-block=3:2" << true;
    QTest::newRow("reject-block=3:3") << "reject-block=3:3" << false;
    QTest::newRow("short-r8") << "short-r8" << true;
    QTest::newRow("short-r8=1") << "short-r8=1" << false;
    QTest::newRow("join") << "join" << true;
    QTest::newRow("join=1") << "join=1" << false;
    QTest::newRow("live-stops=20") << "live-stops=20" << true;
    QTest::newRow("live-stops=x") << "live-stops=x" << false;
    QTest::newRow("state-below-6000") << "state-below-6000" << true;
    QTest::newRow("unknown") << "melt" << false;
}

void SimFaultsTest::addFault_acceptsListedFormsOnly()
{
    QFETCH(QString, faultText);
    QFETCH(bool, accepted);
    SimConfig config;
    QString error;
    QCOMPARE(config.addFault(faultText, &error), accepted);
    QCOMPARE(config.faults.size(), accepted ? 1 : 0);
    QCOMPARE(error.isEmpty(), accepted);
}

void SimFaultsTest::noReply_silencesOnlyThatCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("asked");
    QTest::newRow("MUB") << "MUB" << QByteArray() << line("MUB");
    QTest::newRow("MU2") << "MU2" << QByteArray() << line("MU2");
    QTest::newRow("MUA") << "MUA" << line("MU2") << line("MUA");
    QTest::newRow("MUFN") << "MUFN" << QByteArray() << line("MUFN");
    QTest::newRow("MU0") << "MU0" << QByteArray() << line("MU0");
    QTest::newRow("MZ") << "MZ" << line("MU0") << imageBlock(0, false);
    QTest::newRow("MGA") << "MGA" << QByteArray() << mga(18, "000250");
}

void SimFaultsTest::noReply_silencesOnlyThatCommand()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, asked);
    Simulator healthy = make({});
    ask(healthy, before);
    QVERIFY(!ask(healthy, asked).isEmpty());

    Simulator faulty = make({"no-reply=" + command});
    ask(faulty, before);
    QCOMPARE(ask(faulty, asked), QByteArray());
    // Every other command is still answered.
    if (command != "MUB")
        QCOMPARE(ask(faulty, line("MUB")).size(), 61);
    else
        QVERIFY(ask(faulty, line("MU2")).startsWith("RZ"));
}

void SimFaultsTest::badChecksum_spoilsOnlyTheChosenFrameOnce_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("asked");
    QTest::addColumn<int>("spoiltIndex");   // which frame of the answers to two rounds of `asked`
    QTest::newRow("R8") << "R8" << line("MUB") << 0;
    QTest::newRow("first RZ") << "RZ" << line("MU2") << 0;
    QTest::newRow("RZ:2") << "RZ:2" << QByteArray(line("MU2") + line("MUA") + line("MUA")) << 2;
    QTest::newRow("Rga") << "Rga" << mga(18, "000250") << 0;
}

void SimFaultsTest::badChecksum_spoilsOnlyTheChosenFrameOnce()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, asked);
    QFETCH(int, spoiltIndex);
    Simulator sim = make({"bad-checksum=" + fault});
    QList<QByteArray> answers = frames(ask(sim, asked));
    answers += frames(ask(sim, asked));
    QVERIFY(answers.size() > spoiltIndex);
    for (int i = 0; i < answers.size(); ++i)
        QVERIFY2(checksumOk(answers[i]) == (i != spoiltIndex), answers[i].constData());
}

void SimFaultsTest::rejectBlock_answersR7ThenAccepts_data()
{
    QTest::addColumn<int>("times");
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::newRow("once") << 1 << QList<QByteArray>{"R6\r\n", "R7\r\n", "R5\r\n"};
    QTest::newRow("twice") << 2 << QList<QByteArray>{"R6\r\n", "R7\r\n", "R7\r\n"};
}

void SimFaultsTest::rejectBlock_answersR7ThenAccepts()
{
    QFETCH(int, times);
    QFETCH(QList<QByteArray>, replies);
    Simulator sim = make({QStringLiteral("reject-block=1:%1").arg(times)});
    const int before = sim.value(31);
    ask(sim, line("MU0"));
    QList<QByteArray> got;
    got << ask(sim, imageBlock(0, false)) << ask(sim, imageBlock(1, false)) << ask(sim, imageBlock(1, false));
    QCOMPARE(got, replies);
    QCOMPARE(sim.value(31), times == 1 ? 111111 : before);
    if (times == 2) {   // a third try (not made by the program) would pass
        QCOMPARE(ask(sim, imageBlock(1, false)), QByteArray("R5\r\n"));
        QCOMPARE(sim.value(31), 111111);
    }
}

void SimFaultsTest::wrongLengths_keepAValidChecksum_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("asked");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("checksummed");
    QTest::newRow("short-r8") << "short-r8" << line("MUB") << QByteArray("R8") << 60 << true;
    QTest::newRow("old-id") << "old-id" << line("MUB") << QByteArray("R4") << 41 << true;
    QTest::newRow("short-rfn") << "short-rfn" << line("MUFN") << QByteArray("Rfn") << 58 << false;
}

void SimFaultsTest::wrongLengths_keepAValidChecksum()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, asked);
    QFETCH(QByteArray, start);
    QFETCH(int, length);
    QFETCH(bool, checksummed);
    Simulator sim = make({fault});
    const QByteArray reply = ask(sim, asked);
    QVERIFY(reply.startsWith(start));
    QCOMPARE(reply.size(), length);
    QVERIFY(reply.endsWith("\r\n"));
    if (checksummed)
        QVERIFY(checksumOk(reply));
}

void SimFaultsTest::noise_precedesFramesWithoutFrameLetters()
{
    Simulator sim = make({"noise"});
    QList<QByteArray> lines = frames(ask(sim, line("MUB")));
    lines += liveFrames(sim, 3);
    int noisy = 0;
    for (const QByteArray &l : lines) {
        const qsizetype start = l.indexOf(l.contains("R8") ? "R8" : "D");
        QVERIFY(start >= 0 && start <= 6);
        const QByteArray noise = l.left(start);
        QVERIFY(!noise.contains('R') && !noise.contains('D') && !noise.contains('F') && !noise.contains('\r'));
        noisy += noise.isEmpty() ? 0 : 1;
        const QByteArray frame = l.mid(start);
        QVERIFY(frame.size() == 61 ? checksumOk(frame) : frame.size() == 131);
    }
    QVERIFY(noisy > lines.size() / 2);
}

void SimFaultsTest::split_cutsIntoPiecesThatJoinToTheSameBytes()
{
    Simulator plain = make({});
    Simulator split = make({"split"});
    QByteArray expected = ask(plain, line("MUB"));
    split.feed(line("MUB"));
    plain.feed(mga(34, "000001"));
    split.feed(mga(34, "000001"));
    plain.advanceTo(2000);
    split.advanceTo(2000);
    expected += plain.takeOutput();
    const QList<SimChunk> chunks = split.takeChunks();
    QByteArray joined;
    int paused = 0;
    for (const SimChunk &c : chunks) {
        joined += c.bytes;
        paused += c.pauseBeforeMs > 0 ? 1 : 0;
    }
    QCOMPARE(joined, expected);
    QVERIFY(chunks.size() >= 2 * 21);   // identification and 20 frames, each in 2 to 4 pieces
    QVERIFY(paused > 0);
}

void SimFaultsTest::join_sendsSeveralFramesInOnePiece()
{
    Simulator sim = make({"join=3"});
    sim.feed(mga(34, "000001"));
    sim.advanceTo(1000);
    const QList<SimChunk> chunks = sim.takeChunks();
    QCOMPARE(chunks.size(), 3);   // 9 frames out, the tenth held back
    for (const SimChunk &c : chunks)
        QCOMPARE(frames(c.bytes).size(), 3);
    // A reply does not wait: it leaves together with the frame held back.
    sim.feed(mga(18, "000250"));
    const QList<SimChunk> withReply = sim.takeChunks();
    QCOMPARE(withReply.size(), 1);
    const QList<QByteArray> lines = frames(withReply.first().bytes);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith("D"));
    QVERIFY(lines[1].startsWith("Rga"));
}

void SimFaultsTest::liveStops_afterNFramesOfEachSession()
{
    Simulator sim = make({"live-stops=5"});
    QCOMPARE(liveFrames(sim, 3).size(), 5);
    ask(sim, line("MUB"));
    QCOMPARE(liveFrames(sim, 3).size(), 5);
}

void SimFaultsTest::stateBelow6000_allOrFirstNFrames()
{
    Simulator always = make({"state-below-6000"});
    for (const QByteArray &f : liveFrames(always, 2))
        QCOMPARE(f.mid(47, 8).trimmed(), QByteArray("5999"));

    Simulator firstThree = make({"state-below-6000=3"});
    const QList<QByteArray> lines = liveFrames(firstThree, 2);
    QCOMPARE(lines.size(), 20);
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines[i].mid(47, 8).trimmed().toInt() < 6000, i < 3);
}

QTEST_GUILESS_MAIN(SimFaultsTest)
#include "tst_simfaults.moc"
