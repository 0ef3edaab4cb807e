#pragma once
#include <QString>
#include <QStringList>
#include <optional>

#include "archive/db/catalogue.h"

// One record of `TABDATI`. Text fields are stored as given (the dialogs pad them).
struct AcquisitionRecord {
    QString MODELLO;        // 12
    QString DESC_MODELLO;   // 41
    QString FILE;           // 12, without folder and ".DAT"
    QString NOTE;           // memo
};

// `TABDATI` in `folder`/`fileName` below the folder given to open; the backup's
// catalogue is the same table under another name.
CatalogueSchema AcquisitionSchema(const QString &folder = QStringLiteral("DIR_DATI"),
                                  const QString &fileName = QStringLiteral("ARCHDATI.MDB"));

// The acquisition catalogue. Models and file names match without case and
// trailing blanks ("fiat" finds "FIAT ").
class AcquisitionArchive {
public:
    explicit AcquisitionArchive(CatalogueSchema schema = AcquisitionSchema()) : catalogue_(std::move(schema)) {}

    bool open(const QString &appDir, const RepairNotice &notice = {}) { return catalogue_.open(appDir, notice); }
    void close() { catalogue_.close(); }
    bool isOpen() const { return catalogue_.isOpen(); }
    Catalogue &catalogue() { return catalogue_; }
    const Catalogue &catalogue() const { return catalogue_; }

    // Duplicate when the model already holds that file name.
    Catalogue::Result add(const AcquisitionRecord &record);
    std::optional<AcquisitionRecord> find(const QString &model, const QString &file) const;
    // Every record, or a model's, in `PER_MOD` order.
    QList<AcquisitionRecord> records(const QString &model = QString()) const;
    Catalogue::Result update(const QString &model, const QString &file, const AcquisitionRecord &record);
    Catalogue::Result remove(const QString &model, const QString &file);
    // One trimmed code per model, as first stored.
    QStringList models() const;

private:
    Catalogue catalogue_;
};

// `OpenAcquisitionArchive`: `{app}/DIR_DATI/ARCHDATI.MDB`, created on first use,
// repaired when unreadable; false when another process holds it.
bool OpenAcquisitionArchive(AcquisitionArchive &archive, const QString &appDir, const RepairNotice &notice = {});

// `FillAcquisitionList`: one line per record with a model and a file; `files`
// gets the stored `FILE` of each line at the same index.
QStringList FillAcquisitionList(const AcquisitionArchive &archive, QStringList *files);

// `{app}/DIR_DATI/{model folder}/{file}.DAT`, the model folder found without regard to case.
QString AcquisitionFilePath(const QString &appDir, const QString &model, const QString &file);
