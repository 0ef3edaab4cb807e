#include "live/livedisplay.h"

#include "app/texts.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/recorder.h"

namespace {
constexpr int kLabelChannel[13] = {0, 1, 2, 3, 4, 6, 8, 9, 10, 11, 12, 5, 14};
}

LiveDisplay::LiveDisplay(LiveState &live, ChartModel &chart, Recorder &recorder)
    : m_live(live), m_chart(chart), m_recorder(recorder)
{}

void LiveDisplay::setLanguage(int lingua)
{
    m_lingua = lingua;
    m_chart.setLanguage(lingua);
}

int LiveDisplay::channelOfLabel(int label)
{
    return label >= 0 && label < 13 ? kLabelChannel[label] : -1;
}

FuelColour LiveDisplay::fuelColourOf(const QString &field, int lingua)
{
    // The field holds the fuel name exactly as the post-processing stored it.
    const auto matches = [&](int baseId) {
        return !TestoL(baseId, lingua).trimmed().isEmpty() && field == LiveNameField(baseId, lingua);
    };
    if (matches(223))
        return FuelColour::Petrol;
    if (matches(221))
        return FuelColour::Gas;
    return FuelColour::Unknown;
}

void LiveDisplay::VisDatiTick()
{
    // A failed recording write shows a modal message; ticks that fire while it
    // is open must not handle the same sample a second time.
    if (m_inTick)
        return;
    m_inTick = true;
    if (!m_live.LiveDisplayEnabled) {
        // Frames may stop well before the link gives up: the held samples
        // still have to reach the file in time.
        m_recorder.flushIfDue();
        m_inTick = false;
        return;
    }

    LiveRecord &cur = m_live.LiveSample[0];
    cur.SampleCounter += 1;
    if (m_view) {
        for (int label = 0; label < 13; ++label)
            m_view->showValue(label, cur.Field[kLabelChannel[label]]);
        m_view->showDeltaFlow(cur.Field[13]);
        m_view->setFuelColour(fuelColourOf(cur.Field[14], m_lingua));
    }
    m_chart.BufferSample();
    m_recorder.addSample();
    m_chart.StoreHistory();
    m_chart.AdvanceChart();
    m_live.LiveSample[1] = m_live.LiveSample[0];
    m_live.LiveDisplayEnabled = false;

    m_inTick = false;
}
