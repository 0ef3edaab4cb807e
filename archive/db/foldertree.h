#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// How a tree copy ended. The numbers are the ones the update disk has always
// reported, so a fitter's notes of "error 61" still mean a full disk.
enum class FolderCopyResult : int {
    Copied = 0,
    FileNotFound = 53,
    DiskFull = 61,
    TooManyFiles = 67,
    DeviceUnavailable = 68,
    PermissionDenied = 70,
    DiskNotReady = 71,
    OldContentsNotRemoved = 99,   // set by the caller: the target could not be cleared first
    OtherFailure = 100,
};

// The kind of a failed file operation's errno. A medium that went away or
// cannot be read (ENOMEDIUM, EIO: a stick pulled mid-copy) is "not ready";
// a device the kernel no longer has (ENODEV, ENXIO) is "unavailable".
// 0 gives Copied; anything unlisted OtherFailure.
FolderCopyResult FolderCopyResultOf(int errnoValue);

// Base text id (330..336) telling the fitter what went wrong; 0 for Copied and
// OldContentsNotRemoved, which carry no text of their own.
int FolderCopyTextId(FolderCopyResult result);

// The file operations of the folder routines, each returning 0 or an errno
// value. Tests derive from it to make a disk fail the way a real one does.
class FolderFiles {
public:
    virtual ~FolderFiles() = default;
    // The entries of `folder` by name, sorted: regular files (links to them
    // included), real folders, and everything else (links to folders, dangling
    // links, devices), which is deleted but never copied or walked into.
    virtual int list(const QString &folder, QStringList *files, QStringList *folders, QStringList *others);
    // One folder; 0 when it is there already.
    virtual int makeFolder(const QString &path);
    // 0 also when the file is not there.
    virtual int removeFile(const QString &path);
    // An empty folder; 0 also when it is not there.
    virtual int removeFolder(const QString &path);
    // Written beside `target` and renamed over it only once it is on the disk,
    // so a pulled stick never leaves half a file under the real name.
    virtual int copyFile(const QString &source, const QString &target);
    virtual int writeFile(const QString &path, const QByteArray &data);
};

// `CreateFolderPath`: creates every missing folder along `path` ("/" separated;
// a trailing separator is allowed). On failure `error` gets the errno.
bool CreateFolderPath(const QString &path, int *error = nullptr);
bool CreateFolderPath(const QString &path, FolderFiles &files, int *error = nullptr);

// `DeleteFolderTree`: removes `folder` with everything in it; true also when it
// is not there. Links are removed, never followed.
bool DeleteFolderTree(const QString &folder, FolderFiles &files, int *error = nullptr);

// `CopyFolderFiles`: copies the files of `source` (not its subfolders) into the
// existing folder `target` under the same names. A missing source copies nothing.
bool CopyFolderFiles(const QString &source, const QString &target, FolderFiles &files, int *error = nullptr);

// `CopyFolderTree`: copies the files and the whole subfolder tree of `source`
// below `targetRoot`, which must exist (DiskNotReady otherwise: nothing is
// mounted there). The tree is walked in memory; no list files are written.
FolderCopyResult CopyFolderTree(const QString &source, const QString &targetRoot, FolderFiles &files);
