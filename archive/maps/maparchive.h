#pragma once
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

#include "archive/db/catalogue.h"

// One record of `TABR42`: one map of a model, petrol-ECU version and installation.
struct MapRecord {
    QString MODELLO;        // 12
    QString DESC_MODELLO;   // 41
    QString VALVOLE;        // 4
    qint16 IMPIANTO = 0;    // 0 GPL, 1 METANO
    qint16 V_CENTR = 1;     // 1..3
    QString C_BENZINA;      // 40
};

CatalogueSchema MapSchema();

// The map catalogue. Models match without case and trailing blanks.
class MapArchive {
public:
    MapArchive() : catalogue_(MapSchema()) {}

    bool open(const QString &appDir, const RepairNotice &notice = {}) { return catalogue_.open(appDir, notice); }
    void close() { catalogue_.close(); }
    bool isOpen() const { return catalogue_.isOpen(); }
    const Catalogue &catalogue() const { return catalogue_; }

    // Duplicate when the model already has a map for that version and installation.
    Catalogue::Result add(const MapRecord &record);
    std::optional<MapRecord> find(const QString &model, qint16 vCentr, qint16 impianto) const;
    // Every record, or a model's, in `PER_MOD` order.
    QList<MapRecord> records(const QString &model = QString()) const;
    Catalogue::Result update(const QString &model, qint16 vCentr, qint16 impianto, const MapRecord &record);
    Catalogue::Result remove(const QString &model, qint16 vCentr, qint16 impianto);
    // One trimmed code per model, as first stored.
    QStringList models() const;

private:
    Catalogue catalogue_;
};

// `OpenMapArchive`: `{app}/FILER42/ARCHR42.MDB`, created on first use, repaired
// when unreadable; false when another process holds it.
bool OpenMapArchive(MapArchive &archive, const QString &appDir, const RepairNotice &notice = {});

// `FillModelList`: one line per distinct model with its first record's description.
QStringList FillModelList(const MapArchive &archive);

// `{app}/FILER42/AUTOADATT/{model folder}/CENTRAL{v}/C_GPL02.R42` (C_META02.R42 for
// methane), the model folder found without regard to case.
QString MapFilePath(const QString &appDir, const QString &model, qint16 vCentr, qint16 impianto);

// `FillRecordList`: one line per record whose model and version are set, in
// `PER_CENTR` order (model, version, installation), as `ArchiveListLine` shows it;
// `keys` gets each line's `MapRecordKey`.
QStringList FillRecordList(const MapArchive &archive, QStringList *keys);

// The key `ListaCentr` keeps for a map record: version and installation, each
// right-aligned in two characters (" 1 0" is version 1, GPL; blanks for an empty field).
QString MapRecordKey(const QVariant &vCentr, const QVariant &impianto);
