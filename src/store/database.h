#pragma once
// The database engine operations the program uses: open a file, execute a
// statement, open a dynaset recordset, transactions; over SQLite through QtSql.

#include "store/dberror.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace store {

class Recordset;

// A column of a table as the schema declares it.
struct TableColumn
{
    QString name;
    QString declaredType;
};

// One open database file. Statements are given in the program's own SQL
// dialect (date literals between '#', "delete * from", [names], a trailing ';')
// and translated before they reach SQLite.
class Database
{
public:
    Database() = default;
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing database file, shared and writable. Never creates a
    // file: a missing file is an error. Reads the schema once and checks that
    // the tables named in `requiredTables` are there.
    [[nodiscard]] DbError open(const QString &path, const QStringList &requiredTables);
    void close();
    bool isOpen() const;
    QString path() const { return m_path; }

    // Runs a statement that returns no rows (the dialect's "delete * from ...").
    [[nodiscard]] DbError execute(const QString &dialectSql);

    // Opens a dynaset on a select. The recordset is positioned on its first
    // row; bof() and eof() are both true when no row qualifies. A select over
    // one table can be edited and added to.
    [[nodiscard]] std::unique_ptr<Recordset> openRecordset(const QString &dialectSql, DbError *error);

    // Runs `work` inside one transaction: committed when it returns no error,
    // rolled back otherwise (the returned error is the first one seen). The
    // write lock is taken at the start, so a file busy elsewhere fails within
    // the busy timeout before `work` runs. Nested calls use savepoints.
    [[nodiscard]] DbError inTransaction(const std::function<DbError()> &work);

    // Copies the whole database, while it stays open, into a new file at
    // `path` (SQLite's online backup). Refuses when the file exists; a failed
    // copy leaves no file behind.
    [[nodiscard]] DbError backupTo(const QString &path);

    // The columns of a table as declared in the schema (cached); empty with an
    // error when there is no such table (a view is none).
    QList<TableColumn> tableColumns(const QString &table, DbError *error);

    // The underlying connection, for the grid's model and for tests.
    QSqlDatabase connection() const;
    QString connectionName() const { return m_connectionName; }

private:
    DbError run(const QString &sqliteSql);

    QString m_connectionName;
    QString m_path;
    QHash<QString, QList<TableColumn>> m_columns;
    int m_transactionDepth = 0;
};

} // namespace store
