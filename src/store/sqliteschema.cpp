#include "store/sqliteschema.h"

#include "store/sqliteconnection.h"
#include "store/sqlitesearch.h"

#include <QFile>

namespace store::sqlite {

namespace {

// Dates are ISO texts 'yyyy-mm-dd' (they sort and compare as dates), amounts
// 64-bit integers, texts UTF-8.
constexpr const char *kMainDefinitions =
    "CREATE TABLE \"業務日誌\" (\"日付\" DATE, \"売上額\" INTEGER, \"仕入額\" INTEGER, "
    "\"入金額\" INTEGER, \"出金額\" INTEGER, \"日誌\" TEXT);"
    "CREATE UNIQUE INDEX \"業務日誌_日付\" ON \"業務日誌\" (\"日付\");"
    "CREATE TABLE \"自社情報\" (\"年号\" TEXT, \"LineColor1\" INTEGER);";

constexpr const char *kWorkDefinitions =
    "CREATE TABLE \"w集計\" (\"日付\" DATE, \"売上額\" INTEGER, \"仕入額\" INTEGER, "
    "\"入金額\" INTEGER, \"出金額\" INTEGER);"
    "CREATE TABLE \"ClHint\" (\"FormName\" TEXT, \"CtlName\" TEXT, \"FormTitle\" TEXT, \"Contents\" TEXT);"
    "CREATE UNIQUE INDEX \"ClHint_FormName_CtlName\" ON \"ClHint\" (\"FormName\", \"CtlName\");";

// `more` makes what plain definitions cannot, in the same transaction.
DbError createFile(const QString &path, const char *definitions, const QStringList &tables,
                   DbError (*more)(Connection &) = nullptr)
{
    DbError error;
    {
        Connection db;
        error = db.create(path);
        if (error.number == ErrFileExists) {
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
    return createFile(path, kMainDefinitions, mainTables(), &createSearchIndex);
}

DbError createWorkFile(const QString &path)
{
    return createFile(path, kWorkDefinitions, workTables());
}

} // namespace store::sqlite
