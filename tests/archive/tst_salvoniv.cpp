#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QtTest>
#include <cerrno>

#include "app/texts.h"
#include "archive/maps/srecord.h"
#include "archive/widgets/salvoniv.h"
#include "mapimage.h"
#include "support/files.h"
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

}   // namespace

class TstSalvoNIV : public QObject {
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
};

QTEST_MAIN(TstSalvoNIV)
#include "tst_salvoniv.moc"
