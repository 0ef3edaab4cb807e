#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>

// Frames the link threw away during one connection, counted by kind (their first
// two characters) and by who dropped them: the framer (bad or missing checksum)
// or the interpreter (no handler wanted the frame in the session state of the
// moment, or a numeric field of the frame is not a number). The first frame of each kind is logged with its first
// bytes; the counts are logged as a summary when the connection ends.
class FrameDrops {
public:
    enum class Cause { Checksum, Unexpected, Malformed };
    static constexpr int kPreviewBytes = 32;

    // `state`: the `StatoSessione` the frame met.
    void add(Cause cause, const QByteArray &frame, int state);
    int count(Cause cause, const QByteArray &kind) const;
    int total() const;
    // "checksum RZ 2, R8 1; unexpected DB 120; malformed RZ 1", "" when nothing was dropped.
    QString summary() const;
    void clear();

    static QByteArray kindOf(const QByteArray &frame);

private:
    QMap<QByteArray, int> m_checksum;
    QMap<QByteArray, int> m_unexpected;
    QMap<QByteArray, int> m_malformed;

    QMap<QByteArray, int> &counts(Cause cause);
    const QMap<QByteArray, int> &counts(Cause cause) const;
};
