#pragma once
// A data file as another program sees it: a connection of its own, for
// putting rows in that the program never writes itself and for reading back
// exactly what is stored.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;

namespace testsupport {

class SqlFile
{
public:
    explicit SqlFile(const QString &path); // an existing file; never creates one
    // A connection the program opened, borrowed (not closed here): what that
    // connection itself sees, also of a file deleted under it.
    explicit SqlFile(sqlite3 *borrowed) : m_db(borrowed), m_owned(false) {}
    ~SqlFile();
    SqlFile(const SqlFile &) = delete;
    SqlFile &operator=(const SqlFile &) = delete;

    bool ok() const { return m_db != nullptr; }
    // Runs statements (several, separated by ';'); false, with a warning, on failure.
    bool exec(const QString &sql);
    // The first column of the first row: qint64, double, QString, QByteArray,
    // or a null QVariant for Null or no row.
    QVariant value(const QString &sql);
    qint64 count(const QString &table);
    // Every row of a query, each value as value() gives it; empty, with a warning, on failure.
    QList<QVariantList> select(const QString &sql);
    // Every row of a table in rowid order, one line per row, values joined by
    // '|', each as "<type>:<value>" (qlonglong, QString, double, QByteArray)
    // or NULL; "unreadable" when the table cannot be read. The columns of a
    // record's version (版, 更新日時) are left out.
    QStringList rows(const QString &table);
    QString lastError() const;
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
    bool m_owned = true;
};

// A new file holding what `sql` makes (a file of another program or of an
// earlier version); false when a file is there or a statement fails.
bool createFileWith(const QString &path, const QString &sql);

// The data folder's two files as an earlier version made them (no 版, no
// 更新日時, no データ版): one journal day, 2026-12-07 (100, Null, 0, -5,
// 前の版), and one hint, FrmNippo/cmdHint (日報, 前の版のヒント).
bool createEarlierFiles(const QString &folder);
// The bytes of the folder's two data files, one after the other: what a
// refused or failed step must leave as it found.
QByteArray dataBytes(const QString &folder);

// The same, opening the file for each call.
bool execOn(const QString &path, const QString &sql);
qint64 countOn(const QString &path, const QString &table);
QStringList rowsOf(const QString &path, const QString &table);

// Triggers that make `table` refuse every insert, update and delete, as a
// read-only file does, and the statements that drop them again.
QString refuseWritesSql(const QString &table);
QString allowWritesSql();

} // namespace testsupport
