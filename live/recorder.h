#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <functional>

#include "live/livestate.h"

class MessageSink;

// Writes live samples into an acquisition file (DIR_DATI/<model>/<name>.DAT),
// 145-character lines, when the buffer of 241 fills and at the latest
// kFlushIntervalMs after a sample came, so a crash loses no more than that;
// the file is never held open.
//
// A flush that cannot write keeps the samples it could not write in a backlog
// (the newest kMaxBacklog are kept) that the next flush writes first; the user
// is told once per run of failures, and a stop tells how many samples never
// reached the file.
class Recorder {
public:
    static constexpr int kMaxBacklog = 9000;   // 30 minutes of samples at 5 a second
    static constexpr qint64 kFlushIntervalMs = 2000;

    explicit Recorder(LiveState &live);
    const RecordingState &state() const { return m_state; }
    bool recording() const { return !m_state.RecordFilePath.isEmpty(); }
    // Where a failed write is reported (text 335, title 171, in language `lingua`);
    // the file is written in that language's code page.
    void setMessageSink(MessageSink *sink, int lingua);
    // Milliseconds of a monotonic clock; tests drive their own.
    void setClock(std::function<qint64()> msNow);

    // Starts recording into `path`; `continueExisting` appends a mark line and goes
    // on numbering after the last data line of the file, once a torn last line
    // is cut off (the user is told, text 384). false, and still idle, when the
    // file cannot be read, cut or marked, or an old file cannot be deleted.
    bool start(const QString &path, bool continueExisting);
    // Per displayed sample while recording.
    void addSample();
    // Flushes when the oldest unwritten sample has waited kFlushIntervalMs
    // (also for display ticks without a new sample).
    void flushIfDue();
    // Appends backlog and buffer; false when not all could be written (the rest is kept).
    bool FlushRecordBuffer();
    // Writes what it can, then back to idle (path "", buffer empty, both
    // RecordCounters -1); false, and the user told the count (text 383), when
    // samples could not be written.
    bool stop();
    // Back to idle without writing: path "", buffer and backlog empty, both RecordCounters -1.
    void SetRecordingIdle();
    // Samples held back by failed flushes, oldest first.
    int backlogSize() const { return int(m_backlog.size()); }

private:
    bool writeHeader(const QString &path) const;
    int appendLines(const QString &path, const QByteArray &lines) const;   // whole lines written
    bool writePending();
    int pendingCount() const;
    void parkBuffer();
    void reportFailure();
    void tell(const QString &text, int flags, int titleId);

    LiveState &m_live;
    RecordingState m_state;
    QList<LiveRecord> m_backlog;
    MessageSink *m_sink = nullptr;
    int m_lingua = 1;
    bool m_failing = false;   // the user has been told about the current run of failures
    int m_dropped = 0;        // samples pushed out of the full backlog
    QElapsedTimer m_monotonic;
    std::function<qint64()> m_clock;
    qint64 m_flushDueMs = 0;
};
