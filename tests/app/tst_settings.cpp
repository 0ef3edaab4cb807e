#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/profile.h"
#include "app/settings.h"

namespace {
void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

class TstSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FrameState m_frame;

    // Reads CONFIG.INI holding `ini` (no file when empty).
    void readConfig(const QByteArray &ini)
    {
        if (!ini.isEmpty())
            writeFile(m_frame.file("CONFIG.INI"), ini);
        LeggiConfigSeriale(m_frame);
    }

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
        QTest::newRow("zero") << QByteArray("[IMPOSTAZIONI]\nLingua=0\n") << 4 << true;
        QTest::newRow("text") << QByteArray("[IMPOSTAZIONI]\nLingua=abc\n") << 4 << true;
        QTest::newRow("names in other case") << QByteArray("[impostazioni]\nLINGUA = 3\n") << 3 << false;
    }
    void lingua()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, lingua);
        QFETCH(bool, rewritten);
        const QString path = m_frame.file("KALIBRON.INI");
        if (!ini.isEmpty())
            writeFile(path, ini);
        LeggiLingua(m_frame);
        QCOMPARE(int(m_frame.LinguaCorrente), lingua);
        QCOMPARE(readFile(path) != ini, rewritten);
        if (rewritten)
            QCOMPARE(Profile::read(path, "IMPOSTAZIONI", "Lingua", "?"), QString("4"));
    }

    void configSeriale_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QString>("parita");
        QTest::addColumn<QString>("settings");
        QTest::newRow("defaults") << QByteArray() << "COM1" << "NESSUNA" << "19200,N,8,1";
        QTest::newRow("pari lower case") << QByteArray("[SERIALE]\nCOM=COM3\nPARITA=pari\n")
                                         << "COM3" << "pari" << "19200,E,8,1";
        QTest::newRow("dispari, 7 bits") << QByteArray("[SERIALE]\nPARITA=DISPARI\nBIT_DATI=7\n")
                                         << "COM1" << "DISPARI" << "19200,O,7,1";
        QTest::newRow("six-digit speed cut") << QByteArray("[SERIALE]\nBAUD_RATE=115200\n")
                                             << "COM1" << "NESSUNA" << "11520,N,8,1";
        QTest::newRow("five-character port cut") << QByteArray("[SERIALE]\nCOM=COM12\n")
                                                 << "COM1" << "NESSUNA" << "19200,N,8,1";
        QTest::newRow("stop 1.5 becomes 2") << QByteArray("[SERIALE]\nBIT_STOP=1.5\n")
                                            << "COM1" << "NESSUNA" << "19200,N,8,2";
        QTest::newRow("non-numeric bits fall back") << QByteArray("[SERIALE]\nBIT_DATI=otto\nBIT_STOP=x\n")
                                                    << "COM1" << "NESSUNA" << "19200,N,8,1";
        QTest::newRow("unknown parity word") << QByteArray("[SERIALE]\nPARITA=MARK\n")
                                             << "COM1" << "MARK" << "19200,8,1";
    }
    void configSeriale()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, porta);
        QFETCH(QString, parita);
        QFETCH(QString, settings);
        readConfig(ini);
        QCOMPARE(m_frame.ConfigSeriale.Porta, porta);
        QCOMPARE(m_frame.ConfigSeriale.NomeParita, parita.leftJustified(7, ' '));
        QCOMPARE(TestoImpostazioni(m_frame.ConfigSeriale), settings);
        QCOMPARE(QFile::exists(m_frame.file("CONFIG.INI")), !ini.isEmpty());   // reading never writes
    }

    void write_keepsCommentsForeignKeysAndOrder()
    {
        const QString path = m_frame.file("CONFIG.INI");
        writeFile(path, "; workshop settings\n[PORTE]\nCOM2=/dev/ttyUSB1\n"
                        "[seriale]\n; chosen by hand\ncom=COM1\nEXTRA=keep me\n");
        QVERIFY(ScriviConfigSeriale(m_frame, {" COM2 ", "38400", "7", "PARI", "1.5"}));
        const QByteArray text = readFile(path);
        for (const char *kept : {"; workshop settings", "; chosen by hand", "COM2=/dev/ttyUSB1", "EXTRA=keep me"})
            QVERIFY2(text.contains(kept), kept);
        QCOMPARE(text.count("com=") + text.count("COM="), 1);   // rewritten in place, not added
        int last = -1;
        for (const char *key : {"=COM2\n", "BAUD_RATE=38400", "BIT_DATI=7", "PARITA=PARI", "BIT_STOP=1.5"}) {
            const int at = text.indexOf(key, text.indexOf("[seriale]"));
            QVERIFY2(at > last, key);
            last = at;
        }
        QCOMPARE(m_frame.ConfigSeriale.Porta, QString("COM2"));
        QCOMPARE(TestoImpostazioni(m_frame.ConfigSeriale), QString("38400,E,7,2"));
    }

    void validation_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "19200,N,8,1" << true;
        QTest::newRow("fastest, even, 7, 2") << "256000,E,7,2" << true;
        QTest::newRow("1.5 stop bits") << "9600,O,8,1.5" << true;
        QTest::newRow("cut speed") << "11520,N,8,1" << false;
        QTest::newRow("missing parity") << "19200,8,1" << false;
        QTest::newRow("parity word") << "19200,X,8,1" << false;
        QTest::newRow("9 data bits") << "19200,N,9,1" << false;
        QTest::newRow("3 stop bits") << "19200,N,8,3" << false;
    }
    void validation()
    {
        QFETCH(QString, settings);
        QFETCH(bool, valid);
        PortSettings ps;
        QCOMPARE(ValidaImpostazioni(settings, &ps), valid);
    }

    void portDevice_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("device");   // empty: refused
        QTest::addColumn<int>("stop10");
        QTest::newRow("COM1 default device") << QByteArray() << "/dev/ttyS0" << 10;
        QTest::newRow("COM3 default device") << QByteArray("[SERIALE]\nCOM=COM3\n") << "/dev/ttyS2" << 10;
        QTest::newRow("mapped USB adapter")
            << QByteArray("[SERIALE]\nCOM=COM2\n[porte]\ncom2=/dev/ttyUSB0\n") << "/dev/ttyUSB0" << 10;
        QTest::newRow("simulator") << QByteArray("[PORTE]\nCOM1=SIMULATORE\n") << "SIMULATORE" << 10;
        QTest::newRow("port 0") << QByteArray("[SERIALE]\nCOM=COM0\n") << "" << 0;
        QTest::newRow("speed cut") << QByteArray("[SERIALE]\nBAUD_RATE=115200\n") << "" << 0;
        QTest::newRow("stop 1.5 read as 2") << QByteArray("[SERIALE]\nBIT_STOP=1.5\n") << "/dev/ttyS0" << 20;
    }
    void portDevice()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, device);
        QFETCH(int, stop10);
        readConfig(ini);
        PortSettings ps;
        QCOMPARE(ImpostazioniPorta(m_frame, &ps), !device.isEmpty());
        if (!device.isEmpty()) {
            QCOMPARE(ps.device, device);
            QCOMPARE(ps.stopBitsTimes10, stop10);
        }
    }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
