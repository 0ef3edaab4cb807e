#include "ui/kalibron.h"

#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMessageBox>

#include "app/log.h"
#include "live/chartmodel.h"
#include "mapeditor/widgets/grafici.h"
#include "ui/common/attesa.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

int Kalibron::showMessage(const QString &text, int flags, const QString &title, int position)
{
    FrameState &frame = m_ctx.frame;
    if (m_messageHook)
        frame.MessageResult = m_messageHook(ShownMessage{text, flags, title, false});
    else
        ShowMessage(frame, this, text, flags, title, position);
    LogShownMessage(text, flags, title, frame.MessageResult);
    return frame.MessageResult;
}

void Kalibron::plainMessage(const QString &text, const QString &title)
{
    if (m_messageHook) {
        m_messageHook(ShownMessage{text, 0, title, true});
    } else {
        QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, this);
        box.exec();
    }
    LogShownMessage(text, 0, title, kAnswerOk, true);
}

void Kalibron::beep()
{
    QApplication::beep();
}

void Kalibron::waitOpen(const QString &caption, const QString &label)
{
    m_attesa->openWait(caption, label);
}

void Kalibron::waitShow()
{
    m_attesa->showAgain();
}

void Kalibron::waitSetLabel(const QString &text)
{
    m_attesa->setLabel(text);
}

void Kalibron::waitShowOk()
{
    m_attesa->showOk();
}

void Kalibron::waitClose()
{
    m_attesa->closeWait();
}

bool Kalibron::waitIsOpen() const
{
    return m_attesa->isOpen();
}

void Kalibron::setMainWindowEnabled(bool enabled)
{
    setEnabled(enabled);
    // The wait dialog is a child window: it must stay usable while the window is not.
    if (!enabled && m_attesa->isOpen())
        m_attesa->setEnabled(true);
}

void Kalibron::setBusyCursor(bool busy)
{
    if (busy == m_busyCursor)
        return;
    m_busyCursor = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Kalibron::setConnectButtons(bool linkOpen)
{
    m_attivoAct->setVisible(!linkOpen);
    m_attivo->setEnabled(!linkOpen);
    m_disattivoAct->setVisible(linkOpen);
    m_disattivo->setEnabled(linkOpen);
}

void Kalibron::ChiudiFinestre()
{
    if (m_attesa->isOpen())
        m_attesa->closeWait();
    // Twice: a dialog closed first may have opened another on its way out.
    for (int pass = 0; pass < 2; ++pass) {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            auto *dialog = qobject_cast<QDialog *>(w);
            if (dialog && dialog != m_attesa && dialog->isVisible())
                dialog->done(QDialog::Rejected);
        }
    }
}

void Kalibron::setEditorEnabled(bool enabled)
{
    if (m_grafici)
        m_grafici->setEditorEnabled(enabled);
}

void Kalibron::FillMapEditor()
{
    if (m_grafici)
        m_grafici->FillMapEditor();
}

void Kalibron::showMapEditor()
{
    if (!m_grafici)
        return;
    m_grafici->showMaximized();
    m_mdi->setActiveSubWindow(m_grafici);
}

void Kalibron::ShowPageButtons(int tab)
{
    if (m_grafici)
        m_grafici->ShowPageButtons(tab);
}

int Kalibron::currentEditorPage() const
{
    return m_grafici ? m_grafici->currentPage() : -1;
}

void Kalibron::setDeltaPMarks(const std::array<bool, 6> &red)
{
    if (m_grafici)
        m_grafici->setDeltaPMarks(red);
}

void Kalibron::MoveOperatingMarker(double x)
{
    if (m_grafici)
        m_grafici->MoveOperatingMarker(x);
}

void Kalibron::RedrawChart()
{
    m_ctx.chart.RedrawChart();
}
