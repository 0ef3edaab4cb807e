#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/texts.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "support/fakelinkui.h"

namespace {

struct Rig {
    QTemporaryDir dir;
    LiveState live;
    Recorder rec{live};
    FakeLinkUi sink;
    QString path = dir.filePath(QStringLiteral("REC.DAT"));
    explicit Rig(int lingua = 1)
    {
        InitLiveChannels(live, lingua);
        rec.setMessageSink(&sink, lingua);
    }
    void samples(int n)
    {
        for (int i = 0; i < n; ++i) {
            live.LiveSample[0].Field[9] = RightIn8(QString::number(800 + i));
            rec.addSample();
        }
    }
    // The file's 145-character lines; the counter of a data line is its first 8 characters.
    QList<QByteArray> lines() const
    {
        QFile f(path);
        QList<QByteArray> out;
        const QByteArray all = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        for (qsizetype i = 0; i < all.size(); i += 145)
            out << all.mid(i, 145);
        return out;
    }
};

int counterOf(const QByteArray &line)
{
    return line.left(8).trimmed().toInt();
}

} // namespace

class TestRecorder : public QObject {
    Q_OBJECT
private slots:
    void oneSample_replacesAnOldFileWithThreeLines()
    {
        Rig r;
        QFile old(r.path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents\r\n");
        old.close();
        r.live.LiveSample[0].Field[5] = QStringLiteral("NORMALE ");
        QVERIFY(r.rec.start(r.path, false));
        r.samples(1);
        QVERIFY(r.rec.stop());
        const auto lines = r.lines();
        QCOMPARE(QFileInfo(r.path).size(), 3 * 145);
        for (const QByteArray &l : lines) {
            QVERIFY(l.endsWith("\r\n"));
            QCOMPARE(l.count(';'), 15);
        }
        // Column 0 is the sample number (channel 15), then channels 0..14.
        QVERIFY(lines[0].startsWith("Campioni;Pressio"));
        QCOMPARE(lines[1].mid(9 * 5, 8), QByteArray("mV      "));
        QVERIFY(lines[2].startsWith("       0;        ;"));
        QCOMPARE(lines[2].mid(9 * 6, 8), QByteArray("NORMALE "));
        QCOMPARE(lines[2].mid(9 * 10, 8), QByteArray("     800"));
    }

    void sample242_flushes241LinesFirst()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(241);
        QVERIFY(!QFile::exists(r.path));
        r.samples(1);
        const auto lines = r.lines();
        QCOMPARE(lines.size(), 2 + 241);
        QCOMPARE(counterOf(lines.last()), 240);
    }

    void continuation_marksAndNumbersOnPastEarlierMarks()
    {
        Rig r;
        QVERIFY(!r.rec.start(r.path, true));   // nothing to continue
        QVERIFY(r.rec.start(r.path, false));
        QVERIFY(r.rec.stop());
        QVERIFY(!QFile::exists(r.path));   // no sample, no file
        QVERIFY(r.rec.start(r.path, false));
        r.samples(118);   // lines 0 .. 117
        QVERIFY(r.rec.stop());
        QVERIFY(r.rec.start(r.path, true));   // a mark and nothing else
        QVERIFY(r.rec.stop());
        QVERIFY(r.rec.start(r.path, true));
        QCOMPARE(r.live.LiveSample[1].RecordCounter, 117);
        r.samples(1);
        QVERIFY(r.rec.stop());
        const auto lines = r.lines();
        QCOMPARE(lines.size(), 2 + 118 + 3);
        QCOMPARE(counterOf(lines[119]), 117);
        QCOMPARE(lines[120], QByteArray("*") + QByteArray(142, ' ') + "\r\n");
        QCOMPARE(lines[121], lines[120]);
        QCOMPARE(counterOf(lines[122]), 118);
    }

    void unwritableFolder_keepsSamplesTellsOnceAndRetries()
    {
        Rig r;
        // A folder that vanished: its name is now a plain file.
        const QString folder = r.dir.filePath(QStringLiteral("MODEL"));
        r.path = folder + QStringLiteral("/REC.DAT");
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(r.rec.start(r.path, false));
        r.samples(242 + 241);   // two failed flushes
        QCOMPARE(r.sink.messages.size(), 1);
        QCOMPARE(r.sink.messages[0].text, TestoL(335, 1));
        QCOMPARE(r.sink.messages[0].flags, 16);
        QCOMPARE(r.sink.beeps, 1);
        QCOMPARE(r.rec.backlogSize(), 482);

        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("MODEL")));
        r.samples(241);
        const auto lines = r.lines();
        QCOMPARE(lines.size(), 2 + 723);
        for (int i = 2; i < lines.size(); ++i)
            QCOMPARE(counterOf(lines[i]), i - 2);

        // A new run of failures is told again.
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        r.samples(1);
        QVERIFY(!r.rec.stop());
        QCOMPARE(r.sink.messages.size(), 2);
    }

    // Bytes as the Windows code pages define them, not as this code computes them.
    void headerAndStateColumn_inTheLanguagesCodePage_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QByteArray>("state");       // post-processed state name as stored
        QTest::addColumn<int>("column");             // header cell holding `cell`
        QTest::addColumn<int>("headerLine");
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QByteArray>("stateBytes");
        // windows-1250: \xf3 o acute, \x9c s acute, \xb3 l stroke, \x8c S acute, \xb0 degree.
        QTest::newRow("Polish samples column") << 3 << QByteArray("6001") << 0 << 0
                                               << QByteArray("Pr\xf3" "bki  ") << QByteArray("PRZEJ\x8c" "C.");
        QTest::newRow("Polish pressure") << 3 << QByteArray("6001") << 1 << 0
                                         << QByteArray("Ci\x9c" "nieni") << QByteArray("PRZEJ\x8c" "C.");
        QTest::newRow("Polish flow") << 3 << QByteArray("6001") << 13 << 0
                                     << QByteArray("Przep\xb3" "yw") << QByteArray("PRZEJ\x8c" "C.");
        QTest::newRow("Polish degrees") << 3 << QByteArray("6000") << 4 << 1
                                        << QByteArray("\xb0" "C      ") << QByteArray("NORMALNY");
        // windows-1252: \xc9 E acute, \xe9 e acute.
        QTest::newRow("French samples column") << 2 << QByteArray("6000") << 0 << 0
                                               << QByteArray("\xc9" "chantil") << QByteArray("NORMAL  ");
        QTest::newRow("French temperature") << 2 << QByteArray("6000") << 4 << 0
                                            << QByteArray("Temp\xe9" "rat") << QByteArray("NORMAL  ");
        QTest::newRow("French state") << 2 << QByteArray("6000") << 6 << 0
                                      << QByteArray("\xc9" "tat    ") << QByteArray("NORMAL  ");
    }
    void headerAndStateColumn_inTheLanguagesCodePage()
    {
        QFETCH(int, lingua);
        QFETCH(QByteArray, state);
        QFETCH(int, column);
        QFETCH(int, headerLine);
        QFETCH(QByteArray, cell);
        QFETCH(QByteArray, stateBytes);
        Rig r(lingua);
        QVERIFY(r.rec.start(r.path, false));
        r.live.LiveSample[0].Field[5] = QString::fromLatin1(state);
        PostProcessLiveRecord(r.live.LiveSample[0], lingua);
        r.samples(1);
        QVERIFY(r.rec.stop());
        QCOMPARE(QFileInfo(r.path).size(), 3 * 145);   // one byte per character
        const auto lines = r.lines();
        QCOMPARE(lines[headerLine].mid(9 * column, 8), cell);
        QCOMPARE(lines[2].mid(9 * 6, 8), stateBytes);

        // Continuing reads the file back in the same code page: the numbers go on.
        QVERIFY(r.rec.start(r.path, true));
        r.samples(1);
        QVERIFY(r.rec.stop());
        QCOMPARE(counterOf(r.lines().last()), 1);
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"