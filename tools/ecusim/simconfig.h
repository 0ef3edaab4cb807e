#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

// Faults the simulated ECU can be told to commit, one run at a time.
enum class SimFaultKind {
    NoReplyInState,   // arg: "MUB", "MU2", "MUA", "MUFN", "MU0", "MZ", "MGA": never answer that command
    BadChecksum,     // arg: "R8", "RZ", "RZ:<block>", "Rga": wrong checksum on that frame (first one only, or the given
                     // block)
    RejectBlock,     // arg: "<block>:<times>": answer "R7" that many times (1 or 2) to image block <block>
    WrongLengthR8,   // "R8" one character short
    OldIdentification,   // answer "MUB" with "R4" (41 characters)
    Noise,               // random printable noise before frames
    SplitFrames,         // cut what is sent into random pieces
    JoinFrames,          // send several frames in one piece
    LiveStopsAfter,      // arg: n: live frames stop after n frames
    StateBelow6000,      // live frames report running state 5999
    WrongLengthRfn,      // "Rfn" of the wrong length
};

struct SimFault {
    SimFaultKind kind;
    QString arg;
};

struct SimConfig {
    int variant = 0;        // 0: software version ends in "AA"; 1: it does not
    int imageSize = 2900;   // values in the image
    int liveFramesPerSecond = 10;
    quint32 seed = 1;     // noise, splitting and the engine model are repeatable
    bool paced = false;   // in-process: deliver at the port's speed (10 bits a character), not at once
    // Paced output goes out every chunkMs, all that has come over the line by then,
    // as a USB adapter hands it over; 0: character by character, as a plain UART.
    int chunkMs = 16;
    QList<SimFault> faults;
    // The ECU's own memory, kept across connections when shared: what one simulated
    // connection writes, the next reads back. Filled with the default image when empty.
    std::shared_ptr<QVector<int>> memory;

    // Parses "name" or "name=arg" as listed by `ecusim --help`; false on an unknown name.
    bool addFault(const QString &faultText, QString *error = nullptr);
    static QStringList faultHelp();   // one line per fault: name, argument, meaning

    bool hasFault(SimFaultKind kind) const;
    QStringList faultArgs(SimFaultKind kind) const;   // the arguments of every fault of that kind
};
