#pragma once
#include <QObject>

#include "link/imagebackup.h"
#include "link/link.h"

// Puts a saved image back into the connected ECU: asks the fitter, programs it
// whole through the link, reconnects, reads the ECU back and says whether it
// now holds the backup. QtCore only; the main window picks the backup.
class ImageRestore : public QObject {
    Q_OBJECT
public:
    ImageRestore(FrameState &frame, Link &link, QObject *parent = nullptr);

    // Records the program writes itself after every read: they cannot match.
    static QSet<int> recordsWrittenAfterRead();

    // False when the fitter said no or the image could not be read or sent.
    bool start(const ImageBackup &backup);
    bool verifying() const { return m_verifying; }

signals:
    // The read-back compared: `differences` records differ (0: the backup is back).
    void verified(int differences);

private:
    int ask(int textId, const QString &text, int flags);
    void onFinished(LinkOperation kind, bool ok);
    void onReady(bool ready);
    void compare();

    FrameState &m_frame;
    Link &m_link;
    ImageBackup m_backup;
    bool m_awaitingUpload = false;
    bool m_verifying = false;
};
