#include <QtTest>
#include <algorithm>
#include <functional>

#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/livedisplay.h"
#include "live/recorder.h"
#include "support/fakelinkui.h"

namespace {

class RecordingValues : public LiveValuesView {
public:
    QMap<int, QString> values;
    QString deltaFlow;
    QList<FuelColour> colours;
    void showValue(int label, const QString &text) override { values[label] = text; }
    void showDeltaFlow(const QString &text) override { deltaFlow = text; }
    void setFuelColour(FuelColour colour) override { colours << colour; }
};

// Runs `during` while its message is on screen, as timers would under a modal dialog.
struct ReentrantSink : FakeLinkUi {
    std::function<void()> during;
    int showMessage(const QString &text, int flags, const QString &title, int position) override
    {
        during();
        return FakeLinkUi::showMessage(text, flags, title, position);
    }
};

struct Rig {
    QTemporaryDir dir;
    LiveState live;
    ChartModel chart{live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))};
    Recorder recorder{live};
    LiveDisplay display{live, chart, recorder};
    RecordingValues view;
    int lingua;
    qint64 now = 0;   // the recorder's clock, ms
    explicit Rig(int lingua = 1) : lingua(lingua)
    {
        recorder.setClock([this] { return now; });
        InitLiveChannels(live, 1);
        chart.ResetChart();
        display.setView(&view);
        display.setLanguage(lingua);
    }
    // What the link does with an accepted frame: field k holds 1000 + 10k + tag, the state 6000.
    void receive(int tag, char fuel = 'G')
    {
        QByteArray f("DB");
        for (int k = 0; k < 14; ++k)
            f += QByteArray::number(k == 5 ? 6000 : 1000 + 10 * k + tag).rightJustified(8, ' ') + ' ';
        StoreLiveFrame(live.LiveSample[0], f + fuel + "\r\n");
        PostProcessLiveRecord(live.LiveSample[0], lingua);
        live.LiveDisplayEnabled = true;
    }
};

}   // namespace

class TestLiveDisplay : public QObject {
    Q_OBJECT
private slots:
    void twoFramesBetweenTicks_makeOneSampleOfTheSecond()
    {
        Rig r;
        r.receive(1);
        r.receive(2);
        r.display.VisDatiTick();
        QCOMPARE(r.live.LiveSample[0].SampleCounter, 0);
        QCOMPARE(r.view.values[0], QStringLiteral("    1002"));
        QCOMPARE(r.view.values[5], QStringLiteral("      10"));   // T.P.S. of raw 1062
        QCOMPARE(r.view.values[11], QStringLiteral("NORMALE "));
        QCOMPARE(r.view.deltaFlow, QStringLiteral("  113200"));
        QCOMPARE(r.chart.state().HistoryIndex, 0);

        r.view.values.clear();
        r.display.VisDatiTick();   // no new frame: nothing at all
        QVERIFY(r.view.values.isEmpty());
        QCOMPARE(r.chart.state().HistoryIndex, 0);

        r.receive(3);
        r.display.VisDatiTick();
        QCOMPARE(r.live.LiveSample[1].SampleCounter, 1);
        QCOMPARE(r.live.LiveSample[1].Field[0], QStringLiteral("    1003"));
    }

    void fuelColour_data()
    {
        QTest::addColumn<char>("fuel");
        QTest::addColumn<int>("lingua");
        QTest::addColumn<FuelColour>("colour");
        QTest::newRow("gas") << 'G' << 1 << FuelColour::Gas;
        QTest::newRow("petrol") << 'B' << 1 << FuelColour::Petrol;
        QTest::newRow("methane letter is unknown") << 'M' << 1 << FuelColour::Unknown;
        QTest::newRow("gas, language 4") << 'G' << 4 << FuelColour::Gas;
    }
    void fuelColour()
    {
        QFETCH(char, fuel);
        QFETCH(int, lingua);
        Rig r(lingua);
        r.receive(0, fuel);
        r.display.VisDatiTick();
        QCOMPARE(r.view.colours.size(), 1);
        QTEST(r.view.colours[0], "colour");
    }

    // The chart can be reset by the user (`Azzero`) or the link while a frame
    // waits for its tick; that frame must still be shown, charted and recorded.
    void resetBetweenFrameAndTick_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("Azzero") << true;
        QTest::newRow("chart reset") << false;
    }
    void resetBetweenFrameAndTick()
    {
        QFETCH(bool, byButton);
        Rig r;
        QVERIFY(r.recorder.start(r.dir.filePath(QStringLiteral("A.DAT")), false));
        r.receive(1);
        r.display.VisDatiTick();
        r.receive(2);
        if (byButton)
            r.chart.Azzero();
        else
            r.chart.ResetChart();
        r.view.values.clear();
        r.view.colours.clear();
        r.display.VisDatiTick();

        QCOMPARE(r.view.values[0], QStringLiteral("    1002"));
        QCOMPARE(r.view.values[11], QStringLiteral("NORMALE "));
        QCOMPARE(r.view.deltaFlow, QStringLiteral("  113200"));
        QCOMPARE(r.view.colours, QList<FuelColour>{FuelColour::Gas});

        // The chart starts over with this sample as its first.
        const LiveRecord &cur = r.live.LiveSample[0];
        QCOMPARE(cur.SampleCounter, 0);
        QCOMPARE(r.chart.state().HistoryIndex, 0);
        QCOMPARE(r.chart.state().History[0].Field[0], QStringLiteral("    1002"));
        QCOMPARE(r.chart.state().ChartBuffer[0].Field[8], QStringLiteral("   10.82"));
        QCOMPARE(r.live.LiveChannels[8].ScaleMin, 10.32);
        QCOMPARE(r.live.LiveChannels[8].ScaleMax, 11.32);

        // The recording goes on, with the sample after the one before the reset.
        const RecordingState &rec = r.recorder.state();
        QCOMPARE(rec.RecordBufferIndex, 1);
        QCOMPARE(rec.RecordBuffer[1].RecordCounter, 1);
        QCOMPARE(rec.RecordBuffer[1].Field, cur.Field);
        QVERIFY(std::find(cur.Field.begin(), cur.Field.end(), kBlankField) == cur.Field.end());
    }

    void tickDuringFailureMessage_doesNotHandleTheSampleTwice()
    {
        Rig r;
        ReentrantSink sink;
        r.recorder.setMessageSink(&sink, 1);
        QVERIFY(r.recorder.start(r.dir.filePath(QStringLiteral("gone/A.DAT")), false));
        qint32 counterInMessage = -2;
        sink.during = [&] {
            r.display.VisDatiTick();
            counterInMessage = r.live.LiveSample[0].SampleCounter;
        };
        for (int i = 0; i < 242; ++i) {
            r.receive(i % 7);
            r.display.VisDatiTick();
        }
        QCOMPARE(sink.messages.size(), 1);
        QCOMPARE(counterInMessage, 241);
        QCOMPARE(r.live.LiveSample[0].SampleCounter, 241);
        QCOMPARE(r.recorder.backlogSize(), 241);
    }

    // Frames stop (the link's watchdog has not closed it yet): the idle ticks
    // still get the held sample into the file within 2 s.
    void idleTicks_flushTheRecordingWhenDue_data()
    {
        QTest::addColumn<int>("idleMs");
        QTest::addColumn<qint64>("size");
        QTest::newRow("1.8 s") << 1800 << qint64(0);
        QTest::newRow("2 s") << 2000 << qint64(3 * 145);
    }
    void idleTicks_flushTheRecordingWhenDue()
    {
        QFETCH(int, idleMs);
        Rig r;
        const QString path = r.dir.filePath(QStringLiteral("A.DAT"));
        QVERIFY(r.recorder.start(path, false));
        r.receive(1);
        r.display.VisDatiTick();
        for (int t = 200; t <= idleMs; t += 200) {
            r.now = t;
            r.display.VisDatiTick();
        }
        QTEST(QFileInfo(path).size(), "size");
    }

    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void postProcess_data()
    {
        QTest::addColumn<int>("field");   // 14: the fuel letter
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("tps 700 is 0") << 6 << QByteArray("700") << "       0";
        QTest::newRow("tps 4500 is 100") << 6 << QByteArray("4500") << "     100";
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
            QTEST(rec.Field[field], "shown");
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

QTEST_GUILESS_MAIN(TestLiveDisplay)
#include "tst_livedisplay.moc"
