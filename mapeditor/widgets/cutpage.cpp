#include "mapeditor/widgets/cutpage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>

#include "app/framestate.h"
#include "app/texts.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/mappingpage.h"

namespace {
constexpr int kThreshold = 0;   // absolute rpm; fields 1 and 2 are percentages
}

CutPage::CutPage(const FrameState &frame, MapModel &map, QWidget *parent)
    : ValueTablePage(3, frame, map, 2, QStringLiteral("BoxCut"), parent), m_frame(frame)
{
    setObjectName(QStringLiteral("PaginaF9"));
    for (int i = 0; i < 3; ++i)
        addRow({QStringLiteral("ValCut%1").arg(i), QStringLiteral("BarraCut%1").arg(i),
                QStringLiteral("LabDati%1").arg(9 + i), QStringLiteral("Minimo%1").arg(9 + i),
                QStringLiteral("Massimo%1").arg(9 + i)},
               QStringLiteral("CutIni%1").arg(i), Testo(frame.id(350 + i)), CutRanges[i].min, CutRanges[i].max);

    m_standard = new QCheckBox(Testo(frame.id(310)), m_content);
    m_standard->setObjectName(QStringLiteral("I_Standard"));
    m_grid->addWidget(m_standard, fieldCount() + 1, 3, 1, kInitialColumn - 2, Qt::AlignRight);
    setTabOrder(slider(fieldCount() - 1), m_standard);
    connect(m_standard, &QCheckBox::clicked, this, &CutPage::standardClicked);
    fill();
}

double CutPage::value(int i) const
{
    return m_map.state().CutValue[i];
}
void CutPage::setValue(int i, int v)
{
    m_map.edit().CutValue[i] = v;
}
double CutPage::initial(int i) const
{
    return m_map.state().CutInitial[i];
}

void CutPage::fill()
{
    MapEditorState &st = m_map.edit();
    for (int i = 1; i < 3; ++i) {
        st.CutValue[i] = 100;
        st.CutInitial[i] = 100;
    }
    // A threshold read outside the slider's range is shown, edited and sent at the
    // nearest limit, as the switchover values are; `CutIni` keeps what the ECU holds.
    QSlider *threshold = BarraCut(kThreshold);
    st.CutInitial[kThreshold] =
        std::clamp<double>(st.CutInitial[kThreshold], threshold->minimum(), threshold->maximum());
    for (int i = 0; i < 3; ++i) {
        st.CutValue[i] = st.CutInitial[i];
        showValue(i, st.CutInitial[i]);
    }
    m_standard->setChecked(false);
    st.CutStandard = false;
    showInitialColumn(false);
    setModifiedFlag(false);
}

void CutPage::showInitialColumn(bool standard)
{
    const MapEditorState &st = m_map.state();
    for (int i = 0; i < 3; ++i)
        CutIni(i)->setText(QString::number(qRound64(standard ? st.StandardCut[i] : double(st.CutSlots[i].Value))));
    fitInitialColumn();
    const QColor colour = standard ? standardColour() : initialColour();
    setInitialHeading(Testo(m_frame.id(standard ? 311 : 260)), colour);
    QPalette pal = m_standard->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::ButtonText, colour);
    m_standard->setPalette(pal);
}

void CutPage::standardClicked(bool checked)
{
    MapEditorState &st = m_map.edit();
    st.CutStandard = checked;   // the sending code reads it
    showInitialColumn(checked);
    // The threshold to the standard value, or back to the ECU's; the percentages stay.
    moveSlider(kThreshold, int(qRound64(checked ? st.StandardCut[kThreshold] : double(st.CutSlots[kThreshold].Value))));
}
