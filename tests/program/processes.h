#pragma once
#include <QProcess>

// Started helpers and program copies: environment to start them in, and an end that cannot leave one behind.
inline QProcessEnvironment environmentWith(const QString &name, const QString &value)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(name, value);
    return env;
}

inline void stopProcess(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(2000);
    }
}
