#include "link/imagebackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "app/log.h"
#include "link/imagefile.h"

namespace {

const QString kFolder = QStringLiteral("BACKUP");
const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString kExtension = QStringLiteral(".PRG");

// "20261207-021530.PRG", or "20261207-021530-2.PRG" for a second copy in the same second.
QDateTime stampOf(const QString &fileName)
{
    if (!fileName.endsWith(kExtension, Qt::CaseInsensitive) || fileName.size() < kStampFormat.size())
        return {};
    return QDateTime::fromString(fileName.left(kStampFormat.size()), kStampFormat);
}

// 1 for the first copy of a second, n for "-n".
int copyNumber(const QString &fileName)
{
    const QString rest = fileName.mid(kStampFormat.size()).chopped(kExtension.size());
    return rest.startsWith(QLatin1Char('-')) ? rest.mid(1).toInt() : 1;
}

}   // namespace

QString BackupFolderName(const QString &serial)
{
    QString name = serial.trimmed();
    for (QChar &c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    return name.isEmpty() ? QStringLiteral("_") : name;
}

QString SaveImageBackup(const QString &appDir, const QString &serial, const QString &image, const QDateTime &when,
                        QString *error)
{
    auto fail = [error, &image](const QString &why) {
        qCWarning(lcLink).noquote() << "image backup of" << QDir::toNativeSeparators(image) << "failed:" << why;
        if (error)
            *error = why;
        return QString();
    };
    QFile source(image);
    if (!source.open(QIODevice::ReadOnly))
        return fail(source.errorString());
    const QByteArray bytes = source.readAll();
    if (bytes.isEmpty() || bytes.size() % ImageFile::RecordSize != 0)
        return fail(QStringLiteral("not a whole image: %1").arg(image));

    const QString folder = QDir(appDir).filePath(kFolder + QLatin1Char('/') + BackupFolderName(serial));
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create %1").arg(folder));
    const QString stamp = when.toString(kStampFormat);
    QString path = QDir(folder).filePath(stamp + kExtension);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(stamp + QLatin1Char('-') + QString::number(n) + kExtension);

    // Written aside and renamed: a crash never leaves half a backup under its name.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(QDir::toNativeSeparators(path) + QStringLiteral(": ") + out.errorString());
    qCInfo(lcLink).noquote() << "image backup written:" << QDir::toNativeSeparators(path);
    return QFileInfo(path).absoluteFilePath();
}

QList<ImageBackup> ListImageBackups(const QString &appDir, const QString &currentSerial)
{
    QList<ImageBackup> out;
    const QDir root(QDir(appDir).filePath(kFolder));
    const QString mine = currentSerial.trimmed().isEmpty() ? QString() : BackupFolderName(currentSerial);
    for (const QFileInfo &serial : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QFileInfo &file : QDir(serial.filePath()).entryInfoList(QDir::Files)) {
            const QDateTime taken = stampOf(file.fileName());
            if (taken.isValid())
                out.append({file.absoluteFilePath(), serial.fileName(), taken});
        }
    }
    std::sort(out.begin(), out.end(), [&mine](const ImageBackup &a, const ImageBackup &b) {
        const bool aMine = !mine.isEmpty() && a.serial == mine, bMine = !mine.isEmpty() && b.serial == mine;
        if (aMine != bMine)
            return aMine;
        if (a.taken != b.taken)
            return a.taken > b.taken;
        return copyNumber(QFileInfo(a.path).fileName()) > copyNumber(QFileInfo(b.path).fileName());
    });
    return out;
}

int CountImageDifferences(const QString &a, const QString &b, const QSet<int> &skip)
{
    ImageFile fa(a), fb(b);
    if (!fa.open() || !fb.open())
        return -1;
    const int na = fa.recordCount(), nb = fb.recordCount();
    int differences = 0;
    for (int r = 1; r <= std::max(na, nb); ++r) {
        if (skip.contains(r))
            continue;
        double va = 0, vb = 0;
        const bool inA = r <= na && fa.readValue(r, &va);
        const bool inB = r <= nb && fb.readValue(r, &vb);
        if (inA != inB || va != vb)
            ++differences;
    }
    return differences;
}
