#include "link/link.h"

#include <QFile>
#include <QMetaObject>

#include "app/settings.h"
#include "app/texts.h"
#include "link/framing.h"
#include "live/livestate.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"

namespace {

// Counts the link's own operations on the stack, so that bytes a transport
// delivers synchronously from inside them are interpreted afterwards, in order.
class Occupato {
public:
    explicit Occupato(int &depth) : m_depth(depth) { ++m_depth; }
    ~Occupato() { --m_depth; }
    Occupato(const Occupato &) = delete;
    Occupato &operator=(const Occupato &) = delete;
private:
    int &m_depth;
};

} // namespace

Link::Link(FrameState &frame, LiveState &live, MapModel &map, ChartModel &chart, Recorder &recorder, LinkUi &ui,
           TransportFactory factory, LinkTiming timing, QObject *parent)
    : QObject(parent), m_frame(frame), m_live(live), m_map(map), m_chart(chart), m_recorder(recorder), m_ui(ui),
      m_factory(std::move(factory)), m_timing(timing)
{
    m_interpreto.setInterval(m_timing.interpretMs);
    m_timeOutDati.setInterval(m_timing.liveWatchdogMs);
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    connect(&m_interpreto, &QTimer::timeout, this, &Link::InterpretaBuffer);
    connect(&m_timeOutDati, &QTimer::timeout, this, &Link::TimeOutDatiScaduto);
    connect(&m_timeOutTx, &QTimer::timeout, this, &Link::TimeOutTxScaduto);
    m_interpreto.start();
}

Link::~Link()
{
    m_interpreto.stop();
    m_timeOutDati.stop();
    m_timeOutTx.stop();
    if (m_port) {
        disconnect(m_port.get(), nullptr, this, nullptr);
        m_port->close();
    }
}

bool Link::portOpen() const
{
    return m_port && m_port->isOpen();
}

QString Link::testo(int baseId) const
{
    return Testo(m_frame.id(baseId));
}

QString Link::fileLettura() const { return m_frame.file(QStringLiteral("LETTURA.PRG")); }
QString Link::fileRiferimento() const { return m_frame.file(QStringLiteral("LETTURAN.PRG")); }

QByteArray Link::ComandoAvvioLive() const
{
    return ComandoMGA(m_state.VarianteCentralina == 1 ? 147 : 34, 1);
}

int Link::ApriPorta()
{
    if (portOpen())
        m_port->close();

    auto fallita = [this] {
        if (m_port) {
            disconnect(m_port.get(), nullptr, this, nullptr);
            m_port->close();
            m_port.reset();
        }
        m_ui.plainMessage(testo(345), testo(171));
        return -1;
    };

    PortSettings settings;
    if (!ImpostazioniPorta(m_frame, &settings))
        return fallita();
    if (m_port)
        disconnect(m_port.get(), nullptr, this, nullptr);
    m_port = m_factory ? m_factory(settings.device) : nullptr;
    if (!m_port)
        return fallita();
    connect(m_port.get(), &Transport::readyRead, this, &Link::onReadyRead);
    connect(m_port.get(), &Transport::lost, this, &Link::onLost);
    QString error;
    if (!m_port->open(settings, &error) || !m_port->isOpen())
        return fallita();
    return 0;
}

void Link::Connetti()
{
    if (m_state.EcuReady)
        return;
    Occupato busy(m_profondita);
    if (portOpen())
        m_port->close();
    if (ApriPorta() != 0)
        return;
    // Bytes left from an earlier connection must not pass for replies to this one.
    m_state.BufferRx.clear();
    m_ui.setConnectButtons(true);
    m_ui.waitOpen(testo(202), testo(203));
    m_ui.setBusyCursor(true);
    m_ui.setMainWindowEnabled(false);
    m_state.StatoSessione = 1;
    m_timeOutDati.stop();
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    if (!send("MUB\r\n"))
        return;
    m_timeOutTx.start();
}

void Link::Disconnetti()
{
    Occupato busy(m_profondita);
    ++m_chiusure;
    m_state.CodaComandi.clear();
    if (portOpen())
        m_port->close();
    // Nothing can answer a closed port: no operation may wait for it, no stale byte may be read later.
    m_timeOutTx.stop();
    m_state.StatoSessione = -1;
    m_state.BufferRx.clear();

    m_recorder.stop();
    m_ui.SetRecordingIdle();

    setEcuReady(false);
    m_timeOutDati.stop();
    m_live.LiveDisplayEnabled = false;
    m_state.TentativiAvvio = 0;

    m_ui.setEditorEnabled(false);
    m_ui.setConnectButtons(false);
    m_ui.SetEcuReadyControls(m_state.EcuReady);

    QFile::remove(fileLettura());
    QFile::remove(fileRiferimento());
}

void Link::setEcuReady(bool ready)
{
    if (m_state.EcuReady == ready)
        return;
    m_state.EcuReady = ready;
    emit ecuReadyChanged(ready);
}

bool Link::send(const QByteArray &lineWithCrLf)
{
    if (!portOpen())
        return false;
    Occupato busy(m_profondita);
    const quint32 chiusure = m_chiusure;
    const bool ok = m_port->write(lineWithCrLf);
    if (chiusure != m_chiusure)
        return false;   // the port was lost while writing and the link is already closed
    if (!ok) {
        guastoCollegamento();
        return false;
    }
    emit sent(lineWithCrLf);
    return true;
}

void Link::onReadyRead()
{
    if (!m_port)
        return;
    const QByteArray data = m_port->readAll();
    if (!m_port->isOpen())
        return;
    m_state.BufferRx.append(data);
    LimitaBuffer(m_state.BufferRx);
    if (m_profondita == 0)
        InterpretaBuffer();
    else
        QMetaObject::invokeMethod(this, &Link::InterpretaBuffer, Qt::QueuedConnection);
}

void Link::onLost()
{
    guastoCollegamento();
}

void Link::guastoCollegamento()
{
    if (m_inGuasto || !portOpen())
        return;
    m_inGuasto = true;
    Occupato busy(m_profondita);
    m_timeOutTx.stop();
    m_timeOutDati.stop();
    ChiudiFinestre();
    if (m_ui.waitIsOpen())
        m_ui.waitClose();
    m_ui.setMainWindowEnabled(true);
    m_ui.setBusyCursor(false);
    m_map.edit().PageModified.fill(false);
    Disconnetti();
    m_ui.beep();
    messaggio(308, 171);
    m_inGuasto = false;
}

void Link::messaggio(int testoBase, int titoloBase)
{
    m_frame.MessageText = testo(testoBase);
    m_frame.MessageTitle = testo(titoloBase);
    m_frame.MessageResult = m_ui.showMessage(m_frame.MessageText, 16, m_frame.MessageTitle, 4);
}

void Link::ChiudiFinestre()
{
    m_ui.ChiudiFinestre();
}

void Link::InterpretaBuffer()
{
    if (m_interpretando)
        return;
    m_interpretando = true;
    Occupato busy(m_profondita);
    QByteArray frame;
    while (EstraiFrame(m_state.BufferRx, &frame) == EsitoTaglio::Frame)
        InterpretaRisposta(frame);
    m_interpretando = false;
}

void Link::TimeOutDatiScaduto()
{
    Occupato busy(m_profondita);
    m_timeOutDati.stop();
    ChiudiFinestre();
    m_map.edit().PageModified.fill(false);
    Disconnetti();
    messaggio(308, 171);
}

void Link::TimeOutTxScaduto()
{
    interrompiOperazione(m_state.StatoSessione);
}

void Link::interrompiOperazione(int stato)
{
    Occupato busy(m_profondita);
    m_timeOutTx.stop();
    m_ui.beep();
    m_ui.setBusyCursor(false);
    const quint32 chiusure = m_chiusure;
    switch (stato) {
    case 1: case 2: case 5:
        fallisci(204);
        send("MU3\r\n");
        break;
    case 3:
        m_ui.waitShow();
        fallisci(207);
        send("MU1\r\n");
        break;
    case 30:
        fallisci(213);
        send("MU1\r\n");
        break;
    default:
        if ((stato >= 10 && stato <= 15) || (stato >= 20 && stato <= 25)) {
            m_state.CodaComandi.clear();
            m_ui.setMainWindowEnabled(true);
        }
        break;
    }
    if (chiusure != m_chiusure)
        return;   // a failed write has closed the link already
    m_state.StatoSessione = -1;
    Disconnetti();
}

void Link::fallisci(int testoBase)
{
    m_ui.waitSetLabel(testo(testoBase));
    m_ui.waitShowOk();
    m_ui.setBusyCursor(false);
}

void Link::armaRisposta()
{
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    m_timeOutTx.start();
}
