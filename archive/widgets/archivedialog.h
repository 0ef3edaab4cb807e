#pragma once
#include <QObject>
#include <QString>

#include <QPointer>
#include <QTimer>

class QAbstractButton;
class QDialog;
class QHBoxLayout;
class QLineEdit;
struct FrameState;

// The keys every archive dialog shares (install it once the controls exist): F1 presses the action button and Esc the
// close button, neither with Shift, Ctrl or Alt held; Enter moves the focus along.
class ArchiveDialogKeys : public QObject {
public:
    ArchiveDialogKeys(QDialog *dialog, QAbstractButton *action, QAbstractButton *close);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractButton *m_action;
    QAbstractButton *m_close;
};

// An archive text field of fixed width: trimmed when it gets the focus, padded with
// blanks to `width` when it loses it, never longer than `width`.
void MakeFixedField(QLineEdit *field, int width);

// The action and close buttons side by side, centred, as every archive dialog shows them.
QHBoxLayout *ArchiveButtonRow(QAbstractButton *action, QAbstractButton *close);

// An archive dialog's caption: the menu path of the command that opens it
// ("File - Inizio acquisizione"), from the base ids of the two menu captions.
QString ArchiveDialogCaption(const FrameState &frame, int parentId, int itemId);

// The field's text as the catalogue keeps it: cut and padded to `width`.
QString FixedText(const QString &text, int width);

// The main window's live-data watchdog stands still while an archive dialog writes
// files (the busy window reads no frames meanwhile) and goes on as it was, whatever
// the outcome.
class WatchdogHold {
public:
    explicit WatchdogHold(QTimer *timer) : m_timer(timer), m_wasActive(timer && timer->isActive())
    {
        if (m_timer)
            m_timer->stop();
    }
    ~WatchdogHold()
    {
        if (m_timer && m_wasActive)
            m_timer->start();
    }
    WatchdogHold(const WatchdogHold &) = delete;
    WatchdogHold &operator=(const WatchdogHold &) = delete;

private:
    QPointer<QTimer> m_timer;
    bool m_wasActive;
};

// The busy pointer for as long as the object lives.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
