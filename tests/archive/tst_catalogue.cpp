#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/maps/maparchive.h"
#include "support/files.h"
#include "support/scriptedsink.h"

namespace {

QStringList keptCopies(const QString &folder, const QString &base)
{
    return QDir(folder).entryList({base + QStringLiteral("-damaged-*.MDB")}, QDir::Files);
}

using Ok = Catalogue::Result;

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
        QVERIFY(QFileInfo(app.filePath(QStringLiteral("DIR_DATI/ARCHDATI.MDB"))).isFile());
        for (int length : {size, size + 1}) {
            AcquisitionRecord r{QStringLiteral("M%1").arg(length), QStringLiteral("D"),
                                QStringLiteral("F%1").arg(length), QString()};
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
        QTest::newRow("model lower case") << "fiat"
                                          << "PROVA1" << true;
        QTest::newRow("both padded to width") << "FIAT        "
                                              << "PROVA1      " << true;
        QTest::newRow("file lower case, blank") << "Fiat"
                                                << "prova1 " << true;
        QTest::newRow("other file") << "FIAT"
                                    << "PROVA2" << false;
        QTest::newRow("other model") << "FIAT2"
                                     << "PROVA1" << false;
        QTest::newRow("leading blank is a different name") << " FIAT"
                                                           << "PROVA1" << false;
    }
    void acquisitionKeys_ignoreCaseAndTrailingBlanks()
    {
        QFETCH(QString, model);
        QFETCH(QString, file);
        QFETCH(bool, duplicate);
        QTemporaryDir app;
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QCOMPARE(a.add({QStringLiteral("FIAT "), QStringLiteral("Punto"), QStringLiteral("PROVA1"), QString()}),
                 Ok::Ok);
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
        QCOMPARE(m.add({QStringLiteral("GOLF"), QStringLiteral("Golf IV"), QStringLiteral("4"), 0, 1, QString()}),
                 Ok::Ok);
        QCOMPARE(m.add({QString::fromUtf8("ŻUK "), QStringLiteral("Van"), QStringLiteral("4"), 1, 2, QString()}),
                 Ok::Ok);
        QCOMPARE(
            m.add({model, QStringLiteral("New"), QStringLiteral("6"), qint16(impianto), qint16(version), QString()}),
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
            QCOMPARE(m.add({QLatin1String(model), QStringLiteral("d"), QStringLiteral("4"), 0, 1, QString()}), Ok::Ok);
        QCOMPARE(m.add({QStringLiteral("GOLF"), QStringLiteral("d"), QStringLiteral("4"), 0, 2, QString()}), Ok::Ok);
        QCOMPARE(m.update(QStringLiteral("golf"), 1, 0,
                          {QStringLiteral("GOLF"), QStringLiteral("Golf V"), QStringLiteral("6"), 0, 1, QString()}),
                 Ok::Ok);
        QCOMPARE(m.find(QStringLiteral("Golf "), 1, 0)->DESC_MODELLO, QStringLiteral("Golf V"));
        // Moving a record onto another's key is refused like an insert.
        QCOMPARE(
            m.update(QStringLiteral("GOLF"), 1, 0, {QStringLiteral("golf"), QString(), QString(), 0, 2, QString()}),
            Ok::Duplicate);
        QCOMPARE(
            m.update(QStringLiteral("NONE"), 1, 0, {QStringLiteral("NONE"), QString(), QString(), 0, 1, QString()}),
            Ok::NotFound);
        QCOMPARE(m.records(QStringLiteral("gOlF")).size(), 2);
        QCOMPARE(m.remove(QStringLiteral("golf  "), 2, 0), Ok::Ok);
        QCOMPARE(m.remove(QStringLiteral("golf"), 2, 0), Ok::NotFound);
        QCOMPARE(m.models(), (QStringList{QStringLiteral("GOLF"), QStringLiteral("POLO")}));

        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QCOMPARE(a.add({QStringLiteral("fiat"), QStringLiteral("d"), QStringLiteral("P1"), QStringLiteral("note")}),
                 Ok::Ok);
        QCOMPARE(a.update(QStringLiteral("FIAT"), QStringLiteral("p1 "),
                          {QStringLiteral("fiat"), QStringLiteral("d"), QStringLiteral("P1"), QStringLiteral("more")}),
                 Ok::Ok);
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
            QCOMPARE(m.add({QLatin1String(model), *desc ? QLatin1String(desc) : QString(), QStringLiteral("4"), 0,
                            qint16(v), QString()}),
                     Ok::Ok);
        QCOMPARE(FillModelList(m), (QStringList{"ABCDEFGHIJKL - ", "ALFA         - Alfa 147", "FIAT         - Punto",
                                                "ZETA         - Z"}));

        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        for (const auto &[model, file] :
             {std::pair{"FIAT        ", "PROVA2      "}, {"alfa", "A"}, {"fiat", "PROVA1"}, {"FIAT", ""}})
            QCOMPARE(
                a.add({QLatin1String(model), QStringLiteral("d"), *file ? QLatin1String(file) : QString(), QString()}),
                Ok::Ok);
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
        QFETCH(QStringList, expected);
        QTemporaryDir app;
        const QString folder =
            app.filePath(maps ? QStringLiteral("FILER42") : QStringLiteral("DIR_DATI")) + QLatin1Char('/');
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
            QCOMPARE(maps ? FillModelList(m) : FillAcquisitionList(a, nullptr), expected);
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
        QVERIFY(OpenMapArchive(m, app.path(), {&frame, &sink}));
        QVERIFY(sink.texts.isEmpty());
        QVERIFY(keptCopies(app.filePath(QStringLiteral("FILER42")), QStringLiteral("ARCHR42")).isEmpty());
        QCOMPARE(m.add({QStringLiteral("A"), QString(), QString(), 0, 1, QString()}), Ok::Ok);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
