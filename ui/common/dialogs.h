#pragma once
#include <QPointer>
#include <QString>

#include "app/framestate.h"
#include "app/messages.h"

class QWidget;
class PictureButton;

// The program's message dialog `Messaggio`. Button set = flags & 15, icon =
// flags & 240. Centred over `parent`. Stores and returns the answer.
int ShowMessage(FrameState &frame, QWidget *parent, const QString &text, int flags, const QString &title,
                int position = 4);

// About box `Infor`, modal.
void ShowAbout(const FrameState &frame, QWidget *parent);

// Version text "major.MM".
QString VersionText();
QString VersionText(int major, int minor);

// Gives a picture button its localised faces: `normalBase` for the normal and
// pressed face, `disabledBase` for the greyed one (base ids, language added here).
void LoadFaceButton(const FrameState &frame, PictureButton *button, int normalBase, int disabledBase);
// A dialog's picture button of the standard size, named `name`, with its faces.
PictureButton *MakeFaceButton(const FrameState &frame, QWidget *parent, const QString &name, int normalBase,
                              int disabledBase);
// Window flags of the program's fixed-size dialogs, with or without a close box.
void MakeFixedDialog(QWidget *dialog, bool closeBox = true);

// What a dialog uses to ask the user when its opener gives it nothing else:
// the real message dialog over `parent`, the platform box and the beep.
class DialogMessageSink : public MessageSink {
public:
    DialogMessageSink(FrameState &frame, QWidget *parent) : m_frame(frame), m_parent(parent) {}
    int showMessage(const QString &text, int flags, const QString &title, int position) override;
    void plainMessage(const QString &text, const QString &title) override;
    void beep() override;

private:
    FrameState &m_frame;
    QPointer<QWidget> m_parent;
};
