#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <algorithm>

#include "app/texts.h"
#include "ui/common/attesa.h"
#include "ui/common/dialogs.h"
#include "ui/common/infor.h"
#include "ui/common/messaggio.h"
#include "ui/common/pictures.h"

#include "support/modal.h"

static bool hourglass()
{
    const QCursor *c = QApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

// The common widgets: pictures, message boxes, the wait dialog and the about box.
class TestPictures : public QObject {
    Q_OBJECT
    QWidget m_main;
    FrameState m_frame;

private slots:
    void init()
    {
        m_main.setEnabled(true);
        m_main.show();
    }
    void cleanup()
    {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    void everyPicture_rendersAtOneAndTwiceThePixels_data()
    {
        QTest::addColumn<int>("id");
        for (int lang = 0; lang < 4; ++lang)
            for (int b = 101; b <= 142; ++b)
                QTest::addRow("%d", b + 1000 * lang) << b + 1000 * lang;
        for (int id : {5000, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 6000, 6001})
            QTest::addRow("%d", id) << id;
        for (int id = 7000; id <= 7007; ++id)
            QTest::addRow("%d", id) << id;
    }
    void everyPicture_rendersAtOneAndTwiceThePixels()
    {
        QFETCH(int, id);
        const QPixmap one = Immagine(id, QSize(), 1.0);
        const QPixmap two = Immagine(id, QSize(), 2.0);
        QVERIFY(!one.isNull());
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(two.deviceIndependentSize(), one.deviceIndependentSize());
        const QImage img = one.toImage();   // something is drawn: a fair part of the canvas is covered
        int covered = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                covered += img.pixelColor(x, y).alpha() > 0;
        QVERIFY2(covered > img.width() * img.height() / 10, qPrintable(QString::number(covered)));
        if (id < 5000 && id % 2)   // a button face: its greyed twin must look different
            QVERIFY(Immagine(id + 1, QSize(), 1.0).toImage() != img);
    }

    void pictureButton_paintsDisabledAndPressedDifferently()
    {
        PictureButton b;
        b.setFaceIds(3101, 3101, 3102);
        b.resize(112, 40);
        const QImage normal = b.grab().toImage();
        b.setEnabled(false);
        const QImage disabled = b.grab().toImage();
        b.setEnabled(true);
        b.setDown(true);
        const QImage pressed = b.grab().toImage();
        QVERIFY(disabled != normal && pressed != normal && pressed != disabled);
        QCOMPARE(normal.size(), QSize(112, 40) * b.devicePixelRatioF());
    }

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
            expected << "Tasto" + b.section(':', 0, 0);
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
        m_main.setEnabled(false);                                            // locked as while the wait dialog holds it
        whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });   // the first button has the focus
        QCOMPARE(ShowMessage(m_frame, &m_main, QStringLiteral("x"), 3, QStringLiteral("t")), 6);
        whenModal([](QWidget *w) { QTest::mouseClick(w->findChild<PictureButton *>("TastoNo"), Qt::LeftButton); });
        QCOMPARE(ShowMessage(m_frame, &m_main, QStringLiteral("x"), 36, QStringLiteral("t")), 7);
        QVERIFY(!m_main.isEnabled());
    }

    void wait_holdsTheMainWindowUntilOkOrClose()
    {
        {
            Attesa w(m_frame, &m_main);
            QSignalSpy closed(&w, &Attesa::closed);
            auto *ok = w.findChild<PictureButton *>("TastoOK");
            w.openWait(QStringLiteral("c"), QStringLiteral("l"));
            w.showOk();
            w.openWait(QStringLiteral("INIZIALIZZAZIONE SISTEMA"), QStringLiteral("Attendere ..."));   // hides OK
            QVERIFY(w.isOpen() && w.isVisible() && w.isEnabled());
            QCOMPARE(w.windowTitle(), QStringLiteral("INIZIALIZZAZIONE SISTEMA"));
            QVERIFY(!m_main.isEnabled() && hourglass() && !ok->isVisible() && !ok->isEnabled());
            // Neither Esc nor the window frame ends a running operation.
            QTest::keyClick(&w, Qt::Key_Escape);
            QVERIFY(!w.close() && w.isVisible() && w.isOpen());

            w.setLabel(QStringLiteral("Interrotta!"));
            w.showOk();
            QCOMPARE(w.findChild<QLabel *>("Segnalazione")->text(), QStringLiteral("Interrotta!"));
            QVERIFY(ok->isVisible() && ok->isEnabled());
            QVERIFY(!m_main.isEnabled());   // no input until the fitter has read it
            QTest::mouseClick(ok, Qt::LeftButton);
            w.closeWait();   // closing again unbalances nothing
            QVERIFY(!w.isVisible() && !w.isOpen() && m_main.isEnabled() && !QApplication::overrideCursor());
            QCOMPARE(closed.count(), 1);

            w.openWait(QStringLiteral("c"), QStringLiteral("l"));
            w.closeWait();
            QVERIFY(m_main.isEnabled() && !QApplication::overrideCursor());
            w.openWait(QStringLiteral("c"), QStringLiteral("l"));
        }
        QVERIFY(!QApplication::overrideCursor());   // destroyed while open
    }

    void about_showsTheVersionAndCloses()
    {
        QCOMPARE(VersionText(1, 5), QStringLiteral("1.05"));
        QCOMPARE(VersionText(10, 99), QStringLiteral("10.99"));
        m_frame.LinguaCorrente = 4;
        Infor box(m_frame, &m_main);
        const QString title = Testo(m_frame.id(307)), prefix = Testo(m_frame.id(306));
        QVERIFY(!title.isEmpty() && prefix.endsWith(' '));
        QCOMPARE(box.windowTitle(), Testo(m_frame.id(305)).trimmed() + QLatin1Char(' ') + title.trimmed());
        const QString version = box.findChild<QLabel *>("lblVersion")->text();
        QVERIFY(version.startsWith(prefix));
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d$")).match(version.mid(prefix.size())).hasMatch(),
                 qPrintable(version));

        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.findChild<PictureButton *>("cmdOK"), Qt::LeftButton);
        QVERIFY(!box.isVisible());
        box.show();
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
