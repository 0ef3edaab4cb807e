#include "mapeditor/widgets/correctiongraph.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "mapeditor/mapstate.h"

namespace {

const QColor kCurve(20, 70, 160);
const QColor kGuide(150, 160, 172);
const QColor kMarker(220, 30, 30);
// The curve keeps a few pixels inside the frame, so that a value at the top or the
// bottom of the range is not hidden under it.
constexpr int kInset = 6;

// A thin upright needle with a head: where the engine is on the curve right now.
class OperatingMarker : public QWidget {
public:
    explicit OperatingMarker(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName(QStringLiteral("MarkerOperativo"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double cx = width() / 2.0;
        QPen pen(kMarker, 2);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.drawLine(QPointF(cx, 8), QPointF(cx, height()));
        QPainterPath head;
        head.moveTo(cx - width() / 2.0 + 0.5, 0);
        head.lineTo(cx + width() / 2.0 - 0.5, 0);
        head.lineTo(cx, 9);
        head.closeSubpath();
        p.fillPath(head, kMarker);
    }
};

}   // namespace

CorrectionGraph::CorrectionGraph(const MapEditorState &map, QWidget *parent) : QWidget(parent), m_map(map)
{
    setObjectName(QStringLiteral("GraficoCorrezione"));
    m_marker = new OperatingMarker(this);
    m_marker->hide();
}

QRect CorrectionGraph::plotRect() const
{
    // Asked for on every live frame through the marker: measuring text each time showed up.
    if (m_labelWidth < 0) {
        const QFontMetrics fm(font());
        m_labelWidth = fm.horizontalAdvance(QStringLiteral("0000"));
        m_textHeight = fm.height();
    }
    const int left = std::max(m_minLeft, m_labelWidth + 14);
    const int bottom = m_textHeight + 10;
    return QRect(left, m_textHeight / 2 + 4, std::max(10, width() - left - m_minRight),
                 std::max(10, height() - bottom - m_textHeight / 2 - 4));
}

void CorrectionGraph::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_labelWidth = -1;
        placeMarker();
        update();
    }
}

void CorrectionGraph::setMinimumMargins(int left, int right)
{
    m_minLeft = left;
    m_minRight = std::max(16, right);
    placeMarker();
    update();
}

void CorrectionGraph::MoveOperatingMarker(double x)
{
    m_markerX = x;
    m_markerSet = true;
    placeMarker();
}

void CorrectionGraph::placeMarker()
{
    const double span = m_map.GraphXMax - m_map.GraphXMin;
    if (!m_markerSet || span == 0 || !std::isfinite(m_markerX)) {
        m_marker->hide();
        return;
    }
    const QRect plot = plotRect();
    const int w = 11;
    const int left = plot.left() + int(std::lround(plot.width() * m_markerX / span - w / 2.0));
    m_marker->setGeometry(left, plot.top(), w, plot.height());
    m_marker->show();
    m_marker->raise();
}

void CorrectionGraph::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeMarker();
}

double CorrectionGraph::toX(double x) const
{
    const QRect plot = plotRect();
    const double span = m_map.GraphXMax - m_map.GraphXMin;
    return plot.left() + (span != 0 ? plot.width() * (x - m_map.GraphXMin) / span : 0.0);
}

double CorrectionGraph::toY(double y) const
{
    const QRect plot = plotRect();
    const double span = m_map.GraphYMax - m_map.GraphYMin;
    const double h = plot.height() - 2 * kInset;
    return plot.top() + kInset + h - (span != 0 ? h * (y - m_map.GraphYMin) / span : 0.0);
}

QLineF CorrectionGraph::LineaS(int i) const
{
    if (i < 0 || i > 3)
        return {};
    const QRect plot = plotRect();
    const double x = toX(m_map.DcInThreshold[i + 1]);
    return QLineF(x, plot.top(), x, plot.bottom() + 1);
}

QPointF CorrectionGraph::pointOf(int k) const
{
    if (k < 0 || k > 5)
        return {};
    return QPointF(toX(m_map.DcInThreshold[k]), toY(m_map.DeltaFlow[k]));
}

void CorrectionGraph::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect plot = plotRect();
    p.fillRect(plot, Qt::white);
    // The marker moves inside the plot: the scale labels around it stay as painted.
    const bool labels = !plot.contains(event->rect());

    const double xSpan = m_map.GraphXMax - m_map.GraphXMin;
    const double ySpan = m_map.GraphYMax - m_map.GraphYMin;
    // A narrow range (101..102) needs a decimal to tell its labels apart.
    const int yDecimals = std::abs(ySpan) >= 5 ? 0 : 1;

    // Scale: five steps on each axis, labels outside the plot.
    const QFontMetrics fm(font());
    QPen grid(QColor(222, 226, 231), 1);
    grid.setCosmetic(true);
    for (int i = 0; i <= 5; ++i) {
        const double xValue = m_map.GraphXMin + xSpan * i / 5.0;
        const double yValue = m_map.GraphYMax - ySpan * i / 5.0;
        const double x = toX(xValue);
        const double y = toY(yValue);
        p.setPen(grid);
        if (i > 0 && i < 5)
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        if (!labels)
            continue;
        p.setPen(palette().color(QPalette::WindowText));
        const QString xs = QString::number(std::lround(xValue));
        p.drawText(QRectF(x - 30, plot.bottom() + 6, 60, fm.height()), Qt::AlignHCenter | Qt::AlignTop, xs);
        const QString ys = QString::number(yValue, 'f', yDecimals);
        p.drawText(QRectF(0, y - fm.height() / 2.0, plot.left() - 8, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   ys);
    }

    // Guides `LineaS` at the four inner breakpoints.
    QPen guide(kGuide, 1, Qt::DashLine);
    guide.setCosmetic(true);
    p.setPen(guide);
    for (int i = 0; i < 4; ++i)
        p.drawLine(LineaS(i));

    QPen curve(kCurve, 2);
    curve.setCosmetic(true);
    p.setPen(curve);
    QPolygonF line;
    for (int k = 0; k < 6; ++k)
        line << pointOf(k);
    p.save();
    p.setClipRect(plot.adjusted(-4, -4, 4, 4));
    p.drawPolyline(line);
    p.setBrush(kCurve);
    p.setPen(Qt::NoPen);
    for (const QPointF &pt : line)
        p.drawEllipse(pt, 3.0, 3.0);
    p.restore();

    QPen frame(QColor(92, 107, 120), 1);
    frame.setCosmetic(true);
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(plot).adjusted(-0.5, -0.5, 0.5, 0.5));
}
