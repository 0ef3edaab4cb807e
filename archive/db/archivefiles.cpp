#include "archive/db/archivefiles.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "app/textids.h"

bool FileEsiste(const QString &path, int attributes)
{
    if (path.trimmed().isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    return (attributes & 16) ? true : info.isFile();
}

int FileErrorTextId(int errnoValue, FileRole role)
{
    switch (errnoValue) {
    case 0: return 0;
    case ENOSPC:
    case EDQUOT: return 330;
    case EMFILE:
    case ENFILE: return 331;
    case ENXIO:
    case ENODEV: return 332;
    case EACCES:
    case EPERM:
    case EROFS: return 333;
    case ENOMEDIUM:
    case EIO: return 334;
    case ENOENT: return role == FileRole::Source ? 336 : TextId::PathOrFileError;
    default: return TextId::PathOrFileError;
    }
}

bool IsArchiveName(const QString &name)
{
    const QString n = name.trimmed();
    if (n.isEmpty() || n == QLatin1String(".") || n == QLatin1String(".."))
        return false;
    // FAT and NTFS refuse these too, and recordings are backed up to such sticks.
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    for (const QChar c : n) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || refused.contains(c))
            return false;
    }
    // Windows drops a trailing dot, so "A." and "A" would share one file there.
    return !n.endsWith(QLatin1Char('.')) && n.toUtf8().size() <= 255;
}

QString ModelFolderName(const QString &parent, const QString &model)
{
    const QString wanted = model.trimmed();
    const QStringList found = QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    if (found.contains(wanted))
        return wanted;
    for (const QString &name : found) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return wanted;
}
