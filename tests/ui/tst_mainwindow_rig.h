#pragma once
// The whole program in one process on the simulated ECU, with short link timers
// and a message hook that records what the fitter was told and answers from a script.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QtTest>

#include "app/texts.h"
#include "link/imagerestore.h"
#include "link/link.h"
#include "live/chartmodel.h"
#include "live/livedisplay.h"
#include "live/livestate.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/mapoperations.h"
#include "mapeditor/widgets/grafici.h"
#include "support/linkwait.h"
#include "tools/ecusim/simtransport.h"
#include "ui/common/pictures.h"
#include "ui/kalibron.h"
#include "ui/menutext.h"
#include "ui/programcontext.h"

struct MainWindowRig {
    QTemporaryDir dir;
    FrameState frame;
    LiveState live;
    ChartModel chart{live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))};
    Recorder recorder{live};
    LiveDisplay display{live, chart, recorder};
    MapModel map;
    SimConfig sim;
    QPointer<SimTransport> port;   // the simulated ECU of the last connection
    Link link{frame,
              live,
              chart,
              recorder,
              [this](const QString &) {
                  auto t = std::make_unique<SimTransport>(sim);
                  port = t.get();
                  return std::unique_ptr<Transport>(std::move(t));
              },
              LinkTiming{10, 700, 3000, 1500}};
    MapOperations mapOps{frame, live, map, link};
    ImageRestore restore{frame, link};
    ProgramContext ctx{frame, live, chart, recorder, display, map, link, mapOps, restore};
    QList<Kalibron::ShownMessage> shown;
    QList<int> answers;   // next answers; when empty: No to questions, OK to the rest
    std::unique_ptr<Kalibron> win;

    explicit MainWindowRig(int lingua = 4)
    {
        frame.PercorsoApp = dir.path();
        frame.LinguaCorrente = frame.LinguaScelta = quint8(lingua);
    }

    Kalibron &start()
    {
        win = std::make_unique<Kalibron>(ctx);
        win->setMessageHook([this](const Kalibron::ShownMessage &m) {
            shown.append(m);
            return !answers.isEmpty() ? answers.takeFirst() : (m.flags & 15) == 4 ? 7 : 1;
        });
        win->load();
        win->resize(1280, 800);
        win->show();
        return *win;
    }

    QString text(int baseId) const { return Testo(frame.id(baseId)); }
    QString path(int a, int b) const { return StripAmpersands(text(a).trimmed() + " - " + text(b).trimmed()); }
    QAction *menu(const char *name) const { return win->findChild<QAction *>(QLatin1String(name)); }
    bool ready() const { return win->link().state().EcuReady; }
    bool imageFiles() const
    {
        return QFile::exists(frame.file("LETTURA.PRG")) || QFile::exists(frame.file("LETTURAN.PRG"));
    }
    bool connectToReady()
    {
        win->AttivoComClick();
        return waitWhileTalking(link, [this] { return ready(); });
    }

    // The enabling table: ECU commands follow readiness, acquisition commands the recording.
    void checkCommands(bool isReady, bool recording) const
    {
        const struct {
            QObject *control;
            bool on;
        } rows[] = {{win->toolbarAction("Salva_Dati"), isReady},
                    {win->toolbarAction("Inf_Centr"), isReady},
                    {menu("MenuM(0)"), isReady},
                    {menu("MainMenu(1)"), isReady},
                    {menu("MenuConf(0)"), !isReady},
                    {win->toolbarAction("Inizio_Acq"), !recording},
                    {menu("MenuA(0)"), !recording},
                    {win->toolbarAction("Stop_Acq"), recording},
                    {menu("MenuA(1)"), recording},
                    {win->statusPanel("Visualizzo"), !recording},
                    {win->statusPanel("Registro"), recording},
                    {win->grafici()->Azzero(), isReady}};
        for (const auto &r : rows)
            QVERIFY2(r.control->property("enabled").toBool() == r.on, qPrintable(r.control->objectName()));
        QCOMPARE(win->grafici()->editorEnabled(), isReady);
    }
};

// Runs `act` on the next modal dialog once it is up: a modal dialog blocks the caller.
struct ModalWatcher {
    QString seen, title;   // of the dialog met; "" when none came
    QTimer timer;
    explicit ModalWatcher(std::function<void(QWidget *)> act)
    {
        timer.callOnTimeout([this, act] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                timer.stop();
                seen = w->objectName(), title = w->windowTitle();
                act(w);
            }
        });
        timer.start(10);
    }
    static void reject(QWidget *dlg) { static_cast<QDialog *>(dlg)->done(QDialog::Rejected); }
};
