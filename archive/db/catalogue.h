#pragma once
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class QLockFile;
class MessageSink;
struct FrameState;

struct CatalogueColumn {
    enum Kind { Text, Memo, Integer16 };
    QString name;
    Kind kind = Text;
    int size = 0;         // characters, Text only
    bool keyed = false;   // compared without case and trailing blanks, through a twin column "<name>_KEY"
};

struct CatalogueIndex {
    QString name;
    QStringList columns;
    bool unique = false;
};

// One archive's catalogue: where it lives, its table, and how its records are
// found again in the folder tree when nothing of the file can be read.
struct CatalogueSchema {
    QString folder;     // below the application folder, e.g. "DIR_DATI"
    QString fileName;   // e.g. "ARCHDATI.MDB"
    QString table;
    QList<CatalogueColumn> columns;
    QList<CatalogueIndex> indexes;
    std::function<QList<QVariantList>(const QString &archiveFolder)> scanTree;
};

// The key a text field is compared by: trailing blanks dropped, upper case.
QString CatalogueKey(const QString &text);

// Who is told, in his language, that a catalogue was repaired.
struct RepairNotice {
    const FrameState *frame = nullptr;
    MessageSink *sink = nullptr;
};

// `RepairArchive`: the damaged `basePath` + ".MDB" is kept beside under a dated
// name, its readable rows and the records found in the folder tree go into a new
// catalogue under the old name. Returns the kept copy's path, "" on failure
// (the damaged file is then left where it was).
QString RepairArchive(const CatalogueSchema &schema, const QString &basePath);

// An open catalogue, held exclusively against other processes until close().
// Each change is one transaction.
class Catalogue {
public:
    enum class Result { Ok, Duplicate, NotFound, Failed };
    // Column name and value; keyed columns match by CatalogueKey.
    using Match = QList<QPair<QString, QVariant>>;

    explicit Catalogue(CatalogueSchema schema);
    ~Catalogue();
    Catalogue(const Catalogue &) = delete;
    Catalogue &operator=(const Catalogue &) = delete;

    // Creates the folder and the catalogue when missing, repairs an unreadable
    // one; false when another process holds it or it cannot be opened.
    bool open(const QString &appDir, const RepairNotice &notice = {});
    void close();
    bool isOpen() const;
    QString filePath() const { return path_; }
    QString folderPath() const;
    // The kept copy of the last repair done by open(), "" when none.
    QString repairedCopy() const { return keptCopy_; }
    const CatalogueSchema &schema() const { return schema_; }

    // Values in the order of the schema's columns.
    Result insert(const QVariantList &values);
    Result update(const Match &where, const QVariantList &values);
    Result remove(const Match &where);
    // Rows in `PER_MOD` order (first keyed column, then insertion).
    QList<QVariantList> rows(const Match &where = {}) const;

private:
    bool openConnection(QString *nativeError);
    void dropConnection();

    CatalogueSchema schema_;
    QString path_;
    QString connection_;
    QString keptCopy_;
    std::unique_ptr<QLockFile> lock_;
};

// An archive list line: the trimmed model padded or cut to 12 characters,
// " - ", and the description when there is one.
QString ArchiveListLine(const QVariant &model, const QVariant &description);

// The models of a catalogue whose first column is the model, trimmed, each once
// under the key rule, in the catalogue's order.
QStringList DistinctModels(const Catalogue &catalogue);
