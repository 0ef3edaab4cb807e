#include <QLabel>
#include <QPaintEvent>
#include <QtTest>

#include "live/widgets/boxdati.h"
#include "live/widgets/chartpane.h"

namespace {

// The region each watched widget was asked to paint, gathered until cleared.
class PaintLog : public QObject {
public:
    void watch(QWidget *w) { w->installEventFilter(this); }
    QRegion painted(QWidget *w) const { return m_painted.value(w); }
    void clear() { m_painted.clear(); }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            m_painted[static_cast<QWidget *>(o)] += static_cast<QPaintEvent *>(e)->region();
        return false;
    }

private:
    QHash<QWidget *, QRegion> m_painted;
};

}   // namespace

// The display tick sets every value five times a second and the chart draws
// its axes again at each scroll: what did not change must not be painted again.
class TestLiveRepaint : public QObject {
    Q_OBJECT
private slots:
    void valuePanel_repaintsOnlyWhatChanged()
    {
        BoxDati box;
        box.resize(220, 700);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.showValue(0, QStringLiteral("    1200"));
        box.showValue(1, QStringLiteral("     300"));
        box.setFuelColour(FuelColour::Gas);
        PaintLog log;
        for (QLabel *l : {box.DatiMot(0), box.DatiMot(1), box.DatiMot(12)})
            log.watch(l);
        QTRY_VERIFY(!box.DatiMot(12)->styleSheet().isEmpty());
        QCoreApplication::processEvents();
        log.clear();

        const QString fuelStyle = box.DatiMot(12)->styleSheet();
        box.showValue(0, QStringLiteral("    1200"));
        box.setFuelColour(FuelColour::Gas);
        box.showValue(1, QStringLiteral("     310"));
        QTRY_VERIFY(!log.painted(box.DatiMot(1)).isEmpty());
        QVERIFY(log.painted(box.DatiMot(0)).isEmpty());
        QVERIFY(log.painted(box.DatiMot(12)).isEmpty());

        box.setFuelColour(FuelColour::Petrol);
        QVERIFY(box.DatiMot(12)->styleSheet() != fuelStyle);
        QTRY_VERIFY(!log.painted(box.DatiMot(12)).isEmpty());
        QCOMPARE(box.fuelColour(), FuelColour::Petrol);
    }

    void chartPane_sameYAxisRepaintsNothingButTheNewSegment()
    {
        ChartPane pane;
        pane.resize(480, 300);
        pane.setScale(0, 1000, 0, 100);
        pane.setYAxis(0, 1000, 10, 0, QStringLiteral("#0"));
        pane.setXAxis(0, 100, 10, 10, QStringLiteral("#0"));
        pane.setGrid(10, 10);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        PaintLog log;
        log.watch(&pane);
        QCoreApplication::processEvents();
        log.clear();

        pane.setYAxis(0, 1000, 10, 0, QStringLiteral("#0"));
        pane.setGrid(10, 10);
        pane.addLine(10, 100, 12, 200);
        QTRY_VERIFY(!log.painted(&pane).isEmpty());
        QVERIFY(pane.plotRect().contains(log.painted(&pane).boundingRect()));

        log.clear();
        pane.setYAxis(0, 2000, 10, 0, QStringLiteral("#0"));   // a new scale: the labels change
        QTRY_VERIFY(!log.painted(&pane).isEmpty());
        QVERIFY(!pane.plotRect().contains(log.painted(&pane).boundingRect()));
        QCOMPARE(pane.yAxis().max, 2000.0);
    }
};

QTEST_MAIN(TestLiveRepaint)
#include "tst_liverepaint.moc"
