#pragma once
#include <QByteArray>
#include <deque>

// One direction of a serial line: bytes come out no sooner than their ten bits
// would take at the baud rate. Baud 0 passes them at once (after any pause).
// Times are nanoseconds of the owner's clock.
class SimLine {
public:
    void setBaud(int baud);
    int baud() const { return m_baud; }
    qint64 charNs() const { return m_charNs; }

    void push(const QByteArray &bytes, qint64 nowNs, int pauseMs = 0);
    // What has gone over the line by nowNs; with onePiece, at most the rest of one piece.
    QByteArray take(qint64 nowNs, bool onePiece = false);
    qint64 nextDueNs() const;   // -1 when nothing waits
    // When the next LF has gone over the line, or the front piece's last byte
    // when it holds none; -1 when nothing waits. A reader that acts on whole
    // lines need not wake before then.
    qint64 nextLineDueNs() const;
    bool isEmpty() const { return m_pieces.empty(); }
    void clear();
    qint64 bytesTaken() const { return m_taken; }

private:
    struct Piece {
        QByteArray bytes;
        qint64 startNs;
        qsizetype sent = 0;
    };
    std::deque<Piece> m_pieces;
    int m_baud = 0;
    qint64 m_charNs = 0;
    qint64 m_freeAtNs = 0;
    qint64 m_taken = 0;
};
