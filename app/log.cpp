#include "app/log.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <memory>

#include "app/rotatinglogfile.h"
#include "app/texts.h"

Q_LOGGING_CATEGORY(lcLink, "kalibron.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSession, "kalibron.session", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLive, "kalibron.live", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRecording, "kalibron.recording", QtInfoMsg)
Q_LOGGING_CATEGORY(lcArchive, "kalibron.archive", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "kalibron.ui", QtInfoMsg)

namespace {

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "DEBUG";
    case QtInfoMsg: return "INFO";
    case QtWarningMsg: return "WARNING";
    case QtCriticalMsg: return "CRITICAL";
    case QtFatalMsg: return "FATAL";
    }
    return "?";
}

// Messages come from any thread; the file is shared.
QMutex g_mutex;
std::unique_ptr<RotatingLogFile> g_file;
QtMessageHandler g_previous = nullptr;
// A message raised while writing one (a file warning) must not come back in.
thread_local bool t_writing = false;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!t_writing) {
        t_writing = true;
        {
            QMutexLocker lock(&g_mutex);
            if (g_file)
                g_file->append(FormatLogLine(QDateTime::currentDateTime(), context.category, type, message));
        }
        t_writing = false;
    }
    if (g_previous)
        g_previous(type, context, message);
}

}   // namespace

QByteArray FormatLogLine(const QDateTime &when, const char *category, QtMsgType type, const QString &message)
{
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\\n")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8() + ' '
           + QByteArray(category && *category ? category : "default") + ' ' + levelName(type) + ' ' + text.toUtf8()
           + '\n';
}

QString LogFileHandler::folder(const QString &appDir)
{
    return QDir(appDir).filePath(QStringLiteral("LOG"));
}

LogFileHandler::LogFileHandler(const QString &appDir, qint64 maxBytes)
    : m_path(QDir(folder(appDir)).filePath(QStringLiteral("kalibron.log")))
{
    if (!QDir().mkpath(folder(appDir)))
        return;
    {
        QMutexLocker lock(&g_mutex);
        if (g_file)
            return;   // a second handler would call itself as "the previous one"
    }
    auto file = std::make_unique<RotatingLogFile>(m_path, maxBytes);
    // An empty line proves the file writable and sets runs apart.
    if (!file->append("\n"))
        return;
    {
        QMutexLocker lock(&g_mutex);
        g_file = std::move(file);
    }
    g_previous = qInstallMessageHandler(handler);
    m_open = true;
}

LogFileHandler::~LogFileHandler()
{
    if (!m_open)
        return;
    qInstallMessageHandler(g_previous);
    QMutexLocker lock(&g_mutex);
    g_file.reset();
}

QString DescribeShownText(const QString &text)
{
    QStringList parts;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        QStringList args;
        const int id = TestoBaseId(line, &args);
        if (id == 0)
            parts << QLatin1Char('"') + line + QLatin1Char('"');
        else if (args.isEmpty())
            parts << QLatin1Char('#') + QString::number(id);
        else
            parts << QStringLiteral("#%1(%2)").arg(id).arg(args.join(QStringLiteral("; ")));
    }
    return parts.join(QStringLiteral(" + "));
}

void LogShownMessage(const QString &text, int flags, const QString &title, int answer, bool plain)
{
    if (plain) {
        qCInfo(lcUi).noquote() << "plain message" << DescribeShownText(title) << "text" << DescribeShownText(text);
        return;
    }
    qCInfo(lcUi).noquote() << "message" << DescribeShownText(title) << "text" << DescribeShownText(text) << "flags"
                           << flags << "answer" << answer;
}
