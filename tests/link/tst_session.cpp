#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "app/texts.h"
#include "link/framing.h"
#include "link/link.h"
#include "live/chartmodel.h"
#include "live/livedata.h"
#include "live/recorder.h"
#include "mapeditor/imagefile.h"
#include "mapeditor/mapmodel.h"
#include "support/fakelinkui.h"
#include "support/faketransport.h"

using namespace EcuFrames;

namespace {

QString T(int baseId, int lingua = 4) { return TestoL(baseId, lingua); }

QByteArray Line(const QByteArray &payload) { return checksummed(payload).chopped(2); }

// One link with fakes all round, in a scratch application folder.
struct Bench {
    QTemporaryDir dir;
    FrameState frame;
    LiveState live;
    MapModel map;
    ChartModel chart;
    Recorder recorder;
    FakeLinkUi ui;
    FakePorts ports;
    std::unique_ptr<Link> link;

    Bench() : chart(live, dir.filePath(QStringLiteral("DATI_GRAF.GRF"))), recorder(live)
    {
        frame.PercorsoApp = dir.path();
        InitLiveChannels(live, frame.LinguaCorrente);
        link = std::make_unique<Link>(frame, live, map, chart, recorder, ui, ports.factory(),
                                      LinkTiming{20, 200, 500, 200});
    }
    FakeTransport &port() { return *ports.last; }
    QList<QByteArray> sent() { return port().writtenLines(); }
    QString file(const char *name) const { return frame.file(QString::fromLatin1(name)); }
    LinkState &st() { return link->edit(); }

    // A whole read: blocks 000, 001 and 094 (which holds record 2828 = -1), then the final reply.
    void connectAndRead(const QByteArray &software = "ABC12AA34")
    {
        link->Connetti();
        port().feed(r8(software));
        port().feed(rz(0, Values(1), '0'));
        port().feed(rz(1, Values(31), '0'));
        QList<int> last = Values(2821);
        last[7] = -1;
        port().feed(rz(94, last, '$'));
        port().feed(rfn({11, 12, 13, 14, 15, 16, 17, 18}));
    }
    static QList<int> Values(int first)
    {
        QList<int> v;
        for (int i = 0; i < 30; ++i)
            v.append(first + i);
        return v;
    }
    double record(const char *name, int n)
    {
        ImageFile f(file(name));
        double v = qQNaN();
        if (f.open())
            f.readValue(n, &v);
        return v;
    }
    // Puts the link in an operation started by the map-sending code.
    void startOperation(int state)
    {
        st().StatoSessione = qint16(state);
        link->TimeOutDati().stop();
        port().clearWritten();
        ui.clear();
    }
};

QList<QByteArray> Commands(std::initializer_list<const char *> lines)
{
    QList<QByteArray> out;
    for (const char *l : lines)
        out.append(l);
    return out;
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void connection_readsImageAndBecomesReady_data();
    void connection_readsImageAndBecomesReady();
    void identification_rejected_data();
    void identification_rejected();
    void finalReply_otherLengthGivesMinusOne();
    void replies_splitOrJoined_actedOnInOrder();
    void badChecksumReply_isIgnoredUntilWatchdog();
    void imageFileUnwritable_endsReadAtOnce();
    void unknownContinuationFlag_keepsWatchdogArmed();
    void imageLostBeforeFinalReply_endsReadAtOnce();
    void imageWrite_sendsBlocksUntilComplete_data();
    void imageWrite_sendsBlocksUntilComplete();
    void imageWrite_blockRejectedTwice_data();
    void imageWrite_blockRejectedTwice();
    void valueQueue_sendsEachLineOnRga_data();
    void valueQueue_sendsEachLineOnRga();
    void replyTimeout_endsOperationPerState_data();
    void replyTimeout_endsOperationPerState();
    void liveSilence_closesWith308();
    void connect_whileReady_doesNothing();
    void connect_portFailure_showsPlain345_data();
    void connect_portFailure_showsPlain345();
    void portFailure_closesWith308Once_data();
    void portFailure_closesWith308Once();
    void disconnect_deletesImagesAndStopsRecording();
    void liveFrame_runningCheckRetriesStartCommand();
    void liveFrame_tenRetriesThenClosesWith210();
    void liveTuning_marksBoxesAndSendsCorrection_data();
    void liveTuning_marksBoxesAndSendsCorrection();
    void liveTuning_onlyOnMappingPageWithNumericDuty();
    void garbageWithoutLineEnd_keepsBufferBounded();
    void destroyWhileBusy_closesPortAndStopsTimers();
};

void TestSession::initTestCase()
{
    QVERIFY2(!Testo(3204).isEmpty() && !Testo(1207).isEmpty(), "the text table is not available");
}

void TestSession::connection_readsImageAndBecomesReady_data()
{
    QTest::addColumn<QByteArray>("software");
    QTest::addColumn<QByteArray>("liveStart");
    QTest::addColumn<double>("record2828");
    QTest::newRow("variant 0") << QByteArray("ABC12AA34") << Line("MGA000034000001") << 0.0;
    QTest::newRow("variant 1") << QByteArray("ABC1234AA") << Line("MGA000147000001") << -1.0;
}

void TestSession::connection_readsImageAndBecomesReady()
{
    QFETCH(QByteArray, software);
    QFETCH(QByteArray, liveStart);
    QFETCH(double, record2828);
    Bench b;
    QSignalSpy ready(b.link.get(), &Link::ecuReadyChanged);
    b.link->Connetti();
    QCOMPARE(b.ui.callsOf("waitOpen").value(0).args, (QVariantList{T(202), T(203)}));
    QVERIFY(!b.ui.mainWindowEnabled);
    QCOMPARE(b.st().StatoSessione, qint16(1));
    QVERIFY(b.link->TimeOutTx().isActive());

    b.connectAndRead(software);   // Connetti again is harmless: not ready yet, it reopens
    QCOMPARE(b.sent(), (QList<QByteArray>{"MUB", liveStart, "MU2", "MUA", "MUA", "MU3", "MUFN", "MU3"}));
    QVERIFY(b.ui.waitLabels.contains(T(203) + " (95)"));
    QVERIFY(b.st().EcuReady);
    QCOMPARE(ready.count(), 1);
    QCOMPARE(b.st().StatoSessione, qint16(-1));
    QVERIFY(b.link->TimeOutDati().isActive());
    QVERIFY(!b.link->TimeOutTx().isActive());
    QCOMPARE(b.st().ValoriFinali[3], QStringLiteral("000014"));

    for (int n : {1, 17, 30, 31, 60, 2821, 2850})
        QCOMPARE(b.record("LETTURA.PRG", n), double(n));
    QCOMPARE(b.record("LETTURA.PRG", 2828), record2828);
    QCOMPARE(b.record("LETTURA.PRG", 2827), 99.0);
    QCOMPARE(b.record("LETTURA.PRG", 2700), 11.0);
    QFile a(b.file("LETTURA.PRG")), c(b.file("LETTURAN.PRG"));
    QVERIFY(a.open(QIODevice::ReadOnly) && c.open(QIODevice::ReadOnly));
    QCOMPARE(c.readAll(), a.readAll());

    // The editor is filled and shown only after the wait dialog has gone.
    const int closed = b.ui.indexOf("waitClose");
    QVERIFY(closed >= 0);
    QVERIFY(b.ui.indexOf("RedrawChart") > closed);
    QVERIFY(b.ui.indexOf("FillMapEditor") > b.ui.indexOf("RedrawChart"));
    QVERIFY(b.ui.indexOf("showMapEditor") > b.ui.indexOf("FillMapEditor"));
    QVERIFY(b.ui.ecuReadyControls && b.ui.editorEnabled && b.ui.mainWindowEnabled);
    QCOMPARE(b.map.state().LastSentChoice, qint16(1));
    QCOMPARE(b.live.LiveSample[0].RecordCounter, -1);
}

void TestSession::identification_rejected_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("text");
    QTest::addColumn<QString>("matricola");
    QTest::newRow("R8 one short") << checksummed(r8().left(56)) << 210 << QString();
    QTest::newRow("R4") << r4() << 209 << QStringLiteral("MAT00002");
    QTest::newRow("R4 of another length") << checksummed(r4().left(38)) << 210 << QString();
}

void TestSession::identification_rejected()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, text);
    QFETCH(QString, matricola);
    Bench b;
    b.link->Connetti();
    b.port().feed(reply);
    QCOMPARE(b.ui.waitLabel, T(text));
    QVERIFY(b.ui.waitOkShown && !b.ui.busyCursor);
    QCOMPARE(b.sent(), Commands({"MUB", "MU3"}));
    QVERIFY(!b.link->portOpen());
    QCOMPARE(b.st().StatoSessione, qint16(-1));
    QVERIFY(!b.link->TimeOutTx().isActive());
    QCOMPARE(b.st().Ident.Matricola, matricola);
    QVERIFY(b.ui.messages.isEmpty());
}

void TestSession::finalReply_otherLengthGivesMinusOne()
{
    Bench b;
    b.link->Connetti();
    b.port().feed(r8());
    b.port().feed(rz(0, Bench::Values(1), '$'));
    b.port().feed("Rfn000001000002\r\n");
    for (const QString &v : b.st().ValoriFinali)
        QCOMPARE(v, QStringLiteral("    -1"));
    QCOMPARE(b.record("LETTURA.PRG", 2700), 0.0);
    QCOMPARE(b.record("LETTURA.PRG", 2827), 99.0);
}

void TestSession::replies_splitOrJoined_actedOnInOrder()
{
    Bench b;
    b.link->Connetti();
    const QByteArray reply = r8();
    b.port().feed(reply.left(30));
    QCOMPARE(b.st().StatoSessione, qint16(1));
    b.port().feed(reply.mid(30));
    QCOMPARE(b.st().StatoSessione, qint16(2));
    b.port().feed(rz(0, Bench::Values(1), '0') + rz(1, Bench::Values(31), '$'));
    QCOMPARE(b.sent().mid(3), Commands({"MUA", "MU3", "MUFN"}));
    QCOMPARE(b.st().StatoSessione, qint16(5));
}

void TestSession::badChecksumReply_isIgnoredUntilWatchdog()
{
    Bench b;
    b.link->Connetti();
    QByteArray bad = r8();
    bad[20] = bad[20] == '1' ? '2' : '1';
    b.port().feed(bad);
    QCOMPARE(b.st().StatoSessione, qint16(1));
    QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 3000);
    QCOMPARE(b.ui.waitLabel, T(204));
    QCOMPARE(b.sent(), Commands({"MUB", "MU3"}));
}

void TestSession::imageFileUnwritable_endsReadAtOnce()
{
    Bench b;
    b.frame.PercorsoApp = b.dir.filePath(QStringLiteral("missing/folder"));
    b.link->Connetti();
    b.port().feed(r8());
    b.port().feed(rz(0, Bench::Values(1), '0'));
    QVERIFY(!b.link->portOpen());
    QCOMPARE(b.ui.waitLabel, T(204));
    QVERIFY(b.ui.waitOkShown);
    QCOMPARE(b.sent().last(), QByteArray("MU3"));
    QVERIFY(!b.link->TimeOutTx().isActive());
}

void TestSession::unknownContinuationFlag_keepsWatchdogArmed()
{
    Bench b;
    b.link->Connetti();
    b.port().feed(r8());
    b.port().feed(rz(0, Bench::Values(1), 'X'));
    QCOMPARE(b.sent().last(), QByteArray("MU2"));
    QVERIFY(b.link->TimeOutTx().isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 3000);
    QCOMPARE(b.ui.waitLabel, T(204));
}

void TestSession::imageLostBeforeFinalReply_endsReadAtOnce()
{
    Bench b;
    b.link->Connetti();
    b.port().feed(r8());
    b.port().feed(rz(0, Bench::Values(1), '$'));
    QVERIFY(QFile::remove(b.file("LETTURA.PRG")));
    b.port().feed(rfn({1, 2, 3, 4, 5, 6, 7, 8}));
    QVERIFY(!b.link->portOpen());
    QCOMPARE(b.ui.waitLabel, T(204));
    QVERIFY(b.ui.waitOkShown && b.ui.waitOpenNow);
    QCOMPARE(b.sent().last(), QByteArray("MU3"));
    QVERIFY(!b.st().EcuReady);
    QVERIFY(!b.link->TimeOutTx().isActive() && !b.link->TimeOutDati().isActive());
    QVERIFY(!QFile::exists(b.file("LETTURAN.PRG")));
}

void TestSession::imageWrite_sendsBlocksUntilComplete_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("sending maps") << 3;
    QTest::newRow("programming") << 30;
}

void TestSession::imageWrite_sendsBlocksUntilComplete()
{
    QFETCH(int, state);
    Bench b;
    b.connectAndRead();
    b.startOperation(state);
    b.ui.currentPage = 2;
    const QByteArray image = QByteArray("000007").repeated(70);   // 420 characters: blocks 000, 001, 002
    b.st().ImmagineDaInviare = image;
    b.st().BloccoCorrente = -1;
    b.map.edit().DeltaFlow[2] = 140;
    b.map.edit().PageModified[0] = true;

    b.port().feed("R5\r\n");
    QCOMPARE(b.ui.waitLabel, T(state == 3 ? 206 : 212) + " (0)");
    QCOMPARE(b.ui.count("waitShow"), state == 3 ? 1 : 0);
    b.port().feed("R7\r\n");   // rejected once: the same block again
    b.port().feed("R6\r\n");
    b.port().feed("R5\r\n");
    QCOMPARE(b.sent(), (QList<QByteArray>{Line("MZ0000" + image.left(180)), Line("MZ0000" + image.left(180)),
                                          Line("MZ0010" + image.mid(180, 180)), Line("MZ002$" + image.mid(360))}));
    QVERIFY(b.link->TimeOutTx().isActive());

    b.port().feed("R1\r\n");
    QCOMPARE(b.sent().last(), QByteArray("MU1"));
    QCOMPARE(b.st().StatoSessione, qint16(-1));
    QVERIFY(b.link->TimeOutDati().isActive());
    QVERIFY(!b.link->TimeOutTx().isActive());
    QVERIFY(b.link->portOpen());
    if (state == 3) {
        QCOMPARE(b.ui.waitLabel, T(211));
        QVERIFY(b.ui.waitOkShown);
        QCOMPARE(b.map.state().DeltaFlowInitial[2], 140.0);
        QVERIFY(!b.map.state().PageModified[0]);
        QCOMPARE(b.ui.callsOf("ShowPageButtons").value(0).args, QVariantList{2});
    } else {
        QVERIFY(!b.ui.waitOpenNow && b.ui.mainWindowEnabled);
        QVERIFY(b.map.state().PageModified[0]);
    }
}

void TestSession::imageWrite_blockRejectedTwice_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("text");
    QTest::newRow("sending maps") << 3 << 208;
    QTest::newRow("programming") << 30 << 213;
}

void TestSession::imageWrite_blockRejectedTwice()
{
    QFETCH(int, state);
    QFETCH(int, text);
    Bench b;
    b.connectAndRead();
    b.startOperation(state);
    b.st().ImmagineDaInviare = QByteArray("000001").repeated(40);
    b.st().BloccoCorrente = -1;
    b.port().feed("R5\r\nR7\r\nR7\r\n");
    QCOMPARE(b.sent().size(), 3);
    QCOMPARE(b.sent().last(), QByteArray("MU1"));
    QCOMPARE(b.ui.waitLabel, T(text));
    QVERIFY(b.ui.waitOkShown);
    QCOMPARE(b.ui.beeps, state == 3 ? 1 : 0);
    QCOMPARE(b.st().StatoSessione, qint16(-1));
    QVERIFY(b.link->portOpen());
    QVERIFY(b.link->TimeOutDati().isActive());
}

void TestSession::valueQueue_sendsEachLineOnRga_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("imageThere");
    QTest::addColumn<int>("whitePage");   // 0: no box colours touched
    QTest::addColumn<int>("endState");
    QTest::newRow("F8 modified, apply") << 11 << true << 2 << -1;
    QTest::newRow("F8 initial, apply") << 14 << true << 0 << -1;
    QTest::newRow("F7 modified, apply") << 10 << true << 1 << -1;
    QTest::newRow("F8 modified, store") << 21 << true << 2 << 30;
    QTest::newRow("F9 initial, store, image gone") << 25 << false << 0 << -1;
}

void TestSession::valueQueue_sendsEachLineOnRga()
{
    QFETCH(int, state);
    QFETCH(bool, imageThere);
    QFETCH(int, whitePage);
    QFETCH(int, endState);
    Bench b;
    b.connectAndRead();
    if (!imageThere)
        QFile::remove(b.file("LETTURA.PRG"));
    b.startOperation(state);
    const QByteArray first = ComandoMGA(18, 250), second = ComandoMGA(19, -2);
    b.st().CodaComandi = first + second;
    const QByteArray rga = checksummed("Rga");

    b.port().feed(rga);
    QCOMPARE(b.port().written(), QList<QByteArray>{first});
    QCOMPARE(b.link->TimeOutTx().interval(), 500);
    b.port().feed(rga);
    QCOMPARE(b.port().written(), (QList<QByteArray>{first, second}));
    QVERIFY(b.st().CodaComandi.isEmpty());
    QVERIFY(b.link->TimeOutTx().isActive());

    b.port().feed(rga);
    QCOMPARE(b.st().StatoSessione, qint16(endState));
    QCOMPARE(b.ui.count("clearValueBoxColours"), whitePage ? 1 : 0);
    if (whitePage)
        QCOMPARE(b.ui.callsOf("clearValueBoxColours")[0].args, QVariantList{whitePage});
    if (endState == 30) {
        QCOMPARE(b.port().written().size(), 3);
        QCOMPARE(b.sent().last(), QByteArray("MU0"));
        QCOMPARE(b.ui.callsOf("waitOpen").value(0).args, (QVariantList{T(205), T(212)}));
        QVERIFY(b.link->TimeOutTx().isActive());
        QVERIFY(!b.st().ImmagineDaInviare.isEmpty());
        QCOMPARE(b.st().BloccoCorrente, qint16(-1));
    } else {
        QCOMPARE(b.port().written().size(), 2);
        QVERIFY(b.ui.mainWindowEnabled && !b.ui.busyCursor);
        QVERIFY(b.link->TimeOutDati().isActive());
        QVERIFY(!b.link->TimeOutTx().isActive());
    }
}

void TestSession::replyTimeout_endsOperationPerState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("lingua");
    QTest::addColumn<int>("label");     // 0: label untouched
    QTest::addColumn<QByteArray>("command");
    for (int s : {1, 2, 5})
        QTest::addRow("state %d", s) << s << 4 << 204 << QByteArray("MU3");
    QTest::newRow("state 3") << 3 << 4 << 207 << QByteArray("MU1");
    QTest::newRow("state 3 in French") << 3 << 2 << 207 << QByteArray("MU1");
    QTest::newRow("state 30") << 30 << 4 << 213 << QByteArray("MU1");
    QTest::newRow("state 12") << 12 << 4 << 0 << QByteArray();
    QTest::newRow("state 23") << 23 << 4 << 0 << QByteArray();
}

void TestSession::replyTimeout_endsOperationPerState()
{
    QFETCH(int, state);
    QFETCH(int, lingua);
    QFETCH(int, label);
    QFETCH(QByteArray, command);
    Bench b;
    b.frame.LinguaCorrente = quint8(lingua);
    b.connectAndRead();
    b.startOperation(state);
    b.st().CodaComandi = ComandoMGA(18, 1);
    b.ui.setMainWindowEnabled(false);
    b.link->TimeOutTx().start();

    QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 3000);
    QCOMPARE(b.port().written().size(), command.isEmpty() ? 0 : 1);
    if (!command.isEmpty())
        QCOMPARE(b.sent().value(0), command);
    if (label) {
        QCOMPARE(b.ui.waitLabel, T(label, lingua));
        QVERIFY(b.ui.waitOkShown);
    } else {
        QCOMPARE(b.ui.count("waitSetLabel"), 0);
        QVERIFY(b.ui.mainWindowEnabled);
    }
    QCOMPARE(b.ui.count("waitShow"), state == 3 ? 1 : 0);
    QVERIFY(b.ui.beeps >= 1 && !b.ui.busyCursor);
    QCOMPARE(b.st().StatoSessione, qint16(-1));
    QVERIFY(b.st().CodaComandi.isEmpty());
    QVERIFY(!b.st().EcuReady);
    QVERIFY(!QFile::exists(b.file("LETTURA.PRG")) && !QFile::exists(b.file("LETTURAN.PRG")));
    QVERIFY(b.ui.messages.isEmpty());
}

void TestSession::liveSilence_closesWith308()
{
    Bench b;
    b.connectAndRead();
    b.map.edit().PageModified[2] = true;
    QTRY_VERIFY_WITH_TIMEOUT(!b.link->portOpen(), 3000);
    QCOMPARE(b.ui.messages.size(), 1);
    QCOMPARE(b.ui.messages[0].text, T(308));
    QCOMPARE(b.ui.messages[0].flags, 16);
    QCOMPARE(b.ui.messages[0].title, T(171));
    QCOMPARE(b.ui.messages[0].position, 4);
    QCOMPARE(b.frame.MessageText, T(308));
    const int closing = b.ui.indexOf("ChiudiFinestre");
    QVERIFY(closing >= 0);
    QVERIFY(b.ui.indexOf("setConnectButtons", closing) > closing);
    QVERIFY(!b.map.state().PageModified[2]);
    QVERIFY(!b.st().EcuReady && !b.ui.ecuReadyControls && !b.ui.linkOpenButtons);
}

void TestSession::connect_whileReady_doesNothing()
{
    Bench b;
    b.connectAndRead();
    b.ui.clear();
    b.port().clearWritten();
    FakeTransport *before = b.ports.last;
    b.link->Connetti();
    QVERIFY(b.ui.calls.isEmpty());
    QVERIFY(b.port().written().isEmpty());
    QCOMPARE(b.ports.last.data(), before);
    QVERIFY(b.link->portOpen());
}

void TestSession::connect_portFailure_showsPlain345_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("no transport for the device") << 0;
    QTest::newRow("open refused") << 1;
    QTest::newRow("settings rejected") << 2;
}

void TestSession::connect_portFailure_showsPlain345()
{
    QFETCH(int, how);
    Bench b;
    b.ports.refuse = how == 0;
    b.ports.prepare = [how](FakeTransport &p) { p.failOpen = how == 1; };
    if (how == 2)
        b.frame.ConfigSeriale.NomeParita = QStringLiteral("STRANA ");
    QCOMPARE(b.link->ApriPorta(), -1);
    b.link->Connetti();
    QCOMPARE(b.ui.plainMessages.size(), 2);
    QCOMPARE(b.ui.plainMessages[1], std::make_pair(T(345), T(171)));
    QCOMPARE(b.ui.count("waitOpen"), 0);
    QCOMPARE(b.ui.count("setConnectButtons"), 0);
    QVERIFY(!b.link->portOpen());
    QCOMPARE(b.st().StatoSessione, qint16(-1));
}

void TestSession::portFailure_closesWith308Once_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("write refused") << 0;
    QTest::newRow("lost during a write") << 1;
    QTest::newRow("lost while idle") << 2;
    QTest::newRow("lost while closing after a time-out") << 3;
}

void TestSession::portFailure_closesWith308Once()
{
    QFETCH(int, how);
    Bench b;
    b.link->Connetti();
    switch (how) {
    case 0:
        b.port().failWrites();
        b.port().feed(r8());
        break;
    case 1:
        b.port().responder = [](FakeTransport &p, const QByteArray &) { p.loseConnection(); };
        b.port().feed(r8());
        break;
    case 2:
        b.port().loseConnection();
        break;
    case 3:
        b.port().responder = [](FakeTransport &p, const QByteArray &w) {
            if (w.startsWith("MU3"))
                p.loseConnection();
        };
        b.link->TimeOutTxScaduto();
        break;
    }
    QVERIFY(!b.link->portOpen());
    QCOMPARE(b.ui.messages.size(), 1);
    QCOMPARE(b.ui.messages[0].text, T(308));
    QCOMPARE(b.ui.messages[0].flags, 16);
    QCOMPARE(b.ui.messages[0].title, T(171));
    QCOMPARE(b.ui.count("setConnectButtons"), 2);   // open, then closed once
    QVERIFY(!b.sent().contains("MU2"));
    QCOMPARE(b.st().StatoSessione, qint16(-1));
    QVERIFY(!b.link->TimeOutTx().isActive() && !b.link->TimeOutDati().isActive());
    QVERIFY(!b.ui.waitOpenNow && b.ui.mainWindowEnabled);
}

void TestSession::disconnect_deletesImagesAndStopsRecording()
{
    Bench b;
    b.connectAndRead();
    QVERIFY(QFile::exists(b.file("LETTURA.PRG")) && QFile::exists(b.file("LETTURAN.PRG")));
    QVERIFY(b.recorder.start(b.dir.filePath(QStringLiteral("rec.DAT")), false));
    b.ui.clear();
    b.link->Disconnetti();
    QVERIFY(!b.recorder.recording());
    QVERIFY(!QFile::exists(b.file("LETTURA.PRG")) && !QFile::exists(b.file("LETTURAN.PRG")));
    QCOMPARE(b.ui.names(), (QStringList{"SetRecordingIdle", "setEditorEnabled", "setConnectButtons",
                                        "SetEcuReadyControls"}));
    QVERIFY(!b.st().EcuReady && !b.live.LiveDisplayEnabled);
    QVERIFY(!b.link->TimeOutDati().isActive());
}

void TestSession::liveFrame_runningCheckRetriesStartCommand()
{
    Bench b;
    b.connectAndRead();
    b.ui.currentPage = 1;
    b.port().clearWritten();
    QSignalSpy accepted(b.link.get(), &Link::liveFrameAccepted);

    b.port().feed(live("6004", "1234"));
    QCOMPARE(b.live.LiveSample[0].Field[5].trimmed(), T(365).trimmed());
    QCOMPARE(b.live.LiveSample[0].Field[8], QStringLiteral("   12.34"));
    QVERIFY(b.live.LiveDisplayEnabled);
    QVERIFY(b.port().written().isEmpty());

    // The start command empties the buffer: the second frame of the same piece is dropped.
    b.port().feed(live("5999", "1000") + live("6004", "2000"));
    QCOMPARE(b.sent(), QList<QByteArray>{Line("MGA000034000001")});
    QCOMPARE(b.st().TentativiAvvio, qint16(1));
    QCOMPARE(b.live.LiveSample[0].Field[8], QStringLiteral("   10.00"));
    QCOMPARE(accepted.count(), 2);
    QVERIFY(b.link->TimeOutDati().isActive());

    b.port().feed(live("6010", "2000"));
    QCOMPARE(b.st().TentativiAvvio, qint16(0));

    // Frames in any other state are not live data.
    b.st().StatoSessione = 3;
    b.port().feed(live("6004", "3000"));
    QCOMPARE(b.live.LiveSample[0].Field[8], QStringLiteral("   20.00"));
}

void TestSession::liveFrame_tenRetriesThenClosesWith210()
{
    Bench b;
    b.connectAndRead();
    b.ui.currentPage = 1;
    b.port().clearWritten();
    for (int i = 0; i < 5; ++i)
        b.port().feed(live("5999", "1000"));
    b.port().feed(live("6000", "1000"));   // running again: the count starts over
    for (int i = 0; i < 10; ++i)
        b.port().feed(live("5999", "1000"));
    QCOMPARE(b.port().written().size(), 15);
    QVERIFY(b.link->portOpen());
    QVERIFY(b.ui.messages.isEmpty());

    b.port().feed(live("5999", "1000"));
    QCOMPARE(b.port().written().size(), 15);
    QVERIFY(!b.link->portOpen());
    QCOMPARE(b.ui.messages.size(), 1);
    QCOMPARE(b.ui.messages[0].text, T(210));
    QCOMPARE(b.ui.messages[0].flags, 16);
    QCOMPARE(b.ui.messages[0].title, T(171));
    QVERIFY(b.ui.indexOf("ChiudiFinestre") > b.ui.indexOf("setConnectButtons"));
    QCOMPARE(b.st().TentativiAvvio, qint16(0));
}

void TestSession::liveTuning_marksBoxesAndSendsCorrection_data()
{
    QTest::addColumn<QByteArray>("duty");
    QTest::addColumn<QByteArray>("software");
    QTest::addColumn<QList<bool>>("red");
    QTest::addColumn<QByteArray>("command");
    const QByteArray v0 = "ABC12AA34", v1 = "ABC1234AA";
    // Each segment k has the flat line 100 + k, so the value sent names the segment used.
    QTest::newRow("x=25, first third of segment 1") << QByteArray("2500") << v0
        << QList<bool>{false, true, false, false, false, false} << QByteArray("MGA000068001010");
    QTest::newRow("x=30, middle third") << QByteArray("3000") << v0
        << QList<bool>{false, true, true, false, false, false} << QByteArray("MGA000068001010");
    QTest::newRow("x=38, last third") << QByteArray("3800") << v0
        << QList<bool>{false, false, true, false, false, false} << QByteArray("MGA000068001010");
    QTest::newRow("x=40 is T(2): segment 1, box 2") << QByteArray("4000") << v0
        << QList<bool>{false, false, true, false, false, false} << QByteArray("MGA000068001010");
    QTest::newRow("x=0") << QByteArray("0") << v0
        << QList<bool>{true, false, false, false, false, false} << QByteArray("MGA000068001000");
    QTest::newRow("x=100, variant 1") << QByteArray("10000") << v1
        << QList<bool>{false, false, false, false, false, true} << QByteArray("MGA000149001040");
    QTest::newRow("x above every threshold") << QByteArray("10100") << v0
        << QList<bool>{false, false, false, false, false, false} << QByteArray();
}

void TestSession::liveTuning_marksBoxesAndSendsCorrection()
{
    QFETCH(QByteArray, duty);
    QFETCH(QByteArray, software);
    QFETCH(QList<bool>, red);
    QFETCH(QByteArray, command);
    Bench b;
    b.connectAndRead(software);
    for (int k = 0; k < 5; ++k)
        b.map.edit().SegmentCoef[k] = {0.0, 100.0 + k};
    b.port().clearWritten();
    b.ui.clear();
    b.ui.currentPage = 0;

    b.port().feed(live("6004", duty));
    QCOMPARE(b.ui.count("setDeltaPMarks"), 1);
    QCOMPARE(QList<bool>(b.ui.deltaPMarks.begin(), b.ui.deltaPMarks.end()), red);
    if (command.isEmpty()) {
        QVERIFY(b.port().written().isEmpty());
        QCOMPARE(b.ui.count("MoveOperatingMarker"), 0);
    } else {
        QCOMPARE(b.sent(), QList<QByteArray>{Line(command)});
        QCOMPARE(b.ui.markerX, duty.toDouble() / 100);
    }
    QVERIFY(b.link->TimeOutDati().isActive());
}

void TestSession::liveTuning_onlyOnMappingPageWithNumericDuty()
{
    Bench b;
    b.connectAndRead();
    b.port().clearWritten();
    b.ui.clear();
    b.ui.currentPage = 1;
    b.port().feed(live("6004", "3000"));
    b.ui.currentPage = 0;
    b.port().feed(live("6004", "12x4"));
    QVERIFY(b.port().written().isEmpty());
    QCOMPARE(b.ui.count("setDeltaPMarks"), 0);
    QCOMPARE(b.live.LiveSample[0].Field[8], QStringLiteral("--------"));
}

void TestSession::garbageWithoutLineEnd_keepsBufferBounded()
{
    Bench b;
    b.link->Connetti();
    for (int i = 0; i < 100; ++i)
        b.port().feed(QByteArray(1000, 'x'));
    QVERIFY(b.st().BufferRx.size() <= MaxRigaParziale);
    b.port().feed("\r\n" + r8());
    QCOMPARE(b.st().StatoSessione, qint16(2));
}

void TestSession::destroyWhileBusy_closesPortAndStopsTimers()
{
    Bench b;
    b.link->Connetti();
    b.port().feed(r8());
    QSignalSpy closed(&b.port(), &FakeTransport::closedByOwner);
    QVERIFY(b.link->TimeOutTx().isActive());
    b.ui.clear();
    b.link.reset();
    QCOMPARE(closed.count(), 1);
    QVERIFY(b.ports.last.isNull());
    QVERIFY(b.ui.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
