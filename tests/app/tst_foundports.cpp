#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/foundports.h"

class TstFoundPorts : public QObject {
    Q_OBJECT
private slots:
    // udev's links are relative and may chain; a broken one is an adapter just pulled out.
    void byIdLinks_leadToTheDeviceNotTheLink()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        QVERIFY(dir.mkpath("dev") && dir.mkpath("by-id"));
        const QString usb = dir.filePath("dev/ttyUSB0"), acm = dir.filePath("dev/ttyACM0");
        for (const QString &file : {usb, acm, dir.filePath("by-id/readme")}) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
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

QTEST_GUILESS_MAIN(TstFoundPorts)
#include "tst_foundports.moc"
