#include "ui/kalibron.h"

#include <QCloseEvent>
#include <QFile>
#include <QMdiArea>

#include "app/settings.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/livedisplay.h"
#include "live/livestate.h"
#include "live/recorder.h"
#include "live/widgets/boxdati.h"
#include "live/widgets/livechart.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/mapoperations.h"
#include "mapeditor/widgets/grafici.h"
#include "mapeditor/widgets/valprog.h"
#include "ui/common/attesa.h"
#include "ui/common/pictures.h"

Kalibron::Kalibron(ProgramContext &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx), m_link(&ctx.link)
{
    setObjectName(QStringLiteral("Kalibron"));
    m_link->setUi(this);
    // Every timer is off until the window has loaded.
    m_link->InterpretoDati().stop();
    m_visDati.setInterval(200);
    connect(&m_visDati, &QTimer::timeout, this, [this] { m_ctx.display.VisDatiTick(); });

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("AreaMdi"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(m_mdi);

    buildMenus();
    buildToolbar();
    buildStatusBar();
    m_attesa = new Attesa(ctx.frame, this);
}

Kalibron::~Kalibron()
{
    m_visDati.stop();
    m_ctx.display.setView(nullptr);
    m_ctx.chart.setLiveWatchdog(nullptr);
    m_ctx.recorder.setMessageSink(nullptr, m_ctx.frame.LinguaCorrente);
    // The link outlives the window: it must not call back into it.
    if (m_link->portOpen())
        m_link->Disconnetti();
    m_link->InterpretoDati().stop();
    m_link->setUi(nullptr);
    m_link->setWireTrace(nullptr);
    if (m_busyCursor)
        setBusyCursor(false);
}

void Kalibron::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    FrameState &frame = m_ctx.frame;

    // 1. Live channels and a clean session: nothing left from an earlier run.
    InitLiveChannels(m_ctx.live, frame.LinguaCorrente);
    m_link->resetSession();
    m_ctx.live.LiveDisplayEnabled = false;
    m_ctx.map.edit().PageModified.fill(false);
    for (const char *name : {"LETTURA.PRG", "LETTURA1.PRG", "LETTURAN.PRG"})
        QFile::remove(frame.file(QLatin1String(name)));

    // 2. Captions, hints, panels and the ECU-dependent commands.
    SetMenuCaptions();

    // 3. Parameter records and a reset editor.
    m_ctx.map.AssignParameterRecords(m_link->state().VarianteCentralina);
    m_ctx.map.ResetMapEditorState();

    // 4. Viewing state.
    m_ctx.recorder.setMessageSink(this, frame.LinguaCorrente);
    SetRecordingIdle();

    // 5. Serial settings.
    LeggiConfigSeriale(frame);

    // 6. Connect / disconnect faces; the link is closed.
    m_attivo->setFaceIds(frame.id(119), frame.id(119), frame.id(119));
    m_disattivo->setFaceIds(frame.id(120), frame.id(120), frame.id(120));
    setConnectButtons(false);

    // 7. The map editor, maximized in the MDI area.
    m_grafici = new Grafici(frame, m_ctx.live, m_ctx.chart, m_ctx.map, *this);
    m_mdi->addSubWindow(m_grafici);
    m_grafici->showMaximized();
    m_mdi->setActiveSubWindow(m_grafici);
    m_grafici->widget()->setFocus();
    connect(m_grafici, &Grafici::connectKey, this, [this] {
        if (m_attivo->isEnabled())
            AttivoComClick();
    });
    connect(m_grafici, &Grafici::disconnectKey, this, [this] {
        if (m_disattivo->isEnabled())
            DisattivoComClick();
    });
    connectEditor();
    m_ctx.display.setLanguage(frame.LinguaCorrente);
    m_ctx.display.setView(m_grafici->boxDati());
    m_ctx.chart.setLiveWatchdog(&m_link->TimeOutDati());

    // 8. The wire trace, when the fitter left it on for support.
    m_link->setWireTrace(&m_trace);
    if (TraceSwitchedOn(frame))
        m_trace.start(frame.PercorsoApp);
    m_menuUti[1]->setChecked(m_trace.isActive());

    // 9. The interpreter and the display tick run from now on.
    m_link->InterpretoDati().start();
    m_visDati.start();
}

// The editor's buttons start the map operations; what the link reports comes back to the pages.
void Kalibron::connectEditor()
{
    MapOperations &ops = m_ctx.mapOps;
    connect(m_grafici, &Grafici::applicaClicked, this,
            [this](int choice) { m_ctx.mapOps.apply(m_grafici->currentPage(), choice); });
    connect(m_grafici, &Grafici::memorClicked, this, &Kalibron::storePage);
    connect(m_grafici, &Grafici::memor1Clicked, this, [this] { m_ctx.mapOps.storeMapping(); });
    m_grafici->setF6StoreHandler([this] { return m_ctx.mapOps.storeMapping(); });
    connect(&ops, &MapOperations::valueBoxesSent, m_grafici, &Grafici::clearValueBoxColours);
}

void Kalibron::storePage()
{
    if (!m_link->portOpen())
        return;
    const int choice = AskProgramChoice(m_ctx.frame, m_ctx.map.edit(), this);
    afterDialog();
    if (choice >= 0)
        m_ctx.mapOps.storePage(m_grafici->currentPage(), choice);
}

void Kalibron::AttivoComClick()
{
    m_link->Connetti();
}

void Kalibron::DisattivoComClick()
{
    m_link->Disconnetti();
}

void Kalibron::closeEvent(QCloseEvent *event)
{
    // Leaving with the link open closes it properly: a recording is written out
    // and the image files go.
    if (m_link->portOpen())
        m_link->Disconnetti();
    ChiudiFinestre();
    m_visDati.stop();
    m_link->InterpretoDati().stop();
    event->accept();
}
