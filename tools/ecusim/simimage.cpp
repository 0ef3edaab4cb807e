#include "tools/ecusim/simimage.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>

namespace ecusim {
namespace {

struct Assign {
    int record;
    int value;
};

// Parameter values inside the editor's slider ranges; both variants describe
// the same calibration, held at different records.
const Assign kVariantAA[] = {
    // enrichment, pump, T.P.S. sensitivity and its limits, transient duration
    {2648, 120},
    {2721, 95},
    {2643, 140},
    {2719, 80},
    {2716, 60},
    {2712, 45},
    {2742, 30},
    {2631, 400},
    {2632, 300},
    {2713, 25},
    {2741, 1},
    {2636, 250},
    {2635, 350},
    {2647, 40},
    {2720, 25},
    // switchover: cold 30 C, hot 45 C, cold delay 20 s in quarter seconds, forced 40 C, back to petrol -10 C
    {2654, 30},
    {2689, 45},
    {2688, 80},
    {2655, 40},
    {2726, -10},
    // cut-off: threshold, sensitivity, enrichment, and the three hidden ones
    {2658, 1800},
    {2723, -50},
    {2659, 90},
    {2660, 100},
    {2661, 30},
    {2740, 1},
    // chart range selector, valves, plant type (LPG)
    {2653, 0},
    {2695, 16},
    {2682, 1},
};

const Assign kVariantOther[] = {
    {2660, 120}, {2674, 95},  {2661, 140}, {2675, 80}, {2721, 60}, {2729, 60},  {2720, 45},   {2728, 45},  {2723, 30},
    {2731, 30},  {2670, 400}, {2656, 300}, {2718, 25}, {2726, 25}, {2741, 0},   {2657, 250},  {2671, 350}, {2659, 40},
    {2673, 25},  {2654, 30},  {2694, 45},  {2693, 80}, {2695, 40}, {2696, -10}, {2683, 1800}, {2686, -50}, {2684, 90},
    {2685, 100}, {2687, 30},  {2740, 1},   {2643, 0},  {2639, 16}, {2638, 1},
};

// Values the ECU keeps about itself (hours, starts, ...) and reports at the end of a read.
const Assign kFinalValues[] = {
    {2700, 1}, {2701, 23}, {2706, 4}, {2690, 12}, {2691, 7}, {2692, 3}, {2702, 0},
};

}   // namespace

double flowTablePoint(int table, int point)
{
    // A smooth injector curve, normalised so the largest point of each table is
    // close to 10000 with scale 3 (the program renormalises to the same scale).
    const double top = 3330.0;
    if (table == 0) {
        const double u = (point - 1) / 1000.0;   // DC-IN 0 .. 9.99 %
        return top * (0.02 + 0.98 * u * (0.7 + 0.3 * u));
    }
    const double u = (point - 1) / 1000.0;   // DC-IN 10 .. 99.91 %
    return top * (0.1 + 0.9 * u * (0.85 + 0.15 * u));
}

QVector<int> defaultImage(int variant, int size)
{
    size = std::clamp(size, 1, kMaxImageSize);
    QVector<int> image(std::max(size, 2830), 0);
    auto set = [&](int record, int value) { image[record - 1] = value; };

    set(1, kFlowScale);
    set(2, kFlowScale);
    for (int t = 0; t < 2; ++t)
        for (int i = 1; i <= 1000; ++i)
            set(2 + 1000 * t + i, int(std::lround(kFlowScale * flowTablePoint(t, i))));

    // Auxiliary tables between the flow tables and the parameters: gentle curves.
    for (int r = 2003; r <= 2630; ++r)
        set(r, 100 + int(std::lround(60.0 * std::sin((r - 2003) / 25.0))));
    for (int r = 2631; r <= 2742; ++r)
        set(r, 10 + (r * 37) % 190);
    const Assign *begin = variant == 0 ? std::begin(kVariantAA) : std::begin(kVariantOther);
    const Assign *end = variant == 0 ? std::end(kVariantAA) : std::end(kVariantOther);
    for (const Assign *a = begin; a != end; ++a)
        set(a->record, a->value);
    for (const Assign &a : kFinalValues)
        set(a.record, a.value);
    set(2826, 1);
    set(2827, 99);
    set(2828, -1);

    image.resize(size);
    return image;
}

}   // namespace ecusim
