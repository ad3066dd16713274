#include "store/database.h"

#include "store/dialect.h"
#include "store/recordset.h"
#include "store/sqliteaccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <optional>
#include <sqlite3.h>
#include <vector>

namespace store {

using detail::columnValue;
using detail::engineError;
using detail::handleOf;
using detail::quotedIdentifier;
using detail::sameName;

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

namespace {

using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

Statement prepared(sqlite3 *db, const QString &sql, DbError *error)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &statement, nullptr);
    if (rc != SQLITE_OK) {
        *error = engineError(db, rc);
    } else if (!statement) {
        *error = {1, QStringLiteral("no statement in: ") + sql}; // blanks or a comment only
    }
    return Statement(statement, &sqlite3_finalize);
}

// A value of a source row, read once for its checks and its writing. A text
// or blob points into the source row, valid until the source steps on.
struct Cell
{
    int type = SQLITE_NULL;
    qint64 integer = 0;
    double real = 0;
    const char *bytes = nullptr;
    int size = 0;

    void read(sqlite3_stmt *statement, int column)
    {
        type = sqlite3_column_type(statement, column);
        switch (type) {
        case SQLITE_INTEGER:
            integer = sqlite3_column_int64(statement, column);
            break;
        case SQLITE_FLOAT:
            real = sqlite3_column_double(statement, column);
            break;
        case SQLITE_TEXT:
            bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
            size = sqlite3_column_bytes(statement, column);
            break;
        case SQLITE_BLOB:
            bytes = static_cast<const char *>(sqlite3_column_blob(statement, column));
            size = sqlite3_column_bytes(statement, column);
            break;
        default:
            break;
        }
    }

    // "yyyy-mm-dd" in ASCII digits, a real date from the year 1: the stored
    // form of a date, checked on the engine's bytes.
    bool isStoredDate() const
    {
        if (type != SQLITE_TEXT || size != 10 || bytes[4] != '-' || bytes[7] != '-') {
            return false;
        }
        int parts[3] = {0, 0, 0};
        for (const int k : {0, 1, 2, 3, 5, 6, 8, 9}) {
            if (bytes[k] < '0' || bytes[k] > '9') {
                return false;
            }
            int &part = parts[k < 4 ? 0 : k < 7 ? 1 : 2];
            part = part * 10 + (bytes[k] - '0');
        }
        return parts[0] >= 1 && QDate::isValid(parts[0], parts[1], parts[2]);
    }

    bool isWholeNumberWithin(qint64 limit) const
    {
        return type == SQLITE_NULL || (type == SQLITE_INTEGER && integer >= -limit && integer <= limit);
    }
};

// The rows on their way to the target table. They are written a batch at a
// time through one INSERT of several rows, so that SQLite's cost for each
// statement (opening the table, finding its end, ending the statement) is
// paid once a batch instead of once a row. Texts and blobs are copied out of
// the source row, which the source's next step ends.
class RowWriter
{
public:
    RowWriter(sqlite3 *db, const QString &insertHead, int columns) : m_db(db), m_head(insertHead), m_columns(columns)
    {
        // Within the engine's limit of parameters in one statement.
        const int parameters = sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, -1);
        m_batch = std::max(1, std::min(kBatch, parameters / std::max(1, columns)));
    }

    DbError add(const std::vector<Cell> &row)
    {
        for (const Cell &cell : row) {
            Kept kept{cell, -1};
            if (cell.type == SQLITE_TEXT || cell.type == SQLITE_BLOB) {
                kept.offset = m_bytes.size();
                m_bytes.append(cell.bytes, cell.size);
            }
            m_rows.push_back(kept);
        }
        return rowCount() == m_batch ? flush() : DbError::none();
    }

    // Writes the rows kept so far.
    DbError flush()
    {
        const int rows = rowCount();
        if (rows == 0) {
            return DbError::none();
        }
        DbError error;
        Statement &statement = rows == m_batch ? m_full : m_last;
        if (!statement || sqlite3_bind_parameter_count(statement.get()) != rows * m_columns) {
            const QString row = QStringLiteral("(?") + QStringLiteral(",?").repeated(m_columns - 1) + u')';
            QStringList values;
            values.fill(row, rows);
            statement = prepared(m_db, m_head + values.join(u','), &error);
            if (error) {
                return error;
            }
        }
        int bound = SQLITE_OK;
        for (int k = 0; k < rows * m_columns && bound == SQLITE_OK; ++k) {
            bound = bind(statement.get(), k + 1, m_rows[size_t(k)]);
        }
        const int written = bound == SQLITE_OK ? sqlite3_step(statement.get()) : bound;
        error = written == SQLITE_DONE ? DbError::none() : engineError(m_db, written);
        sqlite3_reset(statement.get());
        m_rows.clear();
        m_bytes.clear();
        return error;
    }

private:
    static constexpr int kBatch = 64;

    struct Kept
    {
        Cell cell;
        qsizetype offset; // of a text's or blob's bytes in m_bytes
    };

    int rowCount() const { return int(m_rows.size()) / m_columns; }

    int bind(sqlite3_stmt *statement, int position, const Kept &kept) const
    {
        const char *bytes = m_bytes.constData() + kept.offset;
        switch (kept.cell.type) {
        case SQLITE_INTEGER:
            return sqlite3_bind_int64(statement, position, kept.cell.integer);
        case SQLITE_FLOAT:
            return sqlite3_bind_double(statement, position, kept.cell.real);
        case SQLITE_TEXT:
            return sqlite3_bind_text(statement, position, bytes, kept.cell.size, SQLITE_STATIC);
        case SQLITE_BLOB:
            return sqlite3_bind_blob(statement, position, bytes, kept.cell.size, SQLITE_STATIC);
        default:
            return sqlite3_bind_null(statement, position);
        }
    }

    sqlite3 *m_db;
    QString m_head; // INSERT INTO "table" ("column",...) VALUES
    int m_columns;
    int m_batch = 1;
    std::vector<Kept> m_rows;
    QByteArray m_bytes;
    Statement m_full{nullptr, &sqlite3_finalize};
    Statement m_last{nullptr, &sqlite3_finalize};
};

} // namespace

DbError Database::copyRows(Database &source, const QString &sourceSelect, const QString &targetSelect,
                           const QList<CopiedColumn> &columns, RefusedValue *refused)
{
    if (!isOpen() || !source.isOpen()) {
        return closedError();
    }
    if (columns.isEmpty()) {
        return {ErrUnknownColumn, QStringLiteral("no columns to copy")};
    }
    const QString selectSql = translateDialect(sourceSelect);
    if (!isSelectStatement(selectSql)) {
        return {1, QStringLiteral("not a select statement")};
    }
    const SingleTableSelect target = singleTableSelect(translateDialect(targetSelect));
    if (!target.isValid()) {
        return {ErrNotUpdatable, QStringLiteral("the rows of this select cannot be added to")};
    }
    sqlite3 *from = handleOf(source.connection());
    sqlite3 *to = handleOf(connection());
    if (!from || !to) {
        return closedError();
    }

    return inTransaction([&]() -> DbError {
        DbError error;
        const Statement select = prepared(from, selectSql, &error);
        if (error) {
            return error;
        }
        // Where each copied column is in the source row: the exact name, else
        // the name as SQLite folds it.
        std::vector<int> at;
        QStringList names;
        for (int k = 0; k < sqlite3_column_count(select.get()); ++k) {
            names.append(QString::fromUtf8(sqlite3_column_name(select.get(), k)).remove(u'"'));
        }
        QStringList quoted;
        for (const CopiedColumn &column : columns) {
            qsizetype found = names.indexOf(column.name);
            for (qsizetype k = 0; found < 0 && k < names.size(); ++k) {
                found = sameName(names[k], column.name) ? k : -1;
            }
            if (found < 0) {
                return {ErrUnknownColumn, QStringLiteral("no such column: ") + column.name};
            }
            at.push_back(int(found));
            quoted.append(quotedIdentifier(column.name));
        }
        RowWriter writer(to,
                         QStringLiteral("INSERT INTO ") + quotedIdentifier(target.table) + QStringLiteral(" (") +
                             quoted.join(u',') + QStringLiteral(") VALUES "),
                         int(columns.size()));

        std::vector<Cell> cells(size_t(columns.size()));
        for (;;) {
            const int step = sqlite3_step(select.get());
            if (step == SQLITE_DONE) {
                return writer.flush();
            }
            // A failure met in reading is reported after the rows before it
            // are written, as when each row is written as soon as it is read.
            if (step != SQLITE_ROW) {
                const DbError failure = engineError(from, step);
                return (error = writer.flush()) ? error : failure;
            }
            for (qsizetype k = 0; k < columns.size(); ++k) {
                cells[size_t(k)].read(select.get(), at[size_t(k)]);
            }
            bool copied = true;
            for (qsizetype k = 0; k < columns.size() && copied; ++k) {
                copied = columns[k].rule != CopiedColumn::StoredDate || cells[size_t(k)].isStoredDate();
            }
            if (!copied) {
                continue;
            }
            for (qsizetype k = 0; k < columns.size(); ++k) {
                const CopiedColumn &column = columns[k];
                if (column.rule != CopiedColumn::WholeNumber || cells[size_t(k)].isWholeNumberWithin(column.limit)) {
                    continue;
                }
                if ((error = writer.flush())) {
                    return error;
                }
                RefusedValue value{column.name, columnValue(select.get(), at[size_t(k)]), {}};
                for (qsizetype c = 0; c < columns.size(); ++c) {
                    const QVariant stored = columnValue(select.get(), at[size_t(c)]);
                    value.row.append(columns[c].rule == CopiedColumn::StoredDate
                                         ? QVariant(parseStoredDate(stored.toString()).value_or(QDate()))
                                         : stored);
                }
                error = {ErrBadValue, QStringLiteral("not a whole number within the limit for column ") + column.name +
                                          QStringLiteral(": ") + value.value.toString()};
                if (refused) {
                    *refused = std::move(value);
                }
                return error;
            }
            if ((error = writer.add(cells))) {
                return error;
            }
        }
    });
}

DbError Database::backupTo(const QString &path)
{
    if (!isOpen()) {
        return {ErrClosed, QStringLiteral("database is not open")};
    }
    if (QFileInfo::exists(path)) {
        return {ErrFileExists, QStringLiteral("%1 exists").arg(path)};
    }
    sqlite3 *source = handleOf(connection());
    if (!source) {
        return {ErrBackupFailed, QStringLiteral("no SQLite handle")};
    }

    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
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
