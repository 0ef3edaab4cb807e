#pragma once
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "link/imagerestore.h"
#include "link/link.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/mapoperations.h"
#include "support/fakelinkui.h"
#include "support/linkwait.h"

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

    LinkRig() : chart(live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))), recorder(live)
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
        QFile ini(file("CONFIG.INI"));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[PORTE]\r\nCOM1=" + device.toLocal8Bit() + "\r\n");
        return true;
    }
};
