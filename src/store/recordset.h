#pragma once
// A dynaset recordset: rows of a select with a current position, the
// BOF/EOF flags, and AddNew/Edit/Update on a single-table select.

#include "store/dberror.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <memory>

namespace store {

class Recordset
{
public:
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    bool bof() const;
    bool eof() const;
    bool isEmpty() const { return bof() || eof(); }

    void moveFirst();
    void moveNext();

    // Opens a new row, or the current row, for assignment.
    [[nodiscard]] DbError addNew();
    [[nodiscard]] DbError edit();

    // Assigns a column of the row open for assignment. A QDate or a
    // "yyyy/mm/dd" text given to a date column is stored as that date.
    [[nodiscard]] DbError setField(const QString &column, const QVariant &value);

    // The value of a column of the current row; a null QVariant when the
    // column is empty (Null) or there is no current row. Date columns come back
    // as QDate when they hold a valid stored date, otherwise as stored.
    QVariant field(const QString &column) const;

    // Writes the row open for assignment.
    [[nodiscard]] DbError update();

    void close();

private:
    friend class Database;
    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

} // namespace store
