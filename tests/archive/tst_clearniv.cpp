#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cerrno>

#include "app/texts.h"
#include "archive/widgets/archivedialog.h"
#include "archive/widgets/clearniv.h"
#include "support/scriptedsink.h"
#include "ui/common/pictures.h"

namespace {

// Stored out of order on purpose; both FIAT maps are filed in the folder "fiat".
struct Seed {
    const char *model;
    qint16 version, type;
};
const Seed kSeeds[] = {{"PUNTO", 2, 1}, {"fiat", 1, 1},  {"PUNTO", 1, 0},
                       {"FIAT", 1, 0},  {"PUNTO", 1, 1}, {"ALFA", 3, 0}};
// The list as it must read: model, then version, then installation.
const QStringList kListed{"ALFA/3/0", "FIAT/1/0", "FIAT/1/1", "PUNTO/1/0", "PUNTO/1/1", "PUNTO/2/1"};

struct Fixture {
    QTemporaryDir dir;
    FrameState frame;
    ScriptedSink sink;
    Fixture()
    {
        frame.LinguaCorrente = 1;
        frame.PercorsoApp = dir.path();
        MapArchive archive;
        QVERIFY(archive.open(dir.path()));
        for (const Seed &s : kSeeds) {
            const QString model = s.model;
            QCOMPARE(archive.add({FixedText(model, 12), FixedText("Descr " + model, 41), "2", s.type, s.version,
                                  FixedText("IAW " + model, 40)}),
                     Catalogue::Result::Ok);
            const QString file = map(model + QString("/%1/%2").arg(s.version).arg(s.type));
            QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        }
    }
    QString map(const QString &rec) const
    {
        const QStringList p = rec.split('/');
        return MapFilePath(dir.path(), p[0], qint16(p[1].toInt()), qint16(p[2].toInt()));
    }
};

QStringList listed(const ClearNIV &dlg)
{
    QStringList out;
    for (int r = 0; r < dlg.ListaModelli()->count(); ++r) {
        const QString key = dlg.ListaCentr().value(r);
        out << dlg.ListaModelli()->item(r)->text().left(12).trimmed().toUpper() + '/' + key.left(2).trimmed() + '/'
                   + key.mid(2).trimmed();
    }
    return out;
}

void clickRow(ClearNIV &dlg, int row)
{
    QListWidget *l = dlg.ListaModelli();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
}

}   // namespace

class TstClearNIV : public QObject {
    Q_OBJECT
private slots:
    void listsEveryRecordByModelVersionAndInstallation()
    {
        Fixture fx;
        ClearNIV dlg(fx.frame, fx.sink);
        QCOMPARE(listed(dlg), kListed);
        QCOMPARE(dlg.ListaCentr().value(1), QString(" 1 0"));
        QCOMPARE(dlg.ListaModelli()->item(0)->text().simplified(), QString("ALFA - Descr ALFA 3 GPL"));
        QCOMPARE(dlg.ListaModelli()->item(2)->text().mid(56).simplified(), QString("1 METANO"));
    }

    void deletesExactlyTheChosen_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("failingRow");   // its file cannot be deleted; -1 none
        QTest::addColumn<QStringList>("gone");
        QTest::addColumn<QStringList>("models");   // model folders left
        QTest::addColumn<QString>("message");
        QTest::newRow("last map of a model takes its folders")
            << QList<int>{0} << -1 << QStringList{"ALFA/3/0"} << QStringList{"fiat", "PUNTO"} << Testo(355);
        QTest::newRow("GPL beside methane keeps the version folder")
            << QList<int>{3, 5} << -1 << QStringList{"PUNTO/1/0", "PUNTO/2/1"} << QStringList{"ALFA", "fiat", "PUNTO"}
            << Testo(355);
        QTest::newRow("undeletable file stops, keeps its record")
            << QList<int>{1, 2, 4} << 2 << QStringList{"FIAT/1/0"} << QStringList{"ALFA", "fiat", "PUNTO"}
            << Testo(356) + '\n' + Testo(333);
        QTest::newRow("last map takes the whole tree")
            << QList<int>{0, 1, 2, 3, 4, 5} << -1 << kListed << QStringList{} << Testo(355);
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
        QStringList remaining = kListed;
        for (const QString &g : gone)
            remaining.removeOne(g);
        {
            ClearNIV dlg(fx.frame, fx.sink, nullptr, &watchdog);
            const QString undeletable = failingRow < 0 ? QString() : fx.map(kListed[failingRow]);
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
            QCOMPARE(listed(dlg), remaining);
            QCOMPARE(dlg.DatiDAT(0)->text() + dlg.TipoImp()->text() + dlg.DatiDAT(3)->text(), QString());
            if (remaining.isEmpty()) {   // nothing left to choose
                dlg.Salva()->click();
                QCOMPARE(fx.sink.texts.last(), Testo(357));
            }
        }
        MapArchive archive;
        QVERIFY(archive.open(fx.dir.path()));
        for (const QString &rec : kListed) {
            const QStringList p = rec.split('/');
            QCOMPARE(archive.find(p[0], qint16(p[1].toInt()), qint16(p[2].toInt())).has_value(),
                     remaining.contains(rec));
            QCOMPARE(QFileInfo::exists(fx.map(rec)), remaining.contains(rec));
        }
        QFETCH(QStringList, models);
        QCOMPARE(QFileInfo::exists(fx.dir.filePath("FILER42/AUTOADATT")), !models.isEmpty());
        QCOMPARE(QDir(fx.dir.filePath("FILER42/AUTOADATT"))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase),
                 models);
        if (remaining.contains("PUNTO/1/1"))
            QVERIFY(QFileInfo::exists(fx.dir.filePath("FILER42/AUTOADATT/PUNTO/CENTRAL1")));
    }

    void clickedLineShowsItsRecord_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("details");   // the six boxes, trimmed
        QTest::newRow("methane, Italian")
            << 1 << 2 << QStringList{"fiat", "Descr fiat", "2", "METANO", "1", "IAW fiat"};
        QTest::newRow("methane, English")
            << 4 << 5 << QStringList{"PUNTO", "Descr PUNTO", "2", Testo(3222), "2", "IAW PUNTO"};
        QTest::newRow("GPL") << 1 << 0 << QStringList{"ALFA", "Descr ALFA", "2", "GPL", "3", "IAW ALFA"};
    }
    void clickedLineShowsItsRecord()
    {
        QFETCH(int, lingua);
        QFETCH(int, row);
        Fixture fx;
        fx.frame.LinguaCorrente = quint8(lingua);
        ClearNIV dlg(fx.frame, fx.sink);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto shown = [&] {
            QStringList d;
            for (QLineEdit *box :
                 {dlg.DatiDAT(0), dlg.DatiDAT(1), dlg.DatiDAT(2), dlg.TipoImp(), dlg.VerCentr(), dlg.DatiDAT(3)})
                d << box->text().trimmed();
            return d;
        };
        clickRow(dlg, row);
        QFETCH(QStringList, details);
        QCOMPARE(shown(), details);
        clickRow(dlg, row);   // unselected: nothing shown
        QCOMPARE(shown().join(""), QString());
        QCOMPARE(dlg.LabSF(4)->text(), Testo(fx.frame.id(219)).trimmed());
        dlg.Salva()->click();
        QCOMPARE(fx.sink.texts, QStringList{Testo(fx.frame.id(358))});
        QTest::keyClick(dlg.ListaModelli(), Qt::Key_Space);   // the keyboard selects as a click does
        QCOMPARE(shown(), details);
    }
};

QTEST_MAIN(TstClearNIV)
#include "tst_clearniv.moc"
