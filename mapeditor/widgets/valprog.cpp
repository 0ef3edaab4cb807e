#include "mapeditor/widgets/valprog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "app/texts.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

QString ValProg::messageText(const FrameState &frame, int lastSentChoice)
{
    return Testo(frame.id(315)) + Testo(frame.id(lastSentChoice == 0 ? 316 : 317)) + QLatin1Char('\n')
           + Testo(frame.id(318));
}

ValProg::ValProg(const FrameState &frame, int lastSentChoice, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ValProg"));
    MakeFixedDialog(this);
    setModal(true);
    setWindowTitle(Testo(frame.id(170)));

    // The question on the base colour, the answers on a band below, as in `Messaggio`.
    auto *panel = new QFrame(this);
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Base);
    m_text = new QLabel(messageText(frame, lastSentChoice), panel);
    m_text->setObjectName(QStringLiteral("Segnalazione"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignCenter);
    QFont f = m_text->font();
    f.setPointSizeF(f.pointSizeF() * 1.1);
    m_text->setFont(f);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(28, 22, 28, 22);
    panelLayout->addWidget(m_text);

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Plain);
    rule->setForegroundRole(QPalette::Mid);

    const int faces[2][2] = {{133, 134}, {135, 136}};
    for (int i = 0; i < 2; ++i) {
        m_prog[i] = MakeFaceButton(frame, this, QStringLiteral("TastoProg(%1)").arg(i), faces[i][0], faces[i][1]);
        connect(m_prog[i], &QAbstractButton::clicked, this, [this, i] { answer(i); });
    }
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 105, 106);
    connect(m_esci, &QAbstractButton::clicked, this, [this] { answer(-1); });

    auto *row = new QHBoxLayout;
    row->setContentsMargins(22, 14, 22, 16);
    row->setSpacing(16);
    row->addStretch();
    row->addWidget(m_prog[0]);
    row->addWidget(m_prog[1]);
    row->addWidget(m_esci);
    row->addStretch();

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(panel);
    main->addWidget(rule);
    main->addLayout(row);
    main->setSizeConstraint(QLayout::SetFixedSize);
}

void ValProg::answer(int choice)
{
    m_choice = choice;
    done(choice < 0 ? QDialog::Rejected : QDialog::Accepted);
}

// Esc and the window frame: nothing may be programmed that was not chosen.
void ValProg::reject()
{
    answer(-1);
}

void ValProg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *owner = parentWidget()) {
        QRect r = frameGeometry();
        r.moveCenter(owner->window()->frameGeometry().center());
        move(r.topLeft());
    }
    m_prog[0]->setFocus(Qt::OtherFocusReason);
}

void ValProg::keyPressEvent(QKeyEvent *event)
{
    // No F1 here: with two ways of programming there is no single action to take.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget())) {
            button->click();
            return;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: focusNextPrevChild(event->key() == Qt::Key_Right); return;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

int AskProgramChoice(FrameState &frame, MapEditorState &map, QWidget *parent)
{
    ValProg dlg(frame, map.LastSentChoice, parent ? parent->window() : nullptr);
    dlg.exec();
    map.ProgramChoice = dlg.choice();
    return map.ProgramChoice;
}
