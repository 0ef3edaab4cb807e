#pragma once
#include <QFrame>
#include <array>

#include "live/livedisplay.h"

class QLabel;
struct LiveState;

// The live-value panel `BoxDati`: name labels `LabMot`(0..12) over value labels
// `DatiMot`(0..12), then `DatiDPort`. Values are drawn large in a fixed-width
// font so the 8-character texts keep their right alignment.
class BoxDati : public QFrame, public LiveValuesView {
    Q_OBJECT
public:
    static constexpr int kLabels = 13;

    explicit BoxDati(QWidget *parent = nullptr);
    // Names of the labels' channels, as the chart titles show them.
    void setNames(const LiveState &live);

    QLabel *LabMot(int i) const { return i >= 0 && i < kLabels ? m_names[i] : nullptr; }
    QLabel *DatiMot(int i) const { return i >= 0 && i < kLabels ? m_values[i] : nullptr; }
    QLabel *LabDPort() const { return m_dportName; }
    QLabel *DatiDPort() const { return m_dport; }
    FuelColour fuelColour() const { return m_fuel; }

    void showValue(int label, const QString &text) override;
    void showDeltaFlow(const QString &text) override;
    void setFuelColour(FuelColour colour) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitFonts();
    void paintFuel(FuelColour colour);

    std::array<QLabel *, kLabels> m_names{};
    std::array<QLabel *, kLabels> m_values{};
    QLabel *m_dportName = nullptr;
    QLabel *m_dport = nullptr;
    FuelColour m_fuel = FuelColour::Unknown;
};
