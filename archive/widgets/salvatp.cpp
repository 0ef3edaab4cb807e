#include "archive/widgets/salvatp.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpressionValidator>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/log.h"
#include "app/texts.h"
#include "archive/widgets/archivedialog.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

// The kernel's own flag, read from the disk a partition belongs to; USB sticks
// mounted by the desktop are counted as removable even when a bridge hides it.
bool isRemovable(const QStorageInfo &volume)
{
    const QString root = volume.rootPath();
    if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/")))
        return true;
    const QString device = QFileInfo(QString::fromLocal8Bit(volume.device())).canonicalFilePath();
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + QFileInfo(device).fileName()).canonicalFilePath();
    for (int up = 0; up < 2 && !sys.isEmpty(); ++up, sys = QFileInfo(sys).path()) {
        QFile flag(sys + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
    }
    return false;
}

// Neither Shift, Ctrl nor Alt held.
bool isPlain(const QKeyEvent *key)
{
    return !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
}

}   // namespace

SalvatP::SalvatP(FrameState &frame, MessageSink &messages, QTimer *liveWatchdog, QWidget *parent, BackupFiles *files)
    : QDialog(parent), m_frame(frame), m_messages(messages), m_watchdog(liveWatchdog),
      m_files(files ? files : &m_realFiles)
{
    setObjectName(QStringLiteral("SalvatP"));
    MakeFixedDialog(this);
    setModal(true);
    setWindowTitle(ArchiveDialogCaption(frame, 104, 111));   // Utilita' - Salvataggio acquisizioni

    for (int i = 0; i < 2; ++i) {
        m_labsalva[i] = new QLabel(Testo(frame.id(320 + i)), this);
        m_labsalva[i]->setObjectName(QStringLiteral("Labsalva(%1)").arg(i));
        m_labsalva[i]->setTextFormat(Qt::PlainText);
        QFont bold = m_labsalva[i]->font();
        bold.setBold(true);
        m_labsalva[i]->setFont(bold);
    }

    m_disco = new QComboBox(this);
    m_disco->setObjectName(QStringLiteral("DiscoDest"));

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setReadOnly(true);
    m_directory = new QTreeView(this);
    m_directory->setObjectName(QStringLiteral("Directory"));
    m_directory->setModel(m_folders);
    for (int c = 1; c < m_folders->columnCount(); ++c)
        m_directory->hideColumn(c);
    m_directory->setHeaderHidden(true);
    m_directory->setMinimumSize(260, 220);

    m_nomeFile = new QLineEdit(this);
    m_nomeFile->setObjectName(QStringLiteral("NomeFileS"));
    // Letters, digits and separators as typed; "-", "_" and "." too, which Linux mount points carry.
    m_nomeFile->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\p{L}\\p{N}/._-]*")), m_nomeFile));
    m_nomeFile->installEventFilter(this);

    m_elenco = new QListWidget(this);
    m_elenco->setObjectName(QStringLiteral("ElencoEsi"));
    m_elenco->setSelectionMode(QAbstractItemView::MultiSelection);
    // The model column lines up only in a fixed-pitch font.
    m_elenco->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics fixed(m_elenco->font());
    m_elenco->setMinimumSize(fixed.horizontalAdvance(QString(58, QLatin1Char('M'))) + 24, 220);
    m_nomeEsi = new QListWidget(this);
    m_nomeEsi->setObjectName(QStringLiteral("NomeEsi"));
    m_nomeEsi->hide();

    m_scheda = new QGroupBox(this);
    m_scheda->setObjectName(QStringLiteral("Scheda"));
    auto *details = new QGridLayout(m_scheda);
    details->setColumnStretch(1, 1);
    for (int i = 0; i < 4; ++i) {
        m_labSF[i] = new QLabel(Testo(frame.id(240 + i)), m_scheda);
        m_labSF[i]->setObjectName(QStringLiteral("LabSF(%1)").arg(i));
        m_labSF[i]->setTextFormat(Qt::PlainText);
        m_infScheda[i] = new QLabel(m_scheda);
        m_infScheda[i]->setObjectName(QStringLiteral("Inf_Scheda(%1)").arg(i));
        m_infScheda[i]->setTextFormat(Qt::PlainText);
        m_infScheda[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->addWidget(m_labSF[i], i, 0, Qt::AlignTop);
        details->addWidget(m_infScheda[i], i, 1, Qt::AlignTop);
    }
    m_infScheda[3]->setWordWrap(true);
    m_infScheda[3]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_infScheda[3]->setMinimumHeight(2 * m_infScheda[3]->fontMetrics().height());

    m_segnalazione = new QLabel(this);
    m_segnalazione->setObjectName(QStringLiteral("Segnalazione"));
    m_segnalazione->setTextFormat(Qt::PlainText);
    m_segnalazione->setAlignment(Qt::AlignCenter);
    m_segnalazione->setFrameShape(QFrame::StyledPanel);
    m_segnalazione->setFrameShadow(QFrame::Sunken);
    m_segnalazione->setMinimumHeight(m_segnalazione->fontMetrics().height() + 12);
    QFont bold = m_segnalazione->font();
    bold.setBold(true);
    m_segnalazione->setFont(bold);

    m_salva = MakeFaceButton(frame, this, QStringLiteral("Salva"), 141, 142);
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(m_salva, &QAbstractButton::clicked, this, &SalvatP::salva);
    connect(m_esci, &QAbstractButton::clicked, this, &SalvatP::reject);

    auto *destination = new QVBoxLayout;
    destination->setSpacing(6);
    destination->addWidget(m_labsalva[0]);
    destination->addWidget(m_disco);
    destination->addWidget(m_directory, 1);
    destination->addWidget(m_nomeFile);
    auto *recordings = new QVBoxLayout;
    recordings->setSpacing(6);
    recordings->addWidget(m_labsalva[1]);
    recordings->addWidget(m_elenco, 1);
    recordings->addWidget(m_scheda);
    auto *columns = new QHBoxLayout;
    columns->setSpacing(20);
    columns->addLayout(destination);
    columns->addLayout(recordings, 1);
    QHBoxLayout *buttons = ArchiveButtonRow(m_salva, m_esci);
    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(20, 16, 20, 16);
    main->setSpacing(12);
    main->addLayout(columns, 1);
    main->addWidget(m_segnalazione);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_disco, m_directory);
    setTabOrder(m_directory, m_nomeFile);
    setTabOrder(m_nomeFile, m_disco);
    setTabOrder(m_elenco, m_salva);
    setTabOrder(m_salva, m_esci);

    fillDrives();
    connect(m_disco, &QComboBox::activated, this, &SalvatP::driveChosen);
    connect(m_directory->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (m_showingApp)
            return;
        m_followApp = false;
        m_nomeFile->setText(directoryPath());
    });
    const QString app = QDir::cleanPath(frame.PercorsoApp);
    // The folders arrive level by level from the model's own thread: follow them down to the
    // application folder without taking `NomeFileS` from the fitter meanwhile.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this, app](const QString &loaded) {
        if (!m_followApp || !app.startsWith(loaded))
            return;
        m_showingApp = true;
        const QModelIndex target = m_folders->index(app);
        for (QModelIndex up = target.parent(); up.isValid(); up = up.parent())
            m_directory->expand(up);
        m_directory->setCurrentIndex(target);
        m_directory->scrollTo(target, QAbstractItemView::PositionAtCenter);
        m_showingApp = false;
    });
    m_showingApp = true;
    m_directory->setCurrentIndex(m_folders->index(app));
    m_showingApp = false;
    m_nomeFile->setText(app);

    m_salva->setEnabled(false);
    if (OpenAcquisitionArchive(m_archive, frame.PercorsoApp, {&frame, &messages})) {
        QStringList files;
        m_elenco->addItems(FillAcquisitionList(m_archive, &files));
        m_nomeEsi->addItems(files);
        m_salva->setEnabled(true);
    }
    connect(m_elenco, &QListWidget::currentRowChanged, this, &SalvatP::showDetails);

    new ArchiveDialogKeys(this, m_salva, m_esci);
    // After the shared keys, so F1 reaches the copy even while `Salva` is greyed.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

SalvatP::~SalvatP()
{
    m_archive.close();
}

QString SalvatP::directoryPath() const
{
    const QModelIndex current = m_directory->currentIndex();
    return current.isValid() ? m_folders->filePath(current) : m_folders->rootPath();
}

void SalvatP::fillDrives()
{
    QList<QStorageInfo> removable, fixed;
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes()) {
        if (v.isValid() && v.isReady())
            (isRemovable(v) ? removable : fixed).append(v);
    }
    const QString appRoot = QStorageInfo(m_frame.PercorsoApp).rootPath();
    int appIndex = -1;
    for (const QStorageInfo &v : removable + fixed) {
        const QString root = v.rootPath();
        const QString name = v.name().isEmpty() ? v.displayName() : v.name();
        const QString shown = name == root ? root : QStringLiteral("%1  (%2)").arg(name, root);
        if (m_disco->findData(root) >= 0)
            continue;
        m_disco->addItem(shown, root);
        if (root == appRoot)
            appIndex = m_disco->count() - 1;
    }
    if (appIndex < 0 && !appRoot.isEmpty()) {
        m_disco->addItem(appRoot, appRoot);
        appIndex = m_disco->count() - 1;
    }
    m_disco->setCurrentIndex(appIndex);
    m_directory->setRootIndex(m_folders->setRootPath(appRoot));
}

void SalvatP::driveChosen(int index)
{
    const QString root = m_disco->itemData(index).toString();
    // A volume gone since the list was filled leaves the folders as they were.
    if (!QFileInfo(root).isDir() || !QFileInfo(root).isReadable())
        return;
    m_directory->setRootIndex(m_folders->setRootPath(root));
    m_showingApp = true;   // the drive's own folders are no longer followed down
    m_directory->setCurrentIndex(QModelIndex());
    m_showingApp = false;
    m_followApp = false;
    m_nomeFile->setText(root);
}

void SalvatP::showDetails(int row)
{
    for (QLabel *value : m_infScheda)
        value->clear();
    if (row < 0 || row >= m_nomeEsi->count() || !m_archive.isOpen())
        return;
    const std::optional<AcquisitionRecord> r =
        m_archive.find(m_elenco->item(row)->text().left(12).trimmed(), m_nomeEsi->item(row)->text());
    if (!r)
        return;
    const QString fields[4] = {r->MODELLO, r->DESC_MODELLO, r->FILE, r->NOTE};
    for (int i = 0; i < 4; ++i) {
        if (!fields[i].isNull())
            m_infScheda[i]->setText(fields[i]);
    }
}

bool SalvatP::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_nomeFile && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        m_nomeFile->setText(m_nomeFile->text().trimmed());
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F1 && isPlain(key) && !m_salva->isEnabled()) {
            salva();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SalvatP::salva()
{
    const QString destination = BackupDestination(m_nomeFile->text(), m_frame.PercorsoApp);
    if (destination.isEmpty()) {
        m_messages.beep();
        m_directory->setFocus(Qt::OtherFocusReason);
        return;
    }
    QList<BackupItem> items;
    for (int row = 0; row < m_elenco->count(); ++row) {
        if (m_elenco->item(row)->isSelected())
            items.append({m_elenco->item(row)->text().left(12), m_nomeEsi->item(row)->text()});
    }
    if (m_elenco->count() == 0 || items.isEmpty()) {
        m_messages.beep();
        m_segnalazione->setText(Testo(m_frame.id(m_elenco->count() == 0 ? 322 : 324)));
        return;
    }

    const WatchdogHold hold(m_watchdog);
    m_segnalazione->setText(Testo(m_frame.id(326)));
    int outcome;
    {
        const BusyCursor busy;
        m_segnalazione->repaint();
        outcome = BackUpAcquisitions(m_archive, m_frame.PercorsoApp, destination, items, *m_files);
    }
    qCInfo(lcArchive).noquote() << "backup of" << items.size() << "recordings to"
                                << QDir::toNativeSeparators(destination) << "ended with text" << outcome;
    m_segnalazione->setText(Testo(m_frame.id(outcome)));
}

void SalvatP::done(int result)
{
    m_archive.close();
    QDialog::done(result);
}

void RunSalvatP(FrameState &frame, MessageSink &messages, QTimer *liveWatchdog, QWidget *parent)
{
    SalvatP dialog(frame, messages, liveWatchdog, parent);
    dialog.exec();
}
