#include <QSerialPort>
#include <QtTest>

#include "ecusim/simtestutil.h"

using namespace simtest;

// The simulated ECU executable on its pseudo-terminal, as the program meets it.
class EcusimPtyTest : public QObject {
    Q_OBJECT
private slots:
    // 66 characters of 10 bits at 19200 baud take 34 ms on a real wire, handed
    // over character by character or in chunks as a USB adapter does.
    void identification_pacedAt19200_andSigtermEndsCleanly_data()
    {
        QTest::addColumn<QString>("chunkMs");
        QTest::newRow("per character") << QStringLiteral("0");
        QTest::newRow("16 ms chunks") << QStringLiteral("16");
    }
    void identification_pacedAt19200_andSigtermEndsCleanly()
    {
        QFETCH(QString, chunkMs);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ecu"));
        QProcess ecusim;
        ecusim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        ecusim.start(QStringLiteral(ECUSIM_PATH),
                     {QStringLiteral("--link"), link, QStringLiteral("--chunk-ms"), chunkMs});
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
            QCOMPARE(r8, Simulator().identification());
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
