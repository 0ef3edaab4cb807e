#pragma once
#include "tools/ecusim/simulator.h"

// Driving the simulated ECU by hand. The checksum is written again here on
// purpose, so that the simulator's own is checked against it.
namespace simtest {

inline QByteArray sum2(const QByteArray &s)
{
    int total = 0;
    for (unsigned char c : s)
        total += c;
    return QByteArray(1, char(48 + total % 256 / 16)) + char(48 + total % 16);
}

inline bool checksumOk(const QByteArray &frame)
{
    return frame.size() >= 6 && frame.endsWith("\r\n")
           && sum2(frame.left(frame.size() - 4)) == frame.mid(frame.size() - 4, 2);
}

inline QByteArray line(const QByteArray &command)
{
    return command + "\r\n";
}
inline QByteArray withSum(const QByteArray &command)
{
    return command + sum2(command) + "\r\n";
}

inline QByteArray mga(int address, const QByteArray &value6)
{
    return withSum("MGA" + QByteArray::number(address).rightJustified(6, '0') + value6);
}

// Lines, CR LF kept.
inline QList<QByteArray> frames(const QByteArray &bytes)
{
    QList<QByteArray> out;
    for (qsizetype from = 0, lf; (lf = bytes.indexOf('\n', from)) >= 0; from = lf + 1)
        out << bytes.mid(from, lf - from + 1);
    return out;
}

// Starts the live stream and runs the clock; the frames stay in the output.
inline void runLive(Simulator &sim, int seconds)
{
    sim.feed(mga(sim.liveStartAddress(), "000001"));
    sim.advanceTo(sim.now() + seconds * 1000);
}

}   // namespace simtest
