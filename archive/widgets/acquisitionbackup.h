#pragma once
#include <QList>
#include <QString>

#include "archive/db/archivefiles.h"
#include "archive/db/foldertree.h"

class AcquisitionArchive;

// The file operations of a backup, each returning 0 or an errno value. Tests
// derive from it to make the destination fail the way a real disk does.
class BackupFiles {
public:
    virtual ~BackupFiles() = default;
    virtual int createFolderPath(const QString &path);
    // 0 also when the file is not there.
    virtual int removeFile(const QString &path);
    // Written beside `target` and renamed over it only when complete, so a
    // killed program never leaves half a recording under its name.
    virtual int copyFile(const QString &source, const QString &target, FileRole *failed);
    virtual int rename(const QString &from, const QString &to);
};

// One selected line: the model as the list shows it and the file as `NomeEsi` holds it.
struct BackupItem {
    QString model;
    QString file;
};

// The typed destination made usable: trimmed, without a trailing separator
// ("/" itself stays "/"). Empty when it is refused: blank, relative, or the
// application folder itself whatever its letter case.
QString BackupDestination(const QString &typed, const QString &appDir);

// Copies the catalogue records and recordings of `items` from the open
// `source` to `{destination}/DIR_DATI`. The destination catalogue is rebuilt
// aside and put in place at the end, holding the records copied so far even
// when the copy stopped. Returns the base text id of the outcome: 327 done,
// 330..335 a file error of that kind, 336 a recording was missing (its record
// is catalogued all the same), 328 any other failure.
int BackUpAcquisitions(AcquisitionArchive &source, const QString &appDir, const QString &destination,
                       const QList<BackupItem> &items, BackupFiles &files);
