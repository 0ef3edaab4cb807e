#include <QtTest>

#include "program/processes.h"
#include "support/files.h"

// The real program in a real X window (Xvfb), driven with xdotool, talking to
// the ecusim executable over a pseudo-terminal, as a fitter would use it.
class TstProgramE2e : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_xvfb, m_sim, m_app;
    QString m_display, m_win;

    QByteArray xdotool(const QStringList &args)
    {
        QProcess x;
        x.setProcessEnvironment(environmentWith("DISPLAY", m_display));
        x.start("xdotool", args);
        if (!x.waitForFinished(15000)) {
            stopProcess(x);
            return {};
        }
        return x.readAllStandardOutput().trimmed();
    }

    // Steps in the program's window: "+" focuses it, "~ms" waits, "'text" is typed, anything else is a key.
    void drive(const QStringList &steps)
    {
        for (const QString &step : steps) {
            if (step == "+")
                xdotool({"windowfocus", "--sync", m_win});
            else if (step.startsWith('~'))
                QTest::qWait(step.mid(1).toInt());
            else
                xdotool({step.startsWith('\'') ? "type" : "key", step.startsWith('\'') ? step.mid(1) : step});
        }
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"Xvfb", "xdotool"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(QString("%1 is not installed (scripts/setup installs it)").arg(tool)));
        // Xvfb picks a free display itself: parallel sessions cannot take the same one.
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += m_xvfb.readAllStandardOutput()).endsWith('\n'), 10000);
        m_display = ":" + QString::fromLatin1(said.trimmed());
        // Under load the server may announce itself before it takes clients.
        QTRY_VERIFY_WITH_TIMEOUT(!xdotool({"getdisplaygeometry"}).isEmpty(), 20000);
    }

    void cleanupTestCase()
    {
        stopProcess(m_app);
        stopProcess(m_sim);
        stopProcess(m_xvfb);
    }

    void connectStreamRecordSaveMapsDisconnect()
    {
        const QString link = m_dir.filePath("ttyECU");
        m_sim.start(ECUSIM_PATH, {"--link", link, "--baud", "19200"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(link), 10000);
        QVERIFY(WriteFile(m_dir.filePath("CONFIG.INI"), "[SERIALE]\r\nCOM=COM1\r\nBAUD_RATE=19200\r\n[PORTE]\r\nCOM1="
                                                            + link.toLocal8Bit() + "\r\n"));
        QVERIFY(WriteFile(m_dir.filePath("KALIBRON.INI"), "[IMPOSTAZIONI]\r\nLINGUA=1\r\nDiscoAggiornamento="
                                                              + m_dir.filePath("USB").toLocal8Bit() + "\r\n"));
        QVERIFY(QDir().mkpath(m_dir.filePath("USB")));

        QProcessEnvironment env = environmentWith("DISPLAY", m_display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("QT_LOGGING_RULES");   // a failure to reach the display must say why
        m_app.setProcessEnvironment(env);
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start(KALIBRON_PATH, {"--app-dir", m_dir.path()});
        QByteArray win;
        QTRY_VERIFY_WITH_TIMEOUT(!(win = xdotool({"search", "--onlyvisible", "--name", "VARSENO"})).isEmpty()
                                     || m_app.state() == QProcess::NotRunning,
                                 20000);
        QVERIFY2(m_app.state() == QProcess::Running, qPrintable("the program ended at start on display " + m_display
                                                                + ": " + m_xvfb.readAllStandardError().right(500)));
        m_win = QString::fromLatin1(win.split('\n').first());
        drive({"+", "ctrl+F1"});

        // The whole image is read (about 10 s of wire time at 19200 baud). The image grows block by block:
        // still for the program's 5 s reply watchdog and a margin, the read has stopped.
        QElapsedTimer still;
        still.start();
        for (qint64 size = -1; !QFile::exists(m_dir.filePath("LETTURAN.PRG")) && still.elapsed() < 8000;) {
            QTest::qWait(50);
            if (const qint64 now = QFileInfo(m_dir.filePath("LETTURA.PRG")).size(); now != size)
                size = now, still.restart();
        }
        QVERIFY(QFile::exists(m_dir.filePath("LETTURAN.PRG")));
        QVERIFY(QFileInfo(m_dir.filePath("LETTURA.PRG")).size() >= 2900 * 14);
        // Live samples run past the chart's right edge: the first scroll spills them to file.
        // A closed link deletes the image: no point waiting for samples then.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_dir.filePath("DATI_GRAF.GRF")).size() >= 90 * 130
                                     || !QFile::exists(m_dir.filePath("LETTURA.PRG")),
                                 90000);
        QVERIFY(QFile::exists(m_dir.filePath("LETTURA.PRG")));
        QCOMPARE(QFileInfo(m_dir.filePath("DATI_GRAF.GRF")).size() % 130, 0);

        // A recording through the real dialog: F2, model, Enter past the description, file name, F1; F5 stops it.
        drive({"+", "F2", "~800", "'FIAT", "Return", "Return", "'PROVA", "F1"});
        const QString dat = m_dir.filePath("DIR_DATI/FIAT/PROVA.DAT");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dat).size() >= 5 * 145, 20000);   // header and samples within 2 s
        // Return answers the offer to view the recording just made: No is the default.
        drive({"+", "F5", "~1000", "Return"});
        const qint64 stopped = QFileInfo(dat).size();
        QCOMPARE(stopped % 145, 0);
        QTest::qWait(2500);
        QCOMPARE(QFileInfo(dat).size(), stopped);   // nothing more after the stop
        QVERIFY(QFile::exists(m_dir.filePath("DIR_DATI/ARCHDATI.MDB")));

        // The map just read, saved twice through the real dialog: version 1, then version 2.
        const QString model = m_dir.filePath("FILER42/AUTOADATT/FIAT/");
        auto savedMap = [&](int version) {
            const QDir dir(model + QString("CENTRAL%1").arg(version));
            const QStringList maps = dir.entryList({"C_*02.R42"}, QDir::Files);
            return maps.isEmpty() ? QString() : dir.filePath(maps.first());
        };
        for (int version = 1; version <= 2; ++version) {
            drive({"+", "shift+F2", "~800", "'FIAT", "Return", "'PANDA", "Return"});
            drive(QStringList(version, "Down") + QStringList{"Return", "'IAW59F", "Return", "F1"});
            QTRY_VERIFY_WITH_TIMEOUT(!savedMap(version).isEmpty(), 10000);
            drive({"~500", "Return", "~300", "Escape"});   // "Memorizzazione avvenuta correttamente!"
        }
        QFile map(savedMap(1));
        QVERIFY(map.open(QIODevice::ReadOnly) && map.readLine().startsWith("S0"));

        // An update disk for the model, written to the folder KALIBRON.INI names; Return to "insert the disk".
        drive({"~500", "+", "shift+F5", "~800", "Home", "space", "F1", "~800", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath("USB/AUTOADATT.DAT")), 10000);
        QVERIFY(QFileInfo(m_dir.filePath("USB/AUTOADATT/FIAT/CENTRAL2/") + QFileInfo(savedMap(2)).fileName()).size()
                > 0);
        drive({"~500", "Return", "~300", "Escape"});

        // The version-1 map found in the delete list (first line) and deleted; version 2 stays.
        drive({"~500", "+", "alt+f", "~400", "m", "~400", "m", "~1200", "Home", "space", "F1"});
        QTRY_VERIFY_WITH_TIMEOUT(savedMap(1).isEmpty(), 10000);
        QVERIFY(!savedMap(2).isEmpty());
        drive({"~500", "Return", "~300", "Escape", "+", "ctrl+F10"});
        QTRY_VERIFY_WITH_TIMEOUT(
            !QFile::exists(m_dir.filePath("LETTURA.PRG")) && !QFile::exists(m_dir.filePath("LETTURAN.PRG")), 15000);
        QCOMPARE(m_app.state(), QProcess::Running);
        QCOMPARE(m_sim.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TstProgramE2e)
#include "tst_program_e2e.moc"
