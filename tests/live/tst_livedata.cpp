#include <QLocale>
#include <QtTest>

#include "app/texts.h"
#include "live/livedata.h"

namespace {

// A 131-character "D" frame: fields 0..13 each 8 characters after the two-character
// head, a separator after each, the fuel letter at position 129, CR LF.
QByteArray makeFrame(const QList<QByteArray> &fields, char fuel)
{
    QByteArray f("DB");
    for (int k = 0; k < 14; ++k)
        f += fields.value(k).rightJustified(8, ' ', true) + '|';
    f += fuel;
    f += "\r\n";
    return f;
}

QString text8(int baseId, int lingua = 1)
{
    return TestoL(baseId, lingua).left(8).leftJustified(8);
}

} // namespace

class TestLiveData : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void frame_fieldsComeFromTheirPositions()
    {
        QList<QByteArray> fields;
        for (int k = 0; k < 14; ++k)
            fields << QByteArray::number(1000 + k);
        const QByteArray frame = makeFrame(fields, 'g');
        QCOMPARE(frame.size(), 131);
        LiveRecord rec;
        StoreLiveFrame(rec, frame);
        for (int k = 0; k < 14; ++k)
            QCOMPARE(rec.Field[k], QStringLiteral("    %1").arg(1000 + k));
        QCOMPARE(rec.Field[14], QStringLiteral("g       "));
    }

    void postProcess_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("shown");

        QTest::newRow("tps 700 is 0") << 6 << QByteArray("700") << "       0";
        QTest::newRow("tps 4500 is 100") << 6 << QByteArray("4500") << "     100";
        QTest::newRow("tps 2600 is 50") << 6 << QByteArray("2600") << "      50";
        QTest::newRow("tps half rounds up") << 6 << QByteArray("719") << "       1";
        QTest::newRow("tps half below zero rounds away") << 6 << QByteArray("681") << "      -1";
        QTest::newRow("tps just below 700 is 0, not -0") << 6 << QByteArray("690") << "       0";
        QTest::newRow("tps garbage counts as 0") << 6 << QByteArray("ab") << "     -18";
        QTest::newRow("duty in 1234") << 8 << QByteArray("1234") << "   12.34";
        QTest::newRow("duty in negative") << 8 << QByteArray("-50") << "   -0.50";
        QTest::newRow("duty in garbage") << 8 << QByteArray("12a4") << "--------";
        QTest::newRow("duty in exponent") << 8 << QByteArray("1e3") << "--------";
        QTest::newRow("duty in blank") << 8 << QByteArray("") << "--------";
        QTest::newRow("duty pwm 123") << 11 << QByteArray("123") << "   12.30";
        QTest::newRow("duty pwm garbage") << 11 << QByteArray("--") << "--------";
        QTest::newRow("delta flow x100") << 13 << QByteArray("0.05") << "       5";
        QTest::newRow("delta flow garbage counts as 0") << 13 << QByteArray("x") << "       0";
        QTest::newRow("delta flow too wide") << 13 << QByteArray("99999999") << "--------";
        QTest::newRow("state 6004") << 5 << QByteArray("6004") << text8(365);
        QTest::newRow("state 6009") << 5 << QByteArray("6009") << text8(366);
        QTest::newRow("state 6005") << 5 << QByteArray("6005") << text8(367);
        QTest::newRow("state 6008") << 5 << QByteArray("6008") << text8(368);
        QTest::newRow("state 6011") << 5 << QByteArray("6011") << "--------";
        QTest::newRow("state 5999") << 5 << QByteArray("5999") << "--------";
        QTest::newRow("raw field untouched") << 9 << QByteArray("2500") << "    2500";
    }

    void postProcess()
    {
        QFETCH(int, field);
        QFETCH(QByteArray, raw);
        QFETCH(QString, shown);
        QList<QByteArray> fields(14, QByteArray("0"));
        fields[field] = raw;
        LiveRecord rec;
        StoreLiveFrame(rec, makeFrame(fields, 'G'));
        PostProcessLiveRecord(rec, 1);
        QCOMPARE(rec.Field[field], shown);
        for (const QString &f : rec.Field)
            QCOMPARE(f.size(), 8);
    }

    void postProcess_fuelNames_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QString>("shown");
        QTest::newRow("G") << 'G' << 1 << text8(221);
        QTest::newRow("lower-case b") << 'b' << 1 << text8(223);
        QTest::newRow("M") << 'M' << 1 << "--------";
        QTest::newRow("blank") << ' ' << 1 << "--------";
        QTest::newRow("G, language 4") << 'G' << 4 << text8(221, 4);
    }

    void postProcess_fuelNames()
    {
        QFETCH(char, letter);
        QFETCH(int, lingua);
        QFETCH(QString, shown);
        LiveRecord rec;
        StoreLiveFrame(rec, makeFrame(QList<QByteArray>(14, "0"), letter));
        PostProcessLiveRecord(rec, lingua);
        QCOMPARE(rec.Field[14], shown);
    }

    void stateAndFuelNames_areTheLocalisedTexts()
    {
        // Guards the table-driven rows above against an empty text table.
        QCOMPARE(text8(365), QStringLiteral("NORMALE "));
        QCOMPARE(text8(367), QStringLiteral("CUT-OFF "));
        QCOMPARE(text8(221), QStringLiteral("GPL     "));
        QCOMPARE(text8(223), QStringLiteral("BENZINA "));
    }

    void postProcess_usesPointUnderACommaLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QList<QByteArray> fields(14, QByteArray("0"));
        fields[8] = "1234";
        fields[11] = "5";
        LiveRecord rec;
        StoreLiveFrame(rec, makeFrame(fields, 'B'));
        PostProcessLiveRecord(rec, 1);
        QCOMPARE(rec.Field[8], QStringLiteral("   12.34"));
        QCOMPARE(rec.Field[11], QStringLiteral("    0.50"));
        double v = 0;
        QVERIFY(IsNumericText(QStringLiteral(" 3.25"), &v));
        QCOMPARE(v, 3.25);
        QVERIFY(!IsNumericText(QStringLiteral("3,25")));
    }

    void formatLiveNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        QTest::newRow("half up") << 2.5 << "#0" << "       3";
        QTest::newRow("half down away from zero") << -2.5 << "#0" << "      -3";
        QTest::newRow("no negative zero") << -0.4 << "#0" << "       0";
        QTest::newRow("two decimals half") << 0.125 << "#0.00" << "    0.13";
        QTest::newRow("decimal half held inexactly") << 1.005 << "#0.00" << "    1.01";
        QTest::newRow("eight digits fit") << 12345678.0 << "#0" << "12345678";
        QTest::newRow("nine digits do not") << 123456789.0 << "#0" << "--------";
        QTest::newRow("leading zero kept") << 0.5 << "#0.00" << "    0.50";
    }

    void formatLiveNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, shown);
        QCOMPARE(FormatLiveNumber(value, format), shown);
    }

    void isNumericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        QTest::newRow("blanks around") << "  12 " << true << 12.0;
        QTest::newRow("sign and point") << "-3.5" << true << -3.5;
        QTest::newRow("plus") << "+7" << true << 7.0;
        QTest::newRow("trailing point") << "12." << true << 12.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("exponent") << "1e3" << false << 0.0;
        QTest::newRow("comma") << "1,5" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("point alone") << "." << false << 0.0;
        QTest::newRow("sign alone") << "-" << false << 0.0;
        QTest::newRow("blank between sign and digits") << "- 5" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks") << "        " << false << 0.0;
        QTest::newRow("dashes") << "--------" << false << 0.0;
        QTest::newRow("hex") << "0x1F" << false << 0.0;
    }

    void isNumericText()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        double v = -99;
        QCOMPARE(IsNumericText(text, &v), numeric);
        if (numeric)
            QCOMPARE(v, value);
        QCOMPARE(LiveNumber(text), value);
    }

    void initLiveChannels_fillsFixedWidthTableAndClearsSamples()
    {
        LiveState live;
        live.LiveSample[0].SampleCounter = 55;
        live.LiveSample[1].RecordCounter = 9;
        live.LiveSample[0].Field[3] = QStringLiteral("x");
        live.LiveDisplayEnabled = true;
        live.ChartChannels = {0, 1};
        InitLiveChannels(live, 1);

        for (const LiveChannel &ch : live.LiveChannels) {
            QCOMPARE(ch.Name.size(), 20);
            QCOMPARE(ch.Unit.size(), 10);
        }
        QCOMPARE(live.LiveChannels[4].Name, QStringLiteral("Sonda Lambda        "));
        QCOMPARE(live.LiveChannels[15].Name.trimmed(), QStringLiteral("Campioni"));
        QCOMPARE(live.LiveChannels[3].Min, -40.0);
        QCOMPARE(live.LiveChannels[6].Divisions, qint16(17));
        QCOMPARE(live.LiveChannels[6].Subdivisions, qint16(3));
        QCOMPARE(live.LiveChannels[8].Format, QStringLiteral("#0.00"));
        QCOMPARE(live.LiveChannels[15].MarginPercent, qint16(1));
        QCOMPARE(live.LiveChannels[15].Max, 100.0);
        for (const LiveRecord &rec : live.LiveSample) {
            QCOMPARE(rec.SampleCounter, -1);
            QCOMPARE(rec.RecordCounter, -1);
            for (const QString &f : rec.Field)
                QCOMPARE(f, QStringLiteral("        "));
        }
        QVERIFY(!live.LiveDisplayEnabled);
        QCOMPARE(live.ChartChannels, (std::array<int, 2>{4, 8}));
    }

    void channelTitle_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("title");
        QTest::newRow("with unit") << "Regime              " << "1/min     " << "Regime [1/min]";
        QTest::newRow("blank unit") << "Regime              " << "          " << "Regime";
        QTest::newRow("placeholder unit") << "Stato               " << "-         " << "Stato";
    }

    void channelTitle()
    {
        QFETCH(QString, name);
        QFETCH(QString, unit);
        QFETCH(QString, title);
        LiveState live;
        live.LiveChannels[9].Name = name;
        live.LiveChannels[9].Unit = unit;
        QCOMPARE(ChannelTitle(live, 9), title);
    }

    void channelTitle_ofTheTable()
    {
        LiveState live;
        InitLiveChannels(live, 1);
        QCOMPARE(ChannelTitle(live, 4), QStringLiteral("Sonda Lambda [mV]"));
        QCOMPARE(ChannelTitle(live, 12), QStringLiteral("Portata teo. [kg/sx10^5]"));
        QCOMPARE(ChannelTitle(live, 5), QStringLiteral("Stato"));
    }
};

QTEST_GUILESS_MAIN(TestLiveData)
#include "tst_livedata.moc"
