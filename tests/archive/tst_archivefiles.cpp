#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#include "archive/db/archivefiles.h"

class TestArchiveFiles : public QObject {
    Q_OBJECT
private slots:
    void names_leavingTheFolderOrRefusedByDisksAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "FIAT" << true;
        QTest::newRow("padded to width") << "PUNTO       " << true;
        QTest::newRow("inner blank and dash") << "ALFA 147-JTD" << true;
        QTest::newRow("polish letters") << QString::fromUtf8("ŁÓDŹ") << true;
        QTest::newRow("inner dot") << "V1.2" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks only") << "      " << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("dot padded") << " .  " << false;
        QTest::newRow("dot dot") << ".." << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("leading slash") << "/etc" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("parent path") << "../X" << false;
        QTest::newRow("nul") << QString(QStringLiteral("AB") + QChar(0) + QStringLiteral("C")) << false;
        QTest::newRow("tab") << "A\tB" << false;
        QTest::newRow("newline") << "A\nB" << false;
        QTest::newRow("delete") << QString(QStringLiteral("A") + QChar(0x7f)) << false;
        QTest::newRow("colon") << "C:X" << false;
        QTest::newRow("wildcard") << "A*" << false;
        QTest::newRow("question") << "A?" << false;
        QTest::newRow("quote") << "A\"B" << false;
        QTest::newRow("angle") << "<A>" << false;
        QTest::newRow("pipe") << "A|B" << false;
        QTest::newRow("trailing dot") << "FIAT." << false;
    }
    void names_leavingTheFolderOrRefusedByDisksAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(IsArchiveName(name), accepted);
    }

    void acceptedNames_becomeOneEntryInsideTheFolder()
    {
        QTemporaryDir dir;
        for (const char *n : {"FIAT", "V1.2", "ALFA 147-JTD"}) {
            const QString name = QString::fromLatin1(n);
            QVERIFY(IsArchiveName(name));
            QVERIFY(QDir(dir.path()).mkdir(name));
            QCOMPARE(QFileInfo(dir.filePath(name)).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        }
    }

    void errno_mapsToFileErrorText_data()
    {
        QTest::addColumn<int>("err");
        QTest::addColumn<bool>("source");
        QTest::addColumn<int>("text");
        QTest::newRow("none") << 0 << false << 0;
        QTest::newRow("ENOSPC") << ENOSPC << false << 330;
        QTest::newRow("EMFILE") << EMFILE << false << 331;
        QTest::newRow("ENFILE") << ENFILE << true << 331;
        QTest::newRow("ENXIO") << ENXIO << false << 332;
        QTest::newRow("ENODEV") << ENODEV << false << 332;
        QTest::newRow("EACCES") << EACCES << false << 333;
        QTest::newRow("EPERM") << EPERM << true << 333;
        QTest::newRow("EROFS") << EROFS << false << 333;
        QTest::newRow("ENOMEDIUM") << ENOMEDIUM << false << 334;
        QTest::newRow("EIO") << EIO << true << 334;
        QTest::newRow("ENOENT of a source") << ENOENT << true << 336;
        QTest::newRow("ENOENT of a destination") << ENOENT << false << 335;
        QTest::newRow("ENOTDIR") << ENOTDIR << false << 335;
        QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << false << 335;
        QTest::newRow("EISDIR") << EISDIR << true << 335;
        QTest::newRow("ELOOP") << ELOOP << false << 335;
    }
    void errno_mapsToFileErrorText()
    {
        QFETCH(int, err);
        QFETCH(bool, source);
        QFETCH(int, text);
        QCOMPARE(FileErrorTextId(err, source ? FileRole::Source : FileRole::Destination), text);
    }

    void fileEsiste_tellsFilesFromFolders_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("exists");
        QTest::newRow("file, files only") << "F.DAT" << 0 << true;
        QTest::newRow("file, with folders") << "F.DAT" << 16 << true;
        QTest::newRow("folder, files only") << "SUB" << 0 << false;
        QTest::newRow("folder, with folders") << "SUB" << 16 << true;
        QTest::newRow("missing") << "NONE" << 16 << false;
        QTest::newRow("inside a missing folder") << "NONE/F.DAT" << 0 << false;
        QTest::newRow("blank") << "" << 16 << false;
    }
    void fileEsiste_tellsFilesFromFolders()
    {
        QFETCH(QString, entry);
        QFETCH(int, mask);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("SUB")));
        QFile f(dir.filePath(QStringLiteral("F.DAT")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(FileEsiste(entry.isEmpty() ? entry : dir.filePath(entry), mask), exists);
    }

    void modelFolder_isFoundWithoutRegardToCase_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("found");
        QTest::newRow("same case") << QStringList{"FIAT"} << "FIAT" << "FIAT";
        QTest::newRow("typed lower") << QStringList{"FIAT"} << "fiat" << "FIAT";
        QTest::newRow("stored lower, padded") << QStringList{"fiat"} << "FIAT        " << "fiat";
        QTest::newRow("exact spelling wins") << QStringList{"Fiat", "FIAT"} << "FIAT" << "FIAT";
        QTest::newRow("none yet") << QStringList{"ALFA"} << " Punto  " << "Punto";
        QTest::newRow("a file is not a folder") << QStringList{} << "F.DAT" << "F.DAT";
    }
    void modelFolder_isFoundWithoutRegardToCase()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, model);
        QFETCH(QString, found);
        QTemporaryDir dir;
        for (const QString &f : folders)
            QVERIFY(QDir(dir.path()).mkdir(f));
        QFile file(dir.filePath(QStringLiteral("f.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(ModelFolderName(dir.path(), model), found);
    }
};

QTEST_GUILESS_MAIN(TestArchiveFiles)
#include "tst_archivefiles.moc"
