#pragma once
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include "app/framestate.h"
#include "app/messages.h"
#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/widgets/acquisitionbackup.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTreeView;
class QFileSystemModel;
class PictureButton;

// `SalvatP`: backs selected recordings up to another folder or a USB stick.
class SalvatP : public QDialog {
    Q_OBJECT
public:
    // `liveWatchdog` (may be null) is stopped while files are copied; `files`
    // (may be null) replaces the real file operations.
    SalvatP(FrameState &frame, MessageSink &messages, QTimer *liveWatchdog, QWidget *parent = nullptr,
            BackupFiles *files = nullptr);
    ~SalvatP() override;

    QLabel *Labsalva(int i) const { return m_labsalva[i]; }
    QComboBox *DiscoDest() const { return m_disco; }
    QTreeView *Directory() const { return m_directory; }
    QLineEdit *NomeFileS() const { return m_nomeFile; }
    QListWidget *ElencoEsi() const { return m_elenco; }
    QListWidget *NomeEsi() const { return m_nomeEsi; }
    QGroupBox *Scheda() const { return m_scheda; }
    QLabel *Inf_Scheda(int i) const { return m_infScheda[i]; }
    QLabel *Segnalazione() const { return m_segnalazione; }
    PictureButton *Salva() const { return m_salva; }
    PictureButton *Esci() const { return m_esci; }

    // The folder `Directory` shows.
    QString directoryPath() const;

protected:
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillDrives();
    void driveChosen(int index);
    void showDetails(int row);
    void salva();

    FrameState &m_frame;
    MessageSink &m_messages;
    QPointer<QTimer> m_watchdog;
    BackupFiles m_realFiles;
    BackupFiles *m_files;
    AcquisitionArchive m_archive;
    bool m_showingApp = false;
    bool m_followApp = true;

    QLabel *m_labsalva[2] = {};
    QComboBox *m_disco = nullptr;
    QTreeView *m_directory = nullptr;
    QFileSystemModel *m_folders = nullptr;
    QLineEdit *m_nomeFile = nullptr;
    QListWidget *m_elenco = nullptr;
    QListWidget *m_nomeEsi = nullptr;
    QGroupBox *m_scheda = nullptr;
    QLabel *m_labSF[4] = {};
    QLabel *m_infScheda[4] = {};
    QLabel *m_segnalazione = nullptr;
    PictureButton *m_salva = nullptr;
    PictureButton *m_esci = nullptr;
};

// Shows `SalvatP` modally, captioned with its menu path.
void RunSalvatP(FrameState &frame, MessageSink &messages, QTimer *liveWatchdog, QWidget *parent);
