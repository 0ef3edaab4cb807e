#include <QtTest>
#include <cmath>

#include "live/viewer/viewrange.h"

class TestViewRange : public QObject {
    Q_OBJECT
private slots:
    // Wheel zoom keeps the row under the pointer where it was, in and out, until
    // the view meets an end of the recording or the closest zoom.
    void zoomAt_keepsTheRowUnderThePointer_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("factor");
        QTest::newRow("zoomed out, in") << 180000 << 0 << 179999 << 1200 << 700.0 << 0.5;
        QTest::newRow("zoomed in, in again") << 180000 << 5000 << 5999 << 1200 << 333.0 << 0.8;
        QTest::newRow("fewer rows than pixels") << 500 << 100 << 199 << 900 << 451.0 << 0.7;
        QTest::newRow("out") << 180000 << 50000 << 50999 << 1200 << 10.0 << 1.25;
        QTest::newRow("pointer at the right edge") << 180000 << 1000 << 1999 << 800 << 799.0 << 0.5;
    }
    void zoomAt_keepsTheRowUnderThePointer()
    {
        QFETCH(int, total);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, width);
        QFETCH(double, x);
        QFETCH(double, factor);
        ViewRange v(total);
        v.setRange(first, last);
        const int before = v.rowAt(x, width), count = v.count();
        v.zoomAt(x, width, factor);
        QCOMPARE(v.rowAt(x, width), before);
        QCOMPARE(v.count(), int(std::lround(count * factor)));
        QVERIFY(v.first() >= 0 && v.last() < total);
    }

    // Zooming and panning never leave the recording nor go below the closest zoom.
    void zoomAndPan_stayInsideTheRecording()
    {
        ViewRange v(1000);
        v.zoomAt(0, 1000, 3.0);
        QCOMPARE(v.first(), 0);
        QCOMPARE(v.last(), 999);
        for (int i = 0; i < 60; ++i)
            v.zoomAt(990, 1000, 0.5);
        QCOMPARE(v.count(), ViewRange::kMinRows);
        QCOMPARE(v.rowAt(990, 1000), 990);
        v.panPixels(-100000, 1000);
        QCOMPARE(v.last(), 999);
        v.panPixels(100000, 1000);
        QCOMPARE(v.first(), 0);
        QCOMPARE(v.count(), ViewRange::kMinRows);
        v.showAll();
        QCOMPARE(v.count(), 1000);

        ViewRange tiny(3);   // shorter than the closest zoom: shown whole
        tiny.zoomAt(1, 10, 0.1);
        QCOMPARE(tiny.count(), 3);
        ViewRange empty;
        empty.zoomAt(5, 100, 0.5);
        empty.panPixels(10, 100);
        QCOMPARE(empty.count(), 0);
        QCOMPARE(empty.rowAt(5, 100), 0);
    }

    // Dragging moves the rows with the pointer: a drag of a quarter of the width
    // shows rows a quarter of the view earlier.
    void panPixels_followsThePointer()
    {
        ViewRange v(10000);
        v.setRange(4000, 4999);
        const int grabbed = v.rowAt(400, 800);
        v.panPixels(200, 800);
        QCOMPARE(v.first(), 3750);
        QCOMPARE(v.rowAt(600, 800), grabbed);
    }

    // The rubber band shows exactly the rows under it, whichever way it was drawn;
    // a band narrower than the closest zoom opens around its middle.
    void zoomToPixels_showsTheRowsUnderTheBand_data()
    {
        QTest::addColumn<double>("x0");
        QTest::addColumn<double>("x1");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("left to right") << 100.0 << 300.0 << 1100 << 1300;
        QTest::newRow("right to left") << 300.0 << 100.0 << 1100 << 1300;
        QTest::newRow("narrow") << 500.0 << 502.0 << 1496 << 1505;
    }
    void zoomToPixels_showsTheRowsUnderTheBand()
    {
        QFETCH(double, x0);
        QFETCH(double, x1);
        QFETCH(int, first);
        QFETCH(int, last);
        ViewRange v(5000);
        v.setRange(1000, 1999);   // a row per pixel at width 1000
        v.zoomToPixels(x0, x1, 1000);
        QCOMPARE(v.first(), first);
        QCOMPARE(v.last(), last);
    }

    // Pixels and rows agree both ways: the row found at a row's centre is that row,
    // zoomed in (many pixels a row) and out (many rows a pixel).
    void rowAt_inverts_xOfRow_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("width");
        QTest::newRow("zoomed in") << 200 << 219 << 1000;
        QTest::newRow("row per pixel") << 0 << 999 << 1000;
    }
    void rowAt_inverts_xOfRow()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, width);
        ViewRange v(100000);
        v.setRange(first, last);
        for (int r = first; r <= last; ++r)
            QCOMPARE(v.rowAt(v.xOfRowCentre(r, width), width), r);
        QCOMPARE(v.rowAt(-50, width), first);
        QCOMPARE(v.rowAt(width + 50, width), last);
        QVERIFY(v.xOfRow(first - 1, width) < 0);
        QVERIFY(v.xOfRow(last + 1, width) >= width);
    }

    void autoScale_addsTheMargin_data()
    {
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::newRow("span") << 100.0 << 900.0 << 60.0 << 940.0;
        QTest::newRow("negative") << -0.4 << 0.4 << -0.44 << 0.44;
        QTest::newRow("flat") << 50.0 << 50.0 << 45.0 << 55.0;
        QTest::newRow("flat zero") << 0.0 << 0.0 << -1.0 << 1.0;
        QTest::newRow("no data") << qQNaN() << qQNaN() << 0.0 << 1.0;
    }
    void autoScale_addsTheMargin()
    {
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(double, min);
        QFETCH(double, max);
        const YScale s = AutoScale(lo, hi);
        QCOMPARE(s.min, min);
        QCOMPARE(s.max, max);
    }

    void niceStep_andDurations()
    {
        QCOMPARE(NiceStep(0, 1000, 5), 200.0);
        QCOMPARE(NiceStep(0, 1000, 10), 100.0);
        QCOMPARE(NiceStep(-0.44, 0.44, 4), 0.5);
        QCOMPARE(NiceStep(5, 5, 4), 1.0);
        QCOMPARE(FormatDuration(SampleSeconds(0)), u"0:00.0"_qs);
        QCOMPARE(FormatDuration(SampleSeconds(3)), u"0:00.6"_qs);
        QCOMPARE(FormatDuration(SampleSeconds(1501)), u"5:00.2"_qs);
        QCOMPARE(FormatDuration(SampleSeconds(180000)), u"10:00:00"_qs);
        QCOMPARE(FormatDuration(-1.5), u"-0:01.5"_qs);
    }
};

QTEST_GUILESS_MAIN(TestViewRange)
#include "tst_viewrange.moc"
