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
private slots:
    void init();

    void opening_checksTheCurrentLanguage_data();
    void opening_checksTheCurrentLanguage();
    void confirmingTheCurrentLanguage_writesNothing();
    void choosingThenEscaping_writesNothing_data();
    void choosingThenEscaping_writesNothing();
    void change_storesItAndWarnsInTheOldLanguage();
    void altFunctionKeys_selectTheLanguages_data();
    void altFunctionKeys_selectTheLanguages();
    void f1_confirms();
    void storeFailure_keepsTheProgramRunning();

private:
    QString iniPath() const { return m_frame.file(QStringLiteral("KALIBRON.INI")); }
    PictureButton *lingua(SceltaLingua &dlg, int i)
    {
        return dlg.findChild<PictureButton *>(QStringLiteral("Lingua(%1)").arg(i));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeLinkUi> m_sink;
    FrameState m_frame;
};

void TstSceltaLingua::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_sink = std::make_unique<FakeLinkUi>();
    m_frame = FrameState{};
    m_frame.PercorsoApp = m_dir->path();
}

void TstSceltaLingua::opening_checksTheCurrentLanguage_data()
{
    QTest::addColumn<int>("current");
    for (int l = 1; l <= 4; ++l)
        QTest::addRow("language %d", l) << l;
}

void TstSceltaLingua::opening_checksTheCurrentLanguage()
{
    QFETCH(int, current);
    m_frame.LinguaCorrente = quint8(current);
    m_frame.LinguaScelta = 0;
    SceltaLingua dlg(m_frame, nullptr, m_sink.get());
    QCOMPARE(int(m_frame.LinguaScelta), current);
    for (int i = 0; i < 4; ++i) {
        PictureButton *b = lingua(dlg, i);
        QVERIFY(b);
        QCOMPARE(b->isChecked(), i == current - 1);
        // Captions in the dialog's language, pictures the same in all.
        QVERIFY(!b->text().isEmpty());
        QCOMPARE(b->text(), TestoL(186 + i, current));
        QCOMPARE(b->normalId(), 5000 + i);
    }
    QCOMPARE(dlg.findChild<PictureButton *>("Scegli")->normalId(), 101 + 1000 * (current - 1));
    QCOMPARE(dlg.findChild<PictureButton *>("Esci")->disabledId(), 104 + 1000 * (current - 1));
}

void TstSceltaLingua::confirmingTheCurrentLanguage_writesNothing()
{
    m_frame.LinguaCorrente = 2;
    SceltaLingua dlg(m_frame, nullptr, m_sink.get());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(lingua(dlg, 3), Qt::LeftButton);
    QTest::mouseClick(lingua(dlg, 1), Qt::LeftButton);   // back to the current one
    QTest::mouseClick(dlg.findChild<PictureButton *>("Scegli"), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(int(m_frame.LinguaScelta), 2);
    QVERIFY(!QFile::exists(iniPath()));
    QVERIFY(m_sink->messages.isEmpty());
    QCOMPARE(m_sink->beeps, 0);
}

void TstSceltaLingua::choosingThenEscaping_writesNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Escape") << 0;
    QTest::newRow("Esci") << 1;
    QTest::newRow("window frame") << 2;
}

void TstSceltaLingua::choosingThenEscaping_writesNothing()
{
    QFETCH(int, how);
    m_frame.LinguaCorrente = 2;
    SceltaLingua dlg(m_frame, nullptr, m_sink.get());
    dlg.show();
    QTest::mouseClick(lingua(dlg, 2), Qt::LeftButton);
    QCOMPARE(int(m_frame.LinguaScelta), 3);
    if (how == 0)
        QTest::keyClick(lingua(dlg, 2), Qt::Key_Escape);
    else if (how == 1)
        QTest::mouseClick(dlg.findChild<PictureButton *>("Esci"), Qt::LeftButton);
    else
        dlg.close();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(int(m_frame.LinguaScelta), 2);
    QVERIFY(!QFile::exists(iniPath()));
    QVERIFY(m_sink->messages.isEmpty());
}

void TstSceltaLingua::change_storesItAndWarnsInTheOldLanguage()
{
    m_frame.LinguaCorrente = 1;
    SceltaLingua dlg(m_frame, nullptr, m_sink.get());
    dlg.show();
    QTest::mouseClick(lingua(dlg, 2), Qt::LeftButton);
    QTest::mouseClick(dlg.findChild<PictureButton *>("Scegli"), Qt::LeftButton);

    QVERIFY(!dlg.isVisible());
    QCOMPARE(int(m_frame.LinguaScelta), 3);
    QCOMPARE(int(m_frame.LinguaCorrente), 1);   // the running program keeps its language
    QCOMPARE(Profile::read(iniPath(), "IMPOSTAZIONI", "Lingua", QString()), QStringLiteral("3"));

    QCOMPARE(m_sink->messages.size(), 1);
    const FakeLinkUi::Message &m = m_sink->messages.first();
    QVERIFY(!m.text.isEmpty());
    QCOMPARE(m.text, Testo(185));        // Italian, not Polish
    QVERIFY(m.text != Testo(2185));
    QCOMPARE(m.title, Testo(170));
    QCOMPARE(m.flags, 48);
    QCOMPARE(m.position, 4);
    QCOMPARE(m_sink->beeps, 1);

    FrameState next;
    next.PercorsoApp = m_frame.PercorsoApp;
    LeggiLingua(next);
    QCOMPARE(int(next.LinguaCorrente), 3);
}

void TstSceltaLingua::altFunctionKeys_selectTheLanguages_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("chosen");
    QTest::newRow("Alt+F1") << int(Qt::Key_F1) << 1;
    QTest::newRow("Alt+F2") << int(Qt::Key_F2) << 2;
    QTest::newRow("Alt+F3") << int(Qt::Key_F3) << 3;
    QTest::newRow("Alt+F4") << int(Qt::Key_F4) << 4;
}

void TstSceltaLingua::altFunctionKeys_selectTheLanguages()
{
    QFETCH(int, key);
    QFETCH(int, chosen);
    m_frame.LinguaCorrente = chosen == 4 ? 1 : 4;
    SceltaLingua dlg(m_frame, nullptr, m_sink.get());
    dlg.show();
    QTest::keyClick(dlg.focusWidget(), Qt::Key(key), Qt::AltModifier);
    QVERIFY(dlg.isVisible());
    QCOMPARE(int(m_frame.LinguaScelta), chosen);
    QVERIFY(lingua(dlg, chosen - 1)->isChecked());
    QVERIFY(!QFile::exists(iniPath()));
}

void TstSceltaLingua::f1_confirms()
{
    m_frame.LinguaCorrente = 4;
    SceltaLingua dlg(m_frame, nullptr, m_sink.get());
    dlg.show();
    QTest::keyClick(dlg.focusWidget(), Qt::Key_F2, Qt::AltModifier);
    QTest::keyClick(dlg.focusWidget(), Qt::Key_F1);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(Profile::read(iniPath(), "IMPOSTAZIONI", "Lingua", QString()), QStringLiteral("2"));
    QCOMPARE(m_sink->messages.size(), 1);
    QCOMPARE(m_sink->messages.first().text, Testo(3185));
}

void TstSceltaLingua::storeFailure_keepsTheProgramRunning()
{
    QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_frame.PercorsoApp = blocker.fileName() + QStringLiteral("/app");
    m_frame.LinguaCorrente = 4;
    SceltaLingua dlg(m_frame, nullptr, m_sink.get());
    dlg.show();
    QTest::mouseClick(lingua(dlg, 0), Qt::LeftButton);
    QTest::mouseClick(dlg.findChild<PictureButton *>("Scegli"), Qt::LeftButton);
    // Nothing stored: the opener must not end the program.
    QCOMPARE(int(m_frame.LinguaScelta), 4);
    QCOMPARE(m_sink->messages.size(), 1);
    QCOMPARE(m_sink->messages.first().flags, 16);
    QCOMPARE(m_sink->messages.first().text, Testo(3335));
}

QTEST_MAIN(TstSceltaLingua)
#include "tst_sceltalingua.moc"
