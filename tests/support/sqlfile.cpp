#include "support/sqlfile.h"

#include "store/sqlitefiles.h"

#include "store/store.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

namespace testsupport {

namespace {

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
    default:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    }
}

// 版 and 更新日時 change with every write of a record, and are missing from files
// of earlier versions: rows() shows what the records hold.
bool isVersionColumn(const char *name)
{
    const QString column = QString::fromUtf8(name);
    return column == QStringLiteral("版") || column == QStringLiteral("更新日時");
}

} // namespace

SqlFile::SqlFile(const QString &path)
{
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        qWarning("cannot open %s: %s", qPrintable(path), m_db ? sqlite3_errmsg(m_db) : "?");
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    sqlite3_busy_timeout(m_db, 2000);
}

SqlFile::~SqlFile()
{
    if (m_owned) {
        sqlite3_close(m_db);
    }
}

QString SqlFile::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("not open");
}

bool SqlFile::exec(const QString &sql)
{
    if (!m_db || sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(lastError()));
        return false;
    }
    return true;
}

QVariant SqlFile::value(const QString &sql)
{
    sqlite3_stmt *statement = nullptr;
    if (!m_db || sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(lastError()));
        return {};
    }
    QVariant result;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        result = columnValue(statement, 0);
    }
    sqlite3_finalize(statement);
    return result;
}

QList<QVariantList> SqlFile::select(const QString &sql)
{
    sqlite3_stmt *statement = nullptr;
    if (!m_db || sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(lastError()));
        return {};
    }
    QList<QVariantList> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QVariantList row;
        for (int k = 0; k < sqlite3_column_count(statement); ++k) {
            row << columnValue(statement, k);
        }
        rows << row;
    }
    sqlite3_finalize(statement);
    return rows;
}

qint64 SqlFile::count(const QString &table)
{
    return value(QStringLiteral("select count(*) from \"%1\"").arg(table)).toLongLong();
}

QStringList SqlFile::rows(const QString &table)
{
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = QStringLiteral("select * from \"%1\" order by rowid").arg(table).toUtf8();
    if (!m_db || sqlite3_prepare_v2(m_db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
        return {QStringLiteral("unreadable")};
    }
    QStringList rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QStringList values;
        for (int k = 0; k < sqlite3_column_count(statement); ++k) {
            if (isVersionColumn(sqlite3_column_name(statement, k))) {
                continue;
            }
            const QVariant v = columnValue(statement, k);
            values << (v.isNull() ? QStringLiteral("NULL") : QString::fromLatin1(v.typeName()) + u':' + v.toString());
        }
        rows << values.join(u'|');
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        return {QStringLiteral("unreadable")};
    }
    return rows;
}

bool createEarlierFiles(const QString &folder)
{
    const QDir dir(folder);
    return createFileWith(dir.filePath(store::kMainFileName),
                          QStringLiteral("CREATE TABLE 業務日誌 (日付 DATE, 売上額 INTEGER, 仕入額 INTEGER, "
                                         "入金額 INTEGER, 出金額 INTEGER, 日誌 TEXT);"
                                         "CREATE UNIQUE INDEX 業務日誌_日付 ON 業務日誌 (日付);"
                                         "CREATE TABLE 自社情報 (年号 TEXT, LineColor1 INTEGER);"
                                         "INSERT INTO 業務日誌 VALUES ('2026-12-07', 100, NULL, 0, -5, '前の版');")) &&
           createFileWith(
               dir.filePath(store::kWorkFileName),
               QStringLiteral("CREATE TABLE w集計 (日付 DATE, 売上額 INTEGER, 仕入額 INTEGER, "
                              "入金額 INTEGER, 出金額 INTEGER);"
                              "CREATE TABLE ClHint (FormName TEXT, CtlName TEXT, FormTitle TEXT, "
                              "Contents TEXT);"
                              "CREATE UNIQUE INDEX ClHint_FormName_CtlName ON ClHint (FormName, CtlName);"
                              "INSERT INTO ClHint VALUES ('FrmNippo', 'cmdHint', '日報', '前の版のヒント');"));
}

QByteArray dataBytes(const QString &folder)
{
    QByteArray bytes;
    for (const QString &name : {store::kMainFileName, store::kWorkFileName}) {
        QFile file(QDir(folder).filePath(name));
        bytes += file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
        bytes += '|';
    }
    return bytes;
}

bool createFileWith(const QString &path, const QString &sql)
{
    if (QFile::exists(path)) {
        return false;
    }
    sqlite3 *db = nullptr;
    const bool made = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return made && execOn(path, sql);
}

bool execOn(const QString &path, const QString &sql)
{
    return SqlFile(path).exec(sql);
}

QString refuseWritesSql(const QString &table)
{
    QString sql;
    for (const char *change : {"insert", "update", "delete"}) {
        sql += QStringLiteral("create trigger refuse_%1 before %1 on %2 begin select raise(abort, 'read-only'); end;")
                   .arg(QLatin1StringView(change), table);
    }
    return sql;
}

QString allowWritesSql()
{
    return QStringLiteral("drop trigger refuse_insert; drop trigger refuse_update; drop trigger refuse_delete;");
}

qint64 countOn(const QString &path, const QString &table)
{
    return SqlFile(path).count(table);
}

QStringList rowsOf(const QString &path, const QString &table)
{
    return SqlFile(path).rows(table);
}

} // namespace testsupport
