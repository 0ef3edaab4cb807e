#pragma once
#include <QDialog>
#include <array>

#include "app/framestate.h"
#include "link/linkstate.h"

class QLabel;
class PictureButton;

// The ECU information window `VisInf`: the identification fields of the ECU
// with a warning when they look unreliable. Shown modal over the main window.
class VisInf : public QDialog {
    Q_OBJECT
public:
    VisInf(const FrameState &frame, const EcuIdentity &ident, QWidget *parent = nullptr);

    // Text of value row 0..8 (`InfVis`) and of the warning `InfoVis`.
    static QString valore(const FrameState &frame, const EcuIdentity &ident, int row);
    static QString avviso(const FrameState &frame, const EcuIdentity &ident);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    std::array<QLabel *, 9> m_captions{};
    std::array<QLabel *, 9> m_values{};
    QLabel *m_warning = nullptr;
    PictureButton *m_ok = nullptr;
};
