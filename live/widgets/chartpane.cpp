#include "live/widgets/chartpane.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "live/livedata.h"

namespace {

const QColor kPlotBackground(18, 24, 31);
const QColor kGridColour(58, 72, 86);
const QColor kFrameColour(92, 107, 120);

// Tick and label distances of the scale boxes, in 1/1440 inch.
constexpr int kMajorTick = 100;
constexpr int kMinorTick = 50;
constexpr int kLabelGap = 150;

// Cosmetic, so its width is in device pixels: scaled here to look alike at every ratio.
QPen tracePen(const QColor &c, qreal dpr)
{
    QPen pen(c, 1.6 * dpr);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

}   // namespace

ChartPane::ChartPane(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    computeGeometry();
}

QSize ChartPane::minimumSizeHint() const
{
    return QSize(200, 120);
}
QSize ChartPane::sizeHint() const
{
    return QSize(420, 260);
}

int ChartPane::twips(int units, Qt::Orientation o) const
{
    const int dpi = o == Qt::Horizontal ? logicalDpiX() : logicalDpiY();
    return std::max(1, int(std::lround(units * dpi / 1440.0)));
}

QString ChartPane::label(double v, const QString &format) const
{
    if (format.isEmpty())
        return QString::number(v);
    return FormatLiveNumber(v, format).trimmed();
}

void ChartPane::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    update(m_titleRect);
}

void ChartPane::setScale(double ymin, double ymax, double xmin, double xmax)
{
    m_ymin = ymin;
    m_ymax = ymax;
    m_xmin = xmin;
    m_xmax = xmax;
    m_traces.clear();
    m_cacheValid = false;
    update(m_plot);
}

void ChartPane::setYAxis(double ymin, double ymax, int divisions, int subdivisions, const QString &format)
{
    // A scroll draws the Y axis again with the same scale: nothing to repaint then.
    const Axis axis{true, ymin, ymax, divisions, subdivisions, format};
    if (axis == m_yAxis)
        return;
    m_yAxis = axis;
    // The box width follows the widest label, so the drawing area may move.
    computeGeometry();
    m_cacheValid = false;
    update();
}

void ChartPane::setXAxis(double xmin, double xmax, int divisions, int subdivisions, const QString &format)
{
    m_xAxis = Axis{true, xmin, xmax, divisions, subdivisions, format};
    if (computeGeometry())
        update();
    else
        update(m_xBox);
}

void ChartPane::setGrid(int xDivisions, int yDivisions)
{
    if (xDivisions == m_gridX && yDivisions == m_gridY)
        return;
    m_gridX = xDivisions;
    m_gridY = yDivisions;
    m_cacheValid = false;
    update(m_plot);
}

void ChartPane::setTraceColour(const QColor &colour)
{
    m_traceColour = colour;
    m_cacheValid = false;
    update(m_plot);
}

void ChartPane::addLine(double x1, double y1, double x2, double y2)
{
    addTrace(Trace{QPointF(x1, y1), QPointF(x2, y2), false});
}

void ChartPane::addPoint(double x, double y)
{
    addTrace(Trace{QPointF(x, y), QPointF(x, y), true});
}

void ChartPane::addTrace(const Trace &t)
{
    m_traces.append(t);
    if (!m_cacheValid) {
        update(m_plot);
        return;
    }
    QPainter p(&m_cache);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(QRect(QPoint(0, 0), m_plot.size()));
    paintTrace(p, t, -QPointF(m_plot.topLeft()));
    p.end();
    update(traceRect(t).intersected(m_plot));
}

QPointF ChartPane::toWidget(double x, double y) const
{
    const double xs = m_xmax != m_xmin ? (x - m_xmin) / (m_xmax - m_xmin) : 0.0;
    const double ys = m_ymax != m_ymin ? (y - m_ymin) / (m_ymax - m_ymin) : 0.0;
    return QPointF(m_plot.left() + xs * m_plot.width(), m_plot.top() + m_plot.height() * (1.0 - ys));
}

QRect ChartPane::traceRect(const Trace &t) const
{
    const QRectF r = QRectF(toWidget(t.from.x(), t.from.y()), toWidget(t.to.x(), t.to.y())).normalized();
    return r.toAlignedRect().adjusted(-3, -3, 3, 3);
}

bool ChartPane::computeGeometry()
{
    const QFontMetrics fm(font());
    const int labelH = fm.height();
    int widest = fm.horizontalAdvance(QStringLiteral("00000"));
    if (m_yAxis.shown) {
        widest = std::max({widest, fm.horizontalAdvance(label(m_yAxis.min, m_yAxis.format)),
                           fm.horizontalAdvance(label(m_yAxis.max, m_yAxis.format))});
    }
    int lastX = fm.horizontalAdvance(QStringLiteral("0000"));
    if (m_xAxis.shown)
        lastX = std::max(lastX, fm.horizontalAdvance(label(m_xAxis.max, m_xAxis.format)));

    const int yBoxW = twips(kLabelGap, Qt::Horizontal) + widest + 6;
    const int xBoxH = twips(kLabelGap, Qt::Vertical) + labelH + 4;
    const int titleH = QFontMetrics(titleFont()).height() + 8;
    const int right = lastX / 2 + 6;

    m_titleRect = QRect(0, 0, width(), titleH);
    const int top = titleH + labelH / 2;
    const int plotH = std::max(10, height() - top - xBoxH);
    const int plotW = std::max(10, width() - yBoxW - right);
    const QRect plot(yBoxW, top, plotW, plotH);
    m_yBox = QRect(0, top - labelH, yBoxW, plotH + 2 * labelH);
    m_xBox = QRect(0, plot.bottom() + 1, width(), xBoxH);
    if (plot == m_plot)
        return false;
    m_plot = plot;
    m_cacheValid = false;
    return true;
}

QFont ChartPane::titleFont() const
{
    QFont f = font();
    f.setBold(true);
    return f;
}

void ChartPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    computeGeometry();
    m_cacheValid = false;
}

void ChartPane::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        computeGeometry();
        m_cacheValid = false;
        update();
    }
}

void ChartPane::paintTrace(QPainter &p, const Trace &t, const QPointF &offset) const
{
    const QPointF a = toWidget(t.from.x(), t.from.y()) + offset;
    if (t.point) {
        p.setPen(Qt::NoPen);
        p.setBrush(m_traceColour);
        p.drawEllipse(a, 1.8, 1.8);
        return;
    }
    p.setPen(tracePen(m_traceColour, m_cache.devicePixelRatio()));
    p.setBrush(Qt::NoBrush);
    p.drawLine(a, toWidget(t.to.x(), t.to.y()) + offset);
}

void ChartPane::renderCache()
{
    const qreal dpr = devicePixelRatioF();
    m_cache = QPixmap(m_plot.size() * dpr);
    m_cache.setDevicePixelRatio(dpr);
    m_cache.fill(kPlotBackground);

    QPainter p(&m_cache);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = m_plot.width(), h = m_plot.height();
    QPen grid(kGridColour, 1, Qt::DotLine);
    grid.setCosmetic(true);
    p.setPen(grid);
    for (int i = 1; i < m_gridX; ++i) {
        const double x = std::round(w * i / m_gridX) + 0.5;
        p.drawLine(QPointF(x, 0), QPointF(x, h));
    }
    for (int i = 1; i < m_gridY; ++i) {
        const double y = std::round(h * i / m_gridY) + 0.5;
        p.drawLine(QPointF(0, y), QPointF(w, y));
    }
    const QPointF offset = -QPointF(m_plot.topLeft());
    for (const Trace &t : m_traces)
        paintTrace(p, t, offset);
    p.end();
    m_cacheValid = true;
}

void ChartPane::paintYScale(QPainter &p) const
{
    const int line = m_plot.left() - 1;
    p.drawLine(line, m_plot.top(), line, m_plot.bottom());
    if (!m_yAxis.shown || m_yAxis.divisions < 1)
        return;
    const int major = twips(kMajorTick, Qt::Horizontal), minor = twips(kMinorTick, Qt::Horizontal);
    const int gap = twips(kLabelGap, Qt::Horizontal);
    const QFontMetrics fm(font());
    const int n = m_yAxis.divisions;
    const double h = m_plot.height();
    for (int i = 0; i <= n; ++i) {
        const double y = m_plot.top() + h * i / n;
        p.drawLine(QPointF(line - major, y), QPointF(line, y));
        const double v = m_yAxis.max - (m_yAxis.max - m_yAxis.min) * i / n;
        const QRectF box(0, y - fm.height() / 2.0, line - gap, fm.height());
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label(v, m_yAxis.format));
        if (i < n) {
            for (int s = 1; s < m_yAxis.subdivisions; ++s) {
                const double ys = y + h / n * s / m_yAxis.subdivisions;
                p.drawLine(QPointF(line - minor, ys), QPointF(line, ys));
            }
        }
    }
}

void ChartPane::paintXScale(QPainter &p) const
{
    const int line = m_plot.bottom() + 1;
    p.drawLine(m_plot.left(), line, m_plot.right(), line);
    if (!m_xAxis.shown || m_xAxis.divisions < 1)
        return;
    const int major = twips(kMajorTick, Qt::Vertical), minor = twips(kMinorTick, Qt::Vertical);
    const int gap = twips(kLabelGap, Qt::Vertical);
    const QFontMetrics fm(font());
    const int n = m_xAxis.divisions;
    const double w = m_plot.width();
    for (int i = 0; i <= n; ++i) {
        const double x = m_plot.left() + w * i / n;
        p.drawLine(QPointF(x, line), QPointF(x, line + major));
        const double v = m_xAxis.min + (m_xAxis.max - m_xAxis.min) * i / n;
        const QString text = label(v, m_xAxis.format);
        const double tw = fm.horizontalAdvance(text) + 4;
        p.drawText(QRectF(x - tw / 2, line + gap, tw, fm.height()), Qt::AlignCenter, text);
        if (i < n) {
            for (int s = 1; s < m_xAxis.subdivisions; ++s) {
                const double xs = x + w / n * s / m_xAxis.subdivisions;
                p.drawLine(QPointF(xs, line), QPointF(xs, line + minor));
            }
        }
    }
}

void ChartPane::paintEvent(QPaintEvent *event)
{
    if (!m_cacheValid || m_cache.devicePixelRatio() != devicePixelRatioF())
        renderCache();
    QPainter p(this);
    const QRect dirty = event->rect();

    if (dirty.intersects(m_plot))
        p.drawPixmap(m_plot.topLeft(), m_cache);
    // A new segment only dirties the drawing area; scales and title stay as painted.
    if (m_plot.contains(dirty))
        return;

    p.setPen(palette().color(QPalette::WindowText));
    if (dirty.intersects(m_titleRect)) {
        p.setFont(titleFont());
        p.drawText(m_titleRect.adjusted(m_plot.left(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_title);
        p.setFont(font());
    }
    QPen framePen(kFrameColour, 1);
    p.setPen(framePen);
    p.drawRect(m_plot.adjusted(-1, -1, 0, 0));
    p.setPen(palette().color(QPalette::WindowText));
    if (dirty.intersects(m_yBox))
        paintYScale(p);
    if (dirty.intersects(m_xBox))
        paintXScale(p);
}
