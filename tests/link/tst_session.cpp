#include <QtTest>

#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "link/framing.h"
#include "link/imagebackup.h"
#include "link/imagefile.h"
#include "link/link.h"
#include "support/ecuframes.h"
#include "support/faketransport.h"
#include "support/linkrig.h"

namespace {

QString T(int baseId, int lingua = 4)
{
    return TestoL(baseId, lingua);
}
QByteArray Line(const QByteArray &payload)
{
    return Checksummed(payload).chopped(2);
}

// One link with fakes all round, in a scratch application folder.
struct Bench : LinkRig {
    FakePorts ports;

    Bench() { makeLink(ports.factory(), LinkTiming{20, 200, 500, 200}); }
    ~Bench() { dropLink(); }   // before the ports its factory refers to
    FakeTransport &port() { return *ports.last; }
    const LinkState &st() const { return link->state(); }

    // Connects, reads a three-block image and forgets what that wrote and showed.
    void connectAndRead(const QByteArray &software = "ABC12AA34")
    {
        link->Connetti();
        port().feed(R8(software) + Rz(0, 1, '0') + Rz(1, 31, '0') + Rz(94, 2821, '$'));
        port().feed(Rfn());
        QVERIFY(st().EcuReady);
        port().written.clear();
        ui.clear();
    }
    // Starts the operation that puts the link in `state`, and forgets its first line.
    void startOperation(int state, const QByteArray &lines = ComandoMGA(18, 1))
    {
        const QByteArray image = QByteArray("000007").repeated(70);   // blocks 000, 001, 002
        const int offset = state % 10;
        if (state == kSessionSendingMaps || state == kSessionProgramming)
            QVERIFY(link->startImageUpload(image, state == kSessionSendingMaps ? LinkOperation::StoreMapping
                                                                               : LinkOperation::RestoreImage));
        else
            QVERIFY(link->startValueWrites(lines, offset % 3 + 1, offset / 3, state >= kSessionStoringValues));
        QCOMPARE(st().StatoSessione, qint16(state));
        port().written.clear();
        ui.pageButtons = -1;
        ui.waitLabel.clear();
        ui.clear();
    }
    // The one message an interrupted write leaves: the ECU may be half-written, here is the backup.
    void checkPartialImageMessage()
    {
        QCOMPARE(ui.messages.size(), 1);
        const QString backup = link->backupPath();
        QVERIFY(QFile::exists(backup));
        QCOMPARE(ui.messages[0].text, T(TextId::MayHoldPartialImage, frame.LinguaCorrente).arg(backup));
        QCOMPARE(ui.messages[0].flags, int(kErrorOk));
    }
};

}   // namespace

Q_DECLARE_METATYPE(PortFault)

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void readFault_endsTheRead_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("atOnce");
        QTest::newRow("image folder missing") << 0 << true;
        QTest::newRow("image lost before the final reply") << 1 << true;
        QTest::newRow("unknown continuation flag") << 2 << false;
    }
    void readFault_endsTheRead()
    {
        QFETCH(int, how);
        QFETCH(bool, atOnce);
        Bench b;
        if (how == 0)
            b.frame.PercorsoApp = b.dir.filePath("missing");
        b.link->Connetti();
        b.port().feed(R8("ABC12AA34") + Rz(0, 1, how == 2 ? 'X' : '$'));
        if (how == 1) {
            QVERIFY(QFile::remove(b.file("LETTURA.PRG")));
            b.port().feed(Rfn());
        }
        QCOMPARE(b.link->portOpen(), !atOnce);
        QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 3000);
        QCOMPARE(b.ui.waitLabel, T(204));
        QVERIFY(b.ui.waitOkShown && b.ui.waitOpenNow);
        QCOMPARE(b.port().lines().last(), QByteArray("MU3"));
        QVERIFY(!b.st().EcuReady && b.imagesGone());
        QVERIFY(!b.link->TimeOutTx().isActive() && !b.link->TimeOutDati().isActive());
    }

    // A block number that is not three digits would have put the values past any
    // record (or overflowed the record count): the frame is dropped, the read goes on.
    void readBlockNumberNotDigits_dropsTheFrame_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::newRow("exponent 9e9") << QByteArray("9e9");
        QTest::newRow("exponent 1e8") << QByteArray("1e8");
        QTest::newRow("sign") << QByteArray(" -1");
        QTest::newRow("blank") << QByteArray("   ");
    }
    void readBlockNumberNotDigits_dropsTheFrame()
    {
        QFETCH(QByteArray, block);
        Bench b;
        b.link->Connetti();
        b.port().feed(R8("ABC12AA34") + Rz(0, 1, '0'));
        b.port().written.clear();
        b.port().feed(Rz(block, 500, '0'));
        QCOMPARE(b.link->droppedFrames().count(FrameDrops::Cause::Malformed, "RZ"), 1);
        QVERIFY(b.port().written.isEmpty());   // no "MUA" for it
        QCOMPARE(b.st().StatoSessione, qint16(kSessionReadingImage));
        QVERIFY(b.link->portOpen() && b.link->TimeOutTx().isActive());

        b.port().feed(Rz(1, 31, '$'));
        QCOMPARE(b.st().StatoSessione, qint16(kSessionFinalValues));
        const QByteArray image = LeggiImmagine(b.file("LETTURA.PRG"));
        QCOMPARE(image.size(), 60 * 6);
        QCOMPARE(image.left(6), QByteArray("000001"));
        QCOMPARE(image.right(6), QByteArray("000060"));
    }

    void imageWrite_sendsBlocksUntilDone_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::addColumn<int>("label");   // 0: the wait dialog closes
        const QByteArray done = "R5\r\nR7\r\nR6\r\nR5\r\nR1\r\n", refused = "R5\r\nR7\r\nR7\r\n";
        const QByteArray image = QByteArray("000007").repeated(70);   // blocks 000, 001, 002
        auto mz = [&](int block) { return ComandoMZ(image, block).chopped(2); };
        const QByteArrayList all{mz(0), mz(0), mz(1), mz(2), "MU1"}, twice{mz(0), mz(0), "MU1"};
        QTest::newRow("maps, one block repeated") << 3 << done << all << 211;
        QTest::newRow("program, one block repeated") << 30 << done << all << 0;
        QTest::newRow("maps, block refused twice") << 3 << refused << twice << 208;
        QTest::newRow("program, block refused twice") << 30 << refused << twice << 213;
    }
    void imageWrite_sendsBlocksUntilDone()
    {
        QFETCH(int, state);
        QFETCH(QByteArray, replies);
        QFETCH(int, label);
        Bench b;
        b.connectAndRead();
        b.map.edit().DeltaFlow[2] = 140;
        b.map.edit().PageModified[0] = true;
        b.startOperation(state);
        b.ui.currentPage = 2;
        QSignalSpy finished(b.link.get(), &Link::operationFinished);
        b.port().feed(replies);
        QTEST(b.port().lines(), "sent");
        QCOMPARE(b.ui.calls.contains("waitShow"), state == 3);
        const bool ok = label == 0 || label == 211;
        QCOMPARE(b.ui.beeps, (state == 3 ? 1 : 0) + (ok ? 0 : 1));   // the failure message beeps too
        QCOMPARE(b.ui.waitOkShown ? b.ui.waitLabel : QString(), label ? T(label) : QString());
        QCOMPARE(b.ui.calls.contains("waitClose"), label == 0);
        QCOMPARE(b.map.state().PageModified[0], label != 211);
        QCOMPARE(b.map.state().DeltaFlowInitial[2], label == 211 ? 140.0 : 100.0);
        QCOMPARE(b.ui.pageButtons, label == 211 ? 2 : -1);
        QCOMPARE(b.st().StatoSessione, qint16(-1));
        QVERIFY(b.link->portOpen() && b.link->TimeOutDati().isActive() && !b.link->TimeOutTx().isActive());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][1].toBool(), ok);
        if (ok)
            QVERIFY(b.ui.messages.isEmpty());
        else
            b.checkPartialImageMessage();
    }

    void valueQueue_sendsEachLineOnRga_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("imageThere");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("endState");
        QTest::newRow("modified values applied") << 11 << true << 0 << -1;
        QTest::newRow("initial values applied") << 14 << true << 1 << -1;
        QTest::newRow("first page's values stored: the lowest storing state") << 20 << true << 0 << 30;
        QTest::newRow("modified values stored") << 21 << true << 0 << 30;
        QTest::newRow("stored with the image gone") << 25 << false << 1 << -1;
    }
    void valueQueue_sendsEachLineOnRga()
    {
        QFETCH(int, state);
        QFETCH(bool, imageThere);
        QFETCH(int, choice);
        QFETCH(int, endState);
        Bench b;
        b.connectAndRead();
        if (!imageThere)
            QFile::remove(b.file("LETTURA.PRG"));
        const QByteArray first = ComandoMGA(18, 250), second = ComandoMGA(19, -2), third = ComandoMGA(20, 7);
        const QByteArray rga = Checksummed("Rga");
        b.startOperation(state, first + second + third);
        QCOMPARE(b.link->TimeOutTx().interval(), 200);   // the first value's own, shorter wait
        QSignalSpy written(b.link.get(), &Link::pageValuesWritten);
        QSignalSpy finished(b.link.get(), &Link::operationFinished);
        b.port().feed(rga);
        QCOMPARE(b.port().written, QByteArrayList{second});
        QCOMPARE(b.link->TimeOutTx().interval(), 500);
        b.port().feed(rga);
        QCOMPARE(b.port().written, (QByteArrayList{second, third}));
        QVERIFY(b.link->TimeOutTx().isActive() && written.isEmpty());

        b.port().feed(rga);
        QCOMPARE(b.st().StatoSessione, qint16(endState));
        QCOMPARE(written.size(), 1);
        QCOMPARE(written[0], (QVariantList{(state % 10) % 3 + 1, choice}));
        QCOMPARE(b.port().lines().mid(2), endState == 30 ? QByteArrayList{"MU0"} : QByteArrayList{});
        // Values written and the image not sendable is a failure the fitter must hear of.
        QCOMPARE(finished.size(), endState == 30 ? 0 : 1);
        if (!imageThere) {
            QCOMPARE(b.ui.messages.size(), 1);
            QVERIFY(b.ui.messages[0].text.startsWith(T(TextId::ProgrammingInterrupted)));
        }
        if (endState == 30) {
            QCOMPARE(b.ui.waitCaption + b.ui.waitLabel, T(205) + T(212));
            QVERIFY(b.link->TimeOutTx().isActive() && !b.st().ImmagineDaInviare.isEmpty());
        } else {
            QVERIFY(b.ui.mainWindowEnabled && !b.ui.busyCursor);
            QVERIFY(b.link->TimeOutDati().isActive() && !b.link->TimeOutTx().isActive());
        }
    }

    void replyTimeout_endsOperationPerState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("lingua");
        QTest::addColumn<int>("label");   // 0: label untouched, no command
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("state 5") << 5 << 4 << 204 << QByteArray("MU3");
        QTest::newRow("state 3 in French") << 3 << 2 << 207 << QByteArray("MU1");
        QTest::newRow("state 30") << 30 << 4 << 213 << QByteArray("MU1");
        QTest::newRow("state 12") << 12 << 4 << 0 << QByteArray();
    }
    void replyTimeout_endsOperationPerState()
    {
        QFETCH(int, state);
        QFETCH(int, lingua);
        QFETCH(int, label);
        QFETCH(QByteArray, command);
        Bench b;
        b.frame.LinguaCorrente = quint8(lingua);
        if (state == kSessionFinalValues) {
            b.link->Connetti();
            b.port().feed(R8("ABC12AA34") + Rz(0, 1, '$'));
            b.port().written.clear();
            b.ui.clear();
        } else {
            b.connectAndRead();
            b.startOperation(state, ComandoMGA(18, 1) + ComandoMGA(19, 1));
        }
        QVERIFY(b.link->TimeOutTx().isActive() && !b.ui.mainWindowEnabled);

        QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 3000);
        QCOMPARE(b.port().lines(), label ? QByteArrayList{command} : QByteArrayList{});
        QCOMPARE(b.ui.waitLabel, label ? T(label, lingua) : QString());
        QCOMPARE(b.ui.waitOkShown, label != 0);
        QCOMPARE(b.ui.mainWindowEnabled, label == 0);
        QCOMPARE(b.ui.calls.contains("waitShow"), state == 3);
        QVERIFY(b.ui.beeps >= 1 && !b.ui.busyCursor);
        if (state == kSessionFinalValues)
            QVERIFY(b.ui.messages.isEmpty());
        else
            b.checkPartialImageMessage();
        QCOMPARE(b.st().StatoSessione, qint16(-1));
        QVERIFY(b.st().CodaComandi.isEmpty() && !b.st().EcuReady && b.imagesGone());
    }

    void linkFailure_closesWith308Once_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("write refused") << 0;
        QTest::newRow("lost during a write") << 1;
        QTest::newRow("lost while idle") << 2;
        QTest::newRow("lost while closing after a time-out") << 3;
        QTest::newRow("live data silent") << 4;
    }
    void linkFailure_closesWith308Once()
    {
        QFETCH(int, how);
        Bench b;
        b.connectAndRead();
        b.map.edit().PageModified[2] = true;
        if (how == 0)
            b.port().failWrites = true;
        else if (how == 1)
            b.port().responder = [](FakeTransport &p, const QByteArray &) { p.loseConnection(); };
        if (how <= 1)
            b.port().feed(Live("5999", "1000"));   // answered with the start command
        if (how == 2)
            b.port().loseConnection();
        if (how == 3) {
            b.link->Disconnetti();
            b.map.edit().PageModified[2] = true;
            b.ports.prepare = [](FakeTransport &port) {
                port.responder = [](FakeTransport &p, const QByteArray &w) {
                    if (w.startsWith("MU3"))
                        p.loseConnection();
                };
            };
            b.link->Connetti();
            b.port().written.clear();
            b.ui.clear();
            b.link->onTimeOutTxExpired();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 3000);
        QCOMPARE(b.ui.messages.size(), 1);
        QCOMPARE(b.ui.messages[0].text + b.ui.messages[0].title, T(308) + T(171));
        QCOMPARE(b.ui.messages[0].flags, 16);
        QCOMPARE(b.ui.calls.count("setConnectButtons"), 1);
        const int closing = b.ui.calls.indexOf("ChiudiFinestre");
        QVERIFY(closing >= 0 && closing < b.ui.calls.indexOf("setConnectButtons") && b.port().written.size() <= 1);
        QVERIFY(!b.map.state().PageModified[2] && !b.st().EcuReady && !b.ui.ecuReadyControls);
        QVERIFY(!b.link->TimeOutTx().isActive() && !b.link->TimeOutDati().isActive());
        QVERIFY(!b.ui.waitOpenNow && b.ui.mainWindowEnabled);
    }

    // Under 345, what the fitter can do about the port, in his language; nothing for other causes.
    void connect_portRefused_saysWhyUnder345_data()
    {
        QTest::addColumn<PortFault>("fault");   // None: the port opens, but with a parity it does not know
        QTest::addColumn<int>("lingua");
        QTest::addColumn<int>("line");   // base id of the second line, 0 none
        QTest::newRow("unplugged") << PortFault::NoDevice << 4 << 390;
        QTest::newRow("not in dialout") << PortFault::NoPermission << 4 << 391;
        QTest::newRow("held by another program, italian") << PortFault::Busy << 1 << 392;
        QTest::newRow("something else") << PortFault::Other << 4 << 0;
        QTest::newRow("unknown parity") << PortFault::None << 4 << 0;
    }
    void connect_portRefused_saysWhyUnder345()
    {
        QFETCH(PortFault, fault);
        QFETCH(int, lingua);
        QFETCH(int, line);
        Bench b;
        b.frame.LinguaCorrente = quint8(lingua);
        if (fault == PortFault::None)
            b.frame.ConfigSeriale.NomeParita = "STRANA ";
        else
            b.ports.prepare = [fault](FakeTransport &p) {
                p.failOpen = true;
                p.openFault = fault;
            };
        b.link->Connetti();
        const QString text = T(345, lingua) + (line ? '\n' + T(line, lingua) : QString());
        QCOMPARE(b.ui.plainMessages, (QList<std::pair<QString, QString>>{{text, T(171, lingua)}}));
        if (fault != PortFault::None)
            QCOMPARE(b.link->portErrorText(), "refused by the test");
        QVERIFY(!b.ui.calls.contains("waitOpen") && !b.ui.calls.contains("setConnectButtons"));
        QVERIFY(!b.link->portOpen() && b.st().StatoSessione == -1);
    }

    // Every other test passes its own timings; the program relies on these.
    void defaultTiming_isTheEcusOwn()
    {
        LinkRig rig;
        FakePorts ports;
        Link &link = rig.makeLink(ports.factory());
        QCOMPARE(link.InterpretoDati().interval(), 50);
        QCOMPARE(link.TimeOutDati().interval(), 2000);
        QCOMPARE(link.TimeOutTx().interval(), 5000);
        QCOMPARE(link.timing().firstValueReplyMs, 2000);
        rig.dropLink();
    }

    void liveFrame_belowRunningResendsStartCommand()
    {
        Bench b;
        b.connectAndRead();
        b.ui.currentPage = 1;
        QSignalSpy accepted(b.link.get(), &Link::liveFrameAccepted);
        b.port().feed(Live("6000", "1234"));   // 6000 itself is running
        QCOMPARE(b.live.LiveSample[0].Field[8], QStringLiteral("   12.34"));
        QVERIFY(b.live.LiveDisplayEnabled && b.port().written.isEmpty());

        // The start command empties the buffer: the second frame of the same piece is dropped.
        b.port().feed(Live("5999", "1000") + Live("6004", "2000"));
        QCOMPARE(b.port().lines(), QByteArrayList{Line("MGA000034000001")});
        QCOMPARE(b.st().TentativiAvvio, qint16(1));
        QCOMPARE(b.live.LiveSample[0].Field[8], QStringLiteral("   10.00"));
        QCOMPARE(accepted.count(), 2);
        b.port().feed(Live("6010", "2000"));
        QCOMPARE(b.st().TentativiAvvio, qint16(0));
    }

    void liveTuning_marksBoxesAndSendsCorrection_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("duty");
        QTest::addColumn<QByteArray>("software");
        QTest::addColumn<QByteArray>("red");   // box k red: '1' at k; empty: no marks set
        QTest::addColumn<QByteArray>("command");
        const QByteArray v0 = "ABC12AA34", v1 = "ABC1234AA", seg1 = "MGA000068001010";
        // Segment k has the flat line 100 + k, so the value sent names the segment used.
        QTest::newRow("25: first third") << 0 << QByteArray("2500") << v0 << QByteArray("010000") << seg1;
        QTest::newRow("30: middle third") << 0 << QByteArray("3000") << v0 << QByteArray("011000") << seg1;
        QTest::newRow("38: last third") << 0 << QByteArray("3800") << v0 << QByteArray("001000") << seg1;
        QTest::newRow("40 is T(2)") << 0 << QByteArray("4000") << v0 << QByteArray("001000") << seg1;
        QTest::newRow("100, variant 1") << 0 << QByteArray("10000") << v1 << QByteArray("000001")
                                        << QByteArray("MGA000149001040");
        QTest::newRow("above every threshold")
            << 0 << QByteArray("10100") << v0 << QByteArray("000000") << QByteArray();
        QTest::newRow("another page") << 1 << QByteArray("3000") << v0 << QByteArray() << QByteArray();
        QTest::newRow("duty not a number") << 0 << QByteArray("12x4") << v0 << QByteArray() << QByteArray();
    }
    void liveTuning_marksBoxesAndSendsCorrection()
    {
        QFETCH(int, page);
        QFETCH(QByteArray, duty);
        QFETCH(QByteArray, software);
        QFETCH(QByteArray, command);
        Bench b;
        b.connectAndRead(software);
        for (int k = 0; k < 5; ++k)
            b.map.edit().SegmentCoef[k] = {0.0, 100.0 + k};
        b.ui.currentPage = page;
        b.port().feed(Live("6004", duty));
        QByteArray marks;
        for (bool r : b.ui.deltaPMarks)
            marks += r ? '1' : '0';
        QTEST(b.ui.calls.contains("setDeltaPMarks") ? marks : QByteArray(), "red");
        QCOMPARE(b.port().lines(), command.isEmpty() ? QByteArrayList{} : QByteArrayList{Line(command)});
        QCOMPARE(b.ui.markerX, command.isEmpty() ? -1.0 : duty.toDouble() / 100);
        QVERIFY(b.link->TimeOutDati().isActive());
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
