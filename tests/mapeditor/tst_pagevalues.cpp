#include <QtTest>

#include "link/framing.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/pagevalues.h"

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

}   // namespace

class TestPageValues : public QObject {
    Q_OBJECT
private slots:
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

        QTest::newRow("F9 modified") << cutOff(0, false) << 3 << 0 << 0
                                     << Writes{{2658, 1500}, {2723, -40}, {2659, 60}, {2660, 90}, {2661, 25}, {2740, 3}}
                                     << Writes{{2658, 1500}, {2723, -40}, {2659, 60},
                                               {2660, 90},   {2661, 25},  {2740, 3}};
        // Standard values: the threshold sent is the slider's, the one stored the standard 2000.
        QTest::newRow("F9 standard") << cutOff(0, true) << 3 << 0 << 0 << Writes{{2658, 1500}, {2723, -60}, {2659, 50},
                                                                                 {2660, 100},  {2661, 30},  {2740, 1}}
                                     << Writes{{2658, 2000}, {2723, -60}, {2659, 50},
                                               {2660, 100},  {2661, 30},  {2740, 1}};
        QTest::newRow("F9 variant 1 has no sixth slot")
            << cutOff(1, false) << 3 << 1 << 1 << Writes{{2683, 1800}, {2686, -40}, {2684, 120}, {2685, 90}, {2687, 25}}
            << Writes{{2683, 1800}, {2686, -40}, {2684, 120}, {2685, 90}, {2687, 25}};
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
};

QTEST_GUILESS_MAIN(TestPageValues)
#include "tst_pagevalues.moc"
