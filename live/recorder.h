#pragma once
#include <QString>

#include "live/livestate.h"

// Writes live samples into an acquisition file (DIR_DATI/<model>/<name>.DAT),
// 145-character lines, in batches of up to 241; the file is never held open.
class Recorder {
public:
    explicit Recorder(LiveState &live);
    const RecordingState &state() const { return m_state; }
    bool recording() const { return !m_state.RecordFilePath.isEmpty(); }

    // Starts recording into `path`; `continueExisting` appends a mark line and goes
    // on numbering after the last line of the file. false when the file cannot be read.
    bool start(const QString &path, bool continueExisting);
    // Per displayed sample while recording.
    void addSample();
    // Appends the buffer; false when the file cannot be written (samples stay buffered).
    bool FlushRecordBuffer();
    // Flush, then back to idle (path "", buffer empty, both RecordCounters -1).
    bool stop();

private:
    LiveState &m_live;
    RecordingState m_state;
};
