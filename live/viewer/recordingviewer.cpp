#include "live/viewer/recordingviewer.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/textids.h"
#include "app/texts.h"
#include "live/recordingcsv.h"
#include "live/viewer/archivepicker.h"
#include "live/viewer/recordingplot.h"
#include "ui/common/dialogs.h"

namespace {

// Lambda first: where the mixture goes lean is what a recording is opened for;
// then engine speed, then the pressures.
const QList<QList<int>> kDefaultPanes = {{4}, {9}, {2, 0}};

int decimalsOf(const QString &cell)
{
    const qsizetype dot = cell.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(cell.size() - dot - 1);
}

QString withoutEllipsis(QString text)
{
    return text.remove(QChar(0x2026)).remove(QLatin1Char('&')).trimmed();
}

}   // namespace

RecordingViewer::RecordingViewer(FrameState &frame, MessageSink *messages, QWidget *parent)
    : QWidget(parent), m_frame(frame), m_messages(messages), m_rec(std::make_unique<RecordingReader>())
{
    setObjectName(QStringLiteral("RecordingViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (!m_messages) {
        m_ownSink = std::make_unique<DialogMessageSink>(frame, this);
        m_messages = m_ownSink.get();
    }

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ViewerToolbar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    buildToolbar(bar);
    // Home anywhere in the window, not only on the toolbar; text fields keep their own Home.
    addAction(m_home);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("ViewerNote"));
    m_note->setTextFormat(Qt::PlainText);

    m_plot = new RecordingPlot(this);
    m_plot->setLanguage(frame.LinguaCorrente);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_plot);
    split->addWidget(buildSidePanel());
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setCollapsible(0, false);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(4, 2, 4, 4);
    main->setSpacing(3);
    main->addWidget(bar);
    main->addWidget(m_note);
    main->addWidget(split, 1);

    connect(m_plot, &RecordingPlot::cursorsChanged, this, &RecordingViewer::updateTable);
    connect(m_plot, &RecordingPlot::viewChanged, this, &RecordingViewer::updateScaleFields);
    retranslate();
    resize(1180, 760);
}

RecordingViewer::~RecordingViewer()
{
    // The plot reads the recordings while it lives.
    m_plot->setOverlay(nullptr);
    m_plot->setRecording(nullptr);
}

QString RecordingViewer::text(int baseId) const
{
    return Testo(m_frame.id(baseId));
}

void RecordingViewer::buildToolbar(QToolBar *bar)
{
    auto menuButton = [&](const char *name) {
        auto *button = new QToolButton(bar);
        button->setObjectName(QLatin1String(name));
        button->setPopupMode(QToolButton::InstantPopup);
        button->setMenu(new QMenu(button));
        bar->addWidget(button);
        return button;
    };
    m_openButton = menuButton("ViewerOpen");
    m_openArchive = m_openButton->menu()->addAction(QString(), this, &RecordingViewer::openFromArchive);
    m_openFile = m_openButton->menu()->addAction(QString(), this, &RecordingViewer::chooseFile);

    m_overlayButton = menuButton("ViewerOverlay");
    QMenu *overlay = m_overlayButton->menu();
    m_overlayOpen = overlay->addAction(QString(), this, &RecordingViewer::chooseOverlay);
    overlay->addSeparator();
    m_alignStart = overlay->addAction(QString(), this, [this] { alignOverlay(0); });
    m_alignCursor = overlay->addAction(QString(), this, &RecordingViewer::alignOverlayAtCursor);
    m_overlayRemove = overlay->addAction(QString(), this, &RecordingViewer::removeOverlay);
    connect(overlay, &QMenu::aboutToShow, this, [this] {
        for (QAction *a : {m_alignStart, m_alignCursor, m_overlayRemove})
            a->setEnabled(m_overlayRec != nullptr);
        m_overlayOpen->setEnabled(m_rec->sampleCount() > 0);
    });

    m_exportButton = menuButton("ViewerExportCsv");
    QMenu *csv = m_exportButton->menu();
    m_exportWhole = csv->addAction(QString(), this, [this] { chooseCsvExport(false); });
    m_exportVisible = csv->addAction(QString(), this, [this] { chooseCsvExport(true); });
    csv->addSeparator();
    m_plainAction = csv->addAction(QString());
    m_plainAction->setCheckable(true);
    connect(m_plainAction, &QAction::toggled, this, [this](bool on) { m_plainCsv = on; });

    m_exportPng = bar->addAction(QString(), this, &RecordingViewer::choosePngExport);
    m_exportPng->setObjectName(QStringLiteral("ViewerExportPng"));
    bar->addSeparator();
    m_home = bar->addAction(QString(), this, [this] { m_plot->showAll(); });
    m_home->setObjectName(QStringLiteral("ViewerHome"));
    m_home->setShortcut(QKeySequence(Qt::Key_Home));
    m_home->setShortcutContext(Qt::WidgetWithChildrenShortcut);
}

QWidget *RecordingViewer::buildSidePanel()
{
    auto *panel = new QWidget(this);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 0, 0, 0);

    m_table = new QTableWidget(0, 5, panel);
    m_table->setObjectName(QStringLiteral("CursorTable"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    m_cursorTime = new QLabel(panel);
    m_cursorTime->setObjectName(QStringLiteral("CursorTime"));
    layout->addWidget(m_cursorTime);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    for (int i = 0; i < RecordingPlot::kMaxPanes; ++i) {
        PaneControls &c = m_panes[size_t(i)];
        m_paneTitles[size_t(i)] = new QLabel(panel);
        c.channels = new QToolButton(panel);
        c.channels->setObjectName(QStringLiteral("PaneChannels%1").arg(i + 1));
        c.channels->setPopupMode(QToolButton::InstantPopup);
        c.channels->setMenu(new QMenu(c.channels));
        c.channels->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        c.automatic = new QCheckBox(panel);
        c.automatic->setChecked(true);
        c.min = new QDoubleSpinBox(panel);
        c.max = new QDoubleSpinBox(panel);
        for (QDoubleSpinBox *box : {c.min, c.max}) {
            box->setRange(-1e7, 1e7);
            box->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("max -00000.00")) + 30);
            box->setDecimals(2);
            box->setEnabled(false);
            box->setKeyboardTracking(false);
            connect(box, &QDoubleSpinBox::valueChanged, this, [this, i] { applyScale(i); });
        }
        connect(c.automatic, &QCheckBox::toggled, this, [this, i] { applyScale(i); });
        const int row = i * 2;
        grid->addWidget(m_paneTitles[size_t(i)], row, 0);
        grid->addWidget(c.channels, row, 1, 1, 4);
        grid->addWidget(c.automatic, row + 1, 0, 1, 2);
        grid->addWidget(c.min, row + 1, 2);
        grid->addWidget(c.max, row + 1, 3);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    panel->setMinimumWidth(380);
    return panel;
}

void RecordingViewer::retranslate()
{
    const QString title = text(TextId::ViewerTitle);
    setWindowTitle(m_path.isEmpty() ? title : QStringLiteral("%1 - %2").arg(title, QFileInfo(m_path).fileName()));
    m_openButton->setText(withoutEllipsis(text(TextId::ViewerOpenFile)));
    m_openArchive->setText(text(TextId::ViewerOpenArchive));
    m_openFile->setText(text(TextId::ViewerOpenFile));
    m_overlayButton->setText(text(TextId::ViewerOverlay));
    m_overlayOpen->setText(text(TextId::ViewerOverlayOpen));
    m_alignStart->setText(text(TextId::ViewerAlignStart));
    m_alignCursor->setText(text(TextId::ViewerAlignCursor));
    m_overlayRemove->setText(text(TextId::ViewerOverlayRemove));
    m_exportButton->setText(text(TextId::ViewerExportCsv));
    m_exportWhole->setText(text(TextId::ViewerExportWhole));
    m_exportVisible->setText(text(TextId::ViewerExportVisible));
    m_plainAction->setText(text(TextId::ViewerPlainCsv));
    m_exportPng->setText(withoutEllipsis(text(TextId::ViewerExportPng)));
    m_home->setText(text(TextId::ViewerHome) + QStringLiteral(" (Home)"));
    m_table->setHorizontalHeaderLabels({text(TextId::ViewerChannel), text(TextId::ViewerUnit),
                                        text(TextId::ViewerCursor1), text(TextId::ViewerCursor2),
                                        text(TextId::ViewerDifference)});
    for (int i = 0; i < RecordingPlot::kMaxPanes; ++i) {
        m_paneTitles[size_t(i)]->setText(text(TextId::ViewerPane).arg(i + 1));
        m_panes[size_t(i)].automatic->setText(text(TextId::ViewerAutoScale));
        m_panes[size_t(i)].min->setPrefix(QStringLiteral("min "));
        m_panes[size_t(i)].max->setPrefix(QStringLiteral("max "));
    }
    m_plot->setAxisTitles(text(TextId::ViewerSampleAxis), text(TextId::ViewerTimeAxis));
    fillChannelMenus();
    updateTable();
    updateNote();
}

void RecordingViewer::fail(int textId, const QString &path)
{
    m_messages->beep();
    m_messages->showMessage(text(textId).arg(QDir::toNativeSeparators(path)), kErrorOk, text(TextId::TitleError),
                            kMessageCentred);
}

bool RecordingViewer::load(const QString &path, RecordingReader &into)
{
    switch (into.open(path, m_frame.LinguaCorrente)) {
    case RecordingReader::Error::None: break;
    case RecordingReader::Error::NotARecording: fail(TextId::ViewerNotARecording, path); return false;
    default: fail(TextId::ViewerCannotRead, path); return false;
    }
    if (into.sampleCount() == 0) {
        // A header without samples has nothing to show.
        fail(TextId::ViewerNotARecording, path);
        return false;
    }
    return true;
}

bool RecordingViewer::openFile(const QString &path)
{
    auto rec = std::make_unique<RecordingReader>();
    if (!load(path, *rec))
        return false;
    const bool first = m_rec->channelCount() == 0;
    m_plot->setRecording(nullptr);
    m_rec = std::move(rec);
    m_path = path;
    m_plot->setRecording(m_rec.get());
    if (first)
        chooseDefaultPanes();
    else
        for (int i = 0; i < RecordingPlot::kMaxPanes; ++i) {
            QList<int> kept;
            for (int ch : m_plot->paneChannels(i))
                if (ch < m_rec->channelCount() && m_rec->isNumeric(ch))
                    kept << ch;
            m_plot->setPaneChannels(i, kept);
        }
    retranslate();
    m_plot->setFocus(Qt::OtherFocusReason);
    return true;
}

void RecordingViewer::chooseDefaultPanes()
{
    int pane = 0;
    for (const QList<int> &channels : kDefaultPanes) {
        QList<int> usable;
        for (int ch : channels)
            if (ch < m_rec->channelCount() && m_rec->isNumeric(ch))
                usable << ch;
        if (!usable.isEmpty())
            m_plot->setPaneChannels(pane++, usable);
    }
    // A recording of other channels: its first numeric one.
    for (int ch = 0; pane == 0 && ch < m_rec->channelCount(); ++ch)
        if (m_rec->isNumeric(ch))
            m_plot->setPaneChannels(pane++, {ch});
}

bool RecordingViewer::openOverlay(const QString &path)
{
    if (m_rec->channelCount() == 0)
        return false;
    auto rec = std::make_unique<RecordingReader>();
    if (!load(path, *rec))
        return false;
    m_plot->setOverlay(nullptr);
    m_overlayRec = std::move(rec);
    m_overlayPath = path;
    m_plot->setOverlay(m_overlayRec.get());
    m_plot->setOverlayOffset(0);
    updateNote();
    return true;
}

void RecordingViewer::removeOverlay()
{
    m_plot->setOverlay(nullptr);
    m_overlayRec.reset();
    m_overlayPath.clear();
    updateNote();
}

void RecordingViewer::alignOverlay(int row)
{
    m_plot->setOverlayOffset(row);
    updateNote();
}

void RecordingViewer::alignOverlayAtCursor()
{
    alignOverlay(std::max(0, m_plot->cursor(0)));
}

void RecordingViewer::setPlainCsv(bool plain)
{
    m_plainCsv = plain;
    m_plainAction->setChecked(plain);
}

bool RecordingViewer::exportCsv(const QString &path, bool visibleOnly)
{
    if (m_rec->sampleCount() == 0)
        return false;
    const CsvFormat format = m_plainCsv ? CsvFormat::plain() : CsvFormat::forLanguage(m_frame.LinguaCorrente);
    const ViewRange &v = m_plot->view();
    const CsvError error = visibleOnly ? ExportRecordingCsv(*m_rec, path, format, v.first(), v.last())
                                       : ExportRecordingCsv(*m_rec, path, format);
    if (error != CsvError::None) {
        fail(TextId::ViewerExportFailed, path);
        return false;
    }
    return true;
}

bool RecordingViewer::exportPng(const QString &path)
{
    if (m_plot->grab().save(path, "PNG"))
        return true;
    fail(TextId::ViewerExportFailed, path);
    return false;
}

QString RecordingViewer::chooser(bool save, const QString &caption, const QString &folder, const QString &filter)
{
    if (m_chooseFile)
        return m_chooseFile(save, caption, folder, filter);
    return save ? QFileDialog::getSaveFileName(this, caption, folder, filter)
                : QFileDialog::getOpenFileName(this, caption, folder, filter);
}

void RecordingViewer::openFromArchive()
{
    ArchivePicker picker(m_frame, *m_messages, this);
    if (picker.exec() == QDialog::Accepted)
        openFile(picker.chosenPath());
}

void RecordingViewer::chooseFile()
{
    const QString folder = m_path.isEmpty() ? m_frame.file(QStringLiteral("DIR_DATI")) : QFileInfo(m_path).path();
    const QString path =
        chooser(false, withoutEllipsis(text(TextId::ViewerOpenFile)), folder, text(TextId::ViewerRecordingFiles));
    if (!path.isEmpty())
        openFile(path);
}

void RecordingViewer::chooseOverlay()
{
    // Earlier drives of the same car sit in the same model folder.
    const QString folder = m_path.isEmpty() ? m_frame.file(QStringLiteral("DIR_DATI")) : QFileInfo(m_path).path();
    const QString path =
        chooser(false, withoutEllipsis(text(TextId::ViewerOverlayOpen)), folder, text(TextId::ViewerRecordingFiles));
    if (!path.isEmpty())
        openOverlay(path);
}

void RecordingViewer::chooseCsvExport(bool visibleOnly)
{
    if (m_rec->sampleCount() == 0)
        return;
    // Never into the archive's folders: a stray file there would look like a recording.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name = QFileInfo(m_path).completeBaseName() + QStringLiteral(".csv");
    const QString path =
        chooser(true, text(TextId::ViewerExportCsv), QDir(folder).filePath(name), QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty())
        exportCsv(path, visibleOnly);
}

void RecordingViewer::choosePngExport()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name = QFileInfo(m_path).completeBaseName() + QStringLiteral(".png");
    const QString path = chooser(true, withoutEllipsis(text(TextId::ViewerExportPng)), QDir(folder).filePath(name),
                                 QStringLiteral("PNG (*.png)"));
    if (!path.isEmpty())
        exportPng(path);
}

void RecordingViewer::fillChannelMenus()
{
    for (int i = 0; i < RecordingPlot::kMaxPanes; ++i) {
        QToolButton *button = m_panes[size_t(i)].channels;
        QMenu *menu = button->menu();
        menu->clear();
        const QList<int> chosen = m_plot->paneChannels(i);
        QStringList names;
        for (int ch = 0; ch < m_rec->channelCount(); ++ch) {
            if (!m_rec->isNumeric(ch))
                continue;
            const QString unit = m_rec->channelUnit(ch);
            const QString label = unit.isEmpty() || unit == QLatin1String("-")
                                      ? m_rec->channelName(ch)
                                      : QStringLiteral("%1 [%2]").arg(m_rec->channelName(ch), unit);
            QAction *a = menu->addAction(label);
            a->setCheckable(true);
            a->setChecked(chosen.contains(ch));
            a->setData(ch);
            if (chosen.contains(ch))
                names << m_rec->channelName(ch);
            connect(a, &QAction::toggled, this, [this, i, ch](bool on) {
                QList<int> channels = m_plot->paneChannels(i);
                channels.removeAll(ch);
                if (on)
                    channels << ch;
                m_plot->setPaneChannels(i, channels);
                fillChannelMenus();
            });
        }
        button->setText(names.isEmpty() ? QStringLiteral("-") : names.join(QStringLiteral(", ")));
    }
    updateScaleFields();
}

void RecordingViewer::applyScale(int pane)
{
    const PaneControls &c = m_panes[size_t(pane)];
    const bool automatic = c.automatic->isChecked();
    c.min->setEnabled(!automatic);
    c.max->setEnabled(!automatic);
    m_plot->setPaneScale(pane, automatic, YScale{c.min->value(), c.max->value()});
}

// Automatic limits are shown as they change, so switching to typed ones starts from them.
void RecordingViewer::updateScaleFields()
{
    for (int i = 0; i < RecordingPlot::kMaxPanes; ++i) {
        const PaneControls &c = m_panes[size_t(i)];
        if (!m_plot->paneAutoScale(i))
            continue;
        const YScale s = m_plot->paneScale(i);
        for (auto [box, v] : {std::pair{c.min, s.min}, std::pair{c.max, s.max}}) {
            const QSignalBlocker block(box);
            box->setValue(v);
        }
    }
}

void RecordingViewer::updateTable()
{
    const RecordingReader &rec = *m_rec;
    const int c1 = m_plot->cursor(0), c2 = m_plot->cursor(1);
    m_table->setRowCount(rec.channelCount() > 0 ? rec.channelCount() + 1 : 0);
    auto set = [this](int row, int col, const QString &s, const QColor &colour = QColor()) {
        QTableWidgetItem *item = m_table->item(row, col);
        if (!item) {
            item = new QTableWidgetItem;
            m_table->setItem(row, col, item);
        }
        item->setText(s);
        item->setTextAlignment(col >= 2 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        if (colour.isValid())
            item->setForeground(colour);
    };
    if (rec.channelCount() == 0) {
        m_cursorTime->clear();
        return;
    }
    // The sample number first, then every channel as the display showed it.
    set(0, 0, rec.sampleColumnName());
    set(0, 1, rec.sampleColumnUnit());
    set(0, 2, c1 >= 0 ? QString::number(rec.sampleNumber(c1)) : QString());
    set(0, 3, c2 >= 0 ? QString::number(rec.sampleNumber(c2)) : QString());
    set(0, 4, c1 >= 0 && c2 >= 0 ? QString::number(rec.sampleNumber(c2) - rec.sampleNumber(c1)) : QString());
    for (int ch = 0; ch < rec.channelCount(); ++ch) {
        const int row = ch + 1;
        set(row, 0, rec.channelName(ch), rec.isNumeric(ch) ? RecordingPlot::channelColour(ch).darker(160) : QColor());
        set(row, 1, rec.channelUnit(ch));
        const QString t1 = c1 >= 0 ? rec.cellText(ch, c1) : QString();
        const QString t2 = c2 >= 0 ? rec.cellText(ch, c2) : QString();
        set(row, 2, t1);
        set(row, 3, t2);
        QString diff;
        if (c1 >= 0 && c2 >= 0 && rec.isNumeric(ch)) {
            const double a = rec.value(ch, c1), b = rec.value(ch, c2);
            if (!std::isnan(a) && !std::isnan(b))
                diff = QString::number(b - a, 'f', std::max(decimalsOf(t1), decimalsOf(t2)));
        }
        set(row, 4, diff);
    }
    m_cursorTime->setText(
        c1 >= 0 && c2 >= 0 ? text(TextId::ViewerCursorTime).arg(FormatDuration(SampleSeconds(c2 - c1))) : QString());
}

void RecordingViewer::updateNote()
{
    QStringList parts;
    if (!m_path.isEmpty())
        parts << QDir::toNativeSeparators(m_path);
    if (m_rec->skippedLines() > 0)
        parts << text(TextId::ViewerSkippedLines).arg(m_rec->skippedLines());
    if (m_overlayRec) {
        const int offset = m_plot->overlayOffset();
        const QString at = offset >= 0 && offset < m_rec->sampleCount() ? QString::number(m_rec->sampleNumber(offset))
                                                                        : QString::number(offset);
        parts << text(TextId::ViewerOverlayNote).arg(QFileInfo(m_overlayPath).fileName(), at);
    }
    m_note->setText(parts.join(QStringLiteral("   |   ")));
    m_note->setVisible(!parts.isEmpty());
}
