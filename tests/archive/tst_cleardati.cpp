#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cerrno>

#include "app/texts.h"
#include "archive/widgets/archivedialog.h"
#include "archive/widgets/cleardati.h"
#include "support/scriptedsink.h"
#include "ui/common/pictures.h"

namespace {

// In list order. "lancia" is filed in a folder "LANCIA"; OPEL/MANCA has no file.
const QStringList kRecordings{"ALFA/GIRO", "FIAT/PROVA1", "FIAT/PROVA2", "lancia/CORSA", "OPEL/MANCA"};

struct Fixture {
    QTemporaryDir dir;
    FrameState frame;
    ScriptedSink sink;
    explicit Fixture(bool seed = true)
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = dir.path();
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
};

void clickRow(ClearDati &dlg, int row)
{
    QListWidget *l = dlg.ListaModelli();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
}

}   // namespace

class TstClearDati : public QObject {
    Q_OBJECT
private slots:
    void deletesExactlyTheChosen_data()
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
        QStringList remaining = kRecordings;
        for (const QString &g : gone)
            remaining.removeOne(g);
        {
            ClearDati dlg(fx.frame, fx.sink, nullptr, &watchdog);
            const QString undeletable = failingRow < 0 ? QString() : fx.dat(kRecordings[failingRow]);
            dlg.setFileRemover(
                [undeletable](const QString &p) { return p == undeletable ? EACCES : (QFile::remove(p) ? 0 : EIO); });
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            for (int r : rows)
                clickRow(dlg, r);
            QTest::keyClick(&dlg, Qt::Key_F1);
            QFETCH(QString, message);
            QCOMPARE(fx.sink.texts, QStringList{message});
            QVERIFY(stoppedDuringMessage);
            QVERIFY(watchdog.isActive());
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
        QFETCH(QStringList, folders);
        QCOMPARE(QDir(fx.dir.filePath("DIR_DATI")).entryList(QDir::Dirs | QDir::NoDotAndDotDot), folders);
    }

    void clickedLineShowsItsRecord_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("details");
        QTest::newRow("multi-line notes") << 0 << QStringList{"ALFA", "Descr ALFA", "GIRO", "prima riga\nseconda"};
        QTest::newRow("model in small letters") << 3 << QStringList{"lancia", "Descr lancia", "CORSA", "x"};
    }
    void clickedLineShowsItsRecord()
    {
        QFETCH(int, row);
        Fixture fx;
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
        dlg.Memorizza()->click();
        QCOMPARE(fx.sink.texts, QStringList{Testo(text)});
        QCOMPARE(dlg.ListaModelli()->count(), seed ? kRecordings.size() : 0);
        for (const QString &rec : kRecordings)
            QCOMPARE(QFileInfo::exists(fx.dat(rec)), seed && !rec.endsWith("MANCA"));
    }
};

QTEST_MAIN(TstClearDati)
#include "tst_cleardati.moc"
