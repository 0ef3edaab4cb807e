#pragma once
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include "app/framestate.h"
#include "app/messages.h"
#include "archive/maps/disktarget.h"
#include "archive/maps/maparchive.h"

class QLabel;
class QListWidget;
class PictureButton;

// `CreaDischi`: writes an update disk with the archived maps of the chosen
// models. The map archive is open while the dialog exists.
class CreaDischi : public QDialog {
    Q_OBJECT
public:
    // `liveWatchdog`: the main window's `TimeOutDati`, held still while files
    // are written. `drive` (may be null) replaces the real target and file operations.
    CreaDischi(FrameState &frame, MessageSink &messages, QWidget *parent = nullptr, QTimer *liveWatchdog = nullptr,
               UpdateDiskDrive *drive = nullptr);
    ~CreaDischi() override;

    QListWidget *ListaModelli() const { return m_list; }
    // Where the disk will be written, as the fitter is told before anything is.
    QLabel *Destinazione() const { return m_target; }
    PictureButton *Crea() const { return m_crea; }
    PictureButton *Esci() const { return m_esci; }

public slots:
    void done(int result) override;

private:
    QString findTarget();
    bool confirmTarget(QString *target);
    void crea();

    FrameState &m_frame;
    MessageSink &m_messages;
    QPointer<QTimer> m_liveWatchdog;
    UpdateDiskDrive m_realDrive;
    UpdateDiskDrive *m_drive;
    MapArchive m_archive;
    QListWidget *m_list = nullptr;
    QLabel *m_target = nullptr;
    PictureButton *m_crea = nullptr;
    PictureButton *m_esci = nullptr;
};

// The main window's "Creazione dischi di aggiornamento": shows `CreaDischi` modally.
void RunCreaDischi(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog = nullptr);
