#pragma once
// Translation of the program's SQL dialect into SQLite's.

#include <QString>

namespace store {

// Rewrites one statement: #yyyy/mm/dd# date literals become 'yyyy-mm-dd'
// texts, "delete * from" becomes "delete from", [name] becomes "name", a
// trailing ';' is dropped. Text inside single quotes is never changed.
QString translateDialect(const QString &dialectSql);

} // namespace store
