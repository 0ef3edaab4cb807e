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
private slots:
    void init();
    void cleanup();
    void identification_overTheLinkAt19200();
    void variantAndFaultOptions_reachTheSimulator();
    void sigterm_exitsCleanlyAndRemovesTheLink();
    void existingLink_isReplaced_otherFile_isKept();
    void help_listsOptionsAndFaults();

private:
    bool start(const QStringList &extra = {});
    QByteArray exchange(const QByteArray &command, int wanted);

    QTemporaryDir m_dir;
    QString m_link;
    QProcess *m_proc = nullptr;
    QSerialPort *m_port = nullptr;
};

void EcusimPtyTest::init()
{
    QVERIFY(m_dir.isValid());
    m_link = m_dir.filePath(QStringLiteral("ecu"));
    m_proc = new QProcess(this);
    m_proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

void EcusimPtyTest::cleanup()
{
    delete m_port;
    m_port = nullptr;
    if (m_proc->state() != QProcess::NotRunning) {
        QSignalSpy finished(m_proc, &QProcess::finished);
        m_proc->terminate();
        finished.wait(3000);
    }
    delete m_proc;
    m_proc = nullptr;
}

bool EcusimPtyTest::start(const QStringList &extra)
{
    m_proc->start(QStringLiteral(ECUSIM_PATH), QStringList{QStringLiteral("--link"), m_link} + extra);
    QByteArray said;
    QElapsedTimer clock;
    clock.start();
    while (!said.contains('\n') && clock.elapsed() < 5000 && m_proc->state() != QProcess::NotRunning) {
        QSignalSpy spy(m_proc, &QProcess::readyReadStandardOutput);
        if (m_proc->bytesAvailable() == 0)
            spy.wait(500);
        said += m_proc->readAllStandardOutput();
    }
    if (!said.startsWith("ecusim: ") || !QFileInfo(m_link).isSymLink())
        return false;
    m_port = new QSerialPort(m_link);
    m_port->setBaudRate(19200);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    return m_port->open(QIODevice::ReadWrite);
}

QByteArray EcusimPtyTest::exchange(const QByteArray &command, int wanted)
{
    m_port->write(command);
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < wanted && clock.elapsed() < 3000) {
        QSignalSpy spy(m_port, &QSerialPort::readyRead);
        if (m_port->bytesAvailable() == 0)
            spy.wait(200);
        got += m_port->readAll();
    }
    return got;
}

void EcusimPtyTest::identification_overTheLinkAt19200()
{
    QVERIFY(start());
    QElapsedTimer clock;
    clock.start();
    const QByteArray r8 = exchange(line("MUB"), 61);
    const qint64 took = clock.elapsed();
    QCOMPARE(r8.size(), 61);
    QVERIFY(r8.startsWith("R8"));
    QVERIFY(checksumOk(r8));
    // 66 characters of 10 bits at 19200 baud take 34 ms on a real wire.
    QVERIFY2(took >= 33, qPrintable(QString::number(took)));
}

void EcusimPtyTest::variantAndFaultOptions_reachTheSimulator()
{
    QVERIFY(start({QStringLiteral("--variant"), QStringLiteral("other"), QStringLiteral("--image-size"),
                   QStringLiteral("60"), QStringLiteral("--fault"), QStringLiteral("short-rfn"),
                   QStringLiteral("--baud"), QStringLiteral("0")}));
    const QByteArray r8 = exchange(line("MUB"), 61);
    QCOMPARE(r8.size(), 61);
    QVERIFY(!(r8.mid(39, 3) + r8.mid(46, 2) + r8.mid(42, 4)).endsWith("AA"));
    QVERIFY(exchange(line("MU2"), 191).startsWith("RZ0000"));
    QVERIFY(exchange(line("MUA"), 191).startsWith("RZ0001$"));
    QCOMPARE(exchange(line("MU3") + line("MUFN"), 58).size(), 58);
}

void EcusimPtyTest::sigterm_exitsCleanlyAndRemovesTheLink()
{
    QVERIFY(start());
    QSignalSpy finished(m_proc, &QProcess::finished);
    m_proc->terminate();
    QVERIFY(finished.wait(3000));
    QCOMPARE(m_proc->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_proc->exitCode(), 0);
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

void EcusimPtyTest::existingLink_isReplaced_otherFile_isKept()
{
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/device"), m_link));
    QVERIFY(start());
    QVERIFY(QFileInfo(m_link).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));
    cleanup();
    init();

    QFile plain(m_link);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("keep me");
    plain.close();
    QSignalSpy finished(m_proc, &QProcess::finished);
    m_proc->start(QStringLiteral(ECUSIM_PATH), {QStringLiteral("--link"), m_link});
    QVERIFY(finished.wait(3000));
    QVERIFY(m_proc->exitCode() != 0);
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QCOMPARE(plain.readAll(), QByteArray("keep me"));
}

void EcusimPtyTest::help_listsOptionsAndFaults()
{
    QSignalSpy finished(m_proc, &QProcess::finished);
    m_proc->start(QStringLiteral(ECUSIM_PATH), {QStringLiteral("--help")});
    QVERIFY(finished.wait(3000));
    QCOMPARE(m_proc->exitCode(), 0);
    const QString help = QString::fromLocal8Bit(m_proc->readAllStandardOutput());
    for (const char *word : {"--link", "--baud", "--variant", "--fault", "--rate", "--image-size", "no-reply",
                             "bad-checksum", "reject-block", "short-r8", "old-id", "noise", "split", "join",
                             "live-stops", "state-below-6000", "short-rfn"})
        QVERIFY2(help.contains(QLatin1String(word)), word);
}

QTEST_GUILESS_MAIN(EcusimPtyTest)
#include "tst_ecusim_pty.moc"
