#include "centurydata.h"

#include "common/progress.h"
#include "store/sqliteconnection.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
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

// Half-width kana, kana-only notes, slip numbers and line breaks, mixed into
// the ordinary notes of the long texts.
const QStringList &otherPieces()
{
    static const QStringList list{
        QStringLiteral("ｶﾞｿﾘﾝ代ﾚｼｰﾄ受領。"),
        QStringLiteral("ﾀﾞｲﾚｸﾄﾒｰﾙ ﾊｯｿｳ ｽﾐ。"),
        QStringLiteral("おきゃくさまに おれいの おてがみを かいた。"),
        QStringLiteral("カタログのゲンコウをチェック。"),
        QStringLiteral("\r\n"),
        QStringLiteral("・"),
    };
    return list;
}

QString fillJournal(const QString &path, const DataSet &set)
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
    const qint64 days = set.firstDay.daysTo(set.lastDay) + 1;
    // A small shop: the sums of all the days still fit the sum boxes' ten digits.
    const auto bound = [&set](qint64 century) { return century * kCenturyRecords / std::max(1, set.sumDays); };
    for (qint64 day = 0; ok && day < days; ++day) {
        Sequence random(quint64(day) + 1);
        const QByteArray date = set.firstDay.addDays(day).toString(Qt::ISODate).toUtf8();
        const QByteArray memo = memoOf(set, day).toUtf8();
        sqlite3_bind_text(insert, 1, date.constData(), int(date.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 2, random.below(bound(500'000)));
        sqlite3_bind_int64(insert, 3, random.below(bound(400'000)));
        // Some days have no money movements at all: Null, as an emptied box stores.
        if (day % 13 == 0) {
            sqlite3_bind_null(insert, 4);
        } else {
            sqlite3_bind_int64(insert, 4, random.below(bound(300'000)));
        }
        if (day % 17 == 0) {
            sqlite3_bind_null(insert, 5);
        } else {
            sqlite3_bind_int64(insert, 5, random.below(bound(200'000)));
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

store::Period DataSet::lastDays(int days) const
{
    const QDate first = lastDay.addDays(1 - qint64(days));
    return {std::max(first, firstDay), lastDay};
}

QDate DataSet::spreadDay(int n) const
{
    // A prime step: the days registered lie all over the data, never twice in a row.
    return firstDay.addDays((qint64(n) * 7919) % std::max(1, records));
}

const DataSet &centuryData()
{
    static const DataSet set{QStringLiteral("century"),
                             QString(),
                             kCenturyFirstDay,
                             kCenturyLastDay,
                             kCenturyRecords,
                             100,
                             QStringLiteral("山田様 請求書"),
                             QStringLiteral("雨"),
                             kCenturyRecords};
    return set;
}

const DataSet &fullCalendarData()
{
    static const DataSet set{QStringLiteral("full2k"),
                             QStringLiteral("@full2k"),
                             QDate(1868, 9, 8),
                             QDate(2099, 12, 31),
                             int(QDate(1868, 9, 8).daysTo(QDate(2099, 12, 31)) + 1),
                             2000,
                             QStringLiteral("山田様 請求書"),
                             QStringLiteral("雨"),
                             int(QDate(1868, 9, 8).daysTo(QDate(2099, 12, 31)) + 1)};
    return set;
}

const DataSet *dataSetNamed(const QString &name)
{
    for (const DataSet *set : {&centuryData(), &fullCalendarData()}) {
        if (set->name == name) {
            return set;
        }
    }
    return nullptr;
}

DataSet shortened(const DataSet &set, QDate firstDay, QDate lastDay)
{
    DataSet copy = set;
    copy.firstDay = firstDay;
    copy.lastDay = lastDay;
    copy.records = int(firstDay.daysTo(lastDay) + 1);
    return copy;
}

QString longMemoOfDay(qint64 day, int length)
{
    Sequence random(quint64(day) + 11);
    QString memo;
    memo.reserve(length + 64);
    while (memo.size() < length) {
        switch (random.below(4)) {
        case 0:
            memo += otherPieces().at(random.below(otherPieces().size()));
            break;
        case 1:
            memo += QStringLiteral("伝票No.%1 ").arg(random.below(100'000), 5, 10, QLatin1Char('0'));
            break;
        default:
            memo += phrases().at(random.below(phrases().size()));
        }
    }
    memo.truncate(length);
    // A line break is never cut in half.
    if (memo.endsWith(u'\r')) {
        memo.back() = u'。';
    }
    return memo;
}

QString memoOf(const DataSet &set, qint64 day)
{
    return set.textLength <= 100 ? memoOfDay(day).left(set.textLength) : longMemoOfDay(day, set.textLength);
}

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
    return makeData(folder, centuryData());
}

QString makeData(const QString &folder, const DataSet &set)
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
    QString error = fillJournal(mainPath, set);
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

QString checkDataFolder(const QString &folder, const DataSet &set)
{
    store::sqlite::Connection connection;
    const QString path = QDir(folder).filePath(store::kMainFileName);
    if (const store::DbError opened = connection.openReadOnly(path, {})) {
        return path + QStringLiteral(": ") + opened.message;
    }
    store::sqlite::Statement span(connection, "SELECT min(\"日付\"), max(\"日付\"), count(*) FROM main.\"業務日誌\"");
    if (!span.step()) {
        return path + QStringLiteral(": cannot read the journal's span");
    }
    const QString first = span.text(0);
    const QString last = span.text(1);
    const qint64 records = span.integer(2);
    if (first != set.firstDay.toString(Qt::ISODate) || last != set.lastDay.toString(Qt::ISODate) ||
        records != set.records) {
        return QStringLiteral("%1 holds %2 records from %3 to %4, not the %5 data (%6 records from %7 to %8)")
            .arg(path)
            .arg(records)
            .arg(first, last, set.name)
            .arg(set.records)
            .arg(set.firstDay.toString(Qt::ISODate), set.lastDay.toString(Qt::ISODate));
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

QByteArray programAttachedPragmas(const QString &mainPath, const QString &workPath, QString *error)
{
    store::sqlite::Connection connection;
    if (const store::DbError opened = connection.open(mainPath, {})) {
        *error = mainPath + QStringLiteral(": ") + opened.message;
        return {};
    }
    if (const store::DbError attached =
            connection.attach(workPath, "work", store::sqlite::Connection::Access::ReadWrite)) {
        *error = workPath + QStringLiteral(": ") + attached.message;
        return {};
    }
    store::sqlite::Statement query(connection, "PRAGMA work.synchronous");
    if (!query.step()) {
        *error = workPath + QStringLiteral(": cannot read its synchronous setting");
        return {};
    }
    return "PRAGMA work.synchronous = " + QByteArray::number(query.integer(0)) + ";";
}

} // namespace bench
