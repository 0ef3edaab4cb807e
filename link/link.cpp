#include "link/link.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMetaObject>

#include "app/log.h"
#include "app/settings.h"
#include "app/textids.h"
#include "app/texts.h"
#include "link/framing.h"
#include "link/imagebackup.h"
#include "link/wiretrace.h"
#include "live/livestate.h"
#include "live/recorder.h"

namespace {

// Counts the link's own operations on the stack, so that bytes a transport
// delivers synchronously from inside them are interpreted afterwards, in order.
class BusyScope {
public:
    explicit BusyScope(int &depth) : m_depth(depth) { ++m_depth; }
    ~BusyScope() { --m_depth; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    int &m_depth;
};

// Stands in until the map editor attaches: an image is taken as it is.
class NoMapData : public MapSide {
public:
    bool writeFinalValues(const QString &, const std::array<QString, 8> &) override { return true; }
    bool loadImage(const QString &, int) override { return true; }
    LiveCorrection correctionAt(double) const override { return {}; }
    void discardEdits() override {}
};

// The line under 345 that tells the fitter what to do; 0 when there is nothing to add.
int testoCausa(PortFault fault)
{
    switch (fault) {
    case PortFault::NoDevice: return TextId::PortNotFound;
    case PortFault::NoPermission: return TextId::PortNoPermission;
    case PortFault::Busy: return TextId::PortBusy;
    case PortFault::None:
    case PortFault::Other: break;
    }
    return 0;
}

NoLinkUi g_noWindows;
NoMapData g_noMapData;

}   // namespace

Link::Link(FrameState &frame, LiveState &live, ChartModel &chart, Recorder &recorder, TransportFactory factory,
           LinkTiming timing, QObject *parent)
    : QObject(parent), m_frame(frame), m_live(live), m_chart(chart), m_recorder(recorder), m_ui(&g_noWindows),
      m_mapSide(&g_noMapData), m_factory(std::move(factory)), m_timing(timing)
{
    m_interpreto.setInterval(m_timing.interpretMs);
    m_timeOutDati.setInterval(m_timing.liveWatchdogMs);
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    connect(&m_interpreto, &QTimer::timeout, this, &Link::onInterpretTick);
    connect(&m_timeOutDati, &QTimer::timeout, this, &Link::onTimeOutDatiExpired);
    connect(&m_timeOutTx, &QTimer::timeout, this, &Link::onTimeOutTxExpired);
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

void Link::setUi(LinkUi *ui)
{
    m_ui = ui ? ui : &g_noWindows;
}

void Link::setMapSide(MapSide *side)
{
    m_mapSide = side ? side : &g_noMapData;
}

void Link::resetSession()
{
    m_state = LinkState{};
    m_loggedState = m_state.StatoSessione;
}

void Link::noteSessionState()
{
    if (m_state.StatoSessione == m_loggedState)
        return;
    qCInfo(lcSession).noquote() << "session" << SessionStateName(m_loggedState) << "->"
                                << SessionStateName(m_state.StatoSessione);
    m_loggedState = m_state.StatoSessione;
}

bool Link::portOpen() const
{
    return m_port && m_port->isOpen();
}

QString Link::testo(int baseId) const
{
    return Testo(m_frame.id(baseId));
}

QString Link::fileLettura() const
{
    return m_frame.file(QStringLiteral("LETTURA.PRG"));
}
QString Link::fileRiferimento() const
{
    return m_frame.file(QStringLiteral("LETTURAN.PRG"));
}

QByteArray Link::liveStartCommand() const
{
    return ComandoMGA(m_state.VarianteCentralina == 1 ? 147 : 34, 1);
}

int Link::ApriPorta()
{
    if (portOpen())
        m_port->close();

    auto fallita = [this](PortFault fault = PortFault::None) {
        if (m_port) {
            disconnect(m_port.get(), nullptr, this, nullptr);
            m_port->close();
            m_port.reset();
        }
        QString text = testo(TextId::PortSettingsError);
        if (const int causa = testoCausa(fault))
            text += QLatin1Char('\n') + testo(causa);
        m_ui->plainMessage(text, testo(TextId::TitleError));
        return -1;
    };

    m_portErrorText.clear();
    PortSettings settings;
    if (!ImpostazioniPorta(m_frame, &settings)) {
        qCWarning(lcLink).noquote() << "port" << m_frame.ConfigSeriale.Porta.trimmed() << "refused settings"
                                    << TestoImpostazioni(m_frame.ConfigSeriale);
        return fallita();
    }
    if (m_port)
        disconnect(m_port.get(), nullptr, this, nullptr);
    m_port = m_factory ? m_factory(settings.device) : nullptr;
    m_wholeLines = false;
    if (!m_port)
        return fallita();
    connect(m_port.get(), &Transport::readyRead, this, &Link::onReadyRead);
    connect(m_port.get(), &Transport::lost, this, &Link::onLost);
    QString error;
    if (!m_port->open(settings, &error)) {
        m_portErrorText = m_port->lastErrorText().isEmpty() ? error : m_port->lastErrorText();
        qCWarning(lcLink).noquote() << "port" << settings.device << "did not open:" << m_portErrorText;
        return fallita(m_port->lastFault());
    }
    if (!m_port->isOpen()) {
        qCWarning(lcLink).noquote() << "port" << settings.device << "did not open:" << error;
        return fallita();
    }
    applyReceiveMode();
    return 0;
}

void Link::Connetti()
{
    if (m_state.EcuReady)
        return;
    BusyScope busy(m_busyDepth);
    if (portOpen())
        m_port->close();
    if (ApriPorta() != 0)
        return;
    const QString port =
        m_frame.ConfigSeriale.Porta.trimmed() + QLatin1Char(' ') + TestoImpostazioni(m_frame.ConfigSeriale);
    qCInfo(lcLink).noquote() << "port" << port << "opened";
    if (m_trace)
        m_trace->note(QStringLiteral("port ") + port + QStringLiteral(" opened"));
    m_drops.clear();
    // Bytes left from an earlier connection must not pass for replies to this one.
    m_state.BufferRx.clear();
    m_backupPath.clear();
    m_ui->setConnectButtons(true);
    m_ui->waitOpen(testo(202), testo(TextId::StartingLabel));
    m_ui->setBusyCursor(true);
    m_ui->setMainWindowEnabled(false);
    m_state.StatoSessione = kSessionIdentifying;
    m_timeOutDati.stop();
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    noteSessionState();
    if (!send("MUB\r\n"))
        return;
    m_timeOutTx.start();
}

void Link::Disconnetti()
{
    BusyScope busy(m_busyDepth);
    ++m_closeCount;
    m_state.CodaComandi.clear();
    if (portOpen()) {
        m_port->close();
        const QString drops = m_drops.summary();
        qCInfo(lcLink).noquote() << "port closed;"
                                 << (drops.isEmpty() ? QStringLiteral("no frame dropped")
                                                     : QStringLiteral("frames dropped: ") + drops);
        if (m_trace) {
            m_trace->note(QStringLiteral("port closed"));
            m_trace->flush();
        }
    }
    // Nothing can answer a closed port: no operation may wait for it, no stale byte may be read later.
    m_timeOutTx.stop();
    m_state.StatoSessione = kSessionIdle;
    m_state.BufferRx.clear();

    m_recorder.stop();
    m_ui->SetRecordingIdle();

    setEcuReady(false);
    m_timeOutDati.stop();
    m_live.LiveDisplayEnabled = false;
    m_state.TentativiAvvio = 0;

    m_ui->setEditorEnabled(false);
    m_ui->setConnectButtons(false);
    m_ui->SetEcuReadyControls(m_state.EcuReady);

    QFile::remove(fileLettura());
    QFile::remove(fileRiferimento());
    noteSessionState();
    emit linkClosed();

    // Whoever closed the link mid-operation has not said how it ended: it failed.
    if (m_operation) {
        const quint32 serial = m_operationSerial;
        QMetaObject::invokeMethod(
            this,
            [this, serial] {
                if (serial == m_operationSerial)
                    finishOperation(false, 0);
            },
            Qt::QueuedConnection);
    }
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
    BusyScope busy(m_busyDepth);
    const quint32 chiusure = m_closeCount;
    // Traced before writing: a reply the write brings back at once comes after it.
    if (m_trace)
        m_trace->sent(lineWithCrLf);
    const bool ok = m_port->write(lineWithCrLf);
    if (chiusure != m_closeCount)
        return false;   // the port was lost while writing and the link is already closed
    if (!ok) {
        qCWarning(lcLink) << "write failed, closing the link";
        onLinkFailure();
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
    if (m_trace)
        m_trace->received(data);
    if (!m_port->isOpen())
        return;
    m_state.BufferRx.append(data);
    LimitaBuffer(m_state.BufferRx);
    // No frame can end without an LF: a fragment only waits in the buffer. A line
    // whose LF comes now is acted on now; the tick catches whatever is left.
    if (!data.contains('\n'))
        return;
    if (m_busyDepth == 0)
        InterpretaBuffer();
    else
        QMetaObject::invokeMethod(this, &Link::InterpretaBuffer, Qt::QueuedConnection);
}

void Link::onInterpretTick()
{
    applyReceiveMode();
    InterpretaBuffer();
}

void Link::applyReceiveMode()
{
    const bool wholeLines = !(m_trace && m_trace->isActive());
    if (!m_port || wholeLines == m_wholeLines)
        return;
    m_port->setWakeOnLineEnd(wholeLines);
    m_wholeLines = wholeLines;
}

void Link::onLost(const QString &reason)
{
    if (portOpen())
        qCWarning(lcLink).noquote() << "port lost:" << reason;
    onLinkFailure();
}

void Link::onLinkFailure()
{
    if (m_inFailure || !portOpen())
        return;
    m_inFailure = true;
    BusyScope busy(m_busyDepth);
    m_timeOutTx.stop();
    m_timeOutDati.stop();
    ChiudiFinestre();
    if (m_ui->waitIsOpen())
        m_ui->waitClose();
    m_ui->setMainWindowEnabled(true);
    m_ui->setBusyCursor(false);
    m_mapSide->discardEdits();
    Disconnetti();
    m_ui->beep();
    messaggio(TextId::LinkLost, TextId::TitleError);
    finishOperation(false, TextId::LinkLost);
    m_inFailure = false;
}

void Link::messaggio(int testoBase, int titoloBase)
{
    m_frame.MessageText = testo(testoBase);
    m_frame.MessageTitle = testo(titoloBase);
    m_frame.MessageResult = m_ui->showMessage(m_frame.MessageText, kErrorOk, m_frame.MessageTitle, kMessageCentred);
}

void Link::ChiudiFinestre()
{
    m_ui->ChiudiFinestre();
}

void Link::InterpretaBuffer()
{
    if (m_interpreting)
        return;
    m_interpreting = true;
    ++m_interpretPasses;
    BusyScope busy(m_busyDepth);
    QByteArray frame, dropped;
    while (EstraiFrame(m_state.BufferRx, &frame, &dropped) == CutResult::Frame)
        InterpretaRisposta(frame);
    if (!dropped.isEmpty())
        m_drops.add(FrameDrops::Cause::Checksum, dropped, m_state.StatoSessione);
    m_interpreting = false;
}

void Link::onTimeOutDatiExpired()
{
    qCWarning(lcSession).noquote() << "live-data watchdog TimeOutDati expired in state"
                                   << SessionStateName(m_state.StatoSessione);
    BusyScope busy(m_busyDepth);
    m_timeOutDati.stop();
    ChiudiFinestre();
    m_mapSide->discardEdits();
    Disconnetti();
    messaggio(TextId::LinkLost, TextId::TitleError);
}

void Link::onTimeOutTxExpired()
{
    qCWarning(lcSession).noquote() << "reply watchdog TimeOutTx expired in state"
                                   << SessionStateName(m_state.StatoSessione);
    abortOperation(m_state.StatoSessione);
}

void Link::abortOperation(int stato)
{
    BusyScope busy(m_busyDepth);
    m_timeOutTx.stop();
    m_ui->beep();
    m_ui->setBusyCursor(false);
    const quint32 chiusure = m_closeCount;
    int failure = 0;
    switch (stato) {
    case kSessionIdentifying:
    case kSessionReadingImage:
    case kSessionFinalValues:
        failStart(TextId::StartInterrupted);
        send("MU3\r\n");
        break;
    case kSessionSendingMaps:
        m_ui->waitShow();
        failStart(failure = TextId::SendingMapsInterrupted);
        send("MU1\r\n");
        break;
    case kSessionProgramming:
        failStart(failure = TextId::ProgrammingInterrupted);
        send("MU1\r\n");
        break;
    default:
        if (IsValueWriteState(stato)) {
            m_state.CodaComandi.clear();
            m_ui->setMainWindowEnabled(true);
        }
        break;
    }
    if (chiusure == m_closeCount) {   // else a failed write has closed the link already
        m_state.StatoSessione = kSessionIdle;
        Disconnetti();
    }
    finishOperation(false, failure);
}

bool Link::canStartOperation() const
{
    return portOpen() && m_state.EcuReady && m_state.StatoSessione == kSessionIdle && !m_operation;
}

// The image as read is kept before anything in the ECU changes, once per connection.
bool Link::ensureBackup()
{
    if (!m_backupPath.isEmpty())
        return true;
    QString error;
    m_backupPath = SaveImageBackup(m_frame.PercorsoApp, m_state.Ident.Matricola, fileRiferimento(),
                                   QDateTime::currentDateTime(), &error);
    if (!m_backupPath.isEmpty())
        return true;
    m_ui->beep();
    m_frame.MessageText = testo(TextId::BackupFailed);
    m_frame.MessageTitle = testo(TextId::TitleError);
    m_frame.MessageResult = m_ui->showMessage(m_frame.MessageText, kErrorOk, m_frame.MessageTitle, kMessageCentred);
    return false;
}

bool Link::startValueWrites(const QByteArray &lines, int page, int choice, bool thenProgram)
{
    const qsizetype crlf = lines.indexOf("\r\n");
    if (!canStartOperation() || crlf < 0 || page < 1 || page > 3 || choice < 0 || choice > 1)
        return false;
    if (!ensureBackup())
        return false;
    BusyScope busy(m_busyDepth);
    m_operation = thenProgram ? LinkOperation::StorePage : LinkOperation::ApplyValues;
    ++m_operationSerial;
    m_state.CodaComandi = lines;
    m_state.StatoSessione =
        qint16((thenProgram ? kSessionStoringValues : kSessionApplyingValues) + (page - 1) + 3 * choice);
    m_ui->setBusyCursor(true);
    m_ui->setMainWindowEnabled(false);
    m_timeOutDati.stop();
    m_timeOutTx.setInterval(m_timing.firstValueReplyMs);
    const QByteArray first = m_state.CodaComandi.left(crlf + 2);
    m_state.CodaComandi.remove(0, crlf + 2);
    noteSessionState();
    if (!send(first))
        return true;   // the link has closed and said so; the operation has ended with it
    m_timeOutTx.start();
    return true;
}

bool Link::startImageUpload(const QByteArray &image, LinkOperation kind)
{
    if (!canStartOperation() || image.trimmed().isEmpty()
        || (kind != LinkOperation::StoreMapping && kind != LinkOperation::RestoreImage))
        return false;
    if (!ensureBackup())
        return false;
    BusyScope busy(m_busyDepth);
    m_operation = kind;
    ++m_operationSerial;
    const bool maps = kind == LinkOperation::StoreMapping;
    m_state.StatoSessione = maps ? kSessionSendingMaps : kSessionProgramming;
    m_timeOutDati.stop();
    m_ui->waitOpen(testo(TextId::ProgrammingCaption), testo(maps ? TextId::SendingMaps : TextId::Restoring));
    m_ui->setBusyCursor(true);
    m_ui->setMainWindowEnabled(false);
    m_state.BloccoCorrente = -1;
    m_state.ImmagineDaInviare = image;
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    noteSessionState();
    if (!send("MU0\r\n"))
        return true;
    m_timeOutTx.start();
    return true;
}

void Link::finishOperation(bool ok, int textId, bool textShown)
{
    if (!m_operation)
        return;
    const LinkOperation kind = *m_operation;
    m_operation.reset();
    if (!ok) {
        // Whatever stopped it, the ECU may hold part of what was sent: say where the way back is.
        QString text = testo(TextId::MayHoldPartialImage).arg(QDir::toNativeSeparators(m_backupPath));
        if (textId && !textShown)
            text = testo(textId) + QLatin1Char('\n') + text;
        m_ui->beep();
        m_frame.MessageText = text;
        m_frame.MessageTitle = testo(TextId::TitleError);
        m_frame.MessageResult = m_ui->showMessage(text, kErrorOk, m_frame.MessageTitle, kMessageCentred);
    }
    emit operationFinished(kind, ok, textId);
}

void Link::failStart(int testoBase)
{
    m_ui->waitSetLabel(testo(testoBase));
    m_ui->waitShowOk();
    m_ui->setBusyCursor(false);
}

void Link::armReplyWatchdog()
{
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    m_timeOutTx.start();
}
