#pragma once
#include <QPointer>
#include <QString>
#include <QTimer>

#include "live/livestate.h"

class ChartView;   // drawing side, see live/chartview.h

// Scale arithmetic, scrolling, autoscale and the spill file DATI_GRAF.GRF of
// the two-pane live chart. Owns ChartState; draws only through ChartView.
// File errors are never reported: the spill file only serves redrawing.
class ChartModel {
public:
    ChartModel(LiveState &live, const QString &spillPath);
    const ChartState &state() const { return m_state; }
    void setView(ChartView *view) { m_view = view; }
    // The live-data watchdog (`TimeOutDati`). A scroll stops it while the panes
    // are redrawn from the file and restarts it afterwards if it was running, so
    // the replay neither fires it nor eats into its interval.
    void setLiveWatchdog(QTimer *timer) { m_watchdog = timer; }
    const QString &spillPath() const { return m_spillPath; }
    // Language whose code page the spill file is written in (`LinguaCorrente`).
    void setLanguage(int lingua) { m_lingua = lingua; }

    void ResetChart();
    void RedrawChart();   // scales, axes and grid through the view; no traces
    void Azzero();
    void FlushChartBuffer();
    void ReplotFromFile();
    // Display-tick part of the chart: buffer, history ring, scroll, autoscale, new segment.
    // *liveWatchdogHold is set to true when this tick scrolled (and so held the watchdog).
    void addSample(bool *liveWatchdogHold = nullptr);

    // The same, step by step, so the display tick can record in between.
    void BufferSample();                                   // current sample into the chart buffer
    void StoreHistory();                                   // current sample into the history ring
    void AdvanceChart(bool *liveWatchdogHold = nullptr);   // scroll, autoscale, new segment

    static qint32 NextChartOrigin(qint32 sampleCounter, double xMin, double xMax, int xDivisions);
    static void FitScale(double observedMin, double observedMax, int marginPercent, int divisions, double *scaleMin,
                         double *scaleMax);
    void AutoscaleFromHistory();

private:
    void scroll();
    void autoscaleChannel8();
    void drawNewSegment();
    void replot(bool pane0, bool pane1);
    void fitChannel8();
    void keepDrawnScales();
    double left() const;

    LiveState &m_live;
    ChartState m_state;
    QString m_spillPath;
    ChartView *m_view = nullptr;
    QPointer<QTimer> m_watchdog;
    int m_lingua = 1;
};
