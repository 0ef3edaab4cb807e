#pragma once
#include <array>

#include "mapeditor/widgets/valuepage.h"

struct FrameState;
class QGroupBox;

// Page "F7 - TRANSITORI": four frames `BoxT` 0..3, each with a percentage box
// `ValTra`, its slider `BarraTra`, the limits `Minimo` / `Massimo`, the caption
// `LabDati` and the frame's own highlight. 100 % leaves the ECU's value as it is.
class TransientPage : public ValuePage {
    Q_OBJECT
public:
    TransientPage(const FrameState &frame, MapModel &map, QWidget *parent = nullptr);

    QGroupBox *BoxT(int i) const { return i >= 0 && i < 4 ? m_frames[i] : nullptr; }
    QLineEdit *ValTra(int i) const { return field(i); }
    QSlider *BarraTra(int i) const { return slider(i); }

    void fill() override;

protected:
    double value(int i) const override;
    void setValue(int i, int v) override;
    double initial(int i) const override;

private:
    std::array<QGroupBox *, 4> m_frames{};
};
