#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/texts.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/livestate.h"
#include "live/widgets/boxdati.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/correctiongraph.h"
#include "mapeditor/widgets/grafici.h"
#include "mapeditor/widgets/mappingpage.h"
#include "ui/common/pictures.h"

namespace {

class ScriptedSink : public MessageSink {
public:
    struct Asked { QString text; int flags; QString title; };
    QList<Asked> asked;
    int answer = 7;
    int beeps = 0;
    int showMessage(const QString &text, int flags, const QString &title, int) override
    {
        asked.append({text, flags, title});
        return answer;
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override { ++beeps; }
};

struct EditorRig {
    QTemporaryDir dir;
    FrameState frame;
    LiveState live;
    ChartModel chart{live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))};
    MapModel map;
    ScriptedSink sink;
    QMdiArea area;
    Grafici *g = nullptr;

    explicit EditorRig(bool tuban = false)
    {
        frame.PercorsoApp = dir.path();
        frame.EdizioneTUBAN = tuban;
        InitLiveChannels(live, frame.LinguaCorrente);
        map.AssignParameterRecords(0);
        map.ResetMapEditorState();
        g = new Grafici(frame, live, chart, map, sink);
        area.addSubWindow(g);
        g->showMaximized();
        area.resize(1200, 720);
        area.show();
    }
    bool laidOut() { return QTest::qWaitFor([this] { return !g->Ridimensiono().isActive(); }); }
    QString text(int baseId) const { return Testo(frame.id(baseId)); }
};

void near(const QRect &r, double x, double y, double w, double h)
{
    QVERIFY2(qAbs(r.x() - x) <= 1 && qAbs(r.y() - y) <= 1 && qAbs(r.width() - w) <= 1 && qAbs(r.height() - h) <= 1,
             qPrintable(QStringLiteral("%1,%2 %3x%4 instead of %5,%6 %7x%8")
                            .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(x).arg(y).arg(w).arg(h)));
}

QColor backgroundOf(QWidget *label)
{
    const QImage img = label->grab().toImage();
    return img.pixelColor(int(4 * img.devicePixelRatio()), img.height() / 2);
}

} // namespace

class TstGrafici : public QObject {
    Q_OBJECT
private slots:
    void ridimensiono_laysOutInProportionAtEverySize_data();
    void ridimensiono_laysOutInProportionAtEverySize();
    void restore_isMaximizedAgain();
    void pageKeys_selectPagesOnlyWhenTheSelectorIsEnabled_data();
    void pageKeys_selectPagesOnlyWhenTheSelectorIsEnabled();
    void ctrlKeys_clickOnlyEnabledButtons();
    void showPageButtons_followsThePage_data();
    void showPageButtons_followsThePage();
    void disabledEditor_hasNothingToPress();
    void leavingEditedMapping_asksFirst_data();
    void leavingEditedMapping_asksFirst();
    void returningToMapping_neverAsks();
    void deltaP_showsFlowRightAlignedAndItsMarks();
    void operatingMarker_followsDcIn_data();
    void operatingMarker_followsDcIn();
    void operatingMarker_hiddenWithoutRange();
    void logo_dependsOnTheEdition();
    void fuelLabel_colours_data();
    void fuelLabel_colours();
};

void TstGrafici::ridimensiono_laysOutInProportionAtEverySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1200x720") << QSize(1200, 720);
    QTest::newRow("1600x1000") << QSize(1600, 1000);
    QTest::newRow("900x560") << QSize(900, 560);
}

void TstGrafici::ridimensiono_laysOutInProportionAtEverySize()
{
    QFETCH(QSize, size);
    EditorRig rig;
    QVERIFY(rig.laidOut());
    rig.area.resize(size);
    QTRY_COMPARE(rig.g->widget()->size(), rig.area.viewport()->size());
    const double W = rig.g->widget()->width(), H = rig.g->widget()->height();

    near(rig.g->boxDati()->geometry(), 0.005 * W, 0.01 * H, 0.18 * W, 0.98 * H);
    near(rig.g->Cartelle()->geometry(), 0.19 * W, 0.01 * H, 0.8 * W, 0.87 * H);
    // Buttons and logo in the strip under the pages, inside the window, not on top of each other.
    const QRect pages = rig.g->Cartelle()->geometry();
    const QRect memor1 = rig.g->Memor1()->geometry(), logo = rig.g->logo()->geometry();
    QVERIFY(memor1.top() > pages.bottom());
    QVERIFY(memor1.bottom() < H);
    QVERIFY(!memor1.intersects(logo));
    QVERIFY(!rig.g->Memor()->geometry().intersects(logo));
    QVERIFY(!rig.g->Applica(1)->geometry().intersects(rig.g->Memor()->geometry()));
    QVERIFY(logo.right() <= pages.right() + 1);
}

void TstGrafici::restore_isMaximizedAgain()
{
    EditorRig rig;
    QTRY_VERIFY(rig.g->isMaximized());
    rig.g->showNormal();
    QTRY_VERIFY(rig.g->isMaximized());
}

void TstGrafici::pageKeys_selectPagesOnlyWhenTheSelectorIsEnabled_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("page");
    QTest::newRow("F7") << int(Qt::Key_F7) << 1;
    QTest::newRow("F8") << int(Qt::Key_F8) << 2;
    QTest::newRow("F9") << int(Qt::Key_F9) << 3;
}

void TstGrafici::pageKeys_selectPagesOnlyWhenTheSelectorIsEnabled()
{
    QFETCH(int, key);
    QFETCH(int, page);
    EditorRig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.area));
    QTest::keyClick(rig.g, Qt::Key(key));
    QCOMPARE(rig.g->currentPage(), 0);

    rig.g->setEditorEnabled(true);
    QTest::keyClick(rig.g, Qt::Key(key));
    QCOMPARE(rig.g->currentPage(), page);
    QTest::keyClick(rig.g, Qt::Key_F6);
    QCOMPARE(rig.g->currentPage(), 0);
    QVERIFY(rig.sink.asked.isEmpty());
}

void TstGrafici::ctrlKeys_clickOnlyEnabledButtons()
{
    EditorRig rig;
    QVERIFY(QTest::qWaitForWindowExposed(&rig.area));
    QSignalSpy applica(rig.g, &Grafici::applicaClicked);
    QSignalSpy memor(rig.g, &Grafici::memorClicked);
    QSignalSpy azzero(rig.g->Azzero(), &QAbstractButton::clicked);
    QSignalSpy connectKey(rig.g, &Grafici::connectKey);
    QSignalSpy disconnectKey(rig.g, &Grafici::disconnectKey);

    // Disabled editor: nothing.
    for (Qt::Key k : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F8, Qt::Key_Z})
        QTest::keyClick(rig.g, k, Qt::ControlModifier);
    QCOMPARE(applica.size() + memor.size() + azzero.size(), 0);

    rig.g->setEditorEnabled(true);
    QTest::keyClick(rig.g, Qt::Key_F8, Qt::ControlModifier);   // `Memor` does not act on the mapping page
    QCOMPARE(memor.size(), 0);
    QTest::keyClick(rig.g, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(azzero.size(), 1);
    // Not even an editable box with the focus keeps Ctrl+Z for itself.
    QLineEdit *box = rig.g->mappingPage()->DeltaP(0);
    box->setReadOnly(false);
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(azzero.size(), 2);

    QTest::keyClick(rig.g, Qt::Key_F8);
    QCOMPARE(rig.g->currentPage(), 2);
    QTest::keyClick(rig.g, Qt::Key_F5, Qt::ControlModifier);
    QTest::keyClick(rig.g, Qt::Key_F6, Qt::ControlModifier);
    QTest::keyClick(rig.g, Qt::Key_F8, Qt::ControlModifier);
    QCOMPARE(applica.size(), 2);
    QCOMPARE(applica[0].at(0).toInt(), 0);
    QCOMPARE(applica[1].at(0).toInt(), 1);
    QCOMPARE(memor.size(), 1);

    // The connect keys go to the main window, which knows its buttons.
    QTest::keyClick(rig.g, Qt::Key_F1, Qt::ControlModifier);
    QTest::keyClick(rig.g, Qt::Key_F10, Qt::ControlModifier);
    QCOMPARE(connectKey.size(), 1);
    QCOMPARE(disconnectKey.size(), 1);
}

void TstGrafici::showPageButtons_followsThePage_data()
{
    QTest::addColumn<int>("tab");
    QTest::newRow("F6") << 0;
    QTest::newRow("F7") << 1;
    QTest::newRow("F8") << 2;
    QTest::newRow("F9") << 3;
}

void TstGrafici::showPageButtons_followsThePage()
{
    QFETCH(int, tab);
    EditorRig rig;
    rig.g->setEditorEnabled(true);
    rig.g->Cartelle()->setCurrentIndex(tab);
    const bool f6 = tab == 0;
    for (PictureButton *b : {rig.g->Applica(0), rig.g->Applica(1), rig.g->Memor()}) {
        QCOMPARE(b->isVisibleTo(rig.g), !f6);
        QCOMPARE(b->isEnabled(), !f6);
    }
    QCOMPARE(rig.g->Memor1()->isVisibleTo(rig.g), f6);
    QCOMPARE(rig.g->Memor1()->isEnabled(), f6);
}

void TstGrafici::disabledEditor_hasNothingToPress()
{
    EditorRig rig;
    rig.g->setEditorEnabled(true);
    rig.g->Cartelle()->setCurrentIndex(1);
    rig.g->setEditorEnabled(false);
    QVERIFY(!rig.g->Cartelle()->tabBar()->isEnabled());
    for (PictureButton *b : {rig.g->Applica(0), rig.g->Applica(1), rig.g->Memor(), rig.g->Memor1(), rig.g->Azzero()})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    // Page buttons asked for while disconnected stay off.
    rig.g->ShowPageButtons(1);
    QVERIFY(!rig.g->Applica(0)->isEnabled());
}

void TstGrafici::leavingEditedMapping_asksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("storeStarts");   // -1: no store yet, 0: cannot start, 1: starts
    QTest::addColumn<int>("landsOn");
    QTest::newRow("no") << 7 << 1 << 2;
    QTest::newRow("dialog closed") << 2 << 1 << 2;
    QTest::newRow("yes, store starts") << 6 << 1 << 2;
    QTest::newRow("yes, store cannot start") << 6 << 0 << 0;
    QTest::newRow("yes, nothing to store with") << 6 << -1 << 0;
}

void TstGrafici::leavingEditedMapping_asksFirst()
{
    QFETCH(int, answer);
    QFETCH(int, storeStarts);
    QFETCH(int, landsOn);
    EditorRig rig;
    rig.g->setEditorEnabled(true);
    int stores = 0;
    if (storeStarts >= 0)
        rig.g->setF6StoreHandler([&] { ++stores; return storeStarts == 1; });
    rig.map.edit().PageModified[0] = true;
    rig.sink.answer = answer;

    rig.g->Cartelle()->setCurrentIndex(2);
    QCOMPARE(rig.sink.asked.size(), 1);
    QCOMPARE(rig.sink.asked[0].text, rig.text(201));
    QCOMPARE(rig.sink.asked[0].title, rig.text(170));
    QCOMPARE(rig.sink.asked[0].flags, 36);
    QCOMPARE(rig.sink.beeps, 1);
    QCOMPARE(rig.g->currentPage(), landsOn);
    QCOMPARE(stores, answer == 6 && storeStarts >= 0 ? 1 : 0);
    QVERIFY(rig.map.state().PageModified[0]);   // the edits stay
    QCOMPARE(rig.map.state().ReturnTab, qint16(-1));
    // The buttons are those of the page shown.
    QCOMPARE(rig.g->Memor1()->isVisibleTo(rig.g), landsOn == 0);
}

void TstGrafici::returningToMapping_neverAsks()
{
    EditorRig rig;
    rig.g->setEditorEnabled(true);
    rig.g->Cartelle()->setCurrentIndex(3);
    rig.map.edit().PageModified[0] = true;
    rig.g->Cartelle()->setCurrentIndex(0);
    rig.g->Cartelle()->setCurrentIndex(3);   // leaving again does ask
    rig.sink.asked.removeLast();
    rig.map.edit().PageModified[0] = false;
    rig.g->Cartelle()->setCurrentIndex(1);
    rig.g->Cartelle()->setCurrentIndex(0);
    QVERIFY(rig.sink.asked.isEmpty());
}

void TstGrafici::deltaP_showsFlowRightAlignedAndItsMarks()
{
    EditorRig rig;
    const std::array<double, 6> flow{100, 5, 299.5, 0, 47.4, 300};
    rig.map.edit().DeltaFlow = flow;
    rig.g->FillMapEditor();
    const QStringList expected{"100", "  5", "300", "  0", " 47", "300"};
    MappingPage *page = rig.g->mappingPage();
    for (int k = 0; k < 6; ++k) {
        QCOMPARE(page->DeltaP(k)->text(), expected[k]);
        QCOMPARE(page->DeltaP(k)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    }

    rig.g->setDeltaPMarks({false, true, true, false, false, false});
    for (int k = 0; k < 6; ++k)
        QCOMPARE(page->DeltaP(k)->palette().color(QPalette::Base),
                 k == 1 || k == 2 ? QColor(255, 0, 0) : QColor(Qt::white));
    rig.g->setDeltaPMarks({});
    QCOMPARE(page->DeltaP(1)->palette().color(QPalette::Base), QColor(Qt::white));
}

void TstGrafici::operatingMarker_followsDcIn_data()
{
    QTest::addColumn<double>("x");
    QTest::newRow("0") << 0.0;
    QTest::newRow("30") << 30.0;
    QTest::newRow("87.5") << 87.5;
    QTest::newRow("100") << 100.0;
}

void TstGrafici::operatingMarker_followsDcIn()
{
    QFETCH(double, x);
    EditorRig rig;
    QVERIFY(rig.laidOut());
    CorrectionGraph *graph = rig.g->mappingPage()->graph();
    rig.g->setEditorEnabled(true);
    QVERIFY(!graph->marker()->isVisible());

    rig.g->MoveOperatingMarker(x);
    QVERIFY(graph->marker()->isVisibleTo(graph));
    const QRect plot = graph->plotRect();
    const double centre = graph->marker()->geometry().left() + graph->marker()->width() / 2.0;
    QVERIFY(qAbs(centre - (plot.left() + plot.width() * x / 100.0)) <= 1.0);

    // It stays on its value when the window changes size.
    rig.area.resize(1500, 900);
    QTRY_VERIFY(graph->plotRect() != plot);
    const QRect plot2 = graph->plotRect();
    const double centre2 = graph->marker()->geometry().left() + graph->marker()->width() / 2.0;
    QVERIFY(qAbs(centre2 - (plot2.left() + plot2.width() * x / 100.0)) <= 1.0);
}

void TstGrafici::operatingMarker_hiddenWithoutRange()
{
    EditorRig rig;
    CorrectionGraph *graph = rig.g->mappingPage()->graph();
    rig.g->MoveOperatingMarker(40);
    QVERIFY(graph->marker()->isVisibleTo(graph));
    rig.map.edit().GraphXMax = rig.map.edit().GraphXMin;
    rig.g->MoveOperatingMarker(40);
    QVERIFY(!graph->marker()->isVisibleTo(graph));
}

void TstGrafici::logo_dependsOnTheEdition()
{
    EditorRig plain;
    EditorRig tuban(true);
    QVERIFY(plain.laidOut() && tuban.laidOut());
    const QImage a = plain.g->logo()->pixmap().toImage();
    const QImage b = tuban.g->logo()->pixmap().toImage();
    QVERIFY(!a.isNull() && !b.isNull());
    QVERIFY(a != b);
    const QImage expected = Immagine(6001, b.size() / b.devicePixelRatio(), b.devicePixelRatio()).toImage();
    QCOMPARE(b, expected);
}

void TstGrafici::fuelLabel_colours_data()
{
    QTest::addColumn<int>("fuel");
    QTest::addColumn<QColor>("background");
    QTest::newRow("petrol") << int(FuelColour::Petrol) << QColor(255, 0, 0);
    QTest::newRow("gas") << int(FuelColour::Gas) << QColor(0, 255, 0);
    QTest::newRow("unknown") << int(FuelColour::Unknown) << QColor(0, 0, 0);
}

void TstGrafici::fuelLabel_colours()
{
    QFETCH(int, fuel);
    QFETCH(QColor, background);
    EditorRig rig;
    QVERIFY(rig.laidOut());
    BoxDati *box = rig.g->boxDati();
    box->showValue(12, QStringLiteral("BENZINA "));
    box->setFuelColour(FuelColour(fuel));
    QCOMPARE(backgroundOf(box->DatiMot(12)), background);
    // Only the fuel label changes colour.
    QCOMPARE(backgroundOf(box->DatiMot(11)), QColor(Qt::white));
    box->showValue(3, QStringLiteral("      85"));
    QCOMPARE(box->DatiMot(3)->text(), QStringLiteral("      85"));
    QVERIFY(box->DatiMot(3)->font().fixedPitch() || QFontInfo(box->DatiMot(3)->font()).fixedPitch());
}

QTEST_MAIN(TstGrafici)
#include "tst_grafici.moc"
