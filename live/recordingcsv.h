#pragma once
#include <QString>

class RecordingReader;

// Separator and decimal mark of an exported recording.
struct CsvFormat {
    char separator = ',';
    char decimalMark = '.';
    // What the spreadsheets of the fitter's language expect: ";" and "," where
    // the comma is the decimal mark (Italian 1, French 2, Polish 3), "," and
    // "." in English (4).
    static CsvFormat forLanguage(int lingua);
    // "," and ".", for programs rather than spreadsheets.
    static CsvFormat plain() { return {}; }
};

enum class CsvError {
    None,
    InvalidRange,   // rows outside the recording, or first after last
    CannotCreate,   // the folder is missing or not writable
    WriteFailed,    // disk full or gone while writing; nothing is left behind
};

// Writes rows first..last of `rec` (the whole recording when last is -1) into
// `path` as CSV: a header of "name [unit]" cells starting with the sample number,
// then one line per sample. Numbers get the format's decimal mark, names are
// written as the display showed them, "--------" and blank cells stay empty.
// The file appears only once it is complete; an existing one is replaced then.
CsvError ExportRecordingCsv(const RecordingReader &rec, const QString &path, CsvFormat format, int firstRow = 0,
                            int lastRow = -1);
