#pragma once
#include <QByteArray>
#include <QByteArrayView>

// Wire format of the ECU protocol: checksum, frame cutting and the commands
// that carry data. Pure functions over bytes; nothing here touches a port.

// Two characters '0'+high nibble, '0'+low nibble of the low byte of the code sum.
QByteArray SommaControllo(QByteArrayView text);

// Whether a frame beginning with these (at least two) characters ends with a checksum.
bool FrameConChecksum(QByteArrayView start);

enum class CutResult {
    Frame,   // *frame holds one line, CR LF included; call again for the next
    Fine,    // nothing more this time: no whole line left (blank lines skipped), or a bad checksum
};
// Takes the next frame off the front of `buffer`. A line dropped for a bad or
// missing checksum ends the run (Fine); the rest of the buffer waits. `dropped`,
// when given, receives that line (resynchronised, CR LF kept), else is emptied.
CutResult EstraiFrame(QByteArray &buffer, QByteArray *frame, QByteArray *dropped = nullptr);

// Longest tail without LF kept in the receive buffer, and the whole buffer's limit.
inline constexpr qsizetype kMaxPartialLine = 4096;
inline constexpr qsizetype kMaxRxBuffer = 65536;
// Bounds the receive buffer: an unterminated tail keeps its newest bytes, and a
// buffer past kMaxRxBuffer keeps its newest kMaxRxBuffer bytes.
void LimitaBuffer(QByteArray &buffer);

// The last six characters of "000000" + the whole number (so -12 gives "000-12").
QByteArray CampoSei(qint64 value);
// Rounds halves away from zero first.
QByteArray CampoSei(double value);

// "MGA" + address + value (six characters each) + checksum + CR LF.
QByteArray ComandoMGA(qint64 address, double value);

// Image data bytes per "MZ" block (30 values of six characters).
inline constexpr qsizetype kMZBlockBytes = 180;
// Number of "MZ" blocks needed for an image of this many characters.
int NumeroBlocchiMZ(qsizetype imageLength);
// "MZ" + block (three digits) + "0"/"$" + data + checksum + CR LF; empty when the
// block lies outside the image or its number does not fit three digits.
QByteArray ComandoMZ(const QByteArray &image, int block);

// The old program's name for LeadingNumber (app/numbers.h).
double ValoreIniziale(QByteArrayView text);
