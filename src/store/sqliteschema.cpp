#include "store/sqliteschema.h"

#include "store/sqliteconnection.h"
#include "store/sqlitesearch.h"
#include "store/store.h"

#include <QFile>

#include <algorithm>

namespace store::sqlite {

namespace {

// Dates are ISO texts 'yyyy-mm-dd' (they sort and compare as dates), amounts
// 64-bit integers, texts UTF-8.
constexpr const char *kMainDefinitions =
    "CREATE TABLE \"業務日誌\" (\"日付\" DATE, \"売上額\" INTEGER, \"仕入額\" INTEGER, "
    "\"入金額\" INTEGER, \"出金額\" INTEGER, \"日誌\" TEXT, "
    "\"版\" INTEGER NOT NULL DEFAULT 0, \"更新日時\" TEXT);"
    "CREATE UNIQUE INDEX \"業務日誌_日付\" ON \"業務日誌\" (\"日付\");"
    "CREATE TABLE \"自社情報\" (\"年号\" TEXT, \"LineColor1\" INTEGER);";

constexpr const char *kWorkDefinitions =
    "CREATE TABLE \"w集計\" (\"日付\" DATE, \"売上額\" INTEGER, \"仕入額\" INTEGER, "
    "\"入金額\" INTEGER, \"出金額\" INTEGER);"
    "CREATE TABLE \"ClHint\" (\"FormName\" TEXT, \"CtlName\" TEXT, \"FormTitle\" TEXT, \"Contents\" TEXT, "
    "\"版\" INTEGER NOT NULL DEFAULT 0, \"更新日時\" TEXT);"
    "CREATE UNIQUE INDEX \"ClHint_FormName_CtlName\" ON \"ClHint\" (\"FormName\", \"CtlName\");";

// The columns that keep a record's version (版, 更新日時): a missing one is
// added by these, one statement each.
struct VersionColumn
{
    const char *schema;
    const char *table;
    const char *column;
    const char *add;
};

constexpr VersionColumn kVersionColumns[] = {
    {"main", "業務日誌", "版", "ALTER TABLE main.\"業務日誌\" ADD COLUMN \"版\" INTEGER NOT NULL DEFAULT 0"},
    {"main", "業務日誌", "更新日時", "ALTER TABLE main.\"業務日誌\" ADD COLUMN \"更新日時\" TEXT"},
    {"work", "ClHint", "版", "ALTER TABLE work.\"ClHint\" ADD COLUMN \"版\" INTEGER NOT NULL DEFAULT 0"},
    {"work", "ClHint", "更新日時", "ALTER TABLE work.\"ClHint\" ADD COLUMN \"更新日時\" TEXT"},
};

// The layout's number: one row, in the journal file only, as the two files
// are one pair, opened and brought up to date together.
DbError markSchemaVersion(Connection &db)
{
    if (DbError error = db.execute("CREATE TABLE IF NOT EXISTS main.\"データ版\" (\"版\" INTEGER NOT NULL);"
                                   "DELETE FROM main.\"データ版\";")) {
        return error;
    }
    Statement mark(db, "INSERT INTO main.\"データ版\" (\"版\") VALUES (?1)");
    return mark.bind(1, qint64(kSchemaVersion)).run();
}

DbError createMainExtras(Connection &db)
{
    if (DbError error = markSchemaVersion(db)) {
        return error;
    }
    return createSearchIndex(db);
}

DbError hasColumn(Connection &db, const VersionColumn &wanted, bool &has)
{
    Statement columns(db, "SELECT count(*) FROM pragma_table_info(?1, ?2) WHERE name = ?3");
    columns.bind(1, QString::fromUtf8(wanted.table))
        .bind(2, QString::fromUtf8(wanted.schema))
        .bind(3, QString::fromUtf8(wanted.column));
    has = columns.step() && columns.integer(0) > 0;
    return columns.error();
}

// `more` makes what plain definitions cannot, in the same transaction.
DbError createFile(const QString &path, const char *definitions, const QStringList &tables,
                   DbError (*more)(Connection &) = nullptr)
{
    DbError error;
    {
        Connection db;
        error = db.create(path);
        if (error.kind == DbErrorKind::Exists) {
            return error; // not ours to remove
        }
        if (!error) {
            error = db.inTransaction([&db, definitions, more] {
                DbError failure = db.execute(definitions);
                return failure || !more ? failure : more(db);
            });
        }
        if (!error) {
            // Read back as any later start will.
            db.close();
            error = db.open(path, tables);
        }
    }
    if (error) {
        QFile::remove(path + QStringLiteral("-journal"));
        QFile::remove(path);
    }
    return error;
}

} // namespace

QStringList mainTables()
{
    return {QStringLiteral("業務日誌"), QStringLiteral("自社情報")};
}

QStringList workTables()
{
    return {QStringLiteral("w集計"), QStringLiteral("ClHint")};
}

DbError createMainFile(const QString &path)
{
    // A new journal file has its search index from the start, empty and finished.
    return createFile(path, kMainDefinitions, mainTables(), &createMainExtras);
}

DbError createWorkFile(const QString &path)
{
    return createFile(path, kWorkDefinitions, workTables());
}

DbError findVersionColumns(Connection &db, VersionColumns &found)
{
    found = {};
    bool journal = true;
    bool hints = true;
    for (const VersionColumn &column : kVersionColumns) {
        bool has = false;
        if (DbError error = hasColumn(db, column, has)) {
            return error;
        }
        (qstrcmp(column.schema, "main") == 0 ? journal : hints) &= has;
    }
    found = {journal, hints};
    return {};
}

DbError addVersionColumns(Connection &db)
{
    return db.inTransaction([&db]() -> DbError {
        for (const VersionColumn &column : kVersionColumns) {
            bool has = false;
            if (DbError error = hasColumn(db, column, has)) {
                return error;
            }
            if (DbError error = has ? DbError{} : db.execute(column.add)) {
                return error;
            }
        }
        return {};
    });
}

DbError readSchemaVersion(Connection &db, int &version)
{
    version = 0;
    Statement table(db, "SELECT count(*) FROM main.sqlite_master WHERE type = 'table' AND name = ?1");
    table.bind(1, QStringLiteral("データ版"));
    const bool marked = table.step() && table.integer(0) > 0;
    if (table.error()) {
        return table.error();
    }
    if (marked) {
        Statement number(db, "SELECT max(\"版\") FROM main.\"データ版\"");
        if (number.step() && !number.isNull(0)) {
            version = int(std::clamp<qint64>(number.integer(0), 0, 1'000'000));
            return {};
        }
        if (number.error()) {
            return number.error();
        }
    }
    // Without a number the layout shows in the columns.
    VersionColumns found;
    if (DbError error = findVersionColumns(db, found)) {
        return error;
    }
    version = found.journal && found.hints ? 2 : 1;
    return {};
}

DbError upgradeSchema(Connection &db)
{
    return db.inTransaction(
        [&db]() -> DbError {
            if (DbError error = addVersionColumns(db)) {
                return error;
            }
            return markSchemaVersion(db);
        },
        Connection::Lock::AtStart);
}

} // namespace store::sqlite
