#include <QSet>
#include <QtTest>

#include "ecusim/simtestutil.h"
#include "tools/ecusim/simulator.h"

using namespace simtest;

namespace {

struct Decoded {
    QByteArray code;
    int field[13];
    double correction;
    char fuel;
};

// Reads a frame by its fixed positions; false when any field is not a number.
bool decode(const QByteArray &f, Decoded *d)
{
    if (f.size() != 131 || f[0] != 'D' || !f.endsWith("\r\n"))
        return false;
    d->code = f.mid(1, 1);
    for (int k = 0; k < 13; ++k) {
        bool ok = false;
        d->field[k] = f.mid(2 + 9 * k, 8).trimmed().toInt(&ok);
        if (!ok || f.mid(2 + 9 * k, 8).size() != 8)
            return false;
    }
    bool ok = false;
    d->correction = f.mid(2 + 9 * 13, 8).trimmed().toDouble(&ok);
    d->fuel = f[128];
    return ok;
}

QList<QByteArray> runFor(Simulator &sim, int seconds)
{
    sim.feed(mga(sim.liveStartAddress(), "000001"));
    sim.advanceTo(sim.now() + seconds * 1000);
    return frames(sim.takeOutput());
}

}

class SimLiveTest : public QObject {
    Q_OBJECT
private slots:
    void twoMinutes_framesWellFormedAndFieldsInRange();
    void warmUp_switchesFuelToGasOnceAbove35Degrees();
    void drivingCycle_showsIdleRevTransientCutOffAndExit();
    void sameSeed_sameFrames_otherSeed_otherFrames();
    void rate_setsFramesPerSecond();
    void imageTransfer_pausesTheStream();
    void newSession_stopsTheStreamUntilStartedAgain();
};

void SimLiveTest::twoMinutes_framesWellFormedAndFieldsInRange()
{
    Simulator sim;
    const QList<QByteArray> live = runFor(sim, 120);
    QCOMPARE(live.size(), 1200);
    QSet<QByteArray> codes;
    int maxRpm = 0;
    for (const QByteArray &f : live) {
        Decoded d;
        QVERIFY2(decode(f, &d), f.constData());
        for (int k = 0; k < 14; ++k)
            QCOMPARE(f[10 + 9 * k], ';');
        QVERIFY(f.indexOf('R') < 0 && f.indexOf('F') < 0 && f.indexOf('D', 1) < 0);
        codes.insert(d.code);
        QVERIFY(d.field[0] >= 1000 && d.field[0] <= 2500);           // pressure 1
        QVERIFY(d.field[1] >= 900 && d.field[1] <= 1200);            // DeltaP
        QVERIFY(d.field[2] >= 150 && d.field[2] <= 1050);            // MAP
        QVERIFY(d.field[3] >= 15 && d.field[3] <= 90);               // coolant
        QVERIFY(d.field[4] >= 100 && d.field[4] <= 900);             // lambda
        QVERIFY(d.field[5] >= 6000 && d.field[5] <= 6010);           // state
        QVERIFY(d.field[6] >= 700 && d.field[6] <= 4500);            // throttle
        QVERIFY(d.field[7] >= 0 && d.field[7] <= 100);
        QVERIFY(d.field[8] >= 0 && d.field[8] <= 10000);             // duty IN, 1/100 %
        QVERIFY(d.field[9] >= 600 && d.field[9] <= 4400);            // rpm
        QVERIFY(d.field[10] >= 0 && d.field[10] <= 100);
        QVERIFY(d.field[11] >= 0 && d.field[11] <= 1000);            // duty PWM, 1/10 %
        QVERIFY(d.field[12] >= 0 && d.field[12] <= 100);             // theoretical flow
        QCOMPARE(d.correction, 1.0);
        QVERIFY(d.fuel == 'B' || d.fuel == 'G');
        // MAP follows the throttle: wide open never shows idle vacuum.
        if (d.field[6] > 4000)
            QVERIFY(d.field[2] > 500);
        maxRpm = std::max(maxRpm, d.field[9]);
    }
    QCOMPARE(codes, (QSet<QByteArray>{"B", "C", "T"}));
    QVERIFY(maxRpm > 3300);
}

void SimLiveTest::warmUp_switchesFuelToGasOnceAbove35Degrees()
{
    Simulator sim;
    const QList<QByteArray> live = runFor(sim, 120);
    Decoded first, last;
    QVERIFY(decode(live.first(), &first));
    QVERIFY(decode(live.last(), &last));
    QVERIFY(first.field[3] <= 25);
    QVERIFY(last.field[3] >= 80);
    bool onGas = false;
    int previousTemp = first.field[3];
    for (const QByteArray &f : live) {
        Decoded d;
        QVERIFY(decode(f, &d));
        QVERIFY(d.field[3] >= previousTemp);
        previousTemp = d.field[3];
        if (d.fuel == 'G')
            onGas = true;
        QCOMPARE(d.fuel, onGas ? 'G' : 'B');            // never back to petrol
        if (d.fuel == 'B') {
            QVERIFY(d.field[3] <= 36);
            QCOMPARE(d.field[11], 0);                   // gas injectors idle on petrol
        }
    }
    QVERIFY(onGas);
}

void SimLiveTest::drivingCycle_showsIdleRevTransientCutOffAndExit()
{
    Simulator sim;
    QSet<int> states;
    int idleFrames = 0;
    int previous = 0;
    bool exitAfterCutOff = false;
    for (const QByteArray &f : runFor(sim, 120)) {
        Decoded d;
        QVERIFY(decode(f, &d));
        states.insert(d.field[5]);
        if (d.field[5] == 6004 && std::abs(d.field[9] - 800) < 100)
            ++idleFrames;
        if (previous == 6005 && d.field[5] == 6006)
            exitAfterCutOff = true;
        if (d.field[5] == 6005) {
            QVERIFY(d.field[8] == 0);                   // no injection in cut-off
            QVERIFY(d.field[6] < 800);                  // throttle released
        }
        previous = d.field[5];
    }
    QVERIFY(idleFrames > 150);
    QVERIFY(exitAfterCutOff);
    for (int s : {6000, 6001, 6002, 6003, 6004, 6005, 6006, 6007, 6008})
        QVERIFY2(states.contains(s), qPrintable(QString::number(s)));
}

void SimLiveTest::sameSeed_sameFrames_otherSeed_otherFrames()
{
    SimConfig config;
    config.seed = 7;
    Simulator a(config), b(config);
    config.seed = 8;
    Simulator c(config);
    const QList<QByteArray> fa = runFor(a, 20);
    QCOMPARE(runFor(b, 20), fa);
    QVERIFY(runFor(c, 20) != fa);
}

void SimLiveTest::rate_setsFramesPerSecond()
{
    SimConfig config;
    config.liveFramesPerSecond = 25;
    Simulator sim(config);
    QCOMPARE(runFor(sim, 4).size(), 100);
    QCOMPARE(sim.msToNextFrame(), 40);
}

void SimLiveTest::imageTransfer_pausesTheStream()
{
    SimConfig config;
    config.imageSize = 90;
    Simulator sim(config);
    runFor(sim, 1);
    sim.feed(line("MU2"));
    sim.advanceTo(sim.now() + 1000);
    const QByteArray during = sim.takeOutput();
    QVERIFY(during.startsWith("RZ"));
    QVERIFY(!during.contains("\nD"));
    sim.feed(line("MU3"));
    sim.advanceTo(sim.now() + 1000);
    QCOMPARE(frames(sim.takeOutput()).size(), 10);
}

void SimLiveTest::newSession_stopsTheStreamUntilStartedAgain()
{
    Simulator sim;
    runFor(sim, 1);
    sim.feed(line("MUB"));
    sim.takeOutput();
    sim.advanceTo(sim.now() + 1000);
    QCOMPARE(sim.takeOutput(), QByteArray());
    QCOMPARE(sim.msToNextFrame(), -1);
    QCOMPARE(runFor(sim, 1).size(), 10);
}

QTEST_GUILESS_MAIN(SimLiveTest)
#include "tst_simlive.moc"
