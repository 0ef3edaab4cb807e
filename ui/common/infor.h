#pragma once
#include <QDialog>

#include "app/framestate.h"

class QLabel;
class PictureButton;

// The about box `Infor`: program name, version and maker.
class Infor : public QDialog {
    Q_OBJECT
public:
    explicit Infor(const FrameState &frame, QWidget *parent = nullptr);

private:
    QLabel *m_title = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_description = nullptr;
    QLabel *m_disclaimer = nullptr;
    QLabel *m_icon = nullptr;
    PictureButton *m_ok = nullptr;
};
