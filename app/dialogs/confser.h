#pragma once
#include <QDialog>
#include <array>

#include "app/framestate.h"
#include "app/settings.h"
#include "ui/common/dialogs.h"

class QComboBox;
class QLabel;

// The serial-port settings dialog `ConfSer`: five lists saved to CONFIG.INI.
// Questions go through `sink`; without one, through the program's message dialog.
class ConfSer : public QDialog {
    Q_OBJECT
public:
    explicit ConfSer(FrameState &frame, QWidget *parent = nullptr, MessageSink *sink = nullptr);

    // A list entry other than the stored setting was chosen since opening or saving.
    bool modified() const { return m_modified; }
    // CONFIG.INI was written while the dialog was open.
    bool saved() const { return m_saved; }

    // The choice the lists show; a list without a selection keeps the stored value.
    SerialChoice choice() const;

public slots:
    void salva();
    void esci();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    enum Lista { Seriali, BaudRate, Parita, BitDati, BitStop, NumListe };
    QString storedValue(Lista which) const;   // trimmed, upper case
    QString chosenValue(Lista which) const;   // what the list shows, same form
    bool write();

    FrameState &m_frame;
    DialogMessageSink m_ownSink;
    MessageSink *m_sink;
    std::array<QComboBox *, NumListe> m_liste{};
    std::array<QLabel *, NumListe> m_labels{};
    QWidget *m_salva = nullptr;
    QWidget *m_esci = nullptr;
    bool m_modified = false;
    bool m_saved = false;
};
