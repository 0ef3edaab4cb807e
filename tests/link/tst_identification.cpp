#include <QLabel>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <numeric>
#include <random>

#include "app/texts.h"
#include "link/framing.h"
#include "link/identification.h"
#include "link/imagebackup.h"
#include "link/imagefile.h"
#include "link/widgets/restoreimagedialog.h"
#include "link/widgets/visinf.h"
#include "support/ecuframes.h"
#include "support/files.h"
#include "ui/common/pictures.h"

namespace {

QByteArray R8Of(const QByteArray &installed = "31012024", const QByteArray &hw = "07", const QByteArray &type = "00",
                const QByteArray &software = "ABC1234AA")
{
    return Checksummed("R8x" + installed + hw + "15062023" + type + "mat12345lot001T1" + software + "LXX5678BB");
}

}   // namespace

Q_DECLARE_METATYPE(EcuIdentity)

namespace {

bool writeImage(const QString &path, const QList<int> &values)
{
    ImageFile f(path);
    bool ok = f.open(true);
    for (int i = 0; ok && i < values.size(); ++i)
        ok = f.writeValue(i + 1, values[i]);
    return ok;
}

QDateTime at(const char *text)
{
    return QDateTime::fromString(QLatin1String(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

ImageBackup backup(const QString &serial, const QString &stamp)
{
    const QDateTime taken = QDateTime::fromString(stamp, QStringLiteral("yyyyMMdd-HHmmss"));
    return {QStringLiteral("/app/BACKUP/%1/%2.PRG").arg(serial, stamp), serial, taken};
}

// Connected ECU "A1234567" first, then the others, each newest first.
QList<ImageBackup> sample()
{
    return {backup("A1234567", "20240305-091502"), backup("A1234567", "20231130-175959"),
            backup("B7654321", "20240401-080000"), backup("C0000001", "20220101-000001")};
}

FrameState italian()
{
    FrameState f;
    f.LinguaCorrente = 1;
    return f;
}

}   // namespace

class TestIdentification : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static QByteArray record(double v) { return CodificaRecord(v).toLatin1() + "\r\n"; }

private slots:
    void r8_storesSoundFieldsAndFlagsDefects_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("hw");
        QTest::addColumn<QDate>("installed");
        QTest::addColumn<int>("type");
        const QDate jan31(2024, 1, 31);
        QTest::newRow("sound") << R8Of() << 0 << 7 << jan31 << 0;
        QTest::newRow("hardware not numeric") << R8Of("31012024", "0x") << 1 << -1 << jan31 << 0;
        QTest::newRow("installed 31/02") << R8Of("31022024") << 2 << 7 << QDate() << 0;
        QTest::newRow("29/02 leap year") << R8Of("29022024") << 0 << 7 << QDate(2024, 2, 29) << 0;
        QTest::newRow("29/02/2000") << R8Of("29022000") << 0 << 7 << QDate(2000, 2, 29) << 0;
        QTest::newRow("29/02/1900") << R8Of("29021900") << 2 << 7 << QDate() << 0;
        QTest::newRow("installed 13th month") << R8Of("15132020") << 2 << 7 << QDate() << 0;
        QTest::newRow("type 05 kept, flagged") << R8Of("31012024", "07", "05") << 8 << 7 << jan31 << 5;
        QTest::newRow("several") << R8Of("29022023", "x1", "ab") << 11 << -1 << QDate() << 0;
    }
    void r8_storesSoundFieldsAndFlagsDefects()
    {
        QFETCH(QByteArray, frame);
        EcuIdentity id;
        id.DataInstallazione = QDate(2000, 1, 1);
        MemorizzaR8(id, frame);
        QTEST(int(id.FlagIdentificazione), "flags");
        QTEST(int(id.VersioneHw), "hw");
        QTEST(id.DataInstallazione, "installed");
        QCOMPARE(id.DataRevisione, QDate(2023, 6, 15));
        QTEST(int(id.TipoInstallazione), "type");
        QCOMPARE(id.Matricola + id.Lotto + id.VersioneTabella, QStringLiteral("mat12345lot001T1    "));
        QCOMPARE(id.VersioneCaricatore, QStringLiteral("LXXBB5678"));
    }

    void variant_followsReorderedVersion_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("variant");
        QTest::newRow("AA at the end is moved") << QByteArray("ABC1234AA") << QStringLiteral("ABCAA1234") << 1;
        QTest::newRow("AA in the middle ends up last") << QByteArray("ABC12aa34") << QStringLiteral("ABC3412aa") << 0;
    }
    void variant_followsReorderedVersion()
    {
        QFETCH(QByteArray, sent);
        EcuIdentity id;
        MemorizzaR8(id, R8Of("31012024", "07", "00", sent));
        QTEST(id.VersioneSoftware, "stored");
        QTEST(int(VariantOfSoftwareVersion(id.VersioneSoftware)), "variant");
    }

    void r4_storesOldLayoutAndDerivesHardware_data()
    {
        QTest::addColumn<QByteArray>("hw");
        QTest::addColumn<QByteArray>("software");
        QTest::addColumn<int>("versioneHw");
        QTest::newRow("from the software version") << QByteArray("09") << QByteArray("05SW1234Z") << 5;
        QTest::newRow("00: from the frame") << QByteArray("03") << QByteArray("00SW1234Z") << 3;
        QTest::newRow("00 and no number: 2") << QByteArray("xx") << QByteArray("00SW1234Z") << 2;
        QTest::newRow("letters read as 0") << QByteArray("03") << QByteArray("ABSW1234Z") << 0;
    }
    void r4_storesOldLayoutAndDerivesHardware()
    {
        QFETCH(QByteArray, hw);
        QFETCH(QByteArray, software);
        EcuIdentity id;
        id.FlagIdentificazione = 6;
        MemorizzaR4(id, Checksummed("R4x" + hw + "MAT00042LOT777" + software + "CAR1234ZZ"));
        QTEST(int(id.VersioneHw), "versioneHw");
        QCOMPARE(id.Matricola + id.Lotto + id.VersioneSoftware, "MAT00042LOT777" + QString::fromLatin1(software));
        QCOMPARE(id.VersioneCaricatore, QStringLiteral("CARZZ1234"));
        QCOMPARE(id.DataInstallazione, QDate(1900, 1, 1));
        QVERIFY(id.DataRevisione.isNull() && id.TipoInstallazione == -1 && id.FlagIdentificazione == 6);
    }

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

    void codifica_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("decoded");
        QTest::newRow("largest") << 32767.0 << "032767" << 32767.0;
        QTest::newRow("above largest") << 40000.0 << "032767" << 32767.0;
        QTest::newRow("negative") << -12.0 << "000-12" << -12.0;
        QTest::newRow("minus five") << -5.0 << "0000-5" << -5.0;
        QTest::newRow("zero") << 0.0 << "000000" << 0.0;
        QTest::newRow("half up") << 2.5 << "000003" << 3.0;
        QTest::newRow("half down") << -2.5 << "0000-3" << -3.0;
        QTest::newRow("too low keeps its sign") << -123456.0 << "-99999" << -99999.0;
        QTest::newRow("not a number") << qQNaN() << "000000" << 0.0;
    }
    void codifica()
    {
        QFETCH(double, value);
        const QString coded = CodificaRecord(value);
        QCOMPARE(coded.size(), 12);
        QTEST(DecodificaRecord(coded), "text");
        for (int i = 0; i < 12; i += 2)
            QVERIFY2(coded[i].isDigit(), qPrintable(coded));
        QTEST(ValoreCampo(DecodificaRecord(coded)), "decoded");
    }

    void codifica_fillerDigitsVaryBetweenCalls()
    {
        QSet<QString> seen;
        for (int n = 0; n < 40; ++n)
            seen.insert(CodificaRecord(7));
        QVERIFY(seen.size() > 1);
    }

    void leggiImmagine_data()
    {
        QTest::addColumn<QByteArray>("bytes");   // null: no file
        QTest::addColumn<QByteArray>("image");
        const QByteArray one = record(1);
        QTest::newRow("missing file") << QByteArray() << QByteArray();
        QTest::newRow("13-character line") << one + CodificaRecord(2).toLatin1() + "7\r\n" + one << QByteArray();
        QTest::newRow("empty line") << one + "\r\n" + one << QByteArray();
        QTest::newRow("good") << one + record(-12) + record(40000) << QByteArray("000001000-12032767");
    }
    void leggiImmagine()
    {
        QFETCH(QByteArray, bytes);
        QFile::remove(path("image.PRG"));
        QVERIFY(bytes.isNull() || WriteFile(path("image.PRG"), bytes));
        QTEST(LeggiImmagine(path("image.PRG")), "image");
    }

    void imageFile_writtenInAnyOrder_readsBackByNumberWithZeroFilledGaps()
    {
        std::vector<int> order(2999);
        std::iota(order.begin(), order.end(), 1);
        order[9] = 3000;   // record 10 is never written
        std::shuffle(order.begin(), order.end(), std::mt19937(12345));
        ImageFile file(path("random.PRG"));
        QVERIFY(file.open(true));
        for (int n : order)
            QVERIFY(file.writeValue(n, 3 * n - 70));

        // A rewrite changes its own record only.
        const QByteArray before = ReadFile(path("random.PRG"));
        QVERIFY(file.writeValue(3, -77));
        file.close();
        const QByteArray after = ReadFile(path("random.PRG"));
        QCOMPARE(after.size(), 42000);
        QCOMPARE(after.left(28), before.left(28));
        QCOMPARE(after.mid(42), before.mid(42));
        for (int r = 0; r < 3000; ++r)
            QCOMPARE(after.mid(r * 14 + 12, 2), QByteArray("\r\n"));
        const QByteArray image = LeggiImmagine(path("random.PRG"));
        QCOMPARE(image.left(18), QByteArray("000-67000-64000-77"));
        QCOMPARE(image.mid(6 * 9, 6), QByteArray("000000"));
        QCOMPARE(image.right(6), QByteArray("008930"));
    }

    void imageFile_refusesWhatItCannotDo()
    {
        ImageFile missing(path("none.PRG"));
        QVERIFY(!missing.open() && !QFile::exists(path("none.PRG")));

        ImageFile file(path("limits.PRG"));
        QVERIFY(file.open(true) && !file.writeValue(0, 1) && !file.writeValue(ImageFile::MaxRecord + 1, 1));
        QVERIFY(!file.writeCoded(1, QStringLiteral("0123")));
        QCOMPARE(file.recordCount(), 0);
    }

    void serial_becomesAFolderName_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "MAT00001" << QString("MAT00001");
        QTest::newRow("padded") << "  AB12    " << QString("AB12");
        QTest::newRow("path characters") << "../X/1" << QString("___X_1");
        QTest::newRow("blank") << "        " << QString("_");
        QTest::newRow("accented") << "ÀB" << QString("_B");
    }
    void serial_becomesAFolderName()
    {
        QFETCH(QString, serial);
        QTEST(BackupFolderName(serial), "folder");
    }

    void backups_areKeptWholeAndListedMineFirstNewestFirst()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("LETTURAN.PRG"));
        QVERIFY(writeImage(image, {1, 2, 3}));
        const QByteArray bytes = ReadFile(image);

        const QString a = SaveImageBackup(dir.path(), QStringLiteral("OTHER1  "), image, at("2026-12-07 10:00:00"));
        const QString b = SaveImageBackup(dir.path(), QStringLiteral("MINE0001"), image, at("2026-12-06 09:00:00"));
        const QString c = SaveImageBackup(dir.path(), QStringLiteral("MINE0001"), image, at("2026-12-06 11:00:00"));
        const QString d = SaveImageBackup(dir.path(), QStringLiteral("MINE0001"), image, at("2026-12-06 11:00:00"));
        QVERIFY(!a.isEmpty() && !b.isEmpty() && !c.isEmpty() && !d.isEmpty());
        QVERIFY(d != c);   // a second copy in the same second never overwrites the first
        QCOMPARE(QFileInfo(c).fileName(), QStringLiteral("20261206-110000.PRG"));
        QCOMPARE(ReadFile(d), bytes);
        QVERIFY(WriteFile(dir.filePath("BACKUP/MINE0001/notes.txt"), {}));

        QStringList order;
        for (const ImageBackup &e : ListImageBackups(dir.path(), "MINE0001"))
            order << e.path;
        QCOMPARE(order, (QStringList{d, c, b, a}));
        QCOMPARE(ListImageBackups(dir.path()).first().path, a);   // no ECU: simply newest first
        QCOMPARE(ListImageBackups(dir.path()).first().serial, QStringLiteral("OTHER1"));
    }

    void backup_refusesWhatIsNotAWholeImage()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(SaveImageBackup(dir.path(), "X", dir.filePath("none.PRG"), {}, &error).isEmpty());
        QVERIFY(!error.isEmpty());
        QVERIFY(WriteFile(dir.filePath("torn.PRG"), "123456789012\r\n1234"));
        QVERIFY(SaveImageBackup(dir.path(), QStringLiteral("X"), dir.filePath("torn.PRG")).isEmpty());
        QVERIFY(ListImageBackups(dir.path()).isEmpty());
    }

    void differences_countValuesNotCodings()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.PRG")), b = dir.filePath(QStringLiteral("b.PRG"));
        QVERIFY(writeImage(a, {1, 2, 3, 4}));
        QVERIFY(writeImage(b, {1, 9, 3, 7, 5}));   // the filler digits differ on every record
        QCOMPARE(CountImageDifferences(a, b), 3);
        QCOMPARE(CountImageDifferences(a, b, {2, 4}), 1);
        QCOMPARE(CountImageDifferences(a, a), 0);
        QCOMPARE(CountImageDifferences(a, dir.filePath(QStringLiteral("missing.PRG"))), -1);
    }

    void listKeepsOrderAndMarksTheConnectedEcu_data()
    {
        QTest::addColumn<QString>("connected");
        QTest::addColumn<QString>("marked");   // one flag per row
        QTest::addColumn<int>("preselected");
        QTest::newRow("connected ECU has backups") << "A1234567" << QString("1100") << 0;
        QTest::newRow("blanks of the fixed field") << "A1234567 " << QString("1100") << 0;
        QTest::newRow("connected ECU has none") << "Z9999999" << QString("0000") << -1;
        QTest::newRow("no ECU serial") << "" << QString("0000") << -1;
    }
    void listKeepsOrderAndMarksTheConnectedEcu()
    {
        QFETCH(QString, connected);
        QFETCH(QString, marked);
        QFETCH(int, preselected);
        const FrameState frame = italian();
        const QList<ImageBackup> list = sample();
        RestoreImageDialog dlg(frame, list, connected);
        QTreeWidget *t = dlg.Copie();
        QCOMPARE(t->headerItem()->text(0), QStringLiteral("Matricola"));
        QCOMPARE(t->headerItem()->text(1), QStringLiteral("Data e ora della copia"));
        QCOMPARE(t->topLevelItemCount(), list.size());
        const QStringList dates{"05/03/2024 09:15:02", "30/11/2023 17:59:59", "01/04/2024 08:00:00",
                                "01/01/2022 00:00:01"};
        for (int r = 0; r < list.size(); ++r) {
            const QTreeWidgetItem *it = t->topLevelItem(r);
            QCOMPARE(it->text(0), list[r].serial);
            QCOMPARE(it->text(1), dates[r]);
            const bool mark = marked[r] == QLatin1Char('1');
            QCOMPARE(dlg.isConnectedRow(r), mark);
            QCOMPARE(it->font(0).bold(), mark);
            QCOMPARE(it->font(1).bold(), mark);
            QCOMPARE(it->icon(0).pixmap(10).toImage().pixel(5, 5) != 0, mark);
        }
        const QList<QTreeWidgetItem *> sel = t->selectedItems();
        QCOMPARE(sel.isEmpty() ? -1 : t->indexOfTopLevelItem(sel.first()), preselected);
        QCOMPARE(dlg.Ripristina()->isEnabled(), preselected >= 0);
    }

    void restoreFollowsTheSelection_data()
    {
        QTest::addColumn<int>("select");   // -1: leave as preselected
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("result");
        QTest::newRow("preselected, Ripristina") << -1 << "Ripristina" << 0 << int(QDialog::Accepted);
        QTest::newRow("other ECU, F1") << 2 << "F1" << 2 << int(QDialog::Accepted);
        QTest::newRow("older backup, double-click") << 1 << "double" << 1 << int(QDialog::Accepted);
        QTest::newRow("Esci") << 3 << "Esci" << -1 << int(QDialog::Rejected);
        QTest::newRow("Esc") << 3 << "Escape" << -1 << int(QDialog::Rejected);
        QTest::newRow("window frame") << 1 << "close" << -1 << int(QDialog::Rejected);
    }
    void restoreFollowsTheSelection()
    {
        QFETCH(int, select);
        QFETCH(QString, how);
        const FrameState frame = italian();
        RestoreImageDialog dlg(frame, sample(), QStringLiteral("A1234567"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTreeWidget *t = dlg.Copie();
        if (select >= 0)
            t->setCurrentItem(t->topLevelItem(select));
        if (how == QLatin1String("Ripristina") || how == QLatin1String("Esci")) {
            QTest::mouseClick(dlg.findChild<PictureButton *>(how), Qt::LeftButton);
        } else if (how == QLatin1String("F1")) {
            QTest::keyClick(&dlg, Qt::Key_F1);
        } else if (how == QLatin1String("Escape")) {
            QTest::keyClick(&dlg, Qt::Key_Escape);
        } else if (how == QLatin1String("close")) {
            dlg.close();
        } else {
            QWidget *vp = t->viewport();
            const QPoint at = t->visualItemRect(t->topLevelItem(select)).center();
            // A double-click is a click followed by the second press, as a mouse sends it.
            QTest::mouseClick(vp, Qt::LeftButton, {}, at);
            QTest::mouseDClick(vp, Qt::LeftButton, {}, at);
        }
        QVERIFY(!dlg.isVisible());
        QTEST(dlg.chosen(), "chosen");
        QTEST(dlg.result(), "result");
    }

    void nothingSelected_restoresNothing()
    {
        const FrameState frame = italian();
        RestoreImageDialog dlg(frame, sample(), QStringLiteral("Z9999999"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg) && !dlg.Ripristina()->isEnabled());
        QTest::keyClick(&dlg, Qt::Key_F1);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.chosen(), -1);

        dlg.Copie()->setCurrentItem(dlg.Copie()->topLevelItem(3));
        QVERIFY(dlg.Ripristina()->isEnabled());
        dlg.Copie()->clearSelection();
        QVERIFY(!dlg.Ripristina()->isEnabled());
    }
};

QTEST_MAIN(TestIdentification)
#include "tst_identification.moc"
