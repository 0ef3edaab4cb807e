#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QtTest>

#include "app/dialogs/confser.h"
#include "app/dialogs/sceltalingua.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/texts.h"
#include "support/fakelinkui.h"
#include "support/files.h"
#include "ui/common/pictures.h"

namespace {

const QString kFtdiById = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3J2-if00-port0");

// Adapters "plugged in" for the dialog: a USB one, a second one, and the PC's own port (no by-id link).
struct FakePortFinder : PortFinder {
    QList<FoundPort> list{
        {"/dev/ttyUSB0", kFtdiById, "FTDI", "FT232R USB UART", "A10K3J2"},
        {"/dev/ttyUSB1", "/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0", "Prolific", "", ""},
        {"/dev/ttyS0", "", "", "", ""},
    };
    QList<FoundPort> ports() const override { return list; }
};

}   // namespace

class TstConfSer : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeLinkUi> m_sink;
    FakePortFinder m_finder;
    std::unique_ptr<ConfSer> m_dlg;
    std::unique_ptr<SceltaLingua> m_lang;
    FrameState m_frame;

    PictureButton *langButton(const QString &name) { return m_lang->findChild<PictureButton *>(name); }
    PictureButton *lingua(int i) { return langButton(QStringLiteral("Lingua(%1)").arg(i)); }
    void openLanguage(int current)
    {
        m_frame.LinguaCorrente = quint8(current);
        m_lang = std::make_unique<SceltaLingua>(m_frame, nullptr, m_sink.get());
        m_lang->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_lang.get()));
    }
    QString iniPath() const { return m_frame.file(QStringLiteral("CONFIG.INI")); }
    QComboBox *list(const QString &name) { return m_dlg->findChild<QComboBox *>(name); }
    QListWidget *adapters() { return m_dlg->findChild<QListWidget *>(QStringLiteral("Adattatori")); }
    // Whole in the tooltip: the label cuts long by-id names in the middle.
    QString shownDevice() { return m_dlg->findChild<QLabel *>(QStringLiteral("Dispositivo"))->toolTip(); }

    void open(const QByteArray &ini)
    {
        QVERIFY(ini.isEmpty() || WriteFile(iniPath(), ini));
        LeggiConfigSeriale(m_frame);
        m_dlg = std::make_unique<ConfSer>(m_frame, nullptr, m_sink.get(), &m_finder);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    }

    // "List=entry" and "List#row" pick from a list as a user does, by clicking the open list; "Adattatori#row" clicks
    // an adapter, "Adattatori>row" walks to it with the arrow keys and presses Enter, "Adattatori~row" only walks;
    // "Esci", "Salva" click the button; "Escape", "F1" are keys.
    void act(const QString &action)
    {
        const QStringList part = action.split(QRegularExpression(QStringLiteral("[=#>~]")));
        if (part.size() == 2 && part[0] == QLatin1String("Adattatori")) {
            QListWidget *view = adapters();
            const int row = part[1].toInt();
            if (!action.contains(QLatin1Char('#'))) {
                view->setFocus(Qt::TabFocusReason);
                QTest::keyClick(view, Qt::Key_Home);
                for (int i = 0; i < row; ++i)
                    QTest::keyClick(view, Qt::Key_Down);
                QCOMPARE(view->currentRow(), row);
                if (action.contains(QLatin1Char('>')))
                    QTest::keyClick(view, Qt::Key_Return);
            } else {
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(row)).center());
            }
        } else if (part.size() == 2) {
            QComboBox *box = list(part[0]);
            const int row = action.contains(QLatin1Char('#')) ? part[1].toInt() : box->findText(part[1]);
            QVERIFY2(row >= 0, qPrintable(action));
            box->showPopup();
            QAbstractItemView *view = box->view();
            QTRY_VERIFY(view->isVisible());
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->model()->index(row, 0)).center());
            QTRY_VERIFY(!view->isVisible());
        } else if (action == QLatin1String("close")) {
            m_dlg->close();
        } else if (auto *button = m_dlg->findChild<PictureButton *>(action)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            QTest::keyClick(m_dlg->focusWidget(), action == QLatin1String("F1") ? Qt::Key_F1 : Qt::Key_Escape);
        }
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_sink = std::make_unique<FakeLinkUi>();
        m_frame = FrameState{};
        m_frame.PercorsoApp = m_dir->path();
        m_frame.LinguaCorrente = 4;   // translated entries: the parity words differ from the stored ones
    }
    void cleanup()
    {
        m_dlg.reset();
        m_lang.reset();
    }

    void opening_showsTheStoredSettings()
    {
        open("[SERIALE]\nCOM=com3\nBAUD_RATE=9600\nPARITA=pari\nBIT_DATI=7\nBIT_STOP=1.5\n");
        QStringList shown;
        for (const char *name : {"Seriali", "BaudRate", "Parita", "BitDati", "BitStop"})
            shown << list(name)->currentText();
        QCOMPARE(shown, (QStringList{"COM3", "9600", Testo(3181), "7", "2"}));
    }

    // Asked to save only when an entry other than the stored one was chosen;
    // written only on Salva, F1 or "yes", keys in a fixed order.
    void session_asksAndWritesOnlyWhenItShould_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("written");    // the file afterwards, blanks for line ends; empty: no file
        QTest::addColumn<QString>("settings");   // as read back
        const QByteArray none;
        const QString defaults = "19200,N,8,1";
        QTest::newRow("untouched, Esci") << none << QStringList{"Esci"} << 0 << false << "" << defaults;
        QTest::newRow("untouched, Escape") << none << QStringList{"Escape"} << 0 << false << "" << defaults;
        QTest::newRow("untouched, window frame") << none << QStringList{"close"} << 0 << false << "" << defaults;
        QTest::newRow("same port chosen")
            << none << QStringList{"Seriali=COM1", "Esci"} << 0 << false << "" << defaults;
        QTest::newRow("same parity, translated")
            << none << QStringList{"Parita#0", "Esci"} << 0 << false << "" << defaults;
        QTest::newRow("other port, then back: no")
            << none << QStringList{"Seriali=COM3", "Seriali=COM1", "Esci"} << 7 << true << "" << defaults;
        QTest::newRow("other speed, closed unanswered")
            << none << QStringList{"BaudRate=9600", "close"} << 2 << true << "" << defaults;
        QTest::newRow("other speed, Escape, yes")
            << none << QStringList{"BaudRate=9600", "Escape"} << 6 << true
            << "[SERIALE] COM=COM1 BAUD_RATE=9600 BIT_DATI=8 PARITA=NESSUNA BIT_STOP=1" << QString("9600,N,8,1");
        QTest::newRow("all lists, F1") << none
                                       << QStringList{"Seriali=COM2", "BaudRate=38400", "Parita#2", "BitDati=7", "F1"}
                                       << 0 << false
                                       << "[SERIALE] COM=COM2 BAUD_RATE=38400 BIT_DATI=7 PARITA=DISPARI BIT_STOP=1"
                                       << QString("38400,O,7,1");
        QTest::newRow("1.5 stop bits stored as chosen, read as 2")
            << none << QStringList{"BitStop=1.5", "Salva"} << 0 << false
            << "[SERIALE] COM=COM1 BAUD_RATE=19200 BIT_DATI=8 PARITA=NESSUNA BIT_STOP=1.5" << QString("19200,N,8,2");
        QTest::newRow("settings no list shows are kept")
            << QByteArray("[SERIALE]\nCOM=COM7\nBAUD_RATE=1200\n") << QStringList{"BitDati=7", "Salva"} << 0 << false
            << "[SERIALE] COM=COM7 BAUD_RATE=1200 BIT_DATI=7 PARITA=NESSUNA BIT_STOP=1" << QString("1200,N,7,1");
    }
    void session_asksAndWritesOnlyWhenItShould()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, actions);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(QString, written);
        m_sink->answers = {answer};
        open(stored);
        for (const QString &action : actions)
            act(action);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_sink->messages.size(), asked ? 1 : 0);
        if (asked) {
            const FakeLinkUi::Message &m = m_sink->messages[0];
            QCOMPARE((QStringList{m.text, m.title, QString::number(m.flags)}),
                     (QStringList{Testo(3172), Testo(3170), "36"}));
        }
        QCOMPARE(QString::fromUtf8(ReadFile(iniPath())).simplified(), written);
        QCOMPARE(QFile::exists(iniPath()), !written.isEmpty());
        QTEST(TestoImpostazioni(m_frame.ConfigSeriale), "settings");
    }

    void saveFailure_saysSoAndStaysOpen()
    {
        // The application folder lies below a plain file: nothing can be written there.
        QVERIFY(WriteFile(m_dir->filePath("blocker"), {}));
        m_frame.PercorsoApp = m_dir->filePath("blocker/app");
        open({});
        act("Seriali=COM2");
        act("Salva");
        QVERIFY(m_dlg->isVisible() && !m_dlg->saved() && m_dlg->modified());
        QCOMPARE(m_sink->messages.size(), 1);
        QCOMPARE(m_sink->messages.first().text, Testo(3335));
        QCOMPARE(m_sink->messages.first().flags, 16);
    }

    // A picked adapter goes to [PORTE] like the other settings: only on saving, and only a click or Enter picks.
    void adapterPick_isSavedLikeTheOtherSettings_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("device");   // what that COM opens afterwards
        const QByteArray none;
        QTest::newRow("keys on COM4, F1") << none << QStringList{"Seriali=COM4", "Adattatori>1", "F1"} << false << 4
                                          << "/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0";
        QTest::newRow("no by-id link: the /dev name")
            << none << QStringList{"Seriali=COM3", "Adattatori#2", "Salva"} << false << 3 << "/dev/ttyS0";
        QTest::newRow("picked, Esci, no") << none << QStringList{"Adattatori#0", "Esci"} << true << 1 << "/dev/ttyS0";
        QTest::newRow("arrows without Enter")
            << none << QStringList{"Adattatori~1", "Esci"} << false << 1 << "/dev/ttyS0";
        QTest::newRow("picked for COM5, then COM6 chosen")
            << none << QStringList{"Seriali=COM5", "Adattatori#0", "Seriali=COM6", "Salva"} << false << 5 << kFtdiById;
        QTest::newRow("the adapter it already has") << QByteArray("[PORTE]\nCOM1=" + kFtdiById.toLatin1() + "\n")
                                                    << QStringList{"Adattatori#0", "Esci"} << false << 1 << kFtdiById;
    }
    void adapterPick_isSavedLikeTheOtherSettings()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, actions);
        QFETCH(bool, asked);
        QFETCH(int, com);
        m_sink->answers = {kAnswerNo};
        open(stored);
        for (const QString &action : actions) {
            act(action);
            if (action.contains(QRegularExpression(QStringLiteral("Adattatori[#>]"))))   // shown before it is saved
                QCOMPARE(shownDevice(), Testo(3389).arg(m_finder.list[action.back().digitValue()].stableName()));
        }
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_sink->messages.size(), asked ? 1 : 0);
        QTEST(DispositivoPorta(m_frame, com), "device");
    }

    // Plugged in while the dialog is open: listed, and known by the name written by hand.
    void adapterPluggedInWhileOpen_showsUp()
    {
        const QList<FoundPort> all = std::exchange(m_finder.list, {});
        open("[PORTE]\nCOM1=/dev/ttyUSB0\n");
        auto *heading = m_dlg->findChild<QLabel *>(QStringLiteral("LabAdattatori"));
        QCOMPARE(heading->text(), Testo(3388).arg(0));
        m_finder.list = all;
        QTRY_COMPARE_WITH_TIMEOUT(heading->text(), Testo(3388).arg(3), 4000);
        QCOMPARE(adapters()->item(0)->text() + " | " + adapters()->item(2)->text(),
                 QStringLiteral("ttyUSB0: FTDI - FT232R USB UART - A10K3J2 | ttyS0"));
        QCOMPARE(adapters()->currentRow(), 0);
        QCOMPARE(shownDevice(), Testo(3389).arg("/dev/ttyUSB0"));
    }

    // Actions: a digit clicks that language's button, "Alt+F<n>" and "F1",
    // "Escape" are keys, "Scegli" and "Esci" buttons, "close" the window frame.
    void language_storesAndWarnsOnlyOnAChange_data()
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
    void language_storesAndWarnsOnlyOnAChange()
    {
        QFETCH(int, current);
        QFETCH(QStringList, actions);
        QFETCH(int, chosen);
        openLanguage(current);
        for (int i = 0; i < 4; ++i) {   // opened on the current language, captions in it
            QCOMPARE(lingua(i)->isChecked(), i == current - 1);
            QCOMPARE(lingua(i)->text(), TestoL(186 + i, current));
        }
        for (const QString &a : actions) {
            if (a.size() == 1)
                QTest::mouseClick(lingua(a.toInt() - 1), Qt::LeftButton);
            else if (a.startsWith(QLatin1String("Alt+F")))
                QTest::keyClick(m_lang->focusWidget(), Qt::Key(Qt::Key_F1 + a.back().digitValue() - 1),
                                Qt::AltModifier);
            else if (a == QLatin1String("close"))
                m_lang->close();
            else if (langButton(a))
                QTest::mouseClick(langButton(a), Qt::LeftButton);
            else
                QTest::keyClick(m_lang->focusWidget(), a == QLatin1String("F1") ? Qt::Key_F1 : Qt::Key_Escape);
        }
        QVERIFY(!m_lang->isVisible());
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

    void language_storeFailureKeepsTheProgramRunning()
    {
        QVERIFY(WriteFile(m_dir->filePath("blocker"), {}));   // the application folder lies below a plain file
        m_frame.PercorsoApp = m_dir->filePath("blocker/app");
        openLanguage(4);
        QTest::mouseClick(lingua(0), Qt::LeftButton);
        QTest::mouseClick(langButton("Scegli"), Qt::LeftButton);
        QCOMPARE(int(m_frame.LinguaScelta), 4);   // nothing stored: the opener must not end the program
        QCOMPARE(m_sink->messages.size(), 1);
        QCOMPARE(m_sink->messages.first().flags, 16);
        QCOMPARE(m_sink->messages.first().text, Testo(3335));
    }
};

QTEST_MAIN(TstConfSer)
#include "tst_confser.moc"
