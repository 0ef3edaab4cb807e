#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#include "app/profile.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/maps/updatedisk.h"
#include "archive/widgets/creadischi.h"
#include "support/files.h"
#include "support/filesizelimit.h"
#include "support/scriptedsink.h"

namespace {

QStringList filesBelow(const QString &root)
{
    QStringList out;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

// A stick that fails one kind of operation on paths containing `where`, and
// may be mounted elsewhere each time it is looked for (the last target stays).
class FakeDisk : public UpdateDiskDrive {
public:
    enum Op { None, Copy, Write, Remove, MakeFolder } op = None;
    QString where;
    int error = 0;
    QStringList copied, targets;
    QTimer *watchdog = nullptr;
    bool watchdogRanDuringCopy = false;
    bool hits(Op o, const QString &path) const { return op == o && path.contains(where); }
    QString targetRoot(const QString &) override { return targets.size() > 1 ? targets.takeFirst() : targets.first(); }
    int copyFile(const QString &s, const QString &t) override
    {
        watchdogRanDuringCopy |= watchdog && watchdog->isActive();
        copied << QFileInfo(t).fileName();
        return hits(Copy, t) ? error : FolderFiles::copyFile(s, t);
    }
    int writeFile(const QString &p, const QByteArray &d) override
    {
        return hits(Write, p) ? error : FolderFiles::writeFile(p, d);
    }
    int removeFile(const QString &p) override { return hits(Remove, p) ? error : FolderFiles::removeFile(p); }
    int makeFolder(const QString &p) override { return hits(MakeFolder, p) ? error : FolderFiles::makeFolder(p); }
};

// List rows: FIAT, LANCIA-Y, OPEL. FIAT's maps lie in a folder "fiat" and its
// third record names no petrol ECU; OPEL has no valve count.
struct Fixture {
    QTemporaryDir tmp;
    QString app = tmp.filePath("Kal");
    QString stick = tmp.filePath("stick");
    MapArchive maps;
    FakeDisk disk;
    FrameState frame;
    ScriptedSink sink;
    Fixture()
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = app;
        disk.targets = {stick};
        QVERIFY(QDir().mkpath(stick) && OpenMapArchive(maps, app));
        const QList<MapRecord> records{
            {"FIAT", QString::fromUtf8("Cinquecento 1.2 è"), "4", 0, 1, QString("IAW 59F").leftJustified(40)},
            {"OPEL", "Corsa", QString(), 2, 1, "Simtec"},
            {"FIAT", "altra", "6", 1, 2, "ME7.3.1"},
            {"LANCIA-Y", "Ypsilon", "4", 0, 1, "X"},
            {"FIAT", "terza", "4", 0, 3, QString()},
        };
        for (const MapRecord &r : records)
            QCOMPARE(maps.add(r), Catalogue::Result::Ok);
        for (const char *map : {"fiat/CENTRAL1/C_GPL02.R42", "fiat/CENTRAL2/C_META02.R42", "fiat/CENTRAL3/C_GPL02.R42",
                                "OPEL/CENTRAL1/C_GPL02.R42"})
            QVERIFY(WriteFile(app + "/FILER42/AUTOADATT/" + map, QByteArray("S0 ") + map));
    }
    bool build(const QList<int> &rows)
    {
        const QStringList lines = FillModelList(maps);
        QStringList chosen;
        for (int r : rows)
            chosen << lines[r];
        return BuildUpdateDisk(app, PlanUpdateDisk(maps, chosen, 1), disk);
    }
    QString staging() const { return UpdateDiskStaging(app); }
    QString text(int id) const { return Testo(frame.id(id)); }
    QString insertDisk(const QString &target) const
    {
        return text(236) + '\n' + text(TextId::UpdateDiskDestination).arg(QDir::toNativeSeparators(target));
    }
    bool holdsOpel(const QString &root) const
    {
        return QFileInfo::exists(root + "/AUTOADATT/OPEL/CENTRAL1/C_GPL02.R42");
    }
    // Runs the dialog on the chosen rows; returns the target it showed at the end.
    QString create(const QList<int> &rows)
    {
        maps.close();
        CreaDischi dlg(frame, sink, nullptr, disk.watchdog, &disk);
        for (int r : rows)
            dlg.ListaModelli()->item(r)->setSelected(true);
        QTest::keyClick(dlg.ListaModelli(), Qt::Key_F1);
        return dlg.Destinazione()->text();
    }
};

}   // namespace

class TestUpdateDisk : public QObject {
    Q_OBJECT
private slots:
    void stagingHoldsIndexAndMapsOfTheSelectedModels()
    {
        Fixture f;
        QVERIFY(WriteFile(f.staging() + "/OLD/leftover", "from the run before"));
        QVERIFY(f.build({0, 1, 2}));
        QCOMPARE(ReadFile(f.staging() + "/AUTOADATT.DAT"),
                 "INIZIO              : TEMPOR\r\n"
                 "MARCA               : AUTOADATT\r\n"
                 "MODELLO             : FIAT\r\n"
                 "DESCRIZIONE_MODELLO : Cinquecento 1.2 \xe8\r\n"
                 "VALVOLE_DA_MONTARE  : 4\r\n"
                 "VERSIONE_CENTR_BENZ : 1\r\n"
                 "TIPO_IMPIANTO       : G\r\n"
                 "CENTRALINA_BENZINA  : IAW 59F                                 \r\n"
                 "VERSIONE_CENTR_BENZ : 2\r\n"
                 "TIPO_IMPIANTO       : M\r\n"
                 "CENTRALINA_BENZINA  : ME7.3.1\r\n"
                 "END\r\n"
                 "\r\n"
                 "INIZIO              : TEMPOR\r\n"
                 "MARCA               : AUTOADATT\r\n"
                 "MODELLO             : OPEL\r\n"
                 "DESCRIZIONE_MODELLO : Corsa\r\n"
                 "VALVOLE_DA_MONTARE  : 1\r\n"
                 "VERSIONE_CENTR_BENZ : 1\r\n"
                 "TIPO_IMPIANTO       : E\r\n"
                 "CENTRALINA_BENZINA  : Simtec\r\n"
                 "END\r\n"
                 "\r\n");
        QCOMPARE(filesBelow(f.staging()),
                 QStringList({"AUTOADATT.DAT", "AUTOADATT/FIAT/CENTRAL1/C_GPL02.R42",
                              "AUTOADATT/FIAT/CENTRAL2/C_META02.R42", "AUTOADATT/OPEL/CENTRAL1/C_GPL02.R42"}));
        QCOMPARE(ReadFile(f.staging() + "/AUTOADATT/FIAT/CENTRAL2/C_META02.R42"), "S0 fiat/CENTRAL2/C_META02.R42");
    }

    void failedBuildLeavesNoStaging()
    {
        Fixture f;
        f.disk.op = FakeDisk::Copy;
        f.disk.where = "CENTRAL2";
        f.disk.error = ENOSPC;
        f.create({0});
        QCOMPARE(f.sink.texts, QStringList{f.text(237)});
        QVERIFY(!QFileInfo::exists(f.staging()));
    }

    // The old update goes, the rest of the stick stays, the index is copied last.
    void copyReplacesTheDisksOldUpdate()
    {
        Fixture f;
        QTimer watchdog;
        watchdog.start(60000);
        f.disk.watchdog = &watchdog;
        QVERIFY(WriteFile(f.stick + "/AUTOADATT.DAT", "old index"));
        QVERIFY(WriteFile(f.stick + "/AUTOADATT/ALFA/CENTRAL1/C_GPL02.R42", "old map"));
        QVERIFY(WriteFile(f.stick + "/photos/keep.jpg", "k"));
        f.create({});
        QVERIFY(f.create({2}).endsWith(QDir::toNativeSeparators(f.stick)));
        QCOMPARE(f.sink.texts, QStringList({f.text(235), f.insertDisk(f.stick), f.text(238)}));
        QCOMPARE(f.sink.flags.value(1), kIconInformation | kButtonsOkCancel);
        QCOMPARE(filesBelow(f.stick),
                 QStringList({"AUTOADATT.DAT", "AUTOADATT/OPEL/CENTRAL1/C_GPL02.R42", "photos/keep.jpg"}));
        QCOMPARE(ReadFile(f.stick + "/AUTOADATT.DAT"), ReadFile(f.staging() + "/AUTOADATT.DAT"));
        QCOMPARE(f.disk.copied.last(), QStringLiteral("AUTOADATT.DAT"));
        QVERIFY(!f.disk.watchdogRanDuringCopy && watchdog.isActive());
    }

    void failingDiskGivesCodeAndText_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("text");
        QTest::newRow("read-only, old index stays")
            << int(FakeDisk::Remove) << "stick/AUTOADATT.DAT" << EROFS << 99 << 333;
        QTest::newRow("read-only, no folder") << int(FakeDisk::MakeFolder) << "stick/AUTOADATT" << EACCES << 70 << 333;
        QTest::newRow("full") << int(FakeDisk::Copy) << "stick/AUTOADATT/" << ENOSPC << 61 << 330;
        QTest::newRow("pulled") << int(FakeDisk::Copy) << "stick/AUTOADATT.DAT" << EIO << 71 << 334;
        QTest::newRow("other") << int(FakeDisk::Copy) << "stick/AUTOADATT.DAT" << ENAMETOOLONG << 100 << 335;
        QTest::newRow("nothing mounted") << int(FakeDisk::None) << "" << 0 << 71 << 334;
    }
    void failingDiskGivesCodeAndText()
    {
        Fixture f;
        QVERIFY(f.build({2}));
        QVERIFY(WriteFile(f.stick + "/AUTOADATT.DAT", "old index"));
        QFETCH(int, op);
        QFETCH(QString, where);
        QFETCH(int, error);
        f.disk.op = FakeDisk::Op(op);
        f.disk.where = where;
        f.disk.error = error;
        const UpdateDiskCopy copy =
            CopyUpdateDisk(f.app, op == FakeDisk::None ? f.stick + "/unmounted" : f.stick, f.disk);
        QTEST(int(copy.result), "code");
        QTEST(copy.textId, "text");
        QVERIFY(ReadFile(f.stick + "/AUTOADATT.DAT") != ReadFile(f.staging() + "/AUTOADATT.DAT"));
    }

    void retryAfterTheCauseIsRemoved_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("last");
        QTest::newRow("retry after making room") << int(kAnswerRetry) << 238;
        QTest::newRow("cancel") << int(kAnswerCancel) << 237;
    }
    void retryAfterTheCauseIsRemoved()
    {
        QFETCH(int, answer);
        Fixture f;
        f.disk.op = FakeDisk::Copy;
        f.disk.where = "stick";
        f.disk.error = ENOSPC;
        f.sink.answers = {kAnswerOk, answer};
        f.sink.onMessage = [&] { f.disk.op = f.sink.texts.size() >= 2 ? FakeDisk::None : f.disk.op; };
        f.create({0, 2});
        QFETCH(int, last);
        QCOMPARE(f.sink.texts, QStringList({f.insertDisk(f.stick), f.text(330), f.text(last)}));
        QCOMPARE(f.sink.flags.value(1), kIconInformation | kButtonsRetryCancel);
        QCOMPARE(f.holdsOpel(f.stick), answer == kAnswerRetry);
    }

    // A stick plugged in while the question is open is named before anything goes to it;
    // a cancelled run leaves its staging folder to the next run, which rebuilds it.
    void targetIsConfirmedAgainWhenItMoves()
    {
        Fixture f;
        const QString fallback = f.app + "/DISCHETTO";
        QDir().mkpath(fallback);
        f.disk.targets = {fallback, fallback, fallback, fallback, f.stick};
        f.sink.answers = {kAnswerCancel};
        f.create({2});
        QVERIFY(f.holdsOpel(f.staging()) && !f.holdsOpel(fallback));
        QVERIFY(f.create({0}).endsWith(QDir::toNativeSeparators(f.stick)));
        QCOMPARE(f.sink.texts,
                 QStringList({f.insertDisk(fallback), f.insertDisk(fallback), f.insertDisk(f.stick), f.text(238)}));
        QVERIFY(!f.holdsOpel(f.staging()) && !f.holdsOpel(f.stick));
        QVERIFY(QFileInfo::exists(f.stick + "/AUTOADATT/FIAT") && !QFileInfo::exists(fallback + "/AUTOADATT.DAT"));
    }

    // A disk filling up mid-file leaves neither the file nor its side copy.
    void fileCutShortNeverTakesTheRealName()
    {
        Fixture f;
        QVERIFY(WriteFile(f.app + "/FILER42/AUTOADATT/OPEL/CENTRAL1/C_GPL02.R42", QByteArray(300 * 1024, 'S')));
        QVERIFY(f.build({2}));
        const UpdateDiskCopy copy = [&] {
            const FileSizeLimit limit(100 * 1024);
            return CopyUpdateDisk(f.app, f.stick, f.disk);
        }();
        QCOMPARE(copy.result, FolderCopyResult::OtherFailure);
        QCOMPARE(filesBelow(f.stick), QStringList());
    }

    void targetRoot_data()
    {
        QTest::addColumn<QString>("key");   // "-": no key in KALIBRON.INI
        QTest::addColumn<QStringList>("removable");
        QTest::addColumn<QString>("target");   // "@": the temporary folder
        QTest::newRow("named folder wins over a stick") << "@/usb" << QStringList{"/media/k/STICK"} << "@/usb";
        QTest::newRow("named relative to the program") << "disk/" << QStringList{} << "@/Kal/disk";
        QTest::newRow("first stick") << "-" << QStringList{"/media/k/A", "/media/k/B"} << "/media/k/A";
        QTest::newRow("empty key, no stick") << "" << QStringList{} << "@/Kal/DISCHETTO";
    }
    void targetRoot()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, removable);
        QFETCH(QString, target);
        QTemporaryDir tmp;
        const QString app = tmp.filePath("Kal");
        QVERIFY(QDir().mkpath(app));
        if (key != "-")
            QVERIFY(Profile::write(app + "/KALIBRON.INI", "IMPOSTAZIONI", "DiscoAggiornamento",
                                   key.replace('@', tmp.path())));
        target.replace('@', tmp.path());
        QCOMPARE(UpdateDiskTarget(app, removable), target);
        QVERIFY(!target.endsWith("DISCHETTO") || QFileInfo(target).isDir());
    }
};

QTEST_MAIN(TestUpdateDisk)
#include "tst_updatedisk.moc"
