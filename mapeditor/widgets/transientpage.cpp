#include "mapeditor/widgets/transientpage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include "app/framestate.h"
#include "app/texts.h"
#include "mapeditor/mapmodel.h"

TransientPage::TransientPage(const FrameState &frame, MapModel &map, QWidget *parent) : ValuePage(1, map, parent)
{
    setObjectName(QStringLiteral("PaginaF7"));
    m_maxContentWidth = 980;
    auto *grid = new QGridLayout(m_content);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(16);

    for (int i = 0; i < 4; ++i) {
        auto *box = new QGroupBox(Testo(frame.id(255 + i)), m_content);
        box->setObjectName(QStringLiteral("BoxT%1").arg(i));
        QFont plain = box->font();
        plain.setBold(false);   // said outright, or the children inherit the caption's weight
        QFont title = plain;
        title.setBold(true);
        box->setFont(title);   // the frame's caption; what is inside keeps the page's font
        m_frames[i] = box;
        auto *ring = new FocusRing(box);
        ring->setObjectName(QStringLiteral("EvidenziaT%1").arg(i));
        Field &f = addField(box,
                            {QStringLiteral("ValTra%1").arg(i), QStringLiteral("BarraTra%1").arg(i),
                             QStringLiteral("LabDati%1").arg(i), QStringLiteral("Minimo%1").arg(i),
                             QStringLiteral("Massimo%1").arg(i)},
                            Testo(frame.id(261 + i)), TransientRanges[i].min, TransientRanges[i].max, ring);

        auto *inner = new QVBoxLayout(box);
        inner->setContentsMargins(16, 14, 16, 12);
        inner->setSpacing(12);
        auto *valueRow = new QHBoxLayout;
        valueRow->setSpacing(6);
        valueRow->addStretch(1);
        valueRow->addWidget(f.caption);
        valueRow->addWidget(f.box);
        QLabel *unit = makeLabel(box, QStringLiteral("UnitaT%1").arg(i), QStringLiteral("%"));
        for (QWidget *w : std::initializer_list<QWidget *>{f.caption, f.min, f.max, f.slider, unit})
            w->setFont(plain);
        valueRow->addWidget(unit);
        valueRow->addStretch(1);
        inner->addLayout(valueRow);
        auto *sliderRow = new QHBoxLayout;
        sliderRow->setSpacing(8);
        sliderRow->addWidget(f.min);
        sliderRow->addWidget(f.slider, 1);
        sliderRow->addWidget(f.max);
        inner->addLayout(sliderRow);

        grid->addWidget(box, i / 2, i % 2);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    setTabOrder(field(0), slider(0));
    for (int i = 1; i < 4; ++i) {
        setTabOrder(slider(i - 1), field(i));
        setTabOrder(field(i), slider(i));
    }
    fill();
}

double TransientPage::value(int i) const
{
    return m_map.state().TransientPercent[i];
}
void TransientPage::setValue(int i, int v)
{
    m_map.edit().TransientPercent[i] = qint16(v);
}
double TransientPage::initial(int i) const
{
    return m_map.state().TransientPercentInitial[i];
}

void TransientPage::fill()
{
    MapEditorState &st = m_map.edit();
    for (int i = 0; i < 4; ++i) {
        st.TransientPercent[i] = 100;
        st.TransientPercentInitial[i] = 100;
        showValue(i, 100);
    }
    setModifiedFlag(false);
}
