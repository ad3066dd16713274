#pragma once
// Every row of a table as text, each value with its storage type, so that a
// test can compare a table before and after an operation exactly.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace testsupport {

// One line per row, values joined by '|'; "unreadable" when the table cannot be read.
inline QStringList tableRows(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select * from \"%1\" order by rowid").arg(table))) {
        return {QStringLiteral("unreadable")};
    }
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int k = 0; k < query.record().count(); ++k) {
            const QVariant v = query.value(k);
            values << (v.isNull() ? QStringLiteral("NULL") : QString::fromLatin1(v.typeName()) + u':' + v.toString());
        }
        rows << values.join(u'|');
    }
    return rows;
}

} // namespace testsupport
