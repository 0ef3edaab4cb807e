// How close the link comes to the wire: the time from connect to ready against
// the simulated ECU at 19200 baud, over the time every character exchanged
// would take on the wire (10 bits each); and the cost of one live frame.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "link/imagefile.h"
#include "link/transportfactory.h"
#include "link/wiretrace.h"
#include "support/linkrig.h"
#include "tools/ecusim/simframes.h"
#include "tools/ecusim/simulator.h"

namespace {

constexpr int kBaud = 19200;

// Counts what passes through the real transport in both directions.
class CountingTransport : public Transport {
public:
    explicit CountingTransport(std::unique_ptr<Transport> inner) : m_inner(std::move(inner))
    {
        connect(m_inner.get(), &Transport::readyRead, this, &Transport::readyRead);
        connect(m_inner.get(), &Transport::lost, this, &Transport::lost);
    }
    bool open(const PortSettings &s, QString *e) override { return m_inner->open(s, e); }
    void close() override { m_inner->close(); }
    bool isOpen() const override { return m_inner->isOpen(); }
    bool write(const QByteArray &d) override
    {
        out += d.size();
        return m_inner->write(d);
    }
    QByteArray readAll() override
    {
        const QByteArray d = m_inner->readAll();
        in += d.size();
        return d;
    }
    qint64 in = 0;
    qint64 out = 0;

private:
    std::unique_ptr<Transport> m_inner;
};

// Runs the event loop until `done` holds or the time is up.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > ms)
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    return done();
}

double percentile(QList<qint64> v, double p)
{
    std::sort(v.begin(), v.end());
    const int i = std::clamp(int(p * (v.size() - 1) + 0.5), 0, int(v.size()) - 1);
    return v[i] / 1000.0;
}

}   // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // bench_link [runs] [--trace]: --trace records every byte as the support trace does.
    int runs = 3;
    bool traced = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--trace")
            traced = true;
        else
            runs = std::max(1, atoi(argv[i]));
    }
    const int liveFrames = 2000;
    QTextStream out(stdout);

    LinkRig rig;
    const QString device = rig.dir.filePath(QStringLiteral("ecu"));
    if (!rig.mapCom1(device))
        return 1;

    QProcess ecusim;
    ecusim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ecusim.start(QStringLiteral(ECUSIM_PATH),
                 {QStringLiteral("--link"), device, QStringLiteral("--baud"), QString::number(kBaud)});
    if (!waitFor([&] { return QFileInfo(device).isSymLink(); }, 5000)) {
        out << "ecusim did not start\n";
        return 1;
    }

    CountingTransport *counter = nullptr;
    const TransportFactory serial = MakeTransportFactory();
    Link &link = rig.makeLink([&](const QString &name) -> std::unique_ptr<Transport> {
        auto t = std::make_unique<CountingTransport>(serial(name));
        counter = t.get();
        return t;
    });
    WireTrace trace;
    if (traced) {
        if (!trace.start(rig.dir.path())) {
            out << "cannot start the wire trace\n";
            return 1;
        }
        link.setWireTrace(&trace);
        out << "wire trace on\n";
    }

    out << "connect to ready, default image (2900 values), " << kBaud << " baud\n";
    QList<double> ratios;
    for (int r = 0; r < runs; ++r) {
        bool ready = false;
        qint64 readyNs = 0, in = 0, outBytes = 0;
        QElapsedTimer clock;
        auto conn = QObject::connect(&link, &Link::ecuReadyChanged, &link, [&](bool isReady) {
            if (!isReady || ready)
                return;
            ready = true;
            readyNs = clock.nsecsElapsed();
            counter->readAll();   // whatever is waiting was received before ready too
            in = counter->in;
            outBytes = counter->out;
        });
        clock.start();
        link.Connetti();
        if (!waitFor([&] { return ready; }, 60000)) {
            out << "run " << r + 1 << ": not ready after 60 s\n";
            return 1;
        }
        QObject::disconnect(conn);
        const double measured = readyNs / 1e9;
        const double wire = (in + outBytes) * 10.0 / kBaud;
        ratios << measured / wire;
        out << QStringLiteral("  run %1: %2 s measured, %3 characters (%4 in, %5 out) = %6 s on the wire, ratio %7\n")
                   .arg(r + 1)
                   .arg(measured, 0, 'f', 3)
                   .arg(in + outBytes)
                   .arg(in)
                   .arg(outBytes)
                   .arg(wire, 0, 'f', 3)
                   .arg(measured / wire, 0, 'f', 4);
        out.flush();
        if (r + 1 < runs)
            link.Disconnetti();
    }
    std::sort(ratios.begin(), ratios.end());
    out << QStringLiteral("  median ratio %1 (aim <= 1.05)\n").arg(ratios[ratios.size() / 2], 0, 'f', 4);

    // The whole image written back, from "MU0" to the final "R1".
    out << "whole-image upload of the image just read, " << kBaud << " baud\n";
    ratios.clear();
    const QByteArray image = LeggiImmagine(rig.file("LETTURA.PRG"));
    for (int r = 0; r < runs; ++r) {
        qint64 startIn = 0, startOut = 0;
        QElapsedTimer clock;
        auto atMu0 = QObject::connect(&link, &Link::sent, &link, [&](const QByteArray &line) {
            if (line.startsWith("MU0")) {
                clock.start();
                startIn = counter->in;
                startOut = counter->out - line.size();
            }
        });
        bool done = false, ok = false;
        qint64 ns = 0, chars = 0;
        auto atEnd = QObject::connect(&link, &Link::operationFinished, &link, [&](LinkOperation, bool good, int) {
            ns = clock.nsecsElapsed();
            chars = counter->in - startIn + counter->out - startOut - 5;   // the closing "MU1" is not timed
            done = true;
            ok = good;
        });
        if (!link.startImageUpload(image, LinkOperation::RestoreImage) || !waitFor([&] { return done; }, 60000)
            || !ok) {
            out << "run " << r + 1 << ": the upload did not complete\n";
            return 1;
        }
        QObject::disconnect(atMu0);
        QObject::disconnect(atEnd);
        const double wire = chars * 10.0 / kBaud;
        ratios << ns / 1e9 / wire;
        out << QStringLiteral("  run %1: %2 s measured, %3 characters = %4 s on the wire, ratio %5\n")
                   .arg(r + 1)
                   .arg(ns / 1e9, 0, 'f', 3)
                   .arg(chars)
                   .arg(wire, 0, 'f', 3)
                   .arg(ratios.last(), 0, 'f', 4);
        out.flush();
    }
    std::sort(ratios.begin(), ratios.end());
    out << QStringLiteral("  median ratio %1 (aim <= 1.05)\n").arg(ratios[ratios.size() / 2], 0, 'f', 4);

    // Live frames made by the simulator's engine, handed to the interpreter
    // directly, on the mapping page so that live tuning runs too.
    Simulator sim;
    sim.feed(ecusim::sealed("MGA000034000001"));
    sim.advanceTo(qint64(liveFrames) * 100 + 50);
    QList<QByteArray> frames;
    const QByteArray all = sim.takeOutput();
    for (qsizetype from = 0, lf; (lf = all.indexOf('\n', from)) >= 0; from = lf + 1)
        frames << all.mid(from, lf - from + 1);
    rig.ui.currentPage = 0;
    QList<qint64> costs;
    QElapsedTimer clock;
    for (const QByteArray &f : frames) {
        clock.start();
        link.InterpretaRisposta(f);
        costs << clock.nsecsElapsed() / 1000;
    }
    out << QStringLiteral(
               "one live frame through InterpretaRisposta (%1 frames): median %2 ms, 99th percentile %3 ms\n")
               .arg(costs.size())
               .arg(percentile(costs, 0.5), 0, 'f', 3)
               .arg(percentile(costs, 0.99), 0, 'f', 3);
    out.flush();

    link.Disconnetti();
    if (traced) {
        trace.stop();
        out << QStringLiteral("wire trace: %1 bytes\n").arg(QFileInfo(trace.filePath()).size());
    }
    ecusim.terminate();
    waitFor([&] { return ecusim.state() == QProcess::NotRunning; }, 3000);
    return 0;
}
