#pragma once
#include <QByteArray>

// Text coding shared by every frame the simulated ECU reads or writes.
namespace ecusim {

// Two characters: '0' + high nibble and '0' + low nibble of the byte sum.
QByteArray checksum(const QByteArray &payload);
// payload + checksum + CR LF
QByteArray sealed(const QByteArray &payload);
// Last six characters of "000000" + the number, so -12 becomes "000-12".
QByteArray field6(qint64 value);
// Reads a six-character value field; a minus sign may sit anywhere after the
// leading zeros ("000-12", "0000-2"). False for anything else.
bool parseField6(const QByteArray &text, int *value);
// Blank-padded on the left to width (cut to the last width characters).
QByteArray rightAligned(const QByteArray &text, int width);

constexpr char CR = '\r';
constexpr char LF = '\n';

}   // namespace ecusim
