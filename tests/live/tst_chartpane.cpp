#include <QImage>
#include <QPaintEvent>
#include <QtTest>

#include "live/widgets/chartpane.h"
#include "live/widgets/livechart.h"

namespace {

const QColor kTrace(255, 0, 255);

bool isTrace(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) > 200;
}

// Trace-coloured pixels of `img` inside `r` (widget coordinates).
int tracePixels(const QImage &img, const QRect &r, qreal dpr)
{
    int n = 0;
    const QRect d(QPoint(int(r.left() * dpr), int(r.top() * dpr)), QSize(int(r.width() * dpr), int(r.height() * dpr)));
    for (int y = std::max(0, d.top()); y <= std::min(img.height() - 1, d.bottom()); ++y)
        for (int x = std::max(0, d.left()); x <= std::min(img.width() - 1, d.right()); ++x)
            n += isTrace(img.pixel(x, y));
    return n;
}

QRect around(const QPointF &p, int r) { return QRect(p.toPoint() - QPoint(r, r), QSize(2 * r + 1, 2 * r + 1)); }

void setUpPane(ChartPane &pane)
{
    pane.setTraceColour(kTrace);
    pane.setTitle(QStringLiteral("Sonda Lambda [mV]"));
    pane.setScale(0, 1000, 0, 100);
    pane.setYAxis(0, 1000, 10, 0, QStringLiteral("#0"));
    pane.setXAxis(0, 100, 10, 10, QStringLiteral("#0"));
    pane.setGrid(10, 10);
}

// Remembers the rectangles it was asked to repaint.
class RecordingPane : public ChartPane {
public:
    QList<QRect> painted;
protected:
    void paintEvent(QPaintEvent *e) override
    {
        painted.append(e->rect());
        ChartPane::paintEvent(e);
    }
};

} // namespace

class TstChartPane : public QObject {
    Q_OBJECT
private slots:
    void segments_renderAtEverySize_data();
    void segments_renderAtEverySize();
    void setScale_clearsTheTraces();
    void newSegment_repaintsOnlyItsRectangle();
    void fullRepaint_matchesIncrementalDrawing();
    void yLabels_endBeyondTheTicks();
    void liveChart_ignoresUnknownPanes();
};

void TstChartPane::segments_renderAtEverySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(360, 220);
    QTest::newRow("large") << QSize(900, 560);
}

void TstChartPane::segments_renderAtEverySize()
{
    QFETCH(QSize, size);
    ChartPane pane;
    setUpPane(pane);
    pane.resize(size);
    pane.addLine(10, 100, 90, 900);
    pane.addPoint(50, 200);

    const QImage img = pane.grab().toImage();
    const qreal dpr = img.devicePixelRatio();
    QVERIFY(pane.plotRect().width() > size.width() / 2);
    // On the line's middle and on the point, nowhere in the empty upper-left corner.
    QVERIFY(tracePixels(img, around(pane.toWidget(50, 500), 2), dpr) > 0);
    QVERIFY(tracePixels(img, around(pane.toWidget(50, 200), 2), dpr) > 0);
    QCOMPARE(tracePixels(img, around(pane.toWidget(15, 850), 6), dpr), 0);
    // The trace spans the pane's width: its ends sit where the user coordinates say.
    QVERIFY(tracePixels(img, around(pane.toWidget(11, 110), 2), dpr) > 0);
    QVERIFY(tracePixels(img, around(pane.toWidget(89, 890), 2), dpr) > 0);
}

void TstChartPane::setScale_clearsTheTraces()
{
    ChartPane pane;
    setUpPane(pane);
    pane.resize(400, 260);
    pane.addLine(0, 0, 100, 1000);
    QCOMPARE(pane.traces().size(), 1);
    pane.setScale(-100, 1100, 0, 100);
    QCOMPARE(pane.traces().size(), 0);
    const QImage img = pane.grab().toImage();
    QCOMPARE(tracePixels(img, pane.plotRect(), img.devicePixelRatio()), 0);
    QCOMPARE(pane.yAxis().max, 1000.0);   // the scale labels are drawn separately
}

void TstChartPane::newSegment_repaintsOnlyItsRectangle()
{
    RecordingPane pane;
    setUpPane(pane);
    pane.resize(500, 300);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QTRY_VERIFY(!pane.painted.isEmpty());
    pane.painted.clear();

    pane.addLine(40, 300, 41, 320);
    QTRY_VERIFY(!pane.painted.isEmpty());
    const QRect segment = pane.traceRect(ChartPane::Trace{QPointF(40, 300), QPointF(41, 320), false});
    for (const QRect &r : pane.painted)
        QVERIFY2(segment.contains(r), qPrintable(QStringLiteral("repainted %1,%2 %3x%4")
                                                     .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
}

void TstChartPane::fullRepaint_matchesIncrementalDrawing()
{
    ChartPane pane;
    setUpPane(pane);
    pane.resize(480, 300);
    pane.grab();   // the cache exists from here on, so the segments below are drawn one by one
    for (int x = 0; x < 60; x += 3)
        pane.addLine(x, 500 + 300 * ((x / 3) % 2), x + 3, 500 + 300 * (((x / 3) + 1) % 2));
    pane.addPoint(70, 100);
    const QImage incremental = pane.grab().toImage();

    pane.setGrid(10, 10);   // throws the cache away: everything is painted again from the list
    const QImage full = pane.grab().toImage();
    QCOMPARE(full, incremental);
    QVERIFY(tracePixels(full, pane.plotRect(), full.devicePixelRatio()) > 100);
}

void TstChartPane::yLabels_endBeyondTheTicks()
{
    ChartPane pane;
    setUpPane(pane);
    pane.resize(400, 260);
    const QImage img = pane.grab().toImage();
    const qreal dpr = img.devicePixelRatio();
    const int line = pane.plotRect().left() - 1;
    const int major = qRound(100 * pane.logicalDpiX() / 1440.0);
    const int gap = qRound(150 * pane.logicalDpiX() / 1440.0);
    const int y = qRound(pane.toWidget(0, 500).y());   // the middle tick, labelled "500"

    auto dark = [&](int x, int yy) {
        const QRgb c = img.pixel(int(x * dpr), int(yy * dpr));
        return qGray(c) < 128;
    };
    // The tick reaches `major` units left of the line; nothing is drawn between it and the label.
    QVERIFY(dark(line - major + 1, y) || dark(line - major + 1, y - 1));
    bool labelSeen = false, gapClear = true;
    for (int x = 0; x < line - major - 1; ++x) {
        bool any = false;
        for (int yy = y - 4; yy <= y + 4; ++yy)
            any = any || dark(x, yy);
        if (x > line - gap + 1)
            gapClear = gapClear && !any;
        else
            labelSeen = labelSeen || any;
    }
    QVERIFY(labelSeen);
    QVERIFY(gapClear);
}

void TstChartPane::liveChart_ignoresUnknownPanes()
{
    LiveChart chart;
    chart.SetPaneScale(1, 0, 100, 0, 100);
    chart.drawLine(1, 0, 0, 10, 10);
    chart.drawLine(2, 0, 0, 10, 10);
    chart.drawPoint(-1, 5, 5);
    chart.setTitle(1, QStringLiteral("Duty cycle IN [%]"));
    QCOMPARE(chart.pane(1)->traces().size(), 1);
    QCOMPARE(chart.pane(0)->traces().size(), 0);
    QCOMPARE(chart.pane(1)->title(), QStringLiteral("Duty cycle IN [%]"));
    QVERIFY(chart.pane(2) == nullptr);
}

QTEST_MAIN(TstChartPane)
#include "tst_chartpane.moc"
