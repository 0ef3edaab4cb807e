#pragma once
#include <QByteArray>
#include <QString>

// Image files (LETTURA.PRG, LETTURAN.PRG, NUOVA.PRG): 14-byte records, record n
// holds image value n as 12 coded characters and CR LF.

QString CodificaRecord(double value);              // 12 characters, value at even positions
QString DecodificaRecord(const QString &record);   // the 6 characters at positions 2, 4, .., 12
double ValoreCampo(const QString &text);           // SixCharValue (app/numbers.h)
// Whole image as 6 characters a value in record order; "" on a missing file or a bad line.
QByteArray LeggiImmagine(const QString &path);

// Record access by number. Each record is written with one write at its offset,
// so a killed program never leaves a half-written record.
class ImageFile {
public:
    static constexpr int RecordSize = 14;
    // Highest record number accepted: record numbers are 16-bit, and a stray large
    // number must not grow the file by gigabytes of filler.
    static constexpr int MaxRecord = 32767;

    explicit ImageFile(const QString &path);
    ~ImageFile();
    ImageFile(const ImageFile &) = delete;
    ImageFile &operator=(const ImageFile &) = delete;

    // Opens for reading and writing (read-only when writing is refused); `create`
    // makes a missing file, otherwise a missing file fails. Never truncates.
    bool open(bool create = false);
    void close();
    bool isOpen() const;
    // Writing past the end first fills the gap with records of value 0.
    bool writeValue(int record, double value);   // CodificaRecord + CR LF
    bool writeCoded(int record, const QString &coded12);
    bool readValue(int record, double *value) const;   // false when missing or unreadable
    bool readCoded(int record, QString *coded12) const;
    int recordCount() const;   // whole records in the file
private:
    struct Impl;
    Impl *d;
};
