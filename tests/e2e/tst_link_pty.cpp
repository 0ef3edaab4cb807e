#include <QtTest>

#include "link/transportfactory.h"
#include "link/imagefile.h"
#include "support/linkrig.h"
#include "tools/ecusim/simimage.h"

// The real link over the real serial transport, against the ecusim executable on
// a pseudo-terminal: a whole connection as the fitter would make it.
class LinkPtyTest : public QObject {
    Q_OBJECT
private slots:
    void connection_readsWholeImageReceivesLiveAndDisconnects_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("variant");
        QTest::newRow("variant AA at 19200 baud") << QStringList{"--variant", "aa"} << 0;
        QTest::newRow("other variant, noisy line in pieces")
            << QStringList{"--variant", "other", "--baud", "0", "--fault", "noise", "--fault", "split"} << 1;
    }
    void connection_readsWholeImageReceivesLiveAndDisconnects()
    {
        QFETCH(QStringList, options);
        QFETCH(int, variant);
        LinkRig rig;
        const QString device = rig.dir.filePath(QStringLiteral("ecu"));
        QVERIFY(rig.mapCom1(device));

        QProcess ecusim;
        ecusim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        ecusim.start(QStringLiteral(ECUSIM_PATH), QStringList{QStringLiteral("--link"), device} + options);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(device).isSymLink(), 5000);

        Link &link = rig.makeLink(CreaTransportFactory());
        const FrameState &frame = rig.frame;
        const LiveState &live = rig.live;
        const FakeLinkUi &ui = rig.ui;
        QSignalSpy liveFrames(&link, &Link::liveFrameAccepted);
        link.Connetti();
        QTRY_VERIFY_WITH_TIMEOUT(link.state().EcuReady, 30000);
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
};

QTEST_GUILESS_MAIN(LinkPtyTest)
#include "tst_link_pty.moc"
