#pragma once
#include "mapeditor/widgets/valuepage.h"

// Page "F8 - COMMUTAZIONE": the five switchover values `ValCom` 0..4 with their
// sliders `BarraCom`, the values read from the ECU in `ComIni`, the captions
// `LabDati` 4..8 and the highlight `BoxComm`. Field 4 never takes -1 ("no value"
// in the image): -2 stands in for it.
class SwitchPage : public ValueTablePage {
    Q_OBJECT
public:
    SwitchPage(const FrameState &frame, MapModel &map, QWidget *parent = nullptr);

    QLineEdit *ValCom(int i) const { return field(i); }
    QSlider *BarraCom(int i) const { return slider(i); }
    QLabel *ComIni(int i) const { return initialLabel(i); }
    FocusRing *BoxComm() const { return ring(); }

    void fill() override;

protected:
    double value(int i) const override;
    void setValue(int i, int v) override;
    double initial(int i) const override;
};
