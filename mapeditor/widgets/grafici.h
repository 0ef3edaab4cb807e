#pragma once
#include <QKeySequence>
#include <QList>
#include <QMdiSubWindow>
#include <QTimer>
#include <array>
#include <functional>

struct FrameState;
struct LiveState;
class ChartModel;
class MapModel;
class MessageSink;
class BoxDati;
class LiveChart;
class MappingPage;
class TransientPage;
class SwitchPage;
class CutPage;
class ValuePage;
class PictureButton;
class QLabel;
class QTabWidget;

// The map editor `Grafici`: the main window's only MDI child, always maximized.
// Live values on the left (`BoxDati`), the four pages in `Cartelle`, the page
// buttons below them. Page selector and buttons stay disabled until the ECU is ready.
class Grafici : public QMdiSubWindow {
    Q_OBJECT
public:
    Grafici(FrameState &frame, LiveState &live, ChartModel &chart, MapModel &map, MessageSink &messages,
            QWidget *parent = nullptr);
    ~Grafici() override;

    QTabWidget *Cartelle() const { return m_cartelle; }
    PictureButton *Applica(int i) const { return i == 0 || i == 1 ? m_applica[i] : nullptr; }
    PictureButton *Memor() const { return m_memor; }
    PictureButton *Memor1() const { return m_memor1; }
    PictureButton *Azzero() const;
    BoxDati *boxDati() const { return m_boxDati; }
    LiveChart *liveChart() const;
    MappingPage *mappingPage() const { return m_f6; }
    TransientPage *transientPage() const { return m_f7; }
    SwitchPage *switchPage() const { return m_f8; }
    CutPage *cutPage() const { return m_f9; }
    // The value page of tab 1 (F7), 2 (F8) or 3 (F9); nullptr for any other tab.
    ValuePage *valuePage(int tab) const;
    QLabel *logo() const { return m_logo; }
    QTimer &Ridimensiono() { return m_ridimensiono; }
    bool TabGuard() const { return m_tabGuard; }

    void ShowPageButtons(int tab);
    // Places the controls of page `tab`; on the mapping page (unless skipped) it
    // also resets and redraws the live chart and fills the pages.
    void LayoutEditor(int tab, bool skipF6);
    // The editor data into the page controls.
    void FillMapEditor();
    // Page selector, `Azzero`, `Applica`, `Memor`, `Memor1`.
    void setEditorEnabled(bool enabled);
    bool editorEnabled() const { return m_editorEnabled; }
    int currentPage() const;
    void setDeltaPMarks(const std::array<bool, 6> &red);
    void MoveOperatingMarker(double x);
    // The value boxes of page 1 (F7), 2 (F8) or 3 (F9) back to white.
    void clearValueBoxColours(int page);

    // Starts storing the mapping page in the ECU when the fitter agrees to before
    // leaving it; true when the store has started.
    void setF6StoreHandler(std::function<bool()> handler) { m_storeF6 = std::move(handler); }

signals:
    void connectKey();      // Ctrl+F1
    void disconnectKey();   // Ctrl+F10
    void applicaClicked(int which);
    void memorClicked();
    void memor1Clicked();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildKeys();
    void onTabChanged(int index);
    void selectTabQuietly(int tab);
    void ridimensiona();
    void layoutFrame();
    void showLogo();

    FrameState &m_frame;
    LiveState &m_live;
    ChartModel &m_chart;
    MapModel &m_map;
    MessageSink &m_messages;

    QWidget *m_area = nullptr;
    BoxDati *m_boxDati = nullptr;
    QTabWidget *m_cartelle = nullptr;
    MappingPage *m_f6 = nullptr;
    TransientPage *m_f7 = nullptr;
    SwitchPage *m_f8 = nullptr;
    CutPage *m_f9 = nullptr;
    std::array<PictureButton *, 2> m_applica{};
    PictureButton *m_memor = nullptr;
    PictureButton *m_memor1 = nullptr;
    QLabel *m_logo = nullptr;
    QTimer m_ridimensiono;

    std::function<bool()> m_storeF6;
    QList<QKeySequence> m_keys;   // the editor's own keys, which its controls may not claim
    bool m_tabGuard = true;
    bool m_editorEnabled = false;
    bool m_laidOut = false;
    int m_shownTab = 0;
};
