#include <QLabel>
#include <QtTest>

#include "app/texts.h"
#include "link/widgets/visinf.h"
#include "ui/common/pictures.h"

Q_DECLARE_METATYPE(EcuIdentity)

namespace {

EcuIdentity sound()
{
    EcuIdentity id;
    id.FlagIdentificazione = 0;
    id.VersioneHw = 7;
    id.DataInstallazione = QDate(2003, 2, 28);
    id.DataRevisione = QDate(2004, 11, 5);
    id.TipoInstallazione = 1;
    id.Matricola = QStringLiteral("ab12cd34");
    id.Lotto = QStringLiteral("lt0099");
    id.VersioneSoftware = QStringLiteral("ABCAA1234");
    id.VersioneTabella = QStringLiteral("07");
    id.VersioneCaricatore = QStringLiteral("LDR015678");
    return id;
}

QStringList shownValues(const VisInf &w)
{
    QStringList out;
    for (int i = 0; i < 9; ++i) {
        auto *l = w.findChild<QLabel *>(QStringLiteral("InfVis(%1)").arg(i));
        out << (l ? l->text() : QStringLiteral("<missing>"));
    }
    return out;
}

} // namespace

class TstVisInf : public QObject {
    Q_OBJECT
private slots:
    void rows_showTheIdentification_data();
    void rows_showTheIdentification();
    void captionsAndTitle_comeFromTheTextTable();
    void okAndEsc_close();
};

void TstVisInf::rows_showTheIdentification_data()
{
    FrameState it;
    it.LinguaCorrente = 1;
    QTest::addColumn<EcuIdentity>("ident");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("warning");   // text id, 0 for none

    const EcuIdentity ok = sound();
    QTest::newRow("sound") << ok
        << QStringList{"MOTOROLA-07", "28/02/2003", "05/11/2004", Testo(it.id(231)), "AB12CD34", "LT0099",
                       "ABCAA1234", "07", "LDR015678"}
        << 0;

    EcuIdentity standard = ok;
    standard.TipoInstallazione = 0;
    standard.VersioneHw = 12;
    QTest::newRow("standard, two-digit hardware") << standard
        << QStringList{"MOTOROLA-12", "28/02/2003", "05/11/2004", Testo(it.id(230)), "AB12CD34", "LT0099",
                       "ABCAA1234", "07", "LDR015678"}
        << 0;

    // 31st of February in the installation date and "05" as the installation type.
    EcuIdentity bad = ok;
    bad.FlagIdentificazione = 2 | 8;
    bad.DataInstallazione = QDate();
    bad.TipoInstallazione = 5;
    QTest::newRow("defective date and type") << bad
        << QStringList{"MOTOROLA-07", "", "05/11/2004", "", "AB12CD34", "LT0099", "ABCAA1234", "07", "LDR015678"}
        << 199;

    EcuIdentity allBad = ok;
    allBad.FlagIdentificazione = 1 | 2 | 4 | 8;
    allBad.VersioneHw = -1;
    allBad.DataInstallazione = QDate();
    allBad.DataRevisione = QDate();
    QTest::newRow("every check failed") << allBad
        << QStringList{"", "", "", "", "AB12CD34", "LT0099", "ABCAA1234", "07", "LDR015678"} << 199;

    // An old ECU: installation date 01/01/1900, no revision date, type -1.
    EcuIdentity old;
    old.VersioneHw = 2;
    old.DataInstallazione = QDate(1900, 1, 1);
    old.TipoInstallazione = -1;
    old.Matricola = QStringLiteral("m0000001");
    old.Lotto = QStringLiteral("l00001");
    old.VersioneSoftware = QStringLiteral("000123456");
    old.VersioneCaricatore = QStringLiteral("111AA2222");
    QTest::newRow("old identification") << old
        << QStringList{"MOTOROLA-02", "01/01/1900", "", "----------", "M0000001", "L00001", "000123456", "",
                       "111AA2222"}
        << 200;

    // A defect outranks the missing data transfer.
    EcuIdentity oldBad = old;
    oldBad.FlagIdentificazione = 4;
    QTest::newRow("defect and 1900 date") << oldBad
        << QStringList{"MOTOROLA-02", "01/01/1900", "", "----------", "M0000001", "L00001", "000123456", "",
                       "111AA2222"}
        << 199;
}

void TstVisInf::rows_showTheIdentification()
{
    QFETCH(EcuIdentity, ident);
    QFETCH(QStringList, values);
    QFETCH(int, warning);
    FrameState frame;
    frame.LinguaCorrente = 1;
    VisInf w(frame, ident);
    QCOMPARE(shownValues(w), values);
    auto *warn = w.findChild<QLabel *>("InfoVis");
    QVERIFY(warn);
    if (warning) {
        QVERIFY(!Testo(frame.id(warning)).isEmpty());
        QCOMPARE(warn->text(), Testo(frame.id(warning)));
    } else {
        QCOMPARE(warn->text(), QString());
    }
}

void TstVisInf::captionsAndTitle_comeFromTheTextTable()
{
    FrameState frame;
    frame.LinguaCorrente = 4;
    VisInf w(frame, sound());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 0; i < 9; ++i) {
        auto *c = w.findChild<QLabel *>(QStringLiteral("LabInfC(%1)").arg(i));
        QVERIFY(c);
        QVERIFY(!c->text().isEmpty());
        QCOMPARE(c->text(), Testo(3190 + i));
        // Captions stand left of their values, on the same row.
        auto *v = w.findChild<QLabel *>(QStringLiteral("InfVis(%1)").arg(i));
        QVERIFY(c->geometry().right() < v->geometry().left());
    }
    QVERIFY(Testo(3103).contains(QLatin1Char('&')));
    QCOMPARE(w.windowTitle(), Testo(3103).remove(QLatin1Char('&')));
    QCOMPARE(w.findChild<PictureButton *>("TastoOK")->normalId(), 3111);
}

void TstVisInf::okAndEsc_close()
{
    FrameState frame;
    VisInf w(frame, sound());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.findChild<PictureButton *>("TastoOK"), Qt::LeftButton);
    QVERIFY(!w.isVisible());

    w.show();
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());

    // Esc works only while the button could be pressed.
    w.show();
    w.findChild<PictureButton *>("TastoOK")->setEnabled(false);
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
}

QTEST_MAIN(TstVisInf)
#include "tst_visinf.moc"
