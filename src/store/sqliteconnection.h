#pragma once
// Inside the store only: one SQLite connection and its statement primitive,
// straight on SQLite's own interface. Every value is bound; nothing is spliced
// into a statement's text.

#include "store/dberror.h"
#include "store/storedforms.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace store::sqlite {

class Connection;

// A stop asked of one connection's reads from another thread: a busy wait
// ends at once, the running statement is interrupted, and a statement begun
// after it fails as interrupted.
class Stop
{
public:
    void request();
    bool requested() const { return m_requested.load(std::memory_order_acquire); }
    // Sleeps `ms` unless the stop comes first; whether it came.
    bool sleepFor(int ms);

private:
    friend class Connection;
    void watch(sqlite3 *db);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    sqlite3 *m_db = nullptr;
    std::atomic<bool> m_requested = false;
};

// The failure for an SQLite result code (primary or extended) and its text:
// the one place where SQLite's codes are read as kinds.
DbError errorFrom(int code, QString message);

// A prepared statement: bind, step through the rows, read the columns, reset.
// A failure at any point is kept and makes the following steps fail too, so a
// sequence of binds can be checked once, at the step.
class Statement
{
public:
    Statement(Connection &connection, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Positions count from 1, as in the statement's "?NNN".
    Statement &bind(int position, qint64 value);
    Statement &bind(int position, const QString &value);
    Statement &bind(int position, std::optional<qint64> value);
    Statement &bind(int position, QDate date); // the stored form; an invalid date binds Null
    Statement &bindNull(int position);

    // True when a row is there to read; false at the end or on a failure
    // (then error() says which).
    bool step();
    // Runs a statement that returns no rows.
    [[nodiscard]] DbError run();
    // Ready for new bindings and a new run; the error is forgotten.
    void reset();
    DbError error() const { return m_error; }

    // Columns of the current row, counted from 0.
    bool isNull(int column) const;
    bool isInteger(int column) const;
    qint64 integer(int column) const;
    QString text(int column) const;    // any value as text; Null as an empty text
    QByteArray utf8(int column) const; // the same in UTF-8, as SQLite holds it
    // A stored amount: none for Null, the number for an integer; for anything
    // else none, and `unreadable` is set.
    std::optional<qint64> amount(int column, bool &unreadable) const;
    // A stored date ("yyyy-mm-dd", a real date from the year 1); invalid otherwise.
    QDate date(int column) const;
    // A stored moment ("yyyy-MM-ddTHH:mm:ss.zzzZ", UTC); invalid otherwise.
    QDateTime moment(int column) const;

private:
    void fail(int code);
    Connection &m_connection;
    QByteArray m_sql;
    sqlite3_stmt *m_statement = nullptr;
    DbError m_error;
};

class Connection
{
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens an existing file, writable; never creates one. Reads the schema
    // (where a file that is no database fails) and checks for the tables;
    // then the journal mode and the syncing the program writes with.
    [[nodiscard]] DbError open(const QString &path, const QStringList &requiredTables);
    // Opens an existing file for reading only, and checks for the tables.
    // With a `stop`, the opening and every read obey it (see Stop).
    [[nodiscard]] DbError openReadOnly(const QString &path, const QStringList &requiredTables, Stop *stop = nullptr);
    // Creates a new, empty file; refuses when a file is there.
    [[nodiscard]] DbError create(const QString &path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }

    [[nodiscard]] DbError execute(const char *sql);
    // Rows changed by the last insert, update or delete.
    int changes() const;
    // When a transaction takes the write lock: at its start (every file of the
    // connection), or with its first write (only the file written).
    enum class Lock { AtStart, AtFirstWrite };
    // Runs `work` in one transaction: committed when it returns no error,
    // rolled back otherwise. Nested calls use savepoints.
    [[nodiscard]] DbError inTransaction(const std::function<DbError()> &work, Lock lock = Lock::AtStart);
    enum class Access { ReadOnly, ReadWrite };
    // Makes another existing file usable in this connection's statements as
    // `schema`, until the connection closes.
    [[nodiscard]] DbError attach(const QString &path, const char *schema, Access access);
    // The same for the length of `work`.
    [[nodiscard]] DbError withAttached(const QString &path, const char *schema, const std::function<DbError()> &work,
                                       Access access = Access::ReadOnly);
    // SQLite's online backup of the open file (or the attached `schema`) into
    // a new file at `path`; a failed copy leaves no file.
    [[nodiscard]] DbError backupTo(const QString &path, const char *schema = "main");

    // The connection's last error, or `code` where SQLite recorded none.
    DbError lastError(int code) const;
    sqlite3 *handle() const { return m_db; }

private:
    friend class Statement;
    // Statements are prepared once and kept while the connection is open: a
    // register or a totals run prepares nothing the second time.
    sqlite3_stmt *takePrepared(const QByteArray &sql, int *rc);
    void keepPrepared(const QByteArray &sql, sqlite3_stmt *statement);

    DbError openUri(const QString &path, int flags);
    DbError checkTables(const QStringList &requiredTables);
    void obey(Stop *stop);
    std::map<QByteArray, sqlite3_stmt *> m_prepared; // idle ones, by their text
    sqlite3 *m_db = nullptr;
    QString m_path;
    int m_transactionDepth = 0;
    Stop *m_stop = nullptr;
};

} // namespace store::sqlite
