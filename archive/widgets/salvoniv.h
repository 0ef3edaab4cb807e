#pragma once
#include <QDate>
#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QString>
#include <array>

#include "app/framestate.h"
#include "app/messages.h"
#include "archive/maps/maparchive.h"
#include "archive/maps/mapsave.h"

class PictureButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTimer;

// What the save dialog needs from the link and the map editor, as plain values.
struct MapSaveSource {
    bool ecuReady = false;      // an ECU is connected and its image read
    int defaultValves = 1;      // `DefaultValves`
    int defaultPlantType = 0;   // `DefaultPlantType`: 0 GPL, 1 METANO
    QString versioneSoftware;   // the ECU's software version, nine characters
    QDate today;                // the date written into the map file
};

// The dialog `SalvoNIV`: files the image last read from the ECU in the map
// archive under a model, a petrol-ECU version and an installation type. The
// dialog stays open after a save, its fields as they were, so the next version
// or installation of the same model is one choice away.
class SalvoNIV : public QDialog {
    Q_OBJECT
public:
    enum Campo { Modello, Descrizione, Valvole, Benzina, NumCampi };
    static constexpr std::array<int, NumCampi> kWidths{12, 41, 1, 40};

    // `liveWatchdog` (may be null) is held still during a save; `files` (may be
    // null) replaces the real disk operations.
    SalvoNIV(FrameState &frame, const MapSaveSource &source, MessageSink &messages, QTimer *liveWatchdog,
             QWidget *parent = nullptr, MapSaveFiles *files = nullptr);
    ~SalvoNIV() override;

    QLineEdit *DatiDAT(int i) const { return m_dati.at(i); }
    QLabel *LabSF(int i) const { return m_labels.at(i); }
    QComboBox *TipoImp() const { return m_tipoImp; }
    QComboBox *VerCentr() const { return m_verCentr; }
    QListWidget *ListaModelli() const { return m_lista; }
    PictureButton *Salva() const { return m_salva; }
    PictureButton *Esci() const { return m_esci; }
    bool archiveOpen() const { return m_archiveOpen; }

    // Whether the key rule lets `c` be typed into box `field`.
    static bool acceptsChar(int field, QChar c);

public slots:
    void salva();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    void fillList();
    void lineChosen(int row);
    void proposeRecord();
    void versionChosen();
    // Beeps and puts the focus on the first box the fitter left empty; false when there is one.
    bool checkFilled();

    FrameState &m_frame;
    MapSaveSource m_source;
    MessageSink &m_messages;
    QPointer<QTimer> m_watchdog;
    MapSaveFiles m_realFiles;
    MapSaveFiles *m_files;
    MapArchive m_archive;
    bool m_archiveOpen = false;
    std::array<QLabel *, 6> m_labels{};
    std::array<QLineEdit *, NumCampi> m_dati{};
    QComboBox *m_tipoImp = nullptr;
    QComboBox *m_verCentr = nullptr;
    QListWidget *m_lista = nullptr;
    PictureButton *m_salva = nullptr;
    PictureButton *m_esci = nullptr;
    // Where Enter takes the focus from each control that is not a button.
    QHash<QObject *, QWidget *> m_enterNext;
};

// The main window's "Salvataggio mappatura": shows `SalvoNIV` modally.
void RunSalvoNIV(FrameState &frame, const MapSaveSource &source, MessageSink &messages, QTimer *liveWatchdog,
                 QWidget *parent);
