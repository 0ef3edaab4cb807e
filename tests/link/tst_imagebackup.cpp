#include <QtTest>

#include "link/imagebackup.h"
#include "link/imagefile.h"

namespace {

bool writeImage(const QString &path, const QList<int> &values)
{
    ImageFile f(path);
    if (!f.open(true))
        return false;
    for (int i = 0; i < values.size(); ++i) {
        if (!f.writeValue(i + 1, values[i]))
            return false;
    }
    return true;
}

QDateTime at(const char *text)
{
    return QDateTime::fromString(QLatin1String(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}   // namespace

class TestImageBackup : public QObject {
    Q_OBJECT
private slots:
    void serial_becomesAFolderName_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "MAT00001"
                               << "MAT00001";
        QTest::newRow("padded") << "  AB12    "
                                << "AB12";
        QTest::newRow("path characters") << "../X/1"
                                         << "___X_1";
        QTest::newRow("blank") << "        "
                               << "_";
        QTest::newRow("accented") << "ÀB"
                                  << "_B";
    }
    void serial_becomesAFolderName()
    {
        QFETCH(QString, serial);
        QFETCH(QString, folder);
        QCOMPARE(BackupFolderName(serial), folder);
    }

    void backups_areKeptWholeAndListedMineFirstNewestFirst()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("LETTURAN.PRG"));
        QVERIFY(writeImage(image, {1, 2, 3}));
        QFile source(image);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();

        const QString a = SaveImageBackup(dir.path(), QStringLiteral("OTHER1  "), image, at("2026-12-07 10:00:00"));
        const QString b = SaveImageBackup(dir.path(), QStringLiteral("MINE0001"), image, at("2026-12-06 09:00:00"));
        const QString c = SaveImageBackup(dir.path(), QStringLiteral("MINE0001"), image, at("2026-12-06 11:00:00"));
        const QString d = SaveImageBackup(dir.path(), QStringLiteral("MINE0001"), image, at("2026-12-06 11:00:00"));
        QVERIFY(!a.isEmpty() && !b.isEmpty() && !c.isEmpty() && !d.isEmpty());
        QVERIFY(d != c);   // a second copy in the same second never overwrites the first
        QCOMPARE(QFileInfo(c).fileName(), QStringLiteral("20261206-110000.PRG"));
        QFile copy(d);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
        QFile stray(dir.filePath(QStringLiteral("BACKUP/MINE0001/notes.txt")));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();

        QStringList order;
        for (const ImageBackup &e : ListImageBackups(dir.path(), QStringLiteral("MINE0001")))
            order << e.path;
        QCOMPARE(order, (QStringList{d, c, b, a}));
        QCOMPARE(ListImageBackups(dir.path()).first().path, a);   // no ECU: simply newest first
        QCOMPARE(ListImageBackups(dir.path()).first().serial, QStringLiteral("OTHER1"));
    }

    void backup_refusesWhatIsNotAWholeImage()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(SaveImageBackup(dir.path(), QStringLiteral("X"), dir.filePath(QStringLiteral("none.PRG")), {}, &error)
                    .isEmpty());
        QVERIFY(!error.isEmpty());
        QFile torn(dir.filePath(QStringLiteral("torn.PRG")));
        QVERIFY(torn.open(QIODevice::WriteOnly));
        torn.write("123456789012\r\n1234");
        torn.close();
        QVERIFY(SaveImageBackup(dir.path(), QStringLiteral("X"), torn.fileName()).isEmpty());
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
};

QTEST_GUILESS_MAIN(TestImageBackup)
#include "tst_imagebackup.moc"
