#include "mapeditor/widgets/switchpage.h"

#include <QLabel>
#include <QLineEdit>

#include "app/framestate.h"
#include "app/texts.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/mappingpage.h"

namespace {
constexpr int kReturnToPetrol = 4;   // -41..10 °C, -1 stepped over
}

SwitchPage::SwitchPage(const FrameState &frame, MapModel &map, QWidget *parent)
    : ValueTablePage(2, frame, map, 0, QStringLiteral("BoxComm"), parent)
{
    setObjectName(QStringLiteral("PaginaF8"));
    for (int i = 0; i < 5; ++i) {
        Field &f = addRow({QStringLiteral("ValCom%1").arg(i), QStringLiteral("BarraCom%1").arg(i),
                           QStringLiteral("LabDati%1").arg(4 + i), QStringLiteral("Minimo%1").arg(4 + i),
                           QStringLiteral("Massimo%1").arg(4 + i)},
                          QStringLiteral("ComIni%1").arg(i), Testo(frame.id(265 + i)), SwitchRanges[i].min,
                          SwitchRanges[i].max);
        f.noMinusOne = i == kReturnToPetrol;
    }
    fill();
}

double SwitchPage::value(int i) const
{
    return m_map.state().SwitchValue[i];
}
void SwitchPage::setValue(int i, int v)
{
    m_map.edit().SwitchValue[i] = v;
}
double SwitchPage::initial(int i) const
{
    return m_map.state().SwitchInitial[i];
}

void SwitchPage::fill()
{
    MapEditorState &st = m_map.edit();
    for (int i = 0; i < 5; ++i) {
        st.SwitchValue[i] = st.SwitchInitial[i];
        showValue(i, st.SwitchInitial[i]);
        ComIni(i)->setText(ValCom(i)->text());
    }
    fitInitialColumn();
    setModifiedFlag(false);
}
