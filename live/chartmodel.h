#pragma once
#include <QString>

#include "live/livestate.h"

class ChartView; // drawing side, see live/chartview.h

// Scale arithmetic, scrolling, autoscale and the spill file DATI_GRAF.GRF of
// the two-pane live chart. Owns ChartState; draws only through ChartView.
class ChartModel {
public:
    ChartModel(LiveState &live, const QString &spillPath);
    const ChartState &state() const { return m_state; }
    void setView(ChartView *view) { m_view = view; }

    void ResetChart();
    void RedrawChart();   // scales, axes and grid through the view; no traces
    void Azzero();
    void FlushChartBuffer();
    void ReplotFromFile();
    // Display-tick part of the chart: buffer, history ring, scroll, autoscale, new segment.
    void addSample(bool *liveWatchdogHold = nullptr);

    static qint32 NextChartOrigin(qint32 sampleCounter, double xMin, double xMax, int xDivisions);
    static void FitScale(double observedMin, double observedMax, int marginPercent, int divisions,
                         double *scaleMin, double *scaleMax);
    void AutoscaleFromHistory();

private:
    LiveState &m_live;
    ChartState m_state;
    QString m_spillPath;
    ChartView *m_view = nullptr;
};
