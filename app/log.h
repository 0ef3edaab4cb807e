#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QLoggingCategory>
#include <QString>

// One logging category per subsystem, named "kalibron.<subsystem>". Info and
// above are on unless QT_LOGGING_RULES says otherwise; debug is off.
Q_DECLARE_LOGGING_CATEGORY(lcLink)        // port, framing, wire
Q_DECLARE_LOGGING_CATEGORY(lcSession)     // session states, replies, watchdogs
Q_DECLARE_LOGGING_CATEGORY(lcLive)        // live data
Q_DECLARE_LOGGING_CATEGORY(lcRecording)   // acquisition files
Q_DECLARE_LOGGING_CATEGORY(lcArchive)     // catalogues and archive files
Q_DECLARE_LOGGING_CATEGORY(lcUi)          // messages shown, menu switches

// "2025-03-01 14:03:12.345 kalibron.link WARNING text", LF-terminated; line
// breaks inside the message are written as "\n" so a record stays one line.
QByteArray FormatLogLine(const QDateTime &when, const char *category, QtMsgType type, const QString &message);

// The program's log for support: while an instance lives, every message also goes
// to LOG/kalibron.log of the application folder (rotated at 1 MB, three older
// copies kept as kalibron.log.1 to .3), and on to the handler that was there
// before, so stderr keeps working. One instance at a time.
class LogFileHandler {
public:
    explicit LogFileHandler(const QString &appDir, qint64 maxBytes = 1024 * 1024);
    ~LogFileHandler();
    LogFileHandler(const LogFileHandler &) = delete;
    LogFileHandler &operator=(const LogFileHandler &) = delete;

    // false when the folder or the file could not be made: messages then go only
    // where they went before.
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }

    // <appDir>/LOG, where the log and the wire traces live.
    static QString folder(const QString &appDir);

private:
    QString m_path;
    bool m_open = false;
};

// How a shown message is written to the log: every line of the text and the
// title by its base text id ("#308"; a text with placeholders as "#377(what
// filled them)"), a line that is none of the table's texts in quotes.
QString DescribeShownText(const QString &text);

// Logs one message box: title, text, button flags and the answer (0 for the
// platform's plain box).
void LogShownMessage(const QString &text, int flags, const QString &title, int answer, bool plain = false);
