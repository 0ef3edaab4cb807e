#include "archive/maps/maparchive.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <tuple>

#include "archive/db/archivefiles.h"

namespace {

const QString kTree = QStringLiteral("AUTOADATT");
const QString kGpl = QStringLiteral("C_GPL02.R42");
const QString kMetano = QStringLiteral("C_META02.R42");

QVariant text(const QString &s)
{
    return s.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(s);
}

QVariantList valuesOf(const MapRecord &r)
{
    return {text(r.MODELLO), text(r.DESC_MODELLO), text(r.VALVOLE), r.IMPIANTO, r.V_CENTR, text(r.C_BENZINA)};
}

MapRecord recordOf(const QVariantList &row)
{
    return {row.value(0).toString(),      row.value(1).toString(),      row.value(2).toString(),
            qint16(row.value(3).toInt()), qint16(row.value(4).toInt()), row.value(5).toString()};
}

Catalogue::Match keyOf(const QString &model, qint16 vCentr, qint16 impianto)
{
    return {{QStringLiteral("MODELLO"), model},
            {QStringLiteral("V_CENTR"), vCentr},
            {QStringLiteral("IMPIANTO"), impianto}};
}

// Records for a catalogue nothing could be read from: one per map file of the tree.
QList<QVariantList> scanMaps(const QString &archiveFolder)
{
    static const QRegularExpression version(QStringLiteral("^CENTRAL([0-9])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QList<QVariantList> rows;
    const QDir root(QDir(archiveFolder).filePath(ModelFolderName(archiveFolder, kTree)));
    for (const QString &model : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir modelDir(root.filePath(model));
        for (const QString &central : modelDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            const auto m = version.match(central);
            if (!m.hasMatch())
                continue;
            const QDir dir(modelDir.filePath(central));
            for (const QString &file : dir.entryList(QDir::Files, QDir::Name)) {
                const int impianto = file.compare(kGpl, Qt::CaseInsensitive) == 0      ? 0
                                     : file.compare(kMetano, Qt::CaseInsensitive) == 0 ? 1
                                                                                       : -1;
                if (impianto >= 0)
                    rows.append({model, QString(""), QString(""), impianto, m.captured(1).toInt(), QString("")});
            }
        }
    }
    return rows;
}

}   // namespace

CatalogueSchema MapSchema()
{
    CatalogueSchema s;
    s.folder = QStringLiteral("FILER42");
    s.fileName = QStringLiteral("ARCHR42.MDB");
    s.table = QStringLiteral("TABR42");
    s.columns = {{QStringLiteral("MODELLO"), CatalogueColumn::Text, 12, true},
                 {QStringLiteral("DESC_MODELLO"), CatalogueColumn::Text, 41, false},
                 {QStringLiteral("VALVOLE"), CatalogueColumn::Text, 4, false},
                 {QStringLiteral("IMPIANTO"), CatalogueColumn::Integer16, 0, false},
                 {QStringLiteral("V_CENTR"), CatalogueColumn::Integer16, 0, false},
                 {QStringLiteral("C_BENZINA"), CatalogueColumn::Text, 40, false}};
    s.indexes = {{QStringLiteral("PER_MOD"), {QStringLiteral("MODELLO")}, false},
                 {QStringLiteral("PER_DESCM"), {QStringLiteral("MODELLO"), QStringLiteral("DESC_MODELLO")}, false},
                 {QStringLiteral("PER_CENTR"),
                  {QStringLiteral("MODELLO"), QStringLiteral("V_CENTR"), QStringLiteral("IMPIANTO")},
                  true}};
    s.scanTree = scanMaps;
    return s;
}

Catalogue::Result MapArchive::add(const MapRecord &record)
{
    return catalogue_.insert(valuesOf(record));
}

std::optional<MapRecord> MapArchive::find(const QString &model, qint16 vCentr, qint16 impianto) const
{
    const auto rows = catalogue_.rows(keyOf(model, vCentr, impianto));
    if (rows.isEmpty())
        return std::nullopt;
    return recordOf(rows.first());
}

QList<MapRecord> MapArchive::records(const QString &model) const
{
    QList<MapRecord> out;
    const Catalogue::Match where =
        model.isNull() ? Catalogue::Match() : Catalogue::Match{{QStringLiteral("MODELLO"), model}};
    for (const QVariantList &row : catalogue_.rows(where))
        out << recordOf(row);
    return out;
}

Catalogue::Result MapArchive::update(const QString &model, qint16 vCentr, qint16 impianto, const MapRecord &record)
{
    return catalogue_.update(keyOf(model, vCentr, impianto), valuesOf(record));
}

Catalogue::Result MapArchive::remove(const QString &model, qint16 vCentr, qint16 impianto)
{
    return catalogue_.remove(keyOf(model, vCentr, impianto));
}

QStringList MapArchive::models() const
{
    return DistinctModels(catalogue_);
}

bool OpenMapArchive(MapArchive &archive, const QString &appDir, const RepairNotice &notice)
{
    return archive.open(appDir, notice);
}

QStringList FillModelList(const MapArchive &archive)
{
    QStringList lines;
    QString last;
    for (const QVariantList &row : archive.catalogue().rows()) {
        if (row.value(0).isNull())
            continue;
        const QString model = row.value(0).toString().trimmed().toUpper();
        if (model == last)
            continue;
        lines << ArchiveListLine(row.value(0), row.value(1));
        last = model;
    }
    return lines;
}

QString MapFilePath(const QString &appDir, const QString &model, qint16 vCentr, qint16 impianto)
{
    const QString tree = QDir(appDir).filePath(QStringLiteral("FILER42/") + kTree);
    return QDir(tree).filePath(ModelFolderName(tree, model) + QStringLiteral("/CENTRAL%1/").arg(vCentr)
                               + (impianto == 1 ? kMetano : kGpl));
}

QString MapRecordKey(const QVariant &vCentr, const QVariant &impianto)
{
    auto part = [](const QVariant &v) {
        return v.isNull() ? QStringLiteral("  ") : QStringLiteral("%1").arg(v.toInt(), 2);
    };
    return part(vCentr) + part(impianto);
}

QStringList FillRecordList(const MapArchive &archive, QStringList *keys)
{
    struct Line {
        QString model;
        int vCentr;
        int impianto;
        QString key;
        QString text;
    };
    QList<Line> lines;
    for (const QVariantList &row : archive.catalogue().rows()) {
        if (row.value(0).isNull() || row.value(4).isNull())
            continue;
        lines.append({CatalogueKey(row.value(0).toString().trimmed()), row.value(4).toInt(),
                      row.value(3).isNull() ? -1 : row.value(3).toInt(), MapRecordKey(row.value(4), row.value(3)),
                      ArchiveListLine(row.value(0), row.value(1))});
    }
    // Rows come in model order; version and installation order within a model.
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        return std::tie(a.model, a.vCentr, a.impianto) < std::tie(b.model, b.vCentr, b.impianto);
    });
    QStringList out;
    if (keys)
        keys->clear();
    for (const Line &l : lines) {
        out << l.text;
        if (keys)
            keys->append(l.key);
    }
    return out;
}
