#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/framestate.h"
#include "app/messages.h"
#include "app/texts.h"
#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/widgets/memordati.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "support/scriptedsink.h"
#include "ui/common/pictures.h"

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
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const QByteArray all = f.readAll();
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

class TstMemorDati : public QObject {
    Q_OBJECT
private slots:
    void archiveHeldElsewhere_storesNothing()
    {
        Rig rig;
        AcquisitionArchive other;
        QVERIFY(other.open(rig.dir.path()));
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        QVERIFY(!dlg.Memorizza()->isEnabled());
        fill(dlg, "FIAT", "", "B", "");
        QTest::keyClick(dlg.DatiDAT(0), Qt::Key_F1);
        QVERIFY(!dlg.recordingStarted());
        QVERIFY(!rig.rec.recording());
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
            QVERIFY(QFile(rig.dati(before.mid(5))).open(QIODevice::WriteOnly));
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
        QTest::newRow("model: no blank or sign but . and _") << 0 << "Fi at_1.2/-\\:*"
                                                             << "Fiat_1.2";
        QTest::newRow("description: anything") << 1 << "Punto 1.2 / GPL-8v"
                                               << "Punto 1.2 / GPL-8v";
        QTest::newRow("file: not even .") << 2 << "PR.O VA/-_1"
                                          << "PROVA_1";
        QTest::newRow("file: eight at most") << 2 << "ABCDEFGHIJ"
                                             << "ABCDEFGH";
        QTest::newRow("notes: anything") << 3 << "filtro. ok / 2%"
                                         << "filtro. ok / 2%";
        QTest::newRow("backspace") << 2 << "AB\bC"
                                   << "AC";
        QTest::newRow("pasted into a file name") << 2 << "A|x. /y|B"
                                                 << "AxyB";
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
        QTest::newRow("blank model") << "   "
                                     << "PROVA" << 0;
        QTest::newRow("both blank: model first") << ""
                                                 << "" << 0;
        QTest::newRow("model ..") << ".."
                                  << "PROVA" << 0;
        QTest::newRow("file a/b") << "FIAT"
                                  << "a/b" << 2;
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

    void runMemorDati_tellsARecordingStarted()
    {
        Rig rig;
        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<MemorDati *>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            fill(*dlg, "FIAT", "Punto", "PROVA", "");
            QTest::keyClick(dlg->DatiDAT(2), Qt::Key_F1);
            if (dlg->isVisible())
                dlg->reject();   // never leave the test hanging
        });
        QVERIFY(RunMemorDati(rig.frame, rig.rec, rig.sink, nullptr));
        QVERIFY(rig.rec.recording());
    }
};

QTEST_MAIN(TstMemorDati)
#include "tst_memordati.moc"
