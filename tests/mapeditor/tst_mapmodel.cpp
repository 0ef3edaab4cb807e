#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

#include "live/livestate.h"
#include "mapeditor/imagefile.h"
#include "mapeditor/mapmodel.h"

namespace {

constexpr int ImageRecords = 2828;

// An image of `count` records where record n holds `fill(n)` unless listed in `values`.
bool writeImage(const QString &path, const std::map<int, double> &values, int count = ImageRecords,
                double (*fill)(int) = [](int) { return 0.0; })
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n) {
        const auto it = values.find(n);
        bytes += CodificaRecord(it != values.end() ? it->second : fill(n)).toLatin1() + "\r\n";
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

double valueAt(const QString &path, int record)
{
    ImageFile f(path);
    double v = qQNaN();
    if (!f.open() || !f.readValue(record, &v))
        return qQNaN();
    return v;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestMapModel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // Every record holds its own number, so each slot shows which record it read.
    void loadMapParameters_readsEachSlotFromItsVariantsRecord_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<int>>("expected");   // enrich0, pump1, tps3, duration1, tpsLimitA, tpsLimitB, switch3, cut0, cut5
        QTest::newRow("AA") << 0 << QList<int>{2648, 2716, 2713, 2720, 2636, 2635, 2655, 2658, 2740};
        QTest::newRow("other") << 1 << QList<int>{2660, 2729, 2726, 2673, 2657, 2671, 2695, 2683, 2740};
    }
    void loadMapParameters_readsEachSlotFromItsVariantsRecord()
    {
        QFETCH(int, variant);
        QFETCH(QList<int>, expected);
        QVERIFY(writeImage(path("ident.PRG"), {}, ImageRecords, [](int n) { return double(n); }));
        MapModel model;
        LiveState live;
        QVERIFY(model.LoadMapParameters(path("ident.PRG"), variant, live));
        const MapEditorState &s = model.state();
        const QList<int> got{s.EnrichSlots[0].Value, s.PumpSlots[1].Value, s.TpsSlots[3].Value,
                             s.DurationSlots[1].Value, s.TpsLimitA.Value, s.TpsLimitB.Value,
                             s.SwitchSlots[3].Value, s.CutSlots[0].Value, s.CutSlots[5].Value};
        QCOMPARE(got, expected);
        QCOMPARE(s.CutValue[0], double(expected[7]));
        QCOMPARE(s.CutInitial[5], 2740.0);
        QCOMPARE(s.StandardCut[1], -60.0);
    }

    void loadMapParameters_switchoverValuesAreConvertedAndLimited_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("k");
        QTest::addColumn<double>("raw");
        QTest::addColumn<int>("value");
        QTest::addColumn<double>("shown");
        QTest::newRow("delay 30 -> 7.5 to even") << 0 << 2 << 30.0 << 8 << 8.0;
        QTest::newRow("delay 26 -> 6.5 to even") << 1 << 2 << 26.0 << 6 << 6.0;
        QTest::newRow("delay 10 below slider") << 0 << 2 << 10.0 << 2 << 5.0;
        QTest::newRow("delay above slider") << 1 << 2 << 1000.0 << 250 << 100.0;
        QTest::newRow("return -1 becomes -2") << 0 << 4 << -1.0 << -1 << -2.0;
        QTest::newRow("return below slider") << 1 << 4 << -60.0 << -60 << -41.0;
        QTest::newRow("return 0 stays") << 1 << 4 << 0.0 << 0 << 0.0;
        QTest::newRow("cold temperature above slider") << 0 << 0 << 70.0 << 70 << 50.0;
    }
    void loadMapParameters_switchoverValuesAreConvertedAndLimited()
    {
        QFETCH(int, variant);
        QFETCH(int, k);
        QFETCH(double, raw);
        QFETCH(int, value);
        QFETCH(double, shown);
        MapModel model;
        model.AssignParameterRecords(variant);
        const int record = model.state().SwitchSlots[k].Record;
        QVERIFY(writeImage(path("switch.PRG"), {{record, raw}}));
        LiveState live;
        QVERIFY(model.LoadMapParameters(path("switch.PRG"), variant, live));
        QCOMPARE(model.state().SwitchSlots[k].Value, value);
        QCOMPARE(model.state().SwitchValue[k], shown);
        QCOMPARE(model.state().SwitchInitial[k], shown);
    }

    // The other variant's records hold other marks, which must not be the ones read.
    void loadMapParameters_selectorRecordsOfTheVariant_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<double>("selector");
        QTest::addColumn<double>("lambdaMin");
        QTest::addColumn<double>("lambdaMax");
        QTest::addColumn<int>("valves");
        QTest::addColumn<int>("plant");
        QTest::newRow("AA 0") << 0 << 0.0 << -100.0 << 1100.0 << 2 << 1;
        QTest::newRow("AA 1") << 0 << 1.0 << -100.0 << 2100.0 << 1 << 0;
        QTest::newRow("AA 7") << 0 << 7.0 << -10.0 << 5100.0 << 2 << 0;
        QTest::newRow("other 0") << 1 << 0.0 << -100.0 << 1100.0 << 1 << 1;
        QTest::newRow("other 1") << 1 << 1.0 << -100.0 << 2100.0 << 2 << 1;
        QTest::newRow("other 7") << 1 << 7.0 << -10.0 << 5100.0 << 1 << 0;
    }
    void loadMapParameters_selectorRecordsOfTheVariant()
    {
        QFETCH(int, variant);
        QFETCH(double, selector);
        QFETCH(double, lambdaMin);
        QFETCH(double, lambdaMax);
        QFETCH(int, valves);
        QFETCH(int, plant);
        const bool aa = variant == 0;
        const double valveMark = valves == 2 ? 16 : 15, plantMark = plant == 1 ? 2 : 3;
        QVERIFY(writeImage(path("selectors.PRG"),
                           {{aa ? 2653 : 2643, selector}, {aa ? 2643 : 2653, selector == 1 ? 0 : 1},
                            {aa ? 2695 : 2639, valveMark}, {aa ? 2639 : 2695, 31 - valveMark},
                            {aa ? 2682 : 2638, plantMark}, {aa ? 2638 : 2682, 5 - plantMark}}));
        MapModel model;
        LiveState live;
        QVERIFY(model.LoadMapParameters(path("selectors.PRG"), variant, live));
        QCOMPARE(live.LiveChannels[4].Min, lambdaMin);
        QCOMPARE(live.LiveChannels[4].Max, lambdaMax);
        QCOMPARE(model.state().DefaultValves, valves);
        QCOMPARE(model.state().DefaultPlantType, plant);
    }

    void loadMapParameters_unreadableImage_failsAndKeepsState_data()
    {
        QTest::addColumn<int>("records");   // -1: no file at all
        QTest::newRow("missing file") << -1;
        QTest::newRow("image too short") << 2700;
    }
    void loadMapParameters_unreadableImage_failsAndKeepsState()
    {
        QFETCH(int, records);
        const QString file = path("short.PRG");
        QFile::remove(file);
        if (records > 0)
            QVERIFY(writeImage(file, {{2653, 1}, {2654, 40}}, records));
        MapModel model;
        model.edit().SwitchValue[0] = 33;
        LiveState live;
        live.LiveChannels[4].Max = 5000;
        QVERIFY(!model.LoadMapParameters(file, 0, live));
        QCOMPARE(model.state().SwitchValue[0], 33.0);
        QCOMPARE(live.LiveChannels[4].Max, 5000.0);
    }

    void writeIdentRecords_fullReply_writesEightValuesAndMark()
    {
        const QString file = path("ident.PRG");
        QVERIFY(writeImage(file, {{2826, 0}, {2654, 5}}));
        MapModel model;
        QVERIFY(model.WriteIdentRecords(file, {"000011", "   -12", "    13", "000014", "    -1",
                                               "  ab16", "000017", "000018"}));
        const QList<int> records{2700, 2701, 2706, 2654, 2690, 2691, 2692, 2702};
        const QList<double> expected{11, -12, 13, 14, 0, 0, 17, 18};
        for (int k = 0; k < 8; ++k)
            QCOMPARE(valueAt(file, records[k]), expected[k]);
        QCOMPARE(valueAt(file, 2826), 1.0);
        QCOMPARE(valueAt(file, 2827), 99.0);
        QCOMPARE(QFileInfo(file).size(), qint64(ImageRecords) * 14);
    }

    void writeIdentRecords_noValues_writesOnlyReadMark()
    {
        const QString file = path("noident.PRG");
        QVERIFY(writeImage(file, {{2826, 7}, {2700, 7}, {2654, 7}, {2827, 0}}));
        MapModel model;
        std::array<QString, 8> none;
        none.fill(QStringLiteral("    -1"));
        QVERIFY(model.WriteIdentRecords(file, none));
        QCOMPARE(valueAt(file, 2827), 99.0);
        QCOMPARE(valueAt(file, 2826), 7.0);
        QCOMPARE(valueAt(file, 2700), 7.0);
        QCOMPARE(valueAt(file, 2654), 7.0);
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
        QCOMPARE(s.SegmentCoef[1].Slope, 0.0);
        QCOMPARE(s.SegmentCoef[1].Intercept, 150.0);
        QCOMPARE(s.SegmentCoef[0].Slope, 1.25);
        QCOMPARE(model.segmentOf(40), 0);
        QCOMPARE(*model.correctionAt(40), 150.0);
        QCOMPARE(model.segmentOf(40.01), 2);
        QCOMPARE(*model.correctionAt(70), 125.0);
        QCOMPARE(model.segmentOf(100), 4);
        QCOMPARE(model.segmentOf(100.5), -1);
        QVERIFY(!model.correctionAt(-1).has_value());
    }

    void resetAndFill_giveFlatCurveAndCleanPages()
    {
        MapModel model;
        auto &s = model.edit();
        s.DeltaFlow = {10, 20, 30, 40, 50, 60};
        s.DcInThreshold = {0, 5, 6, 7, 8, 100};
        s.TransientPercent = {1, 2, 3, 4};
        s.TransientPercentInitial = {1, 2, 3, 4};
        s.CutValue = {1, 2, 3, 4, 5, 6};
        s.CutInitial = {1, 2, 3, 4, 5, 6};
        s.PageModified = {true, true, true, true};
        model.ComputeSegments();
        model.ResetMapEditorState();
        model.FillMapEditorData();
        for (double x : {0.0, 5.0, 33.3, 99.91, 100.0})
            QCOMPARE(*model.correctionAt(x), 100.0);
        QCOMPARE(s.DcInThresholdInitial[3], 60.0);
        QCOMPARE(s.TransientPercentInitial[2], qint16(100));
        QCOMPARE(s.CutValue, (std::array<double, 6>{1, 100, 100, 4, 5, 6}));
        QCOMPARE(s.CutInitial[2], 100.0);
        QCOMPARE(s.PageModified, (std::array<bool, 4>{}));
    }

    // Table 0: scale 50, point i = 100 + 7i (peak 7100 at the end), or every point `flat0`.
    // Table 1: scale 40, every point 4000 (flat, 100 units).
    void writeFlowImages(double scale0 = 50, double scale1 = 40, double flat0 = -1)
    {
        std::map<int, double> values{{1, scale0}, {2, scale1}, {2700, 4321}};
        for (int i = 1; i <= 1000; ++i) {
            values[2 + i] = flat0 >= 0 ? flat0 : 100 + 7 * i;
            values[1002 + i] = 4000;
        }
        QVERIFY(writeImage(path("LETTURAN.PRG"), values));
        QFile::remove(path("LETTURA.PRG"));
        QVERIFY(QFile::copy(path("LETTURAN.PRG"), path("LETTURA.PRG")));
    }
    bool rebuild(MapModel &model)
    {
        return model.RebuildFlowTables(path("LETTURA.PRG"), path("LETTURAN.PRG"), path("NUOVA.PRG"));
    }

    void rebuild_renormalisesEachTableThroughTheCurve_data()
    {
        QTest::addColumn<QList<double>>("deltaFlow");
        QTest::addColumn<QList<int>>("records");
        QTest::addColumn<QList<double>>("values");
        // Flat 100: shape kept; scales floor(10000 / 142) and floor(10000 / 100); 70 * 107 / 50 = 149.8.
        QTest::newRow("all 100") << QList<double>{100, 100, 100, 100, 100, 100}
                                 << QList<int>{1, 3, 502, 1002, 2, 1500, 2700}
                                 << QList<double>{70, 150, 5040, 9940, 100, 10000, 4321};
        // An even 50 % only moves the scale: floor(10000 / 71), floor(10000 / 50).
        QTest::newRow("all 50") << QList<double>{50, 50, 50, 50, 50, 50}
                                << QList<int>{1, 3, 2, 1700}
                                << QList<double>{140, 150, 200, 10000};
        // Down to 50 % from DC-IN 40 to 60: 39.97 full, 49.96 halfway down the ramp, 99.91 half.
        QTest::newRow("50 past 60") << QList<double>{100, 100, 100, 50, 50, 50}
                                    << QList<int>{2, 1003, 1336, 1447, 2002}
                                    << QList<double>{100, 10000, 10000, 7510, 5000};
    }
    void rebuild_renormalisesEachTableThroughTheCurve()
    {
        QFETCH(QList<double>, deltaFlow);
        QFETCH(QList<int>, records);
        QFETCH(QList<double>, values);
        writeFlowImages();
        MapModel model;
        model.ResetMapEditorState();
        std::copy(deltaFlow.begin(), deltaFlow.end(), model.edit().DeltaFlow.begin());
        QVERIFY(rebuild(model));
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
        QVERIFY(rebuild(model));
        const QByteArray first = LeggiImmagine(path("LETTURA.PRG"));
        QVERIFY(rebuild(model));
        QCOMPARE(LeggiImmagine(path("LETTURA.PRG")), first);
        QVERIFY(first != LeggiImmagine(path("LETTURAN.PRG")));
    }

    void rebuild_unusableTable_failsAndLeavesImageUntouched_data()
    {
        QTest::addColumn<double>("scale0");
        QTest::addColumn<double>("scale1");
        QTest::addColumn<double>("flat0");
        QTest::addColumn<bool>("dropReference");
        QTest::newRow("scale 0 in table 0") << 0.0 << 40.0 << -1.0 << false;
        QTest::newRow("scale 0 in table 1") << 50.0 << 0.0 << -1.0 << false;
        QTest::newRow("all points 0") << 50.0 << 40.0 << 0.0 << false;
        QTest::newRow("new scale would be 0") << 1.0 << 40.0 << 20000.0 << false;
        QTest::newRow("no reference image") << 50.0 << 40.0 << -1.0 << true;
    }
    void rebuild_unusableTable_failsAndLeavesImageUntouched()
    {
        QFETCH(double, scale0);
        QFETCH(double, scale1);
        QFETCH(double, flat0);
        QFETCH(bool, dropReference);
        writeFlowImages(scale0, scale1, flat0);
        if (dropReference)
            QVERIFY(QFile::remove(path("LETTURAN.PRG")));
        const QByteArray before = bytesOf(path("LETTURA.PRG"));
        MapModel model;
        model.ResetMapEditorState();
        QVERIFY(!rebuild(model));
        QCOMPARE(bytesOf(path("LETTURA.PRG")), before);
        QVERIFY(!QFile::exists(path("NUOVA.PRG")));
    }

    void rebuild_scaleAboveRecordLimit_pointsFollowStoredScale()
    {
        std::map<int, double> values{{1, 30000}, {2, 40}};
        for (int i = 1; i <= 1000; ++i) {
            values[2 + i] = 10000;
            values[1002 + i] = 4000;
        }
        QVERIFY(writeImage(path("LETTURAN.PRG"), values));
        QFile::remove(path("LETTURA.PRG"));
        QVERIFY(QFile::copy(path("LETTURAN.PRG"), path("LETTURA.PRG")));
        MapModel model;
        model.ResetMapEditorState();
        model.edit().DeltaFlow.fill(90);
        QVERIFY(rebuild(model));
        QCOMPARE(valueAt(path("LETTURA.PRG"), 1), 32767.0);
        QCOMPARE(valueAt(path("LETTURA.PRG"), 500), 9830.0);   // 32767 * 0.3
    }
};

QTEST_GUILESS_MAIN(TestMapModel)
#include "tst_mapmodel.moc"
