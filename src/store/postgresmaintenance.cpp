// The engines' door and the care of the data on a server, each on a
// connection of its own.

#include "common/formats.h"
#include "store/postgresconnection.h"
#include "store/postgresengine.h"
#include "store/postgresschema.h"
#include "store/storedforms.h"

#include <QDateTime>
#include <QDir>

#include <atomic>

namespace store {

namespace {

using pg::Connection;
using pg::Params;
using pg::Result;

class PostgresMaintenance final : public Maintenance
{
public:
    explicit PostgresMaintenance(const Location &location) : m_address(location.address()) {}

    bool hasData() const override
    {
        Connection db;
        QStringList present;
        return !db.open(m_address) && !pg::presentTables(db, present) && present.size() == pg::tables().size();
    }

    // From one snapshot of the server, written as the program's own copy.
    DbError copyTo(const QString &targetFolder, qint64 &records) override
    {
        records = 0;
        if (!QDir(targetFolder).exists()) {
            return {DbErrorKind::CopyFailed, QStringLiteral("no folder %1").arg(targetFolder)};
        }
        Connection db;
        if (DbError error = db.open(m_address)) {
            return error;
        }
        pg::DataSnapshot data;
        if (DbError error = db.inTransaction([&] { return pg::readData(db, data); },
                                             "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")) {
            return error;
        }
        db.close();
        if (DbError error = pg::writeCopy(targetFolder, data)) {
            return error;
        }
        records = data.records.size();
        return {};
    }

    DbError quickCheck() override
    {
        if (m_interrupted) {
            return interrupted();
        }
        if (DbError error = m_db.open(m_address)) {
            return error;
        }
        const DbError error = check();
        m_db.close();
        return m_interrupted ? interrupted() : error;
    }

    void interrupt() override
    {
        m_interrupted = true;
        m_db.cancel();
    }

    // The note is a row per day in a table of its own, made when first
    // needed, outside the data's tables: copies and restores leave it alone.
    bool dailyCopyMade(QDate day) override
    {
        Connection db;
        Result found;
        return !db.open(m_address) && !db.exec("SELECT to_regclass('\"控え記録\"') IS NOT NULL", {}, found) &&
               found.rows() == 1 && found.text(0, 0) == QLatin1String("t") &&
               !db.exec("SELECT 1 FROM \"控え記録\" WHERE \"日付\" = $1::date", Params().add(day), found) &&
               found.rows() > 0;
    }

    void noteDailyCopy(QDate day) override
    {
        Connection db;
        // Not noted (a server that lets us make no table, say): each PC then makes its own.
        (void)(!db.open(m_address) &&
               !db.exec("CREATE TABLE IF NOT EXISTS \"控え記録\" (\"日付\" date PRIMARY KEY, \"記録日時\" text)") &&
               !db.exec("INSERT INTO \"控え記録\" (\"日付\", \"記録日時\") VALUES ($1::date, $2) "
                        "ON CONFLICT (\"日付\") DO NOTHING",
                        Params().add(day).add(storedMoment(QDateTime::currentDateTimeUtc()))));
    }

    // Programs are told apart by the name each gives its connections (the
    // host and the process); this program's own connections do not count.
    int otherPrograms() override
    {
        Connection db;
        Result found;
        if (db.open(m_address) ||
            db.exec("SELECT count(DISTINCT application_name) FROM pg_stat_activity "
                    "WHERE datname = current_database() AND pid <> pg_backend_pid() "
                    "AND application_name LIKE $1 AND application_name <> current_setting('application_name')",
                    Params().add(QStringLiteral("zephra %")), found)) {
            return 0;
        }
        return int(found.integer(0, 0));
    }

private:
    static DbError interrupted() { return {DbErrorKind::Interrupted, QStringLiteral("interrupted")}; }

    // Every table read whole, and the amounts within the range the journal's boxes show.
    DbError check()
    {
        for (const char *count : {"SELECT count(*) FROM \"業務日誌\"", "SELECT count(*) FROM \"自社情報\"",
                                  "SELECT count(*) FROM \"ClHint\"", "SELECT count(*) FROM \"データ版\""}) {
            if (DbError error = m_db.exec(count)) {
                return error;
            }
        }
        Result beyond;
        if (DbError error = m_db.exec("SELECT count(*) FROM \"業務日誌\" WHERE abs(\"売上額\") > $1 OR "
                                      "abs(\"仕入額\") > $1 OR abs(\"入金額\") > $1 OR abs(\"出金額\") > $1",
                                      Params().add(common::kAmountLimit), beyond)) {
            return error;
        }
        if (beyond.integer(0, 0) > 0) {
            return {DbErrorKind::Damaged,
                    QStringLiteral("%1 records with amounts beyond the range").arg(beyond.integer(0, 0))};
        }
        return {};
    }

    QString m_address;
    Connection m_db;
    std::atomic<bool> m_interrupted = false;
};

Creation createTables(const Location &location, bool all)
{
    Creation creation;
    Connection db;
    const QString first = pg::partName(pg::tables().constFirst());
    if (DbError error = db.open(location.address())) {
        creation.error = error;
        creation.failedPart = first;
        return creation;
    }
    QStringList made;
    creation.error = db.inTransaction([&]() -> DbError {
        QStringList present;
        if (DbError error = pg::presentTables(db, present)) {
            return error;
        }
        if (all && !present.isEmpty()) {
            creation.failedPart = pg::partName(present.constFirst());
            return {DbErrorKind::Exists, QStringLiteral("table exists: ") + present.constFirst()};
        }
        for (const QString &table : pg::tables()) {
            if (!present.contains(table)) {
                made << table;
            }
        }
        return pg::createTables(db, made);
    });
    if (creation.error) {
        if (creation.failedPart.isEmpty()) {
            creation.failedPart = first;
        }
        return creation;
    }
    for (const QString &table : std::as_const(made)) {
        creation.made << pg::partName(table);
    }
    return creation;
}

} // namespace

DataParts postgresDataParts(const Location &location)
{
    DataParts parts;
    QStringList present;
    Connection db;
    if (!db.open(location.address())) {
        (void)pg::presentTables(db, present);
    }
    for (const QString &table : pg::tables()) {
        parts.all << pg::partName(table);
        if (present.contains(table)) {
            parts.present << pg::partName(table);
        }
    }
    return parts;
}

Creation createPostgresData(const Location &location)
{
    return createTables(location, true);
}

Creation createMissingPostgresData(const Location &location)
{
    return createTables(location, false);
}

std::unique_ptr<Maintenance> makePostgresMaintenance(const Location &location)
{
    return std::make_unique<PostgresMaintenance>(location);
}

} // namespace store
