#include <QtTest>

#include "link/framing.h"
#include "link/identification.h"
#include "support/ecuframes.h"

namespace {

QByteArray R8Of(const QByteArray &installed = "31012024", const QByteArray &hw = "07", const QByteArray &type = "00",
                const QByteArray &software = "ABC1234AA")
{
    return Checksummed("R8x" + installed + hw + "15062023" + type + "mat12345lot001T1" + software + "LXX5678BB");
}

}   // namespace

class TestIdentification : public QObject {
    Q_OBJECT
private slots:
    void r8_storesSoundFieldsAndFlagsDefects_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("hw");
        QTest::addColumn<QDate>("installed");
        QTest::addColumn<int>("type");
        const QDate jan31(2024, 1, 31);
        QTest::newRow("sound") << R8Of() << 0 << 7 << jan31 << 0;
        QTest::newRow("hardware not numeric") << R8Of("31012024", "0x") << 1 << -1 << jan31 << 0;
        QTest::newRow("installed 31/02") << R8Of("31022024") << 2 << 7 << QDate() << 0;
        QTest::newRow("29/02 leap year") << R8Of("29022024") << 0 << 7 << QDate(2024, 2, 29) << 0;
        QTest::newRow("29/02/2000") << R8Of("29022000") << 0 << 7 << QDate(2000, 2, 29) << 0;
        QTest::newRow("29/02/1900") << R8Of("29021900") << 2 << 7 << QDate() << 0;
        QTest::newRow("installed 13th month") << R8Of("15132020") << 2 << 7 << QDate() << 0;
        QTest::newRow("type 05 kept, flagged") << R8Of("31012024", "07", "05") << 8 << 7 << jan31 << 5;
        QTest::newRow("several") << R8Of("29022023", "x1", "ab") << 11 << -1 << QDate() << 0;
    }
    void r8_storesSoundFieldsAndFlagsDefects()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, flags);
        QFETCH(int, hw);
        QFETCH(QDate, installed);
        QFETCH(int, type);
        EcuIdentity id;
        id.DataInstallazione = QDate(2000, 1, 1);
        MemorizzaR8(id, frame);
        QCOMPARE(int(id.FlagIdentificazione), flags);
        QCOMPARE(int(id.VersioneHw), hw);
        QCOMPARE(id.DataInstallazione, installed);
        QCOMPARE(id.DataRevisione, QDate(2023, 6, 15));
        QCOMPARE(int(id.TipoInstallazione), type);
        QCOMPARE(id.Matricola + id.Lotto + id.VersioneTabella, QStringLiteral("mat12345lot001T1    "));
        QCOMPARE(id.VersioneCaricatore, QStringLiteral("LXXBB5678"));
    }

    void variant_followsReorderedVersion_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("variant");
        QTest::newRow("AA at the end is moved") << QByteArray("ABC1234AA") << QStringLiteral("ABCAA1234") << 1;
        QTest::newRow("AA in the middle ends up last") << QByteArray("ABC12aa34") << QStringLiteral("ABC3412aa") << 0;
    }
    void variant_followsReorderedVersion()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QString, stored);
        QFETCH(int, variant);
        EcuIdentity id;
        MemorizzaR8(id, R8Of("31012024", "07", "00", sent));
        QCOMPARE(id.VersioneSoftware, stored);
        QCOMPARE(int(VariantOfSoftwareVersion(id.VersioneSoftware)), variant);
    }

    void r4_storesOldLayoutAndDerivesHardware_data()
    {
        QTest::addColumn<QByteArray>("hw");
        QTest::addColumn<QByteArray>("software");
        QTest::addColumn<int>("versioneHw");
        QTest::newRow("from the software version") << QByteArray("09") << QByteArray("05SW1234Z") << 5;
        QTest::newRow("00: from the frame") << QByteArray("03") << QByteArray("00SW1234Z") << 3;
        QTest::newRow("00 and no number: 2") << QByteArray("xx") << QByteArray("00SW1234Z") << 2;
        QTest::newRow("letters read as 0") << QByteArray("03") << QByteArray("ABSW1234Z") << 0;
    }
    void r4_storesOldLayoutAndDerivesHardware()
    {
        QFETCH(QByteArray, hw);
        QFETCH(QByteArray, software);
        QFETCH(int, versioneHw);
        EcuIdentity id;
        id.FlagIdentificazione = 6;
        MemorizzaR4(id, Checksummed("R4x" + hw + "MAT00042LOT777" + software + "CAR1234ZZ"));
        QCOMPARE(int(id.VersioneHw), versioneHw);
        QCOMPARE(id.Matricola + id.Lotto + id.VersioneSoftware, "MAT00042LOT777" + QString::fromLatin1(software));
        QCOMPARE(id.VersioneCaricatore, QStringLiteral("CARZZ1234"));
        QCOMPARE(id.DataInstallazione, QDate(1900, 1, 1));
        QVERIFY(id.DataRevisione.isNull() && id.TipoInstallazione == -1 && id.FlagIdentificazione == 6);
    }
};

QTEST_GUILESS_MAIN(TestIdentification)
#include "tst_identification.moc"
