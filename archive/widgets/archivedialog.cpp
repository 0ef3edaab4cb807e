#include "archive/widgets/archivedialog.h"

#include <QApplication>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/framestate.h"
#include "app/texts.h"

namespace {

// Trims on entering, pads on leaving: the fitter edits the bare text, the catalogue keeps the width.
class FixedField : public QObject {
public:
    FixedField(QLineEdit *field, int width) : QObject(field), m_width(width) { field->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A field being destroyed still loses its focus; by then it is no longer a line edit.
        auto *field = qobject_cast<QLineEdit *>(watched);
        if (!field)
            return false;
        if (event->type() == QEvent::FocusIn)
            field->setText(field->text().trimmed());
        else if (event->type() == QEvent::FocusOut)
            field->setText(FixedText(field->text(), m_width));
        return false;
    }

private:
    int m_width;
};

}   // namespace

ArchiveDialogKeys::ArchiveDialogKeys(QDialog *dialog, QAbstractButton *action, QAbstractButton *close)
    : QObject(dialog), m_action(action), m_close(close)
{
    dialog->installEventFilter(this);
    for (QWidget *child : dialog->findChildren<QWidget *>())
        child->installEventFilter(this);
}

bool ArchiveDialogKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool plain = !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    if (key->key() == Qt::Key_F1 && plain) {
        if (m_action && m_action->isEnabled())
            m_action->click();
        return true;
    }
    if (key->key() == Qt::Key_Escape && plain) {
        if (m_close && m_close->isEnabled())
            m_close->click();
        return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && plain) {
        // On a button Enter presses it; anywhere else it moves on.
        if (auto *button = qobject_cast<QAbstractButton *>(watched)) {
            if (button->isEnabled())
                button->click();
            return true;
        }
        // As Tab would: the dialog's own focus chain decides where to.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(watched, &tab);
        return true;
    }
    return false;
}

void MakeFixedField(QLineEdit *field, int width)
{
    field->setMaxLength(width);
    new FixedField(field, width);
}

QHBoxLayout *ArchiveButtonRow(QAbstractButton *action, QAbstractButton *close)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(16);
    row->addStretch();
    row->addWidget(action);
    row->addWidget(close);
    row->addStretch();
    return row;
}

QString ArchiveDialogCaption(const FrameState &frame, int parentId, int itemId)
{
    auto word = [&frame](int id) { return Testo(frame.id(id)).trimmed().remove(QLatin1Char('&')); };
    return word(parentId) + QStringLiteral(" - ") + word(itemId);
}

QString FixedText(const QString &text, int width)
{
    return text.trimmed().left(width).leftJustified(width, QLatin1Char(' '));
}

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}
