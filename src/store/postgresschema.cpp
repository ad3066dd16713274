#include "store/postgresschema.h"

#include "common/formats.h"
#include "store/postgresconnection.h"
#include "store/sqliteconnection.h"
#include "store/sqlitefiles.h"
#include "store/sqliteschema.h"
#include "store/store.h"

#include <QDir>
#include <QFile>

namespace store::pg {

namespace {

const QString kJournal = QStringLiteral("業務日誌");
const QString kSettings = QStringLiteral("自社情報");
const QString kHints = QStringLiteral("ClHint");
const QString kLayout = QStringLiteral("データ版");

QByteArray quotedIdentifier(const QString &name)
{
    QString quoted = name;
    return '"' + quoted.replace(u'"', QStringLiteral("\"\"")).toUtf8() + '"';
}

// The schema that holds the trigram operators, made when the database has
// none yet (pg_trgm is trusted: the database's owner may add it).
DbError trigramSchema(Connection &db, QByteArray &schema)
{
    const char *find = "SELECT n.nspname FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace "
                       "WHERE e.extname = 'pg_trgm'";
    Result found;
    if (DbError error = db.exec(find, {}, found)) {
        return error;
    }
    if (found.rows() == 0) {
        if (DbError error = db.exec("CREATE EXTENSION IF NOT EXISTS pg_trgm")) {
            return error;
        }
        if (DbError error = db.exec(find, {}, found)) {
            return error;
        }
    }
    schema = quotedIdentifier(found.text(0, 0));
    return {};
}

} // namespace

QStringList tables()
{
    return {kJournal, kSettings, kHints, kLayout};
}

QString partName(const QString &table)
{
    return QStringLiteral("サーバー上の表 ") + table;
}

bool journalTable(const QString &table)
{
    return table != kHints;
}

DbError presentTables(Connection &db, QStringList &present)
{
    present.clear();
    Result found;
    // Only the session's first schema counts: the tables there are the data,
    // whatever a later schema of the search path holds.
    if (DbError error = db.exec("SELECT c.relname FROM pg_class c WHERE c.relnamespace = "
                                "(SELECT oid FROM pg_namespace WHERE nspname = current_schema()) "
                                "AND c.relkind IN ('r', 'p') AND c.relname = ANY (string_to_array($1, '/'))",
                                Params().add(tables().join(u'/')), found)) {
        return error;
    }
    for (const QString &table : tables()) {
        for (int row = 0; row < found.rows(); ++row) {
            if (found.text(row, 0) == table) {
                present << table;
            }
        }
    }
    return {};
}

DbError createTables(Connection &db, const QStringList &names)
{
    const QByteArray limit = QByteArray::number(common::kAmountLimit);
    const auto amount = [&limit](const char *column) {
        return QByteArray("\"") + column + "\" bigint CHECK (\"" + column + "\" BETWEEN -" + limit + " AND " + limit +
               ")";
    };
    for (const QString &table : names) {
        QByteArray sql;
        if (table == kJournal) {
            QByteArray trigrams;
            if (DbError error = trigramSchema(db, trigrams)) {
                return error;
            }
            // 検索形 is the search form of 日誌, written by the store with
            // every record, so that the server compares exactly as the program does.
            sql = "CREATE TABLE \"業務日誌\" (\"日付\" date NOT NULL CONSTRAINT \"業務日誌_日付\" PRIMARY KEY, " +
                  amount("売上額") + ", " + amount("仕入額") + ", " + amount("入金額") + ", " + amount("出金額") +
                  ", \"日誌\" text, \"版\" bigint NOT NULL DEFAULT 0, \"更新日時\" text, "
                  "\"検索形\" text NOT NULL DEFAULT ''); "
                  "CREATE INDEX \"業務日誌_検索形\" ON \"業務日誌\" USING gin (\"検索形\" " +
                  trigrams + ".gin_trgm_ops)";
        } else if (table == kSettings) {
            sql = "CREATE TABLE \"自社情報\" (\"年号\" text, \"LineColor1\" bigint)";
        } else if (table == kHints) {
            sql = "CREATE TABLE \"ClHint\" (\"FormName\" text NOT NULL, \"CtlName\" text NOT NULL, "
                  "\"FormTitle\" text, \"Contents\" text, \"版\" bigint NOT NULL DEFAULT 0, \"更新日時\" text, "
                  "CONSTRAINT \"ClHint_FormName_CtlName\" UNIQUE (\"FormName\", \"CtlName\"))";
        } else {
            sql = "CREATE TABLE \"データ版\" (\"版\" bigint NOT NULL)";
        }
        if (DbError error = db.exec(sql.constData())) {
            return error;
        }
        if (table == kLayout) {
            if (DbError error =
                    db.exec("INSERT INTO \"データ版\" (\"版\") VALUES ($1)", Params().add(qint64(kSchemaVersion)))) {
                return error;
            }
        }
    }
    return {};
}

DbError readData(Connection &db, DataSnapshot &data)
{
    data = DataSnapshot{};
    Result rows;
    if (DbError error = db.exec("SELECT to_char(\"日付\", 'YYYY-MM-DD'), \"売上額\", \"仕入額\", \"入金額\", "
                                "\"出金額\", \"日誌\" FROM \"業務日誌\" ORDER BY \"日付\"",
                                {}, rows)) {
        return error;
    }
    for (int row = 0; row < rows.rows(); ++row) {
        JournalRecord record;
        record.date = rows.date(row, 0);
        int column = 1;
        for (const AmountColumn which : kAmountColumns) {
            record.amounts[which] = rows.amount(row, column++);
        }
        record.text = rows.text(row, 5);
        data.records.append(record);
    }
    if (DbError error = db.exec("SELECT \"年号\", \"LineColor1\" FROM \"自社情報\" LIMIT 1", {}, rows)) {
        return error;
    }
    if (rows.rows() > 0) {
        data.settings.emplace();
        if (!rows.isNull(0, 0)) {
            data.settings->era = rows.text(0, 0);
        }
        const qint64 colour = rows.integer(0, 1);
        data.settings->lineColour = colour >= 0 && colour <= common::kColourNumberLimit ? qint32(colour) : 0;
    }
    if (DbError error = db.exec("SELECT \"FormName\", \"CtlName\", \"FormTitle\", \"Contents\" FROM \"ClHint\" "
                                "ORDER BY \"FormName\" COLLATE \"C\", \"CtlName\" COLLATE \"C\"",
                                {}, rows)) {
        return error;
    }
    for (int row = 0; row < rows.rows(); ++row) {
        data.hints.append(Hint{{rows.text(row, 0), rows.text(row, 1)},
                               rows.text(row, 2),
                               rows.isNull(row, 3) ? std::nullopt : std::optional(rows.text(row, 3))});
    }
    return {};
}

DbError readCopy(const QString &folder, DataSnapshot &data)
{
    data = DataSnapshot{};
    const std::unique_ptr<Store> copy = makeSqliteStore();
    if (const std::optional<OpenFailure> failure = copy->open(Location::inFolder(folder))) {
        return failure->error;
    }
    if (DbError error = copy->forEachRecord({QDate(1, 1, 1), QDate(9999, 12, 31)}, [&data](const JournalRecord &r) {
            data.records.append(r);
            return true;
        })) {
        return error;
    }
    if (DbError error = copy->loadSettings(data.settings)) {
        return error;
    }
    copy->close();
    // The store reads hints by their key only: the copy's are listed here.
    sqlite::Connection work;
    if (DbError error = work.openReadOnly(QDir(folder).filePath(kWorkFileName), sqlite::workTables())) {
        return error;
    }
    sqlite::Statement hints(work, "SELECT \"FormName\", \"CtlName\", \"FormTitle\", \"Contents\" FROM \"ClHint\"");
    while (hints.step()) {
        const HintKey key{hints.text(0), hints.text(1)};
        if (!key.isEmpty()) {
            data.hints.append(Hint{key, hints.text(2), hints.isNull(3) ? std::nullopt : std::optional(hints.text(3))});
        }
    }
    return hints.error();
}

DbError writeCopy(const QString &folder, const DataSnapshot &data)
{
    if (DbError error = createSqliteFiles(folder)) {
        return error;
    }
    const QDir dir(folder);
    const auto removeCopy = [&dir] {
        for (const QString &name : {kMainFileName, kWorkFileName}) {
            QFile::remove(dir.filePath(name));
            QFile::remove(dir.filePath(name + QStringLiteral("-journal")));
        }
    };
    const std::unique_ptr<Store> copy = makeSqliteStore();
    if (const std::optional<OpenFailure> failure = copy->open(Location::inFolder(folder))) {
        removeCopy();
        return failure->error;
    }
    const DbError error = copy->inTransaction([&]() -> DbError {
        for (const JournalRecord &record : data.records) {
            if (DbError failure = copy->saveDay(record)) {
                return failure;
            }
        }
        if (data.settings) {
            if (DbError failure = copy->saveSettings(*data.settings)) {
                return failure;
            }
        }
        for (const Hint &hint : data.hints) {
            if (DbError failure = copy->storeHint(hint)) {
                return failure;
            }
        }
        return {};
    });
    copy->close();
    if (error) {
        removeCopy();
        return error;
    }
    // A copy is as private as the data it holds.
    for (const QString &name : {kMainFileName, kWorkFileName}) {
        QFile::setPermissions(dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner);
    }
    return {};
}

} // namespace store::pg
