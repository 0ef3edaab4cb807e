// The catalogues, the archive files beside them, map files, and the two delete dialogs.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <cerrno>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/db/archivefiles.h"
#include "archive/maps/maparchive.h"
#include "archive/maps/srecord.h"
#include "archive/widgets/archivedialog.h"
#include "archive/widgets/cleardati.h"
#include "archive/widgets/clearniv.h"
#include "mapimage.h"
#include "support/files.h"
#include "support/scriptedsink.h"
#include "ui/common/pictures.h"

namespace {

QStringList keptCopies(const QString &folder, const QString &base)
{
    return QDir(folder).entryList({base + QStringLiteral("-damaged-*.MDB")}, QDir::Files);
}

using Ok = Catalogue::Result;

QStringList valueTexts(int lines)
{
    QStringList v;
    for (int n = 1; n <= lines; ++n)
        v << ("000000" + QString::number(TestImageValue(n))).right(6);
    return v;
}

QByteArray productFile(int lines)
{
    return ProductFormatFile(valueTexts(lines), "123456789", QDate(2024, 1, 1)).value();
}

// (address, words) of each S1 line; empty when any line after the header is not an upper-case S1 record.
QList<QPair<int, int>> s1Layout(const QByteArray &file)
{
    QList<QPair<int, int>> layout;
    const QList<QByteArray> lines = file.split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("S1") || !lines[i].endsWith('\r') || lines[i].toUpper() != lines[i])
            return {};
        layout.append({lines[i].mid(4, 4).toInt(nullptr, 16), (lines[i].mid(2, 2).toInt(nullptr, 16) - 3) / 2});
    }
    return layout;
}

// For the delete dialogs, in list order. "lancia" is filed in a folder "LANCIA"; OPEL/MANCA has no file.
const QStringList kRecordings{"ALFA/GIRO", "FIAT/PROVA1", "FIAT/PROVA2", "lancia/CORSA", "OPEL/MANCA"};

// Maps stored out of order on purpose; both FIAT maps are filed in the folder "fiat".
struct Seed {
    const char *model;
    qint16 version, type;
};
const Seed kSeeds[] = {{"PUNTO", 2, 1}, {"fiat", 1, 1},  {"PUNTO", 1, 0},
                       {"FIAT", 1, 0},  {"PUNTO", 1, 1}, {"ALFA", 3, 0}};
// The list as it must read: model, then version, then installation.
const QStringList kListed{"ALFA/3/0", "FIAT/1/0", "FIAT/1/1", "PUNTO/1/0", "PUNTO/1/1", "PUNTO/2/1"};

// The recordings of kRecordings, or the maps of kSeeds, in an Italian application folder.
struct Fixture {
    QTemporaryDir dir;
    FrameState frame;
    ScriptedSink sink;
    QTimer watchdog;
    explicit Fixture(bool maps, bool seed = true)
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = dir.path();
        watchdog.start(60000);
        if (maps) {
            MapArchive archive;
            QVERIFY(archive.open(dir.path()));
            for (const Seed &s : kSeeds) {
                const QString model = s.model;
                QCOMPARE(archive.add({FixedText(model, 12), FixedText("Descr " + model, 41), "2", s.type, s.version,
                                      FixedText("IAW " + model, 40)}),
                         Catalogue::Result::Ok);
                QVERIFY(WriteFile(map(model + QString("/%1/%2").arg(s.version).arg(s.type)), {}));
            }
            return;
        }
        AcquisitionArchive archive;
        QVERIFY(archive.open(dir.path()));
        const QStringList notes{"prima riga\nseconda", "", "", "x", ""};
        for (int i = 0; seed && i < kRecordings.size(); ++i) {
            const QString model = kRecordings[i].section('/', 0, 0), file = kRecordings[i].section('/', 1);
            QCOMPARE(archive.add({FixedText(model, 12), FixedText("Descr " + model, 41), FixedText(file, 8), notes[i]}),
                     Catalogue::Result::Ok);
            if (file != "MANCA") {
                QVERIFY(QDir().mkpath(dir.filePath("DIR_DATI/" + model.toUpper())));
                QVERIFY(QFile(dat(kRecordings[i])).open(QIODevice::WriteOnly));
            }
        }
    }
    QString dat(const QString &rec) const
    {
        return AcquisitionFilePath(dir.path(), rec.section('/', 0, 0), rec.section('/', 1));
    }
    QString map(const QString &rec) const
    {
        const QStringList p = rec.split('/');
        return MapFilePath(dir.path(), p[0], qint16(p[1].toInt()), qint16(p[2].toInt()));
    }
};

template <class Dialog>
void clickRow(Dialog &dlg, int row)
{
    QListWidget *l = dlg.ListaModelli();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
}

// Deletes `rows` with F1, `undeletable` refusing: one message, said with the watchdog off, which is on again after.
template <class Dialog>
void deleteRows(Dialog &dlg, Fixture &fx, const QList<int> &rows, const QString &undeletable, const QString &message)
{
    bool stoppedDuringMessage = false;
    fx.sink.onMessage = [&] { stoppedDuringMessage = !fx.watchdog.isActive(); };
    dlg.setFileRemover(
        [undeletable](const QString &p) { return p == undeletable ? EACCES : (QFile::remove(p) ? 0 : EIO); });
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    for (int r : rows)
        clickRow(dlg, r);
    QTest::keyClick(&dlg, Qt::Key_F1);
    fx.sink.onMessage = {};
    QCOMPARE(fx.sink.texts, QStringList{message});
    QVERIFY(stoppedDuringMessage && fx.watchdog.isActive());
}

QStringList without(QStringList all, const QStringList &gone)
{
    for (const QString &g : gone)
        all.removeOne(g);
    return all;
}

// "MODEL/version/installation" of each line of the maps' list.
QStringList listed(const ClearNIV &dlg)
{
    QStringList out;
    for (int r = 0; r < dlg.ListaModelli()->count(); ++r) {
        const QString key = dlg.ListaCentr().value(r);
        out << dlg.ListaModelli()->item(r)->text().left(12).trimmed().toUpper() + '/' + key.left(2).trimmed() + '/'
                   + key.mid(2).trimmed();
    }
    return out;
}

}   // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void textSizes_areEnforced_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("size");
        QTest::newRow("MODELLO") << 0 << 12;
        QTest::newRow("DESC_MODELLO") << 1 << 41;
        QTest::newRow("FILE") << 2 << 12;
    }
    void textSizes_areEnforced()
    {
        QFETCH(int, field);
        QFETCH(int, size);
        QTemporaryDir app;
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        for (int length : {size, size + 1}) {
            AcquisitionRecord r{QStringLiteral("M%1").arg(length), "D", QStringLiteral("F%1").arg(length), QString()};
            (field == 0 ? r.MODELLO : field == 1 ? r.DESC_MODELLO : r.FILE) = QString(length, QLatin1Char('X'));
            QCOMPARE(a.add(r), length == size ? Ok::Ok : Ok::Failed);
        }
        QCOMPARE(a.records().size(), 1);
    }

    // Stored first: "FIAT " / "PROVA1" with description "Punto".
    void acquisitionKeys_ignoreCaseAndTrailingBlanks_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("model lower case") << "fiat" << QString("PROVA1") << true;
        QTest::newRow("both padded to width") << "FIAT        " << QString("PROVA1      ") << true;
        QTest::newRow("file lower case, blank") << "Fiat" << QString("prova1 ") << true;
        QTest::newRow("other file") << "FIAT" << QString("PROVA2") << false;
        QTest::newRow("other model") << "FIAT2" << QString("PROVA1") << false;
        QTest::newRow("leading blank is a different name") << " FIAT" << QString("PROVA1") << false;
    }
    void acquisitionKeys_ignoreCaseAndTrailingBlanks()
    {
        QFETCH(QString, model);
        QFETCH(QString, file);
        QFETCH(bool, duplicate);
        QTemporaryDir app;
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QCOMPARE(a.add({"FIAT ", "Punto", "PROVA1", QString()}), Ok::Ok);
        QCOMPARE(a.add({model, QStringLiteral("Other"), file, QString()}), duplicate ? Ok::Duplicate : Ok::Ok);
        QCOMPARE(a.records().size(), duplicate ? 1 : 2);
        QCOMPARE(a.find(model, file).value_or(AcquisitionRecord{}).DESC_MODELLO, duplicate ? "Punto" : "Other");
    }

    // Stored first: "GOLF" version 1 petrol-gas, "ŻUK " version 2 methane.
    void mapKeys_ignoreCaseAndTrailingBlanks_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("impianto");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("lower case, padded") << "golf        " << 1 << 0 << true;
        QTest::newRow("polish letters in other case") << QString::fromUtf8("żuk") << 2 << 1 << true;
        QTest::newRow("other version") << "GOLF" << 2 << 0 << false;
        QTest::newRow("methane") << "GOLF" << 1 << 1 << false;
        QTest::newRow("other model") << "POLO" << 1 << 0 << false;
    }
    void mapKeys_ignoreCaseAndTrailingBlanks()
    {
        QFETCH(QString, model);
        QFETCH(int, version);
        QFETCH(int, impianto);
        QFETCH(bool, duplicate);
        QTemporaryDir app;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path()));
        QCOMPARE(m.add({"GOLF", "Golf IV", "4", 0, 1, QString()}), Ok::Ok);
        QCOMPARE(m.add({QString::fromUtf8("ŻUK "), "Van", "4", 1, 2, QString()}), Ok::Ok);
        QCOMPARE(m.add({model, "New", "6", qint16(impianto), qint16(version), QString()}),
                 duplicate ? Ok::Duplicate : Ok::Ok);
        QCOMPARE(m.records().size(), duplicate ? 2 : 3);
        QVERIFY(m.find(model, qint16(version), qint16(impianto)).has_value());
    }

    void changes_findRecordsByTheSameRule()
    {
        QTemporaryDir app;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path()));
        for (const char *model : {"GOLF        ", "POLO"})
            QCOMPARE(m.add({QLatin1String(model), "d", "4", 0, 1, QString()}), Ok::Ok);
        QCOMPARE(m.add({"GOLF", "d", "4", 0, 2, QString()}), Ok::Ok);
        QCOMPARE(m.update("golf", 1, 0, {"GOLF", "Golf V", "6", 0, 1, QString()}), Ok::Ok);
        QCOMPARE(m.find(QStringLiteral("Golf "), 1, 0)->DESC_MODELLO, QStringLiteral("Golf V"));
        // Moving a record onto another's key is refused like an insert.
        QCOMPARE(m.update("GOLF", 1, 0, {"golf", QString(), QString(), 0, 2, QString()}), Ok::Duplicate);
        QCOMPARE(m.update("NONE", 1, 0, {"NONE", QString(), QString(), 0, 1, QString()}), Ok::NotFound);
        QCOMPARE(m.records(QStringLiteral("gOlF")).size(), 2);
        QCOMPARE(m.remove(QStringLiteral("golf  "), 2, 0), Ok::Ok);
        QCOMPARE(m.remove(QStringLiteral("golf"), 2, 0), Ok::NotFound);
        QCOMPARE(m.models(), (QStringList{QStringLiteral("GOLF"), QStringLiteral("POLO")}));

        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QCOMPARE(a.add({"fiat", "d", "P1", "note"}), Ok::Ok);
        QCOMPARE(a.update("FIAT", "p1 ", {"fiat", "d", "P1", "more"}), Ok::Ok);
        QCOMPARE(a.find(QStringLiteral("Fiat"), QStringLiteral("P1"))->NOTE, QStringLiteral("more"));
        QCOMPARE(a.remove(QStringLiteral("FIAT "), QStringLiteral("P1")), Ok::Ok);
        QVERIFY(a.records().isEmpty());
    }

    void lists_haveOneLinePerModelOrRecord()
    {
        QTemporaryDir app;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path()));
        // model, description, version: case and trailing blanks give one line, with the first record's description.
        for (const auto &[model, desc, v] : {std::tuple{"ZETA", "Z", 1},
                                             {"FIAT ", "Punto", 1},
                                             {"ABCDEFGHIJKL", "", 1},
                                             {"fiat", "Uno", 2},
                                             {"ALFA", "Alfa 147", 2},
                                             {"alfa", "Alfa 156", 1}})
            QCOMPARE(m.add({QLatin1String(model), *desc ? QLatin1String(desc) : QString(), "4", 0, qint16(v), {}}),
                     Ok::Ok);
        QCOMPARE(FillModelList(m), (QStringList{"ABCDEFGHIJKL - ", "ALFA         - Alfa 147", "FIAT         - Punto",
                                                "ZETA         - Z"}));

        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        for (const auto &[model, file] :
             {std::pair{"FIAT        ", "PROVA2      "}, {"alfa", "A"}, {"fiat", "PROVA1"}, {"FIAT", ""}})
            QCOMPARE(a.add({QLatin1String(model), "d", *file ? QLatin1String(file) : QString(), {}}), Ok::Ok);
        QStringList files;
        QCOMPARE(FillAcquisitionList(a, &files),
                 (QStringList{"alfa         - d", "FIAT         - d", "fiat         - d"}));
        QCOMPARE(files, (QStringList{"A", "PROVA2      ", "PROVA1"}));
    }

    // An unreadable catalogue is kept aside untouched and rebuilt from the tree.
    void garbage_isKeptAsideAndRebuiltFromTheTree_data()
    {
        QTest::addColumn<bool>("maps");
        QTest::addColumn<QStringList>("tree");       // files below the archive folder
        QTest::addColumn<QStringList>("expected");   // FillModelList / FillAcquisitionList lines
        QTest::newRow("acquisitions") << false
                                      << QStringList{"FIAT/PROVA1.DAT", "FIAT/prova2.dat", "alfa/X.DAT",
                                                     "alfa/NOTES.TXT", "LOOSE.DAT"}
                                      << QStringList{"alfa         - ", "FIAT         - ", "FIAT         - "};
        QTest::newRow("maps") << true
                              << QStringList{"AUTOADATT/Fiat/CENTRAL1/C_GPL02.R42",
                                             "AUTOADATT/Fiat/CENTRAL2/C_META02.R42",
                                             "AUTOADATT/bmw/central3/c_gpl02.r42", "AUTOADATT/bmw/CENTRAL3/OTHER.R42",
                                             "AUTOADATT/opel/SPARE/C_GPL02.R42"}
                              << QStringList{"bmw          - ", "Fiat         - "};
    }
    void garbage_isKeptAsideAndRebuiltFromTheTree()
    {
        QFETCH(bool, maps);
        QFETCH(QStringList, tree);
        QTemporaryDir app;
        const QString folder = app.filePath(maps ? "FILER42" : "DIR_DATI") + QLatin1Char('/');
        const QString base = maps ? QStringLiteral("ARCHR42") : QStringLiteral("ARCHDATI");
        const QByteArray damaged(5000, 'Z');
        QVERIFY(WriteFile(folder + base + QStringLiteral(".MDB"), damaged));
        for (const QString &f : tree)
            QVERIFY(WriteFile(folder + f, "x"));

        FrameState frame;
        frame.LinguaCorrente = 3;
        ScriptedSink sink;
        MapArchive m;
        AcquisitionArchive a;
        for (int pass = 0; pass < 2; ++pass) {   // the second open finds a sound catalogue and says nothing
            m.close();
            QVERIFY(maps ? OpenMapArchive(m, app.path(), {&frame, &sink})
                         : OpenAcquisitionArchive(a, app.path(), {&frame, &sink}));
            QTEST(maps ? FillModelList(m) : FillAcquisitionList(a, nullptr), "expected");
            QCOMPARE(sink.texts.size(), 1);
        }
        QVERIFY(maps ? m.find(QStringLiteral("FIAT"), 2, 1).has_value()
                           && m.find(QStringLiteral("BMW"), 3, 0).has_value()
                     : a.find(QStringLiteral("fiat"), QStringLiteral("PROVA2")).has_value());
        const QStringList kept = keptCopies(folder, base);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(ReadFile(folder + kept[0]), damaged);
        QVERIFY(
            QRegularExpression(QStringLiteral("^%1-damaged-\\d{8}-\\d{6}\\.MDB$").arg(base)).match(kept[0]).hasMatch());
        QVERIFY(sink.texts[0].contains(QDir::toNativeSeparators(folder + kept[0])));
        QVERIFY(sink.texts[0].contains(QDir::toNativeSeparators(folder + base + QStringLiteral(".MDB"))));
        QVERIFY(sink.texts[0].startsWith(TestoL(TextId::ArchiveRepaired, 3).section(QStringLiteral("%1"), 0, 0)));
        QCOMPARE(sink.titles[0], TestoL(TextId::TitleWarning, 3));
        QVERIFY(!QFileInfo::exists(folder + base + QStringLiteral(".REP")));
    }

    void truncatedCatalogue_losesNothingReadable_data()
    {
        QTest::addColumn<double>("kept");
        QTest::addColumn<int>("minimumWhole");   // rows of the leaf pages before the cut, with room for index pages
        QTest::newRow("three quarters") << 0.75 << 150;
        QTest::newRow("first page only") << 0.0 << 0;
    }
    void truncatedCatalogue_losesNothingReadable()
    {
        QFETCH(double, kept);
        QFETCH(int, minimumWhole);
        QTemporaryDir app;
        const QString folder = app.filePath(QStringLiteral("DIR_DATI/"));
        {
            AcquisitionArchive a;
            QVERIFY(OpenAcquisitionArchive(a, app.path()));
            for (int i = 0; i < 300; ++i) {
                QCOMPARE(a.add({QStringLiteral("M%1").arg(i % 9), QStringLiteral("Desc %1").arg(i),
                                QStringLiteral("F%1").arg(i), QStringLiteral("note %1 ").arg(i).repeated(20)}),
                         Ok::Ok);
                QVERIFY(WriteFile(folder + QStringLiteral("M%1/F%2.DAT").arg(i % 9).arg(i), "x"));
            }
        }
        QFile f(folder + QStringLiteral("ARCHDATI.MDB"));
        QVERIFY(f.resize(std::max<qint64>(4096, qint64(f.size() * kept) / 4096 * 4096)));
        const QByteArray truncated = ReadFile(f.fileName());

        ScriptedSink sink;
        FrameState frame;
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path(), {&frame, &sink}));
        QCOMPARE(sink.texts.size(), 1);
        // Every record is back; salvaged ones whole, the others from the tree, empty.
        QSet<int> seen;
        int described = 0;
        for (const AcquisitionRecord &r : a.records()) {
            const int n = r.FILE.mid(1).toInt();
            seen.insert(n);
            QCOMPARE(r.MODELLO, QStringLiteral("M%1").arg(n % 9));
            if (r.DESC_MODELLO.isEmpty() && r.NOTE.isEmpty())
                continue;
            ++described;
            QCOMPARE(r.DESC_MODELLO, QStringLiteral("Desc %1").arg(n));
            QCOMPARE(r.NOTE, QStringLiteral("note %1 ").arg(n).repeated(20));
        }
        QCOMPARE(seen.size(), 300);
        QCOMPARE(a.records().size(), 300);
        QVERIFY2(described >= minimumWhole, qPrintable(QString::number(described)));
        const QStringList copies = keptCopies(folder, QStringLiteral("ARCHDATI"));
        QCOMPARE(copies.size(), 1);
        QCOMPARE(ReadFile(folder + copies[0]), truncated);
    }

    void emptyFile_isAnEmptyCatalogueNotADamagedOne()
    {
        QTemporaryDir app;
        QVERIFY(WriteFile(app.filePath(QStringLiteral("FILER42/ARCHR42.MDB")), QByteArray()));
        ScriptedSink sink;
        FrameState frame;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path(), {&frame, &sink}) && sink.texts.isEmpty());
        QVERIFY(keptCopies(app.filePath(QStringLiteral("FILER42")), QStringLiteral("ARCHR42")).isEmpty());
        QCOMPARE(m.add({QStringLiteral("A"), QString(), QString(), 0, 1, QString()}), Ok::Ok);
    }

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
        QTest::newRow("delete") << QString(QStringLiteral("A") + QChar(0x7f)) << false;
        // Refused by FAT/NTFS backup sticks, not only by this disk.
        for (const char *c : {"/", "\\", ":", "*", "?", "\"", "<", ">", "|"})
            QTest::newRow(c) << QStringLiteral("A%1B").arg(QLatin1String(c)) << false;
    }
    void archiveName()
    {
        QFETCH(QString, name);
        QTEST(IsArchiveName(name), "accepted");
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
        QTEST(FileErrorTextId(err, source ? FileRole::Source : FileRole::Destination), "text");
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
        QVERIFY(WriteFile(dir.filePath("F.DAT"), {}));
        if (mask < 0)
            QCOMPARE(ModelFolderName(dir.path(), entry), expected);
        else
            QCOMPARE(FileEsiste(entry.isEmpty() ? entry : dir.filePath(entry), mask), expected == QLatin1String("1"));
    }

    void wordsHeaderAndChecksum()
    {
        // A word is the value's low 16 bits.
        QCOMPARE(ImageWord("000-12"), quint16(0xFFF4));
        QCOMPARE(ImageWord("070000"), quint16(0x1170));
        QCOMPARE(ImageWord("    45"), quint16(0x002D));
        QCOMPARE(SRecordChecksum("130000285F245F2212226A000424290008237C"), QString("2A"));
        QStringList values = valueTexts(kProductMinLines);
        values[2826] = "000005";
        const auto file = ProductFormatFile(values, "XXXXXAB12", QDate(2003, 3, 5));
        QCOMPARE(file->left(file->indexOf('\n') + 1),
                 QByteArray("S0160000303230354C3031324142050307D33030303030EE\r\n"));
    }

    void rangesInFileOrderInRecordsOf42Words()
    {
        const QByteArray file = productFile(2900);
        QVERIFY(file.endsWith("\r\n") && !file.contains("S9"));
        const QList<QPair<int, int>> ranges{{2003, 2604}, {2605, 2630}, {1, 2002},   {2631, 2786},
                                            {2787, 2818}, {2819, 2827}, {2828, 2900}};
        QList<QPair<int, int>> expected;
        for (const auto &[first, last] : ranges) {
            for (int n = first; n <= last; n += 42)
                expected.append({0x4002 + 2 * (n - 1), qMin(42, last - n + 1)});
        }
        QCOMPARE(s1Layout(file), expected);
        QCOMPARE(s1Layout(productFile(kProductMinLines)).last(), (QPair<int, int>(0x5618, 1)));
        QVERIFY(!ProductFormatFile(valueTexts(kProductMinLines - 1), "123456789", QDate(2024, 1, 1)));
    }

    void markedLinesTakeNoAddress()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("LETTURA.PRG");
        QVERIFY(WriteTestImage(path, 3));
        ImageFile image(path);
        QVERIFY(image.open() && image.writeCoded(4, "0*1111111111") && image.writeValue(5, TestImageValue(4)));
        image.close();
        QCOMPARE(ExtractImageValues(path).value(), valueTexts(4));
        QVERIFY(!ExtractImageValues(dir.filePath("MISSING.PRG")));
    }

    void recordings_deletesExactlyTheChosen_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("failingRow");   // its file cannot be deleted; -1 none
        QTest::addColumn<QStringList>("gone");
        QTest::addColumn<QStringList>("folders");   // still there afterwards
        QTest::addColumn<QString>("message");
        QTest::newRow("last of a model takes its folder, one of two leaves it")
            << QList<int>{0, 1} << -1 << QStringList{"ALFA/GIRO", "FIAT/PROVA1"} << QStringList{"FIAT", "LANCIA"}
            << Testo(359);
        QTest::newRow("folder in other case, file missing")
            << QList<int>{3, 4} << -1 << QStringList{"lancia/CORSA", "OPEL/MANCA"} << QStringList{"ALFA", "FIAT"}
            << Testo(359);
        QTest::newRow("undeletable file stops, keeps its row")
            << QList<int>{0, 1, 2, 4} << 2 << QStringList{"ALFA/GIRO", "FIAT/PROVA1"} << QStringList{"FIAT", "LANCIA"}
            << Testo(360) + '\n' + Testo(333);
    }
    void recordings_deletesExactlyTheChosen()
    {
        QFETCH(QList<int>, rows);
        QFETCH(int, failingRow);
        QFETCH(QStringList, gone);
        QFETCH(QString, message);
        Fixture fx(false);
        const QStringList remaining = without(kRecordings, gone);
        {
            ClearDati dlg(fx.frame, fx.sink, nullptr, &fx.watchdog);
            deleteRows(dlg, fx, rows, failingRow < 0 ? QString() : fx.dat(kRecordings[failingRow]), message);
            QStringList listed;
            for (int r = 0; r < dlg.ListaModelli()->count(); ++r)
                listed << dlg.ListaModelli()->item(r)->text().left(12).trimmed() + '/'
                              + dlg.NomeFF().value(r).trimmed();
            QCOMPARE(listed, remaining);
            QCOMPARE(dlg.detailText(0) + dlg.detailText(3), QString());
        }
        AcquisitionArchive archive;
        QVERIFY(archive.open(fx.dir.path()));
        for (const QString &rec : kRecordings) {
            QCOMPARE(archive.find(rec.section('/', 0, 0), rec.section('/', 1)).has_value(), remaining.contains(rec));
            if (!rec.endsWith("MANCA"))
                QCOMPARE(QFileInfo::exists(fx.dat(rec)), remaining.contains(rec));
        }
        QTEST(QDir(fx.dir.filePath("DIR_DATI")).entryList(QDir::Dirs | QDir::NoDotAndDotDot), "folders");
    }

    void recordings_clickedLineShowsItsRecord_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("details");
        QTest::newRow("multi-line notes") << 0 << QStringList{"ALFA", "Descr ALFA", "GIRO", "prima riga\nseconda"};
        QTest::newRow("model in small letters") << 3 << QStringList{"lancia", "Descr lancia", "CORSA", "x"};
    }
    void recordings_clickedLineShowsItsRecord()
    {
        QFETCH(int, row);
        Fixture fx(false);
        ClearDati dlg(fx.frame, fx.sink);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto details = [&] {
            QStringList d;
            for (int i = 0; i < 4; ++i)
                d << dlg.detailText(i).trimmed();
            return d;
        };
        clickRow(dlg, row);
        QTEST(details(), "details");
        clickRow(dlg, row);   // unselected again
        QCOMPARE(details(), QStringList({"", "", "", ""}));
    }

    void recordings_nothingToDelete_data()
    {
        QTest::addColumn<bool>("seed");
        QTest::addColumn<int>("text");
        QTest::newRow("empty archive") << false << 361;
        QTest::newRow("no line selected") << true << 362;
    }
    void recordings_nothingToDelete()
    {
        QFETCH(bool, seed);
        QFETCH(int, text);
        Fixture fx(false, seed);
        ClearDati dlg(fx.frame, fx.sink);
        dlg.Memorizza()->click();
        QCOMPARE(fx.sink.texts, QStringList{Testo(text)});
        QCOMPARE(dlg.ListaModelli()->count(), seed ? kRecordings.size() : 0);
        for (const QString &rec : kRecordings)
            QCOMPARE(QFileInfo::exists(fx.dat(rec)), seed && !rec.endsWith("MANCA"));
    }

    void maps_listsEveryRecordByModelVersionAndInstallation()
    {
        Fixture fx(true);
        ClearNIV dlg(fx.frame, fx.sink);
        QCOMPARE(listed(dlg), kListed);
        QCOMPARE(dlg.ListaCentr().value(1), QString(" 1 0"));
        QCOMPARE(dlg.ListaModelli()->item(0)->text().simplified(), QString("ALFA - Descr ALFA 3 GPL"));
        QCOMPARE(dlg.ListaModelli()->item(2)->text().mid(56).simplified(), QString("1 METANO"));
    }

    void maps_deletesExactlyTheChosen_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("failingRow");   // its file cannot be deleted; -1 none
        QTest::addColumn<QStringList>("gone");
        QTest::addColumn<QStringList>("models");   // model folders left
        QTest::addColumn<QString>("message");
        QTest::newRow("last map of a model takes its folders")
            << QList<int>{0} << -1 << QStringList{"ALFA/3/0"} << QStringList{"fiat", "PUNTO"} << Testo(355);
        QTest::newRow("GPL beside methane keeps the version folder")
            << QList<int>{3, 5} << -1 << QStringList{"PUNTO/1/0", "PUNTO/2/1"} << QStringList{"ALFA", "fiat", "PUNTO"}
            << Testo(355);
        QTest::newRow("undeletable file stops, keeps its record")
            << QList<int>{1, 2, 4} << 2 << QStringList{"FIAT/1/0"} << QStringList{"ALFA", "fiat", "PUNTO"}
            << Testo(356) + '\n' + Testo(333);
        QTest::newRow("last map takes the whole tree")
            << QList<int>{0, 1, 2, 3, 4, 5} << -1 << kListed << QStringList{} << Testo(355);
    }
    void maps_deletesExactlyTheChosen()
    {
        QFETCH(QList<int>, rows);
        QFETCH(int, failingRow);
        QFETCH(QStringList, gone);
        QFETCH(QString, message);
        Fixture fx(true);
        const QStringList remaining = without(kListed, gone);
        {
            ClearNIV dlg(fx.frame, fx.sink, nullptr, &fx.watchdog);
            deleteRows(dlg, fx, rows, failingRow < 0 ? QString() : fx.map(kListed[failingRow]), message);
            QCOMPARE(listed(dlg), remaining);
            QCOMPARE(dlg.DatiDAT(0)->text() + dlg.TipoImp()->text() + dlg.DatiDAT(3)->text(), QString());
            if (remaining.isEmpty()) {   // nothing left to choose
                dlg.Salva()->click();
                QCOMPARE(fx.sink.texts.last(), Testo(357));
            }
        }
        MapArchive archive;
        QVERIFY(archive.open(fx.dir.path()));
        for (const QString &rec : kListed) {
            const QStringList p = rec.split('/');
            QCOMPARE(archive.find(p[0], qint16(p[1].toInt()), qint16(p[2].toInt())).has_value(),
                     remaining.contains(rec));
            QCOMPARE(QFileInfo::exists(fx.map(rec)), remaining.contains(rec));
        }
        QFETCH(QStringList, models);
        QCOMPARE(QFileInfo::exists(fx.dir.filePath("FILER42/AUTOADATT")), !models.isEmpty());
        QCOMPARE(QDir(fx.dir.filePath("FILER42/AUTOADATT"))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase),
                 models);
        if (remaining.contains("PUNTO/1/1"))
            QVERIFY(QFileInfo::exists(fx.dir.filePath("FILER42/AUTOADATT/PUNTO/CENTRAL1")));
    }

    void maps_clickedLineShowsItsRecord_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("details");   // the six boxes, trimmed
        QTest::newRow("methane, Italian")
            << 1 << 2 << QStringList{"fiat", "Descr fiat", "2", "METANO", "1", "IAW fiat"};
        QTest::newRow("methane, English")
            << 4 << 5 << QStringList{"PUNTO", "Descr PUNTO", "2", Testo(3222), "2", "IAW PUNTO"};
        QTest::newRow("GPL") << 1 << 0 << QStringList{"ALFA", "Descr ALFA", "2", "GPL", "3", "IAW ALFA"};
    }
    void maps_clickedLineShowsItsRecord()
    {
        QFETCH(int, lingua);
        QFETCH(int, row);
        Fixture fx(true);
        fx.frame.LinguaCorrente = quint8(lingua);
        ClearNIV dlg(fx.frame, fx.sink);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto shown = [&] {
            QStringList d;
            for (QLineEdit *box :
                 {dlg.DatiDAT(0), dlg.DatiDAT(1), dlg.DatiDAT(2), dlg.TipoImp(), dlg.VerCentr(), dlg.DatiDAT(3)})
                d << box->text().trimmed();
            return d;
        };
        clickRow(dlg, row);
        QFETCH(QStringList, details);
        QCOMPARE(shown(), details);
        clickRow(dlg, row);   // unselected: nothing shown
        QCOMPARE(shown().join(""), QString());
        QCOMPARE(dlg.LabSF(4)->text(), Testo(fx.frame.id(219)).trimmed());
        dlg.Salva()->click();
        QCOMPARE(fx.sink.texts, QStringList{Testo(fx.frame.id(358))});
        QTest::keyClick(dlg.ListaModelli(), Qt::Key_Space);   // the keyboard selects as a click does
        QCOMPARE(shown(), details);
    }
};

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
