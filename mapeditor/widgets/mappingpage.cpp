#include "mapeditor/widgets/mappingpage.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/framestate.h"
#include "app/texts.h"
#include "live/widgets/livechart.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/correctiongraph.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kBoxChars = 3;   // 0..300 and 0..100
constexpr int kDeltaPMax = 300;
constexpr int kDcInMax = 100;
constexpr int kBoxCount = 10;         // DCIN 0..3, DeltaP 0..5
constexpr int kHighlightMargin = 3;   // the rectangle lies this far outside its box
constexpr int kMarkWidth = 15;        // odd: the centre is a whole pixel
constexpr int kMarkHeight = 19;
constexpr int kAxisTop = 3;   // top of the marks in the panel
constexpr int kRowGap = 8;    // leaves room for the highlight between the rows

const QColor kAccent(24, 104, 204);
const QColor kAxis(120, 132, 146);

void paintBox(QLineEdit *box, const QColor &colour)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, colour);
    box->setPalette(pal);
}

// A box's number: digits only (the validator keeps anything else out), spaces
// ignored, empty counting as 0.
int valueOf(const QString &text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    return digits.isEmpty() ? 0 : digits.toInt();
}

// The keys that step a percentage with Shift held: "+" and "-" of the main keyboard
// (on Italian keyboards Shift turns "+" into "*") and of the keypad.
bool isPlusKey(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Plus || (key->key() == Qt::Key_Asterisk && !(key->modifiers() & Qt::KeypadModifier));
}
bool isMinusKey(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Minus || key->key() == Qt::Key_Underscore;
}

// Keys that carry no character: they keep their usual editing meaning.
bool isMovementKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock: return true;
    default: return false;
    }
}

// The strip under the graph: the breakpoint axis the marks run along, the boxes
// and their captions.
class EditPanel : public QWidget {
public:
    explicit EditPanel(QWidget *parent) : QWidget(parent) {}
    QLine axis;

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (axis.isNull())
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF groove(axis.x1(), axis.y1() - 1.5, axis.x2() - axis.x1(), 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(214, 220, 227));
        p.drawRoundedRect(groove, 1.5, 1.5);
        QPen end(kAxis, 1);
        end.setCosmetic(true);
        p.setPen(end);
        for (int x : {axis.x1(), axis.x2()})
            p.drawLine(QPointF(x + 0.5, axis.y1() - 5), QPointF(x + 0.5, axis.y1() + 5));
    }
};

// A mark `PTacca`: a pointer aimed up at its guide in the graph.
class BreakpointMark : public QWidget {
public:
    explicit BreakpointMark(QWidget *parent) : QWidget(parent)
    {
        setFixedSize(kMarkWidth, kMarkHeight);
        setCursor(Qt::SizeHorCursor);
        setFocusPolicy(Qt::NoFocus);
    }
    void setDragging(bool on)
    {
        m_dragging = on;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double w = width(), h = height(), c = w / 2.0;
        QPainterPath shape;
        shape.moveTo(c, 0.5);
        shape.lineTo(w - 0.5, c);
        shape.lineTo(w - 0.5, h - 0.5);
        shape.lineTo(0.5, h - 0.5);
        shape.lineTo(0.5, c);
        shape.closeSubpath();
        p.setPen(QPen(kAccent.darker(140), 1));
        p.setBrush(m_dragging ? kAccent.lighter(125) : kAccent);
        p.drawPath(shape);
        QPen grip(QColor(255, 255, 255, 200), 1);
        p.setPen(grip);
        for (double y : {c + 4, c + 7})
            p.drawLine(QPointF(3.5, y), QPointF(w - 3.5, y));
    }

private:
    bool m_dragging = false;
};

// The rectangle around the box with the focus.
class Highlight : public QWidget {
public:
    explicit Highlight(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kAccent, 2));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
};

}   // namespace

QString MappingPage::BoxText(double value, int width)
{
    const double r = std::round(value);   // halves away from zero
    return QString::number(qint64(r)).rightJustified(width, QLatin1Char(' ')).right(width);
}

MappingPage::MappingPage(const FrameState &frame, MapModel &map, QWidget *parent) : QWidget(parent), m_map(map)
{
    setObjectName(QStringLiteral("PaginaF6"));
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(10, 8, 10, 8);
    page->setSpacing(4);

    m_graph = new CorrectionGraph(map.state(), this);
    page->addWidget(m_graph, 4);

    m_panel = new EditPanel(this);
    m_panel->setObjectName(QStringLiteral("PannelloF6"));
    m_captionDcIn = new QLabel(Testo(frame.id(254)).trimmed(), m_panel);
    m_captionDcIn->setObjectName(QStringLiteral("LabDcIn"));
    m_captionDeltaP = new QLabel(Testo(frame.id(253)).trimmed(), m_panel);
    m_captionDeltaP->setObjectName(QStringLiteral("LabDeltaP"));

    m_highlight = new Highlight(m_panel);
    m_highlight->setObjectName(QStringLiteral("Evidenzia"));
    m_highlight->hide();

    QFont boxFont(QStringLiteral("DejaVu Sans Mono"));
    boxFont.setStyleHint(QFont::Monospace);
    boxFont.setBold(true);
    boxFont.setPixelSize(15);
    const int boxW = QFontMetrics(boxFont).horizontalAdvance(QStringLiteral("0000")) + 18;
    auto *digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9 ]*")), this);
    for (int order = 0; order < kBoxCount; ++order) {
        auto *b = new QLineEdit(m_panel);
        b->setObjectName(order < 4 ? QStringLiteral("DCIN%1").arg(order) : QStringLiteral("DeltaP%1").arg(order - 4));
        b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        b->setMaxLength(kBoxChars);
        b->setValidator(digits);
        b->setFont(boxFont);
        b->setFixedWidth(boxW);
        // Text comes in by the keys only: no pasting from a menu or dropping.
        b->setContextMenuPolicy(Qt::NoContextMenu);
        b->setAcceptDrops(false);
        paintBox(b, Qt::white);
        b->installEventFilter(this);
        if (order < 4)
            m_dcIn[order] = b;
        else
            m_deltaP[order - 4] = b;
    }
    for (int order = 1; order < kBoxCount; ++order)
        setTabOrder(box(order - 1), box(order));
    for (int i = 0; i < 4; ++i) {
        auto *mark = new BreakpointMark(m_panel);
        mark->setObjectName(QStringLiteral("PTacca%1").arg(i));
        mark->installEventFilter(this);
        m_marks[i] = mark;
    }

    const int boxH = m_deltaP[0]->sizeHint().height();
    m_panel->setFixedHeight(kAxisTop + kMarkHeight + kRowGap + 2 * boxH + kRowGap + kHighlightMargin + 1);
    const int captionW = std::max(m_captionDcIn->sizeHint().width(), m_captionDeltaP->sizeHint().width());
    m_graph->setMinimumMargins(captionW + boxW / 2 + 16, boxW / 2 + 4);
    page->addWidget(m_panel);
    m_panel->installEventFilter(this);
    m_graph->installEventFilter(this);

    auto *chartRow = new QHBoxLayout;
    chartRow->setContentsMargins(0, 8, 0, 0);
    chartRow->setSpacing(10);
    m_chart = new LiveChart(this);
    m_chart->setObjectName(QStringLiteral("GraficoLive"));
    chartRow->addWidget(m_chart, 1);
    m_azzero = new PictureButton(this);
    m_azzero->setObjectName(QStringLiteral("Azzero"));
    LoadFaceButton(frame, m_azzero, 131, 132);
    m_azzero->setToolTip(QStringLiteral("Ctrl+Z"));
    m_azzero->setFixedSize(m_azzero->sizeHint());
    chartRow->addWidget(m_azzero, 0, Qt::AlignTop);
    page->addLayout(chartRow, 6);

    fillBoxes();
    placeBoxes();
}

QLineEdit *MappingPage::box(int order) const
{
    return order < 4 ? m_dcIn[order] : m_deltaP[order - 4];
}

int MappingPage::orderOf(const QObject *watched) const
{
    for (int order = 0; order < kBoxCount; ++order) {
        if (box(order) == watched)
            return order;
    }
    return -1;
}

QLine MappingPage::breakpointAxis() const
{
    return static_cast<const EditPanel *>(m_panel)->axis;
}

bool MappingPage::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((watched == m_panel || watched == m_graph) && (type == QEvent::Resize || type == QEvent::Move)) {
        placeBoxes();
        return QWidget::eventFilter(watched, event);
    }
    if (const int order = orderOf(watched); order >= 0) {
        if (type == QEvent::KeyPress)
            return boxKey(order, static_cast<QKeyEvent *>(event));
        if (type == QEvent::FocusIn && m_current != order) {
            if (m_current >= 0)
                leaveBox(m_current);   // the focus moved on while the window was in the background
            enterBox(order);
        }
        // Another window coming up (a message, another program) is no leaving: the
        // box keeps what is being typed until the fitter comes back to it.
        if (type == QEvent::FocusOut && m_current == order) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                leaveBox(order);
        }
        return QWidget::eventFilter(watched, event);
    }
    for (int i = 0; i < 4; ++i) {
        if (watched == m_marks[i]
            && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease))
            return markMouse(i, static_cast<QMouseEvent *>(event));
    }
    return QWidget::eventFilter(watched, event);
}

// Box k of a row under the graph's column k of six; `DCIN`(i) stands under
// column i + 1, the breakpoint it sets. The captions end left of column 0.
void MappingPage::placeBoxes()
{
    const QRect plot = m_graph->plotRect();
    const int offset = m_graph->x() - m_panel->x();
    const int x1 = offset + plot.left();
    const int width = plot.width();
    const int axisY = kAxisTop + kMarkWidth / 2;
    static_cast<EditPanel *>(m_panel)->axis = QLine(x1, axisY, x1 + width, axisY);

    const int h = m_deltaP[0]->sizeHint().height();
    const int dcInTop = kAxisTop + kMarkHeight + kRowGap;
    const int deltaTop = dcInTop + h + kRowGap;
    auto column = [&](int k) { return x1 + int(std::lround(width * k / 5.0)); };
    for (int k = 0; k < 6; ++k) {
        QLineEdit *b = m_deltaP[k];
        b->setGeometry(column(k) - b->width() / 2, deltaTop, b->width(), h);
    }
    for (int i = 0; i < 4; ++i) {
        QLineEdit *b = m_dcIn[i];
        b->setGeometry(column(i + 1) - b->width() / 2, dcInTop, b->width(), h);
    }
    const int captionRight = m_deltaP[0]->x() - 10;
    for (QLabel *caption : {m_captionDcIn, m_captionDeltaP}) {
        const int w = caption->sizeHint().width();
        const int top = caption == m_captionDcIn ? dcInTop : deltaTop;
        caption->setGeometry(std::max(0, captionRight - w), top, std::min(w, captionRight), h);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (m_current >= 0)
        m_highlight->setGeometry(box(m_current)->geometry().adjusted(-kHighlightMargin, -kHighlightMargin,
                                                                     kHighlightMargin, kHighlightMargin));
    placeMarks();
    m_panel->update();
}

// Mark i with its centre on the axis at breakpoint i + 1.
void MappingPage::placeMarks()
{
    const MapEditorState &st = m_map.state();
    const QLine axis = breakpointAxis();
    const double span = st.GraphXMax - st.GraphXMin;
    const int width = axis.x2() - axis.x1();
    for (int i = 0; i < 4; ++i) {
        const double x = span != 0 ? width * st.DcInThreshold[i + 1] / span : 0;
        const int centre = axis.x1() + int(std::lround(x));
        m_marks[i]->move(centre - kMarkWidth / 2, kAxisTop);
    }
}

void MappingPage::fillBoxes()
{
    const MapEditorState &st = m_map.state();
    for (int k = 0; k < 6; ++k)
        m_deltaP[k]->setText(BoxText(st.DeltaFlow[k], kBoxChars));
    for (int i = 0; i < 4; ++i)
        m_dcIn[i]->setText(BoxText(st.DcInThreshold[i + 1], kBoxChars));
    // A box being edited shows the new value bare, and gives it back if emptied.
    if (m_current >= 0) {
        m_savedText = box(m_current)->text();
        box(m_current)->setText(m_savedText.trimmed());
    }
    DrawCorrectionGraph();
}

void MappingPage::showValues()
{
    fillBoxes();
    m_map.ComputeSegments();
    m_map.edit().PageModified[0] = false;
}

void MappingPage::DrawCorrectionGraph()
{
    MapEditorState &st = m_map.edit();
    const auto [lo, hi] = std::minmax_element(st.DeltaFlow.begin(), st.DeltaFlow.end());
    if (*lo != *hi) {
        st.GraphYMin = *lo;
        st.GraphYMax = *hi;
    }
    m_graph->update();
    placeMarks();
}

void MappingPage::setDeltaPMarks(const std::array<bool, 6> &red)
{
    for (int k = 0; k < 6; ++k)
        paintBox(m_deltaP[k], red[k] ? QColor(255, 0, 0) : QColor(Qt::white));
}

void MappingPage::MoveOperatingMarker(double x)
{
    m_graph->MoveOperatingMarker(x);
}

// ---- the boxes ----

void MappingPage::focusBox(int order)
{
    // As the Tab key does: the number comes up selected, ready to be typed over.
    box((order + kBoxCount) % kBoxCount)->setFocus(Qt::TabFocusReason);
}

bool MappingPage::boxKey(int order, QKeyEvent *key)
{
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool dcIn = order < 4;
    QLineEdit *b = box(order);

    // Page keys and, in a percentage, Shift with "+" / "-".
    if ((key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp) && mods == Qt::NoModifier) {
        focusBox(order + (key->key() == Qt::Key_PageDown ? 1 : -1));
        return true;
    }
    if (!dcIn && mods == Qt::ShiftModifier && (isPlusKey(key) || isMinusKey(key))) {
        const int v = valueOf(b->text());
        if (isPlusKey(key) && v < kDeltaPMax)
            b->setText(QString::number(v + 1));
        else if (isMinusKey(key) && v > 0)
            b->setText(QString::number(v - 1));
        return true;
    }

    // Characters.
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: focusBox(order + 1); return true;
    case Qt::Key_Backspace: return false;
    case Qt::Key_Space: b->clear(); return true;
    default: break;
    }
    if (isMovementKey(key->key()))
        return false;
    const QString text = key->text();
    if (text.size() == 1 && text.at(0).isDigit() && text.at(0) <= QLatin1Char('9')
        && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (dcIn && (text == QLatin1String("+") || text == QLatin1String("-"))) {
        const int v = valueOf(b->text());
        if (text == QLatin1String("+")) {
            if (v < kDcInMax && (order == 3 || v < valueOf(m_dcIn[order + 1]->text())))
                b->setText(QString::number(v + 1));
        } else if (v > 0 && (order == 0 || v > valueOf(m_dcIn[order - 1]->text()))) {
            b->setText(QString::number(v - 1));
        }
    }
    return true;
}

void MappingPage::enterBox(int order)
{
    m_current = order;
    QLineEdit *b = box(order);
    m_highlight->setGeometry(
        b->geometry().adjusted(-kHighlightMargin, -kHighlightMargin, kHighlightMargin, kHighlightMargin));
    m_highlight->lower();
    m_highlight->show();
    m_savedText = b->text();
    b->setText(b->text().trimmed());
}

void MappingPage::leaveBox(int order)
{
    m_current = -1;
    if (order < 4)
        leaveDcIn(order);
    else
        leaveDeltaP(order - 4);
    m_highlight->hide();
    committed();
}

void MappingPage::leaveDcIn(int i)
{
    QLineEdit *b = m_dcIn[i];
    int v = std::clamp(valueOf(b->text()), 0, kDcInMax);
    // The breakpoints never decrease: a box passing a neighbour takes its value.
    if (i > 0 && valueOf(m_dcIn[i - 1]->text()) > v)
        v = valueOf(m_dcIn[i - 1]->text());
    if (i < 3 && valueOf(m_dcIn[i + 1]->text()) < v)
        v = valueOf(m_dcIn[i + 1]->text());
    b->setText(BoxText(v, kBoxChars));
    MapEditorState &st = m_map.edit();
    st.DcInThreshold[i + 1] = v;
    if (st.DcInThreshold[i + 1] != st.DcInThresholdInitial[i + 1])
        st.PageModified[0] = true;
}

void MappingPage::leaveDeltaP(int i)
{
    QLineEdit *b = m_deltaP[i];
    if (b->text().trimmed().isEmpty())
        b->setText(m_savedText);
    const int v = std::clamp(valueOf(b->text()), 0, kDeltaPMax);
    b->setText(BoxText(v, kBoxChars));
    MapEditorState &st = m_map.edit();
    st.DeltaFlow[i] = v;
    if (st.DeltaFlow[i] != st.DeltaFlowInitial[i])
        st.PageModified[0] = true;
}

void MappingPage::committed()
{
    DrawCorrectionGraph();
    m_map.ComputeSegments();
}

// ---- the marks ----

bool MappingPage::markMouse(int i, QMouseEvent *mouse)
{
    auto *mark = static_cast<BreakpointMark *>(m_marks[i]);
    const int pointerX = int(std::floor(mark->mapTo(m_panel, mouse->position()).x()));
    switch (mouse->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return true;
        m_pressX = pointerX - mark->x();
        // Marks lying on one another move as one until the pointer goes left (the
        // first of them follows) or right (the last follows).
        m_dragFirst = m_dragLast = i;
        while (m_dragFirst > 0 && m_marks[m_dragFirst - 1]->x() == mark->x())
            --m_dragFirst;
        while (m_dragLast < 3 && m_marks[m_dragLast + 1]->x() == mark->x())
            ++m_dragLast;
        m_dragMark = m_dragFirst == m_dragLast ? i : -1;
        mark->setDragging(true);
        return true;
    case QEvent::MouseMove: {
        if (!(mouse->buttons() & Qt::LeftButton) || m_dragFirst < 0)
            return true;
        const int newLeft = pointerX - m_pressX;
        if (m_dragMark < 0) {
            const int left = m_marks[m_dragFirst]->x();
            if (newLeft == left)
                return true;
            m_dragMark = newLeft < left ? m_dragFirst : m_dragLast;
        }
        dragMark(m_dragMark, newLeft);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (mouse->button() == Qt::LeftButton) {
            mark->setDragging(false);
            m_dragMark = m_dragFirst = m_dragLast = -1;
        }
        return true;
    default: return false;
    }
}

void MappingPage::dragMark(int i, int newLeft)
{
    if (i > 0 && m_marks[i - 1]->x() > newLeft)
        newLeft = m_marks[i - 1]->x();
    if (i < 3 && m_marks[i + 1]->x() < newLeft)
        newLeft = m_marks[i + 1]->x();
    const QLine axis = breakpointAxis();
    const int half = kMarkWidth / 2;
    if (newLeft + half < axis.x1())
        newLeft = axis.x1() - half;
    else if (newLeft + half > axis.x2())
        newLeft = axis.x2() - half;

    MapEditorState &st = m_map.edit();
    const int centre = newLeft + half;
    const int width = axis.x2() - axis.x1();
    const double value = width > 0 ? (centre - axis.x1()) * (st.GraphXMax - st.GraphXMin) / width : 0;
    // A box being edited keeps its number bare, so that it can be typed over.
    const QString text = BoxText(value, kBoxChars);
    m_dcIn[i]->setText(m_current == i ? text.trimmed() : text);
    st.DcInThreshold[i + 1] = valueOf(text);
    if (st.DcInThreshold[i + 1] != st.DcInThresholdInitial[i + 1])
        st.PageModified[0] = true;
    committed();
}
