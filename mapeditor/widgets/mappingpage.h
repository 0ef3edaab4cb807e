#pragma once
#include <QLine>
#include <QString>
#include <QWidget>
#include <array>

struct FrameState;
class MapModel;
class CorrectionGraph;
class LiveChart;
class PictureButton;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMouseEvent;

// Page "F6 - MAPPATURA": the correction graph; under it the breakpoint axis with
// the four draggable marks `PTacca`, the four breakpoint boxes `DCIN` and the six
// percentage boxes `DeltaP`, each box under its breakpoint column; below them the
// live chart with its `Azzero` button. The boxes and marks edit the curve in the
// map model: every change is committed when a box is left or a mark moves.
class MappingPage : public QWidget {
    Q_OBJECT
public:
    MappingPage(const FrameState &frame, MapModel &map, QWidget *parent = nullptr);

    QLineEdit *DeltaP(int k) const { return k >= 0 && k < 6 ? m_deltaP[k] : nullptr; }
    QLineEdit *DCIN(int i) const { return i >= 0 && i < 4 ? m_dcIn[i] : nullptr; }
    QWidget *PTacca(int i) const { return i >= 0 && i < 4 ? m_marks[i] : nullptr; }
    // The axis the marks move along, in the coordinates of the marks' parent.
    QLine breakpointAxis() const;
    // The rectangle drawn around the box with the focus (a sibling of the boxes).
    QWidget *highlight() const { return m_highlight; }
    QLabel *deltaPCaption() const { return m_captionDeltaP; }
    QLabel *dcInCaption() const { return m_captionDcIn; }
    CorrectionGraph *graph() const { return m_graph; }
    LiveChart *liveChart() const { return m_chart; }
    PictureButton *Azzero() const { return m_azzero; }

    // The page's share of filling the editor: every box from the editor data, the
    // graph redrawn, the segments computed, the page's modified flag cleared.
    void showValues();
    // Vertical range from the percentages (kept when they are all equal), graph,
    // guides and marks redrawn.
    void DrawCorrectionGraph();
    void setDeltaPMarks(const std::array<bool, 6> &red);
    void MoveOperatingMarker(double x);

    // An editor box's text: the number as a whole number, right-aligned in `width`.
    static QString BoxText(double value, int width);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillBoxes();
    void placeBoxes();
    void placeMarks();

    // Boxes in the order of Page Down: `DCIN` 0..3, then `DeltaP` 0..5.
    QLineEdit *box(int order) const;
    int orderOf(const QObject *watched) const;   // -1 for anything else
    void focusBox(int order);

    bool boxKey(int order, QKeyEvent *key);
    void enterBox(int order);
    void leaveBox(int order);
    void leaveDcIn(int i);
    void leaveDeltaP(int i);
    void committed();

    bool markMouse(int i, QMouseEvent *mouse);
    void dragMark(int i, int newLeft);

    MapModel &m_map;
    std::array<QLineEdit *, 6> m_deltaP{};
    std::array<QLineEdit *, 4> m_dcIn{};
    std::array<QWidget *, 4> m_marks{};
    QWidget *m_panel = nullptr;   // axis, marks, boxes, captions, highlight
    QWidget *m_highlight = nullptr;
    QLabel *m_captionDeltaP = nullptr;
    QLabel *m_captionDcIn = nullptr;
    CorrectionGraph *m_graph = nullptr;
    LiveChart *m_chart = nullptr;
    PictureButton *m_azzero = nullptr;

    QString m_savedText;   // what the box that last got the focus held on entry
    int m_current = -1;    // the box being edited (order), -1 when none

    // A drag: the pointer's offset inside the mark when pressed, and the marks
    // that lay on one another then (the first move's direction picks one of them).
    int m_pressX = 0;
    int m_dragMark = -1;
    int m_dragFirst = -1, m_dragLast = -1;
};
