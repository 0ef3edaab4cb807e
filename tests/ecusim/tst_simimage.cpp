#include <QtTest>

#include "tools/ecusim/simimage.h"

namespace {
struct Range {
    int record;
    int low;
    int high;
};
}

// The default image must load into the editor without any value being forced
// to a slider limit, in both variants.
class SimImageTest : public QObject {
    Q_OBJECT
private slots:
    void flowTables_riseSmoothlyAndScaledPointsFit();
    void parameters_insideTheEditorRanges_data();
    void parameters_insideTheEditorRanges();
    void everyValue_fitsSixCharacters_data();
    void everyValue_fitsSixCharacters();
};

void SimImageTest::flowTables_riseSmoothlyAndScaledPointsFit()
{
    const QVector<int> image = ecusim::defaultImage(0, 2900);
    for (int t = 0; t < 2; ++t) {
        const int scale = image[t];
        QVERIFY(scale > 0);
        int largest = 0;
        for (int i = 1; i <= 1000; ++i) {
            const int point = image[2 + 1000 * t + i - 1];
            if (i > 1) {
                const int previous = image[2 + 1000 * t + i - 2];
                QVERIFY2(point > previous, qPrintable(QStringLiteral("table %1 point %2").arg(t).arg(i)));
                QVERIFY(point - previous < 40);   // no jumps
            }
            QVERIFY(qint64(scale) * point < 32767);
            largest = std::max(largest, point);
        }
        // Renormalising with every correction at 100 % gives back the same scale.
        QCOMPARE(int(10000 / (double(largest) / scale)), scale);
    }
}

void SimImageTest::parameters_insideTheEditorRanges_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QList<Range>>("ranges");
    QTest::addColumn<int>("selector");
    // Switchover: cold 10..50, hot 10..80, delay 5..100 s held in quarter seconds,
    // forced gas 10..50, back to petrol -41..10 and never -1; cut-off threshold 500..5000.
    QTest::newRow("variant AA") << 0
        << QList<Range>{{2654, 10, 50}, {2689, 10, 80}, {2688, 20, 400}, {2655, 10, 50}, {2726, -41, 10},
                        {2658, 500, 5000}}
        << 2653;
    QTest::newRow("other variant") << 1
        << QList<Range>{{2654, 10, 50}, {2694, 10, 80}, {2693, 20, 400}, {2695, 10, 50}, {2696, -41, 10},
                        {2683, 500, 5000}}
        << 2643;
}

void SimImageTest::parameters_insideTheEditorRanges()
{
    QFETCH(int, variant);
    QFETCH(QList<Range>, ranges);
    QFETCH(int, selector);
    const QVector<int> image = ecusim::defaultImage(variant, 2900);
    auto at = [&](int record) { return image[record - 1]; };
    for (const Range &r : ranges) {
        QVERIFY2(at(r.record) >= r.low && at(r.record) <= r.high, qPrintable(QString::number(r.record)));
        QVERIFY(at(r.record) != -1);
    }
    QCOMPARE(at(selector), 0);
    QCOMPARE(at(2828), -1);
    QCOMPARE(at(2827), 99);
    // Transient parameters are scaled by percentages: never the 9999 marker, never negative.
    const QList<int> transient = variant == 0
        ? QList<int>{2648, 2721, 2643, 2719, 2716, 2712, 2742, 2631, 2632, 2713, 2647, 2720}
        : QList<int>{2660, 2674, 2661, 2675, 2721, 2729, 2720, 2728, 2723, 2731, 2670, 2656, 2718, 2726, 2659, 2673};
    for (int record : transient)
        QVERIFY2(at(record) > 0 && at(record) < 9999, qPrintable(QString::number(record)));
}

void SimImageTest::everyValue_fitsSixCharacters_data()
{
    QTest::addColumn<int>("variant");
    QTest::newRow("variant AA") << 0;
    QTest::newRow("other variant") << 1;
}

void SimImageTest::everyValue_fitsSixCharacters()
{
    QFETCH(int, variant);
    for (int v : ecusim::defaultImage(variant, 2900))
        QVERIFY(v >= -99999 && v <= 32767);
}

QTEST_GUILESS_MAIN(SimImageTest)
#include "tst_simimage.moc"
