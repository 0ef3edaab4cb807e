#include <QtTest>

#include "app/foundports.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/startup.h"
#include "support/files.h"

class TstSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FrameState m_frame;

private slots:
    void init()
    {
        m_frame = FrameState();
        m_frame.PercorsoApp = m_dir.path();
        QFile::remove(m_frame.file("KALIBRON.INI"));
        QFile::remove(m_frame.file("CONFIG.INI"));
    }

    void lingua_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("lingua");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("no file, none made") << QByteArray() << 4 << false;
        QTest::newRow("valid 1") << QByteArray("[IMPOSTAZIONI]\nLingua=1\n") << 1 << false;
        QTest::newRow("2.5 rounds to even") << QByteArray("[IMPOSTAZIONI]\nLingua=2.5\n") << 2 << false;
        QTest::newRow("4.4 out of range") << QByteArray("[IMPOSTAZIONI]\nLingua=4.4\n") << 4 << true;
        QTest::newRow("text") << QByteArray("[IMPOSTAZIONI]\nLingua=abc\n") << 4 << true;
        QTest::newRow("names in other case") << QByteArray("[impostazioni]\nLINGUA = 3\n") << 3 << false;
    }
    void lingua()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, rewritten);
        const QString path = m_frame.file("KALIBRON.INI");
        if (!ini.isEmpty())
            QVERIFY(WriteFile(path, ini));
        LeggiLingua(m_frame);
        QTEST(int(m_frame.LinguaCorrente), "lingua");
        QCOMPARE(ReadFile(path) != ini, rewritten);
        if (rewritten)
            QCOMPARE(Profile::read(path, "IMPOSTAZIONI", "Lingua", "?"), QString("4"));
    }

    // What CONFIG.INI gives: the port name, the settings text and the device the
    // port opens on (empty when the settings would be refused).
    void configSeriale_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("device");
        QTest::newRow("no file") << QByteArray() << "COM1" << QString("19200,N,8,1") << "/dev/ttyS0";
        QTest::newRow("pari lower case, port 3")
            << QByteArray("[SERIALE]\nCOM=COM3\nPARITA=pari\n") << "COM3" << QString("19200,E,8,1") << "/dev/ttyS2";
        QTest::newRow("dispari, 7 bits") << QByteArray("[SERIALE]\nPARITA=DISPARI\nBIT_DATI=7\n") << "COM1"
                                         << QString("19200,O,7,1") << "/dev/ttyS0";
        QTest::newRow("stop 1.5 becomes 2")
            << QByteArray("[SERIALE]\nBIT_STOP=1.5\n") << "COM1" << QString("19200,N,8,2") << "/dev/ttyS0";
        QTest::newRow("five-character port cut")
            << QByteArray("[SERIALE]\nCOM=COM12\n") << "COM1" << QString("19200,N,8,1") << "/dev/ttyS0";
        QTest::newRow("mapped USB adapter, names in other case")
            << QByteArray("[seriale]\ncom=COM2\n[porte]\ncom2=/dev/ttyUSB0\n") << "COM2" << QString("19200,N,8,1")
            << "/dev/ttyUSB0";
        QTest::newRow("simulator") << QByteArray("[PORTE]\nCOM1=SIMULATORE\n") << "COM1" << QString("19200,N,8,1")
                                   << "SIMULATORE";
        QTest::newRow("port 0") << QByteArray("[SERIALE]\nCOM=COM0\n") << "COM0" << QString("19200,N,8,1") << "";
        QTest::newRow("six-digit speed cut")
            << QByteArray("[SERIALE]\nBAUD_RATE=115200\n") << "COM1" << QString("11520,N,8,1") << "";
        QTest::newRow("unknown parity word")
            << QByteArray("[SERIALE]\nPARITA=MARK\n") << "COM1" << QString("19200,8,1") << "";
    }
    void configSeriale()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, settings);
        QFETCH(QString, device);
        if (!ini.isEmpty())
            QVERIFY(WriteFile(m_frame.file("CONFIG.INI"), ini));
        LeggiConfigSeriale(m_frame);
        QTEST(m_frame.ConfigSeriale.Porta, "porta");
        QCOMPARE(TestoImpostazioni(m_frame.ConfigSeriale), settings);
        QCOMPARE(QFile::exists(m_frame.file("CONFIG.INI")), !ini.isEmpty());   // reading never writes
        PortSettings ps;
        QCOMPARE(ImpostazioniPorta(m_frame, &ps), !device.isEmpty());
        QCOMPARE(ps.device, device);
        if (!device.isEmpty())
            QCOMPARE(ps.stopBitsTimes10, settings.section(',', -1).toInt() * 10);
    }

    void write_keepsCommentsAndForeignKeys_rewritesInPlace()
    {
        const QString path = m_frame.file("CONFIG.INI");
        QVERIFY(WriteFile(path, "; workshop settings\n[PORTE]\nCOM2=/dev/ttyUSB1\n"
                                "[seriale]\n; chosen by hand\ncom=COM1\nEXTRA=keep me\n"));
        QVERIFY(ScriviConfigSeriale(m_frame, {" COM2 ", "38400", "7", "PARI", "1.5"}));
        const QByteArray text = ReadFile(path);
        for (const char *kept : {"; workshop settings", "; chosen by hand", "COM2=/dev/ttyUSB1", "EXTRA=keep me"})
            QVERIFY2(text.contains(kept), kept);
        QCOMPARE(text.count("com=") + text.count("COM="), 1);   // rewritten in place, not added
        QCOMPARE(m_frame.ConfigSeriale.Porta, QString("COM2"));
    }

    void validation_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "19200,N,8,1" << true;
        QTest::newRow("fastest, even, 7, 2") << "256000,E,7,2" << true;
        QTest::newRow("1.5 stop bits") << "9600,O,8,1.5" << true;
        QTest::newRow("9 data bits") << "19200,N,9,1" << false;
    }
    void validation()
    {
        QFETCH(QString, settings);
        PortSettings ps;
        QTEST(ValidaImpostazioni(settings, &ps), "valid");
    }

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
        QTest::newRow("QEL") << "QEL" << QString("QEL");
        QTest::newRow("lower case between blanks") << "  qel " << QString("QEL");
        QTest::newRow("TUBAN") << "Tuban" << QString("TUBAN");
        QTest::newRow("more after the code") << "QEL2" << QString("");
    }
    void edition()
    {
        QFETCH(QString, code);
        FrameState f;
        f.EdizioneQEL = f.EdizioneTUBAN = true;   // both are cleared first
        LeggiEdizione(f, code);
        QTEST(QString(f.EdizioneQEL ? "QEL" : "") + (f.EdizioneTUBAN ? "TUBAN" : ""), "edition");
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

    // udev's links are relative and may chain; a broken one is an adapter just pulled out.
    void byIdLinks_leadToTheDeviceNotTheLink()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        QVERIFY(dir.mkpath("dev") && dir.mkpath("by-id"));
        const QString usb = dir.filePath("dev/ttyUSB0"), acm = dir.filePath("dev/ttyACM0");
        for (const QString &file : {usb, acm, dir.filePath("by-id/readme")})
            QVERIFY(WriteFile(file, {}));
        QVERIFY(QFile::link("../dev/ttyUSB0", dir.filePath("by-id/usb-FTDI-if00-port0")));
        QVERIFY(QFile::link(acm, dir.filePath("by-id/usb-Arduino-if00")));
        QVERIFY(
            QFile::link("usb-Arduino-if00", dir.filePath("by-id/usb-Arduino-if02")));   // same device: first name wins
        QVERIFY(QFile::link(dir.filePath("dev/ttyUSB9"), dir.filePath("by-id/usb-unplugged")));

        const QHash<QString, QString> expected{
            {QFileInfo(usb).canonicalFilePath(), dir.filePath("by-id/usb-FTDI-if00-port0")},
            {QFileInfo(acm).canonicalFilePath(), dir.filePath("by-id/usb-Arduino-if00")},
        };
        QCOMPARE(ByIdLinks(dir.filePath("by-id")), expected);
        QVERIFY(ByIdLinks(dir.filePath("no-such-folder")).isEmpty());   // no USB adapter plugged in since boot
    }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
