// Whole write flows against the in-process simulated ECU, whose memory outlives a
// connection: what the program sends must be what the ECU holds at the next read.
#include <QtTest>

#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"
#include "link/imagebackup.h"
#include "link/imagefile.h"
#include "link/imagerestore.h"
#include "mapeditor/mapoperations.h"
#include "mapeditor/pagevalues.h"
#include "support/linkrig.h"

namespace {

enum Flow { ApplyF8, StoreF9, StoreMapping };

struct SimRig : SimLinkRig {
    int blocksBeforePull = -1;   // pulls the cable after this many image blocks

    explicit SimRig(const QString &fault = {}) : SimLinkRig(fault, LinkTiming{20, 1500, 1200, 800})
    {
        config.memory = std::make_shared<QVector<int>>();
        QObject::connect(link.get(), &Link::sent, link.get(), [this](const QByteArray &line) {
            if (line.startsWith("MZ") && blocksBeforePull >= 0 && blocksBeforePull-- == 0)
                ecu->pullCable(QStringLiteral("cable pulled"));
        });
    }
    ~SimRig() { dropLink(); }
    int memory(int record) const { return config.memory->value(record - 1); }
    double read(const char *file, int record) const
    {
        ImageFile f(this->file(file));
        double v = -99999;
        return f.open() && f.readValue(record, &v) ? v : -99999;
    }
    bool start(Flow flow)
    {
        MapEditorState &s = map.edit();
        switch (flow) {
        case ApplyF8: s.SwitchValue = {30, 60, 20, 25, -5}; return mapOps->apply(kPageSwitchover, kModifiedValues);
        case StoreF9:
            s.CutValue[0] = 2500, s.CutValue[1] = 80, s.CutValue[2] = 150;
            return mapOps->storePage(kPageCutOff, kModifiedValues);
        case StoreMapping:
            s.DeltaFlow[2] = 130, s.DeltaFlow[3] = 90;
            s.PageModified[0] = true;
            return mapOps->storeMapping();
        }
        return false;
    }
};

}   // namespace

class TestMapSending : public QObject {
    Q_OBJECT
private slots:
    void flow_leavesTheEcuHoldingWhatWasSent_data()
    {
        QTest::addColumn<int>("flow");
        QTest::newRow("apply F8") << int(ApplyF8);
        QTest::newRow("store page F9") << int(StoreF9);
        QTest::newRow("store mapping") << int(StoreMapping);
    }
    void flow_leavesTheEcuHoldingWhatWasSent()
    {
        QFETCH(int, flow);
        SimRig r;
        QVERIFY(r.connectToReady());
        const QVector<int> before = *r.config.memory;
        QSignalSpy finished(r.link.get(), &Link::operationFinished);
        QSignalSpy whitened(r.mapOps.get(), &MapOperations::valueBoxesSent);
        QVERIFY(r.start(Flow(flow)));
        const QList<SlotWrite> sent =
            flow == StoreMapping ? QList<SlotWrite>{} : PageValuesToSend(r.map.state(), flow == ApplyF8 ? 2 : 3, 0, 0);
        QVERIFY(waitWhileTalking(*r.link, [&] { return finished.size() == 1; }));
        QCOMPARE(finished[0][1].toBool(), true);
        QVERIFY(r.ui.messages.isEmpty());
        QCOMPARE(whitened.size(), flow == StoreMapping ? 0 : 1);

        for (const SlotWrite &w : sent)
            QCOMPARE(r.memory(w.record), int(std::lround(w.value)));
        // A whole image programmed: the ECU holds LETTURA.PRG record for record.
        if (flow != ApplyF8)
            for (int n = 1; n <= r.config.memory->size(); ++n)
                QCOMPARE(double(r.memory(n)), r.read("LETTURA.PRG", n));
        if (flow == StoreMapping) {
            QVERIFY(!r.map.state().PageModified[0]);
            QCOMPARE(r.map.state().DeltaFlowInitial[2], 130.0);
            QVERIFY(r.memory(1336) != before[1335]);   // table 1 at DC-IN 40 %: the rebuild really changed it
        }

        // The backup holds the ECU as it was before the first write.
        const QString backup = r.link->backupPath();
        ImageFile b(backup);
        QVERIFY(b.open());
        for (int n : {3, 1336, 2683, 2689}) {
            double v = 0;
            QVERIFY(b.readValue(n, &v));
            QCOMPARE(int(v), before[n - 1]);
        }

        // Read back at the next connection.
        const QVector<int> after = *r.config.memory;
        r.link->Disconnetti();
        QVERIFY(r.connectToReady());
        for (int n = 1; n <= after.size(); ++n)
            if (!ImageRestore::recordsWrittenAfterRead().contains(n) && n != 2828)
                QCOMPARE(r.read("LETTURAN.PRG", n), double(after[n - 1]));
        QVERIFY(r.link->backupPath().isEmpty());   // a new connection takes its own before writing
    }

    // Each way a write ends is in tst_session; these are the ones that need a whole ECU.
    void failure_saysTheEcuMayBeHalfWritten_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("flow");
        QTest::addColumn<int>("label");   // the wait dialog's last text, 0 when it shows none
        QTest::addColumn<bool>("open");
        QTest::newRow("block refused twice") << "reject-block=2:2" << int(StoreMapping) << 208 << true;
        QTest::newRow("silent on a map block") << "no-reply=MZ" << int(StoreMapping) << 207 << false;
        QTest::newRow("silent on a stored value") << "no-reply=MGA" << int(StoreF9) << 0 << false;
        QTest::newRow("cable pulled mid-image") << "pull" << int(StoreMapping) << 0 << false;
    }
    void failure_saysTheEcuMayBeHalfWritten()
    {
        QFETCH(QString, fault);
        QFETCH(int, flow);
        QFETCH(int, label);
        QFETCH(bool, open);
        const bool pull = fault == QLatin1String("pull");
        SimRig r(pull ? QString() : fault);
        QVERIFY(r.connectToReady());
        if (pull)
            r.blocksBeforePull = 3;
        QSignalSpy finished(r.link.get(), &Link::operationFinished);
        r.ui.clear();
        QVERIFY(r.start(Flow(flow)));
        if (flow == StoreMapping)
            QCOMPARE(r.ui.waitCaption + r.ui.waitLabel, TestoL(205, 4) + TestoL(206, 4));
        QVERIFY(waitWhileTalking(*r.link, [&] { return finished.size() == 1; }) && !finished[0][1].toBool());
        QCOMPARE(r.link->portOpen(), open);
        if (label)
            QCOMPARE(r.ui.waitLabel, TestoL(label, 4));
        const QString backup = r.link->backupPath();
        QVERIFY(QFile::exists(backup));
        QStringList texts;
        for (const auto &m : r.ui.messages)
            texts << m.text;
        const QString partial = TestoL(TextId::MayHoldPartialImage, 4).arg(backup);
        QVERIFY(texts.contains(partial));
        if (pull)
            QCOMPARE(texts.first(), TestoL(TextId::LinkLost, 4));
        if (open) {   // the link stays up and live data resume
            QVERIFY(r.link->TimeOutDati().isActive());
            QCOMPARE(r.link->state().StatoSessione, qint16(kSessionIdle));
        }
    }

    void restore_putsTheSavedImageBackAndChecksIt()
    {
        SimRig r;
        QVERIFY(r.connectToReady());
        const QVector<int> original = *r.config.memory;
        QSignalSpy finished(r.link.get(), &Link::operationFinished);
        QVERIFY(r.start(StoreMapping) && waitWhileTalking(*r.link, [&] { return finished.size() == 1; }));
        QVERIFY(*r.config.memory != original);

        const QList<ImageBackup> backups = ListImageBackups(r.frame.PercorsoApp, r.link->state().Ident.Matricola);
        QCOMPARE(backups.size(), 1);
        QSignalSpy verified(r.restore.get(), &ImageRestore::verified);
        r.ui.clear();
        r.ui.answers = {kAnswerYes};
        QVERIFY(r.restore->start(backups[0]) && waitWhileTalking(*r.link, [&] { return verified.size() == 1; }));
        QCOMPARE(verified[0][0].toInt(), 0);
        QCOMPARE(r.ui.messages.last().text, TestoL(TextId::RestoreVerified, 4));
        for (int n = 1; n <= original.size(); ++n)
            if (!ImageRestore::recordsWrittenAfterRead().contains(n) && n != 2828)
                QCOMPARE(r.memory(n), original[n - 1]);
        // One connection, one backup: the image as first read is what was kept, and what came back.
        QCOMPARE(ListImageBackups(r.frame.PercorsoApp).size(), 1);
    }

    void restore_ofAnotherEcu_asksTwice_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("started");
        QTest::newRow("no to the first") << QList<int>{kAnswerNo} << 1 << false;
        QTest::newRow("no to the second") << QList<int>{kAnswerYes, kAnswerNo} << 2 << false;
        QTest::newRow("yes to both") << QList<int>{kAnswerYes, kAnswerYes} << 2 << true;
    }
    void restore_ofAnotherEcu_asksTwice()
    {
        QFETCH(QList<int>, answers);
        QFETCH(int, questions);
        QFETCH(bool, started);
        SimRig r;
        QVERIFY(r.connectToReady());
        const QString path = SaveImageBackup(r.frame.PercorsoApp, QStringLiteral("OTHER007"), r.file("LETTURAN.PRG"));
        QVERIFY(!path.isEmpty());
        r.ui.clear();
        r.ui.answers = answers;
        QCOMPARE(r.restore->start(ListImageBackups(r.frame.PercorsoApp).first()), started);
        QCOMPARE(r.ui.messages.size(), questions);
        QCOMPARE(r.ui.messages[0].flags, int(kQuestionYesNo));
        if (questions == 2) {
            QCOMPARE(r.ui.messages[1].flags, int(kWarningYesNo));
            QVERIFY(r.ui.messages[1].text.contains(QStringLiteral("OTHER007")));
        }
        QCOMPARE(r.link->operationRunning(), started);
    }
};

QTEST_MAIN(TestMapSending)
#include "tst_mapsending.moc"
