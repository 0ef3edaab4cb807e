#pragma once
#include <QDialog>
#include <QPointer>
#include <array>

#include "app/framestate.h"
#include "mapeditor/mapstate.h"

class QLabel;
class PictureButton;

// The dialog `ValProg`: before a page is stored in the ECU, the fitter picks the
// modified (`TastoProg`(0)) or the initial values (`TastoProg`(1)), or `Esci`.
class ValProg : public QDialog {
    Q_OBJECT
public:
    ValProg(const FrameState &frame, int lastSentChoice, QWidget *parent = nullptr);

    // 0 modified, 1 initial, -1 when left by `Esci`, Esc or the window frame.
    int choice() const { return m_choice; }

    // Text of `Segnalazione` for the values last sent (any value but 0 counts as initial).
    static QString messageText(const FrameState &frame, int lastSentChoice);

    PictureButton *TastoProg(int i) const { return i == 0 || i == 1 ? m_prog[i] : nullptr; }
    PictureButton *Esci() const { return m_esci; }
    QLabel *Segnalazione() const { return m_text; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void answer(int choice);

    int m_choice = -1;
    QLabel *m_text = nullptr;
    std::array<PictureButton *, 2> m_prog{};
    PictureButton *m_esci = nullptr;
};

// Shows `ValProg` modally over `parent`; the answer (0, 1 or -1) is returned and
// kept in map.ProgramChoice.
int AskProgramChoice(FrameState &frame, MapEditorState &map, QWidget *parent);
