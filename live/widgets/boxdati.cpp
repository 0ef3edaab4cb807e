#include "live/widgets/boxdati.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "live/livedata.h"
#include "live/livestate.h"

namespace {

constexpr int kRows = BoxDati::kLabels + 1;   // the thirteen values and `DatiDPort`

QString valueStyle(const char *background, const char *text)
{
    return QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid #7d8b98;"
                          " border-radius: 3px; padding: 0px 6px; }")
        .arg(QLatin1String(background), QLatin1String(text));
}

// Every new value makes its label ask the panel for a new layout. Texts of a value keep their
// length in a fixed-width font, so the size asked for is measured again only when that
// length, the font or the style change, not ten times a second per label.
class ValueLabel : public QLabel {
public:
    using QLabel::QLabel;

    QSize sizeHint() const override
    {
        refreshHints();
        return m_hint;
    }
    QSize minimumSizeHint() const override
    {
        refreshHints();
        return m_minimumHint;
    }

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_hintLength = -1;
        QLabel::changeEvent(event);
    }

private:
    void refreshHints() const
    {
        if (m_hintLength == text().size())
            return;
        m_hint = QLabel::sizeHint();
        m_minimumHint = QLabel::minimumSizeHint();
        m_hintLength = text().size();
    }

    mutable QSize m_hint, m_minimumHint;
    mutable qsizetype m_hintLength = -1;
};

QLabel *makeValue(QWidget *parent, const QString &name)
{
    auto *l = new ValueLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setTextFormat(Qt::PlainText);
    l->setStyleSheet(valueStyle("#ffffff", "#10202c"));
    l->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setBold(true);
    l->setFont(f);
    return l;
}

QLabel *makeName(QWidget *parent, const QString &name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    l->setTextFormat(Qt::PlainText);
    l->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return l;
}

}   // namespace

BoxDati::BoxDati(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("BoxDati"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 8);
    column->setSpacing(0);
    for (int i = 0; i < kLabels; ++i) {
        m_names[i] = makeName(this, QStringLiteral("LabMot%1").arg(i));
        m_values[i] = makeValue(this, QStringLiteral("DatiMot%1").arg(i));
        column->addWidget(m_names[i]);
        column->addWidget(m_values[i], 1);
    }
    m_dportName = makeName(this, QStringLiteral("LabDPort"));
    m_dport = makeValue(this, QStringLiteral("DatiDPort"));
    column->addWidget(m_dportName);
    column->addWidget(m_dport, 1);
    paintFuel(FuelColour::Unknown);
}

void BoxDati::setNames(const LiveState &live)
{
    for (int i = 0; i < kLabels; ++i)
        m_names[i]->setText(ChannelTitle(live, LiveDisplay::channelOfLabel(i)));
    m_dportName->setText(ChannelTitle(live, 13));
}

void BoxDati::showValue(int label, const QString &text)
{
    if (QLabel *l = DatiMot(label))
        l->setText(text);
}

void BoxDati::showDeltaFlow(const QString &text)
{
    m_dport->setText(text);
}

void BoxDati::setFuelColour(FuelColour colour)
{
    // A style sheet set again restyles and repaints the label even when it is the same.
    if (colour != m_fuel)
        paintFuel(colour);
}

void BoxDati::paintFuel(FuelColour colour)
{
    m_fuel = colour;
    switch (colour) {
    case FuelColour::Petrol: m_values[12]->setStyleSheet(valueStyle("#ff0000", "#000000")); break;
    case FuelColour::Gas: m_values[12]->setStyleSheet(valueStyle("#00ff00", "#000000")); break;
    case FuelColour::Unknown: m_values[12]->setStyleSheet(valueStyle("#000000", "#00ff00")); break;
    }
}

void BoxDati::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitFonts();
}

void BoxDati::fitFonts()
{
    const QMargins m = contentsMargins() + layout()->contentsMargins();
    const double rowH = double(height() - m.top() - m.bottom()) / kRows;
    const int innerW = width() - m.left() - m.right() - 16;

    // Name line about a third of a row, the value the rest; eight digits must fit the width.
    const int namePx = std::clamp(int(std::lround(rowH * 0.26)), 9, 15);
    QFont nameFont = font();
    nameFont.setPixelSize(namePx);

    QFont valueFont = m_values[0]->font();
    int valuePx = std::clamp(int(std::lround(rowH * 0.5)), 11, 44);
    valueFont.setPixelSize(valuePx);
    while (valuePx > 10 && QFontMetrics(valueFont).horizontalAdvance(QStringLiteral("00000000")) > innerW)
        valueFont.setPixelSize(--valuePx);

    for (int i = 0; i < kLabels; ++i) {
        m_names[i]->setFont(nameFont);
        m_values[i]->setFont(valueFont);
    }
    m_dportName->setFont(nameFont);
    m_dport->setFont(valueFont);
}
