#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#include "archive/db/archivefiles.h"

class TestArchiveFiles : public QObject {
    Q_OBJECT
private slots:
    void archiveName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("padded, inner blank, dash and dot") << "ALFA 1.4-JTD " << true;
        QTest::newRow("polish letters") << QString::fromUtf8("ŁÓDŹ") << true;
        QTest::newRow("255 bytes") << QString::fromUtf8("Ł").repeated(127) + QLatin1Char('A') << true;
        QTest::newRow("256 bytes") << QString::fromUtf8("Ł").repeated(128) << false;
        QTest::newRow("blanks only") << "      " << false;
        QTest::newRow("dot padded") << " .  " << false;
        QTest::newRow("dot dot") << ".." << false;
        QTest::newRow("parent path") << "../X" << false;
        QTest::newRow("trailing dot") << "FIAT." << false;
        QTest::newRow("nul") << QString(QStringLiteral("AB") + QChar(0)) << false;
        QTest::newRow("tab") << "A\tB" << false;
        QTest::newRow("delete") << QString(QStringLiteral("A") + QChar(0x7f)) << false;
        // Refused by FAT/NTFS backup sticks, not only by this disk.
        for (const char *c : {"/", "\\", ":", "*", "?", "\"", "<", ">", "|"})
            QTest::newRow(c) << QStringLiteral("A%1B").arg(QLatin1String(c)) << false;
    }
    void archiveName()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(IsArchiveName(name), accepted);
    }

    void errnoText_data()
    {
        QTest::addColumn<int>("err");
        QTest::addColumn<bool>("source");
        QTest::addColumn<int>("text");
        QTest::newRow("none") << 0 << false << 0;
        QTest::newRow("ENOSPC") << ENOSPC << false << 330;
        QTest::newRow("ENFILE") << ENFILE << true << 331;
        QTest::newRow("ENODEV") << ENODEV << false << 332;
        QTest::newRow("EROFS") << EROFS << false << 333;
        QTest::newRow("EIO") << EIO << true << 334;
        QTest::newRow("ENOENT of a source") << ENOENT << true << 336;
        QTest::newRow("ENOENT of a destination") << ENOENT << false << 335;
        QTest::newRow("other") << ENOTDIR << true << 335;
    }
    void errnoText()
    {
        QFETCH(int, err);
        QFETCH(bool, source);
        QFETCH(int, text);
        QCOMPARE(FileErrorTextId(err, source ? FileRole::Source : FileRole::Destination), text);
    }

    // Folders SUB, Sub and fiat and a file F.DAT in every row's directory.
    void lookups_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("mask");   // -1: ModelFolderName instead of FileEsiste
        QTest::addColumn<QString>("expected");
        QTest::newRow("file, files only") << "F.DAT" << 0 << "1";
        QTest::newRow("folder, files only") << "SUB" << 0 << "0";
        QTest::newRow("folder, with folders") << "SUB" << 16 << "1";
        QTest::newRow("missing") << "NONE" << 16 << "0";
        QTest::newRow("blank") << "" << 16 << "0";
        QTest::newRow("stored lower, typed upper, padded") << "FIAT  " << -1 << "fiat";
        QTest::newRow("exact spelling wins") << "Sub" << -1 << "Sub";
        QTest::newRow("no folder yet, trimmed") << " Punto " << -1 << "Punto";
        QTest::newRow("a file is not a folder") << "f.dat" << -1 << "f.dat";
    }
    void lookups()
    {
        QFETCH(QString, entry);
        QFETCH(int, mask);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const char *sub : {"SUB", "Sub", "fiat"})
            QVERIFY(QDir(dir.path()).mkdir(QLatin1String(sub)));
        QFile f(dir.filePath(QStringLiteral("F.DAT")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (mask < 0)
            QCOMPARE(ModelFolderName(dir.path(), entry), expected);
        else
            QCOMPARE(FileEsiste(entry.isEmpty() ? entry : dir.filePath(entry), mask), expected == QLatin1String("1"));
    }
};

QTEST_GUILESS_MAIN(TestArchiveFiles)
#include "tst_archivefiles.moc"
