#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program binary as a fitter starts it: one copy per application folder.
class TstProgram : public QObject {
    Q_OBJECT

    static void start(QProcess &p, const QString &dir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(KALIBRON_PATH, {"--app-dir", dir});
        QVERIFY(p.waitForStarted(5000));
    }

    static void stop(QProcess &p)
    {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(2000);
        }
    }

private slots:
    void secondCopyOnSameFolderEndsAtOnce_otherFolderRuns()
    {
        QTemporaryDir a, b;
        QProcess first, second, third;
        start(first, a.path());
        // Let the first copy take its lock.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(a.filePath(".kalibron.lock")), 10000);

        start(second, a.path());
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(first.state() == QProcess::Running);

        start(third, b.path());
        QVERIFY(!third.waitForFinished(1500)); // still running on its own folder
        QVERIFY(first.state() == QProcess::Running);
        stop(first);
        stop(third);
    }

    void badCommandLineIsRefused()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(KALIBRON_PATH, {"--app-dir", "/no/such/folder/at/all"});
        QVERIFY(p.waitForFinished(10000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(p.readAllStandardError().contains("no such folder"));
    }
};

QTEST_GUILESS_MAIN(TstProgram)
#include "tst_program.moc"
