#include "link/imagefile.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

#include "app/numbers.h"

namespace {

constexpr int CodedLength = 12;
constexpr int ValueLength = 6;
const QByteArray LineEnd("\r\n");

// Six characters can carry -99999 at the lowest; below that the sign would be
// cut off and the value read back as a large positive number.
constexpr double LowestCodable = -99999;
constexpr double HighestCodable = 32767;

QString lastSix(const QString &text)
{
    return (QStringLiteral("000000") + text).right(ValueLength);
}

}   // namespace

QString CodificaRecord(double value)
{
    if (std::isnan(value))
        value = 0;
    const double bounded = std::clamp(RoundHalfAwayFromZero(value), LowestCodable, HighestCodable);
    const QString text = lastSix(QString::number(static_cast<qint64>(bounded)));

    QString coded(CodedLength, QLatin1Char('0'));
    auto *random = QRandomGenerator::global();
    for (int i = 0; i < ValueLength; ++i) {
        coded[2 * i] = QLatin1Char(char('0' + random->bounded(10)));
        coded[2 * i + 1] = text[i];
    }
    return coded;
}

QString DecodificaRecord(const QString &record)
{
    QString text;
    for (int pos = 1; pos < CodedLength && pos < record.size(); pos += 2)
        text += record[pos];
    return text;
}

double ValoreCampo(const QString &text)
{
    return SixCharValue(text);
}

QByteArray LeggiImmagine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray image;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() != CodedLength)
            return {};
        const QString value = DecodificaRecord(QString::fromLatin1(line)).trimmed();
        image += lastSix(value).toLatin1();
    }
    if (file.error() != QFileDevice::NoError)
        return {};
    return image;
}

struct ImageFile::Impl {
    explicit Impl(const QString &path) : file(path) {}
    QFile file;

    bool writeAt(qint64 offset, const QByteArray &bytes)
    {
        return file.seek(offset) && file.write(bytes) == bytes.size();
    }
};

ImageFile::ImageFile(const QString &path) : d(new Impl(path)) {}

ImageFile::~ImageFile()
{
    close();
    delete d;
}

bool ImageFile::open(bool create)
{
    close();
    if (!create && !d->file.exists())
        return false;
    // Unbuffered: every record goes out in the write call that carries it.
    if (d->file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return true;
    return !create && d->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void ImageFile::close()
{
    if (d->file.isOpen())
        d->file.close();
}

bool ImageFile::isOpen() const
{
    return d->file.isOpen();
}

int ImageFile::recordCount() const
{
    if (!d->file.isOpen())
        return 0;
    return int(qMin<qint64>(d->file.size() / RecordSize, MaxRecord));
}

bool ImageFile::writeValue(int record, double value)
{
    return writeCoded(record, CodificaRecord(value));
}

bool ImageFile::writeCoded(int record, const QString &coded12)
{
    if (!d->file.isOpen() || !d->file.isWritable() || record < 1 || record > MaxRecord || coded12.size() != CodedLength)
        return false;
    const QByteArray bytes = coded12.toLatin1() + LineEnd;

    const int count = recordCount();
    if (record > count + 1) {
        // A gap of zero records, not of whatever the file system would leave there.
        QByteArray filler;
        filler.reserve(qsizetype(record - 1 - count) * RecordSize);
        for (int n = count + 1; n < record; ++n)
            filler += CodificaRecord(0).toLatin1() + LineEnd;
        if (!d->writeAt(qint64(count) * RecordSize, filler))
            return false;
    }
    return d->writeAt(qint64(record - 1) * RecordSize, bytes);
}

bool ImageFile::readCoded(int record, QString *coded12) const
{
    if (!d->file.isOpen() || record < 1 || record > recordCount())
        return false;
    if (!d->file.seek(qint64(record - 1) * RecordSize))
        return false;
    const QByteArray bytes = d->file.read(RecordSize);
    if (bytes.size() != RecordSize)
        return false;
    if (coded12)
        *coded12 = QString::fromLatin1(bytes.left(CodedLength));
    return true;
}

bool ImageFile::readValue(int record, double *value) const
{
    QString coded;
    if (!readCoded(record, &coded))
        return false;
    if (value)
        *value = ValoreCampo(DecodificaRecord(coded));
    return true;
}
