#pragma once
#include <QDialog>
#include <QList>
#include <QString>

#include "app/framestate.h"
#include "link/imagebackup.h"

class QLabel;
class QTreeWidget;
class PictureButton;

// Lets the fitter pick one of the saved ECU images to program back. The list is
// shown in the order given; the rows of the connected ECU are marked and the
// first of them (the newest) is preselected. The caller sets the caption.
class RestoreImageDialog : public QDialog {
    Q_OBJECT
public:
    // `connectedSerial`: the connected ECU's serial number as its backups are
    // filed (ImageBackup::serial); surrounding blanks do not count. Empty: none.
    RestoreImageDialog(const FrameState &frame, const QList<ImageBackup> &backups, const QString &connectedSerial,
                       QWidget *parent = nullptr);

    // Index into the list given, -1 when the dialog was left without restoring.
    int chosen() const { return m_chosen; }

    // Whether backup `row` is of the connected ECU.
    bool isConnectedRow(int row) const;
    // "dd/MM/yyyy HH:mm:ss"
    static QString takenText(const QDateTime &taken);

    QTreeWidget *Copie() const { return m_list; }
    PictureButton *Ripristina() const { return m_restore; }
    PictureButton *Esci() const { return m_esci; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    void restore();
    int selectedRow() const;

    QTreeWidget *m_list = nullptr;
    PictureButton *m_restore = nullptr;
    PictureButton *m_esci = nullptr;
    QList<bool> m_connected;
    int m_chosen = -1;
};
