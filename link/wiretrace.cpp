#include "link/wiretrace.h"

#include <QDir>
#include <QFileInfo>

#include "app/framestate.h"
#include "app/log.h"
#include "app/profile.h"

namespace {

const char *const kReceived = "RX";
const char *const kSent = "TX";
const char *const kNote = "--";

const QString kSection = QStringLiteral("IMPOSTAZIONI");
const QString kKey = QStringLiteral("TracciaSeriale");

QString kalibronIni(const FrameState &frame)
{
    return frame.file(QStringLiteral("KALIBRON.INI"));
}

}   // namespace

QByteArray PrintableBytes(QByteArrayView bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u >= 0x20 && u < 0x7F) {
                out += c;
            } else {
                out += "\\x";
                out += hex[u >> 4];
                out += hex[u & 0x0F];
            }
        }
    }
    return out;
}

WireTrace::WireTrace(QObject *parent) : QObject(parent), m_now([] { return QDateTime::currentDateTime(); })
{
    m_flushTimer.setInterval(kFlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &WireTrace::flush);
}

WireTrace::~WireTrace()
{
    stop();
}

bool WireTrace::start(const QString &appDir, qint64 maxBytes)
{
    stop();
    const QString folder = QDir(appDir).filePath(QStringLiteral("LOG"));
    if (!QDir().mkpath(folder)) {
        qCWarning(lcLink).noquote() << "wire trace: cannot create" << QDir::toNativeSeparators(folder);
        return false;
    }
    const QString stamp = m_now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = QDir(folder).filePath(QStringLiteral("trace-%1.txt").arg(stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("trace-%1-%2.txt").arg(stamp).arg(n));
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        qCWarning(lcLink).noquote() << "wire trace: cannot create" << QDir::toNativeSeparators(path) << "-"
                                    << m_file.errorString();
        return false;
    }
    m_maxBytes = maxBytes;
    m_boundLineSize = header(m_now(), kNote).size() + boundText().size() + 1;
    m_accepted = 0;
    m_full = false;
    m_pending.clear();
    m_open.clear();
    m_flushTimer.start();
    qCInfo(lcLink).noquote() << "wire trace on:" << QDir::toNativeSeparators(path);
    return true;
}

void WireTrace::stop()
{
    if (!m_file.isOpen())
        return;
    m_flushTimer.stop();
    flush();
    const qint64 size = m_file.size();
    m_file.close();
    qCInfo(lcLink).noquote() << "wire trace off:" << QDir::toNativeSeparators(m_file.fileName()) << size << "bytes";
}

void WireTrace::received(QByteArrayView bytes)
{
    record(kReceived, bytes);
}

void WireTrace::sent(QByteArrayView bytes)
{
    record(kSent, bytes);
}

void WireTrace::note(const QString &text)
{
    if (!m_file.isOpen() || m_full)
        return;
    closeLine();
    const QByteArray line = header(m_now(), kNote) + PrintableBytes(text.toUtf8()) + '\n';
    if (!makeRoom(line.size()))
        return;
    m_pending += line;
    flushIfFull();
}

QByteArray WireTrace::boundText() const
{
    return "trace bound of " + QByteArray::number(m_maxBytes) + " bytes reached: nothing more is recorded";
}

QByteArray WireTrace::header(const QDateTime &when, const char *direction)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1() + ' ' + direction + ' ';
}

bool WireTrace::makeRoom(qint64 bytes)
{
    // Room is always kept for the line that says the trace ends here.
    if (m_accepted + bytes + m_boundLineSize <= m_maxBytes) {
        m_accepted += bytes;
        return true;
    }
    closeLine();
    m_pending += header(m_now(), kNote) + boundText() + '\n';
    m_full = true;
    qCWarning(lcLink).noquote() << "wire trace: bound reached in" << QDir::toNativeSeparators(m_file.fileName());
    flush();
    return false;
}

void WireTrace::record(const char *direction, QByteArrayView bytes)
{
    if (!m_file.isOpen() || m_full || bytes.isEmpty())
        return;
    const QDateTime now = m_now();
    const qint64 ms = now.toMSecsSinceEpoch();
    // A pause on the wire or a turn of direction starts a new line with its own time.
    if (!m_open.isEmpty() && (m_openDirection != direction || ms - m_lastMs > kJoinGapMs))
        closeLine();
    m_lastMs = ms;
    for (qsizetype from = 0; from < bytes.size();) {
        const qsizetype lf = bytes.indexOf('\n', from);
        const qsizetype end = lf < 0 ? bytes.size() : lf + 1;
        const QByteArray piece = PrintableBytes(bytes.sliced(from, end - from));
        const QByteArray head = m_open.isEmpty() ? header(now, direction) : QByteArray();
        if (!makeRoom(piece.size() + (head.isEmpty() ? 0 : head.size() + 1)))   // a new line's LF too
            return;
        if (!head.isEmpty()) {
            m_open = head;
            m_openDirection = direction;
        }
        m_open += piece;
        from = end;
        if (lf >= 0 || m_open.size() >= kMaxLineChars)
            closeLine();
    }
    flushIfFull();
}

void WireTrace::closeLine()
{
    if (m_open.isEmpty())
        return;
    m_pending += m_open;
    m_pending += '\n';
    m_open.clear();
}

void WireTrace::flushIfFull()
{
    if (m_pending.size() >= kBlockBytes)
        flush();
}

void WireTrace::flush()
{
    closeLine();
    if (!m_file.isOpen() || m_pending.isEmpty())
        return;
    if (m_file.write(m_pending) != m_pending.size())
        qCWarning(lcLink).noquote() << "wire trace: cannot write" << QDir::toNativeSeparators(m_file.fileName()) << "-"
                                    << m_file.errorString();
    m_file.flush();
    m_pending.clear();
}

bool TraceSwitchedOn(const FrameState &frame)
{
    return Profile::read(kalibronIni(frame), kSection, kKey, QStringLiteral("0")) == QLatin1String("1");
}

bool WriteTraceSwitch(const FrameState &frame, bool on)
{
    return Profile::write(kalibronIni(frame), kSection, kKey, on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool SwitchWireTrace(WireTrace &trace, const FrameState &frame, bool on)
{
    if (on)
        trace.start(frame.PercorsoApp);
    else
        trace.stop();
    if (!WriteTraceSwitch(frame, trace.isActive()))
        qCWarning(lcUi).noquote() << "cannot write" << QDir::toNativeSeparators(kalibronIni(frame));
    return trace.isActive();
}
