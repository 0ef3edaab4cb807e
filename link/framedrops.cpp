#include "link/framedrops.h"

#include <QStringList>

#include "app/log.h"
#include "link/linkstate.h"
#include "link/wiretrace.h"

namespace {

QString countsOf(const QMap<QByteArray, int> &counts)
{
    QStringList parts;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        parts << QString::fromLatin1(PrintableBytes(it.key())) + QLatin1Char(' ') + QString::number(it.value());
    return parts.join(QStringLiteral(", "));
}

}   // namespace

QByteArray FrameDrops::kindOf(const QByteArray &frame)
{
    return frame.left(2);
}

QMap<QByteArray, int> &FrameDrops::counts(Cause cause)
{
    return cause == Cause::Checksum ? m_checksum : cause == Cause::Unexpected ? m_unexpected : m_malformed;
}

const QMap<QByteArray, int> &FrameDrops::counts(Cause cause) const
{
    return cause == Cause::Checksum ? m_checksum : cause == Cause::Unexpected ? m_unexpected : m_malformed;
}

void FrameDrops::add(Cause cause, const QByteArray &frame, int state)
{
    const QByteArray kind = kindOf(frame);
    if (counts(cause)[kind]++ > 0)
        return;
    const QString preview =
        QString::fromLatin1(PrintableBytes(QByteArrayView(frame).first(qMin<qsizetype>(frame.size(), kPreviewBytes))));
    const QString more = frame.size() > kPreviewBytes ? QStringLiteral("...") : QString();
    if (cause == Cause::Checksum)
        qCWarning(lcLink).noquote() << "frame dropped, bad or missing checksum:" << frame.size() << "bytes"
                                    << QLatin1Char('"') + preview + more + QLatin1Char('"') << "in state"
                                    << SessionStateName(state) << "(first of its kind, the rest are counted)";
    else if (cause == Cause::Malformed)
        qCWarning(lcSession).noquote() << "frame dropped, a numeric field is not a number:" << frame.size() << "bytes"
                                       << QLatin1Char('"') + preview + more + QLatin1Char('"') << "in state"
                                       << SessionStateName(state) << "(first of its kind, the rest are counted)";
    else
        qCInfo(lcSession).noquote() << "frame dropped, not expected:" << frame.size() << "bytes"
                                    << QLatin1Char('"') + preview + more + QLatin1Char('"') << "in state"
                                    << SessionStateName(state) << "(first of its kind, the rest are counted)";
}

int FrameDrops::count(Cause cause, const QByteArray &kind) const
{
    return counts(cause).value(kind);
}

int FrameDrops::total() const
{
    int n = 0;
    for (int c : m_checksum)
        n += c;
    for (int c : m_unexpected)
        n += c;
    for (int c : m_malformed)
        n += c;
    return n;
}

QString FrameDrops::summary() const
{
    QStringList parts;
    if (!m_checksum.isEmpty())
        parts << QStringLiteral("checksum ") + countsOf(m_checksum);
    if (!m_unexpected.isEmpty())
        parts << QStringLiteral("unexpected ") + countsOf(m_unexpected);
    if (!m_malformed.isEmpty())
        parts << QStringLiteral("malformed ") + countsOf(m_malformed);
    return parts.join(QStringLiteral("; "));
}

void FrameDrops::clear()
{
    m_checksum.clear();
    m_unexpected.clear();
    m_malformed.clear();
}
