#include "live/recordingreader.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <limits>

#include "live/codepage.h"

namespace {

constexpr int kCellWidth = 8;
constexpr int kCellPitch = kCellWidth + 1;   // a cell and its ";"
const QByteArrayView kNoValueBytes("--------");

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

QByteArrayView trimmedCell(const char *cell)
{
    int from = 0, to = kCellWidth;
    while (from < to && isBlank(cell[from]))
        ++from;
    while (to > from && isBlank(cell[to - 1]))
        --to;
    return QByteArrayView(cell + from, to - from);
}

// The display's rule for a number (IsNumericText): optional sign, digits with at
// most one point, at least one digit. A cell has at most 8 digits, so the digits
// and the power of ten are both exact and one division rounds like strtod.
bool parseDecimal(QByteArrayView t, double &out)
{
    static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negative = t[i++] == '-';
    qint64 digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + (c - '0');
            ++count;
            decimals += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (count == 0 || count > 9)
        return false;
    const double v = double(digits) / kPow10[decimals];
    out = negative ? -v : v;
    return true;
}

bool parseCounter(QByteArrayView t, qint32 &out)
{
    qsizetype i = 0;
    const bool negative = !t.isEmpty() && t[0] == '-';
    if (!t.isEmpty() && (t[0] == '-' || t[0] == '+'))
        ++i;
    if (i == t.size())
        return false;
    qint64 n = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
        n = n * 10 + (t[i] - '0');   // 8 characters cannot overflow
    }
    out = qint32(negative ? -n : n);
    return true;
}

bool isMark(QByteArrayView line)
{
    if (line.isEmpty() || line[0] != '*')
        return false;
    for (qsizetype i = 1; i < line.size(); ++i)
        if (line[i] != ' ')
            return false;
    return true;
}

bool hasSeparators(QByteArrayView line, int cells)
{
    for (int k = 0; k + 1 < cells; ++k)
        if (line[k * kCellPitch + kCellWidth] != ';')
            return false;
    return true;
}

}   // namespace

void RecordingReader::clear()
{
    *this = RecordingReader();
}

RecordingReader::Error RecordingReader::open(const QString &path, int lingua)
{
    clear();
    QFile file(path);
    if (!file.exists())
        return m_error = Error::NotFound;
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return m_error = Error::CannotRead;
    if (file.size() > kMaxFileBytes)
        return m_error = Error::TooLarge;
    // One read of the whole file: it is parsed in place and kept.
    QByteArray bytes(file.size(), Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), bytes.size());
    if (got < 0)
        return m_error = Error::CannotRead;
    bytes.truncate(got);   // the file shrank since its size was taken
    return parse(std::move(bytes), lingua);
}

RecordingReader::Error RecordingReader::parse(QByteArray bytes, int lingua)
{
    clear();
    if (bytes.size() > kMaxFileBytes)
        return m_error = Error::TooLarge;
    m_data = std::move(bytes);
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    m_decode = DecodeForLanguage(all, lingua);

    const char *const base = m_data.constData();
    const qsizetype size = m_data.size();
    qsizetype pos = 0;
    // Next line without its line end; false at the end of the data. A last
    // line without a line end is torn: the recorder writes lines whole.
    auto nextLine = [&](QByteArrayView &line, bool &whole) {
        if (pos >= size)
            return false;
        const void *nl = std::memchr(base + pos, '\n', size_t(size - pos));
        const qsizetype end = nl ? static_cast<const char *>(nl) - base : size;
        qsizetype len = end - pos;
        whole = nl != nullptr;
        if (whole && len > 0 && base[end - 1] == '\r')
            --len;
        line = QByteArrayView(base + pos, len);
        pos = whole ? end + 1 : size;
        return true;
    };

    QByteArrayView line;
    bool whole = false;
    if (!nextLine(line, whole) || !whole || line.size() < 2 * kCellPitch - 1 || (line.size() + 1) % kCellPitch != 0
        || !hasSeparators(line, int(line.size() + 1) / kCellPitch)) {
        clear();
        return m_error = Error::NotARecording;
    }
    m_lineWidth = int(line.size());
    const int cells = (m_lineWidth + 1) / kCellPitch;
    auto headerCells = [&](QByteArrayView l) {
        QStringList out;
        for (int k = 0; k < cells; ++k) {
            QString text(kCellWidth, Qt::Uninitialized);
            for (int i = 0; i < kCellWidth; ++i)
                text[i] = m_decode[uchar(l[k * kCellPitch + i])];
            out << text.trimmed();
        }
        return out;
    };
    m_names = headerCells(line);
    const bool unitsLine = nextLine(line, whole);
    if (unitsLine && whole && line.size() == m_lineWidth && hasSeparators(line, cells)) {
        m_units = headerCells(line);
    } else {
        m_skipped += unitsLine;   // torn or mangled: the samples are still worth showing
        m_units = QStringList(cells, QString());
    }

    m_channels.resize(size_t(cells - 1));
    const size_t expectedRows = size_t(size / (m_lineWidth + 2) + 1);
    m_rowOffsets.reserve(expectedRows);
    m_sampleNumbers.reserve(expectedRows);
    for (Channel &ch : m_channels)
        ch.values.reserve(expectedRows);

    bool newRun = true;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    while (nextLine(line, whole)) {
        if (!whole || line.size() != m_lineWidth) {
            ++m_skipped;
            continue;
        }
        if (isMark(line)) {
            newRun = true;
            continue;
        }
        qint32 counter = 0;
        if (!hasSeparators(line, cells) || !parseCounter(trimmedCell(line.data()), counter)) {
            ++m_skipped;
            continue;
        }
        const int row = int(m_sampleNumbers.size());
        if (newRun)
            m_runStarts.push_back(row);
        newRun = false;
        m_rowOffsets.push_back(quint32(line.data() - base));
        m_sampleNumbers.push_back(counter);
        const char *cell = line.data() + kCellPitch;
        for (Channel &ch : m_channels) {
            const QByteArrayView t = trimmedCell(cell);
            double v = nan;
            if (parseDecimal(t, v))
                ++ch.numericCells;
            else if (!t.isEmpty() && t != kNoValueBytes)
                ++ch.textCells;
            ch.values.push_back(v);
            cell += kCellPitch;
        }
    }
    return m_error = Error::None;
}

bool RecordingReader::isNumeric(int ch) const
{
    const Channel &c = m_channels[size_t(ch)];
    return c.numericCells >= c.textCells;
}

const char *RecordingReader::cell(int ch, int row) const
{
    return m_data.constData() + m_rowOffsets[size_t(row)] + (ch + 1) * kCellPitch;
}

QString RecordingReader::cellText(int ch, int row) const
{
    const char *bytes = cell(ch, row);
    QString text(kCellWidth, Qt::Uninitialized);
    QChar *out = text.data();
    for (int i = 0; i < kCellWidth; ++i)
        out[i] = m_decode[uchar(bytes[i])];
    return text.trimmed();
}

QByteArrayView RecordingReader::cellBytes(int ch, int row) const
{
    return trimmedCell(cell(ch, row));
}
