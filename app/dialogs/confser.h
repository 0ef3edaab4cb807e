#pragma once
#include <QDialog>
#include <QTimer>
#include <array>
#include <memory>

#include "app/foundports.h"
#include "app/framestate.h"
#include "app/portmap.h"
#include "app/settings.h"
#include "ui/common/dialogs.h"

class QComboBox;
class QLabel;
class QListWidget;

// The serial-port settings dialog `ConfSer`: five lists saved to CONFIG.INI, the
// device the chosen COM stands for, and the adapters plugged in now, one of which
// the chosen COM can be pointed at ([PORTE], written on saving like the rest).
// Questions go through `sink`; without one, through the program's message dialog.
// Adapters come from `finder`; without one, from the machine.
class ConfSer : public QDialog {
    Q_OBJECT
public:
    explicit ConfSer(FrameState &frame, QWidget *parent = nullptr, MessageSink *sink = nullptr,
                     PortFinder *finder = nullptr);
    ~ConfSer() override;

    // A list entry other than the stored setting was chosen since opening or saving.
    bool modified() const { return m_modified; }
    // CONFIG.INI was written while the dialog was open.
    bool saved() const { return m_saved; }

    // The choice the lists show; a list without a selection keeps the stored value.
    SerialChoice choice() const;

public slots:
    void salva();
    void esci();
    // Looks for adapters again (the dialog does so every two seconds while open).
    void aggiornaAdattatori();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    enum Lista { Seriali, BaudRate, Parita, BitDati, BitStop, NumListe };
    QString storedValue(Lista which) const;   // trimmed, upper case
    QString chosenValue(Lista which) const;   // what the list shows, same form
    bool write();
    int chosenPort() const;     // 1..9, 0 when the COM list names none
    void riempiAdattatori();    // the adapter list from m_found
    void mostraDispositivo();   // the chosen COM's device and its adapter row
    void sceltoAdattatore(int row);

    FrameState &m_frame;
    DialogMessageSink m_ownSink;
    MessageSink *m_sink;
    std::array<QComboBox *, NumListe> m_liste{};
    std::array<QLabel *, NumListe> m_labels{};
    std::unique_ptr<PortFinder> m_ownFinder;
    PortFinder *m_finder;
    PortMap m_porte;
    QList<FoundPort> m_found;
    QLabel *m_dispositivo = nullptr;
    QLabel *m_intestazione = nullptr;
    QListWidget *m_adattatori = nullptr;
    QTimer m_cerca;
    QWidget *m_salva = nullptr;
    QWidget *m_esci = nullptr;
    bool m_modified = false;
    bool m_saved = false;
};
