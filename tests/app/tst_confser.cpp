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

// Picks an entry the way a user does: open the list, click the row.
void choose(QComboBox *list, int row)
{
    list->showPopup();
    QAbstractItemView *view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    QTRY_VERIFY(!view->isVisible());
}

void choose(QComboBox *list, const QString &text)
{
    const int row = list->findText(text);
    QVERIFY2(row >= 0, qPrintable(text));
    choose(list, row);
}

// Keys of section [SERIALE] in file order, with their values.
QList<std::pair<QString, QString>> serialKeys(const QString &path)
{
    QList<std::pair<QString, QString>> keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inSection = false;
    for (const QString &raw : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line.compare(QLatin1String("[SERIALE]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inSection && eq > 0)
            keys.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return keys;
}

} // namespace

class TstConfSer : public QObject {
    Q_OBJECT
private slots:
    void init();

    void untouched_closesWithoutAskingOrWriting_data();
    void untouched_closesWithoutAskingOrWriting();
    void opening_selectsTheStoredSettings_data();
    void opening_selectsTheStoredSettings();
    void choosing_marksModifiedOnlyForAnotherEntry_data();
    void choosing_marksModifiedOnlyForAnotherEntry();
    void modified_staysWhenTheStoredEntryIsChosenAgain();
    void exitWhenModified_asksAndSavesOnlyOnYes_data();
    void exitWhenModified_asksAndSavesOnlyOnYes();
    void salva_writesKeysInOrderAndReloads();
    void stopBitsOnePointFive_readBackAsTwo();
    void salva_keepsASettingNoListCanShow();
    void f1_saves();
    void enter_movesTheFocusAlongTheLists();
    void saveFailure_saysSoAndStaysOpen();

private:
    void writeIni(const QByteArray &content);
    QString iniPath() const { return m_frame.file(QStringLiteral("CONFIG.INI")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FrameState m_frame;
    std::unique_ptr<FakeLinkUi> m_fake;
    FakeLinkUi &m_sink() { return *m_fake; }
};

void TstConfSer::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_frame = FrameState{};
    m_frame.PercorsoApp = m_dir->path();
    m_frame.LinguaCorrente = 4;   // translated entries: the parity words differ from the stored ones
    LeggiConfigSeriale(m_frame);
    m_fake = std::make_unique<FakeLinkUi>();
}

void TstConfSer::writeIni(const QByteArray &content)
{
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    LeggiConfigSeriale(m_frame);
}

void TstConfSer::untouched_closesWithoutAskingOrWriting_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Esci") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window frame") << 2;
}

void TstConfSer::untouched_closesWithoutAskingOrWriting()
{
    QFETCH(int, how);
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    if (how == 0)
        QTest::mouseClick(dlg.findChild<PictureButton *>("Esci"), Qt::LeftButton);
    else if (how == 1)
        QTest::keyClick(dlg.findChild<QComboBox *>("Seriali"), Qt::Key_Escape);
    else
        dlg.close();
    QVERIFY(!dlg.isVisible());
    QVERIFY(m_sink().messages.isEmpty());
    QCOMPARE(m_sink().beeps, 0);
    QVERIFY(!QFile::exists(iniPath()));
    QVERIFY(!dlg.saved());
}

void TstConfSer::opening_selectsTheStoredSettings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("shown");   // Seriali, BaudRate, Parita index, BitDati, BitStop
    QTest::newRow("no file") << QByteArray() << QStringList{"COM1", "19200", "0", "8", "1"};
    QTest::newRow("lower case, even parity")
        << QByteArray("[SERIALE]\nCOM=com3\nBAUD_RATE=9600\nPARITA=pari\nBIT_DATI=7\nBIT_STOP=2\n")
        << QStringList{"COM3", "9600", "1", "7", "2"};
    QTest::newRow("values no list holds")
        << QByteArray("[SERIALE]\nCOM=COM5\nBAUD_RATE=115200\nPARITA=DISPARI\nBIT_DATI=6\nBIT_STOP=1.5\n")
        << QStringList{"", "", "2", "", "2"};
    QTest::newRow("unknown parity word") << QByteArray("[SERIALE]\nPARITA=MARK\n")
                                         << QStringList{"COM1", "19200", "0", "8", "1"};
}

void TstConfSer::opening_selectsTheStoredSettings()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, shown);
    if (!ini.isEmpty())
        writeIni(ini);
    ConfSer dlg(m_frame, nullptr, &m_sink());
    QCOMPARE(dlg.findChild<QComboBox *>("Seriali")->currentText(), shown[0]);
    QCOMPARE(dlg.findChild<QComboBox *>("BaudRate")->currentText(), shown[1]);
    QCOMPARE(dlg.findChild<QComboBox *>("Parita")->currentIndex(), shown[2].toInt());
    QCOMPARE(dlg.findChild<QComboBox *>("BitDati")->currentText(), shown[3]);
    QCOMPARE(dlg.findChild<QComboBox *>("BitStop")->currentText(), shown[4]);
    // The parity entries are the localised words.
    auto *parita = dlg.findChild<QComboBox *>("Parita");
    QCOMPARE(parita->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!parita->itemText(i).isEmpty());
        QCOMPARE(parita->itemText(i), Testo(3180 + i));
    }
}

void TstConfSer::choosing_marksModifiedOnlyForAnotherEntry_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("modified");
    // Stored: the defaults COM1, 19200, NESSUNA, 8, 1.
    QTest::newRow("port, same") << "Seriali" << 0 << false;
    QTest::newRow("port, other") << "Seriali" << 1 << true;
    QTest::newRow("speed, same") << "BaudRate" << 2 << false;
    QTest::newRow("speed, other") << "BaudRate" << 3 << true;
    QTest::newRow("parity, same (translated entry)") << "Parita" << 0 << false;
    QTest::newRow("parity, other") << "Parita" << 1 << true;
    QTest::newRow("data bits, same") << "BitDati" << 1 << false;
    QTest::newRow("data bits, other") << "BitDati" << 0 << true;
    QTest::newRow("stop bits, same") << "BitStop" << 0 << false;
    QTest::newRow("stop bits, 1.5") << "BitStop" << 1 << true;
}

void TstConfSer::choosing_marksModifiedOnlyForAnotherEntry()
{
    QFETCH(QString, list);
    QFETCH(int, row);
    QFETCH(bool, modified);
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    choose(dlg.findChild<QComboBox *>(list), row);
    QCOMPARE(dlg.modified(), modified);

    QTest::mouseClick(dlg.findChild<PictureButton *>("Esci"), Qt::LeftButton);
    QCOMPARE(m_sink().messages.size(), modified ? 1 : 0);
}

void TstConfSer::modified_staysWhenTheStoredEntryIsChosenAgain()
{
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    auto *port = dlg.findChild<QComboBox *>("Seriali");
    choose(port, "COM3");
    QVERIFY(dlg.modified());
    choose(port, "COM1");
    QVERIFY(dlg.modified());
}

void TstConfSer::exitWhenModified_asksAndSavesOnlyOnYes_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("yes") << 6 << true;
    QTest::newRow("no") << 7 << false;
    QTest::newRow("closed without answer") << 2 << false;
}

void TstConfSer::exitWhenModified_asksAndSavesOnlyOnYes()
{
    QFETCH(int, answer);
    QFETCH(bool, written);
    m_sink().answers = {answer};
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    choose(dlg.findChild<QComboBox *>("BaudRate"), "9600");
    QTest::keyClick(dlg.findChild<QComboBox *>("BaudRate"), Qt::Key_Escape);

    QVERIFY(!dlg.isVisible());
    QCOMPARE(m_sink().messages.size(), 1);
    const FakeLinkUi::Message &m = m_sink().messages.first();
    QVERIFY(!m.text.isEmpty());
    QCOMPARE(m.text, Testo(3172));
    QCOMPARE(m.title, Testo(3170));
    QCOMPARE(m.flags, 36);
    QCOMPARE(m.position, 4);
    QCOMPARE(m_sink().beeps, 1);
    QCOMPARE(QFile::exists(iniPath()), written);
    QCOMPARE(m_frame.ConfigSeriale.Velocita.trimmed(), written ? QStringLiteral("9600") : QStringLiteral("19200"));
}

void TstConfSer::salva_writesKeysInOrderAndReloads()
{
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    choose(dlg.findChild<QComboBox *>("Seriali"), "COM2");
    choose(dlg.findChild<QComboBox *>("BaudRate"), "38400");
    choose(dlg.findChild<QComboBox *>("Parita"), 2);
    choose(dlg.findChild<QComboBox *>("BitDati"), "7");
    QTest::mouseClick(dlg.findChild<PictureButton *>("Salva"), Qt::LeftButton);

    QVERIFY(!dlg.isVisible());
    QVERIFY(dlg.saved());
    QVERIFY(m_sink().messages.isEmpty());
    const QList<std::pair<QString, QString>> expected = {
        {"COM", "COM2"}, {"BAUD_RATE", "38400"}, {"BIT_DATI", "7"}, {"PARITA", "DISPARI"}, {"BIT_STOP", "1"}};
    QCOMPARE(serialKeys(iniPath()), expected);

    const ConfigSerialeT &c = m_frame.ConfigSeriale;
    QCOMPARE(c.Porta, QStringLiteral("COM2"));
    QCOMPARE(c.Velocita, QStringLiteral("38400"));
    QCOMPARE(c.NomeParita, QStringLiteral("DISPARI"));
    QCOMPARE(int(c.NumBitDati), 7);
    QCOMPARE(int(c.NumBitStop), 1);
}

void TstConfSer::stopBitsOnePointFive_readBackAsTwo()
{
    {
        ConfSer dlg(m_frame, nullptr, &m_sink());
        dlg.show();
        choose(dlg.findChild<QComboBox *>("BitStop"), "1.5");
        QTest::mouseClick(dlg.findChild<PictureButton *>("Salva"), Qt::LeftButton);
    }
    QCOMPARE(serialKeys(iniPath()).value(4), (std::pair<QString, QString>("BIT_STOP", "1.5")));
    QCOMPARE(int(m_frame.ConfigSeriale.NumBitStop), 2);
    ConfSer again(m_frame, nullptr, &m_sink());
    QCOMPARE(again.findChild<QComboBox *>("BitStop")->currentText(), QStringLiteral("2"));
}

void TstConfSer::salva_keepsASettingNoListCanShow()
{
    writeIni("[SERIALE]\nCOM=COM7\nBAUD_RATE=1200\n");
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    choose(dlg.findChild<QComboBox *>("BitDati"), "7");
    QTest::mouseClick(dlg.findChild<PictureButton *>("Salva"), Qt::LeftButton);
    const auto keys = serialKeys(iniPath());
    QCOMPARE(keys.value(0), (std::pair<QString, QString>("COM", "COM7")));
    QCOMPARE(keys.value(1), (std::pair<QString, QString>("BAUD_RATE", "1200")));
    QCOMPARE(m_frame.ConfigSeriale.Porta, QStringLiteral("COM7"));
}

void TstConfSer::f1_saves()
{
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    choose(dlg.findChild<QComboBox *>("Seriali"), "COM4");
    QTest::keyClick(dlg.findChild<QComboBox *>("Seriali"), Qt::Key_F1);
    QVERIFY(!dlg.isVisible());
    QVERIFY(m_sink().messages.isEmpty());
    QCOMPARE(serialKeys(iniPath()).value(0), (std::pair<QString, QString>("COM", "COM4")));
}

void TstConfSer::enter_movesTheFocusAlongTheLists()
{
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    const QStringList order = {"Seriali", "BaudRate", "Parita", "BitDati", "BitStop", "Salva"};
    QCOMPARE(dlg.focusWidget()->objectName(), order.first());
    for (int i = 0; i + 1 < order.size(); ++i) {
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Return);
        QCOMPARE(dlg.focusWidget()->objectName(), order[i + 1]);
    }
    QVERIFY(dlg.isVisible());
    QVERIFY(!QFile::exists(iniPath()));
}

void TstConfSer::saveFailure_saysSoAndStaysOpen()
{
    // The application folder lies below a plain file: nothing can be written there.
    QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_frame.PercorsoApp = blocker.fileName() + QStringLiteral("/app");
    ConfSer dlg(m_frame, nullptr, &m_sink());
    dlg.show();
    choose(dlg.findChild<QComboBox *>("Seriali"), "COM2");
    QTest::mouseClick(dlg.findChild<PictureButton *>("Salva"), Qt::LeftButton);

    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.saved());
    QCOMPARE(m_sink().messages.size(), 1);
    QCOMPARE(m_sink().messages.first().text, Testo(3335));
    QCOMPARE(m_sink().messages.first().flags, 16);
    QCOMPARE(m_sink().messages.first().title, Testo(3171));
    QVERIFY(dlg.modified());
}

QTEST_MAIN(TstConfSer)
#include "tst_confser.moc"
