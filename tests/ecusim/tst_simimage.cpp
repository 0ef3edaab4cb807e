#include <QtTest>

#include "tools/ecusim/simimage.h"

// The default image must load into the editor without any value forced to a
// slider limit, in both variants.
class SimImageTest : public QObject {
    Q_OBJECT
private slots:
    void defaultImage_fitsTheEditor_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<int>>("records");   // cold, hot, delay, forced gas, back to petrol, cut-off
        QTest::addColumn<int>("selector");
        QTest::newRow("variant AA") << 0 << QList<int>{2654, 2689, 2688, 2655, 2726, 2658} << 2653;
        QTest::newRow("other variant") << 1 << QList<int>{2654, 2694, 2693, 2695, 2696, 2683} << 2643;
    }
    void defaultImage_fitsTheEditor()
    {
        QFETCH(int, variant);
        QFETCH(QList<int>, records);
        QFETCH(int, selector);
        const QVector<int> image = ecusim::defaultImage(variant, 2900);
        const int low[6] = {10, 10, 20, 10, -41, 500}, high[6] = {50, 80, 400, 50, 10, 5000};
        for (int i = 0; i < 6; ++i) {
            const int v = image[records[i] - 1];
            QVERIFY2(v >= low[i] && v <= high[i] && v != -1, qPrintable(QString::number(records[i])));
        }
        QCOMPARE(image[selector - 1], 0);
        QCOMPARE(image[2827], -1);
        QCOMPARE(image[2826], 99);
        for (int v : image)
            QVERIFY(v >= -99999 && v <= 32767);   // six characters on the wire
        // The flow tables rise smoothly and their scaled points stay inside 16 bits.
        for (int t = 0; t < 2; ++t) {
            const int scale = image[t];
            for (int i = 1; i < 1000; ++i) {
                const int point = image[2 + 1000 * t + i], previous = image[1 + 1000 * t + i];
                QVERIFY2(point > previous && point - previous < 40, qPrintable(QStringLiteral("%1/%2").arg(t).arg(i)));
                QVERIFY(qint64(scale) * point < 32767);
            }
        }
    }
};

QTEST_GUILESS_MAIN(SimImageTest)
#include "tst_simimage.moc"
