#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "live/chartmodel.h"
#include "live/chartview.h"
#include "live/livedata.h"

namespace {

struct Call {
    QString op;   // "scale", "yaxis", "xaxis", "grid", "line", "point", "title"
    int pane;
    double a, b, c, d;
    bool watchdogActive;
};

// Records every drawing call, with the watchdog's state at that moment.
class RecordingView : public ChartView {
public:
    QList<Call> calls;
    QTimer *watchdog = nullptr;

    void setTitle(int pane, const QString &) override { add(u"title", pane); }
    void SetPaneScale(int pane, double ymin, double ymax, double xmin, double xmax) override
    {
        add(u"scale", pane, ymin, ymax, xmin, xmax);
    }
    void drawYAxis(int pane, double ymin, double ymax, int, int, const QString &) override
    {
        add(u"yaxis", pane, ymin, ymax);
    }
    void drawXAxis(int pane, double xmin, double xmax, int, int, const QString &) override
    {
        add(u"xaxis", pane, xmin, xmax);
    }
    void drawGrid(int pane, int xd, int yd) override { add(u"grid", pane, xd, yd); }
    void drawLine(int pane, double x1, double y1, double x2, double y2) override
    {
        add(u"line", pane, x1, y1, x2, y2);
    }
    void drawPoint(int pane, double x, double y) override { add(u"point", pane, x, y); }

    QList<Call> of(QStringView op, int pane, int from = 0) const
    {
        QList<Call> out;
        for (int i = from; i < calls.size(); ++i)
            if (calls[i].op == op && calls[i].pane == pane)
                out << calls[i];
        return out;
    }
    QList<Call> traces(int pane, int from = 0) const
    {
        QList<Call> out;
        for (int i = from; i < calls.size(); ++i)
            if ((calls[i].op == u"line" || calls[i].op == u"point") && calls[i].pane == pane)
                out << calls[i];
        return out;
    }

private:
    void add(QStringView op, int pane, double a = 0, double b = 0, double c = 0, double d = 0)
    {
        calls << Call{op.toString(), pane, a, b, c, d, watchdog && watchdog->isActive()};
    }
};

struct Rig {
    QTemporaryDir dir;
    LiveState live;
    RecordingView view;
    ChartModel chart;
    explicit Rig(const QString &spill = {})
        : chart(live, spill.isEmpty() ? dir.filePath(QStringLiteral("DATI_GRAF.GRF")) : spill)
    {
        InitLiveChannels(live, 1);
        chart.setView(&view);
        chart.ResetChart();
        chart.RedrawChart();
    }
    // One display tick's chart work for a sample with these lambda and duty-cycle texts.
    bool tick(const QString &lambda, const QString &duty)
    {
        LiveRecord &cur = live.LiveSample[0];
        cur.Field[4] = RightIn8(lambda);
        cur.Field[8] = RightIn8(duty);
        cur.SampleCounter += 1;
        bool held = false;
        chart.addSample(&held);
        live.LiveSample[1] = cur;
        return held;
    }
    bool tick(double lambda, double duty)
    {
        return tick(QString::number(lambda), FormatLiveNumber(duty, QStringLiteral("#0.00")));
    }
    const LiveChannel &c8() const { return live.LiveChannels[8]; }
};

} // namespace

class TestChartModel : public QObject {
    Q_OBJECT
private slots:
    void fitScale_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("divisions");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::newRow("one value: plus and minus a half") << 12.0 << 12.0 << 2 << 10 << 11.5 << 12.5;
        QTest::newRow("2 apart: span 3 around the middle") << 12.0 << 14.0 << 2 << 10 << 11.5 << 14.5;
        QTest::newRow("span 2.5 halves to 2") << 0.0 << 2.0 << 0 << 5 << 0.0 << 2.0;
        QTest::newRow("span 3.5 halves to 4") << 0.0 << 3.0 << 0 << 5 << -0.5 << 3.5;
        QTest::newRow("span 6.5 halves to 6") << 0.0 << 6.0 << 0 << 5 << 0.0 << 6.0;
        QTest::newRow("wide range with margin") << 5.0 << 80.0 << 2 << 10 << 3.0 << 82.0;
    }

    void fitScale()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(int, margin);
        QFETCH(int, divisions);
        double lo = 0, hi = 0;
        ChartModel::FitScale(a, b, margin, divisions, &lo, &hi);
        QTEST(lo, "min");
        QTEST(hi, "max");
    }

    void nextChartOrigin_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<double>("xmin");
        QTest::addColumn<double>("xmax");
        QTest::addColumn<int>("divisions");
        QTest::addColumn<int>("origin");
        QTest::newRow("sample 100") << 100 << 0.0 << 100.0 << 10 << 10;
        QTest::newRow("sample 109 still 10") << 109 << 0.0 << 100.0 << 10 << 10;
        QTest::newRow("sample 155") << 155 << 0.0 << 100.0 << 10 << 60;
        QTest::newRow("narrow window") << 250 << 0.0 << 50.0 << 5 << 210;
        QTest::newRow("more divisions than samples") << 7 << 0.0 << 5.0 << 20 << 3;
    }

    void nextChartOrigin()
    {
        QFETCH(int, sample);
        QFETCH(double, xmin);
        QFETCH(double, xmax);
        QFETCH(int, divisions);
        QTEST(ChartModel::NextChartOrigin(sample, xmin, xmax, divisions), "origin");
    }

    void redraw_bindsGridToChannels4And8()
    {
        Rig rig;
        rig.live.LiveChannels[4].Divisions = 7;
        rig.live.LiveChannels[8].Divisions = 5;
        rig.view.calls.clear();
        rig.chart.RedrawChart();
        const auto g0 = rig.view.of(u"grid", 0), g1 = rig.view.of(u"grid", 1);
        QCOMPARE(g0.size(), 1);
        QCOMPARE(g0[0].b, 7.0);
        QCOMPARE(g1[0].b, 5.0);
        const auto s0 = rig.view.of(u"scale", 0);
        QCOMPARE(s0[0].a, rig.live.LiveChannels[4].Min);
        QCOMPARE(s0[0].b, rig.live.LiveChannels[4].Max);
        QCOMPARE(s0[0].d, 100.0);
    }

    void scroll_atSample100_movesWindowByOneDivision()
    {
        Rig rig;
        QTimer watchdog;
        watchdog.setInterval(60000);
        watchdog.start();
        rig.chart.setLiveWatchdog(&watchdog);
        rig.view.watchdog = &watchdog;

        for (int s = 0; s <= 99; ++s)
            QVERIFY(!rig.tick(500 + s, 40));
        QCOMPARE(rig.chart.state().ChartOrigin, 0);
        const Call at99 = rig.view.traces(0).last();
        QCOMPARE(at99.op, QStringLiteral("line"));
        QCOMPARE(at99.c, 99.0);

        const int mark = rig.view.calls.size();
        QVERIFY(rig.tick(600, 40));
        QCOMPARE(rig.chart.state().ChartOrigin, 10);
        const auto xaxis = rig.view.of(u"xaxis", 0, mark);
        QCOMPARE(xaxis.size(), 1);
        QCOMPARE(xaxis[0].a, 10.0);
        QCOMPARE(xaxis[0].b, 110.0);
        // Sample 100 lands 10 samples left of the right edge.
        const Call seg = rig.view.traces(0, mark).last();
        QCOMPARE(seg.op, QStringLiteral("line"));
        QCOMPARE(seg.a, 89.0);
        QCOMPARE(seg.c, 90.0);
        QCOMPARE(seg.d, 600.0);

        // The watchdog was off while the panes were rebuilt, and runs again afterwards.
        for (int i = mark; i < rig.view.calls.size() - 2; ++i)
            QVERIFY2(!rig.view.calls[i].watchdogActive, qPrintable(rig.view.calls[i].op));
        QVERIFY(watchdog.isActive());
    }

    void scroll_leavesAStoppedWatchdogStopped()
    {
        Rig rig;
        QTimer watchdog;
        rig.chart.setLiveWatchdog(&watchdog);
        for (int s = 0; s <= 100; ++s)
            rig.tick(500, 40);
        QCOMPARE(rig.chart.state().ChartOrigin, 10);
        QVERIFY(!watchdog.isActive());
    }

    void replot_stopsAfterTheRecordLeftOfTheWindow()
    {
        Rig rig;
        for (int s = 0; s <= 99; ++s)
            rig.tick(s * 10, 40);
        const int mark = rig.view.calls.size();
        rig.tick(1000, 40);   // sample 100: scroll to origin 10

        const auto scales = rig.view.of(u"scale", 0, mark);
        QCOMPARE(scales.size(), 1);
        int start = mark;
        while (rig.view.calls[start].op != u"scale" || rig.view.calls[start].pane != 0)
            ++start;
        const QList<Call> pane0 = rig.view.traces(0, start);
        // Replay from the newest record: a point for sample 100, then one line per
        // older record down to sample 9 (x = -1); then the tick's own segment.
        QCOMPARE(pane0.first().op, QStringLiteral("point"));
        QCOMPARE(pane0.first().a, 90.0);
        QCOMPARE(pane0.size(), 1 + 91 + 1);
        const Call edge = pane0[91];
        QCOMPARE(edge.op, QStringLiteral("line"));
        QCOMPARE(edge.a, 0.0);
        QCOMPARE(edge.c, -1.0);
        QCOMPARE(edge.d, 90.0);   // sample 9's lambda value
        for (const Call &c : pane0)
            QVERIFY(c.a >= -1 && c.c >= -1);
    }

    void scroll_withoutSpillFile_drawsOnlyTheNewSegment()
    {
        // The spill file cannot be created: its folder is missing.
        QTemporaryDir dir;
        Rig rig(dir.filePath(QStringLiteral("gone/DATI_GRAF.GRF")));
        for (int s = 0; s <= 99; ++s)
            rig.tick(500, 40);
        const int mark = rig.view.calls.size();
        rig.tick(500, 40);
        QCOMPARE(rig.chart.state().ChartOrigin, 10);
        QCOMPARE(rig.chart.state().ChartBufferIndex, -1);   // the failed flush still emptied it
        int start = mark;
        while (rig.view.calls[start].op != u"scale" || rig.view.calls[start].pane != 1)
            ++start;
        for (int pane = 0; pane < 2; ++pane) {
            const auto t = rig.view.traces(pane, start);
            QCOMPARE(t.size(), 1);
            QCOMPARE(t[0].op, QStringLiteral("line"));
            QCOMPARE(t[0].c, 90.0);
        }
    }

    void spillFile_recordsAre130CharactersByteExact()
    {
        Rig rig;
        LiveRecord &cur = rig.live.LiveSample[0];
        for (int c = 0; c < 15; ++c)
            cur.Field[c] = RightIn8(QString::number(c * 11));
        cur.Field[5] = QStringLiteral("NORMALE ");
        cur.SampleCounter = 4;
        rig.chart.BufferSample();
        cur.SampleCounter = 12345;
        rig.chart.BufferSample();
        rig.chart.FlushChartBuffer();
        QCOMPARE(rig.chart.state().ChartBufferIndex, -1);

        QFile f(rig.chart.spillPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        QCOMPARE(all.size(), 260);
        QCOMPARE(all.left(130),
                 QByteArray("       4       0      11      22      33      44NORMALE       66      77"
                            "      88      99     110     121     132     143     154\r\n"));
        QCOMPARE(all.mid(130, 8), QByteArray("   12345"));

        // A second flush appends; a reset deletes the file.
        cur.SampleCounter = 12346;
        rig.chart.BufferSample();
        rig.chart.FlushChartBuffer();
        QCOMPARE(QFileInfo(rig.chart.spillPath()).size(), 390);
        rig.chart.ResetChart();
        QVERIFY(!QFile::exists(rig.chart.spillPath()));
    }

    void chartBuffer_fullAfter241Samples_goesToTheFile()
    {
        Rig rig;
        // Rescales would flush early; keep the duty-cycle field blank.
        for (int s = 0; s < 241; ++s) {
            rig.live.LiveSample[0].SampleCounter = s + 1;
            rig.chart.BufferSample();
        }
        QVERIFY(!QFile::exists(rig.chart.spillPath()));
        rig.chart.BufferSample();
        QCOMPARE(QFileInfo(rig.chart.spillPath()).size(), 241 * 130);
        QCOMPARE(rig.chart.state().ChartBufferIndex, 0);
    }

    void autoscale_afterAzzero_followsTheDutyCycle()
    {
        Rig rig;
        rig.chart.Azzero();
        QCOMPARE(rig.c8().ScaleMin, -0.5);
        QCOMPARE(rig.c8().ScaleMax, 0.5);

        rig.tick(500, 10);
        QCOMPARE(rig.c8().ScaleMin, 9.5);
        QCOMPARE(rig.c8().ScaleMax, 10.5);

        // Exactly the top of the scale refits.
        int mark = rig.view.calls.size();
        rig.tick(500, 10.5);
        QCOMPARE(rig.c8().ScaleMin, 9.25);
        QCOMPARE(rig.c8().ScaleMax, 11.25);
        const auto redraw = rig.view.of(u"scale", 1, mark);
        QCOMPARE(redraw.size(), 1);
        QCOMPARE(redraw[0].a, 9.25);
        QCOMPARE(redraw[0].b, 11.25);
        QCOMPARE(rig.view.of(u"scale", 0, mark).size(), 0);

        // Exactly the bottom does not.
        mark = rig.view.calls.size();
        rig.tick(500, 9.25);
        QCOMPARE(rig.c8().ScaleMin, 9.25);
        QCOMPARE(rig.c8().ScaleMax, 11.25);
        QCOMPARE(rig.c8().ObservedMin, 9.25);
        QCOMPARE(rig.view.of(u"scale", 1, mark).size(), 0);

        // Below it does, around the new middle.
        rig.tick(500, 9);
        QCOMPARE(rig.c8().ScaleMin, 8.25);
        QCOMPARE(rig.c8().ScaleMax, 11.25);
    }

    void autoscale_paneRedraw_replaysFromSampleOne()
    {
        Rig rig;
        rig.chart.Azzero();
        rig.tick(500, 10);                 // sample 0
        const int mark = rig.view.calls.size();
        rig.tick(500, 12);                 // sample 1 widens pane 1
        QCOMPARE(rig.c8().ScaleMin, 9.5);
        QCOMPARE(rig.c8().ScaleMax, 12.5);
        // Replay: sample 1 as a point (sample 0 never comes back from the file),
        // then the new segment 0 -> 1. Pane 0 is not replayed.
        const auto t1 = rig.view.traces(1, mark);
        QCOMPARE(t1.size(), 2);
        QCOMPARE(t1[0].op, QStringLiteral("point"));
        QCOMPARE(t1[0].a, 1.0);
        QCOMPARE(t1[0].b, 12.0);
        QCOMPARE(t1[1].op, QStringLiteral("line"));
        QCOMPARE(t1[1].a, 0.0);
        QCOMPARE(rig.view.traces(0, mark).size(), 1);
    }

    void newSegment_leavesGapsAtNonNumericFields()
    {
        Rig rig;
        rig.tick(QStringLiteral("100"), QStringLiteral("--------"));
        rig.tick(QStringLiteral("--------"), QStringLiteral("5"));
        rig.tick(QStringLiteral("300"), QStringLiteral("6"));
        const auto t0 = rig.view.traces(0), t1 = rig.view.traces(1);
        QCOMPARE(t0.size(), 2);
        QCOMPARE(t0[0].op, QStringLiteral("point"));
        QCOMPARE(t0[1].op, QStringLiteral("point"));
        QCOMPARE(t0[1].a, 2.0);
        QCOMPARE(t1.last().op, QStringLiteral("line"));
        QCOMPARE(t1.last().a, 1.0);
        QCOMPARE(t1.last().c, 2.0);
    }

    void historyRing_wrapsAndAutoscaleWalksAcrossTheWrap()
    {
        Rig rig;
        for (int s = 0; s <= 630; ++s) {
            double duty = 40;
            if (s == 530)
                duty = 99;   // left of the final window: must not count
            if (s == 600)
                duty = 80;   // before the ring's wrap
            if (s == 625)
                duty = 5;    // after it
            rig.tick(500, duty);
            if (s == 620)
                QCOMPARE(rig.chart.state().HistoryIndex, 620);
            if (s == 621)
                QCOMPARE(rig.chart.state().HistoryIndex, 0);
        }
        QCOMPARE(rig.chart.state().ChartOrigin, 540);
        QCOMPARE(rig.c8().ScaleMin, 3.0);
        QCOMPARE(rig.c8().ScaleMax, 82.0);
        QCOMPARE(rig.c8().ObservedMin, 5.0);
        QCOMPARE(rig.c8().ObservedMax, 80.0);
    }

    void replot_ignoresTornAndForeignSpillFiles()
    {
        Rig rig;
        QFile f(rig.chart.spillPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(129, 'x'));   // shorter than one record
        f.close();
        rig.view.calls.clear();
        rig.chart.ReplotFromFile();
        QVERIFY(rig.view.calls.isEmpty());

        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(130 * 3, '#'));   // whole records of nonsense
        f.close();
        rig.chart.ReplotFromFile();
        QVERIFY(rig.view.calls.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChartModel)
#include "tst_chartmodel.moc"
