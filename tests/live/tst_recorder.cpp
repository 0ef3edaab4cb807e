#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/messages.h"
#include "app/texts.h"
#include "live/livedata.h"
#include "live/recorder.h"

namespace {

struct Shown {
    QString text, title;
    int flags, position;
};

class RecordingSink : public MessageSink {
public:
    QList<Shown> shown;
    int beeps = 0;
    int showMessage(const QString &text, int flags, const QString &title, int position) override
    {
        shown << Shown{text, title, flags, position};
        return 1;
    }
    void plainMessage(const QString &, const QString &) override {}
    void beep() override { ++beeps; }
};

QList<QByteArray> linesOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines;
    const QByteArray all = f.readAll();
    for (qsizetype i = 0; i < all.size(); i += 145)
        lines << all.mid(i, 145);
    return lines;
}

int counterOf(const QByteArray &line)
{
    return line.left(8).trimmed().toInt();
}

struct Rig {
    QTemporaryDir dir;
    LiveState live;
    Recorder rec{live};
    RecordingSink sink;
    QString path = dir.filePath(QStringLiteral("REC.DAT"));
    Rig()
    {
        InitLiveChannels(live, 1);
        rec.setMessageSink(&sink, 1);
    }
    void samples(int n)
    {
        for (int i = 0; i < n; ++i) {
            live.LiveSample[0].Field[9] = RightIn8(QString::number(800 + i));
            rec.addSample();
        }
    }
};

} // namespace

class TestRecorder : public QObject {
    Q_OBJECT
private slots:
    void stopBeforeAnySample_createsNoFile()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        QVERIFY(r.rec.recording());
        QVERIFY(r.rec.stop());
        QVERIFY(!QFile::exists(r.path));
        QVERIFY(!r.rec.recording());
    }

    void oneSample_givesTwoHeadersAndLineZero()
    {
        Rig r;
        r.live.LiveSample[0].Field[5] = QStringLiteral("NORMALE ");
        QVERIFY(r.rec.start(r.path, false));
        r.samples(1);
        QVERIFY(r.rec.stop());
        QCOMPARE(QFileInfo(r.path).size(), 3 * 145);
        const auto lines = linesOf(r.path);
        for (const QByteArray &l : lines) {
            QCOMPARE(l.size(), 145);
            QVERIFY(l.endsWith("\r\n"));
            QCOMPARE(l.count(';'), 15);
        }
        const QString names = QString::fromLatin1(lines[0]);
        QCOMPARE(names.left(8), r.live.LiveChannels[15].Name.left(8));
        QCOMPARE(names.mid(9, 8), r.live.LiveChannels[0].Name.left(8));
        QCOMPARE(names.mid(9 * 15, 8), r.live.LiveChannels[14].Name.left(8));
        QCOMPARE(QString::fromLatin1(lines[1]).mid(9 * 5, 8), r.live.LiveChannels[4].Unit.left(8));
        QVERIFY(lines[2].startsWith("       0;        ;"));
        QCOMPARE(lines[2].mid(9 * 6, 8), QByteArray("NORMALE "));
        QCOMPARE(lines[2].mid(9 * 10, 8), QByteArray("     800"));
        // Idle again: both counters back to "none".
        QCOMPARE(r.live.LiveSample[0].RecordCounter, -1);
        QCOMPARE(r.live.LiveSample[1].RecordCounter, -1);
    }

    void sample242_flushes241LinesFirst()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(241);
        QVERIFY(!QFile::exists(r.path));
        QCOMPARE(r.rec.state().RecordBufferIndex, 240);
        r.samples(1);
        const auto lines = linesOf(r.path);
        QCOMPARE(lines.size(), 2 + 241);
        QCOMPARE(counterOf(lines.last()), 240);
        QCOMPARE(r.rec.state().RecordBufferIndex, 0);
        QCOMPARE(r.rec.state().RecordBuffer[0].RecordCounter, 241);
    }

    void continuation_marksAndNumbersOn()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(118);   // lines 0 .. 117
        QVERIFY(r.rec.stop());

        QVERIFY(r.rec.start(r.path, true));
        QCOMPARE(r.live.LiveSample[0].RecordCounter, 117);
        QCOMPARE(r.live.LiveSample[1].RecordCounter, 117);
        r.samples(1);
        QVERIFY(r.rec.stop());

        const auto lines = linesOf(r.path);
        QCOMPARE(lines.size(), 2 + 118 + 2);
        QCOMPARE(counterOf(lines[119]), 117);
        QCOMPARE(lines[120], QByteArray("*") + QByteArray(142, ' ') + "\r\n");
        QCOMPARE(counterOf(lines[121]), 118);
    }

    void continuation_afterAnEmptyContinuation_keepsNumbering()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(5);   // 0 .. 4
        r.rec.stop();
        QVERIFY(r.rec.start(r.path, true));   // mark, nothing recorded
        r.rec.stop();
        QVERIFY(r.rec.start(r.path, true));   // the last line is now a mark
        r.samples(1);
        r.rec.stop();
        const auto lines = linesOf(r.path);
        QCOMPARE(lines.size(), 2 + 5 + 1 + 1 + 1);
        QVERIFY(lines[8].startsWith('*'));
        QCOMPARE(counterOf(lines[9]), 5);
    }

    void continuation_ofAMissingFileFails()
    {
        Rig r;
        QVERIFY(!r.rec.start(r.path, true));
        QVERIFY(!r.rec.recording());
        QVERIFY(!QFile::exists(r.path));
    }

    void newRecording_replacesAnOldFile()
    {
        Rig r;
        QFile old(r.path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents\r\n");
        old.close();
        r.live.LiveSample[0].RecordCounter = 50;
        QVERIFY(r.rec.start(r.path, false));
        QCOMPARE(r.live.LiveSample[0].RecordCounter, -1);
        QVERIFY(!QFile::exists(r.path));
        r.samples(2);
        r.rec.stop();
        const auto lines = linesOf(r.path);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(counterOf(lines[2]), 0);
    }

    void unwritableFolder_keepsSamplesTellsOnceAndRecovers()
    {
        Rig r;
        // A folder that vanished: its name is now a plain file.
        const QString folder = r.dir.filePath(QStringLiteral("MODEL"));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = folder + QStringLiteral("/REC.DAT");

        QVERIFY(r.rec.start(path, false));
        r.samples(242);          // the first flush fails
        QCOMPARE(r.sink.shown.size(), 1);
        QCOMPARE(r.sink.shown[0].text, TestoL(335, 1));
        QCOMPARE(r.sink.shown[0].title, TestoL(171, 1));
        QCOMPARE(r.sink.shown[0].flags, 16);
        QCOMPARE(r.sink.beeps, 1);
        QCOMPARE(r.rec.backlogSize(), 241);
        QCOMPARE(r.rec.state().RecordBufferIndex, 0);

        r.samples(241);          // fails again: no second message
        QCOMPARE(r.sink.shown.size(), 1);
        QCOMPARE(r.rec.backlogSize(), 482);
        QVERIFY(!r.rec.FlushRecordBuffer());
        QCOMPARE(r.sink.shown.size(), 1);

        // The folder is back: the next flush writes everything, in order.
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("MODEL")));
        r.samples(241);
        const auto lines = linesOf(path);
        QCOMPARE(lines.size(), 2 + 723);
        for (int i = 2; i < lines.size(); ++i)
            QCOMPARE(counterOf(lines[i]), i - 2);
        QCOMPARE(r.rec.backlogSize(), 0);

        // A new run of failures is told again.
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        r.samples(1);
        QVERIFY(!r.rec.stop());
        QCOMPARE(r.sink.shown.size(), 2);
        QVERIFY(!r.rec.recording());
    }

    void longFailure_keepsTheNewestSamples()
    {
        Rig r;
        const QString path = r.dir.filePath(QStringLiteral("missing/REC.DAT"));
        QVERIFY(r.rec.start(path, false));
        const int total = Recorder::kMaxBacklog + 3 * 241;
        r.samples(total);
        QVERIFY(r.rec.backlogSize() <= Recorder::kMaxBacklog);
        QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("missing")));
        QVERIFY(r.rec.stop());
        const auto lines = linesOf(path);
        QCOMPARE(counterOf(lines.last()), total - 1);
        const int first = counterOf(lines[2]);
        QCOMPARE(lines.size() - 2, total - first);
        QCOMPARE(r.sink.shown.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
