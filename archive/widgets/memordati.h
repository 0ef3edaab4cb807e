#pragma once
#include <QDialog>
#include <QStringList>
#include <array>
#include <optional>

#include "app/framestate.h"
#include "archive/acquisitions/acquisitionarchive.h"

class MessageSink;
class PictureButton;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class Recorder;

// The dialog `MemorDati` ("Memorizzazione dati"): names a recording by model,
// description, file name and notes, catalogues it in `TABDATI` and starts the
// recorder on `DIR_DATI/{model}/{file}.DAT`. An existing recording is overwritten
// or continued, as the fitter answers. Questions, beeps and errors go through
// `messages`.
class MemorDati : public QDialog {
    Q_OBJECT
public:
    enum Campo { Modello, Descrizione, NomeFile, Note, NumCampi };
    static constexpr std::array<int, NumCampi> kWidths{12, 41, 8, 300};

    MemorDati(FrameState &frame, Recorder &recorder, MessageSink &messages, QWidget *parent = nullptr);
    ~MemorDati() override;

    // The four boxes: 0 to 2 are QLineEdit, 3 (the notes) a QPlainTextEdit.
    QWidget *DatiDAT(int i) const { return m_dati.at(i); }
    // A box's text as it stands, whichever kind of box it is.
    QString datiText(int i) const;
    void setDatiText(int i, const QString &text);
    QListWidget *ListaModelli() const { return m_lista; }
    // The hidden file list parallel to ListaModelli.
    const QStringList &NomeFF() const { return m_nomeFF; }
    PictureButton *Memorizza() const { return m_memorizza; }
    PictureButton *Esci() const { return m_esci; }

    // True once a store has started the recorder (the dialog then closes).
    bool recordingStarted() const { return m_started; }

    // Whether the key rule lets `c` be typed into box `field`.
    static bool acceptsChar(int field, QChar c);

public slots:
    void memorizza();
    void esci();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    void fillLists();
    void showLine(int row);
    // Makes the model folder, writes the row and starts the recorder; on any
    // failure puts back what it changed, tells the fitter and returns false.
    bool store(const std::optional<AcquisitionRecord> &found, bool continueExisting);
    void refuse(int field);
    // Tells the fitter; `what` and `path` go to the log.
    void tellAccessError(const char *what, const QString &path);

    FrameState &m_frame;
    Recorder &m_recorder;
    MessageSink &m_messages;
    AcquisitionArchive m_archive;
    std::array<QLabel *, NumCampi> m_labels{};
    std::array<QWidget *, NumCampi> m_dati{};
    QPlainTextEdit *m_note = nullptr;
    QListWidget *m_lista = nullptr;
    QStringList m_nomeFF;
    PictureButton *m_memorizza = nullptr;
    PictureButton *m_esci = nullptr;
    bool m_started = false;
};

// Shows `MemorDati` modally over `parent`; true when a recording has started
// (the main window then switches to its recording state).
bool RunMemorDati(FrameState &frame, Recorder &recorder, MessageSink &messages, QWidget *parent);
