#include "store/database.h"

#include "store/dialect.h"
#include "store/recordset.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <algorithm>
#include <atomic>

namespace store {

namespace {

std::atomic<int> s_connectionCount{0};

// SQLite's URI for a file: "mode=rw" makes a missing file an error instead of
// creating it.
QString fileUri(const QString &path)
{
    QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!absolute.startsWith(u'/')) {
        absolute.prepend(u'/'); // a drive letter: file:///C:/...
    }
    return QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(absolute, "/:")) +
           QStringLiteral("?mode=rw");
}

bool sameName(const QString &a, const QString &b)
{
    // SQLite folds ASCII letters only when it looks a name up.
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype k = 0; k < a.size(); ++k) {
        char16_t x = a[k].unicode();
        char16_t y = b[k].unicode();
        if (x >= u'A' && x <= u'Z') {
            x = char16_t(x - u'A' + u'a');
        }
        if (y >= u'A' && y <= u'Z') {
            y = char16_t(y - u'A' + u'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

DbError queryError(const QSqlQuery &query)
{
    return fromSqlError(query.lastError());
}

// Reads the schema (the first read of the file, where a file that is not a
// database fails) and checks for the tables; then the per-connection settings.
DbError prepareConnection(const QSqlDatabase &db, const QStringList &requiredTables)
{
    QStringList tables;
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("select name from sqlite_master where type = 'table'"))) {
            return queryError(query);
        }
        while (query.next()) {
            tables.append(query.value(0).toString());
        }
        if (query.lastError().isValid()) {
            return queryError(query);
        }
    }
    for (const QString &required : requiredTables) {
        const bool present = std::any_of(tables.cbegin(), tables.cend(),
                                         [&required](const QString &table) { return sameName(table, required); });
        if (!present) {
            return {ErrMissingTable, QStringLiteral("no such table: ") + required};
        }
    }
    // The rollback journal works on a network folder, a write-ahead log does
    // not; a file that some tool turned to a log is turned back. EXTRA syncs
    // each commit, the journal's removal included, before it is reported, so a
    // power cut right after a register cannot bring the journal back and undo it.
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode = DELETE")) || !pragma.next()) {
        return queryError(pragma);
    }
    if (pragma.value(0).toString() != QLatin1String("delete")) {
        // Only another program holding the log open keeps it.
        return {5, QStringLiteral("journal mode stays ") + pragma.value(0).toString()}; // SQLITE_BUSY
    }
    if (!pragma.exec(QStringLiteral("PRAGMA synchronous = EXTRA"))) {
        return queryError(pragma);
    }
    return DbError::none();
}

DbError closedError()
{
    return {ErrClosed, QStringLiteral("database not open")};
}

} // namespace

Database::~Database()
{
    close();
}

DbError Database::open(const QString &path, const QStringList &requiredTables)
{
    close();
    const QString name = QStringLiteral("zephra.store.%1").arg(++s_connectionCount);
    DbError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        if (!db.isValid()) {
            error = {1, QStringLiteral("SQLite driver not available")};
        } else {
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=2000"));
            db.setDatabaseName(fileUri(path));
            if (!db.open()) {
                error = fromSqlError(db.lastError());
            } else {
                error = prepareConnection(db, requiredTables);
                if (error) {
                    db.close();
                }
            }
        }
    }
    if (error) {
        QSqlDatabase::removeDatabase(name);
        return error;
    }
    m_connectionName = name;
    m_path = path;
    return DbError::none();
}

void Database::close()
{
    if (m_connectionName.isEmpty()) {
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
    m_path.clear();
    m_columns.clear();
    m_transactionDepth = 0;
}

bool Database::isOpen() const
{
    return !m_connectionName.isEmpty() && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

DbError Database::run(const QString &sqliteSql)
{
    QSqlQuery query(connection());
    if (!query.exec(sqliteSql)) {
        return queryError(query);
    }
    return DbError::none();
}

DbError Database::execute(const QString &dialectSql)
{
    if (!isOpen()) {
        return closedError();
    }
    return run(translateDialect(dialectSql));
}

QList<TableColumn> Database::tableColumns(const QString &table, DbError *error)
{
    if (error) {
        *error = DbError::none();
    }
    if (!isOpen()) {
        if (error) {
            *error = closedError();
        }
        return {};
    }
    const auto cached = m_columns.constFind(table);
    if (cached != m_columns.cend()) {
        return *cached;
    }
    QList<TableColumn> columns;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    // Views answer to rowid too, but their rows cannot be written.
    query.prepare(QStringLiteral("select type from sqlite_master where name = ? collate nocase "
                                 "union all select type from sqlite_temp_master where name = ? collate nocase"));
    query.addBindValue(table);
    query.addBindValue(table);
    if (!query.exec()) {
        if (error) {
            *error = queryError(query);
        }
        return {};
    }
    if (!query.next() || query.value(0).toString() != QLatin1String("table")) {
        if (error) {
            *error = {1, QStringLiteral("no such table: ") + table};
        }
        return {};
    }
    query.finish();
    if (!query.exec(QStringLiteral("PRAGMA table_info(") + quotedIdentifier(table) + u')')) {
        if (error) {
            *error = queryError(query);
        }
        return {};
    }
    while (query.next()) {
        columns.append({query.value(1).toString(), query.value(2).toString()});
    }
    if (query.lastError().isValid()) {
        if (error) {
            *error = queryError(query);
        }
        return {};
    }
    if (columns.isEmpty()) {
        if (error) {
            *error = {1, QStringLiteral("no such table: ") + table};
        }
        return {};
    }
    m_columns.insert(table, columns);
    return columns;
}

std::unique_ptr<Recordset> Database::openRecordset(const QString &dialectSql, DbError *error)
{
    DbError ignored;
    DbError &result = error ? *error : ignored;
    result = DbError::none();
    if (!isOpen()) {
        result = closedError();
        return nullptr;
    }
    const QString sqliteSql = translateDialect(dialectSql);
    if (!isSelectStatement(sqliteSql)) {
        // Refused before it runs: a recordset never changes the data.
        result = {1, QStringLiteral("not a select statement")};
        return nullptr;
    }
    SingleTableSelect target = singleTableSelect(sqliteSql);
    QList<TableColumn> columns;
    if (target.isValid()) {
        DbError columnsError;
        columns = tableColumns(target.table, &columnsError);
        if (columnsError) {
            // Not a table (a view, or no such table): the select itself tells.
            target = {};
        }
    }
    return Recordset::create(connection(), sqliteSql, target, columns, &result);
}

DbError Database::inTransaction(const std::function<DbError()> &work)
{
    if (!isOpen()) {
        return closedError();
    }
    const bool outermost = m_transactionDepth == 0;
    const QString savepoint = QStringLiteral("zephra_%1").arg(m_transactionDepth);
    const auto rollback = [&] {
        if (outermost) {
            (void)run(QStringLiteral("ROLLBACK"));
        } else {
            (void)run(QStringLiteral("ROLLBACK TO ") + savepoint);
            (void)run(QStringLiteral("RELEASE ") + savepoint);
        }
    };

    DbError error = run(outermost ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("SAVEPOINT ") + savepoint);
    if (error) {
        return error;
    }
    ++m_transactionDepth;
    try {
        error = work();
    } catch (...) {
        --m_transactionDepth;
        rollback();
        throw;
    }
    --m_transactionDepth;
    if (error) {
        rollback();
        return error;
    }
    error = run(outermost ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + savepoint);
    if (error) {
        // A commit that did not happen leaves the transaction open: end it.
        rollback();
    }
    return error;
}

} // namespace store

// The online backup reaches SQLite's own interface through the driver's
// handle; QtSql has no call for it.
#include <sqlite3.h>

#include <QFile>
#include <QSqlDriver>

namespace store {

DbError Database::backupTo(const QString &path)
{
    if (!isOpen()) {
        return {ErrClosed, QStringLiteral("database is not open")};
    }
    if (QFileInfo::exists(path)) {
        return {ErrFileExists, QStringLiteral("%1 exists").arg(path)};
    }
    const QVariant handle = connection().driver()->handle();
    sqlite3 *source = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
    if (!source) {
        return {ErrBackupFailed, QStringLiteral("no SQLite handle")};
    }

    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &target,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
        if (backup) {
            rc = sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        } else {
            rc = sqlite3_errcode(target);
        }
    }
    DbError error;
    if (rc != SQLITE_OK) {
        error = {rc, QString::fromUtf8(target ? sqlite3_errmsg(target) : sqlite3_errstr(rc))};
    }
    if (sqlite3_close(target) != SQLITE_OK && !error) {
        error = {ErrBackupFailed, QStringLiteral("cannot close %1").arg(path)};
    }
    if (error) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
    }
    return error;
}

} // namespace store
