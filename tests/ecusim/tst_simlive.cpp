#include <QSet>
#include <QtTest>

#include "ecusim/simtestutil.h"

using namespace simtest;

namespace {
QList<QByteArray> liveFor(Simulator &sim, int seconds)
{
    runLive(sim, seconds);
    return frames(sim.takeOutput());
}
}

class SimLiveTest : public QObject {
    Q_OBJECT
private slots:
    // A driven minute: fixed layout, every field in its range, the fuel turning
    // to gas once warm and never back, every running state met.
    void aMinute_framesWellFormedFuelSwitchesAndStatesPass()
    {
        Simulator sim;
        const QList<QByteArray> live = liveFor(sim, 60);
        QCOMPARE(live.size(), 600);
        const int low[13] = {1000, 900, 150, 15, 100, 6000, 700, 0, 0, 600, 0, 0, 0};
        const int high[13] = {2500, 1200, 1050, 90, 900, 6010, 4500, 100, 10000, 4400, 100, 1000, 100};
        QSet<QByteArray> codes;
        QSet<int> states;
        int previousTemp = 0, previousState = 0;
        bool onGas = false, exitAfterCutOff = false;
        for (const QByteArray &f : live) {
            QCOMPARE(f.size(), 131);
            QVERIFY(f.startsWith('D') && f.endsWith("\r\n"));
            QVERIFY(f.indexOf('R') < 0 && f.indexOf('F') < 0 && f.indexOf('D', 1) < 0);
            int v[13];
            for (int k = 0; k < 13; ++k) {
                QCOMPARE(f[10 + 9 * k], ';');
                bool ok = false;
                v[k] = f.mid(2 + 9 * k, 8).trimmed().toInt(&ok);
                QVERIFY2(ok && v[k] >= low[k] && v[k] <= high[k], qPrintable(QStringLiteral("field %1: %2").arg(k).arg(v[k])));
            }
            QCOMPARE(f.mid(119, 8).trimmed().toDouble(), 1.0);
            codes.insert(f.mid(1, 1));
            states.insert(v[5]);
            if (v[6] > 4000)
                QVERIFY(v[2] > 500);   // wide open never shows idle vacuum
            if (v[5] == 6005)
                QVERIFY(v[8] == 0 && v[6] < 800);   // no injection in cut-off, throttle released
            exitAfterCutOff |= previousState == 6005 && v[5] == 6006;
            QVERIFY(v[3] >= previousTemp);
            onGas |= f[128] == 'G';
            QCOMPARE(f[128], onGas ? 'G' : 'B');
            if (!onGas)
                QVERIFY(v[3] <= 36 && v[11] == 0);   // gas injectors idle on petrol
            previousTemp = v[3];
            previousState = v[5];
        }
        QVERIFY(onGas);
        QVERIFY(exitAfterCutOff);
        QCOMPARE(codes, (QSet<QByteArray>{"B", "C", "T"}));
        for (int s = 6000; s <= 6008; ++s)
            QVERIFY2(states.contains(s), qPrintable(QString::number(s)));
    }

    void sameSeed_sameFrames_otherSeed_otherFrames()
    {
        SimConfig config;
        config.seed = 7;
        Simulator a(config), b(config);
        config.seed = 8;
        Simulator c(config);
        const QList<QByteArray> fa = liveFor(a, 20);
        QCOMPARE(liveFor(b, 20), fa);
        QVERIFY(liveFor(c, 20) != fa);
    }

    void rate_setsFramesPerSecond()
    {
        SimConfig config;
        config.liveFramesPerSecond = 25;
        Simulator sim(config);
        QCOMPARE(liveFor(sim, 4).size(), 100);
        QCOMPARE(sim.msToNextFrame(), 40);
    }

    void imageRead_pausesTheStream()
    {
        SimConfig config;
        config.imageSize = 90;
        Simulator sim(config);
        liveFor(sim, 1);
        sim.feed(line("MU2"));
        sim.advanceTo(sim.now() + 1000);
        const QByteArray during = sim.takeOutput();
        QVERIFY(during.startsWith("RZ") && !during.contains("\nD"));
        sim.feed(line("MU3"));
        sim.advanceTo(sim.now() + 1000);
        QCOMPARE(frames(sim.takeOutput()).size(), 10);
    }

    void newSession_stopsTheStreamUntilStartedAgain()
    {
        Simulator sim;
        liveFor(sim, 1);
        ask(sim, line("MUB"));
        sim.advanceTo(sim.now() + 1000);
        QCOMPARE(sim.takeOutput(), QByteArray());
        QCOMPARE(sim.msToNextFrame(), -1);
        QCOMPARE(liveFor(sim, 1).size(), 10);
    }
};

QTEST_GUILESS_MAIN(SimLiveTest)
#include "tst_simlive.moc"
