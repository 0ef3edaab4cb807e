#include <QtTest>

#include "live/recordingcsv.h"
#include "live/recordingreader.h"
#include "recordingfiles.h"
#include "support/filesizelimit.h"

Q_DECLARE_METATYPE(CsvError)

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
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

class TestRecordingCsv : public QObject {
    Q_OBJECT
private slots:
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
        QFETCH(QByteArray, csv);
        RecorderRig rig(lingua);
        RecordingReader rec;
        QCOMPARE(rec.open(recordTwoSamples(rig, lingua), lingua), RecordingReader::Error::None);
        const QString out = rig.dir.filePath(QStringLiteral("out.csv"));
        const CsvFormat format = plain ? CsvFormat::plain() : CsvFormat::forLanguage(lingua);
        QCOMPARE(ExportRecordingCsv(rec, out, format, first, last), CsvError::None);
        QCOMPARE(readAll(out), csv);
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
        QVERIFY2(readAll(out).endsWith(row), readAll(out).constData());
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
        QFETCH(CsvError, error);
        QByteArray bytes = recordingLine({"n"}) + recordingLine({"u"});
        for (int i = 0; i < 300; ++i)
            bytes += dataLine(i, {"1.5", "2", "3", "4", "5", "NORMALE"});
        RecordingReader rec;
        QCOMPARE(rec.parse(bytes, 1), RecordingReader::Error::None);
        QTemporaryDir dir;
        const QString earlier = dir.filePath(QStringLiteral("x.csv"));
        QFile f(earlier);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("earlier export\r\n") > 0);
        f.close();
        CsvError got = CsvError::None;
        {
            std::optional<FileSizeLimit> limit;
            if (sizeLimit > 0)
                limit.emplace(sizeLimit);
            got = ExportRecordingCsv(rec, dir.filePath(name), CsvFormat::forLanguage(1), first, last);
        }
        QCOMPARE(got, error);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("x.csv")});
        QCOMPARE(readAll(earlier), QByteArray("earlier export\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestRecordingCsv)
#include "tst_recordingcsv.moc"
