#pragma once
// The whole program in one process for the main-window tests: the state owners
// built in the order main builds them, the simulated ECU behind every port
// name, short link timers, and a message hook that records what the fitter was
// told and answers from a script.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/framestate.h"
#include "app/texts.h"
#include "link/link.h"
#include "live/chartmodel.h"
#include "live/livedisplay.h"
#include "live/livestate.h"
#include "live/recorder.h"
#include "mapeditor/mapmodel.h"
#include "tools/ecusim/simtransport.h"
#include "ui/kalibron.h"
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
    ProgramContext ctx{frame, live, chart, recorder, display, map, [this](const QString &) {
                           auto t = std::make_unique<SimTransport>(sim);
                           port = t.get();
                           return std::unique_ptr<Transport>(std::move(t));
                       }};
    QList<Kalibron::ShownMessage> shown;
    QList<int> answers;   // next answers; when empty: No to questions, OK to the rest
    std::unique_ptr<Kalibron> win;

    explicit MainWindowRig(int lingua = 4)
    {
        frame.PercorsoApp = dir.path();
        frame.LinguaCorrente = quint8(lingua);
        frame.LinguaScelta = quint8(lingua);
    }

    static LinkTiming timing()
    {
        LinkTiming t;
        t.interpretMs = 10;
        t.liveWatchdogMs = 700;
        t.replyWatchdogMs = 3000;
        t.firstValueReplyMs = 1500;
        return t;
    }

    Kalibron &start()
    {
        win = std::make_unique<Kalibron>(ctx, timing());
        win->setMessageHook([this](const Kalibron::ShownMessage &m) {
            shown.append(m);
            if (!answers.isEmpty())
                return answers.takeFirst();
            return (m.flags & 15) == 4 ? 7 : 1;
        });
        win->load();
        win->resize(1280, 800);
        win->show();
        return *win;
    }

    QString text(int baseId) const { return Testo(frame.id(baseId)); }
    QString file(const char *name) const { return frame.file(QLatin1String(name)); }
    QAction *menu(const QString &name) const { return win->findChild<QAction *>(name); }
    bool ready() const { return win->link().state().EcuReady; }

    bool connectToReady()
    {
        win->AttivoComClick();
        return QTest::qWaitFor([this] { return ready(); }, 30000);
    }
};

// Runs `act` on the next modal dialog as soon as it is up (a modal dialog blocks
// the caller, so the test must reach it from the event loop).
class ModalWatcher : public QObject {
public:
    explicit ModalWatcher(std::function<void(QWidget *)> act) : m_act(std::move(act))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                m_timer.stop();
                seen = w->objectName();
                title = w->windowTitle();
                m_act(w);
            }
        });
        m_timer.start();
    }
    QString seen;    // object name of the dialog met, "" when none came
    QString title;

private:
    std::function<void(QWidget *)> m_act;
    QTimer m_timer;
};
