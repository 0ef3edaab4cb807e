#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <algorithm>

#include "ui/common/dialogs.h"
#include "ui/common/messaggio.h"
#include "ui/common/pictures.h"

// Acts on the dialog the next ShowMessage opens; one left open is closed, so a failure cannot hang.
static void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QPointer<QWidget> w = QApplication::activeModalWidget();
        if (w)
            action(w);
        if (w && w->isVisible())
            w->close();
    });
}

class TstMessaggio : public QObject {
    Q_OBJECT
private slots:
    void buttonSet_showsItsButtonsInOrderAndAnswers_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("buttons");   // left to right, each with its answer
        QTest::addColumn<int>("refusal");       // the answer when closed without a button
        QTest::newRow("0 OK, error icon") << 16 << "OK:1" << 1;
        QTest::newRow("1 OK Cancel, information icon") << 65 << "OK:1 Cancel:2" << 2;
        QTest::newRow("2 Abort Retry Ignore") << 2 << "Abort:3 Retry:4 Ignore:5" << 3;
        QTest::newRow("3 Yes No Cancel") << 3 << "Yes:6 No:7 Cancel:2" << 2;
        QTest::newRow("4 Yes No") << 36 << "Yes:6 No:7" << 7;
        QTest::newRow("5 Retry Cancel") << 69 << "Retry:4 Cancel:2" << 2;
        QTest::newRow("6 Ricopri Continua Annulla") << 38 << "Ric:6 Cont:4 Ann:2" << 2;
        QTest::newRow("unknown set still offers OK") << 7 << "OK:1" << 1;
    }
    void buttonSet_showsItsButtonsInOrderAndAnswers()
    {
        QFETCH(int, flags);
        QFETCH(QString, buttons);
        QFETCH(int, refusal);
        FrameState frame;
        const QStringList set = buttons.split(' ');
        QStringList expected;
        for (const QString &b : set)
            expected << QStringLiteral("Tasto") + b.section(':', 0, 0);
        for (int pressed = 0; pressed < set.size(); ++pressed) {
            Messaggio dlg(frame);
            dlg.prepare(QStringLiteral("Messaggio di prova"), flags, QStringLiteral("Titolo"));
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QList<PictureButton *> row;   // the usable ones, left to right, in one row inside the dialog
            for (PictureButton *b : dlg.findChildren<PictureButton *>()) {
                QCOMPARE(b->isEnabled(), b->isVisible());
                if (b->isVisible())
                    row << b;
            }
            std::sort(row.begin(), row.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
            QStringList names;
            for (PictureButton *b : row) {
                names << b->objectName();
                QCOMPARE(b->y(), row[0]->y());
                QVERIFY(dlg.rect().contains(b->geometry()));
            }
            QCOMPARE(names, expected);
            QVERIFY(row[0]->y() >= dlg.findChild<QLabel *>("Segnalazione")->geometry().bottom());

            QTest::mouseClick(row[pressed], Qt::LeftButton);
            QVERIFY(!dlg.isVisible());
            const int answer = set[pressed].section(':', 1).toInt();
            QCOMPARE(dlg.answer(), answer);
            QCOMPARE(dlg.result(), answer);
        }
        // Closed from the window frame or with Esc.
        const std::function<void(QWidget *)> closers[] = {[](QWidget *w) { w->close(); },
                                                          [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); }};
        for (const auto &close : closers) {
            frame.MessageResult = -99;
            QString text;
            whenModal([&](QWidget *w) {
                text = w->findChild<QLabel *>("Segnalazione")->text();
                close(w);
            });
            QCOMPARE(ShowMessage(frame, nullptr, QStringLiteral("Testo"), flags, QStringLiteral("t")), refusal);
            QCOMPARE(frame.MessageResult, refusal);
            QCOMPARE(text, QStringLiteral("Testo"));
        }
    }

    void keyboardAndLockedWindow_stillAnswer()
    {
        FrameState frame;
        QWidget main;   // locked as while the wait dialog holds it
        main.show();
        main.setEnabled(false);
        whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });   // the first button has the focus
        QCOMPARE(ShowMessage(frame, &main, QStringLiteral("x"), 3, QStringLiteral("t")), 6);
        whenModal([](QWidget *w) { QTest::mouseClick(w->findChild<PictureButton *>("TastoNo"), Qt::LeftButton); });
        QCOMPARE(ShowMessage(frame, &main, QStringLiteral("x"), 36, QStringLiteral("t")), 7);
        QVERIFY(!main.isEnabled());
    }
};

QTEST_MAIN(TstMessaggio)
#include "tst_messaggio.moc"
