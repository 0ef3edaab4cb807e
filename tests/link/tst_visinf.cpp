#include <QLabel>
#include <QtTest>

#include "app/texts.h"
#include "link/widgets/visinf.h"

Q_DECLARE_METATYPE(EcuIdentity)

class TstVisInf : public QObject {
    Q_OBJECT
private slots:
    void rows_showTheIdentification_data()
    {
        QTest::addColumn<EcuIdentity>("ident");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("warning");   // text id, 0 for none
        FrameState it;
        it.LinguaCorrente = 1;
        EcuIdentity sound;
        sound.VersioneHw = 7;
        sound.DataInstallazione = QDate(2003, 2, 28);
        sound.DataRevisione = QDate(2004, 11, 5);
        sound.TipoInstallazione = 1;
        sound.Matricola = QStringLiteral("ab12cd34");
        sound.Lotto = QStringLiteral("lt0099");
        sound.VersioneSoftware = QStringLiteral("ABCAA1234");
        sound.VersioneTabella = QStringLiteral("07");
        sound.VersioneCaricatore = QStringLiteral("LDR015678");
        const QStringList tail{"AB12CD34", "LT0099", "ABCAA1234", "07", "LDR015678"};
        QTest::newRow("sound") << sound
                               << QStringList{"MOTOROLA-07", "28/02/2003", "05/11/2004", Testo(it.id(231))} + tail << 0;

        // 31st of February, "05" as the type and so on: every check failed.
        EcuIdentity bad = sound;
        bad.FlagIdentificazione = 1 | 2 | 4 | 8;
        bad.DataInstallazione = QDate();
        QTest::newRow("defective") << bad << QStringList{"", "", "", ""} + tail << 199;

        // An old ECU: installed 01/01/1900, no revision date, type -1.
        EcuIdentity old = sound;
        old.VersioneHw = 2;
        old.DataInstallazione = QDate(1900, 1, 1);
        old.DataRevisione = QDate();
        old.TipoInstallazione = -1;
        QTest::newRow("old identification")
            << old << QStringList{"MOTOROLA-02", "01/01/1900", "", "----------"} + tail << 200;
    }
    void rows_showTheIdentification()
    {
        QFETCH(EcuIdentity, ident);
        QFETCH(QStringList, values);
        QFETCH(int, warning);
        FrameState frame;
        frame.LinguaCorrente = 1;
        VisInf w(frame, ident);
        for (int i = 0; i < 9; ++i) {
            auto *value = w.findChild<QLabel *>(QStringLiteral("InfVis(%1)").arg(i));
            QVERIFY(value);
            QCOMPARE(value->text(), values[i]);
        }
        auto *warn = w.findChild<QLabel *>(QStringLiteral("InfoVis"));
        QVERIFY(warn && (!warning || !warn->text().isEmpty()));
        QCOMPARE(warn->text(), warning ? Testo(frame.id(warning)) : QString());
    }
};

QTEST_MAIN(TstVisInf)
#include "tst_visinf.moc"
