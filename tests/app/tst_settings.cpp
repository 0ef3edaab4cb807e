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

} // namespace

class TstSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FrameState m_frame;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
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
        QTest::newRow("valid 1") << QByteArray("[IMPOSTAZIONI]\nLingua=1\n") << 1 << false;
        QTest::newRow("2.4 rounds to 2") << QByteArray("[IMPOSTAZIONI]\nLingua=2.4\n") << 2 << false;
        QTest::newRow("2.5 rounds to even") << QByteArray("[IMPOSTAZIONI]\nLingua=2.5\n") << 2 << false;
        QTest::newRow("4.4 out of range") << QByteArray("[IMPOSTAZIONI]\nLingua=4.4\n") << 4 << true;
        QTest::newRow("zero") << QByteArray("[IMPOSTAZIONI]\nLingua=0\n") << 4 << true;
        QTest::newRow("seven") << QByteArray("[IMPOSTAZIONI]\nLingua=7\n") << 4 << true;
        QTest::newRow("text") << QByteArray("[IMPOSTAZIONI]\nLingua=abc\n") << 4 << true;
        QTest::newRow("empty") << QByteArray("[IMPOSTAZIONI]\nLingua=\n") << 4 << true;
        QTest::newRow("names in other case") << QByteArray("[impostazioni]\nLINGUA = 3\n") << 3 << false;
    }
    void lingua()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, lingua);
        QFETCH(bool, rewritten);
        const QString path = m_frame.file("KALIBRON.INI");
        writeFile(path, ini);
        LeggiLingua(m_frame);
        QCOMPARE(int(m_frame.LinguaCorrente), lingua);
        QCOMPARE(readFile(path) != ini, rewritten);
        if (rewritten)
            QCOMPARE(Profile::read(path, "IMPOSTAZIONI", "Lingua", "?"), QString("4"));
    }

    void lingua_missingFileIsNotCreated()
    {
        LeggiLingua(m_frame);
        QCOMPARE(int(m_frame.LinguaCorrente), 4);
        QVERIFY(!QFile::exists(m_frame.file("KALIBRON.INI")));
    }

    void profileWrite_keepsCommentsForeignKeysAndOrder()
    {
        const QString path = m_frame.file("CONFIG.INI");
        writeFile(path, "; workshop settings\n[PORTE]\nCOM2=/dev/ttyUSB0\n"
                        "[seriale]\n; chosen by hand\ncom=COM2\nEXTRA=keep me\n");
        QVERIFY(Profile::write(path, "SERIALE", "COM", "COM3"));
        const QByteArray after = readFile(path);
        QVERIFY(after.contains("; workshop settings"));
        QVERIFY(after.contains("; chosen by hand"));
        QVERIFY(after.contains("COM2=/dev/ttyUSB0"));
        QVERIFY(after.contains("EXTRA=keep me"));
        QVERIFY(after.indexOf("[PORTE]") < after.indexOf("[seriale]"));
        QCOMPARE(after.count("com=") + after.count("COM="), 1); // rewritten in place, not added
        QCOMPARE(Profile::read(path, "Seriale", "Com", "?"), QString("COM3"));
    }

    void profileWrite_createsMissingFile()
    {
        const QString path = m_frame.file("CONFIG.INI");
        QVERIFY(Profile::write(path, "SERIALE", "COM", "COM2"));
        QCOMPARE(Profile::read(path, "SERIALE", "COM", "?"), QString("COM2"));
    }

    void profileWrite_unwritableFolderFails()
    {
        QVERIFY(!Profile::write(m_dir.filePath("no/such/folder/x.ini"), "A", "B", "C"));
    }

    void configSeriale_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("porta");
        QTest::addColumn<QString>("velocita");
        QTest::addColumn<QString>("parita");
        QTest::addColumn<int>("dati");
        QTest::addColumn<int>("stop");
        QTest::addColumn<QString>("settings");
        QTest::newRow("defaults") << QByteArray() << "COM1" << "19200" << "NESSUNA" << 8 << 1
                                  << "19200,N,8,1";
        QTest::newRow("pari lower case") << QByteArray("[SERIALE]\nCOM=COM3\nPARITA=pari\n")
                                         << "COM3" << "19200" << "pari   " << 8 << 1 << "19200,E,8,1";
        QTest::newRow("dispari, 7 bits") << QByteArray("[SERIALE]\nPARITA=DISPARI\nBIT_DATI=7\n")
                                         << "COM1" << "19200" << "DISPARI" << 7 << 1 << "19200,O,7,1";
        QTest::newRow("six-digit speed cut") << QByteArray("[SERIALE]\nBAUD_RATE=115200\n")
                                             << "COM1" << "11520" << "NESSUNA" << 8 << 1 << "11520,N,8,1";
        QTest::newRow("five-character port cut") << QByteArray("[SERIALE]\nCOM=COM12\n")
                                                 << "COM1" << "19200" << "NESSUNA" << 8 << 1 << "19200,N,8,1";
        QTest::newRow("stop 1.5 becomes 2") << QByteArray("[SERIALE]\nBIT_STOP=1.5\n")
                                            << "COM1" << "19200" << "NESSUNA" << 8 << 2 << "19200,N,8,2";
        QTest::newRow("non-numeric bits fall back") << QByteArray("[SERIALE]\nBIT_DATI=otto\nBIT_STOP=x\n")
                                                    << "COM1" << "19200" << "NESSUNA" << 8 << 1 << "19200,N,8,1";
        QTest::newRow("unknown parity word") << QByteArray("[SERIALE]\nPARITA=MARK\n")
                                             << "COM1" << "19200" << "MARK   " << 8 << 1 << "19200,8,1";
    }
    void configSeriale()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, porta);
        QFETCH(QString, velocita);
        QFETCH(QString, parita);
        QFETCH(int, dati);
        QFETCH(int, stop);
        QFETCH(QString, settings);
        if (!ini.isEmpty())
            writeFile(m_frame.file("CONFIG.INI"), ini);
        LeggiConfigSeriale(m_frame);
        const ConfigSerialeT &c = m_frame.ConfigSeriale;
        QCOMPARE(c.Porta, porta);
        QCOMPARE(c.Velocita, velocita);
        QCOMPARE(c.NomeParita, parita.leftJustified(7, ' '));
        QCOMPARE(int(c.NumBitDati), dati);
        QCOMPARE(int(c.NumBitStop), stop);
        QCOMPARE(TestoImpostazioni(c), settings);
        QVERIFY(!QFile::exists(m_frame.file("CONFIG.INI")) || !ini.isEmpty()); // reading never writes
    }

    void longValueCutTo255()
    {
        writeFile(m_frame.file("CONFIG.INI"), "[SERIALE]\nPARITA=" + QByteArray(300, 'X') + "\n");
        LeggiConfigSeriale(m_frame);
        QCOMPARE(m_frame.EsitoIni, 1); // BIT_STOP was the last read
        QCOMPARE(m_frame.ConfigSeriale.NomeParita, QString("XXXXXXX"));
        QCOMPARE(Profile::read(m_frame.file("CONFIG.INI"), "SERIALE", "PARITA", "").size(), 300);
    }

    void validation_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "19200,N,8,1" << true;
        QTest::newRow("every standard speed") << "256000,E,7,2" << true;
        QTest::newRow("1.5 stop bits") << "9600,O,8,1.5" << true;
        QTest::newRow("mark and space") << "4800,M,5,1" << true;
        QTest::newRow("cut speed") << "11520,N,8,1" << false;
        QTest::newRow("odd speed") << "12345,N,8,1" << false;
        QTest::newRow("missing parity") << "19200,8,1" << false;
        QTest::newRow("parity word") << "19200,X,8,1" << false;
        QTest::newRow("3 data bits") << "19200,N,3,1" << false;
        QTest::newRow("9 data bits") << "19200,N,9,1" << false;
        QTest::newRow("3 stop bits") << "19200,N,8,3" << false;
        QTest::newRow("empty") << "" << false;
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
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("stop10");
        QTest::newRow("COM1 default device") << QByteArray() << true << "/dev/ttyS0" << 10;
        QTest::newRow("COM3 default device") << QByteArray("[SERIALE]\nCOM=COM3\n") << true << "/dev/ttyS2" << 10;
        QTest::newRow("mapped USB adapter")
            << QByteArray("[SERIALE]\nCOM=COM2\n[porte]\ncom2=/dev/ttyUSB0\n") << true << "/dev/ttyUSB0" << 10;
        QTest::newRow("simulator") << QByteArray("[PORTE]\nCOM1=SIMULATORE\n") << true << "SIMULATORE" << 10;
        QTest::newRow("no digit") << QByteArray("[SERIALE]\nCOM=COM\n") << false << "" << 0;
        QTest::newRow("port 0") << QByteArray("[SERIALE]\nCOM=COM0\n") << false << "" << 0;
        QTest::newRow("speed cut") << QByteArray("[SERIALE]\nBAUD_RATE=115200\n") << false << "" << 0;
        QTest::newRow("stop 1.5 read as 2") << QByteArray("[SERIALE]\nBIT_STOP=1.5\n") << true << "/dev/ttyS0" << 20;
    }
    void portDevice()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, ok);
        QFETCH(QString, device);
        QFETCH(int, stop10);
        if (!ini.isEmpty())
            writeFile(m_frame.file("CONFIG.INI"), ini);
        LeggiConfigSeriale(m_frame);
        PortSettings ps;
        QCOMPARE(ImpostazioniPorta(m_frame, &ps), ok);
        if (ok) {
            QCOMPARE(ps.device, device);
            QCOMPARE(ps.stopBitsTimes10, stop10);
        }
    }

    void writeConfig_orderAndReload()
    {
        const QString path = m_frame.file("CONFIG.INI");
        writeFile(path, "[PORTE]\nCOM2=/dev/ttyUSB1\n");
        QVERIFY(ScriviConfigSeriale(m_frame, {" COM2 ", "38400", "7", "PARI", "1.5"}));
        const QByteArray text = readFile(path);
        const QList<QByteArray> keys = {"COM=", "BAUD_RATE=", "BIT_DATI=", "PARITA=", "BIT_STOP="};
        int last = -1;
        for (const QByteArray &k : keys) {
            const int at = text.indexOf(k, text.indexOf("[SERIALE]"));
            QVERIFY2(at > last, k.constData());
            last = at;
        }
        QVERIFY(text.contains("BIT_STOP=1.5"));
        QVERIFY(text.contains("COM2=/dev/ttyUSB1"));
        QCOMPARE(m_frame.ConfigSeriale.Porta, QString("COM2"));
        QCOMPARE(int(m_frame.ConfigSeriale.NumBitStop), 2);
        QCOMPARE(TestoImpostazioni(m_frame.ConfigSeriale), QString("38400,E,7,2"));
    }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
