#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

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
    qint64 now = 0;   // the recorder's clock, in ms; stands still unless a test moves it
    explicit Rig(int lingua = 1)
    {
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

// Writes beyond `bytes` fail for this process (EFBIG) while it lives: a disk
// that fills up in the middle of a write, which root cannot dodge either.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = m_old;
        lim.rlim_cur = rlim_t(bytes);
        m_ok = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

enum class Fault { FolderIsFile, FileIsFolder, SizeLimit, Recovered };

} // namespace

Q_DECLARE_METATYPE(Fault)

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

    void stopWhileWritesFail_writesWhatItCanAndCountsTheRest_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<qint64>("limit");   // bytes the file may reach, SizeLimit only
        QTest::addColumn<int>("held");       // samples added once the fault is in place
        QTest::addColumn<int>("lines");      // data lines in the file after the stop
        QTest::addColumn<int>("lost");
        QTest::addColumn<int>("failureMessages");   // text 335, during the recording
        const qint64 header = 2 * 145;
        // 300 samples: a full buffer failed once and 59 more wait.
        QTest::newRow("folder gone") << Fault::FolderIsFile << qint64(0) << 300 << 0 << 300 << 1;
        QTest::newRow("file replaced by a folder") << Fault::FileIsFolder << qint64(0) << 7 << 5 << 7 << 0;
        QTest::newRow("disk full mid-line") << Fault::SizeLimit << header + 3 * 145 + 50 << 10 << 3 << 7 << 0;
        QTest::newRow("disk full inside the line end") << Fault::SizeLimit << header + 3 * 145 + 144 << 10 << 3
                                                       << 7 << 0;
        QTest::newRow("disk full on a line boundary") << Fault::SizeLimit << header + 4 * 145 << 10 << 4 << 6 << 0;
        QTest::newRow("folder back before the stop") << Fault::Recovered << qint64(0) << 300 << 300 << 0 << 1;
    }
    void stopWhileWritesFail_writesWhatItCanAndCountsTheRest()
    {
        QFETCH(Fault, fault);
        QFETCH(qint64, limit);
        QFETCH(int, held);
        QFETCH(int, lines);
        QFETCH(int, lost);
        QFETCH(int, failureMessages);
        Rig r;
        const QString folder = r.dir.filePath(QStringLiteral("MODEL"));
        r.path = folder + QStringLiteral("/REC.DAT");
        QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("MODEL")));
        QVERIFY(r.rec.start(r.path, false));
        if (fault == Fault::FileIsFolder) {
            r.samples(5);
            QVERIFY(r.rec.FlushRecordBuffer());
            QVERIFY(QFile::rename(r.path, r.path + QStringLiteral(".keep")));
            QVERIFY(QDir(folder).mkdir(QStringLiteral("REC.DAT")));
        } else if (fault != Fault::SizeLimit) {
            QVERIFY(QDir(folder).removeRecursively());
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        r.samples(held);
        bool stopped = false;
        {
            std::optional<FileSizeLimit> sizeLimit;
            if (fault == Fault::SizeLimit) {
                sizeLimit.emplace(limit);
                QVERIFY(sizeLimit->ok());
            }
            if (fault == Fault::Recovered) {
                QVERIFY(QFile::remove(folder));
                QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("MODEL")));
            }
            stopped = r.rec.stop();
        }
        QVERIFY(!r.rec.recording());
        QCOMPARE(stopped, lost == 0);
        if (fault == Fault::FileIsFolder) {
            QVERIFY(QDir(r.path).removeRecursively());
            QVERIFY(QFile::rename(r.path + QStringLiteral(".keep"), r.path));
        }

        const auto file = r.lines();
        QCOMPARE(file.size(), lines ? lines + 2 : 0);
        for (int i = 2; i < file.size(); ++i) {
            QCOMPARE(file[i].size(), 145);
            QCOMPARE(counterOf(file[i]), i - 2);
        }
        QCOMPARE(QFileInfo(r.path).size(), qint64(file.size()) * 145);

        QList<FakeLinkUi::Message> told = r.sink.messages;
        QCOMPARE(told.size(), failureMessages + (lost ? 1 : 0));
        for (int i = 0; i < failureMessages; ++i)
            QCOMPARE(told[i].text, TestoL(335, 1));
        if (lost) {
            QCOMPARE(told.last().text, TestoL(383, 1).arg(lost));
            QVERIFY(told.last().text != TestoL(335, 1));
            QCOMPARE(told.last().title, TestoL(171, 1));
            QCOMPARE(told.last().flags, 16);
        }
    }

    // The program or the machine died in the middle of a write.
    void continueAfterTornLastLine_cutsOnlyTheTear_data()
    {
        QTest::addColumn<QByteArray>("tear");
        const QByteArray next = QByteArray("     118") + QByteArray(135, ';') + "\r\n";
        const QByteArray mark = QByteArray("*") + QByteArray(142, ' ') + "\r\n";
        QTest::newRow("whole lines") << QByteArray();
        QTest::newRow("one character") << next.left(1);
        QTest::newRow("half a line") << next.left(70);
        QTest::newRow("line without its LF") << next.left(144);
        QTest::newRow("line end only CR") << next.left(143) + "\r";
        QTest::newRow("torn mark line") << mark.left(100);
    }
    void continueAfterTornLastLine_cutsOnlyTheTear()
    {
        QFETCH(QByteArray, tear);
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(118);   // 0 .. 117
        QVERIFY(r.rec.stop());
        QFile f(r.path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll();
        f.close();
        QVERIFY(f.open(QIODevice::Append));
        f.write(tear);
        f.close();

        QVERIFY(r.rec.start(r.path, true));
        QCOMPARE(r.sink.messages.size(), tear.isEmpty() ? 0 : 1);
        if (!tear.isEmpty()) {
            QCOMPARE(r.sink.messages[0].text, TestoL(384, 1).arg(tear.size()));
            QCOMPARE(r.sink.messages[0].title, TestoL(170, 1));
            QCOMPARE(r.sink.messages[0].flags, 48);
        }
        r.samples(2);
        QVERIFY(r.rec.stop());
        QCOMPARE(r.sink.messages.size(), tear.isEmpty() ? 0 : 1);

        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QCOMPARE(after.left(whole.size()), whole);
        const auto lines = r.lines();
        QCOMPARE(after.size(), whole.size() + 3 * 145);
        QCOMPARE(lines[lines.size() - 3], QByteArray("*") + QByteArray(142, ' ') + "\r\n");
        QCOMPARE(counterOf(lines[lines.size() - 2]), 118);
        QCOMPARE(counterOf(lines.last()), 119);
    }

    void samplesReachTheFileWithin2s_data()
    {
        QTest::addColumn<int>("stepMs");    // clock advance after each sample
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("idleMs");    // then no samples, display ticks only
        QTest::addColumn<int>("lines");     // data lines in the file
        QTest::newRow("5 a second, 1.8 s") << 200 << 10 << 0 << 0;
        QTest::newRow("5 a second, 2 s") << 200 << 11 << 0 << 11;
        QTest::newRow("5 a second, 4 s") << 200 << 21 << 0 << 11;
        QTest::newRow("5 a second, 4.2 s") << 200 << 22 << 0 << 22;
        QTest::newRow("one every 3 s") << 3000 << 2 << 0 << 2;
        QTest::newRow("stopped coming, 1.999 s") << 0 << 1 << 1999 << 0;
        QTest::newRow("stopped coming, 2 s") << 0 << 1 << 2000 << 1;
    }
    void samplesReachTheFileWithin2s()
    {
        QFETCH(int, stepMs);
        QFETCH(int, samples);
        QFETCH(int, idleMs);
        QFETCH(int, lines);
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        for (int i = 0; i < samples; ++i) {
            if (i > 0)
                r.now += stepMs;
            r.samples(1);
        }
        r.now += idleMs;
        r.rec.flushIfDue();
        const auto file = r.lines();
        QCOMPARE(file.size(), lines ? lines + 2 : 0);
        if (lines)
            QCOMPARE(counterOf(file.last()), lines - 1);
        QCOMPARE(r.rec.state().RecordBufferIndex, samples - lines - 1);
        QVERIFY(r.rec.stop());
        QCOMPARE(r.lines().size(), samples + 2);
    }

    // Retries of a failing write come every 2 s, not at every sample.
    void failingWrite_isRetriedEvery2s()
    {
        Rig r;
        const QString folder = r.dir.filePath(QStringLiteral("MODEL"));
        r.path = folder + QStringLiteral("/REC.DAT");
        QVERIFY(r.rec.start(r.path, false));
        r.samples(1);
        r.now = 2000;
        r.samples(1);   // fails: the folder is missing
        QCOMPARE(r.sink.messages.size(), 1);
        QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("MODEL")));
        r.now = 3999;
        r.samples(1);
        QVERIFY(!QFile::exists(r.path));
        r.now = 4000;
        r.samples(1);
        QCOMPARE(r.lines().size(), 2 + 4);
    }

    void continueAfterTornHeader_startsTheFileAfresh()
    {
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(1);
        QVERIFY(r.rec.stop());
        const QByteArray header = r.lines()[0] + r.lines()[1];
        QFile f(r.path);
        QVERIFY(f.resize(200));
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
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"