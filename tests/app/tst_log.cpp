#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "app/log.h"
#include "app/rotatinglogfile.h"
#include "app/textids.h"
#include "app/texts.h"
#include "support/files.h"

namespace {

// Line n, `size` bytes with its LF, so that what survived can be told apart.
QByteArray numberedLine(int n, int size)
{
    return QByteArray::number(n).rightJustified(size - 1, '.') + '\n';
}

// What a handler installed before the log file saw.
QStringList g_seen;
void recordingHandler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_seen << message;
}

}   // namespace

class TestLog : public QObject {
    Q_OBJECT
private slots:
    // Lines of 30 bytes under a bound of 100: three lines fill a file.
    void rotation_keepsThreeBoundedCopies_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("files");       // the log and its older copies
        QTest::addColumn<int>("firstKept");   // the oldest line still in a file
        QTest::newRow("one file, below the bound") << 2 << 1 << 1;
        QTest::newRow("one file, filled to the bound") << 3 << 1 << 1;
        QTest::newRow("first rotation") << 4 << 2 << 1;
        QTest::newRow("every copy full") << 12 << 4 << 1;
        QTest::newRow("oldest copy dropped") << 13 << 4 << 4;
        QTest::newRow("many rotations") << 20 << 4 << 10;
    }
    void rotation_keepsThreeBoundedCopies()
    {
        QFETCH(int, lines);
        QFETCH(int, files);
        QFETCH(int, firstKept);
        constexpr int kBound = 100, kLine = 30;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kalibron.log"));
        RotatingLogFile log(path, kBound, 3);
        for (int n = 1; n <= lines; ++n)
            QVERIFY(log.append(numberedLine(n, kLine)));

        QStringList names{path};
        for (int n = 1; n <= 4; ++n)
            names << log.olderCopy(n);
        QCOMPARE(log.olderCopy(2), path + QStringLiteral(".2"));
        QByteArray kept;
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(QFile::exists(names[i]), i < files);
            if (i < files) {
                const qint64 size = QFileInfo(names[i]).size();
                QVERIFY2(size > 0 && size <= kBound, qPrintable(names[i]));
                kept.prepend(ReadFile(names[i]));
            }
        }
        QByteArray expected;
        for (int n = firstKept; n <= lines; ++n)
            expected += numberedLine(n, kLine);
        QCOMPARE(kept, expected);
    }

    void rotation_continuesAnOldFileAndCutsAnOverlongLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kalibron.log"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(90, 'o'));
        }
        RotatingLogFile log(path, 100, 3);
        QVERIFY(log.append("short\n"));   // still fits after the earlier run's 90 bytes
        QCOMPARE(QFileInfo(path).size(), 96);
        QVERIFY(log.append(QByteArray(250, 'x') + '\n'));
        QCOMPARE(ReadFile(log.olderCopy(1)).size(), 96);
        const QByteArray cut = ReadFile(path);
        QCOMPARE(cut.size(), 100);
        QVERIFY(cut.endsWith("x\n"));
    }

    void handler_writesCategoryLevelAndTime_andChainsToThePreviousOne()
    {
        QTemporaryDir dir;
        g_seen.clear();
        const QtMessageHandler before = qInstallMessageHandler(recordingHandler);
        {
            LogFileHandler log(dir.path());
            QVERIFY(log.isOpen());
            QCOMPARE(log.path(), QDir(dir.path()).filePath(QStringLiteral("LOG/kalibron.log")));
            // A second one would call itself as "the previous handler".
            QVERIFY(!LogFileHandler(dir.path()).isOpen());
            qCInfo(lcLink) << "port opened";
            qCWarning(lcArchive).noquote() << "two\nlines";
            qCDebug(lcSession) << "off by default";
        }
        qCInfo(lcUi) << "after the log closed";
        qInstallMessageHandler(before);

        QCOMPARE(g_seen, (QStringList{"port opened", "two\nlines", "after the log closed"}));
        const QList<QByteArray> lines =
            ReadFile(QDir(dir.path()).filePath(QStringLiteral("LOG/kalibron.log"))).split('\n');
        // The empty first line sets runs apart; the last split part follows the final LF.
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray());
        const QRegularExpression stamp(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}) (.*)$"));
        const QStringList rest{QStringLiteral("kalibron.link INFO port opened"),
                               QStringLiteral("kalibron.archive WARNING two\\nlines")};
        for (int i = 0; i < 2; ++i) {
            const QRegularExpressionMatch m = stamp.match(QString::fromUtf8(lines[i + 1]));
            QVERIFY2(m.hasMatch(), lines[i + 1].constData());
            const QDateTime when = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            QVERIFY(when.isValid() && qAbs(when.secsTo(QDateTime::currentDateTime())) < 60);
            QCOMPARE(m.captured(2), rest[i]);
        }
        QCOMPARE(lines[3], QByteArray());
    }

    void shownText_isLoggedByTextId_data()
    {
        const QString partial = TestoL(TextId::MayHoldPartialImage, 1).arg(QStringLiteral("/a/BACKUP/X/1.PRG"));
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("logged");
        QTest::newRow("italian") << TestoL(TextId::LinkLost, 1) << "#308";
        QTest::newRow("french, blanks around") << QStringLiteral("  ") + TestoL(TextId::LinkLost, 2) + " "
                                               << "#308";
        QTest::newRow("title") << TestoL(TextId::TitleError, 4) << "#171";
        QTest::newRow("placeholder filled") << partial << "#377(/a/BACKUP/X/1.PRG)";
        QTest::newRow("two texts, one per line")
            << TestoL(TextId::ProgrammingInterrupted, 3) + "\n" + TestoL(TextId::MayHoldPartialImage, 3).arg("B")
            << "#213 + #377(B)";
        QTest::newRow("not a text of the table") << "Disk full"
                                                 << "\"Disk full\"";
        QTest::newRow("a text and a foreign line") << TestoL(TextId::LinkLost, 4) + "\nerrno 28"
                                                   << "#308 + \"errno 28\"";
    }
    void shownText_isLoggedByTextId()
    {
        QFETCH(QString, text);
        QFETCH(QString, logged);
        QCOMPARE(DescribeShownText(text), logged);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
