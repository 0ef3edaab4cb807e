#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

#include "link/imagefile.h"
#include "live/livestate.h"
#include "mapeditor/mapmodel.h"
#include "support/files.h"

namespace {

constexpr int ImageRecords = 2828;

bool writeImage(const QString &path, const std::map<int, double> &values, int count = ImageRecords)
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        bytes += CodificaRecord(values.count(n) ? values.at(n) : 0).toLatin1() + "\r\n";
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

double valueAt(const QString &path, int record)
{
    return ValoreCampo(QString::fromLatin1(LeggiImmagine(path).mid((record - 1) * 6, 6)));
}

}   // namespace

class TestMapModel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    // Table 0: scale `scale0`, point i = 100 + 7i (peak 7100), or every point `flat0`.
    // Table 1: scale 40, every point 4000.
    void writeFlowImages(double scale0 = 50, double flat0 = -1)
    {
        std::map<int, double> values{{1, scale0}, {2, 40}, {2700, 4321}};
        for (int i = 1; i <= 1000; ++i) {
            values[2 + i] = flat0 >= 0 ? flat0 : 100 + 7 * i;
            values[1002 + i] = 4000;
        }
        QVERIFY(writeImage(path("LETTURAN.PRG"), values));
        QFile::remove(path("LETTURA.PRG"));
        QVERIFY(QFile::copy(path("LETTURAN.PRG"), path("LETTURA.PRG")));
    }
    bool rebuildFlowTables(MapModel &model)
    {
        return model.RebuildFlowTables(path("LETTURA.PRG"), path("LETTURAN.PRG"), path("NUOVA.PRG"));
    }

private slots:
    void loadMapParameters_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("records");   // 0: no file at all
        QTest::addColumn<int>("k");
        QTest::addColumn<double>("raw");
        QTest::addColumn<double>("selector");
        QTest::addColumn<double>("shown");       // 33: left as it was
        QTest::addColumn<double>("lambdaMax");   // 5000: left as it was
        QTest::newRow("delay 30 -> 7.5 to even, range 0") << 0 << ImageRecords << 2 << 30.0 << 0.0 << 8.0 << 1100.0;
        QTest::newRow("delay 26 -> 6.5 to even, range 1") << 1 << ImageRecords << 2 << 26.0 << 1.0 << 6.0 << 2100.0;
        QTest::newRow("delay 10 below slider, range 7") << 0 << ImageRecords << 2 << 10.0 << 7.0 << 5.0 << 5100.0;
        QTest::newRow("delay above slider") << 1 << ImageRecords << 2 << 1000.0 << 7.0 << 100.0 << 5100.0;
        QTest::newRow("return -1 becomes -2") << 0 << ImageRecords << 4 << -1.0 << 1.0 << -2.0 << 2100.0;
        QTest::newRow("return below slider") << 1 << ImageRecords << 4 << -60.0 << 0.0 << -41.0 << 1100.0;
        QTest::newRow("missing file") << 0 << 0 << 2 << 30.0 << 0.0 << 33.0 << 5000.0;
        QTest::newRow("image too short") << 0 << 2700 << 2 << 30.0 << 0.0 << 33.0 << 5000.0;
    }
    void loadMapParameters()
    {
        QFETCH(int, variant);
        QFETCH(int, records);
        QFETCH(int, k);
        QFETCH(double, raw);
        QFETCH(double, selector);
        MapModel model;
        model.AssignParameterRecords(variant);
        // The other variant's range selector holds another choice, which must not be read.
        const int own = variant == 0 ? 2653 : 2643, other = variant == 0 ? 2643 : 2653;
        QFile::remove(path("params.PRG"));
        QVERIFY(
            !records
            || writeImage(path("params.PRG"),
                          {{model.state().SwitchSlots[k].Record, raw}, {own, selector}, {other, selector == 1 ? 0 : 1}},
                          records));
        model.edit().SwitchValue[k] = model.edit().SwitchInitial[k] = 33;
        LiveState live;
        live.LiveChannels[4].Max = 5000;
        QCOMPARE(model.LoadMapParameters(path("params.PRG"), variant, live), records == ImageRecords);
        QTEST(model.state().SwitchValue[k], "shown");
        QTEST(model.state().SwitchInitial[k], "shown");
        QTEST(live.LiveChannels[4].Max, "lambdaMax");
    }

    // Each record the table names holds its own value, so a slot pointing one record off reads
    // a neighbour's. The switchover delay (slot order 21) is stored in quarter seconds.
    void loadMapParameters_readsEachSlotFromItsRecord_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<int>>("records");     // enrich 4, pump 6, tps 4, duration 2, mode, limit A, limit B,
                                                     // switchover 5, cut-off 6
        QTest::addColumn<QList<int>>("selectors");   // range, valves, plant type
        QTest::addColumn<bool>("marks");             // valves 16 and plant 2 (methane) in their records
        const QList<int> aa{2648, 2721, 2643, 2719, 2716, 2716, 2712, 2712, 2742, 2742, 2631, 2632, 2713, 2713, 2647,
                            2720, 2741, 2636, 2635, 2654, 2689, 2688, 2655, 2726, 2658, 2723, 2659, 2660, 2661, 2740};
        const QList<int> other{2660, 2674, 2661, 2675, 2721, 2729, 2720, 2728, 2723, 2731,
                               2670, 2656, 2718, 2726, 2659, 2673, 2741, 2657, 2671, 2654,
                               2694, 2693, 2695, 2696, 2683, 2686, 2684, 2685, 2687, 2740};
        for (bool marks : {true, false}) {
            QTest::addRow("AA, marks %d", marks) << 0 << aa << QList<int>{2653, 2695, 2682} << marks;
            QTest::addRow("other, marks %d", marks) << 1 << other << QList<int>{2643, 2639, 2638} << marks;
        }
    }
    void loadMapParameters_readsEachSlotFromItsRecord()
    {
        QFETCH(int, variant);
        QFETCH(QList<int>, records);
        QFETCH(QList<int>, selectors);
        QFETCH(bool, marks);
        std::map<int, double> values;
        for (int r = 2631; r <= 2742; ++r)
            values[r] = 4 * (r - 2600);
        if (marks) {
            values[selectors[0]] = 1;
            values[selectors[1]] = 16;
            values[selectors[2]] = 2;
        }
        QVERIFY(writeImage(path("records.PRG"), values));
        MapModel model;
        LiveState live;
        QVERIFY(model.LoadMapParameters(path("records.PRG"), variant, live));
        const MapEditorState &st = model.state();
        QList<const ParamSlot *> got;
        for (const ParamSlot &p : st.EnrichSlots)
            got << &p;
        for (const ParamSlot &p : st.PumpSlots)
            got << &p;
        for (const ParamSlot &p : st.TpsSlots)
            got << &p;
        for (const ParamSlot &p : st.DurationSlots)
            got << &p;
        got << &st.TpsMode << &st.TpsLimitA << &st.TpsLimitB;
        for (const ParamSlot &p : st.SwitchSlots)
            got << &p;
        for (const ParamSlot &p : st.CutSlots)
            got << &p;
        QCOMPARE(got.size(), records.size());
        for (int k = 0; k < records.size(); ++k) {
            QCOMPARE(int(got[k]->Record), records[k]);
            QCOMPARE(got[k]->Value, (k == 21 ? 1 : 4) * (records[k] - 2600));
        }
        QCOMPARE(st.DefaultValves, marks ? 2 : 1);
        QCOMPARE(st.DefaultPlantType, marks ? 1 : 0);
        QCOMPARE(live.LiveChannels[4].Max, marks ? 2100.0 : 5100.0);
    }

    void writeIdentRecords_writesNumericValuesThenTheMarks()
    {
        const QString file = path("ident.PRG");
        QVERIFY(writeImage(file, {{2826, 7}, {2700, 7}}));
        MapModel model;
        std::array<QString, 8> none;
        none.fill(QStringLiteral("    -1"));   // the reply had the wrong length
        QVERIFY(model.WriteIdentRecords(file, none));
        QCOMPARE(valueAt(file, 2827), 99.0);
        QCOMPARE(valueAt(file, 2826), 7.0);
        QCOMPARE(valueAt(file, 2700), 7.0);

        QVERIFY(model.WriteIdentRecords(
            file, {"000011", "   -12", "    13", "000014", "    -1", "  ab16", "000017", "000018"}));
        const QList<int> records{2700, 2701, 2706, 2654, 2690, 2691, 2692, 2702, 2826, 2827};
        const QList<double> expected{11, -12, 13, 14, 0, 0, 17, 18, 1, 99};
        for (int k = 0; k < records.size(); ++k)
            QCOMPARE(valueAt(file, records[k]), expected[k]);
        QCOMPARE(QFileInfo(file).size(), qint64(ImageRecords) * 14);
        QVERIFY(!model.WriteIdentRecords(path("absent.PRG"), none));
        QVERIFY(!QFile::exists(path("absent.PRG")));
    }

    void curve_equalBreakpoints_flatSegmentAndLeftSegmentWins()
    {
        MapModel model;
        auto &s = model.edit();
        s.DcInThreshold = {0, 40, 40, 60, 80, 100};
        s.DeltaFlow = {100, 150, 50, 50, 200, 100};
        model.ComputeSegments();
        QCOMPARE(model.segmentOf(40), 0);
        QCOMPARE(*model.correctionAt(40), 150.0);
        QCOMPARE(model.segmentOf(40.01), 2);
        QCOMPARE(*model.correctionAt(70), 125.0);
        QVERIFY(!model.correctionAt(100.5).has_value());
    }

    void rebuildFlowTables_renormalisesThroughTheCurveOrLeavesTheImage_data()
    {
        QTest::addColumn<QList<double>>("deltaFlow");
        QTest::addColumn<double>("scale0");
        QTest::addColumn<double>("flat0");
        QTest::addColumn<bool>("noReference");
        QTest::addColumn<QList<int>>("records");   // none: the rebuild must fail
        QTest::addColumn<QList<double>>("values");
        const QList<double> flat(6, 100);
        // Flat 100: shape kept; scales floor(10000 / 142) and floor(10000 / 100); 70 * 107 / 50 = 149.8.
        QTest::newRow("all 100") << flat << 50.0 << -1.0 << false << QList<int>{1, 3, 502, 1002, 2, 1500, 2700}
                                 << QList<double>{70, 150, 5040, 9940, 100, 10000, 4321};
        // Down to 50 % from DC-IN 40 to 60: 39.97 full, 49.96 halfway down the ramp, 99.91 half.
        QTest::newRow("50 past 60") << QList<double>{100, 100, 100, 50, 50, 50} << 50.0 << -1.0 << false
                                    << QList<int>{2, 1003, 1336, 1447, 2002}
                                    << QList<double>{100, 10000, 10000, 7510, 5000};
        // A ramp 0..100 % over DC-IN 0..20 on flat points: point i of table 0 sits at DC-IN 0.01 (i - 1).
        QTest::newRow("ramp inside table 0") << QList<double>{0, 100, 100, 100, 100, 100} << 50.0 << 1000.0 << false
                                             << QList<int>{1, 3, 4, 1002} << QList<double>{1001, 0, 10, 10000};
        // The scale is capped at what a record holds and the points follow the capped scale.
        QTest::newRow("scale above 32767")
            << QList<double>(6, 90) << 30000.0 << 10000.0 << false << QList<int>{1, 500} << QList<double>{32767, 9830};
        QTest::newRow("scale 0") << flat << 0.0 << -1.0 << false << QList<int>() << QList<double>();
        QTest::newRow("all points 0") << flat << 50.0 << 0.0 << false << QList<int>() << QList<double>();
        QTest::newRow("new scale would be 0") << flat << 1.0 << 20000.0 << false << QList<int>() << QList<double>();
        QTest::newRow("no reference image") << flat << 50.0 << -1.0 << true << QList<int>() << QList<double>();
    }
    void rebuildFlowTables_renormalisesThroughTheCurveOrLeavesTheImage()
    {
        QFETCH(QList<double>, deltaFlow);
        QFETCH(double, scale0);
        QFETCH(double, flat0);
        QFETCH(bool, noReference);
        QFETCH(QList<int>, records);
        QFETCH(QList<double>, values);
        writeFlowImages(scale0, flat0);
        QVERIFY(!noReference || QFile::remove(path("LETTURAN.PRG")));
        const QByteArray before = ReadFile(path("LETTURA.PRG"));
        MapModel model;
        model.ResetMapEditorState();
        std::copy(deltaFlow.begin(), deltaFlow.end(), model.edit().DeltaFlow.begin());
        QCOMPARE(rebuildFlowTables(model), !records.isEmpty());
        if (records.isEmpty())
            QCOMPARE(ReadFile(path("LETTURA.PRG")), before);
        for (int k = 0; k < records.size(); ++k)
            QCOMPARE(valueAt(path("LETTURA.PRG"), records[k]), values[k]);
        QVERIFY(!QFile::exists(path("NUOVA.PRG")));
        QCOMPARE(LeggiImmagine(path("LETTURA.PRG")).size(), ImageRecords * 6);
    }

    void rebuild_twice_doesNotCompound()
    {
        writeFlowImages();
        MapModel model;
        model.ResetMapEditorState();
        model.edit().DcInThreshold = {0, 5, 30, 30, 70, 100};
        model.edit().DeltaFlow = {80, 120, 90, 140, 60, 110};
        QVERIFY(rebuildFlowTables(model));
        const QByteArray first = LeggiImmagine(path("LETTURA.PRG"));
        QVERIFY(rebuildFlowTables(model));
        QCOMPARE(LeggiImmagine(path("LETTURA.PRG")), first);
        QVERIFY(first != LeggiImmagine(path("LETTURAN.PRG")));
    }
};

QTEST_GUILESS_MAIN(TestMapModel)
#include "tst_mapmodel.moc"