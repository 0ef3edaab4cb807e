#include <QtTest>
#include <cmath>
#include <limits>

#include "app/log.h"
#include "app/numbers.h"
#include "app/rotatinglogfile.h"
#include "app/textids.h"
#include "app/texts.h"
#include "support/files.h"

namespace {

// An absent result is an invalid QVariant, so a table cell can say "refused".
template <typename T>
QVariant cell(const std::optional<T> &v)
{
    return v ? QVariant::fromValue(*v) : QVariant();
}

const QVariant No;
const double NaN = std::numeric_limits<double>::quiet_NaN();

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

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    // Each text through every parsing rule: the rows are the texts on which the rules part ways.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("leading");    // LeadingNumber
        QTest::addColumn<double>("sixChar");    // SixCharValue
        QTest::addColumn<QVariant>("plain");    // PlainDecimal
        QTest::addColumn<QVariant>("digits");   // FixedField, digits only
        QTest::addColumn<QVariant>("padded");   // FixedField, blank-padded and signed
        const QVariant big = qint64(99999999999);
        const QVariant max = std::numeric_limits<qint64>::max();

        QTest::newRow("leading zeros") << QByteArray("000123") << 123.0 << 123.0 << QVariant(123.0)
                                       << QVariant(qint64(123)) << QVariant(qint64(123));
        QTest::newRow("sign in the middle") << QByteArray("000-12") << 0.0 << -12.0 << No << No << No;
        QTest::newRow("padded minus one")
            << QByteArray("    -1") << -1.0 << -1.0 << QVariant(-1.0) << No << QVariant(qint64(-1));
        QTest::newRow("plus") << QByteArray("+7") << 7.0 << 7.0 << QVariant(7.0) << No << QVariant(qint64(7));
        QTest::newRow("blank after sign") << QByteArray("- 5") << 0.0 << -5.0 << No << No << No;
        QTest::newRow("trailing blank") << QByteArray("12 ") << 12.0 << 12.0 << QVariant(12.0) << No
                                        << QVariant(qint64(12));
        QTest::newRow("exponent 9e9") << QByteArray("9e9") << 9e9 << 9.0 << No << No << No;
        QTest::newRow("exponent 1e8") << QByteArray("1e8") << 1e8 << 1.0 << No << No << No;
        QTest::newRow("exponent past double") << QByteArray("1e400") << 0.0 << 1.0 << No << No << No;
        QTest::newRow("bare e") << QByteArray("1e") << 1.0 << 1.0 << No << No << No;
        QTest::newRow("letters after") << QByteArray("12ab") << 12.0 << 12.0 << No << No << No;
        QTest::newRow("decimal") << QByteArray("3.75") << 3.75 << 3.75 << QVariant(3.75) << No << No;
        QTest::newRow("point first") << QByteArray(".5") << 0.5 << 0.5 << QVariant(0.5) << No << No;
        QTest::newRow("two points") << QByteArray("1.2.3") << 1.2 << 1.2 << No << No << No;
        QTest::newRow("sign alone") << QByteArray("00000-") << 0.0 << 0.0 << No << No << No;
        QTest::newRow("empty") << QByteArray("") << 0.0 << 0.0 << No << No << No;
        QTest::newRow("past int") << QByteArray("99999999999") << 99999999999.0 << 99999999999.0
                                  << QVariant(99999999999.0) << big << big;
        QTest::newRow("qint64 max") << QByteArray("9223372036854775807") << 9223372036854775807.0
                                    << 9223372036854775807.0 << QVariant(9223372036854775807.0) << max << max;
        QTest::newRow("past qint64") << QByteArray("9223372036854775808") << 9223372036854775808.0
                                     << 9223372036854775808.0 << QVariant(9223372036854775808.0) << No << No;
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        const QString s = QString::fromLatin1(text);
        QTEST(LeadingNumber(text), "leading");
        QTEST(SixCharValue(s), "sixChar");
        QTEST(cell(PlainDecimal(s)), "plain");
        QTEST(cell(FixedField(text)), "digits");
        QTEST(cell(FixedField(text, BlankPadded | Signed)), "padded");
    }

    // Each value through every rounding rule; the halves and the noise next to them tell the rules apart.
    void round_data()
    {
        QTest::addColumn<double>("v");
        QTest::addColumn<double>("halfEven");
        QTest::addColumn<double>("halfEvenDecimal");
        QTest::addColumn<double>("halfAway");
        QTest::addColumn<QVariant>("int16");   // WholeInt16HalfEven

        auto i16 = [](int v) { return QVariant::fromValue(qint16(v)); };
        QTest::newRow("2.5") << 2.5 << 2.0 << 2.0 << 3.0 << i16(2);
        QTest::newRow("3.5") << 3.5 << 4.0 << 4.0 << 4.0 << i16(4);
        QTest::newRow("-2.5") << -2.5 << -2.0 << -2.0 << -3.0 << i16(-2);
        QTest::newRow("-3.5") << -3.5 << -4.0 << -4.0 << -4.0 << i16(-4);
        QTest::newRow("0.5") << 0.5 << 0.0 << 0.0 << 1.0 << i16(0);
        QTest::newRow("-0.5") << -0.5 << 0.0 << 0.0 << -1.0 << i16(0);
        QTest::newRow("3.5 held low") << 3.4999999999999996 << 3.0 << 4.0 << 3.0 << i16(3);
        QTest::newRow("2.5 held high") << 2.5000000000000004 << 3.0 << 2.0 << 3.0 << i16(3);
        QTest::newRow("top half") << 32767.5 << 32768.0 << 32768.0 << 32768.0 << No;
        QTest::newRow("top") << 32767.4 << 32767.0 << 32767.0 << 32767.0 << i16(32767);
        QTest::newRow("bottom half") << -32768.5 << -32768.0 << -32768.0 << -32769.0 << i16(-32768);
        QTest::newRow("far") << 1e300 << 1e300 << 1e300 << 1e300 << No;
        QTest::newRow("NaN") << NaN << NaN << NaN << NaN << No;
    }
    void round()
    {
        QFETCH(double, v);
        QTEST(RoundHalfEven(v), "halfEven");
        QTEST(RoundHalfEvenDecimal(v), "halfEvenDecimal");
        QTEST(RoundHalfAwayFromZero(v), "halfAway");
        QTEST(cell(WholeInt16HalfEven(v)), "int16");
    }

    // Every id filled; a translation keeps the Italian's placeholders, blanks,
    // trailing " : " and access keys; fixed-width names fit their column.
    void everyLanguage_hasAllIdsShapedLikeTheItalian_data()
    {
        QTest::addColumn<int>("lingua");
        const char *names[] = {"italian", "french", "polish", "english"};
        for (int l = 1; l <= 4; ++l)
            QTest::newRow(names[l - 1]) << l;
    }
    void everyLanguage_hasAllIdsShapedLikeTheItalian()
    {
        QFETCH(int, lingua);
        int placeholders = 0, colons = 0;
        for (int b = 101; b <= TextId::LastUsed; ++b) {
            const QString it = Testo(b), tr = TestoL(b, lingua);
            const QByteArray where = QByteArray::number(b) + " \"" + tr.toUtf8() + '"';
            QVERIFY2(!tr.isEmpty(), where.constData());
            placeholders += tr == QLatin1String("-");
            QVERIFY2((tr == QLatin1String("-")) == (it == QLatin1String("-")), where.constData());
            colons += it.endsWith(QLatin1String(" : "));
            QVERIFY2(!it.endsWith(QLatin1String(" : ")) || tr.endsWith(QLatin1String(" : ")), where.constData());
            QVERIFY2(it.endsWith(QLatin1Char(' ')) == tr.endsWith(QLatin1Char(' ')), where.constData());
            QVERIFY2(it.startsWith(QLatin1Char(' ')) == tr.startsWith(QLatin1Char(' ')), where.constData());
            QCOMPARE(tr.count(QLatin1Char('&')), it.count(QLatin1Char('&')));
            QCOMPARE(tr.count(QLatin1String("%1")) + tr.count(QLatin1String("%2")),
                     it.count(QLatin1String("%1")) + it.count(QLatin1String("%2")));
            const qsizetype key = tr.indexOf(QLatin1Char('&')) + 1;   // the access key follows "&"
            QVERIFY2(key == 0 || (key < tr.size() && tr.at(key).isLetter()), where.constData());
            if (QList<int>{221, 223, 365, 366, 367, 368}.contains(b))
                QVERIFY2(tr.size() <= 8, where.constData());
        }
        QCOMPARE(placeholders, 94);   // the rest carry words, the about box's 307 included
        QVERIFY(colons > 30);
        for (int b = TextId::LastUsed + 1; b <= 1100; ++b)   // up to the next language's first id: nothing
            QVERIFY2(TestoL(b, lingua).isEmpty(), qPrintable(QString::number(b + 1000 * (lingua - 1))));
        QVERIFY(Testo(100).isEmpty() && Testo(0).isEmpty());
    }

    // Alt + letter must reach one item: access keys differ within each menu, in every language.
    void accessKeys_areUniqueWithinEachMenu()
    {
        const QList<QList<int>> menus{{102, 103, 104, 105, 106},   // menu bar
                                      {107, 108, 369, 110},        // File
                                      {114, 115, 117, 394},        // recordings
                                      {118, 119, 121},             // maps
                                      {111, 393},                  // utilities
                                      {112, 113}};                 // settings
        for (int lingua = 1; lingua <= 4; ++lingua) {
            for (const QList<int> &menu : menus) {
                QSet<QChar> keys;
                for (int id : menu) {
                    const QString text = TestoL(id, lingua);
                    const qsizetype amp = text.indexOf(QLatin1Char('&'));
                    QVERIFY2(amp >= 0, qPrintable(text));
                    QVERIFY2(!keys.contains(text.at(amp + 1).toLower()), qPrintable(text));
                    keys.insert(text.at(amp + 1).toLower());
                }
            }
        }
    }

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
        QVERIFY(WriteFile(path, QByteArray(90, 'o')));
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
        const QList<QByteArray> lines = ReadFile(QDir(dir.path()).filePath("LOG/kalibron.log")).split('\n');
        // The empty first line sets runs apart; the last split part follows the final LF.
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray());
        const QRegularExpression stamp(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}) (.*)$"));
        const QStringList rest{"kalibron.link INFO port opened", "kalibron.archive WARNING two\\nlines"};
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
        QTest::newRow("french, blanks around")
            << QStringLiteral("  ") + TestoL(TextId::LinkLost, 2) + " " << QString("#308");
        QTest::newRow("title") << TestoL(TextId::TitleError, 4) << "#171";
        QTest::newRow("placeholder filled") << partial << "#377(/a/BACKUP/X/1.PRG)";
        QTest::newRow("two texts, one per line")
            << TestoL(TextId::ProgrammingInterrupted, 3) + "\n" + TestoL(TextId::MayHoldPartialImage, 3).arg("B")
            << "#213 + #377(B)";
        QTest::newRow("not a text of the table") << "Disk full" << QString("\"Disk full\"");
        QTest::newRow("a text and a foreign line")
            << TestoL(TextId::LinkLost, 4) + "\nerrno 28" << QString("#308 + \"errno 28\"");
    }
    void shownText_isLoggedByTextId()
    {
        QFETCH(QString, text);
        QTEST(DescribeShownText(text), "logged");
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
