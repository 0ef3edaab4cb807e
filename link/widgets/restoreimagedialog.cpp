#include "link/widgets/restoreimagedialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtMath>

#include "app/texts.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kMarkerSide = 10;

// A small green disc in front of the connected ECU's rows; the other rows get
// an empty square of the same size so that the serial numbers stay aligned.
QIcon marker(bool on, qreal dpr)
{
    QPixmap pm(QSize(qCeil(kMarkerSide * dpr), qCeil(kMarkerSide * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    if (on) {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QColor(0x1d, 0x6b, 0x2a));
        p.setBrush(QColor(0x2e, 0xa0, 0x40));
        p.drawEllipse(QRectF(1, 1, kMarkerSide - 2, kMarkerSide - 2));
    }
    return QIcon(pm);
}

}   // namespace

QString RestoreImageDialog::takenText(const QDateTime &taken)
{
    return taken.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

RestoreImageDialog::RestoreImageDialog(const FrameState &frame, const QList<ImageBackup> &backups,
                                       const QString &connectedSerial, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RestoreImage"));
    MakeFixedDialog(this);
    setModal(true);

    auto *heading = new QLabel(Testo(frame.id(370)).trimmed(), this);
    heading->setObjectName(QStringLiteral("Intestazione"));
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("Copie"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({Testo(frame.id(371)).trimmed(), Testo(frame.id(372)).trimmed()});
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setIconSize(QSize(kMarkerSide, kMarkerSide));
    m_list->header()->setSectionsMovable(false);
    m_list->header()->setSectionsClickable(false);   // the order given is the order shown

    const QString mine = connectedSerial.trimmed();
    const qreal dpr = devicePixelRatioF();
    QFont bold = m_list->font();
    bold.setBold(true);
    QTreeWidgetItem *preselect = nullptr;
    for (const ImageBackup &b : backups) {
        const bool connected = !mine.isEmpty() && b.serial.trimmed() == mine;
        m_connected << connected;
        auto *item = new QTreeWidgetItem(m_list, {b.serial, takenText(b.taken)});
        item->setToolTip(0, b.path);
        item->setToolTip(1, b.path);
        item->setIcon(0, marker(connected, dpr));
        if (connected) {
            item->setFont(0, bold);
            item->setFont(1, bold);
            if (!preselect)
                preselect = item;
        }
    }
    for (int c = 0; c < 2; ++c)
        m_list->resizeColumnToContents(c);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, m_list->columnWidth(0) + 24);

    // Room for the dates and up to ten rows before the list scrolls.
    const int rows = qBound(6, int(backups.size()), 10);
    const int rowHeight = qMax(m_list->fontMetrics().height() + 6, kMarkerSide + 4);
    m_list->setMinimumSize(qMax(420, m_list->columnWidth(0) + m_list->columnWidth(1) + 40),
                           m_list->header()->sizeHint().height() + rows * rowHeight + 6);

    m_restore = MakeFaceButton(frame, this, QStringLiteral("Ripristina"), 369, 370);
    connect(m_restore, &QAbstractButton::clicked, this, &RestoreImageDialog::restore);
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(m_esci, &QAbstractButton::clicked, this, &RestoreImageDialog::reject);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { m_restore->setEnabled(selectedRow() >= 0); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { m_restore->click(); });

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch();
    buttons->addWidget(m_restore);
    buttons->addWidget(m_esci);
    buttons->addStretch();

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 18);
    main->setSpacing(10);
    main->addWidget(heading);
    main->addWidget(m_list);
    main->addSpacing(10);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    heading->setMaximumWidth(m_list->minimumWidth());

    m_restore->setEnabled(false);
    if (preselect) {
        m_list->setCurrentItem(preselect);
        m_list->scrollToItem(preselect);
    }
    m_list->setFocus(Qt::OtherFocusReason);
}

bool RestoreImageDialog::isConnectedRow(int row) const
{
    return m_connected.value(row, false);
}

int RestoreImageDialog::selectedRow() const
{
    const QList<QTreeWidgetItem *> sel = m_list->selectedItems();
    return sel.isEmpty() ? -1 : m_list->indexOfTopLevelItem(sel.first());
}

void RestoreImageDialog::restore()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_chosen = row;
    done(QDialog::Accepted);
}

void RestoreImageDialog::reject()
{
    m_chosen = -1;
    QDialog::reject();
}

void RestoreImageDialog::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    if (event->key() == Qt::Key_F1 && mods == Qt::NoModifier) {
        if (m_restore->isEnabled())
            m_restore->click();
        return;
    }
    // Enter presses the focused button only: it never restores from the list.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
