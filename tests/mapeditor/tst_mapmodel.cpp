#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <functional>
#include <map>

#include "link/framing.h"
#include "link/imagefile.h"
#include "live/livestate.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/pagevalues.h"
#include "mapeditor/widgets/valprog.h"
#include "support/files.h"
#include "support/modal.h"
#include "ui/common/pictures.h"

namespace {

constexpr int ImageRecords = 2828;

bool writeImage(const QString &path, const std::map<int, double> &values, int count = ImageRecords)
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        bytes += CodificaRecord(values.count(n) ? values.at(n) : 0).toLatin1() + "\r\n";
    return WriteFile(path, bytes);
}

double valueAt(const QString &path, int record)
{
    return ValoreCampo(QString::fromLatin1(LeggiImmagine(path).mid((record - 1) * 6, 6)));
}

}   // namespace

Q_DECLARE_METATYPE(QList<SlotWrite>)

namespace {

using Writes = QList<SlotWrite>;

// The F7 slots of variant AA with values that exercise every rule: a 9999 flag among the
// enrichments, a T.P.S. limit above the sensitivity it guards, a duration that scales to 0.
MapEditorState transients(int variant, int tpsMode)
{
    MapModel m;
    m.AssignParameterRecords(variant);
    MapEditorState s = m.state();
    const int enrich[] = {200, 9999, 50, 1000}, tps[] = {400, 300, 10, 10};
    for (int k = 0; k < 4; ++k) {
        s.EnrichSlots[k].Value = enrich[k];
        s.TpsSlots[k].Value = tps[k];
    }
    for (auto &p : s.PumpSlots)
        p.Value = 100;
    s.DurationSlots[0].Value = 3;
    s.DurationSlots[1].Value = 9999;
    s.TpsMode.Value = tpsMode;
    s.TpsLimitA.Value = 700;
    s.TpsLimitB.Value = 500;
    s.TransientPercent = {150, 50, 200, 10};
    return s;
}

MapEditorState cutOff(int variant, bool standard)
{
    MapModel m;
    m.AssignParameterRecords(variant);
    MapEditorState s = m.state();
    const int held[] = {1800, -40, 120, 90, 25, 3};
    for (int k = 0; k < 6; ++k)
        s.CutSlots[k].Value = held[k];
    s.CutValue = {1500, 100, 50, 90, 25, 3};
    s.CutStandard = standard;
    return s;
}

FrameState frameIn(int lingua)
{
    FrameState f;
    f.LinguaCorrente = quint8(lingua);
    return f;
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
        const auto add = [&got](const auto &group) {
            for (const ParamSlot &p : group)
                got << &p;
        };
        add(st.EnrichSlots), add(st.PumpSlots), add(st.TpsSlots), add(st.DurationSlots);
        got << &st.TpsMode << &st.TpsLimitA << &st.TpsLimitB;
        add(st.SwitchSlots), add(st.CutSlots);
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
        QVERIFY(!model.WriteIdentRecords(path("absent.PRG"), none) && !QFile::exists(path("absent.PRG")));
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

    void values_followEachPageRule_data()
    {
        QTest::addColumn<MapEditorState>("state");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("variant");
        QTest::addColumn<Writes>("sent");
        QTest::addColumn<Writes>("stored");

        const Writes pumps{{2716, 50}, {2716, 50}, {2712, 50}, {2712, 50}, {2742, 50}, {2742, 50}};
        Writes sent = Writes{{2648, 300}, {2721, 9999}, {2643, 75}, {2719, 1500}} + pumps
                      + Writes{{2631, 800}, {2632, 600}, {2713, 20}, {2713, 20},
                               {2636, 599}, {2635, 500}, {2647, 1},  {2720, 9999}};
        // Stored values are scaled even at 9999, and a limit is kept below its sensitivity.
        Writes stored = Writes{{2648, 300}, {2721, 14998.5}, {2643, 75}, {2719, 1500}} + pumps
                        + Writes{{2631, 800}, {2632, 600}, {2713, 20}, {2713, 20},
                                 {2636, 599}, {2635, 500}, {2647, 1},  {2720, 999.9}};
        QTest::newRow("F7 modified, limits in use") << transients(0, 1) << 1 << 0 << 0 << sent << stored;

        Writes sentNoLimits = sent;
        sentNoLimits.remove(14, 2);
        Writes storedNoLimits = stored;
        storedNoLimits.remove(14, 2);
        QTest::newRow("F7 modified, limits off") << transients(0, 0) << 1 << 0 << 0 << sentNoLimits << storedNoLimits;

        const Writes own = Writes{{2648, 200}, {2721, 9999}, {2643, 50}, {2719, 1000}}
                           + Writes{{2716, 100}, {2716, 100}, {2712, 100}, {2712, 100}, {2742, 100}, {2742, 100}}
                           + Writes{{2631, 400}, {2632, 300}, {2713, 10}, {2713, 10}};
        // The initial limits always go out, but are written into the image only when in use.
        QTest::newRow("F7 initial, limits off")
            << transients(0, 0) << 1 << 1 << 0 << own + Writes{{2636, 700}, {2635, 500}, {2647, 3}, {2720, 9999}}
            << own + Writes{{2647, 3}, {2720, 9999}};

        MapModel m;
        m.AssignParameterRecords(0);
        MapEditorState sw = m.state();
        sw.SwitchValue = {20, 40, 12, 30, -2};
        sw.SwitchInitial = {25, 45, 8, 35, 5};
        const int held[] = {25, 45, 8, 35, -1};
        for (int k = 0; k < 5; ++k)
            sw.SwitchSlots[k].Value = held[k];
        const Writes f8{{2654, 20}, {2689, 40}, {2688, 48}, {2655, 30}, {2726, -2}};
        QTest::newRow("F8 modified: seconds to quarters") << sw << 2 << 0 << 0 << f8 << f8;
        QTest::newRow("F8 initial: shown and held differ")
            << sw << 2 << 1 << 0 << Writes{{2654, 25}, {2689, 45}, {2688, 32}, {2655, 35}, {2726, 5}}
            << Writes{{2654, 25}, {2689, 45}, {2688, 32}, {2655, 35}, {2726, -1}};

        const Writes f9{{2658, 1500}, {2723, -40}, {2659, 60}, {2660, 90}, {2661, 25}, {2740, 3}};
        QTest::newRow("F9 modified") << cutOff(0, false) << 3 << 0 << 0 << f9 << f9;
        // Standard values: the threshold sent is the slider's, the one stored the standard 2000.
        const Writes standard{{2658, 1500}, {2723, -60}, {2659, 50}, {2660, 100}, {2661, 30}, {2740, 1}};
        Writes standardStored = standard;
        standardStored[0].value = 2000;
        QTest::newRow("F9 standard") << cutOff(0, true) << 3 << 0 << 0 << standard << standardStored;
        const Writes variant1{{2683, 1800}, {2686, -40}, {2684, 120}, {2685, 90}, {2687, 25}};
        QTest::newRow("F9 variant 1 has no sixth slot") << cutOff(1, false) << 3 << 1 << 1 << variant1 << variant1;
        QTest::newRow("F6 sends nothing") << cutOff(0, false) << 0 << 0 << 0 << Writes{} << Writes{};
    }
    void values_followEachPageRule()
    {
        QFETCH(MapEditorState, state);
        QFETCH(int, page);
        QFETCH(int, choice);
        QFETCH(int, variant);
        QFETCH(Writes, sent);
        QFETCH(Writes, stored);
        auto show = [](const Writes &w) {
            QStringList out;
            for (const SlotWrite &x : w)
                out << QStringLiteral("%1=%2").arg(x.record).arg(x.value);
            return out;
        };
        QCOMPARE(show(PageValuesToSend(state, page, choice, variant)), show(sent));
        QCOMPARE(show(PageValuesToStore(state, page, choice, variant)), show(stored));
    }

    void lines_carryAddressAndSignedValue_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("enrichment 250") << 2648 << 250.0 << QByteArray("MGA000018000250");
        QTest::newRow("minus two keeps its sign") << 2726 << -2.0 << QByteArray("MGA0000960000-2");
        QTest::newRow("half away from zero") << 2647 << 2.5 << QByteArray("MGA000017000003");
        QTest::newRow("negative half") << 2723 << -60.5 << QByteArray("MGA000093000-61");
    }
    void lines_carryAddressAndSignedValue()
    {
        QFETCH(int, record);
        QFETCH(double, value);
        QFETCH(QByteArray, line);
        QCOMPARE(ValueWriteLines({{record, value}}), line + SommaControllo(line) + "\r\n");
    }

    void message_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<int>("lastSent");
        QTest::addColumn<QString>("text");
        const QString itMod = QStringLiteral("Ultimi valori inviati : valori modificati\n"
                                             "Quali valori vuoi programmare in memoria?");
        const QString itIni = QStringLiteral("Ultimi valori inviati : valori iniziali\n"
                                             "Quali valori vuoi programmare in memoria?");
        QTest::newRow("modified") << 1 << 0 << itMod;
        QTest::newRow("initial") << 1 << 1 << itIni;
        QTest::newRow("negative counts as initial") << 1 << -1 << itIni;
        QTest::newRow("after an image read") << 1 << 2 << itIni;
        QTest::newRow("English, modified")
            << 4 << 0
            << QStringLiteral("Last values sent : modified values\nWhich values do you want to program into memory?");
    }
    void message()
    {
        QFETCH(int, lingua);
        QFETCH(int, lastSent);
        const FrameState frame = frameIn(lingua);
        ValProg dlg(frame, lastSent);
        QTEST(dlg.Segnalazione()->text(), "text");
        QCOMPARE(dlg.windowTitle(), lingua == 1 ? QStringLiteral("ATTENZIONE!") : QStringLiteral("WARNING!"));
    }

    // Every way out of the dialog, through AskProgramChoice.
    void answer_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("expected");
        QTest::newRow("modified values") << "TastoProg(0)" << 0;
        QTest::newRow("initial values") << "TastoProg(1)" << 1;
        QTest::newRow("Esci") << "Esci" << -1;
        QTest::newRow("window frame") << "close" << -1;
        QTest::newRow("Esc") << "Escape" << -1;
        QTest::newRow("Enter on the focused first button") << "Enter" << 0;
        QTest::newRow("F1 chooses nothing, then Esc") << "F1" << -1;
    }
    void answer()
    {
        QFETCH(QString, how);
        QFETCH(int, expected);
        FrameState frame = frameIn(1);
        MapEditorState map;
        map.LastSentChoice = 0;
        // A previous answer must not survive a cancel.
        map.ProgramChoice = expected == -1 ? 1 : -1;
        QWidget owner;
        owner.show();
        bool seen = false;
        whenModal([&](QWidget *w) {
            auto *dlg = qobject_cast<ValProg *>(w);
            QVERIFY(dlg);
            seen = true;
            if (how == QLatin1String("close")) {
                dlg->close();
            } else if (how == QLatin1String("Escape")) {
                QTest::keyClick(dlg, Qt::Key_Escape);
            } else if (how == QLatin1String("Enter")) {
                QTest::keyClick(dlg, Qt::Key_Return);
            } else if (how == QLatin1String("F1")) {
                QTest::keyClick(dlg, Qt::Key_F1);
                QVERIFY(dlg->isVisible());
                QTest::keyClick(dlg, Qt::Key_Escape);
            } else {
                auto *b = dlg->findChild<PictureButton *>(how);
                QVERIFY(b && b->isVisible() && b->isEnabled());
                QTest::mouseClick(b, Qt::LeftButton);
            }
            QVERIFY(!dlg->isVisible());
        });
        QCOMPARE(AskProgramChoice(frame, map, &owner), expected);
        QVERIFY(seen);
        QCOMPARE(map.ProgramChoice, expected);
        QCOMPARE(map.LastSentChoice, qint16(0));   // only sending changes it
    }
};

QTEST_MAIN(TestMapModel)
#include "tst_mapmodel.moc"
