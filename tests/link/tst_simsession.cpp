#include <QtTest>

#include "app/texts.h"
#include "link/framing.h"
#include "link/imagefile.h"
#include "link/link.h"
#include "support/files.h"
#include "support/linkrig.h"
#include "tools/ecusim/simimage.h"

namespace {

// The simulated ECU of `variant` on the program's factory, connected at once; `sent` has what the link wrote.
struct SimBench : SimLinkRig {
    QByteArrayList sent;   // CR LF removed

    SimBench(int variant, const QString &fault) : SimLinkRig(fault, LinkTiming{20, 1000, 1500, 1000})
    {
        config.variant = variant;
        ui.currentPage = 1;
        QObject::connect(link.get(), &Link::sent, link.get(), [this](const QByteArray &l) { sent << l.trimmed(); });
        link->Connetti();
    }
    ~SimBench() { dropLink(); }   // before `sent`, which the link's hook fills
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
        expected << "MU3" << QByteArray("MUFN") << "MU3";
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
        QCOMPARE(b.ui.waitLabel, TestoL(label, 4));
        QVERIFY(b.ui.waitOkShown && b.ui.waitOpenNow && b.ui.messages.isEmpty());
        QCOMPARE(b.sent.last(), QByteArray("MU3"));
        QVERIFY(b.link->state().StatoSessione == -1 && !b.link->state().EcuReady && b.imagesGone());
        QVERIFY(!b.link->TimeOutTx().isActive() && !b.link->TimeOutDati().isActive());
    }

    // A live-data stop is tst_session's and the main window's; an ECU that never runs needs the whole start.
    void neverRunning_givesUpAfterTheStartRetries()
    {
        SimBench b(0, QStringLiteral("state-below-6000"));
        QVERIFY(b.waitReady() && b.waitFor([&] { return !b.link->portOpen(); }));
        QCOMPARE(b.ui.messages.size(), 1);
        QCOMPARE(b.ui.messages[0].text, TestoL(210, 4));
        QVERIFY(b.ui.calls.contains("ChiudiFinestre") && b.imagesGone());
        QCOMPARE(b.sent.count(ComandoMGA(34, 1).chopped(2)), 11);
    }

    // The program closed in the middle of a write: the simulated ECU goes with the link and
    // nothing reaches the windows, which may be gone already.
    void linkDestroyedDuringAWrite_staysSilent()
    {
        SimBench b(0, QString());
        QVERIFY(b.waitReady() && b.mapOps->storeMapping());
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
