#include <QImage>
#include <QtTest>

#include "live/widgets/chartpane.h"
#include "live/widgets/livechart.h"

namespace {

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

}   // namespace

class TstChartPane : public QObject {
    Q_OBJECT
private slots:
    void segments_renderAtEverySize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small") << QSize(360, 220);
        QTest::newRow("large") << QSize(900, 560);
    }

    void segments_renderAtEverySize()
    {
        QFETCH(QSize, size);
        ChartPane pane;
        setUpPane(pane, size);
        pane.addLine(10, 100, 90, 900);
        pane.addPoint(50, 200);
        const QImage img = pane.grab().toImage();
        QVERIFY(pane.plotRect().width() > size.width() / 2);
        // On the line's ends and middle and on the point, nowhere in the empty upper-left corner.
        for (QPointF at : {QPointF(11, 110), QPointF(50, 500), QPointF(89, 890), QPointF(50, 200)})
            QVERIFY2(tracePixels(img, pane.toWidget(at.x(), at.y()), 2) > 0, qPrintable(QString::number(at.y())));
        QCOMPARE(tracePixels(img, pane.toWidget(15, 850), 6), 0);
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
};

QTEST_MAIN(TstChartPane)
#include "tst_chartpane.moc"
