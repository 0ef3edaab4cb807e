// The pages F7, F8 and F9 as the fitter uses them: real widgets, offscreen, keys
// typed with QTest. Page 1 is F7, 2 is F8, 3 is F9, as in `PageModified`.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>
#include <QtTest>

#include "app/framestate.h"
#include "app/texts.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/cutpage.h"
#include "mapeditor/widgets/mappingpage.h"
#include "mapeditor/widgets/switchpage.h"
#include "mapeditor/widgets/transientpage.h"

namespace {

// One page in a window, with a box outside it to move the focus to.
struct PageRig {
    FrameState frame;
    MapModel map;
    QWidget window;
    QLineEdit *elsewhere = new QLineEdit(&window);
    ValuePage *page = nullptr;

    explicit PageRig(int which, int threshold = 1800)
    {
        frame.LinguaCorrente = 1;
        map.AssignParameterRecords(0);
        MapEditorState &st = map.edit();
        // As read from an ECU.
        st.SwitchInitial = {25, 40, 8, 30, -2};
        st.SwitchValue = st.SwitchInitial;
        st.CutSlots[0].Value = threshold;
        st.CutSlots[1].Value = -45;
        st.CutSlots[2].Value = 120;
        st.CutInitial[0] = st.CutValue[0] = threshold;
        auto *column = new QVBoxLayout(&window);
        column->addWidget(elsewhere);
        page = which == 1   ? static_cast<ValuePage *>(new TransientPage(frame, map, &window))
               : which == 2 ? static_cast<ValuePage *>(new SwitchPage(frame, map, &window))
                            : new CutPage(frame, map, &window);
        column->addWidget(page, 1);
        window.resize(1000, 620);
        window.show();
        static_cast<void>(QTest::qWaitForWindowActive(&window));   // what follows fails if it did not come up
    }
    QLineEdit *box(int i) const { return page->field(i); }
    double value(int i) const
    {
        const MapEditorState &s = map.state();
        return page->page() == 1 ? s.TransientPercent[i] : page->page() == 2 ? s.SwitchValue[i] : s.CutValue[i];
    }
    bool flag() const { return map.state().PageModified[page->page()]; }
    QString shown(int i, int v) const { return MappingPage::BoxText(v, box(i)->maxLength()); }

    void focus(QWidget *w)
    {
        w->setFocus();
        QVERIFY(QTest::qWaitFor([w] { return w->hasFocus(); }));
    }
    // Into box i (all of its text selected, as on entering), then type.
    void type(int i, const QString &keys)
    {
        focus(box(i));
        QTest::keyClicks(box(i), keys);
    }
    void leave() { focus(elsewhere); }
};

bool red(QLineEdit *box)
{
    return box->palette().color(QPalette::Base) == ValuePage::modifiedColour();
}
bool white(QLineEdit *box)
{
    return box->palette().color(QPalette::Base) == QColor(Qt::white);
}

}   // namespace

class TstValuePages : public QObject {
    Q_OBJECT
private slots:
    void typingAndLeavingABox_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");   // replaces the selected number
        QTest::addColumn<int>("shiftKey");    // then this key with Shift, if any
        QTest::addColumn<QString>("shown");   // while still in the box
        QTest::addColumn<int>("kept");        // on leaving it, inside the slider's range
        // Space empties a box; empty counts as 0.
        QTest::newRow("F7 T.P.S. empty") << 1 << 2 << " " << 0 << "" << 50;
        QTest::newRow("F7 enrichment empty") << 1 << 0 << " " << 0 << "" << 0;
        // "-" only where the range goes below 0, and once.
        QTest::newRow("F7, no minus") << 1 << 3 << "-12" << 0 << "12" << 12;
        QTest::newRow("F8, no minus") << 2 << 0 << "-12" << 0 << "12" << 12;
        QTest::newRow("F9, no minus") << 3 << 1 << "-12" << 0 << "12" << 12;
        QTest::newRow("F8 return, minus") << 2 << 4 << "-12" << 0 << "-12" << -12;
        QTest::newRow("F8 return, -1 and a second minus") << 2 << 4 << "-1-" << 0 << "-1" << -2;
        QTest::newRow("F8 return, below") << 2 << 4 << "-50" << 0 << "-50" << -41;
        QTest::newRow("F8 return, - alone") << 2 << 4 << "-" << 0 << "-" << 0;
        QTest::newRow("letters and signs, above") << 2 << 4 << "1a+.,2" << 0 << "12" << 10;
        QTest::newRow("F9 threshold, above") << 3 << 0 << "6000" << 0 << "6000" << 5000;
        QTest::newRow("F9 threshold, below") << 3 << 0 << "100" << 0 << "100" << 500;
        // Shift steps by one inside the range; -1 ("no value") is stepped over.
        QTest::newRow("F8 return, _ over -1") << 2 << 4 << "0" << int(Qt::Key_Underscore) << "-2" << -2;
        QTest::newRow("F8 return, + over -1") << 2 << 4 << "-2" << int(Qt::Key_Plus) << "0" << 0;
        QTest::newRow("F8 return, - from 3") << 2 << 4 << "3" << int(Qt::Key_Minus) << "2" << 2;
        QTest::newRow("F8 return, + at max") << 2 << 4 << "10" << int(Qt::Key_Plus) << "10" << 10;
        QTest::newRow("F8 return, - at min") << 2 << 4 << "-41" << int(Qt::Key_Minus) << "-41" << -41;
        QTest::newRow("F7 T.P.S., + to max") << 1 << 2 << "399" << int(Qt::Key_Plus) << "400" << 400;
        QTest::newRow("F9 threshold, * as +") << 3 << 0 << "1999" << int(Qt::Key_Asterisk) << "2000" << 2000;
    }
    void typingAndLeavingABox()
    {
        QFETCH(int, page);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(int, shiftKey);
        QFETCH(int, kept);
        PageRig rig(page);
        const double before = rig.value(field);
        // Twice: the second time the slider already holds the value and does not rewrite the box.
        for (int pass = 0; pass < 2; ++pass) {
            rig.type(field, typed);
            if (shiftKey)
                QTest::keyClick(rig.box(field), Qt::Key(shiftKey), Qt::ShiftModifier);
            QTEST(rig.box(field)->text(), "shown");
            rig.leave();
            QCOMPARE(rig.box(field)->text(), rig.shown(field, kept));
        }
        QCOMPARE(rig.page->slider(field)->value(), kept);
        QCOMPARE(rig.value(field), double(kept));
        QCOMPARE(rig.flag(), kept != before);
        QCOMPARE(red(rig.box(field)), kept != before);
    }

    void sliderOnMinusOne_goesOnInItsDirection_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("lands");
        QTest::newRow("down from 4") << 4 << -2;
        QTest::newRow("up from -2") << -2 << 0;
    }
    void sliderOnMinusOne_goesOnInItsDirection()
    {
        QFETCH(int, from);
        QFETCH(int, lands);
        PageRig rig(2);
        QSlider *s = rig.page->slider(4);
        s->setValue(from);
        s->setValue(-1);
        QCOMPARE(s->value(), lands);
        QCOMPARE(rig.value(4), double(lands));
        QCOMPARE(rig.box(4)->text().trimmed(), QString::number(lands));
    }

    void sliderAwayAndBack_staysRedAndFlagged_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("away");
        QTest::newRow("F7 enrichment") << 1 << 0 << 150;
        QTest::newRow("F8 warm engine") << 2 << 1 << 45;
        QTest::newRow("F9 sensitivity") << 3 << 1 << 80;
    }
    void sliderAwayAndBack_staysRedAndFlagged()
    {
        QFETCH(int, page);
        QFETCH(int, field);
        QFETCH(int, away);
        PageRig rig(page);
        QSlider *s = rig.page->slider(field);
        const int initial = s->value();
        QVERIFY(white(rig.box(field)) && !rig.flag());
        s->setValue(away);
        QCOMPARE(rig.box(field)->text(), rig.shown(field, away));
        s->setValue(initial);
        QCOMPARE(rig.value(field), double(initial));
        QVERIFY(red(rig.box(field)) && rig.flag());
        // Sent: white again, the flag stays; filled again: both reset.
        rig.page->clearValueBoxColours();
        QVERIFY(white(rig.box(field)) && rig.flag());
        s->setValue(away);
        rig.page->fill();
        QVERIFY(white(rig.box(field)) && !rig.flag());
        QCOMPARE(s->value(), initial);
        QCOMPARE(rig.value(field), double(initial));
    }

    void pageKeysAndEnter_wrapAroundThePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("F7 Return") << 1 << 1 << int(Qt::Key_Return) << 2;
        QTest::newRow("F7 Enter, last") << 1 << 3 << int(Qt::Key_Enter) << 0;
        QTest::newRow("F8 Page Down, last") << 2 << 4 << int(Qt::Key_PageDown) << 0;
        QTest::newRow("F8 Page Up, first") << 2 << 0 << int(Qt::Key_PageUp) << 4;
        QTest::newRow("F9 Page Down") << 3 << 1 << int(Qt::Key_PageDown) << 2;
        QTest::newRow("F9 Page Up") << 3 << 2 << int(Qt::Key_PageUp) << 1;
    }
    void pageKeysAndEnter_wrapAroundThePage()
    {
        QFETCH(int, page);
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        PageRig rig(page);
        rig.type(from, QString());
        QVERIFY(rig.page->highlight(from)->isVisible());
        QCOMPARE(rig.box(from)->text(), rig.box(from)->text().trimmed());   // bare number while editing
        QTest::keyClick(rig.box(from), Qt::Key(key));
        QTRY_VERIFY(rig.box(to)->hasFocus());
        // The box left is formatted again; the highlight is around the new one.
        QCOMPARE(rig.box(from)->text().size(), rig.box(from)->maxLength());
        auto *ring = static_cast<FocusRing *>(rig.page->highlight(to));
        QVERIFY(ring->isVisible());
        QCOMPARE(ring->target(), rig.box(to));
        QVERIFY(ring->geometry().contains(rig.box(to)->geometry()));
        if (page == 1)
            QVERIFY(!rig.page->highlight(from)->isVisible());   // each F7 frame has its own
        QVERIFY(!rig.flag());
    }

    void standardSettings_moveOnlyTheThresholdUntilFilled_data()
    {
        QTest::addColumn<int>("threshold");   // as read from the ECU
        QTest::addColumn<int>("shown");
        // Outside the slider it is shown, edited and sent at the nearest limit; the
        // initial column keeps what the ECU holds.
        QTest::newRow("already at 2000") << 2000 << 2000;
        QTest::newRow("at 1800") << 1800 << 1800;
        QTest::newRow("above 5000") << 6000 << 5000;
        QTest::newRow("below 500") << 0 << 500;
    }
    void standardSettings_moveOnlyTheThresholdUntilFilled()
    {
        QFETCH(int, threshold);
        QFETCH(int, shown);
        PageRig rig(3, threshold);
        auto *f9 = static_cast<CutPage *>(rig.page);
        QCheckBox *standard = f9->I_Standard();
        QCOMPARE(rig.box(0)->text(), rig.shown(0, shown));
        QCOMPARE(rig.map.state().CutInitial[0], double(shown));
        for (bool on : {true, false, true}) {
            QTest::mouseClick(standard, Qt::LeftButton, {}, QPoint(6, standard->height() / 2));
            QCOMPARE(standard->isChecked(), on);
            QCOMPARE(rig.map.state().CutStandard, on);
            QCOMPARE(rig.value(0), on ? 2000.0 : double(shown));
            QCOMPARE(rig.value(1), 100.0);   // the percentages are not touched
            QCOMPARE(rig.value(2), 100.0);
            QCOMPARE(rig.flag(), shown != 2000);   // back at the ECU's value, still modified
            QCOMPARE(red(rig.box(0)), shown != 2000);
            const QStringList initial =
                on ? QStringList{"2000", "-60", "100"} : QStringList{QString::number(threshold), "-45", "120"};
            for (int i = 0; i < 3; ++i)
                QCOMPARE(f9->CutIni(i)->text(), initial[i]);
            const QColor colour = on ? ValuePage::standardColour() : ValuePage::initialColour();
            QCOMPARE(f9->heading(1)->text(), Testo(rig.frame.id(on ? 311 : 260)));
            QCOMPARE(f9->heading(1)->palette().color(QPalette::WindowText), colour);
            QCOMPARE(standard->palette().color(QPalette::WindowText), colour);
        }
        rig.page->fill();   // read again: the ECU's values, unticked
        QCOMPARE(rig.page->slider(0)->value(), shown);
        QVERIFY(white(rig.box(0)) && !standard->isChecked() && !rig.map.state().CutStandard && !rig.flag());
        QCOMPARE(f9->CutIni(0)->text(), QString::number(threshold));
        rig.type(0, QString());   // leaving without typing changes nothing
        rig.leave();
        QVERIFY(!rig.flag());
    }

    void fill_showsTheValuesRead()
    {
        const std::vector<std::vector<int>> read{{100, 100, 100, 100}, {25, 40, 8, 30, -2}, {1800, 100, 100}};
        for (int page = 1; page <= 3; ++page) {
            PageRig rig(page);
            QCOMPARE(rig.page->fieldCount(), int(read[page - 1].size()));
            for (int i = 0; i < rig.page->fieldCount(); ++i) {
                QSlider *s = rig.page->slider(i);
                QCOMPARE(rig.page->minimum(i)->text() + ' ' + rig.page->maximum(i)->text(),
                         QString::number(s->minimum()) + ' ' + QString::number(s->maximum()));
                QCOMPARE(s->value(), read[page - 1][i]);
                QCOMPARE(rig.box(i)->text(), rig.shown(i, read[page - 1][i]));
                if (page == 2)   // the F8 initial column shows the values read, as the boxes do
                    QCOMPARE(static_cast<SwitchPage *>(rig.page)->ComIni(i)->text(), rig.box(i)->text());
            }
        }
    }
};

QTEST_MAIN(TstValuePages)
#include "tst_valuepages.moc"
