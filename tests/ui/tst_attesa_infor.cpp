#include <QApplication>
#include <QLabel>
#include <QtTest>

#include "app/texts.h"
#include "ui/common/attesa.h"
#include "ui/common/dialogs.h"
#include "ui/common/infor.h"
#include "ui/common/pictures.h"

static bool hourglass()
{
    const QCursor *c = QApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

class TstAttesaInfor : public QObject {
    Q_OBJECT
private slots:
    void init() { m_main.show(); }
    void cleanup()
    {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
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
            QVERIFY(!m_main.isEnabled() && hourglass());
            QVERIFY(!ok->isVisible() && !ok->isEnabled());
            // Neither Esc nor the window frame ends a running operation.
            QTest::keyClick(&w, Qt::Key_Escape);
            QVERIFY(!w.close());
            QVERIFY(w.isVisible() && w.isOpen());

            w.setLabel(QStringLiteral("Interrotta!"));
            w.showOk();
            QCOMPARE(w.findChild<QLabel *>("Segnalazione")->text(), QStringLiteral("Interrotta!"));
            QVERIFY(ok->isVisible() && ok->isEnabled());
            QVERIFY(!m_main.isEnabled());   // no input until the fitter has read it
            QTest::mouseClick(ok, Qt::LeftButton);
            w.closeWait();   // closing again unbalances nothing
            QVERIFY(!w.isVisible() && !w.isOpen());
            QVERIFY(m_main.isEnabled() && !QApplication::overrideCursor());
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

private:
    QWidget m_main;
    FrameState m_frame;
};

QTEST_MAIN(TstAttesaInfor)
#include "tst_attesa_infor.moc"
