#include "mapeditor/widgets/valuepage.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "app/framestate.h"
#include "app/texts.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/mappingpage.h"

namespace {

constexpr int kSmallStep = 1;
constexpr int kLargeStep = 5;
constexpr int kRingGap = 3;   // the rectangle lies this far outside the box (30 twips and its line)

// The number a text box holds, read as far as it reads as a number: an optional
// "-" and the digits after it. Anything else, or nothing, counts as 0.
qint64 numberIn(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype k = 0;
    const bool negative = k < t.size() && t.at(k) == QLatin1Char('-');
    if (negative)
        ++k;
    qint64 v = 0;
    for (; k < t.size() && t.at(k) >= QLatin1Char('0') && t.at(k) <= QLatin1Char('9'); ++k) {
        v = v * 10 + (t.at(k).unicode() - '0');
        if (v > 1000000000)
            break;   // far outside every slider: the limits apply anyway
    }
    return negative ? -v : v;
}

// The "+" and "-" keys of the Shift steps: the keypad keys and the main ones (on an
// Italian keyboard Shift and the "+" key give "*", Shift and "-" give "_"). Windows
// also names them by virtual-key code (107 and 187, 109 and 189), whatever they type.
bool isPlusKey(const QKeyEvent *key)
{
#ifdef Q_OS_WIN
    if (key->nativeVirtualKey() == 107 || key->nativeVirtualKey() == 187)
        return true;
#endif
    return key->key() == Qt::Key_Plus || (key->key() == Qt::Key_Asterisk && !(key->modifiers() & Qt::KeypadModifier));
}

bool isMinusKey(const QKeyEvent *key)
{
#ifdef Q_OS_WIN
    if (key->nativeVirtualKey() == 109 || key->nativeVirtualKey() == 189)
        return true;
#endif
    return key->key() == Qt::Key_Minus || key->key() == Qt::Key_Underscore;
}

void paintBox(QLineEdit *box, const QColor &colour)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, colour);
    box->setPalette(pal);
}

}   // namespace

// ---------------------------------------------------------------------------

FocusRing::FocusRing(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void FocusRing::showAround(QWidget *box)
{
    if (m_target != box) {
        if (m_target)
            m_target->removeEventFilter(this);
        m_target = box;
        if (m_target)
            m_target->installEventFilter(this);
    }
    place();
    show();
}

void FocusRing::hideRing()
{
    hide();
}

void FocusRing::place()
{
    if (!m_target || !parentWidget())
        return;
    const QPoint topLeft = m_target->mapTo(parentWidget(), QPoint(0, 0));
    setGeometry(QRect(topLeft, m_target->size()).adjusted(-kRingGap, -kRingGap, kRingGap, kRingGap));
    // Under the box, so only the frame around it shows.
    if (m_target->parentWidget() == parentWidget())
        stackUnder(m_target);
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        place();
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0xf0, 0x8c, 0x00), 2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
}

// ---------------------------------------------------------------------------

ValuePage::ValuePage(int page, MapModel &map, QWidget *parent) : QWidget(parent), m_map(map), m_page(page)
{
    m_content = new QFrame(this);
    m_content->setObjectName(QStringLiteral("Contenuto"));
}

QFont ValuePage::boxFont()
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setBold(true);
    f.setPixelSize(15);
    return f;
}

QColor ValuePage::modifiedColour()
{
    return QColor(255, 0, 0);
}
QColor ValuePage::standardColour()
{
    return QColor(0xd0, 0x00, 0x00);
}
QColor ValuePage::initialColour()
{
    return QColor(0x00, 0x30, 0xc0);
}

int ValuePage::boxWidth() const
{
    // Four digits (the cut-off threshold) and the frame: the same width on every page.
    return QFontMetrics(boxFont()).horizontalAdvance(QStringLiteral("0000")) + 18;
}

QLabel *ValuePage::makeLabel(QWidget *parent, const QString &name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLabel *ValuePage::makeValueLabel(QWidget *parent, const QString &name)
{
    QLabel *l = makeLabel(parent, name);
    l->setFont(boxFont());
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Read-only: grey, flat, the value where the box has it.
    l->setStyleSheet(QStringLiteral("QLabel { background: #e9ecef; color: #1d2731; border: 1px solid #b4bcc4;"
                                    " border-radius: 2px; padding: 0px 7px 0px 4px; }"));
    return l;
}

ValuePage::Field &ValuePage::addField(QWidget *parent, const FieldNames &names, const QString &captionText, int min,
                                      int max, FocusRing *ring)
{
    const int i = fieldCount();
    Field f;
    f.ring = ring;
    f.width = int(std::max(QString::number(min).size(), QString::number(max).size()));

    f.caption = makeLabel(parent, names.caption, captionText);
    f.caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    f.box = new QLineEdit(parent);
    f.box->setObjectName(names.box);
    f.box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    f.box->setMaxLength(f.width);
    f.box->setFont(boxFont());
    f.box->setFixedWidth(boxWidth());
    // Only the keys below put text in a box: no pasting by menu, no dropping.
    f.box->setContextMenuPolicy(Qt::NoContextMenu);
    f.box->setAcceptDrops(false);
    paintBox(f.box, Qt::white);
    f.box->installEventFilter(this);
    f.caption->setBuddy(f.box);

    f.slider = new QSlider(Qt::Horizontal, parent);
    f.slider->setObjectName(names.slider);
    f.slider->setRange(min, max);
    f.slider->setSingleStep(kSmallStep);
    f.slider->setPageStep(kLargeStep);
    // No ticks: the groove stays level with the box; the limits are written beside it.
    f.slider->setTickPosition(QSlider::NoTicks);
    f.slider->setMinimumWidth(96);
    f.slider->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(f.slider, &QAbstractSlider::valueChanged, this, [this, i](int v) { sliderChanged(i, v); });

    // The limits as the slider has them: the ranges are defined once, on the slider.
    f.min = makeLabel(parent, names.min, QString::number(f.slider->minimum()));
    f.max = makeLabel(parent, names.max, QString::number(f.slider->maximum()));
    for (QLabel *l : {f.min, f.max}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, QColor(0x50, 0x5a, 0x64));
        l->setPalette(pal);
        l->setAlignment(Qt::AlignCenter);
        // Three digits wide at least, so sliders of frames one above the other line up.
        l->setMinimumWidth(std::max(l->sizeHint().width(), l->fontMetrics().horizontalAdvance(QStringLiteral("000"))));
    }

    m_fields.push_back(f);
    return m_fields.back();
}

QLineEdit *ValuePage::field(int i) const
{
    return i >= 0 && i < fieldCount() ? m_fields[i].box : nullptr;
}
QSlider *ValuePage::slider(int i) const
{
    return i >= 0 && i < fieldCount() ? m_fields[i].slider : nullptr;
}
QLabel *ValuePage::caption(int i) const
{
    return i >= 0 && i < fieldCount() ? m_fields[i].caption : nullptr;
}
QLabel *ValuePage::minimum(int i) const
{
    return i >= 0 && i < fieldCount() ? m_fields[i].min : nullptr;
}
QLabel *ValuePage::maximum(int i) const
{
    return i >= 0 && i < fieldCount() ? m_fields[i].max : nullptr;
}
QWidget *ValuePage::highlight(int i) const
{
    return i >= 0 && i < fieldCount() ? m_fields[i].ring : nullptr;
}

int ValuePage::indexOf(const QObject *box) const
{
    for (int i = 0; i < fieldCount(); ++i)
        if (m_fields[i].box == box)
            return i;
    return -1;
}

void ValuePage::showValue(int i, double v)
{
    Field &f = m_fields[i];
    {
        const QSignalBlocker quiet(f.slider);
        f.slider->setValue(int(std::lround(v)));
    }
    f.box->setText(MappingPage::BoxText(v, f.width));
    paintBox(f.box, Qt::white);
}

void ValuePage::setModifiedFlag(bool on)
{
    m_map.edit().PageModified[m_page] = on;
}

void ValuePage::clearValueBoxColours()
{
    for (Field &f : m_fields)
        paintBox(f.box, Qt::white);
}

void ValuePage::focusField(int i)
{
    if (QLineEdit *box = field(i))
        box->setFocus(Qt::OtherFocusReason);
}

void ValuePage::focusFirstField()
{
    if (QLineEdit *box = field(0); box && box->isEnabled())
        box->setFocus(Qt::OtherFocusReason);
}

void ValuePage::commitEdit()
{
    const int i = indexOf(QApplication::focusWidget());
    if (i < 0)
        return;
    leaveField(i);
    enterField(i);
}

bool ValuePage::moveSlider(int i, int v)
{
    QSlider *s = m_fields[i].slider;
    v = std::clamp(v, s->minimum(), s->maximum());
    if (s->value() == v)
        return false;
    s->setValue(v);   // runs the change rule
    return true;
}

bool ValuePage::eventFilter(QObject *watched, QEvent *event)
{
    const int i = indexOf(watched);
    if (i >= 0) {
        switch (event->type()) {
        case QEvent::FocusIn: {
            // Coming back to the window, or out of a menu, is not entering the box anew.
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                enterField(i);
            break;
        }
        case QEvent::FocusOut: {
            // Leaving the window keeps the box being edited; its value is committed
            // when the focus really moves on.
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                leaveField(i);
            break;
        }
        case QEvent::KeyPress:
            if (keyPress(i, static_cast<QKeyEvent *>(event)))
                return true;
            break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ValuePage::enterField(int i)
{
    Field &f = m_fields[i];
    if (f.ring)
        f.ring->showAround(f.box);
    f.box->setText(f.box->text().trimmed());
    // The whole number selected: typing replaces it.
    f.box->selectAll();
}

void ValuePage::leaveField(int i)
{
    Field &f = m_fields[i];
    qint64 v = numberIn(f.box->text());
    if (v < f.slider->minimum())
        v = f.slider->minimum();
    else if (v > f.slider->maximum())
        v = f.slider->maximum();
    if (f.noMinusOne && v == -1)
        v = -2;
    f.box->setText(MappingPage::BoxText(double(v), f.width));
    moveSlider(i, int(v));
    if (f.ring && f.ring->target() == f.box)
        f.ring->hideRing();
}

bool ValuePage::keyPress(int i, QKeyEvent *key)
{
    Field &f = m_fields[i];
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int n = fieldCount();

    // Key-down level: Page Down / Page Up through the page's boxes, Shift with "+" / "-" steps.
    if (mods == Qt::NoModifier && key->key() == Qt::Key_PageDown) {
        focusField((i + 1) % n);
        return true;
    }
    if (mods == Qt::NoModifier && key->key() == Qt::Key_PageUp) {
        focusField((i + n - 1) % n);
        return true;
    }
    if (mods == Qt::ShiftModifier && (isPlusKey(key) || isMinusKey(key))) {
        const qint64 v = numberIn(f.box->text());
        const bool up = isPlusKey(key);
        if (up ? v < f.slider->maximum() : v > f.slider->minimum()) {
            const int step = up ? 1 : -1;
            qint64 to = v + step;
            if (f.noMinusOne && to == -1)
                to += step;   // -1 means "no value": from -2 up to 0, from 0 down to -2
            f.box->setText(QString::number(to));
        }
        return true;   // the key's character is not typed
    }

    // Key-press level: only what types a character is filtered.
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace:
    case Qt::Key_Delete: return false;
    case Qt::Key_Return:
    case Qt::Key_Enter: focusField((i + 1) % n); return true;
    default: break;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return false;   // arrows, Home, End and the like move the cursor as usual
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;   // control characters (paste, select all): swallowed
    const QChar c = text.at(0);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return false;
    if (c == QLatin1Char(' ')) {
        f.box->clear();
        return true;
    }
    if (c == QLatin1Char('-') && (f.slider->minimum() < 0 || f.slider->maximum() < 0)) {
        // One "-" at most; a selected "-" is about to be replaced.
        QString kept = f.box->text();
        if (f.box->hasSelectedText())
            kept.remove(f.box->selectionStart(), f.box->selectedText().size());
        return kept.contains(QLatin1Char('-'));
    }
    return true;
}

void ValuePage::sliderChanged(int i, int v)
{
    Field &f = m_fields[i];
    if (f.noMinusOne && v == -1) {
        // The slider steps over "no value" in the direction it was going.
        f.slider->setValue(value(i) < -1 ? 0 : -2);
        return;
    }
    f.box->setText(MappingPage::BoxText(v, f.width));
    setValue(i, v);
    // Red and flagged until the page is filled again or its values are sent.
    if (value(i) != initial(i)) {
        paintBox(f.box, modifiedColour());
        setModifiedFlag(true);
    }
}

void ValuePage::layoutContent()
{
    const int margin = 16;
    const QSize least = m_content->minimumSizeHint();
    const int room = width() - 2 * margin;
    const int w = std::max(least.width(), std::min(room, m_maxContentWidth));
    const int h = m_content->hasHeightForWidth() ? m_content->heightForWidth(w) : m_content->sizeHint().height();
    const int x = std::max(0, (width() - w) / 2);
    // A third of the free height above, two thirds below: where the eye puts the middle.
    const int y = std::clamp((height() - h) / 3, margin, std::max(margin, height() - h - margin));
    m_content->setGeometry(x, y, w, std::max(h, least.height()));
}

void ValuePage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

// ---------------------------------------------------------------------------

ValueTablePage::ValueTablePage(int page, const FrameState &frame, MapModel &map, int firstHeading,
                               const QString &ringName, QWidget *parent)
    : ValuePage(page, map, parent)
{
    m_maxContentWidth = 940;
    // The table in a frame of its own, as the F7 values are in theirs.
    m_content->setFrameShape(QFrame::StyledPanel);
    m_grid = new QGridLayout(m_content);
    m_grid->setContentsMargins(14, 14, 14, 16);
    m_grid->setHorizontalSpacing(8);
    m_grid->setVerticalSpacing(14);
    m_ring = new FocusRing(m_content);
    m_ring->setObjectName(ringName);

    // Columns: caption, box, minimum, slider, maximum, a gap, initial value.
    m_headings[0] = makeLabel(m_content, QStringLiteral("LabMod%1").arg(firstHeading), Testo(frame.id(259)));
    m_headings[1] = makeLabel(m_content, QStringLiteral("LabMod%1").arg(firstHeading + 1), Testo(frame.id(260)));
    for (QLabel *h : m_headings) {
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
    }
    m_grid->addWidget(m_headings[0], 0, 1, 1, 4, Qt::AlignLeft | Qt::AlignBottom);
    m_grid->addWidget(m_headings[1], 0, kInitialColumn, Qt::AlignHCenter | Qt::AlignBottom);
    m_grid->setColumnStretch(3, 1);
    m_grid->setColumnMinimumWidth(kInitialColumn - 1, 14);
    setInitialHeading(m_headings[1]->text(), initialColour());
}

ValuePage::Field &ValueTablePage::addRow(const FieldNames &names, const QString &initialName,
                                         const QString &captionText, int min, int max)
{
    Field &f = addField(m_content, names, captionText, min, max, m_ring);
    const int row = fieldCount();
    QLabel *ini = makeValueLabel(m_content, initialName);
    ini->setFixedWidth(boxWidth());
    ini->setMinimumHeight(f.box->sizeHint().height());
    m_initial.push_back(ini);
    m_grid->addWidget(f.caption, row, 0);
    m_grid->addWidget(f.box, row, 1);
    m_grid->addWidget(f.min, row, 2);
    m_grid->addWidget(f.slider, row, 3);
    m_grid->addWidget(f.max, row, 4);
    m_grid->addWidget(ini, row, kInitialColumn, Qt::AlignHCenter);
    if (row > 1) {
        setTabOrder(slider(row - 2), f.box);
    }
    setTabOrder(f.box, f.slider);
    return f;
}

QLabel *ValueTablePage::initialLabel(int i) const
{
    return i >= 0 && i < int(m_initial.size()) ? m_initial[i] : nullptr;
}

QLabel *ValueTablePage::heading(int k) const
{
    return k == 0 || k == 1 ? m_headings[k] : nullptr;
}

void ValueTablePage::fitInitialColumn()
{
    int w = boxWidth();
    for (QLabel *l : m_initial) {
        l->setMinimumWidth(0);
        l->setMaximumWidth(QWIDGETSIZE_MAX);
        w = std::max(w, l->sizeHint().width());
    }
    for (QLabel *l : m_initial)
        l->setFixedWidth(w);
}

void ValueTablePage::setInitialHeading(const QString &text, const QColor &colour)
{
    m_headings[1]->setText(text);
    QPalette pal = m_headings[1]->palette();
    pal.setColor(QPalette::WindowText, colour);
    m_headings[1]->setPalette(pal);
}
