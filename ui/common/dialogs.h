#pragma once
#include <QString>

#include "app/framestate.h"

class QWidget;

// The program's message dialog `Messaggio`. Button set = flags & 15, icon =
// flags & 240. Centred over `parent`. Stores and returns the answer.
int ShowMessage(FrameState &frame, QWidget *parent, const QString &text, int flags,
                const QString &title, int position = 4);

// About box `Infor`, modal.
void ShowAbout(const FrameState &frame, QWidget *parent);

// Version text "major.MM".
QString VersionText();
