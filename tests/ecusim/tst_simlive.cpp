#include <QtTest>

#include "ecusim/simtestutil.h"
#include "tools/ecusim/simtransport.h"

using namespace simtest;

class SimLiveTest : public QObject {
    Q_OBJECT
private slots:
    // A driven minute: fixed layout, every field in its range, the fuel turning
    // to gas once warm and never back, every running state met.
    void aMinute_framesWellFormedFuelSwitchesAndStatesPass()
    {
        Simulator sim;
        runLive(sim, 60);
        const QList<QByteArray> live = frames(sim.takeOutput());
        QCOMPARE(live.size(), 600);
        const int low[13] = {1000, 900, 150, 15, 100, 6000, 700, 0, 0, 600, 0, 0, 0};
        const int high[13] = {2500, 1200, 1050, 90, 900, 6010, 4500, 100, 10000, 4400, 100, 1000, 100};
        QSet<QByteArray> codes;
        QSet<int> states;
        int previousTemp = 0, previousState = 0;
        bool onGas = false, exitAfterCutOff = false;
        for (const QByteArray &f : live) {
            QCOMPARE(f.size(), 131);
            QVERIFY(f.startsWith('D') && f.endsWith("\r\n"));
            QVERIFY(f.indexOf('R') < 0 && f.indexOf('F') < 0 && f.indexOf('D', 1) < 0);
            int v[13];
            for (int k = 0; k < 13; ++k) {
                QCOMPARE(f[10 + 9 * k], ';');
                bool ok = false;
                v[k] = f.mid(2 + 9 * k, 8).trimmed().toInt(&ok);
                QVERIFY2(ok && v[k] >= low[k] && v[k] <= high[k],
                         qPrintable(QStringLiteral("field %1: %2").arg(k).arg(v[k])));
            }
            QCOMPARE(f.mid(119, 8).trimmed().toDouble(), 1.0);
            codes.insert(f.mid(1, 1));
            states.insert(v[5]);
            if (v[5] == 6005)
                QVERIFY(v[8] == 0 && v[6] < 800);   // no injection in cut-off, throttle released
            exitAfterCutOff |= previousState == 6005 && v[5] == 6006;
            QVERIFY(v[3] >= previousTemp);
            onGas |= f[128] == 'G';
            QCOMPARE(f[128], onGas ? 'G' : 'B');
            if (!onGas)
                QVERIFY(v[3] <= 36 && v[11] == 0);   // gas injectors idle on petrol
            previousTemp = v[3];
            previousState = v[5];
        }
        QVERIFY(onGas);
        QVERIFY(exitAfterCutOff);
        QCOMPARE(codes, (QSet<QByteArray>{"B", "C", "T"}));
        for (int s = 6000; s <= 6008; ++s)
            QVERIFY2(states.contains(s), qPrintable(QString::number(s)));
    }

    // Replies never arrive inside write(). Paced, 5 characters out and 61 back at
    // 10 bits each take 68.75 ms at 9600 baud, split pieces each with their signal.
    void reply_arrivesLaterAndPacedAtTheLineSpeed_data()
    {
        QTest::addColumn<bool>("paced");
        QTest::newRow("at once") << false;
        QTest::newRow("paced, in pieces") << true;
    }
    void reply_arrivesLaterAndPacedAtTheLineSpeed()
    {
        QFETCH(bool, paced);
        SimConfig config;
        config.paced = paced;
        if (paced)
            config.addFault(QStringLiteral("split"));
        SimTransport t(config);
        QByteArray got;
        int events = 0;
        connect(&t, &Transport::readyRead, this, [&] {
            ++events;
            got += t.readAll();
        });
        PortSettings port;
        port.device = QStringLiteral("SIMULATORE");
        port.baud = 9600;
        QVERIFY(t.open(port, nullptr));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(t.write(line("MUB")));
        QCOMPARE(events, 0);
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 61, 2000);
        QVERIFY2(clock.elapsed() >= (paced ? 66 : 0) && clock.elapsed() < 400,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY(events >= (paced ? 2 : 1));
        QCOMPARE(got, t.sim().identification());
        QVERIFY(checksumOk(got));
    }

    // A USB adapter hands over what has come every few ms, a plain UART each
    // character: the same bytes in the same order, none before its time on the
    // wire, none held back a whole chunk.
    void chunks_carryTheBytesOfCharacterDelivery()
    {
        struct Delivery {
            QByteArray bytes;
            QList<qint64> arrivedMs;   // one per byte
            QList<qint64> pieceMs;     // one per transmit()
        };
        const auto deliver = [](int chunkMs) {
            SimEndpoint ecu{SimConfig{}};
            ecu.setBaud(19200);
            ecu.setChunkMs(chunkMs);
            ecu.setManualClock(true);
            ecu.start();
            Delivery d;
            qint64 now = 0;
            QObject::connect(&ecu, &SimEndpoint::transmit, [&](const QByteArray &bytes) {
                d.bytes += bytes;
                d.arrivedMs.append(QList<qint64>(bytes.size(), now));
                d.pieceMs << now;
            });
            ecu.receive(mga(ecu.sim().liveStartAddress(), "000001"));
            for (now = 1; now <= 2000; ++now) {
                ecu.advance(1);
                QCoreApplication::processEvents();
            }
            return d;
        };
        const Delivery uart = deliver(0);
        const Delivery usb = deliver(16);
        QVERIFY2(frames(uart.bytes).size() >= 15, qPrintable(QString::number(uart.bytes.size())));
        // At the end the adapter may still hold what less than one chunk brought.
        const qsizetype charactersPerChunk = 19200 / 10 * 16 / 1000 + 1;
        QVERIFY(uart.bytes.size() - usb.bytes.size() <= charactersPerChunk);
        QCOMPARE(usb.bytes, uart.bytes.left(usb.bytes.size()));
        for (qsizetype i = 0; i < usb.bytes.size(); ++i) {
            const qint64 late = usb.arrivedMs[i] - uart.arrivedMs[i];
            QVERIFY2(late >= 0 && late < 16, qPrintable(QStringLiteral("byte %1: %2 ms").arg(i).arg(late)));
        }
        for (qint64 at : usb.pieceMs)
            QCOMPARE(at % 16, 0);
        QVERIFY(uart.pieceMs.size() > 2 * usb.pieceMs.size());
    }
};

QTEST_GUILESS_MAIN(SimLiveTest)
#include "tst_simlive.moc"
