#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/confser.h"
#include "app/settings.h"
#include "app/texts.h"
#include "support/fakelinkui.h"
#include "ui/common/pictures.h"

namespace {
using Keys = QList<std::pair<QString, QString>>;

// Keys of section [SERIALE] in file order, with their values.
Keys serialKeys(const QString &path)
{
    Keys keys;
    QFile f(path);
    bool inSection = false;
    if (f.open(QIODevice::ReadOnly | QIODevice::Text))
        for (const QString &raw : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            const int eq = line.indexOf(QLatin1Char('='));
            if (line.startsWith(QLatin1Char('[')))
                inSection = line.compare(QLatin1String("[SERIALE]"), Qt::CaseInsensitive) == 0;
            else if (inSection && eq > 0)
                keys.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
        }
    return keys;
}
}

class TstConfSer : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeLinkUi> m_sink;
    std::unique_ptr<ConfSer> m_dlg;
    FrameState m_frame;

    QString iniPath() const { return m_frame.file(QStringLiteral("CONFIG.INI")); }
    QComboBox *list(const QString &name) { return m_dlg->findChild<QComboBox *>(name); }
    PictureButton *button(const QString &name) { return m_dlg->findChild<PictureButton *>(name); }

    void open(const QByteArray &ini = {})
    {
        if (!ini.isEmpty()) {
            QFile f(iniPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ini);
        }
        LeggiConfigSeriale(m_frame);
        m_dlg = std::make_unique<ConfSer>(m_frame, nullptr, m_sink.get());
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    }

    // Picks an entry the way a user does: open the list, click the row.
    void choose(const QString &name, const QVariant &entry)
    {
        QComboBox *box = list(name);
        const int row = entry.typeId() == QMetaType::Int ? entry.toInt() : box->findText(entry.toString());
        QVERIFY2(row >= 0, qPrintable(entry.toString()));
        box->showPopup();
        QAbstractItemView *view = box->view();
        QTRY_VERIFY(view->isVisible());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
        QTRY_VERIFY(!view->isVisible());
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
    void cleanup() { m_dlg.reset(); }

    void untouched_closesWithoutAskingOrWriting_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Esci") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("window frame") << 2;
    }
    void untouched_closesWithoutAskingOrWriting()
    {
        QFETCH(int, how);
        open();
        if (how == 0)
            QTest::mouseClick(button("Esci"), Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(list("Seriali"), Qt::Key_Escape);
        else
            m_dlg->close();
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(m_sink->messages.isEmpty());
        QVERIFY(!QFile::exists(iniPath()));
    }

    void opening_selectsTheStoredSettings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("shown");   // Seriali, BaudRate, Parita row, BitDati, BitStop
        QTest::newRow("no file") << QByteArray() << QStringList{"COM1", "19200", "0", "8", "1"};
        QTest::newRow("lower case, even parity")
            << QByteArray("[SERIALE]\nCOM=com3\nBAUD_RATE=9600\nPARITA=pari\nBIT_DATI=7\nBIT_STOP=2\n")
            << QStringList{"COM3", "9600", "1", "7", "2"};
        QTest::newRow("values no list holds")
            << QByteArray("[SERIALE]\nCOM=COM5\nBAUD_RATE=115200\nPARITA=DISPARI\nBIT_DATI=6\nBIT_STOP=1.5\n")
            << QStringList{"", "", "2", "", "2"};
    }
    void opening_selectsTheStoredSettings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, shown);
        open(ini);
        QCOMPARE(list("Seriali")->currentText(), shown[0]);
        QCOMPARE(list("BaudRate")->currentText(), shown[1]);
        QCOMPARE(list("Parita")->currentIndex(), shown[2].toInt());
        QCOMPARE(list("BitDati")->currentText(), shown[3]);
        QCOMPARE(list("BitStop")->currentText(), shown[4]);
        QCOMPARE(list("Parita")->itemText(2), Testo(3182));
    }

    // Stored: the defaults COM1, 19200, NESSUNA, 8, 1.
    void modified_onlyOnceAnotherEntryIsChosen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("modified");
        QTest::newRow("port, same") << "Seriali" << QList<int>{0} << false;
        QTest::newRow("port, other") << "Seriali" << QList<int>{2} << true;
        QTest::newRow("port, other then back") << "Seriali" << QList<int>{2, 0} << true;
        QTest::newRow("speed, same") << "BaudRate" << QList<int>{2} << false;
        QTest::newRow("parity, same (translated entry)") << "Parita" << QList<int>{0} << false;
        QTest::newRow("parity, other") << "Parita" << QList<int>{1} << true;
        QTest::newRow("data bits, other") << "BitDati" << QList<int>{0} << true;
        QTest::newRow("stop bits, 1.5") << "BitStop" << QList<int>{1} << true;
    }
    void modified_onlyOnceAnotherEntryIsChosen()
    {
        QFETCH(QString, name);
        QFETCH(QList<int>, rows);
        QFETCH(bool, modified);
        open();
        for (int row : rows)
            choose(name, row);
        QCOMPARE(m_dlg->modified(), modified);
        m_sink->answers = {7};
        QTest::mouseClick(button("Esci"), Qt::LeftButton);
        QCOMPARE(m_sink->messages.size(), modified ? 1 : 0);
    }

    void exitWhenModified_asksAndSavesOnlyOnYes_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("yes") << 6 << true;
        QTest::newRow("no") << 7 << false;
        QTest::newRow("closed without answer") << 2 << false;
    }
    void exitWhenModified_asksAndSavesOnlyOnYes()
    {
        QFETCH(int, answer);
        QFETCH(bool, written);
        m_sink->answers = {answer};
        open();
        choose("BaudRate", "9600");
        QTest::keyClick(list("BaudRate"), Qt::Key_Escape);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_sink->messages.size(), 1);
        const FakeLinkUi::Message &m = m_sink->messages.first();
        QCOMPARE(m.text, Testo(3172));
        QCOMPARE(m.title, Testo(3170));
        QCOMPARE(m.flags, 36);
        QCOMPARE(QFile::exists(iniPath()), written);
        QCOMPARE(m_frame.ConfigSeriale.Velocita.trimmed(), written ? QStringLiteral("9600") : QStringLiteral("19200"));
    }

    void f1_writesKeysInOrderAndReloads()
    {
        open();
        choose("Seriali", "COM2");
        choose("BaudRate", "38400");
        choose("Parita", 2);
        choose("BitDati", "7");
        QTest::keyClick(list("BitDati"), Qt::Key_F1);
        QVERIFY(!m_dlg->isVisible() && m_dlg->saved());
        QVERIFY(m_sink->messages.isEmpty());
        QCOMPARE(serialKeys(iniPath()),
                 (Keys{{"COM", "COM2"}, {"BAUD_RATE", "38400"}, {"BIT_DATI", "7"}, {"PARITA", "DISPARI"}, {"BIT_STOP", "1"}}));
        QCOMPARE(TestoImpostazioni(m_frame.ConfigSeriale), QStringLiteral("38400,O,7,1"));
    }

    void stopBitsOnePointFive_storedAsTypedReadBackAsTwo()
    {
        open();
        choose("BitStop", "1.5");
        QTest::mouseClick(button("Salva"), Qt::LeftButton);
        QCOMPARE(serialKeys(iniPath()).value(4), (std::pair<QString, QString>("BIT_STOP", "1.5")));
        QCOMPARE(int(m_frame.ConfigSeriale.NumBitStop), 2);
        open();
        QCOMPARE(list("BitStop")->currentText(), QStringLiteral("2"));
    }

    void salva_keepsASettingNoListCanShow()
    {
        open("[SERIALE]\nCOM=COM7\nBAUD_RATE=1200\n");
        choose("BitDati", "7");
        QTest::mouseClick(button("Salva"), Qt::LeftButton);
        const Keys keys = serialKeys(iniPath());
        QCOMPARE(keys.mid(0, 2), (Keys{{"COM", "COM7"}, {"BAUD_RATE", "1200"}}));
        QCOMPARE(m_frame.ConfigSeriale.Porta, QStringLiteral("COM7"));
    }

    void saveFailure_saysSoAndStaysOpen()
    {
        // The application folder lies below a plain file: nothing can be written there.
        QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_frame.PercorsoApp = blocker.fileName() + QStringLiteral("/app");
        open();
        choose("Seriali", "COM2");
        QTest::mouseClick(button("Salva"), Qt::LeftButton);
        QVERIFY(m_dlg->isVisible() && !m_dlg->saved() && m_dlg->modified());
        QCOMPARE(m_sink->messages.size(), 1);
        QCOMPARE(m_sink->messages.first().text, Testo(3335));
        QCOMPARE(m_sink->messages.first().flags, 16);
    }
};

QTEST_MAIN(TstConfSer)
#include "tst_confser.moc"
