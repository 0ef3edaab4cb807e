#include "archive/widgets/cleardati.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "app/log.h"
#include "app/textids.h"
#include "app/texts.h"
#include "archive/db/archivefiles.h"
#include "archive/widgets/archivedialog.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kFieldChars[3] = {12, 41, 12};
constexpr int kModelChars = 12;
constexpr int kListRows = 10;

int unlinkFile(const QString &path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0 ? 0 : errno;
}

}   // namespace

void RemoveFolderIfEmpty(const QString &folder)
{
    // rmdir refuses a folder that still holds anything, which is the test we want.
    QDir().rmdir(folder);
}

ClearDati::ClearDati(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog)
    : QDialog(parent), m_frame(frame), m_messages(messages), m_liveWatchdog(liveWatchdog), m_removeFile(unlinkFile)
{
    setObjectName(QStringLiteral("ClearDati"));
    MakeFixedDialog(this);
    setModal(true);
    // The menu path: the store dialog's caption is not in the text table.
    setWindowTitle(ArchiveDialogCaption(frame, 102, 117));   // File - Cancellazione file acquisizione

    const QFontMetrics fm(font());
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(Testo(frame.id(240 + i)).trimmed(), this);
        label->setObjectName(QStringLiteral("LabSF(%1)").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignRight | (i == 3 ? Qt::AlignTop : Qt::AlignVCenter));
        m_labels[i] = label;
        grid->addWidget(label, i, 0);
    }
    const int wideWidth = fm.horizontalAdvance(QLatin1Char('W')) * 30;
    for (int i = 0; i < 3; ++i) {
        auto *field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("DatiDAT(%1)").arg(i));
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        field->setFixedWidth(i == 1 ? wideWidth : fm.horizontalAdvance(QLatin1Char('W')) * kFieldChars[i] + 12);
        m_fields[i] = field;
        m_labels[i]->setBuddy(field);
        grid->addWidget(field, i, 1, Qt::AlignLeft);
    }
    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("DatiDAT(3)"));
    m_note->setReadOnly(true);
    m_note->setFocusPolicy(Qt::NoFocus);
    m_note->setFixedSize(wideWidth, fm.lineSpacing() * 4 + 12);
    grid->addWidget(m_note, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->addItem(new QSpacerItem(0, 6), 4, 0);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListaModelli"));
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_list->setUniformItemSizes(true);
    // Fixed pitch keeps the 12-character model column aligned.
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics lfm(m_list->font());
    m_list->setMinimumWidth(lfm.horizontalAdvance(QString(kModelChars + 3 + 41, QLatin1Char('M'))) + 40);
    m_list->setFixedHeight(lfm.lineSpacing() * kListRows + 12);
    connect(m_list, &QListWidget::itemClicked, this, &ClearDati::lineClicked);
    grid->addWidget(m_list, 5, 0, 1, 2);

    m_memorizza = MakeFaceButton(frame, this, QStringLiteral("Memorizza"), 125, 126);
    connect(m_memorizza, &QAbstractButton::clicked, this, &ClearDati::memorizza);
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), 103, 104);
    connect(m_esci, &QAbstractButton::clicked, this, &ClearDati::reject);

    QHBoxLayout *buttons = ArchiveButtonRow(m_memorizza, m_esci);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 18);
    main->setSpacing(14);
    main->addLayout(grid);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    new ArchiveDialogKeys(this, m_memorizza, m_esci);

    m_memorizza->setEnabled(false);
    RepairNotice notice{&m_frame, &m_messages};
    if (OpenAcquisitionArchive(m_archive, m_frame.PercorsoApp, notice)) {
        fillLists();
        m_memorizza->setEnabled(true);
    }
    m_list->setFocus(Qt::OtherFocusReason);
}

ClearDati::~ClearDati()
{
    m_archive.close();
}

void ClearDati::done(int result)
{
    m_archive.close();
    QDialog::done(result);
}

QWidget *ClearDati::DatiDAT(int i) const
{
    if (i == 3)
        return m_note;
    return (i >= 0 && i < 3) ? m_fields[i] : nullptr;
}

QString ClearDati::detailText(int i) const
{
    if (i == 3)
        return m_note->toPlainText();
    return (i >= 0 && i < 3) ? m_fields[i]->text() : QString();
}

void ClearDati::fillLists()
{
    m_list->clear();
    m_list->addItems(FillAcquisitionList(m_archive, &m_files));
}

void ClearDati::clearDetails()
{
    for (QLineEdit *field : m_fields)
        field->clear();
    m_note->clear();
}

void ClearDati::showAcquisitionRecord(const AcquisitionRecord &record)
{
    clearDetails();
    m_fields[0]->setText(record.MODELLO);
    m_fields[1]->setText(record.DESC_MODELLO);
    m_fields[2]->setText(record.FILE);
    m_note->setPlainText(record.NOTE);
}

void ClearDati::lineClicked(QListWidgetItem *item)
{
    clearDetails();
    const int row = m_list->row(item);
    if (!item->isSelected() || row < 0 || row >= m_files.size())
        return;
    if (const auto record = m_archive.find(item->text().left(kModelChars).trimmed(), m_files[row].trimmed()))
        showAcquisitionRecord(*record);
}

void ClearDati::memorizza()
{
    if (m_list->count() == 0) {
        m_messages.beep();
        m_messages.showMessage(Testo(m_frame.id(361)), kInformationOk, Testo(m_frame.id(TextId::TitleWarning)),
                               kMessageCentred);
        return;
    }
    QList<int> rows;
    for (int r = 0; r < m_list->count(); ++r) {
        if (m_list->item(r)->isSelected())
            rows << r;
    }
    if (rows.isEmpty()) {
        m_messages.beep();
        m_messages.showMessage(Testo(m_frame.id(362)), kInformationOk, Testo(m_frame.id(TextId::TitleWarning)),
                               kMessageCentred);
        return;
    }

    const WatchdogHold hold(m_liveWatchdog);
    auto busy = std::make_unique<BusyCursor>();

    QString message = Testo(m_frame.id(359));
    for (const int r : rows) {
        const QString model = m_list->item(r)->text().left(kModelChars).trimmed();
        const QString file = m_files.value(r).trimmed();
        const auto record = m_archive.find(model, file);
        if (!record)
            continue;
        showAcquisitionRecord(*record);
        repaint();
        const QString path = AcquisitionFilePath(m_frame.PercorsoApp, model, file);
        // The file goes first: a row without its file is mended by deleting again,
        // a file without its row would be lost to the fitter.
        const int error = FileEsiste(path, 0) ? m_removeFile(path) : 0;
        if (error != 0 && error != ENOENT) {
            qCWarning(lcArchive).noquote() << "cannot delete" << QDir::toNativeSeparators(path) << "-"
                                           << QString::fromLocal8Bit(std::strerror(error));
            message = Testo(m_frame.id(360)) + QLatin1Char('\n')
                      + Testo(m_frame.id(FileErrorTextId(error, FileRole::Destination)));
            break;
        }
        if (m_archive.remove(model, file) == Catalogue::Result::Failed) {
            qCWarning(lcArchive).noquote() << "cannot remove" << model << file << "from"
                                           << QDir::toNativeSeparators(m_archive.catalogue().filePath());
            message = Testo(m_frame.id(360));
            break;
        }
        RemoveFolderIfEmpty(QFileInfo(path).absolutePath());
    }

    busy.reset();
    clearDetails();
    m_messages.beep();
    m_messages.showMessage(message, kInformationOk, Testo(m_frame.id(TextId::TitleWarning)), kMessageCentred);
    fillLists();
}

void RunClearDati(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog)
{
    ClearDati dialog(frame, messages, parent, liveWatchdog);
    dialog.exec();
}
