#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QVector>
#include <random>

#include "tools/ecusim/enginemodel.h"
#include "tools/ecusim/simconfig.h"

// One piece of what the ECU sends, to be delivered in one go after a pause.
struct SimChunk {
    QByteArray bytes;
    int pauseBeforeMs = 0;
};

// The ECU seen from its side of the serial line: takes the program's bytes,
// answers them, and streams live frames as its clock is driven. No timers: the
// owner feeds bytes, moves the clock and collects what is to be sent.
class Simulator {
public:
    explicit Simulator(const SimConfig &config = {});

    void feed(const QByteArray &bytes);
    void advanceTo(qint64 ms);   // never goes back
    qint64 now() const { return m_now; }
    // ms until the next live frame is due; -1 when none is coming.
    qint64 msToNextFrame() const;

    bool hasOutput() const { return !m_out.isEmpty(); }
    QList<SimChunk> takeChunks();
    QByteArray takeOutput();   // every chunk joined

    // Inspection, for tests and tracing.
    const SimConfig &config() const { return m_config; }
    const QVector<int> &image() const { return m_image; }
    int value(int record) const;                                       // 1-based; 0 outside the image
    const QList<QByteArray> &commands() const { return m_commands; }   // lines received, without CR LF
    int liveCorrection() const { return m_correction; }
    bool liveRunning() const { return m_liveOn; }
    int liveFramesSent() const { return m_liveTotal; }
    int valuesWritten() const { return m_valuesWritten; }   // values stored by the last image write
    int blockCount() const;                                 // "RZ" blocks of a whole read
    QByteArray identification() const;                      // the "R8" frame, CR LF included
    QByteArray finalValues() const;                         // the "Rfn" frame, CR LF included
    QByteArray liveFrame(const EngineSample &s, int frameNumber) const;

    int liveStartAddress() const { return m_config.variant == 0 ? 34 : 147; }
    int liveCorrectionAddress() const { return m_config.variant == 0 ? 68 : 149; }

private:
    void handleLine(const QByteArray &line);
    void handleImageBlock(const QByteArray &line);
    void handleValueWrite(const QByteArray &line);
    void sendBlock(int block);
    void sendLive();
    bool silenced(const char *command) const;
    bool corruptOnce(const QString &key);
    QByteArray sealedMaybeBad(const QByteArray &payload, const QString &key1, const QString &key2 = {});
    void reply(const QByteArray &frame, bool live = false);
    void flushJoined();
    void emitChunk(const QByteArray &bytes);
    QByteArray oldIdentification() const;

    SimConfig m_config;
    QVector<int> m_image;
    EngineModel m_engine;
    std::mt19937 m_rng;   // noise and cutting, apart from the engine's
    qint64 m_now = 0;

    QByteArray m_rx;
    QList<QByteArray> m_commands;
    QList<SimChunk> m_out;
    QByteArray m_joined;
    int m_joinedFrames = 0;

    bool m_reading = false;
    int m_nextBlock = 0;
    bool m_writing = false;
    int m_expectedBlock = 0;
    bool m_writeDone = false;
    bool m_nextIsR6 = false;
    int m_valuesWritten = 0;
    QMap<int, int> m_rejectsLeft;     // block -> R7 still to send
    QSet<QString> m_corruptPending;   // bad-checksum faults not yet spent

    bool m_liveOn = false;
    double m_nextFrameAt = 0;
    int m_liveInSession = 0;
    int m_liveTotal = 0;
    int m_correction = 1000;
};
