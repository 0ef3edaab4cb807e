#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/texts.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "support/fakelinkui.h"
#include "support/files.h"
#include "support/filesizelimit.h"

namespace {

const QByteArray kMark = QByteArray("*") + QByteArray(142, ' ') + "\r\n";

struct Rig {
    QTemporaryDir dir;
    LiveState live;
    Recorder rec{live};
    FakeLinkUi sink;
    QString folder = dir.filePath(QStringLiteral("MODEL"));
    QString path = folder + QStringLiteral("/REC.DAT");
    qint64 now = 0;   // the recorder's clock, in ms; stands still unless a test moves it
    explicit Rig(int lingua = 1)
    {
        QDir().mkpath(folder);
        InitLiveChannels(live, lingua);
        rec.setMessageSink(&sink, lingua);
        rec.setClock([this] { return now; });
    }
    void samples(int n)
    {
        for (int i = 0; i < n; ++i) {
            live.LiveSample[0].Field[9] = RightIn8(QString::number(800 + i));
            rec.addSample();
        }
    }
    QList<QByteArray> lines() const
    {
        QList<QByteArray> out;
        const QByteArray all = ReadFile(path);
        for (qsizetype i = 0; i < all.size(); i += 145)
            out << all.mid(i, 145);
        return out;
    }
    // The folder vanished: its name is now a plain file.
    void blockFolder()
    {
        QDir(folder).removeRecursively();
        QFile(folder).open(QIODevice::WriteOnly);
    }
    void unblockFolder()
    {
        QFile::remove(folder);
        QDir().mkpath(folder);
    }
};

int counterOf(const QByteArray &line)
{
    return line.left(8).trimmed().toInt();
}

}   // namespace

class TestRecorder : public QObject {
    Q_OBJECT
private slots:
    // Bytes as the Windows code pages define them, not as this code computes them.
    void oneSample_replacesAnOldFileWithThreeLinesInTheLanguagesCodePage_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QByteArray>("state");   // post-processed state name as stored
        QTest::addColumn<int>("headerLine");
        QTest::addColumn<int>("column");   // header cell holding `cell`
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QByteArray>("stateBytes");
        // Column 0 is the sample number (channel 15), then channels 0..14.
        QTest::newRow("Italian") << 1 << QByteArray("6000") << 0 << 0 << QByteArray("Campioni")
                                 << QByteArray("NORMALE ");
        // windows-1250: \x9c s acute, \x8c S acute, \xb0 degree; windows-1252: \xe9 e acute.
        QTest::newRow("Polish name") << 3 << QByteArray("6001") << 0 << 1
                                     << QByteArray("Ci\x9c"
                                                   "nieni")
                                     << QByteArray("PRZEJ\x8c"
                                                   "C.");
        QTest::newRow("Polish unit") << 3 << QByteArray("6000") << 1 << 4
                                     << QByteArray("\xb0"
                                                   "C      ")
                                     << QByteArray("NORMALNY");
        QTest::newRow("French") << 2 << QByteArray("6000") << 0 << 4
                                << QByteArray("Temp\xe9"
                                              "rat")
                                << QByteArray("NORMAL  ");
    }
    void oneSample_replacesAnOldFileWithThreeLinesInTheLanguagesCodePage()
    {
        QFETCH(int, lingua);
        QFETCH(QByteArray, state);
        QFETCH(int, headerLine);
        QFETCH(int, column);
        QFETCH(QByteArray, cell);
        QFETCH(QByteArray, stateBytes);
        Rig r(lingua);
        QVERIFY(!r.rec.start(r.path, true));   // nothing to continue
        QFile old(r.path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old contents\r\n") > 0);
        old.close();
        QVERIFY(r.rec.start(r.path, false));
        QVERIFY(r.rec.stop());
        QVERIFY(!QFile::exists(r.path));   // no sample, no file
        QVERIFY(r.rec.start(r.path, false));
        r.live.LiveSample[0].Field[5] = QString::fromLatin1(state);
        PostProcessLiveRecord(r.live.LiveSample[0], lingua);
        r.samples(1);
        QVERIFY(r.rec.stop());
        QCOMPARE(QFileInfo(r.path).size(), 3 * 145);   // one byte per character
        const auto lines = r.lines();
        for (const QByteArray &l : lines)
            QVERIFY(l.endsWith("\r\n") && l.count(';') == 15);
        QCOMPARE(lines[headerLine].mid(9 * column, 8), cell);
        QVERIFY(lines[2].startsWith("       0;        ;"));
        QCOMPARE(lines[2].mid(9 * 6, 8), stateBytes);
        QCOMPARE(lines[2].mid(9 * 10, 8), QByteArray("     800"));
    }

    void stopWhileWritesFail_writesWhatItCanAndCountsTheRest_data()
    {
        QTest::addColumn<qint64>("limit");    // bytes the file may reach; 0: the folder goes instead
        QTest::addColumn<bool>("recovers");   // the folder is back before the stop
        QTest::addColumn<int>("lines");       // data lines in the file after the stop
        QTest::addColumn<int>("lost");
        QTest::addColumn<int>("failureMessages");   // text 335, during the recording
        const qint64 header = 2 * 145;
        // 483 samples: two full buffers failed, one sample waits; the user is told once.
        QTest::newRow("folder gone") << qint64(0) << false << 0 << 483 << 1;
        QTest::newRow("folder back before the stop") << qint64(0) << true << 483 << 0 << 1;
        QTest::newRow("disk full inside the line end") << header + 3 * 145 + 144 << false << 3 << 7 << 0;
        QTest::newRow("disk full on a line boundary") << header + 4 * 145 << false << 4 << 6 << 0;
    }
    void stopWhileWritesFail_writesWhatItCanAndCountsTheRest()
    {
        QFETCH(qint64, limit);
        QFETCH(bool, recovers);
        QFETCH(int, lines);
        QFETCH(int, lost);
        QFETCH(int, failureMessages);
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        if (!limit)
            r.blockFolder();
        r.samples(limit ? 10 : 483);
        if (recovers)
            r.unblockFolder();
        bool stopped = false;
        {
            std::optional<FileSizeLimit> sizeLimit;
            if (limit)
                sizeLimit.emplace(limit);
            stopped = r.rec.stop();
        }
        QCOMPARE(stopped, lost == 0);
        const auto file = r.lines();
        QCOMPARE(file.size(), lines ? lines + 2 : 0);
        for (int i = 2; i < file.size(); ++i)
            QCOMPARE(counterOf(file[i]), i - 2);
        QCOMPARE(QFileInfo(r.path).size(), qint64(file.size()) * 145);

        const QList<FakeLinkUi::Message> told = r.sink.messages;
        QCOMPARE(told.size(), failureMessages + (lost ? 1 : 0));
        QCOMPARE(r.sink.beeps, told.size());
        for (int i = 0; i < failureMessages; ++i)
            QCOMPARE(told[i].text, TestoL(335, 1));
        if (lost) {
            QCOMPARE(told.last().text, TestoL(383, 1).arg(lost));
            QCOMPARE(told.last().title, TestoL(171, 1));
            QCOMPARE(told.last().flags, 16);
        }
    }

    // The program or the machine died in the middle of a write.
    void continueAfterTornLastLine_cutsOnlyTheTear_data()
    {
        QTest::addColumn<QByteArray>("tail");
        const QByteArray next = QByteArray("     118") + QByteArray(135, ';') + "\r\n";
        QTest::newRow("whole lines") << QByteArray();
        QTest::newRow("one character") << next.left(1);
        QTest::newRow("line without its LF") << next.left(144);
        QTest::newRow("earlier mark, whole") << kMark;
        QTest::newRow("earlier mark, torn") << kMark.left(100);
    }
    void continueAfterTornLastLine_cutsOnlyTheTear()
    {
        QFETCH(QByteArray, tail);
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(118);   // 0 .. 117
        QVERIFY(r.rec.stop());
        QFile f(r.path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll() + tail.left(tail.size() / 145 * 145);
        f.close();
        QVERIFY(f.open(QIODevice::Append) && f.write(tail) == tail.size());
        f.close();
        const int torn = int(tail.size() % 145);

        QVERIFY(r.rec.start(r.path, true));
        QCOMPARE(r.live.LiveSample[1].RecordCounter, 117);
        r.samples(2);
        QVERIFY(r.rec.stop());
        QCOMPARE(r.sink.messages.size(), torn ? 1 : 0);
        if (torn) {
            QCOMPARE(r.sink.messages[0].text, TestoL(384, 1).arg(torn));
            QCOMPARE(r.sink.messages[0].title, TestoL(170, 1));
            QCOMPARE(r.sink.messages[0].flags, 48);
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().left(whole.size() + 145), whole + kMark);
        const auto lines = r.lines();
        QCOMPARE(lines.size(), whole.size() / 145 + 3);
        QCOMPARE(counterOf(lines[lines.size() - 2]), 118);
        QCOMPARE(counterOf(lines.last()), 119);
    }

    void continueAfterTornHeader_startsTheFileAfresh()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(1);
        QVERIFY(r.rec.stop());
        const QByteArray header = r.lines()[0] + r.lines()[1];
        QVERIFY(QFile(r.path).resize(200));
        QVERIFY(r.rec.start(r.path, true));
        QCOMPARE(r.sink.messages.size(), 1);
        QCOMPARE(r.sink.messages[0].text, TestoL(384, 1).arg(200));
        r.samples(1);
        QVERIFY(r.rec.stop());
        const auto lines = r.lines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0] + lines[1], header);
        QCOMPARE(counterOf(lines[2]), 0);
    }

    void samplesReachTheFileWithin2sOrAFullBuffer_data()
    {
        QTest::addColumn<int>("stepMs");   // clock advance after each sample
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("idleMs");   // then no samples, display ticks only
        QTest::addColumn<int>("lines");    // data lines in the file
        QTest::newRow("5 a second, 2 s") << 200 << 11 << 0 << 11;
        QTest::newRow("5 a second, 4 s") << 200 << 21 << 0 << 11;
        QTest::newRow("5 a second, 4.2 s") << 200 << 22 << 0 << 22;
        QTest::newRow("stopped coming, 1.999 s") << 0 << 1 << 1999 << 0;
        QTest::newRow("stopped coming, 2 s") << 0 << 1 << 2000 << 1;
        QTest::newRow("buffer full") << 0 << 241 << 0 << 0;
        QTest::newRow("sample 242") << 0 << 242 << 0 << 241;
    }
    void samplesReachTheFileWithin2sOrAFullBuffer()
    {
        QFETCH(int, stepMs);
        QFETCH(int, samples);
        QFETCH(int, idleMs);
        QFETCH(int, lines);
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        for (int i = 0; i < samples; ++i) {
            r.now += i ? stepMs : 0;
            r.samples(1);
        }
        r.now += idleMs;
        r.rec.flushIfDue();
        const auto file = r.lines();
        QCOMPARE(file.size(), lines ? lines + 2 : 0);
        if (lines)
            QCOMPARE(counterOf(file.last()), lines - 1);
        QVERIFY(r.rec.stop());
        QCOMPARE(r.lines().size(), samples + 2);
    }

    // A folder gone for long keeps only the newest samples; the stop counts the ones pushed out.
    void longFailure_keepsTheNewestBacklog()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.blockFolder();
        r.samples(9700);   // 40 full buffers failed (9640 samples), 60 wait in the buffer
        QCOMPARE(r.rec.backlogSize(), Recorder::kMaxBacklog);
        r.unblockFolder();
        QVERIFY(!r.rec.stop());
        const auto file = r.lines();
        QCOMPARE(file.size(), 2 + 9060);
        QCOMPARE(counterOf(file[2]), 640);
        QCOMPARE(counterOf(file.last()), 9699);
        QCOMPARE(r.sink.messages.last().text, TestoL(383, 1).arg(640));
    }

    // Retries of a failing write come every 2 s, not at every sample; a new run of failures is told again.
    void failingWrite_isRetriedEvery2s()
    {
        Rig r;
        r.blockFolder();
        QVERIFY(r.rec.start(r.path, false));
        r.samples(1);
        r.now = 2000;
        r.samples(1);   // fails
        QCOMPARE(r.sink.messages.size(), 1);
        r.unblockFolder();
        r.now = 3999;
        r.samples(1);
        QVERIFY(!QFile::exists(r.path));
        r.now = 4000;
        r.samples(1);
        QCOMPARE(r.lines().size(), 2 + 4);
        r.blockFolder();
        r.now = 6000;
        r.samples(1);
        r.now = 8000;
        r.samples(1);
        QCOMPARE(r.sink.messages.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
