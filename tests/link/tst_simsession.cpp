#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include "app/texts.h"
#include "link/framing.h"
#include "link/link.h"
#include "link/transportfactory.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "mapeditor/imagefile.h"
#include "mapeditor/mapmodel.h"
#include "support/fakelinkui.h"
#include "tools/ecusim/simimage.h"
#include "tools/ecusim/simtransport.h"

namespace {

QString T(int baseId) { return TestoL(baseId, 4); }

// A link on the program's factory, whose port 1 is the in-process simulated ECU.
struct SimBench {
    QTemporaryDir dir;
    FrameState frame;
    LiveState live;
    MapModel map;
    ChartModel chart;
    Recorder recorder;
    FakeLinkUi ui;
    SimConfig config;
    QPointer<SimTransport> ecu;
    std::unique_ptr<Link> link;
    QStringList sent;   // first four characters of every line the link wrote

    explicit SimBench(const SimConfig &cfg) : chart(live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))),
                                              recorder(live), config(cfg)
    {
        frame.PercorsoApp = dir.path();
        QFile ini(frame.file(QStringLiteral("CONFIG.INI")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[PORTE]\r\nCOM1=SIMULATORE\r\n");
        ini.close();
        InitLiveChannels(live, frame.LinguaCorrente);
        ui.currentPage = 1;
        auto hook = [this]() -> std::unique_ptr<Transport> {
            auto t = std::make_unique<SimTransport>(config);
            ecu = t.get();
            return t;
        };
        link = std::make_unique<Link>(frame, live, map, chart, recorder, ui, CreaTransportFactory(hook),
                                      LinkTiming{20, 1000, 1500, 1000});
        QObject::connect(link.get(), &Link::sent, link.get(), [this](const QByteArray &line) {
            sent.append(QString::fromLatin1(line.left(4)).trimmed());
        });
    }
    QStringList commands() const { return sent; }
    bool imagesGone() const
    {
        return !QFile::exists(frame.file(QStringLiteral("LETTURA.PRG")))
               && !QFile::exists(frame.file(QStringLiteral("LETTURAN.PRG")));
    }
};

SimConfig Config(int variant, const QString &fault = {})
{
    SimConfig c;
    c.variant = variant;
    c.imageSize = 2900;
    c.liveFramesPerSecond = 20;
    if (!fault.isEmpty() && !c.addFault(fault))
        qFatal("unknown simulator fault %s", qPrintable(fault));
    return c;
}

} // namespace

class TestSimSession : public QObject {
    Q_OBJECT
private slots:
    void normalConnection_copiesTheEcuImage_data();
    void normalConnection_copiesTheEcuImage();
    void readFault_endsInItsState_data();
    void readFault_endsInItsState();
    void liveFault_closesTheLink_data();
    void liveFault_closesTheLink();
    void startCommandRetried_untilRunning();
    void imageWrite_withRejectedBlocks_data();
    void imageWrite_withRejectedBlocks();
    void valueWrite_withoutReply_endsOperation();
};

void TestSimSession::normalConnection_copiesTheEcuImage_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("fault");
    QTest::newRow("variant 0") << 0 << QString();
    QTest::newRow("variant 1") << 1 << QString();
    QTest::newRow("noise before frames") << 0 << QStringLiteral("noise");
    QTest::newRow("frames split") << 1 << QStringLiteral("split");
    QTest::newRow("frames joined") << 0 << QStringLiteral("join");
    QTest::newRow("short final reply") << 0 << QStringLiteral("short-rfn");
}

void TestSimSession::normalConnection_copiesTheEcuImage()
{
    QFETCH(int, variant);
    QFETCH(QString, fault);
    SimBench b(Config(variant, fault));
    b.link->Connetti();
    QTRY_VERIFY_WITH_TIMEOUT(b.link->state().EcuReady, 20000);
    QCOMPARE(int(b.link->state().VarianteCentralina), variant);
    QTRY_VERIFY_WITH_TIMEOUT(b.live.LiveDisplayEnabled, 3000);

    const Simulator &sim = b.ecu->sim();
    ImageFile lettura(b.frame.file(QStringLiteral("LETTURA.PRG")));
    QVERIFY(lettura.open());
    const bool finalsKept = fault != QLatin1String("short-rfn");
    for (int n = 1; n <= sim.image().size(); ++n) {
        double v = 0;
        QVERIFY(lettura.readValue(n, &v));
        if (n == 2827)
            QCOMPARE(v, 99.0);
        else if (n == 2828 && variant == 0 && sim.value(n) == -1)
            QCOMPARE(v, 0.0);
        else if (n != 2826 && (finalsKept || !std::count(std::begin(ecusim::kFinalRecords),
                                                          std::end(ecusim::kFinalRecords), n)))
            QCOMPARE(v, double(sim.value(n)));
    }
    lettura.close();
    if (!finalsKept)
        QCOMPARE(b.link->state().ValoriFinali[0], QStringLiteral("    -1"));

    QFile a(b.frame.file(QStringLiteral("LETTURA.PRG"))), c(b.frame.file(QStringLiteral("LETTURAN.PRG")));
    QVERIFY(a.open(QIODevice::ReadOnly) && c.open(QIODevice::ReadOnly));
    QCOMPARE(c.readAll(), a.readAll());

    QStringList expected{"MUB", "MGA0", "MU2"};
    for (int blk = 1; blk < sim.blockCount(); ++blk)
        expected << "MUA";
    expected << "MU3" << "MUFN" << "MU3";
    QCOMPARE(b.commands().mid(0, expected.size()), expected);
    QStringList received;
    for (const QByteArray &c : sim.commands())
        received.append(QString::fromLatin1(c.left(4)));
    QCOMPARE(received.mid(0, expected.size()), expected);

    b.link->Disconnetti();
    QVERIFY(b.imagesGone());
}

void TestSimSession::readFault_endsInItsState_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("label");
    QTest::addColumn<QString>("lastCommand");
    QTest::newRow("no reply to MUB") << "no-reply=MUB" << 204 << "MU3";
    QTest::newRow("no reply to MU2") << "no-reply=MU2" << 204 << "MU3";
    QTest::newRow("no reply to MUA") << "no-reply=MUA" << 204 << "MU3";
    QTest::newRow("no reply to MUFN") << "no-reply=MUFN" << 204 << "MU3";
    QTest::newRow("R8 with a bad checksum") << "bad-checksum=R8" << 204 << "MU3";
    QTest::newRow("block 3 with a bad checksum") << "bad-checksum=RZ:3" << 204 << "MU3";
    QTest::newRow("R8 one short") << "short-r8" << 210 << "MU3";
    QTest::newRow("old identification") << "old-id" << 209 << "MU3";
}

void TestSimSession::readFault_endsInItsState()
{
    QFETCH(QString, fault);
    QFETCH(int, label);
    QFETCH(QString, lastCommand);
    SimBench b(Config(0, fault));
    b.link->Connetti();
    QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 10000);
    QCOMPARE(b.ui.waitLabel, T(label));
    QVERIFY(b.ui.waitOkShown && b.ui.waitOpenNow);
    QCOMPARE(b.commands().last(), lastCommand);
    QCOMPARE(b.link->state().StatoSessione, qint16(-1));
    QVERIFY(!b.link->state().EcuReady);
    QVERIFY(b.imagesGone());
    QVERIFY(b.ui.messages.isEmpty());
    QVERIFY(!b.link->TimeOutTx().isActive() && !b.link->TimeOutDati().isActive());
}

void TestSimSession::liveFault_closesTheLink_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("startCommands");
    QTest::newRow("live data stop") << "live-stops=5" << 308 << 1;
    QTest::newRow("ECU never running") << "state-below-6000" << 210 << 11;
}

void TestSimSession::liveFault_closesTheLink()
{
    QFETCH(QString, fault);
    QFETCH(int, message);
    QFETCH(int, startCommands);
    SimBench b(Config(0, fault));
    b.link->Connetti();
    QTRY_VERIFY_WITH_TIMEOUT(b.link->state().EcuReady, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 10000);
    QCOMPARE(b.ui.messages.size(), 1);
    QCOMPARE(b.ui.messages[0].text, T(message));
    QCOMPARE(b.ui.messages[0].flags, 16);
    QCOMPARE(b.commands().count(QStringLiteral("MGA0")), startCommands);
    QVERIFY(b.ui.count("ChiudiFinestre") >= 1);
    QVERIFY(b.imagesGone());
}

void TestSimSession::startCommandRetried_untilRunning()
{
    SimBench b(Config(1, QStringLiteral("state-below-6000=3")));
    b.link->Connetti();
    QTRY_VERIFY_WITH_TIMEOUT(b.link->state().EcuReady, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(b.ecu->sim().liveFramesSent() > 10, 5000);
    QVERIFY(b.link->portOpen());
    QCOMPARE(b.link->state().TentativiAvvio, qint16(0));
    QCOMPARE(b.commands().count(QStringLiteral("MGA0")), 4);
    QVERIFY(b.ui.messages.isEmpty());
}

void TestSimSession::imageWrite_withRejectedBlocks_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("label");
    QTest::addColumn<bool>("open");
    QTest::newRow("accepted at once") << QString() << 211 << true;
    QTest::newRow("block 2 rejected once") << "reject-block=2:1" << 211 << true;
    QTest::newRow("block 2 rejected twice") << "reject-block=2:2" << 208 << true;
    QTest::newRow("no reply to a block") << "no-reply=MZ" << 207 << false;
}

void TestSimSession::imageWrite_withRejectedBlocks()
{
    QFETCH(QString, fault);
    QFETCH(int, label);
    QFETCH(bool, open);
    SimBench b(Config(0, fault));
    b.link->Connetti();
    QTRY_VERIFY_WITH_TIMEOUT(b.link->state().EcuReady, 20000);

    // Start the map sending as the editor does, with the image just read.
    LinkState &s = b.link->edit();
    s.StatoSessione = 3;
    b.link->TimeOutDati().stop();
    b.ui.waitOpen(T(205), T(206));
    s.BloccoCorrente = -1;
    s.ImmagineDaInviare = LeggiImmagine(b.frame.file(QStringLiteral("LETTURA.PRG")));
    QVERIFY(!s.ImmagineDaInviare.isEmpty());
    QVERIFY(b.link->send("MU0\r\n"));
    b.link->TimeOutTx().start();

    QTRY_VERIFY_WITH_TIMEOUT(b.link->state().StatoSessione == -1, 20000);
    QCOMPARE(b.ui.waitLabel, T(label));
    QCOMPARE(b.link->portOpen(), open);
    if (label == 211)
        QCOMPARE(b.ecu->sim().valuesWritten(), b.ecu->sim().image().size());
    QCOMPARE(b.commands().last(), QStringLiteral("MU1"));
}

void TestSimSession::valueWrite_withoutReply_endsOperation()
{
    SimBench b(Config(0, QStringLiteral("no-reply=MGA")));
    b.link->Connetti();
    QTRY_VERIFY_WITH_TIMEOUT(b.link->state().EcuReady, 20000);
    LinkState &s = b.link->edit();
    s.CodaComandi = ComandoMGA(24, 7);
    s.StatoSessione = 11;
    b.link->TimeOutDati().stop();
    b.ui.setMainWindowEnabled(false);
    QVERIFY(b.link->send(ComandoMGA(29, 5)));
    b.link->TimeOutTx().start();
    QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 10000);
    QVERIFY(b.link->state().CodaComandi.isEmpty());
    QVERIFY(b.ui.mainWindowEnabled);
    QCOMPARE(b.link->state().StatoSessione, qint16(-1));
    QVERIFY(b.imagesGone());
}

QTEST_GUILESS_MAIN(TestSimSession)
#include "tst_simsession.moc"
