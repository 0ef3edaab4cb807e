#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

// A log file of bounded size. When a line would take it past the bound, the file
// becomes <name>.1, the older copies move up one number (<name>.2, <name>.3) and
// the one past `kept` is deleted: at most 1 + kept files, each within the bound.
class RotatingLogFile {
public:
    static constexpr qint64 kDefaultMaxBytes = 1024 * 1024;
    static constexpr int kDefaultKept = 3;

    explicit RotatingLogFile(const QString &path, qint64 maxBytes = kDefaultMaxBytes, int kept = kDefaultKept);

    // Appends one line (ending in LF) and hands it to the system at once, so a
    // crash loses nothing written before it. A line longer than the bound is cut
    // to it. false when the file cannot be opened or written.
    bool append(QByteArray line);
    QString path() const { return m_file.fileName(); }
    // Path of the n-th older copy, 1 the newest.
    QString olderCopy(int n) const;

private:
    bool openFile();
    bool rotate();

    QFile m_file;
    qint64 m_maxBytes;
    int m_kept;
};
