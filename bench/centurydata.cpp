#include "centurydata.h"

#include "common/progress.h"
#include "store/sqliteconnection.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sqlite3.h>

namespace bench {

namespace {

// A small linear congruential generator: the same data on every machine.
class Sequence
{
public:
    explicit Sequence(quint64 seed) : m_state(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
    quint32 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33);
    }
    qint64 below(qint64 limit) { return qint64(next()) % limit; }

private:
    quint64 m_state;
};

const QStringList &phrases()
{
    static const QStringList list{
        QStringLiteral("本日は晴れ。"),
        QStringLiteral("午前中に常連の山田様が来店、季節の贈答品をまとめてご注文いただく。"),
        QStringLiteral("仕入先へ月末締めの請求書を送付。"),
        QStringLiteral("夕方から雨のため客足が鈍い。"),
        QStringLiteral("店頭の値札を新しいものに張り替えた。"),
        QStringLiteral("銀行で釣り銭を両替。"),
        QStringLiteral("配送業者の集荷が一時間遅れた。明日は早めに連絡すること。"),
        QStringLiteral("在庫棚卸しの準備を始める。"),
        QStringLiteral("新商品の試食販売を実施、反応は上々。"),
        QStringLiteral("電気料金の支払いを済ませた。"),
        QStringLiteral("近所の商店会の会合に出席。"),
        QStringLiteral("レジの不足金なし。"),
    };
    return list;
}

bool exec(sqlite3 *db, const char *sql, QString *error)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        *error = QString::fromUtf8(message ? message : "unknown error");
        sqlite3_free(message);
        return false;
    }
    return true;
}

QString fillJournal(const QString &path)
{
    sqlite3 *db = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return error;
    }
    sqlite3_stmt *insert = nullptr;
    bool ok = exec(db, "BEGIN", &error) &&
              sqlite3_prepare_v2(db,
                                 "INSERT INTO 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                 "VALUES (?, ?, ?, ?, ?, ?)",
                                 -1, &insert, nullptr) == SQLITE_OK;
    const qint64 days = kCenturyFirstDay.daysTo(kCenturyLastDay) + 1;
    for (qint64 day = 0; ok && day < days; ++day) {
        Sequence random(quint64(day) + 1);
        const QByteArray date = kCenturyFirstDay.addDays(day).toString(Qt::ISODate).toUtf8();
        const QByteArray memo = memoOfDay(day).toUtf8();
        sqlite3_bind_text(insert, 1, date.constData(), int(date.size()), SQLITE_TRANSIENT);
        // A small shop: the sums of a hundred years still fit the sum boxes' ten digits.
        sqlite3_bind_int64(insert, 2, random.below(500'000));
        sqlite3_bind_int64(insert, 3, random.below(400'000));
        // Some days have no money movements at all: Null, as an emptied box stores.
        if (day % 13 == 0) {
            sqlite3_bind_null(insert, 4);
        } else {
            sqlite3_bind_int64(insert, 4, random.below(300'000));
        }
        if (day % 17 == 0) {
            sqlite3_bind_null(insert, 5);
        } else {
            sqlite3_bind_int64(insert, 5, random.below(200'000));
        }
        sqlite3_bind_text(insert, 6, memo.constData(), int(memo.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    if (!ok && error.isEmpty()) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(insert);
    ok = ok && exec(db, "INSERT INTO 自社情報 (年号, LineColor1) VALUES ('西暦', 8388608)", &error) &&
         exec(db, "COMMIT", &error);
    sqlite3_close(db);
    return ok ? QString() : error;
}

} // namespace

QString memoOfDay(qint64 day)
{
    Sequence random(quint64(day) + 7);
    QString memo;
    while (memo.size() < 100) {
        memo += phrases().at(random.below(phrases().size()));
    }
    return memo.left(100);
}

QString makeCenturyData(const QString &folder)
{
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("cannot create the folder ") + folder;
    }
    const QDir dir(folder);
    const QString mainPath = dir.filePath(store::kMainFileName);
    const QString workPath = dir.filePath(store::kWorkFileName);
    if (QFile::exists(mainPath) || QFile::exists(workPath)) {
        return QStringLiteral("the data files exist already in ") + folder;
    }
    QString failedPath;
    if (const store::DbError error = store::createSqliteFiles(folder, &failedPath)) {
        return failedPath + QStringLiteral(": ") + error.message;
    }
    QString error = fillJournal(mainPath);
    if (error.isEmpty()) {
        // The search index, as the program makes it at the first start on such a file.
        auto store = store::makeSqliteStore();
        common::NoProgress quiet;
        if (const auto failure = store->open(store::Location::inFolder(folder))) {
            error = failure->error.message;
        } else if (const store::DbError built = store->buildSearchIndex(quiet)) {
            error = built.message;
        }
    }
    if (!error.isEmpty()) {
        QFile::remove(mainPath);
        QFile::remove(workPath);
        return mainPath + QStringLiteral(": ") + error;
    }
    return {};
}

QString copyDataFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to)) {
        return QStringLiteral("cannot create the folder ") + to;
    }
    for (const QString &name : {store::kMainFileName, store::kWorkFileName}) {
        const QString target = QDir(to).filePath(name);
        QFile::remove(target);
        if (!QFile::copy(QDir(from).filePath(name), target)) {
            return QStringLiteral("cannot copy ") + QDir(from).filePath(name) + QStringLiteral(" to ") + target;
        }
    }
    return {};
}

QByteArray programPragmas(const QString &path, QString *error)
{
    store::sqlite::Connection connection;
    if (const store::DbError opened = connection.open(path, {})) {
        *error = path + QStringLiteral(": ") + opened.message;
        return {};
    }
    QByteArray pragmas;
    for (const char *statement : {"PRAGMA journal_mode", "PRAGMA synchronous"}) {
        store::sqlite::Statement query(connection, statement);
        if (!query.step()) {
            *error = path + QStringLiteral(": cannot read ") + QLatin1String(statement);
            return {};
        }
        pragmas += QByteArray(statement) + " = " + query.text(0).toLatin1() + ";";
    }
    return pragmas;
}

} // namespace bench
