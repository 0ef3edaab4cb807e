#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QToolBar>

#include "live/livedata.h"
#include "live/widgets/boxdati.h"
#include "mapeditor/widgets/grafici.h"
#include "tst_mainwindow_rig.h"
#include "ui/common/pictures.h"
#include "ui/menutext.h"

class TstMainWindow : public QObject {
    Q_OBJECT
private slots:
    void stripAmpersands_removesOnlyTheMarks_data();
    void stripAmpersands_removesOnlyTheMarks();
    void menuPath_trimsBothCaptions();

    void startUp_titleAndCaptionsFromTheTextTable_data();
    void startUp_titleAndCaptionsFromTheTextTable();
    void startUp_leavesViewingStateWithEcuCommandsOff();
    void startUp_runsTimersAndShowsTheEditorMaximized();
    void startUp_removesImageFilesOfAnEarlierRun();

    void esci_keysTrimmedAndCaseInsensitive_data();
    void esci_keysTrimmedAndCaseInsensitive();
    void esci_withNothingModified_closesWithoutAsking();
    void unknownKey_doesNothing();
    void stopAcq_writesTheRecordingAndReturnsToViewing();
    void toolbarPopups_openAtTheButtonCentre_data();
    void toolbarPopups_openAtTheButtonCentre();
    void ecuCommands_ignoredWhileNotReady();

    void messages_canBeAnsweredWhileTheWindowIsLocked();
    void seriale_opensCaptionedDialogWhilePortClosed();
    void lingua_endsTheProgramOnlyOnARealChange_data();
    void lingua_endsTheProgramOnlyOnARealChange();
};

void TstMainWindow::stripAmpersands_removesOnlyTheMarks_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("leading") << "&File" << "File";
    QTest::newRow("inside") << "Infor&mazioni centralina" << "Informazioni centralina";
    QTest::newRow("several") << "&a&b&&c" << "abc";
    QTest::newRow("blanks kept") << "  Uti&lita'  " << "  Utilita'  ";
    QTest::newRow("none") << "Esci" << "Esci";
    QTest::newRow("empty") << "" << "";
}

void TstMainWindow::stripAmpersands_removesOnlyTheMarks()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(StripAmpersands(in), out);
}

void TstMainWindow::menuPath_trimsBothCaptions()
{
    QCOMPARE(MenuPath(QStringLiteral(" &File  "), QStringLiteral("  &Inizio acquisizione ")),
             QStringLiteral("File - Inizio acquisizione"));
    QCOMPARE(MenuPath(QStringLiteral(" Infor&mazioni centralina ")), QStringLiteral("Informazioni centralina"));
}

void TstMainWindow::startUp_titleAndCaptionsFromTheTextTable_data()
{
    QTest::addColumn<int>("lingua");
    QTest::addColumn<bool>("qel");
    QTest::newRow("italiano") << 1 << false;
    QTest::newRow("inglese, QEL") << 4 << true;
    QTest::newRow("polako") << 3 << false;
}

void TstMainWindow::startUp_titleAndCaptionsFromTheTextTable()
{
    QFETCH(int, lingua);
    QFETCH(bool, qel);
    MainWindowRig rig(lingua);
    rig.frame.EdizioneQEL = qel;
    Kalibron &w = rig.start();

    QVERIFY(!rig.text(101).trimmed().isEmpty());
    QCOMPARE(w.windowTitle(), rig.text(101).trimmed() + (qel ? QStringLiteral(" (QEL)") : QString()));

    const struct { const char *array; int count; int firstId; } arrays[] = {
        {"MainMenu", 4, 102}, {"MenuF", 4, 107}, {"MenuUti", 1, 111}, {"MenuConf", 2, 112},
        {"MenuA", 4, 114}, {"MenuM", 4, 118}};
    for (const auto &a : arrays) {
        for (int i = 0; i < a.count; ++i) {
            QAction *item = rig.menu(QStringLiteral("%1(%2)").arg(QLatin1String(a.array)).arg(i));
            QVERIFY2(item, a.array);
            const QString text = rig.text(a.firstId + i);
            // A caption "-" makes the item a separator.
            QCOMPARE(item->isSeparator(), text.trimmed() == QLatin1String("-"));
            if (!item->isSeparator())
                QCOMPARE(item->text(), text);
        }
    }
    QVERIFY(rig.menu(QStringLiteral("MenuA(2)"))->isSeparator());
    QVERIFY(rig.menu(QStringLiteral("MenuM(2)"))->isSeparator());
    QVERIFY(rig.menu(QStringLiteral("MenuF(2)"))->isSeparator());
    QCOMPARE(rig.menu(QStringLiteral("MenuInf"))->text(), rig.text(106));

    auto path = [&](int a, int b) { return StripAmpersands(rig.text(a).trimmed() + " - " + rig.text(b).trimmed()); };
    QCOMPARE(w.toolbarAction("Inizio_Acq")->toolTip(), path(102, 114));
    QCOMPARE(w.toolbarAction("Stop_Acq")->toolTip(), path(102, 115));
    QCOMPARE(w.toolbarAction("Salva_Dati")->toolTip(), path(102, 118));
    QCOMPARE(w.toolbarAction("Crea_Dischi")->toolTip(), path(102, 119));
    QCOMPARE(w.toolbarAction("Inf_Centr")->toolTip(), StripAmpersands(rig.text(103).trimmed()));
    QCOMPARE(w.toolbarAction("Utilita")->toolTip(), StripAmpersands(rig.text(104).trimmed()));
    QCOMPARE(w.toolbarAction("Configurazione")->toolTip(), StripAmpersands(rig.text(105).trimmed()));
    QCOMPARE(w.toolbarAction("Esci")->toolTip(), StripAmpersands(rig.text(110).trimmed()));
    QVERIFY(!w.toolbarAction("Inf_Centr")->toolTip().contains('&'));

    QCOMPARE(w.statusPanel("Visualizzo")->text(), rig.text(245).trimmed());
    QCOMPARE(w.statusPanel("Registro")->text(), rig.text(246).trimmed());
    QCOMPARE(w.AttivoCom()->toolTip(), QStringLiteral("Ctrl+F1"));
    QCOMPARE(w.DisattivoCom()->toolTip(), QStringLiteral("Ctrl+F10"));

    // The value panel names the channels the labels show.
    BoxDati *box = w.grafici()->boxDati();
    for (int i = 0; i < BoxDati::kLabels; ++i)
        QCOMPARE(box->LabMot(i)->text(), ChannelTitle(rig.live, LiveDisplay::channelOfLabel(i)));
}

void TstMainWindow::startUp_leavesViewingStateWithEcuCommandsOff()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(w.toolbarAction("Inizio_Acq")->isEnabled());
    QVERIFY(rig.menu("MenuA(0)")->isEnabled());
    QVERIFY(!w.toolbarAction("Stop_Acq")->isEnabled());
    QVERIFY(!rig.menu("MenuA(1)")->isEnabled());
    QVERIFY(w.statusPanel("Visualizzo")->isEnabled());
    QVERIFY(!w.statusPanel("Registro")->isEnabled());
    for (const char *key : {"Salva_Dati", "Inf_Centr"})
        QVERIFY2(!w.toolbarAction(key)->isEnabled(), key);
    QVERIFY(!rig.menu("MenuM(0)")->isEnabled());
    QVERIFY(!rig.menu("MainMenu(1)")->isEnabled());
    QVERIFY(rig.menu("MenuConf(0)")->isEnabled());

    QVERIFY(w.AttivoCom()->isVisible());
    QVERIFY(w.AttivoCom()->isEnabled());
    QVERIFY(!w.DisattivoCom()->isVisible());
    QVERIFY(!w.DisattivoCom()->isEnabled());

    Grafici *g = w.grafici();
    QVERIFY(!g->editorEnabled());
    QVERIFY(!g->Azzero()->isEnabled());
    QVERIFY(!g->Memor1()->isEnabled());
}

void TstMainWindow::startUp_runsTimersAndShowsTheEditorMaximized()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(w.link().InterpretoDati().isActive());
    QVERIFY(w.VisDati().isActive());
    QCOMPARE(w.VisDati().interval(), 200);
    QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
    QCOMPARE(w.mdiArea()->subWindowList().first(), w.grafici());
    QTRY_VERIFY(w.grafici()->isMaximized());
    QCOMPARE(w.link().state().StatoSessione, qint16(-1));
    QVERIFY(!w.link().portOpen());
    // The editor is laid out once its timer has fired, and the chart has its scales.
    QTRY_VERIFY(!w.grafici()->Ridimensiono().isActive());
    QTRY_VERIFY(w.grafici()->boxDati()->width() > 0);
}

void TstMainWindow::startUp_removesImageFilesOfAnEarlierRun()
{
    MainWindowRig rig;
    for (const char *name : {"LETTURA.PRG", "LETTURA1.PRG", "LETTURAN.PRG"}) {
        QFile f(rig.file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("000000000000\r\n");
    }
    rig.start();
    for (const char *name : {"LETTURA.PRG", "LETTURA1.PRG", "LETTURAN.PRG"})
        QVERIFY2(!QFile::exists(rig.file(name)), name);
}

void TstMainWindow::esci_keysTrimmedAndCaseInsensitive_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("upper") << "ESCI";
    QTest::newRow("as on the toolbar") << "Esci";
    QTest::newRow("mixed, blanks") << "  eScI ";
    QTest::newRow("tab") << "\tesci";
}

void TstMainWindow::esci_keysTrimmedAndCaseInsensitive()
{
    QFETCH(QString, key);
    MainWindowRig rig;
    Kalibron &w = rig.start();
    rig.map.edit().PageModified[2] = true;

    rig.answers = {7};
    w.MenuPrincipaleClick(key);
    QCOMPARE(rig.shown.size(), 1);
    QCOMPARE(rig.shown[0].text, rig.text(214));
    QCOMPARE(rig.shown[0].title, rig.text(170));
    QCOMPARE(rig.shown[0].flags, 36);
    QVERIFY(w.isVisible());

    rig.answers = {6};
    w.MenuPrincipaleClick(key);
    QCOMPARE(rig.shown.size(), 2);
    QVERIFY(!w.isVisible());
}

void TstMainWindow::esci_withNothingModified_closesWithoutAsking()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    rig.menu("MenuF(3)")->trigger();
    QVERIFY(rig.shown.isEmpty());
    QVERIFY(!w.isVisible());
}

void TstMainWindow::unknownKey_doesNothing()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    rig.map.edit().PageModified[0] = true;
    for (const char *key : {"ESCIX", "", "E SCI", "MenuF(3)"})
        w.MenuPrincipaleClick(QLatin1String(key));
    QVERIFY(rig.shown.isEmpty());
    QVERIFY(w.isVisible());
    QVERIFY(QApplication::activePopupWidget() == nullptr);
}

void TstMainWindow::stopAcq_writesTheRecordingAndReturnsToViewing()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    const QString path = rig.dir.filePath(QStringLiteral("PROVA.DAT"));
    QVERIFY(rig.recorder.start(path, false));
    w.SetRecordingActive();
    QVERIFY(!w.toolbarAction("Inizio_Acq")->isEnabled());
    QVERIFY(w.toolbarAction("Stop_Acq")->isEnabled());
    QVERIFY(rig.menu("MenuA(1)")->isEnabled());
    QVERIFY(!w.statusPanel("Visualizzo")->isEnabled());
    QVERIFY(w.statusPanel("Registro")->isEnabled());

    // One sample as the display tick would buffer it.
    rig.live.LiveSample[0].Field.fill(QStringLiteral("     123"));
    rig.recorder.addSample();

    w.MenuPrincipaleClick(QStringLiteral(" stop_acq"));
    QVERIFY(!rig.recorder.recording());
    QCOMPARE(QFileInfo(path).size(), qint64(3 * 145));   // two header lines and the sample
    QVERIFY(w.toolbarAction("Inizio_Acq")->isEnabled());
    QVERIFY(!w.toolbarAction("Stop_Acq")->isEnabled());
    QVERIFY(w.statusPanel("Visualizzo")->isEnabled());
    QVERIFY(!w.statusPanel("Registro")->isEnabled());
    QCOMPARE(rig.live.LiveSample[0].RecordCounter, -1);
    QCOMPARE(rig.live.LiveSample[1].RecordCounter, -1);
}

void TstMainWindow::toolbarPopups_openAtTheButtonCentre_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("menu");
    QTest::newRow("utilita") << "utilita" << 2;
    QTest::newRow("configurazione") << " Configurazione " << 3;
}

void TstMainWindow::toolbarPopups_openAtTheButtonCentre()
{
    QFETCH(QString, key);
    QFETCH(int, menu);
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(760, 560);   // the whole window on the offscreen screen, so the menu is not moved
    QWidget *button = w.MenuPrincipale()->widgetForAction(w.toolbarAction(key));
    QVERIFY(button);

    w.toolbarAction(key)->trigger();
    QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(w.popupMenu(menu)));
    const QPoint centre = button->mapToGlobal(QPoint(button->width() / 2, button->height() / 2));
    QCOMPARE(w.popupMenu(menu)->pos(), centre);
    w.popupMenu(menu)->close();
}

void TstMainWindow::ecuCommands_ignoredWhileNotReady()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    ModalWatcher watcher([](QWidget *dlg) { static_cast<QDialog *>(dlg)->done(QDialog::Rejected); });
    w.MenuPrincipaleClick(QStringLiteral("INF_CENTR"));
    w.MenuPrincipaleClick(QStringLiteral("SALVA_DATI"));
    QVERIFY(watcher.seen.isEmpty());
}

void TstMainWindow::messages_canBeAnsweredWhileTheWindowIsLocked()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    w.setMessageHook({});
    w.setMainWindowEnabled(false);
    bool answerable = false;
    ModalWatcher watcher([&](QWidget *dlg) {
        answerable = dlg->isEnabled();
        if (answerable)
            dlg->findChild<QAbstractButton *>(QStringLiteral("TastoYes"))->click();
        else
            static_cast<QDialog *>(dlg)->done(QDialog::Rejected);   // the fitter would be stuck here
    });
    QCOMPARE(w.showMessage(rig.text(214), 36, rig.text(170), 4), 6);
    QCOMPARE(watcher.seen, QStringLiteral("Messaggio"));
    QVERIFY(answerable);
    QVERIFY(!w.isEnabled());   // locked again afterwards
}

void TstMainWindow::seriale_opensCaptionedDialogWhilePortClosed()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    {
        ModalWatcher watcher([](QWidget *dlg) { static_cast<QDialog *>(dlg)->done(QDialog::Rejected); });
        rig.menu("MenuConf(0)")->trigger();
        QCOMPARE(watcher.seen, QStringLiteral("ConfSer"));
        QCOMPARE(watcher.title, StripAmpersands(rig.text(105).trimmed() + " - " + rig.text(112).trimmed()));
    }

    // While the link is being opened the item is still enabled, but the port is in use.
    w.AttivoComClick();
    QVERIFY(w.link().portOpen());
    QVERIFY(!rig.ready());
    ModalWatcher watcher([](QWidget *dlg) { static_cast<QDialog *>(dlg)->done(QDialog::Rejected); });
    rig.menu("MenuConf(0)")->setEnabled(true);
    rig.menu("MenuConf(0)")->trigger();
    QVERIFY(watcher.seen.isEmpty());
}

void TstMainWindow::lingua_endsTheProgramOnlyOnARealChange_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("ends");
    QTest::newRow("polako") << 2 << true;
    QTest::newRow("the current one") << 3 << false;
}

void TstMainWindow::lingua_endsTheProgramOnlyOnARealChange()
{
    QFETCH(int, button);
    QFETCH(bool, ends);
    MainWindowRig rig(4);
    Kalibron &w = rig.start();
    ModalWatcher watcher([button](QWidget *dlg) {
        dlg->findChild<QAbstractButton *>(QStringLiteral("Lingua(%1)").arg(button))->click();
        dlg->findChild<QAbstractButton *>(QStringLiteral("Scegli"))->click();
    });
    rig.menu("MenuConf(1)")->trigger();
    QCOMPARE(watcher.seen, QStringLiteral("SceltaLingua"));
    QCOMPARE(watcher.title, StripAmpersands(rig.text(105).trimmed() + " - " + rig.text(113).trimmed()));
    QCOMPARE(w.isVisible(), !ends);
    // The change was announced, in the old language, before the program ended.
    QCOMPARE(rig.shown.size(), ends ? 1 : 0);
    if (ends)
        QCOMPARE(rig.shown[0].text, rig.text(185));
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
