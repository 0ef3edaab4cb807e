#pragma once
#include <QString>
#include <QStringList>

#include "archive/db/foldertree.h"

// Whether the volume mounted at `rootPath` from `device` is one a fitter plugs
// in: the kernel marks its disk removable (`{sysRoot}/class/block/<disk>/removable`
// is "1"; many USB sticks say so), or it is mounted where desktops mount what
// is plugged in (below /media/ or /run/media/), which catches the sticks that
// call themselves fixed disks.
bool IsRemovableVolume(const QString &rootPath, const QString &device, const QString &sysRoot = QStringLiteral("/sys"));

// The writable mounted volumes IsRemovableVolume accepts, in mount order.
QStringList RemovableVolumes();

// The root an update disk is written to. On Windows the diskette drive "A:".
// Elsewhere the folder named by key "DiscoAggiornamento" of section
// "IMPOSTAZIONI" of KALIBRON.INI (a relative one is taken from the application
// folder); when that key is missing or empty, the first of `removable`;
// when there is none, the folder DISCHETTO of the application folder, created
// when missing.
QString UpdateDiskTarget(const QString &appDir, const QStringList &removable);
QString UpdateDiskTarget(const QString &appDir);

// Where an update disk goes and the file operations that write it; tests
// derive from it to plug in a disk that is full, read-only or pulled.
class UpdateDiskDrive : public FolderFiles {
public:
    // Asked afresh each time the fitter is to confirm the target, so a stick
    // plugged in meanwhile is seen.
    virtual QString targetRoot(const QString &appDir) { return UpdateDiskTarget(appDir); }
};
