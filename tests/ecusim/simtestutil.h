#pragma once
#include <QByteArray>
#include <QList>

#include "tools/ecusim/simulator.h"

// Helpers for driving the simulated ECU by hand. The checksum here is written
// again on purpose, so that the simulator's own is checked against it.
namespace simtest {

inline QByteArray sum2(const QByteArray &s)
{
    int total = 0;
    for (unsigned char c : s)
        total += c;
    total %= 256;
    return QByteArray(1, char(48 + total / 16)) + char(48 + total % 16);
}

inline bool checksumOk(const QByteArray &frame)
{
    if (frame.size() < 6 || !frame.endsWith("\r\n"))
        return false;
    return sum2(frame.left(frame.size() - 4)) == frame.mid(frame.size() - 4, 2);
}

inline QByteArray line(const QByteArray &command) { return command + "\r\n"; }
inline QByteArray withSum(const QByteArray &command) { return command + sum2(command) + "\r\n"; }

inline QByteArray mga(int address, const QByteArray &value6)
{
    return withSum("MGA" + QByteArray::number(address).rightJustified(6, '0') + value6);
}

// Cuts everything sent so far into lines, CR LF kept.
inline QList<QByteArray> frames(const QByteArray &bytes)
{
    QList<QByteArray> out;
    qsizetype from = 0;
    qsizetype lf;
    while ((lf = bytes.indexOf('\n', from)) >= 0) {
        out << bytes.mid(from, lf - from + 1);
        from = lf + 1;
    }
    return out;
}

inline QByteArray ask(Simulator &sim, const QByteArray &bytes)
{
    sim.feed(bytes);
    return sim.takeOutput();
}

// Reads the whole image with MU2 / MUA; returns the RZ frames.
inline QList<QByteArray> readImage(Simulator &sim)
{
    QList<QByteArray> blocks;
    QByteArray reply = ask(sim, line("MU2"));
    while (reply.startsWith("RZ") && blocks.size() < 2000) {
        blocks << reply;
        if (reply.size() > 6 && reply[6] == '$')
            break;
        reply = ask(sim, line("MUA"));
    }
    ask(sim, line("MU3"));
    return blocks;
}

}
