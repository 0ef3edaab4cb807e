// What support gets from a link: the log lines of its troubles and the wire trace.
#include <QtTest>

#include "app/log.h"
#include "app/profile.h"
#include "link/framing.h"
#include "link/link.h"
#include "link/wiretrace.h"
#include "support/ecuframes.h"
#include "support/faketransport.h"
#include "support/files.h"
#include "support/linkrig.h"

namespace {

// A port the system refuses, with the system's reason.
class RefusingTransport : public FakeTransport {
public:
    bool open(const PortSettings &, QString *error) override
    {
        *error = QStringLiteral("Permission denied");
        return false;
    }
};

// Inverse of PrintableBytes.
QByteArray unescape(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i] == '\\' && i + 1 < text.size() ? text[++i] : 0;
        if (c == 'x' && i + 2 < text.size())
            out += char(text.mid(i + 1, 2).toInt(nullptr, 16)), i += 2;
        else
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c ? c : text[i];
    }
    return out;
}

struct TraceLine {
    QDateTime when;
    QByteArray direction;
    QByteArray bytes;   // unescaped
};

// Every line of a trace file; fails the test on a line of another shape.
QList<TraceLine> parseTrace(const QByteArray &content)
{
    static const QRegularExpression shape("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}) (TX|RX|--) (.*)$");
    QList<TraceLine> out;
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QByteArray &line : std::as_const(lines)) {
        const QRegularExpressionMatch m = shape.match(QString::fromLatin1(line));
        if (!m.hasMatch()) {
            qWarning() << "not a trace line:" << line;
            return {};
        }
        out.append({QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                    m.captured(2).toLatin1(), unescape(m.captured(3).toLatin1())});
    }
    return out;
}

// A link on fakes with the log written into its application folder.
struct Rig : LinkRig {
    FakePorts ports;
    std::unique_ptr<LogFileHandler> log;

    Rig()
    {
        log = std::make_unique<LogFileHandler>(dir.path());
        makeLink(ports.factory(), LinkTiming{20, 200, 200, 200});
    }
    ~Rig() { dropLink(); }
    QString logText() const { return QString::fromUtf8(ReadFile(log->path())); }
};

}   // namespace

class TestLinkDiagnostics : public QObject {
    Q_OBJECT
private slots:
    void troubles_areLogged_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QStringList>("logged");   // in this order
        QTest::newRow("bad checksum, then no reply")
            << "checksum"
            << QStringList{"kalibron.link INFO port COM1 19200,N,8,1 opened",
                           "kalibron.session INFO session idle (-1) -> identifying (1)",
                           "kalibron.link WARNING frame dropped, bad or missing checksum: 61 bytes \"R8x0102",
                           "in state identifying (1)",
                           "kalibron.session WARNING reply watchdog TimeOutTx expired in state identifying (1)",
                           "kalibron.link INFO port closed; frames dropped: checksum R8 1",
                           "session identifying (1) -> idle (-1)"};
        QTest::newRow("replies nobody awaited, counted")
            << "unexpected"
            << QStringList{"kalibron.session INFO frame dropped, not expected: 4 bytes \"R5\\r\\n\" in state "
                           "identifying (1)",
                           "port closed; frames dropped: unexpected Fl 1, R5 3"};
        QTest::newRow("live data stop")
            << "live"
            << QStringList{"session final values (5) -> idle (-1)",
                           "kalibron.session WARNING live-data watchdog TimeOutDati expired in state idle (-1)",
                           "port closed"};
        QTest::newRow("port refused with the system's reason")
            << "refused" << QStringList{"kalibron.link WARNING port /dev/ttyS0 did not open: Permission denied"};
        QTest::newRow("cable pulled") << "lost" << QStringList{"kalibron.link WARNING port lost: cable pulled"};
    }
    void troubles_areLogged()
    {
        QFETCH(QString, trouble);
        QFETCH(QStringList, logged);
        Rig r;
        if (trouble == "refused") {
            r.makeLink([](const QString &) { return std::make_unique<RefusingTransport>(); });
            r.link->Connetti();
            QVERIFY(!r.link->portOpen());
        } else {
            r.link->Connetti();
            QVERIFY(r.link->portOpen());
        }
        FakeTransport *port = r.ports.last;
        if (trouble == "checksum") {
            QByteArray bad = R8();
            bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
            port->feed(bad);
            QTRY_VERIFY_WITH_TIMEOUT(!r.link->portOpen(), 3000);
        } else if (trouble == "unexpected") {
            port->feed("R5\r\nR5\r\nFl\r\nR5\r\n");
            r.link->Disconnetti();
        } else if (trouble == "live") {
            port->feed(R8() + Rz(0, 0, '0') + Rz(1, 30, '0') + Rz(94, 2820, '$'));
            port->feed(Rfn());
            QVERIFY(r.link->state().EcuReady);
            QTRY_VERIFY_WITH_TIMEOUT(!r.link->portOpen(), 3000);
        } else if (trouble == "lost") {
            port->loseConnection();
            QVERIFY(!r.link->portOpen());
        }
        const QString text = r.logText();
        qsizetype at = 0;
        for (const QString &fragment : logged) {
            const qsizetype found = text.indexOf(fragment, at);
            QVERIFY2(found >= 0, qPrintable(fragment + "\n--- after offset " + QString::number(at) + " of:\n" + text));
            at = found + fragment.size();
        }
        QCOMPARE(r.link->droppedFrames().total() > 0, trouble == "checksum" || trouble == "unexpected");
    }

    // Writes answered from inside the write (as a driver may) come after it in the trace.
    void trace_holdsBothDirectionsInOrder()
    {
        Rig r;
        r.ports.prepare = [](FakeTransport &port) {
            port.responder = [](FakeTransport &p, const QByteArray &written) {
                if (written.startsWith("MUB"))
                    p.feed(R8());
            };
        };
        r.makeLink(r.ports.factory(), LinkTiming{20, 200, 5000, 200});
        WireTrace trace;
        QVERIFY(trace.start(r.dir.path()));
        QVERIFY(trace.filePath().startsWith(QDir(r.dir.path()).filePath(QStringLiteral("LOG/trace-"))));
        r.link->setWireTrace(&trace);
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        r.link->Connetti();
        // The reply came inside the write: it is interpreted once the write is over.
        QTRY_COMPARE(r.ports.last->written.size(), 3);   // MUB, the live-data start, MU2
        QByteArray everyByte;
        for (int b = 0; b < 256; ++b)
            everyByte += char(b);
        r.ports.last->feed(everyByte);
        const QByteArrayList written = r.ports.last->written;
        r.link->Disconnetti();
        trace.stop();
        const QDateTime after = QDateTime::currentDateTime().addMSecs(1);

        const QList<TraceLine> lines = parseTrace(ReadFile(trace.filePath()));
        QVERIFY(!lines.isEmpty());
        // Lines of one direction in a row joined: what went each way, turn by turn.
        QList<QPair<QByteArray, QByteArray>> turns;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QVERIFY(lines[i].when.isValid() && lines[i].when >= before && lines[i].when <= after);
            QVERIFY(i == 0 || lines[i].when >= lines[i - 1].when);
            if (turns.isEmpty() || turns.last().first != lines[i].direction || lines[i].direction == "--")
                turns.append({lines[i].direction, lines[i].bytes});
            else
                turns.last().second += lines[i].bytes;
        }
        const QList<QPair<QByteArray, QByteArray>> expected{
            {"--", "port COM1 19200,N,8,1 opened"}, {"TX", "MUB\r\n"}, {"RX", R8()},
            {"TX", written[1] + written[2]},        {"RX", everyByte}, {"--", "port closed"}};
        QCOMPARE(turns, expected);
        QCOMPARE(lines.size(), 8);   // every TX line whole, the last RX piece cut after its LF
    }

    // When a line ends: LF, a turn of direction, a pause on the wire, or its length.
    void trace_joinsBytesIntoLines_data()
    {
        QTest::addColumn<QList<int>>("atMs");         // when each piece comes
        QTest::addColumn<QByteArrayList>("pieces");   // "<" received, ">" sent
        QTest::addColumn<QByteArrayList>("lines");    // "<ms> RX|TX bytes"
        QTest::newRow("a frame in pieces")
            << QList<int>{0, 1, 3} << QByteArrayList{"<R8", "<12", "<3\r\n"} << QByteArrayList{"0 RX R8123\\r\\n"};
        QTest::newRow("two frames in one piece") << QList<int>{5} << QByteArrayList{"<R5\r\nR6\r\nD"}
                                                 << QByteArrayList{"5 RX R5\\r\\n", "5 RX R6\\r\\n", "5 RX D"};
        QTest::newRow("the wire pauses") << QList<int>{0, 20, 41} << QByteArrayList{"<R", "<Z", "<0"}
                                         << QByteArrayList{"0 RX RZ", "41 RX 0"};
        QTest::newRow("the direction turns") << QList<int>{0, 1, 2} << QByteArrayList{"<R", ">MUB\r\n", "<8"}
                                             << QByteArrayList{"0 RX R", "1 TX MUB\\r\\n", "2 RX 8"};
        QTest::newRow("noise without LF")
            << QList<int>{0, 0} << QByteArrayList{"<" + QByteArray(WireTrace::kMaxLineChars, 'x'), "<yy"}
            << QByteArrayList{"0 RX " + QByteArray(WireTrace::kMaxLineChars, 'x'), "0 RX yy"};
    }
    void trace_joinsBytesIntoLines()
    {
        QFETCH(QList<int>, atMs);
        QFETCH(QByteArrayList, pieces);
        QTemporaryDir dir;
        const QDateTime t0(QDate(2025, 3, 1), QTime(14, 3, 12, 0));
        int now = 0;
        WireTrace trace;
        trace.setClock([&] { return t0.addMSecs(now); });
        QVERIFY(trace.start(dir.path()));
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            now = atMs[i];
            if (pieces[i].startsWith('<'))
                trace.received(pieces[i].mid(1));
            else
                trace.sent(pieces[i].mid(1));
        }
        trace.stop();
        QByteArrayList got = ReadFile(trace.filePath()).split('\n');
        QCOMPARE(got.takeLast(), QByteArray());
        for (QByteArray &line : got) {
            const QDateTime when = QDateTime::fromString(QString::fromLatin1(line.left(23)), "yyyy-MM-dd HH:mm:ss.zzz");
            line = QByteArray::number(t0.msecsTo(when)) + line.mid(23);
        }
        QTEST(got, "lines");
    }

    void trace_stopsAtItsBound_data()
    {
        QTest::addColumn<qint64>("bound");
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("reached");
        QTest::newRow("well within") << qint64(100000) << 50 << false;
        QTest::newRow("a few lines") << qint64(400) << 50 << true;
        QTest::newRow("a block and more") << qint64(WireTrace::kBlockBytes + 5000) << 3000 << true;
    }
    void trace_stopsAtItsBound()
    {
        QFETCH(qint64, bound);
        QFETCH(int, records);
        QFETCH(bool, reached);
        QTemporaryDir dir;
        WireTrace trace;
        QVERIFY(trace.start(dir.path(), bound));
        const QByteArray record = "RZ" + QByteArray(30, '7') + "\r\n";
        for (int i = 0; i < records; ++i) {
            if (i % 2)
                trace.sent(record);
            else
                trace.received(record);
        }
        QCOMPARE(trace.boundReached(), reached);
        trace.flush();
        const qint64 size = QFileInfo(trace.filePath()).size();
        trace.sent(record);   // past the bound nothing more goes in
        trace.note(QStringLiteral("port closed"));
        trace.stop();
        const QByteArray content = ReadFile(trace.filePath());
        QVERIFY(content.size() <= bound);
        const QList<TraceLine> lines = parseTrace(content);
        QVERIFY(!lines.isEmpty());
        if (reached) {
            QCOMPARE(content.size(), size);
            QCOMPARE(lines.last().direction, QByteArray("--"));
            QCOMPARE(lines.last().bytes,
                     "trace bound of " + QByteArray::number(bound) + " bytes reached: nothing more is recorded");
            QVERIFY(content.size() > bound - 2 * (record.size() + 40));   // it was filled, not cut short
        } else {
            QCOMPARE(lines.size(), records + 2);
            QCOMPARE(lines.last().bytes, QByteArray("port closed"));
        }
        for (qsizetype i = 0; i < qMin<qsizetype>(records, lines.size() - 1); ++i) {
            QCOMPARE(lines[i].direction, QByteArray(i % 2 ? "TX" : "RX"));
            QCOMPARE(lines[i].bytes, record);
        }
    }

    // The link must not wait on the disk: lines reach the file on the timer.
    void trace_writesInBlocksOnTheTimer()
    {
        QTemporaryDir dir;
        WireTrace trace;
        QVERIFY(trace.start(dir.path()));
        trace.sent("MUB\r\n");
        QCOMPARE(QFileInfo(trace.filePath()).size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(trace.filePath()).size() > 0, WireTrace::kFlushMs * 3);
    }

    void traceSwitch_opensANewFileEachTimeAndIsRemembered()
    {
        QTemporaryDir dir;
        FrameState frame;
        frame.PercorsoApp = dir.path();
        const QString ini = frame.file(QStringLiteral("KALIBRON.INI"));
        QVERIFY(!TraceSwitchedOn(frame));
        WireTrace trace;
        trace.setClock([] { return QDateTime(QDate(2025, 3, 1), QTime(14, 3, 12, 345)); });

        QVERIFY(SwitchWireTrace(trace, frame, true));
        const QString first = trace.filePath();
        QCOMPARE(QFileInfo(first).fileName(), QStringLiteral("trace-20250301-140312.txt"));
        QCOMPARE(Profile::read(ini, "IMPOSTAZIONI", "TracciaSeriale", "?"), QStringLiteral("1"));
        QVERIFY(TraceSwitchedOn(frame));
        trace.sent("MUB\r\n");

        QVERIFY(!SwitchWireTrace(trace, frame, false) && !trace.isActive() && !TraceSwitchedOn(frame));
        QVERIFY(SwitchWireTrace(trace, frame, true));   // same second: a file of its own
        QCOMPARE(QFileInfo(trace.filePath()).fileName(), QStringLiteral("trace-20250301-140312-2.txt"));
        trace.stop();
        QVERIFY(ReadFile(first).endsWith(" TX MUB\\r\\n\n"));

        // A folder that cannot hold LOG: the switch stays off, and says so for the next start.
        QTemporaryDir other;
        QVERIFY(WriteFile(other.filePath("LOG"), {}));
        frame.PercorsoApp = other.path();
        QVERIFY(!SwitchWireTrace(trace, frame, true) && !trace.isActive() && !TraceSwitchedOn(frame));
    }
};

QTEST_MAIN(TestLinkDiagnostics)
#include "tst_linkdiagnostics.moc"
