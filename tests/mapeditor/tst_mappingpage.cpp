#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "app/framestate.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/correctiongraph.h"
#include "mapeditor/widgets/mappingpage.h"
#include "ui/common/pictures.h"

using Ints = QList<int>;
using Drags = QList<std::pair<int, double>>;   // mark, percent of the axis
Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

namespace {

const Ints kStandard{20, 40, 60, 80};

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
        static_cast<void>(QTest::qWaitForWindowActive(page));   // what follows fails if it did not come up
    }
    ~PageRig() { delete page; }
    bool ready() { return QTest::qWaitForWindowActive(page); }
    const MapEditorState &st() const { return map.state(); }

    void setCurve(const Ints &dcIn, const Ints &deltaFlow = Ints(6, 100))
    {
        for (int i = 0; i < 4; ++i)
            map.edit().DcInThreshold[i + 1] = dcIn[i];
        for (int k = 0; k < 6; ++k)
            map.edit().DeltaFlow[k] = deltaFlow[k];
        page->showValues();
    }
    // Boxes in the order of Page Down: DCIN 0..3, then DeltaP 0..5.
    QLineEdit *box(int order) const { return order < 4 ? page->DCIN(order) : page->DeltaP(order - 4); }
    double value(int order) const { return order < 4 ? st().DcInThreshold[order + 1] : st().DeltaFlow[order - 4]; }
    // Padded, or bare while the box has the focus.
    static QString shown(const QLineEdit *b, double value)
    {
        const QString text = MappingPage::BoxText(value, 3);
        return b->hasFocus() ? text.trimmed() : text;
    }
    QLineEdit *focused() const { return qobject_cast<QLineEdit *>(QApplication::focusWidget()); }
    bool enter(QLineEdit *b)
    {
        QTest::mouseClick(b, Qt::LeftButton);
        return b->hasFocus();
    }

    QWidget *panel() const { return page->PTacca(0)->parentWidget(); }
    int markCentre(int i) const { return page->PTacca(i)->geometry().center().x(); }
    int axisX(double percent) const
    {
        const QLine axis = page->breakpointAxis();
        return axis.x1() + int(std::lround((axis.x2() - axis.x1()) * percent / 100));
    }
    // A hand drags mark i by its middle to axis pixel `to`, a few pixels at a time.
    void drag(int i, int to, Qt::MouseButton button)
    {
        QWidget *mark = page->PTacca(i);
        const int y = mark->geometry().center().y();
        int x = markCentre(i);
        QTest::mousePress(mark, button, {}, mark->rect().center());
        while (x != to) {
            x = to > x ? std::min(to, x + 3) : std::max(to, x - 3);
            QTest::mouseMove(mark, mark->mapFrom(panel(), QPoint(x, y)));
        }
        QTest::mouseRelease(mark, button, {}, mark->mapFrom(panel(), QPoint(x, y)));
    }
    Ints thresholds() const { return {int(value(0)), int(value(1)), int(value(2)), int(value(3))}; }
};

}   // namespace

class TstMappingPage : public QObject {
    Q_OBJECT
private slots:
    void leavingABox_keepsBreakpointsInOrderAndPercentagesInRange_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("typed");   // after Space has emptied the box
        QTest::addColumn<int>("kept");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<Ints>("range");   // of the graph, from the six percentages
        QTest::addColumn<bool>("away");    // another window comes up before leaving
        const Ints flat{0, 100};
        QTest::newRow("DCIN past the next takes its value") << 1 << 40 << "150" << 60 << true << flat << false;
        QTest::newRow("DCIN below the previous takes its value") << 2 << 60 << "10" << 40 << true << flat << false;
        QTest::newRow("DCIN past 100 stops at 100") << 3 << 80 << "999" << 100 << true << flat << false;
        QTest::newRow("DCIN empty gives 0") << 0 << 20 << "" << 0 << true << flat << false;
        QTest::newRow("DCIN letters and signs swallowed") << 1 << 40 << "a3x5." << 35 << true << flat << false;
        // Compared with the value read from the ECU, not with the one before the edit.
        QTest::newRow("DCIN back to its initial value") << 1 << 30 << "40" << 40 << false << flat << false;
        QTest::newRow("DeltaP 400 gives 300") << 6 << 100 << "400" << 300 << true << Ints{100, 300} << false;
        QTest::newRow("DeltaP 0 is a value, not an empty box") << 6 << 100 << "0" << 0 << true << Ints{0, 100} << false;
        QTest::newRow("DeltaP emptied, away and back, gets its text back")
            << 6 << 85 << "7 " << 85 << true << Ints{85, 100} << true;
        QTest::newRow("DeltaP three digits only") << 6 << 100 << "+1-2*a34" << 123 << true << Ints{100, 123} << false;
        // All six equal: the graph keeps the range it had.
        QTest::newRow("DeltaP back to its initial value")
            << 6 << 140 << "100" << 100 << false << Ints{100, 140} << false;
    }
    void leavingABox_keepsBreakpointsInOrderAndPercentagesInRange()
    {
        QFETCH(int, order);
        QFETCH(int, start);
        QFETCH(QString, typed);
        QFETCH(int, kept);
        QFETCH(Ints, range);
        QFETCH(bool, away);
        PageRig rig;
        Ints dcIn = kStandard, percent(6, 100);
        (order < 4 ? dcIn[order] : percent[order - 4]) = start;
        rig.setCurve(dcIn, percent);
        QLineEdit *b = rig.box(order);
        QVERIFY(rig.enter(b));
        QCOMPARE(b->text(), QString::number(start));   // bare while editing
        QTest::keyClick(b, Qt::Key_Space);
        QTest::keyClicks(b, typed);
        const QString typing = b->text();
        if (away) {
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other) && rig.page->highlight()->isVisible());
            rig.page->activateWindow();
            QVERIFY(rig.ready() && b->hasFocus());
            QCOMPARE(b->text(), typing);
        }
        QCOMPARE(rig.value(order), start);   // nothing committed while typing
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(b->text(), MappingPage::BoxText(kept, 3));
        QCOMPARE(rig.value(order), kept);
        QTEST(rig.st().PageModified[0], "modified");
        // Segments, graph and marks follow at once.
        for (int k = 0; k < 6; ++k)
            QCOMPARE(rig.map.correctionAt(rig.st().DcInThreshold[k]).value_or(-1), rig.st().DeltaFlow[k]);
        QCOMPARE(rig.st().GraphYMin, range[0]);
        QCOMPARE(rig.st().GraphYMax, range[1]);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rig.markCentre(i), rig.axisX(rig.st().DcInThreshold[i + 1]));
    }

    void stepKeys_changeOnlyTheText_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<Ints>("dcIn");
        QTest::addColumn<int>("percent");   // of every DeltaP
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<Ints>("shows");   // after each of two presses
        const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers keypad = Qt::ShiftModifier | Qt::KeypadModifier;
        const int plus = Qt::Key_Plus, minus = Qt::Key_Minus;
        const Ints close{20, 40, 41, 80};
        QTest::newRow("DCIN + up to the next") << 1 << close << 100 << plus << none << Ints{41, 41};
        QTest::newRow("DCIN + up to 100") << 3 << Ints{20, 40, 60, 99} << 100 << plus << none << Ints{100, 100};
        QTest::newRow("DCIN - down to the previous") << 2 << close << 100 << minus << none << Ints{40, 40};
        QTest::newRow("DCIN - down to 0") << 0 << Ints{1, 40, 60, 80} << 100 << minus << none << Ints{0, 0};
        QTest::newRow("DeltaP Shift +") << 5 << kStandard << 100 << plus << shift << Ints{101, 102};
        QTest::newRow("DeltaP Shift + up to 300") << 5 << kStandard << 299 << plus << shift << Ints{300, 300};
        QTest::newRow("DeltaP Shift + on an Italian keyboard")
            << 5 << kStandard << 100 << int(Qt::Key_Asterisk) << shift << Ints{101, 102};
        QTest::newRow("DeltaP Shift - of the keypad") << 9 << kStandard << 100 << minus << keypad << Ints{99, 98};
        QTest::newRow("DeltaP Shift - down to 0")
            << 9 << kStandard << 1 << int(Qt::Key_Underscore) << shift << Ints{0, 0};
    }
    void stepKeys_changeOnlyTheText()
    {
        QFETCH(int, order);
        QFETCH(Ints, dcIn);
        QFETCH(int, percent);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(Ints, shows);
        PageRig rig;
        rig.setCurve(dcIn, Ints(6, percent));
        QLineEdit *b = rig.box(order);
        QVERIFY(rig.enter(b));
        const MapEditorState before = rig.st();
        for (int text : shows) {
            QTest::keyClick(b, Qt::Key(key), mods);
            QCOMPARE(b->text(), QString::number(text));
        }
        QCOMPARE(rig.st().DcInThreshold, before.DcInThreshold);   // committed only on leaving
        QCOMPARE(rig.st().DeltaFlow, before.DeltaFlow);
        QVERIFY(!rig.st().PageModified[0]);
    }

    void pageAndEnterKeys_moveThroughTheBoxes_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<int>("to");   // -1: out of the boxes
        const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, keypad = Qt::KeypadModifier;
        const int down = Qt::Key_PageDown, up = Qt::Key_PageUp;
        QTest::newRow("PgDn DCIN 3 to DeltaP 0") << 3 << down << none << 4;
        QTest::newRow("PgDn DeltaP 5 to DCIN 0") << 9 << down << none << 0;
        QTest::newRow("PgUp DCIN 0 to DeltaP 5") << 0 << up << none << 9;
        QTest::newRow("PgUp DeltaP 0 to DCIN 3") << 4 << up << none << 3;
        QTest::newRow("Shift PgDn stays") << 2 << down << shift << 2;
        QTest::newRow("Enter DCIN 1 to 2") << 1 << int(Qt::Key_Return) << none << 2;
        QTest::newRow("keypad Enter DeltaP 5 to DCIN 0") << 9 << int(Qt::Key_Enter) << keypad << 0;
        QTest::newRow("Tab out of the boxes") << 9 << int(Qt::Key_Tab) << none << -1;
    }
    void pageAndEnterKeys_moveThroughTheBoxes()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(int, to);
        PageRig rig;
        rig.page->Azzero()->setFocusPolicy(Qt::StrongFocus);
        QVERIFY(rig.enter(rig.box(from)));
        QTest::keyClick(rig.box(from), Qt::Key(key), mods);
        QWidget *highlight = rig.page->highlight();
        if (to < 0) {
            QCOMPARE(QApplication::focusWidget(), rig.page->Azzero());
            QVERIFY(!highlight->isVisible());
            QCOMPARE(rig.box(from)->text(), MappingPage::BoxText(100, 3));
        } else {
            QLineEdit *b = rig.box(to);
            QCOMPARE(rig.focused(), b);
            QVERIFY(highlight->isVisible() && highlight->geometry().contains(b->geometry()));
            QCOMPARE(highlight->geometry().center(), b->geometry().center());
            if (from != to)
                QCOMPARE(b->selectedText(), b->text());   // ready to be typed over
            QCOMPARE(b->text(), b->text().trimmed());
        }
        QVERIFY(!rig.st().PageModified[0]);   // passing through changes nothing
        QCOMPARE(rig.thresholds(), kStandard);
    }

    void dragging_followsNeighboursAndAxisEnds_data()
    {
        QTest::addColumn<Drags>("drags");   // percent may lie outside the axis
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<Ints>("thresholds");
        QTest::addColumn<bool>("modified");
        const Qt::MouseButton left = Qt::LeftButton;
        QTest::newRow("mark 2 to 50") << Drags{{2, 50}} << left << Ints{20, 40, 50, 80} << true;
        QTest::newRow("mark 1 onto mark 0") << Drags{{1, 10}} << left << Ints{20, 20, 60, 80} << true;
        QTest::newRow("mark 2 onto mark 3") << Drags{{2, 95}} << left << Ints{20, 40, 80, 80} << true;
        QTest::newRow("mark 0 of the box being edited past the left end")
            << Drags{{0, -15}} << left << Ints{0, 40, 60, 80} << true;
        QTest::newRow("mark 3 past the right end") << Drags{{3, 115}} << left << Ints{20, 40, 60, 100} << true;
        QTest::newRow("mark 1 nudged within its percent") << Drags{{1, 40.2}} << left << kStandard << false;
        QTest::newRow("right button moves nothing") << Drags{{1, 70}} << Qt::RightButton << kStandard << false;
        // A pile moves as one until the pointer picks a side: the first mark goes left, the last right.
        QTest::newRow("pile at 100 leaves to the left")
            << Drags{{3, 120}, {2, 120}, {1, 120}, {0, 120}, {3, 70}} << left << Ints{70, 100, 100, 100} << true;
        QTest::newRow("pile at 0 leaves to the right")
            << Drags{{0, -20}, {1, -20}, {2, -20}, {3, -20}, {0, 30}} << left << Ints{0, 0, 0, 30} << true;
    }
    void dragging_followsNeighboursAndAxisEnds()
    {
        QFETCH(Drags, drags);
        QFETCH(Qt::MouseButton, button);
        QFETCH(Ints, thresholds);
        PageRig rig;
        rig.setCurve(kStandard, {100, 120, 140, 160, 180, 200});
        QVERIFY(rig.enter(rig.page->DCIN(0)));
        for (const auto &[mark, to] : drags)
            rig.drag(mark, rig.axisX(to), button);
        QCOMPARE(rig.thresholds(), thresholds);
        QTEST(rig.st().PageModified[0], "modified");
        const CorrectionGraph *g = rig.page->graph();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(rig.page->DCIN(i)->text(), rig.shown(rig.page->DCIN(i), thresholds[i]));
            // Each mark sits on its breakpoint, under its guide.
            QCOMPARE(rig.markCentre(i), rig.axisX(thresholds[i]));
            const QPointF guide = rig.panel()->mapFrom(rig.page, g->mapTo(rig.page, g->LineaS(i).p1()));
            QVERIFY2(qAbs(guide.x() - rig.markCentre(i)) <= 1, qPrintable(QString::number(i)));
        }
        const auto &seg = rig.st().SegmentCoef;   // recomputed: equal breakpoints give a flat segment
        for (int k = 1; k < 4; ++k)
            QCOMPARE(seg[k].Slope == 0.0, thresholds[k - 1] == thresholds[k]);
    }

    void showValues_fillsEveryBoxAndClearsTheFlag()
    {
        PageRig rig;
        MapEditorState &st = rig.map.edit();
        st.DcInThreshold = {0, 10, 35, 35, 90, 100};
        st.DeltaFlow = {95, 100, 0, 300, 120.5, 80};
        st.PageModified = {true, true, true, true};
        st.SegmentCoef = {};
        rig.page->showValues();
        const Ints values{10, 35, 35, 90, 95, 100, 0, 300, 121, 80};   // 120.5 rounds up
        for (int order = 0; order < 10; ++order)
            QCOMPARE(rig.box(order)->text(), rig.shown(rig.box(order), values[order]));
        QVERIFY(!st.PageModified[0]);
        QVERIFY(st.PageModified[1]);   // the other pages are not this page's business
        QCOMPARE(st.SegmentCoef[0].Slope, 0.5);
        QCOMPARE(st.GraphYMin, 0.0);
        QCOMPARE(st.GraphYMax, 300.0);
        QCOMPARE(rig.markCentre(2), rig.axisX(35));
        // The ends of the range stay inside the plot, 0 % under 300 %.
        const CorrectionGraph *g = rig.page->graph();
        for (int k = 0; k < 6; ++k)
            QVERIFY(QRectF(g->plotRect()).adjusted(0, 0, 1, 1).contains(g->pointOf(k)));
        QVERIFY(g->pointOf(2).y() > g->pointOf(3).y());
    }

    // What the fitter sees: the boxes' pixels and the marker's place, not only the palette.
    void liveMarks_colourTheBoxesAndMoveTheMarker()
    {
        PageRig rig;
        QVERIFY(rig.enter(rig.page->DeltaP(1)));   // the focused box too
        for (const std::array<bool, 6> &marks :
             {std::array{false, true, true, false, false, false}, std::array{false, false, false, false, false, true},
              std::array{false, false, false, false, false, false}}) {
            rig.page->setDeltaPMarks(marks);
            for (int k = 0; k < 6; ++k) {
                QLineEdit *b = rig.page->DeltaP(k);
                const QImage drawn = b->grab().toImage();
                QCOMPARE(drawn.pixelColor(3, drawn.height() / 2), marks[k] ? QColor(255, 0, 0) : QColor(Qt::white));
            }
        }
        const CorrectionGraph *g = rig.page->graph();
        for (double at : {30.0, 70.0}) {   // halfway between two guides
            rig.page->MoveOperatingMarker(at);
            const int guide = int(at) / 20 - 1;
            QVERIFY(g->marker()->isVisible());
            QVERIFY(qAbs(g->marker()->geometry().center().x() - (g->LineaS(guide).x1() + g->LineaS(guide + 1).x1()) / 2)
                    <= 1);
        }
        // A moving marker repaints only the plot; the scale labels outside it are still drawn in full.
        const QImage graph = const_cast<CorrectionGraph *>(g)->grab().toImage();
        const QRect plot = g->plotRect();
        auto inkIn = [&](const QRect &r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    n += qGray(graph.pixel(x, y)) < 100;
            return n;
        };
        QVERIFY(inkIn(QRect(0, plot.top(), plot.left() - 4, plot.height())) > 20);   // the percentages
        QVERIFY(inkIn(QRect(plot.left(), plot.bottom() + 4, plot.width(), graph.height() - plot.bottom() - 5)) > 20);
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
        rig.drag(1, rig.axisX(20), Qt::LeftButton);   // two marks on one another
        rig.drag(3, rig.axisX(100), Qt::LeftButton);
        const QRect panel = rig.panel()->rect();
        for (QLabel *caption : {rig.page->dcInCaption(), rig.page->deltaPCaption()}) {
            QVERIFY(caption->width() >= caption->sizeHint().width());
            QVERIFY(caption->geometry().left() >= 0);
            QVERIFY(caption->geometry().right() < rig.page->DeltaP(0)->geometry().left());
        }
        for (int order = 0; order < 10; ++order) {
            const QRect r = rig.box(order)->geometry();
            QVERIFY(panel.contains(r.adjusted(-3, -3, 3, 3)));
            for (int other = order + 1; other < 10; ++other)
                QVERIFY(!r.adjusted(-4, -4, 4, 4).intersects(rig.box(other)->geometry()));
            for (int i = 0; i < 4; ++i)
                QVERIFY(!r.intersects(rig.page->PTacca(i)->geometry()));
            // DCIN(i) under column i + 1, DeltaP(k) under column k, as the graph's scale.
            const int column = order < 4 ? order + 1 : order - 4;
            QVERIFY(qAbs(r.center().x() - rig.axisX(20 * column)) <= 1);
        }
        for (int i = 0; i < 4; ++i)
            QVERIFY(panel.contains(rig.page->PTacca(i)->geometry()));
    }
};

QTEST_MAIN(TstMappingPage)
#include "tst_mappingpage.moc"
