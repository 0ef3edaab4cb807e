#include "mapeditor/pagevalues.h"

#include <cmath>

#include "link/framing.h"

namespace {

constexpr int kFirstAddressRecord = 2630;   // ECU address = record - 2630
constexpr double kUnscaled = 9999;          // slot values from here on are flags, not quantities
constexpr int kSwitchDelay = 2;             // seconds on the page, quarter seconds in the ECU

double percentOf(double a, double b)
{
    return a * b / 100.0;
}

// Durations of zero would switch the transient off: the ECU gets at least one.
double atLeastOne(double v)
{
    return std::round(v) == 0 ? 1 : v;
}

bool limitsInUse(const MapEditorState &s, int variant)
{
    return variant == 1 || s.TpsMode.Value == 1;
}

// A T.P.S. limit must stay below the sensitivity it guards.
double limitBelow(double limit, const ParamSlot &guard, double percent, bool onlyBelowFlag)
{
    if (onlyBelowFlag && guard.Value >= kUnscaled)
        return limit;
    const double l = percentOf(guard.Value, percent);
    return limit >= l ? l - 1 : limit;
}

template <std::size_t N>
void addScaled(QList<SlotWrite> &out, const std::array<ParamSlot, N> &params, double percent, bool keepFlags)
{
    for (const ParamSlot &p : params)
        out.append({p.Record, keepFlags && p.Value >= kUnscaled ? p.Value : percentOf(p.Value, percent)});
}

template <std::size_t N>
void addOwn(QList<SlotWrite> &out, const std::array<ParamSlot, N> &params)
{
    for (const ParamSlot &p : params)
        out.append({p.Record, double(p.Value)});
}

// Page F7. `sending`: the 9999 rule applies, and the initial limits always go.
QList<SlotWrite> transients(const MapEditorState &s, int choice, int variant, bool sending)
{
    QList<SlotWrite> out;
    const auto &pc = s.TransientPercent;
    if (choice == kInitialValues) {
        addOwn(out, s.EnrichSlots);
        addOwn(out, s.PumpSlots);
        addOwn(out, s.TpsSlots);
        if (sending || limitsInUse(s, variant)) {
            out.append({s.TpsLimitA.Record, double(s.TpsLimitA.Value)});
            out.append({s.TpsLimitB.Record, double(s.TpsLimitB.Value)});
        }
        addOwn(out, s.DurationSlots);
        return out;
    }
    addScaled(out, s.EnrichSlots, pc[0], sending);
    addScaled(out, s.PumpSlots, pc[1], sending);
    addScaled(out, s.TpsSlots, pc[2], sending);
    if (limitsInUse(s, variant)) {
        out.append({s.TpsLimitA.Record, limitBelow(s.TpsLimitA.Value, s.TpsSlots[1], pc[2], sending)});
        out.append({s.TpsLimitB.Record, limitBelow(s.TpsLimitB.Value, s.TpsSlots[0], pc[2], sending)});
    }
    for (const ParamSlot &p : s.DurationSlots) {
        const double v = sending && p.Value >= kUnscaled ? p.Value : percentOf(p.Value, pc[3]);
        out.append({p.Record, atLeastOne(v)});
    }
    return out;
}

QList<SlotWrite> switchover(const MapEditorState &s, int choice, bool sending)
{
    QList<SlotWrite> out;
    for (int k = 0; k < int(s.SwitchSlots.size()); ++k) {
        double v = choice == kModifiedValues ? s.SwitchValue[k] : sending ? s.SwitchInitial[k] : s.SwitchSlots[k].Value;
        if (k == kSwitchDelay)
            v *= 4;
        out.append({s.SwitchSlots[k].Record, v});
    }
    return out;
}

// Page F9. Sending the modified threshold takes the slider even with standard values
// checked; storing takes the standard.
QList<SlotWrite> cutOff(const MapEditorState &s, int choice, int variant, bool sending)
{
    QList<SlotWrite> out;
    const int count = variant == 0 ? 6 : 5;   // slot 5 exists in variant AA only
    for (int k = 0; k < count; ++k) {
        const ParamSlot &p = s.CutSlots[k];
        double v = p.Value;
        if (choice == kModifiedValues) {
            const bool standard = s.CutStandard && !(k == 0 && sending);
            if (k == 1 || k == 2)
                v = percentOf(standard ? s.StandardCut[k] : p.Value, s.CutValue[k]);
            else
                v = standard ? s.StandardCut[k] : s.CutValue[k];
        }
        out.append({p.Record, v});
    }
    return out;
}

QList<SlotWrite> pageValues(const MapEditorState &s, int page, int choice, int variant, bool sending)
{
    switch (page) {
    case kPageTransients: return transients(s, choice, variant, sending);
    case kPageSwitchover: return switchover(s, choice, sending);
    case kPageCutOff: return cutOff(s, choice, variant, sending);
    default: return {};
    }
}

}   // namespace

QList<SlotWrite> PageValuesToSend(const MapEditorState &s, int page, int choice, int variant)
{
    return pageValues(s, page, choice, variant, true);
}

QList<SlotWrite> PageValuesToStore(const MapEditorState &s, int page, int choice, int variant)
{
    return pageValues(s, page, choice, variant, false);
}

QByteArray ValueWriteLines(const QList<SlotWrite> &writes)
{
    QByteArray lines;
    for (const SlotWrite &w : writes)
        lines += ComandoMGA(w.record - kFirstAddressRecord, w.value);
    return lines;
}
