#include "mapeditor/mapmodel.h"

#include "app/numbers.h"
#include "link/imagefile.h"

#include <algorithm>
#include <cmath>

const std::array<SliderRange, 4> TransientRanges{{{0, 400}, {0, 400}, {50, 400}, {0, 400}}};
const std::array<SliderRange, 5> SwitchRanges{{{10, 50}, {10, 80}, {5, 100}, {10, 50}, {-41, 10}}};
const std::array<SliderRange, 3> CutRanges{{{500, 5000}, {0, 500}, {0, 300}}};

namespace {

// Record numbers of the parameters, one table per ECU variant (0 = "AA").
struct RecordTable {
    std::array<qint16, 4> enrich;
    std::array<qint16, 6> pump;
    std::array<qint16, 4> tps;
    std::array<qint16, 2> duration;
    qint16 tpsMode;
    qint16 tpsLimitA;
    qint16 tpsLimitB;
    std::array<qint16, 5> switchover;
    std::array<qint16, 6> cut;
    int rangeSelector;
    int valves;
    int plantType;
};

const RecordTable VariantAA{
    {2648, 2721, 2643, 2719},
    {2716, 2716, 2712, 2712, 2742, 2742},
    {2631, 2632, 2713, 2713},
    {2647, 2720},
    2741,
    2636,
    2635,
    {2654, 2689, 2688, 2655, 2726},
    {2658, 2723, 2659, 2660, 2661, 2740},
    2653,
    2695,
    2682,
};

const RecordTable VariantOther{
    {2660, 2674, 2661, 2675},
    {2721, 2729, 2720, 2728, 2723, 2731},
    {2670, 2656, 2718, 2726},
    {2659, 2673},
    2741,
    2657,
    2671,
    {2654, 2694, 2693, 2695, 2696},
    {2683, 2686, 2684, 2685, 2687, 2740},
    2643,
    2639,
    2638,
};

const RecordTable &recordsFor(int variante)
{
    return variante == 0 ? VariantAA : VariantOther;
}

template <std::size_t N>
void assign(std::array<ParamSlot, N> &params, const std::array<qint16, N> &records)
{
    for (std::size_t k = 0; k < N; ++k)
        params[k].Record = records[k];
}

// The final values of a read, in the order of the reply, go to these records.
constexpr std::array<int, 8> IdentRecords{2700, 2701, 2706, 2654, 2690, 2691, 2692, 2702};
constexpr int IdentWrittenRecord = 2826;
constexpr int ReadCompleteRecord = 2827;
constexpr int ReadCompleteMark = 99;

constexpr int SwitchDelay = 2;    // image counts quarter seconds, the page shows seconds
constexpr int SwitchReturn = 4;   // -1 means "no value" in the image
constexpr int ValvesMark = 16;
constexpr int MethanePlant = 2;

qint32 toValue(double v)
{
    return qint32(std::lround(v));
}

// A final-value field counts when the whole trimmed text is a plain decimal.
bool numericField(const QString &field, double *value)
{
    const std::optional<double> v = PlainDecimal(field);
    if (v)
        *value = *v;
    return v.has_value();
}

}   // namespace

void MapModel::AssignParameterRecords(int variante)
{
    const RecordTable &t = recordsFor(variante);
    assign(m_state.EnrichSlots, t.enrich);
    assign(m_state.PumpSlots, t.pump);
    assign(m_state.TpsSlots, t.tps);
    assign(m_state.DurationSlots, t.duration);
    m_state.TpsMode.Record = t.tpsMode;
    m_state.TpsLimitA.Record = t.tpsLimitA;
    m_state.TpsLimitB.Record = t.tpsLimitB;
    assign(m_state.SwitchSlots, t.switchover);
    assign(m_state.CutSlots, t.cut);
    m_state.StandardCut = {2000, -60, 100, 100, 30, 1};
}

bool MapModel::LoadMapParameters(const QString &lettura, int variante, LiveState &live)
{
    AssignParameterRecords(variante);
    const RecordTable &t = recordsFor(variante);

    ImageFile file(lettura);
    if (!file.open())
        return false;

    // Everything is read into a copy so a failure half-way leaves the editor data as it was.
    MapEditorState next = m_state;
    bool ok = true;
    auto read = [&](int record) {
        double v = 0;
        ok = ok && file.readValue(record, &v);
        return v;
    };
    auto readSlot = [&](ParamSlot &slot) { slot.Value = toValue(read(slot.Record)); };

    const double selector = read(t.rangeSelector);
    for (auto &s : next.EnrichSlots)
        readSlot(s);
    for (auto &s : next.PumpSlots)
        readSlot(s);
    for (auto &s : next.TpsSlots)
        readSlot(s);
    readSlot(next.TpsMode);
    readSlot(next.TpsLimitA);
    readSlot(next.TpsLimitB);
    for (auto &s : next.DurationSlots)
        readSlot(s);

    for (int k = 0; k < int(next.SwitchSlots.size()); ++k) {
        double v = read(next.SwitchSlots[k].Record);
        if (k == SwitchDelay)
            v = RoundHalfEven(v / 4);
        next.SwitchSlots[k].Value = toValue(v);
        double shown = std::clamp<double>(next.SwitchSlots[k].Value, SwitchRanges[k].min, SwitchRanges[k].max);
        if (k == SwitchReturn && shown == -1)
            shown = -2;
        next.SwitchValue[k] = shown;
        next.SwitchInitial[k] = shown;
    }

    for (int k = 0; k < int(next.CutSlots.size()); ++k) {
        readSlot(next.CutSlots[k]);
        if (k == 0 || k >= 3) {
            next.CutValue[k] = next.CutSlots[k].Value;
            next.CutInitial[k] = next.CutSlots[k].Value;
        }
    }

    next.DefaultValves = read(t.valves) == ValvesMark ? 2 : 1;
    next.DefaultPlantType = read(t.plantType) == MethanePlant ? 1 : 0;
    file.close();
    if (!ok)
        return false;

    m_state = next;
    LiveChannel &lambda = live.LiveChannels[4];
    if (selector == 0) {
        lambda.Min = -100;
        lambda.Max = 1100;
    } else if (selector == 1) {
        lambda.Min = -100;
        lambda.Max = 2100;
    } else {
        lambda.Min = -10;
        lambda.Max = 5100;
    }
    return true;
}

void MapModel::ResetMapEditorState()
{
    m_state.SegmentCoef = {};
    m_state.GraphXMin = 0;
    m_state.GraphXMax = 100;
    m_state.GraphYMin = 0;
    m_state.GraphYMax = 100;
    for (int k = 0; k < 6; ++k) {
        m_state.DeltaFlow[k] = 100;
        m_state.DeltaFlowInitial[k] = 100;
        m_state.DcInThreshold[k] = 20 * k;
        m_state.DcInThresholdInitial[k] = 20 * k;
    }
    m_state.TransientPercent.fill(100);
}

bool MapModel::WriteIdentRecords(const QString &lettura, const std::array<QString, 8> &valoriFinali)
{
    ImageFile file(lettura);
    if (!file.open() || !file.writeValue(ReadCompleteRecord, ReadCompleteMark))
        return false;
    bool written = false;
    for (int k = 0; k < int(IdentRecords.size()); ++k) {
        double v = 0;
        if (!numericField(valoriFinali[k], &v) || v == -1)
            continue;
        if (!file.writeValue(IdentRecords[k], v))
            return false;
        written = true;
    }
    return !written || file.writeValue(IdentWrittenRecord, 1);
}

void MapModel::FillMapEditorData()
{
    m_state.TransientPercent.fill(100);
    m_state.TransientPercentInitial.fill(100);
    for (int k : {1, 2}) {
        m_state.CutValue[k] = 100;
        m_state.CutInitial[k] = 100;
    }
    m_state.PageModified.fill(false);
    ComputeSegments();
}
