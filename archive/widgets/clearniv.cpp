#include "archive/widgets/clearniv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>
#include <memory>
#include <unistd.h>

#include "app/textids.h"
#include "app/texts.h"
#include "archive/db/archivefiles.h"
#include "archive/widgets/archivedialog.h"
#include "archive/widgets/cleardati.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kModelChars = 12;
constexpr int kListRows = 10;
constexpr int kLineChars = kModelChars + 3 + 41;   // model, " - ", description
// Label ids of the six detail rows, in the order of the grid.
constexpr int kLabelBase = 215;
constexpr int kTextGpl = 221;
constexpr int kTextMetano = 222;
constexpr int kDeleted = 355;
constexpr int kDeleteInterrupted = 356;
constexpr int kNothingToDelete = 357;
constexpr int kNothingSelected = 358;

int unlinkFile(const QString &path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0 ? 0 : errno;
}

QLineEdit *detailBox(QWidget *parent, const QString &name, int chars)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('W')) * chars + 12);
    return box;
}

}   // namespace

ClearNIV::ClearNIV(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog)
    : QDialog(parent), m_frame(frame), m_messages(messages), m_liveWatchdog(liveWatchdog), m_removeFile(unlinkFile)
{
    setObjectName(QStringLiteral("ClearNIV"));
    MakeFixedDialog(this);
    setModal(true);
    setWindowTitle(ArchiveDialogCaption(frame, 102, 121));   // File - Cancellazione mappatura

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(Testo(frame.id(kLabelBase + i)).trimmed(), this);
        label->setObjectName(QStringLiteral("LabSF(%1)").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_labels[i] = label;
        grid->addWidget(label, i, 0);
    }
    // Grid rows follow the labels: model, description, valves, installation, version, petrol ECU.
    m_fields[0] = detailBox(this, QStringLiteral("DatiDAT(0)"), 12);
    m_fields[1] = detailBox(this, QStringLiteral("DatiDAT(1)"), 30);
    m_fields[2] = detailBox(this, QStringLiteral("DatiDAT(2)"), 2);
    m_tipoImp = detailBox(this, QStringLiteral("TipoImp"), 8);
    m_verCentr = detailBox(this, QStringLiteral("VerCentr"), 2);
    m_fields[3] = detailBox(this, QStringLiteral("DatiDAT(3)"), 30);
    QLineEdit *rows[6] = {m_fields[0], m_fields[1], m_fields[2], m_tipoImp, m_verCentr, m_fields[3]};
    for (int i = 0; i < 6; ++i) {
        m_labels[i]->setBuddy(rows[i]);
        grid->addWidget(rows[i], i, 1, Qt::AlignLeft);
    }
    grid->setColumnStretch(1, 1);
    grid->addItem(new QSpacerItem(0, 6), 6, 0);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListaModelli"));
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_list->setUniformItemSizes(true);
    // Fixed pitch keeps the 12-character model column aligned.
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics lfm(m_list->font());
    m_list->setMinimumWidth(lfm.horizontalAdvance(QString(kLineChars + 12, QLatin1Char('M'))) + 40);
    m_list->setFixedHeight(lfm.lineSpacing() * kListRows + 12);
    // Space selects a line as a click does, so the details follow the selection, not the mouse.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (QListWidgetItem *item = m_list->currentItem())
            lineClicked(item);
    });
    grid->addWidget(m_list, 7, 0, 1, 2);

    m_salva = MakeFaceButton(frame, this, QStringLiteral("Salva"), 125, 126);   // "Cancella"
    connect(m_salva, &QAbstractButton::clicked, this, &ClearNIV::salva);
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(m_esci, &QAbstractButton::clicked, this, &ClearNIV::reject);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 18);
    main->setSpacing(14);
    main->addLayout(grid);
    main->addLayout(ArchiveButtonRow(m_salva, m_esci));
    main->setSizeConstraint(QLayout::SetFixedSize);

    new ArchiveDialogKeys(this, m_salva, m_esci);

    m_salva->setEnabled(false);
    if (OpenMapArchive(m_archive, m_frame.PercorsoApp, RepairNotice{&m_frame, &m_messages})) {
        m_salva->setEnabled(true);
        fillRecordList();
    }
    m_list->setFocus(Qt::OtherFocusReason);
}

ClearNIV::~ClearNIV()
{
    m_archive.close();
}

void ClearNIV::done(int result)
{
    m_archive.close();
    QDialog::done(result);
}

void ClearNIV::fillRecordList()
{
    m_list->clear();
    const QStringList lines = FillRecordList(m_archive, &m_keys);
    // Lines of one model differ only in version and installation: show them after the description.
    for (int i = 0; i < lines.size(); ++i) {
        const QString key = m_keys.value(i);
        const QString type =
            key.mid(2).trimmed().isEmpty()
                ? QString()
                : Testo(m_frame.id(key.mid(2).trimmed() == QLatin1String("0") ? kTextGpl : kTextMetano));
        m_list->addItem(QStringLiteral("%1 %2  %3").arg(FixedText(lines[i], kLineChars), key.left(2), type));
    }
}

void ClearNIV::clearDetails()
{
    for (QLineEdit *box : m_fields)
        box->clear();
    m_tipoImp->clear();
    m_verCentr->clear();
}

void ClearNIV::showMapRecord(const MapRecord &record)
{
    clearDetails();
    m_fields[0]->setText(record.MODELLO);
    m_fields[1]->setText(record.DESC_MODELLO);
    m_fields[2]->setText(record.VALVOLE);
    m_tipoImp->setText(Testo(m_frame.id(record.IMPIANTO == 1 ? kTextMetano : kTextGpl)));
    m_verCentr->setText(QString::number(record.V_CENTR));
    m_fields[3]->setText(record.C_BENZINA);
}

void ClearNIV::lineClicked(QListWidgetItem *item)
{
    clearDetails();
    const int row = m_list->row(item);
    if (!item->isSelected() || row < 0 || row >= m_keys.size())
        return;
    const QString key = m_keys[row];
    if (const auto record =
            m_archive.find(item->text().left(kModelChars).trimmed(), qint16(key.left(2).trimmed().toInt()),
                           qint16(key.mid(2, 2).trimmed().toInt())))
        showMapRecord(*record);
}

void ClearNIV::salva()
{
    auto tell = [this](int textId) {
        m_messages.beep();
        m_messages.showMessage(Testo(m_frame.id(textId)), kInformationOk, Testo(m_frame.id(TextId::TitleWarning)),
                               kMessageCentred);
    };
    if (m_list->count() == 0)
        return tell(kNothingToDelete);
    QList<int> rows;
    for (int r = 0; r < m_list->count(); ++r) {
        if (m_list->item(r)->isSelected())
            rows << r;
    }
    if (rows.isEmpty())
        return tell(kNothingSelected);

    const WatchdogHold hold(m_liveWatchdog);
    auto busy = std::make_unique<BusyCursor>();

    QString message = Testo(m_frame.id(kDeleted));
    const QString tree = QDir(m_frame.PercorsoApp).filePath(QStringLiteral("FILER42/AUTOADATT"));
    for (const int r : rows) {
        const QString model = m_list->item(r)->text().left(kModelChars).trimmed();
        const QString key = m_keys.value(r);
        const qint16 version = qint16(key.left(2).trimmed().toInt());
        const qint16 type = qint16(key.mid(2, 2).trimmed().toInt());
        const auto record = m_archive.find(model, version, type);
        if (!record)
            continue;
        showMapRecord(*record);
        repaint();
        const QString path = MapFilePath(m_frame.PercorsoApp, model, version, type);
        // The file goes first: a row without its file is mended by deleting again,
        // a map file without its row would lie in the tree unseen.
        const int error = FileEsiste(path, 0) ? m_removeFile(path) : 0;
        if (error != 0 && error != ENOENT) {
            message = Testo(m_frame.id(kDeleteInterrupted)) + QLatin1Char('\n')
                      + Testo(m_frame.id(FileErrorTextId(error, FileRole::Destination)));
            break;
        }
        if (m_archive.remove(model, version, type) == Catalogue::Result::Failed) {
            message = Testo(m_frame.id(kDeleteInterrupted));
            break;
        }
        const QString versionFolder = QFileInfo(path).absolutePath();
        RemoveFolderIfEmpty(versionFolder);
        RemoveFolderIfEmpty(QFileInfo(versionFolder).absolutePath());
        RemoveFolderIfEmpty(tree);
    }

    busy.reset();
    clearDetails();
    m_messages.beep();
    m_messages.showMessage(message, kInformationOk, Testo(m_frame.id(TextId::TitleWarning)), kMessageCentred);
    fillRecordList();
}

void RunClearNIV(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog)
{
    ClearNIV dialog(frame, messages, parent, liveWatchdog);
    dialog.exec();
}
