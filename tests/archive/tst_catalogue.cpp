#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/maps/maparchive.h"

namespace {

struct RecordingSink : MessageSink {
    QStringList texts, titles;
    int beeps = 0;
    int showMessage(const QString &text, int, const QString &title, int) override
    {
        texts << text;
        titles << title;
        return kAnswerOk;
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override { ++beeps; }
};

// A connection of its own on a closed catalogue, to look at what is on disk.
struct RawDb {
    QString name = QStringLiteral("raw_%1").arg(quintptr(this));
    QSqlDatabase db;
    explicit RawDb(const QString &file, const QString &options = QString())
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(options);
        db.open();
    }
    ~RawDb()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QList<QStringList> query(const QString &sql)
    {
        QList<QStringList> out;
        QSqlQuery q(db);
        if (!q.exec(sql))
            return out;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i).toString();
            out << row;
        }
        return out;
    }
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList keptCopies(const QString &folder, const QString &base)
{
    return QDir(folder).entryList({base + QStringLiteral("-damaged-*.MDB")}, QDir::Files);
}

QByteArray garbage(int size)
{
    QByteArray b;
    quint32 x = 12345;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b.append(char(x >> 16));
    }
    return b;
}

using Pairs = QList<QPair<QString, QString>>;

Pairs acquisitionKeys(const AcquisitionArchive &a)
{
    Pairs out;
    for (const AcquisitionRecord &r : a.records())
        out << qMakePair(r.MODELLO, r.FILE);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void firstUse_createsFolderAndSchema_data()
    {
        QTest::addColumn<bool>("maps");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");      // name:declared type, in creation order
        QTest::addColumn<QStringList>("indexes");     // name:unique:columns
        QTest::newRow("maps") << true << "FILER42/ARCHR42.MDB" << "TABR42"
                              << QStringList{"MODELLO:VARCHAR(12)", "DESC_MODELLO:VARCHAR(41)", "VALVOLE:VARCHAR(4)",
                                             "IMPIANTO:SMALLINT", "V_CENTR:SMALLINT", "C_BENZINA:VARCHAR(40)"}
                              << QStringList{"PER_MOD:0:MODELLO_KEY", "PER_DESCM:0:MODELLO_KEY,DESC_MODELLO",
                                             "PER_CENTR:1:MODELLO_KEY,V_CENTR,IMPIANTO"};
        QTest::newRow("acquisitions") << false << "DIR_DATI/ARCHDATI.MDB" << "TABDATI"
                                      << QStringList{"MODELLO:VARCHAR(12)", "DESC_MODELLO:VARCHAR(41)",
                                                     "FILE:VARCHAR(12)", "NOTE:TEXT"}
                                      << QStringList{"PER_MOD:0:MODELLO_KEY", "PER_MODF:1:MODELLO_KEY,FILE_KEY"};
    }
    void firstUse_createsFolderAndSchema()
    {
        QFETCH(bool, maps);
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, indexes);
        QTemporaryDir app;
        {
            MapArchive m;
            AcquisitionArchive a;
            QVERIFY(maps ? OpenMapArchive(m, app.path()) : OpenAcquisitionArchive(a, app.path()));
            QVERIFY(maps ? FillModelList(m).isEmpty() : FillAcquisitionList(a, nullptr).isEmpty());
        }
        QVERIFY(QFileInfo(app.filePath(file)).isFile());
        RawDb raw(app.filePath(file));
        QStringList got;
        for (const QStringList &c : raw.query(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            got << c[1] + QLatin1Char(':') + c[2];
        QCOMPARE(got.mid(0, fields.size()), fields);
        QStringList gotIndexes;
        for (const QStringList &i : raw.query(QStringLiteral("PRAGMA index_list(%1)").arg(table))) {
            QStringList cols;
            for (const QStringList &c : raw.query(QStringLiteral("PRAGMA index_info(%1)").arg(i[1])))
                cols << c[2];
            gotIndexes << i[1] + QLatin1Char(':') + i[2] + QLatin1Char(':') + cols.join(QLatin1Char(','));
        }
        gotIndexes.sort();
        indexes.sort();
        QCOMPARE(gotIndexes, indexes);
    }

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
            AcquisitionRecord r{QStringLiteral("M%1").arg(length), QStringLiteral("D"), QStringLiteral("F%1").arg(length), QString()};
            QString *target = field == 0 ? &r.MODELLO : field == 1 ? &r.DESC_MODELLO : &r.FILE;
            *target = QString(length, QLatin1Char('X'));
            QCOMPARE(a.add(r), length == size ? Catalogue::Result::Ok : Catalogue::Result::Failed);
        }
        QCOMPARE(a.records().size(), 1);
    }

    void acquisitionKeys_areUniqueWithoutCaseAndTrailingBlanks_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("same") << "FIAT" << "PROVA1" << true;
        QTest::newRow("model lower case") << "fiat" << "PROVA1" << true;
        QTest::newRow("both padded to width") << "FIAT        " << "PROVA1      " << true;
        QTest::newRow("file lower case, blank") << "Fiat" << "prova1 " << true;
        QTest::newRow("other file") << "FIAT" << "PROVA2" << false;
        QTest::newRow("other model") << "FIAT2" << "PROVA1" << false;
        QTest::newRow("leading blank is a different name") << " FIAT" << "PROVA1" << false;
    }
    void acquisitionKeys_areUniqueWithoutCaseAndTrailingBlanks()
    {
        QFETCH(QString, model);
        QFETCH(QString, file);
        QFETCH(bool, duplicate);
        QTemporaryDir app;
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QCOMPARE(a.add({QStringLiteral("FIAT "), QStringLiteral("Punto"), QStringLiteral("PROVA1"), QStringLiteral("n")}),
                 Catalogue::Result::Ok);
        QCOMPARE(a.add({model, QStringLiteral("Other"), file, QString()}),
                 duplicate ? Catalogue::Result::Duplicate : Catalogue::Result::Ok);
        QCOMPARE(a.records().size(), duplicate ? 1 : 2);
        const auto found = a.find(model, file);
        QVERIFY(found.has_value());
        QCOMPARE(found->DESC_MODELLO, duplicate ? QStringLiteral("Punto") : QStringLiteral("Other"));
    }

    void mapKeys_areUniqueWithoutCaseAndTrailingBlanks_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("impianto");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("same") << "GOLF" << 1 << 0 << true;
        QTest::newRow("lower case, padded") << "golf        " << 1 << 0 << true;
        QTest::newRow("polish letters in other case") << QString::fromUtf8("żuk") << 2 << 1 << true;
        QTest::newRow("other version") << "GOLF" << 2 << 0 << false;
        QTest::newRow("methane") << "GOLF" << 1 << 1 << false;
        QTest::newRow("other model") << "POLO" << 1 << 0 << false;
    }
    void mapKeys_areUniqueWithoutCaseAndTrailingBlanks()
    {
        QFETCH(QString, model);
        QFETCH(int, version);
        QFETCH(int, impianto);
        QFETCH(bool, duplicate);
        QTemporaryDir app;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path()));
        QCOMPARE(m.add({QStringLiteral("GOLF"), QStringLiteral("Golf IV"), QStringLiteral("4"), 0, 1, QStringLiteral("ME7")}),
                 Catalogue::Result::Ok);
        QCOMPARE(m.add({QString::fromUtf8("ŻUK "), QStringLiteral("Van"), QStringLiteral("4"), 1, 2, QString()}),
                 Catalogue::Result::Ok);
        QCOMPARE(m.add({model, QStringLiteral("New"), QStringLiteral("6"), qint16(impianto), qint16(version), QString()}),
                 duplicate ? Catalogue::Result::Duplicate : Catalogue::Result::Ok);
        QCOMPARE(m.records().size(), duplicate ? 2 : 3);
        QVERIFY(m.find(model, qint16(version), qint16(impianto)).has_value());
    }

    void changes_findRecordsByTheSameRule()
    {
        QTemporaryDir app;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path()));
        QCOMPARE(m.add({QStringLiteral("GOLF        "), QStringLiteral("Golf"), QStringLiteral("4"), 0, 1, QString()}), Catalogue::Result::Ok);
        QCOMPARE(m.add({QStringLiteral("GOLF"), QStringLiteral("Golf"), QStringLiteral("4"), 0, 2, QString()}), Catalogue::Result::Ok);
        QCOMPARE(m.add({QStringLiteral("POLO"), QStringLiteral("Polo"), QStringLiteral("4"), 0, 1, QString()}), Catalogue::Result::Ok);

        QCOMPARE(m.update(QStringLiteral("golf"), 1, 0, {QStringLiteral("GOLF"), QStringLiteral("Golf V"), QStringLiteral("6"), 0, 1, QStringLiteral("ME7")}),
                 Catalogue::Result::Ok);
        QCOMPARE(m.find(QStringLiteral("Golf "), 1, 0)->DESC_MODELLO, QStringLiteral("Golf V"));
        // Moving a record onto another's key is refused like an insert.
        QCOMPARE(m.update(QStringLiteral("GOLF"), 1, 0, {QStringLiteral("golf"), QStringLiteral("x"), QStringLiteral("6"), 0, 2, QString()}),
                 Catalogue::Result::Duplicate);
        QCOMPARE(m.update(QStringLiteral("NONE"), 1, 0, {QStringLiteral("NONE"), QString(), QString(), 0, 1, QString()}),
                 Catalogue::Result::NotFound);
        QCOMPARE(m.records(QStringLiteral("gOlF")).size(), 2);
        QCOMPARE(m.remove(QStringLiteral("golf  "), 2, 0), Catalogue::Result::Ok);
        QCOMPARE(m.remove(QStringLiteral("golf"), 2, 0), Catalogue::Result::NotFound);
        QCOMPARE(m.models(), (QStringList{QStringLiteral("GOLF"), QStringLiteral("POLO")}));

        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QCOMPARE(a.add({QStringLiteral("fiat"), QStringLiteral("d"), QStringLiteral("P1"), QStringLiteral("note")}), Catalogue::Result::Ok);
        QCOMPARE(a.update(QStringLiteral("FIAT"), QStringLiteral("p1 "), {QStringLiteral("fiat"), QStringLiteral("d2"), QStringLiteral("P1"), QStringLiteral("more")}),
                 Catalogue::Result::Ok);
        QCOMPARE(a.find(QStringLiteral("Fiat"), QStringLiteral("P1"))->NOTE, QStringLiteral("more"));
        QCOMPARE(a.remove(QStringLiteral("FIAT "), QStringLiteral("P1")), Catalogue::Result::Ok);
        QVERIFY(a.records().isEmpty());
    }

    void modelList_hasOneLinePerModel_data()
    {
        QTest::addColumn<QStringList>("records");   // model|description|version
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("case and trailing blank give one line")
            << QStringList{"FIAT |Punto|1", "fiat|Uno|2"} << QStringList{"FIAT         - Punto"};
        QTest::newRow("sorted by model, first record's description")
            << QStringList{"ZETA|Z|1", "ALFA|Alfa 147|2", "alfa|Alfa 156|1"}
            << QStringList{"ALFA         - Alfa 147", "ZETA         - Z"};
        QTest::newRow("twelve characters fill the column")
            << QStringList{"ABCDEFGHIJKL|Long|1"} << QStringList{"ABCDEFGHIJKL - Long"};
        QTest::newRow("no description") << QStringList{"BMW|~|1"} << QStringList{"BMW          - "};
    }
    void modelList_hasOneLinePerModel()
    {
        QFETCH(QStringList, records);
        QFETCH(QStringList, lines);
        QTemporaryDir app;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path()));
        for (const QString &r : records) {
            const QStringList f = r.split(QLatin1Char('|'));
            const QString desc = f[1] == QLatin1String("~") ? QString() : f[1];
            QCOMPARE(m.add({f[0], desc, QStringLiteral("4"), 0, qint16(f[2].toInt()), QString()}), Catalogue::Result::Ok);
        }
        QCOMPARE(FillModelList(m), lines);
    }

    void acquisitionList_hasOneLinePerRecordWithItsFile()
    {
        QTemporaryDir app;
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QCOMPARE(a.add({QStringLiteral("FIAT        "), QStringLiteral("Punto"), QStringLiteral("PROVA2      "), QString()}), Catalogue::Result::Ok);
        QCOMPARE(a.add({QStringLiteral("alfa"), QStringLiteral("147"), QStringLiteral("A"), QString()}), Catalogue::Result::Ok);
        QCOMPARE(a.add({QStringLiteral("fiat"), QStringLiteral("Punto"), QStringLiteral("PROVA1"), QString()}), Catalogue::Result::Ok);
        QCOMPARE(a.add({QStringLiteral("FIAT"), QStringLiteral("no file"), QString(), QString()}), Catalogue::Result::Ok);
        QStringList files;
        const QStringList lines = FillAcquisitionList(a, &files);
        QCOMPARE(lines, (QStringList{"alfa         - 147", "FIAT         - Punto", "fiat         - Punto"}));
        QCOMPARE(files, (QStringList{"A", "PROVA2      ", "PROVA1"}));
    }

    void garbage_isKeptAsideAndRecordsRebuiltFromTheTree_data()
    {
        QTest::addColumn<bool>("maps");
        QTest::addColumn<QStringList>("tree");      // files below the archive folder
        QTest::addColumn<QStringList>("expected");  // FillModelList / FillAcquisitionList lines
        QTest::newRow("acquisitions") << false
                                      << QStringList{"FIAT/PROVA1.DAT", "FIAT/prova2.dat", "alfa/X.DAT", "alfa/NOTES.TXT", "LOOSE.DAT"}
                                      << QStringList{"alfa         - ", "FIAT         - ", "FIAT         - "};
        QTest::newRow("maps") << true
                              << QStringList{"AUTOADATT/Fiat/CENTRAL1/C_GPL02.R42", "AUTOADATT/Fiat/CENTRAL2/C_META02.R42",
                                             "AUTOADATT/bmw/central3/c_gpl02.r42", "AUTOADATT/bmw/CENTRAL3/OTHER.R42",
                                             "AUTOADATT/opel/SPARE/C_GPL02.R42"}
                              << QStringList{"bmw          - ", "Fiat         - "};
    }
    void garbage_isKeptAsideAndRecordsRebuiltFromTheTree()
    {
        QFETCH(bool, maps);
        QFETCH(QStringList, tree);
        QFETCH(QStringList, expected);
        QTemporaryDir app;
        const QString folder = app.filePath(maps ? QStringLiteral("FILER42") : QStringLiteral("DIR_DATI"));
        const QString base = maps ? QStringLiteral("ARCHR42") : QStringLiteral("ARCHDATI");
        const QString catalogue = folder + QLatin1Char('/') + base + QStringLiteral(".MDB");
        const QByteArray damaged = garbage(5000);
        QVERIFY(writeFile(catalogue, damaged));
        for (const QString &f : tree)
            QVERIFY(writeFile(folder + QLatin1Char('/') + f, "x"));

        FrameState frame;
        frame.LinguaCorrente = 3;
        RecordingSink sink;
        MapArchive m;
        AcquisitionArchive a;
        QVERIFY(maps ? OpenMapArchive(m, app.path(), {&frame, &sink}) : OpenAcquisitionArchive(a, app.path(), {&frame, &sink}));
        QCOMPARE(maps ? FillModelList(m) : FillAcquisitionList(a, nullptr), expected);
        if (maps) {
            QVERIFY(m.find(QStringLiteral("FIAT"), 2, 1).has_value());
            QVERIFY(m.find(QStringLiteral("BMW"), 3, 0).has_value());
        } else {
            QVERIFY(a.find(QStringLiteral("fiat"), QStringLiteral("PROVA2")).has_value());
        }

        const QStringList kept = keptCopies(folder, base);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readFile(folder + QLatin1Char('/') + kept[0]), damaged);
        QVERIFY(QRegularExpression(QStringLiteral("^%1-damaged-\\d{8}-\\d{6}\\.MDB$").arg(base)).match(kept[0]).hasMatch());
        QCOMPARE(sink.texts.size(), 1);
        QVERIFY(sink.texts[0].contains(QDir::toNativeSeparators(folder + QLatin1Char('/') + kept[0])));
        QVERIFY(sink.texts[0].contains(QDir::toNativeSeparators(catalogue)));
        QVERIFY(sink.texts[0].startsWith(TestoL(TextId::ArchiveRepaired, 3).section(QStringLiteral("%1"), 0, 0)));
        QCOMPARE(sink.titles[0], TestoL(TextId::TitleWarning, 3));

        // The new catalogue is sound: opening again neither repairs nor tells.
        m.close();
        a.close();
        QVERIFY(maps ? OpenMapArchive(m, app.path(), {&frame, &sink}) : OpenAcquisitionArchive(a, app.path(), {&frame, &sink}));
        QCOMPARE(sink.texts.size(), 1);
        QCOMPARE(keptCopies(folder, base).size(), 1);
        QVERIFY(!QFileInfo::exists(folder + QLatin1Char('/') + base + QStringLiteral(".REP")));
    }

    void truncatedCatalogue_losesNothingReadable_data()
    {
        QTest::addColumn<double>("kept");
        QTest::addColumn<int>("minimumWhole");   // rows of the leaf pages before the cut, with room for index pages
        QTest::newRow("three quarters") << 0.75 << 150;
        QTest::newRow("half") << 0.5 << 75;
        QTest::newRow("first page only") << 0.0 << 0;
    }
    void truncatedCatalogue_losesNothingReadable()
    {
        QFETCH(double, kept);
        QFETCH(int, minimumWhole);
        QTemporaryDir app;
        const QString folder = app.filePath(QStringLiteral("DIR_DATI"));
        const QString catalogue = folder + QStringLiteral("/ARCHDATI.MDB");
        Pairs all;
        {
            AcquisitionArchive a;
            QVERIFY(OpenAcquisitionArchive(a, app.path()));
            for (int i = 0; i < 300; ++i) {
                const AcquisitionRecord r{QStringLiteral("M%1").arg(i % 9), QStringLiteral("Desc %1").arg(i),
                                          QStringLiteral("F%1").arg(i), QStringLiteral("note %1 ").arg(i).repeated(20)};
                QCOMPARE(a.add(r), Catalogue::Result::Ok);
                QVERIFY(writeFile(folder + QLatin1Char('/') + r.MODELLO + QLatin1Char('/') + r.FILE + QStringLiteral(".DAT"), "x"));
                all << qMakePair(r.MODELLO, r.FILE);
            }
        }
        std::sort(all.begin(), all.end());
        QFile f(catalogue);
        const qint64 size = f.size();
        QVERIFY(f.resize(std::max<qint64>(4096, qint64(size * kept) / 4096 * 4096)));
        const QByteArray truncated = readFile(catalogue);

        RecordingSink sink;
        FrameState frame;
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path(), {&frame, &sink}));
        QCOMPARE(sink.texts.size(), 1);
        QCOMPARE(acquisitionKeys(a), all);
        // Salvaged rows are whole; the others come back from the tree, empty.
        int described = 0;
        for (const AcquisitionRecord &r : a.records()) {
            if (r.DESC_MODELLO.isEmpty()) {
                QVERIFY(r.NOTE.isEmpty());
                continue;
            }
            ++described;
            const int n = r.FILE.mid(1).toInt();
            QCOMPARE(r.DESC_MODELLO, QStringLiteral("Desc %1").arg(n));
            QCOMPARE(r.NOTE, QStringLiteral("note %1 ").arg(n).repeated(20));
        }
        QVERIFY2(described >= minimumWhole, qPrintable(QString::number(described)));
        const QStringList copies = keptCopies(folder, QStringLiteral("ARCHDATI"));
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readFile(folder + QLatin1Char('/') + copies[0]), truncated);
    }

    void emptyFile_isAnEmptyCatalogueNotADamagedOne()
    {
        QTemporaryDir app;
        QVERIFY(writeFile(app.filePath(QStringLiteral("FILER42/ARCHR42.MDB")), QByteArray()));
        RecordingSink sink;
        FrameState frame;
        MapArchive m;
        QVERIFY(OpenMapArchive(m, app.path(), {&frame, &sink}));
        QVERIFY(sink.texts.isEmpty());
        QVERIFY(keptCopies(app.filePath(QStringLiteral("FILER42")), QStringLiteral("ARCHR42")).isEmpty());
        QCOMPARE(m.add({QStringLiteral("A"), QString(), QString(), 0, 1, QString()}), Catalogue::Result::Ok);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
