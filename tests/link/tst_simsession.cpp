#include <QPointer>
#include <QtTest>

#include "app/texts.h"
#include "link/framing.h"
#include "link/imagefile.h"
#include "link/link.h"
#include "link/transportfactory.h"
#include "support/files.h"
#include "support/linkrig.h"
#include "tools/ecusim/simimage.h"
#include "tools/ecusim/simtransport.h"

namespace {

QString T(int baseId)
{
    return TestoL(baseId, 4);
}

// A link on the program's factory whose port 1 is the in-process simulated ECU, told to commit `fault`.
struct SimBench : LinkRig {
    SimConfig config;
    QPointer<SimTransport> ecu;
    QByteArrayList sent;   // every line the link wrote, CR LF removed

    SimBench(int variant, const QString &fault)
    {
        config.variant = variant;
        config.liveFramesPerSecond = 20;
        if (!fault.isEmpty() && !config.addFault(fault))
            qFatal("unknown simulator fault %s", qPrintable(fault));
        mapCom1(QStringLiteral("SIMULATORE"));
        ui.currentPage = 1;
        auto hook = [this]() -> std::unique_ptr<Transport> {
            auto t = std::make_unique<SimTransport>(config);
            ecu = t.get();
            return t;
        };
        makeLink(MakeTransportFactory(hook), LinkTiming{20, 1000, 1500, 1000});
        QObject::connect(link.get(), &Link::sent, link.get(), [this](const QByteArray &l) { sent << l.trimmed(); });
        link->Connetti();
    }
    ~SimBench() { dropLink(); }   // before the state its hooks refer to
    bool waitFor(const std::function<bool()> &done) { return waitWhileTalking(*link, done); }
    bool waitReady()
    {
        return waitFor([this] { return link->state().EcuReady; });
    }
};

}   // namespace

class TestSimSession : public QObject {
    Q_OBJECT
private slots:
    void normalConnection_copiesTheEcuImage_data()
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
    void normalConnection_copiesTheEcuImage()
    {
        QFETCH(int, variant);
        QFETCH(QString, fault);
        SimBench b(variant, fault);
        QVERIFY(b.waitReady());
        QCOMPARE(int(b.link->state().VarianteCentralina), variant);
        QVERIFY(!b.ui.waitOpenNow && b.ui.editorEnabled && b.ui.ecuReadyControls);
        QTRY_VERIFY_WITH_TIMEOUT(b.live.LiveDisplayEnabled, 3000);

        const Simulator &sim = b.ecu->sim();
        QByteArrayList expected{"MUB", ComandoMGA(variant ? 147 : 34, 1).chopped(2), "MU2"};
        for (int blk = 1; blk < sim.blockCount(); ++blk)
            expected << "MUA";
        expected << "MU3"
                 << "MUFN"
                 << "MU3";
        QCOMPARE(sim.commands().mid(0, expected.size()), expected);

        // Value by value, but for what the program writes itself; the read-complete 99 in 2827 is the ECU's too.
        const bool finalsSent = fault != QLatin1String("short-rfn");
        const auto &finals = ecusim::kFinalRecords;
        ImageFile lettura(b.file("LETTURA.PRG"));
        QVERIFY(lettura.open());
        for (int n = 1; n <= sim.image().size(); ++n) {
            double v = 0;
            QVERIFY(lettura.readValue(n, &v));
            if (n == 2828 && variant == 0)
                QCOMPARE(v, 0.0);   // the ECU holds -1 there
            else if (n != 2826 && (finalsSent || !std::count(std::begin(finals), std::end(finals), n)))
                QCOMPARE(v, double(sim.value(n)));
        }
        lettura.close();
        QCOMPARE(b.link->state().ValoriFinali[0] == QStringLiteral("    -1"), !finalsSent);
        QCOMPARE(ReadFile(b.file("LETTURAN.PRG")), ReadFile(b.file("LETTURA.PRG")));

        QVERIFY(b.recorder.start(b.dir.filePath(QStringLiteral("rec.DAT")), false));
        b.link->Disconnetti();
        QVERIFY(b.imagesGone() && !b.recorder.recording());
    }

    void readFault_endsWithWaitText_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("label");
        for (const char *command : {"MUB", "MU2", "MUA", "MUFN"})
            QTest::addRow("no reply to %s", command) << "no-reply=" + QString::fromLatin1(command) << 204;
        QTest::newRow("R8 with a bad checksum") << "bad-checksum=R8" << 204;
        QTest::newRow("block 3 with a bad checksum") << "bad-checksum=RZ:3" << 204;
        QTest::newRow("R8 one short") << "short-r8" << 210;
        QTest::newRow("old identification") << "old-id" << 209;
    }
    void readFault_endsWithWaitText()
    {
        QFETCH(QString, fault);
        QFETCH(int, label);
        SimBench b(0, fault);
        QVERIFY(b.waitFor([&] { return !b.link->portOpen(); }));
        QCOMPARE(b.ui.waitLabel, T(label));
        QVERIFY(b.ui.waitOkShown && b.ui.waitOpenNow && b.ui.messages.isEmpty());
        QCOMPARE(b.sent.last(), QByteArray("MU3"));
        QVERIFY(b.link->state().StatoSessione == -1 && !b.link->state().EcuReady && b.imagesGone());
        QVERIFY(!b.link->TimeOutTx().isActive() && !b.link->TimeOutDati().isActive());
    }

    void liveFault_closesTheLink_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("message");
        QTest::addColumn<int>("startCommands");
        QTest::newRow("live data stop") << "live-stops=5" << 308 << 1;
        QTest::newRow("ECU never running") << "state-below-6000" << 210 << 11;
    }
    void liveFault_closesTheLink()
    {
        QFETCH(QString, fault);
        QFETCH(int, message);
        QFETCH(int, startCommands);
        SimBench b(0, fault);
        QVERIFY(b.waitReady());
        QVERIFY(b.waitFor([&] { return !b.link->portOpen(); }));
        QCOMPARE(b.ui.messages.size(), 1);
        QCOMPARE(b.ui.messages[0].text, T(message));
        QVERIFY(b.ui.calls.contains("ChiudiFinestre") && b.imagesGone());
        QCOMPARE(b.sent.count(ComandoMGA(34, 1).chopped(2)), startCommands);
    }

    // The program closed in the middle of a write: the simulated ECU goes with the link and
    // nothing reaches the windows, which may be gone already.
    void linkDestroyedDuringAWrite_staysSilent()
    {
        SimBench b(0, QString());
        QVERIFY(b.waitReady());
        QVERIFY(b.mapOps->storeMapping());
        QVERIFY(b.waitFor([&] {
            return std::count_if(b.sent.begin(), b.sent.end(), [](const QByteArray &l) { return l.startsWith("MZ"); })
                   >= 2;
        }));
        const QStringList calls = b.ui.calls;
        b.dropLink();
        QVERIFY(b.ecu.isNull());
        QTest::qWait(3000);   // twice the reply watchdog
        QCOMPARE(b.ui.calls, calls);
    }
};

QTEST_GUILESS_MAIN(TestSimSession)
#include "tst_simsession.moc"
