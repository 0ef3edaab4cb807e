#include "archive/widgets/creadischi.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/textids.h"
#include "app/texts.h"
#include "archive/maps/updatedisk.h"
#include "archive/widgets/archivedialog.h"
#include "ui/common/dialogs.h"
#include "ui/common/pictures.h"

namespace {

constexpr int kNoModelSelected = 235;
constexpr int kInsertDisk = 236;
constexpr int kDiskNotWritten = 237;
constexpr int kDiskWritten = 238;
constexpr int kFileMenu = 102;
constexpr int kCreateDisksItem = 119;
constexpr int kCreaFace = 127;
constexpr int kCreaGreyFace = 128;
constexpr int kEsciFace = 103;
constexpr int kEsciGreyFace = 104;
constexpr int kInformationOkCancel = kIconInformation | kButtonsOkCancel;         // 65
constexpr int kInformationRetryCancel = kIconInformation | kButtonsRetryCancel;   // 69
constexpr int kListLineChars = 12 + 3 + 41;                                       // model, " - ", description
constexpr int kListRows = 12;

}   // namespace

CreaDischi::CreaDischi(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog,
                       UpdateDiskDrive *drive)
    : QDialog(parent), m_frame(frame), m_messages(messages), m_liveWatchdog(liveWatchdog),
      m_drive(drive ? drive : &m_realDrive)
{
    setObjectName(QStringLiteral("CreaDischi"));
    MakeFixedDialog(this);
    setModal(true);
    setWindowTitle(
        ArchiveDialogCaption(frame, kFileMenu, kCreateDisksItem));   // File - Creazione dischi di aggiornamento

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListaModelli"));
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_list->setUniformItemSizes(true);
    // Fixed pitch keeps the 12-character model column aligned.
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics lfm(m_list->font());
    const int listWidth = lfm.horizontalAdvance(QString(kListLineChars, QLatin1Char('M'))) + 40;
    m_list->setFixedSize(listWidth, lfm.lineSpacing() * kListRows + 12);

    m_target = new QLabel(this);
    m_target->setObjectName(QStringLiteral("Destinazione"));
    m_target->setTextFormat(Qt::PlainText);
    m_target->setWordWrap(true);
    m_target->setFixedWidth(listWidth);

    m_crea = MakeFaceButton(frame, this, QStringLiteral("Crea"), kCreaFace, kCreaGreyFace);
    connect(m_crea, &QAbstractButton::clicked, this, &CreaDischi::crea);
    m_esci = MakeFaceButton(frame, this, QStringLiteral("Esci"), kEsciFace, kEsciGreyFace);
    connect(m_esci, &QAbstractButton::clicked, this, &CreaDischi::reject);

    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(24, 20, 24, 18);
    main->setSpacing(12);
    main->addWidget(m_list);
    main->addWidget(m_target);
    main->addSpacing(6);
    main->addLayout(ArchiveButtonRow(m_crea, m_esci));
    main->setSizeConstraint(QLayout::SetFixedSize);

    new ArchiveDialogKeys(this, m_crea, m_esci);

    findTarget();
    m_crea->setEnabled(false);
    if (OpenMapArchive(m_archive, m_frame.PercorsoApp, RepairNotice{&m_frame, &m_messages})) {
        m_list->addItems(FillModelList(m_archive));
        m_crea->setEnabled(true);
    }
    m_list->setFocus(Qt::OtherFocusReason);
}

CreaDischi::~CreaDischi()
{
    m_archive.close();
}

void CreaDischi::done(int result)
{
    m_archive.close();
    QDialog::done(result);
}

QString CreaDischi::findTarget()
{
    const QString target = m_drive->targetRoot(m_frame.PercorsoApp);
    m_target->setText(Testo(m_frame.id(TextId::UpdateDiskDestination)).arg(QDir::toNativeSeparators(target)));
    return target;
}

// Asks for the disk, naming where it will be written; a target that changed
// while the question was open (a stick plugged in) is asked about again.
bool CreaDischi::confirmTarget(QString *target)
{
    for (;;) {
        m_messages.beep();
        const QString text = Testo(m_frame.id(kInsertDisk)) + QLatin1Char('\n') + m_target->text();
        if (m_messages.showMessage(text, kInformationOkCancel, Testo(m_frame.id(TextId::TitleWarning)), kMessageCentred)
            != kAnswerOk)
            return false;
        const QString now = findTarget();
        if (now == *target)
            return true;
        *target = now;
    }
}

void CreaDischi::crea()
{
    const QString warning = Testo(m_frame.id(TextId::TitleWarning));
    auto tell = [&](int textId) {
        m_messages.beep();
        m_messages.showMessage(Testo(m_frame.id(textId)), kInformationOk, warning, kMessageCentred);
    };

    QStringList selected;
    for (int r = 0; r < m_list->count(); ++r) {
        if (m_list->item(r)->isSelected())
            selected << m_list->item(r)->text();
    }
    if (selected.isEmpty()) {
        tell(kNoModelSelected);
        return;
    }

    bool built = false;
    {
        const WatchdogHold hold(m_liveWatchdog);
        const BusyCursor busy;
        built =
            BuildUpdateDisk(m_frame.PercorsoApp, PlanUpdateDisk(m_archive, selected, m_frame.LinguaCorrente), *m_drive);
    }
    if (!built) {
        tell(kDiskNotWritten);
        return;
    }

    QString target = findTarget();
    for (;;) {
        if (!confirmTarget(&target))
            return;
        // A failure with no text of its own shows the last message again.
        QString shown = Testo(m_frame.id(kInsertDisk));
        for (;;) {
            UpdateDiskCopy copy;
            {
                const WatchdogHold hold(m_liveWatchdog);
                const BusyCursor busy;
                copy = CopyUpdateDisk(m_frame.PercorsoApp, target, *m_drive);
            }
            if (copy.result == FolderCopyResult::Copied) {
                tell(kDiskWritten);
                return;
            }
            if (copy.textId)
                shown = Testo(m_frame.id(copy.textId));
            if (m_messages.showMessage(shown, kInformationRetryCancel, Testo(m_frame.id(TextId::TitleError)),
                                       kMessageCentred)
                != kAnswerRetry) {
                tell(kDiskNotWritten);
                return;
            }
            // The disk may now be mounted elsewhere: that target is confirmed first.
            const QString now = findTarget();
            if (now != target) {
                target = now;
                break;
            }
        }
    }
}

void RunCreaDischi(FrameState &frame, MessageSink &messages, QWidget *parent, QTimer *liveWatchdog)
{
    CreaDischi dialog(frame, messages, parent, liveWatchdog);
    dialog.exec();
}
