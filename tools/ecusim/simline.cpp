#include "tools/ecusim/simline.h"

#include <algorithm>

void SimLine::setBaud(int baud)
{
    m_baud = std::max(0, baud);
    m_charNs = m_baud > 0 ? 10'000'000'000LL / m_baud : 0;
}

void SimLine::push(const QByteArray &bytes, qint64 nowNs, int pauseMs)
{
    if (bytes.isEmpty())
        return;
    const qint64 start = std::max(nowNs + pauseMs * 1'000'000LL, m_freeAtNs);
    m_pieces.push_back({bytes, start});
    m_freeAtNs = start + bytes.size() * m_charNs;
}

QByteArray SimLine::take(qint64 nowNs, bool onePiece)
{
    QByteArray out;
    while (!m_pieces.empty()) {
        Piece &p = m_pieces.front();
        if (nowNs < p.startNs + (m_charNs > 0 ? m_charNs : 0))
            break;
        const qsizetype due =
            m_charNs > 0 ? std::min<qsizetype>(p.bytes.size(), (nowNs - p.startNs) / m_charNs) : p.bytes.size();
        if (due > p.sent) {
            out += p.bytes.mid(p.sent, due - p.sent);
            m_taken += due - p.sent;
            p.sent = due;
        }
        if (p.sent < p.bytes.size())
            break;
        m_pieces.pop_front();
        if (onePiece)
            break;
    }
    return out;
}

qint64 SimLine::nextDueNs() const
{
    if (m_pieces.empty())
        return -1;
    const Piece &p = m_pieces.front();
    return p.startNs + (p.sent + 1) * m_charNs;
}

qint64 SimLine::nextLineDueNs() const
{
    if (m_pieces.empty())
        return -1;
    const Piece &p = m_pieces.front();
    const qsizetype lf = p.bytes.indexOf('\n', p.sent);
    const qsizetype last = lf >= 0 ? lf : p.bytes.size() - 1;
    return p.startNs + (last + 1) * m_charNs;
}

void SimLine::clear()
{
    m_pieces.clear();
    m_freeAtNs = 0;
}
