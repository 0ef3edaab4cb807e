#pragma once
#include <QWidget>

struct MapEditorState;

// The mapping page's correction graph: the flow correction over DC-IN through the
// six breakpoints, with the operating-point marker of the live DC-IN value.
class CorrectionGraph : public QWidget {
    Q_OBJECT
public:
    explicit CorrectionGraph(const MapEditorState &map, QWidget *parent = nullptr);

    // The curve's area inside the widget (scale labels lie outside it).
    QRect plotRect() const;
    // Guide `LineaS`(i), 0..3: the vertical line through breakpoint i + 1.
    QLineF LineaS(int i) const;
    // Where breakpoint k (0..5) of the curve is drawn.
    QPointF pointOf(int k) const;
    // Places the marker at DC-IN `x`; hidden when the graph has no horizontal range.
    void MoveOperatingMarker(double x);
    QWidget *marker() const { return m_marker; }
    // Keeps at least this much room on each side of the curve (for what the page lines up under it).
    void setMinimumMargins(int left, int right);

    QSize sizeHint() const override { return QSize(520, 200); }
    QSize minimumSizeHint() const override { return QSize(240, 110); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeMarker();
    double toX(double x) const;
    double toY(double y) const;

    const MapEditorState &m_map;
    QWidget *m_marker = nullptr;
    double m_markerX = 0;
    bool m_markerSet = false;
    int m_minLeft = 0;
    int m_minRight = 16;
    mutable int m_labelWidth = -1;
    mutable int m_textHeight = 0;
};
