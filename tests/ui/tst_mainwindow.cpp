
#include "live/livedata.h"
#include "live/widgets/boxdati.h"
#include "live/widgets/chartpane.h"
#include "live/widgets/livechart.h"
#include "support/files.h"
#include "tst_mainwindow_rig.h"
#include "ui/common/attesa.h"

class TstMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startUp_titleCaptionsAndViewingState_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<bool>("qel");
        QTest::newRow("italiano") << 1 << false;
        QTest::newRow("inglese, QEL") << 4 << true;
    }
    void startUp_titleCaptionsAndViewingState()
    {
        QFETCH(int, lingua);
        QFETCH(bool, qel);
        // What rig.path() builds the expected tool tips and titles with.
        QCOMPARE(StripAmpersands(QStringLiteral("Infor&mazioni")), QStringLiteral("Informazioni"));
        QCOMPARE(StripAmpersands(QStringLiteral("&a&b&&c")), QStringLiteral("abc"));
        QCOMPARE(StripAmpersands(QStringLiteral("  Uti&lita'  ")), QStringLiteral("  Utilita'  "));
        MainWindowRig rig(lingua);
        rig.frame.EdizioneQEL = qel;
        for (const char *name : {"LETTURA.PRG", "LETTURAN.PRG"})   // left by an earlier run
            QVERIFY(WriteFile(rig.frame.file(name), {}));
        Kalibron &w = rig.start();
        QVERIFY(!rig.imageFiles());

        QCOMPARE(w.windowTitle(), rig.text(101).trimmed() + (qel ? QStringLiteral(" (QEL)") : QString()));
        const struct {
            const char *array;
            int count;
            int firstId;
        } arrays[] = {
            {"MainMenu", 4, 102}, {"MenuF", 4, 107}, {"MenuConf", 2, 112}, {"MenuA", 4, 114}, {"MenuM", 4, 118}};
        for (const auto &a : arrays)
            for (int i = 0; i < a.count; ++i) {
                QAction *item = rig.menu(qPrintable(QStringLiteral("%1(%2)").arg(a.array).arg(i)));
                QVERIFY2(item, a.array);
                const QString text = rig.text(a.firstId + i);
                QCOMPARE(item->isSeparator(), text.trimmed() == QLatin1String("-"));
                if (!item->isSeparator())
                    QCOMPARE(item->text(), text);
            }
        QCOMPARE(w.toolbarAction("Stop_Acq")->toolTip(), rig.path(102, 115));
        BoxDati *box = w.grafici()->boxDati();
        for (int i = 0; i < BoxDati::kLabels; ++i)
            QCOMPARE(box->LabMot(i)->text(), ChannelTitle(rig.live, LiveDisplay::channelOfLabel(i)));

        rig.checkCommands(false, false);
        QVERIFY(w.AttivoCom()->isVisible() && w.AttivoCom()->isEnabled());
        QVERIFY(!w.DisattivoCom()->isVisible() && !w.DisattivoCom()->isEnabled());
    }

    void esci_asksOnlyWithAModifiedPage_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("modified");
        QTest::newRow("upper, modified") << "ESCI" << true;
        QTest::newRow("mixed case and blanks, modified") << "  eScI " << true;
        QTest::newRow("tab, nothing modified") << "\tesci" << false;
    }
    void esci_asksOnlyWithAModifiedPage()
    {
        QFETCH(QString, key);
        QFETCH(bool, modified);
        MainWindowRig rig;
        Kalibron &w = rig.start();
        rig.map.edit().PageModified[2] = modified;
        if (modified) {
            rig.answers = {7};
            w.MenuPrincipaleClick(key);
            QVERIFY(w.isVisible());
            QCOMPARE(rig.shown.size(), 1);
            QCOMPARE(rig.shown[0].text, rig.text(214));
            QCOMPARE(rig.shown[0].flags, 36);
            rig.answers = {6};
        }
        w.MenuPrincipaleClick(key);
        QCOMPARE(rig.shown.size(), modified ? 2 : 0);
        QVERIFY(!w.isVisible());
    }

    // Each item opens its own dialog; what the dialog does is its own suite's business.
    void menuItems_openTheirDialogs_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("start recording") << "MenuA(0)" << QString("MemorDati");
        QTest::newRow("delete recordings") << "MenuA(3)" << QString("ClearDati");
        QTest::newRow("delete maps") << "MenuM(3)" << QString("ClearNIV");
        QTest::newRow("back up recordings") << "MenuUti(0)" << QString("SalvatP");
    }
    void menuItems_openTheirDialogs()
    {
        QFETCH(QString, item);
        MainWindowRig rig;
        rig.start();
        ModalWatcher watcher(ModalWatcher::reject);
        rig.menu(qPrintable(item))->trigger();
        QTEST(watcher.seen, "dialog");
    }

    void seriale_opensOnlyWhileThePortIsClosed()
    {
        MainWindowRig rig;
        Kalibron &w = rig.start();
        {
            ModalWatcher watcher(ModalWatcher::reject);
            rig.menu("MenuConf(0)")->trigger();
            QCOMPARE(watcher.seen, QStringLiteral("ConfSer"));
            QCOMPARE(watcher.title, rig.path(105, 112));
        }
        // While the link is being opened the item is still enabled, but the port is in use.
        w.AttivoComClick();
        QVERIFY(w.link().portOpen() && !rig.ready() && rig.menu("MenuConf(0)")->isEnabled());
        ModalWatcher watcher(ModalWatcher::reject);
        rig.menu("MenuConf(0)")->trigger();
        QVERIFY(watcher.seen.isEmpty());
    }

    void lingua_endsTheProgramOnlyOnARealChange()
    {
        for (int button : {3, 2}) {   // the current language, then another
            MainWindowRig rig(4);
            Kalibron &w = rig.start();
            ModalWatcher watcher([button](QWidget *dlg) {
                dlg->findChild<QAbstractButton *>(QStringLiteral("Lingua(%1)").arg(button))->click();
                dlg->findChild<QAbstractButton *>(QStringLiteral("Scegli"))->click();
            });
            rig.menu("MenuConf(1)")->trigger();
            QCOMPARE(watcher.seen, QStringLiteral("SceltaLingua"));
            const bool ends = button != 3;
            QCOMPARE(w.isVisible(), !ends);
            // The change is announced, in the old language, before the program ends.
            QCOMPARE(rig.shown.size(), ends ? 1 : 0);
            if (ends)
                QCOMPARE(rig.shown[0].text, rig.text(185));
        }
    }

    // The main window at 1280x800 during the image read and after a chart scroll.
    void readingAndScrolledChart_lookComplete()
    {
        MainWindowRig rig(1);
        rig.sim.liveFramesPerSecond = 100;
        rig.sim.paced = true;   // the read takes long enough to be seen
        Kalibron &w = rig.start();
        w.VisDati().setInterval(10);   // a hundred samples in a second or two
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.AttivoComClick();
        QTRY_VERIFY_WITH_TIMEOUT(w.attesa()->findChild<QLabel *>("Segnalazione")->text().contains('('), 10000);

        QTRY_VERIFY_WITH_TIMEOUT(rig.ready(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.live.LiveSample[1].SampleCounter > rig.chart.state().ChartOrigin + 20
                                     && rig.chart.state().ChartOrigin > 0,
                                 40000);
        for (int k = 0; k < 2; ++k) {   // past the first scroll the chart starts at a later sample
            ChartPane *pane = w.grafici()->liveChart()->pane(k);
            QVERIFY(!pane->traces().isEmpty());
            QCOMPARE(pane->xAxis().min, double(rig.chart.state().ChartOrigin));
        }
        BoxDati *box = w.grafici()->boxDati();
        for (int i = 0; i < BoxDati::kLabels; ++i) {   // every value fits its label
            QLabel *l = box->DatiMot(i);
            QVERIFY2(l->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) <= l->contentsRect().width(),
                     qPrintable(l->objectName()));
        }
        w.DisattivoComClick();
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
