#include "store/sqliteaccess.h"

#include <QSqlDatabase>
#include <QSqlDriver>

#include <sqlite3.h>

namespace store::detail {

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

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

DbError engineError(sqlite3 *db, int code)
{
    const int number = sqlite3_extended_errcode(db);
    return {number != SQLITE_OK ? number : code, QString::fromUtf8(sqlite3_errmsg(db))};
}

QVariant columnValue(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, column)),
                          sqlite3_column_bytes(statement, column));
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
    }
    }
}

sqlite3 *handleOf(const QSqlDatabase &db)
{
    if (!db.driver()) {
        return nullptr;
    }
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3 *const *>(handle.constData());
}

} // namespace store::detail
