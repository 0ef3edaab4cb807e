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
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("isExeDir");
        QTest::newRow("no option: the executable's folder") << QStringList{"kalibron"} << true << true;
        QTest::newRow("--app-dir DIR") << QStringList{"kalibron", "--app-dir", "@"} << true << false;
        QTest::newRow("--app-dir=DIR, trailing separator") << QStringList{"kalibron", "--app-dir=@/"} << true << false;
        QTest::newRow("missing folder") << QStringList{"kalibron", "--app-dir", "@/nope"} << false << false;
        QTest::newRow("unknown option") << QStringList{"kalibron", "--debug"} << false << false;
        QTest::newRow("option without value") << QStringList{"kalibron", "--app-dir"} << false << false;
    }
    void appDir()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        QFETCH(bool, isExeDir);
        QTemporaryDir exe, other;
        for (QString &a : args)
            a.replace("@", other.path());
        QString error;
        const QString dir = CartellaApplicazione(args, exe.path() + "/", &error);
        QCOMPARE(!dir.isEmpty(), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (!ok)
            return;
        QVERIFY(!dir.endsWith('/'));
        QCOMPARE(dir, QDir(isExeDir ? exe.path() : other.path()).absolutePath());
    }

    void edition_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("qel");
        QTest::addColumn<bool>("tuban");
        QTest::newRow("QEL") << "QEL" << true << false;
        QTest::newRow("lower case between blanks") << "  qel " << true << false;
        QTest::newRow("TUBAN") << "Tuban" << false << true;
        QTest::newRow("more after the code") << "QEL2" << false << false;
    }
    void edition()
    {
        QFETCH(QString, code);
        QFETCH(bool, qel);
        QFETCH(bool, tuban);
        FrameState f;
        f.EdizioneQEL = f.EdizioneTUBAN = true; // both are cleared first
        LeggiEdizione(f, code);
        QCOMPARE(f.EdizioneQEL, qel);
        QCOMPARE(f.EdizioneTUBAN, tuban);
    }

    void instanceLock_isPerFolder()
    {
        QTemporaryDir a, b;
        auto first = BloccaIstanza(a.path());
        QVERIFY(first);
        QVERIFY(!BloccaIstanza(a.path()));   // same folder: refused
        auto other = BloccaIstanza(b.path());
        QVERIFY(other);                      // another folder runs
        first.reset();
        QVERIFY(BloccaIstanza(a.path()));    // released on exit
    }
};

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
