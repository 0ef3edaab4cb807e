#include "archive/db/catalogue.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>
#include <cstdio>

#include "app/framestate.h"
#include "app/log.h"
#include "app/messages.h"
#include "app/textids.h"
#include "app/texts.h"

namespace {

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("kal_catalogue_%1").arg(++counter);
}

bool isNullValue(const QVariant &v)
{
    return !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isNull());
}

QString keyName(const CatalogueColumn &c)
{
    return c.name + QStringLiteral("_KEY");
}

const CatalogueColumn *findColumn(const CatalogueSchema &s, const QString &name)
{
    for (const CatalogueColumn &c : s.columns) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

QString columnList(const CatalogueSchema &s)
{
    QStringList names;
    for (const CatalogueColumn &c : s.columns)
        names << c.name;
    return names.join(QStringLiteral(", "));
}

// SQLite knows no sizes, so they are declared and enforced by CHECK.
bool createSchema(QSqlDatabase &db, const CatalogueSchema &s)
{
    QStringList defs, keys;
    for (const CatalogueColumn &c : s.columns) {
        switch (c.kind) {
        case CatalogueColumn::Text:
            defs << QStringLiteral("%1 VARCHAR(%2) CHECK (length(%1) <= %2)").arg(c.name).arg(c.size);
            break;
        case CatalogueColumn::Memo: defs << QStringLiteral("%1 TEXT").arg(c.name); break;
        case CatalogueColumn::Integer16:
            defs << QStringLiteral("%1 SMALLINT CHECK (%1 BETWEEN -32768 AND 32767)").arg(c.name);
            break;
        }
        if (c.keyed)
            keys << QStringLiteral("%1 VARCHAR(%2)").arg(keyName(c)).arg(c.size);
    }
    QStringList statements;
    statements
        << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(s.table, (defs + keys).join(QStringLiteral(", ")));
    for (const CatalogueIndex &i : s.indexes) {
        QStringList cols;
        for (const QString &name : i.columns) {
            const CatalogueColumn *c = findColumn(s, name);
            cols << (c && c->keyed ? keyName(*c) : name);
        }
        statements << QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
                          .arg(i.unique ? QStringLiteral("UNIQUE ") : QString(), i.name, s.table,
                               cols.join(QStringLiteral(", ")));
    }
    QSqlQuery q(db);
    for (const QString &sql : statements) {
        if (!q.exec(sql))
            return false;
    }
    return true;
}

// The stored row: the schema's values, then the keys of the keyed columns.
QVariantList withKeys(const CatalogueSchema &s, const QVariantList &values)
{
    QVariantList out = values;
    for (qsizetype i = 0; i < s.columns.size(); ++i) {
        if (!s.columns[i].keyed)
            continue;
        const QVariant v = values.value(i);
        out << (isNullValue(v) ? QVariant(QMetaType(QMetaType::QString)) : QVariant(CatalogueKey(v.toString())));
    }
    return out;
}

QStringList storedColumns(const CatalogueSchema &s)
{
    QStringList names;
    for (const CatalogueColumn &c : s.columns)
        names << c.name;
    for (const CatalogueColumn &c : s.columns) {
        if (c.keyed)
            names << keyName(c);
    }
    return names;
}

QString insertSql(const CatalogueSchema &s, bool orIgnore)
{
    const QStringList names = storedColumns(s);
    QStringList marks;
    for (qsizetype i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT %1INTO %2 (%3) VALUES (%4)")
        .arg(orIgnore ? QStringLiteral("OR IGNORE ") : QString(), s.table, names.join(QStringLiteral(", ")),
             marks.join(QStringLiteral(", ")));
}

QString whereSql(const CatalogueSchema &s, const Catalogue::Match &match, QVariantList *args)
{
    QStringList terms;
    for (const auto &[name, value] : match) {
        const CatalogueColumn *c = findColumn(s, name);
        if (c && c->keyed) {
            terms << keyName(*c) + QStringLiteral(" = ?");
            *args << CatalogueKey(value.toString());
        } else {
            terms << name + QStringLiteral(" = ?");
            *args << value;
        }
    }
    return terms.isEmpty() ? QStringLiteral("1") : terms.join(QStringLiteral(" AND "));
}

QString orderSql(const CatalogueSchema &s)
{
    for (const CatalogueColumn &c : s.columns) {
        if (c.keyed)
            return keyName(c) + QStringLiteral(", rowid");
    }
    return QStringLiteral("rowid");
}

bool isUnreadable(const QString &nativeCode)
{
    const int primary = nativeCode.toInt() & 0xff;
    return primary == 11 /* SQLITE_CORRUPT */ || primary == 26 /* SQLITE_NOTADB */;
}

// Empty when the file reads whole, else SQLite's error code (11 for a failed check).
QString checkReadable(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA quick_check")))
        return q.lastError().nativeErrorCode();
    if (!q.next())
        return q.lastError().nativeErrorCode().isEmpty() ? QStringLiteral("11") : q.lastError().nativeErrorCode();
    return q.value(0).toString() == QLatin1String("ok") ? QString() : QStringLiteral("11");
}

// Whatever rows of the damaged copy can be read, from both ends of the table,
// so one bad page in the middle loses only its own rows.
QList<QVariantList> salvageRows(const CatalogueSchema &s, const QString &damaged)
{
    // SQLite refuses a file shorter than its header says; a scratch copy whose
    // header matches what is left lets the pages still there be read.
    const QString file = damaged + QStringLiteral(".salvage");
    QFile::remove(file);
    if (!QFile::copy(damaged, file))
        return {};
    QFile scratch(file);
    if (scratch.open(QIODevice::ReadWrite)) {
        const QByteArray head = scratch.read(100);
        if (head.size() == 100 && head.startsWith(QByteArrayLiteral("SQLite format 3"))) {
            const int raw = (quint8(head[16]) << 8) | quint8(head[17]);
            const qint64 pageSize = raw == 1 ? 65536 : raw;
            if (pageSize >= 512) {
                const quint32 pages = quint32(scratch.size() / pageSize);
                const char count[4] = {char(pages >> 24), char(pages >> 16), char(pages >> 8), char(pages)};
                scratch.seek(28);
                scratch.write(count, 4);
            }
        }
        scratch.close();
    }
    QMap<qint64, QVariantList> found;
    const QString name = newConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=0"));
        if (db.open()) {
            for (const char *order : {"ASC", "DESC"}) {
                QSqlQuery q(db);
                q.setForwardOnly(true);
                if (!q.exec(QStringLiteral("SELECT rowid, %1 FROM %2 ORDER BY rowid %3")
                                .arg(columnList(s), s.table, QLatin1String(order))))
                    continue;
                while (q.next()) {
                    QVariantList row;
                    for (qsizetype i = 0; i < s.columns.size(); ++i)
                        row << q.value(int(i) + 1);
                    found.insert(q.value(0).toLongLong(), row);
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    QFile::remove(file);
    return found.values();
}

bool writeCatalogue(const CatalogueSchema &s, const QString &file, const QList<QVariantList> &rows)
{
    const QString name = newConnectionName();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open() && db.transaction()) {
            ok = createSchema(db, s);
            QSqlQuery q(db);
            if (ok)
                ok = q.prepare(insertSql(s, true));
            for (qsizetype r = 0; ok && r < rows.size(); ++r) {
                const QVariantList values = withKeys(s, rows[r]);
                for (qsizetype i = 0; i < values.size(); ++i)
                    q.bindValue(int(i), values[i]);
                ok = q.exec();
            }
            ok = ok ? db.commit() : (db.rollback(), false);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// POSIX rename replaces the target in one step, so the name is never missing.
bool replaceFile(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

}   // namespace

QString CatalogueKey(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end).toUpper();
}

QString RepairArchive(const CatalogueSchema &schema, const QString &basePath)
{
    const QString damaged = basePath + QStringLiteral(".MDB");
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = basePath + QStringLiteral("-damaged-") + stamp + QStringLiteral(".MDB");
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = basePath + QStringLiteral("-damaged-%1-%2.MDB").arg(stamp).arg(n);
    auto failed = [&damaged](const char *why) {
        qCWarning(lcArchive).noquote() << "repair of" << QDir::toNativeSeparators(damaged) << "failed:" << why;
        return QString();
    };
    if (!QFile::copy(damaged, kept))
        return failed("cannot copy it aside");

    QList<QVariantList> rows = salvageRows(schema, kept);
    if (schema.scanTree)
        rows += schema.scanTree(QFileInfo(damaged).absolutePath());

    const QString rep = basePath + QStringLiteral(".REP");
    QFile::remove(rep);
    QFile::remove(rep + QStringLiteral("-journal"));
    if (!writeCatalogue(schema, rep, rows)) {
        QFile::remove(rep);
        QFile::remove(kept);   // only our copy: the damaged file is still in place
        return failed("cannot write the new catalogue");
    }
    // A journal left by the damaged file would be played back into the new one.
    const QString journal = damaged + QStringLiteral("-journal");
    if (QFileInfo::exists(journal) && !QFile::rename(journal, kept + QStringLiteral("-journal")))
        return failed("cannot move its journal aside");
    if (!replaceFile(rep, damaged))
        return failed("cannot put the new catalogue in its place");
    qCWarning(lcArchive).noquote() << "repaired" << QDir::toNativeSeparators(damaged) << "with" << rows.size()
                                   << "records; the damaged file is kept as" << QDir::toNativeSeparators(kept);
    return kept;
}

Catalogue::Catalogue(CatalogueSchema schema) : schema_(std::move(schema)) {}

Catalogue::~Catalogue()
{
    close();
}

QString Catalogue::folderPath() const
{
    return QFileInfo(path_).absolutePath();
}

bool Catalogue::isOpen() const
{
    return !connection_.isEmpty() && lock_;
}

bool Catalogue::open(const QString &appDir, const RepairNotice &notice)
{
    close();
    keptCopy_.clear();
    const QString folder = QDir(appDir).filePath(schema_.folder);
    if (!QDir().mkpath(folder)) {
        qCWarning(lcArchive).noquote() << "cannot create the folder" << QDir::toNativeSeparators(folder);
        return false;
    }
    path_ = QDir(folder).filePath(schema_.fileName);

    // The lock file answers at once and survives SQLite never having written;
    // a holder that died is recognised by its pid and its lock taken over.
    lock_ = std::make_unique<QLockFile>(path_.chopped(4) + QStringLiteral(".LCK"));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        qCWarning(lcArchive).noquote() << "catalogue" << QDir::toNativeSeparators(path_)
                                       << (lock_->error() == QLockFile::LockFailedError ? "is held by another program"
                                                                                        : "cannot be locked");
        lock_.reset();
        return false;
    }

    QString error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (openConnection(&error)) {
            if (!keptCopy_.isEmpty() && notice.sink && notice.frame) {
                const QString text = Testo(notice.frame->id(TextId::ArchiveRepaired))
                                         .arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(keptCopy_));
                notice.sink->beep();
                notice.sink->showMessage(text, kWarningOk, Testo(notice.frame->id(TextId::TitleWarning)),
                                         kMessageCentred);
            }
            return true;
        }
        dropConnection();
        if (attempt > 0 || !isUnreadable(error))
            break;
        qCWarning(lcArchive).noquote() << "catalogue" << QDir::toNativeSeparators(path_)
                                       << "is unreadable (SQLite error" << error + QStringLiteral("), repairing");
        keptCopy_ = RepairArchive(schema_, path_.chopped(4));
        if (keptCopy_.isEmpty())
            break;
    }
    qCWarning(lcArchive).noquote() << "cannot open the catalogue" << QDir::toNativeSeparators(path_) << "(SQLite error"
                                   << error + QLatin1Char(')');
    lock_.reset();
    return false;
}

bool Catalogue::openConnection(QString *nativeError)
{
    connection_ = newConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    if (!db.open()) {
        *nativeError = db.lastError().nativeErrorCode();
        return false;
    }
    QSqlQuery q(db);
    // Exclusive mode keeps SQLite's own lock from the first write to close().
    if (!q.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"))
        || !q.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
        *nativeError = q.lastError().nativeErrorCode();
        return false;
    }
    *nativeError = checkReadable(db);
    if (!nativeError->isEmpty())
        return false;
    if (!q.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
        *nativeError = q.lastError().nativeErrorCode();
        return false;
    }
    if (!createSchema(db, schema_) || !q.exec(QStringLiteral("COMMIT"))) {
        *nativeError = q.lastError().nativeErrorCode();
        q.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

void Catalogue::dropConnection()
{
    if (connection_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
    connection_.clear();
}

void Catalogue::close()
{
    dropConnection();
    lock_.reset();
}

namespace {

Catalogue::Result runChange(const QString &connection, const QString &sql, const QVariantList &args, bool mustMatch)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.isOpen() || !db.transaction())
        return Catalogue::Result::Failed;
    QSqlQuery q(db);
    bool ok = q.prepare(sql);
    for (qsizetype i = 0; ok && i < args.size(); ++i)
        q.bindValue(int(i), args[i]);
    ok = ok && q.exec();
    if (!ok) {
        const QString code = q.lastError().nativeErrorCode();
        db.rollback();
        return code == QLatin1String("2067") || code == QLatin1String("1555") ? Catalogue::Result::Duplicate
                                                                              : Catalogue::Result::Failed;
    }
    if (mustMatch && q.numRowsAffected() < 1) {
        db.rollback();
        return Catalogue::Result::NotFound;
    }
    return db.commit() ? Catalogue::Result::Ok : (db.rollback(), Catalogue::Result::Failed);
}

}   // namespace

Catalogue::Result Catalogue::insert(const QVariantList &values)
{
    if (!isOpen() || values.size() != schema_.columns.size())
        return Result::Failed;
    return runChange(connection_, insertSql(schema_, false), withKeys(schema_, values), false);
}

Catalogue::Result Catalogue::update(const Match &where, const QVariantList &values)
{
    if (!isOpen() || values.size() != schema_.columns.size())
        return Result::Failed;
    QStringList sets;
    for (const QString &name : storedColumns(schema_))
        sets << name + QStringLiteral(" = ?");
    QVariantList args = withKeys(schema_, values);
    const QString cond = whereSql(schema_, where, &args);
    return runChange(
        connection_,
        QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(schema_.table, sets.join(QStringLiteral(", ")), cond), args,
        true);
}

Catalogue::Result Catalogue::remove(const Match &where)
{
    if (!isOpen())
        return Result::Failed;
    QVariantList args;
    const QString cond = whereSql(schema_, where, &args);
    return runChange(connection_, QStringLiteral("DELETE FROM %1 WHERE %2").arg(schema_.table, cond), args, true);
}

QList<QVariantList> Catalogue::rows(const Match &where) const
{
    QList<QVariantList> out;
    if (!isOpen())
        return out;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QVariantList args;
    const QString cond = whereSql(schema_, where, &args);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                       .arg(columnList(schema_), schema_.table, cond, orderSql(schema_))))
        return out;
    for (qsizetype i = 0; i < args.size(); ++i)
        q.bindValue(int(i), args[i]);
    if (!q.exec())
        return out;
    // A read error part-way keeps the rows read so far, as the lists do.
    while (q.next()) {
        QVariantList row;
        for (qsizetype i = 0; i < schema_.columns.size(); ++i)
            row << q.value(int(i));
        out << row;
    }
    return out;
}

QString ArchiveListLine(const QVariant &model, const QVariant &description)
{
    QString line = model.toString().trimmed().leftJustified(12, QLatin1Char(' '), true) + QStringLiteral(" - ");
    if (!isNullValue(description))
        line += description.toString();
    return line;
}

QStringList DistinctModels(const Catalogue &catalogue)
{
    QStringList out;
    QSet<QString> seen;
    for (const QVariantList &row : catalogue.rows()) {
        if (row.value(0).isNull())
            continue;
        const QString model = row.value(0).toString().trimmed();
        if (!seen.contains(CatalogueKey(model))) {
            seen.insert(CatalogueKey(model));
            out << model;
        }
    }
    return out;
}
