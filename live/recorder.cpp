#include "live/recorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/log.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "live/codepage.h"
#include "live/livedata.h"

namespace {

constexpr int kLineLength = 145;
constexpr int kLastSlot = 240;

// One byte per character: continuing a file reads it as fixed 145-byte records.
QByteArray toLine(const QString &text, int lingua)
{
    QByteArray bytes = EncodeForLanguage(text, lingua);
    bytes += "\r\n";
    return bytes;
}

QByteArray dataLine(const LiveRecord &rec, int lingua)
{
    QString line = RightIn8(QString::number(rec.RecordCounter));
    for (const QString &f : rec.Field)
        line += QLatin1Char(';') + FixedLeft(f, 8);
    return toLine(line, lingua);
}

void logFileError(const char *what, const QString &path, const QString &reason = {})
{
    qCWarning(lcRecording).noquote() << what << QDir::toNativeSeparators(path)
                                     << (reason.isEmpty() ? QString() : QStringLiteral("- ") + reason);
}

QByteArray markLine()
{
    return toLine(FixedLeft(QStringLiteral("*"), kLineLength - 2), 1);
}

// Counter of the last data line, walking back over continuation marks and
// headers; -1 when the file holds no data line.
qint32 lastRecordNumber(QFile &file, int lingua)
{
    const qint64 records = qRound64(double(file.size()) / kLineLength);
    for (qint64 r = records; r >= 1; --r) {
        if (!file.seek((r - 1) * kLineLength))
            break;
        double v = 0;
        if (IsNumericText(DecodeForLanguage(file.read(8), lingua), &v))
            return qint32(v);
    }
    return -1;
}

}   // namespace

Recorder::Recorder(LiveState &live) : m_live(live)
{
    m_monotonic.start();
    m_clock = [this] { return m_monotonic.elapsed(); };
}

void Recorder::setMessageSink(MessageSink *sink, int lingua)
{
    m_sink = sink;
    m_lingua = lingua;
}

void Recorder::setClock(std::function<qint64()> msNow)
{
    m_clock = std::move(msNow);
}

bool Recorder::start(const QString &path, bool continueExisting)
{
    if (recording())
        stop();
    SetRecordingIdle();
    m_failing = false;

    qint64 tornChars = 0;
    if (continueExisting) {
        QFile file(path);
        if (!file.exists() || !file.open(QIODevice::ReadWrite)) {
            logFileError("cannot open the recording to continue it:", path, file.errorString());
            return false;
        }
        // Lines are written whole, so anything past the last whole line is a
        // write the program or the machine did not live to finish.
        tornChars = file.size() % kLineLength;
        if (tornChars > 0 && !file.resize(file.size() - tornChars)) {
            logFileError("cannot cut the torn last line of", path, file.errorString());
            return false;
        }
        const qint64 kept = file.size();
        const qint32 last = lastRecordNumber(file, m_lingua);
        file.close();
        if (kept < 2 * kLineLength) {
            // Not even the header survived: start the file afresh.
            tornChars += kept;
            if (!QFile::remove(path)) {
                logFileError("cannot delete the headless recording", path);
                return false;
            }
        } else {
            if (!appendLines(path, markLine())) {
                logFileError("cannot append the continuation mark to", path);
                return false;
            }
            m_live.LiveSample[0].RecordCounter = last;
            m_live.LiveSample[1].RecordCounter = last;
        }
    } else {
        // An old file left in place would receive the new lines without a header.
        if (QFile::exists(path) && !QFile::remove(path)) {
            logFileError("cannot delete the old recording", path);
            return false;
        }
    }
    m_state.RecordFilePath = path;
    qCInfo(lcRecording).noquote() << (continueExisting ? "recording continues in" : "recording into")
                                  << QDir::toNativeSeparators(path);
    m_state.RecordBufferIndex = -1;
    if (tornChars > 0)
        tell(TestoL(TextId::TornLineCut, m_lingua).arg(tornChars), kWarningOk, TextId::TitleWarning);
    return true;
}

void Recorder::addSample()
{
    if (!recording())
        return;
    LiveRecord &cur = m_live.LiveSample[0];
    cur.RecordCounter += 1;
    if (m_state.RecordBufferIndex >= kLastSlot) {
        FlushRecordBuffer();
        if (!recording())
            return;   // stopped while the failure was on screen
    }
    if (pendingCount() == 0)
        m_flushDueMs = m_clock() + kFlushIntervalMs;
    LiveRecord &slot = m_state.RecordBuffer[++m_state.RecordBufferIndex];
    slot.RecordCounter = cur.RecordCounter;
    slot.Field = cur.Field;
    flushIfDue();
}

void Recorder::flushIfDue()
{
    if (recording() && pendingCount() > 0 && m_clock() >= m_flushDueMs)
        FlushRecordBuffer();
}

int Recorder::pendingCount() const
{
    return int(m_backlog.size()) + m_state.RecordBufferIndex + 1;
}

void Recorder::parkBuffer()
{
    for (int i = 0; i <= m_state.RecordBufferIndex; ++i)
        m_backlog.append(m_state.RecordBuffer[i]);
    m_state.RecordBufferIndex = -1;
    const qsizetype excess = m_backlog.size() - kMaxBacklog;
    if (excess > 0) {
        m_backlog.remove(0, excess);   // the newest samples matter most to the fitter
        m_dropped += int(excess);
    }
}

bool Recorder::writePending()
{
    if (!recording() || pendingCount() == 0)
        return true;
    QByteArray lines;
    lines.reserve(pendingCount() * kLineLength);
    for (const LiveRecord &rec : std::as_const(m_backlog))
        lines += dataLine(rec, m_lingua);
    for (int i = 0; i <= m_state.RecordBufferIndex; ++i)
        lines += dataLine(m_state.RecordBuffer[i], m_lingua);

    const QString &path = m_state.RecordFilePath;
    const int written = QFile::exists(path) || writeHeader(path) ? appendLines(path, lines) : 0;
    if (written * kLineLength != lines.size())
        qCWarning(lcRecording).noquote() << "wrote" << written << "of" << lines.size() / kLineLength << "samples into"
                                         << QDir::toNativeSeparators(path);
    // What reached the file leaves the queue; the rest waits, oldest first.
    const int fromBacklog = qMin(written, int(m_backlog.size()));
    m_backlog.remove(0, fromBacklog);
    if (written == lines.size() / kLineLength) {
        m_state.RecordBufferIndex = -1;
        return true;
    }
    const int fromBuffer = written - fromBacklog;
    for (int i = fromBuffer; i <= m_state.RecordBufferIndex; ++i)
        m_backlog.append(m_state.RecordBuffer[i]);
    m_state.RecordBufferIndex = -1;
    parkBuffer();   // keeps the backlog within its bound
    m_flushDueMs = m_clock() + kFlushIntervalMs;
    return false;
}

bool Recorder::FlushRecordBuffer()
{
    if (writePending()) {
        m_failing = false;
        return true;
    }
    reportFailure();
    return false;
}

bool Recorder::stop()
{
    writePending();
    const int lost = recording() ? pendingCount() + m_dropped : 0;
    if (recording())
        qCInfo(lcRecording).noquote() << "recording stopped:" << QDir::toNativeSeparators(m_state.RecordFilePath) << "-"
                                      << lost << "samples not written";
    SetRecordingIdle();
    // Told after going idle: ticks under the message find nothing to record.
    if (lost > 0)
        tell(TestoL(TextId::SamplesNotWritten, m_lingua).arg(lost), kErrorOk, TextId::TitleError);
    return lost == 0;
}

void Recorder::SetRecordingIdle()
{
    m_state.RecordFilePath.clear();
    m_state.RecordBufferIndex = -1;
    m_backlog.clear();
    m_dropped = 0;
    m_live.LiveSample[0].RecordCounter = -1;
    m_live.LiveSample[1].RecordCounter = -1;
}

bool Recorder::writeHeader(const QString &path) const
{
    QString names, units;
    for (int k = 0; k < 16; ++k) {
        const LiveChannel &ch = m_live.LiveChannels[k == 0 ? 15 : k - 1];
        if (k > 0) {
            names += QLatin1Char(';');
            units += QLatin1Char(';');
        }
        names += FixedLeft(FixedLeft(ch.Name, 20), 8);
        units += FixedLeft(FixedLeft(ch.Unit, 10), 8);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        logFileError("cannot create the recording", path, file.errorString());
        return false;
    }
    const QByteArray header = toLine(names, m_lingua) + toLine(units, m_lingua);
    const bool ok = file.write(header) == header.size() && file.flush();
    file.close();
    if (!ok) {
        logFileError("cannot write the header of", path, file.errorString());
        QFile::remove(path);   // a half header would never be rewritten
    }
    return ok;
}

int Recorder::appendLines(const QString &path, const QByteArray &lines) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        logFileError("cannot open the recording to append:", path, file.errorString());
        return 0;
    }
    const qint64 before = file.size();
    if (file.write(lines) == lines.size())
        return int(lines.size() / kLineLength);
    // Keep the whole lines that fit (a full disk); a torn one would break the
    // file's fixed-length records.
    const qint64 grown = qMax<qint64>(0, QFileInfo(path).size() - before);
    const qint64 whole = grown / kLineLength;
    file.resize(before + whole * kLineLength);
    return int(whole);
}

void Recorder::reportFailure()
{
    if (m_failing)
        return;
    m_failing = true;
    tell(TestoL(TextId::PathOrFileError, m_lingua), kErrorOk, TextId::TitleError);
}

void Recorder::tell(const QString &text, int flags, int titleId)
{
    if (!m_sink)
        return;
    m_sink->beep();
    m_sink->showMessage(text, flags, TestoL(titleId, m_lingua), kMessageCentred);
}
