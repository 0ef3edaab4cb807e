#include <QTemporaryDir>
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
};

QTEST_GUILESS_MAIN(TestLiveDisplay)
#include "tst_livedisplay.moc"