#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include "ecusim/simtestutil.h"
#include "tools/ecusim/simtransport.h"

using namespace simtest;

namespace {
PortSettings port(int baud = 19200)
{
    PortSettings s;
    s.device = QStringLiteral("SIMULATORE");
    s.baud = baud;
    return s;
}
}

class SimTransportTest : public QObject {
    Q_OBJECT
private slots:
    void reply_arrivesLaterNotInsideWrite()
    {
        SimTransport t;
        QSignalSpy ready(&t, &Transport::readyRead);
        QVERIFY(t.open(port(), nullptr));
        QVERIFY(t.write(line("MUB")));
        QCOMPARE(ready.count(), 0);
        QCOMPARE(t.readAll(), QByteArray());
        QVERIFY(ready.wait(1000));
        QVERIFY(checksumOk(t.readAll()));
    }

    // 5 characters out and 61 back, 10 bits each at 9600 baud: 68.75 ms; split
    // pieces each come with their own signal.
    void paced_replyTakesTheWireTimeInPieces()
    {
        SimConfig config;
        config.paced = true;
        config.addFault(QStringLiteral("split"));
        SimTransport t(config);
        QByteArray got;
        int events = 0;
        connect(&t, &Transport::readyRead, this, [&] {
            ++events;
            got += t.readAll();
        });
        t.open(port(9600), nullptr);
        QElapsedTimer clock;
        clock.start();
        t.write(line("MUB"));
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 61, 2000);
        QVERIFY2(clock.elapsed() >= 66 && clock.elapsed() < 400, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(events >= 2);
        QCOMPARE(got, t.sim().identification());
    }

    void manualClock_liveFramesComeOnlyWithAdvance()
    {
        SimTransport t;
        t.setManualClock(true);
        t.open(port(), nullptr);
        QSignalSpy ready(&t, &Transport::readyRead);
        t.write(mga(34, "000001"));
        QVERIFY(!ready.wait(300));
        t.advance(1000);
        QTRY_COMPARE(ready.count(), 10);
        QCOMPARE(frames(t.readAll()).size(), 10);
    }

    void close_losesPendingRepliesAndRefusesWrites()
    {
        SimTransport t;
        QSignalSpy ready(&t, &Transport::readyRead);
        t.open(port(), nullptr);
        t.write(line("MUB"));
        t.close();
        QVERIFY(!ready.wait(200));
        QVERIFY(!t.write(line("MUB")));
        QVERIFY(t.open(port(), nullptr));
        QVERIFY(t.write(line("MUB")));
        QVERIFY(ready.wait(1000));
        QCOMPARE(t.readAll().size(), 61);
    }

    void pullCable_reportsLossAndRefusesWrites()
    {
        SimTransport t;
        QSignalSpy lost(&t, &Transport::lost);
        t.open(port(), nullptr);
        t.pullCable(QStringLiteral("unplugged"));
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost.first().first().toString(), QStringLiteral("unplugged"));
        QVERIFY(!t.write(line("MUB")));
    }
};

QTEST_GUILESS_MAIN(SimTransportTest)
#include "tst_simtransport.moc"
