#include "tools/ecusim/simendpoint.h"

#include <algorithm>

SimEndpoint::SimEndpoint(const SimConfig &config, QObject *parent) : QObject(parent), m_sim(config)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SimEndpoint::pump);
}

void SimEndpoint::setBaud(int baud)
{
    m_rx.setBaud(baud);
    m_tx.setBaud(baud);
}

void SimEndpoint::setChunkMs(int ms)
{
    m_chunkMs = std::max(0, ms);
    schedule();
}

qint64 SimEndpoint::handOverNs(qint64 now) const
{
    if (!chunked())
        return now;
    const qint64 chunkNs = m_chunkMs * 1'000'000LL;
    return now - now % chunkNs;
}

qint64 SimEndpoint::nowNs() const
{
    return m_running && !m_manual ? m_heldNs + m_clock.nsecsElapsed() : m_heldNs;
}

void SimEndpoint::setManualClock(bool manual)
{
    if (manual == m_manual)
        return;
    m_heldNs = nowNs();
    m_manual = manual;
    m_clock.restart();
    schedule();
}

void SimEndpoint::advance(qint64 ms)
{
    if (!m_manual)
        return;
    m_heldNs += ms * 1'000'000;
    if (m_running)
        m_timer.start(0);
}

void SimEndpoint::start()
{
    if (m_running)
        return;
    m_running = true;
    m_clock.restart();
    schedule();
}

void SimEndpoint::stop()
{
    if (!m_running)
        return;
    m_heldNs = nowNs();
    m_running = false;
    m_timer.stop();
    m_rx.clear();
    m_tx.clear();
    m_sim.takeChunks();
}

void SimEndpoint::receive(const QByteArray &bytes)
{
    if (!m_running)
        return;
    m_rx.push(bytes, nowNs());
    schedule();
}

void SimEndpoint::discardOutput()
{
    m_tx.clear();
    m_sim.takeChunks();
}

void SimEndpoint::pump()
{
    if (!m_running)
        return;
    const qint64 now = nowNs();
    m_sim.advanceTo(now / 1'000'000);
    const QByteArray in = m_rx.take(now);
    if (!in.isEmpty())
        m_sim.feed(in);
    for (const SimChunk &c : m_sim.takeChunks())
        m_tx.push(c.bytes, now, c.pauseBeforeMs);
    const QByteArray out = m_tx.take(handOverNs(now), m_tx.baud() == 0);
    schedule();
    if (!out.isEmpty())
        emit transmit(out);
}

void SimEndpoint::schedule()
{
    if (!m_running)
        return;
    const qint64 now = nowNs();
    qint64 next = -1;
    auto consider = [&](qint64 due) {
        if (due >= 0 && (next < 0 || due < next))
            next = due;
    };
    // The ECU acts on whole lines: it need not wake for every character it is sent.
    consider(m_rx.nextLineDueNs());
    qint64 txDue = m_tx.nextDueNs();
    if (txDue >= 0 && chunked()) {
        const qint64 chunkNs = m_chunkMs * 1'000'000LL;
        txDue = (txDue + chunkNs - 1) / chunkNs * chunkNs;
    }
    consider(txDue);
    if (!m_manual) {
        const qint64 frameMs = m_sim.msToNextFrame();
        if (frameMs >= 0)
            consider((m_sim.now() + frameMs) * 1'000'000);
    }
    if (next < 0) {
        m_timer.stop();
        return;
    }
    if (m_manual && next > now) {
        m_timer.stop();   // waits for advance()
        return;
    }
    const qint64 waitNs = std::max<qint64>(0, next - now);
    m_timer.start(int((waitNs + 999'999) / 1'000'000));
}
