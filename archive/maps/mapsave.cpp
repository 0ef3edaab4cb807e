#include "archive/maps/mapsave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/textids.h"
#include "archive/db/archivefiles.h"
#include "archive/maps/srecord.h"

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Beside the target, so the rename that puts it in place never crosses a disk.
const QString kPartSuffix = QStringLiteral(".part");

}   // namespace

Catalogue::Result MapSaveFiles::writeRecord(MapArchive &archive, const std::optional<MapRecord> &old,
                                            const MapRecord &record)
{
    if (old)
        return archive.update(old->MODELLO.trimmed(), old->V_CENTR, old->IMPIANTO, record);
    return archive.add(record);
}

int MapSaveFiles::makeFolder(const QString &path)
{
    return ::mkdir(native(path).constData(), 0777) == 0 ? 0 : errno;
}

int MapSaveFiles::removeFolder(const QString &path)
{
    return ::rmdir(native(path).constData()) == 0 ? 0 : errno;
}

int MapSaveFiles::writeFile(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    int e = 0;
    for (qsizetype done = 0; done < bytes.size() && !e;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            e = ENOSPC;
        else if (errno != EINTR)
            e = errno;
    }
    // Only a map known to be on the disk may take the place of the old one.
    if (!e && ::fsync(fd) != 0)
        e = errno;
    if (::close(fd) != 0 && !e)
        e = errno;
    return e;
}

int MapSaveFiles::rename(const QString &from, const QString &to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

int MapSaveFiles::removeFile(const QString &path)
{
    if (::unlink(native(path).constData()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

MapSaveResult SaveMap(MapArchive &archive, const QString &appDir, const MapSaveRequest &request,
                      const QString &versioneSoftware, const QDate &today, MapSaveFiles &files)
{
    const QString model = request.model.trimmed();
    // A model such as ".." would file its map outside the archive.
    if (!IsArchiveName(model))
        return {TextId::ModelNameRefused, 0};

    const std::optional<QByteArray> map =
        ConvertImageToProductFormat(QDir(appDir).filePath(QStringLiteral("LETTURA.PRG")), versioneSoftware, today);
    if (!map)
        return {TextId::MapConversionFailed, 0};
    if (!archive.isOpen())
        return {TextId::MapNotStored, 0};

    const std::optional<MapRecord> old = archive.find(model, request.version, request.plantType);
    const MapRecord record{model,           request.description, request.valves, request.plantType,
                           request.version, request.petrolEcu};
    if (files.writeRecord(archive, old, record) != Catalogue::Result::Ok)
        return {TextId::MapNotStored, 0};

    // From here on a failure puts the catalogue row and the folders back as they were.
    QStringList madeFolders;
    auto undo = [&](int error) {
        if (old)
            archive.update(model, request.version, request.plantType, *old);
        else
            archive.remove(model, request.version, request.plantType);
        for (auto it = madeFolders.crbegin(); it != madeFolders.crend(); ++it)
            files.removeFolder(*it);
        return MapSaveResult{TextId::MapNotStored, FileErrorTextId(error, FileRole::Destination)};
    };

    // The model's folder in another letter case is the model's folder.
    const QString target = MapFilePath(appDir, model, request.version, request.plantType);
    const QString versionFolder = QFileInfo(target).path();
    const QString archiveFolder = QDir(appDir).filePath(QStringLiteral("FILER42"));
    const QStringList levels{archiveFolder, archiveFolder + QStringLiteral("/AUTOADATT"),
                             QFileInfo(versionFolder).path(), versionFolder};
    for (const QString &level : levels) {
        if (QFileInfo(level).isDir())
            continue;
        if (const int e = files.makeFolder(level))
            return undo(e);
        madeFolders << level;
    }

    const QString part = target + kPartSuffix;
    int e = files.writeFile(part, *map);
    if (!e)
        e = files.rename(part, target);
    if (e) {
        files.removeFile(part);
        return undo(e);
    }
    return {TextId::MapStored, 0};
}
