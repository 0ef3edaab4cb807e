#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

#include "live/minmaxcolumns.h"

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

class TestMinMaxColumns : public QObject {
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(TestMinMaxColumns)
#include "tst_minmaxcolumns.moc"
