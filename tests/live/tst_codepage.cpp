#include <QtTest>

#include "live/chartmodel.h"
#include "live/codepage.h"
#include "live/livedata.h"
#include "live/livedisplay.h"
#include "live/recorder.h"
#include "support/files.h"

class TestCodePage : public QObject {
    Q_OBJECT
private slots:
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
        QFETCH(QByteArray, state);
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
        QCOMPARE(all.mid(8 + 8 * 5, 8), state);
    }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
