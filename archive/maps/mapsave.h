#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <optional>

#include "archive/maps/maparchive.h"

// What the save dialog files a map under, its boxes as shown.
struct MapSaveRequest {
    QString model;          // `DatiDAT(0)`, trimmed when stored
    QString description;    // `DatiDAT(1)`
    QString valves;         // `DatiDAT(2)`
    qint16 plantType = 0;   // `TipoImp` index: 0 GPL, 1 METANO
    qint16 version = 1;     // `VerCentr` index + 1
    QString petrolEcu;      // `DatiDAT(3)`
};

// The disk operations of a save, each returning 0 or an errno value. Tests derive
// from it to make the disk fail at each step.
class MapSaveFiles {
public:
    virtual ~MapSaveFiles() = default;
    // The catalogue row: edits `old` when there is one, otherwise adds.
    virtual Catalogue::Result writeRecord(MapArchive &archive, const std::optional<MapRecord> &old,
                                          const MapRecord &record);
    // One folder level; its parent exists.
    virtual int makeFolder(const QString &path);
    virtual int removeFolder(const QString &path);
    // Creates or empties `path` and writes `bytes`, on the disk when it returns 0.
    virtual int writeFile(const QString &path, const QByteArray &bytes);
    // Replaces `to` in one step.
    virtual int rename(const QString &from, const QString &to);
    // 0 also when the file is not there.
    virtual int removeFile(const QString &path);
};

// How a save ended: the base id of the text to show, and for a file error the
// base id (330..336) of its kind, 0 otherwise.
struct MapSaveResult {
    int textId = 0;
    int causeTextId = 0;
};

// `Salva`, steps 3 to 10: converts `{app}/LETTURA.PRG` to the product format, writes
// the catalogue row and files the map under `FILER42/AUTOADATT`. Either both the
// row and the map file change, or neither: after a failure the catalogue, the
// folders and any older map are as they were. Results: 225 stored, 224 the
// image could not be converted, 386 the model cannot name a folder, 385 not stored
// (with the kind of the file error when there was one).
MapSaveResult SaveMap(MapArchive &archive, const QString &appDir, const MapSaveRequest &request,
                      const QString &versioneSoftware, const QDate &today, MapSaveFiles &files);
