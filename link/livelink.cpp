// Live-data frames: storing, the running check and the live flow correction.
#include "app/numbers.h"
#include "app/textids.h"
#include "app/texts.h"
#include "link/framing.h"
#include "link/link.h"
#include "live/livedata.h"
#include "live/livestate.h"

namespace {

constexpr int kMaxStartAttempts = 10;
// Field 5 holds a running-state code from here up while the ECU runs its calibration.
constexpr double RunningStateCodes = 6000;

}   // namespace

void Link::onLiveFrame(const QByteArray &frame)
{
    m_live.LiveDisplayEnabled = true;
    m_timeOutDati.stop();
    LiveRecord &rec = m_live.LiveSample[0];
    StoreLiveFrame(rec, frame);

    bool avvioInviato = false;
    if (PlainDecimal(rec.Field[5]).value_or(0) >= RunningStateCodes) {
        m_state.TentativiAvvio = 0;
    } else if (m_state.TentativiAvvio < kMaxStartAttempts) {
        if (!send(liveStartCommand()))
            return;
        m_state.BufferRx.clear();
        ++m_state.TentativiAvvio;
        avvioInviato = true;
    }

    PostProcessLiveRecord(rec, m_frame.LinguaCorrente);

    if (m_state.TentativiAvvio != 0) {
        // Every start command gets one more frame to take effect; only a frame after the last one gives up.
        if (m_state.TentativiAvvio < kMaxStartAttempts || avvioInviato) {
            m_timeOutDati.start();
            emit liveFrameAccepted();
            return;
        }
        Disconnetti();
        ChiudiFinestre();
        m_ui->beep();
        messaggio(TextId::EcuOldSoftware, TextId::TitleError);
        return;
    }

    sendLiveCorrection();
    if (!portOpen())
        return;
    m_timeOutDati.start();
    emit liveFrameAccepted();
}

void Link::sendLiveCorrection()
{
    if (m_ui->currentEditorPage() != 0)
        return;
    double x = 0;
    if (!IsNumericText(m_live.LiveSample[0].Field[8], &x))
        return;

    std::array<bool, 6> rossi{};
    const LiveCorrection point = m_mapSide->correctionAt(x);
    const int i = point.segment;
    if (i < 0 || i > 4) {
        m_ui->setDeltaPMarks(rossi);
        return;
    }
    const double d = (point.to - point.from) / 3;
    rossi[i] = x <= point.from + 2 * d;
    rossi[i + 1] = x >= point.from + d;
    m_ui->setDeltaPMarks(rossi);

    const double c = point.percent / 100 * 1000;
    m_ui->MoveOperatingMarker(x);
    send(ComandoMGA(m_state.VarianteCentralina == 1 ? 149 : 68, c));
}
