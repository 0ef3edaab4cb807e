#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

#include "live/livedata.h"
#include "live/widgets/boxdati.h"
#include "live/widgets/chartpane.h"
#include "live/widgets/livechart.h"
#include "mapeditor/widgets/grafici.h"
#include "mapeditor/widgets/mappingpage.h"
#include "tst_mainwindow_rig.h"
#include "ui/common/attesa.h"
#include "ui/common/pictures.h"
#include "ui/menutext.h"

namespace {

// Background of a value label, read where no digit is drawn (its left padding).
QColor background(QLabel *label)
{
    const QImage img = label->grab().toImage();
    return img.pixelColor(int(4 * img.devicePixelRatio()), img.height() / 2);
}

// The ECU-dependent rows of the command table.
void checkEcuCommands(MainWindowRig &rig, bool ready)
{
    Kalibron &w = *rig.win;
    QCOMPARE(w.toolbarAction("Salva_Dati")->isEnabled(), ready);
    QCOMPARE(w.toolbarAction("Inf_Centr")->isEnabled(), ready);
    QCOMPARE(rig.menu("MenuM(0)")->isEnabled(), ready);
    QCOMPARE(rig.menu("MainMenu(1)")->isEnabled(), ready);
    QCOMPARE(rig.menu("MenuConf(0)")->isEnabled(), !ready);
}

void checkRecording(MainWindowRig &rig, bool recording)
{
    Kalibron &w = *rig.win;
    QCOMPARE(w.toolbarAction("Inizio_Acq")->isEnabled(), !recording);
    QCOMPARE(rig.menu("MenuA(0)")->isEnabled(), !recording);
    QCOMPARE(w.toolbarAction("Stop_Acq")->isEnabled(), recording);
    QCOMPARE(rig.menu("MenuA(1)")->isEnabled(), recording);
    QCOMPARE(w.statusPanel("Visualizzo")->isEnabled(), !recording);
    QCOMPARE(w.statusPanel("Registro")->isEnabled(), recording);
}

} // namespace

class TstMainWindowSession : public QObject {
    Q_OBJECT
private slots:
    void connect_readsTheEcuAndEnablesItsCommands();
    void liveValues_appearInTheirLabelsWithFuelColour();
    void recording_switchesCommandsAndEndsWithTheLink();
    void connectPressedWhileReady_doesNothing();
    void keys_connectAndDisconnectOnlyThroughEnabledButtons();
    void liveDataStopping_closesDialogsAndLinkWithMessage308();
    void closingTheWindow_closesThePort();
};

void TstMainWindowSession::connect_readsTheEcuAndEnablesItsCommands()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    w.AttivoComClick();

    // Reading: wait dialog up and usable, the window locked, the other button shown.
    QVERIFY(w.link().portOpen());
    QVERIFY(w.waitIsOpen());
    QCOMPARE(w.attesa()->windowTitle(), rig.text(202));
    QVERIFY(w.attesa()->isEnabled());
    QVERIFY(!w.isEnabled());
    QTRY_VERIFY(w.DisattivoCom()->isVisibleTo(&w));
    QVERIFY(!w.AttivoCom()->isVisibleTo(&w));

    QTRY_VERIFY_WITH_TIMEOUT(rig.ready(), 30000);
    QVERIFY(!w.waitIsOpen());
    QVERIFY(w.isEnabled());
    checkEcuCommands(rig, true);
    checkRecording(rig, false);
    QVERIFY(QFile::exists(rig.file("LETTURA.PRG")));
    QVERIFY(QFile::exists(rig.file("LETTURAN.PRG")));

    Grafici *g = w.grafici();
    QVERIFY(g->editorEnabled());
    QVERIFY(g->Cartelle()->tabBar()->isEnabled());
    QVERIFY(g->Azzero()->isEnabled());
    QCOMPARE(g->currentPage(), 0);
    QVERIFY(g->Memor1()->isVisibleTo(g) && g->Memor1()->isEnabled());
    QVERIFY(!g->Applica(0)->isVisibleTo(g) && !g->Memor()->isEnabled());
    for (int k = 0; k < 6; ++k)
        QCOMPARE(g->mappingPage()->DeltaP(k)->text(), QStringLiteral("100"));

    w.DisattivoComClick();
    QVERIFY(!w.link().portOpen());
    QVERIFY(!rig.ready());
    QVERIFY(!QFile::exists(rig.file("LETTURA.PRG")));
    QVERIFY(!QFile::exists(rig.file("LETTURAN.PRG")));
    checkEcuCommands(rig, false);
    QTRY_VERIFY(w.AttivoCom()->isVisibleTo(&w) && w.AttivoCom()->isEnabled());
    QVERIFY(!w.DisattivoCom()->isVisibleTo(&w) && !w.DisattivoCom()->isEnabled());
    QVERIFY(!g->Cartelle()->tabBar()->isEnabled());
    QVERIFY(!g->Azzero()->isEnabled());
    QVERIFY(!g->Memor1()->isEnabled());
    QVERIFY(rig.shown.isEmpty());
}

void TstMainWindowSession::liveValues_appearInTheirLabelsWithFuelColour()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(rig.connectToReady());
    BoxDati *box = w.grafici()->boxDati();

    // After a display tick the labels hold the sample it showed (the "previous" one now).
    auto shownSample = [&] {
        const LiveRecord &r = rig.live.LiveSample[1];
        if (r.SampleCounter < 3)
            return false;
        for (int i = 0; i < BoxDati::kLabels; ++i)
            if (box->DatiMot(i)->text() != r.Field[LiveDisplay::channelOfLabel(i)])
                return false;
        return box->DatiDPort()->text() == r.Field[13];
    };
    QTRY_VERIFY_WITH_TIMEOUT(shownSample(), 10000);

    QStringList states;
    for (int id = 365; id <= 368; ++id)
        states << rig.text(id).trimmed();
    QVERIFY2(states.contains(box->DatiMot(11)->text().trimmed()), qPrintable(box->DatiMot(11)->text()));
    QCOMPARE(box->DatiMot(11)->text().size(), 8);

    const QString fuel = box->DatiMot(12)->text().trimmed();
    const QColor bg = background(box->DatiMot(12));
    if (fuel == rig.text(223).trimmed())
        QCOMPARE(bg, QColor(255, 0, 0));
    else if (fuel == rig.text(221).trimmed())
        QCOMPARE(bg, QColor(0, 255, 0));
    else
        QCOMPARE(bg, QColor(0, 0, 0));
    QVERIFY(!fuel.isEmpty());

    // The chart panes got the samples as traces.
    LiveChart *chart = w.grafici()->liveChart();
    QTRY_VERIFY(!chart->pane(0)->traces().isEmpty() && !chart->pane(1)->traces().isEmpty());
    QCOMPARE(chart->pane(0)->title(), ChannelTitle(rig.live, 4));
    QCOMPARE(chart->pane(1)->title(), ChannelTitle(rig.live, 8));
    w.DisattivoComClick();
}

void TstMainWindowSession::recording_switchesCommandsAndEndsWithTheLink()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(rig.connectToReady());

    const QString path = rig.dir.filePath(QStringLiteral("PROVA.DAT"));
    QVERIFY(rig.recorder.start(path, false));
    w.SetRecordingActive();
    checkRecording(rig, true);
    checkEcuCommands(rig, true);
    QTRY_VERIFY_WITH_TIMEOUT(rig.recorder.state().RecordBufferIndex >= 2, 10000);

    // The link's close writes the samples out and puts the window back to viewing.
    w.DisattivoComClick();
    QVERIFY(!rig.recorder.recording());
    checkRecording(rig, false);
    checkEcuCommands(rig, false);
    QVERIFY(QFileInfo(path).size() >= 5 * 145);
}

void TstMainWindowSession::connectPressedWhileReady_doesNothing()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(rig.connectToReady());
    QSignalSpy sent(&w.link(), &Link::sent);
    const QPointer<SimTransport> port = rig.port;

    w.AttivoComClick();
    QVERIFY(rig.ready());
    QVERIFY(!w.waitIsOpen());
    QCOMPARE(rig.port, port);
    for (const QList<QVariant> &line : sent)
        QVERIFY(!line.at(0).toByteArray().startsWith("MUB"));
    QVERIFY(w.link().portOpen());
    w.DisattivoComClick();
}

void TstMainWindowSession::keys_connectAndDisconnectOnlyThroughEnabledButtons()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    Grafici *g = w.grafici();

    QTest::keyClick(g, Qt::Key_F10, Qt::ControlModifier);   // nothing to close yet
    QVERIFY(!w.link().portOpen());
    QTest::keyClick(g, Qt::Key_F1, Qt::ControlModifier);
    QVERIFY(w.link().portOpen());
    QVERIFY(w.waitIsOpen());
    QTRY_VERIFY_WITH_TIMEOUT(rig.ready(), 30000);
    QTRY_VERIFY(QApplication::activeWindow() == &w);

    const QPointer<SimTransport> port = rig.port;
    QTest::keyClick(g, Qt::Key_F1, Qt::ControlModifier);     // `AttivoCom` is hidden and disabled now
    QCOMPARE(rig.port, port);
    QVERIFY(rig.ready());
    QTest::keyClick(g, Qt::Key_F10, Qt::ControlModifier);
    QVERIFY(!w.link().portOpen());
    QVERIFY(!rig.ready());
}

void TstMainWindowSession::liveDataStopping_closesDialogsAndLinkWithMessage308()
{
    MainWindowRig rig(1);
    QVERIFY(rig.sim.addFault(QStringLiteral("live-stops=12")));
    Kalibron &w = rig.start();
    QVERIFY(rig.connectToReady());

    // A dialog open when the data stop is closed by the link, not left behind.
    bool closedByTest = false;
    ModalWatcher watcher([&](QWidget *dlg) {
        QTimer::singleShot(15000, dlg, [dlg, &closedByTest] {
            closedByTest = true;
            static_cast<QDialog *>(dlg)->done(QDialog::Rejected);
        });
    });
    w.MenuPrincipaleClick(QStringLiteral("Inf_Centr"));
    QCOMPARE(watcher.seen, QStringLiteral("VisInf"));
    QVERIFY(!closedByTest);
    // Captioned with the menu text, only its "&" gone.
    QVERIFY(rig.text(103).contains('&'));
    QCOMPARE(watcher.title, StripAmpersands(rig.text(103).trimmed()));

    QTRY_COMPARE(rig.shown.size(), 1);
    QCOMPARE(rig.shown[0].text, rig.text(308));
    QCOMPARE(rig.shown[0].title, rig.text(171));
    QCOMPARE(rig.shown[0].flags, 16);
    QVERIFY(!w.link().portOpen());
    QTRY_VERIFY(w.AttivoCom()->isVisibleTo(&w));
    QVERIFY(!QFile::exists(rig.file("LETTURA.PRG")));
    QVERIFY(!QFile::exists(rig.file("LETTURAN.PRG")));
    checkEcuCommands(rig, false);
}

void TstMainWindowSession::closingTheWindow_closesThePort()
{
    MainWindowRig rig;
    Kalibron &w = rig.start();
    QVERIFY(rig.connectToReady());
    QVERIFY(rig.port && rig.port->isOpen());
    w.close();
    QVERIFY(!w.link().portOpen());
    QVERIFY(!QFile::exists(rig.file("LETTURA.PRG")));
}

QTEST_MAIN(TstMainWindowSession)
#include "tst_mainwindow_session.moc"
