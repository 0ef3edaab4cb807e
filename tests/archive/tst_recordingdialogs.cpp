// The recording dialogs: storing one (MemorDati) and backing them up (SalvatP).
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeView>
#include <QtTest>
#include <cerrno>
#include <optional>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/texts.h"
#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/widgets/archivedialog.h"
#include "archive/widgets/memordati.h"
#include "archive/widgets/salvatp.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "support/files.h"
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
        QVERIFY(WriteFile(AcquisitionFilePath(app, model, file), bytes));
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
        const QString path = dest + "/DIR_DATI/" + mf + ".DAT";
        return QFile::exists(path) ? ReadFile(path) : QByteArray("missing");
    }
};

void run(SalvatP &dlg, const QString &typed, const QList<int> &rows)
{
    dlg.NomeFileS()->setText(typed);
    for (int r : rows)
        dlg.ElencoEsi()->item(r)->setSelected(true);
    QTest::keyClick(&dlg, Qt::Key_F1);
}

}   // namespace

Q_DECLARE_METATYPE(Failure)

namespace {

constexpr int kLine = 145;
QString pad(const QString &s, int width)
{
    return s.leftJustified(width);
}

// A scratch application folder with the real recorder, in Italian.
struct Rig {
    QTemporaryDir dir;
    FrameState frame;
    LiveState live;
    Recorder rec{live};
    ScriptedSink sink;
    Rig()
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = dir.path();
        InitLiveChannels(live, 1);
        rec.setMessageSink(&sink, 1);
    }
    QString dati(const QString &rel = {}) const { return dir.filePath("DIR_DATI/" + rel); }
    void seed(const QList<AcquisitionRecord> &records)
    {
        AcquisitionArchive a;
        QVERIFY(a.open(dir.path()));
        for (const AcquisitionRecord &r : records)
            QCOMPARE(a.add(r), Catalogue::Result::Ok);
    }
    QList<AcquisitionRecord> catalogue()
    {
        AcquisitionArchive a;
        return a.open(dir.path()) ? a.records() : QList<AcquisitionRecord>{};
    }
    // `count` samples by the real recorder, the last one numbered `last`.
    void record(const QString &path, int count, int last)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QVERIFY(rec.start(path, false));
        live.LiveSample[0].RecordCounter = last - count;
        for (int i = 0; i < count; ++i)
            rec.addSample();
        QVERIFY(rec.stop());
    }
    // Stops the recording after one more sample; the file's sample counters.
    QList<int> finish(const QString &path)
    {
        rec.addSample();
        [&] { QVERIFY(rec.stop()); }();
        const QByteArray all = ReadFile(path);
        QList<int> out;
        for (qsizetype i = 2 * kLine; i < all.size(); i += kLine)
            out << (all.at(i) == '*' ? -2 : all.mid(i, 8).trimmed().toInt());   // -2: the continuation mark
        return out;
    }
};

void fill(MemorDati &dlg, const QString &model, const QString &desc, const QString &file, const QString &note)
{
    for (int i = 0; i < 4; ++i)
        dlg.setDatiText(i, QStringList{model, desc, file, note}[i]);
}

void showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

}   // namespace

class TstRecordingDialogs : public QObject {
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
        QVERIFY(WriteFile(f.dest + "/DIR_DATI/OLD/Z.DAT", {}) && WriteFile(f.dest + "/DIR_DATI/ACQUISIZ.LDB", {}));

        SalvatP dlg(f.frame, f.sink, nullptr);
        QCOMPARE(dlg.ElencoEsi()->count(), 3);
        QCOMPARE(dlg.NomeFileS()->text(), f.app);
        run(dlg, f.dest + '/', {0, 2});   // a trailing separator still lands in the folder

        QCOMPARE(dlg.Segnalazione()->text(), Testo(f.frame.id(327)));
        QCOMPARE(f.backedUp(), QStringList({"FIAT/A", "OPEL/C"}));
        QCOMPARE(f.destDat("FIAT/A"), QByteArray("samples of A"));
        QCOMPARE(f.destDat("OPEL/C"), QByteArray("samples of C"));
        QVERIFY(!QFile::exists(f.dest + "/DIR_DATI/FIAT/B.DAT") && QFile::exists(f.dest + "/DIR_DATI/OLD/Z.DAT"));
        QCOMPARE(QDir(f.dest + "/DIR_DATI").entryList(QDir::Files), QStringList({"ACQUISIZ.MDB"}));   // nothing aside
    }

    void destination_data()
    {
        QTest::addColumn<QString>("typed");   // "APP" stands for the application folder, "DEST" for another
        QTest::addColumn<QString>("used");    // "" refused
        QTest::newRow("application folder") << "APP" << QString("");
        QTest::newRow("in other case") << "app" << QString("");
        QTest::newRow("with separator") << "APP/" << QString("");
        QTest::newRow("through a detour") << "APP/../Kal" << QString("");
        QTest::newRow("blank") << "   " << QString("");
        QTest::newRow("relative") << "usb" << QString("");
        QTest::newRow("plain") << "DEST" << QString("DEST");
        QTest::newRow("trailing separator dropped") << "DEST/" << QString("DEST");
        QTest::newRow("blanks around") << "  DEST  " << QString("DEST");
        QTest::newRow("root") << "/" << QString("/");
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
        QVERIFY(dlg.Segnalazione()->text().isEmpty() && !QFile::exists(f.app + "/DIR_DATI/DIR_DATI"));
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
        QCOMPARE(dlg.Segnalazione()->text(), Testo(f.frame.id(shown)));
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
            QVERIFY(WriteFile(f.dest + "/DIR_DATI/OPEL", {}));
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
        QCOMPARE(dlg.Segnalazione()->text(), Testo(f.frame.id(shown)));
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
        QCOMPARE(dlg.Segnalazione()->text(), Testo(f.frame.id(336)));
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

    void archiveHeldElsewhere_storesNothing()
    {
        Rig rig;
        AcquisitionArchive other;
        QVERIFY(other.open(rig.dir.path()));
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        QVERIFY(!dlg.Memorizza()->isEnabled());
        fill(dlg, "FIAT", "", "B", "");
        QTest::keyClick(dlg.DatiDAT(0), Qt::Key_F1);
        QVERIFY(!dlg.recordingStarted() && !rig.rec.recording());
    }

    // `before`: "recording" is three samples up to 57 with their row; "file X" or
    // "folder X" stands in the store's way. A failed store leaves nothing behind.
    void store_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("catalogued");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<int>>("texts");
        QTest::addColumn<QList<int>>("counters");   // in the file once one more sample is taken
        const int over = kAnswerOverwrite, cont = kAnswerContinue;
        const QString inFilesPlace = "folder FIAT/PROVA1.DAT/x";
        QTest::newRow("new") << "" << false << 0 << QList<int>{} << QList<int>{0};
        QTest::newRow("overwrite") << "recording" << true << over << QList<int>{244} << QList<int>{0};
        QTest::newRow("continue") << "recording" << true << cont << QList<int>{244} << QList<int>{55, 56, 57, -2, 58};
        QTest::newRow("cancel") << "recording" << true << 2 << QList<int>{244} << QList<int>{55, 56, 57};
        QTest::newRow("window closed") << "recording" << true << 0 << QList<int>{244} << QList<int>{55, 56, 57};
        QTest::newRow("file in the folder's place") << "file FIAT" << false << 0 << QList<int>{335} << QList<int>{};
        QTest::newRow("new, folder in the file's place")
            << inFilesPlace << false << 0 << QList<int>{335} << QList<int>{};
        QTest::newRow("overwrite, folder in the file's place")
            << inFilesPlace << true << over << QList<int>{244, 335} << QList<int>{};
        QTest::newRow("continue, file gone") << "" << true << cont << QList<int>{244, 335} << QList<int>{};
    }
    void store()
    {
        QFETCH(QString, before);
        QFETCH(bool, catalogued);
        QFETCH(QList<int>, texts);
        Rig rig;
        const QString path = rig.dati("FIAT/PROVA1.DAT");
        QVERIFY(QDir().mkpath(rig.dati()));
        if (before == "recording")
            rig.record(path, 3, 57);
        else if (before.startsWith("folder "))
            QVERIFY(QDir().mkpath(rig.dati(before.mid(7))));
        else if (before.startsWith("file "))
            QVERIFY(WriteFile(rig.dati(before.mid(5)), {}));
        if (catalogued)
            rig.seed({{pad("FIAT", 12), pad("vecchia", 41), pad("PROVA1", 8), "note vecchie"}});
        QFETCH(int, answer);
        rig.sink.answers = {answer};
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        fill(dlg, "FIAT", "nuova", "PROVA1", "note nuove");
        dlg.Memorizza()->click();

        QStringList said;
        for (int id : texts)
            said << Testo(id);
        QCOMPARE(rig.sink.texts, said);
        const bool started = rig.rec.recording();
        QCOMPARE(dlg.recordingStarted(), started);
        QCOMPARE(dlg.isVisible(), !started);
        if (!started)
            QCOMPARE(dlg.focusWidget(), dlg.DatiDAT(2));
        else
            QCOMPARE(rig.rec.state().RecordFilePath, path);
        dlg.Esci()->click();
        const QList<AcquisitionRecord> rows = rig.catalogue();
        QCOMPARE(rows.size(), started || catalogued ? 1 : 0);
        if (!rows.isEmpty())
            QCOMPARE(rows[0].NOTE.trimmed(), started ? "note nuove" : "note vecchie");
        QCOMPARE(QFileInfo(rig.dati("FIAT")).isDir(), started || before == "recording" || before.startsWith("folder"));
        QTEST(rig.finish(path), "counters");
    }

    // Typed key by key, or pasted into the middle ("|" marks the cursor then).
    void keyRules_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("model: no blank or sign but . and _") << 0 << "Fi at_1.2/-\\:*" << QString("Fiat_1.2");
        QTest::newRow("description: anything") << 1 << "Punto 1.2 / GPL-8v" << QString("Punto 1.2 / GPL-8v");
        QTest::newRow("file: not even .") << 2 << "PR.O VA/-_1" << QString("PROVA_1");
        QTest::newRow("file: eight at most") << 2 << "ABCDEFGHIJ" << QString("ABCDEFGH");
        QTest::newRow("notes: anything") << 3 << "filtro. ok / 2%" << QString("filtro. ok / 2%");
        QTest::newRow("backspace") << 2 << "AB\bC" << QString("AC");
        QTest::newRow("pasted into a file name") << 2 << "A|x. /y|B" << QString("AxyB");
    }
    void keyRules()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        dlg.DatiDAT(field)->setFocus();
        if (const QStringList parts = typed.split('|'); parts.size() == 3) {
            auto *box = qobject_cast<QLineEdit *>(dlg.DatiDAT(field));
            QVERIFY(box);
            box->setText(parts[0] + parts[2]);
            box->setCursorPosition(int(parts[0].size()));
            box->insert(parts[1]);   // as a paste does
            QCOMPARE(box->cursorPosition(), 3);
        } else {
            QTest::keyClicks(dlg.DatiDAT(field), typed);
        }
        QTEST(dlg.datiText(field), "kept");
    }

    void enterMovesAlong_notesTrimInPadOut()
    {
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        dlg.ListaModelli()->setFocus();
        QTest::keyClick(dlg.ListaModelli(), Qt::Key_Return);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(dlg.focusWidget(), dlg.DatiDAT(i));
            QTest::keyClick(dlg.focusWidget(), Qt::Key_Return);
        }
        QVERIFY(dlg.focusWidget() == dlg.Memorizza());
        dlg.DatiDAT(3)->setFocus();
        QTest::keyClicks(dlg.DatiDAT(3), QStringLiteral(" nota"));
        QTest::keyClick(dlg.DatiDAT(3), Qt::Key_Return);
        QCOMPARE(dlg.datiText(3), pad("nota", 300));   // no line break went in
        dlg.DatiDAT(3)->setFocus();
        QTest::keyClicks(dlg.DatiDAT(3), QStringLiteral(" bis"));   // trimmed, goes on at the end
        QCOMPARE(dlg.datiText(3), QStringLiteral("nota bis"));
        QVERIFY(!rig.rec.recording());
    }

    void unusableName_isRefused_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("focus");
        QTest::newRow("blank model") << "   " << QString("PROVA") << 0;
        QTest::newRow("both blank: model first") << "" << QString("") << 0;
        QTest::newRow("model ..") << ".." << QString("PROVA") << 0;
        QTest::newRow("file a/b") << "FIAT" << QString("a/b") << 2;
    }
    void unusableName_isRefused()
    {
        QFETCH(QString, model);
        QFETCH(QString, file);
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        fill(dlg, model, "descrizione", file, "note");
        dlg.Memorizza()->click();
        QCOMPARE(rig.sink.beeps, 1);
        QVERIFY(dlg.isVisible());
        QFETCH(int, focus);
        QCOMPARE(dlg.focusWidget(), dlg.DatiDAT(focus));
        dlg.Esci()->click();
        QVERIFY(!rig.rec.recording());
        QCOMPARE(rig.catalogue().size(), 0);
        QCOMPARE(QDir(rig.dati()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }

    void clickingALine_fillsTheFieldsAndNotes()
    {
        Rig rig;
        rig.seed({{pad("FIAT", 12), pad("Punto", 41), pad("A", 8), "nota della A"},
                  {pad("ALFA", 12), QString(), pad("C", 8), QString()},
                  {"OPEL", "x", QString(), ""}});
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        QCOMPARE(dlg.NomeFF(), QStringList({pad("C", 8), pad("A", 8)}));   // a record without a file has no line
        QListWidget *list = dlg.ListaModelli();
        QCOMPARE(list->count(), 2);
        auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        };
        auto shown = [&] { return QStringList{dlg.datiText(0), dlg.datiText(1), dlg.datiText(2), dlg.datiText(3)}; };
        click(1);
        QCOMPARE(shown(), QStringList({pad("FIAT", 12), pad("Punto", 41), pad("A", 8), "nota della A"}));
        click(0);   // no description and no notes: both emptied
        QCOMPARE(shown(), QStringList({pad("ALFA", 12), "", pad("C", 8), ""}));
        dlg.setDatiText(2, QStringLiteral("ZZ"));
        click(0);   // the same line again puts back what was edited
        QCOMPARE(dlg.datiText(2), pad("C", 8));
    }

    void keysFoundWithoutRegardToCase()
    {
        Rig rig;
        const QString old = rig.dati("FIAT/A.DAT");
        rig.record(old, 2, 10);
        rig.seed({{pad("FIAT", 12), pad("Punto", 41), pad("A", 8), ""}});
        {   // a new file of "fiat" goes into the folder "FIAT"
            MemorDati dlg(rig.frame, rig.rec, rig.sink);
            fill(dlg, "fiat", "Panda", "B", "");
            dlg.Memorizza()->click();
            QCOMPARE(rig.rec.state().RecordFilePath, rig.dati("FIAT/B.DAT"));
            QVERIFY(rig.rec.stop());
        }
        rig.sink.answers = {kAnswerContinue};
        {   // "fiat" / "a" is the recording "FIAT" / "A", continued in its own file
            MemorDati dlg(rig.frame, rig.rec, rig.sink);
            fill(dlg, "fiat", "Punto 2", "a", "");
            dlg.Memorizza()->click();
            QCOMPARE(rig.sink.texts.size(), 1);
            QCOMPARE(rig.rec.state().RecordFilePath, old);
        }
        QCOMPARE(rig.finish(old), QList<int>({9, 10, -2, 11}));
        const AcquisitionRecord row = rig.catalogue().value(0);
        QCOMPARE(row.MODELLO + row.FILE, pad("FIAT", 12) + pad("A", 8));   // the catalogued spelling stays
    }
};

QTEST_MAIN(TstRecordingDialogs)
#include "tst_recordingdialogs.moc"
