#pragma once
// A dynaset recordset: rows of a select with a current position, the
// BOF/EOF flags, and AddNew/Edit/Update on a single-table select.

#include "store/dberror.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <memory>

namespace store {

struct SingleTableSelect;
struct TableColumn;

class Recordset
{
public:
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    bool bof() const;
    bool eof() const;
    bool isEmpty() const { return bof() || eof(); }

    // Rows are read one at a time as the position moves. A row that cannot be
    // read ends the rows (eof() becomes true) and its error stays in error().
    void moveFirst();
    void moveNext();
    DbError error() const;

    // Opens a new row, or the current row, for assignment.
    [[nodiscard]] DbError addNew();
    [[nodiscard]] DbError edit();

    // Assigns a column of the row open for assignment. A QDate or a
    // "yyyy/mm/dd" text given to a date column is stored as that date.
    [[nodiscard]] DbError setField(const QString &column, const QVariant &value);

    // The value of a column of the current row (of the row open for assignment
    // while one is); a null QVariant when the column is empty (Null) or there is
    // no current row (then `error`, when given, tells why). Date columns come
    // back as QDate when they hold a valid stored date, otherwise as stored.
    QVariant field(const QString &column, DbError *error = nullptr) const;

    // Writes the row open for assignment.
    [[nodiscard]] DbError update();

    void close();

private:
    friend class Database;
    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);
    // `sqliteSql` is translated already; a valid `target` makes the recordset
    // updatable over `columns` of its table.
    static std::unique_ptr<Recordset> create(const QSqlDatabase &db, const QString &sqliteSql,
                                             const SingleTableSelect &target, const QList<TableColumn> &columns,
                                             DbError *error);
    std::unique_ptr<Impl> d;
};

} // namespace store
