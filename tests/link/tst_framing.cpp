#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "link/framing.h"
#include "link/link.h"
#include "link/serialtransport.h"
#include "link/wiretrace.h"
#include "support/ecuframes.h"
#include "support/faketransport.h"
#include "support/linkrig.h"

namespace {

// Every frame one run gives, up to the first Fine.
QByteArrayList CutRun(QByteArray &buffer)
{
    QByteArrayList out;
    QByteArray frame;
    while (EstraiFrame(buffer, &frame) == CutResult::Frame)
        out.append(frame);
    return out;
}

// A FakeTransport that keeps what the link asked of its wake-ups.
class LinePort : public FakeTransport {
public:
    void setWakeOnLineEnd(bool on) override { wholeLines = on; }
    bool wholeLines = false;
};

// A link streaming live data from a fake ECU, with every accepted duty cycle noted in order.
struct Streaming : LinkRig {
    QPointer<LinePort> port;
    QStringList dutyCycles;

    explicit Streaming(int interpretMs = 60000)
    {
        makeLink(
            [this](const QString &) -> std::unique_ptr<Transport> {
                auto p = std::make_unique<LinePort>();
                port = p.get();
                return p;
            },
            LinkTiming{interpretMs, 60000, 60000, 60000});
        QObject::connect(link.get(), &Link::liveFrameAccepted, link.get(),
                         [this] { dutyCycles << live.LiveSample[0].Field[8].trimmed(); });
    }
    ~Streaming() { dropLink(); }

    void connectAndRead()
    {
        link->Connetti();
        port->feed(R8() + Rz(0, 1, '$'));
        port->feed(Rfn());
        QVERIFY(link->state().EcuReady);
    }
};

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

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void checksum_isLowByteAsTwoDigitsFrom48()
    {
        QCOMPARE(SommaControllo("abc"), QByteArray("26"));
        QCOMPARE(SommaControllo("\xc8\x01"), QByteArray("<9"));   // unsigned bytes; nibbles above 9 go past '9'
        QCOMPARE(SommaControllo(QByteArray(3, '\xff')), QByteArray("?="));
    }

    void frames_surviveSplitAtEveryByte()
    {
        const QByteArray r8 = Checksummed("R8x3101202407150620230"
                                          "0MAT12345LOT001T1ABC1234AALXX5678BB");
        const QByteArray live = "DB" + QByteArray(126, '1') + "B\r\n";
        const QByteArrayList frames{r8, "R1\r\n", live, Checksummed("Rga")};
        const QByteArray stream = frames.join();
        for (int cut = 0; cut <= stream.size(); ++cut) {
            QByteArray buffer = stream.left(cut);
            QByteArrayList got = CutRun(buffer);
            buffer += stream.mid(cut);
            got += CutRun(buffer);
            QCOMPARE(got, frames);
            QVERIFY(buffer.isEmpty());
        }
    }

    void cutter_handlesEachRule_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<QByteArray>("rest");
        const QByteArray rga = Checksummed("Rga");
        QByteArray bad = Checksummed("RZ000");
        bad[5] = '1';
        QTest::newRow("noise before a reply") << "\x01zz?" + rga << QByteArrayList{rga} << QByteArray();
        QTest::newRow("half a frame waits") << QByteArray("R1\r") << QByteArrayList{} << QByteArray("R1\r");
        QTest::newRow("bad checksum ends the run") << "R5\r\n" + bad + "R6\r\n"
                                                   << QByteArrayList{"R5\r\n"} << QByteArray("R6\r\n");
        QTest::newRow("short checksummed line") << "RZ\n" + rga << QByteArrayList{} << rga;
        QTest::newRow("D inside a payload cuts it") << Checksummed("R8abcD123") << QByteArrayList{} << QByteArray();
        QTest::newRow("F before R: cut to the R") << QByteArray("FxR1\r\n") << QByteArrayList{"R1\r\n"} << QByteArray();
        QTest::newRow("two frames in one piece") << "R5\r\n" + rga << QByteArrayList{"R5\r\n", rga} << QByteArray();
        // A burst of empty lines goes in one run: it must not hold a reply back by a tick per line.
        QTest::newRow("empty lines before a reply")
            << QByteArray("\r\n").repeated(40) + " \r\n" + rga << QByteArrayList{rga} << QByteArray();
        QTest::newRow("only empty lines") << QByteArray("\r\n").repeated(40) << QByteArrayList{} << QByteArray();
    }
    void cutter_handlesEachRule()
    {
        QFETCH(QByteArray, buffer);
        QTEST(CutRun(buffer), "frames");
        QTEST(buffer, "rest");
    }

    // Whole lines past 64 KiB: the newest 64 KiB stay, cut on a line boundary here; a line
    // without an end is held to 4 KiB so noise cannot fill the buffer either.
    void receiveBuffer_keepsTheNewest64KiB()
    {
        QByteArray stream;
        for (int n = 0; n < 10000; ++n)
            stream += 'R' + QByteArray::number(n).rightJustified(5, '0') + "\r\n";   // 8 bytes a line
        QByteArray buffer = stream;
        LimitaBuffer(buffer);
        QCOMPARE(buffer, stream.right(65536));
        const QByteArrayList frames = CutRun(buffer);
        QCOMPARE(frames.size(), 8192);
        QCOMPARE(frames.first(), QByteArray("R01808\r\n"));

        QByteArray partial = "R1\r\n" + QByteArray(5000, 'x');
        LimitaBuffer(partial);
        QCOMPARE(partial, "R1\r\n" + QByteArray(4096, 'x'));
    }

    void mz_numbersBlocksAndFlagsTheLast()
    {
        QByteArray image;
        for (int v = 0; v < 900; ++v)
            image += CampoSei(qint64(v));   // 5400 characters
        QCOMPARE(NumeroBlocchiMZ(image.size()), 30);
        QByteArray data;
        for (int b = 0; b < 30; ++b) {
            const QByteArray line = ComandoMZ(image, b);
            QCOMPARE(line.left(6), "MZ" + QByteArray::number(b).rightJustified(3, '0') + (b == 29 ? '$' : '0'));
            QCOMPARE(line, Checksummed(line.left(186)));
            data += line.mid(6, 180);
        }
        QCOMPARE(data, image);
        QVERIFY(ComandoMZ(image, 30).isEmpty());
        QCOMPARE(ComandoMZ(image + "000001", 30).left(12), QByteArray("MZ030$000001"));
    }

    void mga_keepsLastSixCharactersOfEachField()
    {
        QCOMPARE(ComandoMGA(68, -12), Checksummed("MGA000068000-12"));
        QCOMPARE(ComandoMGA(149, 1234567), Checksummed("MGA000149234567"));
        QCOMPARE(ComandoMGA(18, -2.5), Checksummed("MGA0000180000-3"));   // halves away from zero
    }

    // Until its LF comes a line cannot be a frame: the pieces before it cost no
    // pass of the interpreter, and the piece that ends it is acted on at once.
    void fragmentWithoutLf_onlyWaits_data()
    {
        QTest::addColumn<int>("cut");
        QTest::newRow("frame type only") << 1;
        QTest::newRow("inside a field") << 40;
        QTest::newRow("up to the CR") << 130;
    }
    void fragmentWithoutLf_onlyWaits()
    {
        QFETCH(int, cut);
        Streaming s;
        s.connectAndRead();
        const QByteArray frame = Live("6000", "1234");
        const quint64 passes = s.link->interpretPasses();
        const QByteArray before = s.link->state().BufferRx;

        s.port->feed(frame.left(cut));
        QCOMPARE(s.link->interpretPasses(), passes);
        QCOMPARE(s.link->state().BufferRx, before + frame.left(cut));
        QVERIFY(s.dutyCycles.isEmpty());

        s.port->feed(frame.mid(cut));
        QCOMPARE(s.link->interpretPasses(), passes + 1);
        QCOMPARE(s.dutyCycles, QStringList{"12.34"});
        QVERIFY(s.link->state().BufferRx.isEmpty());
    }

    // Whatever the pieces, the same frames are acted on in the same order, each
    // as soon as the piece holding its LF has come.
    void framesSplitAnywhere_keepTheirOrder()
    {
        // An empty line and noise between the frames, as a line with interference brings them.
        const QByteArray stream = Live("6000", "1111") + "\r\n" + Live("6000", "2222") + "zz" + Live("6000", "3333");
        const QStringList expected{"11.11", "22.22", "33.33"};
        QList<qsizetype> frameEnds;   // the LF of each live frame
        for (qsizetype from = 0, lf; (lf = stream.indexOf('\n', from)) >= 0; from = lf + 1) {
            if (stream.mid(from, lf - from).contains('D'))
                frameEnds << lf;
        }
        QCOMPARE(frameEnds.size(), 3);
        Streaming s;
        s.connectAndRead();
        for (int cut = 0; cut <= stream.size(); ++cut) {
            s.dutyCycles.clear();
            const quint64 passes = s.link->interpretPasses();
            s.port->feed(stream.left(cut));
            const auto complete =
                std::count_if(frameEnds.begin(), frameEnds.end(), [cut](qsizetype lf) { return lf < cut; });
            QCOMPARE(s.dutyCycles, expected.mid(0, complete));
            s.port->feed(stream.mid(cut));
            QCOMPARE(s.dutyCycles, expected);
            const int piecesWithLf = int(stream.left(cut).contains('\n')) + int(stream.mid(cut).contains('\n'));
            QCOMPARE(s.link->interpretPasses(), passes + piecesWithLf);
        }
    }

    // A bad checksum ends a pass; what follows it waits for the tick, and a
    // fragment arriving meanwhile does not bring it forward.
    void afterBadChecksum_theTickTakesTheRest()
    {
        Streaming s;
        s.connectAndRead();
        QByteArray bad = Checksummed("R4xx");
        bad[3] = 'y';
        s.port->feed(bad + Live("6000", "4000"));
        QVERIFY(s.dutyCycles.isEmpty());
        s.port->feed("DB ");
        QVERIFY(s.dutyCycles.isEmpty());
        s.link->InterpretaBuffer();
        QCOMPARE(s.dutyCycles, QStringList{"40.00"});
        QCOMPARE(s.link->state().BufferRx, QByteArray("DB "));
    }

    // The port may hold a line back until its end, except while the wire trace
    // runs: the trace keeps the time each piece came.
    void portWakesOnLineEnds_unlessTracing()
    {
        Streaming s(5);
        s.connectAndRead();
        QVERIFY(s.port->wholeLines);
        WireTrace trace;
        s.link->setWireTrace(&trace);
        QVERIFY(trace.start(s.dir.path()));
        QTRY_VERIFY_WITH_TIMEOUT(!s.port->wholeLines, 2000);
        trace.stop();
        QTRY_VERIFY_WITH_TIMEOUT(s.port->wholeLines, 2000);

        s.link->Disconnetti();
        QVERIFY(trace.start(s.dir.path()));
        s.link->Connetti();
        QVERIFY(s.port && s.port->isOpen() && !s.port->wholeLines);
        s.link->setWireTrace(nullptr);
    }

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
        QTEST(SerialTransport::CausaApertura(error, text), "cause");
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

    // Waking on line ends changes nothing of what arrives: every byte but LF is data, whatever a terminal would make of
    // it (erase, kill, end of input, signals, flow control, CR), and with it the whole line comes in one piece.
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

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
