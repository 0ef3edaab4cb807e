#include "archive/maps/updatedisk.h"

#include <QDir>
#include <QFileInfo>

#include "app/textids.h"
#include "archive/db/archivefiles.h"
#include "archive/maps/maparchive.h"
#include "live/codepage.h"

namespace {

const QString kStaging = QStringLiteral("DISCOAGG");
const QString kIndexFile = QStringLiteral("AUTOADATT.DAT");
const QString kTree = QStringLiteral("AUTOADATT");
const QString kArchiveFolder = QStringLiteral("FILER42");
const QString kLineEnd = QStringLiteral("\r\n");
constexpr int kLabelWidth = 20;
// Columns of a TABR42 row.
enum Column { Modello, DescModello, Valvole, Impianto, VCentr, CBenzina };

QString join(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString versionFolder(qint16 version)
{
    return QStringLiteral("CENTRAL%1").arg(version);
}

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isNull());
}

bool isNumber(const QVariant &v)
{
    bool ok = false;
    v.toInt(&ok);
    return !isNull(v) && ok;
}

QString indexLine(const char *label, const QString &value)
{
    return QString::fromLatin1(label).leftJustified(kLabelWidth) + QStringLiteral(": ") + value + kLineEnd;
}

QString installationLetter(int impianto)
{
    switch (impianto) {
    case 1: return QStringLiteral("M");   // methane
    case 2: return QStringLiteral("E");
    default: return QStringLiteral("G");   // LPG
    }
}

}   // namespace

QString UpdateDiskStaging(const QString &appDir)
{
    return QDir(appDir).filePath(kStaging);
}

bool SplitModelLine(const QString &line, QString *model, QString *description)
{
    const qsizetype dash = line.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return false;
    *model = line.left(dash).trimmed();
    *description = line.mid(dash + 1).trimmed();
    return true;
}

UpdateDiskPlan PlanUpdateDisk(const MapArchive &archive, const QStringList &selectedLines, int lingua)
{
    UpdateDiskPlan plan;
    QString text;
    const QList<QVariantList> rows = archive.catalogue().rows();
    for (const QString &line : selectedLines) {
        QString model, description;
        // A code no folder could carry has no maps in the archive to copy.
        if (!SplitModelLine(line, &model, &description) || !IsArchiveName(model))
            continue;
        const QString key = model.toUpper();
        QList<QVariantList> records;
        for (const QVariantList &row : rows) {
            if (row.value(Modello).toString().trimmed().toUpper() == key)
                records << row;
        }
        if (records.isEmpty())
            continue;

        const QVariant valves = records.first().value(Valvole);
        text += indexLine("INIZIO", QStringLiteral("TEMPOR"));
        text += indexLine("MARCA", QStringLiteral("AUTOADATT"));
        text += indexLine("MODELLO", model);
        text += indexLine("DESCRIZIONE_MODELLO", description);
        text += indexLine("VALVOLE_DA_MONTARE", isNull(valves) ? QStringLiteral("1") : valves.toString());
        for (const QVariantList &row : records) {
            if (!isNumber(row.value(Impianto)) || !isNumber(row.value(VCentr)) || isNull(row.value(CBenzina)))
                continue;
            const qint16 version = qint16(row.value(VCentr).toInt());
            text += indexLine("VERSIONE_CENTR_BENZ", QString::number(version));
            text += indexLine("TIPO_IMPIANTO", installationLetter(row.value(Impianto).toInt()));
            text += indexLine("CENTRALINA_BENZINA", row.value(CBenzina).toString());
            const StagedMapFolder folder{model, version};
            // Both installations of a version share its folder: it is copied once.
            if (!plan.folders.contains(folder))
                plan.folders << folder;
        }
        text += QStringLiteral("END") + kLineEnd + kLineEnd;
    }
    plan.index = EncodeForLanguage(text, lingua);
    return plan;
}

bool BuildUpdateDisk(const QString &appDir, const UpdateDiskPlan &plan, FolderFiles &files)
{
    const QString staging = UpdateDiskStaging(appDir);
    bool ok = DeleteFolderTree(staging, files) && CreateFolderPath(staging + QLatin1Char('/'), files);

    const QString archive = QDir(appDir).filePath(kArchiveFolder);
    const QString tree = join(archive, ModelFolderName(archive, kTree));
    for (qsizetype i = 0; ok && i < plan.folders.size(); ++i) {
        const StagedMapFolder &f = plan.folders[i];
        const QString modelFolder = join(tree, ModelFolderName(tree, f.model));
        const QString source = join(modelFolder, ModelFolderName(modelFolder, versionFolder(f.version)));
        const QString target = join(join(join(staging, kTree), f.model), versionFolder(f.version));
        ok = CreateFolderPath(target + QLatin1Char('/'), files) && CopyFolderFiles(source, target, files);
    }
    ok = ok && files.writeFile(join(staging, kIndexFile), plan.index) == 0;

    if (!ok)
        DeleteFolderTree(staging, files);
    return ok;
}

UpdateDiskCopy CopyUpdateDisk(const QString &appDir, const QString &targetRoot, FolderFiles &files)
{
    const QString staging = UpdateDiskStaging(appDir);
    // Clearing a target inside the staging folder would delete what is to be copied.
    const QString stagingPath = QFileInfo(staging).canonicalFilePath();
    const QString targetPath = QFileInfo(targetRoot).canonicalFilePath();
    if (!stagingPath.isEmpty() && !targetPath.isEmpty()
        && (targetPath == stagingPath || targetPath.startsWith(stagingPath + QLatin1Char('/'))))
        return {FolderCopyResult::OtherFailure, TextId::PathOrFileError};

    const QString index = join(targetRoot, kIndexFile);
    const QString tree = join(targetRoot, kTree);
    int error = 0;
    if (FileEsiste(index, 0))
        error = files.removeFile(index);
    if (!error && FileEsiste(tree, 16))
        DeleteFolderTree(tree, files, &error);
    if (error) {
        const FolderCopyResult why = FolderCopyResultOf(error);
        return {FolderCopyResult::OldContentsNotRemoved, FolderCopyTextId(why)};
    }
    const FolderCopyResult result = CopyFolderTree(staging, targetRoot, files);
    return {result, FolderCopyTextId(result)};
}
