#pragma once
#include <QByteArray>
#include <QDir>
#include <QList>
#include <QTemporaryDir>

#include "live/livedata.h"
#include "live/recorder.h"

// Recording lines made by hand, for what the recorder itself never writes. Every cell is cut or padded to 8 characters.
inline QByteArray recordingLine(const QList<QByteArray> &cells, const QByteArray &end = "\r\n")
{
    QByteArray line;
    for (int k = 0; k < 16; ++k) {
        if (k > 0)
            line += ';';
        line += cells.value(k).leftJustified(8, ' ', true);
    }
    return line + end;
}

// A data line: the counter right-aligned as the recorder writes it, then the fields.
inline QByteArray dataLine(int counter, QList<QByteArray> fields = {}, const QByteArray &end = "\r\n")
{
    fields.prepend(QByteArray::number(counter).rightJustified(8));
    return recordingLine(fields, end);
}

inline const QByteArray kMarkLine = QByteArray("*") + QByteArray(142, ' ') + "\r\n";

// A recorder writing into <temporary folder>/REC.DAT in language `lingua`.
struct RecorderRig {
    QTemporaryDir dir;
    LiveState live;
    Recorder recorder{live};
    QString path = dir.filePath(QStringLiteral("REC.DAT"));
    explicit RecorderRig(int lingua)
    {
        InitLiveChannels(live, lingua);
        recorder.setMessageSink(nullptr, lingua);
        recorder.setClock([] { return qint64(0); });   // flushes only when the buffer fills, and at the stop
    }
};
