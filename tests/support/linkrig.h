#pragma once
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "link/imagerestore.h"
#include "link/link.h"
#include "link/transportfactory.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/mapoperations.h"
#include "support/fakelinkui.h"
#include "support/files.h"
#include "support/linkwait.h"
#include "tools/ecusim/simtransport.h"

// Everything a Link is built with, in a scratch application folder, behind a
// fake window; `makeLink` adds the link on the transports the caller chooses.
struct LinkRig {
    QTemporaryDir dir;
    FrameState frame;
    LiveState live;
    MapModel map;
    ChartModel chart;
    Recorder recorder;
    FakeLinkUi ui;
    std::unique_ptr<Link> link;   // after what it refers to: it is destroyed first
    std::unique_ptr<MapOperations> mapOps;
    std::unique_ptr<ImageRestore> restore;

    LinkRig() : chart(live, dir.filePath("DATI_GRAF.GRF")), recorder(live)
    {
        frame.PercorsoApp = dir.path();
        InitLiveChannels(live, frame.LinguaCorrente);
    }

    ~LinkRig() { dropLink(); }

    // The link and what listens to it, newest first.
    void dropLink()
    {
        restore.reset();
        mapOps.reset();
        link.reset();
    }

    Link &makeLink(TransportFactory transports, LinkTiming timing = {})
    {
        dropLink();
        link = std::make_unique<Link>(frame, live, chart, recorder, std::move(transports), timing);
        link->setUi(&ui);
        mapOps = std::make_unique<MapOperations>(frame, live, map, *link);
        restore = std::make_unique<ImageRestore>(frame, *link);
        return *link;
    }

    QString file(const char *name) const { return frame.file(QString::fromLatin1(name)); }
    bool imagesGone() const { return !QFile::exists(file("LETTURA.PRG")) && !QFile::exists(file("LETTURAN.PRG")); }

    // Points COM1 of CONFIG.INI at `device`.
    bool mapCom1(const QString &device) const
    {
        return WriteFile(file("CONFIG.INI"), "[PORTE]\r\nCOM1=" + device.toLocal8Bit() + "\r\n");
    }
};

// A link whose COM1 is the in-process simulated ECU, told to commit `fault`; `config` may change until connecting.
struct SimLinkRig : LinkRig {
    SimConfig config;
    QPointer<SimTransport> ecu;   // of the last connection

    SimLinkRig(const QString &fault, LinkTiming timing)
    {
        config.liveFramesPerSecond = 20;
        if (!fault.isEmpty() && !config.addFault(fault))
            qFatal("unknown simulator fault %s", qPrintable(fault));
        mapCom1(QStringLiteral("SIMULATORE"));
        makeLink(MakeTransportFactory([this]() -> std::unique_ptr<Transport> {
                     auto t = std::make_unique<SimTransport>(config);
                     ecu = t.get();
                     return t;
                 }),
                 timing);
    }
    ~SimLinkRig() { dropLink(); }   // before the config its transports refer to
    bool waitFor(const std::function<bool()> &done) { return waitWhileTalking(*link, done); }
    bool connectToReady()
    {
        link->Connetti();
        return waitFor([this] { return link->state().EcuReady; });
    }
};
