#include "archive/acquisitions/acquisitionarchive.h"

#include <QDir>
#include <QSet>

#include "archive/db/archivefiles.h"

namespace {

QVariant text(const QString &s)
{
    return s.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(s);
}

QVariantList valuesOf(const AcquisitionRecord &r)
{
    return {text(r.MODELLO), text(r.DESC_MODELLO), text(r.FILE), text(r.NOTE)};
}

AcquisitionRecord recordOf(const QVariantList &row)
{
    return {row.value(0).toString(), row.value(1).toString(), row.value(2).toString(), row.value(3).toString()};
}

// Records for a catalogue nothing could be read from: one per `{model}/{file}.DAT`.
QList<QVariantList> scanRecordings(const QString &archiveFolder)
{
    QList<QVariantList> rows;
    const QDir root(archiveFolder);
    for (const QString &model : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir dir(root.filePath(model));
        for (const QFileInfo &f :
             dir.entryInfoList({QStringLiteral("*.DAT"), QStringLiteral("*.dat")}, QDir::Files, QDir::Name)) {
            if (f.suffix().compare(QLatin1String("DAT"), Qt::CaseInsensitive) == 0)
                rows.append({model, QString(""), f.completeBaseName(), QString("")});
        }
    }
    return rows;
}

}   // namespace

CatalogueSchema AcquisitionSchema(const QString &folder, const QString &fileName)
{
    CatalogueSchema s;
    s.folder = folder;
    s.fileName = fileName;
    s.table = QStringLiteral("TABDATI");
    s.columns = {{QStringLiteral("MODELLO"), CatalogueColumn::Text, 12, true},
                 {QStringLiteral("DESC_MODELLO"), CatalogueColumn::Text, 41, false},
                 {QStringLiteral("FILE"), CatalogueColumn::Text, 12, true},
                 {QStringLiteral("NOTE"), CatalogueColumn::Memo, 0, false}};
    s.indexes = {{QStringLiteral("PER_MOD"), {QStringLiteral("MODELLO")}, false},
                 {QStringLiteral("PER_MODF"), {QStringLiteral("MODELLO"), QStringLiteral("FILE")}, true}};
    s.scanTree = scanRecordings;
    return s;
}

Catalogue::Result AcquisitionArchive::add(const AcquisitionRecord &record)
{
    return catalogue_.insert(valuesOf(record));
}

std::optional<AcquisitionRecord> AcquisitionArchive::find(const QString &model, const QString &file) const
{
    const auto rows = catalogue_.rows({{QStringLiteral("MODELLO"), model}, {QStringLiteral("FILE"), file}});
    if (rows.isEmpty())
        return std::nullopt;
    return recordOf(rows.first());
}

QList<AcquisitionRecord> AcquisitionArchive::records(const QString &model) const
{
    QList<AcquisitionRecord> out;
    const Catalogue::Match where =
        model.isNull() ? Catalogue::Match() : Catalogue::Match{{QStringLiteral("MODELLO"), model}};
    for (const QVariantList &row : catalogue_.rows(where))
        out << recordOf(row);
    return out;
}

Catalogue::Result AcquisitionArchive::update(const QString &model, const QString &file, const AcquisitionRecord &record)
{
    return catalogue_.update({{QStringLiteral("MODELLO"), model}, {QStringLiteral("FILE"), file}}, valuesOf(record));
}

Catalogue::Result AcquisitionArchive::remove(const QString &model, const QString &file)
{
    return catalogue_.remove({{QStringLiteral("MODELLO"), model}, {QStringLiteral("FILE"), file}});
}

QStringList AcquisitionArchive::models() const
{
    return DistinctModels(catalogue_);
}

bool OpenAcquisitionArchive(AcquisitionArchive &archive, const QString &appDir, const RepairNotice &notice)
{
    return archive.open(appDir, notice);
}

QStringList FillAcquisitionList(const AcquisitionArchive &archive, QStringList *files)
{
    QStringList lines;
    if (files)
        files->clear();
    for (const QVariantList &row : archive.catalogue().rows()) {
        if (row.value(0).isNull() || row.value(2).isNull())
            continue;
        lines << ArchiveListLine(row.value(0), row.value(1));
        if (files)
            *files << row.value(2).toString();
    }
    return lines;
}

QString AcquisitionFilePath(const QString &appDir, const QString &model, const QString &file)
{
    const QString root = QDir(appDir).filePath(QStringLiteral("DIR_DATI"));
    return QDir(root).filePath(ModelFolderName(root, model) + QLatin1Char('/') + file.trimmed()
                               + QStringLiteral(".DAT"));
}
