#include "tenyears.h"

#include "centurydata.h"

#include "store/store.h"

#include <QDate>
#include <QFile>

#include <sqlite3.h>

namespace bench {

namespace {

sqlite3 *openFile(const QString &path, int flags, QString *error)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        *error = path + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

std::optional<qint64> amountAt(sqlite3_stmt *row, int column)
{
    if (sqlite3_column_type(row, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_int64(row, column);
}

} // namespace

QString fillTenYears(const QString &mainDbPath, const QString &workDbPath)
{
    QString error;
    sqlite3 *db = openFile(workDbPath, SQLITE_OPEN_READWRITE, &error);
    if (!db) {
        return error;
    }
    const QByteArray sql = "ATTACH DATABASE '" + QFile::encodeName(mainDbPath).replace('\'', "''") +
                           "' AS main_db; "
                           "BEGIN; DELETE FROM w集計; "
                           "INSERT INTO w集計 (日付, 売上額, 仕入額, 入金額, 出金額) "
                           "SELECT 日付, 売上額, 仕入額, 入金額, 出金額 FROM "
                           "(SELECT * FROM main_db.業務日誌 ORDER BY 日付 DESC LIMIT 3660) ORDER BY 日付; "
                           "COMMIT; DETACH DATABASE main_db;";
    char *message = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = workDbPath + QStringLiteral(": ") + QString::fromUtf8(message ? message : "unknown error");
    }
    sqlite3_free(message);
    sqlite3_close(db);
    return error;
}

QString fillStoreTenYears(store::Store &store, QDate lastDay)
{
    store::FillReport report;
    if (const store::DbError error = store.fillWork({lastDay.addDays(1 - kTenYearRows), lastDay}, report)) {
        return QStringLiteral("the totals run failed: ") + error.message;
    }
    return report.copied == kTenYearRows ? QString()
                                         : QStringLiteral("the totals run copied %1 rows").arg(report.copied);
}

printing::PrintTotals printTotalsOf(const QString &workDbPath, QString *error)
{
    printing::PrintTotals totals;
    sqlite3 *db = openFile(workDbPath, SQLITE_OPEN_READONLY, error);
    if (!db) {
        return totals;
    }
    sqlite3_stmt *query = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT min(日付), max(日付), sum(売上額), sum(仕入額), sum(入金額), sum(出金額), count(*) "
                           "FROM w集計",
                           -1, &query, nullptr) != SQLITE_OK ||
        sqlite3_step(query) != SQLITE_ROW) {
        *error = workDbPath + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
    } else if (sqlite3_column_int(query, 6) != kTenYearRows) {
        *error = workDbPath + QStringLiteral(": w集計 holds %1 rows").arg(sqlite3_column_int(query, 6));
    } else {
        const auto dateText = [query](int column) {
            const QDate date = QDate::fromString(
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query, column))), Qt::ISODate);
            return date.toString(QStringLiteral("yyyy/MM/dd"));
        };
        totals.startText = dateText(0);
        totals.endText = dateText(1);
        totals.sales = amountAt(query, 2);
        totals.purchases = amountAt(query, 3);
        totals.moneyIn = amountAt(query, 4);
        totals.moneyOut = amountAt(query, 5);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return totals;
}

} // namespace bench
