#include "archive/widgets/acquisitionbackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/log.h"
#include "archive/acquisitions/acquisitionarchive.h"

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Retries what a signal interrupted; the errno of a real failure is kept.
ssize_t writeAll(int fd, const char *data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0) {
            errno = ENOSPC;
            return -1;
        }
        done += size_t(n);
    }
    return ssize_t(done);
}

// Logs a failed file operation of a backup; returns the text id that tells it.
int fileFailure(int e, FileRole role, const char *what, const QString &path)
{
    qCWarning(lcArchive).noquote() << "backup:" << what << QDir::toNativeSeparators(path) << "-"
                                   << QString::fromLocal8Bit(std::strerror(e));
    return FileErrorTextId(e, role);
}

// The side file a catalogue is rebuilt in; same stem, so it shares the final one's lock.
constexpr const char *kNewCatalogue = "ACQUISIZ.TMP";

}   // namespace

int BackupFiles::createFolderPath(const QString &path)
{
    int e = 0;
    return CreateFolderPath(path, &e) ? 0 : e;
}

int BackupFiles::removeFile(const QString &path)
{
    if (::unlink(native(path).constData()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

int BackupFiles::rename(const QString &from, const QString &to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

int BackupFiles::copyFile(const QString &source, const QString &target, FileRole *failed)
{
    *failed = FileRole::Source;
    const int in = ::open(native(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    *failed = FileRole::Destination;
    const QByteArray part = native(target + QStringLiteral(".part"));
    const int out = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    int e = 0;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            e = errno;
            *failed = FileRole::Source;
            break;
        }
        if (n == 0)
            break;
        if (writeAll(out, buffer, size_t(n)) < 0) {
            e = errno;
            break;
        }
    }
    // Only a file known to be on the disk may take the recording's name.
    if (!e && ::fsync(out) != 0)
        e = errno;
    if (::close(out) != 0 && !e)
        e = errno;
    ::close(in);
    if (!e && ::rename(part.constData(), native(target).constData()) != 0)
        e = errno;
    if (e)
        ::unlink(part.constData());
    return e;
}

QString BackupDestination(const QString &typed, const QString &appDir)
{
    QString d = typed.trimmed();
    if (d.isEmpty() || !QDir::isAbsolutePath(d))
        return {};
    if (d.size() > 1 && d.endsWith(QLatin1Char('/')))
        d.chop(1);
    d = QDir::cleanPath(d);
    const QString app = QDir::cleanPath(appDir.trimmed());
    if (d.compare(app, Qt::CaseInsensitive) == 0)
        return {};
    const QString canonical = QFileInfo(d).canonicalFilePath();
    if (!canonical.isEmpty() && canonical == QFileInfo(app).canonicalFilePath())
        return {};
    return d;
}

int BackUpAcquisitions(AcquisitionArchive &source, const QString &appDir, const QString &destination,
                       const QList<BackupItem> &items, BackupFiles &files)
{
    const QString root = destination == QLatin1String("/") ? QString() : destination;
    const QString data = root + QStringLiteral("/DIR_DATI");
    if (int e = files.createFolderPath(data + QLatin1Char('/')))
        return fileFailure(e, FileRole::Destination, "cannot create", data);

    const QString fresh = data + QLatin1Char('/') + QLatin1String(kNewCatalogue);
    const QString catalogue = data + QStringLiteral("/ACQUISIZ.MDB");
    for (const QString &stale : {fresh, fresh + QStringLiteral("-journal"), data + QStringLiteral("/ACQUISIZ.LDB")}) {
        if (int e = files.removeFile(stale))
            return fileFailure(e, FileRole::Destination, "cannot delete", stale);
    }

    AcquisitionArchive target(AcquisitionSchema(QStringLiteral("DIR_DATI"), QLatin1String(kNewCatalogue)));
    if (!target.open(root.isEmpty() ? QStringLiteral("/") : root)) {
        qCWarning(lcArchive).noquote() << "backup: cannot create the catalogue in" << QDir::toNativeSeparators(data);
        return 328;
    }

    int outcome = 327;
    bool missing = false;
    for (const BackupItem &item : items) {
        const std::optional<AcquisitionRecord> record = source.find(item.model.trimmed(), item.file.trimmed());
        if (!record || record->MODELLO.isNull() || record->FILE.isNull())
            continue;
        if (target.add(*record) != Catalogue::Result::Ok) {
            qCWarning(lcArchive).noquote() << "backup: cannot add" << item.model.trimmed() << item.file.trimmed()
                                           << "to the catalogue in" << QDir::toNativeSeparators(data);
            outcome = 328;
            break;
        }
        const QString model = item.model.trimmed();
        const QString folder = data + QLatin1Char('/') + ModelFolderName(data, model);
        if (int e = files.createFolderPath(folder + QLatin1Char('/'))) {
            outcome = fileFailure(e, FileRole::Destination, "cannot create", folder);
            break;
        }
        const QString recording = AcquisitionFilePath(appDir, model, item.file.trimmed());
        if (!FileEsiste(recording, 0)) {
            qCWarning(lcArchive).noquote() << "backup: recording missing:" << QDir::toNativeSeparators(recording);
            missing = true;
            continue;
        }
        FileRole side = FileRole::Destination;
        const QString copy = folder + QLatin1Char('/') + QFileInfo(recording).fileName();
        if (int e = files.copyFile(recording, copy, &side)) {
            outcome = fileFailure(e, side, "cannot copy", side == FileRole::Source ? recording : copy);
            break;
        }
    }
    target.close();

    // What was copied stays: the new catalogue replaces the old one even after a failure.
    // A journal the old catalogue left behind would be played back into the new one.
    int e = files.removeFile(catalogue + QStringLiteral("-journal"));
    if (!e)
        e = files.rename(fresh, catalogue);
    if (e) {
        const int id = fileFailure(e, FileRole::Destination, "cannot put in place", catalogue);
        if (outcome == 327)
            outcome = id;
    }
    if (outcome == 327 && missing)
        outcome = 336;
    return outcome;
}
