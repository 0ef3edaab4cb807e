#include <QtTest>
#include <cmath>

#include "live/minmaxcolumns.h"
#include "live/viewer/viewrange.h"

namespace {

// Samples in [-1000, 1000) with NaN gaps: single ones at `nanRate`, and a run
// of 100 that empties whole blocks of the pyramid.
std::vector<double> randomSamples(int n, double nanRate, quint32 seed)
{
    QRandomGenerator rng(seed);
    std::vector<double> v(static_cast<size_t>(n));
    for (double &x : v)
        x = rng.generateDouble() < nanRate ? std::nan("") : rng.bounded(2000.0) - 1000.0;
    for (int i = n / 3; i < std::min(n, n / 3 + 100); ++i)
        v[size_t(i)] = std::nan("");
    return v;
}

// Row by row into the column the row falls in, without any blocks.
std::vector<MinMax> bruteForce(const std::vector<double> &v, int first, int last, int width)
{
    std::vector<MinMax> out(static_cast<size_t>(width));
    const qint64 rows = qint64(last) - first + 1;
    for (int r = first; r <= last; ++r) {
        const double x = v[size_t(r)];
        if (std::isnan(x))
            continue;
        MinMax &m = out[size_t(qint64(r - first) * width / rows)];
        m.min = m.isEmpty() || x < m.min ? x : m.min;
        m.max = std::isnan(m.max) || x > m.max ? x : m.max;
    }
    return out;
}

}   // namespace

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
        ViewRange p(10000);   // a drag of 2 pixels over 800 is 2.5 rows: the nearest row, away from zero
        p.setRange(4000, 4999);
        p.panPixels(-2, 800);
        QCOMPARE(p.first(), 4003);
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
        ViewRange v(5000);
        v.setRange(1000, 1999);   // a row per pixel at width 1000
        v.zoomToPixels(x0, x1, 1000);
        QTEST(v.first(), "first");
        QTEST(v.last(), "last");
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
        QVERIFY(v.xOfRow(first - 1, width) < 0 && v.xOfRow(last + 1, width) >= width);
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
        const YScale s = AutoScale(lo, hi);
        QTEST(s.min, "min");
        QTEST(s.max, "max");
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

    void columns_equalARowByRowPass_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<double>("nanRate");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");   // -1: the last sample
        QTest::addColumn<int>("width");
        QTest::newRow("zoomed out, full window") << 180000 << 0.05 << 0 << -1 << 1600;
        QTest::newRow("zoomed out, odd width") << 180001 << 0.05 << 0 << -1 << 997;
        QTest::newRow("unaligned range") << 100000 << 0.2 << 12345 << 67890 << 800;
        QTest::newRow("range inside one block") << 1000 << 0.1 << 17 << 29 << 5;
        QTest::newRow("as many columns as rows") << 5000 << 0.1 << 3 << 1602 << 1600;
        QTest::newRow("zoomed in, empty columns between rows") << 180000 << 0.05 << 90001 << 91000 << 1600;
        QTest::newRow("single row") << 100 << 0.0 << 10 << 10 << 7;
        QTest::newRow("all gaps") << 777 << 1.0 << 0 << -1 << 300;
        QTest::newRow("short channel") << 15 << 0.3 << 0 << -1 << 4;
    }
    void columns_equalARowByRowPass()
    {
        QFETCH(int, samples);
        QFETCH(double, nanRate);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, width);
        if (last < 0)
            last = samples - 1;
        const std::vector<double> v = randomSamples(samples, nanRate, quint32(samples + width));
        const MinMaxColumns pyramid(v);
        std::vector<MinMax> got;
        pyramid.columns(first, last, width, got);
        const std::vector<MinMax> want = bruteForce(v, first, last, width);
        QCOMPARE(got.size(), want.size());
        int filled = 0;
        for (size_t c = 0; c < want.size(); ++c) {
            QCOMPARE(got[c].min, want[c].min);   // NaN equals NaN here: both empty
            QCOMPARE(got[c].max, want[c].max);
            filled += !want[c].isEmpty();
        }
        // The comparison covers filled columns, not only empty ones.
        QVERIFY(nanRate == 1.0 || filled > 0);
    }

    // Every length and start of range over a few block sizes.
    void range_equalsAScanOfItsRows()
    {
        const std::vector<double> v = randomSamples(300, 0.1, 7);
        const MinMaxColumns pyramid(v);
        for (int first = 0; first < 300; first += 7) {
            MinMax want;
            for (int last = first; last < 300; ++last) {
                const double x = v[size_t(last)];
                if (!std::isnan(x)) {
                    want.min = want.isEmpty() || x < want.min ? x : want.min;
                    want.max = std::isnan(want.max) || x > want.max ? x : want.max;
                }
                const MinMax got = pyramid.range(first, last);
                QCOMPARE(got.min, want.min);
                QCOMPARE(got.max, want.max);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestViewRange)
#include "tst_viewrange.moc"
