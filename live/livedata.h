#pragma once
#include <QByteArray>
#include <QString>

#include "live/livestate.h"

// Fills the channel table (names and units in language `lingua`), clears both
// samples and selects channels 4 and 8 for the chart panes.
void InitLiveChannels(LiveState &live, int lingua);

// Trimmed name, then " [unit]" when the unit is not blank (a "-" placeholder
// unit counts as blank).
QString ChannelTitle(const LiveState &live, int ch);

// Copies the fifteen raw fields of a 131-character "D" frame into `rec`
// (field 14, one character, padded to 8).
void StoreLiveFrame(LiveRecord &rec, const QByteArray &frame);

// Turns the raw fields of `rec` into display texts (duty cycles, state name,
// fuel name, throttle, flow correction), each 8 characters, "." as decimal point.
void PostProcessLiveRecord(LiveRecord &rec, int lingua);

// Right-aligns a number formatted with "#0" or "#0.00" in 8 characters, "." decimal.
// Halves round away from zero; a number wider than 8 characters gives "--------".
QString FormatLiveNumber(double v, const QString &format);

// Numeric value of a text as the original conversion saw it: leading/trailing
// blanks allowed, otherwise the whole text must be a number.
// Accepted: optional sign, digits, at most one "." (at least one digit). No
// exponent, no "," and no grouping: "1e3" is not numeric.
bool IsNumericText(const QString &text, double *value = nullptr);

// Numeric value of a text, 0 when it is not numeric.
double LiveNumber(const QString &text);

// `text` cut or blank-padded on the right to `width` characters.
QString FixedLeft(const QString &text, int width);

// The last 8 characters of eight blanks followed by `text`.
QString RightIn8(const QString &text);

// Display text of a localised name stored in a field: left-aligned in 8.
QString LiveNameField(int baseId, int lingua);

inline const QString kNoValue = QStringLiteral("--------");
inline const QString kBlankField = QStringLiteral("        ");
