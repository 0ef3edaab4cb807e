#pragma once
#include <QAbstractButton>
#include <QPixmap>
#include <QString>

class QWidget;

// A button that shows a picture face: normal, pressed and disabled.
// Faces are painted at the widget's device pixel ratio, so they stay sharp.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent = nullptr);
    // Picture ids (language offset included): normal/pressed face and disabled face.
    void setFaceIds(int normalId, int pressedId, int disabledId);
    int normalId() const { return m_normal; }
    int pressedId() const { return m_pressed; }
    int disabledId() const { return m_disabled; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    int m_normal = 0, m_pressed = 0, m_disabled = 0;
};

// The picture with this id (language offset included) at the given size and
// device pixel ratio; a null pixmap when there is none.
QPixmap Immagine(int id, const QSize &logicalSize = QSize(), qreal dpr = 1.0);

// Makes picture `id` the picture of `control`: a PictureButton gets it as its
// normal and pressed face for odd localised ids, as its disabled face for even
// ones, and as every face for ids from 5000; a QLabel shows it; an ordinary
// QAbstractButton gets it as its icon. A missing picture is not reported.
void CaricaImmagine(int id, QWidget *control);
