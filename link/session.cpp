// The reply interpreter: identification, image read, image write and value queue.
#include <QFile>

#include "app/texts.h"
#include "link/framing.h"
#include "link/identification.h"
#include "link/link.h"
#include "live/chartmodel.h"
#include "live/livestate.h"
#include "mapeditor/imagefile.h"
#include "mapeditor/mapmodel.h"

namespace {

bool StatoValori(int s) { return (s >= 10 && s <= 15) || (s >= 20 && s <= 25); }

} // namespace

void Link::InterpretaRisposta(const QByteArray &frame)
{
    if (frame.size() < 2)
        return;
    const int stato = m_state.StatoSessione;
    if (frame[0] == 'D') {
        if (frame.size() == 131 && stato == -1 && m_state.EcuReady)
            frameLive(frame);
        return;
    }
    if (frame[0] != 'R')
        return;

    switch (frame[1]) {
    case '8':
        if (stato == 1)
            rispostaR8(frame);
        break;
    case '4':
        if (stato == 1)
            rispostaR4(frame);
        break;
    case 'Z':
        if (stato == 2 && frame.size() == 191)
            rispostaRZ(frame);
        break;
    case 'f':
        if (stato == 5 && frame.startsWith("Rfn"))
            rispostaRfn(frame);
        break;
    case '5': case '6':
        if (stato == 3 || stato == 30)
            bloccoAccettato();
        break;
    case '7':
        if (stato == 3 || stato == 30)
            bloccoRifiutato();
        break;
    case '1':
        if (stato == 3 || stato == 30)
            scritturaCompleta();
        break;
    case 'g':
        if (StatoValori(stato) && frame.startsWith("Rga"))
            valoreScritto();
        break;
    default:
        break;
    }
}

void Link::rispostaR8(const QByteArray &frame)
{
    m_timeOutTx.stop();
    if (frame.size() != 61) {
        fallisci(210);
        if (!send("MU3\r\n"))
            return;
        m_state.StatoSessione = -1;
        Disconnetti();
        return;
    }
    MemorizzaR8(m_state.Ident, frame);
    m_state.TentativiAvvio = 0;
    m_state.VarianteCentralina = VarianteDaVersione(m_state.Ident.VersioneSoftware);
    if (!send(ComandoAvvioLive()))
        return;
    QFile::remove(fileLettura());
    QFile::remove(fileRiferimento());
    m_state.StatoSessione = 2;
    if (!send("MU2\r\n"))
        return;
    armaRisposta();
}

void Link::rispostaR4(const QByteArray &frame)
{
    m_timeOutTx.stop();
    m_ui.setBusyCursor(false);
    if (frame.size() == 41) {
        MemorizzaR4(m_state.Ident, frame);
        m_ui.waitSetLabel(testo(209));
    } else {
        m_ui.waitSetLabel(testo(210));
    }
    m_ui.waitShowOk();
    if (!send("MU3\r\n"))
        return;
    m_state.StatoSessione = -1;
    Disconnetti();
}

void Link::rispostaRZ(const QByteArray &frame)
{
    m_timeOutTx.stop();
    const int blocco = static_cast<int>(ValoreIniziale(QByteArrayView(frame).sliced(3, 3))) + 1;
    m_ui.waitSetLabel(testo(203) + QStringLiteral(" (") + QString::number(blocco) + QLatin1Char(')'));

    // A block the file cannot hold, or a file that cannot be written, ends the read now.
    if (blocco < 1) {
        interrompiOperazione(2);
        return;
    }
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
        interrompiOperazione(2);
        return;
    }

    switch (frame[6]) {
    case '0':
        if (send("MUA\r\n"))
            armaRisposta();
        break;
    case '$':
        m_state.StatoSessione = 5;
        if (!send("MU3\r\n") || !send("MUFN\r\n"))
            return;
        armaRisposta();
        break;
    default:
        // Neither "more" nor "last": keep waiting, but not for ever.
        armaRisposta();
        break;
    }
}

void Link::rispostaRfn(const QByteArray &frame)
{
    m_timeOutTx.stop();
    m_ui.setBusyCursor(false);
    for (int k = 0; k < 8; ++k)
        m_state.ValoriFinali[k] = frame.size() == 59 ? QString::fromLatin1(frame.mid(3 + 6 * k, 6))
                                                     : QStringLiteral("    -1");

    // Without a complete image and its copy there is nothing to work on: end the read.
    if (!m_map.WriteIdentRecords(fileLettura(), m_state.ValoriFinali)) {
        interrompiOperazione(5);
        return;
    }
    QFile::remove(fileRiferimento());
    if (!QFile::copy(fileLettura(), fileRiferimento())) {
        interrompiOperazione(5);
        return;
    }
    m_state.StatoSessione = -1;
    m_ui.setMainWindowEnabled(true);
    m_ui.waitClose();

    if (m_map.LoadMapParameters(fileLettura(), m_state.VarianteCentralina, m_live)) {
        m_map.edit().LastSentChoice = 1;
        m_chart.ResetChart();
        m_ui.RedrawChart();
        m_live.LiveSample[0].RecordCounter = -1;
        m_live.LiveSample[1].RecordCounter = -1;
        m_map.ResetMapEditorState();
        m_map.FillMapEditorData();
        m_ui.FillMapEditor();
        setEcuReady(true);
        m_ui.SetEcuReadyControls(true);
        m_ui.setEditorEnabled(true);
        m_ui.ShowPageButtons(m_ui.currentEditorPage());
        m_ui.showMapEditor();
    }
    if (!send("MU3\r\n"))
        return;
    m_timeOutDati.start();
}

bool Link::inviaBlocco()
{
    const QByteArray comando = ComandoMZ(m_state.ImmagineDaInviare, m_state.BloccoCorrente);
    if (comando.isEmpty()) {
        // No such block: the ECU asked past the end; the reply watchdog decides.
        armaRisposta();
        return true;
    }
    if (!send(comando))
        return false;
    armaRisposta();
    return true;
}

void Link::bloccoAccettato()
{
    m_timeOutTx.stop();
    ++m_state.BloccoCorrente;
    const bool mappe = m_state.StatoSessione == 3;
    if (mappe)
        m_ui.waitShow();
    m_ui.waitSetLabel(testo(mappe ? 206 : 212) + QStringLiteral(" (") + QString::number(m_state.BloccoCorrente)
                      + QLatin1Char(')'));
    if (inviaBlocco())
        m_state.RitrasmissioneFatta = 0;
}

void Link::bloccoRifiutato()
{
    m_timeOutTx.stop();
    if (m_state.RitrasmissioneFatta == 0) {
        if (inviaBlocco())
            m_state.RitrasmissioneFatta = 1;
        return;
    }
    if (m_state.StatoSessione == 3) {
        m_ui.beep();
        fallisci(208);
        m_state.TentativiAvvio = 0;
        m_state.BufferRx.clear();
    } else {
        fallisci(213);
    }
    if (!send("MU1\r\n"))
        return;
    m_timeOutDati.start();
    m_state.StatoSessione = -1;
}

void Link::scritturaCompleta()
{
    m_timeOutTx.stop();
    if (m_state.StatoSessione == 3) {
        m_state.StatoSessione = -1;
        MapEditorState &mappa = m_map.edit();
        mappa.DeltaFlowInitial = mappa.DeltaFlow;
        m_ui.beep();
        m_ui.setBusyCursor(false);
        m_ui.waitSetLabel(testo(211));
        m_ui.waitShowOk();
        mappa.PageModified[0] = false;
        m_ui.ShowPageButtons(m_ui.currentEditorPage());
        m_state.TentativiAvvio = 0;
        m_state.BufferRx.clear();
    } else {
        m_ui.setMainWindowEnabled(true);
        m_ui.waitClose();
        m_state.StatoSessione = -1;
        m_ui.setBusyCursor(false);
    }
    if (!send("MU1\r\n"))
        return;
    m_timeOutDati.start();
}

void Link::valoreScritto()
{
    m_timeOutTx.stop();
    const int stato = m_state.StatoSessione;
    const qsizetype crlf = m_state.CodaComandi.indexOf("\r\n");
    if (crlf >= 0) {
        const QByteArray riga = m_state.CodaComandi.left(crlf + 2);
        if (!send(riga))
            return;
        armaRisposta();
        m_state.CodaComandi.remove(0, crlf + 2);
        return;
    }

    m_state.CodaComandi.clear();
    const int pagina = (stato - 10) % 10 + 1;   // 1 F7, 2 F8, 3 F9 for the modified values
    if (pagina >= 1 && pagina <= 3)
        m_ui.clearValueBoxColours(pagina);

    auto fine = [this] {
        m_ui.setBusyCursor(false);
        m_state.StatoSessione = -1;
        m_ui.setMainWindowEnabled(true);
        m_timeOutDati.start();
    };
    if (stato < 20) {
        fine();
        return;
    }
    m_state.BloccoCorrente = -1;
    m_state.ImmagineDaInviare = LeggiImmagine(fileLettura());
    if (m_state.ImmagineDaInviare.trimmed().isEmpty()) {
        fine();
        return;
    }
    m_state.StatoSessione = 30;
    m_ui.waitOpen(testo(205), testo(212));
    m_timeOutTx.setInterval(m_timing.replyWatchdogMs);
    if (!send("MU0\r\n"))
        return;
    armaRisposta();
}
