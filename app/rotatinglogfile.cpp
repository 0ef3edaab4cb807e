#include "app/rotatinglogfile.h"

RotatingLogFile::RotatingLogFile(const QString &path, qint64 maxBytes, int kept)
    : m_file(path), m_maxBytes(qMax<qint64>(2, maxBytes)), m_kept(qMax(0, kept))
{}

QString RotatingLogFile::olderCopy(int n) const
{
    return path() + QLatin1Char('.') + QString::number(n);
}

bool RotatingLogFile::openFile()
{
    return m_file.isOpen() || m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool RotatingLogFile::rotate()
{
    m_file.close();
    if (m_kept == 0)
        return QFile::remove(path()) && openFile();
    QFile::remove(olderCopy(m_kept));
    for (int n = m_kept - 1; n >= 1; --n) {
        if (QFile::exists(olderCopy(n)))
            QFile::rename(olderCopy(n), olderCopy(n + 1));
    }
    // Should the rename fail, the file is emptied rather than left to grow.
    if (!QFile::rename(path(), olderCopy(1)))
        QFile::remove(path());
    return openFile();
}

bool RotatingLogFile::append(QByteArray line)
{
    if (line.size() > m_maxBytes) {
        line.truncate(m_maxBytes - 1);
        line.append('\n');
    }
    if (!openFile())
        return false;
    if (m_file.size() > 0 && m_file.size() + line.size() > m_maxBytes && !rotate())
        return false;
    const bool ok = m_file.write(line) == line.size();
    return m_file.flush() && ok;
}
