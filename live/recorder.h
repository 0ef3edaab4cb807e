#pragma once
#include <QList>
#include <QString>

#include "live/livestate.h"

class MessageSink;

// Writes live samples into an acquisition file (DIR_DATI/<model>/<name>.DAT),
// 145-character lines, in batches of up to 241; the file is never held open.
//
// A flush that cannot write keeps its samples: a full buffer moves into a
// backlog (the newest kMaxBacklog samples are kept) that the next flush writes
// first, the user is told once per run of failures, and every later flush
// tries again.
class Recorder {
public:
    static constexpr int kMaxBacklog = 9000;   // 30 minutes of samples at 5 a second

    explicit Recorder(LiveState &live);
    const RecordingState &state() const { return m_state; }
    bool recording() const { return !m_state.RecordFilePath.isEmpty(); }
    // Where a failed write is reported (text 335, title 171, in language `lingua`);
    // the file is written in that language's code page.
    void setMessageSink(MessageSink *sink, int lingua);

    // Starts recording into `path`; `continueExisting` appends a mark line and goes
    // on numbering after the last data line of the file. false, and still idle,
    // when the file cannot be read or marked, or an old file cannot be deleted.
    bool start(const QString &path, bool continueExisting);
    // Per displayed sample while recording.
    void addSample();
    // Appends the buffer; false when the file cannot be written (samples stay buffered).
    bool FlushRecordBuffer();
    // Flush, then back to idle (path "", buffer empty, both RecordCounters -1).
    bool stop();
    // Back to idle without writing: path "", buffer and backlog empty, both RecordCounters -1.
    void SetRecordingIdle();
    // Samples held back by failed flushes, oldest first.
    int backlogSize() const { return int(m_backlog.size()); }

private:
    bool writeHeader(const QString &path) const;
    bool appendLines(const QString &path, const QByteArray &lines) const;
    void parkBuffer();
    void reportFailure();

    LiveState &m_live;
    RecordingState m_state;
    QList<LiveRecord> m_backlog;
    MessageSink *m_sink = nullptr;
    int m_lingua = 1;
    bool m_failing = false;   // the user has been told about the current run of failures
};
