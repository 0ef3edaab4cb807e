#pragma once
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <array>

#include "app/framestate.h"

class QLabel;
class PictureButton;

// The program's message dialog: a text, an icon and one row of picture buttons
// whose set and icon come from the customary message-box flags.
class Messaggio : public QDialog {
    Q_OBJECT
public:
    explicit Messaggio(const FrameState &frame, QWidget *parent = nullptr);

    // Caption, text, button set (flags & 15) and icon (flags & 240) of one question.
    void prepare(const QString &text, int flags, const QString &title);
    // Where the dialog appears: centred over this window (none: the platform decides).
    void centreOver(QWidget *window);
    // Code of the button pressed; without a button, the set's refusing answer.
    int answer() const { return m_answer; }
    // The buttons of the current set, left to right.
    QList<PictureButton *> shownButtons() const;

    // Answer given when the dialog is closed without a button (frame, Esc).
    static int refusalFor(int buttonSet);
    // Picture of the icon value (flags & 240); 0 when there is none.
    static int iconPicture(int flags);

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Tasto {
        PictureButton *button;
        int answer;
    };
    void placeButtons();
    int buttonRowTop() const;

    std::array<Tasto, 10> m_tasti{};
    QList<int> m_set;   // indices into m_tasti, left to right
    int m_buttonSet = 0;
    int m_answer = 0;
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QPointer<QWidget> m_centreOver;
};
