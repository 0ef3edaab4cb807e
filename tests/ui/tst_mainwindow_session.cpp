#include <QTreeWidget>

#include "app/messages.h"
#include "app/textids.h"
#include "archive/widgets/memordati.h"
#include "link/widgets/restoreimagedialog.h"
#include "live/livedata.h"
#include "live/widgets/boxdati.h"
#include "mapeditor/pagevalues.h"
#include "mapeditor/widgets/valprog.h"
#include "support/files.h"
#include "tst_mainwindow_rig.h"
#include "ui/common/attesa.h"

class TstMainWindowSession : public QObject {
    Q_OBJECT
private slots:
    void session_readsTheEcuShowsValuesAndCleansUp()
    {
        MainWindowRig rig;
        Kalibron &w = rig.start();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Grafici *g = w.grafici();
        QTest::keyClick(g, Qt::Key_F1, Qt::ControlModifier);
        // Reading: the wait dialog usable, the window locked, the other button shown.
        QVERIFY(w.link().portOpen() && w.waitIsOpen() && w.attesa()->isEnabled() && !w.isEnabled());
        QTRY_VERIFY(w.DisattivoCom()->isVisibleTo(&w));
        QVERIFY(!w.AttivoCom()->isVisibleTo(&w));

        QVERIFY(waitWhileTalking(rig.link, [&] { return rig.ready(); }) && !w.waitIsOpen() && w.isEnabled());
        rig.checkCommands(true, false);
        QVERIFY(rig.imageFiles());

        // After a display tick the labels hold the sample it showed (the "previous" one now).
        BoxDati *box = g->boxDati();
        auto shownSample = [&] {
            const LiveRecord &r = rig.live.LiveSample[1];
            for (int i = 0; i < BoxDati::kLabels; ++i)
                if (box->DatiMot(i)->text() != r.Field[LiveDisplay::channelOfLabel(i)])
                    return false;
            return r.SampleCounter >= 3 && box->DatiDPort()->text() == r.Field[13];
        };
        QTRY_VERIFY_WITH_TIMEOUT(shownSample(), 10000);
        QStringList states;
        for (int id = 365; id <= 368; ++id)
            states << rig.text(id).trimmed();
        QVERIFY2(states.contains(box->DatiMot(11)->text().trimmed()), qPrintable(box->DatiMot(11)->text()));
        const QString fuel = box->DatiMot(12)->text().trimmed();
        const QImage img = box->DatiMot(12)->grab().toImage();
        const QColor bg = img.pixelColor(int(4 * img.devicePixelRatio()), img.height() / 2);   // left padding
        QCOMPARE(bg, fuel == rig.text(223).trimmed()   ? QColor(255, 0, 0)
                     : fuel == rig.text(221).trimmed() ? QColor(0, 255, 0)
                                                       : QColor(0, 0, 0));

        // Connect while ready, by key or by the button's routine, does nothing.
        const QPointer<SimTransport> port = rig.port;
        QSignalSpy sent(&w.link(), &Link::sent);
        QTest::keyClick(g, Qt::Key_F1, Qt::ControlModifier);
        w.AttivoComClick();
        QCOMPARE(rig.port, port);
        QVERIFY(rig.ready() && !w.waitIsOpen());
        for (const QList<QVariant> &line : sent)
            QVERIFY(!line.at(0).toByteArray().startsWith("MUB"));

        QTest::keyClick(g, Qt::Key_F10, Qt::ControlModifier);
        QVERIFY(!w.link().portOpen() && !rig.ready() && !rig.imageFiles());
        rig.checkCommands(false, false);
        QTRY_VERIFY(w.AttivoCom()->isVisibleTo(&w) && w.AttivoCom()->isEnabled());
        QVERIFY(!w.DisattivoCom()->isVisibleTo(&w) && !w.DisattivoCom()->isEnabled() && rig.shown.isEmpty());
    }

    // The stop command is the fitter's run below; a disconnect must end the recording as well.
    void recording_endsWrittenByADisconnect()
    {
        MainWindowRig rig;
        Kalibron &w = rig.start();
        QVERIFY(rig.connectToReady());
        const QString path = rig.dir.filePath(QStringLiteral("PROVA.DAT"));
        QVERIFY(rig.recorder.start(path, false));
        w.SetRecordingActive();
        rig.checkCommands(true, true);
        QTRY_VERIFY_WITH_TIMEOUT(rig.recorder.state().RecordBufferIndex >= 2, 10000);
        w.DisattivoComClick();
        QVERIFY(!rig.recorder.recording());
        rig.checkCommands(false, false);
        QVERIFY(QFileInfo(path).size() >= 5 * 145);   // two header lines and the samples
        w.close();
        QVERIFY(!w.link().portOpen());
    }

    void liveDataStopping_closesDialogsAndLinkWithMessage308()
    {
        MainWindowRig rig(1);
        QVERIFY(rig.sim.addFault(QStringLiteral("live-stops=12")));
        Kalibron &w = rig.start();
        QVERIFY(rig.connectToReady());

        bool closedByTest = false;   // the safety net, should the link leave the dialog behind
        ModalWatcher watcher([&](QWidget *dlg) {
            QTimer::singleShot(15000, dlg, [dlg, &closedByTest] {
                closedByTest = true;
                ModalWatcher::reject(dlg);
            });
        });
        w.MenuPrincipaleClick(QStringLiteral("Inf_Centr"));
        QCOMPARE(watcher.seen, QStringLiteral("VisInf"));
        QVERIFY(!closedByTest);

        QTRY_COMPARE(rig.shown.size(), 1);
        QCOMPARE(rig.shown[0].text, rig.text(308));
        QCOMPARE(rig.shown[0].flags, 16);
        QVERIFY(!w.link().portOpen() && !rig.imageFiles());
        rig.checkCommands(false, false);
    }

    // Leaving an edited F6 page: No keeps the edits, Yes stores them and then shows the page asked for.
    void leavingEditedMapping_asksBeforeTheOtherPage_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("rebuildFails");
        QTest::addColumn<int>("page");   // where the editor ends
        QTest::newRow("yes") << int(kAnswerYes) << false << 2;
        QTest::newRow("yes, the rebuild fails") << int(kAnswerYes) << true << 0;
    }
    void leavingEditedMapping_asksBeforeTheOtherPage()
    {
        QFETCH(int, answer);
        QFETCH(bool, rebuildFails);
        QFETCH(int, page);
        MainWindowRig rig;
        Kalibron &w = rig.start();
        QVERIFY(rig.connectToReady());
        Grafici *g = w.grafici();
        MapEditorState &s = rig.map.edit();
        s.DeltaFlow[3] = 125;
        s.PageModified[0] = true;
        if (rebuildFails)
            QVERIFY(QFile::remove(rig.frame.file("LETTURAN.PRG")));
        QSignalSpy finished(&w.link(), &Link::operationFinished);
        rig.answers = {answer};
        g->Cartelle()->setCurrentIndex(2);

        QCOMPARE(rig.shown.value(0).text, rig.text(TextId::LeaveEditedMapping));
        QCOMPARE(rig.shown.value(0).flags, int(kQuestionYesNo));
        QCOMPARE(g->currentPage(), page);
        if (answer == kAnswerYes && !rebuildFails) {
            QVERIFY(waitWhileTalking(rig.link, [&] { return finished.size() == 1; }));
            QVERIFY(finished[0][1].toBool());
            QCOMPARE(w.attesa()->findChild<QLabel *>("Segnalazione")->text(), rig.text(TextId::MapsSent));
        }
        if (rebuildFails)
            QCOMPARE(rig.shown.value(1).text, rig.text(TextId::NewMapsFailed));
        QCOMPARE(rig.map.state().PageModified[0], answer == kAnswerNo || rebuildFails);
        QCOMPARE(rig.map.state().DeltaFlow[3], 125.0);
    }

    // Store page from the window: `ValProg` answers, the ECU gets the page, then the whole image.
    void storePage_programsTheChosenValues()
    {
        MainWindowRig rig;
        Kalibron &w = rig.start();
        QVERIFY(rig.connectToReady());
        Grafici *g = w.grafici();
        g->Cartelle()->setCurrentIndex(2);
        rig.map.edit().SwitchValue = {30, 60, 20, 25, -5};
        QSignalSpy finished(&w.link(), &Link::operationFinished);
        ModalWatcher watcher([](QWidget *dlg) { static_cast<ValProg *>(dlg)->TastoProg(0)->click(); });
        QTest::keyClick(g, Qt::Key_F8, Qt::ControlModifier);
        QCOMPARE(watcher.seen, QStringLiteral("ValProg"));
        QVERIFY(waitWhileTalking(rig.link, [&] { return finished.size() == 1; }) && finished[0][1].toBool());
        for (const SlotWrite &v : PageValuesToSend(rig.map.state(), kPageSwitchover, kModifiedValues, 0))
            QCOMPARE(rig.port->sim().value(v.record), int(v.value));
        QCOMPARE(rig.port->sim().valuesWritten(), rig.port->sim().image().size());
        QVERIFY(w.isEnabled() && !w.waitIsOpen());
    }

    // The restore command: nothing to restore before a write; after one, the list comes up.
    void restoreCommand_listsTheBackupsOfWrites()
    {
        MainWindowRig rig;
        Kalibron &w = rig.start();
        QVERIFY(!w.restoreAction()->isEnabled() && rig.connectToReady() && w.restoreAction()->isEnabled());
        w.restoreAction()->trigger();
        QCOMPARE(rig.shown.value(0).text, rig.text(TextId::NoBackups));

        QSignalSpy finished(&w.link(), &Link::operationFinished);
        QVERIFY(rig.mapOps.apply(kPageCutOff, kInitialValues));
        QVERIFY(waitWhileTalking(rig.link, [&] { return finished.size() == 1; }));
        int rows = 0;
        ModalWatcher watcher([&rows](QWidget *dlg) {
            rows = static_cast<RestoreImageDialog *>(dlg)->Copie()->topLevelItemCount();
            ModalWatcher::reject(dlg);
        });
        w.restoreAction()->trigger();
        QCOMPARE(watcher.seen, QStringLiteral("RestoreImage"));
        QCOMPARE(rows, 1);
        QVERIFY(!w.link().operationRunning() && rig.shown.size() == 1);
    }

    // A fitter's recordings through the real dialog: recorded, then continued.
    void recordings_madeAndContinued()
    {
        MainWindowRig rig;
        Kalibron &w = rig.start();
        QVERIFY(rig.connectToReady());
        const QString dat = rig.dir.filePath(QStringLiteral("DIR_DATI/FIAT/PROVA.DAT"));
        auto record = [&](int answer) {
            rig.answers = {answer};
            ModalWatcher watcher([](QWidget *dlg) {
                auto *m = static_cast<MemorDati *>(dlg);
                m->setDatiText(MemorDati::Modello, QStringLiteral("FIAT"));
                m->setDatiText(MemorDati::NomeFile, QStringLiteral("PROVA"));
                m->Memorizza()->click();
            });
            QTest::keyClick(&w, Qt::Key_F2);
            QCOMPARE(watcher.seen, QStringLiteral("MemorDati"));
            QVERIFY(rig.recorder.recording());
            rig.checkCommands(true, true);
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dat).size() >= 4 * 145, 10000);   // within the 2 s flush
            if (answer == kAnswerYes)
                w.MenuPrincipaleClick(QStringLiteral(" stop_acq"));   // the toolbar's key, as typed loosely
            else
                w.findChild<QAction *>(QStringLiteral("MenuA(1)"))->trigger();
            QVERIFY(!rig.recorder.recording());
        };
        record(kAnswerYes);   // new: no question asked, the answer stays unused
        const qint64 first = QFileInfo(dat).size();
        rig.answers.clear();
        record(kAnswerContinue);
        const QByteArray all = ReadFile(dat);
        QVERIFY(all.size() > first && all.size() % 145 == 0);
        QCOMPARE(all.mid(first, 1), QByteArray("*"));   // the continuation mark, then more samples
    }
};

QTEST_MAIN(TstMainWindowSession)
#include "tst_mainwindow_session.moc"
