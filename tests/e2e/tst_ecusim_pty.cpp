#include <QSerialPort>
#include <QtTest>

#include "ecusim/simtestutil.h"

using namespace simtest;

// The simulated ECU executable on its pseudo-terminal, as the program meets it.
class EcusimPtyTest : public QObject {
    Q_OBJECT
private slots:
    // 66 characters of 10 bits at 19200 baud take 34 ms on a real wire.
    void identification_pacedAt19200_andSigtermEndsCleanly()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ecu"));
        QProcess ecusim;
        ecusim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        ecusim.start(QStringLiteral(ECUSIM_PATH), {QStringLiteral("--link"), link});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")), 5000);
        {
            QSerialPort port(link);
            port.setBaudRate(19200);
            QVERIFY(port.open(QIODevice::ReadWrite));
            QElapsedTimer clock;
            clock.start();
            port.write(line("MUB"));
            QByteArray r8;
            QTRY_VERIFY_WITH_TIMEOUT((r8 += port.readAll()).size() >= 61, 3000);
            QVERIFY2(clock.elapsed() >= 33, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(r8.size(), 61);
            QVERIFY(r8.startsWith("R8") && checksumOk(r8));
        }
        QSignalSpy finished(&ecusim, &QProcess::finished);
        ecusim.terminate();
        QVERIFY(finished.wait(3000));
        QCOMPARE(ecusim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(ecusim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(EcusimPtyTest)
#include "tst_ecusim_pty.moc"
