#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <functional>

struct FrameState;

// Bytes as one readable line: printable ASCII as it is, "\\" for a backslash,
// "\r", "\n", "\t", and "\xHH" for anything else, so every byte can be read back.
QByteArray PrintableBytes(QByteArrayView bytes);

// Every byte exchanged with the ECU, both ways, for support, into
// LOG/trace-<yyyyMMdd-HHmmss>.txt of the application folder, a new file each time
// it is switched on. Lines read "yyyy-MM-dd HH:mm:ss.zzz RX|TX <bytes>", the time
// of their first byte; bytes of one direction join a line until an LF ends it, the
// direction turns or the wire pauses for more than kJoinGapMs; "--" lines carry the
// link's events. Lines wait in memory and go to the file in blocks (kBlockBytes,
// every kFlushMs, on stop), so the link never waits on the disk. At the bound a
// last line says so and the file takes nothing more.
class WireTrace : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBytes = 20 * 1024 * 1024;
    static constexpr qsizetype kBlockBytes = 64 * 1024;
    static constexpr int kFlushMs = 1000;
    static constexpr qint64 kJoinGapMs = 20;
    static constexpr qsizetype kMaxLineChars = 1024;

    explicit WireTrace(QObject *parent = nullptr);
    ~WireTrace() override;

    // Opens a new trace file; false, and off, when it cannot be created.
    bool start(const QString &appDir, qint64 maxBytes = kMaxBytes);
    // Writes out what waits and closes the file.
    void stop();
    bool isActive() const { return m_file.isOpen(); }
    bool boundReached() const { return m_full; }
    QString filePath() const { return m_file.fileName(); }

    void received(QByteArrayView bytes);
    void sent(QByteArrayView bytes);
    // An event of the link ("port opened"), on a line of its own.
    void note(const QString &text);
    // Hands what waits in memory to the file.
    void flush();

    // Tests drive the clock.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

private:
    static QByteArray header(const QDateTime &when, const char *direction);
    QByteArray boundText() const;
    void record(const char *direction, QByteArrayView bytes);
    // Counts `bytes` in, or ends the file with the bound line and says false.
    bool makeRoom(qint64 bytes);
    void closeLine();
    void flushIfFull();

    QFile m_file;
    QByteArray m_pending;   // whole lines not yet written
    QByteArray m_open;      // the line still growing, without its LF
    const char *m_openDirection = nullptr;
    qint64 m_lastMs = 0;     // when the last bytes came
    qint64 m_accepted = 0;   // bytes of this file written, waiting or growing
    qint64 m_maxBytes = kMaxBytes;
    qint64 m_boundLineSize = 0;   // the last line's length
    bool m_full = false;
    QTimer m_flushTimer;
    std::function<QDateTime()> m_now;
};

// Key TracciaSeriale of [IMPOSTAZIONI] in KALIBRON.INI: whether the trace is on at start.
bool TraceSwitchedOn(const FrameState &frame);
bool WriteTraceSwitch(const FrameState &frame, bool on);
// The fitter's switch: on opens a new file, off closes it; the choice is kept for
// the next start. Returns whether the trace is on now (false when no file could be made).
bool SwitchWireTrace(WireTrace &trace, const FrameState &frame, bool on);
