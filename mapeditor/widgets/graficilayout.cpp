#include "mapeditor/widgets/grafici.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <algorithm>
#include <cmath>

#include "app/framestate.h"
#include "live/widgets/boxdati.h"
#include "ui/common/pictures.h"

namespace {

int px(double fraction, int whole)
{
    return int(std::lround(fraction * whole));
}

}   // namespace

void Grafici::ridimensiona()
{
    m_ridimensiono.stop();
    m_laidOut = true;
    layoutFrame();
    LayoutEditor(currentPage(), false);
}

// The frame in proportion to the inner size: values panel at the left, pages
// beside it, page buttons and logo in the strip under the pages.
void Grafici::layoutFrame()
{
    const int W = m_area->width(), H = m_area->height();
    if (W <= 0 || H <= 0)
        return;
    m_boxDati->setGeometry(px(0.005, W), px(0.01, H), px(0.18, W), px(0.98, H));
    const QRect pages(px(0.19, W), px(0.01, H), px(0.8, W), px(0.87, H));
    m_cartelle->setGeometry(pages);

    const int stripTop = pages.bottom() + 1 + px(0.015, H);
    const int stripH = std::max(24, px(0.99, H) - stripTop);
    const QSize face = m_memor1->sizeHint();
    const int bh = std::min(stripH, std::max(face.height(), std::min(56, stripH)));
    const int bw = int(std::lround(bh * double(face.width()) / face.height()));
    const int by = stripTop + (stripH - bh) / 2;
    const int gap = std::max(8, px(0.008, W));
    // `Memor1` shows alone on the mapping page, in the slot of `Applica`(0).
    m_applica[0]->setGeometry(pages.left(), by, bw, bh);
    m_memor1->setGeometry(pages.left(), by, bw, bh);
    m_applica[1]->setGeometry(pages.left() + bw + gap, by, bw, bh);
    m_memor->setGeometry(pages.left() + 2 * (bw + gap), by, bw, bh);

    const int logoLeft = pages.left() + 3 * (bw + gap) + gap;
    m_logo->setGeometry(logoLeft, stripTop, std::max(0, pages.right() + 1 - logoLeft), stripH);
    showLogo();
}

void Grafici::showLogo()
{
    const int id = m_frame.EdizioneTUBAN ? 6001 : 6000;
    const QPixmap natural = Immagine(id);
    if (natural.isNull() || m_logo->height() <= 0) {
        m_logo->clear();
        return;
    }
    // Keep the logo's proportions inside the strip, right-aligned.
    QSize s = natural.size() / natural.devicePixelRatio();
    s.scale(m_logo->size(), Qt::KeepAspectRatio);
    m_logo->setPixmap(Immagine(id, s, m_logo->devicePixelRatioF()));
}

bool Grafici::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && watched != this && watched->isWidgetType()
        && isAncestorOf(static_cast<QWidget *>(watched))) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        // Filtered and not accepted: the control does not get to claim the key, the shortcut fires.
        if (m_keys.contains(pressed))
            return true;
    }
    // Laid out again at every size once loaded, so the proportions always hold.
    if (watched == m_area && event->type() == QEvent::Resize && m_laidOut)
        layoutFrame();
    return QMdiSubWindow::eventFilter(watched, event);
}
