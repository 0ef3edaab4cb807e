#pragma once
#include <QString>
#include <array>

// Where the live DC-IN value falls on the flow-correction curve.
struct LiveCorrection {
    int segment = -1;          // -1: on no segment
    double from = 0, to = 0;   // the segment's breakpoints
    double percent = 0;        // the curve's value there
};

// What the link needs of the map editor's data. The map side implements it and
// registers itself with the link, so the link never depends on the editor.
class MapSide {
public:
    virtual ~MapSide() = default;
    // After the last block: the final values into the image just read.
    virtual bool writeFinalValues(const QString &lettura, const std::array<QString, 8> &valoriFinali) = 0;
    // The read image complete and copied: parameters loaded and the editor data reset.
    // False leaves the ECU unusable for this connection.
    virtual bool loadImage(const QString &lettura, int variant) = 0;
    virtual LiveCorrection correctionAt(double dcIn) const = 0;
    // The link died under the fitter: page edits are not kept as unsent.
    virtual void discardEdits() = 0;
};
