// The simulated ECU on a pseudo-terminal, for running the program against it.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/ecusim/ptyhost.h"
#include "tools/ecusim/simconfig.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    text += QStringLiteral("\nFaults (--fault, repeatable):\n");
    for (const QString &line : SimConfig::faultHelp())
        text += QStringLiteral("  ") + line + QLatin1Char('\n');
    return text;
}

}   // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ecusim"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated ECU on a pseudo-terminal; PATH becomes a link to its serial device."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Link to create for the device."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("Line speed the replies are paced at, 10 bits a character (0: no pacing)."), QStringLiteral("N"),
        QStringLiteral("19200"));
    const QCommandLineOption variant(QStringLiteral("variant"),
                                     QStringLiteral("Software variant: aa (version ends in AA) or other."),
                                     QStringLiteral("aa|other"), QStringLiteral("aa"));
    const QCommandLineOption fault(QStringLiteral("fault"), QStringLiteral("Fault to commit (list below)."),
                                   QStringLiteral("NAME[=ARG]"));
    const QCommandLineOption rate(QStringLiteral("rate"), QStringLiteral("Live frames per second (1..100)."),
                                  QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption size(QStringLiteral("image-size"), QStringLiteral("Values in the memory image."),
                                  QStringLiteral("N"), QStringLiteral("2900"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the engine model and the faults."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption chunk(QStringLiteral("chunk-ms"),
                                   QStringLiteral("Deliver what has come over the line every N ms, as a USB adapter "
                                                  "does; 0: character by character, as a plain UART (0..255, "
                                                  "paced lines only)."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({help, link, baud, variant, fault, rate, size, seed, chunk});
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << "\n";
        return 2;
    }
    if (parser.isSet(help)) {
        out << helpText(parser);
        return 0;
    }

    SimConfig config;
    bool ok = true;
    const QString v = parser.value(variant).toLower();
    if (v != QLatin1String("aa") && v != QLatin1String("other")) {
        err << "--variant: aa or other\n";
        return 2;
    }
    config.variant = v == QLatin1String("aa") ? 0 : 1;
    config.liveFramesPerSecond = parser.value(rate).toInt(&ok);
    if (!ok || config.liveFramesPerSecond < 1 || config.liveFramesPerSecond > 100) {
        err << "--rate: 1 to 100\n";
        return 2;
    }
    config.imageSize = parser.value(size).toInt(&ok);
    if (!ok || config.imageSize < 1 || config.imageSize > 29970) {
        err << "--image-size: 1 to 29970\n";
        return 2;
    }
    config.seed = parser.value(seed).toUInt(&ok);
    const int lineBaud = parser.value(baud).toInt(&ok);
    if (!ok || lineBaud < 0) {
        err << "--baud: a whole number, 0 for no pacing\n";
        return 2;
    }
    config.chunkMs = parser.value(chunk).toInt(&ok);
    if (!ok || config.chunkMs < 0 || config.chunkMs > 255) {
        err << "--chunk-ms: 0 to 255\n";
        return 2;
    }
    for (const QString &f : parser.values(fault)) {
        QString why;
        if (!config.addFault(f, &why)) {
            err << why << "\n";
            return 2;
        }
    }
    if (!parser.isSet(link)) {
        err << "--link PATH is required\n" << helpText(parser);
        return 2;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        err << "socketpair failed\n";
        return 1;
    }
    QSocketNotifier stopper(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    PtyHost host(config, lineBaud);
    QString why;
    if (!host.open(parser.value(link), &why)) {
        err << why << "\n";
        return 1;
    }
    out << "ecusim: " << parser.value(link) << " -> " << host.slaveName() << Qt::endl;
    const int status = app.exec();
    host.close();
    return status;
}
