#include "ui/kalibron.h"

#include <QAction>
#include <QDate>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "app/dialogs/confser.h"
#include "app/dialogs/sceltalingua.h"
#include "app/log.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/widgets/creadischi.h"
#include "archive/widgets/memordati.h"
#include "archive/widgets/salvoniv.h"
#include "link/imagerestore.h"
#include "link/widgets/restoreimagedialog.h"
#include "link/widgets/visinf.h"
#include "live/recorder.h"
#include "live/viewer/archivepicker.h"
#include "live/viewer/recordingviewer.h"
#include "mapeditor/mapmodel.h"
#include "ui/common/messaggio.h"
#include "ui/common/pictures.h"
#include "ui/menutext.h"

void Kalibron::MenuPrincipaleClick(const QString &key)
{
    const QString k = key.trimmed().toUpper();
    const bool ready = m_link->state().EcuReady;
    if (k == QLatin1String("INIZIO_ACQ")) {
        if (m_ctx.recorder.recording())
            return;
        const bool started = RunMemorDati(m_ctx.frame, m_ctx.recorder, *this, this);
        afterDialog();
        if (started)
            SetRecordingActive();
    } else if (k == QLatin1String("STOP_ACQ")) {
        const QString path = m_ctx.recorder.state().RecordFilePath;
        m_ctx.recorder.stop();
        SetRecordingIdle();
        offerViewer(path);
    } else if (k == QLatin1String("SALVA_DATI")) {
        if (!ready)
            return;
        const MapEditorState &maps = m_ctx.map.state();
        const MapSaveSource source{ready, maps.DefaultValves, maps.DefaultPlantType,
                                   m_link->state().Ident.VersioneSoftware, QDate::currentDate()};
        RunSalvoNIV(m_ctx.frame, source, *this, &m_link->TimeOutDati(), this);
        afterDialog();
    } else if (k == QLatin1String("CREA_DISCHI")) {
        RunCreaDischi(m_ctx.frame, *this, this, &m_link->TimeOutDati());
        afterDialog();
    } else if (k == QLatin1String("INF_CENTR")) {
        if (ready)
            openEcuInformation();
    } else if (k == QLatin1String("UTILITA")) {
        popUp(2, k);
    } else if (k == QLatin1String("CONFIGURAZIONE")) {
        popUp(3, k);
    } else if (k == QLatin1String("ESCI")) {
        esci();
    }
}

void Kalibron::popUp(int mainIndex, const QString &key)
{
    QMenu *menu = popupMenu(mainIndex);
    QWidget *button = m_toolbar->widgetForAction(toolbarAction(key));
    if (!menu || !button)
        return;
    const QRect r = button->geometry();
    const QPoint centre(r.left() + r.width() / 2, r.top() + r.height() / 2);
    menu->popup(m_toolbar->mapToGlobal(centre));
}

void Kalibron::esci()
{
    const auto &modified = m_ctx.map.state().PageModified;
    if (std::any_of(modified.begin(), modified.end(), [](bool m) { return m; })) {
        FrameState &frame = m_ctx.frame;
        beep();
        frame.MessageText = Testo(frame.id(TextId::QuitWithEdits));
        frame.MessageTitle = Testo(frame.id(TextId::TitleWarning));
        if (showMessage(frame.MessageText, kQuestionYesNo, frame.MessageTitle, kMessageCentred) != kAnswerYes)
            return;
    }
    close();
}

void Kalibron::openSerialDialog()
{
    if (m_link->portOpen())
        return;
    ConfSer dialog(m_ctx.frame, this, this);
    dialog.setWindowTitle(MenuPath(caption(m_mainMenu[3]), caption(m_menuConf[0])));
    dialog.exec();
    afterDialog();
}

void Kalibron::openLanguageDialog()
{
    FrameState &frame = m_ctx.frame;
    frame.LinguaScelta = frame.LinguaCorrente;
    {
        SceltaLingua dialog(frame, this, this);
        dialog.setWindowTitle(MenuPath(caption(m_mainMenu[3]), caption(m_menuConf[1])));
        dialog.exec();
    }
    afterDialog();
    if (frame.LinguaScelta != frame.LinguaCorrente)
        MenuPrincipaleClick(QStringLiteral("ESCI"));
}

void Kalibron::openEcuInformation()
{
    VisInf dialog(m_ctx.frame, m_link->state().Ident, this);
    dialog.setWindowTitle(MenuPath(caption(m_mainMenu[1])));
    dialog.exec();
    afterDialog();
}

void Kalibron::openRestoreDialog()
{
    if (!m_link->canStartOperation())
        return;
    FrameState &frame = m_ctx.frame;
    const QString serial = m_link->state().Ident.Matricola;
    const QList<ImageBackup> backups = ListImageBackups(frame.PercorsoApp, serial);
    if (backups.isEmpty()) {
        beep();
        frame.MessageText = Testo(frame.id(TextId::NoBackups));
        frame.MessageTitle = Testo(frame.id(TextId::TitleWarning));
        showMessage(frame.MessageText, kWarningOk, frame.MessageTitle, kMessageCentred);
        return;
    }
    int chosen = -1;
    {
        RestoreImageDialog dialog(frame, backups, BackupFolderName(serial), this);
        dialog.setWindowTitle(MenuPath(caption(m_mainMenu[0]), caption(m_menuRestore)));
        dialog.exec();
        chosen = dialog.chosen();
    }
    afterDialog();
    if (chosen >= 0 && chosen < backups.size())
        m_ctx.restore.start(backups[chosen]);
}

void Kalibron::afterDialog()
{
    activateWindow();
    update();
}

RecordingViewer *Kalibron::openRecordingViewer(const QString &path)
{
    QString file = path;
    if (file.isEmpty()) {
        ArchivePicker picker(m_ctx.frame, *this, this);
        picker.setWindowTitle(MenuPath(caption(m_mainMenu[0]), caption(m_menuView)));
        const bool chosen = picker.exec() == QDialog::Accepted;
        afterDialog();
        if (!chosen)
            return nullptr;
        file = picker.chosenPath();
    }
    auto *viewer = new RecordingViewer(m_ctx.frame, this);
    if (!viewer->openFile(file)) {
        delete viewer;
        return nullptr;
    }
    // The map editor keeps itself maximized: were the viewer maximized too, the
    // area would hand the maximized place back and forth. It covers the area instead.
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    QMdiSubWindow *sub = m_mdi->addSubWindow(viewer);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setGeometry(m_mdi->viewport()->rect());
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    return viewer;
}

// Right after a stop the fitter may look at what was recorded; a busy one presses
// Enter and goes on, so the answer offered first is No.
void Kalibron::offerViewer(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    const FrameState &frame = m_ctx.frame;
    if (askDefaultNo(Testo(frame.id(TextId::ViewerOfferAfterStop)), Testo(frame.id(TextId::ViewerTitle))) == kAnswerYes)
        openRecordingViewer(path);
}

int Kalibron::askDefaultNo(const QString &text, const QString &title)
{
    FrameState &frame = m_ctx.frame;
    if (m_messageHook) {
        frame.MessageResult = m_messageHook(ShownMessage{text, kQuestionYesNo, title, false});
    } else {
        Messaggio box(frame, this);
        box.prepare(text, kQuestionYesNo, title);
        box.centreOver(this);
        // The dialog gives Yes the focus when shown; No takes it once it is up.
        QTimer::singleShot(0, &box, [&box] {
            const QList<PictureButton *> buttons = box.shownButtons();
            if (buttons.size() > 1)
                buttons[1]->setFocus(Qt::OtherFocusReason);
        });
        box.exec();
        frame.MessageResult = box.answer();
    }
    LogShownMessage(text, kQuestionYesNo, title, frame.MessageResult);
    afterDialog();
    return frame.MessageResult;
}
