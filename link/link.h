#pragma once
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/framestate.h"
#include "link/framedrops.h"
#include "link/linkstate.h"
#include "link/linkui.h"
#include "link/mapside.h"
#include "link/transport.h"

class ChartModel;
class Recorder;
class WireTrace;
struct LiveState;

// Timer intervals; tests shorten them.
struct LinkTiming {
    int interpretMs = 50;           // `InterpretoDati`
    int liveWatchdogMs = 2000;      // `TimeOutDati`
    int replyWatchdogMs = 5000;     // `TimeOutTx`
    int firstValueReplyMs = 2000;   // `TimeOutTx` while the first value write is awaited
};

// What the program writes into the ECU. Every write goes through the link's
// operations, which take a backup of the ECU's image first.
enum class LinkOperation {
    ApplyValues,    // values of one page, nothing else
    StorePage,      // values of one page, then the whole image
    StoreMapping,   // the image with the rebuilt flow tables
    RestoreImage,   // an image saved before an earlier write
};

// The ECU link: transport, receive buffer, watchdogs, the session state machine
// and the live-data frames. Owns LinkState. Talks to windows only via LinkUi and
// to the map editor's data only via MapSide.
class Link : public QObject {
    Q_OBJECT
public:
    Link(FrameState &frame, LiveState &live, ChartModel &chart, Recorder &recorder, TransportFactory factory,
         LinkTiming timing = {}, QObject *parent = nullptr);
    ~Link() override;

    // Until set, the link runs with no windows and no map data.
    void setUi(LinkUi *ui);
    void setMapSide(MapSide *side);
    LinkUi &ui() const { return *m_ui; }
    // Where every byte read and written is recorded; null for none.
    void setWireTrace(WireTrace *trace) { m_trace = trace; }
    WireTrace *wireTrace() const { return m_trace; }
    // Frames dropped since the port was last opened.
    const FrameDrops &droppedFrames() const { return m_drops; }
    // Passes of InterpretaBuffer so far, for tests: a fragment without LF must not cost one.
    quint64 interpretPasses() const { return m_interpretPasses; }

    const LinkState &state() const { return m_state; }
    bool portOpen() const;
    // A clean session, as when the main window loads.
    void resetSession();

    // Operations. Each returns false when it could not start (nothing was sent);
    // once started, operationFinished follows exactly once.
    // `lines`: value-write lines, each ending in CR LF; `page` 1..3 (F7..F9);
    // `choice` 0 modified / 1 initial values; `thenProgram` sends LETTURA.PRG whole afterwards.
    bool startValueWrites(const QByteArray &lines, int page, int choice, bool thenProgram);
    // `image`: six characters a value, as LeggiImmagine gives it. StoreMapping or RestoreImage.
    bool startImageUpload(const QByteArray &image, LinkOperation kind);
    bool operationRunning() const { return m_operation.has_value(); }
    // Ready, idle and no operation running.
    bool canStartOperation() const;
    // The backup taken before this connection's first write; empty before it.
    QString backupPath() const { return m_backupPath; }

    int ApriPorta();   // 0 opened, -1 failed (message 345 shown, with the cause under it when known)
    // The system's words for the last port that did not open; empty after one that did.
    QString portErrorText() const { return m_portErrorText; }
    void Connetti();
    void Disconnetti();
    void InterpretaBuffer();
    void InterpretaRisposta(const QByteArray &frame);

    // Closes every window but the main window and the map editor.
    void ChiudiFinestre();
    // Watchdog expiries; the timers call them, tests may too.
    void onTimeOutDatiExpired();
    void onTimeOutTxExpired();
    // The live-data start command for the current variant.
    QByteArray liveStartCommand() const;

    const LinkTiming &timing() const { return m_timing; }
    QTimer &InterpretoDati() { return m_interpreto; }
    QTimer &TimeOutDati() { return m_timeOutDati; }
    QTimer &TimeOutTx() { return m_timeOutTx; }

signals:
    void ecuReadyChanged(bool ready);
    // `textId`: the base id of the text that ended it (0 when none).
    void operationFinished(LinkOperation kind, bool ok, int textId);
    // Disconnetti has run: the port is closed.
    void linkClosed();
    // Every value line of a page was confirmed (before the image follows, for StorePage).
    void pageValuesWritten(int page, int choice);
    void liveFrameAccepted();
    void sent(const QByteArray &line);   // every line written, for tests and tracing

private:
    // Writes one line; a failed write closes the link with message 308. Private: what
    // others write into the ECU goes through the operations above.
    bool send(const QByteArray &lineWithCrLf);

    void onReadyRead();
    void onInterpretTick();
    // Line wake-ups on the port unless the wire trace runs, which keeps each character's own time.
    void applyReceiveMode();
    void onLost(const QString &reason);
    void onLinkFailure();
    void abortOperation(int stato);
    bool ensureBackup();
    void finishOperation(bool ok, int textId, bool textShown = true);
    void failStart(int testoBase);
    void armReplyWatchdog();
    void setEcuReady(bool ready);
    void messaggio(int testoBase, int titoloBase);
    QString testo(int baseId) const;
    QString fileLettura() const;
    QString fileRiferimento() const;

    void onReplyR8(const QByteArray &frame);
    void onReplyR4(const QByteArray &frame);
    void onReplyRZ(const QByteArray &frame, int blocco);   // blocco counts from 1
    void onReplyRfn(const QByteArray &frame);
    void onBlockAccepted();
    void onBlockRejected();
    void onWriteComplete();
    void onValueWritten();
    void onLiveFrame(const QByteArray &frame);
    // Acts on one frame; false when no handler wanted it in the current state.
    bool rispondi(const QByteArray &frame);
    // Logs a change of StatoSessione since the last call.
    void noteSessionState();
    void sendLiveCorrection();
    bool sendNextBlock();

    FrameState &m_frame;
    LiveState &m_live;
    ChartModel &m_chart;
    Recorder &m_recorder;
    LinkUi *m_ui;
    MapSide *m_mapSide;
    TransportFactory m_factory;
    LinkTiming m_timing;
    LinkState m_state;
    std::unique_ptr<Transport> m_port;
    QString m_portErrorText;
    QTimer m_interpreto, m_timeOutDati, m_timeOutTx;
    int m_busyDepth = 0;           // the link's own operations on the stack
    bool m_interpreting = false;   // InterpretaBuffer is on the stack
    bool m_inFailure = false;      // closing after a port failure
    quint32 m_closeCount = 0;      // Disconnetti calls so far: a handler stops when it changes
    std::optional<LinkOperation> m_operation;
    quint32 m_operationSerial = 0;   // which operation a deferred end belongs to
    QString m_backupPath;
    WireTrace *m_trace = nullptr;
    FrameDrops m_drops;
    qint16 m_loggedState = kSessionIdle;
    quint64 m_interpretPasses = 0;
    bool m_wholeLines = false;   // the port was told to wake on line ends
};
