#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QtTest>

#include "live/chartmodel.h"
#include "live/chartview.h"
#include "live/livedata.h"
#include "live/widgets/boxdati.h"
#include "live/widgets/chartpane.h"
#include "live/widgets/livechart.h"
#include "support/files.h"

namespace {

// op: s scale, x/y axis, t title, g grid, l line, p point.
struct Call {
    char op;
    int pane;
    double a, b, c, d;
    bool watchdogActive;
};

// Records every drawing call, with the watchdog's state at that moment.
struct RecordingView : ChartView {
    QList<Call> calls;
    QTimer *watchdog = nullptr;

    void setTitle(int p, const QString &) override { add('t', p); }
    void SetPaneScale(int p, double y0, double y1, double x0, double x1) override { add('s', p, y0, y1, x0, x1); }
    void drawYAxis(int p, double y0, double y1, int, int, const QString &) override { add('y', p, y0, y1); }
    void drawXAxis(int p, double x0, double x1, int, int, const QString &) override { add('x', p, x0, x1); }
    void drawGrid(int p, int, int) override { add('g', p); }
    void drawLine(int p, double x1, double y1, double x2, double y2) override { add('l', p, x1, y1, x2, y2); }
    void drawPoint(int p, double x, double y) override { add('p', p, x, y); }

    // Calls to `pane` from index `from` on whose op is one of `ops`.
    QList<Call> of(const char *ops, int pane, qsizetype from = 0) const
    {
        QList<Call> out;
        for (qsizetype i = from; i < calls.size(); ++i)
            if (calls[i].pane == pane && QByteArray(ops).contains(calls[i].op))
                out << calls[i];
        return out;
    }
    void add(char op, int p, double a = 0, double b = 0, double c = 0, double d = 0)
    {
        calls << Call{op, p, a, b, c, d, watchdog && watchdog->isActive()};
    }
};

struct Rig {
    QTemporaryDir dir;
    LiveState live;
    RecordingView view;
    ChartModel chart;
    explicit Rig(bool spill = true)
        : chart(live, dir.filePath(QLatin1String(spill ? "DATI_GRAF.GRF" : "gone/DATI_GRAF.GRF")))
    {
        InitLiveChannels(live, 1);
        chart.setView(&view);
        chart.ResetChart();
    }
    // One display tick's chart work for a sample with these lambda and duty-cycle texts.
    bool tick(const QVariant &lambda, const QVariant &duty)
    {
        LiveRecord &cur = live.LiveSample[0];
        cur.Field[4] = RightIn8(lambda.toString());
        cur.Field[8] = RightIn8(duty.toString());
        cur.SampleCounter += 1;
        bool held = false;
        chart.addSample(&held);
        live.LiveSample[1] = cur;
        return held;
    }
    const LiveChannel &c8() const { return live.LiveChannels[8]; }
    qsizetype mark() const { return view.calls.size(); }
};

// Trace-coloured (magenta) pixels of `img` within `r` pixels of the widget point `p`.
int tracePixels(const QImage &img, const QPointF &p, int r)
{
    const qreal dpr = img.devicePixelRatio();
    int n = 0;
    for (int y = qMax(0, int((p.y() - r) * dpr)); y <= qMin(img.height() - 1, int((p.y() + r) * dpr)); ++y)
        for (int x = qMax(0, int((p.x() - r) * dpr)); x <= qMin(img.width() - 1, int((p.x() + r) * dpr)); ++x) {
            const QRgb c = img.pixel(x, y);
            n += qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) > 200;
        }
    return n;
}

void setUpPane(ChartPane &pane, QSize size)
{
    pane.setTraceColour(QColor(255, 0, 255));
    pane.setScale(0, 1000, 0, 100);
    pane.setYAxis(0, 1000, 10, 0, QStringLiteral("#0"));
    pane.setXAxis(0, 100, 10, 10, QStringLiteral("#0"));
    pane.setGrid(10, 10);
    pane.resize(size);
}

// The region each watched widget was asked to paint, gathered until cleared.
class PaintLog : public QObject {
public:
    void watch(QWidget *w) { w->installEventFilter(this); }
    QRegion painted(QWidget *w) const { return m_painted.value(w); }
    void clear() { m_painted.clear(); }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            m_painted[static_cast<QWidget *>(o)] += static_cast<QPaintEvent *>(e)->region();
        return false;
    }

private:
    QHash<QWidget *, QRegion> m_painted;
};

}   // namespace

class TestChartModel : public QObject {
    Q_OBJECT
private slots:
    void nextChartOrigin_movesByWholeDivisions()
    {
        QCOMPARE(ChartModel::NextChartOrigin(109, 0, 100, 10), 10);
        QCOMPARE(ChartModel::NextChartOrigin(250, 0, 50, 5), 210);
        QCOMPARE(ChartModel::NextChartOrigin(7, 0, 5, 20), 3);   // more divisions than samples
    }

    void scroll_atSample100_replotsToTheLeftEdgeWithTheWatchdogHeld_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("spill");
        QTest::newRow("watchdog running") << true << true;
        QTest::newRow("stopped watchdog stays stopped") << false << true;
        QTest::newRow("no spill file: only the new segment") << true << false;
    }
    void scroll_atSample100_replotsToTheLeftEdgeWithTheWatchdogHeld()
    {
        QFETCH(bool, running);
        QFETCH(bool, spill);
        Rig rig(spill);
        QTimer watchdog;
        watchdog.setInterval(60000);
        if (running)
            watchdog.start();
        rig.chart.setLiveWatchdog(&watchdog);
        rig.view.watchdog = &watchdog;
        for (int s = 0; s <= 99; ++s)
            QVERIFY(!rig.tick(s * 10, 40));

        const qsizetype mark = rig.mark();
        QVERIFY(rig.tick(1000, 40));
        QCOMPARE(rig.chart.state().ChartOrigin, 10);
        QCOMPARE(rig.chart.state().ChartBufferIndex, -1);   // flushed, even when that failed
        const auto xaxis = rig.view.of("x", 0, mark);
        QCOMPARE(xaxis.size(), 1);
        QCOMPARE(xaxis[0].b, 110.0);
        // Replay from the newest record (a point at x = 90) down to sample 9 just left
        // of the edge, then the tick's own segment 89 -> 90.
        const auto t = rig.view.of("lp", 0, mark);
        QCOMPARE(t.size(), spill ? 1 + 91 + 1 : 1);
        if (spill) {
            QCOMPARE(t[0].op, 'p');
            QCOMPARE(t[0].a, 90.0);
            QCOMPARE(t[91].c, -1.0);
            QCOMPARE(t[91].d, 90.0);
        }
        QCOMPARE(t.last().op, 'l');
        QCOMPARE(t.last().a, 89.0);
        QCOMPARE(t.last().c, 90.0);
        QCOMPARE(t.last().d, 1000.0);
        // Only the two new segments come after the watchdog is restarted.
        for (qsizetype i = mark; i < rig.view.calls.size() - 2; ++i)
            QVERIFY(!rig.view.calls[i].watchdogActive);
        QCOMPARE(watchdog.isActive(), running);
    }

    void spillFile_takesFullBuffersAsByteExactRecords()
    {
        Rig rig;
        LiveRecord &cur = rig.live.LiveSample[0];
        for (int c = 0; c < 15; ++c)
            cur.Field[c] = RightIn8(QString::number(c * 11));
        cur.Field[5] = QStringLiteral("NORMALE ");
        for (int s = 0; s < 241; ++s) {
            cur.SampleCounter = s == 0 ? 4 : 12345;
            rig.chart.BufferSample();
        }
        QVERIFY(!QFile::exists(rig.chart.spillPath()));
        rig.chart.BufferSample();
        const QByteArray all = ReadFile(rig.chart.spillPath());
        QCOMPARE(all.size(), 241 * 130);
        QCOMPARE(all.left(130), QByteArray("       4       0      11      22      33      44NORMALE       66      77"
                                           "      88      99     110     121     132     143     154\r\n"));
        QCOMPARE(all.mid(130, 8), QByteArray("   12345"));
        rig.chart.FlushChartBuffer();
        QCOMPARE(QFileInfo(rig.chart.spillPath()).size(), 242 * 130);
        rig.chart.ResetChart();
        QVERIFY(!QFile::exists(rig.chart.spillPath()));
    }

    // Fields that fill all eight characters, each telling its sample and channel apart, so a
    // field read one character or one column off gives another number.
    void replot_readsEachPanesOwnFieldBack()
    {
        Rig rig;
        rig.live.ChartChannels = {2, 13};
        auto value = [](int sample, int channel) { return 10000000.0 + sample * 1000 + channel * 10 + 7; };
        LiveRecord &cur = rig.live.LiveSample[0];
        for (int s = 1; s <= 40; ++s) {
            cur.SampleCounter = s;
            for (int c = 0; c < 15; ++c)
                cur.Field[c] = QString::number(value(s, c), 'f', 0);
            rig.chart.BufferSample();
        }
        rig.chart.FlushChartBuffer();
        const qsizetype mark = rig.mark();
        rig.chart.ReplotFromFile();
        for (int pane = 0; pane < 2; ++pane) {
            const int c = rig.live.ChartChannels[pane];
            const auto t = rig.view.of("lp", pane, mark);
            QCOMPARE(t.size(), 40);
            QCOMPARE(t[0].op, 'p');
            QCOMPARE(t[0].b, value(40, c));
            for (int i = 1; i < 40; ++i) {   // newest first: each line from sample 41 - i back to 40 - i
                QCOMPARE(t[i].a, double(41 - i));
                QCOMPARE(t[i].b, value(41 - i, c));
                QCOMPARE(t[i].c, double(40 - i));
                QCOMPARE(t[i].d, value(40 - i, c));
            }
        }
    }

    void autoscale_refitsAtScaleMaxButNotAtScaleMin()
    {
        Rig rig;
        rig.chart.Azzero();
        rig.tick(500, 10);
        QCOMPARE(rig.c8().ScaleMin, 9.5);
        QCOMPARE(rig.c8().ScaleMax, 10.5);

        qsizetype mark = rig.mark();
        rig.tick(500, 10.5);
        QCOMPARE(rig.c8().ScaleMin, 9.25);
        QCOMPARE(rig.c8().ScaleMax, 11.25);
        QCOMPARE(rig.view.of("s", 1, mark).size(), 1);
        // Pane 1 is replayed (sample 1 as a point, then the new segment); pane 0 is left alone.
        const auto t1 = rig.view.of("lp", 1, mark);
        QCOMPARE(t1.size(), 2);
        QCOMPARE(t1[0].b, 10.5);
        QCOMPARE(rig.view.of("s", 0, mark).size(), 0);
        QCOMPARE(rig.view.of("lp", 0, mark).size(), 1);

        mark = rig.mark();
        rig.tick(500, 9.25);
        QCOMPARE(rig.c8().ScaleMin, 9.25);
        QCOMPARE(rig.c8().ObservedMin, 9.25);
        QCOMPARE(rig.view.of("s", 1, mark).size(), 0);

        rig.tick(500, 9);
        QCOMPARE(rig.c8().ScaleMin, 8.25);
        QCOMPARE(rig.c8().ScaleMax, 11.25);
    }

    void newSegment_leavesGapsAtNonNumericFields()
    {
        Rig rig;
        rig.tick(100, kNoValue);
        rig.tick(kNoValue, 5);
        rig.tick(300, 6);
        const auto t0 = rig.view.of("lp", 0), t1 = rig.view.of("lp", 1);
        QCOMPARE(t0.size(), 2);
        QCOMPARE(t0[1].op, 'p');
        QCOMPARE(t0[1].a, 2.0);
        QCOMPARE(t1.last().op, 'l');
        QCOMPARE(t1.last().a, 1.0);
        QCOMPARE(t1.last().c, 2.0);
    }

    void autoscaleFromHistory_walksBackAcrossTheRingsWrap()
    {
        Rig rig;
        for (int s = 0; s <= 630; ++s) {
            // 99 lies left of the final window; 80 comes before the ring wraps, 5 after.
            rig.tick(500, s == 530 ? 99 : s == 600 ? 80 : s == 625 ? 5 : 40);
        }
        QCOMPARE(rig.chart.state().ChartOrigin, 540);
        QCOMPARE(rig.c8().ScaleMin, 3.0);
        QCOMPARE(rig.c8().ScaleMax, 82.0);
        QCOMPARE(rig.c8().ObservedMax, 80.0);
    }

    void fullRepaint_matchesIncrementalDrawingUntilARescale()
    {
        ChartPane pane;
        setUpPane(pane, QSize(480, 300));
        pane.grab();   // the cache exists from here on, so the segments below are drawn one by one
        for (int x = 0; x < 60; x += 3)
            pane.addLine(x, 500 + 300 * ((x / 3) % 2), x + 3, 500 + 300 * (((x / 3) + 1) % 2));
        // Segments that do not meet stay apart in a full repaint too.
        pane.addLine(70, 200, 80, 200);
        pane.addLine(85, 900, 95, 900);
        const QImage incremental = pane.grab().toImage();
        pane.setGrid(10, 5);    // a changed grid throws the cache away,
        pane.setGrid(10, 10);   // and back: everything is painted again from the list
        const QImage full = pane.grab().toImage();
        QCOMPARE(full, incremental);
        QVERIFY(tracePixels(full, pane.toWidget(31.5, 650), 2) > 0);
        QCOMPARE(tracePixels(full, pane.toWidget(82.5, 550), 6), 0);
        pane.setScale(-100, 1100, 0, 100);   // a new scale starts an empty chart
        QVERIFY(pane.traces().isEmpty());
        QCOMPARE(tracePixels(pane.grab().toImage(), pane.plotRect().center(), pane.width()), 0);
    }

    void liveChart_ignoresUnknownPanes()
    {
        LiveChart chart;
        chart.drawLine(1, 0, 0, 10, 10);
        chart.drawLine(2, 0, 0, 10, 10);
        chart.drawPoint(-1, 5, 5);
        QCOMPARE(chart.pane(1)->traces().size(), 1);
        QVERIFY(chart.pane(0)->traces().isEmpty() && chart.pane(2) == nullptr);
    }

    // The display tick sets every value five times a second and the chart draws
    // its axes again at each scroll: what did not change must not be painted again.
    void valuePanel_repaintsOnlyWhatChanged()
    {
        BoxDati box;
        box.resize(220, 700);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.showValue(0, QStringLiteral("    1200"));
        box.showValue(1, QStringLiteral("     300"));
        box.setFuelColour(FuelColour::Gas);
        PaintLog log;
        for (QLabel *l : {box.DatiMot(0), box.DatiMot(1), box.DatiMot(12)})
            log.watch(l);
        QTRY_VERIFY(!box.DatiMot(12)->styleSheet().isEmpty());
        QCoreApplication::processEvents();
        log.clear();

        const QString fuelStyle = box.DatiMot(12)->styleSheet();
        box.showValue(0, QStringLiteral("    1200"));
        box.setFuelColour(FuelColour::Gas);
        box.showValue(1, QStringLiteral("     310"));
        QTRY_VERIFY(!log.painted(box.DatiMot(1)).isEmpty());
        QVERIFY(log.painted(box.DatiMot(0)).isEmpty() && log.painted(box.DatiMot(12)).isEmpty());

        box.setFuelColour(FuelColour::Petrol);
        QVERIFY(box.DatiMot(12)->styleSheet() != fuelStyle);
        QTRY_VERIFY(!log.painted(box.DatiMot(12)).isEmpty());
        QCOMPARE(box.fuelColour(), FuelColour::Petrol);
    }

    void chartPane_sameYAxisRepaintsNothingButTheNewSegment()
    {
        ChartPane pane;
        setUpPane(pane, QSize(480, 300));
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        PaintLog log;
        log.watch(&pane);
        QCoreApplication::processEvents();
        log.clear();

        pane.setYAxis(0, 1000, 10, 0, QStringLiteral("#0"));
        pane.setGrid(10, 10);
        pane.addLine(10, 100, 12, 200);
        QTRY_VERIFY(!log.painted(&pane).isEmpty());
        QVERIFY(pane.plotRect().contains(log.painted(&pane).boundingRect()));

        log.clear();
        pane.setYAxis(0, 2000, 10, 0, QStringLiteral("#0"));   // a new scale: the labels change
        QTRY_VERIFY(!log.painted(&pane).isEmpty());
        QVERIFY(!pane.plotRect().contains(log.painted(&pane).boundingRect()));
        QCOMPARE(pane.yAxis().max, 2000.0);
    }
};

QTEST_MAIN(TestChartModel)
#include "tst_chartmodel.moc"
