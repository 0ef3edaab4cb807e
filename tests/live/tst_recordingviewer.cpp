#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

#include "app/textids.h"
#include "app/texts.h"
#include "live/viewer/recordingplot.h"
#include "live/viewer/recordingviewer.h"
#include "recordingfiles.h"
#include "support/files.h"
#include "support/scriptedsink.h"

namespace {

constexpr int kLingua = 1;

// A drive as the recorder writes it: lambda swinging, optionally with a spike of a single sample, engine speed,
// pressures, a running state and the fuel changing. `continueAt` > 0 stops there and continues the same file.
bool writeDrive(RecorderRig &rig, int samples, int continueAt = 0, double lambdaBias = 0, int spikeAt = -1)
{
    if (!rig.recorder.start(rig.path, false))
        return false;
    LiveRecord &rec = rig.live.LiveSample[0];
    for (int i = 0; i < samples; ++i) {
        if (i > 0 && i == continueAt && !(rig.recorder.stop() && rig.recorder.start(rig.path, true)))
            return false;
        const double t = i / 5.0;
        for (int k = 0; k < 15; ++k)
            rec.Field[k] = RightIn8(QString::number(qRound(1000 + 300 * std::sin(t / (5 + k)))));
        rec.Field[2] = RightIn8(QString::number(qRound(600 + 300 * std::sin(t / 3))));
        rec.Field[4] = RightIn8(QString::number(qRound(lambdaBias + 450 + 350 * std::sin(t * 1.7))));
        if (i == spikeAt)
            rec.Field[4] = RightIn8("4999");
        rec.Field[5] = QString::number(6000 + (i / 40) % 3);
        rec.Field[9] = RightIn8(QString::number(qRound(2000 + 1500 * std::sin(t / 20))));
        rec.Field[14] = (i / 100) % 2 ? QStringLiteral("G") : QStringLiteral("B");
        PostProcessLiveRecord(rec, kLingua);
        rig.recorder.addSample();
    }
    return rig.recorder.stop();
}

void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers mods = {})
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button, held, mods);
    QApplication::sendEvent(w, &e);
}

void drag(QWidget *w, QPoint from, QPoint to, Qt::MouseButton button, Qt::KeyboardModifiers mods = {})
{
    mouse(w, QEvent::MouseButtonPress, from, button, mods);
    mouse(w, QEvent::MouseMove, (from + to) / 2, button, mods);
    mouse(w, QEvent::MouseMove, to, button, mods);
    mouse(w, QEvent::MouseButtonRelease, to, button, mods);
}

void wheel(QWidget *w, QPoint pos, int delta)
{
    QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(w, &e);
}

struct ViewerRig {
    RecorderRig drive{kLingua};
    FrameState frame;
    ScriptedSink sink;
    RecordingViewer viewer{frame, &sink};
    RecordingPlot *plot = viewer.plot();
    QStringList chosen;   // answers of the file dialogs, in turn

    ViewerRig()
    {
        frame.LinguaCorrente = kLingua;
        viewer.setFileChooser([this](bool, const QString &, const QString &, const QString &) {
            return chosen.isEmpty() ? QString() : chosen.takeFirst();
        });
        viewer.resize(1200, 800);
        viewer.show();
    }
    // Records a drive (see writeDrive) and opens it.
    bool open(int samples, int continueAt = 0, double lambdaBias = 0, int spikeAt = -1)
    {
        return writeDrive(drive, samples, continueAt, lambdaBias, spikeAt) && viewer.openFile(drive.path);
    }
    QString cell(int row, int col) const
    {
        const QTableWidgetItem *item = viewer.cursorTable()->item(row, col);
        return item ? item->text() : QString();
    }
};

}   // namespace

class TestRecordingViewer : public QObject {
    Q_OBJECT
private slots:
    // Clicks set the cursors; the table shows each channel's cell exactly as the
    // file holds it, the difference of numbers and the time between.
    void cursors_showTheFileCells()
    {
        ViewerRig rig;
        QVERIFY(rig.open(600, 400));
        const RecordingReader &rec = rig.viewer.recording();
        QCOMPARE(rec.sampleCount(), 600);
        QCOMPARE(rig.plot->view().count(), 600);
        QCOMPARE(rig.plot->shownPaneCount(), 3);
        QVERIFY(rig.viewer.windowTitle().contains(QLatin1String("REC.DAT")));

        const int r1 = 123, r2 = 457;   // the second after the continuation
        QTest::mouseClick(rig.plot, Qt::LeftButton, {}, QPoint(int(rig.plot->xOfRow(r1)), 100));
        QTest::mouseClick(rig.plot, Qt::LeftButton, Qt::ControlModifier, QPoint(int(rig.plot->xOfRow(r2)), 100));
        QCOMPARE(rig.plot->cursor(0), r1);
        QCOMPARE(rig.plot->cursor(1), r2);
        QCOMPARE(rig.cell(0, 2), QString::number(rec.sampleNumber(r1)));
        QCOMPARE(rig.cell(0, 3), QString::number(rec.sampleNumber(r2)));
        for (int ch = 0; ch < rec.channelCount(); ++ch) {
            QCOMPARE(rig.cell(ch + 1, 0), rec.channelName(ch));
            QCOMPARE(rig.cell(ch + 1, 2), rec.cellText(ch, r1));
            QCOMPARE(rig.cell(ch + 1, 3), rec.cellText(ch, r2));
            if (rec.isNumeric(ch))
                QCOMPARE(rig.cell(ch + 1, 4).toDouble(), rec.value(ch, r2) - rec.value(ch, r1));
            else
                QVERIFY(rig.cell(ch + 1, 4).isEmpty());
        }
        QVERIFY(!rec.cellText(5, r1).isEmpty() && !rec.cellText(14, r2).isEmpty());   // names, not blanks
        QCOMPARE(rig.viewer.cursorTime()->text(), Testo(rig.frame.id(TextId::ViewerCursorTime)).arg("1:06.8"));
        QVERIFY(rig.sink.texts.isEmpty());
    }

    // The wheel zooms around the pointer, dragging pans, Shift+drag and a
    // right-button drag zoom to the band, Home shows the whole drive again.
    void mouse_zoomsPansAndShowsAll()
    {
        ViewerRig rig;
        QVERIFY(rig.open(5000));
        RecordingPlot *plot = rig.plot;
        const QRect r = plot->plotRect();
        const QPoint at(r.left() + r.width() * 2 / 3, r.center().y());
        const int under = plot->rowAtX(at.x());
        for (int i = 0; i < 4; ++i)
            wheel(plot, at, 120);
        QVERIFY(plot->view().count() < 5000 / 2);
        QCOMPARE(plot->rowAtX(at.x()), under);
        wheel(plot, at, -120);
        QCOMPARE(plot->rowAtX(at.x()), under);

        const int first = plot->view().first(), count = plot->view().count();
        drag(plot, at, at + QPoint(r.width() / 4, 0), Qt::LeftButton);
        QCOMPARE(plot->view().count(), count);
        QCOMPARE(plot->view().first(), first - qRound(double(r.width() / 4) * count / r.width()));
        QCOMPARE(plot->cursor(0), -1);   // a drag is no click

        for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
            plot->showAll();
            const int a = plot->rowAtX(r.left() + 100), b = plot->rowAtX(r.left() + 300);
            drag(plot, QPoint(r.left() + 300, 50), QPoint(r.left() + 100, 50), button,
                 button == Qt::LeftButton ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(plot->view().first(), a);
            QCOMPARE(plot->view().last(), b);
        }
        plot->setFocus();
        QTest::keyClick(plot, Qt::Key_Home);
        QCOMPARE(plot->view().first(), 0);
        QCOMPARE(plot->view().count(), 5000);
        // From the side table too, through the window's shortcut.
        plot->view().setRange(100, 199);
        QApplication::setActiveWindow(&rig.viewer);
        rig.viewer.cursorTable()->setFocus();
        QTest::keyClick(rig.viewer.cursorTable(), Qt::Key_Home);
        QCOMPARE(plot->view().count(), 5000);
    }

    // Zoomed out over a long drive, a one-sample lambda spike still reaches the
    // top of the lambda pane: every column draws its rows' highest value.
    void zoomedOut_keepsASingleSamplePeak()
    {
        ViewerRig rig;
        QVERIFY(rig.open(20000, 0, 0, 12345));
        RecordingPlot *plot = rig.plot;
        QCOMPARE(plot->paneChannels(0), QList<int>{4});
        const YScale s = plot->paneScale(0);
        QVERIFY(s.max > 4999 && s.max < 5300);
        const QImage image = plot->grab().toImage();
        const QRect r = plot->plotRect();
        const QColor lambda = RecordingPlot::channelColour(4);
        // Highest pixel of the lambda colour within a column, around x.
        auto top = [&](int x) {
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int dx = -1; dx <= 1; ++dx) {
                    const QColor c = image.pixelColor(x + dx, y);
                    if (qAbs(c.red() - lambda.red()) < 40 && qAbs(c.green() - lambda.green()) < 40
                        && qAbs(c.blue() - lambda.blue()) < 40)
                        return y;
                }
            return r.bottom();
        };
        const int x = int(plot->xOfRow(12345));
        QVERIFY2(top(x) < top(x - 30) - 50, qPrintable(QStringLiteral("%1 %2").arg(top(x)).arg(top(x - 30))));
    }

    // An earlier drive laid over: its values count for the automatic scale, it
    // aligns at the start or under cursor 1, and the note names it.
    void overlay_isShownAndAligned()
    {
        RecorderRig earlier(kLingua);
        QVERIFY(writeDrive(earlier, 500, 0, 2000));   // lambda 2000 mV above the drive
        ViewerRig rig;
        QVERIFY(rig.open(800));
        const double before = rig.plot->paneScale(0).max;
        const QImage alone = rig.plot->grab().toImage();
        rig.chosen << earlier.path;
        rig.viewer.chooseOverlay();
        QVERIFY(rig.plot->overlay());
        QCOMPARE(rig.plot->overlay()->sampleCount(), 500);
        QVERIFY(rig.plot->paneScale(0).max > before + 1500 && rig.plot->grab().toImage() != alone);
        const RecordingReader &rec = rig.viewer.recording();
        const QString note = Testo(rig.frame.id(TextId::ViewerOverlayNote));
        QVERIFY(rig.viewer.note()->text().contains(note.arg("REC.DAT", QString::number(rec.sampleNumber(0)))));

        QTest::mouseClick(rig.plot, Qt::LeftButton, {}, QPoint(int(rig.plot->xOfRow(300)), 100));
        rig.viewer.alignOverlayAtCursor();
        QCOMPARE(rig.plot->overlayOffset(), 300);
        QVERIFY(rig.viewer.note()->text().contains(note.arg("REC.DAT", QString::number(rec.sampleNumber(300)))));
        // Zoomed on rows before the overlay starts, only the drive counts again.
        rig.plot->view().setRange(0, 250);
        QVERIFY(rig.plot->paneScale(0).max < before + 100);
        rig.viewer.alignOverlay(0);
        QVERIFY(rig.plot->paneScale(0).max > before + 1500);
        rig.viewer.removeOverlay();
        QVERIFY(!rig.plot->overlay());
    }

    // Typed limits replace the automatic ones; switching back follows the data.
    void typedScale_holdsUntilAutoAgain()
    {
        ViewerRig rig;
        QVERIFY(rig.open(300));
        const YScale automatic = rig.plot->paneScale(1);
        rig.viewer.autoScaleBox(1)->setChecked(false);
        rig.viewer.minBox(1)->setValue(0);
        rig.viewer.maxBox(1)->setValue(8000);
        QCOMPARE(rig.plot->paneScale(1).min, 0.0);
        QCOMPARE(rig.plot->paneScale(1).max, 8000.0);
        rig.plot->view().setRange(10, 40);
        QCOMPARE(rig.plot->paneScale(1).max, 8000.0);
        rig.plot->showAll();
        rig.viewer.autoScaleBox(1)->setChecked(true);
        QCOMPARE(rig.plot->paneScale(1).max, automatic.max);
    }

    // CSV through the window: the whole drive or the rows shown, in the
    // language's format or plain; the picture is the plot as shown.
    void export_writesTheFiles()
    {
        ViewerRig rig;
        QVERIFY(rig.open(700, 500));
        QTemporaryDir out;
        auto lines = [](const QString &path) { return ReadFile(path).split('\n'); };
        rig.chosen << out.filePath("all.csv");
        rig.viewer.chooseCsvExport(false);
        QList<QByteArray> all = lines(out.filePath("all.csv"));
        QCOMPARE(all.size(), 1 + 700 + 1);   // header, samples, the empty rest after the last CR LF
        QVERIFY(all[1].contains(';'));

        rig.plot->view().setRange(480, 529);
        rig.viewer.setPlainCsv(true);
        rig.chosen << out.filePath("part.csv");
        rig.viewer.chooseCsvExport(true);
        const QList<QByteArray> part = lines(out.filePath("part.csv"));
        QCOMPARE(part.size(), 1 + 50 + 1);
        QVERIFY(!part[1].contains(';') && part[1].contains(','));
        QVERIFY(part[1].startsWith(QByteArray::number(rig.viewer.recording().sampleNumber(480)) + ','));

        rig.chosen << out.filePath("view.png");
        rig.viewer.choosePngExport();
        const QImage png(out.filePath("view.png"));
        QVERIFY(!png.isNull());
        QCOMPARE(png.size(), rig.plot->size() * rig.plot->devicePixelRatio());

        QVERIFY(rig.sink.texts.isEmpty());
        QVERIFY(!rig.viewer.exportCsv(out.filePath("missing/folder/x.csv"), false));
        QCOMPARE(rig.sink.texts.size(), 1);
        QCOMPARE(rig.sink.titles.value(0), Testo(rig.frame.id(TextId::TitleError)));
    }

    // What cannot be shown is said and leaves the shown recording alone; damaged lines are passed over with a note.
    void badFiles_areToldNotShown()
    {
        ViewerRig rig;
        QVERIFY(rig.open(200));
        QTemporaryDir dir;
        const QString garbage = dir.filePath("NOTES.DAT");
        QVERIFY(WriteFile(garbage, "shopping list\r\nbread\r\n"));
        QVERIFY(!rig.viewer.openFile(dir.filePath("GONE.DAT")));
        QVERIFY(!rig.viewer.openFile(garbage));
        QCOMPARE(rig.sink.texts,
                 (QStringList{Testo(rig.frame.id(TextId::ViewerCannotRead)).arg(dir.filePath("GONE.DAT")),
                              Testo(rig.frame.id(TextId::ViewerNotARecording)).arg(garbage)}));
        QCOMPARE(rig.viewer.filePath(), rig.drive.path);
        QCOMPARE(rig.plot->view().total(), 200);

        QFile f(rig.drive.path);
        QVERIFY(f.open(QIODevice::Append) && f.write("torn line\r\n" + dataLine(999) + "x;y\r\n") > 0);
        f.close();
        QVERIFY(rig.viewer.openFile(rig.drive.path));
        QCOMPARE(rig.viewer.recording().sampleCount(), 201);
        QVERIFY(rig.viewer.note()->text().contains(Testo(rig.frame.id(TextId::ViewerSkippedLines)).arg(2)));
    }
};

QTEST_MAIN(TestRecordingViewer)
#include "tst_recordingviewer.moc"
