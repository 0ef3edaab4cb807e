#pragma once
#include <QDialog>
#include <QPointer>
#include <QString>

#include "app/framestate.h"

class QLabel;
class PictureButton;

// The wait dialog `Attesa`: shown without blocking while a long ECU exchange
// runs. While it is open the main window takes no input and the pointer is the
// hourglass; `TastoOK` appears only when the operation has failed.
class Attesa : public QDialog {
    Q_OBJECT
public:
    Attesa(const FrameState &frame, QWidget *mainWindow);
    ~Attesa() override;

    // Caption and text of a new operation; `TastoOK` hidden and disabled.
    void openWait(const QString &caption, const QString &label);
    // Brings the open dialog to the front again.
    void showAgain();
    void setLabel(const QString &text);
    // The operation has ended with a failure: the user closes the dialog.
    void showOk();
    // Closes it, gives the main window its input back and activates it.
    void closeWait();
    bool isOpen() const { return m_open; }

signals:
    // The dialog has closed, by `TastoOK` or by `closeWait`.
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void setBusy(bool busy);
    bool okAvailable() const;

    QPointer<QWidget> m_main;
    QLabel *m_label = nullptr;
    PictureButton *m_ok = nullptr;
    bool m_open = false;
    bool m_cursorSet = false;
};
