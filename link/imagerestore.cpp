#include "link/imagerestore.h"

#include <QDir>
#include <QTimer>

#include "app/log.h"
#include "app/textids.h"
#include "app/texts.h"
#include "link/imagefile.h"

ImageRestore::ImageRestore(FrameState &frame, Link &link, QObject *parent)
    : QObject(parent), m_frame(frame), m_link(link)
{
    connect(&m_link, &Link::operationFinished, this,
            [this](LinkOperation kind, bool ok, int) { onFinished(kind, ok); });
    connect(&m_link, &Link::ecuReadyChanged, this, &ImageRestore::onReady);
    connect(&m_link, &Link::linkClosed, this, [this] { m_verifying = false; });
}

QSet<int> ImageRestore::recordsWrittenAfterRead()
{
    return {2654, 2690, 2691, 2692, 2700, 2701, 2702, 2706, 2826, 2827};
}

int ImageRestore::ask(int textId, const QString &text, int flags)
{
    LinkUi &ui = m_link.ui();
    ui.beep();
    m_frame.MessageText = text;
    m_frame.MessageTitle = Testo(m_frame.id(textId));
    m_frame.MessageResult = ui.showMessage(text, flags, m_frame.MessageTitle, kMessageCentred);
    return m_frame.MessageResult;
}

bool ImageRestore::start(const ImageBackup &backup)
{
    if (!m_link.canStartOperation())
        return false;
    const QString when = backup.taken.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    if (ask(TextId::TitleWarning, Testo(m_frame.id(TextId::RestoreQuestion)).arg(when), kQuestionYesNo) != kAnswerYes)
        return false;
    // Another ECU's image is rarely what the fitter wants: make him say so twice.
    const QString connected = BackupFolderName(m_link.state().Ident.Matricola);
    if (backup.serial != connected) {
        const QString text = Testo(m_frame.id(TextId::RestoreOtherEcuQuestion)).arg(backup.serial, connected);
        if (ask(TextId::TitleWarning, text, kWarningYesNo) != kAnswerYes)
            return false;
    }
    const QByteArray image = LeggiImmagine(backup.path);
    if (image.trimmed().isEmpty()) {
        qCWarning(lcSession).noquote() << "backup unreadable:" << QDir::toNativeSeparators(backup.path);
        ask(TextId::TitleError, Testo(m_frame.id(TextId::BackupUnreadable)), kErrorOk);
        return false;
    }
    m_backup = backup;
    qCInfo(lcSession).noquote() << "restoring" << QDir::toNativeSeparators(backup.path);
    m_awaitingUpload = m_link.startImageUpload(image, LinkOperation::RestoreImage);
    return m_awaitingUpload;
}

void ImageRestore::onFinished(LinkOperation kind, bool ok)
{
    if (kind != LinkOperation::RestoreImage || !m_awaitingUpload)
        return;
    m_awaitingUpload = false;
    if (!ok)
        return;
    // Out of the reply handler first: the read-back is a new connection.
    QTimer::singleShot(0, this, [this] {
        m_link.Disconnetti();
        m_verifying = true;
        m_link.Connetti();
        if (!m_link.portOpen())
            m_verifying = false;
    });
}

void ImageRestore::onReady(bool ready)
{
    if (!ready || !m_verifying)
        return;
    m_verifying = false;
    // After the read has finished enabling the editor, not in the middle of it.
    QTimer::singleShot(0, this, &ImageRestore::compare);
}

void ImageRestore::compare()
{
    const int differences =
        CountImageDifferences(m_backup.path, m_frame.file(QStringLiteral("LETTURAN.PRG")), recordsWrittenAfterRead());
    if (differences < 0)
        qCWarning(lcSession).noquote() << "cannot compare" << QDir::toNativeSeparators(m_backup.path) << "with"
                                       << QDir::toNativeSeparators(m_frame.file(QStringLiteral("LETTURAN.PRG")));
    else
        qCInfo(lcSession).noquote() << "restore read back:" << differences << "records differ from"
                                    << QDir::toNativeSeparators(m_backup.path);
    if (differences == 0)
        ask(TextId::TitleWarning, Testo(m_frame.id(TextId::RestoreVerified)), kInformationOk);
    else if (differences < 0)
        ask(TextId::TitleError, Testo(m_frame.id(TextId::BackupUnreadable)), kErrorOk);
    else
        ask(TextId::TitleError, Testo(m_frame.id(TextId::RestoreMismatch)).arg(differences), kErrorOk);
    emit verified(differences);
}
