#pragma once
#include <QDialog>
#include <QStringList>
#include <functional>

#include "app/framestate.h"
#include "app/messages.h"
#include "archive/acquisitions/acquisitionarchive.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QTimer;
class PictureButton;

// `RemoveFolderIfEmpty`: removes `folder` when it is empty; any failure is ignored.
void RemoveFolderIfEmpty(const QString &folder);

// Deletes catalogued recordings with their .DAT files. The archive is open while
// the dialog exists.
class ClearDati : public QDialog {
    Q_OBJECT
public:
    // Deletes one file; returns 0 or the errno of the failure.
    using FileRemover = std::function<int(const QString &path)>;

    // `liveWatchdog`: the main window's `TimeOutDati`, held still while files go.
    ClearDati(FrameState &frame, MessageSink &messages, QWidget *parent = nullptr, QTimer *liveWatchdog = nullptr);
    ~ClearDati() override;

    // Lets tests make a file undeletable.
    void setFileRemover(FileRemover remover) { m_removeFile = std::move(remover); }

    // 0..2 are QLineEdit, 3 (the notes) a QPlainTextEdit.
    QWidget *DatiDAT(int i) const;
    QString detailText(int i) const;
    QLabel *LabSF(int i) const { return m_labels[i]; }
    QListWidget *ListaModelli() const { return m_list; }
    const QStringList &NomeFF() const { return m_files; }
    PictureButton *Memorizza() const { return m_memorizza; }
    PictureButton *Esci() const { return m_esci; }

public slots:
    void done(int result) override;

private:
    void fillLists();
    void clearDetails();
    void showAcquisitionRecord(const AcquisitionRecord &record);
    void lineClicked(QListWidgetItem *item);
    void memorizza();

    FrameState &m_frame;
    MessageSink &m_messages;
    QTimer *m_liveWatchdog;
    AcquisitionArchive m_archive;
    FileRemover m_removeFile;
    QLabel *m_labels[4] = {};
    QLineEdit *m_fields[3] = {};
    QPlainTextEdit *m_note = nullptr;
    QListWidget *m_list = nullptr;
    QStringList m_files;
    PictureButton *m_memorizza = nullptr;
    PictureButton *m_esci = nullptr;
};

// The main window's "Cancellazione file acquisizione": shows `ClearDati` modally.
void RunClearDati(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog = nullptr);
