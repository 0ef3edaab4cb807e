#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// Control bytes of a fuzz_link input. Everything else is received data; the
// protocol is ASCII, so none of these occurs in a real exchange.
namespace FuzzCtl {
inline constexpr std::uint8_t Flood = 0xF5;          // the piece repeated past the receive buffer's bound
inline constexpr std::uint8_t LoseInWrite = 0xF6;    // the next write loses the port, from inside
inline constexpr std::uint8_t SealAsIs = 0xF7;       // piece + checksum (when its type has one) + CR LF
inline constexpr std::uint8_t HoldForWrite = 0xF8;   // sealed piece, delivered from inside the next write
inline constexpr std::uint8_t Seal = 0xF9;           // sealed piece at the length its type must have
inline constexpr std::uint8_t FailWrites = 0xFA;
inline constexpr std::uint8_t Reconnect = 0xFB;
inline constexpr std::uint8_t LiveWatchdog = 0xFC;
inline constexpr std::uint8_t ReplyWatchdog = 0xFD;
inline constexpr std::uint8_t Deliver = 0xFE;   // the piece as it is
}   // namespace FuzzCtl

// Closes a piece into one frame the framer passes on whole: line ends and any
// later R, D or F (which would restart the frame) are taken out, then, when
// `fixLength`, the payload is cut or padded with '0' to the length the
// interpreter expects of its type, then the checksum and CR LF follow.
QByteArray SealFrame(QByteArray piece, bool fixLength);

// Writes seed inputs into `dir` from exchanges with the simulated ECU: each
// session state, its replies delivered raw, sealed and from inside a write.
// Returns the number of files written.
int WriteSeedTranscripts(const QString &dir);
