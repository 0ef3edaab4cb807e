#pragma once
#include <QString>

#include "live/livestate.h"

class ChartModel;
class Recorder;

enum class FuelColour { Petrol, Gas, Unknown };   // red/black, green/black, black/green

// Value panel of the map editor (`BoxDati`).
class LiveValuesView {
public:
    virtual ~LiveValuesView() = default;
    virtual void showValue(int label, const QString &text) = 0;   // `DatiMot`(0..12)
    virtual void showDeltaFlow(const QString &text) = 0;          // `DatiDPort`
    virtual void setFuelColour(FuelColour colour) = 0;            // `DatiMot`(12)
};

// The 200 ms display tick (`VisDati`): shows the newest sample, feeds the chart
// and the recording. Does nothing while no new frame was stored.
class LiveDisplay {
public:
    LiveDisplay(LiveState &live, ChartModel &chart, Recorder &recorder);
    void setView(LiveValuesView *view) { m_view = view; }
    // Language whose fuel names the post-processing wrote (`LinguaCorrente`);
    // the chart's spill file is written in its code page.
    void setLanguage(int lingua);
    void VisDatiTick();
    // Label index -> channel shown there.
    static int channelOfLabel(int label);
    // Colour of the fuel label for a post-processed fuel field.
    static FuelColour fuelColourOf(const QString &field, int lingua);

private:
    LiveState &m_live;
    ChartModel &m_chart;
    Recorder &m_recorder;
    LiveValuesView *m_view = nullptr;
    int m_lingua = 1;
    bool m_inTick = false;
};
