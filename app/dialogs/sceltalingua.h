#pragma once
#include <QDialog>
#include <array>

#include "app/framestate.h"
#include "ui/common/dialogs.h"

class PictureButton;

// The language dialog `SceltaLingua`. After it closes, frame.LinguaScelta
// differs from frame.LinguaCorrente exactly when a new language was stored in
// KALIBRON.INI; the opener then ends the program.
class SceltaLingua : public QDialog {
    Q_OBJECT
public:
    explicit SceltaLingua(FrameState &frame, QWidget *parent = nullptr, MessageSink *sink = nullptr);

public slots:
    void scegli();
    void esci();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    FrameState &m_frame;
    DialogMessageSink m_ownSink;
    MessageSink *m_sink;
    std::array<PictureButton *, 4> m_lingua{};
};
