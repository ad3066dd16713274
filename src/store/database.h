#pragma once
// The database engine operations the program uses: open a file, execute a
// statement, open a dynaset recordset, transactions; over SQLite through QtSql.

#include "store/dberror.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

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

// A column that Database::copyRows copies, and what it accepts of a source row.
struct CopiedColumn
{
    enum Rule {
        AsStored,   // any value, copied as stored
        StoredDate, // a stored date ("yyyy-mm-dd", a real date); a row without one is left out
        WholeNumber // Null or a whole number within -limit..limit; anything else stops the copy
    };
    QString name;
    Rule rule = AsStored;
    qint64 limit = 0;
};

// The value that stopped a copy: its column, the value, and the copied columns
// of its row, all as a recordset reads them (Null as a null QVariant, the
// stored dates of a StoredDate column as QDate).
struct RefusedValue
{
    QString column;
    QVariant value;
    QVariantList row;
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

    // Adds each row of `sourceSelect`, run on `source`, as one row of the
    // table of `targetSelect` ("select * from <table>"), in the select's order
    // and with the `columns` as stored, checked by their rules. The values go
    // straight from the one statement to the other: a long period copies
    // without a dynaset's cost per value. All or nothing (a transaction, or a
    // savepoint inside one). A refused value fails with ErrBadValue and is
    // described in `refused`. `source` may be this database, but not with the
    // table it reads as the target.
    [[nodiscard]] DbError copyRows(Database &source, const QString &sourceSelect, const QString &targetSelect,
                                   const QList<CopiedColumn> &columns, RefusedValue *refused = nullptr);

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
