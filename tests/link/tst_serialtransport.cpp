#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include "app/texts.h"
#include "link/link.h"
#include "link/serialtransport.h"
#include "link/transportfactory.h"
#include "live/chartmodel.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"
#include "support/fakelinkui.h"
#include "support/faketransport.h"

namespace {

// The master side of a pseudo-terminal; the slave's path is what the transport opens.
struct Pty {
    int master = -1;
    QString slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty() { hangUp(); }
    void hangUp()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    bool send(const QByteArray &bytes) { return ::write(master, bytes.data(), bytes.size()) == bytes.size(); }
    // What the transport wrote, waiting up to two seconds for `n` bytes.
    QByteArray receive(qsizetype n)
    {
        QByteArray got;
        QDeadlineTimer deadline(2000);
        while (got.size() < n && !deadline.hasExpired()) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, int(deadline.remainingTime())) <= 0)
                break;
            char buf[256];
            const ssize_t r = ::read(master, buf, sizeof buf);
            if (r <= 0)
                break;
            got.append(buf, r);
        }
        return got;
    }
};

PortSettings Settings(const QString &device)
{
    PortSettings s;
    s.device = device;
    return s;
}

} // namespace

class TestSerialTransport : public QObject {
    Q_OBJECT
private slots:
    void pty_carriesBytesBothWays_data();
    void pty_carriesBytesBothWays();
    void missingDevice_failsToOpenWithoutLost();
    void hangUp_reportsLostOnce();
    void errorKinds_onlyLossIsFatal();
    void factory_routesSimulatorNameToHook();
    void link_opensConfiguredDeviceAndSendsMub();
};

void TestSerialTransport::pty_carriesBytesBothWays_data()
{
    QTest::addColumn<char>("parity");
    QTest::addColumn<int>("stop");
    QTest::newRow("8N1") << 'N' << 10;
    QTest::newRow("even, two stop bits") << 'E' << 20;
    QTest::newRow("odd") << 'O' << 10;
}

void TestSerialTransport::pty_carriesBytesBothWays()
{
    QFETCH(char, parity);
    QFETCH(int, stop);
    Pty pty;
    QVERIFY(!pty.slave.isEmpty());
    SerialTransport port;
    PortSettings s = Settings(pty.slave);
    s.parity = parity;
    s.stopBitsTimes10 = stop;
    QString error;
    QVERIFY2(port.open(s, &error), qPrintable(error));
    QVERIFY(port.isOpen());
    QSignalSpy lost(&port, &Transport::lost);

    QVERIFY(port.write("MUB\r\n"));
    QCOMPARE(pty.receive(5), QByteArray("MUB\r\n"));

    QSignalSpy ready(&port, &Transport::readyRead);
    QVERIFY(pty.send("R1\r\n"));
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).size() >= 4, 2000);
    QCOMPARE(got, QByteArray("R1\r\n"));
    QVERIFY(ready.count() >= 1);
    QCOMPARE(lost.count(), 0);

    port.close();
    QVERIFY(!port.isOpen());
    QVERIFY(!port.write("MU3\r\n"));
}

void TestSerialTransport::missingDevice_failsToOpenWithoutLost()
{
    SerialTransport port;
    QSignalSpy lost(&port, &Transport::lost);
    QString error;
    QVERIFY(!port.open(Settings(QStringLiteral("/dev/no-such-serial-device")), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!port.isOpen());
    PortSettings bad = Settings(QStringLiteral("/dev/null"));
    bad.parity = 'X';
    QVERIFY(!port.open(bad, &error));
    QCOMPARE(lost.count(), 0);
}

void TestSerialTransport::hangUp_reportsLostOnce()
{
    Pty pty;
    SerialTransport port;
    QString error;
    QVERIFY2(port.open(Settings(pty.slave), &error), qPrintable(error));
    QSignalSpy lost(&port, &Transport::lost);
    pty.hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
    QVERIFY(!port.write("MU3\r\n"));
    QCOMPARE(lost.count(), 1);
}

void TestSerialTransport::errorKinds_onlyLossIsFatal()
{
    QVERIFY(!SerialTransport::ErroreFatale(QSerialPort::NoError));
    QVERIFY(!SerialTransport::ErroreFatale(QSerialPort::UnsupportedOperationError));
    QVERIFY(!SerialTransport::ErroreFatale(QSerialPort::TimeoutError));
    for (auto e : {QSerialPort::DeviceNotFoundError, QSerialPort::PermissionError, QSerialPort::ResourceError,
                   QSerialPort::WriteError, QSerialPort::ReadError, QSerialPort::UnknownError})
        QVERIFY(SerialTransport::ErroreFatale(e));
}

void TestSerialTransport::factory_routesSimulatorNameToHook()
{
    int made = 0;
    TransportFactory withSim = CreaTransportFactory([&made]() -> std::unique_ptr<Transport> {
        ++made;
        return std::make_unique<FakeTransport>();
    });
    QVERIFY(dynamic_cast<FakeTransport *>(withSim(QStringLiteral("SIMULATORE")).get()));
    QVERIFY(dynamic_cast<FakeTransport *>(withSim(QStringLiteral(" simulatore ")).get()));
    QCOMPARE(made, 2);
    QVERIFY(dynamic_cast<SerialTransport *>(withSim(QStringLiteral("/dev/ttyS0")).get()));
    QCOMPARE(made, 2);
    QVERIFY(!CreaTransportFactory()(QStringLiteral("SIMULATORE")));
}

void TestSerialTransport::link_opensConfiguredDeviceAndSendsMub()
{
    Pty pty;
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("CONFIG.INI")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[PORTE]\r\nCOM3=" + pty.slave.toLocal8Bit() + "\r\n");
    ini.close();

    FrameState frame;
    frame.PercorsoApp = dir.path();
    frame.ConfigSeriale.Porta = QStringLiteral("COM3");
    frame.ConfigSeriale.NomeParita = QStringLiteral("pari   ");
    LiveState live;
    MapModel map;
    ChartModel chart(live, dir.filePath(QStringLiteral("DATI_GRAF.GRF")));
    Recorder recorder(live);
    FakeLinkUi ui;
    Link link(frame, live, map, chart, recorder, ui, CreaTransportFactory(), LinkTiming{20, 200, 500, 200});
    link.Connetti();
    QVERIFY(link.portOpen());
    QVERIFY(ui.plainMessages.isEmpty());
    QCOMPARE(pty.receive(5), QByteArray("MUB\r\n"));
    QVERIFY(pty.send("R5\r\n"));   // not awaited in state 1: dropped
    pty.hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(!link.portOpen(), 3000);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages[0].text, TestoL(308, 4));
}

QTEST_GUILESS_MAIN(TestSerialTransport)
#include "tst_serialtransport.moc"
