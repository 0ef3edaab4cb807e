#pragma once
#include <QString>
#include <array>
#include <optional>

#include "live/livestate.h"
#include "mapeditor/mapstate.h"

// Slider ranges of the F7 (index 0..3), F8 (0..4) and F9 (0..2) pages.
struct SliderRange {
    int min;
    int max;
};
extern const std::array<SliderRange, 4> TransientRanges;
extern const std::array<SliderRange, 5> SwitchRanges;
extern const std::array<SliderRange, 3> CutRanges;

// Owner of MapEditorState: parameter table, loading from the image, the
// correction curve. The windows show it; the link fills it after a read.
class MapModel {
public:
    MapModel() = default;
    const MapEditorState &state() const { return m_state; }
    MapEditorState &edit() { return m_state; }   // the editor pages and the sending code

    void AssignParameterRecords(int variante);
    // Reads the parameter records of `lettura`; sets channel 4's limits in `live`.
    bool LoadMapParameters(const QString &lettura, int variante, LiveState &live);
    void ResetMapEditorState();
    // Writes the final values of a read into `lettura` (records 2827, 2700.., 2826).
    bool WriteIdentRecords(const QString &lettura, const std::array<QString, 8> &valoriFinali);
    void ComputeSegments();
    // Data side of FillMapEditor: F7 percentages, F9 percentages 1 and 2 at 100,
    // page flags cleared, curve computed.
    void FillMapEditorData();
    // Index of the segment that holds x (lowest k with T(k) <= x <= T(k+1)), -1 when none.
    int segmentOf(double x) const;
    // The correction curve p(x) in percent from SegmentCoef; empty when x lies in no segment.
    std::optional<double> correctionAt(double x) const;
    // Rebuilds both flow tables of `lettura` from `letturan` and the curve, through the
    // temporary `nuova`. On any failure `lettura` is left as it was and false returned.
    bool RebuildFlowTables(const QString &lettura, const QString &letturan, const QString &nuova);
    double PercentOf(double a, double b) const { return a * b / 100.0; }

private:
    MapEditorState m_state;
};
