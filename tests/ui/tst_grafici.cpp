#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/widgets/boxdati.h"
#include "mapeditor/mapmodel.h"
#include "mapeditor/widgets/cutpage.h"
#include "mapeditor/widgets/grafici.h"
#include "mapeditor/widgets/mappingpage.h"
#include "mapeditor/widgets/switchpage.h"
#include "mapeditor/widgets/transientpage.h"
#include "ui/common/pictures.h"

namespace {

struct EditorRig : MessageSink {
    QTemporaryDir dir;
    FrameState frame;
    LiveState live;
    ChartModel chart{live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))};
    MapModel map;
    QMdiArea area;
    Grafici *g = nullptr;
    QStringList asked;
    int answer = 7;
    int beeps = 0;

    explicit EditorRig(bool enabled = false, int lingua = 4)
    {
        frame.LinguaCorrente = quint8(lingua);
        frame.PercorsoApp = dir.path();
        InitLiveChannels(live, frame.LinguaCorrente);
        map.AssignParameterRecords(0);
        map.ResetMapEditorState();
        g = new Grafici(frame, live, chart, map, *this);
        area.addSubWindow(g);
        g->showMaximized();
        area.resize(1200, 720);
        area.show();
        g->setEditorEnabled(enabled);
    }
    int showMessage(const QString &text, int flags, const QString &title, int) override
    {
        asked << QStringLiteral("%1|%2|%3").arg(text, title).arg(flags);
        return answer;
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override { ++beeps; }
    bool laidOut()
    {
        return QTest::qWaitFor([this] { return !g->Ridimensiono().isActive(); });
    }
};

}   // namespace

class TstGrafici : public QObject {
    Q_OBJECT
private slots:
    void keysAndPageButtons_actOnlyWhenTheEditorIsEnabled()
    {
        EditorRig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.area));
        QSignalSpy applica(rig.g, &Grafici::applicaClicked);
        QSignalSpy memor(rig.g, &Grafici::memorClicked);
        QSignalSpy azzero(rig.g->Azzero(), &QAbstractButton::clicked);
        QSignalSpy connectKey(rig.g, &Grafici::connectKey);
        QSignalSpy disconnectKey(rig.g, &Grafici::disconnectKey);
        QTest::keyClick(rig.g, Qt::Key_F8);
        QCOMPARE(rig.g->currentPage(), 0);
        rig.g->Cartelle()->setCurrentIndex(1);   // before the ECU is ready the page's buttons show greyed
        QVERIFY(rig.g->Applica(0)->isVisibleTo(rig.g) && !rig.g->Cartelle()->tabBar()->isEnabled());
        for (Qt::Key k : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F8, Qt::Key_Z})
            QTest::keyClick(rig.g, k, Qt::ControlModifier);
        QCOMPARE(applica.size() + memor.size() + azzero.size(), 0);

        rig.g->setEditorEnabled(true);
        for (int page : {3, 2, 1, 0}) {
            QTest::keyClick(rig.g, Qt::Key(Qt::Key_F6 + page));
            QCOMPARE(rig.g->currentPage(), page);
            for (PictureButton *b : {rig.g->Applica(0), rig.g->Applica(1), rig.g->Memor()})
                QCOMPARE(std::pair(b->isVisibleTo(rig.g), b->isEnabled()), std::pair(page != 0, page != 0));
            QCOMPARE(std::pair(rig.g->Memor1()->isVisibleTo(rig.g), rig.g->Memor1()->isEnabled()),
                     std::pair(page == 0, page == 0));
            if (page != 0)   // the focus goes to the page's field 0
                QCOMPARE(rig.area.focusWidget(), rig.g->valuePage(page)->field(0));
        }
        QTest::keyClick(rig.g, Qt::Key_F8, Qt::ControlModifier);   // `Memor` does not act on the mapping page
        QCOMPARE(memor.size(), 0);
        // Not even an editable box with the focus keeps Ctrl+Z for itself.
        QLineEdit *box = rig.g->mappingPage()->DeltaP(0);
        box->setReadOnly(false);
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(azzero.size(), 1);

        QTest::keyClick(rig.g, Qt::Key_F8);
        // A value typed and not yet left is the value sent.
        QTRY_COMPARE(rig.area.focusWidget(), rig.g->switchPage()->ValCom(0));
        QTest::keyClicks(rig.area.focusWidget(), QStringLiteral("45"));
        for (Qt::Key k : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F8, Qt::Key_F1, Qt::Key_F10})
            QTest::keyClick(rig.area.focusWidget(), k, Qt::ControlModifier);
        QCOMPARE(rig.map.state().SwitchValue[0], 45.0);
        QCOMPARE(rig.area.focusWidget(), rig.g->switchPage()->ValCom(0));
        QCOMPARE(applica, (QList<QVariantList>{{0}, {1}}));   // the page's first and second Applica
        QCOMPARE(memor.size(), 1);
        QCOMPARE(connectKey.size(), 1);   // the main window knows whether its buttons allow them
        QCOMPARE(disconnectKey.size(), 1);
    }

    void clearValueBoxColours_whitensThatPageOnly_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("F7") << 1;
        QTest::newRow("F8") << 2;
        QTest::newRow("F9") << 3;
    }
    void clearValueBoxColours_whitensThatPageOnly()
    {
        QFETCH(int, page);
        EditorRig rig(true);
        auto boxesOf = [&](int p) { return rig.g->valuePage(p)->findChildren<QLineEdit *>(); };
        auto base = [](QLineEdit *box) { return box->palette().color(QPalette::Base); };
        for (int p = 1; p <= 3; ++p)   // every value of every page away from the one read
            for (QSlider *s : rig.g->valuePage(p)->findChildren<QSlider *>())
                s->setValue(s->value() == s->minimum() ? s->maximum() : s->minimum());
        rig.g->clearValueBoxColours(page);
        for (int p = 1; p <= 3; ++p) {
            for (QLineEdit *box : boxesOf(p))
                QCOMPARE(base(box), p == page ? QColor(Qt::white) : ValuePage::modifiedColour());
            QVERIFY(rig.map.state().PageModified[p]);   // the flags stay
        }
        rig.g->FillMapEditor();   // every page again from the editor data
        for (int p = 1; p <= 3; ++p) {
            for (QLineEdit *box : boxesOf(p))
                QCOMPARE(base(box), QColor(Qt::white));
            QVERIFY(!rig.map.state().PageModified[p]);
        }
    }

    // Every language at a large and a small window: each value page's content is centred across its tab
    // and inside it, the buttons clear of the logo, and no caption is cut.
    void valuePages_fitTheirTabInEveryLanguage_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QSize>("size");
        for (int lingua = 1; lingua <= 4; ++lingua) {
            QTest::addRow("language %d, 1280x800", lingua) << lingua << QSize(1280, 800);
            QTest::addRow("language %d, 900x560", lingua) << lingua << QSize(900, 560);
        }
    }
    void valuePages_fitTheirTabInEveryLanguage()
    {
        QFETCH(int, lingua);
        QFETCH(QSize, size);
        EditorRig rig(true, lingua);
        MapEditorState &st = rig.map.edit();   // as read from an ECU, shown when the window is laid out
        st.SwitchInitial = {25, 40, 8, 30, -2};
        st.CutSlots[0].Value = 1800;
        st.CutSlots[1].Value = -45;
        st.CutSlots[2].Value = 120;
        st.CutInitial[0] = st.CutValue[0] = 1800;
        QVERIFY(rig.laidOut());
        rig.area.resize(size);
        QTRY_COMPARE(rig.g->widget()->size(), rig.area.viewport()->size());
        const int H = rig.g->widget()->height();
        // Buttons and logo in the strip under the pages, inside the window, not on top of each other.
        const QRect pages = rig.g->Cartelle()->geometry(), logo = rig.g->logo()->geometry();
        const QRect memor1 = rig.g->Memor1()->geometry(), memor = rig.g->Memor()->geometry();
        QVERIFY(memor1.top() > pages.bottom() && memor1.bottom() < H);
        QVERIFY(!memor1.intersects(logo) && !memor.intersects(logo));
        QVERIFY(!rig.g->Applica(1)->geometry().intersects(memor) && logo.right() <= pages.right() + 1);
        rig.g->transientPage()->BarraTra(1)->setValue(130);   // a modified value of each page
        rig.g->switchPage()->BarraCom(2)->setValue(12);
        rig.g->cutPage()->I_Standard()->click();   // the longer red heading, the threshold at 2000
        for (int tab = 1; tab <= 3; ++tab) {
            rig.g->Cartelle()->setCurrentIndex(tab);
            ValuePage *page = rig.g->valuePage(tab);
            QTRY_VERIFY(page->isVisible());
            QApplication::processEvents();
            const QRect content = page->content()->geometry();
            QVERIFY(page->rect().contains(content));
            QVERIFY(qAbs(content.left() - (page->width() - 1 - content.right())) <= 1);
            const auto labels = page->content()->findChildren<QWidget *>();
            for (QWidget *w : labels) {
                if (!w->isVisible() || !(qobject_cast<QLabel *>(w) || qobject_cast<QCheckBox *>(w)))
                    continue;
                QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
                const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
                QVERIFY2(page->rect().contains(r), qPrintable(w->objectName()));
            }
        }
        rig.g->showNormal();
        QTRY_VERIFY(rig.g->isMaximized());
    }

    void leavingEditedMapping_asksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("storeStarts");   // -1: no store yet, 0: cannot start, 1: starts
        QTest::addColumn<int>("landsOn");
        QTest::addColumn<bool>("typed");   // a percentage typed and not left is the edit; the tab clicked
        QTest::newRow("no") << int(kAnswerNo) << 1 << 2 << false;
        QTest::newRow("no, percentage not yet left") << int(kAnswerNo) << 1 << 2 << true;
        QTest::newRow("dialog closed") << int(kAnswerCancel) << 1 << 2 << false;
        QTest::newRow("yes, store starts") << int(kAnswerYes) << 1 << 2 << false;
        QTest::newRow("yes, store cannot start") << int(kAnswerYes) << 0 << 0 << false;
        QTest::newRow("yes, nothing to store with") << int(kAnswerYes) << -1 << 0 << false;
    }
    void leavingEditedMapping_asksFirst()
    {
        QFETCH(int, answer);
        QFETCH(int, storeStarts);
        QFETCH(bool, typed);
        EditorRig rig(true);
        int stores = 0;
        if (storeStarts >= 0)
            rig.g->setF6StoreHandler([&] {
                ++stores;
                return storeStarts == 1;
            });
        rig.answer = answer;
        if (typed) {
            QVERIFY(QTest::qWaitForWindowActive(&rig.area) && rig.laidOut());
            QLineEdit *b = rig.g->mappingPage()->DeltaP(1);
            QTest::mouseClick(b, Qt::LeftButton);
            QVERIFY(b->hasFocus());
            QTest::keyClick(b, Qt::Key_Space);
            QTest::keyClicks(b, QStringLiteral("115"));
            QVERIFY(!rig.map.state().PageModified[0]);
            QTabBar *tabs = rig.g->Cartelle()->tabBar();
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
            QCOMPARE(rig.map.state().DeltaFlow[1], 115.0);
        } else {
            rig.map.edit().PageModified[0] = true;
            rig.g->Cartelle()->setCurrentIndex(2);
        }
        QCOMPARE(rig.asked,
                 QStringList{Testo(rig.frame.id(TextId::LeaveEditedMapping)) + '|'
                             + Testo(rig.frame.id(TextId::TitleWarning)) + '|' + QString::number(kQuestionYesNo)});
        QCOMPARE(rig.beeps, 1);
        QTEST(rig.g->currentPage(), "landsOn");
        QCOMPARE(stores, answer == kAnswerYes && storeStarts >= 0 ? 1 : 0);
        QVERIFY(rig.map.state().PageModified[0]);   // the edits stay
        rig.g->Cartelle()->setCurrentIndex(0);      // coming back never asks
        QCOMPARE(rig.asked.size(), 1);
    }
};

QTEST_MAIN(TstGrafici)
#include "tst_grafici.moc"
