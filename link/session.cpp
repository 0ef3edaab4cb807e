// The reply interpreter: identification, image read, image write and value queue.
#include <QDir>
#include <QFile>

#include "app/log.h"
#include "app/numbers.h"
#include "app/textids.h"
#include "app/texts.h"
#include "link/framing.h"
#include "link/identification.h"
#include "link/imagefile.h"
#include "link/link.h"
#include "live/chartmodel.h"
#include "live/livestate.h"

void Link::InterpretaRisposta(const QByteArray &frame)
{
    const int stato = m_state.StatoSessione;
    if (!rispondi(frame))
        m_drops.add(FrameDrops::Cause::Unexpected, frame, stato);
    noteSessionState();
}

bool Link::rispondi(const QByteArray &frame)
{
    if (frame.size() < 2)
        return false;
    const int stato = m_state.StatoSessione;
    if (frame[0] == 'D') {
        if (frame.size() != 131 || stato != kSessionIdle || !m_state.EcuReady)
            return false;
        onLiveFrame(frame);
        return true;
    }
    if (frame[0] != 'R')
        return false;

    switch (frame[1]) {
    case '8':
        if (stato != kSessionIdentifying)
            return false;
        onReplyR8(frame);
        return true;
    case '4':
        if (stato != kSessionIdentifying)
            return false;
        onReplyR4(frame);
        return true;
    case 'Z':
        if (stato != kSessionReadingImage || frame.size() != 191)
            return false;
        if (const auto blocco = FixedField(QByteArrayView(frame).sliced(3, 3)))
            onReplyRZ(frame, int(*blocco) + 1);
        else
            m_drops.add(FrameDrops::Cause::Malformed, frame, stato);
        return true;
    case 'f':
        if (stato != kSessionFinalValues || !frame.startsWith("Rfn"))
            return false;
        onReplyRfn(frame);
        return true;
    case '5':
    case '6':
        if (!IsImageUploadState(stato))
            return false;
        onBlockAccepted();
        return true;
    case '7':
        if (!IsImageUploadState(stato))
            return false;
        onBlockRejected();
        return true;
    case '1':
        if (!IsImageUploadState(stato))
            return false;
        onWriteComplete();
        return true;
    case 'g':
        if (!IsValueWriteState(stato) || !frame.startsWith("Rga"))
            return false;
        onValueWritten();
        return true;
    default: return false;
    }
}

void Link::onReplyR8(const QByteArray &frame)
{
    m_timeOutTx.stop();
    if (frame.size() != 61) {
        failStart(TextId::EcuOldSoftware);
        if (!send("MU3\r\n"))
            return;
        m_state.StatoSessione = kSessionIdle;
        Disconnetti();
        return;
    }
    MemorizzaR8(m_state.Ident, frame);
    m_state.TentativiAvvio = 0;
    m_state.VarianteCentralina = VariantOfSoftwareVersion(m_state.Ident.VersioneSoftware);
    if (!send(liveStartCommand()))
        return;
    QFile::remove(fileLettura());
    QFile::remove(fileRiferimento());
    m_state.StatoSessione = kSessionReadingImage;
    if (!send("MU2\r\n"))
        return;
    armReplyWatchdog();
}

void Link::onReplyR4(const QByteArray &frame)
{
    m_timeOutTx.stop();
    m_ui->setBusyCursor(false);
    if (frame.size() == 41) {
        MemorizzaR4(m_state.Ident, frame);
        m_ui->waitSetLabel(testo(TextId::EcuNotProgrammed));
    } else {
        m_ui->waitSetLabel(testo(TextId::EcuOldSoftware));
    }
    m_ui->waitShowOk();
    if (!send("MU3\r\n"))
        return;
    m_state.StatoSessione = kSessionIdle;
    Disconnetti();
}

void Link::onReplyRZ(const QByteArray &frame, int blocco)
{
    m_timeOutTx.stop();
    m_ui->waitSetLabel(testo(TextId::StartingLabel) + QStringLiteral(" (") + QString::number(blocco)
                       + QLatin1Char(')'));

    // A file that cannot be written ends the read now.
    ImageFile file(fileLettura());
    bool ok = file.open(true);
    for (int i = 1; ok && i <= 30; ++i) {
        const QByteArray campo = frame.mid(7 + 6 * (i - 1), 6).trimmed();
        double v = ValoreCampo(QString::fromLatin1((QByteArray("000000") + campo).right(6)));
        const int n = (blocco - 1) * 30 + i;
        if (m_state.VarianteCentralina == 0 && n == 2828 && v == -1)
            v = 0;
        ok = file.writeValue(n, v);
    }
    file.close();
    if (!ok) {
        qCWarning(lcSession).noquote() << "cannot write block" << blocco << "into"
                                       << QDir::toNativeSeparators(fileLettura());
        abortOperation(kSessionReadingImage);
        return;
    }

    switch (frame[6]) {
    case '0':
        if (send("MUA\r\n"))
            armReplyWatchdog();
        break;
    case '$':
        m_state.StatoSessione = kSessionFinalValues;
        if (!send("MU3\r\n") || !send("MUFN\r\n"))
            return;
        armReplyWatchdog();
        break;
    default:
        // Neither "more" nor "last": keep waiting, but not for ever.
        armReplyWatchdog();
        break;
    }
}

void Link::onReplyRfn(const QByteArray &frame)
{
    m_timeOutTx.stop();
    m_ui->setBusyCursor(false);
    for (int k = 0; k < 8; ++k)
        m_state.ValoriFinali[k] =
            frame.size() == 59 ? QString::fromLatin1(frame.mid(3 + 6 * k, 6)) : QStringLiteral("    -1");

    // Without a complete image and its copy there is nothing to work on: end the read.
    if (!m_mapSide->writeFinalValues(fileLettura(), m_state.ValoriFinali)) {
        qCWarning(lcSession).noquote() << "cannot write the final values into"
                                       << QDir::toNativeSeparators(fileLettura());
        abortOperation(kSessionFinalValues);
        return;
    }
    QFile::remove(fileRiferimento());
    if (!QFile::copy(fileLettura(), fileRiferimento())) {
        qCWarning(lcSession).noquote() << "cannot copy" << QDir::toNativeSeparators(fileLettura()) << "to"
                                       << QDir::toNativeSeparators(fileRiferimento());
        abortOperation(kSessionFinalValues);
        return;
    }
    m_state.StatoSessione = kSessionIdle;
    m_ui->setMainWindowEnabled(true);
    m_ui->waitClose();

    if (m_mapSide->loadImage(fileLettura(), m_state.VarianteCentralina)) {
        m_chart.ResetChart();
        m_ui->RedrawChart();
        m_live.LiveSample[0].RecordCounter = -1;
        m_live.LiveSample[1].RecordCounter = -1;
        m_ui->FillMapEditor();
        setEcuReady(true);
        m_ui->SetEcuReadyControls(true);
        m_ui->setEditorEnabled(true);
        m_ui->ShowPageButtons(m_ui->currentEditorPage());
        m_ui->showMapEditor();
        qCInfo(lcSession).noquote() << "ECU ready: serial" << m_state.Ident.Matricola.trimmed() << "software"
                                    << m_state.Ident.VersioneSoftware.trimmed() << "variant"
                                    << m_state.VarianteCentralina;
    } else {
        qCWarning(lcSession).noquote() << "the map parameters could not be loaded from"
                                       << QDir::toNativeSeparators(fileLettura());
    }
    if (!send("MU3\r\n"))
        return;
    m_timeOutDati.start();
}

bool Link::sendNextBlock()
{
    const QByteArray comando = ComandoMZ(m_state.ImmagineDaInviare, m_state.BloccoCorrente);
    if (comando.isEmpty()) {
        // No such block: the ECU asked past the end; the reply watchdog decides.
        armReplyWatchdog();
        return true;
    }
    if (!send(comando))
        return false;
    armReplyWatchdog();
    return true;
}

void Link::onBlockAccepted()
{
    m_timeOutTx.stop();
    ++m_state.BloccoCorrente;
    const bool mappe = m_state.StatoSessione == kSessionSendingMaps;
    if (mappe)
        m_ui->waitShow();
    const int label = mappe                                        ? TextId::SendingMaps
                      : m_operation == LinkOperation::RestoreImage ? TextId::Restoring
                                                                   : TextId::Programming;
    m_ui->waitSetLabel(testo(label) + QStringLiteral(" (") + QString::number(m_state.BloccoCorrente)
                       + QLatin1Char(')'));
    if (sendNextBlock())
        m_state.RitrasmissioneFatta = 0;
}

void Link::onBlockRejected()
{
    m_timeOutTx.stop();
    if (m_state.RitrasmissioneFatta == 0) {
        if (sendNextBlock())
            m_state.RitrasmissioneFatta = 1;
        return;
    }
    const int failure =
        m_state.StatoSessione == kSessionSendingMaps ? TextId::NewMapsFailed : TextId::ProgrammingInterrupted;
    if (failure == TextId::NewMapsFailed) {
        m_ui->beep();
        m_state.TentativiAvvio = 0;
        m_state.BufferRx.clear();
    }
    failStart(failure);
    if (send("MU1\r\n")) {
        m_timeOutDati.start();
        m_state.StatoSessione = kSessionIdle;
    }
    finishOperation(false, failure);
}

void Link::onWriteComplete()
{
    m_timeOutTx.stop();
    const bool maps = m_state.StatoSessione == kSessionSendingMaps;
    if (maps) {
        m_state.StatoSessione = kSessionIdle;
        m_ui->beep();
        m_ui->setBusyCursor(false);
        m_ui->waitSetLabel(testo(TextId::MapsSent));
        m_ui->waitShowOk();
        m_state.TentativiAvvio = 0;
        m_state.BufferRx.clear();
    } else {
        m_ui->setMainWindowEnabled(true);
        m_ui->waitClose();
        m_state.StatoSessione = kSessionIdle;
        m_ui->setBusyCursor(false);
    }
    // The ECU holds the whole image now, whether or not it hears the closing command.
    finishOperation(true, maps ? TextId::MapsSent : 0);
    if (send("MU1\r\n"))
        m_timeOutDati.start();
    if (maps && portOpen())
        m_ui->ShowPageButtons(m_ui->currentEditorPage());
}

void Link::onValueWritten()
{
    m_timeOutTx.stop();
    const int stato = m_state.StatoSessione;
    const qsizetype crlf = m_state.CodaComandi.indexOf("\r\n");
    if (crlf >= 0) {
        const QByteArray riga = m_state.CodaComandi.left(crlf + 2);
        if (!send(riga))
            return;
        armReplyWatchdog();
        m_state.CodaComandi.remove(0, crlf + 2);
        return;
    }

    m_state.CodaComandi.clear();
    const int offset = (stato - kSessionApplyingValues) % 10;   // (page - 1) + 3 * choice
    emit pageValuesWritten(offset % 3 + 1, offset / 3);

    auto fine = [this] {
        m_ui->setBusyCursor(false);
        m_state.StatoSessione = kSessionIdle;
        m_ui->setMainWindowEnabled(true);
        m_timeOutDati.start();
    };
    if (stato < kSessionStoringValues) {
        fine();
        finishOperation(true, 0);
        return;
    }
    m_state.BloccoCorrente = -1;
    m_state.ImmagineDaInviare = LeggiImmagine(fileLettura());
    if (m_state.ImmagineDaInviare.trimmed().isEmpty()) {
        qCWarning(lcSession).noquote() << "cannot read the image to program from"
                                       << QDir::toNativeSeparators(fileLettura());
        // The values went, the image cannot: the fitter must not take it as stored.
        fine();
        finishOperation(false, TextId::ProgrammingInterrupted, false);
        return;
    }
    m_state.StatoSessione = kSessionProgramming;
    m_ui->waitOpen(testo(TextId::ProgrammingCaption), testo(TextId::Programming));
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    if (!send("MU0\r\n"))
        return;
    armReplyWatchdog();
}
