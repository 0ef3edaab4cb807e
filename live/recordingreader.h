#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// A recording (.DAT) read whole, for viewing and export.
//
// The file's bytes are kept as read: every cell is 8 bytes of one byte per
// character, so they are a more compact copy of the texts than any string
// table, and a cell's text is exactly what the file holds. Numbers are parsed
// once into one array per channel, which is what drawing and export walk.
//
// Lines that are not whole data lines (torn by a crash, edited, garbage) are
// passed over and counted; only a file without a usable names line is refused.
class RecordingReader {
public:
    enum class Error {
        None,
        NotFound,        // no file at that path
        CannotRead,      // there is one, but it cannot be opened or read
        TooLarge,        // beyond kMaxFileBytes: refused rather than exhaust memory
        NotARecording,   // the first line is not a line of fixed-width cells
    };

    // About 7 million samples, over two weeks of recording at 5 samples a second.
    static constexpr qint64 kMaxFileBytes = qint64(1) << 30;

    // Reads `path`, written in the code page of language `lingua`. On failure
    // the reader is left empty.
    Error open(const QString &path, int lingua);
    // The same for a file's contents already in memory.
    Error parse(QByteArray bytes, int lingua);
    Error error() const { return m_error; }

    // Channels are the cells after the sample number: live channels 0 to 14.
    int channelCount() const { return int(m_channels.size()); }
    // Header cells, trimmed: at most 8 characters of the recorder's names and units.
    QString channelName(int ch) const { return m_names.value(ch + 1); }
    QString channelUnit(int ch) const { return m_units.value(ch + 1); }
    QString sampleColumnName() const { return m_names.value(0); }
    QString sampleColumnUnit() const { return m_units.value(0); }
    // false for channels of names (state, fuel): most of their filled cells are
    // not numbers. "--------" and blank cells count for neither side.
    bool isNumeric(int ch) const;

    int sampleCount() const { return int(m_sampleNumbers.size()); }
    qint32 sampleNumber(int row) const { return m_sampleNumbers[size_t(row)]; }
    // NaN when the cell is not a number.
    double value(int ch, int row) const { return m_channels[size_t(ch)].values[size_t(row)]; }
    const std::vector<double> &values(int ch) const { return m_channels[size_t(ch)].values; }
    // The cell as the live display showed it, blanks around removed.
    QString cellText(int ch, int row) const;
    // The same cell as the file's bytes (its code page), ASCII blanks removed.
    QByteArrayView cellBytes(int ch, int row) const;

    // First row of each stretch of samples recorded in one go; a continued
    // recording starts a new one after its mark line. Empty stretches (a mark
    // followed by another mark or the end) are left out.
    const std::vector<int> &runStarts() const { return m_runStarts; }
    // Lines after the header that are neither data lines nor marks.
    int skippedLines() const { return m_skipped; }

private:
    struct Channel {
        std::vector<double> values;
        int numericCells = 0;
        int textCells = 0;   // filled, not "--------", not a number
    };
    void clear();
    const char *cell(int ch, int row) const;

    Error m_error = Error::None;
    QByteArray m_data;
    QString m_decode;   // character of each byte in the file's code page
    int m_lineWidth = 0;
    QStringList m_names, m_units;
    std::vector<Channel> m_channels;
    std::vector<quint32> m_rowOffsets;   // start of each data line in m_data
    std::vector<qint32> m_sampleNumbers;
    std::vector<int> m_runStarts;
    int m_skipped = 0;
};
