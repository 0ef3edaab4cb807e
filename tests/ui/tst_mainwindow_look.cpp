// The whole program as the fitter sees it: the main window at 1280x800 during
// the image read and after a chart scroll. Set KALIBRON_SHOTS to a folder to
// also get the pictures as PNG files.
#include <QDir>
#include <QLabel>
#include <QTabWidget>

#include "live/widgets/boxdati.h"
#include "live/widgets/chartpane.h"
#include "live/widgets/livechart.h"
#include "mapeditor/widgets/grafici.h"
#include "tst_mainwindow_rig.h"
#include "ui/common/attesa.h"
#include "ui/common/pictures.h"

namespace {

void save(const QPixmap &shot, const char *name)
{
    const QString folder = qEnvironmentVariable("KALIBRON_SHOTS");
    if (!folder.isEmpty())
        shot.save(QDir(folder).filePath(QLatin1String(name)));
}

// Widgets of `root` that are shown and lie on top of one another (parent/child pairs aside).
QStringList overlaps(QWidget *root, const QList<QWidget *> &widgets)
{
    QStringList out;
    for (int i = 0; i < widgets.size(); ++i)
        for (int j = i + 1; j < widgets.size(); ++j) {
            QWidget *a = widgets[i], *b = widgets[j];
            if (!a->isVisibleTo(root) || !b->isVisibleTo(root))
                continue;
            const QRect ra(a->mapTo(root, QPoint(0, 0)), a->size()), rb(b->mapTo(root, QPoint(0, 0)), b->size());
            if (ra.intersects(rb))
                out << a->objectName() + QLatin1Char('/') + b->objectName();
        }
    return out;
}

} // namespace

class TstMainWindowLook : public QObject {
    Q_OBJECT
private slots:
    void readingAndScrolledChart_lookComplete();
};

void TstMainWindowLook::readingAndScrolledChart_lookComplete()
{
    MainWindowRig rig(1);
    rig.sim.liveFramesPerSecond = 100;
    rig.sim.paced = true;   // the read takes long enough to be seen
    Kalibron &w = rig.start();
    w.VisDati().setInterval(10);   // a hundred samples in a second or two
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(!w.grafici()->Ridimensiono().isActive());

    w.AttivoComClick();
    QTRY_VERIFY(w.attesa()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(w.attesa()->findChild<QLabel *>(QStringLiteral("Segnalazione"))->text().contains('('),
                             10000);
    const QPixmap wait = w.attesa()->grab();
    save(wait, "attesa.png");
    save(w.grab(), "lettura.png");
    QVERIFY(wait.width() > 200 && wait.height() > 80);

    QTRY_VERIFY_WITH_TIMEOUT(rig.ready(), 60000);
    // Past the first scroll the chart starts at a later sample.
    QTRY_VERIFY_WITH_TIMEOUT(rig.chart.state().ChartOrigin > 0, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(rig.live.LiveSample[1].SampleCounter > rig.chart.state().ChartOrigin + 20, 20000);
    w.grafici()->MoveOperatingMarker(rig.live.LiveSample[1].Field[8].trimmed().toDouble());
    const QPixmap shot = w.grab();
    save(shot, "kalibron.png");
    QCOMPARE(shot.deviceIndependentSize().toSize(), QSize(1280, 800));

    LiveChart *chart = w.grafici()->liveChart();
    for (int k = 0; k < 2; ++k) {
        ChartPane *pane = chart->pane(k);
        QVERIFY(!pane->traces().isEmpty());
        QCOMPARE(pane->xAxis().min, double(rig.chart.state().ChartOrigin));
        QVERIFY(pane->plotRect().width() > 300);
        QVERIFY(pane->plotRect().height() > 120);
    }

    // Frame controls never cover one another.
    Grafici *g = w.grafici();
    QList<QWidget *> frame;
    frame << g->boxDati() << g->Cartelle() << g->Applica(0) << g->Applica(1) << g->Memor() << g->Memor1()
          << g->logo();
    const QStringList hits = overlaps(g, frame);
    QVERIFY2(hits.isEmpty(), qPrintable(hits.join(QLatin1Char(' '))));
    // Every value fits its label: eight characters of the fixed-width font.
    BoxDati *box = g->boxDati();
    for (int i = 0; i < BoxDati::kLabels; ++i) {
        QLabel *l = box->DatiMot(i);
        QVERIFY2(l->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) <= l->contentsRect().width(),
                 qPrintable(l->objectName()));
        QVERIFY(l->height() >= l->fontMetrics().height());
    }
    w.DisattivoComClick();
}

QTEST_MAIN(TstMainWindowLook)
#include "tst_mainwindow_look.moc"
