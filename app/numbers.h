#pragma once
#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// Every rule by which the program reads a number out of text or rounds one.
// The file formats and the ECU protocol each need a different rule; they are
// kept apart on purpose and named for what they accept.

// The old value fields' leading-number rule: blanks skipped, then the longest
// leading part that forms a number (sign, digits, one point, exponent); 0 when
// there is none or it does not fit a double. "12ab" is 12, "1e3x" is 1000.
double LeadingNumber(QByteArrayView text);

// A six-character image or ECU value field: the number read from the first "-"
// onwards, otherwise the leading number of the whole text; blanks may follow
// the sign, no exponent. "000-12" is -12, "    -1" is -1, "00012" is 12.
double SixCharValue(QStringView text);

// Plain decimal text: blanks around, an optional sign, digits with at most one
// point, at least one digit. No exponent, no grouping, no "inf".
std::optional<double> PlainDecimal(QStringView text);

// Fixed-width numeric field of the ECU protocol: ASCII digits only, a leading
// sign only with Signed, blanks before (and after) the digits only with
// BlankPadded. Never an exponent; a value past qint64 is refused, not wrapped.
enum FieldForm { DigitsOnly = 0, BlankPadded = 1, Signed = 2 };
std::optional<qint64> FixedField(QByteArrayView field, int form = DigitsOnly);

// Halves to the even neighbour, exactly as the double holds them.
double RoundHalfEven(double v);
// Halves to the even neighbour after snapping to nine decimals, so a computed
// decimal 2.5 held as 2.4999999999999996 counts as the half and rounds to 2.
double RoundHalfEvenDecimal(double v);
// Halves away from zero: 2.5 is 3, -2.5 is -3.
double RoundHalfAwayFromZero(double v);

// v rounded half-even when the result fits 16 bits; nothing for NaN, infinity
// or a result outside -32768 .. 32767.
std::optional<qint16> WholeInt16HalfEven(double v);
