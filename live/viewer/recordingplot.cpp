#include "live/viewer/recordingplot.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "live/livedata.h"
#include "live/recordingreader.h"

namespace {

// The live chart's look, so a recording reads like the drive it came from.
const QColor kBackground(18, 24, 31);
const QColor kPlotBackground(24, 31, 40);
const QColor kGridColour(58, 72, 86);
const QColor kFrameColour(92, 107, 120);
const QColor kTextColour(205, 214, 222);
const QColor kCursorColour[2] = {QColor(255, 213, 74), QColor(79, 195, 247)};

constexpr int kFuelChannel = 14;   // live channel 14 holds the fuel's name
constexpr int kLeftMargin = 62;
constexpr int kRightMargin = 10;
constexpr int kTopMargin = 6;
constexpr int kPaneGap = 8;
constexpr int kDragThreshold = 4;

// Muted so the traces stay in front; the state names are read on them.
const QColor kStateColours[] = {QColor(84, 110, 122), QColor(121, 97, 72),  QColor(72, 112, 88), QColor(110, 84, 118),
                                QColor(122, 116, 70), QColor(70, 100, 128), QColor(128, 80, 80), QColor(92, 92, 92)};

QString tickText(double v, double step)
{
    const int decimals = step >= 1 ? 0 : std::min(6, int(std::ceil(-std::log10(step))));
    return QString::number(v, 'f', decimals);
}

}   // namespace

RecordingPlot::RecordingPlot(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RecordingPlot"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor RecordingPlot::channelColour(int channel)
{
    static const QColor colours[] = {
        QColor(255, 99, 99),   QColor(102, 204, 255), QColor(255, 176, 59),  QColor(186, 134, 255),
        QColor(255, 235, 59),  QColor(150, 150, 150), QColor(77, 208, 160),  QColor(255, 138, 201),
        QColor(144, 202, 249), QColor(129, 255, 129), QColor(255, 204, 153), QColor(171, 218, 80),
        QColor(240, 128, 60),  QColor(100, 230, 230), QColor(200, 200, 200),
    };
    return colours[size_t(channel) % std::size(colours)];
}

void RecordingPlot::setRecording(const RecordingReader *rec)
{
    m_rec = rec;
    m_stateIndex.clear();
    m_cursor = {-1, -1};
    m_view.setTotal(rec ? rec->sampleCount() : 0);
    m_columns.clear();
    if (rec) {
        for (int ch = 0; ch < rec->channelCount(); ++ch)
            m_columns.emplace_back(rec->values(ch));
        for (int ch : textChannels()) {
            if (ch == kFuelChannel)
                continue;
            for (int row = 0; row < rec->sampleCount(); ++row) {
                const QByteArrayView cell = rec->cellBytes(ch, row);
                if (!cell.isEmpty() && !m_stateIndex.contains(cell.toByteArray()))
                    m_stateIndex.insert(cell.toByteArray(), int(m_stateIndex.size()));
            }
        }
    }
    changed();
    emit cursorsChanged();
}

void RecordingPlot::setOverlay(const RecordingReader *rec)
{
    m_overlay = rec;
    m_overlayColumns.clear();
    if (rec) {
        for (int ch = 0; ch < rec->channelCount(); ++ch)
            m_overlayColumns.emplace_back(rec->values(ch));
    }
    changed();
}

void RecordingPlot::setOverlayOffset(int offset)
{
    m_overlayOffset = offset;
    changed();
}

void RecordingPlot::setLanguage(int lingua)
{
    m_lingua = lingua;
    update();
}

void RecordingPlot::setAxisTitles(const QString &sample, const QString &time)
{
    m_sampleTitle = sample;
    m_timeTitle = time;
    update();
}

void RecordingPlot::setPaneChannels(int pane, const QList<int> &channels)
{
    m_panes[size_t(pane)].channels = channels;
    changed();
}

void RecordingPlot::setPaneScale(int pane, bool automatic, YScale limits)
{
    Pane &p = m_panes[size_t(pane)];
    p.automatic = automatic;
    if (!automatic && limits.max <= limits.min)
        limits.max = limits.min + 1;
    p.limits = limits;
    changed();
}

YScale RecordingPlot::paneScale(int pane) const
{
    const Pane &p = m_panes[size_t(pane)];
    if (!p.automatic || !m_rec || m_view.isEmpty())
        return p.limits;
    double lo = qQNaN(), hi = qQNaN();
    auto widen = [&](const MinMax &mm) {
        if (mm.isEmpty())
            return;
        lo = std::isnan(lo) ? mm.min : std::min(lo, mm.min);
        hi = std::isnan(hi) ? mm.max : std::max(hi, mm.max);
    };
    for (int ch : p.channels) {
        if (ch < int(m_columns.size()))
            widen(m_columns[size_t(ch)].range(m_view.first(), m_view.last()));
        if (ch < int(m_overlayColumns.size())) {
            const int n = m_overlayColumns[size_t(ch)].size();
            const int a = std::max(0, m_view.first() - m_overlayOffset);
            const int b = std::min(n - 1, m_view.last() - m_overlayOffset);
            if (a <= b)
                widen(m_overlayColumns[size_t(ch)].range(a, b));
        }
    }
    return AutoScale(lo, hi);
}

int RecordingPlot::shownPaneCount() const
{
    return int(shownPanes().size());
}

QList<int> RecordingPlot::shownPanes() const
{
    QList<int> shown;
    for (int i = 0; i < kMaxPanes; ++i) {
        if (!m_panes[size_t(i)].channels.isEmpty())
            shown << i;
    }
    return shown;
}

QList<int> RecordingPlot::textChannels() const
{
    QList<int> text;
    if (m_rec) {
        for (int ch = 0; ch < m_rec->channelCount(); ++ch) {
            if (!m_rec->isNumeric(ch))
                text << ch;
        }
    }
    return text;
}

void RecordingPlot::showAll()
{
    m_view.showAll();
    changed();
}

void RecordingPlot::setCursor(int which, int row)
{
    if (row >= m_view.total())
        row = m_view.total() - 1;
    m_cursor[size_t(which)] = std::max(-1, row);
    update();
    emit cursorsChanged();
}

int RecordingPlot::bandHeight() const
{
    return fontMetrics().height() + 4;
}

int RecordingPlot::axisHeight() const
{
    return 2 * fontMetrics().height() + 10;
}

QRect RecordingPlot::plotRect() const
{
    const int bands = int(textChannels().size());
    const int bottom = height() - axisHeight() - bands * (bandHeight() + 2) - 4;
    return QRect(QPoint(kLeftMargin, kTopMargin), QPoint(width() - kRightMargin - 1, bottom));
}

QRect RecordingPlot::paneRect(int index, int shown) const
{
    const QRect all = plotRect();
    if (shown <= 0)
        return all;
    const int h = (all.height() - (shown - 1) * kPaneGap) / shown;
    return QRect(all.left(), all.top() + index * (h + kPaneGap), all.width(), h);
}

int RecordingPlot::rowAtX(int x) const
{
    const QRect r = plotRect();
    return m_view.rowAt(x - r.left(), r.width());
}

double RecordingPlot::xOfRow(int row) const
{
    const QRect r = plotRect();
    return r.left() + m_view.xOfRowCentre(row, r.width());
}

void RecordingPlot::changed()
{
    update();
    emit viewChanged();
}

// ---- painting

void RecordingPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setFont(font());
    const QRect all = plotRect();
    if (!m_rec || m_view.isEmpty() || all.width() < 10 || all.height() < 10)
        return;

    const QList<int> shown = shownPanes();
    for (int i = 0; i < shown.size(); ++i)
        paintPane(p, shown[i], paneRect(i, int(shown.size())));

    const QList<int> text = textChannels();
    int y = all.bottom() + 5;
    for (int ch : text) {
        paintBand(p, ch, QRect(all.left(), y, all.width(), bandHeight()));
        y += bandHeight() + 2;
    }
    paintAxis(p, QRect(all.left(), y, all.width(), axisHeight()));
    paintMarks(p, QRect(all.topLeft(), QPoint(all.right(), y - 2)));

    if (m_drag == Drag::Band) {
        const QRect band = QRect(QPoint(std::clamp(m_pressPos.x(), all.left(), all.right()), all.top()),
                                 QPoint(std::clamp(m_dragPos.x(), all.left(), all.right()), all.bottom()))
                               .normalized();
        p.fillRect(band, QColor(255, 255, 255, 40));
        p.setPen(QColor(255, 255, 255, 150));
        p.drawRect(band);
    }
}

void RecordingPlot::paintPane(QPainter &p, int pane, const QRect &r)
{
    p.fillRect(r, kPlotBackground);
    const YScale s = paneScale(pane);
    const QFontMetrics fm = fontMetrics();

    // Grid and the pane's own scale at the left.
    const double step = NiceStep(s.min, s.max, std::max(2, r.height() / (fm.height() * 2)));
    p.setPen(kGridColour);
    for (double v = std::ceil(s.min / step) * step; v <= s.max; v += step) {
        const int y = int(std::lround(r.bottom() - (v - s.min) / (s.max - s.min) * r.height()));
        p.setPen(kGridColour);
        p.drawLine(r.left(), y, r.right(), y);
        p.setPen(kTextColour);
        const QRect label(0, y - fm.height() / 2, kLeftMargin - 6, fm.height());
        if (label.top() >= r.top() - fm.height() / 2 && label.bottom() <= r.bottom() + fm.height() / 2)
            p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, tickText(std::abs(v) < step / 1e6 ? 0 : v, step));
    }

    p.save();
    p.setClipRect(r.adjusted(0, 0, 1, 1));
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int ch : m_panes[size_t(pane)].channels) {
        if (m_overlay)
            paintOverlayTrace(p, r, s, ch);
        paintTrace(p, r, s, ch);
    }
    p.restore();

    // Names and units in their colours, top left, over a shade so they read on any trace.
    int x = r.left() + 6;
    for (int ch : m_panes[size_t(pane)].channels) {
        const QString unit = m_rec->channelUnit(ch);
        const QString label = unit.isEmpty() || unit == QLatin1String("-")
                                  ? m_rec->channelName(ch)
                                  : QStringLiteral("%1 [%2]").arg(m_rec->channelName(ch), unit);
        const QRect box(x, r.top() + 3, fm.horizontalAdvance(label) + 8, fm.height() + 2);
        p.fillRect(box, QColor(10, 14, 18, 190));
        p.setPen(channelColour(ch));
        p.drawText(box, Qt::AlignCenter, label);
        x = box.right() + 6;
    }
    p.setPen(kFrameColour);
    p.drawRect(r);
}

void RecordingPlot::paintTrace(QPainter &p, const QRect &r, const YScale &s, int ch)
{
    if (ch >= int(m_columns.size()))
        return;
    const double scale = r.height() / (s.max - s.min);
    auto yOf = [&](double v) { return r.bottom() - (v - s.min) * scale; };
    QPen pen(channelColour(ch), 1.4);
    pen.setCosmetic(true);
    p.setPen(pen);
    const std::vector<int> &runs = m_rec->runStarts();
    const int width = r.width();

    if (m_view.count() <= width) {
        // Zoomed in: a line through the samples, broken where a value is missing
        // or a continued recording starts again.
        QPainterPath path;
        bool open = false;
        const int a = std::max(0, m_view.first() - 1), b = std::min(m_view.total() - 1, m_view.last() + 1);
        for (int row = a; row <= b; ++row) {
            const double v = m_rec->value(ch, row);
            const bool breaks = std::binary_search(runs.begin(), runs.end(), row);
            if (std::isnan(v)) {
                open = false;
                continue;
            }
            const QPointF pt(r.left() + m_view.xOfRowCentre(row, width), yOf(v));
            if (!open || breaks)
                path.moveTo(pt);
            else
                path.lineTo(pt);
            open = true;
        }
        p.drawPath(path);
        if (m_view.count() * 4 <= width) {
            // Few enough samples to mark each one.
            p.setBrush(channelColour(ch));
            for (int row = m_view.first(); row <= m_view.last(); ++row) {
                const double v = m_rec->value(ch, row);
                if (!std::isnan(v))
                    p.drawEllipse(QPointF(r.left() + m_view.xOfRowCentre(row, width), yOf(v)), 1.8, 1.8);
            }
            p.setBrush(Qt::NoBrush);
        }
        return;
    }

    // Zoomed out: each column from its lowest to its highest value, joined to the next.
    m_columns[size_t(ch)].columns(m_view.first(), m_view.last(), width, m_scratch);
    std::vector<QLineF> lines;
    lines.reserve(size_t(width) * 2);
    const MinMax *prev = nullptr;
    for (int c = 0; c < width; ++c) {
        const MinMax &mm = m_scratch[size_t(c)];
        if (mm.isEmpty()) {
            prev = nullptr;
            continue;
        }
        const double x = r.left() + c + 0.5;
        lines.emplace_back(x, yOf(mm.min), x, yOf(mm.max) - 0.01);
        if (prev) {
            if (prev->max < mm.min)
                lines.emplace_back(x - 1, yOf(prev->max), x, yOf(mm.min));
            else if (prev->min > mm.max)
                lines.emplace_back(x - 1, yOf(prev->min), x, yOf(mm.max));
        }
        prev = &mm;
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    pen.setWidthF(1.0);
    p.setPen(pen);
    p.drawLines(lines.data(), int(lines.size()));
    p.setRenderHint(QPainter::Antialiasing, true);
}

void RecordingPlot::paintOverlayTrace(QPainter &p, const QRect &r, const YScale &s, int ch)
{
    if (ch >= int(m_overlayColumns.size()) || !m_overlay->isNumeric(ch))
        return;
    const MinMaxColumns &cols = m_overlayColumns[size_t(ch)];
    const int n = cols.size();
    const double scale = r.height() / (s.max - s.min);
    auto yOf = [&](double v) { return r.bottom() - (v - s.min) * scale; };
    // Paler than the drive itself, so the eye tells the two apart before the dashes.
    QColor colour = channelColour(ch).lighter(125);
    colour.setAlpha(200);
    QPen pen(colour, 1.2, Qt::DashLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    const int width = r.width();
    QPainterPath upper, lower;
    bool open = false;

    if (m_view.count() <= width) {
        const int a = std::max(0, m_view.first() - 1 - m_overlayOffset);
        const int b = std::min(n - 1, m_view.last() + 1 - m_overlayOffset);
        for (int row = a; row <= b; ++row) {
            const double v = m_overlay->value(ch, row);
            if (std::isnan(v)) {
                open = false;
                continue;
            }
            const QPointF pt(r.left() + m_view.xOfRowCentre(row + m_overlayOffset, width), yOf(v));
            open ? upper.lineTo(pt) : upper.moveTo(pt);
            open = true;
        }
        p.drawPath(upper);
        return;
    }

    // Zoomed out: the dashed outline of the columns' lowest and highest values,
    // which keeps the overlay's peaks without hiding the main trace.
    const qint64 first = m_view.first(), count = m_view.count();
    for (int c = 0; c < width; ++c) {
        const qint64 a = first + (c * count + width - 1) / width;
        const qint64 b = first + ((c + 1) * count + width - 1) / width - 1;
        const int oa = int(std::max<qint64>(0, a - m_overlayOffset));
        const int ob = int(std::min<qint64>(n - 1, b - m_overlayOffset));
        const MinMax mm = oa <= ob ? cols.range(oa, ob) : MinMax{};
        if (mm.isEmpty()) {
            open = false;
            continue;
        }
        const double x = r.left() + c + 0.5;
        if (open) {
            upper.lineTo(x, yOf(mm.max));
            lower.lineTo(x, yOf(mm.min));
        } else {
            upper.moveTo(x, yOf(mm.max));
            lower.moveTo(x, yOf(mm.min));
        }
        open = true;
    }
    p.drawPath(upper);
    p.drawPath(lower);
}

namespace {
constexpr int kMinNamedStretch = 24;   // narrower than any state name in any language
}   // namespace

QColor RecordingPlot::bandColour(int ch, int row) const
{
    const QByteArrayView cell = m_rec->cellBytes(ch, row);
    if (cell.isEmpty() || cell.startsWith("--"))
        return QColor();
    if (ch == kFuelChannel) {
        // The live display's fuel colours.
        // Asked for every stretch of a zoomed-out band: the names are looked up once per language.
        if (m_fuelNamesLingua != m_lingua) {
            m_petrolName = LiveNameField(223, m_lingua).trimmed();
            m_gasName = LiveNameField(221, m_lingua).trimmed();
            m_fuelNamesLingua = m_lingua;
        }
        const QString text = m_rec->cellText(ch, row);
        if (text == m_petrolName)
            return QColor(0xff, 0, 0);
        if (text == m_gasName)
            return QColor(0, 0xff, 0);
        return QColor(0, 0, 0);
    }
    const int index = m_stateIndex.value(cell.toByteArray(), 0);
    return kStateColours[size_t(index) % std::size(kStateColours)];
}

void RecordingPlot::paintBand(QPainter &p, int ch, const QRect &r)
{
    const QFontMetrics fm = fontMetrics();
    p.fillRect(r, kPlotBackground);
    p.setPen(kTextColour);
    p.drawText(QRect(0, r.top(), kLeftMargin - 6, r.height()), Qt::AlignRight | Qt::AlignVCenter,
               m_rec->channelName(ch));

    // Stretches of equal cells, one sample per pixel column looked at.
    const int width = r.width();
    int start = 0;
    int startRow = m_view.rowAt(0.5, width);
    for (int c = 1; c <= width; ++c) {
        const int row = c < width ? m_view.rowAt(c + 0.5, width) : -1;
        if (row >= 0 && m_rec->cellBytes(ch, row) == m_rec->cellBytes(ch, startRow))
            continue;
        const QColor colour = bandColour(ch, startRow);
        if (colour.isValid()) {
            const QRect stretch(r.left() + start, r.top(), c - start, r.height());
            p.fillRect(stretch, colour);
            // Zoomed out most stretches are a few pixels wide: no name fits, none is measured.
            const QString name = stretch.width() >= kMinNamedStretch ? m_rec->cellText(ch, startRow) : QString();
            if (!name.isEmpty() && fm.horizontalAdvance(name) + 6 < stretch.width()) {
                p.setPen(colour.lightness() > 140 ? Qt::black : Qt::white);
                p.drawText(stretch, Qt::AlignCenter, name);
            }
        }
        start = c;
        startRow = row;
    }
    p.setPen(kFrameColour);
    p.drawRect(r);
}

void RecordingPlot::paintAxis(QPainter &p, const QRect &r)
{
    const QFontMetrics fm = fontMetrics();
    const int width = r.width();
    p.setPen(kTextColour);
    p.drawText(QRect(0, r.top() + 4, kLeftMargin - 6, fm.height()), Qt::AlignRight, m_sampleTitle);
    p.drawText(QRect(0, r.top() + 4 + fm.height(), kLeftMargin - 6, fm.height()), Qt::AlignRight, m_timeTitle);

    // Ticks at round numbers of samples, wide enough apart for the time under them.
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("00:00:00.0")) + 16;
    const double step = std::max(1.0, NiceStep(0, m_view.count(), std::max(1, width / labelWidth)));
    const qint64 s = qint64(step);
    for (qint64 row = (m_view.first() + s - 1) / s * s; row <= m_view.last(); row += s) {
        const int x = int(std::lround(r.left() + m_view.xOfRowCentre(int(row), width)));
        p.setPen(kFrameColour);
        p.drawLine(x, r.top(), x, r.top() + 3);
        p.setPen(kTextColour);
        // The first and last labels stay under the plot, clear of the axis titles.
        QRect cell(x - labelWidth / 2, r.top() + 4, labelWidth, fm.height());
        if (cell.left() < r.left())
            cell.moveLeft(r.left());
        if (cell.right() > r.right())
            cell.moveRight(r.right());
        p.drawText(cell, Qt::AlignHCenter, QString::number(m_rec->sampleNumber(int(row))));
        p.drawText(cell.translated(0, fm.height()), Qt::AlignHCenter, FormatDuration(SampleSeconds(int(row))));
    }
}

// Continuation breaks and the cursors, across every pane and band.
void RecordingPlot::paintMarks(QPainter &p, const QRect &r)
{
    const int width = r.width();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen breakPen(QColor(230, 230, 230, 170), 1, Qt::DashDotLine);
    for (int row : m_rec->runStarts()) {
        if (row <= m_view.first() || row > m_view.last())
            continue;
        const int x = int(std::lround(r.left() + m_view.xOfRow(row, width)));
        p.setPen(breakPen);
        p.drawLine(x, r.top(), x, r.bottom());
        // Two slanted strokes at the top, the usual sign of an interrupted axis.
        p.setPen(QPen(QColor(230, 230, 230), 1));
        p.drawLine(x - 4, r.top() + 8, x, r.top());
        p.drawLine(x, r.top() + 8, x + 4, r.top());
    }
    for (int i = 0; i < 2; ++i) {
        const int row = m_cursor[size_t(i)];
        if (row < m_view.first() || row > m_view.last())
            continue;
        const int x = int(std::lround(r.left() + m_view.xOfRowCentre(row, width)));
        p.setPen(QPen(kCursorColour[i], 1, i == 0 ? Qt::SolidLine : Qt::DashLine));
        p.drawLine(x, r.top(), x, r.bottom());
        const QString tag = QString::number(i + 1);
        const QRect box(x - 7, r.bottom() - fontMetrics().height() - 1, 14, fontMetrics().height());
        p.fillRect(box, kCursorColour[i]);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, tag);
    }
}

// ---- mouse and keys

void RecordingPlot::wheelEvent(QWheelEvent *event)
{
    const QRect r = plotRect();
    const int delta = event->angleDelta().y();
    if (delta == 0 || m_view.isEmpty()) {
        event->ignore();
        return;
    }
    m_view.zoomAt(event->position().x() - r.left(), r.width(), std::pow(0.8, delta / 120.0));
    changed();
    event->accept();
}

void RecordingPlot::mousePressEvent(QMouseEvent *event)
{
    m_pressPos = m_dragPos = event->position().toPoint();
    m_pressFirst = m_view.first();
    if (event->button() == Qt::RightButton
        || (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)))
        m_drag = Drag::Band;
    else if (event->button() == Qt::LeftButton)
        m_drag = Drag::Click;
    else
        m_drag = Drag::None;
}

void RecordingPlot::mouseMoveEvent(QMouseEvent *event)
{
    m_dragPos = event->position().toPoint();
    if (m_drag == Drag::Click && std::abs(m_dragPos.x() - m_pressPos.x()) > kDragThreshold)
        m_drag = Drag::Pan;
    if (m_drag == Drag::Pan) {
        m_view.setFirst(m_pressFirst);
        m_view.panPixels(m_dragPos.x() - m_pressPos.x(), plotRect().width());
        changed();
    } else if (m_drag == Drag::Band) {
        update();
    }
}

void RecordingPlot::mouseReleaseEvent(QMouseEvent *event)
{
    const Drag drag = m_drag;
    m_drag = Drag::None;
    const QRect r = plotRect();
    const int x = event->position().toPoint().x();
    if (drag == Drag::Click && !m_view.isEmpty()) {
        setCursor(event->modifiers() & Qt::ControlModifier ? 1 : 0, rowAtX(x));
    } else if (drag == Drag::Band) {
        if (std::abs(x - m_pressPos.x()) > kDragThreshold)
            m_view.zoomToPixels(m_pressPos.x() - r.left(), x - r.left(), r.width());
        changed();
    }
}

void RecordingPlot::keyPressEvent(QKeyEvent *event)
{
    const int width = plotRect().width();
    switch (event->key()) {
    case Qt::Key_Home: showAll(); break;
    case Qt::Key_Left: m_view.panPixels(width / 4.0, width), changed(); break;
    case Qt::Key_Right: m_view.panPixels(-width / 4.0, width), changed(); break;
    case Qt::Key_Plus: m_view.zoomAt(width / 2.0, width, 0.5), changed(); break;
    case Qt::Key_Minus: m_view.zoomAt(width / 2.0, width, 2.0), changed(); break;
    default: QWidget::keyPressEvent(event);
    }
}
