#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "program/processes.h"

// The real program in a real X window (Xvfb), driven with xdotool, talking to
// the ecusim executable over a pseudo-terminal, as a fitter would use it.
class TstProgramE2e : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_xvfb, m_sim, m_app;
    QString m_display;

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
        QFile cfg(m_dir.filePath("CONFIG.INI"));
        QVERIFY(cfg.open(QIODevice::WriteOnly));
        cfg.write("[SERIALE]\r\nCOM=COM1\r\nBAUD_RATE=19200\r\n[PORTE]\r\nCOM1=" + link.toLocal8Bit() + "\r\n");
        cfg.close();
        QFile ini(m_dir.filePath("KALIBRON.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[IMPOSTAZIONI]\r\nLINGUA=1\r\nDiscoAggiornamento=" + m_dir.filePath("USB").toLocal8Bit() + "\r\n");
        ini.close();
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
        win = win.split('\n').first();
        xdotool({"windowfocus", "--sync", win});
        xdotool({"key", "ctrl+F1"});

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
        xdotool({"windowfocus", "--sync", win});
        xdotool({"key", "F2"});
        QTest::qWait(800);
        xdotool({"type", "FIAT"});
        xdotool({"key", "Return", "Return"});
        xdotool({"type", "PROVA"});
        xdotool({"key", "F1"});
        const QString dat = m_dir.filePath("DIR_DATI/FIAT/PROVA.DAT");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dat).size() >= 5 * 145, 20000);   // header and samples within 2 s
        xdotool({"windowfocus", "--sync", win});
        xdotool({"key", "F5"});
        QTest::qWait(1000);
        xdotool({"key", "Return"});   // the offer to view the recording just made: No is the default
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
            xdotool({"windowfocus", "--sync", win});
            xdotool({"key", "shift+F2"});
            QTest::qWait(800);
            xdotool({"type", "FIAT"});
            xdotool({"key", "Return"});
            xdotool({"type", "PANDA"});
            xdotool({"key", "Return"});
            for (int i = 0; i < version; ++i)
                xdotool({"key", "Down"});
            xdotool({"key", "Return"});
            xdotool({"type", "IAW59F"});
            xdotool({"key", "Return", "F1"});
            QTRY_VERIFY_WITH_TIMEOUT(!savedMap(version).isEmpty(), 10000);
            QTest::qWait(500);
            xdotool({"key", "Return"});   // "Memorizzazione avvenuta correttamente!"
            QTest::qWait(300);
            xdotool({"key", "Escape"});
        }
        QFile map(savedMap(1));
        QVERIFY(map.open(QIODevice::ReadOnly));
        QVERIFY(map.readLine().startsWith("S0"));

        // An update disk for the model, written to the folder KALIBRON.INI names.
        QTest::qWait(500);
        xdotool({"windowfocus", "--sync", win});
        xdotool({"key", "shift+F5"});
        QTest::qWait(800);
        xdotool({"key", "Home", "space", "F1"});
        QTest::qWait(800);
        xdotool({"key", "Return"});   // "Inserire il dischetto!", OK
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath("USB/AUTOADATT.DAT")), 10000);
        QVERIFY(QFileInfo(m_dir.filePath("USB/AUTOADATT/FIAT/CENTRAL2/") + QFileInfo(savedMap(2)).fileName()).size()
                > 0);
        QTest::qWait(500);
        xdotool({"key", "Return"});   // done
        QTest::qWait(300);
        xdotool({"key", "Escape"});

        // The version-1 map found in the delete list (first line) and deleted; version 2 stays.
        QTest::qWait(500);
        xdotool({"windowfocus", "--sync", win});
        for (const char *key : {"alt+f", "m", "m"}) {
            xdotool({"key", key});
            QTest::qWait(400);
        }
        QTest::qWait(800);
        xdotool({"key", "Home", "space", "F1"});
        QTRY_VERIFY_WITH_TIMEOUT(savedMap(1).isEmpty(), 10000);
        QVERIFY(!savedMap(2).isEmpty());
        QTest::qWait(500);
        xdotool({"key", "Return"});
        QTest::qWait(300);
        xdotool({"key", "Escape"});

        xdotool({"windowfocus", "--sync", win});
        xdotool({"key", "ctrl+F10"});
        QTRY_VERIFY_WITH_TIMEOUT(
            !QFile::exists(m_dir.filePath("LETTURA.PRG")) && !QFile::exists(m_dir.filePath("LETTURAN.PRG")), 15000);
        QCOMPARE(m_app.state(), QProcess::Running);
        QCOMPARE(m_sim.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TstProgramE2e)
#include "tst_program_e2e.moc"
