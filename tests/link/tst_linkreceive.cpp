#include <QtTest>

#include "link/framing.h"
#include "link/link.h"
#include "link/wiretrace.h"
#include "support/ecuframes.h"
#include "support/faketransport.h"
#include "support/linkrig.h"

namespace {

// A FakeTransport that keeps what the link asked of its wake-ups.
class LinePort : public FakeTransport {
public:
    void setWakeOnLineEnd(bool on) override { wholeLines = on; }
    bool wholeLines = false;
};

// A link streaming live data from a fake ECU, with every accepted duty cycle noted in order.
struct Streaming : LinkRig {
    QPointer<LinePort> port;
    QStringList dutyCycles;

    explicit Streaming(int interpretMs = 60000)
    {
        makeLink(
            [this](const QString &) -> std::unique_ptr<Transport> {
                auto p = std::make_unique<LinePort>();
                port = p.get();
                return p;
            },
            LinkTiming{interpretMs, 60000, 60000, 60000});
        QObject::connect(link.get(), &Link::liveFrameAccepted, link.get(),
                         [this] { dutyCycles << live.LiveSample[0].Field[8].trimmed(); });
    }
    ~Streaming() { dropLink(); }

    void connectAndRead()
    {
        link->Connetti();
        port->feed(R8() + Rz(0, 1, '$'));
        port->feed(Rfn());
        QVERIFY(link->state().EcuReady);
    }
};

}   // namespace

class TestLinkReceive : public QObject {
    Q_OBJECT
private slots:
    // Until its LF comes a line cannot be a frame: the pieces before it cost no
    // pass of the interpreter, and the piece that ends it is acted on at once.
    void fragmentWithoutLf_onlyWaits_data()
    {
        QTest::addColumn<int>("cut");
        QTest::newRow("frame type only") << 1;
        QTest::newRow("inside a field") << 40;
        QTest::newRow("up to the CR") << 130;
    }
    void fragmentWithoutLf_onlyWaits()
    {
        QFETCH(int, cut);
        Streaming s;
        s.connectAndRead();
        const QByteArray frame = Live("6000", "1234");
        const quint64 passes = s.link->interpretPasses();
        const QByteArray before = s.link->state().BufferRx;

        s.port->feed(frame.left(cut));
        QCOMPARE(s.link->interpretPasses(), passes);
        QCOMPARE(s.link->state().BufferRx, before + frame.left(cut));
        QVERIFY(s.dutyCycles.isEmpty());

        s.port->feed(frame.mid(cut));
        QCOMPARE(s.link->interpretPasses(), passes + 1);
        QCOMPARE(s.dutyCycles, QStringList{"12.34"});
        QVERIFY(s.link->state().BufferRx.isEmpty());
    }

    // Whatever the pieces, the same frames are acted on in the same order, each
    // as soon as the piece holding its LF has come.
    void framesSplitAnywhere_keepTheirOrder()
    {
        // An empty line and noise between the frames, as a line with interference brings them.
        const QByteArray stream = Live("6000", "1111") + "\r\n" + Live("6000", "2222") + "zz" + Live("6000", "3333");
        const QStringList expected{"11.11", "22.22", "33.33"};
        QList<qsizetype> frameEnds;   // the LF of each live frame
        for (qsizetype from = 0, lf; (lf = stream.indexOf('\n', from)) >= 0; from = lf + 1) {
            if (stream.mid(from, lf - from).contains('D'))
                frameEnds << lf;
        }
        QCOMPARE(frameEnds.size(), 3);
        Streaming s;
        s.connectAndRead();
        for (int cut = 0; cut <= stream.size(); ++cut) {
            s.dutyCycles.clear();
            const quint64 passes = s.link->interpretPasses();
            s.port->feed(stream.left(cut));
            const auto complete =
                std::count_if(frameEnds.begin(), frameEnds.end(), [cut](qsizetype lf) { return lf < cut; });
            QCOMPARE(s.dutyCycles, expected.mid(0, complete));
            s.port->feed(stream.mid(cut));
            QCOMPARE(s.dutyCycles, expected);
            const int piecesWithLf = int(stream.left(cut).contains('\n')) + int(stream.mid(cut).contains('\n'));
            QCOMPARE(s.link->interpretPasses(), passes + piecesWithLf);
        }
    }

    // A bad checksum ends a pass; what follows it waits for the tick, and a
    // fragment arriving meanwhile does not bring it forward.
    void afterBadChecksum_theTickTakesTheRest()
    {
        Streaming s;
        s.connectAndRead();
        QByteArray bad = Checksummed("R4xx");
        bad[3] = 'y';
        s.port->feed(bad + Live("6000", "4000"));
        QVERIFY(s.dutyCycles.isEmpty());
        s.port->feed("DB ");
        QVERIFY(s.dutyCycles.isEmpty());
        s.link->InterpretaBuffer();
        QCOMPARE(s.dutyCycles, QStringList{"40.00"});
        QCOMPARE(s.link->state().BufferRx, QByteArray("DB "));
    }

    // The port may hold a line back until its end, except while the wire trace
    // runs: the trace keeps the time each piece came.
    void portWakesOnLineEnds_unlessTracing()
    {
        Streaming s(5);
        s.connectAndRead();
        QVERIFY(s.port->wholeLines);
        WireTrace trace;
        s.link->setWireTrace(&trace);
        QVERIFY(trace.start(s.dir.path()));
        QTRY_VERIFY_WITH_TIMEOUT(!s.port->wholeLines, 2000);
        trace.stop();
        QTRY_VERIFY_WITH_TIMEOUT(s.port->wholeLines, 2000);

        s.link->Disconnetti();
        QVERIFY(trace.start(s.dir.path()));
        s.link->Connetti();
        QVERIFY(s.port && s.port->isOpen() && !s.port->wholeLines);
        s.link->setWireTrace(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestLinkReceive)
#include "tst_linkreceive.moc"
