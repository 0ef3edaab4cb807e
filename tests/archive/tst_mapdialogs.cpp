// The map dialogs: saving a map (SalvoNIV) and writing an update disk (CreaDischi).
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <cerrno>

#include "app/profile.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/maps/srecord.h"
#include "archive/maps/updatedisk.h"
#include "archive/widgets/creadischi.h"
#include "archive/widgets/salvoniv.h"
#include "mapimage.h"
#include "support/files.h"
#include "support/filesizelimit.h"
#include "support/scriptedsink.h"
#include "ui/common/pictures.h"

namespace {

// Fails at one step: 6 the catalogue row, 7 the version folder, 8 the map half written, 9 the map put in place.
struct Disk : MapSaveFiles {
    int step = 0;
    Catalogue::Result writeRecord(MapArchive &a, const std::optional<MapRecord> &o, const MapRecord &r) override
    {
        return step == 6 ? Catalogue::Result::Failed : MapSaveFiles::writeRecord(a, o, r);
    }
    int makeFolder(const QString &p) override
    {
        return step == 7 && p.contains("CENTRAL") ? EACCES : MapSaveFiles::makeFolder(p);
    }
    int writeFile(const QString &p, const QByteArray &b) override
    {
        return step == 8 ? (MapSaveFiles::writeFile(p, b.left(100)), ENOSPC) : MapSaveFiles::writeFile(p, b);
    }
    int rename(const QString &f, const QString &t) override { return step == 9 ? EIO : MapSaveFiles::rename(f, t); }
};

struct Rig {
    QTemporaryDir dir;
    FrameState frame;
    QTimer watchdog;
    ScriptedSink sink;
    Disk disk;
    MapSaveSource source{true, 2, 1, "ABCDEFGHI", QDate(2024, 5, 6)};
    bool watchdogStill = false;   // the watchdog was stopped while a message was up
    Rig()
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = dir.path();
        image(0), watchdog.start(60000);
        sink.onMessage = [this] { watchdogStill = !watchdog.isActive(); };
    }
    void image(int seed, int lines = 2900) { QVERIFY(WriteTestImage(dir.filePath("LETTURA.PRG"), lines, seed)); }
    QString map(int v) const { return dir.filePath(QString("FILER42/AUTOADATT/Fiat/CENTRAL%1/C_META02.R42").arg(v)); }
    QByteArray converted() const
    {
        return ConvertImageToProductFormat(dir.filePath("LETTURA.PRG"), source.versioneSoftware, source.today).value();
    }
    // The map tree, each file with a digest of what it holds.
    QStringList tree() const
    {
        const QString root = dir.filePath("FILER42/AUTOADATT");
        QStringList out{QString::number(QFileInfo::exists(root))};
        for (QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
             it.hasNext();) {
            QFile f(it.next());
            out << it.filePath() + (f.open(QIODevice::ReadOnly) ? QString::number(qHash(f.readAll())) : "");
        }
        out.sort();
        return out;
    }
    QStringList rows() const
    {
        MapArchive a;
        QStringList out;
        for (const MapRecord &r : a.open(dir.path()) ? a.records() : QList<MapRecord>())
            out << QString("%1/%2/%3/%4/%5/%6")
                       .arg(r.MODELLO)
                       .arg(r.V_CENTR)
                       .arg(r.IMPIANTO)
                       .arg(r.DESC_MODELLO.trimmed(), r.VALVOLE, r.C_BENZINA.trimmed());
        return out;
    }
};

void showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

void chooseVersion(SalvoNIV &d, int version)
{
    d.VerCentr()->setCurrentIndex(version - 1);
    emit d.VerCentr()->activated(version - 1);
}

// As the fitter fills the form: the model left first, its proposals before the rest.
void fill(SalvoNIV &d, const QString &model, const QString &desc, int version, const QString &petrol)
{
    d.DatiDAT(0)->setFocus();
    d.DatiDAT(0)->setText(model);
    d.DatiDAT(1)->setFocus();
    d.DatiDAT(1)->setText(desc);
    chooseVersion(d, version);
    d.DatiDAT(3)->setText(petrol);
}

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

class TstMapDialogs : public QObject {
    Q_OBJECT
private slots:
    void keysAndEnterFollowTheForm()
    {
        Rig rig;
        SalvoNIV d(rig.frame, rig.source, rig.sink, nullptr);
        showActive(d);
        const QList<QWidget *> chain{d.ListaModelli(), d.DatiDAT(0), d.DatiDAT(1),
                                     d.VerCentr(),     d.DatiDAT(3), d.Salva()};
        const QStringList typed{"", "fi at-1._", "Punto 1.2-16v", "", ""};
        d.ListaModelli()->setFocus();
        for (int i = 0; i + 1 < chain.size(); ++i) {
            QTest::keyClicks(chain[i], typed[i]);
            if (chain[i] == d.VerCentr())
                QTest::keyClick(chain[i], Qt::Key_Down);
            QTest::keyClick(chain[i], Qt::Key_Return);
            QCOMPARE(d.focusWidget(), chain[i + 1]);
        }
        const QStringList shown{d.DatiDAT(0)->text(), d.DatiDAT(1)->text(), d.DatiDAT(2)->text(),
                                d.TipoImp()->currentText(), d.VerCentr()->currentText()};
        QCOMPARE(shown, QStringList({"fiat1._     ", QString("Punto1.2-16v").leftJustified(41), "2", "METANO", "1"}));
        d.TipoImp()->setFocus();
        QTest::keyClick(d.TipoImp(), Qt::Key_Return);
        QCOMPARE(d.focusWidget(), d.Salva());
        d.DatiDAT(1)->setFocus();
        QCOMPARE(d.DatiDAT(1)->text(), QString("Punto1.2-16v"));
    }

    void sameKeyEditsOtherVersionAdds()
    {
        Rig rig;
        QVERIFY(QDir().mkpath(rig.dir.filePath("FILER42/AUTOADATT/Fiat")));   // the model's, in other case
        {
            SalvoNIV d(rig.frame, rig.source, rig.sink, &rig.watchdog);
            showActive(d);
            fill(d, "FIAT", "Punto", 1, "IAW");
            QTest::keyClick(d.DatiDAT(3), Qt::Key_F1);
            QVERIFY(rig.watchdogStill && rig.watchdog.isActive());
            rig.image(1);
            QTest::keyClick(d.DatiDAT(3), Qt::Key_F1);
            QCOMPARE(ReadFile(rig.map(1)), rig.converted());
            chooseVersion(d, 2);
            d.DatiDAT(3)->setText("Bosch");
            QTest::keyClick(d.DatiDAT(3), Qt::Key_F1);
            QCOMPARE(rig.sink.texts, QStringList(3, Testo(225)));
            QCOMPARE(d.DatiDAT(0)->text() + d.DatiDAT(1)->text().trimmed(), QString("FIAT        Punto"));
            QCOMPARE(d.ListaModelli()->count(), 1);
            QCOMPARE(d.ListaModelli()->item(0)->text(), "FIAT         - " + QString("Punto").leftJustified(41));
        }
        QCOMPARE(rig.rows(), (QStringList{"FIAT/1/1/Punto/2/IAW", "FIAT/2/1/Punto/2/Bosch"}));
        QCOMPARE(QDir(rig.dir.filePath("FILER42/AUTOADATT")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"Fiat"});
        QCOMPARE(ReadFile(rig.map(2)), rig.converted());
        if (!HaveSrecCat())
            QSKIP("srec_cat is not installed");
        for (int v : {1, 2})
            QCOMPARE(ReadBackWithSrecCat(rig.map(v)), ExpectedMapBytes(2900, 1));
    }

    void stoppedSaveChangesNothing_data()
    {
        QTest::addColumn<int>("spoil");     // -1 none; 0..5 that box left empty; 6 model ".."; 7 image too short
        QTest::addColumn<int>("step");      // where the disk fails: 6 row, 7 folder, 8 map written, 9 map put in place
        QTest::addColumn<bool>("stored");   // the key saved once before
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const char *boxes[] = {"DatiDAT(0)", "DatiDAT(1)", "DatiDAT(2)", "TipoImp", "VerCentr", "DatiDAT(3)"};
        for (int i = 0; i < 6; ++i)
            QTest::newRow(boxes[i]) << i << 0 << false << QString() << QString(boxes[i]);
        QTest::newRow("model ..") << 6 << 0 << false << Testo(386) << "DatiDAT(0)";
        QTest::newRow("short image") << 7 << 0 << true << Testo(224) << "DatiDAT(1)";
        const QString notStored = Testo(385);
        QTest::newRow("row of a new key") << -1 << 6 << false << notStored << "DatiDAT(1)";
        QTest::newRow("row of a stored key") << -1 << 6 << true << notStored << "DatiDAT(1)";
        QTest::newRow("folder") << -1 << 7 << false << notStored + "\n" + Testo(333) << "DatiDAT(1)";
        QTest::newRow("disk full, new") << -1 << 8 << false << notStored + "\n" + Testo(330) << "DatiDAT(1)";
        QTest::newRow("disk full, stored") << -1 << 8 << true << notStored + "\n" + Testo(330) << "DatiDAT(1)";
        QTest::newRow("rename, stored") << -1 << 9 << true << notStored + "\n" + Testo(334) << "DatiDAT(1)";
    }
    void stoppedSaveChangesNothing()
    {
        QFETCH(int, spoil);
        QFETCH(bool, stored);
        QFETCH(QString, message);
        Rig rig;
        {
            SalvoNIV d(rig.frame, rig.source, rig.sink, &rig.watchdog, nullptr, &rig.disk);
            showActive(d);
            fill(d, "Fiat", "Prima", 1, "IAW");
            if (stored)
                QTest::keyClick(&d, Qt::Key_F1);
            const QStringList tree = rig.tree();
            rig.sink.texts.clear();
            rig.sink.beeps = 0;
            rig.image(1);
            QFETCH(int, step);
            rig.disk.step = step;
            d.DatiDAT(1)->setText("Seconda");
            const QList<std::function<void()>> spoils{[&] { d.DatiDAT(0)->clear(); },
                                                      [&] { d.DatiDAT(1)->setText("   "); },
                                                      [&] { d.DatiDAT(2)->clear(); },
                                                      [&] { d.TipoImp()->setCurrentIndex(-1); },
                                                      [&] { d.VerCentr()->setCurrentIndex(-1); },
                                                      [&] { d.DatiDAT(3)->clear(); },
                                                      [&] { d.DatiDAT(0)->setText(".."); },
                                                      [&] { rig.image(0, kProductMinLines - 1); }};
            if (spoil >= 0)
                spoils[spoil]();
            if (spoil >= 0 && spoil < 5)
                spoils[5]();   // a later empty box does not come first
            QTest::keyClick(&d, Qt::Key_F1);
            QCOMPARE(rig.sink.beeps, 1);
            QCOMPARE(rig.sink.texts, message.isEmpty() ? QStringList() : QStringList{message});
            QTEST(d.focusWidget()->objectName(), "focus");
            QCOMPARE(rig.tree(), tree);
            QVERIFY(rig.watchdog.isActive());
        }
        QCOMPARE(rig.rows(), stored ? QStringList{"Fiat/1/1/Prima/2/IAW"} : QStringList());
    }

    void proposalsFromImageAndCatalogue_data()
    {
        QTest::addColumn<int>("valves");
        QTest::addColumn<int>("plant");
        QTest::addColumn<QString>("petrol");   // of version 2
        QTest::newRow("2 valves, GPL: none") << 2 << 0 << "";
        QTest::newRow("1 valve, METANO: stored in other case") << 1 << 1 << "Bosch";
    }
    void proposalsFromImageAndCatalogue()
    {
        QFETCH(int, valves);
        QFETCH(int, plant);
        Rig rig;
        {
            MapArchive a;
            QVERIFY(a.open(rig.dir.path()));
            for (const MapRecord &r :
                 {MapRecord{"FIAT", "Descr FIAT", "1", 0, 1, "IAW"}, MapRecord{"fiat", "Altra", "2", 1, 2, "Bosch"},
                  MapRecord{"ALFA", "", "1", 0, 1, ""}})
                QCOMPARE(a.add(r), Catalogue::Result::Ok);
        }
        rig.source.defaultValves = valves;
        rig.source.defaultPlantType = plant;
        SalvoNIV d(rig.frame, rig.source, rig.sink, nullptr);
        showActive(d);
        d.DatiDAT(3)->setText("typed");
        d.VerCentr()->setCurrentIndex(2);
        QListWidget *l = d.ListaModelli();
        QCOMPARE(l->count(), 2);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(1)).center());
        const QStringList shown{d.DatiDAT(0)->text(),
                                d.DatiDAT(1)->text(),
                                d.DatiDAT(2)->text(),
                                QString::number(d.TipoImp()->currentIndex()),
                                QString::number(d.VerCentr()->currentIndex()),
                                d.DatiDAT(3)->text()};
        QCOMPARE(shown, QStringList(
                            {"FIAT        ", "Descr FIAT", QString::number(valves), QString::number(plant), "-1", ""}));
        chooseVersion(d, 2);
        QTEST(d.DatiDAT(3)->text(), "petrol");
        rig.source.ecuReady = false;
        QVERIFY(!SalvoNIV(rig.frame, rig.source, rig.sink, nullptr).Salva()->isEnabled());
    }

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

QTEST_MAIN(TstMapDialogs)
#include "tst_mapdialogs.moc"
