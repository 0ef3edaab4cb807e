#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/sceltalingua.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/texts.h"
#include "support/fakelinkui.h"
#include "ui/common/pictures.h"

class TstSceltaLingua : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeLinkUi> m_sink;
    std::unique_ptr<SceltaLingua> m_dlg;
    FrameState m_frame;

    QString iniPath() const { return m_frame.file(QStringLiteral("KALIBRON.INI")); }
    QString stored() const { return Profile::read(iniPath(), "IMPOSTAZIONI", "Lingua", QString()); }
    PictureButton *button(const QString &name) { return m_dlg->findChild<PictureButton *>(name); }
    PictureButton *lingua(int i) { return button(QStringLiteral("Lingua(%1)").arg(i)); }

    void open(int current)
    {
        m_frame.LinguaCorrente = quint8(current);
        m_frame.LinguaScelta = 0;
        m_dlg = std::make_unique<SceltaLingua>(m_frame, nullptr, m_sink.get());
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_sink = std::make_unique<FakeLinkUi>();
        m_frame = FrameState{};
        m_frame.PercorsoApp = m_dir->path();
    }
    void cleanup() { m_dlg.reset(); }

    void opening_checksTheCurrentLanguageCaptionedInIt_data()
    {
        QTest::addColumn<int>("current");
        for (int l = 1; l <= 4; ++l)
            QTest::addRow("language %d", l) << l;
    }
    void opening_checksTheCurrentLanguageCaptionedInIt()
    {
        QFETCH(int, current);
        open(current);
        QCOMPARE(int(m_frame.LinguaScelta), current);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(lingua(i)->isChecked(), i == current - 1);
            QCOMPARE(lingua(i)->text(), TestoL(186 + i, current));
        }
    }

    void noChange_writesNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("current one confirmed") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("Esci") << 2;
        QTest::newRow("window frame") << 3;
    }
    void noChange_writesNothing()
    {
        QFETCH(int, how);
        open(2);
        QTest::mouseClick(lingua(2), Qt::LeftButton);
        QCOMPARE(int(m_frame.LinguaScelta), 3);
        if (how == 0) {
            QTest::mouseClick(lingua(1), Qt::LeftButton);
            QTest::mouseClick(button("Scegli"), Qt::LeftButton);
        } else if (how == 1) {
            QTest::keyClick(lingua(2), Qt::Key_Escape);
        } else if (how == 2) {
            QTest::mouseClick(button("Esci"), Qt::LeftButton);
        } else {
            m_dlg->close();
        }
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(int(m_frame.LinguaScelta), 2);
        QVERIFY(!QFile::exists(iniPath()));
        QVERIFY(m_sink->messages.isEmpty());
    }

    void change_storesItAndWarnsInTheOldLanguage()
    {
        open(1);
        QTest::mouseClick(lingua(2), Qt::LeftButton);
        QTest::mouseClick(button("Scegli"), Qt::LeftButton);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(int(m_frame.LinguaScelta), 3);
        QCOMPARE(int(m_frame.LinguaCorrente), 1);   // the running program keeps its language
        QCOMPARE(stored(), QStringLiteral("3"));
        QCOMPARE(m_sink->messages.size(), 1);
        const FakeLinkUi::Message &m = m_sink->messages.first();
        QCOMPARE(m.text, Testo(185));   // Italian, not Polish
        QCOMPARE(m.title, Testo(170));
        QCOMPARE(m.flags, 48);
        QCOMPARE(m.position, 4);
        QCOMPARE(m_sink->beeps, 1);
        FrameState next;
        next.PercorsoApp = m_frame.PercorsoApp;
        LeggiLingua(next);
        QCOMPARE(int(next.LinguaCorrente), 3);
    }

    void altFunctionKey_chooses_f1Confirms_data()
    {
        QTest::addColumn<int>("chosen");
        for (int l = 1; l <= 4; ++l)
            QTest::addRow("Alt+F%d", l) << l;
    }
    void altFunctionKey_chooses_f1Confirms()
    {
        QFETCH(int, chosen);
        const int current = chosen == 4 ? 1 : 4;
        open(current);
        QTest::keyClick(m_dlg->focusWidget(), Qt::Key(Qt::Key_F1 + chosen - 1), Qt::AltModifier);
        QVERIFY(m_dlg->isVisible());
        QVERIFY(lingua(chosen - 1)->isChecked());
        QVERIFY(!QFile::exists(iniPath()));
        QTest::keyClick(m_dlg->focusWidget(), Qt::Key_F1);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(stored(), QString::number(chosen));
        QCOMPARE(m_sink->messages.value(0).text, TestoL(185, current));
    }

    void storeFailure_keepsTheProgramRunning()
    {
        QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_frame.PercorsoApp = blocker.fileName() + QStringLiteral("/app");
        open(4);
        QTest::mouseClick(lingua(0), Qt::LeftButton);
        QTest::mouseClick(button("Scegli"), Qt::LeftButton);
        QCOMPARE(int(m_frame.LinguaScelta), 4);   // nothing stored: the opener must not end the program
        QCOMPARE(m_sink->messages.size(), 1);
        QCOMPARE(m_sink->messages.first().flags, 16);
        QCOMPARE(m_sink->messages.first().text, Testo(3335));
    }
};

QTEST_MAIN(TstSceltaLingua)
#include "tst_sceltalingua.moc"
