#include <QtTest>

#include "link/framing.h"
#include "link/identification.h"

namespace {

struct R8Fields {
    QByteArray installed = "31012024";
    QByteArray hw = "07";
    QByteArray revised = "15062023";
    QByteArray type = "00";
    QByteArray software = "ABC1234AA";
};

QByteArray R8(const R8Fields &f)
{
    const QByteArray payload = "R8x" + f.installed + f.hw + f.revised + f.type + "mat12345" + "lot001" + "T1"
                               + f.software + "LXX5678BB";
    return payload + SommaControllo(payload) + "\r\n";
}

QByteArray R4(const QByteArray &hw, const QByteArray &software)
{
    const QByteArray payload = "R4x" + hw + "MAT00042" + "LOT777" + software + "CAR1234ZZ";
    return payload + SommaControllo(payload) + "\r\n";
}

} // namespace

class TestIdentification : public QObject {
    Q_OBJECT
private slots:
    void dates_acceptRealDaysOnly_data();
    void dates_acceptRealDaysOnly();
    void defects_setTheirBits_data();
    void defects_setTheirBits();
    void r8_storesFieldsAndReordersVersions();
    void r8_defectiveFieldsStoreZeroDatesAndMinusOne();
    void variant_dependsOnStoredVersionEnding_data();
    void variant_dependsOnStoredVersionEnding();
    void r4_storesOldLayoutAndDerivesHardware_data();
    void r4_storesOldLayoutAndDerivesHardware();
};

void TestIdentification::dates_acceptRealDaysOnly_data()
{
    QTest::addColumn<QByteArray>("ddmmyyyy");
    QTest::addColumn<bool>("valid");
    QTest::newRow("31/12/1999") << QByteArray("31121999") << true;
    QTest::newRow("29/02 leap year") << QByteArray("29022024") << true;
    QTest::newRow("29/02/2000 century leap") << QByteArray("29022000") << true;
    QTest::newRow("01/01/0001") << QByteArray("01010001") << true;
    QTest::newRow("31/02") << QByteArray("31022024") << false;
    QTest::newRow("29/02 not leap") << QByteArray("29022023") << false;
    QTest::newRow("29/02/1900 century") << QByteArray("29021900") << false;
    QTest::newRow("day 00") << QByteArray("00052020") << false;
    QTest::newRow("month 00") << QByteArray("15002020") << false;
    QTest::newRow("month 13") << QByteArray("15132020") << false;
    QTest::newRow("31/04") << QByteArray("31042021") << false;
    QTest::newRow("year 0000") << QByteArray("01010000") << false;
    QTest::newRow("letters") << QByteArray("1a022020") << false;
    QTest::newRow("signs") << QByteArray("+1022020") << false;
    QTest::newRow("blanks") << QByteArray("        ") << false;
}

void TestIdentification::dates_acceptRealDaysOnly()
{
    QFETCH(QByteArray, ddmmyyyy);
    QFETCH(bool, valid);
    QDate date;
    QCOMPARE(DataGiornoMeseAnno(ddmmyyyy.mid(0, 2), ddmmyyyy.mid(2, 2), ddmmyyyy.mid(4, 4), &date), valid);
    if (valid)
        QCOMPARE(date.toString(QStringLiteral("ddMMyyyy")), QString::fromLatin1(ddmmyyyy));
}

void TestIdentification::defects_setTheirBits_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("flags");
    R8Fields f;
    QTest::newRow("sound") << R8(f) << 0;
    f = {}; f.hw = "0x";
    QTest::newRow("hardware not numeric") << R8(f) << 1;
    f = {}; f.installed = "31022024";
    QTest::newRow("installed 31/02") << R8(f) << 2;
    f = {}; f.revised = "00062023";
    QTest::newRow("revised day 00") << R8(f) << 4;
    f = {}; f.type = "05";
    QTest::newRow("type 05") << R8(f) << 8;
    f = {}; f.type = "01";
    QTest::newRow("type 01") << R8(f) << 0;
    f = {}; f.type = "ab"; f.hw = "x1"; f.installed = "29022023";
    QTest::newRow("several") << R8(f) << (1 | 2 | 8);
}

void TestIdentification::defects_setTheirBits()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, flags);
    QCOMPARE(int(VerificaIdentificazione(frame)), flags);
}

void TestIdentification::r8_storesFieldsAndReordersVersions()
{
    EcuIdentity id;
    const QByteArray frame = R8({});
    QCOMPARE(frame.size(), 61);
    MemorizzaR8(id, frame);
    QCOMPARE(id.FlagIdentificazione, qint16(0));
    QCOMPARE(id.VersioneHw, qint16(7));
    QCOMPARE(id.DataInstallazione, QDate(2024, 1, 31));
    QCOMPARE(id.DataRevisione, QDate(2023, 6, 15));
    QCOMPARE(id.TipoInstallazione, qint16(0));
    QCOMPARE(id.Matricola, QStringLiteral("mat12345"));
    QCOMPARE(id.Lotto, QStringLiteral("lot001"));
    QCOMPARE(id.VersioneTabella, QStringLiteral("T1    "));
    QCOMPARE(id.VersioneSoftware, QStringLiteral("ABCAA1234"));
    QCOMPARE(id.VersioneCaricatore, QStringLiteral("LXXBB5678"));
}

void TestIdentification::r8_defectiveFieldsStoreZeroDatesAndMinusOne()
{
    EcuIdentity id;
    id.DataInstallazione = QDate(2000, 1, 1);
    R8Fields f;
    f.hw = "x1";
    f.installed = "31022024";
    f.revised = "29022023";
    f.type = "zz";
    MemorizzaR8(id, R8(f));
    QCOMPARE(id.FlagIdentificazione, qint16(1 | 2 | 4 | 8));
    QCOMPARE(id.VersioneHw, qint16(-1));
    QVERIFY(id.DataInstallazione.isNull());
    QVERIFY(id.DataRevisione.isNull());
    QCOMPARE(id.TipoInstallazione, qint16(0));

    f = {};
    f.type = "05";
    MemorizzaR8(id, R8(f));
    QCOMPARE(id.TipoInstallazione, qint16(5));   // kept, only flagged
}

void TestIdentification::variant_dependsOnStoredVersionEnding_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("variant");
    QTest::newRow("ABC1234AA reorders to ABCAA1234") << QByteArray("ABC1234AA") << QStringLiteral("ABCAA1234") << 1;
    QTest::newRow("AA in the middle part ends the stored text") << QByteArray("ABC12AA34")
                                                                 << QStringLiteral("ABC3412AA") << 0;
    QTest::newRow("lower case aa") << QByteArray("ABC12aa34") << QStringLiteral("ABC3412aa") << 0;
}

void TestIdentification::variant_dependsOnStoredVersionEnding()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, stored);
    QFETCH(int, variant);
    EcuIdentity id;
    R8Fields f;
    f.software = sent;
    MemorizzaR8(id, R8(f));
    QCOMPARE(id.VersioneSoftware, stored);
    QCOMPARE(int(VarianteDaVersione(id.VersioneSoftware)), variant);
}

void TestIdentification::r4_storesOldLayoutAndDerivesHardware_data()
{
    QTest::addColumn<QByteArray>("hw");
    QTest::addColumn<QByteArray>("software");
    QTest::addColumn<int>("versioneHw");
    QTest::newRow("from the software version") << QByteArray("09") << QByteArray("05SW1234Z") << 5;
    QTest::newRow("00: from the frame") << QByteArray("03") << QByteArray("00SW1234Z") << 3;
    QTest::newRow("00 and no number: 2") << QByteArray("xx") << QByteArray("00SW1234Z") << 2;
    QTest::newRow("letters read as 0") << QByteArray("03") << QByteArray("ABSW1234Z") << 0;
}

void TestIdentification::r4_storesOldLayoutAndDerivesHardware()
{
    QFETCH(QByteArray, hw);
    QFETCH(QByteArray, software);
    QFETCH(int, versioneHw);
    EcuIdentity id;
    id.FlagIdentificazione = 6;
    const QByteArray frame = R4(hw, software);
    QCOMPARE(frame.size(), 41);
    MemorizzaR4(id, frame);
    QCOMPARE(int(id.VersioneHw), versioneHw);
    QCOMPARE(id.Matricola, QStringLiteral("MAT00042"));
    QCOMPARE(id.Lotto, QStringLiteral("LOT777"));
    QCOMPARE(id.VersioneSoftware, QString::fromLatin1(software));
    QCOMPARE(id.VersioneCaricatore, QStringLiteral("CARZZ1234"));
    QCOMPARE(id.TipoInstallazione, qint16(-1));
    QCOMPARE(id.VersioneTabella.trimmed(), QString());
    QCOMPARE(id.DataInstallazione, QDate(1900, 1, 1));
    QVERIFY(id.DataRevisione.isNull());
    QCOMPARE(id.FlagIdentificazione, qint16(6));
}

QTEST_GUILESS_MAIN(TestIdentification)
#include "tst_identification.moc"
