#include "live/chartmodel.h"

#include <QFile>
#include <cmath>

#include "app/numbers.h"
#include "live/chartview.h"
#include "live/codepage.h"
#include "live/livedata.h"

namespace {

constexpr int kRecordLength = 130;
constexpr int kXChannel = 15;

// One spill record: counter right-aligned in 8, the 15 fields, CR LF. One byte
// per character keeps records exactly 130 bytes long.
QByteArray spillRecord(const LiveRecord &rec, int lingua)
{
    QString line = RightIn8(QString::number(rec.SampleCounter));
    for (const QString &f : rec.Field)
        line += FixedLeft(f, 8);
    QByteArray bytes = EncodeForLanguage(line, lingua);
    bytes += "\r\n";
    return bytes;
}

}   // namespace

ChartModel::ChartModel(LiveState &live, const QString &spillPath) : m_live(live), m_spillPath(spillPath) {}

double ChartModel::left() const
{
    return m_state.ChartOrigin + m_live.LiveChannels[kXChannel].ScaleMin;
}

void ChartModel::ResetChart()
{
    QFile::remove(m_spillPath);
    m_state.ChartOrigin = 0;
    // A frame stored but not yet shown belongs to the next tick, which would
    // otherwise show, chart and record blanks: it keeps its values and only
    // starts the new chart.
    const bool framePending = m_live.LiveDisplayEnabled;
    for (LiveRecord &rec : m_live.LiveSample) {
        rec.SampleCounter = -1;
        if (!framePending || &rec != &m_live.LiveSample[0])
            rec.Field.fill(kBlankField);
    }
    m_state.ChartBufferIndex = -1;
    for (LiveChannel &ch : m_live.LiveChannels) {
        ch.ScaleMin = ch.Min;
        ch.ScaleMax = ch.Max;
        ch.PrevScaleMin = ch.PrevScaleMax = 0;
        ch.ObservedMin = ch.ObservedMax = 0;
    }
    m_state.HistoryIndex = -1;
    for (LiveRecord &slot : m_state.History)
        slot.SampleCounter = 0;
}

void ChartModel::RedrawChart()
{
    if (!m_view)
        return;
    const LiveChannel &x = m_live.LiveChannels[kXChannel];
    for (int pane = 0; pane < 2; ++pane) {
        const int c = m_live.ChartChannels[pane];
        const LiveChannel &y = m_live.LiveChannels[c];
        m_view->setTitle(pane, ChannelTitle(m_live, c));
        m_view->SetPaneScale(pane, y.ScaleMin, y.ScaleMax, x.ScaleMin, x.ScaleMax);
        m_view->drawXAxis(pane, m_state.ChartOrigin + x.ScaleMin, m_state.ChartOrigin + x.ScaleMax, x.Divisions,
                          x.Subdivisions, x.Format);
        m_view->drawYAxis(pane, y.ScaleMin, y.ScaleMax, y.Divisions, y.Subdivisions, y.Format);
        // The horizontal grid follows channels 4 and 8 themselves, not the pane's channel.
        const int gridChannel = pane == 0 ? 4 : 8;
        m_view->drawGrid(pane, x.Divisions, m_live.LiveChannels[gridChannel].Divisions);
    }
}

void ChartModel::Azzero()
{
    ResetChart();
    LiveChannel &c8 = m_live.LiveChannels[8];
    c8.ObservedMin = c8.ObservedMax = LiveNumber(m_live.LiveSample[0].Field[8]);
    fitChannel8();
    RedrawChart();
}

void ChartModel::FlushChartBuffer()
{
    if (m_state.ChartBufferIndex < 0)
        return;
    QByteArray out;
    out.reserve((m_state.ChartBufferIndex + 1) * kRecordLength);
    for (int i = 0; i <= m_state.ChartBufferIndex; ++i)
        out += spillRecord(m_state.ChartBuffer[i], m_lingua);
    QFile file(m_spillPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(out);
    // Emptied even when the write failed: the buffer has a fixed size and the
    // file is only a redraw cache.
    m_state.ChartBufferIndex = -1;
}

void ChartModel::ReplotFromFile()
{
    replot(true, true);
}

void ChartModel::replot(bool pane0, bool pane1)
{
    if (!m_view)
        return;
    QFile file(m_spillPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const qint64 records = file.size() / kRecordLength;
    const bool panes[2] = {pane0, pane1};
    const double edge = left();

    qint32 laterCounter = -1;
    double laterY[2] = {0, 0};
    bool laterNumeric[2] = {false, false};

    for (qint64 r = records - 1; r >= 0; --r) {
        if (!file.seek(r * kRecordLength))
            return;
        const QByteArray rec = file.read(kRecordLength);
        if (rec.size() < kRecordLength)
            return;
        const QString text = DecodeForLanguage(rec, m_lingua);
        double counterValue = 0;
        const qint32 counter = IsNumericText(text.left(8), &counterValue) ? qint32(counterValue) : -1;
        const double x = counter - m_state.ChartOrigin;

        bool numeric[2] = {false, false};
        double y[2] = {0, 0};
        for (int pane = 0; pane < 2; ++pane) {
            const int c = m_live.ChartChannels[pane];
            numeric[pane] = IsNumericText(text.mid(8 + 8 * c, 8), &y[pane]);
            if (counter < 1 || !panes[pane] || !numeric[pane])
                continue;
            if (laterNumeric[pane] && laterCounter >= 1)
                m_view->drawLine(pane, laterCounter - m_state.ChartOrigin, laterY[pane], x, y[pane]);
            else
                m_view->drawPoint(pane, x, y[pane]);
        }
        // The record just left of the window still gave the segment that crosses the edge.
        if (counter >= 0 && counter < edge)
            return;
        laterCounter = counter;
        for (int pane = 0; pane < 2; ++pane) {
            laterNumeric[pane] = numeric[pane];
            laterY[pane] = y[pane];
        }
    }
}

void ChartModel::addSample(bool *liveWatchdogHold)
{
    BufferSample();
    StoreHistory();
    AdvanceChart(liveWatchdogHold);
}

void ChartModel::BufferSample()
{
    if (m_state.ChartBufferIndex >= int(m_state.ChartBuffer.size()) - 1)
        FlushChartBuffer();
    LiveRecord &slot = m_state.ChartBuffer[++m_state.ChartBufferIndex];
    slot.SampleCounter = m_live.LiveSample[0].SampleCounter;
    slot.Field = m_live.LiveSample[0].Field;
}

void ChartModel::StoreHistory()
{
    m_state.HistoryIndex = (m_state.HistoryIndex + 1) % int(m_state.History.size());
    LiveRecord &slot = m_state.History[m_state.HistoryIndex];
    slot.SampleCounter = m_live.LiveSample[0].SampleCounter;
    slot.Field = m_live.LiveSample[0].Field;
}

void ChartModel::AdvanceChart(bool *liveWatchdogHold)
{
    const bool scrolls =
        m_state.ChartOrigin + m_live.LiveChannels[kXChannel].ScaleMax <= m_live.LiveSample[0].SampleCounter;
    if (scrolls)
        scroll();
    if (liveWatchdogHold)
        *liveWatchdogHold = scrolls;
    autoscaleChannel8();
    drawNewSegment();
}

void ChartModel::scroll()
{
    // A long replay must not let the live-data watchdog close the link.
    const bool watchdogWasActive = m_watchdog && m_watchdog->isActive();
    if (m_watchdog)
        m_watchdog->stop();

    FlushChartBuffer();
    const LiveChannel &x = m_live.LiveChannels[kXChannel];
    m_state.ChartOrigin = NextChartOrigin(m_live.LiveSample[0].SampleCounter, x.ScaleMin, x.ScaleMax, x.Divisions);
    AutoscaleFromHistory();
    if (m_view) {
        for (int pane = 0; pane < 2; ++pane) {
            const LiveChannel &y = m_live.LiveChannels[m_live.ChartChannels[pane]];
            m_view->drawXAxis(pane, m_state.ChartOrigin + x.ScaleMin, m_state.ChartOrigin + x.ScaleMax, x.Divisions,
                              x.Subdivisions, x.Format);
            m_view->SetPaneScale(pane, y.ScaleMin, y.ScaleMax, x.ScaleMin, x.ScaleMax);
            m_view->drawYAxis(pane, y.ScaleMin, y.ScaleMax, y.Divisions, y.Subdivisions, y.Format);
        }
    }
    ReplotFromFile();
    keepDrawnScales();

    if (m_watchdog && watchdogWasActive)
        m_watchdog->start();
}

void ChartModel::autoscaleChannel8()
{
    LiveChannel &c8 = m_live.LiveChannels[8];
    const LiveRecord &cur = m_live.LiveSample[0];
    double v = 0;
    if (IsNumericText(cur.Field[8], &v)) {
        if (cur.SampleCounter == 0) {
            c8.ObservedMin = c8.ObservedMax = v;
            fitChannel8();
        } else if (v <= c8.ObservedMin) {
            c8.ObservedMin = v;
            if (v < c8.ScaleMin)
                fitChannel8();
        } else if (v >= c8.ObservedMax) {
            c8.ObservedMax = v;
            if (v >= c8.ScaleMax)
                fitChannel8();
        }
    }
    if (c8.ScaleMin == c8.PrevScaleMin && c8.ScaleMax == c8.PrevScaleMax)
        return;
    if (m_view) {
        const LiveChannel &x = m_live.LiveChannels[kXChannel];
        m_view->SetPaneScale(1, c8.ScaleMin, c8.ScaleMax, x.ScaleMin, x.ScaleMax);
        m_view->drawYAxis(1, c8.ScaleMin, c8.ScaleMax, c8.Divisions, c8.Subdivisions, c8.Format);
    }
    FlushChartBuffer();
    // Only pane 1 was cleared; replaying pane 0 too would draw its traces twice.
    replot(false, true);
    keepDrawnScales();
}

void ChartModel::drawNewSegment()
{
    if (!m_view)
        return;
    const LiveRecord &cur = m_live.LiveSample[0];
    const LiveRecord &prev = m_live.LiveSample[1];
    for (int pane = 0; pane < 2; ++pane) {
        const int c = m_live.ChartChannels[pane];
        double y = 0, prevY = 0;
        if (!IsNumericText(cur.Field[c], &y))
            continue;
        const double x = cur.SampleCounter - m_state.ChartOrigin;
        if (prev.SampleCounter != -1 && IsNumericText(prev.Field[c], &prevY))
            m_view->drawLine(pane, prev.SampleCounter - m_state.ChartOrigin, prevY, x, y);
        else
            m_view->drawPoint(pane, x, y);
    }
}

void ChartModel::fitChannel8()
{
    LiveChannel &c8 = m_live.LiveChannels[8];
    FitScale(c8.ObservedMin, c8.ObservedMax, c8.MarginPercent, c8.Divisions, &c8.ScaleMin, &c8.ScaleMax);
}

void ChartModel::keepDrawnScales()
{
    for (LiveChannel &ch : m_live.LiveChannels) {
        ch.PrevScaleMin = ch.ScaleMin;
        ch.PrevScaleMax = ch.ScaleMax;
    }
}

qint32 ChartModel::NextChartOrigin(qint32 sampleCounter, double xMin, double xMax, int xDivisions)
{
    const double span = xMax - xMin;
    double step = RoundHalfEvenDecimal(span / (xDivisions > 0 ? xDivisions : 1));
    if (step < 1)
        step = 1;   // a window narrower than its divisions still has to move on
    return qint32(RoundHalfEvenDecimal(step * (std::floor(sampleCounter / step) + 1) - span));
}

void ChartModel::FitScale(double observedMin, double observedMax, int marginPercent, int divisions, double *scaleMin,
                          double *scaleMax)
{
    const double d = divisions > 0 ? divisions : 1;
    const double range = observedMax - observedMin;
    const double margin = range / 100 * marginPercent;
    const double span = RoundHalfEvenDecimal(d * ((range + 2 * margin) / d + 0.1));
    const double middle = (observedMin + observedMax) / 2;
    *scaleMax = middle + span / 2;
    *scaleMin = *scaleMax - span;
}

void ChartModel::AutoscaleFromHistory()
{
    if (m_state.HistoryIndex < 0)
        return;
    LiveChannel &c8 = m_live.LiveChannels[8];
    const int size = int(m_state.History.size());
    const int start = m_state.HistoryIndex;
    const double edge = left();
    bool first = true;
    int i = start;
    do {
        const LiveRecord &slot = m_state.History[i];
        if (slot.SampleCounter == 0 || (slot.SampleCounter > 0 && slot.SampleCounter < edge))
            break;
        double v = 0;
        if (slot.SampleCounter > 0 && IsNumericText(slot.Field[8], &v)) {
            if (first) {
                c8.ObservedMin = c8.ObservedMax = v;
                first = false;
            } else if (v < c8.ObservedMin) {
                c8.ObservedMin = v;
            } else if (v > c8.ObservedMax) {
                c8.ObservedMax = v;
            }
        }
        i = i == 0 ? size - 1 : i - 1;
    } while (i != start);
    fitChannel8();
}
