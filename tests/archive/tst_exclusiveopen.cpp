#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <cstdio>

#include "archive/acquisitions/acquisitionarchive.h"
#include "archive/maps/maparchive.h"

namespace {

QString noteOf(int n)
{
    return QStringLiteral("note %1;").arg(n).repeated(40);
}

bool openArchive(bool maps, MapArchive &m, AcquisitionArchive &a, const QString &app)
{
    return maps ? OpenMapArchive(m, app) : OpenAcquisitionArchive(a, app);
}

// This test binary run again as a second process; killed when it goes out of scope.
struct Child {
    QProcess p;
    explicit Child(const QStringList &args) { p.start(QCoreApplication::applicationFilePath(), args); }
    ~Child()
    {
        p.kill();
        p.waitForFinished(5000);
    }
    QString line()
    {
        while (!p.canReadLine() && p.waitForReadyRead(10000)) {}
        return QString::fromLatin1(p.readLine()).trimmed();
    }
};

}   // namespace

class TestExclusiveOpen : public QObject {
    Q_OBJECT
private slots:
    void secondProcess_isRefusedUntilTheHolderGoes_data()
    {
        QTest::addColumn<bool>("maps");
        QTest::newRow("maps") << true;
        QTest::newRow("acquisitions") << false;
    }
    void secondProcess_isRefusedUntilTheHolderGoes()
    {
        QFETCH(bool, maps);
        QTemporaryDir app;
        const QStringList args{QStringLiteral("hold"), QString::number(maps), app.path()};
        {
            MapArchive m;
            AcquisitionArchive a;
            QVERIFY(openArchive(maps, m, a, app.path()));
            QCOMPARE(Child(args).line(), QStringLiteral("refused"));
        }
        Child holder(args);
        QCOMPARE(holder.line(), QStringLiteral("open"));
        MapArchive m;
        AcquisitionArchive a;
        QVERIFY(!openArchive(maps, m, a, app.path()));

        // SQLite's own lock refuses even a reader that ignores the lock file.
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(app.filePath(maps ? "FILER42/ARCHR42.MDB" : "DIR_DATI/ARCHDATI.MDB"));
            raw.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            QVERIFY(!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")));
            QCOMPARE(q.lastError().nativeErrorCode().toInt() & 0xff, 5);   // SQLITE_BUSY
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));

        // A holder that dies leaves its lock file behind; it must not lock forever.
        holder.p.kill();
        QVERIFY(holder.p.waitForFinished(10000) && openArchive(maps, m, a, app.path()));
        m.close();
        a.close();
        // The lock file alone refuses, before SQLite is asked.
        QLockFile lock(app.filePath(maps ? "FILER42/ARCHR42.LCK" : "DIR_DATI/ARCHDATI.LCK"));
        QVERIFY(lock.tryLock(0));
        QCOMPARE(Child(args).line(), QStringLiteral("refused"));
    }

    void killedWhileStoring_leavesWholeRows_data()
    {
        QTest::addColumn<int>("after");
        QTest::newRow("many pages") << 400;
    }
    void killedWhileStoring_leavesWholeRows()
    {
        QFETCH(int, after);
        QTemporaryDir app;
        int committed = -1;
        {
            Child writer({QStringLiteral("fill"), app.path()});
            while (committed + 1 < after) {
                const QString line = writer.line();
                QVERIFY2(!line.isEmpty(), "the writer stopped");
                committed = line.toInt();
            }
        }   // SIGKILL, in whatever the writer is doing

        AcquisitionArchive a;
        QVERIFY(OpenAcquisitionArchive(a, app.path()) && a.catalogue().repairedCopy().isEmpty());
        QSet<int> seen;
        for (const AcquisitionRecord &r : a.records()) {
            const int n = r.FILE.mid(1).toInt();
            QCOMPARE(r.FILE, QStringLiteral("F%1").arg(n));
            QCOMPARE(r.MODELLO, QStringLiteral("M%1").arg(n % 7));
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
    const QString dir = QString::fromLocal8Bit(argv[argc - 1]);
    if (argc == 4 && qstrcmp(argv[1], "hold") == 0) {   // open, say so, hold until killed
        MapArchive m;
        AcquisitionArchive a;
        std::printf(openArchive(qstrcmp(argv[2], "1") == 0, m, a, dir) ? "open\n" : "refused\n");
        std::fflush(stdout);
        return std::getchar() == EOF ? 0 : 1;
    }
    if (argc == 3 && qstrcmp(argv[1], "fill") == 0) {   // store until killed, printing each committed number
        AcquisitionArchive a;
        if (!OpenAcquisitionArchive(a, dir))
            return 1;
        for (int n = 0; a.add({QStringLiteral("M%1").arg(n % 7), QString(), QStringLiteral("F%1").arg(n), noteOf(n)})
                        == Catalogue::Result::Ok;
             ++n)
            std::printf("%d\n", n), std::fflush(stdout);
        return 2;
    }
    TestExclusiveOpen test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_exclusiveopen.moc"
