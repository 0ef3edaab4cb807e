#pragma once
#include <QDialog>
#include <QStringList>

#include "app/framestate.h"
#include "archive/acquisitions/acquisitionarchive.h"

class MessageSink;
class QListWidget;
class QPushButton;

// Picks one catalogued recording: the list of model and description lines the
// deletion dialog shows, one chosen by double-click or Open. The archive is
// open only while the dialog exists.
class ArchivePicker : public QDialog {
    Q_OBJECT
public:
    ArchivePicker(FrameState &frame, MessageSink &messages, QWidget *parent = nullptr);
    ~ArchivePicker() override;

    QListWidget *list() const { return m_list; }
    // The chosen recording's .DAT path; "" until one is chosen.
    QString chosenPath() const { return m_chosen; }
    // Path of the recording on line `row` of the list.
    QString pathOf(int row) const;

private:
    void accept() override;

    FrameState &m_frame;
    AcquisitionArchive m_archive;
    QListWidget *m_list = nullptr;
    QPushButton *m_open = nullptr;
    QStringList m_files;
    QString m_chosen;
};
