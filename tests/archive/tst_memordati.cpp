#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
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
#include "ui/common/pictures.h"

namespace {

// Answers questions from `answers` (front first, then OK) and keeps what it was told.
struct ScriptedSink : MessageSink {
    struct Message { QString text; int flags; QString title; };
    QList<Message> messages;
    QList<int> answers;
    int beeps = 0;
    int showMessage(const QString &text, int flags, const QString &title, int) override
    {
        messages.append({text, flags, title});
        return answers.isEmpty() ? kAnswerOk : answers.takeFirst();
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override { ++beeps; }
};

constexpr int kLine = 145;

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
    QString dati(const QString &rel = QString()) const
    {
        return QDir(dir.path()).filePath(QStringLiteral("DIR_DATI") + (rel.isEmpty() ? QString() : "/" + rel));
    }
    // Catalogue rows put there before the dialog opens.
    void seed(const QList<AcquisitionRecord> &records)
    {
        AcquisitionArchive a;
        QVERIFY(a.open(dir.path()));
        for (const AcquisitionRecord &r : records)
            QCOMPARE(a.add(r), Catalogue::Result::Ok);
        a.close();
    }
    QList<AcquisitionRecord> catalogue()
    {
        AcquisitionArchive a;
        if (!a.open(dir.path()))
            return {};
        const QList<AcquisitionRecord> out = a.records();
        a.close();
        return out;
    }
    // A recording of `count` samples whose last one is numbered `last`, made by the real recorder.
    void record(const QString &path, int count, int last)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QVERIFY(rec.start(path, false));
        live.LiveSample[0].RecordCounter = last - count;
        for (int i = 0; i < count; ++i)
            rec.addSample();
        QVERIFY(rec.stop());
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> linesOf(const QString &path)
{
    const QByteArray all = readAll(path);
    QList<QByteArray> out;
    for (qsizetype i = 0; i < all.size(); i += kLine)
        out << all.mid(i, kLine);
    return out;
}

int counterOf(const QByteArray &line) { return line.left(8).trimmed().toInt(); }

QByteArray markLine() { return QByteArray("*").leftJustified(kLine - 2, ' ') + "\r\n"; }

void fill(MemorDati &dlg, const QString &model, const QString &desc, const QString &file, const QString &note)
{
    dlg.setDatiText(0, model);
    dlg.setDatiText(1, desc);
    dlg.setDatiText(2, file);
    dlg.setDatiText(3, note);
}

void showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

QString pad(const QString &s, int width) { return s.leftJustified(width, QLatin1Char(' ')); }

} // namespace

class TstMemorDati : public QObject {
    Q_OBJECT
private slots:
    void loading_labelsListAndButtons()
    {
        Rig rig;
        rig.seed({{"FIAT", "Punto 1.2", "A", "nota"}, {"ALFA", "", "B", QString()}, {"OPEL", "x", QString(), ""}});
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        QCOMPARE(dlg.objectName(), QStringLiteral("MemorDati"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("File - Inizio acquisizione"));
        const QStringList labels{"Modello :", "Descrizione modello :", "Nome file :", "Note :"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(dlg.findChild<QLabel *>(QStringLiteral("LabSF(%1)").arg(i))->text(), labels[i]);
            QCOMPARE(dlg.DatiDAT(i)->objectName(), QStringLiteral("DatiDAT(%1)").arg(i));
        }
        QCOMPARE(qobject_cast<QLineEdit *>(dlg.DatiDAT(0))->maxLength(), 12);
        QCOMPARE(qobject_cast<QLineEdit *>(dlg.DatiDAT(1))->maxLength(), 41);
        QCOMPARE(qobject_cast<QLineEdit *>(dlg.DatiDAT(2))->maxLength(), 8);
        QVERIFY(qobject_cast<QPlainTextEdit *>(dlg.DatiDAT(3)));
        // A record without a file gives no line; the file list runs beside the visible one.
        QCOMPARE(dlg.ListaModelli()->count(), 2);
        QCOMPARE(dlg.ListaModelli()->item(0)->text(), QStringLiteral("ALFA         - "));
        QCOMPARE(dlg.ListaModelli()->item(1)->text(), QStringLiteral("FIAT         - Punto 1.2"));
        QCOMPARE(dlg.NomeFF(), QStringList({"B", "A"}));
        QVERIFY(dlg.Memorizza()->isEnabled());
        QCOMPARE(dlg.Memorizza()->objectName(), QStringLiteral("Memorizza"));
        QCOMPARE(dlg.Esci()->objectName(), QStringLiteral("Esci"));
        QVERIFY(QFileInfo(rig.dati("ARCHDATI.MDB")).isFile());
    }

    void archiveHeldElsewhere_leavesMemorizzaDisabled()
    {
        Rig rig;
        rig.seed({{"FIAT", "", "A", ""}});
        AcquisitionArchive other;
        QVERIFY(other.open(rig.dir.path()));
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        QCOMPARE(dlg.ListaModelli()->count(), 0);
        QVERIFY(!dlg.Memorizza()->isEnabled());
        fill(dlg, "FIAT", "", "B", "");
        QTest::keyClick(dlg.DatiDAT(0), Qt::Key_F1);
        QVERIFY(!dlg.recordingStarted());
        QVERIFY(!rig.rec.recording());
    }

    void newModelAndFile_createsFolderRecordAndStartsRecording()
    {
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        fill(dlg, "FIAT", "Punto 1.2 GPL", "PROVA1", "iniettori nuovi");
        QTest::mouseClick(dlg.Memorizza(), Qt::LeftButton);

        QVERIFY(dlg.recordingStarted());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QVERIFY(rig.sink.messages.isEmpty());
        QCOMPARE(rig.sink.beeps, 0);
        QVERIFY(QFileInfo(rig.dati("FIAT")).isDir());
        const QString path = rig.dati("FIAT/PROVA1.DAT");
        QVERIFY(!QFile::exists(path));   // the recording makes it
        QVERIFY(rig.rec.recording());
        QCOMPARE(rig.rec.state().RecordFilePath, path);
        QCOMPARE(rig.rec.state().RecordBufferIndex, -1);
        QCOMPARE(rig.live.LiveSample[0].RecordCounter, -1);
        QCOMPARE(rig.live.LiveSample[1].RecordCounter, -1);

        const QList<AcquisitionRecord> rows = rig.catalogue();   // the dialog has closed it
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].MODELLO, pad("FIAT", 12));
        QCOMPARE(rows[0].DESC_MODELLO, pad("Punto 1.2 GPL", 41));
        QCOMPARE(rows[0].FILE, pad("PROVA1", 8));
        QCOMPARE(rows[0].NOTE, pad("iniettori nuovi", 300));

        rig.rec.addSample();
        QVERIFY(rig.rec.stop());
        const QList<QByteArray> lines = linesOf(path);
        QCOMPARE(lines.size(), 3);   // two header lines and the first sample
        QCOMPARE(counterOf(lines[2]), 0);
    }

    void existingRecording_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("overwrite") << 6;
        QTest::newRow("continue") << 4;
        QTest::newRow("cancel") << 2;
        QTest::newRow("window closed") << 0;
    }
    void existingRecording()
    {
        QFETCH(int, answer);
        Rig rig;
        const QString path = rig.dati("FIAT/PROVA1.DAT");
        rig.record(path, 3, 57);
        const QByteArray before = readAll(path);
        QCOMPARE(linesOf(path).size(), 5);
        QCOMPARE(counterOf(linesOf(path).last()), 57);
        rig.seed({{pad("FIAT", 12), pad("vecchia", 41), pad("PROVA1", 8), "note vecchie"}});
        rig.sink.answers = {answer};

        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        fill(dlg, "FIAT", "nuova", "PROVA1", "note nuove");
        QTest::keyClick(dlg.DatiDAT(3), Qt::Key_F1);

        QCOMPARE(rig.sink.beeps, 1);
        QCOMPARE(rig.sink.messages.size(), 1);
        QCOMPARE(rig.sink.messages[0].text, Testo(244));
        QCOMPARE(rig.sink.messages[0].title, Testo(170));
        QCOMPARE(rig.sink.messages[0].flags, 38);

        if (answer != 6 && answer != 4) {
            QVERIFY(!dlg.recordingStarted());
            QVERIFY(dlg.isVisible());
            QCOMPARE(dlg.focusWidget(), dlg.DatiDAT(2));
            QVERIFY(!rig.rec.recording());
            QCOMPARE(readAll(path), before);
            dlg.Esci()->click();
            QVERIFY(!dlg.isVisible());
            const QList<AcquisitionRecord> after = rig.catalogue();
            QCOMPARE(after.size(), 1);
            QCOMPARE(after[0].DESC_MODELLO, pad("vecchia", 41));
            QCOMPARE(after[0].NOTE, QStringLiteral("note vecchie"));
            return;
        }

        QVERIFY(dlg.recordingStarted());
        QVERIFY(!dlg.isVisible());
        const QList<AcquisitionRecord> rows = rig.catalogue();   // the dialog has closed it
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].DESC_MODELLO, pad("nuova", 41));
        QCOMPARE(rows[0].NOTE.trimmed(), QStringLiteral("note nuove"));
        QCOMPARE(rig.rec.state().RecordFilePath, path);
        if (answer == 6) {
            QVERIFY(!QFile::exists(path));
            QCOMPARE(rig.live.LiveSample[0].RecordCounter, -1);
            QCOMPARE(rig.live.LiveSample[1].RecordCounter, -1);
            rig.rec.addSample();
            QVERIFY(rig.rec.stop());
            const QList<QByteArray> lines = linesOf(path);
            QCOMPARE(lines.size(), 3);
            QCOMPARE(counterOf(lines[2]), 0);
        } else {
            QCOMPARE(rig.live.LiveSample[0].RecordCounter, 57);
            QCOMPARE(rig.live.LiveSample[1].RecordCounter, 57);
            QCOMPARE(readAll(path), before + markLine());
            rig.rec.addSample();
            QVERIFY(rig.rec.stop());
            const QList<QByteArray> lines = linesOf(path);
            QCOMPARE(lines.size(), 7);
            QCOMPARE(counterOf(lines[4]), 57);
            QCOMPARE(lines[5], markLine());
            QCOMPARE(counterOf(lines[6]), 58);
        }
    }

    void keyRules_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("model: letters, digits, _ and .") << 0 << "Fiat_1.2" << "Fiat_1.2";
        QTest::newRow("model: no blank") << 0 << "FI AT" << "FIAT";
        QTest::newRow("model: no other sign") << 0 << "A/B-C\\D:*" << "ABCD";
        QTest::newRow("description: anything") << 1 << "Punto 1.2 / GPL-8v" << "Punto 1.2 / GPL-8v";
        QTest::newRow("file: no dot") << 2 << "PR.OVA" << "PROVA";
        QTest::newRow("file: no blank") << 2 << "PR OVA_1" << "PROVA_1";
        QTest::newRow("file: no other sign") << 2 << "A/B-C" << "ABC";
        QTest::newRow("file: eight at most") << 2 << "ABCDEFGHIJ" << "ABCDEFGH";
        QTest::newRow("notes: anything") << 3 << "cambio filtro. ok / 2%" << "cambio filtro. ok / 2%";
        QTest::newRow("backspace") << 2 << "AB\bC" << "AC";
    }
    void keyRules()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        dlg.DatiDAT(field)->setFocus();
        for (const QChar c : typed) {
            if (c == QLatin1Char('\b'))
                QTest::keyClick(dlg.DatiDAT(field), Qt::Key_Backspace);
            else
                QTest::keyClicks(dlg.DatiDAT(field), QString(c));
        }
        QTEST(dlg.datiText(field), "kept");
    }

    void pastedText_followsTheKeyRule()
    {
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        auto *file = qobject_cast<QLineEdit *>(dlg.DatiDAT(2));
        file->setText(QStringLiteral("AB"));
        file->setCursorPosition(1);
        file->insert(QStringLiteral("x. /y"));   // as a paste does
        QCOMPARE(file->text(), QStringLiteral("AxyB"));
        QCOMPARE(file->cursorPosition(), 3);
    }

    void enterMovesAlong()
    {
        Rig rig;
        rig.seed({{"FIAT", "", "A", ""}});
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        dlg.ListaModelli()->setFocus();
        QTest::keyClick(dlg.ListaModelli(), Qt::Key_Return);
        QCOMPARE(dlg.focusWidget(), dlg.DatiDAT(0));
        for (int i = 1; i < 4; ++i) {
            QTest::keyClick(dlg.focusWidget(), Qt::Key_Return);
            QCOMPARE(dlg.focusWidget(), dlg.DatiDAT(i));
        }
        QTest::keyClicks(dlg.DatiDAT(3), QStringLiteral("due"));
        QTest::keyClick(dlg.DatiDAT(3), Qt::Key_Return);
        QCOMPARE(dlg.focusWidget(), static_cast<QWidget *>(dlg.Memorizza()));
        QCOMPARE(dlg.datiText(3), pad("due", 300));   // no line break went in; padded on leaving
        QVERIFY(!rig.rec.recording());
    }

    void fieldsTrimOnEnteringAndPadOnLeaving()
    {
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        dlg.DatiDAT(0)->setFocus();
        QTest::keyClicks(dlg.DatiDAT(0), QStringLiteral("FIAT"));
        dlg.DatiDAT(3)->setFocus();
        QCOMPARE(dlg.datiText(0), pad("FIAT", 12));
        QTest::keyClicks(dlg.DatiDAT(3), QStringLiteral(" nota "));
        dlg.DatiDAT(0)->setFocus();
        QCOMPARE(dlg.datiText(0), QStringLiteral("FIAT"));
        QCOMPARE(dlg.datiText(3), pad("nota", 300));
        dlg.DatiDAT(3)->setFocus();
        QCOMPARE(dlg.datiText(3), QStringLiteral("nota"));
        QTest::keyClicks(dlg.DatiDAT(3), QStringLiteral(" bis"));   // goes on at the end
        QCOMPARE(dlg.datiText(3), QStringLiteral("nota bis"));
    }

    void missingOrUnusableName_isRefused_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("focus");
        QTest::newRow("blank model") << "   " << "PROVA" << 0;
        QTest::newRow("blank file") << "FIAT" << "" << 2;
        QTest::newRow("both blank") << "" << "" << 0;
        QTest::newRow("model .") << "." << "PROVA" << 0;
        QTest::newRow("model ..") << ".." << "PROVA" << 0;
        QTest::newRow("model a/b") << "a/b" << "PROVA" << 0;
        QTest::newRow("model a\\b") << "a\\b" << "PROVA" << 0;
        QTest::newRow("model ending in .") << "FIAT." << "PROVA" << 0;
        QTest::newRow("file ..") << "FIAT" << ".." << 2;
        QTest::newRow("file a/b") << "FIAT" << "a/b" << 2;
    }
    void missingOrUnusableName_isRefused()
    {
        QFETCH(QString, model);
        QFETCH(QString, file);
        QFETCH(int, focus);
        Rig rig;
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        fill(dlg, model, "descrizione", file, "note");
        dlg.Memorizza()->click();
        QCOMPARE(rig.sink.beeps, 1);
        QVERIFY(rig.sink.messages.isEmpty());
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.recordingStarted());
        QCOMPARE(dlg.focusWidget(), dlg.DatiDAT(focus));
        QVERIFY(!rig.rec.recording());
        dlg.Esci()->click();
        QCOMPARE(rig.catalogue().size(), 0);
        QCOMPARE(QDir(rig.dati()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(!QFileInfo::exists(rig.dir.filePath("b")));
    }

    void clickingALine_fillsTheFieldsAndNotes()
    {
        Rig rig;
        rig.seed({{pad("FIAT", 12), pad("Punto", 41), pad("A", 8), "nota della A"},
                  {pad("FIAT", 12), pad("Panda", 41), pad("B", 8), QString()},
                  {pad("ALFA", 12), QString(), pad("C", 8), "nota della C"}});
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        QListWidget *list = dlg.ListaModelli();
        QCOMPARE(list->count(), 3);
        auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        };
        click(1);   // FIAT - Punto
        QCOMPARE(dlg.datiText(0), pad("FIAT", 12));
        QCOMPARE(dlg.datiText(1), pad("Punto", 41));
        QCOMPARE(dlg.datiText(2), pad("A", 8));
        QCOMPARE(dlg.datiText(3), QStringLiteral("nota della A"));
        click(2);   // FIAT - Panda, no notes: the box is emptied
        QCOMPARE(dlg.datiText(1), pad("Panda", 41));
        QCOMPARE(dlg.datiText(2), pad("B", 8));
        QCOMPARE(dlg.datiText(3), QString());
        click(0);   // ALFA, no description
        QCOMPARE(dlg.datiText(0), pad("ALFA", 12));
        QCOMPARE(dlg.datiText(1), QString());
        QCOMPARE(dlg.datiText(2), pad("C", 8));
        QCOMPARE(dlg.datiText(3), QStringLiteral("nota della C"));
        // Clicking the same line again puts back what was edited.
        dlg.setDatiText(2, QStringLiteral("ZZ"));
        click(0);
        QCOMPARE(dlg.datiText(2), pad("C", 8));
    }

    void modelFoundWithoutRegardToCase()
    {
        Rig rig;
        const QString old = rig.dati("FIAT/A.DAT");
        rig.record(old, 2, 10);
        rig.seed({{pad("FIAT", 12), pad("Punto", 41), pad("A", 8), ""}});

        // A new file of "fiat" goes into the folder "FIAT".
        {
            MemorDati dlg(rig.frame, rig.rec, rig.sink);
            fill(dlg, "fiat", "Panda", "B", "");
            dlg.Memorizza()->click();
            QVERIFY(dlg.recordingStarted());
            QCOMPARE(rig.rec.state().RecordFilePath, rig.dati("FIAT/B.DAT"));
            QVERIFY(rig.rec.stop());
        }
        QCOMPARE(QDir(rig.dati()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList({"FIAT"}));
        QVERIFY(rig.sink.messages.isEmpty());

        // "fiat" / "a" is the recording "FIAT" / "A": continued in its own file.
        rig.sink.answers = {4};
        {
            MemorDati dlg(rig.frame, rig.rec, rig.sink);
            fill(dlg, "fiat", "Punto 2", "a", "");
            dlg.Memorizza()->click();
            QCOMPARE(rig.sink.messages.size(), 1);
            QVERIFY(dlg.recordingStarted());
            QCOMPARE(rig.rec.state().RecordFilePath, old);
            QCOMPARE(rig.live.LiveSample[0].RecordCounter, 10);
            QVERIFY(rig.rec.stop());
        }
        const QList<AcquisitionRecord> rows = rig.catalogue();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].FILE, pad("A", 8));   // the catalogued spelling stays
        QCOMPARE(rows[0].MODELLO, pad("FIAT", 12));
        QCOMPARE(rows[0].DESC_MODELLO, pad("Punto 2", 41));
        QCOMPARE(rows[1].MODELLO, pad("fiat", 12));
        QCOMPARE(rows[1].FILE, pad("B", 8));
    }

    void folderCannotBeMade_leavesTheCatalogue()
    {
        Rig rig;
        QVERIFY(QDir().mkpath(rig.dati()));
        QFile blocker(rig.dati("OPEL"));   // a file where the model's folder should go
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        fill(dlg, "OPEL", "Corsa", "PROVA", "");
        dlg.Memorizza()->click();
        QCOMPARE(rig.sink.messages.size(), 1);
        QCOMPARE(rig.sink.messages[0].text, Testo(335));
        QCOMPARE(rig.sink.messages[0].title, Testo(171));
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.recordingStarted());
        QVERIFY(!rig.rec.recording());
        dlg.Esci()->click();
        QCOMPARE(rig.catalogue().size(), 0);
    }

    void recordingCannotStart_putsTheCatalogueBack_data()
    {
        QTest::addColumn<bool>("catalogued");
        QTest::addColumn<int>("answer");
        QTest::newRow("continue, file gone") << true << 4;
        QTest::newRow("overwrite, a folder in the file's place") << true << 6;
        QTest::newRow("new record, a folder in the file's place") << false << 0;
    }
    void recordingCannotStart_putsTheCatalogueBack()
    {
        QFETCH(bool, catalogued);
        QFETCH(int, answer);
        Rig rig;
        if (catalogued)
            rig.seed({{pad("FIAT", 12), pad("vecchia", 41), pad("PROVA", 8), "note vecchie"}});
        if (answer != 4)
            QVERIFY(QDir().mkpath(rig.dati("FIAT/PROVA.DAT/x")));
        rig.sink.answers = {answer};
        MemorDati dlg(rig.frame, rig.rec, rig.sink);
        showActive(dlg);
        fill(dlg, "FIAT", "nuova", "PROVA", "note nuove");
        dlg.Memorizza()->click();
        QCOMPARE(rig.sink.messages.size(), catalogued ? 2 : 1);
        QCOMPARE(rig.sink.messages.last().text, Testo(335));
        QCOMPARE(rig.sink.messages.last().title, Testo(171));
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.recordingStarted());
        QVERIFY(!rig.rec.recording());
        QCOMPARE(rig.rec.state().RecordFilePath, QString());
        dlg.Esci()->click();
        const QList<AcquisitionRecord> rows = rig.catalogue();
        QCOMPARE(rows.size(), catalogued ? 1 : 0);
        if (catalogued) {
            QCOMPARE(rows[0].DESC_MODELLO, pad("vecchia", 41));
            QCOMPARE(rows[0].NOTE, QStringLiteral("note vecchie"));
        }
        // A folder the store made for nothing is taken away again.
        QCOMPARE(QFileInfo(rig.dati("FIAT")).isDir(), answer != 4);
    }

    void runMemorDati_tellsWhetherARecordingStarted_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("started");
        QTest::newRow("Memorizza") << "Memorizza" << true;
        QTest::newRow("F1") << "F1" << true;
        QTest::newRow("Esci") << "Esci" << false;
        QTest::newRow("Esc") << "Escape" << false;
    }
    void runMemorDati_tellsWhetherARecordingStarted()
    {
        QFETCH(QString, how);
        Rig rig;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<MemorDati *>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            seen = dlg->isModal() && dlg->objectName() == QLatin1String("MemorDati");
            fill(*dlg, "FIAT", "Punto", "PROVA", "");
            if (how == QLatin1String("F1"))
                QTest::keyClick(dlg->DatiDAT(2), Qt::Key_F1);
            else if (how == QLatin1String("Escape"))
                QTest::keyClick(dlg->DatiDAT(2), Qt::Key_Escape);
            else
                dlg->findChild<PictureButton *>(how)->click();
            if (dlg->isVisible())
                dlg->reject();   // never leave the test hanging
        });
        QFETCH(bool, started);
        QCOMPARE(RunMemorDati(rig.frame, rig.rec, rig.sink, nullptr), started);
        QVERIFY(seen);
        QCOMPARE(rig.rec.recording(), started);
        QCOMPARE(rig.catalogue().size(), started ? 1 : 0);
    }
};

QTEST_MAIN(TstMemorDati)
#include "tst_memordati.moc"
