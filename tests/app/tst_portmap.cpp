#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/portmap.h"
#include "app/settings.h"

namespace {

const QString kFtdiById = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3J2-if00-port0");
const QString kAcmById = QStringLiteral("/dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563-if00");

// Two USB adapters and the PC's own first port, which has no by-id link.
QList<FoundPort> found()
{
    return {
        {"/dev/ttyUSB0", kFtdiById, "FTDI", "FT232R USB UART", "A10K3J2"},
        {"/dev/ttyACM0", kAcmById, "Arduino (www.arduino.cc)", "", "7563"},
        {"/dev/ttyS0", "", "", "", ""},
    };
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstPortMap : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    FrameState m_frame;

    QString ini() const { return m_frame.file(QStringLiteral("CONFIG.INI")); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_frame = FrameState{};
        m_frame.PercorsoApp = m_dir->path();
    }

    // Picks are (COM, row of found()); what each COM opens afterwards is read back
    // the way the link reads it.
    void picks_areWrittenToPorteAndReadBack_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QList<QPoint>>("picks");
        QTest::addColumn<bool>("pending");
        QTest::addColumn<QStringList>("devices");   // COM1, COM2, COM3 afterwards
        QTest::newRow("adapter with a by-id link")
            << QByteArray() << QList<QPoint>{{1, 0}} << true << QStringList{kFtdiById, "/dev/ttyS1", "/dev/ttyS2"};
        QTest::newRow("port without a by-id link: its /dev name")
            << QByteArray() << QList<QPoint>{{3, 2}} << true << QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS0"};
        QTest::newRow("several ports, the last pick of each counts")
            << QByteArray() << QList<QPoint>{{1, 0}, {2, 1}, {1, 2}} << true
            << QStringList{"/dev/ttyS0", kAcmById, "/dev/ttyS2"};
        QTest::newRow("the adapter CONFIG.INI already names: nothing to write")
            << ("[PORTE]\nCOM2=" + kAcmById.toLatin1() + "\n") << QList<QPoint>{{2, 1}} << false
            << QStringList{"/dev/ttyS0", kAcmById, "/dev/ttyS2"};
        QTest::newRow("away and back to the stored one")
            << QByteArray("[PORTE]\nCOM1=/dev/ttyS0\n") << QList<QPoint>{{1, 0}, {1, 2}} << false
            << QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"};
        QTest::newRow("a hand-written ttyUSB name replaced by the stable one")
            << QByteArray("[PORTE]\nCOM1=/dev/ttyUSB0\n") << QList<QPoint>{{1, 0}} << true
            << QStringList{kFtdiById, "/dev/ttyS1", "/dev/ttyS2"};
        QTest::newRow("COM0 and COM10 are no ports")
            << QByteArray() << QList<QPoint>{{0, 0}, {10, 1}} << false << QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"};
    }
    void picks_areWrittenToPorteAndReadBack()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QList<QPoint>, picks);
        QFETCH(bool, pending);
        QFETCH(QStringList, devices);
        const QByteArray others = "; by hand\n[SERIALE]\nCOM=COM2\nBAUD_RATE=9600\n[PORTE]\nCOM5=SIMULATORE\n";
        QVERIFY(writeFile(ini(), others + stored));
        const QByteArray before = readFile(ini());

        PortMap map(m_frame);
        for (const QPoint &pick : picks)
            map.choose(pick.x(), found()[pick.y()]);
        QCOMPARE(map.pending(), pending);
        QStringList shown;
        for (int n = 1; n <= 3; ++n)
            shown << map.device(n);
        QCOMPARE(shown, devices);   // the dialog shows the choice before it is saved

        QVERIFY(map.write());
        QVERIFY(!map.pending());
        if (!pending)
            QCOMPARE(readFile(ini()), before);
        QStringList read;
        for (int n = 1; n <= 3; ++n)
            read << DispositivoPorta(m_frame, n);
        QCOMPARE(read, devices);
        QCOMPARE(DispositivoPorta(m_frame, 5), QStringLiteral("SIMULATORE"));
        LeggiConfigSeriale(m_frame);
        QCOMPARE(TestoImpostazioni(m_frame.ConfigSeriale), QStringLiteral("9600,N,8,1"));
        QVERIFY(readFile(ini()).startsWith("; by hand"));
    }

    void portNumber_onlyCom1ToCom9_data()
    {
        QTest::addColumn<QString>("com");
        QTest::addColumn<int>("n");
        QTest::newRow("COM1") << "COM1" << 1;
        QTest::newRow("lower case, blanks of the fixed field") << "com9 " << 9;
        QTest::newRow("COM0") << "COM0" << 0;
        QTest::newRow("two digits") << "COM10" << 0;
        QTest::newRow("not a COM") << "LPT1" << 0;
    }
    void portNumber_onlyCom1ToCom9()
    {
        QFETCH(QString, com);
        QFETCH(int, n);
        QCOMPARE(PortMap::portNumber(com), n);
    }

    // The adapter list shows which adapter a COM is, whichever name CONFIG.INI uses for it.
    void indexIn_findsTheAdapterByAnyOfItsNames_data()
    {
        QTest::addColumn<QString>("stored");   // COM1's value; "<link>" a symbolic link to the first adapter
        QTest::addColumn<int>("row");
        QTest::newRow("by-id name") << kFtdiById << 0;
        QTest::newRow("/dev name") << "/dev/ttyACM0" << 1;
        QTest::newRow("another link to the device") << "<link>" << 0;
        QTest::newRow("no key: the PC's own port") << "" << 2;
        QTest::newRow("an adapter not plugged in") << "/dev/serial/by-id/usb-Prolific_Technology_Inc.-if00-port0" << -1;
        QTest::newRow("simulator") << "SIMULATORE" << -1;
    }
    void indexIn_findsTheAdapterByAnyOfItsNames()
    {
        QFETCH(QString, stored);
        QFETCH(int, row);
        // The first adapter is a real file here, so a link to it can be resolved.
        QList<FoundPort> ports = found();
        ports[0].systemLocation = m_dir->filePath(QStringLiteral("ttyUSB0"));
        QVERIFY(writeFile(ports[0].systemLocation, {}));
        if (stored == QLatin1String("<link>")) {
            stored = m_dir->filePath(QStringLiteral("adapter"));
            QVERIFY(QFile::link(ports[0].systemLocation, stored));
        }
        if (!stored.isEmpty())
            QVERIFY(ScriviDispositivoPorta(m_frame, 1, stored));
        QCOMPARE(PortMap(m_frame).indexIn(1, ports), row);
    }

    void byIdLinks_leadToTheDeviceNotTheLink()
    {
        QDir dir(m_dir->path());
        QVERIFY(dir.mkpath("dev") && dir.mkpath("by-id"));
        const QString usb = dir.filePath("dev/ttyUSB0"), acm = dir.filePath("dev/ttyACM0");
        QVERIFY(writeFile(usb, {}) && writeFile(acm, {}));
        QVERIFY(QFile::link("../dev/ttyUSB0", dir.filePath("by-id/usb-FTDI-if00-port0")));   // relative, as udev makes them
        QVERIFY(QFile::link(acm, dir.filePath("by-id/usb-Arduino-if00")));
        QVERIFY(QFile::link("usb-Arduino-if00", dir.filePath("by-id/usb-Arduino-if02")));    // a chain: same device
        QVERIFY(QFile::link(dir.filePath("dev/ttyUSB9"), dir.filePath("by-id/usb-unplugged")));   // broken
        QVERIFY(writeFile(dir.filePath("by-id/readme"), "not a link"));

        const QHash<QString, QString> links = ByIdLinks(dir.filePath("by-id"));
        const QHash<QString, QString> expected{
            {QFileInfo(usb).canonicalFilePath(), dir.filePath("by-id/usb-FTDI-if00-port0")},
            {QFileInfo(acm).canonicalFilePath(), dir.filePath("by-id/usb-Arduino-if00")},
        };
        QCOMPARE(links, expected);
        QVERIFY(ByIdLinks(dir.filePath("no-such-folder")).isEmpty());   // no USB adapter ever plugged in
    }

    void label_namesTheDeviceAndWhatIsKnown()
    {
        const QList<FoundPort> ports = found();
        QCOMPARE(ports[0].label(), QStringLiteral("ttyUSB0: FTDI - FT232R USB UART - A10K3J2"));
        QCOMPARE(ports[1].label(), QStringLiteral("ttyACM0: Arduino (www.arduino.cc) - 7563"));
        QCOMPARE(ports[2].label(), QStringLiteral("ttyS0"));
        QVERIFY(IsAdapterName("ttyUSB12") && IsAdapterName("ttyACM0") && IsAdapterName("ttyS3"));
        QVERIFY(!IsAdapterName("rfcomm0") && !IsAdapterName("ttyAMA0") && !IsAdapterName("tty1"));
    }
};

QTEST_GUILESS_MAIN(TstPortMap)
#include "tst_portmap.moc"
