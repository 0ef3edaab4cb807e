// The pages F7, F8 and F9 as the fitter uses them: real widgets, offscreen, keys
// typed with QTest. Page 1 is F7, 2 is F8, 3 is F9, as in `PageModified`.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

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
    QLineEdit *elsewhere = nullptr;
    ValuePage *page = nullptr;

    explicit PageRig(int which, int lingua = 1)
    {
        frame.LinguaCorrente = quint8(lingua);
        map.AssignParameterRecords(0);
        MapEditorState &st = map.edit();
        // As read from an ECU: switchover values in their ranges, a cut-off threshold of 1800.
        st.SwitchInitial = {25, 40, 8, 30, -2};
        st.SwitchValue = st.SwitchInitial;
        st.CutSlots[0].Value = 1800;
        st.CutSlots[1].Value = -45;
        st.CutSlots[2].Value = 120;
        st.CutInitial[0] = st.CutValue[0] = 1800;
        auto *column = new QVBoxLayout(&window);
        elsewhere = new QLineEdit(&window);
        elsewhere->setObjectName(QStringLiteral("Altrove"));
        column->addWidget(elsewhere);
        if (which == 1)
            page = new TransientPage(frame, map, &window);
        else if (which == 2)
            page = new SwitchPage(frame, map, &window);
        else
            page = new CutPage(frame, map, &window);
        column->addWidget(page, 1);
        window.resize(1000, 620);
        window.show();
        page->fill();
    }
    bool active() { return QTest::qWaitForWindowActive(&window); }
    MapEditorState &st() { return map.edit(); }
    QLineEdit *box(int i) const { return page->field(i); }
    CutPage *f9() const { return qobject_cast<CutPage *>(page); }

    // The value array of the page.
    double value(int i) const
    {
        const MapEditorState &s = map.state();
        switch (page->page()) {
        case 1: return s.TransientPercent[i];
        case 2: return s.SwitchValue[i];
        default: return s.CutValue[i];
        }
    }
    bool flag() const { return map.state().PageModified[page->page()]; }
    int width(int i) const { return box(i)->maxLength(); }

    // Into box i (all of its text selected, as on entering), then type.
    void type(int i, const QString &keys)
    {
        box(i)->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return box(i)->hasFocus(); }));
        QTest::keyClicks(box(i), keys);
    }
    void leave()
    {
        elsewhere->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return elsewhere->hasFocus(); }));
    }
};

bool red(QLineEdit *box) { return box->palette().color(QPalette::Base) == ValuePage::modifiedColour(); }
bool white(QLineEdit *box) { return box->palette().color(QPalette::Base) == QColor(Qt::white); }

} // namespace

class TstValuePages : public QObject {
    Q_OBJECT
private slots:
    void leavingABox_limitsTheValueToItsSlider_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kept");
        // The Part's "600 gives 5000" cannot hold: 600 lies inside 500..5000 and stays.
        // The limit shows with a number above the range, as 6000.
        QTest::newRow("F9 threshold 6000") << 3 << 0 << "6000" << 5000;
        QTest::newRow("F9 threshold 600") << 3 << 0 << "600" << 600;
        QTest::newRow("F9 threshold 100") << 3 << 0 << "100" << 500;
        QTest::newRow("F9 enrichment 999") << 3 << 2 << "999" << 300;
        QTest::newRow("F8 return -1") << 2 << 4 << "-1" << -2;   // read as -2: unchanged
        QTest::newRow("F8 return -50") << 2 << 4 << "-50" << -41;
        QTest::newRow("F8 return -") << 2 << 4 << "-" << 0;
        QTest::newRow("F8 delay 3") << 2 << 2 << "3" << 5;
        QTest::newRow("F7 pump 999") << 1 << 1 << "999" << 400;
        // Space empties a box: empty counts as 0, so the slider's minimum when 0 is below it.
        QTest::newRow("F7 T.P.S. empty") << 1 << 2 << " " << 50;
        QTest::newRow("F7 enrichment empty") << 1 << 0 << " " << 0;
        QTest::newRow("F8 cold engine empty") << 2 << 0 << " " << 10;
        QTest::newRow("F8 return empty") << 2 << 4 << " " << 0;
        QTest::newRow("F9 threshold empty") << 3 << 0 << " " << 500;
    }
    void leavingABox_limitsTheValueToItsSlider()
    {
        QFETCH(int, page);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(int, kept);
        PageRig rig(page);
        QVERIFY(rig.active());
        const double before = rig.value(field);
        rig.type(field, typed);
        rig.leave();
        QCOMPARE(rig.box(field)->text(), MappingPage::BoxText(kept, rig.width(field)));
        QCOMPARE(rig.page->slider(field)->value(), kept);
        QCOMPARE(rig.value(field), double(kept));
        QCOMPARE(rig.flag(), kept != before);
        QCOMPARE(red(rig.box(field)), kept != before);
    }

    void keys_onlyDigitsAndOneMinusWhereTheRangeIsNegative_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        for (int f = 0; f < 4; ++f)
            QTest::addRow("F7 %d", f) << 1 << f << "-12" << "12";
        for (int f = 0; f < 4; ++f)
            QTest::addRow("F8 %d", f) << 2 << f << "-12" << "12";
        for (int f = 0; f < 3; ++f)
            QTest::addRow("F9 %d", f) << 3 << f << "-12" << "12";
        QTest::newRow("F8 4") << 2 << 4 << "-12" << "-12";
        QTest::newRow("F8 4, a second minus") << 2 << 4 << "-1-" << "-1";
        QTest::newRow("letters and signs") << 2 << 4 << "1a+.,2" << "12";
    }
    void keys_onlyDigitsAndOneMinusWhereTheRangeIsNegative()
    {
        QFETCH(int, page);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        PageRig rig(page);
        QVERIFY(rig.active());
        rig.type(field, typed);   // the selected number is replaced, "-" included
        QCOMPARE(rig.box(field)->text(), shown);
        QTest::keyClick(rig.box(field), Qt::Key_Space);
        QCOMPARE(rig.box(field)->text(), QString());
    }

    void shiftPlusMinus_stepsInsideTheSlider_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("F8 return, - from 0") << 2 << 4 << "0" << int(Qt::Key_Minus) << "-2";
        QTest::newRow("F8 return, + from -2") << 2 << 4 << "-2" << int(Qt::Key_Plus) << "0";
        QTest::newRow("F8 return, _ from 0") << 2 << 4 << "0" << int(Qt::Key_Underscore) << "-2";
        QTest::newRow("F8 return, + at 10") << 2 << 4 << "10" << int(Qt::Key_Plus) << "10";
        QTest::newRow("F8 return, - at -41") << 2 << 4 << "-41" << int(Qt::Key_Minus) << "-41";
        QTest::newRow("F8 return, - from 3") << 2 << 4 << "3" << int(Qt::Key_Minus) << "2";
        QTest::newRow("F7 T.P.S., - at 50") << 1 << 2 << "50" << int(Qt::Key_Minus) << "50";
        QTest::newRow("F7 T.P.S., + from 399") << 1 << 2 << "399" << int(Qt::Key_Plus) << "400";
        QTest::newRow("F7 T.P.S., + at 400") << 1 << 2 << "400" << int(Qt::Key_Plus) << "400";
        QTest::newRow("F9 threshold, * (Italian +) from 1999") << 3 << 0 << "1999" << int(Qt::Key_Asterisk)
                                                               << "2000";
        QTest::newRow("F9 threshold, - at 500") << 3 << 0 << "500" << int(Qt::Key_Minus) << "500";
    }
    void shiftPlusMinus_stepsInsideTheSlider()
    {
        QFETCH(int, page);
        QFETCH(int, field);
        QFETCH(QString, start);
        QFETCH(int, key);
        QFETCH(QString, shown);
        PageRig rig(page);
        QVERIFY(rig.active());
        rig.type(field, start);
        QTest::keyClick(rig.box(field), Qt::Key(key), Qt::ShiftModifier);
        QCOMPARE(rig.box(field)->text(), shown);
        rig.leave();
        QCOMPARE(rig.value(field), shown.toDouble());
    }

    void sliderOnMinusOne_goesOnInItsDirection_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("lands");
        QTest::newRow("down from 0") << 0 << -2;
        QTest::newRow("up from -2") << -2 << 0;
        QTest::newRow("down from 4") << 4 << -2;
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
        QCOMPARE(rig.st().SwitchValue[4], double(lands));
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
        QCOMPARE(rig.box(field)->text(), MappingPage::BoxText(away, rig.width(field)));
        QCOMPARE(rig.value(field), double(away));
        s->setValue(initial);
        QCOMPARE(rig.value(field), double(initial));
        QVERIFY(red(rig.box(field)));
        QVERIFY(rig.flag());
        // Sent: white again, the flag stays; filled again: both reset.
        rig.page->clearValueBoxColours();
        QVERIFY(white(rig.box(field)));
        QVERIFY(rig.flag());
        s->setValue(away);
        rig.page->fill();
        QVERIFY(white(rig.box(field)));
        QVERIFY(!rig.flag());
        QCOMPARE(s->value(), initial);
    }

    void pageKeysAndEnter_wrapAroundThePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("F7 Enter 1") << 1 << 1 << int(Qt::Key_Return) << 2;
        QTest::newRow("F7 Enter 3") << 1 << 3 << int(Qt::Key_Enter) << 0;
        QTest::newRow("F7 Page Down 3") << 1 << 3 << int(Qt::Key_PageDown) << 0;
        QTest::newRow("F7 Page Up 0") << 1 << 0 << int(Qt::Key_PageUp) << 3;
        QTest::newRow("F8 Enter 4") << 2 << 4 << int(Qt::Key_Return) << 0;
        QTest::newRow("F8 Page Down 4") << 2 << 4 << int(Qt::Key_PageDown) << 0;
        QTest::newRow("F8 Page Up 0") << 2 << 0 << int(Qt::Key_PageUp) << 4;
        QTest::newRow("F8 Page Up 3") << 2 << 3 << int(Qt::Key_PageUp) << 2;
        QTest::newRow("F9 Enter 2") << 3 << 2 << int(Qt::Key_Return) << 0;
        QTest::newRow("F9 Page Down 1") << 3 << 1 << int(Qt::Key_PageDown) << 2;
        QTest::newRow("F9 Page Up 0") << 3 << 0 << int(Qt::Key_PageUp) << 2;
    }
    void pageKeysAndEnter_wrapAroundThePage()
    {
        QFETCH(int, page);
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        PageRig rig(page);
        QVERIFY(rig.active());
        rig.type(from, QString());
        QVERIFY(rig.page->highlight(from)->isVisible());
        QCOMPARE(rig.box(from)->text(), rig.box(from)->text().trimmed());   // bare number while editing
        QTest::keyClick(rig.box(from), Qt::Key(key));
        QTRY_VERIFY(rig.box(to)->hasFocus());
        // The box left is formatted again; the highlight is around the new one.
        QCOMPARE(rig.box(from)->text().size(), rig.width(from));
        auto *ring = static_cast<FocusRing *>(rig.page->highlight(to));
        QVERIFY(ring->isVisible());
        QCOMPARE(ring->target(), rig.box(to));
        QVERIFY(ring->geometry().contains(rig.box(to)->geometry()));
        if (page == 1)
            QVERIFY(!rig.page->highlight(from)->isVisible());   // each F7 frame has its own
        QVERIFY(!rig.flag());   // nothing changed
    }

    void standardSettings_moveOnlyTheThreshold_data()
    {
        QTest::addColumn<int>("threshold");   // as read from the ECU
        QTest::newRow("already at 2000") << 2000;
        QTest::newRow("at 1800") << 1800;
    }
    void standardSettings_moveOnlyTheThreshold()
    {
        QFETCH(int, threshold);
        PageRig rig(3);
        rig.st().CutSlots[0].Value = threshold;
        rig.st().CutInitial[0] = threshold;
        rig.page->fill();
        CutPage *f9 = rig.f9();
        QCheckBox *standard = f9->I_Standard();
        QVERIFY(!standard->isChecked() && !rig.st().CutStandard);

        QTest::mouseClick(standard, Qt::LeftButton, {}, QPoint(6, standard->height() / 2));
        QVERIFY(standard->isChecked());
        QVERIFY(rig.st().CutStandard);
        QCOMPARE(rig.st().CutValue[0], 2000.0);
        QCOMPARE(rig.st().CutValue[1], 100.0);   // the percentages are not touched
        QCOMPARE(rig.st().CutValue[2], 100.0);
        QCOMPARE(rig.flag(), threshold != 2000);
        QCOMPARE(red(rig.box(0)), threshold != 2000);
        QCOMPARE(f9->CutIni(0)->text(), QStringLiteral("2000"));
        QCOMPARE(f9->CutIni(1)->text(), QStringLiteral("-60"));
        QCOMPARE(f9->CutIni(2)->text(), QStringLiteral("100"));
        QCOMPARE(f9->heading(1)->text(), Testo(rig.frame.id(311)));
        QCOMPARE(f9->heading(1)->palette().color(QPalette::WindowText), ValuePage::standardColour());
        QCOMPARE(standard->palette().color(QPalette::WindowText), ValuePage::standardColour());

        QTest::mouseClick(standard, Qt::LeftButton, {}, QPoint(6, standard->height() / 2));
        QVERIFY(!standard->isChecked());
        QVERIFY(!rig.st().CutStandard);
        QCOMPARE(rig.st().CutValue[0], double(threshold));
        QCOMPARE(f9->CutIni(0)->text(), QString::number(threshold));
        QCOMPARE(f9->CutIni(1)->text(), QStringLiteral("-45"));
        QCOMPARE(f9->CutIni(2)->text(), QStringLiteral("120"));
        QCOMPARE(f9->heading(1)->text(), Testo(rig.frame.id(260)));
        QCOMPARE(f9->heading(1)->palette().color(QPalette::WindowText), ValuePage::initialColour());
        QCOMPARE(standard->palette().color(QPalette::WindowText), ValuePage::initialColour());
        QCOMPARE(rig.flag(), threshold != 2000);   // back at the ECU's value, still modified
    }

    void fill_showsTheEditorData_data()
    {
        QTest::addColumn<int>("threshold");   // as read from the ECU
        QTest::addColumn<int>("shown");
        QTest::newRow("in range") << 1800 << 1800;
        // Outside the slider it is shown, edited and sent at the nearest limit, like the
        // switchover values; the initial column keeps what the ECU holds.
        QTest::newRow("above 5000") << 6000 << 5000;
        QTest::newRow("below 500") << 0 << 500;
    }
    void fill_showsTheEditorData()
    {
        QFETCH(int, threshold);
        QFETCH(int, shown);
        PageRig rig(3);
        rig.st().CutSlots[0].Value = threshold;
        rig.st().CutInitial[0] = threshold;
        rig.page->slider(1)->setValue(50);
        rig.f9()->I_Standard()->click();
        rig.page->fill();
        CutPage *f9 = rig.f9();
        const std::array<int, 3> values{shown, 100, 100};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(rig.box(i)->text(), MappingPage::BoxText(values[i], rig.width(i)));
            QCOMPARE(rig.page->slider(i)->value(), values[i]);
            QCOMPARE(rig.st().CutValue[i], double(values[i]));
            QCOMPARE(rig.st().CutInitial[i], double(values[i]));
            QVERIFY(white(rig.box(i)));
        }
        QCOMPARE(f9->CutIni(0)->text(), QString::number(threshold));
        QVERIFY(!f9->I_Standard()->isChecked() && !rig.st().CutStandard);
        QCOMPARE(f9->heading(1)->text(), Testo(rig.frame.id(260)));
        QVERIFY(!rig.flag());
        // Leaving the box without typing changes nothing.
        QVERIFY(rig.active());
        rig.type(0, QString());
        rig.leave();
        QVERIFY(!rig.flag());
        QCOMPARE(rig.st().CutValue[0], double(shown));
    }

    void fill_switchoverShowsTheValuesReadTwice()
    {
        PageRig rig(2);
        auto *f8 = static_cast<SwitchPage *>(rig.page);
        rig.page->slider(0)->setValue(12);
        rig.page->fill();
        const std::array<int, 5> read{25, 40, 8, 30, -2};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(f8->ValCom(i)->text(), MappingPage::BoxText(read[i], rig.width(i)));
            QCOMPARE(f8->ComIni(i)->text(), f8->ValCom(i)->text());
            QCOMPARE(f8->BarraCom(i)->value(), read[i]);
            QCOMPARE(rig.st().SwitchValue[i], double(read[i]));
            QVERIFY(white(f8->ValCom(i)));
        }
        QVERIFY(!rig.flag());
    }

    void sliders_carryTheRangesStepsAndLimitLabels()
    {
        const std::array<std::vector<SliderRange>, 3> ranges{
            std::vector<SliderRange>(TransientRanges.begin(), TransientRanges.end()),
            std::vector<SliderRange>(SwitchRanges.begin(), SwitchRanges.end()),
            std::vector<SliderRange>(CutRanges.begin(), CutRanges.end())};
        for (int page = 1; page <= 3; ++page) {
            PageRig rig(page);
            QCOMPARE(rig.page->fieldCount(), int(ranges[page - 1].size()));
            for (int i = 0; i < rig.page->fieldCount(); ++i) {
                QSlider *s = rig.page->slider(i);
                QCOMPARE(s->minimum(), ranges[page - 1][i].min);
                QCOMPARE(s->maximum(), ranges[page - 1][i].max);
                QCOMPARE(s->singleStep(), 1);
                QCOMPARE(s->pageStep(), 5);
                QCOMPARE(rig.page->minimum(i)->text(), QString::number(s->minimum()));
                QCOMPARE(rig.page->maximum(i)->text(), QString::number(s->maximum()));
            }
        }
    }

    void commitEdit_takesTheTypedValueAndKeepsTheFocus()
    {
        PageRig rig(1);
        QVERIFY(rig.active());
        rig.type(3, QStringLiteral("250"));
        rig.page->commitEdit();
        QCOMPARE(rig.st().TransientPercent[3], qint16(250));
        QVERIFY(rig.flag());
        QVERIFY(rig.box(3)->hasFocus());
        QVERIFY(rig.page->highlight(3)->isVisible());
        QCOMPARE(rig.box(3)->text(), QStringLiteral("250"));
    }
};

QTEST_MAIN(TstValuePages)
#include "tst_valuepages.moc"
