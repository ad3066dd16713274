#include "store/sqliteconnection.h"

#include "common/fileerror.h"
#include "store/sqliteyield.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sqlite3.h>
#include <thread>

namespace store::sqlite {

namespace {

constexpr int kBusyTimeoutMs = 2000;

// The wait before the `count`th retry of a file another connection holds
// locked, or -1 once the busy timeout has passed.
int busyDelay(int count)
{
    static constexpr int kDelays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    constexpr int kSteps = int(std::size(kDelays));
    const int delay = kDelays[std::min(count, kSteps - 1)];
    int waited = 0;
    for (int k = 0; k < std::min(count, kSteps); ++k) {
        waited += kDelays[k];
    }
    if (count >= kSteps) {
        waited += (count - kSteps) * kDelays[kSteps - 1];
    }
    return waited >= kBusyTimeoutMs ? -1 : std::min(delay, kBusyTimeoutMs - waited);
}

// SQLite's own busy timeout, with one step before each wait: a writer held
// back from its commit first asks this program's checks to step aside, so a
// register never waits for the program's own care.
int waitWhileBusy(void *connection, int count)
{
    auto *db = static_cast<sqlite3 *>(connection);
    if (sqlite3_txn_state(db, nullptr) == SQLITE_TXN_WRITE) {
        yieldReadsFor(db);
    }
    const int delay = busyDelay(count);
    if (delay < 0) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return 1;
}

// The same wait on a connection that obeys a stop: the stop ends it.
int waitUnlessStopped(void *stop, int count)
{
    const int delay = busyDelay(count);
    return delay >= 0 && !static_cast<Stop *>(stop)->sleepFor(delay) ? 1 : 0;
}

// Looked at between the steps of a statement: a stop asked before the
// statement began (which SQLite's interrupt does not outlive) ends it too.
int stopRequested(void *stop)
{
    return static_cast<Stop *>(stop)->requested() ? 1 : 0;
}

// SQLite's URI for a file; "mode=rw" makes a missing file an error instead of
// creating it, "mode=ro" opens for reading only.
QByteArray fileUri(const QString &path, const char *mode)
{
    QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!absolute.startsWith(u'/')) {
        absolute.prepend(u'/'); // a drive letter: file:///C:/...
    }
    return "file://" + QUrl::toPercentEncoding(absolute, "/:") + "?mode=" + mode;
}

// Whether two names are one name to SQLite, which folds ASCII letters only.
bool sameName(QStringView a, QStringView b)
{
    if (a.size() != b.size()) {
        return false;
    }
    const auto folded = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    for (qsizetype k = 0; k < a.size(); ++k) {
        if (folded(a[k].unicode()) != folded(b[k].unicode())) {
            return false;
        }
    }
    return true;
}

} // namespace

DbError errorFrom(int code, QString message)
{
    if (code == SQLITE_OK) {
        return {};
    }
    const auto kind = [code] {
        switch (code) {
        case SQLITE_READONLY_DBMOVED:
            return DbErrorKind::Moved;
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return DbErrorKind::Duplicate;
        default:
            break;
        }
        switch (code & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return DbErrorKind::Busy;
        case SQLITE_READONLY:
            return DbErrorKind::ReadOnly;
        case SQLITE_FULL:
            return DbErrorKind::DiskFull;
        case SQLITE_IOERR:
            return DbErrorKind::DiskFailed;
        case SQLITE_CORRUPT:
            return DbErrorKind::Damaged;
        case SQLITE_NOTADB:
            return DbErrorKind::NotADatabase;
        case SQLITE_CANTOPEN:
            return DbErrorKind::Missing;
        case SQLITE_AUTH:
        case SQLITE_PERM:
            return DbErrorKind::NoAccess;
        case SQLITE_CONSTRAINT:
            return DbErrorKind::RefusedValue;
        case SQLITE_INTERRUPT:
            return DbErrorKind::Interrupted;
        default:
            return DbErrorKind::Other;
        }
    }();
    return {kind, code, std::move(message)};
}

// --- Statement ---

Statement::Statement(Connection &connection, const char *sql) : m_connection(connection), m_sql(sql)
{
    if (!connection.isOpen()) {
        m_error = {DbErrorKind::Closed, QStringLiteral("database not open")};
        return;
    }
    int rc = SQLITE_OK;
    m_statement = connection.takePrepared(m_sql, &rc);
    if (rc != SQLITE_OK) {
        fail(rc);
    }
}

Statement::~Statement()
{
    m_connection.keepPrepared(m_sql, m_statement);
}

void Statement::fail(int code)
{
    if (m_error.ok()) {
        m_error = m_connection.lastError(code);
    }
}

Statement &Statement::bind(int position, qint64 value)
{
    if (m_error.ok()) {
        if (const int rc = sqlite3_bind_int64(m_statement, position, value); rc != SQLITE_OK) {
            fail(rc);
        }
    }
    return *this;
}

Statement &Statement::bind(int position, const QString &value)
{
    if (m_error.ok()) {
        const QByteArray utf8 = value.toUtf8();
        if (const int rc =
                sqlite3_bind_text(m_statement, position, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            rc != SQLITE_OK) {
            fail(rc);
        }
    }
    return *this;
}

Statement &Statement::bind(int position, std::optional<qint64> value)
{
    return value ? bind(position, *value) : bindNull(position);
}

Statement &Statement::bind(int position, QDate date)
{
    const QByteArray text = storedDate(date);
    if (text.isEmpty()) {
        return bindNull(position);
    }
    if (m_error.ok()) {
        if (const int rc =
                sqlite3_bind_text(m_statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            rc != SQLITE_OK) {
            fail(rc);
        }
    }
    return *this;
}

Statement &Statement::bindNull(int position)
{
    if (m_error.ok()) {
        if (const int rc = sqlite3_bind_null(m_statement, position); rc != SQLITE_OK) {
            fail(rc);
        }
    }
    return *this;
}

bool Statement::step()
{
    if (!m_error.ok()) {
        return false;
    }
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc != SQLITE_DONE) {
        fail(rc);
    }
    return false;
}

DbError Statement::run()
{
    while (step()) {
    }
    return m_error;
}

void Statement::reset()
{
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        m_error = {};
    }
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

bool Statement::isInteger(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_INTEGER;
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QByteArray Statement::utf8(int column) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QByteArray(bytes, sqlite3_column_bytes(m_statement, column));
}

QString Statement::text(int column) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
}

std::optional<qint64> Statement::amount(int column, bool &unreadable) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_INTEGER:
        return sqlite3_column_int64(m_statement, column);
    default:
        unreadable = true;
        return std::nullopt;
    }
}

QDate Statement::date(int column) const
{
    if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT) {
        return {};
    }
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return parseStoredDate(bytes, sqlite3_column_bytes(m_statement, column));
}

QDateTime Statement::moment(int column) const
{
    if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT) {
        return {};
    }
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return parseStoredMoment(bytes, sqlite3_column_bytes(m_statement, column));
}

// --- Stop ---

void Stop::request()
{
    const std::lock_guard lock(m_mutex);
    m_requested.store(true, std::memory_order_release);
    if (m_db) {
        sqlite3_interrupt(m_db);
    }
    m_wake.notify_all();
}

bool Stop::sleepFor(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return requested(); });
}

void Stop::watch(sqlite3 *db)
{
    const std::lock_guard lock(m_mutex);
    m_db = db;
}

// --- Connection ---

Connection::~Connection()
{
    close();
}

DbError Connection::lastError(int code) const
{
    if (!m_db) {
        return errorFrom(code ? code : SQLITE_ERROR, QString::fromUtf8(sqlite3_errstr(code)));
    }
    const int number = sqlite3_extended_errcode(m_db);
    return errorFrom(number != SQLITE_OK ? number : code, QString::fromUtf8(sqlite3_errmsg(m_db)));
}

DbError Connection::openUri(const QString &path, int flags)
{
    close();
    const char *mode = (flags & SQLITE_OPEN_CREATE) ? "rwc" : (flags & SQLITE_OPEN_READONLY) ? "ro" : "rw";
    const int rc = sqlite3_open_v2(fileUri(path, mode).constData(), &m_db, flags | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        const DbError error = lastError(rc);
        close();
        return error;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, waitWhileBusy, m_db);
    // A name in double quotes that names no column fails instead of reading
    // as a text: every name of ours is quoted, so a misspelt one is found.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    m_path = path;
    return {};
}

DbError Connection::open(const QString &path, const QStringList &requiredTables)
{
    if (DbError error = openUri(path, SQLITE_OPEN_READWRITE)) {
        return error;
    }
    const auto failed = [this](DbError error) {
        close();
        return error;
    };
    if (DbError error = checkTables(requiredTables)) {
        return failed(error);
    }
    // The rollback journal works on a network folder, a write-ahead log does
    // not; a file that some tool turned to a log is turned back. EXTRA syncs
    // each commit, the journal's removal included, before it is reported, so a
    // power cut right after a register cannot bring the journal back and undo it.
    {
        Statement mode(*this, "PRAGMA journal_mode = DELETE");
        if (!mode.step()) {
            return failed(mode.error() ? mode.error()
                                       : errorFrom(SQLITE_ERROR, QStringLiteral("journal mode unknown")));
        }
        if (mode.text(0) != QLatin1String("delete")) {
            // Only another program holding the log open keeps it.
            return failed(errorFrom(SQLITE_BUSY, QStringLiteral("journal mode stays ") + mode.text(0)));
        }
    }
    if (DbError error = execute("PRAGMA synchronous = EXTRA")) {
        return failed(error);
    }
    return {};
}

DbError Connection::openReadOnly(const QString &path, const QStringList &requiredTables, Stop *stop)
{
    if (stop && stop->requested()) {
        return errorFrom(SQLITE_INTERRUPT, QStringLiteral("interrupted"));
    }
    if (DbError error = openUri(path, SQLITE_OPEN_READONLY)) {
        return error;
    }
    if (stop) {
        obey(stop);
    }
    if (DbError error = checkTables(requiredTables)) {
        close();
        // A wait for another's lock that the stop ended is the stop's.
        return stop && stop->requested() ? errorFrom(SQLITE_INTERRUPT, QStringLiteral("interrupted")) : error;
    }
    return {};
}

DbError Connection::checkTables(const QStringList &requiredTables)
{
    QStringList tables;
    {
        // The first read of the file: a file that is no database fails here.
        Statement names(*this, "select name from sqlite_master where type = 'table'");
        while (names.step()) {
            tables.append(names.text(0));
        }
        if (names.error()) {
            return names.error();
        }
    }
    for (const QString &required : requiredTables) {
        const bool present = std::any_of(tables.cbegin(), tables.cend(),
                                         [&required](const QString &table) { return sameName(table, required); });
        if (!present) {
            return {DbErrorKind::MissingTable, QStringLiteral("no such table: ") + required};
        }
    }
    return {};
}

DbError Connection::create(const QString &path)
{
    // Creating the empty file exclusively refuses any file already there, even
    // one that appears between a check and the creation.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink()) {
            return {DbErrorKind::Exists, QStringLiteral("file exists: ") + path};
        }
        return errorFrom(SQLITE_CANTOPEN, common::fileFailure(common::FileStep::Open, file));
    }
    file.close();
    return open(path, {});
}

sqlite3_stmt *Connection::takePrepared(const QByteArray &sql, int *rc)
{
    const auto idle = m_prepared.find(sql);
    if (idle != m_prepared.end()) {
        sqlite3_stmt *statement = idle->second;
        m_prepared.erase(idle);
        return statement;
    }
    sqlite3_stmt *statement = nullptr;
    *rc = sqlite3_prepare_v3(m_db, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    return statement;
}

void Connection::keepPrepared(const QByteArray &sql, sqlite3_stmt *statement)
{
    if (!statement) {
        return;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    // A statement of a connection closed meanwhile, or a second one of the
    // same text (a statement used inside its own loop), is not kept.
    if (!m_db || sqlite3_db_handle(statement) != m_db || !m_prepared.emplace(sql, statement).second) {
        sqlite3_finalize(statement);
    }
}

void Connection::obey(Stop *stop)
{
    m_stop = stop;
    sqlite3_busy_handler(m_db, waitUnlessStopped, stop);
    sqlite3_progress_handler(m_db, 1, stopRequested, stop);
    stop->watch(m_db);
}

void Connection::close()
{
    if (m_stop) {
        m_stop->watch(nullptr);
        m_stop = nullptr;
    }
    for (const auto &[sql, statement] : m_prepared) {
        sqlite3_finalize(statement);
    }
    m_prepared.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
    }
    m_db = nullptr;
    m_path.clear();
    m_transactionDepth = 0;
}

int Connection::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

DbError Connection::execute(const char *sql)
{
    if (!m_db) {
        return {DbErrorKind::Closed, QStringLiteral("database not open")};
    }
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? DbError{} : lastError(rc);
}

DbError Connection::inTransaction(const std::function<DbError()> &work, Lock lock)
{
    if (!m_db) {
        return {DbErrorKind::Closed, QStringLiteral("database not open")};
    }
    const bool outermost = m_transactionDepth == 0;
    const QByteArray savepoint = "zephra_" + QByteArray::number(m_transactionDepth);
    const auto rollback = [&] {
        if (outermost) {
            (void)execute("ROLLBACK");
        } else {
            (void)execute(("ROLLBACK TO " + savepoint).constData());
            (void)execute(("RELEASE " + savepoint).constData());
        }
    };

    const char *begin = lock == Lock::AtStart ? "BEGIN IMMEDIATE" : "BEGIN";
    DbError error = execute(outermost ? begin : ("SAVEPOINT " + savepoint).constData());
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
    error = execute(outermost ? "COMMIT" : ("RELEASE " + savepoint).constData());
    if (error) {
        // A commit that did not happen leaves the transaction open: end it.
        rollback();
    }
    return error;
}

DbError Connection::attach(const QString &path, const char *schema, Access access)
{
    Statement attach(*this, "ATTACH DATABASE ?1 AS ?2");
    attach.bind(1, QString::fromLatin1(fileUri(path, access == Access::ReadOnly ? "ro" : "rw")))
        .bind(2, QString::fromLatin1(schema));
    if (DbError error = attach.run()) {
        return error;
    }
    if (access == Access::ReadOnly) {
        return {};
    }
    // SQLite opens an attached file at its default syncing, not the
    // connection's: a commit over both files must sync each alike.
    qint64 level = 0;
    {
        Statement main(*this, "PRAGMA main.synchronous");
        if (!main.step()) {
            return main.error();
        }
        level = main.integer(0);
    }
    const QByteArray pragma = "PRAGMA \"" + QByteArray(schema) + "\".synchronous = " + QByteArray::number(level);
    return execute(pragma.constData());
}

DbError Connection::withAttached(const QString &path, const char *schema, const std::function<DbError()> &work,
                                 Access access)
{
    if (DbError error = attach(path, schema, access)) {
        return error;
    }
    const DbError error = work();
    Statement detach(*this, "DETACH DATABASE ?1");
    detach.bind(1, QString::fromLatin1(schema));
    const DbError detached = detach.run();
    return error ? error : detached;
}

DbError Connection::backupTo(const QString &path, const char *schema)
{
    if (!m_db) {
        return {DbErrorKind::Closed, QStringLiteral("database is not open")};
    }
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        return {DbErrorKind::Exists, QStringLiteral("%1 exists").arg(path)};
    }
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(target, "main", m_db, schema);
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
        error = errorFrom(rc, QString::fromUtf8(target ? sqlite3_errmsg(target) : sqlite3_errstr(rc)));
    }
    if (sqlite3_close(target) != SQLITE_OK && !error) {
        error = {DbErrorKind::CopyFailed, QStringLiteral("cannot close %1").arg(path)};
    }
    if (error) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
    }
    return error;
}

} // namespace store::sqlite
