#include "live/livedata.h"
#include "live/widgets/boxdati.h"
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

        QTRY_VERIFY_WITH_TIMEOUT(rig.ready(), 30000);
        QVERIFY(!w.waitIsOpen() && w.isEnabled());
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
        QVERIFY(!w.link().portOpen() && !rig.ready());
        QVERIFY(!rig.imageFiles());
        rig.checkCommands(false, false);
        QTRY_VERIFY(w.AttivoCom()->isVisibleTo(&w) && w.AttivoCom()->isEnabled());
        QVERIFY(!w.DisattivoCom()->isVisibleTo(&w) && !w.DisattivoCom()->isEnabled());
        QVERIFY(rig.shown.isEmpty());
    }

    void recording_writesItsSamplesHoweverItEnds_data()
    {
        QTest::addColumn<bool>("byDisconnect");
        QTest::newRow("stop key") << false;
        QTest::newRow("disconnect") << true;
    }

    void recording_writesItsSamplesHoweverItEnds()
    {
        QFETCH(bool, byDisconnect);
        MainWindowRig rig;
        Kalibron &w = rig.start();
        QVERIFY(rig.connectToReady());
        const QString path = rig.dir.filePath(QStringLiteral("PROVA.DAT"));
        QVERIFY(rig.recorder.start(path, false));
        w.SetRecordingActive();
        rig.checkCommands(true, true);
        QTRY_VERIFY_WITH_TIMEOUT(rig.recorder.state().RecordBufferIndex >= 2, 10000);

        if (byDisconnect)
            w.DisattivoComClick();
        else
            w.MenuPrincipaleClick(QStringLiteral(" stop_acq"));
        QVERIFY(!rig.recorder.recording());
        rig.checkCommands(!byDisconnect, false);
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
        QVERIFY(!w.link().portOpen());
        QVERIFY(!rig.imageFiles());
        rig.checkCommands(false, false);
    }
};

QTEST_MAIN(TstMainWindowSession)
#include "tst_mainwindow_session.moc"
