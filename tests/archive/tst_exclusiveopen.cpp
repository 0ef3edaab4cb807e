#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <cstdio>

#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/maps/maparchive.h"

namespace {

QString noteOf(int n) { return QStringLiteral("note %1;").arg(n).repeated(40); }

// Child "hold": opens the archive, says so, keeps it open until stdin closes.
int holdChild(const QString &kind, const QString &app)
{
    MapArchive m;
    AcquisitionArchive a;
    const bool open = kind == QLatin1String("maps") ? OpenMapArchive(m, app) : OpenAcquisitionArchive(a, app);
    std::printf(open ? "open\n" : "refused\n");
    std::fflush(stdout);
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) {
    }
    return 0;
}

// Child "fill": stores recordings one by one until killed, printing each committed number.
int fillChild(const QString &app)
{
    AcquisitionArchive a;
    if (!OpenAcquisitionArchive(a, app))
        return 1;
    for (int n = 0;; ++n) {
        if (a.add({QStringLiteral("M%1").arg(n % 7), QStringLiteral("D%1").arg(n), QStringLiteral("F%1").arg(n), noteOf(n)})
            != Catalogue::Result::Ok)
            return 2;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

struct Child {
    QProcess p;
    Child(const QStringList &args)
    {
        p.start(QCoreApplication::applicationFilePath(), args);
    }
    ~Child()
    {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
    QString firstLine()
    {
        while (!p.canReadLine()) {
            if (!p.waitForReadyRead(10000))
                return {};
        }
        return QString::fromLatin1(p.readLine()).trimmed();
    }
};

bool openArchive(bool maps, MapArchive &m, AcquisitionArchive &a, const QString &app)
{
    return maps ? OpenMapArchive(m, app) : OpenAcquisitionArchive(a, app);
}

} // namespace

class TestExclusiveOpen : public QObject {
    Q_OBJECT
private slots:
    void openCatalogue_isRefusedToAnotherProcess_data()
    {
        QTest::addColumn<bool>("maps");
        QTest::newRow("maps") << true;
        QTest::newRow("acquisitions") << false;
    }
    void openCatalogue_isRefusedToAnotherProcess()
    {
        QFETCH(bool, maps);
        const QString kind = maps ? QStringLiteral("maps") : QStringLiteral("acquisitions");
        QTemporaryDir app;
        {
            MapArchive m;
            AcquisitionArchive a;
            QVERIFY(openArchive(maps, m, a, app.path()));
            QCOMPARE(maps ? m.add({QStringLiteral("FIAT"), QStringLiteral("d"), QString(), 0, 1, QString()})
                          : a.add({QStringLiteral("FIAT"), QStringLiteral("d"), QStringLiteral("F"), QString()}),
                     Catalogue::Result::Ok);
            Child other({QStringLiteral("hold"), kind, app.path()});
            QCOMPARE(other.firstLine(), QStringLiteral("refused"));
        }

        Child holder({QStringLiteral("hold"), kind, app.path()});
        QCOMPARE(holder.firstLine(), QStringLiteral("open"));
        MapArchive m;
        AcquisitionArchive a;
        QVERIFY(!openArchive(maps, m, a, app.path()));
        QVERIFY(maps ? FillModelList(m).isEmpty() : FillAcquisitionList(a, nullptr).isEmpty());

        // SQLite's own lock refuses even a reader that ignores the lock file.
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(app.filePath(maps ? QStringLiteral("FILER42/ARCHR42.MDB") : QStringLiteral("DIR_DATI/ARCHDATI.MDB")));
            raw.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            QVERIFY(!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")));
            QCOMPARE(q.lastError().nativeErrorCode().toInt() & 0xff, 5);   // SQLITE_BUSY
            raw.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));

        holder.p.closeWriteChannel();
        QVERIFY(holder.p.waitForFinished(10000));
        QVERIFY(openArchive(maps, m, a, app.path()));
        QCOMPARE(maps ? FillModelList(m).size() : FillAcquisitionList(a, nullptr).size(), 1);
    }

    void killedHolder_doesNotLockTheCatalogueForever()
    {
        QTemporaryDir app;
        Child holder({QStringLiteral("hold"), QStringLiteral("acquisitions"), app.path()});
        QCOMPARE(holder.firstLine(), QStringLiteral("open"));
        holder.p.kill();
        QVERIFY(holder.p.waitForFinished(10000));
        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
    }

    void killedWhileStoring_leavesAReadableCatalogueOfWholeRows_data()
    {
        QTest::addColumn<int>("after");
        QTest::newRow("first record") << 1;
        QTest::newRow("a few") << 17;
        QTest::newRow("many pages") << 400;
    }
    void killedWhileStoring_leavesAReadableCatalogueOfWholeRows()
    {
        QFETCH(int, after);
        QTemporaryDir app;
        int committed = -1;
        {
            Child writer({QStringLiteral("fill"), app.path()});
            while (committed + 1 < after) {
                const QString line = writer.firstLine();
                QVERIFY2(!line.isEmpty(), "the writer stopped");
                committed = line.toInt();
            }
            writer.p.kill();   // SIGKILL, in whatever the writer is doing
            QVERIFY(writer.p.waitForFinished(10000));
        }

        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()));
        QVERIFY(a.catalogue().repairedCopy().isEmpty());
        const QList<AcquisitionRecord> rows = a.records();
        QVERIFY(rows.size() >= committed + 1);
        QSet<int> seen;
        for (const AcquisitionRecord &r : rows) {
            const int n = r.FILE.mid(1).toInt();
            QCOMPARE(r.FILE, QStringLiteral("F%1").arg(n));
            QCOMPARE(r.MODELLO, QStringLiteral("M%1").arg(n % 7));
            QCOMPARE(r.DESC_MODELLO, QStringLiteral("D%1").arg(n));
            QCOMPARE(r.NOTE, noteOf(n));
            seen.insert(n);
        }
        for (int n = 0; n <= committed; ++n)
            QVERIFY2(seen.contains(n), qPrintable(QStringLiteral("committed record %1 is missing").arg(n)));
        QCOMPARE(a.add({QStringLiteral("NEW"), QString(), QStringLiteral("AFTER"), QString()}), Catalogue::Result::Ok);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "hold") == 0)
        return holdChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 3 && qstrcmp(argv[1], "fill") == 0)
        return fillChild(QString::fromLocal8Bit(argv[2]));
    TestExclusiveOpen test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_exclusiveopen.moc"
