#include "live/livedata.h"

#include <cmath>

#include "app/numbers.h"
#include "app/texts.h"

namespace {

struct ChannelSpec {
    double min, max;
    qint16 divisions, subdivisions, margin;
    bool twoDecimals;
};

// Name text of channel c is 270 + 2c, its unit 271 + 2c.
constexpr ChannelSpec kChannels[16] = {
    {0, 5000, 10, 10, 2, false},    // Pressione 1
    {0, 5000, 10, 10, 2, false},    // DeltaP
    {0, 5000, 10, 10, 2, false},    // M.A.P.
    {-40, 150, 10, 10, 2, false},   // Temperatura
    {0, 5000, 10, 0, 2, false},     // Sonda Lambda
    {0, 5000, 10, 0, 2, false},     // Stato
    {0, 100, 17, 3, 2, false},      // T.P.S.
    {0, 100, 10, 0, 2, false},      // Ott. P.W.M.
    {0, 100, 10, 0, 2, true},       // Duty cycle IN
    {0, 5000, 10, 10, 2, false},    // Regime
    {0, 100, 10, 0, 2, false},      // Ott. PCM
    {0, 100, 10, 0, 2, false},      // Duty cycle P.W.M.
    {0, 100, 10, 0, 2, false},      // Portata teo.
    {0, 100, 10, 0, 2, false},      // Delta port.
    {0, 100, 10, 0, 2, false},      // Alimentazione
    {0, 100, 10, 10, 1, false},     // Campioni
};

void clearRecord(LiveRecord &rec)
{
    rec.Field.fill(kBlankField);
    rec.SampleCounter = -1;
    rec.RecordCounter = -1;
}

QString stateName(const QString &raw, int lingua)
{
    const QString code = raw.trimmed();
    int id = 0;
    if (code == u"6000" || code == u"6004" || code == u"6010")
        id = 365;
    else if (code == u"6001" || code == u"6002" || code == u"6003" || code == u"6009")
        id = 366;
    else if (code == u"6005")
        id = 367;
    else if (code == u"6006" || code == u"6007" || code == u"6008")
        id = 368;
    return id ? LiveNameField(id, lingua) : kNoValue;
}

QString fuelName(const QString &raw, int lingua)
{
    const QString letter = raw.trimmed().toUpper();
    if (letter == u"B")
        return LiveNameField(223, lingua);
    if (letter == u"G")
        return LiveNameField(221, lingua);
    return kNoValue;
}

QString scaledOrNoValue(const QString &raw, double divisor, const QString &format)
{
    double v = 0;
    return IsNumericText(raw, &v) ? FormatLiveNumber(v / divisor, format) : kNoValue;
}

}   // namespace

QString FixedLeft(const QString &text, int width)
{
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

QString RightIn8(const QString &text)
{
    return (kBlankField + text).right(8);
}

QString LiveNameField(int baseId, int lingua)
{
    return FixedLeft(TestoL(baseId, lingua), 8);
}

void InitLiveChannels(LiveState &live, int lingua)
{
    for (int c = 0; c < 16; ++c) {
        const ChannelSpec &s = kChannels[c];
        LiveChannel &ch = live.LiveChannels[c];
        ch = LiveChannel{};
        ch.Name = FixedLeft(TestoL(270 + 2 * c, lingua), 20);
        ch.Unit = FixedLeft(TestoL(271 + 2 * c, lingua), 10);
        ch.Min = s.min;
        ch.Max = s.max;
        ch.Divisions = s.divisions;
        ch.Subdivisions = s.subdivisions;
        ch.MarginPercent = s.margin;
        ch.Format = s.twoDecimals ? QStringLiteral("#0.00") : QStringLiteral("#0");
    }
    for (LiveRecord &rec : live.LiveSample)
        clearRecord(rec);
    live.LiveDisplayEnabled = false;
    live.ChartChannels = {4, 8};
}

QString ChannelTitle(const LiveState &live, int ch)
{
    if (ch < 0 || ch >= int(live.LiveChannels.size()))
        return {};
    const LiveChannel &c = live.LiveChannels[ch];
    const QString unit = c.Unit.trimmed();
    // "-" is the text table's placeholder for "no unit" and is never shown.
    if (unit.isEmpty() || unit == u"-")
        return c.Name.trimmed();
    return c.Name.trimmed() + QStringLiteral(" [") + unit + QLatin1Char(']');
}

void StoreLiveFrame(LiveRecord &rec, const QByteArray &frame)
{
    for (int k = 0; k < 14; ++k)
        rec.Field[k] = FixedLeft(QString::fromLatin1(frame.mid(2 + 9 * k, 8)), 8);
    rec.Field[14] = FixedLeft(QString::fromLatin1(frame.mid(128, 1)), 8);
}

void PostProcessLiveRecord(LiveRecord &rec, int lingua)
{
    const QString twoDecimals = QStringLiteral("#0.00");
    const QString whole = QStringLiteral("#0");
    rec.Field[8] = scaledOrNoValue(rec.Field[8], 100, twoDecimals);
    rec.Field[11] = scaledOrNoValue(rec.Field[11], 10, twoDecimals);
    rec.Field[5] = stateName(rec.Field[5], lingua);
    rec.Field[14] = fuelName(rec.Field[14], lingua);
    rec.Field[6] = FormatLiveNumber((LiveNumber(rec.Field[6]) - 700) * 100 / 3800, whole);
    rec.Field[13] = FormatLiveNumber(LiveNumber(rec.Field[13]) * 100, whole);
}

QString FormatLiveNumber(double v, const QString &format)
{
    const int dot = format.indexOf(QLatin1Char('.'));
    const int decimals = dot < 0 ? 0 : int(format.size()) - dot - 1;
    if (!std::isfinite(v) || std::fabs(v) >= 1e9 || decimals > 6)
        return kNoValue;
    qint64 unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    // Halves go away from zero; the small allowance makes a decimal half such as
    // 1.005 count as a half although the double holds 1.00499...
    const qint64 n = qint64(std::floor(std::fabs(v) * double(unit) + 0.5 + 1e-9));
    QString text = QString::number(n / unit);
    if (decimals > 0)
        text += QLatin1Char('.') + QString::number(n % unit).rightJustified(decimals, QLatin1Char('0'));
    if (v < 0 && n != 0)
        text.prepend(QLatin1Char('-'));
    if (text.size() > 8)
        return kNoValue;   // cutting it to 8 would show a different number
    return RightIn8(text);
}

bool IsNumericText(const QString &text, double *value)
{
    const std::optional<double> v = PlainDecimal(text);
    if (v && value)
        *value = *v;
    return v.has_value();
}

double LiveNumber(const QString &text)
{
    double v = 0;
    return IsNumericText(text, &v) ? v : 0.0;
}
