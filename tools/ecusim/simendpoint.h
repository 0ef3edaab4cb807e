#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "tools/ecusim/simconfig.h"
#include "tools/ecusim/simline.h"
#include "tools/ecusim/simulator.h"

// Runs a Simulator on the event loop: received bytes reach it after their wire
// time, its replies and live frames leave as paced pieces through transmit().
// Nothing is ever transmitted from inside receive(): always from a timer.
class SimEndpoint : public QObject {
    Q_OBJECT
public:
    explicit SimEndpoint(const SimConfig &config, QObject *parent = nullptr);

    Simulator &sim() { return m_sim; }
    const Simulator &sim() const { return m_sim; }

    void setBaud(int baud);   // 0: no pacing; each piece in its own timer event
    int baud() const { return m_tx.baud(); }
    // Paced output handed over every `ms` (what has come over the line by then),
    // as a USB adapter does; 0: each character as soon as it is due. No effect
    // without pacing.
    void setChunkMs(int ms);
    int chunkMs() const { return m_chunkMs; }
    // With a manual clock, time moves only by advance(): live frames and paced
    // bytes wait for it. Pieces due already still go out on the next event.
    void setManualClock(bool manual);
    void advance(qint64 ms);

    void start();   // the clock runs; pumping on
    void stop();    // clock held; anything not yet sent is lost
    bool running() const { return m_running; }

    void receive(const QByteArray &bytes);
    void discardOutput();   // drops what is queued and not yet sent
    qint64 bytesReceived() const { return m_rx.bytesTaken(); }
    qint64 bytesSent() const { return m_tx.bytesTaken(); }

signals:
    void transmit(const QByteArray &bytes);

private:
    qint64 nowNs() const;
    // The latest time whose output may go now: the last chunk boundary when chunked.
    qint64 handOverNs(qint64 now) const;
    bool chunked() const { return m_chunkMs > 0 && m_tx.baud() > 0; }
    void pump();
    void schedule();

    Simulator m_sim;
    SimLine m_rx, m_tx;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_heldNs = 0;   // clock value while stopped or manual
    bool m_manual = false;
    bool m_running = false;
    int m_chunkMs = 0;
};
