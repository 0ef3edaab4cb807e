#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "app/messages.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/livedisplay.h"
#include "live/recorder.h"

namespace {

class RecordingValues : public LiveValuesView {
public:
    QMap<int, QString> values;
    QString deltaFlow;
    QList<FuelColour> colours;
    int calls = 0;
    void showValue(int label, const QString &text) override
    {
        values[label] = text;
        ++calls;
    }
    void showDeltaFlow(const QString &text) override
    {
        deltaFlow = text;
        ++calls;
    }
    void setFuelColour(FuelColour colour) override
    {
        colours << colour;
        ++calls;
    }
};

class CallbackSink : public MessageSink {
public:
    std::function<void()> during;
    int shown = 0;
    int showMessage(const QString &, int, const QString &, int) override
    {
        ++shown;
        if (during)
            during();   // what timers would do while a modal dialog is open
        return 1;
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override {}
};

// Field k holds 1000 + 10k + `tag`; the fuel letter closes the frame.
QByteArray frame(int tag, char fuel = 'G')
{
    QByteArray f("DB");
    for (int k = 0; k < 14; ++k) {
        const QByteArray v = k == 5 ? QByteArray("6000") : QByteArray::number(1000 + 10 * k + tag);
        f += v.rightJustified(8, ' ') + ' ';
    }
    f += fuel;
    f += "\r\n";
    return f;
}

struct Rig {
    QTemporaryDir dir;
    LiveState live;
    ChartModel chart{live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))};
    Recorder recorder{live};
    LiveDisplay display{live, chart, recorder};
    RecordingValues view;
    int lingua = 1;
    Rig()
    {
        InitLiveChannels(live, 1);
        chart.ResetChart();
        display.setView(&view);
        display.setLanguage(lingua);
    }
    // What the link does with an accepted frame.
    void receive(const QByteArray &f)
    {
        StoreLiveFrame(live.LiveSample[0], f);
        PostProcessLiveRecord(live.LiveSample[0], lingua);
        live.LiveDisplayEnabled = true;
    }
};

} // namespace

class TestLiveDisplay : public QObject {
    Q_OBJECT
private slots:
    void twoFramesBetweenTicks_showOnlyTheSecond()
    {
        Rig r;
        r.receive(frame(1));
        r.receive(frame(2));
        r.display.VisDatiTick();
        QCOMPARE(r.live.LiveSample[0].SampleCounter, 0);
        QCOMPARE(r.view.values[0], QStringLiteral("    1002"));
        QVERIFY(!r.live.LiveDisplayEnabled);
        QCOMPARE(r.chart.state().HistoryIndex, 0);

        const int calls = r.view.calls;
        r.display.VisDatiTick();   // no new frame: nothing at all
        QCOMPARE(r.view.calls, calls);
        QCOMPARE(r.live.LiveSample[0].SampleCounter, 0);
        QCOMPARE(r.chart.state().HistoryIndex, 0);

        r.receive(frame(3));
        r.display.VisDatiTick();
        QCOMPARE(r.live.LiveSample[0].SampleCounter, 1);
        QCOMPARE(r.live.LiveSample[1].SampleCounter, 1);
        QCOMPARE(r.live.LiveSample[1].Field[0], QStringLiteral("    1003"));
    }

    void labels_showTheirChannels()
    {
        Rig r;
        r.receive(frame(0));
        r.display.VisDatiTick();
        const LiveRecord &cur = r.live.LiveSample[0];
        QCOMPARE(r.view.values.size(), 13);
        for (int label = 0; label < 13; ++label)
            QCOMPARE(r.view.values[label], cur.Field[LiveDisplay::channelOfLabel(label)]);
        QCOMPARE(r.view.values[5], QStringLiteral("       9"));   // T.P.S. of raw 1060
        QCOMPARE(LiveDisplay::channelOfLabel(13), -1);
        QCOMPARE(r.view.deltaFlow, cur.Field[13]);
        QCOMPARE(r.view.deltaFlow, QStringLiteral("  113000"));   // 1130 x 100
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
        QTest::newRow("petrol, language 2") << 'b' << 2 << FuelColour::Petrol;
    }

    void fuelColour()
    {
        QFETCH(char, fuel);
        QFETCH(int, lingua);
        Rig r;
        r.lingua = lingua;
        r.display.setLanguage(lingua);
        r.receive(frame(0, fuel));
        r.display.VisDatiTick();
        QCOMPARE(r.view.colours.size(), 1);
        QTEST(r.view.colours[0], "colour");
    }

    void tick_recordsWhileARecordingRuns()
    {
        Rig r;
        r.receive(frame(0));
        r.display.VisDatiTick();   // before the recording: not numbered
        QCOMPARE(r.live.LiveSample[1].RecordCounter, -1);
        QVERIFY(r.recorder.start(r.dir.filePath(QStringLiteral("A.DAT")), false));
        for (int i = 1; i <= 3; ++i) {
            r.receive(frame(i));
            r.display.VisDatiTick();
        }
        QCOMPARE(r.recorder.state().RecordBufferIndex, 2);
        QCOMPARE(r.recorder.state().RecordBuffer[2].RecordCounter, 2);
        QCOMPARE(r.recorder.state().RecordBuffer[2].Field[0], QStringLiteral("    1003"));
        QCOMPARE(r.live.LiveSample[1].RecordCounter, 2);
        QCOMPARE(r.live.LiveSample[1].SampleCounter, 3);
    }

    void tickDuringFailureMessage_doesNotHandleTheSampleTwice()
    {
        Rig r;
        CallbackSink sink;
        r.recorder.setMessageSink(&sink, 1);
        QVERIFY(r.recorder.start(r.dir.filePath(QStringLiteral("gone/A.DAT")), false));
        qint32 counterInMessage = -2;
        sink.during = [&] {
            r.display.VisDatiTick();
            counterInMessage = r.live.LiveSample[0].SampleCounter;
        };
        for (int i = 0; i < 242; ++i) {
            r.receive(frame(i % 7));
            r.display.VisDatiTick();
        }
        QCOMPARE(sink.shown, 1);
        QCOMPARE(counterInMessage, 241);
        QCOMPARE(r.live.LiveSample[0].SampleCounter, 241);
        QCOMPARE(r.live.LiveSample[0].RecordCounter, 241);
        QCOMPARE(r.recorder.backlogSize(), 241);
    }
};

QTEST_GUILESS_MAIN(TestLiveDisplay)
#include "tst_livedisplay.moc"
