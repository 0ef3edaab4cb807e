// Measures, on a private Xvfb display:
//  1. start-up to the main window shown, kalibron against a minimal Qt Widgets
//     program (median of several launches each);
//  2. CPU use of kalibron over 30 s while ecusim streams live frames at the
//     highest rate 19200 baud allows, with the chart visible.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <functional>
#include <cstdio>
#include <unistd.h>

#include "program/processes.h"

namespace {

QString g_display;

QProcessEnvironment xEnv()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", g_display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    return env;
}

QByteArray xdotool(const QStringList &args)
{
    QProcess x;
    x.setProcessEnvironment(xEnv());
    x.start("xdotool", args);
    x.waitForFinished(30000);
    return x.readAllStandardOutput().trimmed();
}

bool waitFor(const std::function<bool()> &cond, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (cond())
            return true;
        QThread::msleep(20);
    }
    return false;
}

// Milliseconds from the launch to a visible window with this title.
double startupMs(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(xEnv());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.waitForStarted();
    const QString pid = QString::number(p.processId());
    bool seen = waitFor([&] { return !xdotool({"search", "--onlyvisible", "--pid", pid, "--name", "VARSENO"}).isEmpty(); }, 30000);
    const double ms = t.nsecsElapsed() / 1e6;
    stopProcess(p);
    return seen ? ms : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// utime + stime of a process in clock ticks.
long long cpuTicks(qint64 pid)
{
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> parts = s.mid(s.lastIndexOf(')') + 2).split(' ');
    // Fields after the command: state is index 0, utime 11, stime 12.
    return parts.value(11).toLongLong() + parts.value(12).toLongLong();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    int n = 95;
    while (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)))
        ++n;
    g_display = QString(":%1").arg(n);
    QProcess xvfb;
    xvfb.start("Xvfb", {g_display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
    if (!xvfb.waitForStarted() || !waitFor([&] { return QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)); }, 10000)) {
        std::fprintf(stderr, "bench_ui: Xvfb did not start\n");
        return 1;
    }

    const int runs = 5;
    std::vector<double> appMs, minMs;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir d;
        appMs.push_back(startupMs(KALIBRON_PATH, {"--app-dir", d.path()}));
        minMs.push_back(startupMs(MINIMAL_PATH, {}));
    }
    const double a = median(appMs), m = median(minMs);
    std::printf("start-up to main window: kalibron %.0f ms, minimal Qt window %.0f ms, ratio %.2f (median of %d)\n",
                a, m, m > 0 ? a / m : 0.0, runs);

    const QString link = dir.filePath("ttyECU");
    QProcess sim;
    sim.start(ECUSIM_PATH, {"--link", link, "--baud", "19200", "--rate", "15"});
    sim.waitForStarted();
    waitFor([&] { return QFile::exists(link); }, 10000);
    QFile cfg(dir.filePath("CONFIG.INI"));
    cfg.open(QIODevice::WriteOnly);
    cfg.write("[SERIALE]\r\nCOM=COM1\r\n[PORTE]\r\nCOM1=" + link.toLocal8Bit() + "\r\n");
    cfg.close();

    QProcess prog;
    prog.setProcessEnvironment(xEnv());
    prog.start(KALIBRON_PATH, {"--app-dir", dir.path()});
    prog.waitForStarted();
    QByteArray win;
    waitFor([&] { return !(win = xdotool({"search", "--onlyvisible", "--name", "VARSENO"})).isEmpty(); }, 30000);
    win = win.split('\n').first();
    xdotool({"windowfocus", "--sync", win});
    xdotool({"key", "ctrl+F1"});
    if (!waitFor([&] { return QFile::exists(dir.filePath("LETTURAN.PRG")); }, 90000)) {
        std::fprintf(stderr, "bench_ui: the image was not read\n");
        return 1;
    }
    QThread::sleep(3); // let the first frames settle
    const long hz = sysconf(_SC_CLK_TCK);
    const long long c0 = cpuTicks(prog.processId());
    const qint64 grf0 = QFileInfo(dir.filePath("DATI_GRAF.GRF")).size();
    QElapsedTimer t;
    t.start();
    QThread::sleep(30);
    const long long c1 = cpuTicks(prog.processId());
    const double secs = t.nsecsElapsed() / 1e9;
    const double pct = 100.0 * double(c1 - c0) / double(hz) / secs;
    const qint64 grf1 = QFileInfo(dir.filePath("DATI_GRAF.GRF")).size();
    std::printf("streaming with the chart visible: %.1f %% of one core over %.0f s (chart file grew %lld records)\n",
                pct, secs, (long long)((grf1 - grf0) / 130));
    stopProcess(prog);
    stopProcess(sim);
    stopProcess(xvfb);
    return 0;
}
