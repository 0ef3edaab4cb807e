#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The real program in a real X window (Xvfb), driven with xdotool, talking to
// the ecusim executable over a pseudo-terminal, as a fitter would use it.
class TstProgramE2e : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_xvfb, m_sim, m_app;
    QString m_display;

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

    QByteArray xdotool(const QStringList &args, int timeoutMs = 15000)
    {
        QProcess x;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        x.setProcessEnvironment(env);
        x.start("xdotool", args);
        if (!x.waitForFinished(timeoutMs)) {
            x.kill();
            x.waitForFinished();
            return {};
        }
        return x.readAllStandardOutput().trimmed();
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"Xvfb", "xdotool"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(QString("%1 is not installed (scripts/setup installs it)").arg(tool)));
        QVERIFY(m_dir.isValid());
        int n = 91;
        while (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)) || QFile::exists(QString("/tmp/.X%1-lock").arg(n)))
            ++n;
        m_display = QString(":%1").arg(n);
        m_xvfb.start("Xvfb", {m_display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        QVERIFY(m_xvfb.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)), 10000);
    }

    void cleanupTestCase()
    {
        stop(m_app);
        stop(m_sim);
        stop(m_xvfb);
    }

    void connectStreamScrollDisconnect()
    {
        const QString link = m_dir.filePath("ttyECU");
        m_sim.start(ECUSIM_PATH, {"--link", link, "--baud", "19200"});
        QVERIFY(m_sim.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(link), 10000);

        QFile cfg(m_dir.filePath("CONFIG.INI"));
        QVERIFY(cfg.open(QIODevice::WriteOnly));
        cfg.write("[SERIALE]\r\nCOM=COM1\r\nBAUD_RATE=19200\r\n[PORTE]\r\nCOM1=" + link.toLocal8Bit() + "\r\n");
        cfg.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        env.remove("QT_QPA_PLATFORM");
        env.insert("QT_QPA_PLATFORM", "xcb");
        m_app.setProcessEnvironment(env);
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start(KALIBRON_PATH, {"--app-dir", m_dir.path()});
        QVERIFY(m_app.waitForStarted(5000));

        QByteArray win;
        QTRY_VERIFY_WITH_TIMEOUT(!(win = xdotool({"search", "--onlyvisible", "--name", "VARSENO"})).isEmpty(), 20000);
        win = win.split('\n').first();
        xdotool({"windowfocus", "--sync", win});
        xdotool({"key", "ctrl+F1"});

        // The whole image is read (about 10 s of wire time at 19200 baud).
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath("LETTURAN.PRG")), 60000);
        QVERIFY(QFileInfo(m_dir.filePath("LETTURA.PRG")).size() >= 2900 * 14);
        // Live samples run past the chart's right edge: the first scroll spills them to file.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_dir.filePath("DATI_GRAF.GRF")).size() >= 90 * 130, 90000);
        QCOMPARE(QFileInfo(m_dir.filePath("DATI_GRAF.GRF")).size() % 130, 0);

        xdotool({"windowfocus", "--sync", win});
        xdotool({"key", "ctrl+F10"});
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(m_dir.filePath("LETTURA.PRG"))
                                     && !QFile::exists(m_dir.filePath("LETTURAN.PRG")), 15000);
        QCOMPARE(m_app.state(), QProcess::Running);
        QCOMPARE(m_sim.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TstProgramE2e)
#include "tst_program_e2e.moc"
