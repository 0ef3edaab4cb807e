#include "link/framing.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>

#include "app/numbers.h"

namespace {

bool IsBlankChar(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsBlank(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), IsBlankChar);
}

}   // namespace

QByteArray SommaControllo(QByteArrayView text)
{
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    const unsigned low = sum & 0xFFu;
    QByteArray out(2, '0');
    out[0] = static_cast<char>('0' + (low >> 4));
    out[1] = static_cast<char>('0' + (low & 0x0Fu));
    return out;
}

bool FrameConChecksum(QByteArrayView start)
{
    if (start.size() < 2)
        return false;
    const char type = start[0];
    const char code = start[1];
    QByteArrayView plain;
    switch (type) {
    case 'R': plain = "0125679GXLdef"; break;
    case 'D': plain = "BCT"; break;
    case 'F': plain = "lWceo"; break;
    default: return false;
    }
    return !plain.contains(code);
}

CutResult EstraiFrame(QByteArray &buffer, QByteArray *frame, QByteArray *dropped)
{
    if (dropped)
        dropped->clear();
    for (;;) {
        const qsizetype lf = buffer.indexOf('\n');
        if (lf < 0)
            return CutResult::Fine;
        QByteArray line = buffer.left(lf + 1);
        buffer.remove(0, lf + 1);

        // The latest of the first R, D and F wins, even inside a payload: that is how the ECU side frames.
        const qsizetype start = std::max({line.indexOf('R'), line.indexOf('D'), line.indexOf('F')});
        if (start > 0)
            line.remove(0, start);
        // Empty lines carry nothing: all of them go in this run, so none can hold a reply back a tick.
        if (IsBlank(line))
            continue;

        if (FrameConChecksum(QByteArrayView(line).first(std::min<qsizetype>(2, line.size())))) {
            const qsizetype n = line.size();
            if (n < 4 || QByteArrayView(line).sliced(n - 4, 2) != SommaControllo(QByteArrayView(line).first(n - 4))) {
                if (dropped)
                    *dropped = line;
                return CutResult::Fine;
            }
        }
        *frame = line;
        return CutResult::Frame;
    }
}

void LimitaBuffer(QByteArray &buffer)
{
    // Runs on every arrival: the usual short buffer needs no scan.
    if (buffer.size() <= kMaxPartialLine)
        return;
    const qsizetype tail = buffer.size() - (buffer.lastIndexOf('\n') + 1);
    if (tail > kMaxPartialLine)
        buffer.remove(buffer.size() - tail, tail - kMaxPartialLine);
    if (buffer.size() > kMaxRxBuffer)
        buffer.remove(0, buffer.size() - kMaxRxBuffer);
}

QByteArray CampoSei(qint64 value)
{
    return (QByteArray("000000") + QByteArray::number(value)).right(6);
}

QByteArray CampoSei(double value)
{
    if (!std::isfinite(value))
        value = 0;
    value = std::clamp(value, -1e15, 1e15);
    return CampoSei(static_cast<qint64>(RoundHalfAwayFromZero(value)));
}

QByteArray ComandoMGA(qint64 address, double value)
{
    QByteArray line = "MGA" + CampoSei(address) + CampoSei(value);
    return line + SommaControllo(line) + "\r\n";
}

int NumeroBlocchiMZ(qsizetype imageLength)
{
    return static_cast<int>((imageLength + kMZBlockBytes - 1) / kMZBlockBytes);
}

QByteArray ComandoMZ(const QByteArray &image, int block)
{
    if (block < 0 || block > 999)
        return {};
    const qsizetype start = static_cast<qsizetype>(block) * kMZBlockBytes;
    if (start >= image.size())
        return {};
    const bool last = (block + 1) * kMZBlockBytes >= image.size();
    QByteArray line =
        "MZ" + QByteArray::number(block).rightJustified(3, '0') + (last ? "$" : "0") + image.mid(start, kMZBlockBytes);
    return line + SommaControllo(line) + "\r\n";
}

double ValoreIniziale(QByteArrayView text)
{
    return LeadingNumber(text);
}
