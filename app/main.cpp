// Program entry: one copy per application folder, the owners of the program-wide
// state built in order, then the main window.
#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QScreen>
#include <cstdio>

#include "app/log.h"
#include "app/settings.h"
#include "app/startup.h"
#include "link/imagerestore.h"
#include "link/link.h"
#include "link/transportfactory.h"
#include "live/chartmodel.h"
#include "live/livedisplay.h"
#include "live/livestate.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/mapoperations.h"
#include "tools/ecusim/simtransport.h"
#include "ui/kalibron.h"
#include "ui/programcontext.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalibron"));
    QApplication::setOrganizationName(QStringLiteral("VARSENO"));

    QString error;
    const QString folder = CartellaApplicazione(QApplication::arguments(), QApplication::applicationDirPath(), &error);
    if (folder.isEmpty() && !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const std::unique_ptr<QLockFile> instance = BloccaIstanza(folder.isEmpty() ? QStringLiteral("/") : folder);
    if (!instance)
        return 0;   // another copy runs on this folder: end silently
    QDir::setCurrent(folder.isEmpty() ? QStringLiteral("/") : folder);
    // Only the copy that owns the folder writes its log.
    const LogFileHandler log(folder.isEmpty() ? QStringLiteral("/") : folder);

    FrameState frame;
    frame.PercorsoApp = folder;
    LeggiLingua(frame);
    LeggiEdizione(frame, CodiceEdizione());
    const QString edition = frame.EdizioneQEL     ? QStringLiteral("QEL")
                            : frame.EdizioneTUBAN ? QStringLiteral("TUBAN")
                                                  : QStringLiteral("standard");
    qCInfo(lcUi).noquote() << QStringLiteral("kalibron %1.%2 started, edition %3 (code \"%4\"), language %5, folder %6")
                                  .arg(KALIBRON_VERSION_MAJOR)
                                  .arg(KALIBRON_VERSION_MINOR)
                                  .arg(edition, CodiceEdizione())
                                  .arg(frame.LinguaCorrente)
                                  .arg(QDir::toNativeSeparators(frame.PercorsoApp));
    if (!log.isOpen())
        qCWarning(lcUi).noquote() << "no log file: cannot write" << QDir::toNativeSeparators(log.path());

    LiveState live;
    ChartModel chart(live, frame.file(QStringLiteral("DATI_GRAF.GRF")));
    Recorder recorder(live);
    LiveDisplay display(live, chart, recorder);
    MapModel map;
    // The built-in simulated ECU answers at the speed of a real cable, so the
    // fitter in training sees the read progress as in the workshop.
    // Its memory outlives a connection, as a real ECU's does.
    SimConfig simulated;
    simulated.paced = true;
    simulated.memory = std::make_shared<QVector<int>>();
    TransportFactory transports =
        MakeTransportFactory([simulated] { return std::make_unique<SimTransport>(simulated); });
    Link link(frame, live, chart, recorder, transports);
    MapOperations mapOps(frame, live, map, link);
    ImageRestore restore(frame, link);
    ProgramContext ctx{frame, live, chart, recorder, display, map, link, mapOps, restore};

    Kalibron w(ctx);
    w.load();
    // A workshop screen is given over to the program: start filling it.
    if (const QScreen *screen = w.screen())
        w.setGeometry(screen->availableGeometry());
    w.showMaximized();
    const int status = app.exec();
    qCInfo(lcUi) << "kalibron ended, status" << status;
    return status;
}
