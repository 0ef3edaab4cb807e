#pragma once
#include "mapeditor/widgets/valuepage.h"

class QCheckBox;

// Page "F9 - CUT-OFF": the rpm threshold `ValCut` 0 and the percentages `ValCut`
// 1 and 2 with their sliders `BarraCut`, the ECU's values in `CutIni`, and the
// check box `I_Standard`, which puts the standard values in the initial column
// and the threshold at its standard value.
class CutPage : public ValueTablePage {
    Q_OBJECT
public:
    CutPage(const FrameState &frame, MapModel &map, QWidget *parent = nullptr);

    QLineEdit *ValCut(int i) const { return field(i); }
    QSlider *BarraCut(int i) const { return slider(i); }
    QLabel *CutIni(int i) const { return initialLabel(i); }
    QCheckBox *I_Standard() const { return m_standard; }

    void fill() override;

protected:
    double value(int i) const override;
    void setValue(int i, int v) override;
    double initial(int i) const override;

private:
    void standardClicked(bool checked);
    void showInitialColumn(bool standard);

    const FrameState &m_frame;
    QCheckBox *m_standard = nullptr;
};
