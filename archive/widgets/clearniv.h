#pragma once
#include <QDialog>
#include <QStringList>
#include <functional>

#include "app/framestate.h"
#include "app/messages.h"
#include "archive/maps/maparchive.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTimer;
class PictureButton;

// Deletes archived maps: one line per catalogue record, the record's map file
// with it, and the folders of the tree left empty. The archive is open while the
// dialog exists.
class ClearNIV : public QDialog {
    Q_OBJECT
public:
    // Deletes one file; returns 0 or the errno of the failure.
    using FileRemover = std::function<int(const QString &path)>;

    // `liveWatchdog`: the main window's `TimeOutDati`, held still while files go.
    ClearNIV(FrameState &frame, MessageSink &messages, QWidget *parent = nullptr, QTimer *liveWatchdog = nullptr);
    ~ClearNIV() override;

    // Lets tests make a file undeletable.
    void setFileRemover(FileRemover remover) { m_removeFile = std::move(remover); }

    QLineEdit *DatiDAT(int i) const { return (i >= 0 && i < 4) ? m_fields[i] : nullptr; }
    QLineEdit *TipoImp() const { return m_tipoImp; }
    QLineEdit *VerCentr() const { return m_verCentr; }
    QLabel *LabSF(int i) const { return (i >= 0 && i < 6) ? m_labels[i] : nullptr; }
    QListWidget *ListaModelli() const { return m_list; }
    // The hidden key list parallel to ListaModelli.
    const QStringList &ListaCentr() const { return m_keys; }
    PictureButton *Salva() const { return m_salva; }
    PictureButton *Esci() const { return m_esci; }

public slots:
    void done(int result) override;

private:
    void fillRecordList();
    void clearDetails();
    void showMapRecord(const MapRecord &record);
    void lineClicked(QListWidgetItem *item);
    void salva();

    FrameState &m_frame;
    MessageSink &m_messages;
    QTimer *m_liveWatchdog;
    MapArchive m_archive;
    FileRemover m_removeFile;
    QLabel *m_labels[6] = {};
    QLineEdit *m_fields[4] = {};
    QLineEdit *m_tipoImp = nullptr;
    QLineEdit *m_verCentr = nullptr;
    QListWidget *m_list = nullptr;
    QStringList m_keys;
    PictureButton *m_salva = nullptr;
    PictureButton *m_esci = nullptr;
};

// The main window's "Cancellazione mappatura": shows `ClearNIV` modally.
void RunClearNIV(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog = nullptr);
