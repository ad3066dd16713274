#include "store/schema.h"

#include "store/database.h"

#include <QFile>
#include <QFileInfo>

namespace store::schema {

namespace {

// Dates are ISO texts 'yyyy-mm-dd' (they sort and compare as dates), amounts
// 64-bit integers, texts UTF-8.
const QStringList &mainDefinitions()
{
    static const QStringList definitions{
        QStringLiteral("CREATE TABLE \"業務日誌\" (\"日付\" DATE, \"売上額\" INTEGER, \"仕入額\" INTEGER, "
                       "\"入金額\" INTEGER, \"出金額\" INTEGER, \"日誌\" TEXT)"),
        QStringLiteral("CREATE UNIQUE INDEX \"業務日誌_日付\" ON \"業務日誌\" (\"日付\")"),
        QStringLiteral("CREATE TABLE \"自社情報\" (\"年号\" TEXT, \"LineColor1\" INTEGER)"),
    };
    return definitions;
}

const QStringList &workDefinitions()
{
    static const QStringList definitions{
        QStringLiteral("CREATE TABLE \"w集計\" (\"日付\" DATE, \"売上額\" INTEGER, \"仕入額\" INTEGER, "
                       "\"入金額\" INTEGER, \"出金額\" INTEGER)"),
        QStringLiteral("CREATE TABLE \"ClHint\" (\"FormName\" TEXT, \"CtlName\" TEXT, \"FormTitle\" TEXT, "
                       "\"Contents\" TEXT)"),
        QStringLiteral("CREATE UNIQUE INDEX \"ClHint_FormName_CtlName\" ON \"ClHint\" (\"FormName\", \"CtlName\")"),
    };
    return definitions;
}

DbError createDatabase(const QString &path, const QStringList &definitions, const QStringList &tables)
{
    // Creating the empty file exclusively refuses any file already there, even
    // one that appears between a check and the creation.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink()) {
            return {ErrFileExists, QStringLiteral("file exists: ") + path};
        }
        return {14, file.errorString()};
    }
    file.close();

    DbError error;
    {
        Database db;
        error = db.open(path, {});
        if (!error) {
            error = db.inTransaction([&db, &definitions]() {
                for (const QString &definition : definitions) {
                    if (DbError failed = db.execute(definition)) {
                        return failed;
                    }
                }
                return DbError::none();
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

DbError createMainDatabase(const QString &path)
{
    return createDatabase(path, mainDefinitions(), mainTables());
}

DbError createWorkDatabase(const QString &path)
{
    return createDatabase(path, workDefinitions(), workTables());
}

} // namespace store::schema
