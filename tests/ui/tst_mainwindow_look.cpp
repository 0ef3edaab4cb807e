// The main window at 1280x800 during the image read and after a chart scroll.
// Set KALIBRON_SHOTS to a folder to also get the pictures as PNG files.
#include <QDir>

#include "live/widgets/boxdati.h"
#include "live/widgets/chartpane.h"
#include "live/widgets/livechart.h"
#include "tst_mainwindow_rig.h"
#include "ui/common/attesa.h"

static void save(QWidget *w, const char *name)
{
    if (const QString folder = qEnvironmentVariable("KALIBRON_SHOTS"); !folder.isEmpty())
        w->grab().save(QDir(folder).filePath(QLatin1String(name)));
}

class TstMainWindowLook : public QObject {
    Q_OBJECT
private slots:
    void readingAndScrolledChart_lookComplete()
    {
        MainWindowRig rig(1);
        rig.sim.liveFramesPerSecond = 100;
        rig.sim.paced = true;   // the read takes long enough to be seen
        Kalibron &w = rig.start();
        w.VisDati().setInterval(10);   // a hundred samples in a second or two
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.AttivoComClick();
        QTRY_VERIFY_WITH_TIMEOUT(w.attesa()->findChild<QLabel *>(QStringLiteral("Segnalazione"))->text().contains('('),
                                 10000);
        save(w.attesa(), "attesa.png");
        save(&w, "lettura.png");

        QTRY_VERIFY_WITH_TIMEOUT(rig.ready(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.live.LiveSample[1].SampleCounter > rig.chart.state().ChartOrigin + 20
                                     && rig.chart.state().ChartOrigin > 0,
                                 40000);
        save(&w, "kalibron.png");
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

QTEST_MAIN(TstMainWindowLook)
#include "tst_mainwindow_look.moc"
