// Registering one journal record through the store's dynaset, against the same
// upsert issued directly through SQLite's C interface.

#include "store/database.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QDate dayOf(std::int64_t i)
{
    return QDate(2000, 1, 1).addDays(i % 36525);
}

void BM_RegisterThroughStore(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(store::schema::kMainDbFileName);
    if (store::schema::createMainDatabase(path)) {
        state.SkipWithError("cannot create database");
        return;
    }
    store::Database db;
    if (db.open(path, store::schema::mainTables())) {
        state.SkipWithError("cannot open database");
        return;
    }
    std::int64_t i = 0;
    for (auto _ : state) {
        const QDate date = dayOf(i++);
        store::DbError error;
        auto rs = db.openRecordset(store::sql::selectJournalOfDate(date), &error);
        if (!rs || (rs->isEmpty() ? rs->addNew() : rs->edit())) {
            state.SkipWithError("open failed");
            return;
        }
        (void)rs->setField(QStringLiteral("日付"), date);
        (void)rs->setField(QStringLiteral("売上額"), qint64(123456));
        (void)rs->setField(QStringLiteral("仕入額"), qint64(65432));
        (void)rs->setField(QStringLiteral("入金額"), qint64(1000));
        (void)rs->setField(QStringLiteral("出金額"), qint64(2000));
        (void)rs->setField(QStringLiteral("日誌"), QStringLiteral("本日は晴れ。来客多し。"));
        if (rs->update()) {
            state.SkipWithError("update failed");
            return;
        }
        rs->close();
    }
}
BENCHMARK(BM_RegisterThroughStore)->Unit(benchmark::kMicrosecond);

void BM_RegisterThroughSqlite(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(store::schema::kMainDbFileName);
    if (store::schema::createMainDatabase(path)) {
        state.SkipWithError("cannot create database");
        return;
    }
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt *upsert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO 業務日誌(日付,売上額,仕入額,入金額,出金額,日誌) VALUES(?,?,?,?,?,?) "
                       "ON CONFLICT(日付) DO UPDATE SET 売上額=excluded.売上額, 仕入額=excluded.仕入額, "
                       "入金額=excluded.入金額, 出金額=excluded.出金額, 日誌=excluded.日誌",
                       -1, &upsert, nullptr);
    const QByteArray memo = QStringLiteral("本日は晴れ。来客多し。").toUtf8();
    std::int64_t i = 0;
    for (auto _ : state) {
        const QByteArray date = dayOf(i++).toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(upsert, 1, date.constData(), int(date.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(upsert, 2, 123456);
        sqlite3_bind_int64(upsert, 3, 65432);
        sqlite3_bind_int64(upsert, 4, 1000);
        sqlite3_bind_int64(upsert, 5, 2000);
        sqlite3_bind_text(upsert, 6, memo.constData(), int(memo.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(upsert) != SQLITE_DONE) {
            state.SkipWithError("step failed");
            break;
        }
        sqlite3_reset(upsert);
    }
    sqlite3_finalize(upsert);
    sqlite3_close(db);
}
BENCHMARK(BM_RegisterThroughSqlite)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
