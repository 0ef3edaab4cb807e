#pragma once
#include <QChar>
#include <QRectF>
#include <QString>

class QPainter;

// The painters behind Immagine and PictureButton; each draws into `r` in
// logical units, so the painter's device pixel ratio decides the sharpness.

enum class FaceLook { Normal, Hover, Pressed, Disabled };

struct FaceSpec {
    QString words;                     // "|" starts a second line
    QChar accent = QLatin1Char('-');   // '-', 'g', 'r' or 'b'
    bool greyed = false;               // the disabled face of a pair
};

void paintFace(QPainter &p, const QRectF &r, const FaceSpec &face, FaceLook look, bool focusRing);
void paintFlag(QPainter &p, const QRectF &r, int language);   // 0 Italy .. 3 United Kingdom
void paintSymbol(QPainter &p, const QRectF &r, int symbol);   // 0 error, 1 warning, 2 question, 3 information
void paintLogo(QPainter &p, const QRectF &r, bool specialEdition);
void paintToolIcon(QPainter &p, const QRectF &r, int icon);   // 0 record .. 7 exit
