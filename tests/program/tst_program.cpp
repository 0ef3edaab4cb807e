#include <QtTest>

#include "program/processes.h"

// The program binary as a fitter starts it: one copy per application folder.
class TstProgram : public QObject {
    Q_OBJECT

    static void start(QProcess &p, const QString &dir)
    {
        p.setProcessEnvironment(environmentWith("QT_QPA_PLATFORM", "offscreen"));
        p.start(KALIBRON_PATH, {"--app-dir", dir});
        QVERIFY(p.waitForStarted(5000));
    }

private slots:
    void secondCopyOnSameFolderEndsAtOnce_otherFolderRuns()
    {
        QTemporaryDir a, b;
        QProcess first, second, third;
        start(first, a.path());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(a.filePath(".kalibron.lock")), 10000);

        start(second, a.path());
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        start(third, b.path());
        QVERIFY(!third.waitForFinished(1500));   // still running on its own folder
        QCOMPARE(first.state(), QProcess::Running);
        stopProcess(first);
        stopProcess(third);
    }
};

QTEST_GUILESS_MAIN(TstProgram)
#include "tst_program.moc"
