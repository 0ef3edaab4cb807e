#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cerrno>

#include "app/texts.h"
#include "archive/widgets/archivedialog.h"
#include "archive/widgets/cleardati.h"
#include "ui/common/pictures.h"

namespace {

struct Sink : MessageSink {
    QStringList texts;
    int beeps = 0;
    std::function<void()> onMessage;
    int showMessage(const QString &text, int flags, const QString &title, int) override
    {
        texts << QStringLiteral("%1|%2|%3").arg(text).arg(flags).arg(title);
        if (onMessage)
            onMessage();
        return kAnswerOk;
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override { ++beeps; }
};

QString shown(int base) { return QStringLiteral("%1|64|%2").arg(Testo(base), Testo(170)); }

// List order (PER_MOD): ALFA/GIRO, FIAT/PROVA1, FIAT/PROVA2, lancia/CORSA, OPEL/MANCA.
// "lancia" is filed in a folder "LANCIA"; OPEL/MANCA has no file.
const QStringList kRecordings{"ALFA/GIRO", "FIAT/PROVA1", "FIAT/PROVA2", "lancia/CORSA", "OPEL/MANCA"};

struct Fixture {
    QTemporaryDir dir;
    FrameState frame;
    Sink sink;
    Fixture(bool seed = true)
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = dir.path();
        AcquisitionArchive archive;
        QVERIFY(archive.open(dir.path()));
        if (!seed)
            return;
        const QStringList notes{"prima riga\nseconda", "", "", "x", ""};
        for (int i = 0; i < kRecordings.size(); ++i) {
            const QString model = kRecordings[i].section('/', 0, 0), file = kRecordings[i].section('/', 1);
            QCOMPARE(archive.add({FixedText(model, 12), FixedText("Descr " + model, 41), FixedText(file, 8), notes[i]}),
                     Catalogue::Result::Ok);
            if (file == "MANCA")
                continue;
            const QString folder = dir.filePath("DIR_DATI/" + model.toUpper());
            QVERIFY(QDir().mkpath(folder));
            QFile f(folder + '/' + file + ".DAT");
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
    QString dat(const QString &rec) const { return AcquisitionFilePath(dir.path(), rec.section('/', 0, 0), rec.section('/', 1)); }
    bool folder(const QString &model) const { return QFileInfo(dir.filePath("DIR_DATI/" + model)).isDir(); }
};

void clickRow(ClearDati &dlg, int row)
{
    QListWidget *l = dlg.ListaModelli();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
}

QStringList listed(const ClearDati &dlg)
{
    QStringList out;
    for (int r = 0; r < dlg.ListaModelli()->count(); ++r)
        out << dlg.ListaModelli()->item(r)->text().left(12).trimmed() + '/' + dlg.NomeFF().value(r).trimmed();
    return out;
}

} // namespace

class TstClearDati : public QObject {
    Q_OBJECT
private slots:
    void deletesExactlyTheChosen_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("failingRow");   // its file cannot be deleted; -1 none
        QTest::addColumn<QStringList>("gone");
        QTest::addColumn<QStringList>("folders");  // still there afterwards
        QTest::addColumn<QString>("message");
        const QString done = shown(359);
        QTest::newRow("one of two keeps the folder") << QList<int>{1} << -1 << QStringList{"FIAT/PROVA1"}
                                                     << QStringList{"ALFA", "FIAT", "LANCIA"} << done;
        QTest::newRow("last of a model removes its folder only") << QList<int>{0} << -1 << QStringList{"ALFA/GIRO"}
                                                                 << QStringList{"FIAT", "LANCIA"} << done;
        QTest::newRow("both of a model and a folder in other case") << QList<int>{1, 2, 3} << -1
            << QStringList{"FIAT/PROVA1", "FIAT/PROVA2", "lancia/CORSA"} << QStringList{"ALFA"} << done;
        QTest::newRow("missing file still catalogued") << QList<int>{4} << -1 << QStringList{"OPEL/MANCA"}
                                                       << QStringList{"ALFA", "FIAT", "LANCIA"} << done;
        QTest::newRow("undeletable file stops, keeps its row") << QList<int>{0, 1, 2, 4} << 2
            << QStringList{"ALFA/GIRO", "FIAT/PROVA1"} << QStringList{"FIAT", "LANCIA"}
            << QStringLiteral("%1\n%2|64|%3").arg(Testo(360), Testo(333), Testo(170));
    }
    void deletesExactlyTheChosen()
    {
        QFETCH(QList<int>, rows);
        QFETCH(int, failingRow);
        QFETCH(QStringList, gone);
        Fixture fx;
        QTimer watchdog;
        watchdog.start(60000);
        bool stoppedDuringMessage = false;
        fx.sink.onMessage = [&] { stoppedDuringMessage = !watchdog.isActive(); };
        {
            ClearDati dlg(fx.frame, fx.sink, nullptr, &watchdog);
            if (failingRow >= 0) {
                const QString undeletable = fx.dat(kRecordings[failingRow]);
                dlg.setFileRemover([undeletable](const QString &p) { return p == undeletable ? EACCES : (QFile::remove(p) ? 0 : EIO); });
            }
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            for (int r : rows)
                clickRow(dlg, r);
            QTest::keyClick(&dlg, Qt::Key_F1);
            QCOMPARE(fx.sink.texts.size(), 1);
            QCOMPARE(fx.sink.beeps, 1);
            QTEST(fx.sink.texts.value(0), "message");
            QVERIFY(stoppedDuringMessage);
            QVERIFY(watchdog.isActive());
            QStringList remaining = kRecordings;
            for (const QString &g : gone)
                remaining.removeOne(g);
            QCOMPARE(listed(dlg), remaining);
            QCOMPARE(dlg.ListaModelli()->selectedItems().size(), 0);
            for (int i = 0; i < 4; ++i)
                QCOMPARE(dlg.detailText(i), QString());
        }
        AcquisitionArchive archive;
        QVERIFY(archive.open(fx.dir.path()));
        for (const QString &rec : kRecordings) {
            const bool kept = !gone.contains(rec);
            QCOMPARE(archive.find(rec.section('/', 0, 0), rec.section('/', 1)).has_value(), kept);
            if (!rec.endsWith("MANCA"))
                QCOMPARE(QFileInfo::exists(fx.dat(rec)), kept);
        }
        QFETCH(QStringList, folders);
        for (const QString &model : {"ALFA", "FIAT", "LANCIA", "OPEL"})
            QCOMPARE(fx.folder(model), folders.contains(model));
    }

    void clickedLineShowsItsRecord_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("details");
        QTest::newRow("multi-line notes") << 0 << QStringList{"ALFA", "Descr ALFA", "GIRO", "prima riga\nseconda"};
        QTest::newRow("second file of a model") << 2 << QStringList{"FIAT", "Descr FIAT", "PROVA2", ""};
        QTest::newRow("model in small letters") << 3 << QStringList{"lancia", "Descr lancia", "CORSA", "x"};
    }
    void clickedLineShowsItsRecord()
    {
        QFETCH(int, row);
        QFETCH(QStringList, details);
        Fixture fx;
        ClearDati dlg(fx.frame, fx.sink);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        clickRow(dlg, row);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(dlg.detailText(i).trimmed(), details[i]);
        clickRow(dlg, row);   // unselected again
        for (int i = 0; i < 4; ++i)
            QCOMPARE(dlg.detailText(i), QString());
    }

    void nothingToDelete_data()
    {
        QTest::addColumn<bool>("seed");
        QTest::addColumn<int>("text");
        QTest::newRow("empty archive") << false << 361;
        QTest::newRow("no line selected") << true << 362;
    }
    void nothingToDelete()
    {
        QFETCH(bool, seed);
        QFETCH(int, text);
        Fixture fx(seed);
        ClearDati dlg(fx.frame, fx.sink);
        QVERIFY(dlg.Memorizza()->isEnabled());
        dlg.Memorizza()->click();
        QCOMPARE(fx.sink.texts, QStringList{shown(text)});
        QCOMPARE(fx.sink.beeps, 1);
        QCOMPARE(dlg.ListaModelli()->count(), seed ? kRecordings.size() : 0);
        for (const QString &rec : kRecordings)
            QCOMPARE(QFileInfo::exists(fx.dat(rec)), seed && !rec.endsWith("MANCA"));
    }
};

QTEST_MAIN(TstClearDati)
#include "tst_cleardati.moc"
