#include "live/recordingcsv.h"

#include <QSaveFile>

#include <algorithm>
#include <cmath>

#include "live/recordingreader.h"

namespace {

constexpr qsizetype kChunkBytes = 1 << 20;

// RFC 4180: a cell holding the separator, a quote or a line break is quoted,
// its quotes doubled.
void appendCell(QByteArray &out, QByteArrayView cell, char separator)
{
    bool quote = false;
    for (char c : cell)
        quote = quote || c == separator || c == '"' || c == '\r' || c == '\n';
    if (!quote) {
        out += cell;
        return;
    }
    out += '"';
    for (char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

QString title(const QString &name, const QString &unit)
{
    // "-" is the text table's placeholder for "no unit", as in the live titles.
    if (unit.isEmpty() || unit == u"-")
        return name;
    return name + QStringLiteral(" [") + unit + QLatin1Char(']');
}

void appendRow(QByteArray &out, const RecordingReader &rec, int row, CsvFormat format)
{
    out += QByteArray::number(rec.sampleNumber(row));
    for (int ch = 0; ch < rec.channelCount(); ++ch) {
        out += format.separator;
        const QByteArrayView bytes = rec.cellBytes(ch, row);
        if (bytes.isEmpty() || bytes == QByteArrayView("--------"))
            continue;
        if (std::isnan(rec.value(ch, row))) {
            appendCell(out, rec.cellText(ch, row).toUtf8(), format.separator);
            continue;
        }
        // A number is ASCII of at most 8 characters: only its point changes.
        char number[8];
        const qsizetype n = std::min<qsizetype>(bytes.size(), sizeof number);
        for (qsizetype i = 0; i < n; ++i)
            number[i] = bytes[i] == '.' ? format.decimalMark : bytes[i];
        appendCell(out, QByteArrayView(number, n), format.separator);
    }
    out += "\r\n";
}

}   // namespace

CsvFormat CsvFormat::forLanguage(int lingua)
{
    if (lingua == 4)
        return plain();
    return {';', ','};
}

CsvError ExportRecordingCsv(const RecordingReader &rec, const QString &path, CsvFormat format, int firstRow,
                            int lastRow)
{
    const int rows = rec.sampleCount();
    if (lastRow == -1 && firstRow == 0)
        lastRow = rows - 1;   // the whole recording, which may have no sample at all
    else if (firstRow < 0 || lastRow >= rows || firstRow > lastRow)
        return CsvError::InvalidRange;

    // QSaveFile writes a temporary file beside `path` and renames it on commit,
    // so a failure never leaves a half file, nor spoils an earlier export.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return CsvError::CannotCreate;
    // Excel opens a .csv from the file manager in the machine's ANSI code page
    // unless it starts with a UTF-8 byte order mark, and the Polish and French
    // names and units would come out garbled; other spreadsheets skip the mark.
    QByteArray out("\xEF\xBB\xBF");
    out.reserve(kChunkBytes + 4096);
    appendCell(out, title(rec.sampleColumnName(), rec.sampleColumnUnit()).toUtf8(), format.separator);
    for (int ch = 0; ch < rec.channelCount(); ++ch) {
        out += format.separator;
        appendCell(out, title(rec.channelName(ch), rec.channelUnit(ch)).toUtf8(), format.separator);
    }
    out += "\r\n";
    for (int row = firstRow; row <= lastRow; ++row) {
        appendRow(out, rec, row, format);
        if (out.size() >= kChunkBytes || row == lastRow) {
            if (file.write(out) != out.size()) {
                file.cancelWriting();
                return CsvError::WriteFailed;
            }
            out.clear();
        }
    }
    // commit() does not notice when the write buffer reaches the disk only in
    // part (a full disk), and would rename the half file into place: flush first.
    if ((!out.isEmpty() && file.write(out) != out.size()) || !file.flush()) {
        file.cancelWriting();
        return CsvError::WriteFailed;
    }
    if (!file.commit())
        return CsvError::WriteFailed;
    return CsvError::None;
}
