#include "ui/common/pictures.h"

#include <QFile>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QStringList>
#include <QtMath>

#include "ui/common/picturedraw.h"

namespace {

enum class PictureKind { None, Face, Flag, Symbol, Logo, ToolIcon };

// The words of one localised face pair, per language.
struct FaceRow {
    QChar accent = QLatin1Char('-');
    QString words[4];
};

QHash<int, FaceRow> loadFaceTable()
{
    QHash<int, FaceRow> rows;
    QFile file(QStringLiteral(":/resources/faces.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    const QString all = QString::fromUtf8(file.readAll());
    for (QString line : all.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        bool ok = false;
        const int base = f.value(0).toInt(&ok);
        if (!ok || f.size() < 6)
            continue;
        FaceRow row;
        row.accent = f[1].isEmpty() ? QLatin1Char('-') : f[1].at(0);
        for (int i = 0; i < 4; ++i)
            row.words[i] = f[2 + i];
        rows.insert(base, row);
    }
    return rows;
}

const QHash<int, FaceRow> &faceTable()
{
    static const QHash<int, FaceRow> table = loadFaceTable();
    return table;
}

// Resolves a localised face id; false when the id names no face.
bool lookUpFace(int id, FaceSpec *face)
{
    if (id < 101 || id >= 4000)
        return false;
    const int base = id % 1000;
    const int lang = id / 1000;
    if (base < 101)
        return false;
    const auto &table = faceTable();
    auto it = table.constFind(base);
    bool greyed = false;
    if (it == table.constEnd() && base % 2 == 0) {
        it = table.constFind(base - 1);
        greyed = true;
    }
    if (it == table.constEnd())
        return false;
    face->words = it->words[lang];
    face->accent = it->accent;
    face->greyed = greyed;
    return true;
}

// Faces are whatever the face table lists, so a new face needs no code.
bool isFaceId(int id)
{
    if (id < 101 || id >= 4000 || id % 1000 < 101)
        return false;
    const int base = id % 1000;
    const auto &table = faceTable();
    return table.contains(base) || (base % 2 == 0 && table.contains(base - 1));
}

PictureKind kindOf(int id)
{
    if (isFaceId(id))
        return PictureKind::Face;
    if (id >= 5000 && id <= 5003)
        return PictureKind::Flag;
    if (id >= 5004 && id <= 5007)
        return PictureKind::Symbol;
    if (id == 6000 || id == 6001)
        return PictureKind::Logo;
    if (id >= 7000 && id <= 7007)
        return PictureKind::ToolIcon;
    return PictureKind::None;
}

QSize naturalSize(int id)
{
    switch (kindOf(id)) {
    case PictureKind::Face: return QSize(112, 40);
    case PictureKind::Flag: return QSize(48, 32);
    case PictureKind::Symbol: return QSize(40, 40);
    case PictureKind::Logo: return QSize(240, 72);
    case PictureKind::ToolIcon: return QSize(24, 24);
    case PictureKind::None: break;
    }
    return QSize();
}

// Paints picture `id` (not a face) into `r`.
void paintPicture(QPainter &p, const QRectF &r, int id)
{
    switch (kindOf(id)) {
    case PictureKind::Flag: paintFlag(p, r, id - 5000); break;
    case PictureKind::Symbol: paintSymbol(p, r, id - 5004); break;
    case PictureKind::Logo: paintLogo(p, r, id == 6001); break;
    case PictureKind::ToolIcon: paintToolIcon(p, r, id - 7000); break;
    default: break;
    }
}

QPixmap greyedCopy(const QPixmap &pm)
{
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int g = 150 + qGray(c) * 95 / 255;
            line[x] = qRgba(g, g, g, qAlpha(c) * 3 / 5);
        }
    }
    QPixmap out = QPixmap::fromImage(img);
    out.setDevicePixelRatio(pm.devicePixelRatio());
    return out;
}

}   // namespace

QPixmap Immagine(int id, const QSize &logicalSize, qreal dpr)
{
    const PictureKind kind = kindOf(id);
    if (kind == PictureKind::None)
        return QPixmap();
    FaceSpec face;
    if (kind == PictureKind::Face && !lookUpFace(id, &face))
        return QPixmap();
    const QSize size = logicalSize.isValid() && !logicalSize.isEmpty() ? logicalSize : naturalSize(id);
    if (dpr <= 0)
        dpr = 1.0;
    QPixmap pm(QSize(qCeil(size.width() * dpr), qCeil(size.height() * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r(0, 0, size.width(), size.height());
    if (kind == PictureKind::Face)
        paintFace(p, r, face, face.greyed ? FaceLook::Disabled : FaceLook::Normal, false);
    else
        paintPicture(p, r, id);
    p.end();
    return pm;
}

PictureButton::PictureButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void PictureButton::setFaceIds(int normalId, int pressedId, int disabledId)
{
    m_normal = normalId;
    m_pressed = pressedId;
    m_disabled = disabledId;
    updateGeometry();
    update();
}

QSize PictureButton::sizeHint() const
{
    const int id = m_normal ? m_normal : (m_pressed ? m_pressed : m_disabled);
    const PictureKind kind = kindOf(id);
    if (kind == PictureKind::None || kind == PictureKind::Face)
        return QSize(112, 40);
    QSize s = naturalSize(id) + QSize(16, 12);
    if (!text().isEmpty()) {
        const QFontMetrics fm(font());
        s.setWidth(qMax(s.width(), fm.horizontalAdvance(text()) + 16));
        s.setHeight(s.height() + fm.height() + 2);
    }
    return s;
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r = QRectF(rect());
    const bool enabled = isEnabled();
    const bool down = isDown();
    const bool focus = hasFocus();

    // The word of a disabled button comes from its normal face; it greys itself.
    int id = down ? (m_pressed ? m_pressed : m_normal) : m_normal;
    if (!id)
        id = m_disabled;
    const PictureKind kind = kindOf(id);

    FaceLook look = FaceLook::Normal;
    if (!enabled)
        look = FaceLook::Disabled;
    else if (down)
        look = FaceLook::Pressed;
    else if (underMouse())
        look = FaceLook::Hover;

    // A checked button (a chosen option) is tinted blue.
    const QChar checkedAccent = isChecked() && enabled ? QLatin1Char('b') : QChar();
    FaceSpec face;
    if (kind == PictureKind::Face && lookUpFace(id, &face)) {
        if (!checkedAccent.isNull())
            face.accent = checkedAccent;
        paintFace(p, r, face, look, focus && enabled);
        return;
    }

    // A picture button: a blank face carrying the picture and the caption.
    FaceSpec blank;
    if (!checkedAccent.isNull())
        blank.accent = checkedAccent;
    paintFace(p, r, blank, look, focus && enabled);
    if (kind == PictureKind::None)
        return;
    const qreal dpr = devicePixelRatioF();
    const QFontMetrics fm(font());
    const int textH = text().isEmpty() ? 0 : fm.height() + 2;
    QSize pic = naturalSize(id);
    const QSize room = (r.size() - QSizeF(12, 10 + textH)).toSize();
    if (room.width() > 0 && room.height() > 0)
        pic = pic.scaled(room.boundedTo(pic * 2), Qt::KeepAspectRatio);
    if (pic.isEmpty())
        return;
    QPixmap pm = Immagine(id, pic, dpr);
    if (!enabled)
        pm = greyedCopy(pm);
    const qreal shift = look == FaceLook::Pressed ? 1 : 0;
    const QPointF at(r.center().x() - pic.width() / 2.0, r.center().y() - (pic.height() + textH) / 2.0 + shift);
    p.drawPixmap(at, pm);
    if (textH) {
        p.setPen(enabled ? palette().color(QPalette::ButtonText) : QColor(0xa3, 0xa9, 0xb1));
        const QRectF tr(r.left() + 4, at.y() + pic.height() + 2, r.width() - 8, fm.height());
        p.drawText(tr, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }
}

void CaricaImmagine(int id, QWidget *control)
{
    if (!control || kindOf(id) == PictureKind::None)
        return;
    if (auto *button = qobject_cast<PictureButton *>(control)) {
        if (id >= 5000)
            button->setFaceIds(id, id, id);
        else if ((id % 1000) % 2 == 1)
            button->setFaceIds(id, id, button->disabledId());
        else
            button->setFaceIds(button->normalId(), button->pressedId(), id);
        return;
    }
    if (auto *label = qobject_cast<QLabel *>(control)) {
        const bool fixed = label->minimumSize() == label->maximumSize() && !label->minimumSize().isEmpty();
        const QPixmap pm = Immagine(id, fixed ? label->minimumSize() : QSize(), label->devicePixelRatioF());
        if (!pm.isNull())
            label->setPixmap(pm);
        return;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        const QSize size = naturalSize(id);
        QIcon icon;
        icon.addPixmap(Immagine(id, size, 1.0));
        icon.addPixmap(Immagine(id, size, 2.0));
        button->setIcon(icon);
        button->setIconSize(size);
    }
}
