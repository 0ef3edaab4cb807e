#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/texts.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "mapeditor/widgets/grafici.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/correctiongraph.h"
#include "mapeditor/widgets/mappingpage.h"
#include "ui/common/pictures.h"

using Ints = QList<int>;
Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

namespace {

// The page on its own, shown and active, with the editor data as after an image read.
struct PageRig {
    FrameState frame;
    MapModel map;
    MappingPage *page = nullptr;

    explicit PageRig(int lingua = 4, QSize size = QSize(1000, 640))
    {
        frame.LinguaCorrente = quint8(lingua);
        map.ResetMapEditorState();
        map.FillMapEditorData();
        page = new MappingPage(frame, map);
        page->resize(size);
        page->show();
        page->activateWindow();
    }
    ~PageRig() { delete page; }
    bool ready() { return QTest::qWaitForWindowActive(page); }

    // Editor data as given, shown the way the editor fills the page.
    void setCurve(const Ints &dcIn, const Ints &deltaFlow = {100, 100, 100, 100, 100, 100})
    {
        MapEditorState &st = map.edit();
        for (int i = 0; i < 4; ++i)
            st.DcInThreshold[i + 1] = dcIn[i];
        for (int k = 0; k < 6; ++k)
            st.DeltaFlow[k] = deltaFlow[k];
        page->showValues();
    }
    // Boxes in the order of Page Down.
    QLineEdit *box(int order) const { return order < 4 ? page->DCIN(order) : page->DeltaP(order - 4); }
    QLineEdit *focused() const { return qobject_cast<QLineEdit *>(QApplication::focusWidget()); }

    // The fitter clicks into a box.
    bool enter(QLineEdit *b)
    {
        QTest::mouseClick(b, Qt::LeftButton);
        return b->hasFocus();
    }
    // Empties the box with Space and types `keys` into it.
    void retype(QLineEdit *b, const QString &keys)
    {
        QTest::keyClick(b, Qt::Key_Space);
        QTest::keyClicks(b, keys);
    }
    // Leaves the box with Enter.
    void leave(QLineEdit *b) { QTest::keyClick(b, Qt::Key_Return); }

    QWidget *panel() const { return page->PTacca(0)->parentWidget(); }
    int markCentre(int i) const { return page->PTacca(i)->geometry().center().x(); }
    // Pixel of the axis where `percent` lies.
    int axisX(double percent) const
    {
        const QLine axis = page->breakpointAxis();
        return axis.x1() + int(std::lround((axis.x2() - axis.x1()) * percent / 100));
    }
    // A hand drags mark i by its middle to axis pixel `to`, a few pixels at a time.
    void drag(int i, int to)
    {
        QWidget *mark = page->PTacca(i);
        const QPoint grip(mark->width() / 2, mark->height() / 2);
        const int y = mark->y() + grip.y();
        int x = mark->x() + grip.x();
        QTest::mousePress(mark, Qt::LeftButton, {}, grip);
        while (x != to) {
            x = to > x ? std::min(to, x + 3) : std::max(to, x - 3);
            QTest::mouseMove(mark, mark->mapFrom(panel(), QPoint(x, y)));
        }
        QTest::mouseRelease(mark, Qt::LeftButton, {}, mark->mapFrom(panel(), QPoint(x, y)));
    }
    Ints thresholds() const
    {
        const auto &t = map.state().DcInThreshold;
        return {int(t[1]), int(t[2]), int(t[3]), int(t[4])};
    }
    Ints dcInTexts() const
    {
        Ints v;
        for (int i = 0; i < 4; ++i)
            v << page->DCIN(i)->text().trimmed().toInt();
        return v;
    }
};

} // namespace

class TstMappingPage : public QObject {
    Q_OBJECT
private slots:
    void leavingDcIn_keepsTheBreakpointsInRangeAndInOrder_data()
    {
        QTest::addColumn<Ints>("start");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kept");
        QTest::addColumn<bool>("modified");
        const Ints standard{20, 40, 60, 80};
        QTest::newRow("150 with the next at 60") << standard << 1 << "150" << 60 << true;
        QTest::newRow("empty gives 0") << standard << 0 << "" << 0 << true;
        QTest::newRow("empty after 20 gives 20") << standard << 1 << "" << 20 << true;
        QTest::newRow("below the previous") << standard << 2 << "10" << 40 << true;
        QTest::newRow("100 in the last") << standard << 3 << "100" << 100 << true;
        QTest::newRow("past the last stops at 100") << standard << 3 << "999" << 100 << true;
        QTest::newRow("between the neighbours") << standard << 2 << "45" << 45 << true;
        QTest::newRow("equal to the next") << standard << 0 << "40" << 40 << true;
        QTest::newRow("its initial value") << standard << 1 << "40" << 40 << false;
        QTest::newRow("back to its initial value") << Ints{20, 30, 60, 80} << 1 << "40" << 40 << false;
        QTest::newRow("letters and signs swallowed") << standard << 1 << "a3x5." << 35 << true;
    }
    void leavingDcIn_keepsTheBreakpointsInRangeAndInOrder()
    {
        QFETCH(Ints, start);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(int, kept);
        QFETCH(bool, modified);
        PageRig rig;
        QVERIFY(rig.ready());
        rig.setCurve(start);
        QLineEdit *b = rig.page->DCIN(field);
        QVERIFY(rig.enter(b));
        rig.retype(b, typed);
        QCOMPARE(rig.map.state().DcInThreshold[field + 1], start[field]);   // nothing committed while typing
        rig.leave(b);
        QCOMPARE(b->text(), MappingPage::BoxText(kept, 3));
        QCOMPARE(rig.map.state().DcInThreshold[field + 1], kept);
        QCOMPARE(rig.map.state().PageModified[0], modified);
        // The curve follows at once.
        const double x = rig.page->graph()->LineaS(field).x1();
        QCOMPARE(x, rig.page->graph()->pointOf(field + 1).x());
        const auto &seg = rig.map.state().SegmentCoef;
        const auto &t = rig.map.state().DcInThreshold;
        QCOMPARE(seg[field].Intercept + seg[field].Slope * t[field], rig.map.state().DeltaFlow[field]);
    }

    void leavingDeltaP_keepsThePercentageInRange_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("typed");   // after Space has emptied the box
        QTest::addColumn<int>("kept");
        QTest::addColumn<bool>("modified");
        QTest::newRow("400 gives 300") << 100 << "400" << 300 << true;
        QTest::newRow("300") << 100 << "300" << 300 << true;
        QTest::newRow("0") << 100 << "0" << 0 << true;
        QTest::newRow("empty gets its text back") << 100 << "" << 100 << false;
        QTest::newRow("empty gets 85 back") << 85 << "" << 85 << true;
        QTest::newRow("typed, then emptied") << 120 << "7 " << 120 << true;
        QTest::newRow("its initial value") << 140 << "100" << 100 << false;
        QTest::newRow("only digits") << 100 << "+1-2*a3" << 123 << true;
        QTest::newRow("three digits at most") << 100 << "1234" << 123 << true;
    }
    void leavingDeltaP_keepsThePercentageInRange()
    {
        QFETCH(int, start);
        QFETCH(QString, typed);
        QFETCH(int, kept);
        QFETCH(bool, modified);
        PageRig rig;
        QVERIFY(rig.ready());
        rig.setCurve({20, 40, 60, 80}, {100, 100, start, 100, 100, 100});
        QLineEdit *b = rig.page->DeltaP(2);
        QCOMPARE(b->text(), MappingPage::BoxText(start, 3));
        QVERIFY(rig.enter(b));
        QCOMPARE(b->text(), QString::number(start));   // the bare number while editing
        rig.retype(b, typed);
        rig.leave(b);
        QCOMPARE(b->text(), MappingPage::BoxText(kept, 3));
        QCOMPARE(rig.map.state().DeltaFlow[2], kept);
        QCOMPARE(rig.map.state().PageModified[0], modified);
        const auto &seg = rig.map.state().SegmentCoef;
        QCOMPARE(seg[2].Intercept + seg[2].Slope * 40, double(kept));
        QCOMPARE(seg[1].Intercept + seg[1].Slope * 40, double(kept));
    }

    void stepKeys_changeOnlyTheText_data()
    {
        QTest::addColumn<int>("order");   // DCIN 0..3, then DeltaP 0..5
        QTest::addColumn<Ints>("dcIn");
        QTest::addColumn<int>("percent");   // of every DeltaP
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<int>("shows");
        QTest::addColumn<int>("then");   // after a second press
        const Ints standard{20, 40, 60, 80};
        const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers keypad = Qt::ShiftModifier | Qt::KeypadModifier;
        QTest::newRow("DCIN +") << 1 << standard << 100 << int(Qt::Key_Plus) << none << 41 << 42;
        QTest::newRow("DCIN + against an equal next") << 1 << Ints{20, 40, 40, 80} << 100 << int(Qt::Key_Plus) << none << 40 << 40;
        QTest::newRow("DCIN + at 100") << 3 << Ints{20, 40, 60, 100} << 100 << int(Qt::Key_Plus) << none << 100 << 100;
        QTest::newRow("DCIN -") << 0 << standard << 100 << int(Qt::Key_Minus) << none << 19 << 18;
        QTest::newRow("DCIN - against an equal previous") << 2 << Ints{20, 40, 40, 80} << 100 << int(Qt::Key_Minus) << none << 40 << 40;
        QTest::newRow("DCIN - at 0") << 0 << Ints{0, 40, 60, 80} << 100 << int(Qt::Key_Minus) << none << 0 << 0;
        QTest::newRow("DeltaP Shift +") << 5 << standard << 100 << int(Qt::Key_Plus) << shift << 101 << 102;
        QTest::newRow("DeltaP Shift + at 300") << 5 << standard << 300 << int(Qt::Key_Plus) << shift << 300 << 300;
        QTest::newRow("DeltaP Shift + of the keypad") << 5 << standard << 100 << int(Qt::Key_Plus) << keypad << 101 << 102;
        QTest::newRow("DeltaP Shift + on an Italian keyboard") << 5 << standard << 100 << int(Qt::Key_Asterisk) << shift << 101 << 102;
        QTest::newRow("DeltaP Shift -") << 9 << standard << 100 << int(Qt::Key_Underscore) << shift << 99 << 98;
        QTest::newRow("DeltaP Shift - of the keypad") << 9 << standard << 100 << int(Qt::Key_Minus) << keypad << 99 << 98;
        QTest::newRow("DeltaP Shift - at 0") << 9 << standard << 0 << int(Qt::Key_Underscore) << shift << 0 << 0;
        QTest::newRow("DeltaP + without Shift") << 5 << standard << 100 << int(Qt::Key_Plus) << none << 100 << 100;
        QTest::newRow("DeltaP - without Shift") << 5 << standard << 100 << int(Qt::Key_Minus) << none << 100 << 100;
    }
    void stepKeys_changeOnlyTheText()
    {
        QFETCH(int, order);
        QFETCH(Ints, dcIn);
        QFETCH(int, percent);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(int, shows);
        QFETCH(int, then);
        PageRig rig;
        QVERIFY(rig.ready());
        rig.setCurve(dcIn, Ints(6, percent));
        QLineEdit *b = rig.box(order);
        QVERIFY(rig.enter(b));
        const MapEditorState before = rig.map.state();
        QTest::keyClick(b, Qt::Key(key), mods);
        QCOMPARE(b->text(), QString::number(shows));
        QCOMPARE(rig.map.state().DcInThreshold, before.DcInThreshold);   // committed only on leaving
        QCOMPARE(rig.map.state().DeltaFlow, before.DeltaFlow);
        QVERIFY(!rig.map.state().PageModified[0]);
        QTest::keyClick(b, Qt::Key(key), mods);   // the next step starts from the text
        QCOMPARE(b->text(), QString::number(then));
    }

    void pageAndEnterKeys_moveThroughTheBoxes_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<int>("to");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        QTest::newRow("PgDn DCIN 0 to 1") << 0 << int(Qt::Key_PageDown) << none << 1;
        QTest::newRow("PgDn DCIN 3 to DeltaP 0") << 3 << int(Qt::Key_PageDown) << none << 4;
        QTest::newRow("PgDn DeltaP 5 to DCIN 0") << 9 << int(Qt::Key_PageDown) << none << 0;
        QTest::newRow("PgUp DCIN 0 to DeltaP 5") << 0 << int(Qt::Key_PageUp) << none << 9;
        QTest::newRow("PgUp DeltaP 0 to DCIN 3") << 4 << int(Qt::Key_PageUp) << none << 3;
        QTest::newRow("PgUp DeltaP 3 to 2") << 7 << int(Qt::Key_PageUp) << none << 6;
        QTest::newRow("Shift PgDn stays") << 2 << int(Qt::Key_PageDown) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 2;
        QTest::newRow("Ctrl PgUp stays") << 6 << int(Qt::Key_PageUp) << Qt::KeyboardModifiers(Qt::ControlModifier) << 6;
        QTest::newRow("Enter DCIN 1 to 2") << 1 << int(Qt::Key_Return) << none << 2;
        QTest::newRow("Enter DCIN 3 to DeltaP 0") << 3 << int(Qt::Key_Return) << none << 4;
        QTest::newRow("Enter DeltaP 5 to DCIN 0") << 9 << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 0;
    }
    void pageAndEnterKeys_moveThroughTheBoxes()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(int, to);
        PageRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.enter(rig.box(from)));
        QTest::keyClick(rig.box(from), Qt::Key(key), mods);
        QCOMPARE(rig.focused(), rig.box(to));
        // The highlight goes round the box with the focus, and the number comes up selected.
        QVERIFY(rig.page->highlight()->isVisible());
        QVERIFY(rig.page->highlight()->geometry().contains(rig.box(to)->geometry()));
        QCOMPARE(rig.page->highlight()->geometry().center(), rig.box(to)->geometry().center());
        if (from != to)
            QCOMPARE(rig.box(to)->selectedText(), rig.box(to)->text());
        QCOMPARE(rig.box(to)->text(), rig.box(to)->text().trimmed());
    }

    void pageDown_cyclesThroughAllTenAndBack()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.enter(rig.box(0)));
        QList<QLineEdit *> seen;
        for (int n = 0; n < 10; ++n) {
            seen << rig.focused();
            QTest::keyClick(rig.focused(), Qt::Key_PageDown);
        }
        QCOMPARE(rig.focused(), rig.box(0));
        for (int order = 0; order < 10; ++order)
            QCOMPARE(seen[order], rig.box(order));
        for (int n = 0; n < 10; ++n)
            QTest::keyClick(rig.focused(), Qt::Key_PageUp);
        QCOMPARE(rig.focused(), rig.box(0));
        QVERIFY(!rig.map.state().PageModified[0]);   // passing through changes nothing
        QCOMPARE(rig.thresholds(), (Ints{20, 40, 60, 80}));
    }

    void highlight_hidesWhenTheFocusLeavesTheBoxes()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.enter(rig.page->DeltaP(3)));
        QVERIFY(rig.page->highlight()->isVisible());
        QCOMPARE(rig.page->highlight()->geometry(), rig.page->DeltaP(3)->geometry().adjusted(-3, -3, 3, 3));
        rig.page->Azzero()->setFocusPolicy(Qt::StrongFocus);
        rig.page->Azzero()->setFocus();
        QVERIFY(!rig.page->highlight()->isVisible());
        QCOMPARE(rig.page->DeltaP(3)->text(), QStringLiteral("100"));
    }

    void dragging_followsNeighboursAndAxisEnds_data()
    {
        QTest::addColumn<int>("mark");
        QTest::addColumn<double>("to");   // percent of the axis, may lie outside it
        QTest::addColumn<Ints>("thresholds");
        QTest::addColumn<bool>("modified");
        QTest::newRow("mark 2 to 50") << 2 << 50.0 << Ints{20, 40, 50, 80} << true;
        QTest::newRow("mark 0 to 5") << 0 << 5.0 << Ints{5, 40, 60, 80} << true;
        QTest::newRow("mark 1 onto mark 0") << 1 << 10.0 << Ints{20, 20, 60, 80} << true;
        QTest::newRow("mark 2 onto mark 3") << 2 << 95.0 << Ints{20, 40, 80, 80} << true;
        QTest::newRow("mark 0 past the left end") << 0 << -15.0 << Ints{0, 40, 60, 80} << true;
        QTest::newRow("mark 3 past the right end") << 3 << 115.0 << Ints{20, 40, 60, 100} << true;
        QTest::newRow("mark 1 nudged within its percent") << 1 << 40.2 << Ints{20, 40, 60, 80} << false;
    }
    void dragging_followsNeighboursAndAxisEnds()
    {
        QFETCH(int, mark);
        QFETCH(double, to);
        QFETCH(Ints, thresholds);
        QFETCH(bool, modified);
        PageRig rig;
        QVERIFY(rig.ready());
        rig.setCurve({20, 40, 60, 80}, {100, 120, 140, 160, 180, 200});
        rig.drag(mark, rig.axisX(to));
        QCOMPARE(rig.thresholds(), thresholds);
        QCOMPARE(rig.dcInTexts(), thresholds);
        const QString text = MappingPage::BoxText(thresholds[mark], 3);
        QCOMPARE(rig.page->DCIN(mark)->text(), rig.page->DCIN(mark)->hasFocus() ? text.trimmed() : text);
        QCOMPARE(rig.map.state().PageModified[0], modified);
        // Each mark sits on its breakpoint, under its guide.
        const QLine axis = rig.page->breakpointAxis();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(rig.markCentre(i), rig.axisX(thresholds[i]));
            const QPointF guide = rig.panel()->mapFrom(rig.page, rig.page->graph()->mapTo(rig.page, rig.page->graph()->LineaS(i).p1()));
            QVERIFY2(qAbs(guide.x() - rig.markCentre(i)) <= 1, qPrintable(QString::number(i)));
            QVERIFY(rig.markCentre(i) >= axis.x1() && rig.markCentre(i) <= axis.x2());
        }
        // Equal breakpoints give a flat segment.
        const auto &seg = rig.map.state().SegmentCoef;
        for (int k = 1; k < 4; ++k) {
            if (thresholds[k - 1] == thresholds[k])
                QCOMPARE(seg[k].Slope, 0.0);
            else
                QVERIFY(seg[k].Slope > 0);
        }
    }

    void dragging_marksStackedAtAnEndComeApartAgain()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        for (int i = 3; i >= 0; --i)
            rig.drag(i, rig.axisX(120));
        QCOMPARE(rig.thresholds(), (Ints{100, 100, 100, 100}));
        // The pointer picks up the top of the pile; going left takes the first mark along.
        rig.drag(3, rig.axisX(70));
        QCOMPARE(rig.thresholds(), (Ints{70, 100, 100, 100}));
        for (int i = 0; i < 4; ++i)
            rig.drag(i, rig.axisX(-20));
        QCOMPARE(rig.thresholds(), (Ints{0, 0, 0, 0}));
        rig.drag(0, rig.axisX(30));   // going right takes the last one
        QCOMPARE(rig.thresholds(), (Ints{0, 0, 0, 30}));
        QVERIFY(rig.map.state().PageModified[0]);
    }

    void dragging_onlyWithTheLeftButton()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        QWidget *mark = rig.page->PTacca(1);
        const QPoint grip = mark->rect().center();
        QTest::mousePress(mark, Qt::RightButton, {}, grip);
        QTest::mouseMove(mark, grip + QPoint(60, 0));
        QTest::mouseRelease(mark, Qt::RightButton, {}, grip + QPoint(60, 0));
        QCOMPARE(rig.thresholds(), (Ints{20, 40, 60, 80}));
        QVERIFY(!rig.map.state().PageModified[0]);
    }

    void drawCorrectionGraph_rangeFollowsThePercentages_data()
    {
        QTest::addColumn<Ints>("percent");
        QTest::addColumn<double>("ymin");
        QTest::addColumn<double>("ymax");
        QTest::newRow("spread") << Ints{90, 120, 140, 160, 180, 250} << 90.0 << 250.0;
        QTest::newRow("one below") << Ints{100, 100, 40, 100, 100, 100} << 40.0 << 100.0;
        QTest::newRow("all equal keeps the range") << Ints{100, 100, 100, 100, 100, 100} << 70.0 << 110.0;
    }
    void drawCorrectionGraph_rangeFollowsThePercentages()
    {
        QFETCH(Ints, percent);
        QFETCH(double, ymin);
        QFETCH(double, ymax);
        PageRig rig;
        QVERIFY(rig.ready());
        rig.setCurve({20, 40, 60, 80}, {70, 110, 100, 100, 100, 100});
        QCOMPARE(rig.map.state().GraphYMin, 70.0);
        QCOMPARE(rig.map.state().GraphYMax, 110.0);
        rig.setCurve({20, 40, 60, 80}, percent);
        QCOMPARE(rig.map.state().GraphYMin, ymin);
        QCOMPARE(rig.map.state().GraphYMax, ymax);
        // The curve stays inside the plot, the lowest point under the highest.
        const QRectF plot = QRectF(rig.page->graph()->plotRect()).adjusted(0, 0, 1, 1);
        for (int k = 0; k < 6; ++k)
            QVERIFY(plot.contains(rig.page->graph()->pointOf(k)));
        const int low = int(std::min_element(percent.begin(), percent.end()) - percent.begin());
        const int high = int(std::max_element(percent.begin(), percent.end()) - percent.begin());
        QVERIFY(rig.page->graph()->pointOf(low).y() >= rig.page->graph()->pointOf(high).y());
    }

    void drawCorrectionGraph_afterLeavingAPercentage()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        QLineEdit *b = rig.page->DeltaP(4);
        QVERIFY(rig.enter(b));
        rig.retype(b, QStringLiteral("150"));
        QCOMPARE(rig.map.state().GraphYMax, 100.0);
        rig.leave(b);
        QCOMPARE(rig.map.state().GraphYMin, 100.0);
        QCOMPARE(rig.map.state().GraphYMax, 150.0);
        QVERIFY(rig.page->graph()->pointOf(4).y() < rig.page->graph()->pointOf(3).y());
        QCOMPARE(rig.map.correctionAt(70).value(), 125.0);
    }

    void showValues_fillsEveryBoxAndClearsTheFlag()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        MapEditorState &st = rig.map.edit();
        st.DcInThreshold = {0, 10, 35, 35, 90, 100};
        st.DeltaFlow = {95, 100, 0, 300, 120.5, 80};
        st.PageModified = {true, true, true, true};
        st.SegmentCoef = {};
        rig.page->showValues();
        const QStringList dcIn{" 10", " 35", " 35", " 90"};
        // The box being edited shows its number bare.
        auto shown = [](QLineEdit *b, const QString &text) { return b->hasFocus() ? text.trimmed() : text; };
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rig.page->DCIN(i)->text(), shown(rig.page->DCIN(i), dcIn[i]));
        const QStringList delta{" 95", "100", "  0", "300", "121", " 80"};
        for (int k = 0; k < 6; ++k)
            QCOMPARE(rig.page->DeltaP(k)->text(), shown(rig.page->DeltaP(k), delta[k]));
        QVERIFY(!st.PageModified[0]);
        QVERIFY(st.PageModified[1]);   // the other pages are not this page's business
        QCOMPARE(st.SegmentCoef[0].Slope, 0.5);
        QCOMPARE(st.SegmentCoef[2].Slope, 0.0);
        QCOMPARE(st.GraphYMin, 0.0);
        QCOMPARE(st.GraphYMax, 300.0);
        QCOMPARE(rig.markCentre(1), rig.axisX(35));
        QCOMPARE(rig.markCentre(2), rig.axisX(35));
    }

    void liveMarks_stillColourTheBoxesAndMoveTheMarker()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.enter(rig.page->DeltaP(1)));
        rig.page->setDeltaPMarks({false, true, true, false, false, false});
        QCOMPARE(rig.page->DeltaP(1)->palette().color(QPalette::Base), QColor(255, 0, 0));
        QCOMPARE(rig.page->DeltaP(0)->palette().color(QPalette::Base), QColor(Qt::white));
        rig.page->MoveOperatingMarker(30);
        QWidget *marker = rig.page->graph()->marker();
        QVERIFY(marker->isVisible());
        const QPointF guide = rig.page->graph()->LineaS(0).p1();   // 20 %
        const QPointF next = rig.page->graph()->LineaS(1).p1();    // 40 %
        QVERIFY(qAbs(marker->geometry().center().x() - (guide.x() + next.x()) / 2) <= 1);
    }

    void anotherWindow_isNoLeaving()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        rig.setCurve({20, 40, 60, 80}, {100, 100, 100, 90, 100, 100});
        QLineEdit *b = rig.page->DeltaP(3);
        QVERIFY(rig.enter(b));
        QTest::keyClick(b, Qt::Key_Space);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(b->text(), QString());   // what is being typed stays
        QVERIFY(rig.page->highlight()->isVisible());
        rig.page->activateWindow();
        QVERIFY(rig.ready());
        QCOMPARE(QApplication::focusWidget(), b);
        rig.leave(b);
        QCOMPARE(b->text(), QStringLiteral(" 90"));   // the text it had when the fitter came in
        QCOMPARE(rig.map.state().DeltaFlow[3], 90.0);
    }

    void dragging_theMarkOfTheBoxBeingEdited()
    {
        PageRig rig;
        QVERIFY(rig.ready());
        QLineEdit *b = rig.page->DCIN(1);
        QVERIFY(rig.enter(b));
        rig.drag(1, rig.axisX(33));
        QCOMPARE(b->text(), QStringLiteral("33"));   // bare, ready to be typed over
        QCOMPARE(rig.map.state().DcInThreshold[2], 33.0);
        QTest::keyClick(b, Qt::Key_Backspace);
        QTest::keyClicks(b, QStringLiteral("5"));
        rig.leave(b);
        QCOMPARE(rig.thresholds(), (Ints{20, 35, 60, 80}));
        QCOMPARE(rig.markCentre(1), rig.axisX(35));
    }

    void editor_aPercentageNotYetLeftCountsWhenTheFitterClicksAnotherPage()
    {
        struct Sink : MessageSink {
            QStringList asked;
            int showMessage(const QString &text, int, const QString &, int) override
            {
                asked << text;
                return 7;   // No: go on without storing
            }
            void plainMessage(const QString &, const QString &) override {}
            void beep() override {}
        } sink;
        QTemporaryDir dir;
        FrameState frame;
        frame.PercorsoApp = dir.path();
        LiveState live;
        InitLiveChannels(live, frame.LinguaCorrente);
        ChartModel chart(live, dir.filePath(QStringLiteral("DATI_GRAF.GRF")));
        MapModel map;
        map.ResetMapEditorState();
        QMdiArea area;
        auto *g = new Grafici(frame, live, chart, map, sink);
        area.addSubWindow(g);
        g->showMaximized();
        area.resize(1200, 720);
        area.show();
        QVERIFY(QTest::qWaitForWindowActive(&area));
        QVERIFY(QTest::qWaitFor([g] { return !g->Ridimensiono().isActive(); }));
        g->setEditorEnabled(true);

        QLineEdit *b = g->mappingPage()->DeltaP(1);
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(b->hasFocus());
        QTest::keyClick(b, Qt::Key_Space);
        QTest::keyClicks(b, QStringLiteral("115"));
        QVERIFY(!map.state().PageModified[0]);
        QTabBar *tabs = g->Cartelle()->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QCOMPARE(sink.asked, QStringList{Testo(frame.id(201))});
        QCOMPARE(map.state().DeltaFlow[1], 115.0);
        QCOMPARE(g->currentPage(), 2);
        QVERIFY(map.state().PageModified[0]);
    }

    void layout_captionsAndBoxesFitInEveryLanguage_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QSize>("size");
        for (int lingua = 1; lingua <= 4; ++lingua) {
            QTest::addRow("language %d, wide", lingua) << lingua << QSize(1200, 700);
            QTest::addRow("language %d, narrow", lingua) << lingua << QSize(700, 460);
        }
    }
    void layout_captionsAndBoxesFitInEveryLanguage()
    {
        QFETCH(int, lingua);
        QFETCH(QSize, size);
        PageRig rig(lingua, size);
        QVERIFY(rig.ready());
        QCOMPARE(rig.page->dcInCaption()->text(), Testo(rig.frame.id(254)).trimmed());
        QCOMPARE(rig.page->deltaPCaption()->text(), Testo(rig.frame.id(253)).trimmed());
        rig.drag(1, rig.axisX(20));   // two marks on one another
        rig.drag(3, rig.axisX(100));
        const QRect panel = rig.panel()->rect();
        for (QLabel *caption : {rig.page->dcInCaption(), rig.page->deltaPCaption()}) {
            QVERIFY(caption->width() >= caption->sizeHint().width());
            QVERIFY(caption->geometry().right() < rig.page->DeltaP(0)->geometry().left());
            QVERIFY(caption->geometry().left() >= 0);
        }
        for (int order = 0; order < 10; ++order) {
            const QRect r = rig.box(order)->geometry();
            QVERIFY(panel.contains(r.adjusted(-3, -3, 3, 3)));
            for (int other = order + 1; other < 10; ++other)
                QVERIFY(!r.adjusted(-4, -4, 4, 4).intersects(rig.box(other)->geometry()));
            for (int i = 0; i < 4; ++i)
                QVERIFY(!r.intersects(rig.page->PTacca(i)->geometry()));
        }
        for (int i = 0; i < 4; ++i)
            QVERIFY(panel.contains(rig.page->PTacca(i)->geometry()));
        // DCIN(i) under column i + 1, DeltaP(k) under column k, as the graph's scale.
        for (int k = 0; k < 6; ++k)
            QVERIFY(qAbs(rig.page->DeltaP(k)->geometry().center().x() - rig.axisX(20 * k)) <= 1);
        for (int i = 0; i < 4; ++i)
            QVERIFY(qAbs(rig.page->DCIN(i)->geometry().center().x() - rig.axisX(20 * (i + 1))) <= 1);

        // Pictures to look at: KAL_SHOTS=folder.
        const QString shots = qEnvironmentVariable("KAL_SHOTS");
        if (!shots.isEmpty()) {
            rig.setCurve({20, 20, 55, 100}, {100, 115, 130, 90, 120, 105});
            QVERIFY(rig.enter(rig.page->DeltaP(2)));
            rig.page->setDeltaPMarks({false, false, true, true, false, false});
            rig.page->MoveOperatingMarker(40);
            QVERIFY(rig.page->grab().save(QStringLiteral("%1/f6-%2-%3x%4.png")
                                              .arg(shots).arg(lingua).arg(size.width()).arg(size.height())));
        }
    }
};

QTEST_MAIN(TstMappingPage)
#include "tst_mappingpage.moc"
