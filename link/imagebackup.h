#pragma once
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

// Copies of the image an ECU held before the program first wrote to it, kept
// under BACKUP/<serial>/<yyyyMMdd-HHmmss>.PRG in the application folder. The
// program never deletes them.
struct ImageBackup {
    QString path;      // absolute
    QString serial;    // the folder name: the ECU's serial number as filed
    QDateTime taken;   // from the file name
};

// The folder name a serial number is filed under: trimmed, anything but letters,
// digits, '-' and '_' replaced by '_'; "_" when nothing is left.
QString BackupFolderName(const QString &serial);

// Copies `image` to a new backup of `serial`, written aside and renamed. Returns its
// path, or an empty text on failure with the reason in *error.
QString SaveImageBackup(const QString &appDir, const QString &serial, const QString &image,
                        const QDateTime &when = QDateTime::currentDateTime(), QString *error = nullptr);

// Every backup found, newest first; those of `currentSerial` (if any) before all others.
QList<ImageBackup> ListImageBackups(const QString &appDir, const QString &currentSerial = {});

// Records whose values differ between two image files, leaving out `skip`; a record
// present in one file only counts as a difference. -1 when either file cannot be read.
int CountImageDifferences(const QString &a, const QString &b, const QSet<int> &skip = {});
