#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include "ui/common/dialogs.h"
#include "ui/common/messaggio.h"
#include "ui/common/pictures.h"

namespace {

const QStringList kAllButtons = {"TastoOK",   "TastoCancel", "TastoAbort", "TastoRetry", "TastoIgnore",
                                 "TastoYes",  "TastoNo",     "TastoRic",   "TastoCont",  "TastoAnn"};

// Runs `action` on the modal dialog as soon as the next ShowMessage has opened it;
// a dialog the action left open is closed, so a failure cannot hang the test.
void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QPointer<QWidget> w = QApplication::activeModalWidget();
        if (!w)
            return;
        action(w);
        if (w && w->isVisible()) {
            qWarning("the dialog was still open after the scripted action");
            w->close();
        }
    });
}

} // namespace

class TstMessaggio : public QObject {
    Q_OBJECT
private slots:
    void buttonSet_showsItsButtonsInOrderAndAnswers_data();
    void buttonSet_showsItsButtonsInOrderAndAnswers();
    void closedWithoutButton_answersTheRefusal_data();
    void closedWithoutButton_answersTheRefusal();
    void icon_followsFlags_data();
    void icon_followsFlags();
    void showMessage_returnsAndStoresTheClickedAnswer();
    void showMessage_centresOverTheMainWindow();
    void showMessage_overADisabledMainWindow_canBeAnswered();
    void buttonFaces_areOfTheCurrentLanguage();
    void enter_pressesTheFocusedButton();
    void unknownButtonSet_stillOffersOk();
};

void TstMessaggio::buttonSet_showsItsButtonsInOrderAndAnswers_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QList<int>>("answers");
    QTest::newRow("0 OK") << 0 << QStringList{"TastoOK"} << QList<int>{1};
    QTest::newRow("1 OK Cancel") << 1 << QStringList{"TastoOK", "TastoCancel"} << QList<int>{1, 2};
    QTest::newRow("2 Abort Retry Ignore") << 2 << QStringList{"TastoAbort", "TastoRetry", "TastoIgnore"}
                                          << QList<int>{3, 4, 5};
    QTest::newRow("3 Yes No Cancel") << 3 << QStringList{"TastoYes", "TastoNo", "TastoCancel"}
                                     << QList<int>{6, 7, 2};
    QTest::newRow("4 Yes No") << 36 << QStringList{"TastoYes", "TastoNo"} << QList<int>{6, 7};
    QTest::newRow("5 Retry Cancel") << 69 << QStringList{"TastoRetry", "TastoCancel"} << QList<int>{4, 2};
    QTest::newRow("6 Ricopri Continua Annulla") << 38 << QStringList{"TastoRic", "TastoCont", "TastoAnn"}
                                                << QList<int>{6, 4, 2};
}

void TstMessaggio::buttonSet_showsItsButtonsInOrderAndAnswers()
{
    QFETCH(int, flags);
    QFETCH(QStringList, buttons);
    QFETCH(QList<int>, answers);
    FrameState frame;

    for (int pressed = 0; pressed < buttons.size(); ++pressed) {
        Messaggio dlg(frame);
        dlg.prepare(QStringLiteral("Messaggio di prova"), flags, QStringLiteral("Titolo"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Titolo"));

        for (const QString &name : kAllButtons) {
            auto *b = dlg.findChild<PictureButton *>(name);
            QVERIFY2(b, qPrintable(name));
            const bool inSet = buttons.contains(name);
            QCOMPARE(b->isVisible(), inSet);
            QCOMPARE(b->isEnabled(), inSet);
        }
        // One row, left to right, centres at k/(n+1) of the inner width, all inside.
        const int n = int(buttons.size());
        int lastX = -1, rowY = -1;
        for (int k = 0; k < n; ++k) {
            auto *b = dlg.findChild<PictureButton *>(buttons[k]);
            const QRect g = b->geometry();
            QVERIFY2(g.x() > lastX, qPrintable(buttons[k]));
            lastX = g.x();
            if (rowY < 0)
                rowY = g.y();
            QCOMPARE(g.y(), rowY);
            QVERIFY(qAbs(g.center().x() - dlg.width() * (k + 1) / (n + 1)) <= 1);
            QVERIFY(dlg.rect().contains(g));
            if (k > 0)
                QVERIFY(!g.intersects(dlg.findChild<PictureButton *>(buttons[k - 1])->geometry()));
        }
        // Below the text.
        QVERIFY(rowY >= dlg.findChild<QLabel *>("Segnalazione")->geometry().bottom());

        QTest::mouseClick(dlg.findChild<PictureButton *>(buttons[pressed]), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.answer(), answers[pressed]);
        QCOMPARE(dlg.result(), answers[pressed]);
    }
}

void TstMessaggio::closedWithoutButton_answersTheRefusal_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("refusal");
    QTest::newRow("OK") << 16 << 1;
    QTest::newRow("OK Cancel") << 65 << 2;
    QTest::newRow("Abort Retry Ignore") << 2 << 3;
    QTest::newRow("Yes No Cancel") << 3 << 2;
    QTest::newRow("Yes No") << 36 << 7;
    QTest::newRow("Retry Cancel") << 5 << 2;
    QTest::newRow("Ricopri Continua Annulla") << 38 << 2;
}

void TstMessaggio::closedWithoutButton_answersTheRefusal()
{
    QFETCH(int, flags);
    QFETCH(int, refusal);
    FrameState frame;

    // From the window frame.
    whenModal([](QWidget *w) { w->close(); });
    QCOMPARE(ShowMessage(frame, nullptr, QStringLiteral("x"), flags, QStringLiteral("t")), refusal);
    QCOMPARE(frame.MessageResult, refusal);

    // With Esc.
    frame.MessageResult = -99;
    whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    QCOMPARE(ShowMessage(frame, nullptr, QStringLiteral("x"), flags, QStringLiteral("t")), refusal);
    QCOMPARE(frame.MessageResult, refusal);
}

void TstMessaggio::icon_followsFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("picture");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("error") << 16 << 5004;
    QTest::newRow("question") << 36 << 5006;
    QTest::newRow("question, archive buttons") << 38 << 5006;
    QTest::newRow("warning") << 48 << 5005;
    QTest::newRow("information") << 65 << 5007;
    QTest::newRow("unknown icon value") << 80 << 0;
}

void TstMessaggio::icon_followsFlags()
{
    QFETCH(int, flags);
    QFETCH(int, picture);
    FrameState frame;
    Messaggio dlg(frame);
    dlg.prepare(QStringLiteral("x"), flags, QStringLiteral("t"));
    dlg.show();
    auto *icon = dlg.findChild<QLabel *>("Immagine");
    QVERIFY(icon);
    if (!picture) {
        QVERIFY(!icon->isVisible());
        return;
    }
    QVERIFY(icon->isVisible());
    const QImage shown = icon->pixmap().toImage();
    QVERIFY(!shown.isNull());
    const QImage expected = Immagine(picture, icon->size(), icon->devicePixelRatioF()).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
    // The icon stands to the left of the text.
    QVERIFY(icon->geometry().right() < dlg.findChild<QLabel *>("Segnalazione")->geometry().left());
}

void TstMessaggio::showMessage_returnsAndStoresTheClickedAnswer()
{
    FrameState frame;
    QString seenText, seenTitle;
    whenModal([&](QWidget *w) {
        seenText = w->findChild<QLabel *>("Segnalazione")->text();
        seenTitle = w->windowTitle();
        QTest::mouseClick(w->findChild<PictureButton *>("TastoCont"), Qt::LeftButton);
    });
    QCOMPARE(ShowMessage(frame, nullptr, QStringLiteral("File gia' esistente"), 38, QStringLiteral("ATTENZIONE!")), 4);
    QCOMPARE(frame.MessageResult, 4);
    QCOMPARE(seenText, QStringLiteral("File gia' esistente"));
    QCOMPARE(seenTitle, QStringLiteral("ATTENZIONE!"));
}

void TstMessaggio::showMessage_centresOverTheMainWindow()
{
    FrameState frame;
    QWidget main;
    main.setGeometry(100, 80, 900, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto *child = new QWidget(&main);   // callers may pass any widget of the main window
    QPoint centre;
    QPointer<QWidget> parentSeen;
    whenModal([&](QWidget *w) {
        centre = w->frameGeometry().center();
        parentSeen = w->parentWidget();
        QTest::mouseClick(w->findChild<PictureButton *>("TastoOK"), Qt::LeftButton);
    });
    ShowMessage(frame, child, QStringLiteral("x"), 64, QStringLiteral("t"));
    QCOMPARE(parentSeen.data(), &main);
    QVERIFY2((centre - main.frameGeometry().center()).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
}

void TstMessaggio::showMessage_overADisabledMainWindow_canBeAnswered()
{
    // As while the wait dialog holds the main window.
    FrameState frame;
    QWidget main;
    main.show();
    main.setEnabled(false);
    whenModal([](QWidget *w) { QTest::mouseClick(w->findChild<PictureButton *>("TastoNo"), Qt::LeftButton); });
    QCOMPARE(ShowMessage(frame, &main, QStringLiteral("x"), 36, QStringLiteral("t")), 7);
    QVERIFY(!main.isEnabled());
}

void TstMessaggio::buttonFaces_areOfTheCurrentLanguage()
{
    FrameState frame;
    frame.LinguaCorrente = 3;
    Messaggio dlg(frame);
    auto *ok = dlg.findChild<PictureButton *>("TastoOK");
    QCOMPARE(ok->normalId(), 2111);
    QCOMPARE(ok->pressedId(), 2111);
    QCOMPARE(ok->disabledId(), 2112);
    auto *ric = dlg.findChild<PictureButton *>("TastoRic");
    QCOMPARE(ric->normalId(), 2139);
    QCOMPARE(ric->disabledId(), 2140);
}

void TstMessaggio::enter_pressesTheFocusedButton()
{
    FrameState frame;
    // The first button has the focus; Right moves it along the row.
    whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });
    QCOMPARE(ShowMessage(frame, nullptr, QStringLiteral("x"), 3, QStringLiteral("t")), 6);
    whenModal([](QWidget *w) {
        QTest::keyClick(w->focusWidget(), Qt::Key_Right);
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(ShowMessage(frame, nullptr, QStringLiteral("x"), 3, QStringLiteral("t")), 7);
}

void TstMessaggio::unknownButtonSet_stillOffersOk()
{
    FrameState frame;
    Messaggio dlg(frame);
    dlg.prepare(QStringLiteral("x"), 7, QStringLiteral("t"));
    dlg.show();
    const QList<PictureButton *> shown = dlg.shownButtons();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first()->objectName(), QStringLiteral("TastoOK"));
    QVERIFY(shown.first()->isVisible());
}

QTEST_MAIN(TstMessaggio)
#include "tst_messaggio.moc"
