#pragma once
// Translation of the program's SQL dialect into SQLite's, and the storage form
// of dates.

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

namespace store {

// Rewrites one statement: #yyyy/mm/dd# date literals become 'yyyy-mm-dd'
// texts, "delete * from" becomes "delete from", [name] becomes "name", a
// trailing ';' is dropped. Text inside single quotes is never changed.
QString translateDialect(const QString &dialectSql);

// A select of every column of one table ("select * from <table> [where ...]
// [order by ...]"), whose rows can therefore be addressed by rowid.
struct SingleTableSelect
{
    QString table;               // unquoted table name; empty when the select is not of that shape
    qsizetype starPosition = -1; // index of the '*' in the statement
    bool isValid() const { return !table.isEmpty(); }
};

// True when the statement (in SQLite's dialect) begins with "select".
bool isSelectStatement(const QString &sqliteSql);

// Recognises a single-table select in a statement already in SQLite's dialect.
SingleTableSelect singleTableSelect(const QString &sqliteSql);

// Reads a date text "yyyy/mm/dd" or "yyyy-mm-dd" (month and day may have one
// digit, both with the same separator). Nothing for anything else.
std::optional<QDate> parseDateText(QStringView text);

// The stored form of a date: 'yyyy-mm-dd', years 1 to 9999 only (empty otherwise).
QString storedDateText(const QDate &date);

// A stored date text read back: exactly "yyyy-mm-dd" and a real date.
std::optional<QDate> parseStoredDate(QStringView text);

} // namespace store
