#pragma once
#include <QHash>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "link/link.h"
#include "link/linkui.h"
#include "link/wiretrace.h"
#include "ui/programcontext.h"

class Attesa;
class Grafici;
class PictureButton;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class RecordingViewer;

// The main window `Kalibron`: menus, toolbar `MenuPrincipale` with the connect
// buttons, status bar `BarraStato`, the map editor as its only MDI child. It owns
// the ECU link and is the link's user interface.
class Kalibron : public QMainWindow, public LinkUi {
    Q_OBJECT
public:
    // A message the program wanted to show; `plain` for the platform box.
    struct ShownMessage {
        QString text;
        int flags = 0;
        QString title;
        bool plain = false;
    };
    // Answers messages instead of the modal dialogs (tests script the fitter with it).
    using MessageHook = std::function<int(const ShownMessage &)>;

    explicit Kalibron(ProgramContext &ctx, QWidget *parent = nullptr);
    ~Kalibron() override;

    // The start-up sequence; call once before show().
    void load();

    Link &link() { return *m_link; }
    QAction *restoreAction() const { return m_menuRestore; }
    QAction *wireTraceAction() const { return m_menuUti[1]; }
    WireTrace &wireTrace() { return m_trace; }
    Grafici *grafici() const { return m_grafici; }
    Attesa *attesa() const { return m_attesa; }
    QMdiArea *mdiArea() const { return m_mdi; }
    QToolBar *MenuPrincipale() const { return m_toolbar; }
    QAction *toolbarAction(const QString &key) const { return m_tool.value(key.trimmed().toUpper()); }
    PictureButton *AttivoCom() const { return m_attivo; }
    PictureButton *DisattivoCom() const { return m_disattivo; }
    QLabel *statusPanel(const QString &key) const;
    QMenu *popupMenu(int mainIndex) const;   // `MainMenu`(2) or (3)
    QTimer &VisDati() { return m_visDati; }
    void setMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }

    // Toolbar and menu commands by key, trimmed and upper-cased; unknown keys do nothing.
    void MenuPrincipaleClick(const QString &key);
    void SetMenuCaptions();
    // The controls of the recording state (the recorder has already started).
    void SetRecordingActive();
    // A recording viewer in the MDI area, showing `path` (none: the one picked from
    // the archive). nullptr when none was picked or the file could not be shown.
    RecordingViewer *openRecordingViewer(const QString &path = QString());
    QAction *viewerAction() const { return m_menuView; }

    // LinkUi
    int showMessage(const QString &text, int flags, const QString &title, int position) override;
    void plainMessage(const QString &text, const QString &title) override;
    void beep() override;
    void waitOpen(const QString &caption, const QString &label) override;
    void waitShow() override;
    void waitSetLabel(const QString &text) override;
    void waitShowOk() override;
    void waitClose() override;
    bool waitIsOpen() const override;
    void setMainWindowEnabled(bool enabled) override;
    void setBusyCursor(bool busy) override;
    void setConnectButtons(bool linkOpen) override;
    void SetEcuReadyControls(bool ready) override;
    void SetRecordingIdle() override;
    void ChiudiFinestre() override;
    void setEditorEnabled(bool enabled) override;
    void FillMapEditor() override;
    void showMapEditor() override;
    void ShowPageButtons(int tab) override;
    int currentEditorPage() const override;
    void setDeltaPMarks(const std::array<bool, 6> &red) override;
    void MoveOperatingMarker(double x) override;
    void RedrawChart() override;

public slots:
    void AttivoComClick();
    void DisattivoComClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void setCaption(QAction *action, int baseId);
    void setStatusPanels(bool recording);
    QString caption(QAction *action) const;
    void popUp(int mainIndex, const QString &key);
    void esci();
    void openSerialDialog();
    void openLanguageDialog();
    void openEcuInformation();
    void openRestoreDialog();
    void connectEditor();
    void storePage();
    void afterDialog();
    void offerViewer(const QString &path);
    int askDefaultNo(const QString &text, const QString &title);

    ProgramContext &m_ctx;
    Link *m_link;
    MessageHook m_messageHook;

    QMdiArea *m_mdi = nullptr;
    Grafici *m_grafici = nullptr;
    Attesa *m_attesa = nullptr;
    QToolBar *m_toolbar = nullptr;
    PictureButton *m_attivo = nullptr;
    PictureButton *m_disattivo = nullptr;
    QAction *m_attivoAct = nullptr;
    QAction *m_disattivoAct = nullptr;
    QHash<QString, QAction *> m_tool;   // by upper-case key
    QLabel *m_visualizzo = nullptr;
    QLabel *m_registro = nullptr;
    QTimer m_visDati;
    bool m_busyCursor = false;
    bool m_loaded = false;

    // Menu arrays, by index as the captions are numbered.
    std::array<QMenu *, 4> m_mainMenus{};   // (1) is a command, not a submenu
    std::array<QAction *, 4> m_mainMenu{};
    std::array<QAction *, 4> m_menuF{};
    std::array<QAction *, 4> m_menuA{};
    std::array<QAction *, 4> m_menuM{};
    std::array<QAction *, 2> m_menuUti{};   // (1): the wire trace switch
    std::array<QAction *, 2> m_menuConf{};
    QAction *m_menuInf = nullptr;
    QAction *m_menuRestore = nullptr;   // File: put back a saved ECU image
    QAction *m_menuView = nullptr;      // Recordings: the recording viewer
    WireTrace m_trace;
};
