#include "ui/common/attesa.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

Attesa::Attesa(const FrameState &frame, QWidget *mainWindow) : QDialog(mainWindow), m_main(mainWindow)
{
    setObjectName(QStringLiteral("Attesa"));
    // No close box: the operation decides when the dialog may go.
    MakeFixedDialog(this, false);
    setModal(false);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Segnalazione"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setFixedWidth(400);
    m_label->setMinimumHeight(3 * m_label->fontMetrics().lineSpacing());
    QFont f = m_label->font();
    f.setPointSizeF(f.pointSizeF() * 1.1);
    m_label->setFont(f);

    auto *busy = new QProgressBar(this);
    busy->setObjectName(QStringLiteral("Avanzamento"));
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setFixedHeight(8);

    m_ok = MakeFaceButton(frame, this, QStringLiteral("TastoOK"), 111, 112);
    QSizePolicy keep = m_ok->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_ok->setSizePolicy(keep);
    m_ok->hide();
    m_ok->setEnabled(false);
    connect(m_ok, &QAbstractButton::clicked, this, &Attesa::closeWait);

    // The bar while the operation runs, `TastoOK` in the same place when it has failed.
    auto *row = new QGridLayout;
    row->addWidget(busy, 0, 0, Qt::AlignVCenter);
    row->addWidget(m_ok, 0, 0, Qt::AlignCenter);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 16);
    main->setSpacing(14);
    main->addWidget(m_label);
    main->addLayout(row);
    main->setSizeConstraint(QLayout::SetFixedSize);
}

Attesa::~Attesa()
{
    // The pointer must never stay an hourglass for good.
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
}

bool Attesa::okAvailable() const
{
    return m_ok->isVisibleTo(this) && m_ok->isEnabled();
}

void Attesa::setBusy(bool busy)
{
    if (busy && !m_cursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorSet = true;
    } else if (!busy && m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

void Attesa::openWait(const QString &caption, const QString &label)
{
    setWindowTitle(caption);
    m_label->setText(label);
    m_ok->hide();
    m_ok->setEnabled(false);
    findChild<QProgressBar *>(QStringLiteral("Avanzamento"))->show();
    m_open = true;
    setBusy(true);
    if (m_main) {
        m_main->setEnabled(false);
        setEnabled(true);   // a child window is disabled along with its parent
    }
    adjustSize();
    if (m_main) {
        QRect r = frameGeometry();
        r.moveCenter(m_main->frameGeometry().center());
        move(r.topLeft());
    }
    showAgain();
}

void Attesa::showAgain()
{
    if (!m_open)
        return;
    show();
    raise();
    activateWindow();
}

void Attesa::setLabel(const QString &text)
{
    m_label->setText(text);
}

void Attesa::showOk()
{
    if (!m_open)
        return;
    findChild<QProgressBar *>(QStringLiteral("Avanzamento"))->hide();
    m_ok->setEnabled(true);
    m_ok->show();
    m_ok->setFocus(Qt::OtherFocusReason);
    // Nothing runs any more: the pointer must not say otherwise while the user reads.
    setBusy(false);
}

void Attesa::closeWait()
{
    if (!m_open)
        return;
    m_open = false;
    hide();
    m_ok->hide();
    m_ok->setEnabled(false);
    setBusy(false);
    if (m_main) {
        m_main->setEnabled(true);
        m_main->raise();
        m_main->activateWindow();
    }
    emit closed();
}

void Attesa::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (okAvailable())
            m_ok->click();
        event->accept();   // never ends a running operation
        return;
    default: QDialog::keyPressEvent(event);
    }
}

void Attesa::closeEvent(QCloseEvent *event)
{
    if (okAvailable()) {
        event->accept();
        closeWait();
    } else {
        event->ignore();
    }
}

void Attesa::reject()
{
    if (okAvailable())
        closeWait();
}
