#include "archive/db/foldertree.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/textids.h"

namespace {

// The file-error texts, one per kind.
constexpr int kDiskFullText = 330;
constexpr int kTooManyFilesText = 331;
constexpr int kDeviceUnavailableText = 332;
constexpr int kPermissionDeniedText = 333;
constexpr int kDiskNotReadyText = 334;
constexpr int kFileNotFoundText = 336;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString join(const QString &folder, const QString &name)
{
    if (name.isEmpty())
        return folder;
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString withoutTrailingSlash(const QString &path)
{
    QString bare = path.trimmed();
    while (bare.size() > 1 && bare.endsWith(QLatin1Char('/')))
        bare.chop(1);
    return bare;
}

bool fail(int *error, int e)
{
    if (error)
        *error = e;
    return false;
}

// Retries what a signal interrupted; a short write with no error means the disk is full.
int writeAll(int fd, const char *data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        done += size_t(n);
    }
    return 0;
}

// Writes what `fill` produces into `target` + ".part", then renames it over `target`.
template <typename Fill>
int writeAside(const QString &target, Fill fill)
{
    const QByteArray part = native(target + QStringLiteral(".part"));
    const int out = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0)
        return errno;
    int e = fill(out);
    // The real name may only point at data the disk holds.
    if (!e && ::fsync(out) != 0)
        e = errno;
    if (::close(out) != 0 && !e)
        e = errno;
    if (!e && ::rename(part.constData(), native(target).constData()) != 0)
        e = errno;
    if (e)
        ::unlink(part.constData());
    return e;
}

bool deleteTree(const QString &folder, FolderFiles &files, int *error)
{
    QStringList plain, folders, others;
    if (int e = files.list(folder, &plain, &folders, &others))
        return fail(error, e);
    for (const QString &name : plain + others) {
        if (int e = files.removeFile(join(folder, name)))
            return fail(error, e);
    }
    for (const QString &name : folders) {
        if (!deleteTree(join(folder, name), files, error))
            return false;
    }
    if (int e = files.removeFolder(folder))
        return fail(error, e);
    return true;
}

}   // namespace

FolderCopyResult FolderCopyResultOf(int errnoValue)
{
    switch (errnoValue) {
    case 0: return FolderCopyResult::Copied;
    case ENOENT: return FolderCopyResult::FileNotFound;
    case ENOSPC:
    case EDQUOT: return FolderCopyResult::DiskFull;
    case EMFILE:
    case ENFILE: return FolderCopyResult::TooManyFiles;
    case ENODEV:
    case ENXIO: return FolderCopyResult::DeviceUnavailable;
    case EACCES:
    case EPERM:
    case EROFS: return FolderCopyResult::PermissionDenied;
    case ENOMEDIUM:
    case EIO: return FolderCopyResult::DiskNotReady;
    default: return FolderCopyResult::OtherFailure;
    }
}

int FolderCopyTextId(FolderCopyResult result)
{
    switch (result) {
    case FolderCopyResult::Copied:
    case FolderCopyResult::OldContentsNotRemoved: return 0;
    case FolderCopyResult::FileNotFound: return kFileNotFoundText;
    case FolderCopyResult::DiskFull: return kDiskFullText;
    case FolderCopyResult::TooManyFiles: return kTooManyFilesText;
    case FolderCopyResult::DeviceUnavailable: return kDeviceUnavailableText;
    case FolderCopyResult::PermissionDenied: return kPermissionDeniedText;
    case FolderCopyResult::DiskNotReady: return kDiskNotReadyText;
    case FolderCopyResult::OtherFailure: break;
    }
    return TextId::PathOrFileError;
}

int FolderFiles::list(const QString &folder, QStringList *files, QStringList *folders, QStringList *others)
{
    files->clear();
    folders->clear();
    if (others)
        others->clear();
    DIR *dir = ::opendir(native(folder).constData());
    if (!dir)
        return errno;
    int e = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            e = errno;
            break;
        }
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const QByteArray path = native(join(folder, name));
        struct stat st;
        if (::lstat(path.constData(), &st) != 0) {
            if (errno == ENOENT)
                continue;   // gone since the listing
            e = errno;
            break;
        }
        if (S_ISDIR(st.st_mode))
            folders->append(name);
        else if (S_ISREG(st.st_mode)
                 || (S_ISLNK(st.st_mode) && ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode)))
            files->append(name);
        else if (others)
            others->append(name);
    }
    ::closedir(dir);
    files->sort();
    folders->sort();
    if (others)
        others->sort();
    return e;
}

int FolderFiles::makeFolder(const QString &path)
{
    if (::mkdir(native(path).constData(), 0777) == 0)
        return 0;
    const int e = errno;
    if (e != EEXIST)
        return e;
    return QFileInfo(path).isDir() ? 0 : ENOTDIR;   // a file stands where the folder should be
}

int FolderFiles::removeFile(const QString &path)
{
    if (::unlink(native(path).constData()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

int FolderFiles::removeFolder(const QString &path)
{
    if (::rmdir(native(path).constData()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

int FolderFiles::copyFile(const QString &source, const QString &target)
{
    const int in = ::open(native(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    const int e = writeAside(target, [in](int out) {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            if (n == 0)
                return 0;
            if (int e = writeAll(out, buffer, size_t(n)))
                return e;
        }
    });
    ::close(in);
    return e;
}

int FolderFiles::writeFile(const QString &path, const QByteArray &data)
{
    return writeAside(path, [&data](int out) { return writeAll(out, data.constData(), size_t(data.size())); });
}

bool CreateFolderPath(const QString &path, int *error)
{
    FolderFiles files;
    return CreateFolderPath(path, files, error);
}

bool CreateFolderPath(const QString &path, FolderFiles &files, int *error)
{
    const QString bare = withoutTrailingSlash(path);
    if (bare.isEmpty() || QFileInfo(bare).isDir())
        return true;
    for (qsizetype at = bare.indexOf(QLatin1Char('/'), 1);; at = bare.indexOf(QLatin1Char('/'), at + 1)) {
        const QString prefix = at < 0 ? bare : bare.left(at);
        if (!QFileInfo(prefix).isDir()) {
            if (int e = files.makeFolder(prefix))
                return fail(error, e);
        }
        if (at < 0)
            return true;
    }
}

bool DeleteFolderTree(const QString &folder, FolderFiles &files, int *error)
{
    const QString bare = withoutTrailingSlash(folder);
    if (bare.isEmpty())
        return true;
    struct stat st;
    if (::lstat(native(bare).constData(), &st) != 0)
        return errno == ENOENT || fail(error, errno);
    if (!S_ISDIR(st.st_mode)) {
        // A file or a link under the folder's name: it goes, what it points to stays.
        if (int e = files.removeFile(bare))
            return fail(error, e);
        return true;
    }
    return deleteTree(bare, files, error);
}

bool CopyFolderFiles(const QString &source, const QString &target, FolderFiles &files, int *error)
{
    if (!QFileInfo(source).isDir())
        return true;
    QStringList plain, folders;
    if (int e = files.list(source, &plain, &folders, nullptr))
        return fail(error, e);
    for (const QString &name : plain) {
        if (int e = files.copyFile(join(source, name), join(target, name)))
            return fail(error, e);
    }
    return true;
}

FolderCopyResult CopyFolderTree(const QString &source, const QString &targetRoot, FolderFiles &files)
{
    const QString from = withoutTrailingSlash(source);
    const QString to = withoutTrailingSlash(targetRoot);
    if (!QFileInfo(from).isDir())
        return FolderCopyResult::FileNotFound;
    if (to.isEmpty() || !QFileInfo(to).isDir())
        return FolderCopyResult::DiskNotReady;

    // The whole tree is listed before anything is written, so a target inside
    // the source is never walked into.
    struct Level {
        QString relative;
        QStringList files;
    };
    QList<Level> tree;
    for (QStringList pending{QString()}; !pending.isEmpty();) {
        const QString relative = pending.takeFirst();
        QStringList plain, folders;
        if (int e = files.list(join(from, relative), &plain, &folders, nullptr))
            return FolderCopyResultOf(e);
        for (const QString &name : folders)
            pending.append(join(relative, name));
        tree.append({relative, plain});
    }

    // The root's files go last: a disk whose copy broke off carries no index
    // pointing at a half-copied tree.
    tree.append(tree.takeFirst());
    for (const Level &level : tree) {
        const QString target = join(to, level.relative);
        if (!level.relative.isEmpty() && !QFileInfo(target).isDir()) {
            if (int e = files.makeFolder(target))
                return FolderCopyResultOf(e);
        }
        for (const QString &name : level.files) {
            if (int e = files.copyFile(join(join(from, level.relative), name), join(target, name)))
                return FolderCopyResultOf(e);
        }
    }
    return FolderCopyResult::Copied;
}
