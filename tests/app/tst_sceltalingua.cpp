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

    PictureButton *button(const QString &name) { return m_dlg->findChild<PictureButton *>(name); }
    PictureButton *lingua(int i) { return button(QStringLiteral("Lingua(%1)").arg(i)); }

    void open(int current)
    {
        m_frame.LinguaCorrente = quint8(current);
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

    // Actions: a digit clicks that language's button, "Alt+F<n>" and "F1",
    // "Escape" are keys, "Scegli" and "Esci" buttons, "close" the window frame.
    void session_storesAndWarnsOnlyOnAChange_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<int>("chosen");   // the current one: nothing stored, no message
        QTest::newRow("current one confirmed") << 2 << QStringList{"3", "2", "Scegli"} << 2;
        QTest::newRow("Escape after a choice") << 2 << QStringList{"3", "Escape"} << 2;
        QTest::newRow("Esci after a choice") << 2 << QStringList{"3", "Esci"} << 2;
        QTest::newRow("window frame after a choice") << 2 << QStringList{"3", "close"} << 2;
        QTest::newRow("Italian to Polish") << 1 << QStringList{"3", "Scegli"} << 3;
        for (int l = 1; l <= 4; ++l)
            QTest::addRow("Alt+F%d, F1", l)
                << (l == 4 ? 1 : 4) << QStringList{QStringLiteral("Alt+F%1").arg(l), "F1"} << l;
    }
    void session_storesAndWarnsOnlyOnAChange()
    {
        QFETCH(int, current);
        QFETCH(QStringList, actions);
        QFETCH(int, chosen);
        open(current);
        for (int i = 0; i < 4; ++i) {   // opened on the current language, captions in it
            QCOMPARE(lingua(i)->isChecked(), i == current - 1);
            QCOMPARE(lingua(i)->text(), TestoL(186 + i, current));
        }
        for (const QString &a : actions) {
            if (a.size() == 1)
                QTest::mouseClick(lingua(a.toInt() - 1), Qt::LeftButton);
            else if (a.startsWith(QLatin1String("Alt+F")))
                QTest::keyClick(m_dlg->focusWidget(), Qt::Key(Qt::Key_F1 + a.back().digitValue() - 1), Qt::AltModifier);
            else if (a == QLatin1String("close"))
                m_dlg->close();
            else if (button(a))
                QTest::mouseClick(button(a), Qt::LeftButton);
            else
                QTest::keyClick(m_dlg->focusWidget(), a == QLatin1String("F1") ? Qt::Key_F1 : Qt::Key_Escape);
        }
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(int(m_frame.LinguaScelta), chosen);
        QCOMPARE(int(m_frame.LinguaCorrente), current);   // the running program keeps its language
        const bool changed = chosen != current;
        QCOMPARE(QFile::exists(m_frame.file(QStringLiteral("KALIBRON.INI"))), changed);
        QCOMPARE(m_sink->messages.size(), changed ? 1 : 0);
        QCOMPARE(m_sink->beeps, changed ? 1 : 0);
        if (!changed)
            return;
        const FakeLinkUi::Message &m = m_sink->messages.first();   // in the old language
        QCOMPARE((QStringList{m.text, m.title, QString::number(m.flags)}),
                 (QStringList{TestoL(185, current), TestoL(170, current), "48"}));
        FrameState next;
        next.PercorsoApp = m_frame.PercorsoApp;
        LeggiLingua(next);
        QCOMPARE(int(next.LinguaCorrente), chosen);
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
