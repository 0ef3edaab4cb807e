#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <functional>

#include "mapeditor/widgets/valprog.h"
#include "ui/common/pictures.h"

namespace {

// Acts on the dialog the next exec opens; one left open is closed, so a failure cannot hang.
void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QPointer<QWidget> w = QApplication::activeModalWidget();
        if (w)
            action(w);
        if (w && w->isVisible())
            w->close();
    });
}

FrameState frameIn(int lingua)
{
    FrameState f;
    f.LinguaCorrente = quint8(lingua);
    return f;
}

}   // namespace

class TstValProg : public QObject {
    Q_OBJECT
private slots:
    void message_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<int>("lastSent");
        QTest::addColumn<QString>("text");
        const QString itMod = QStringLiteral("Ultimi valori inviati : valori modificati\n"
                                             "Quali valori vuoi programmare in memoria?");
        const QString itIni = QStringLiteral("Ultimi valori inviati : valori iniziali\n"
                                             "Quali valori vuoi programmare in memoria?");
        QTest::newRow("modified") << 1 << 0 << itMod;
        QTest::newRow("initial") << 1 << 1 << itIni;
        QTest::newRow("negative counts as initial") << 1 << -1 << itIni;
        QTest::newRow("after an image read") << 1 << 2 << itIni;
        QTest::newRow("English, modified")
            << 4 << 0
            << QStringLiteral("Last values sent : modified values\nWhich values do you want to program into memory?");
    }
    void message()
    {
        QFETCH(int, lingua);
        QFETCH(int, lastSent);
        const FrameState frame = frameIn(lingua);
        ValProg dlg(frame, lastSent);
        QTEST(dlg.Segnalazione()->text(), "text");
        QCOMPARE(dlg.windowTitle(), lingua == 1 ? QStringLiteral("ATTENZIONE!") : QStringLiteral("WARNING!"));
    }

    // Every way out of the dialog, through AskProgramChoice.
    void answer_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("expected");
        QTest::newRow("modified values") << "TastoProg(0)" << 0;
        QTest::newRow("initial values") << "TastoProg(1)" << 1;
        QTest::newRow("Esci") << "Esci" << -1;
        QTest::newRow("window frame") << "close" << -1;
        QTest::newRow("Esc") << "Escape" << -1;
        QTest::newRow("Enter on the focused first button") << "Enter" << 0;
        QTest::newRow("F1 chooses nothing, then Esc") << "F1" << -1;
    }
    void answer()
    {
        QFETCH(QString, how);
        QFETCH(int, expected);
        FrameState frame = frameIn(1);
        MapEditorState map;
        map.LastSentChoice = 0;
        // A previous answer must not survive a cancel.
        map.ProgramChoice = expected == -1 ? 1 : -1;
        QWidget owner;
        owner.show();
        bool seen = false;
        whenModal([&](QWidget *w) {
            auto *dlg = qobject_cast<ValProg *>(w);
            QVERIFY(dlg);
            seen = true;
            if (how == QLatin1String("close")) {
                dlg->close();
            } else if (how == QLatin1String("Escape")) {
                QTest::keyClick(dlg, Qt::Key_Escape);
            } else if (how == QLatin1String("Enter")) {
                QTest::keyClick(dlg, Qt::Key_Return);
            } else if (how == QLatin1String("F1")) {
                QTest::keyClick(dlg, Qt::Key_F1);
                QVERIFY(dlg->isVisible());
                QTest::keyClick(dlg, Qt::Key_Escape);
            } else {
                auto *b = dlg->findChild<PictureButton *>(how);
                QVERIFY(b && b->isVisible() && b->isEnabled());
                QTest::mouseClick(b, Qt::LeftButton);
            }
            QVERIFY(!dlg->isVisible());
        });
        QCOMPARE(AskProgramChoice(frame, map, &owner), expected);
        QVERIFY(seen);
        QCOMPARE(map.ProgramChoice, expected);
        QCOMPARE(map.LastSentChoice, qint16(0));   // only sending changes it
    }
};

QTEST_MAIN(TstValProg)
#include "tst_valprog.moc"
