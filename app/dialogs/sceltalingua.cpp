#include "app/dialogs/sceltalingua.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/messages.h"
#include "app/settings.h"
#include "app/textids.h"
#include "app/texts.h"
#include "ui/common/pictures.h"

SceltaLingua::SceltaLingua(FrameState &frame, QWidget *parent, MessageSink *sink)
    : QDialog(parent), m_frame(frame), m_ownSink(frame, this), m_sink(sink ? sink : &m_ownSink)
{
    setObjectName(QStringLiteral("SceltaLingua"));
    MakeFixedDialog(this);
    setModal(true);

    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    auto *flags = new QHBoxLayout;
    flags->setSpacing(14);
    for (int i = 0; i < 4; ++i) {
        auto *b = new PictureButton(this);
        b->setObjectName(QStringLiteral("Lingua(%1)").arg(i));
        b->setText(Testo(frame.id(186 + i)));
        CaricaImmagine(5000 + i, b);
        b->setCheckable(true);
        b->setFixedSize(qMax(120, b->sizeHint().width()), 96);
        group->addButton(b, i);
        connect(b, &QAbstractButton::toggled, this, [this, i](bool on) {
            if (on)
                m_frame.LinguaScelta = quint8(i + 1);
        });
        flags->addWidget(b);
        m_lingua[i] = b;
    }

    auto *scegli = MakeFaceButton(frame, this, QStringLiteral("Scegli"), 101, 102);
    connect(scegli, &QAbstractButton::clicked, this, &SceltaLingua::scegli);

    auto *esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(esci, &QAbstractButton::clicked, this, &SceltaLingua::esci);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch();
    buttons->addWidget(scegli);
    buttons->addWidget(esci);
    buttons->addStretch();

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 22, 24, 18);
    main->setSpacing(24);
    main->addLayout(flags);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    const int current = qBound(1, int(frame.LinguaCorrente), 4);
    m_frame.LinguaScelta = quint8(current);
    m_lingua[current - 1]->setChecked(true);
    m_lingua[current - 1]->setFocus(Qt::OtherFocusReason);
}

void SceltaLingua::scegli()
{
    if (m_frame.LinguaScelta != m_frame.LinguaCorrente) {
        if (ScriviLingua(m_frame, m_frame.LinguaScelta)) {
            m_sink->beep();
            m_sink->showMessage(Testo(m_frame.id(TextId::LanguageChanged)), kWarningOk,
                                Testo(m_frame.id(TextId::TitleWarning)), kMessageCentred);
        } else {
            // Not stored: the program must not end as if it had been.
            m_frame.LinguaScelta = m_frame.LinguaCorrente;
            m_sink->beep();
            m_sink->showMessage(Testo(m_frame.id(TextId::PathOrFileError)), kErrorOk,
                                Testo(m_frame.id(TextId::TitleError)), kMessageCentred);
        }
    }
    done(m_frame.LinguaScelta != m_frame.LinguaCorrente ? QDialog::Accepted : QDialog::Rejected);
}

void SceltaLingua::esci()
{
    m_frame.LinguaScelta = m_frame.LinguaCorrente;
    done(QDialog::Rejected);
}

void SceltaLingua::reject()
{
    esci();
}

void SceltaLingua::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    const int k = event->key();
    if (k >= Qt::Key_F1 && k <= Qt::Key_F4 && mods == Qt::AltModifier) {
        m_lingua[k - Qt::Key_F1]->click();
        return;
    }
    if (k == Qt::Key_F1 && mods == Qt::NoModifier) {
        scegli();
        return;
    }
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget())) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
