#pragma once
#include <QColor>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>
#include <vector>

#include "live/minmaxcolumns.h"
#include "live/viewer/viewrange.h"

class RecordingReader;

// Up to four panes of numeric channels stacked over one sample axis, the text
// channels (running state, fuel) as coloured bands below them, two cursors and
// a recording laid over the same panes dashed.
//
// Zoomed out, every pixel column draws the lowest to the highest value of its
// rows, so a one-sample lean spike stays visible over hours of driving.
//
// Mouse: the wheel zooms around the pointer, dragging pans, Shift+drag or a
// right-button drag zooms to the band, a click sets cursor 1 and Ctrl+click
// cursor 2; Home shows everything.
class RecordingPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxPanes = 4;

    explicit RecordingPlot(QWidget *parent = nullptr);

    // The recording stays owned by the caller and must outlive its use here;
    // nullptr clears. Shows everything, cursors cleared.
    void setRecording(const RecordingReader *rec);
    const RecordingReader *recording() const { return m_rec; }
    // A second recording drawn dashed; its row 0 lies under row `offset` of the
    // main one (negative: it started earlier).
    void setOverlay(const RecordingReader *rec);
    const RecordingReader *overlay() const { return m_overlay; }
    void setOverlayOffset(int offset);
    int overlayOffset() const { return m_overlayOffset; }

    // The program's language: the fuel band's colours depend on its words.
    void setLanguage(int lingua);
    void setAxisTitles(const QString &sample, const QString &time);

    // Numeric channels of a pane; a pane without channels is not drawn.
    void setPaneChannels(int pane, const QList<int> &channels);
    QList<int> paneChannels(int pane) const { return m_panes[size_t(pane)].channels; }
    // Typed limits, or automatic ones from the visible data.
    void setPaneScale(int pane, bool automatic, YScale limits = {});
    bool paneAutoScale(int pane) const { return m_panes[size_t(pane)].automatic; }
    // The limits the pane is drawn with now.
    YScale paneScale(int pane) const;
    int shownPaneCount() const;

    ViewRange &view() { return m_view; }
    const ViewRange &view() const { return m_view; }
    void showAll();

    // Row of cursor 0 or 1; -1 when it is not set.
    int cursor(int which) const { return m_cursor[size_t(which)]; }
    void setCursor(int which, int row);

    // Where the traces are drawn, in widget coordinates.
    QRect plotRect() const;
    int rowAtX(int x) const;
    double xOfRow(int row) const;   // centre of the row's place

    static QColor channelColour(int channel);

signals:
    void viewChanged();
    void cursorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Pane {
        QList<int> channels;
        bool automatic = true;
        YScale limits;
    };
    enum class Drag { None, Click, Pan, Band };

    QList<int> textChannels() const;
    QList<int> shownPanes() const;
    QRect paneRect(int index, int shown) const;
    int bandHeight() const;
    int axisHeight() const;
    void buildColumns();
    void paintPane(QPainter &p, int pane, const QRect &r);
    void paintTrace(QPainter &p, const QRect &r, const YScale &s, int channel);
    void paintOverlayTrace(QPainter &p, const QRect &r, const YScale &s, int channel);
    void paintBand(QPainter &p, int channel, const QRect &r);
    void paintAxis(QPainter &p, const QRect &r);
    void paintMarks(QPainter &p, const QRect &r);
    QColor bandColour(int channel, int row) const;
    void changed();

    const RecordingReader *m_rec = nullptr;
    const RecordingReader *m_overlay = nullptr;
    int m_overlayOffset = 0;
    std::vector<MinMaxColumns> m_columns, m_overlayColumns;
    // Each distinct state name in order of its first appearance, for its colour.
    QHash<QByteArray, int> m_stateIndex;
    int m_lingua = 1;
    mutable int m_fuelNamesLingua = -1;
    mutable QString m_petrolName, m_gasName;
    QString m_sampleTitle, m_timeTitle;
    std::array<Pane, kMaxPanes> m_panes;
    ViewRange m_view;
    std::array<int, 2> m_cursor{-1, -1};

    Drag m_drag = Drag::None;
    QPoint m_pressPos, m_dragPos;
    int m_pressFirst = 0;
    std::vector<MinMax> m_scratch;
};
