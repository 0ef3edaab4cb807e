#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <cerrno>
#include <optional>

#include "app/texts.h"
#include "archive/widgets/archivedialog.h"
#include "archive/widgets/salvatp.h"
#include "support/filesizelimit.h"
#include "support/scriptedsink.h"
#include "ui/common/pictures.h"

namespace {

enum class Failure { SecondCopy, DataFolder, FileForFolder, DiskFull, CatalogueHeld };

// Fails the n-th copy, or the creation of a folder ending in `failFolder`, with `error`.
class FailingFiles : public BackupFiles {
public:
    int failAtCopy = 0, error = 0, copies = 0;
    FileRole side = FileRole::Destination;
    QString failFolder;
    QTimer *watchdog = nullptr;
    bool watchdogRanDuringCopy = false;

    int createFolderPath(const QString &path) override
    {
        if (!failFolder.isEmpty() && path.endsWith(failFolder))
            return error;
        return BackupFiles::createFolderPath(path);
    }
    int copyFile(const QString &source, const QString &target, FileRole *failed) override
    {
        watchdogRanDuringCopy |= watchdog && watchdog->isActive();
        if (++copies == failAtCopy) {
            *failed = side;
            return error;
        }
        return BackupFiles::copyFile(source, target, failed);
    }
};

// An application folder with three catalogued recordings (FIAT/A, FIAT/B, OPEL/C, in list order)
// and an empty destination folder.
struct Fixture {
    QTemporaryDir tmp;
    QString app = tmp.filePath("Kal");
    QString dest = tmp.filePath("usb");
    FrameState frame;
    ScriptedSink sink;

    Fixture()
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = app;
        QDir().mkpath(dest);
        AcquisitionArchive a;
        OpenAcquisitionArchive(a, app);
        for (const char *mf : {"FIAT/A", "FIAT/B", "OPEL/C"}) {
            const QStringList p = QString::fromLatin1(mf).split('/');
            a.add({FixedText(p[0], 12), FixedText("desc " + p[0], 41), FixedText(p[1], 12), "note " + p[1]});
            writeDat(p[0], p[1], "samples of " + p[1].toLatin1());
        }
    }
    void writeDat(const QString &model, const QString &file, const QByteArray &bytes)
    {
        const QString path = AcquisitionFilePath(app, model, file);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // "MODEL/FILE" of each record of the destination catalogue.
    QStringList backedUp() const
    {
        AcquisitionArchive b(AcquisitionSchema("DIR_DATI", "ACQUISIZ.MDB"));
        QStringList keys;
        if (!b.open(dest))
            return {"unreadable"};
        for (const AcquisitionRecord &r : b.records())
            keys << r.MODELLO.trimmed() + '/' + r.FILE.trimmed();
        return keys;
    }
    QByteArray destDat(const QString &mf) const
    {
        QFile f(dest + "/DIR_DATI/" + mf + ".DAT");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    }
};

void run(SalvatP &dlg, const QString &typed, const QList<int> &rows)
{
    dlg.NomeFileS()->setText(typed);
    for (int r : rows)
        dlg.ElencoEsi()->item(r)->setSelected(true);
    QTest::keyClick(&dlg, Qt::Key_F1);
}

QString text(const Fixture &f, int base)
{
    return Testo(f.frame.id(base));
}

}   // namespace

Q_DECLARE_METATYPE(Failure)

class TstSalvatP : public QObject {
    Q_OBJECT
private slots:
    void backupReplacesCatalogueAndKeepsOlderRecordings()
    {
        Fixture f;
        // An earlier backup: its catalogue goes, its recording stays.
        {
            AcquisitionArchive old(AcquisitionSchema("DIR_DATI", "ACQUISIZ.MDB"));
            QVERIFY(old.open(f.dest));
            old.add({"OLD", "", "Z", ""});
        }
        QDir().mkpath(f.dest + "/DIR_DATI/OLD");
        QFile(f.dest + "/DIR_DATI/OLD/Z.DAT").open(QIODevice::WriteOnly);
        QFile(f.dest + "/DIR_DATI/ACQUISIZ.LDB").open(QIODevice::WriteOnly);

        SalvatP dlg(f.frame, f.sink, nullptr);
        QCOMPARE(dlg.ElencoEsi()->count(), 3);
        QCOMPARE(dlg.NomeFileS()->text(), f.app);
        run(dlg, f.dest + '/', {0, 2});   // a trailing separator still lands in the folder

        QCOMPARE(dlg.Segnalazione()->text(), text(f, 327));
        QCOMPARE(f.backedUp(), QStringList({"FIAT/A", "OPEL/C"}));
        QCOMPARE(f.destDat("FIAT/A"), QByteArray("samples of A"));
        QCOMPARE(f.destDat("OPEL/C"), QByteArray("samples of C"));
        QVERIFY(!QFile::exists(f.dest + "/DIR_DATI/FIAT/B.DAT"));
        QVERIFY(QFile::exists(f.dest + "/DIR_DATI/OLD/Z.DAT"));
        QCOMPARE(QDir(f.dest + "/DIR_DATI").entryList(QDir::Files), QStringList({"ACQUISIZ.MDB"}));   // nothing aside
    }

    void destination_data()
    {
        QTest::addColumn<QString>("typed");   // "APP" stands for the application folder, "DEST" for another
        QTest::addColumn<QString>("used");    // "" refused
        QTest::newRow("application folder") << "APP"
                                            << "";
        QTest::newRow("in other case") << "app"
                                       << "";
        QTest::newRow("with separator") << "APP/"
                                        << "";
        QTest::newRow("through a detour") << "APP/../Kal"
                                          << "";
        QTest::newRow("blank") << "   "
                               << "";
        QTest::newRow("relative") << "usb"
                                  << "";
        QTest::newRow("plain") << "DEST"
                               << "DEST";
        QTest::newRow("trailing separator dropped") << "DEST/"
                                                    << "DEST";
        QTest::newRow("blanks around") << "  DEST  "
                                       << "DEST";
        QTest::newRow("root") << "/"
                              << "/";
    }
    void destination()
    {
        QFETCH(QString, typed);
        QFETCH(QString, used);
        const QString app = "/tmp/w/Kal", dest = "/media/STICK";
        typed.replace("DEST", dest).replace("APP", app).replace("app", app.toLower());
        QCOMPARE(BackupDestination(typed, app), used.replace("DEST", dest));
    }

    void refusedDestinationCopiesNothing()
    {
        Fixture f;
        SalvatP dlg(f.frame, f.sink, nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        run(dlg, f.app.toUpper() + '/', {0});
        QCOMPARE(f.sink.beeps, 1);
        QTRY_VERIFY(dlg.Directory()->hasFocus());
        QVERIFY(dlg.Segnalazione()->text().isEmpty());
        QVERIFY(!QFile::exists(f.app + "/DIR_DATI/DIR_DATI"));
    }

    void nothingToCopy_data()
    {
        QTest::addColumn<bool>("archiveHeld");
        QTest::addColumn<int>("shown");
        QTest::newRow("archive held elsewhere: empty list") << true << 322;
        QTest::newRow("no line selected") << false << 324;
    }
    void nothingToCopy()
    {
        QFETCH(bool, archiveHeld);
        QFETCH(int, shown);
        Fixture f;
        AcquisitionArchive holder;
        if (archiveHeld)
            QVERIFY(OpenAcquisitionArchive(holder, f.app));
        SalvatP dlg(f.frame, f.sink, nullptr);
        QCOMPARE(dlg.Salva()->isEnabled(), !archiveHeld);
        run(dlg, f.dest, {});   // F1 even with Salva greyed
        QCOMPARE(dlg.Segnalazione()->text(), text(f, shown));
        QCOMPARE(f.sink.beeps, 1);
        QVERIFY(!QFile::exists(f.dest + "/DIR_DATI"));
    }

    // Each errno's text is checked with FileErrorTextId; here, that the backup stops and keeps what it copied.
    void fileErrorsStopTheCopyAndKeepWhatWasCopied_data()
    {
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("ofSource");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QStringList>("fiat");   // files in the FIAT folder afterwards
        const QStringList a{"A.DAT"};
        QTest::newRow("ENOSPC") << Failure::SecondCopy << ENOSPC << false << 330 << a;
        QTest::newRow("ENOENT of the destination") << Failure::SecondCopy << ENOENT << false << 335 << a;
        QTest::newRow("ENOENT of the source") << Failure::SecondCopy << ENOENT << true << 336 << a;
        QTest::newRow("read-only destination") << Failure::DataFolder << EROFS << false << 333 << QStringList();
        QTest::newRow("a file where a folder goes")
            << Failure::FileForFolder << 0 << false << 335 << QStringList({"A.DAT", "B.DAT"});
        // EFBIG, the kernel's "too large", not ENOSPC; no half file is left.
        QTest::newRow("disk full") << Failure::DiskFull << 0 << false << 335 << a;
        QTest::newRow("catalogue held elsewhere") << Failure::CatalogueHeld << 0 << false << 328 << QStringList();
    }
    void fileErrorsStopTheCopyAndKeepWhatWasCopied()
    {
        QFETCH(Failure, failure);
        QFETCH(int, error);
        QFETCH(bool, ofSource);
        QFETCH(int, shown);
        QFETCH(QStringList, fiat);
        Fixture f;
        FailingFiles files;
        files.error = error;
        files.side = ofSource ? FileRole::Source : FileRole::Destination;
        if (failure == Failure::SecondCopy)
            files.failAtCopy = 2;
        if (failure == Failure::DataFolder)
            files.failFolder = "/DIR_DATI/";
        if (failure == Failure::FileForFolder) {
            QDir().mkpath(f.dest + "/DIR_DATI");
            QFile(f.dest + "/DIR_DATI/OPEL").open(QIODevice::WriteOnly);
        }
        if (failure == Failure::DiskFull)
            f.writeDat("FIAT", "B", QByteArray(512 * 1024, 'x'));
        AcquisitionArchive holder(AcquisitionSchema("DIR_DATI", "ACQUISIZ.MDB"));
        QVERIFY(failure != Failure::CatalogueHeld || holder.open(f.dest));
        SalvatP dlg(f.frame, f.sink, nullptr, nullptr, &files);
        {
            std::optional<FileSizeLimit> limit;
            if (failure == Failure::DiskFull)
                limit.emplace(256 * 1024);
            run(dlg, f.dest, {0, 1, 2});
        }
        QCOMPARE(dlg.Segnalazione()->text(), text(f, shown));
        QCOMPARE(QDir(f.dest + "/DIR_DATI/FIAT").entryList(QDir::Files), fiat);
        QCOMPARE(f.backedUp().contains("FIAT/A"), !fiat.isEmpty());
        if (!fiat.isEmpty())
            QCOMPARE(f.destDat("FIAT/A"), QByteArray("samples of A"));
        QCOMPARE(f.destDat("OPEL/C"), QByteArray("missing"));
    }

    void missingRecordingIsCataloguedAndReported()
    {
        Fixture f;
        QVERIFY(QFile::remove(AcquisitionFilePath(f.app, "FIAT", "B")));
        SalvatP dlg(f.frame, f.sink, nullptr);
        run(dlg, f.dest, {0, 1, 2});
        QCOMPARE(dlg.Segnalazione()->text(), text(f, 336));
        QCOMPARE(f.backedUp(), QStringList({"FIAT/A", "FIAT/B", "OPEL/C"}));
        QCOMPARE(f.destDat("OPEL/C"), QByteArray("samples of C"));
    }

    void watchdogIsOffDuringTheCopyAndRestored_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("running") << true;
        QTest::newRow("stopped") << false;
    }
    void watchdogIsOffDuringTheCopyAndRestored()
    {
        QFETCH(bool, running);
        Fixture f;
        QTimer watchdog;
        watchdog.setInterval(2000);
        if (running)
            watchdog.start();
        FailingFiles files;
        files.watchdog = &watchdog;
        SalvatP dlg(f.frame, f.sink, &watchdog, nullptr, &files);
        run(dlg, f.dest, {0, 2});
        QCOMPARE(files.copies, 2);
        QVERIFY(!files.watchdogRanDuringCopy);
        QCOMPARE(watchdog.isActive(), running);
    }

    void detailsOfTheClickedLine()
    {
        Fixture f;
        SalvatP dlg(f.frame, f.sink, nullptr);
        dlg.ElencoEsi()->setCurrentRow(2);
        QCOMPARE(dlg.Inf_Scheda(0)->text().trimmed(), QStringLiteral("OPEL"));
        QCOMPARE(dlg.Inf_Scheda(2)->text().trimmed(), QStringLiteral("C"));
        QCOMPARE(dlg.Inf_Scheda(3)->text(), QStringLiteral("note C"));
    }
};

QTEST_MAIN(TstSalvatP)
#include "tst_salvatp.moc"
