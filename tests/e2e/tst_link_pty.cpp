#include <QtTest>

#include "link/imagefile.h"
#include "link/imagerestore.h"
#include "link/transportfactory.h"
#include "mapeditor/mapoperations.h"
#include "support/linkrig.h"
#include "tools/ecusim/simimage.h"

namespace {

// ecusim on a pseudo-terminal that COM1 of the rig's folder names.
bool startEcusim(LinkRig &rig, QProcess &ecusim, const QStringList &options)
{
    const QString device = rig.dir.filePath(QStringLiteral("ecu"));
    if (!rig.mapCom1(device))
        return false;
    ecusim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ecusim.start(QStringLiteral(ECUSIM_PATH), QStringList{QStringLiteral("--link"), device} + options);
    return QTest::qWaitFor([&] { return QFileInfo(device).isSymLink(); }, 5000);
}

}   // namespace

// The real link over the real serial transport, against the ecusim executable on
// a pseudo-terminal: a whole connection as the fitter would make it.
class LinkPtyTest : public QObject {
    Q_OBJECT
private slots:
    // The other variant on a noisy line in pieces; the program's own end-to-end run reads variant AA at 19200 baud.
    void connection_readsWholeImageReceivesLiveAndDisconnects()
    {
        const int variant = 1;
        LinkRig rig;
        QProcess ecusim;
        QVERIFY(
            startEcusim(rig, ecusim, {"--variant", "other", "--baud", "0", "--fault", "noise", "--fault", "split"}));

        Link &link = rig.makeLink(MakeTransportFactory());
        const FrameState &frame = rig.frame;
        const LiveState &live = rig.live;
        const FakeLinkUi &ui = rig.ui;
        QSignalSpy liveFrames(&link, &Link::liveFrameAccepted);
        link.Connetti();
        QVERIFY(waitWhileTalking(link, [&] { return link.state().EcuReady; }));
        QCOMPARE(int(link.state().VarianteCentralina), variant);
        QVERIFY(ui.messages.isEmpty());

        // The image as the ECU holds it, as the program stored it.
        QVector<int> expected = ecusim::defaultImage(variant, 2900);
        expected[2827] = variant == 0 ? 0 : -1;
        ImageFile image(frame.file(QStringLiteral("LETTURA.PRG")));
        QVERIFY(image.open());
        QCOMPARE(image.recordCount(), 2910);   // 97 blocks of 30
        for (int record : {1, 2, 3, 500, 1002, 2002, 2643, 2653, 2654, 2700, 2827, 2828, 2900}) {
            double v = 0;
            QVERIFY(image.readValue(record, &v));
            QCOMPARE(int(v), expected[record - 1]);
        }
        image.close();

        QTRY_VERIFY_WITH_TIMEOUT(liveFrames.count() >= 10, 5000);
        QVERIFY(live.LiveSample[0].Field[9].trimmed().toInt() > 500);   // engine speed, left raw

        link.Disconnetti();
        QVERIFY(!link.portOpen() && !link.state().EcuReady);
        QVERIFY(!QFile::exists(frame.file(QStringLiteral("LETTURA.PRG"))));
        QSignalSpy finished(&ecusim, &QProcess::finished);
        ecusim.terminate();
        QVERIFY(finished.wait(3000));
        QCOMPARE(ecusim.exitCode(), 0);
    }

    // A flow map sent in whole blocks over the real port is what the ECU gives back next time.
    void writes_areReadBackAtTheNextConnection()
    {
        LinkRig rig;
        QProcess ecusim;
        QVERIFY(startEcusim(rig, ecusim, {QStringLiteral("--baud"), QStringLiteral("0")}));
        Link &link = rig.makeLink(MakeTransportFactory());
        link.Connetti();
        QVERIFY(waitWhileTalking(link, [&] { return link.state().EcuReady; }));

        QSignalSpy finished(&link, &Link::operationFinished);
        rig.map.edit().DeltaFlow = {100, 110, 140, 120, 80, 100};
        QVERIFY(rig.mapOps->storeMapping() && waitWhileTalking(link, [&] { return finished.size() == 1; }));
        QVERIFY(finished[0][1].toBool());
        const QByteArray written = LeggiImmagine(rig.file("LETTURA.PRG"));
        QVERIFY(!written.isEmpty());

        link.Disconnetti();
        link.Connetti();
        QVERIFY(waitWhileTalking(link, [&] { return link.state().EcuReady; }));
        const QByteArray back = LeggiImmagine(rig.file("LETTURAN.PRG"));
        QCOMPARE(back.size(), written.size());
        const QSet<int> own = ImageRestore::recordsWrittenAfterRead();
        for (int n = 1; n <= written.size() / 6; ++n)
            if (!own.contains(n))
                QCOMPARE(back.mid(6 * (n - 1), 6), written.mid(6 * (n - 1), 6));
        link.Disconnetti();
        ecusim.terminate();
        QVERIFY(ecusim.waitForFinished(3000));
    }
};

QTEST_GUILESS_MAIN(LinkPtyTest)
#include "tst_link_pty.moc"
