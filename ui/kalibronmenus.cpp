#include "ui/kalibron.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QWidget>

#include "app/textids.h"
#include "app/texts.h"
#include "archive/widgets/cleardati.h"
#include "archive/widgets/clearniv.h"
#include "archive/widgets/salvatp.h"
#include "link/link.h"
#include "live/livestate.h"
#include "live/recorder.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"
#include "ui/menutext.h"

namespace {

// Toolbar keys in button order, with their icons.
struct ToolKey {
    const char *key;
    int icon;
};
constexpr ToolKey kToolKeys[] = {
    {"Inizio_Acq", 7000}, {"Stop_Acq", 7001}, {"Salva_Dati", 7002},     {"Crea_Dischi", 7003},
    {"Inf_Centr", 7004},  {"Utilita", 7005},  {"Configurazione", 7006}, {"Esci", 7007},
};

QAction *named(QAction *a, const QString &name)
{
    a->setObjectName(name);
    return a;
}

const char *kPanelStyle = "QLabel { padding: 2px 14px; margin: 1px 2px; border: 1px solid #9aa6b1; border-radius: 3px;"
                          " font-weight: bold; }"
                          "QLabel:enabled { background: #2f7d32; color: #ffffff; border-color: #1e5a22; }"
                          "QLabel:disabled { background: transparent; color: #9aa3ab; font-weight: normal; }";

}   // namespace

void Kalibron::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto name = [](const char *array, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(i); };

    // `MainMenu`(0): File, with the acquisition and map submenus.
    m_mainMenus[0] = bar->addMenu(QString());
    m_mainMenu[0] = named(m_mainMenus[0]->menuAction(), name("MainMenu", 0));
    QMenu *acq = m_mainMenus[0]->addMenu(QString());
    m_menuF[0] = named(acq->menuAction(), name("MenuF", 0));
    QMenu *maps = m_mainMenus[0]->addMenu(QString());
    m_menuF[1] = named(maps->menuAction(), name("MenuF", 1));
    m_menuRestore = named(m_mainMenus[0]->addAction(QString()), QStringLiteral("MenuRipristino"));
    m_menuF[2] = named(m_mainMenus[0]->addAction(QString()), name("MenuF", 2));
    m_menuF[3] = named(m_mainMenus[0]->addAction(QString()), name("MenuF", 3));
    for (int i = 0; i < 4; ++i) {
        m_menuA[i] = named(acq->addAction(QString()), name("MenuA", i));
        m_menuM[i] = named(maps->addAction(QString()), name("MenuM", i));
    }
    m_menuView = named(acq->addAction(QString()), QStringLiteral("MenuVisualizza"));
    m_menuA[0]->setShortcut(QKeySequence(Qt::Key_F2));
    m_menuA[1]->setShortcut(QKeySequence(Qt::Key_F5));
    m_menuM[0]->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F2));
    m_menuM[1]->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    m_menuF[3]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));

    // `MainMenu`(1) is a command of its own on the menu bar.
    m_mainMenu[1] = named(bar->addAction(QString()), name("MainMenu", 1));

    m_mainMenus[2] = bar->addMenu(QString());
    m_mainMenu[2] = named(m_mainMenus[2]->menuAction(), name("MainMenu", 2));
    m_menuUti[0] = named(m_mainMenus[2]->addAction(QString()), name("MenuUti", 0));
    m_menuUti[1] = named(m_mainMenus[2]->addAction(QString()), name("MenuUti", 1));
    m_menuUti[1]->setCheckable(true);

    m_mainMenus[3] = bar->addMenu(QString());
    m_mainMenu[3] = named(m_mainMenus[3]->menuAction(), name("MainMenu", 3));
    m_menuConf[0] = named(m_mainMenus[3]->addAction(QString()), name("MenuConf", 0));
    m_menuConf[1] = named(m_mainMenus[3]->addAction(QString()), name("MenuConf", 1));

    m_menuInf = named(bar->addAction(QString()), QStringLiteral("MenuInf"));

    // Items that repeat a toolbar command go through the same dispatcher.
    auto route = [this](QAction *a, const char *key) {
        connect(a, &QAction::triggered, this, [this, key] { MenuPrincipaleClick(QLatin1String(key)); });
    };
    route(m_menuA[0], "Inizio_Acq");
    route(m_menuA[1], "Stop_Acq");
    route(m_menuM[0], "Salva_Dati");
    route(m_menuM[1], "Crea_Dischi");
    route(m_menuF[3], "Esci");
    route(m_mainMenu[1], "Inf_Centr");
    connect(m_menuRestore, &QAction::triggered, this, &Kalibron::openRestoreDialog);
    connect(m_menuConf[0], &QAction::triggered, this, &Kalibron::openSerialDialog);
    connect(m_menuConf[1], &QAction::triggered, this, &Kalibron::openLanguageDialog);
    connect(m_menuInf, &QAction::triggered, this, [this] {
        ShowAbout(m_ctx.frame, this);
        afterDialog();
    });
    connect(m_menuView, &QAction::triggered, this, [this] { openRecordingViewer(); });
    connect(m_menuA[3], &QAction::triggered, this, [this] {
        RunClearDati(m_ctx.frame, *this, this, &m_link->TimeOutDati());
        afterDialog();
    });
    connect(m_menuUti[0], &QAction::triggered, this, [this] {
        RunSalvatP(m_ctx.frame, *this, &m_link->TimeOutDati(), this);
        afterDialog();
    });
    connect(m_menuUti[1], &QAction::triggered, this,
            [this](bool on) { m_menuUti[1]->setChecked(SwitchWireTrace(m_trace, m_ctx.frame, on)); });
    connect(m_menuM[3], &QAction::triggered, this, [this] {
        RunClearNIV(m_ctx.frame, *this, this, &m_link->TimeOutDati());
        afterDialog();
    });
}

void Kalibron::buildToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("MenuPrincipale"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    for (const ToolKey &k : kToolKeys) {
        const QString key = QLatin1String(k.key);
        QAction *a = m_toolbar->addAction(QString());
        a->setObjectName(key);
        a->setData(key);
        a->setIcon(QIcon(Immagine(k.icon, QSize(32, 32), devicePixelRatioF())));
        m_tool.insert(key.toUpper(), a);
        // Separators group recording, maps, ECU, settings and exit.
        if (key == QLatin1String("Stop_Acq") || key == QLatin1String("Crea_Dischi") || key == QLatin1String("Inf_Centr")
            || key == QLatin1String("Configurazione"))
            m_toolbar->addSeparator();
    }
    connect(m_toolbar, &QToolBar::actionTriggered, this, [this](QAction *a) {
        if (a->data().isValid())
            MenuPrincipaleClick(a->data().toString());
    });

    // The communication buttons sit at the right end, one visible at a time.
    auto *spacer = new QWidget(m_toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolbar->addWidget(spacer);
    m_attivo = new PictureButton(m_toolbar);
    m_attivo->setObjectName(QStringLiteral("AttivoCom"));
    m_attivo->setToolTip(QStringLiteral("Ctrl+F1"));
    m_attivo->setFocusPolicy(Qt::NoFocus);
    m_attivo->setFixedSize(150, 42);
    m_disattivo = new PictureButton(m_toolbar);
    m_disattivo->setObjectName(QStringLiteral("DisattivoCom"));
    m_disattivo->setToolTip(QStringLiteral("Ctrl+F10"));
    m_disattivo->setFocusPolicy(Qt::NoFocus);
    m_disattivo->setFixedSize(150, 42);
    m_attivoAct = m_toolbar->addWidget(m_attivo);
    m_disattivoAct = m_toolbar->addWidget(m_disattivo);
    connect(m_attivo, &QAbstractButton::clicked, this, &Kalibron::AttivoComClick);
    connect(m_disattivo, &QAbstractButton::clicked, this, &Kalibron::DisattivoComClick);
    setConnectButtons(false);
}

void Kalibron::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("BarraStato"));
    bar->setSizeGripEnabled(false);
    m_visualizzo = new QLabel(bar);
    m_visualizzo->setObjectName(QStringLiteral("Visualizzo"));
    m_registro = new QLabel(bar);
    m_registro->setObjectName(QStringLiteral("Registro"));
    for (QLabel *panel : {m_visualizzo, m_registro}) {
        panel->setStyleSheet(QLatin1String(kPanelStyle));
        panel->setAlignment(Qt::AlignCenter);
        bar->addWidget(panel);
    }
    setStatusPanels(false);
}

QLabel *Kalibron::statusPanel(const QString &key) const
{
    const QString k = key.trimmed().toUpper();
    if (k == QLatin1String("VISUALIZZO"))
        return m_visualizzo;
    if (k == QLatin1String("REGISTRO"))
        return m_registro;
    return nullptr;
}

QMenu *Kalibron::popupMenu(int mainIndex) const
{
    return mainIndex == 2 || mainIndex == 3 ? m_mainMenus[mainIndex] : nullptr;
}

void Kalibron::setCaption(QAction *action, int baseId)
{
    const QString text = Testo(m_ctx.frame.id(baseId));
    const bool separator = text.trimmed() == QLatin1String("-");
    action->setSeparator(separator);
    // A separator's "-" is its caption's placeholder: drawn, it would stand beside the line.
    action->setText(separator ? QString() : text);
}

QString Kalibron::caption(QAction *action) const
{
    return action->text();
}

void Kalibron::SetMenuCaptions()
{
    const FrameState &frame = m_ctx.frame;
    QString title = Testo(frame.id(101)).trimmed();
    if (frame.EdizioneQEL)
        title += QStringLiteral(" (QEL)");
    setWindowTitle(title);

    for (int i = 0; i < 4; ++i) {
        setCaption(m_mainMenu[i], 102 + i);
        setCaption(m_menuF[i], 107 + i);
        setCaption(m_menuA[i], 114 + i);
        setCaption(m_menuM[i], 118 + i);
    }
    setCaption(m_menuInf, 106);
    setCaption(m_menuRestore, TextId::RestoreMenu);
    setCaption(m_menuView, TextId::ViewerMenu);
    setCaption(m_menuUti[0], 111);
    setCaption(m_menuUti[1], TextId::WireTraceMenu);
    setCaption(m_menuConf[0], 112);
    setCaption(m_menuConf[1], 113);

    auto hint = [this](const char *key, const QString &text) {
        QAction *a = toolbarAction(QLatin1String(key));
        a->setToolTip(text);
        a->setText(text);
    };
    const QString file = caption(m_mainMenu[0]);
    hint("Inizio_Acq", MenuPath(file, caption(m_menuA[0])));
    hint("Stop_Acq", MenuPath(file, caption(m_menuA[1])));
    hint("Salva_Dati", MenuPath(file, caption(m_menuM[0])));
    hint("Crea_Dischi", MenuPath(file, caption(m_menuM[1])));
    hint("Inf_Centr", MenuPath(caption(m_mainMenu[1])));
    hint("Utilita", MenuPath(caption(m_mainMenu[2])));
    hint("Configurazione", MenuPath(caption(m_mainMenu[3])));
    hint("Esci", MenuPath(caption(m_menuF[3])));

    m_visualizzo->setText(Testo(frame.id(245)).trimmed());
    m_registro->setText(Testo(frame.id(246)).trimmed());

    SetEcuReadyControls(m_link->state().EcuReady);
}

void Kalibron::SetEcuReadyControls(bool ready)
{
    m_menuConf[0]->setEnabled(!ready);
    m_menuM[0]->setEnabled(ready);
    m_menuRestore->setEnabled(ready);
    toolbarAction(QStringLiteral("Salva_Dati"))->setEnabled(ready);
    m_mainMenu[1]->setEnabled(ready);
    toolbarAction(QStringLiteral("Inf_Centr"))->setEnabled(ready);
}

void Kalibron::setStatusPanels(bool recording)
{
    m_visualizzo->setEnabled(!recording);
    m_registro->setEnabled(recording);
}

void Kalibron::SetRecordingIdle()
{
    // A recording still running is written out before the window says viewing.
    if (m_ctx.recorder.recording())
        m_ctx.recorder.stop();
    m_ctx.live.LiveSample[0].RecordCounter = -1;
    m_ctx.live.LiveSample[1].RecordCounter = -1;
    m_menuA[0]->setEnabled(true);
    toolbarAction(QStringLiteral("Inizio_Acq"))->setEnabled(true);
    m_menuA[1]->setEnabled(false);
    toolbarAction(QStringLiteral("Stop_Acq"))->setEnabled(false);
    setStatusPanels(false);
}

void Kalibron::SetRecordingActive()
{
    m_menuA[0]->setEnabled(false);
    toolbarAction(QStringLiteral("Inizio_Acq"))->setEnabled(false);
    m_menuA[1]->setEnabled(true);
    toolbarAction(QStringLiteral("Stop_Acq"))->setEnabled(true);
    setStatusPanels(true);
}
