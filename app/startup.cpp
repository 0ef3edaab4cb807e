#include "app/startup.h"

#include <QDir>
#include <QLockFile>

QString NormalizzaPercorso(const QString &folder)
{
    QString p = folder.trimmed();
    if (p.endsWith(QLatin1Char('/')) || p.endsWith(QLatin1Char('\\')))
        p.chop(1);
    return p;
}

QString CartellaApplicazione(const QStringList &arguments, const QString &exeDir, QString *error)
{
    QString dir = exeDir;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--app-dir") && i + 1 < arguments.size()) {
            dir = arguments.at(++i);
        } else if (a.startsWith(QLatin1String("--app-dir="))) {
            dir = a.mid(10);
        } else {
            if (error)
                *error = QStringLiteral("usage: kalibron [--app-dir DIR]");
            return QString();
        }
    }
    const QString abs = QDir(dir).absolutePath();
    if (!QDir(abs).exists()) {
        if (error)
            *error = QStringLiteral("kalibron: no such folder: %1").arg(dir);
        return QString();
    }
    return NormalizzaPercorso(abs);
}

void LeggiEdizione(FrameState &frame, const QString &code)
{
    frame.EdizioneQEL = false;
    frame.EdizioneTUBAN = false;
    const QString c = code.toUpper().trimmed();
    if (c == QLatin1String("QEL"))
        frame.EdizioneQEL = true;
    else if (c == QLatin1String("TUBAN"))
        frame.EdizioneTUBAN = true;
}

QString CodiceEdizione()
{
    return QStringLiteral(KALIBRON_EDITION);
}

std::unique_ptr<QLockFile> BloccaIstanza(const QString &percorsoApp)
{
    auto lock = std::make_unique<QLockFile>(percorsoApp + QStringLiteral("/.kalibron.lock"));
    // Held for the whole run: never stale by age; a crashed copy's lock is
    // still taken over because its process is gone.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError)
            return nullptr;
        // The folder cannot hold a lock (read-only medium): run without one.
        return std::make_unique<QLockFile>(QString());
    }
    return lock;
}
