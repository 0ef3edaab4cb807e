#include <QFile>
#include <QtTest>

#include <cmath>

#include "live/recordingreader.h"
#include "recordingfiles.h"

namespace {

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

}   // namespace

Q_DECLARE_METATYPE(RecordingReader::Error)

class TestRecordingReader : public QObject {
    Q_OBJECT
private slots:
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
        const QByteArray d0 = dataLine(0), d1 = dataLine(1), d2 = dataLine(2), d3 = dataLine(3);
        QTest::newRow("header only") << kHeader << QList<int>{} << std::vector<int>{} << 0;
        QTest::newRow("whole lines") << kHeader + d0 + d1 + d2 << QList<int>{0, 1, 2} << std::vector<int>{0} << 0;
        QTest::newRow("LF line ends") << QByteArray(kHeader + d0 + d1).replace("\r\n", "\n") << QList<int>{0, 1}
                                      << std::vector<int>{0} << 0;
        QTest::newRow("torn last line") << kHeader + d0 + d1 + d2.left(60) << QList<int>{0, 1} << std::vector<int>{0}
                                        << 1;
        QTest::newRow("torn inside the line end")
            << kHeader + d0 + d1.chopped(1) << QList<int>{0} << std::vector<int>{0} << 1;
        QTest::newRow("malformed lines") << kHeader + d0 + QByteArray("garbage\r\n")
                                                + dataLine(0).replace("       0", "    12x4")
                                                + QByteArray(d1).replace(17, 1, " ") + "\r\n" + d3 + "\r\n"
                                         << QList<int>{0, 3} << std::vector<int>{0} << 5;
        QTest::newRow("continuations") << kHeader + d0 + kMarkLine + d1 + kMarkLine + kMarkLine + d2 + d3 + kMarkLine
                                       << QList<int>{0, 1, 2, 3} << std::vector<int>{0, 1, 2} << 0;
        QTest::newRow("mark before the first sample")
            << kHeader + kMarkLine + d0 << QList<int>{0} << std::vector<int>{0} << 0;
        QTest::newRow("mark with a stray character") << kHeader + d0 + QByteArray(kMarkLine).replace(100, 1, "x") + d1
                                                     << QList<int>{0, 1} << std::vector<int>{0} << 1;
        QTest::newRow("units line torn") << kNames + kUnits.left(30) << QList<int>{} << std::vector<int>{} << 1;
    }
    void handMadeFile_keepsTheWholeDataLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, numbers);
        QFETCH(std::vector<int>, runs);
        QFETCH(int, skipped);
        RecordingReader r;
        QCOMPARE(r.parse(bytes, 1), RecordingReader::Error::None);
        QCOMPARE(r.channelCount(), 15);
        QCOMPARE(r.channelName(4), QStringLiteral("Sonda La"));
        QCOMPARE(r.skippedLines(), skipped);
        QCOMPARE(r.runStarts(), runs);
        QList<int> got;
        for (int row = 0; row < r.sampleCount(); ++row)
            got << r.sampleNumber(row);
        QCOMPARE(got, numbers);
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
        if (bytes == "dir") {
            QVERIFY(QDir().mkdir(path));
        } else if (bytes != "none") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
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
};

QTEST_GUILESS_MAIN(TestRecordingReader)
#include "tst_recordingreader.moc"
