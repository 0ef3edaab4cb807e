#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include "app/texts.h"
#include "ui/common/attesa.h"
#include "ui/common/dialogs.h"
#include "ui/common/infor.h"
#include "ui/common/pictures.h"

namespace {

bool hourglass()
{
    const QCursor *c = QApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

} // namespace

class TstAttesaInfor : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void open_holdsTheMainWindowUntilTheOperationEnds();
    void failure_okClosesAndGivesTheMainWindowBack();
    void closeByCode_restoresEverythingOnce();
    void reopen_hidesOkAgainAndDoesNotStackTheCursor();

    void versionText_hasTwoDigitMinor_data();
    void versionText_hasTwoDigitMinor();
    void about_showsVersionTitleAndCaption();
    void about_closesWithOkAndEsc();

private:
    QWidget *m_main = nullptr;
    FrameState m_frame;
};

void TstAttesaInfor::init()
{
    m_main = new QWidget;
    m_main->setGeometry(50, 50, 800, 600);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
}

void TstAttesaInfor::cleanup()
{
    delete m_main;
    m_main = nullptr;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void TstAttesaInfor::open_holdsTheMainWindowUntilTheOperationEnds()
{
    Attesa w(m_frame, m_main);
    QVERIFY(!w.isOpen());
    w.openWait(QStringLiteral("INIZIALIZZAZIONE SISTEMA"), QStringLiteral("Attendere ..."));
    QVERIFY(w.isOpen());
    QVERIFY(w.isVisible());
    QVERIFY(!w.isModal());
    QCOMPARE(w.windowTitle(), QStringLiteral("INIZIALIZZAZIONE SISTEMA"));
    QCOMPARE(w.findChild<QLabel *>("Segnalazione")->text(), QStringLiteral("Attendere ..."));
    QVERIFY(!m_main->isEnabled());
    QVERIFY(w.isEnabled());
    QVERIFY(hourglass());
    auto *ok = w.findChild<PictureButton *>("TastoOK");
    QVERIFY(ok);
    QVERIFY(!ok->isVisible());
    QVERIFY(!ok->isEnabled());

    // Neither Esc nor the window frame ends a running operation.
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QVERIFY(!w.close());
    QVERIFY(w.isOpen());
    QVERIFY(!m_main->isEnabled());

    w.setLabel(QStringLiteral("Inizializzazione del sistema interrotta!"));
    QCOMPARE(w.findChild<QLabel *>("Segnalazione")->text(), QStringLiteral("Inizializzazione del sistema interrotta!"));
}

void TstAttesaInfor::failure_okClosesAndGivesTheMainWindowBack()
{
    Attesa w(m_frame, m_main);
    QSignalSpy closed(&w, &Attesa::closed);
    w.openWait(QStringLiteral("c"), QStringLiteral("l"));
    w.showOk();
    auto *ok = w.findChild<PictureButton *>("TastoOK");
    QVERIFY(ok->isVisible());
    QVERIFY(ok->isEnabled());
    QVERIFY(w.isOpen());
    QVERIFY(!m_main->isEnabled());   // still no input until the user has read it

    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.isOpen());
    QVERIFY(m_main->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(closed.count(), 1);
}

void TstAttesaInfor::closeByCode_restoresEverythingOnce()
{
    {
        Attesa w(m_frame, m_main);
        QSignalSpy closed(&w, &Attesa::closed);
        w.openWait(QStringLiteral("c"), QStringLiteral("l"));
        w.closeWait();
        w.closeWait();   // a second close must not unbalance anything
        QVERIFY(!w.isVisible());
        QVERIFY(m_main->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(closed.count(), 1);
        // Destroyed while open: the pointer must not stay an hourglass.
        w.openWait(QStringLiteral("c"), QStringLiteral("l"));
        QVERIFY(hourglass());
    }
    QVERIFY(!QApplication::overrideCursor());
}

void TstAttesaInfor::reopen_hidesOkAgainAndDoesNotStackTheCursor()
{
    Attesa w(m_frame, m_main);
    w.openWait(QStringLiteral("c"), QStringLiteral("l"));
    w.showOk();
    w.openWait(QStringLiteral("PROGRAMMAZIONE CENTRALINA"), QStringLiteral("Invio ..."));
    auto *ok = w.findChild<PictureButton *>("TastoOK");
    QVERIFY(!ok->isVisible());
    QVERIFY(!ok->isEnabled());
    w.openWait(QStringLiteral("again"), QStringLiteral("l"));
    QVERIFY(hourglass());
    w.closeWait();
    QVERIFY(!QApplication::overrideCursor());
}

void TstAttesaInfor::versionText_hasTwoDigitMinor_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.05") << 1 << 5 << "1.05";
    QTest::newRow("1.00") << 1 << 0 << "1.00";
    QTest::newRow("2.12") << 2 << 12 << "2.12";
    QTest::newRow("10.99") << 10 << 99 << "10.99";
}

void TstAttesaInfor::versionText_hasTwoDigitMinor()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, text);
    QCOMPARE(VersionText(major, minor), text);
}

void TstAttesaInfor::about_showsVersionTitleAndCaption()
{
    for (quint8 lingua : {quint8(1), quint8(4)}) {
        FrameState frame;
        frame.LinguaCorrente = lingua;
        Infor box(frame, m_main);
        const QString title = Testo(frame.id(307));
        QVERIFY(!title.isEmpty());
        QCOMPARE(box.windowTitle(), Testo(frame.id(305)).trimmed() + QLatin1Char(' ') + title.trimmed());
        QCOMPARE(box.findChild<QLabel *>("lblTitle")->text(), title);
        // Text 306 keeps its blank before the version.
        const QString version = box.findChild<QLabel *>("lblVersion")->text();
        QVERIFY(version.startsWith(Testo(frame.id(306))));
        QVERIFY(Testo(frame.id(306)).endsWith(QLatin1Char(' ')));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d$"))
                    .match(version.mid(Testo(frame.id(306)).size())).hasMatch());
        QCOMPARE(box.findChild<QLabel *>("lblDescription")->text(), QString());
        QVERIFY(box.findChild<QLabel *>("lblDisclaimer"));
        QVERIFY(!box.findChild<QLabel *>("picIcon")->pixmap().isNull());
    }
}

void TstAttesaInfor::about_closesWithOkAndEsc()
{
    Infor box(m_frame, m_main);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.findChild<PictureButton *>("cmdOK"), Qt::LeftButton);
    QVERIFY(!box.isVisible());

    box.show();
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());
}

QTEST_MAIN(TstAttesaInfor)
#include "tst_attesa_infor.moc"
