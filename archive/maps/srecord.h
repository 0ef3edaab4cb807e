#pragma once
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// The product format of a map file (C_GPL02.R42, C_META02.R42): Motorola
// S-records, one S0 header, then the S1 records of seven ranges of the image,
// upper-case hex, CR LF lines, no end record.

// One range of image lines (counted from 1) and the ECU address of its first word.
struct ImageRange {
    int firstLine;
    int lastLine;   // 0: up to the image's last line
    quint16 address;
};

// The seven ranges in the order the file holds them (not in address order).
extern const QList<ImageRange> kProductRanges;

// The fewest lines an image needs to fill every range.
inline constexpr int kProductMinLines = 2828;

// `SRecordChecksum`: 255 minus the low byte of the sum of the bytes given as hex
// pairs (count, address and data), as two upper-case hex digits.
QString SRecordChecksum(const QString &hexBytes);

// `WriteS1Records` without the file: the S1 records of `words` from `address`, at
// most 42 words a record, without line ends. A range without words gives none.
QStringList S1Records(const QList<quint16> &words, quint16 address);

// The word a value text is filed as: the low 16 bits of `ValoreCampo`.
quint16 ImageWord(const QString &valueText);

// The value texts of an image file's lines (`DecodificaRecord` of each line's
// first 12 characters), lines starting with "*" left out. nullopt when the file
// cannot be read.
std::optional<QStringList> ExtractImageValues(const QString &imagePath);

// The whole product-format file of an image given as its value texts; nullopt when
// the image has fewer lines than the ranges need. `versioneSoftware` is the ECU's
// nine-character software version, `today` the date written into the header.
std::optional<QByteArray> ProductFormatFile(const QStringList &values, const QString &versioneSoftware,
                                            const QDate &today);

// `ConvertImageToProductFormat`: both steps on the image file at `imagePath`.
std::optional<QByteArray> ConvertImageToProductFormat(const QString &imagePath, const QString &versioneSoftware,
                                                      const QDate &today);
