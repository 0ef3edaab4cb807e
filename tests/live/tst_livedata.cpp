#include <QLocale>
#include <QtTest>

#include "live/livedata.h"

class TestLiveData : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void postProcess_data()
    {
        QTest::addColumn<int>("field");   // 14: the fuel letter
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("tps 700 is 0") << 6 << QByteArray("700") << "       0";
        QTest::newRow("tps 4500 is 100") << 6 << QByteArray("4500") << "     100";
        QTest::newRow("tps 2600 is 50") << 6 << QByteArray("2600") << "      50";
        QTest::newRow("tps half below zero rounds away") << 6 << QByteArray("681") << "      -1";
        QTest::newRow("tps just below 700 is 0, not -0") << 6 << QByteArray("690") << "       0";
        QTest::newRow("duty in 1234") << 8 << QByteArray("1234") << "   12.34";
        QTest::newRow("duty in negative") << 8 << QByteArray("-50") << "   -0.50";
        QTest::newRow("duty in decimal half held inexactly") << 8 << QByteArray("100.5") << "    1.01";
        QTest::newRow("duty in garbage") << 8 << QByteArray("12a4") << "--------";
        QTest::newRow("duty in exponent") << 8 << QByteArray("1e3") << "--------";
        QTest::newRow("duty in comma") << 8 << QByteArray("1,5") << "--------";
        QTest::newRow("duty in blank") << 8 << QByteArray("") << "--------";
        QTest::newRow("duty pwm 123") << 11 << QByteArray("123") << "   12.30";
        QTest::newRow("delta flow x100") << 13 << QByteArray("0.05") << "       5";
        QTest::newRow("delta flow eight digits fit") << 13 << QByteArray("999999") << "99999900";
        QTest::newRow("delta flow too wide") << 13 << QByteArray("99999999") << "--------";
        QTest::newRow("state 6004") << 5 << QByteArray("6004") << "NORMALE ";
        QTest::newRow("state 6009") << 5 << QByteArray("6009") << "TRANSIT.";
        QTest::newRow("state 6005") << 5 << QByteArray("6005") << "CUT-OFF ";
        QTest::newRow("state 6008") << 5 << QByteArray("6008") << "USC. CO ";
        QTest::newRow("state 6011") << 5 << QByteArray("6011") << "--------";
        QTest::newRow("fuel G") << 14 << QByteArray("G") << "GPL     ";
        QTest::newRow("fuel lower-case b") << 14 << QByteArray("b") << "BENZINA ";
        QTest::newRow("fuel M") << 14 << QByteArray("M") << "--------";
        QTest::newRow("first raw field") << 0 << QByteArray("2500") << "    2500";
        QTest::newRow("last raw field") << 12 << QByteArray("-7") << "      -7";
    }
    void postProcess()
    {
        QFETCH(int, field);
        QFETCH(QByteArray, raw);
        QFETCH(QString, shown);
        // Neighbours hold other numbers, so a field read from the wrong place shows.
        QByteArray frame("DB");
        for (int k = 0; k < 14; ++k)
            frame += (k == field ? raw : QByteArray::number(100 + k)).rightJustified(8, ' ') + '|';
        frame += (field == 14 ? raw : QByteArray("G")) + "\r\n";
        QCOMPARE(frame.size(), 131);
        for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
            QLocale::setDefault(locale);
            LiveRecord rec;
            StoreLiveFrame(rec, frame);
            PostProcessLiveRecord(rec, 1);
            QCOMPARE(rec.Field[field], shown);
            for (const QString &f : rec.Field)
                QCOMPARE(f.size(), 8);
        }
    }

    void channelTitle_addsTheUnitUnlessBlankOrPlaceholder()
    {
        LiveState live;
        InitLiveChannels(live, 1);
        QCOMPARE(ChannelTitle(live, 4), QStringLiteral("Sonda Lambda [mV]"));
        QCOMPARE(ChannelTitle(live, 5), QStringLiteral("Stato"));
        live.LiveChannels[9].Unit = QStringLiteral("          ");
        QCOMPARE(ChannelTitle(live, 9), QStringLiteral("Regime"));
    }
};

QTEST_GUILESS_MAIN(TestLiveData)
#include "tst_livedata.moc"