#include "archive/maps/disktarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "app/profile.h"

namespace {

const QString kIniFile = QStringLiteral("KALIBRON.INI");
const QString kSection = QStringLiteral("IMPOSTAZIONI");
const QString kTargetKey = QStringLiteral("DiscoAggiornamento");
const QString kFallbackFolder = QStringLiteral("DISCHETTO");

bool sysfsRemovable(const QString &device, const QString &sysRoot)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    // /dev/disk/by-label/... and /dev/mapper/... are links to the kernel's name.
    const QString resolved = QFileInfo(device).canonicalFilePath();
    const QString name = QFileInfo(resolved.isEmpty() ? device : resolved).fileName();
    QString block = QFileInfo(sysRoot + QStringLiteral("/class/block/") + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    // A partition's flag is kept by the disk it belongs to.
    if (QFileInfo::exists(block + QStringLiteral("/partition")))
        block = QFileInfo(block).absolutePath();
    QFile flag(block + QStringLiteral("/removable"));
    return flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1";
}

}   // namespace

bool IsRemovableVolume(const QString &rootPath, const QString &device, const QString &sysRoot)
{
    if (rootPath.isEmpty() || rootPath == QLatin1String("/"))
        return false;
    if (rootPath.startsWith(QLatin1String("/media/")) || rootPath.startsWith(QLatin1String("/run/media/")))
        return true;
    return sysfsRemovable(device, sysRoot);
}

QStringList RemovableVolumes()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !volume.isReadOnly()
            && IsRemovableVolume(volume.rootPath(), QString::fromLocal8Bit(volume.device())))
            roots << volume.rootPath();
    }
    return roots;
}

QString UpdateDiskTarget(const QString &appDir, const QStringList &removable)
{
#ifdef Q_OS_WIN
    Q_UNUSED(appDir);
    Q_UNUSED(removable);
    return QStringLiteral("A:");
#else
    const QString named = Profile::read(QDir(appDir).filePath(kIniFile), kSection, kTargetKey, QString()).trimmed();
    if (!named.isEmpty())
        return QDir::cleanPath(QDir(appDir).absoluteFilePath(named));
    if (!removable.isEmpty())
        return removable.first();
    const QString fallback = QDir(appDir).filePath(kFallbackFolder);
    // Not made here, the copy reports the disk as not ready and offers Retry.
    QDir().mkpath(fallback);
    return fallback;
#endif
}

QString UpdateDiskTarget(const QString &appDir)
{
    return UpdateDiskTarget(appDir, RemovableVolumes());
}
