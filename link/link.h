#pragma once
#include <QObject>
#include <QTimer>
#include <memory>

#include "app/framestate.h"
#include "link/linkstate.h"
#include "link/linkui.h"
#include "link/transport.h"

class MapModel;
class ChartModel;
class Recorder;
struct LiveState;

// Timer intervals; tests shorten them.
struct LinkTiming {
    int interpretMs = 50;         // `InterpretoDati`
    int liveWatchdogMs = 2000;    // `TimeOutDati`
    int replyWatchdogMs = 5000;   // `TimeOutTx`
    int firstValueReplyMs = 2000; // `TimeOutTx` while the first value write is awaited
};

// The ECU link: transport, receive buffer, watchdogs, the session state machine
// and the live-data frames. Owns LinkState. Talks to windows only via LinkUi.
class Link : public QObject {
    Q_OBJECT
public:
    Link(FrameState &frame, LiveState &live, MapModel &map, ChartModel &chart, Recorder &recorder,
         LinkUi &ui, TransportFactory factory, LinkTiming timing = {}, QObject *parent = nullptr);
    ~Link() override;

    const LinkState &state() const { return m_state; }
    LinkState &edit() { return m_state; }   // for the map sending code that starts operations
    bool portOpen() const;

    int ApriPorta();           // 0 opened, -1 failed (message 345 shown)
    void Connetti();
    void Disconnetti();
    void InterpretaBuffer();
    void InterpretaRisposta(const QByteArray &frame);
    // Writes one line; a failed write closes the link with message 308.
    bool send(const QByteArray &lineWithCrLf);

    // Closes every window but the main window and the map editor.
    void ChiudiFinestre();
    // Watchdog expiries; the timers call them, tests may too.
    void TimeOutDatiScaduto();
    void TimeOutTxScaduto();
    // The live-data start command for the current variant.
    QByteArray ComandoAvvioLive() const;

    const LinkTiming &timing() const { return m_timing; }
    QTimer &InterpretoDati() { return m_interpreto; }
    QTimer &TimeOutDati() { return m_timeOutDati; }
    QTimer &TimeOutTx() { return m_timeOutTx; }

signals:
    void ecuReadyChanged(bool ready);
    void liveFrameAccepted();
    void sent(const QByteArray &line);   // every line written, for tests and tracing

private:
    // implementation detail of the link helper
    struct Private;

    void onReadyRead();
    void onLost();
    void guastoCollegamento();
    void interrompiOperazione(int stato);
    void fallisci(int testoBase);
    void armaRisposta();
    void setEcuReady(bool ready);
    void messaggio(int testoBase, int titoloBase);
    QString testo(int baseId) const;
    QString fileLettura() const;
    QString fileRiferimento() const;

    void rispostaR8(const QByteArray &frame);
    void rispostaR4(const QByteArray &frame);
    void rispostaRZ(const QByteArray &frame);
    void rispostaRfn(const QByteArray &frame);
    void bloccoAccettato();
    void bloccoRifiutato();
    void scritturaCompleta();
    void valoreScritto();
    void frameLive(const QByteArray &frame);
    void taraturaLive();
    bool inviaBlocco();

    FrameState &m_frame;
    LiveState &m_live;
    MapModel &m_map;
    ChartModel &m_chart;
    Recorder &m_recorder;
    LinkUi &m_ui;
    TransportFactory m_factory;
    LinkTiming m_timing;
    LinkState m_state;
    std::unique_ptr<Transport> m_port;
    QTimer m_interpreto, m_timeOutDati, m_timeOutTx;
    int m_profondita = 0;           // the link's own operations on the stack
    bool m_interpretando = false;   // InterpretaBuffer is on the stack
    bool m_inGuasto = false;        // closing after a port failure
    quint32 m_chiusure = 0;         // Disconnetti calls so far: a handler stops when it changes
};
