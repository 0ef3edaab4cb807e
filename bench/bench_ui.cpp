// Measures, on a private Xvfb display:
//  1. start-up to the main window shown, kalibron against a minimal Qt Widgets
//     program (median of several launches each);
//  2. CPU use and wake-ups of kalibron while live frames stream with the chart
//     visible, in three cases: ecusim on a pseudo-terminal at 19200 baud
//     handing over every character as a plain UART does, the same in 16 ms
//     chunks as a USB adapter does, and the built-in simulated ECU of the demo.
//
// Wake-ups are the voluntary context switches of the main thread
// (/proc/<pid>/status): each is one return from the event loop's poll().
// Those of every thread are shown beside them.
//
//   bench_ui [--seconds N] [--no-startup]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
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

QByteArray mainWindowOf(qint64 pid)
{
    return xdotool({"search", "--onlyvisible", "--pid", QString::number(pid), "--name", "VARSENO"});
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
    bool seen = waitFor([&] { return !mainWindowOf(p.processId()).isEmpty(); }, 30000);
    const double ms = t.nsecsElapsed() / 1e6;
    stopProcess(p);
    return seen ? ms : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QByteArray loadAverage()
{
    QFile f("/proc/loadavg");
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.mid(0, 3).join(' ');
}

// utime + stime of a process (every thread) in clock ticks.
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

long long voluntarySwitches(const QString &statusPath)
{
    QFile f(statusPath);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return 0;
}

// Main thread alone, and every thread alive now (a thread that ended takes its count along).
std::pair<long long, long long> wakeUps(qint64 pid)
{
    const QString proc = QString("/proc/%1").arg(pid);
    long long all = 0;
    const QStringList tasks = QDir(proc + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks)
        all += voluntarySwitches(proc + "/task/" + task + "/status");
    return {voluntarySwitches(proc + "/status"), all};
}

struct StreamCase {
    const char *name;
    QStringList ecusimArgs;   // empty: the built-in simulated ECU
};

// Connects kalibron to the case's ECU, waits for the image, then measures.
bool measureStreaming(const StreamCase &c, int seconds)
{
    QTemporaryDir dir;
    QProcess sim;
    QByteArray device = "SIMULATORE";
    if (!c.ecusimArgs.isEmpty()) {
        const QString link = dir.filePath("ttyECU");
        sim.start(ECUSIM_PATH, QStringList{"--link", link} + c.ecusimArgs);
        sim.waitForStarted();
        if (!waitFor([&] { return QFile::exists(link); }, 10000)) {
            std::fprintf(stderr, "bench_ui: ecusim did not start\n");
            return false;
        }
        device = link.toLocal8Bit();
    }
    QFile cfg(dir.filePath("CONFIG.INI"));
    cfg.open(QIODevice::WriteOnly);
    cfg.write("[SERIALE]\r\nCOM=COM1\r\n[PORTE]\r\nCOM1=" + device + "\r\n");
    cfg.close();

    QProcess prog;
    prog.setProcessEnvironment(xEnv());
    prog.start(KALIBRON_PATH, {"--app-dir", dir.path()});
    prog.waitForStarted();
    QByteArray win;
    waitFor([&] { return !(win = mainWindowOf(prog.processId())).isEmpty(); }, 30000);
    win = win.split('\n').first();
    xdotool({"windowfocus", "--sync", win});
    xdotool({"key", "ctrl+F1"});
    const bool read = waitFor([&] { return QFile::exists(dir.filePath("LETTURAN.PRG")); }, 90000);
    if (!read) {
        std::fprintf(stderr, "bench_ui: %s: the image was not read\n", c.name);
    } else {
        QThread::sleep(3);   // let the first frames settle
        const qint64 pid = prog.processId();
        const long hz = sysconf(_SC_CLK_TCK);
        const QByteArray load0 = loadAverage();
        const long long c0 = cpuTicks(pid);
        const auto [main0, all0] = wakeUps(pid);
        const qint64 grf0 = QFileInfo(dir.filePath("DATI_GRAF.GRF")).size();
        QElapsedTimer t;
        t.start();
        QThread::sleep(seconds);
        const long long c1 = cpuTicks(pid);
        const auto [main1, all1] = wakeUps(pid);
        const double secs = t.nsecsElapsed() / 1e9;
        const qint64 grf1 = QFileInfo(dir.filePath("DATI_GRAF.GRF")).size();
        std::printf("%-26s %4.1f %% of one core, %4.0f wake-ups/s (all threads %4.0f) over %.0f s; "
                    "chart file grew %lld records; load %s -> %s\n",
                    c.name, 100.0 * double(c1 - c0) / double(hz) / secs, double(main1 - main0) / secs,
                    double(all1 - all0) / secs, secs, (long long)((grf1 - grf0) / 130), load0.constData(),
                    loadAverage().constData());
        std::fflush(stdout);
    }
    stopProcess(prog);
    stopProcess(sim);
    return read;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int seconds = 30;
    if (const qsizetype i = args.indexOf("--seconds"); i > 0 && i + 1 < args.size())
        seconds = std::max(1, args.at(i + 1).toInt());
    const bool startup = !args.contains("--no-startup");

    int n = 95;
    while (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)))
        ++n;
    g_display = QString(":%1").arg(n);
    QProcess xvfb;
    xvfb.start("Xvfb", {g_display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
    if (!xvfb.waitForStarted()
        || !waitFor([&] { return QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)); }, 10000)) {
        std::fprintf(stderr, "bench_ui: Xvfb did not start\n");
        return 1;
    }

    if (startup) {
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
        std::fflush(stdout);
    }

    // ecusim at the highest live rate the line carries; the demo streams at its own 10 frames a second.
    const QStringList line{"--baud", "19200", "--rate", "15"};
    const StreamCase cases[] = {
        {"ecusim, per character:", line + QStringList{"--chunk-ms", "0"}},
        {"ecusim, 16 ms chunks:", line + QStringList{"--chunk-ms", "16"}},
        {"demo (SIMULATORE):", {}},
    };
    std::printf("streaming with the chart visible:\n");
    bool ok = true;
    for (const StreamCase &c : cases)
        ok = measureStreaming(c, seconds) && ok;
    stopProcess(xvfb);
    return ok ? 0 : 1;
}
