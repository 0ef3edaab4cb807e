#include "ui/common/picturedraw.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <QtMath>

namespace {

// Only DejaVu is guaranteed to be installed.
QFont boldFont(qreal pixelSize)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

struct FacePalette {
    QColor top, bottom, border, text;
};

FacePalette paletteFor(QChar accent, FaceLook look)
{
    FacePalette c{QColor(0xff, 0xff, 0xff), QColor(0xe2, 0xe7, 0xed), QColor(0x8a, 0x97, 0xa6),
                  QColor(0x1d, 0x2b, 0x3a)};
    if (accent == QLatin1Char('g'))
        c = {QColor(0xf4, 0xfb, 0xf4), QColor(0xcb, 0xe8, 0xce), QColor(0x4e, 0x94, 0x5a), QColor(0x17, 0x52, 0x22)};
    else if (accent == QLatin1Char('r'))
        c = {QColor(0xfd, 0xf4, 0xf3), QColor(0xf1, 0xcf, 0xcb), QColor(0xb0, 0x55, 0x4b), QColor(0x74, 0x1c, 0x14)};
    else if (accent == QLatin1Char('b'))
        c = {QColor(0xf3, 0xf8, 0xfe), QColor(0xcd, 0xe0, 0xf6), QColor(0x4a, 0x7d, 0xbf), QColor(0x14, 0x3e, 0x75)};
    switch (look) {
    case FaceLook::Normal: break;
    case FaceLook::Hover:
        c.top = c.top.lighter(103);
        c.bottom = c.bottom.lighter(104);
        c.border = c.border.darker(125);
        break;
    case FaceLook::Pressed:
        std::swap(c.top, c.bottom);
        c.top = c.top.darker(108);
        c.border = c.border.darker(130);
        break;
    case FaceLook::Disabled:
        c = {QColor(0xf3, 0xf4, 0xf6), QColor(0xe9, 0xeb, 0xee), QColor(0xc4, 0xc9, 0xd0), QColor(0xa4, 0xaa, 0xb2)};
        break;
    }
    return c;
}

// Splits the words into lines: "|" first, else a long phrase at its middle blank.
QStringList faceLines(const QString &words, const QFont &probe, qreal width)
{
    if (words.contains(QLatin1Char('|')))
        return words.split(QLatin1Char('|'));
    if (QFontMetricsF(probe).horizontalAdvance(words) <= width || !words.contains(QLatin1Char(' ')))
        return {words};
    int best = -1;
    for (int i = 0; i < words.size(); ++i)
        if (words.at(i) == QLatin1Char(' ') && (best < 0 || qAbs(i - words.size() / 2) < qAbs(best - words.size() / 2)))
            best = i;
    return {words.left(best), words.mid(best + 1)};
}

}   // namespace

void paintFace(QPainter &p, const QRectF &r, const FaceSpec &face, FaceLook look, bool focusRing)
{
    if (r.width() < 4 || r.height() < 4)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const FacePalette c = paletteFor(face.accent, look);
    const qreal radius = qMin(6.0, r.height() * 0.22);
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -1.5);

    // Soft shadow under a raised face only.
    if (look != FaceLook::Pressed && look != FaceLook::Disabled) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 28));
        p.drawRoundedRect(body.translated(0, 1), radius, radius);
    }
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    p.setBrush(g);
    p.setPen(QPen(c.border, 1));
    p.drawRoundedRect(body, radius, radius);

    // Inner highlight along the top edge gives the face some depth.
    if (look == FaceLook::Normal || look == FaceLook::Hover) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 170), 1));
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
    if (focusRing) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x2f, 0x7b, 0xd8, 220), 2));
        p.drawRoundedRect(body.adjusted(2, 2, -2, -2), qMax(1.0, radius - 2), qMax(1.0, radius - 2));
    }

    if (!face.words.isEmpty()) {
        const qreal pad = qMax(5.0, qMin(10.0, r.height() * 0.2));
        const qreal avail = body.width() - 2 * pad;
        QStringList lines = faceLines(face.words, boldFont(r.height() * 0.32), avail);
        qreal size = lines.size() > 1 ? r.height() * 0.29 : r.height() * 0.36;
        size = qMin(size, 22.0);
        QFont f = boldFont(size);
        auto widest = [&](const QFont &font) {
            qreal w = 0;
            for (const QString &l : lines)
                w = qMax(w, QFontMetricsF(font).horizontalAdvance(l));
            return w;
        };
        while (size > 6 && widest(f) > avail) {
            size -= 0.5;
            f = boldFont(size);
        }
        p.setFont(f);
        // Centre the capitals optically; descenders (Polish ogonek) may use the space below.
        const QFontMetricsF fm(f);
        const qreal step = fm.ascent() + fm.descent() * 0.75;
        const qreal capHeight = fm.capHeight();
        const qreal shift = look == FaceLook::Pressed ? 1 : 0;
        qreal baseline = body.center().y() + capHeight / 2 - (lines.size() - 1) * step / 2 + shift;
        for (const QString &l : lines) {
            const QPointF at(body.center().x() - fm.horizontalAdvance(l) / 2, baseline);
            if (look != FaceLook::Disabled) {
                p.setPen(QColor(255, 255, 255, 150));
                p.drawText(at + QPointF(0, 1), l);
            }
            p.setPen(c.text);
            p.drawText(at, l);
            baseline += step;
        }
    }
    p.restore();
}

void paintFlag(QPainter &p, const QRectF &r, int language)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = qMin(r.width(), r.height()) * 0.06;
    QPainterPath outline;
    outline.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setClipPath(outline);
    p.setPen(Qt::NoPen);
    const qreal w = r.width(), h = r.height();
    switch (language) {
    case 0:
    case 1: {
        const QColor left = language == 0 ? QColor(0x00, 0x92, 0x46) : QColor(0x00, 0x55, 0xa4);
        const QColor right = language == 0 ? QColor(0xce, 0x2b, 0x37) : QColor(0xef, 0x41, 0x35);
        p.fillRect(QRectF(r.left(), r.top(), w / 3, h), left);
        p.fillRect(QRectF(r.left() + w / 3, r.top(), w / 3 + 0.5, h), Qt::white);
        p.fillRect(QRectF(r.left() + 2 * w / 3, r.top(), w / 3, h), right);
        break;
    }
    case 2:
        p.fillRect(QRectF(r.left(), r.top(), w, h / 2), Qt::white);
        p.fillRect(QRectF(r.left(), r.top() + h / 2, w, h / 2), QColor(0xdc, 0x14, 0x3c));
        break;
    case 3: {
        // Drawn on a 60 x 30 grid, stretched to the rectangle.
        p.translate(r.topLeft());
        p.scale(w / 60.0, h / 30.0);
        const QColor blue(0x01, 0x21, 0x69), red(0xc8, 0x10, 0x2e);
        p.fillRect(QRectF(0, 0, 60, 30), blue);
        p.setPen(QPen(Qt::white, 6));
        p.drawLine(QLineF(0, 0, 60, 30));
        p.drawLine(QLineF(60, 0, 0, 30));
        // Red saltire arms sit off-centre, turning around the middle.
        const QPointF c(30, 15);
        const QPointF corners[4] = {{0, 0}, {60, 0}, {60, 30}, {0, 30}};
        for (int i = 0; i < 4; ++i) {
            const QPointF d = corners[i] - c;
            const qreal len = std::hypot(d.x(), d.y());
            const QPointF u(d.x() / len, d.y() / len);
            const QPointF n(u.y(), -u.x());
            const QPointF off = n * 2.0;
            QPolygonF arm;
            arm << c << corners[i] << corners[i] + off << c + off;
            p.setPen(Qt::NoPen);
            p.setBrush(red);
            p.drawPolygon(arm);
        }
        p.fillRect(QRectF(25, 0, 10, 30), Qt::white);
        p.fillRect(QRectF(0, 10, 60, 10), Qt::white);
        p.fillRect(QRectF(27, 0, 6, 30), red);
        p.fillRect(QRectF(0, 12, 60, 6), red);
        break;
    }
    default: break;
    }
    p.restore();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 70), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

void paintSymbol(QPainter &p, const QRectF &r, int symbol)
{
    static const QColor discs[4] = {QColor(0xd9, 0x30, 0x25), QColor(0xf5, 0xb8, 0x00), QColor(0x2e, 0x9d, 0x4a),
                                    QColor(0x1f, 0x6f, 0xd1)};
    if (symbol < 0 || symbol > 3)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(r.width(), r.height());
    p.translate(r.center());
    p.scale(side / 40.0, side / 40.0);   // 40 x 40 grid centred on 0
    const QColor base = discs[symbol];
    QRadialGradient g(QPointF(-6, -8), 26);
    g.setColorAt(0, base.lighter(125));
    g.setColorAt(1, base.darker(108));
    p.setBrush(g);
    p.setPen(QPen(base.darker(135), 1));
    p.drawEllipse(QPointF(0, 0), 18.5, 18.5);

    const QColor glyph = symbol == 1 ? QColor(0x3b, 0x2a, 0x00) : QColor(Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(glyph);
    switch (symbol) {
    case 0: {
        QPen pen(glyph, 4.6, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QLineF(-7.5, -7.5, 7.5, 7.5));
        p.drawLine(QLineF(7.5, -7.5, -7.5, 7.5));
        break;
    }
    case 1:
        p.drawRoundedRect(QRectF(-2.4, -12.5, 4.8, 16), 2.4, 2.4);
        p.drawEllipse(QPointF(0, 9.2), 2.8, 2.8);
        break;
    case 2: {
        QPainterPath q;
        q.moveTo(-6.5, -5.5);
        q.cubicTo(-6.5, -15, 7.5, -14.5, 7, -5.5);
        q.cubicTo(6.7, 0, 0, -0.5, 0, 4.2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(glyph, 4.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(glyph);
        p.drawEllipse(QPointF(0, 10.5), 2.7, 2.7);
        break;
    }
    case 3:
        p.drawEllipse(QPointF(0, -10), 2.9, 2.9);
        p.drawRoundedRect(QRectF(-2.4, -4.5, 4.8, 17), 1.2, 1.2);
        p.drawRoundedRect(QRectF(-5, -4.5, 5, 3.2), 1, 1);
        p.drawRoundedRect(QRectF(-5.5, 10.8, 11, 3.2), 1, 1);
        break;
    }
    p.restore();
}

void paintLogo(QPainter &p, const QRectF &r, bool specialEdition)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal h = r.height();
    const qreal band = specialEdition ? h * 0.2 : 0;
    const QRectF art(r.left(), r.top(), r.width(), h - band);

    // Gas flame: an outer and an inner teardrop.
    const qreal fh = art.height() * 0.82;
    const qreal fw = fh * 0.62;
    const QPointF base(art.left() + art.height() * 0.12 + fw / 2, art.center().y() + fh / 2);
    auto drop = [&](qreal scale) {
        QPainterPath d;
        const qreal w = fw * scale / 2, hh = fh * scale;
        d.moveTo(base.x(), base.y() - hh);
        d.cubicTo(base.x() + w * 0.35, base.y() - hh * 0.72, base.x() + w * 1.15, base.y() - hh * 0.45, base.x() + w,
                  base.y() - hh * 0.26);
        d.cubicTo(base.x() + w * 0.9, base.y() - hh * 0.02, base.x() + w * 0.3, base.y(), base.x(), base.y());
        d.cubicTo(base.x() - w * 0.3, base.y(), base.x() - w * 0.9, base.y() - hh * 0.02, base.x() - w,
                  base.y() - hh * 0.26);
        d.cubicTo(base.x() - w * 1.15, base.y() - hh * 0.45, base.x() - w * 0.35, base.y() - hh * 0.72, base.x(),
                  base.y() - hh);
        return d;
    };
    const QColor outerTop = specialEdition ? QColor(0xf2, 0x8c, 0x1b) : QColor(0x5a, 0xb4, 0xff);
    const QColor outerBottom = specialEdition ? QColor(0xc2, 0x3b, 0x0c) : QColor(0x14, 0x5d, 0xc8);
    QLinearGradient g(QPointF(base.x(), base.y() - fh), base);
    g.setColorAt(0, outerTop);
    g.setColorAt(1, outerBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(drop(1.0));
    QLinearGradient gi(QPointF(base.x(), base.y() - fh * 0.55), base);
    gi.setColorAt(0, QColor(255, 255, 255, 235));
    gi.setColorAt(1, specialEdition ? QColor(0xff, 0xd9, 0x8a) : QColor(0xbf, 0xe3, 0xff));
    p.setBrush(gi);
    p.drawPath(drop(0.5));

    // Wordmark, fitted to the room right of the flame.
    const qreal textLeft = base.x() + fw / 2 + art.height() * 0.14;
    const QRectF textRect(textLeft, art.top(), art.right() - textLeft - art.height() * 0.06, art.height());
    const QString word = QStringLiteral("VARSENO");
    qreal size = art.height() * 0.56;
    QFont f = boldFont(size);
    f.setLetterSpacing(QFont::PercentageSpacing, 104);
    while (size > 6 && QFontMetricsF(f).horizontalAdvance(word) > textRect.width()) {
        size -= 0.5;
        f.setPixelSize(qMax(1, qRound(size)));
    }
    p.setFont(f);
    p.setPen(QColor(0x1a, 0x33, 0x52));
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, word);
    // Thin rule under the word ties it to the flame.
    const QFontMetricsF fm(f);
    const qreal ruleY = textRect.center().y() + fm.ascent() * 0.5 + fm.descent() * 0.6;
    p.fillRect(QRectF(textLeft, ruleY, fm.horizontalAdvance(word), qMax(1.0, h * 0.03)), outerBottom);

    if (specialEdition) {
        const QRectF bandRect(r.left(), r.bottom() - band, r.width(), band);
        QLinearGradient bg(bandRect.topLeft(), bandRect.topRight());
        bg.setColorAt(0, QColor(0xc2, 0x3b, 0x0c));
        bg.setColorAt(1, QColor(0xf2, 0x8c, 0x1b));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(bandRect.adjusted(0, band * 0.25, 0, 0), band * 0.3, band * 0.3);
    }
    p.restore();
}

namespace {

void floppy(QPainter &p, const QRectF &b, const QColor &body)
{
    const qreal s = b.width() / 18.0;
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    QPainterPath outline;
    outline.moveTo(b.left() + 1.5 * s, b.top());
    outline.lineTo(b.right() - 3 * s, b.top());
    outline.lineTo(b.right(), b.top() + 3 * s);
    outline.lineTo(b.right(), b.bottom() - 1.5 * s);
    outline.quadTo(b.right(), b.bottom(), b.right() - 1.5 * s, b.bottom());
    outline.lineTo(b.left() + 1.5 * s, b.bottom());
    outline.quadTo(b.left(), b.bottom(), b.left(), b.bottom() - 1.5 * s);
    outline.lineTo(b.left(), b.top() + 1.5 * s);
    outline.quadTo(b.left(), b.top(), b.left() + 1.5 * s, b.top());
    p.drawPath(outline);
    p.setBrush(QColor(0xe3, 0xe9, 0xf0));
    p.drawRect(QRectF(b.left() + 4 * s, b.top(), 9 * s, 6 * s));
    p.setBrush(body.darker(140));
    p.drawRect(QRectF(b.left() + 10 * s, b.top() + 1 * s, 2 * s, 4 * s));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(b.left() + 3 * s, b.top() + 9.5 * s, 12 * s, 7.5 * s), s, s);
}

QPainterPath gearPath()
{
    QPainterPath gear;
    gear.addEllipse(QPointF(0, 0), 6.8, 6.8);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-1.9, -9.6, 3.8, 4.4), 0.8, 0.8);
        gear = gear.united(QTransform().rotate(i * 45.0).map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), 2.8, 2.8);
    return gear.subtracted(hole);
}

}   // namespace

void paintToolIcon(QPainter &p, const QRectF &r, int icon)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(r.width(), r.height());
    p.translate(r.center().x() - side / 2, r.center().y() - side / 2);
    p.scale(side / 24.0, side / 24.0);   // 24 x 24 grid
    const QColor ink(0x4a, 0x56, 0x63), blue(0x2f, 0x6d, 0xb5), red(0xd9, 0x30, 0x25);
    p.setPen(Qt::NoPen);
    switch (icon) {
    case 0: {   // start recording
        QRadialGradient g(QPointF(10, 9), 9);
        g.setColorAt(0, red.lighter(130));
        g.setColorAt(1, red);
        p.setBrush(g);
        p.setPen(QPen(red.darker(130), 1));
        p.drawEllipse(QPointF(12, 12), 7.5, 7.5);
        break;
    }
    case 1:   // stop recording
        p.setBrush(ink);
        p.drawRoundedRect(QRectF(5.5, 5.5, 13, 13), 2, 2);
        break;
    case 2:   // save map
        floppy(p, QRectF(3, 3, 18, 18), blue);
        break;
    case 3: {   // create update disks: two disks and a plus badge
        floppy(p, QRectF(7, 1.5, 15, 15), blue.lighter(140));
        floppy(p, QRectF(2, 7, 15, 15), blue);
        p.setBrush(QColor(0x2e, 0x9d, 0x4a));
        p.setPen(QPen(Qt::white, 1));
        p.drawEllipse(QPointF(18.5, 18.5), 4.5, 4.5);
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QLineF(18.5, 16.2, 18.5, 20.8));
        p.drawLine(QLineF(16.2, 18.5, 20.8, 18.5));
        break;
    }
    case 4: {   // ECU information: chip with an "i"
        p.setBrush(QColor(0x90, 0xa0, 0xae));
        for (int i = 0; i < 3; ++i) {
            const qreal t = 8 + i * 3.5;
            p.drawRect(QRectF(t - 0.8, 2.5, 1.6, 3));
            p.drawRect(QRectF(t - 0.8, 18.5, 1.6, 3));
            p.drawRect(QRectF(2.5, t - 0.8, 3, 1.6));
            p.drawRect(QRectF(18.5, t - 0.8, 3, 1.6));
        }
        p.setBrush(QColor(0x33, 0x3f, 0x4a));
        p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12, 8.6), 1.4, 1.4);
        p.drawRoundedRect(QRectF(10.9, 10.8, 2.2, 5.8), 0.6, 0.6);
        break;
    }
    case 5: {   // utilities: wrench
        QPainterPath wrench;
        wrench.addEllipse(QPointF(0, -5.5), 5.2, 5.2);
        QPainterPath handle;
        handle.addRoundedRect(QRectF(-1.9, -3, 3.8, 14.5), 1.9, 1.9);
        wrench = wrench.united(handle);
        QPainterPath notch;
        notch.addRect(QRectF(-1.9, -12, 3.8, 6.5));
        wrench = wrench.subtracted(notch);
        p.translate(12.5, 11.5);
        p.rotate(45);
        p.setBrush(ink);
        p.drawPath(wrench);
        break;
    }
    case 6:   // configuration: gear
        p.translate(12, 12);
        p.setBrush(ink);
        p.drawPath(gearPath());
        break;
    case 7: {   // exit: door and arrow
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawPolyline(QPolygonF(
            {QPointF(13, 7), QPointF(13, 3.5), QPointF(4, 3.5), QPointF(4, 20.5), QPointF(13, 20.5), QPointF(13, 17)}));
        p.setPen(QPen(blue, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QLineF(9, 12, 20, 12));
        p.drawPolyline(QPolygonF({QPointF(16.5, 8.5), QPointF(20.5, 12), QPointF(16.5, 15.5)}));
        break;
    }
    default: break;
    }
    p.restore();
}
