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
    void reply_arrivesLaterNotInsideWrite();
    void splitFault_eachPieceHasItsOwnReadyRead();
    void paced_replyTakesTheWireTimeOfBothDirections();
    void manualClock_liveFramesComeOnlyWithAdvance();
    void close_losesPendingRepliesAndRefusesWrites();
    void pullCable_reportsLossAndRefusesWrites();
};

void SimTransportTest::reply_arrivesLaterNotInsideWrite()
{
    SimTransport t;
    QSignalSpy ready(&t, &Transport::readyRead);
    QVERIFY(t.open(port(), nullptr));
    QVERIFY(t.write(line("MUB")));
    QCOMPARE(ready.count(), 0);
    QCOMPARE(t.readAll(), QByteArray());
    QVERIFY(ready.wait(1000));
    const QByteArray r8 = t.readAll();
    QCOMPARE(r8.size(), 61);
    QVERIFY(checksumOk(r8));
    QCOMPARE(t.sim().commands(), (QList<QByteArray>{"MUB"}));
}

void SimTransportTest::splitFault_eachPieceHasItsOwnReadyRead()
{
    SimConfig config;
    config.addFault(QStringLiteral("split"));
    SimTransport t(config);
    QByteArray got;
    int events = 0;
    connect(&t, &Transport::readyRead, this, [&] {
        ++events;
        got += t.readAll();
    });
    t.open(port(), nullptr);
    t.write(line("MUB"));
    QTRY_COMPARE(got.size(), 61);
    QVERIFY(events >= 2);
    QCOMPARE(got, t.sim().identification());
}

void SimTransportTest::paced_replyTakesTheWireTimeOfBothDirections()
{
    SimConfig config;
    config.paced = true;
    SimTransport t(config);
    t.open(port(9600), nullptr);
    QByteArray got;
    connect(&t, &Transport::readyRead, this, [&] { got += t.readAll(); });
    QElapsedTimer clock;
    clock.start();
    t.write(line("MUB"));
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 61, 2000);
    // 5 characters out and 61 back, 10 bits each at 9600 baud: 68.75 ms.
    QVERIFY2(clock.elapsed() >= 66, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(clock.elapsed() < 400, qPrintable(QString::number(clock.elapsed())));
}

void SimTransportTest::manualClock_liveFramesComeOnlyWithAdvance()
{
    SimTransport t;
    t.setManualClock(true);
    t.open(port(), nullptr);
    QSignalSpy ready(&t, &Transport::readyRead);
    t.write(mga(34, "000001"));
    QVERIFY(!ready.wait(300));
    QCOMPARE(t.sim().liveFramesSent(), 0);
    t.advance(1000);
    QTRY_COMPARE(ready.count(), 10);
    const QList<QByteArray> live = frames(t.readAll());
    QCOMPARE(live.size(), 10);
    for (const QByteArray &f : live)
        QCOMPARE(f.size(), 131);
}

void SimTransportTest::close_losesPendingRepliesAndRefusesWrites()
{
    SimTransport t;
    QSignalSpy ready(&t, &Transport::readyRead);
    t.open(port(), nullptr);
    t.write(line("MUB"));
    t.close();
    QVERIFY(!t.isOpen());
    QVERIFY(!ready.wait(200));
    QVERIFY(!t.write(line("MUB")));
    QVERIFY(t.open(port(), nullptr));
    QVERIFY(t.write(line("MUB")));
    QVERIFY(ready.wait(1000));
    QCOMPARE(t.readAll().size(), 61);
}

void SimTransportTest::pullCable_reportsLossAndRefusesWrites()
{
    SimTransport t;
    QSignalSpy lost(&t, &Transport::lost);
    t.open(port(), nullptr);
    t.pullCable(QStringLiteral("unplugged"));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.first().first().toString(), QStringLiteral("unplugged"));
    QVERIFY(!t.write(line("MUB")));
}

QTEST_GUILESS_MAIN(SimTransportTest)
#include "tst_simtransport.moc"
