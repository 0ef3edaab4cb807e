#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/startup.h"

class TstStartup : public QObject {
    Q_OBJECT
private slots:
    void appDir_data()
    {
        QTest::addColumn<QStringList>("args");   // "@": another existing folder
        QTest::addColumn<QString>("chosen");     // "exe", "other" or "" when refused
        QTest::newRow("no option: the executable's folder") << QStringList{"kalibron"} << "exe";
        QTest::newRow("--app-dir DIR") << QStringList{"kalibron", "--app-dir", "@"} << "other";
        QTest::newRow("--app-dir=DIR, trailing separator") << QStringList{"kalibron", "--app-dir=@/"} << "other";
        QTest::newRow("missing folder") << QStringList{"kalibron", "--app-dir", "@/nope"} << "";
        QTest::newRow("unknown option") << QStringList{"kalibron", "--debug"} << "";
        QTest::newRow("option without value") << QStringList{"kalibron", "--app-dir"} << "";
    }
    void appDir()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, chosen);
        QTemporaryDir exe, other;
        args.replaceInStrings("@", other.path());
        QString error;
        const QString dir = CartellaApplicazione(args, exe.path() + "/", &error);
        QCOMPARE(error.isEmpty(), !chosen.isEmpty());
        QCOMPARE(dir, chosen.isEmpty() ? QString() : QDir(chosen == "exe" ? exe.path() : other.path()).absolutePath());
    }

    void edition_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("edition");
        QTest::newRow("QEL") << "QEL"
                             << "QEL";
        QTest::newRow("lower case between blanks") << "  qel "
                                                   << "QEL";
        QTest::newRow("TUBAN") << "Tuban"
                               << "TUBAN";
        QTest::newRow("more after the code") << "QEL2"
                                             << "";
    }
    void edition()
    {
        QFETCH(QString, code);
        QFETCH(QString, edition);
        FrameState f;
        f.EdizioneQEL = f.EdizioneTUBAN = true;   // both are cleared first
        LeggiEdizione(f, code);
        QCOMPARE(QString(f.EdizioneQEL ? "QEL" : "") + (f.EdizioneTUBAN ? "TUBAN" : ""), edition);
    }

    void instanceLock_isPerFolder()
    {
        QTemporaryDir a, b;
        auto first = BloccaIstanza(a.path());
        QVERIFY(first);
        QVERIFY(!BloccaIstanza(a.path()));   // same folder: refused
        QVERIFY(BloccaIstanza(b.path()));    // another folder runs
        first.reset();
        QVERIFY(BloccaIstanza(a.path()));   // released on exit
    }
};

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
