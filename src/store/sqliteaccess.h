#pragma once
// Inside the store only: the pieces of SQLite's own interface that the
// recordsets and the copy of rows share.

#include "store/dberror.h"

#include <QString>
#include <QStringView>
#include <QVariant>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

namespace store::detail {

// Whether two names are one name to SQLite, which folds ASCII letters only.
bool sameName(QStringView a, QStringView b);

// A name between double quotes, any quote in it doubled.
QString quotedIdentifier(const QString &name);

// The connection's last error, or `code` where SQLite recorded none.
DbError engineError(sqlite3 *db, int code);

// A column of the current row as QtSql would give it: Null as a null value,
// integers as qint64, reals as double, blobs as bytes, everything else as text.
QVariant columnValue(sqlite3_stmt *statement, int column);

// The SQLite connection behind a QtSql connection; null when there is none.
sqlite3 *handleOf(const QSqlDatabase &db);

} // namespace store::detail
