#include "archive/maps/srecord.h"

#include <QFile>
#include <cmath>

#include "link/imagefile.h"

namespace {

constexpr int kWordsPerRecord = 42;
constexpr int kCodedLength = 12;
constexpr int kSoftwareVersionLength = 9;
constexpr int kHeaderValueLine = 2827;   // its value goes into the header
const QByteArray kLineEnd("\r\n");

QString hex(qint64 value, int digits)
{
    return QString::number(quint64(value) & ((quint64(1) << (4 * digits)) - 1), 16)
        .toUpper()
        .rightJustified(digits, QLatin1Char('0'));
}

// Each character as the two hex digits of its code.
QString hexOfChars(const QString &text)
{
    QString out;
    for (const char c : text.toLatin1())
        out += hex(quint8(c), 2);
    return out;
}

// type + count + body + checksum, the count covering body and checksum.
QString record(const char *type, const QString &body)
{
    const QString counted = hex(body.size() / 2 + 1, 2) + body;
    return QLatin1String(type) + counted + SRecordChecksum(counted);
}

}   // namespace

const QList<ImageRange> kProductRanges{
    {2003, 2604, 0x4FA6}, {2605, 2630, 0x545A}, {1, 2002, 0x4002}, {2631, 2786, 0x548E},
    {2787, 2818, 0x55C6}, {2819, 2827, 0x5606}, {2828, 0, 0x5618},
};

QString SRecordChecksum(const QString &hexBytes)
{
    unsigned sum = 0;
    for (qsizetype i = 0; i + 1 < hexBytes.size(); i += 2)
        sum += hexBytes.mid(i, 2).toUInt(nullptr, 16);
    return hex(255 - (sum & 0xFF), 2);
}

QStringList S1Records(const QList<quint16> &words, quint16 address)
{
    QStringList lines;
    for (qsizetype at = 0; at < words.size(); at += kWordsPerRecord) {
        QString body = hex(address, 4);
        const qsizetype end = qMin(at + kWordsPerRecord, words.size());
        for (qsizetype i = at; i < end; ++i)
            body += hex(words[i], 4);
        lines << record("S1", body);
        address = quint16(address + 2 * (end - at));
    }
    return lines;
}

quint16 ImageWord(const QString &valueText)
{
    const double value = ValoreCampo(valueText);
    return quint16(std::llround(value) & 0xFFFF);
}

std::optional<QStringList> ExtractImageValues(const QString &imagePath)
{
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();   // what follows the last line end is no line
    QStringList values;
    values.reserve(lines.size());
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString text = DecodificaRecord(QString::fromLatin1(line.left(kCodedLength)));
        // Marked lines are notes, not image values: they take no address.
        if (!text.startsWith(QLatin1Char('*')))
            values << text;
    }
    return values;
}

std::optional<QByteArray> ProductFormatFile(const QStringList &values, const QString &versioneSoftware,
                                            const QDate &today)
{
    if (values.size() < kProductMinLines)
        return std::nullopt;

    const QString headerValue = QString::number(std::llround(ValoreCampo(values[kHeaderValueLine - 1]))).trimmed();
    // A short version still gives a header of fixed length: the missing characters are blanks.
    const QString version = versioneSoftware.leftJustified(kSoftwareVersionLength, QLatin1Char(' '));
    QString header = QStringLiteral("0000");   // the address
    header += hexOfChars(QStringLiteral("02"));
    header += hexOfChars((QStringLiteral("00") + headerValue).right(2));
    header += hexOfChars(QStringLiteral("L0"));
    header += hexOfChars(version.mid(7, 2) + version.mid(5, 2));
    header += hex(today.day(), 2) + hex(today.month(), 2) + hex(today.year(), 4);
    header += hexOfChars(QStringLiteral("00000"));

    QByteArray out = record("S0", header).toLatin1() + kLineEnd;
    for (const ImageRange &range : kProductRanges) {
        const int last = range.lastLine > 0 ? range.lastLine : int(values.size());
        QList<quint16> words;
        words.reserve(last - range.firstLine + 1);
        for (int line = range.firstLine; line <= last; ++line)
            words << ImageWord(values[line - 1]);
        for (const QString &line : S1Records(words, range.address))
            out += line.toLatin1() + kLineEnd;
    }
    return out;
}

std::optional<QByteArray> ConvertImageToProductFormat(const QString &imagePath, const QString &versioneSoftware,
                                                      const QDate &today)
{
    const std::optional<QStringList> values = ExtractImageValues(imagePath);
    if (!values)
        return std::nullopt;
    return ProductFormatFile(*values, versioneSoftware, today);
}
