#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "app/textids.h"
#include "archive/acquisitions/acquisitionarchive.h"
#include "live/livedata.h"
#include "live/viewer/recordingviewer.h"
#include "tst_mainwindow_rig.h"

namespace {

QList<RecordingViewer *> viewers(Kalibron &w)
{
    QList<RecordingViewer *> found;
    for (QMdiSubWindow *sub : w.mdiArea()->subWindowList())
        if (auto *v = qobject_cast<RecordingViewer *>(sub->widget()))
            found << v;
    return found;
}

// Records `samples` samples into `path` the way the start command leaves things.
void record(MainWindowRig &rig, const QString &path, int samples)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()) && rig.recorder.start(path, false));
    rig.win->SetRecordingActive();
    for (int i = 0; i < samples; ++i) {
        for (int k = 0; k < 15; ++k)
            rig.live.LiveSample[0].Field[k] = RightIn8(QString::number(100 + i + k));
        PostProcessLiveRecord(rig.live.LiveSample[0], rig.frame.LinguaCorrente);
        rig.recorder.addSample();
    }
}

}   // namespace

class TstMainWindowViewer : public QObject {
    Q_OBJECT
private slots:
    // The recordings menu carries the viewer after its four items, in each language.
    void menu_opensTheViewer_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::newRow("italiano") << 1;
        QTest::newRow("polski") << 3;
    }
    void menu_opensTheViewer()
    {
        QFETCH(int, lingua);
        MainWindowRig rig(lingua);
        Kalibron &w = rig.start();
        QAction *item = rig.menu("MenuVisualizza");
        QVERIFY(item && item->isEnabled());
        QCOMPARE(item->text(), rig.text(TextId::ViewerMenu));
        auto *acquisitions = qobject_cast<QMenu *>(item->parent());
        QVERIFY(acquisitions && acquisitions->actions().contains(rig.menu("MenuA(3)")));
        QCOMPARE(acquisitions->actions().last(), item);

        // Without an ECU: the archive picker comes up; cancelled, nothing opens.
        QString seen;
        {
            ModalWatcher watcher([&](QWidget *dlg) {
                seen = dlg->objectName();
                ModalWatcher::reject(dlg);
            });
            item->trigger();
        }
        QCOMPARE(seen, QStringLiteral("ArchivePicker"));
        QVERIFY(viewers(w).isEmpty());

        // A catalogued recording, picked from the list, opens from its model folder.
        const QString path = rig.frame.file("DIR_DATI/PANDA/PROVA1.DAT");
        record(rig, path, 12);
        QVERIFY(rig.recorder.stop());
        {
            AcquisitionArchive archive;
            QVERIFY(OpenAcquisitionArchive(archive, rig.frame.PercorsoApp));
            QCOMPARE(archive.add({"PANDA", "1.2 GPL", "PROVA1", ""}), Catalogue::Result::Ok);
        }
        ModalWatcher watcher([](QWidget *dlg) { static_cast<QDialog *>(dlg)->accept(); });
        item->trigger();
        QCOMPARE(viewers(w).size(), 1);
        QCOMPARE(viewers(w)[0]->filePath(), path);
        QCOMPARE(viewers(w)[0]->recording().sampleCount(), 12);
        QVERIFY(viewers(w)[0]->windowTitle().startsWith(rig.text(TextId::ViewerTitle)));
        QCOMPARE(w.mdiArea()->activeSubWindow()->widget(), viewers(w)[0]);
    }

    // Stopping a recording offers it: Yes opens that very file, Enter (No) goes on.
    void stop_offersTheRecording_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("opened");
        QTest::newRow("yes") << int(kAnswerYes) << 1;
        QTest::newRow("no") << int(kAnswerNo) << 0;
    }
    void stop_offersTheRecording()
    {
        QFETCH(int, answer);
        QFETCH(int, opened);
        MainWindowRig rig(1);
        Kalibron &w = rig.start();
        const QString path = rig.frame.file("DIR_DATI/PANDA/PROVA1.DAT");
        record(rig, path, 30);
        rig.answers << answer;
        w.MenuPrincipaleClick(QStringLiteral("Stop_Acq"));
        QVERIFY(!rig.recorder.recording());
        QCOMPARE(rig.shown.size(), 1);
        QCOMPARE(rig.shown[0].text, rig.text(TextId::ViewerOfferAfterStop));
        QCOMPARE(rig.shown[0].flags, int(kQuestionYesNo));
        QCOMPARE(viewers(w).size(), opened);
        if (opened) {
            RecordingViewer *v = viewers(w)[0];
            QCOMPARE(v->filePath(), path);
            QCOMPARE(v->recording().sampleCount(), 30);
            QCOMPARE(w.mdiArea()->activeSubWindow()->widget(), v);
        }
        rig.checkCommands(false, false);
    }

    // The question's own dialog: Enter right away answers No.
    void stop_enterAnswersNo()
    {
        MainWindowRig rig(1);
        Kalibron &w = rig.start();
        w.setMessageHook(nullptr);
        const QString path = rig.frame.file("DIR_DATI/PANDA/PROVA2.DAT");
        record(rig, path, 5);
        ModalWatcher watcher(
            [](QWidget *dlg) { QTimer::singleShot(50, dlg, [dlg] { QTest::keyClick(dlg, Qt::Key_Return); }); });
        w.MenuPrincipaleClick(QStringLiteral("Stop_Acq"));
        QCOMPARE(rig.frame.MessageResult, int(kAnswerNo));
        QVERIFY(viewers(w).isEmpty());
    }
};

QTEST_MAIN(TstMainWindowViewer)
#include "tst_mainwindow_viewer.moc"
