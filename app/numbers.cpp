#include "app/numbers.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <limits>

namespace {

// Steps per unit of the grid decimal rounding snaps to before it looks for a half.
constexpr double DecimalGrid = 1e9;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Byte at i, or 0 for a character outside ASCII (never part of a number).
char at(QByteArrayView s, qsizetype i)
{
    return s[i];
}
char at(QStringView s, qsizetype i)
{
    return s[i].unicode() < 128 ? char(s[i].unicode()) : '\0';
}

struct LeadingForm {
    bool blanksAfterSign;
    bool exponent;
};

// Text of the longest leading number of s (C syntax), "" when there is none.
template <typename View>
QByteArray leadingNumberText(View s, LeadingForm form)
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && isBlank(at(s, i)))
        ++i;
    QByteArray text;
    if (i < n && (at(s, i) == '+' || at(s, i) == '-')) {
        text += at(s, i++);
        while (form.blanksAfterSign && i < n && isBlank(at(s, i)))
            ++i;
    }
    bool digits = false;
    for (; i < n && isDigit(at(s, i)); ++i, digits = true)
        text += at(s, i);
    if (i < n && at(s, i) == '.') {
        QByteArray fraction;
        for (++i; i < n && isDigit(at(s, i)); ++i)
            fraction += at(s, i);
        if (!fraction.isEmpty()) {
            text += '.' + fraction;
            digits = true;
        }
    }
    if (!digits)
        return {};
    if (form.exponent && i < n && (at(s, i) == 'e' || at(s, i) == 'E')) {
        qsizetype j = i + 1;
        QByteArray exponent = "e";
        if (j < n && (at(s, j) == '+' || at(s, j) == '-'))
            exponent += at(s, j++);
        bool expDigits = false;
        for (; j < n && isDigit(at(s, j)); ++j, expDigits = true)
            exponent += at(s, j);
        if (expDigits)
            text += exponent;
    }
    return text;
}

double finiteOrZero(const QByteArray &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

}   // namespace

double LeadingNumber(QByteArrayView text)
{
    return finiteOrZero(leadingNumberText(text, {false, true}));
}

double SixCharValue(QStringView text)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    return finiteOrZero(leadingNumberText(dash >= 0 ? text.mid(dash) : text, {true, false}));
}

std::optional<double> PlainDecimal(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    bool digits = false, point = false;
    for (qsizetype j = i; j < t.size(); ++j) {
        if (t[j] >= u'0' && t[j] <= u'9')
            digits = true;
        else if (t[j] == u'.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (!digits)
        return std::nullopt;
    bool ok = false;
    const double v = t.toString().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<qint64> FixedField(QByteArrayView field, int form)
{
    if (form & BlankPadded)
        field = field.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if ((form & Signed) && i < field.size() && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    if (i == field.size())
        return std::nullopt;
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (; i < field.size(); ++i) {
        if (!isDigit(field[i]))
            return std::nullopt;
        const int digit = field[i] - '0';
        if (value > (Max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double RoundHalfEven(double v)
{
    if (!std::isfinite(v))
        return v;
    const double low = std::floor(v);
    const double rest = v - low;
    if (rest > 0.5)
        return low + 1;
    if (rest < 0.5)
        return low;
    return std::fmod(low, 2.0) == 0 ? low : low + 1;
}

double RoundHalfEvenDecimal(double v)
{
    // From 2^52 up every double is whole, and the snap below would overflow.
    constexpr double Whole = 4503599627370496.0;
    if (!std::isfinite(v) || std::fabs(v) >= Whole)
        return v;
    // Snapping to the grid first lets binary noise fall onto the half.
    return RoundHalfEven(std::round(v * DecimalGrid) / DecimalGrid);
}

double RoundHalfAwayFromZero(double v)
{
    return std::round(v);
}

std::optional<qint16> WholeInt16HalfEven(double v)
{
    const double r = RoundHalfEven(v);
    if (!std::isfinite(r) || r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(r);
}
