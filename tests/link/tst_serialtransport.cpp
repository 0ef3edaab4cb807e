#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "link/serialtransport.h"

namespace {

// The master side of a pseudo-terminal; the transport opens the slave.
struct Pty {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    PortSettings settings;
    Pty()
    {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            settings.device = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty() { hangUp(); }
    void hangUp()
    {
        if (master >= 0)
            ::close(std::exchange(master, -1));
    }
    // What the transport wrote, waiting up to two seconds for `n` bytes.
    QByteArray receive(qsizetype n)
    {
        QByteArray got;
        char buf[256];
        QDeadlineTimer deadline(2000);
        for (pollfd p{master, POLLIN, 0}; got.size() < n && poll(&p, 1, int(deadline.remainingTime())) > 0;) {
            const ssize_t r = ::read(master, buf, sizeof buf);
            if (r <= 0)
                break;
            got.append(buf, r);
        }
        return got;
    }
};

}   // namespace

Q_DECLARE_METATYPE(PortFault)

class TestSerialTransport : public QObject {
    Q_OBJECT
private slots:
    // One error code stands for several causes; the system's text (in whatever
    // language the C library speaks) tells them apart.
    void openCause_fromCodeAndSystemText_data()
    {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<QString>("text");
        QTest::addColumn<PortFault>("cause");
        QTest::newRow("no such file") << QSerialPort::DeviceNotFoundError << qt_error_string(ENOENT)
                                      << PortFault::NoDevice;
        QTest::newRow("access denied") << QSerialPort::PermissionError << qt_error_string(EACCES)
                                       << PortFault::NoPermission;
        QTest::newRow("device busy") << QSerialPort::PermissionError << qt_error_string(EBUSY) << PortFault::Busy;
        QTest::newRow("lock file taken") << QSerialPort::PermissionError
                                         << QStringLiteral("Permission error while locking the device")
                                         << PortFault::Busy;
        QTest::newRow("i/o error: no chip behind a ttyS")
            << QSerialPort::ResourceError << qt_error_string(EIO) << PortFault::NoDevice;
        QTest::newRow("not a terminal") << QSerialPort::UnsupportedOperationError << qt_error_string(ENOTTY)
                                        << PortFault::Other;
    }
    void openCause_fromCodeAndSystemText()
    {
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(QString, text);
        QFETCH(PortFault, cause);
        QCOMPARE(SerialTransport::CausaApertura(error, text), cause);
    }

    // The same from the real system, with its own words kept for the log.
    void open_refusedByTheSystem_saysWhy()
    {
        QTemporaryDir dir;
        Pty pty;
        SerialTransport holder, port;
        QString error;
        QVERIFY2(holder.open(pty.settings, &error), qPrintable(error));
        const std::pair<QString, PortFault> cases[] = {
            {dir.filePath("ttyUSB0"), PortFault::NoDevice},
            {pty.settings.device, PortFault::Busy},
        };
        for (const auto &[device, cause] : cases) {
            PortSettings settings;
            settings.device = device;
            QVERIFY(!port.open(settings, &error) && !port.isOpen());
            QCOMPARE(port.lastFault(), cause);
            QVERIFY(!error.isEmpty());
            QCOMPARE(port.lastErrorText(), error);
        }
    }

    void pty_carriesBytesBothWaysDespiteModemLines()
    {
        Pty pty;
        QVERIFY(!pty.settings.device.isEmpty());
        pty.settings.parity = 'E';
        pty.settings.stopBitsTimes10 = 20;
        SerialTransport port;
        QString error;
        QVERIFY2(port.open(pty.settings, &error), qPrintable(error));
        QSignalSpy lost(&port, &Transport::lost);
        QVERIFY(port.write("MUB\r\n"));
        QCOMPARE(pty.receive(5), QByteArray("MUB\r\n"));

        QCOMPARE(::write(pty.master, "R1\r\n", 4), ssize_t(4));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).size() >= 4, 2000);
        QCOMPARE(got, QByteArray("R1\r\n"));
        QCOMPARE(lost.count(), 0);
        // The modem-line requests a pseudo-terminal refuses must not end the link; a vanished device must.
        QVERIFY(!SerialTransport::ErroreFatale(QSerialPort::UnsupportedOperationError));
        QVERIFY(SerialTransport::ErroreFatale(QSerialPort::ResourceError));
        port.close();
        QVERIFY(!port.isOpen() && !port.write("MU3\r\n"));
    }

    // Waking on line ends changes nothing of what arrives: every byte but LF is
    // data, whatever a terminal would make of it (erase, kill, end of input,
    // signals, flow control, CR), and with it the whole line comes in one piece.
    void lineEnds_everyByteArrivesAsSent_data()
    {
        QTest::addColumn<bool>("lineEnds");
        QTest::newRow("waking on line ends") << true;
        QTest::newRow("waking on every arrival") << false;
    }
    void lineEnds_everyByteArrivesAsSent()
    {
        QFETCH(bool, lineEnds);
        Pty pty;
        SerialTransport port;
        QString error;
        QVERIFY2(port.open(pty.settings, &error), qPrintable(error));
        port.setWakeOnLineEnd(lineEnds);
        termios tio{};
        QCOMPARE(::tcgetattr(pty.master, &tio), 0);   // the slave's settings, seen from the master
        QCOMPARE(bool(tio.c_lflag & ICANON), lineEnds);
        QVERIFY(!(tio.c_lflag & (ISIG | IEXTEN | ECHO)));

        QByteArray line;
        for (int b = 0; b < 256; ++b)
            line += b == '\n' ? '\r' : char(b);
        line += '\n';
        QSignalSpy ready(&port, &Transport::readyRead);
        QCOMPARE(::write(pty.master, line.constData(), size_t(line.size())), ssize_t(line.size()));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).size() >= line.size(), 2000);
        QCOMPARE(got, line);
        if (lineEnds)
            QCOMPARE(ready.count(), 1);
    }

    // Bytes held back for their line end are not lost when the port goes back to waking on every arrival.
    void lineEnds_switchedOff_releasesTheHeldFragment()
    {
        Pty pty;
        SerialTransport port;
        QString error;
        QVERIFY2(port.open(pty.settings, &error), qPrintable(error));
        port.setWakeOnLineEnd(true);
        QCOMPARE(::write(pty.master, "R1\r\nDB 12", 9), ssize_t(9));
        QByteArray got;
        QTRY_COMPARE_WITH_TIMEOUT(got += port.readAll(), QByteArray("R1\r\n"), 2000);
        port.setWakeOnLineEnd(false);
        QTRY_COMPARE_WITH_TIMEOUT(got += port.readAll(), QByteArray("R1\r\nDB 12"), 2000);
    }

    void hangUp_reportsLostOnce()
    {
        Pty pty;
        SerialTransport port;
        QString error;
        QVERIFY2(port.open(pty.settings, &error), qPrintable(error));
        QSignalSpy lost(&port, &Transport::lost);
        pty.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
        QVERIFY(!port.write("MU3\r\n"));
        QCOMPARE(lost.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialTransport)
#include "tst_serialtransport.moc"
