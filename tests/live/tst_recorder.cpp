#include <QtTest>
#include <cmath>

#include "app/texts.h"
#include "live/chartmodel.h"
#include "live/codepage.h"
#include "live/livedata.h"
#include "live/livedisplay.h"
#include "live/recorder.h"
#include "live/recordingcsv.h"
#include "live/recordingreader.h"
#include "recordingfiles.h"
#include "support/fakelinkui.h"
#include "support/files.h"
#include "support/filesizelimit.h"

namespace {

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

const QByteArray kNames = recordingLine({"Campioni", "Pression", "DeltaP", "M.A.P.", "Temperat", "Sonda La", "Stato"});
const QByteArray kUnits = recordingLine({"n.", "mbar", "mbar", "mbar", "\260C", "mV", "-"});
const QByteArray kHeader = kNames + kUnits;

// Fields of sample i: every kind of cell the display shows, in turns.
std::array<QString, 15> rawFields(int i)
{
    static const char *const states[] = {"6000", "6001", "6005", "6006", "6011", "5000"};
    static const char *const fuels[] = {"B", "G", "M", " "};
    // Raw fields the display passes on as they came, numbers or not.
    static const char *const odd[] = {"      1.", "     .05", "99999999", "  -0.5  ",
                                      "   1.2.3", "     1e3", "    1,50"};
    std::array<QString, 15> f;
    for (int k = 0; k < 15; ++k)
        f[k] = RightIn8(QString::number((i * 37 + k * 101) % 5000));
    f[0] = i % 2 ? QString::fromLatin1(odd[i / 2 % 7]) : f[0];
    f[3] = RightIn8(QString::number(i % 60 - 20));   // negative temperatures
    f[5] = QString::fromLatin1(states[i % 6]);
    f[7] = i % 3 == 0 ? kBlankField : f[7];
    f[8] = i % 5 == 0 ? QStringLiteral("  12x4  ") : f[8];   // becomes "--------"
    f[10] = i % 4 == 1 ? kNoValue : f[10];
    f[12] = i == 7 ? QStringLiteral("  12x4  ") : f[12];   // one stray text leaves the channel numeric
    f[14] = QString::fromLatin1(fuels[i % 4]);
    return f;
}

// Two samples as the display shows them, recorded by the program's recorder.
QString recordTwoSamples(RecorderRig &rig, int lingua)
{
    std::array<QString, 15> f;
    const char *const cells[15] = {"    1234", "        ", "--------", "     -12", "   850.5",
                                   "",         "      50", "",         "   12.34", "    2500",
                                   "--------", "    7.50", "       0", "      -3", ""};
    for (int k = 0; k < 15; ++k)
        f[k] = FixedLeft(QString::fromLatin1(cells[k]), 8);
    f[5] = LiveNameField(365, lingua);
    f[14] = LiveNameField(221, lingua);
    if (!rig.recorder.start(rig.path, false))
        return {};
    rig.live.LiveSample[0].Field = f;
    rig.recorder.addSample();
    f[4] = kNoValue;
    f[5] = LiveNameField(367, lingua);
    f[14] = LiveNameField(223, lingua);
    rig.live.LiveSample[0].Field = f;
    rig.recorder.addSample();
    rig.recorder.stop();
    return rig.path;
}

}   // namespace

Q_DECLARE_METATYPE(RecordingReader::Error)
Q_DECLARE_METATYPE(CsvError)

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
        Rig r(lingua);
        QVERIFY(!r.rec.start(r.path, true));   // nothing to continue
        QVERIFY(WriteFile(r.path, "old contents\r\n") && r.rec.start(r.path, false) && r.rec.stop());
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
        QTEST(lines[headerLine].mid(9 * column, 8), "cell");
        QVERIFY(lines[2].startsWith("       0;        ;"));
        QTEST(lines[2].mid(9 * 6, 8), "stateBytes");
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
        QTest::newRow("earlier mark, whole") << kMarkLine;
        QTest::newRow("earlier mark, torn") << kMarkLine.left(100);
    }
    void continueAfterTornLastLine_cutsOnlyTheTear()
    {
        QFETCH(QByteArray, tail);
        Rig r;
        QVERIFY(r.rec.start(r.path, false));
        r.samples(118);   // 0 .. 117
        QVERIFY(r.rec.stop());
        QFile f(r.path);
        const QByteArray whole = ReadFile(r.path) + tail.left(tail.size() / 145 * 145);
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
        QCOMPARE(ReadFile(r.path).left(whole.size() + 145), whole + kMarkLine);
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
        QVERIFY(QFile(r.path).resize(200) && r.rec.start(r.path, true));
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

    // Every cell the recorder writes comes back as the display showed it, in
    // every language's code page, across a buffer flush and a continuation.
    void recorderFile_readsBackEveryCell_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::newRow("Italian") << 1;
        QTest::newRow("Polish") << 3;
    }
    void recorderFile_readsBackEveryCell()
    {
        QFETCH(int, lingua);
        RecorderRig rig(lingua);
        std::vector<std::array<QString, 15>> shown;
        const int firstRun = 300, secondRun = 20;   // the first one fills the 241-slot buffer once
        QVERIFY(rig.recorder.start(rig.path, false));
        for (int i = 0; i < firstRun + secondRun; ++i) {
            if (i == firstRun) {
                QVERIFY(rig.recorder.stop());
                QVERIFY(rig.recorder.start(rig.path, true));
            }
            rig.live.LiveSample[0].Field = rawFields(i);
            PostProcessLiveRecord(rig.live.LiveSample[0], lingua);
            shown.push_back(rig.live.LiveSample[0].Field);
            rig.recorder.addSample();
        }
        QVERIFY(rig.recorder.stop());

        RecordingReader r;
        QCOMPARE(r.open(rig.path, lingua), RecordingReader::Error::None);
        QCOMPARE(r.channelCount(), 15);
        QCOMPARE(r.sampleColumnName(), rig.live.LiveChannels[15].Name.left(8).trimmed());
        QCOMPARE(r.sampleColumnUnit(), rig.live.LiveChannels[15].Unit.left(8).trimmed());
        for (int ch = 0; ch < 15; ++ch) {
            QCOMPARE(r.channelName(ch), rig.live.LiveChannels[ch].Name.left(8).trimmed());
            QCOMPARE(r.channelUnit(ch), rig.live.LiveChannels[ch].Unit.left(8).trimmed());
            QCOMPARE(r.isNumeric(ch), ch != 5 && ch != 14);
        }
        QCOMPARE(r.sampleCount(), firstRun + secondRun);
        QCOMPARE(r.runStarts(), std::vector<int>({0, firstRun}));
        QCOMPARE(r.skippedLines(), 0);
        for (int row = 0; row < r.sampleCount(); ++row) {
            QCOMPARE(r.sampleNumber(row), row);
            for (int ch = 0; ch < 15; ++ch) {
                const QString &cell = shown[size_t(row)][size_t(ch)];
                QCOMPARE(r.cellText(ch, row), cell.trimmed());
                // Numbers as the display's own rule reads them, NaN for the rest.
                double v = std::nan("");
                IsNumericText(cell, &v);
                QCOMPARE(r.value(ch, row), v);
            }
        }
    }

    // Marks split the samples into runs; torn and malformed lines are passed over and counted.
    void handMadeFile_keepsTheWholeDataLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<std::vector<int>>("runs");
        QTest::addColumn<int>("skipped");
        const QByteArray d0 = dataLine(0), d1 = dataLine(1), d2 = dataLine(2), d3 = dataLine(3), h = kHeader,
                         m = kMarkLine;
        using Ints = QList<int>;   // the sample numbers read
        const std::vector<int> none, one{0};
        QTest::newRow("header only") << h << Ints{} << none << 0;
        QTest::newRow("whole lines") << h + d0 + d1 + d2 << Ints{0, 1, 2} << one << 0;
        QTest::newRow("LF line ends") << QByteArray(h + d0 + d1).replace("\r\n", "\n") << Ints{0, 1} << one << 0;
        QTest::newRow("torn last line") << h + d0 + d1 + d2.left(60) << Ints{0, 1} << one << 1;
        QTest::newRow("torn inside the line end") << h + d0 + d1.chopped(1) << Ints{0} << one << 1;
        QTest::newRow("malformed lines") << h + d0 + QByteArray("garbage\r\n")
                                                + dataLine(0).replace("       0", "    12x4")
                                                + QByteArray(d1).replace(17, 1, " ") + "\r\n" + d3 + "\r\n"
                                         << Ints{0, 3} << one << 5;
        QTest::newRow("continuations") << h + d0 + m + d1 + m + m + d2 + d3 + m << Ints{0, 1, 2, 3}
                                       << std::vector<int>{0, 1, 2} << 0;
        QTest::newRow("mark before the first sample") << h + m + d0 << Ints{0} << one << 0;
        QTest::newRow("mark with a stray character")
            << h + d0 + QByteArray(m).replace(100, 1, "x") + d1 << Ints{0, 1} << one << 1;
        QTest::newRow("units line torn") << kNames + kUnits.left(30) << Ints{} << none << 1;
    }
    void handMadeFile_keepsTheWholeDataLines()
    {
        QFETCH(QByteArray, bytes);
        RecordingReader r;
        QCOMPARE(r.parse(bytes, 1), RecordingReader::Error::None);
        QCOMPARE(r.channelCount(), 15);
        QCOMPARE(r.channelName(4), QStringLiteral("Sonda La"));
        QTEST(r.skippedLines(), "skipped");
        QTEST(r.runStarts(), "runs");
        QList<int> got;
        for (int row = 0; row < r.sampleCount(); ++row)
            got << r.sampleNumber(row);
        QTEST(got, "numbers");
    }

    void unreadableFile_isRefusedWithItsReason_data()
    {
        QTest::addColumn<QByteArray>("bytes");   // written to the file; "dir" makes it a folder, "none" no file
        QTest::addColumn<RecordingReader::Error>("error");
        QTest::newRow("missing") << QByteArray("none") << RecordingReader::Error::NotFound;
        QTest::newRow("a folder") << QByteArray("dir") << RecordingReader::Error::CannotRead;
        QTest::newRow("empty") << QByteArray() << RecordingReader::Error::NotARecording;
        QTest::newRow("text") << QByteArray("hello\r\nworld\r\n") << RecordingReader::Error::NotARecording;
        QTest::newRow("names line torn") << kNames.chopped(2) << RecordingReader::Error::NotARecording;
        QTest::newRow("cells not 8 wide")
            << QByteArray(kHeader).replace(';', ' ') << RecordingReader::Error::NotARecording;
    }
    void unreadableFile_isRefusedWithItsReason()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(RecordingReader::Error, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("X.DAT"));
        if (bytes == "dir")
            QVERIFY(QDir().mkdir(path));
        else if (bytes != "none")
            QVERIFY(WriteFile(path, bytes));
        RecordingReader r;
        QCOMPARE(r.parse(kHeader + dataLine(5), 1), RecordingReader::Error::None);
        QCOMPARE(r.open(path, 1), error);
        QCOMPARE(r.error(), error);
        // Nothing of the file read before stays behind.
        QCOMPARE(r.channelCount(), 0);
        QCOMPARE(r.sampleCount(), 0);
        QVERIFY(r.runStarts().empty());
    }

    // A Polish file is windows-1250; read as another language it is windows-1252.
    void polishFile_decodesNamesAndCellsInItsCodePage()
    {
        const QByteArray bytes = recordingLine({"Pr\363bki", "Ci\234nieni"}) + recordingLine({"nr", "\260C"})
                                 + dataLine(0, {"1", "", "", "", "", "PRZEJ\214C."});
        RecordingReader r;
        QCOMPARE(r.parse(bytes, 3), RecordingReader::Error::None);
        QCOMPARE(r.sampleColumnName(), QStringLiteral(u"Próbki"));
        QCOMPARE(r.channelName(0), QStringLiteral(u"Ciśnieni"));
        QCOMPARE(r.channelUnit(0), QStringLiteral(u"°C"));
        QCOMPARE(r.cellText(5, 0), QStringLiteral(u"PRZEJŚC."));
        QVERIFY(!r.isNumeric(5));
        QCOMPARE(r.parse(bytes, 1), RecordingReader::Error::None);
        QCOMPARE(r.cellText(5, 0), QStringLiteral(u"PRZEJŒC."));
    }

    // Expected bytes are those of the published windows-1250 / windows-1252 tables.
    void oneBytePerCharacter_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("Polish letters") << 3 << QStringLiteral("łąóśźżćńę ŁĄŚŻ")
                                        << QByteArray("\xb3\xb9\xf3\x9c\x9f\xbf\xe6\xf1\xea \xa3\xa5\x8c\xaf")
                                        << QStringLiteral("łąóśźżćńę ŁĄŚŻ");
        QTest::newRow("French letters") << 2 << QStringLiteral("èàçêœ€É°")
                                        << QByteArray("\xe8\xe0\xe7\xea\x9c\x80\xc9\xb0") << QStringLiteral("èàçêœ€É°");
        QTest::newRow("Italian and English share 1252")
            << 4 << QStringLiteral("è€") << QByteArray("\xe8\x80") << QStringLiteral("è€");
        QTest::newRow("Polish has no grave e")
            << 3 << QStringLiteral("aè;") << QByteArray("a?;") << QStringLiteral("a?;");
        QTest::newRow("Italian has no l stroke")
            << 1 << QStringLiteral("ł1") << QByteArray("?1") << QStringLiteral("?1");
        QTest::newRow("a pair keeps its two cells")
            << 1 << QStringLiteral("a\U0001F600b") << QByteArray("a??b") << QStringLiteral("a??b");
        QTest::newRow("lone surrogate") << 3 << QString(QChar(0xD800)) + QStringLiteral("x") << QByteArray("?x")
                                        << QStringLiteral("?x");
    }
    void oneBytePerCharacter()
    {
        QFETCH(int, lingua);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeForLanguage(text, lingua), bytes);
        QTEST(DecodeForLanguage(bytes, lingua), "readBack");
    }

    void undefinedByte_readsAsOneCharacter()
    {
        // 0x81 has no character in windows-1252.
        QCOMPARE(DecodeForLanguage(QByteArray("a\x81z"), 1), QStringLiteral("a?z"));
    }

    // The state column of the chart's spill file, in the language the display was given.
    void spillFile_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QByteArray>("state");
        QTest::newRow("Polish") << 3
                                << QByteArray("PRZEJ\x8c"
                                              "C.");
        QTest::newRow("French") << 2 << QByteArray("TRANSIT.");
    }
    void spillFile()
    {
        QFETCH(int, lingua);
        QTemporaryDir dir;
        LiveState live;
        InitLiveChannels(live, lingua);
        ChartModel chart(live, dir.filePath(QStringLiteral("DATI_GRAF.GRF")));
        Recorder recorder(live);
        LiveDisplay display(live, chart, recorder);
        display.setLanguage(lingua);
        chart.ResetChart();
        live.LiveSample[0].Field[5] = QStringLiteral("6002");
        PostProcessLiveRecord(live.LiveSample[0], lingua);
        live.LiveDisplayEnabled = true;
        display.VisDatiTick();
        chart.FlushChartBuffer();
        const QByteArray all = ReadFile(chart.spillPath());
        QCOMPARE(all.size(), 130);
        QTEST(all.mid(8 + 8 * 5, 8), "state");
    }

    void recorderFile_exportsTheseBytes_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QByteArray>("csv");
        const QByteArray italianHeader = "Campioni [n.];Pression [mbar];DeltaP [mbar];M.A.P. [mbar];Temperat [\xc2\xb0"
                                         "C];Sonda La [mV];Stato;T.P.S. [%];Ott. P.W;Duty cyc [%];Regime [1/min];Ott. "
                                         "PCM;Duty cyc [%];Portata [kg/sx10^];Delta po;Alimenta\r\n";
        QTest::newRow("Italian") << 1 << false << 0 << -1
                                 << "\xef\xbb\xbf" + italianHeader
                                        + "0;1234;;;-12;850,5;NORMALE;50;;12,34;2500;;7,50;0;-3;GPL\r\n"
                                          "1;1234;;;-12;;CUT-OFF;50;;12,34;2500;;7,50;0;-3;BENZINA\r\n";
        QTest::newRow("Italian, second row only")
            << 1 << false << 1 << 1
            << "\xef\xbb\xbf" + italianHeader + "1;1234;;;-12;;CUT-OFF;50;;12,34;2500;;7,50;0;-3;BENZINA\r\n";
        QTest::newRow("Italian, plain") << 1 << true << 0 << 0
                                        << "\xef\xbb\xbf" + QByteArray(italianHeader).replace(';', ',')
                                               + "0,1234,,,-12,850.5,NORMALE,50,,12.34,2500,,7.50,0,-3,GPL\r\n";
        QTest::newRow("English") << 4 << false << 0 << -1
                                 << QByteArray("\xef\xbb\xbf"
                                               "Samples [no.],Pressure [mbar],DeltaP [mbar],M.A.P. [mbar],Temperat "
                                               "[\xc2\xb0"
                                               "C],Lambda p [mV],State,T.P.S. [%],P.W.M. o,Duty cyc [%],Engine s "
                                               "[1/min],PCM opt.,Duty cyc [%],Theor. f [kg/sx10^],Delta fl,Fuel\r\n"
                                               "0,1234,,,-12,850.5,NORMAL,50,,12.34,2500,,7.50,0,-3,LPG\r\n"
                                               "1,1234,,,-12,,CUT-OFF,50,,12.34,2500,,7.50,0,-3,PETROL\r\n");
    }
    void recorderFile_exportsTheseBytes()
    {
        QFETCH(int, lingua);
        QFETCH(bool, plain);
        QFETCH(int, first);
        QFETCH(int, last);
        RecorderRig rig(lingua);
        RecordingReader rec;
        QCOMPARE(rec.open(recordTwoSamples(rig, lingua), lingua), RecordingReader::Error::None);
        const QString out = rig.dir.filePath(QStringLiteral("out.csv"));
        const CsvFormat format = plain ? CsvFormat::plain() : CsvFormat::forLanguage(lingua);
        QCOMPARE(ExportRecordingCsv(rec, out, format, first, last), CsvError::None);
        QTEST(ReadFile(out), "csv");
    }

    // Quoted only where the separator, a quote or a line break would split the cell.
    void textCells_areQuotedWhereTheyWouldSplit_data()
    {
        QTest::addColumn<int>("lingua");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("French") << 2 << QByteArray("3;\"A;B\";1,5;\"say \"\"x\"\"\";2,5;;;;;;;;;;;\r\n");
        QTest::newRow("English") << 4 << QByteArray("3,A;B,\"1,5\",\"say \"\"x\"\"\",2.5,,,,,,,,,,,\r\n");
    }
    void textCells_areQuotedWhereTheyWouldSplit()
    {
        QFETCH(int, lingua);
        QFETCH(QByteArray, row);
        const QByteArray names = recordingLine({"n", "a", "b", "c", "d"});
        const QByteArray bytes =
            names + recordingLine({"u"}) + recordingLine({"       3", "A;B", "1,5", "say \"x\"", "2.5"});
        RecordingReader rec;
        QCOMPARE(rec.parse(bytes, lingua), RecordingReader::Error::None);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("q.csv"));
        QCOMPARE(ExportRecordingCsv(rec, out, CsvFormat::forLanguage(lingua)), CsvError::None);
        QVERIFY2(ReadFile(out).endsWith(row), ReadFile(out).constData());
    }

    // A failed export leaves the folder as it was: an earlier file intact, no half file, no temporary.
    void failedExport_leavesNoFileBehind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<long>("sizeLimit");   // 0: none
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<CsvError>("error");
        QTest::newRow("missing folder") << QStringLiteral("gone/x.csv") << 0L << 0 << -1 << CsvError::CannotCreate;
        QTest::newRow("disk full") << QStringLiteral("x.csv") << 4000L << 0 << -1 << CsvError::WriteFailed;
        QTest::newRow("range past the end") << QStringLiteral("x.csv") << 0L << 2 << 400 << CsvError::InvalidRange;
    }
    void failedExport_leavesNoFileBehind()
    {
        QFETCH(QString, name);
        QFETCH(long, sizeLimit);
        QFETCH(int, first);
        QFETCH(int, last);
        QByteArray bytes = recordingLine({"n"}) + recordingLine({"u"});
        for (int i = 0; i < 300; ++i)
            bytes += dataLine(i, {"1.5", "2", "3", "4", "5", "NORMALE"});
        RecordingReader rec;
        QCOMPARE(rec.parse(bytes, 1), RecordingReader::Error::None);
        QTemporaryDir dir;
        const QString earlier = dir.filePath(QStringLiteral("x.csv"));
        QVERIFY(WriteFile(earlier, "earlier export\r\n"));
        CsvError got = CsvError::None;
        {
            std::optional<FileSizeLimit> limit;
            if (sizeLimit > 0)
                limit.emplace(sizeLimit);
            got = ExportRecordingCsv(rec, dir.filePath(name), CsvFormat::forLanguage(1), first, last);
        }
        QTEST(got, "error");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"x.csv"});
        QCOMPARE(ReadFile(earlier), QByteArray("earlier export\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
