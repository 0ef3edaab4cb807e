#include "mapeditor/widgets/grafici.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "live/chartmodel.h"
#include "live/livestate.h"
#include "live/widgets/boxdati.h"
#include "live/widgets/livechart.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/cutpage.h"
#include "mapeditor/widgets/mappingpage.h"
#include "mapeditor/widgets/switchpage.h"
#include "mapeditor/widgets/transientpage.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

PictureButton *makeButton(const FrameState &frame, QWidget *parent, const char *name, int normal, int greyed)
{
    auto *b = new PictureButton(parent);
    b->setObjectName(QLatin1String(name));
    LoadFaceButton(frame, b, normal, greyed);
    b->setEnabled(false);
    return b;
}

}   // namespace

Grafici::Grafici(FrameState &frame, LiveState &live, ChartModel &chart, MapModel &map, MessageSink &messages,
                 QWidget *parent)
    : QMdiSubWindow(parent, Qt::FramelessWindowHint), m_frame(frame), m_live(live), m_chart(chart), m_map(map),
      m_messages(messages)
{
    setObjectName(QStringLiteral("Grafici"));
    // No system menu: its Ctrl+F4 / Ctrl+W would close the editor instead of the program.
    setSystemMenu(nullptr);
    setOption(QMdiSubWindow::RubberBandResize, false);

    m_tabGuard = true;
    m_map.edit().ReturnTab = -1;

    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("AreaGrafici"));
    m_area->installEventFilter(this);
    setWidget(m_area);

    m_logo = new QLabel(m_area);
    m_logo->setObjectName(QStringLiteral("Logo"));
    m_logo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_boxDati = new BoxDati(m_area);
    m_boxDati->setNames(m_live);

    m_cartelle = new QTabWidget(m_area);
    m_cartelle->setObjectName(QStringLiteral("Cartelle"));
    m_f6 = new MappingPage(frame, map, m_cartelle);
    m_cartelle->addTab(m_f6, Testo(frame.id(249)));
    m_f7 = new TransientPage(frame, map, m_cartelle);
    m_f8 = new SwitchPage(frame, map, m_cartelle);
    m_f9 = new CutPage(frame, map, m_cartelle);
    m_cartelle->addTab(m_f7, Testo(frame.id(250)));
    m_cartelle->addTab(m_f8, Testo(frame.id(251)));
    m_cartelle->addTab(m_f9, Testo(frame.id(252)));
    m_cartelle->tabBar()->setEnabled(false);
    connect(m_cartelle, &QTabWidget::currentChanged, this, &Grafici::onTabChanged);

    m_applica[0] = makeButton(frame, m_area, "Applica0", 121, 122);
    m_applica[1] = makeButton(frame, m_area, "Applica1", 123, 124);
    m_memor = makeButton(frame, m_area, "Memor", 129, 130);
    m_memor1 = makeButton(frame, m_area, "Memor1", 129, 130);
    Azzero()->setEnabled(false);
    // A value typed and not yet left is part of what the page sends (Ctrl+F5 leaves no box).
    for (int i = 0; i < 2; ++i)
        connect(m_applica[i], &QAbstractButton::clicked, this, [this, i] {
            if (ValuePage *p = valuePage(currentPage()))
                p->commitEdit();
            emit applicaClicked(i);
        });
    connect(m_memor, &QAbstractButton::clicked, this, [this] {
        if (ValuePage *p = valuePage(currentPage()))
            p->commitEdit();
        emit memorClicked();
    });
    connect(m_memor1, &QAbstractButton::clicked, this, &Grafici::memor1Clicked);
    connect(Azzero(), &QAbstractButton::clicked, this, [this] { m_chart.Azzero(); });

    // Until the ECU is read the mapping page's buttons show, greyed.
    m_applica[0]->hide();
    m_applica[1]->hide();
    m_memor->hide();

    m_chart.setView(liveChart());
    buildKeys();

    m_ridimensiono.setSingleShot(true);
    m_ridimensiono.setInterval(50);
    connect(&m_ridimensiono, &QTimer::timeout, this, &Grafici::ridimensiona);
    m_ridimensiono.start();
}

Grafici::~Grafici()
{
    m_chart.setView(nullptr);
}

PictureButton *Grafici::Azzero() const
{
    return m_f6->Azzero();
}
LiveChart *Grafici::liveChart() const
{
    return m_f6->liveChart();
}

void Grafici::buildKeys()
{
    auto key = [this](const QKeySequence &seq, auto handler) {
        m_keys.append(seq);
        auto *s = new QShortcut(seq, this);
        // Not bound to the focus: the keys work wherever it is in the main window, and
        // stop while it is disabled or a modal dialog is up.
        s->setContext(Qt::ApplicationShortcut);
        connect(s, &QShortcut::activated, this, handler);
    };
    const Qt::Key pageKeys[4] = {Qt::Key_F6, Qt::Key_F7, Qt::Key_F8, Qt::Key_F9};
    for (int tab = 0; tab < 4; ++tab) {
        key(QKeySequence(pageKeys[tab]), [this, tab] {
            if (m_cartelle->isEnabled() && m_cartelle->tabBar()->isEnabled() && m_cartelle->isTabEnabled(tab))
                m_cartelle->setCurrentIndex(tab);
        });
    }
    // click() does nothing on a disabled button, which is the rule for every key here.
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { Azzero()->click(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_F5), [this] { m_applica[0]->click(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_F6), [this] { m_applica[1]->click(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_F8), [this] { m_memor->click(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_F1), [this] { emit connectKey(); });
    key(QKeySequence(Qt::CTRL | Qt::Key_F10), [this] { emit disconnectKey(); });
    // The window sees these keys before its controls: a text box must not keep Ctrl+Z as undo.
    qApp->installEventFilter(this);
}

int Grafici::currentPage() const
{
    return m_cartelle->currentIndex();
}

void Grafici::selectTabQuietly(int tab)
{
    const bool guard = m_tabGuard;
    m_tabGuard = false;
    m_cartelle->setCurrentIndex(tab);
    m_tabGuard = guard;
}

void Grafici::onTabChanged(int index)
{
    const int previous = m_shownTab;
    m_shownTab = index;
    if (!m_tabGuard)
        return;
    MapEditorState &st = m_map.edit();
    if (previous == 0 && index != 0 && st.PageModified[0]) {
        st.ReturnTab = qint16(index);
        selectTabQuietly(0);
        m_messages.beep();
        m_frame.MessageText = Testo(m_frame.id(TextId::LeaveEditedMapping));
        m_frame.MessageTitle = Testo(m_frame.id(TextId::TitleWarning));
        const int answer =
            m_messages.showMessage(m_frame.MessageText, kQuestionYesNo, m_frame.MessageTitle, kMessageCentred);
        // Yes stores the curve first; only a store that has started lets the page change.
        const bool leave = answer != kAnswerYes || (m_storeF6 && m_storeF6());
        if (leave && st.ReturnTab >= 0)
            selectTabQuietly(st.ReturnTab);
        st.ReturnTab = -1;
    }
    ShowPageButtons(m_cartelle->currentIndex());
}

void Grafici::ShowPageButtons(int tab)
{
    const bool f6 = tab == 0;
    const bool on = m_editorEnabled;
    m_applica[0]->setVisible(!f6);
    m_applica[1]->setVisible(!f6);
    m_memor->setVisible(!f6);
    m_memor1->setVisible(f6);
    m_applica[0]->setEnabled(!f6 && on);
    m_applica[1]->setEnabled(!f6 && on);
    m_memor->setEnabled(!f6 && on);
    m_memor1->setEnabled(f6 && on);
    if (f6) {
        QLineEdit *first = m_f6->DeltaP(0);
        if (first->isEnabled() && first->isVisible())
            first->setFocus();
    } else if (ValuePage *page = valuePage(tab)) {
        page->focusFirstField();
    }
    LayoutEditor(tab, true);
}

ValuePage *Grafici::valuePage(int tab) const
{
    switch (tab) {
    case 1: return m_f7;
    case 2: return m_f8;
    case 3: return m_f9;
    default: return nullptr;
    }
}

void Grafici::LayoutEditor(int tab, bool skipF6)
{
    if (ValuePage *page = valuePage(tab)) {
        page->layoutContent();   // centred across the tab
        return;
    }
    if (tab != 0 || skipF6)
        return;
    m_chart.ResetChart();
    m_chart.RedrawChart();
    m_map.FillMapEditorData();
    FillMapEditor();
}

void Grafici::FillMapEditor()
{
    m_f6->showValues();
    m_f7->fill();
    m_f8->fill();
    m_f9->fill();
}

void Grafici::setEditorEnabled(bool enabled)
{
    m_editorEnabled = enabled;
    m_cartelle->tabBar()->setEnabled(enabled);
    Azzero()->setEnabled(enabled);
    if (enabled) {
        ShowPageButtons(currentPage());
        return;
    }
    m_applica[0]->setEnabled(false);
    m_applica[1]->setEnabled(false);
    m_memor->setEnabled(false);
    m_memor1->setEnabled(false);
}

void Grafici::setDeltaPMarks(const std::array<bool, 6> &red)
{
    m_f6->setDeltaPMarks(red);
}

void Grafici::MoveOperatingMarker(double x)
{
    m_f6->MoveOperatingMarker(x);
}

void Grafici::clearValueBoxColours(int page)
{
    if (ValuePage *p = valuePage(page))
        p->clearValueBoxColours();
}

void Grafici::changeEvent(QEvent *event)
{
    QMdiSubWindow::changeEvent(event);
    // The editor is always maximized: a restore or minimize is undone at once.
    if (event->type() == QEvent::WindowStateChange && !isMaximized())
        QTimer::singleShot(0, this, [this] {
            if (!isMaximized())
                showMaximized();
        });
}

void Grafici::closeEvent(QCloseEvent *event)
{
    // The editor lives as long as the main window; it is never closed on its own.
    event->ignore();
}
