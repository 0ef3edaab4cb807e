#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ecusim/simtestutil.h"

using namespace simtest;

class EcusimPtyTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_link;
    std::unique_ptr<QProcess> m_proc;
    std::unique_ptr<QSerialPort> m_port;

    void start(const QStringList &extra = {})
    {
        m_proc->start(QStringLiteral(ECUSIM_PATH), QStringList{QStringLiteral("--link"), m_link} + extra);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_link).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")), 5000);
        m_port = std::make_unique<QSerialPort>(m_link);
        m_port->setBaudRate(19200);
        QVERIFY(m_port->open(QIODevice::ReadWrite));
    }

    void exchange(const QByteArray &command, int wanted, QByteArray &got)
    {
        QVERIFY(m_port && m_port->isOpen());
        m_port->write(command);
        QTRY_VERIFY_WITH_TIMEOUT((got += m_port->readAll()).size() >= wanted, 3000);
    }

    void stop(int *exitCode)
    {
        QSignalSpy finished(m_proc.get(), &QProcess::finished);
        m_proc->terminate();
        QVERIFY(finished.wait(3000));
        QCOMPARE(m_proc->exitStatus(), QProcess::NormalExit);
        *exitCode = m_proc->exitCode();
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_link = m_dir.filePath(QStringLiteral("ecu"));
        m_proc = std::make_unique<QProcess>();
        m_proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }

    void cleanup()
    {
        m_port.reset();
        if (m_proc->state() != QProcess::NotRunning) {
            int code = 0;
            stop(&code);
        }
        QFile::remove(m_link);
    }

    // 66 characters of 10 bits at 19200 baud take 34 ms on a real wire.
    void identification_pacedAt19200_andSigtermEndsCleanly()
    {
        start();
        QElapsedTimer clock;
        clock.start();
        QByteArray r8;
        exchange(line("MUB"), 61, r8);
        QVERIFY2(clock.elapsed() >= 33, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(r8.size(), 61);
        QVERIFY(r8.startsWith("R8") && checksumOk(r8));
        m_port.reset();
        int code = -1;
        stop(&code);
        QCOMPARE(code, 0);
        QVERIFY(!QFileInfo(m_link).isSymLink());
    }

    void options_reachTheSimulator()
    {
        start({"--variant", "other", "--image-size", "60", "--fault", "short-rfn", "--baud", "0"});
        QByteArray r8, first, last, rfn;
        exchange(line("MUB"), 61, r8);
        QVERIFY(!(r8.mid(39, 3) + r8.mid(46, 2) + r8.mid(42, 4)).endsWith("AA"));
        exchange(line("MU2"), 191, first);
        exchange(line("MUA"), 191, last);
        QVERIFY(first.startsWith("RZ0000") && last.startsWith("RZ0001$"));
        exchange(line("MU3") + line("MUFN"), 58, rfn);
        QCOMPARE(rfn.size(), 58);
    }

    void existingLink_isReplaced_otherFile_isKept()
    {
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/device"), m_link));
        start();   // replaces the stale link with its own
        cleanup();
        init();

        QFile plain(m_link);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("keep me");
        plain.close();
        QSignalSpy finished(m_proc.get(), &QProcess::finished);
        m_proc->start(QStringLiteral(ECUSIM_PATH), {QStringLiteral("--link"), m_link});
        QVERIFY(finished.wait(3000));
        QVERIFY(m_proc->exitCode() != 0);
        QVERIFY(plain.open(QIODevice::ReadOnly));
        QCOMPARE(plain.readAll(), QByteArray("keep me"));
    }
};

QTEST_GUILESS_MAIN(EcusimPtyTest)
#include "tst_ecusim_pty.moc"
