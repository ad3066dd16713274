// The store over tables of a database on a server, one connection. The
// totals work table the program uses is its own: a temporary table of that
// connection (w集計), which no other program sees.

#include "common/formats.h"
#include "common/progress.h"
#include "store/postgresconnection.h"
#include "store/postgresengine.h"
#include "store/postgresschema.h"

#include <QDateTime>

namespace store {

namespace {

using pg::Connection;
using pg::Params;
using pg::Result;

DbError closedError()
{
    return {DbErrorKind::Closed, QStringLiteral("database not open")};
}

DbError noDate()
{
    return {DbErrorKind::RefusedValue, QStringLiteral("no date to store the record under")};
}

bool storable(QDate day)
{
    return day.isValid() && day.year() >= 1 && day.year() <= 9999;
}

Amounts amountsOf(const Result &rows, int row, int first)
{
    Amounts amounts;
    for (const AmountColumn which : kAmountColumns) {
        amounts[which] = rows.amount(row, first++);
    }
    return amounts;
}

RecordVersion versionOf(const Result &rows, int row, int first)
{
    return {rows.integer(row, first), rows.moment(row, first + 1)};
}

// The 版 and 更新日時 of a day's record as they stand now.
constexpr const char *kDayVersion = "SELECT \"版\", \"更新日時\" FROM \"業務日誌\" WHERE \"日付\" = $1::date";

// A LIKE pattern that finds `word` anywhere, its own % _ and \ taken literally.
QString containsPattern(QString word)
{
    word.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    return u'%' + word + u'%';
}

class PostgresStore final : public Store
{
public:
    std::optional<OpenFailure> open(const Location &location) override
    {
        close();
        m_written = false;
        const auto failed = [this](const QString &table, const DbError &error) {
            m_db.close();
            return OpenFailure{pg::partName(table), error, pg::journalTable(table), false};
        };
        const QString journal = pg::tables().constFirst();
        if (DbError error = m_db.open(location.address(), [this] { return makeWorkTable(); })) {
            OpenFailure failure = failed(journal, error);
            failure.path = location.display(); // the server itself could not be reached
            return failure;
        }
        QStringList present;
        if (DbError error = pg::presentTables(m_db, present)) {
            return failed(journal, error);
        }
        for (const QString &table : pg::tables()) {
            if (!present.contains(table)) {
                OpenFailure failure =
                    failed(table, DbError(DbErrorKind::MissingTable, QStringLiteral("no table ") + table));
                failure.otherPartPresent = !present.isEmpty();
                return failure;
            }
        }
        Result layout;
        if (DbError error = m_db.exec("SELECT coalesce(max(\"版\"), 0) FROM \"データ版\"", {}, layout)) {
            return failed(journal, error);
        }
        const qint64 version = layout.integer(0, 0);
        if (version > kSchemaVersion) {
            return failed(journal, DbError(DbErrorKind::NewerLayout, QStringLiteral("data version %1").arg(version)));
        }
        m_upgradeNeeded = version < kSchemaVersion;
        m_open = true;
        return std::nullopt;
    }

    void close() override
    {
        m_open = false;
        m_upgradeNeeded = false;
        m_db.close();
    }

    bool isOpen() const override { return m_open; }

    bool schemaUpgradeNeeded() const override { return m_upgradeNeeded; }

    // The tables are made in the layout of today; only the number can lag.
    DbError upgradeSchema() override
    {
        if (!m_open) {
            return closedError();
        }
        if (!m_upgradeNeeded) {
            return {};
        }
        const DbError error = m_db.inTransaction([this] {
            if (DbError failure = m_db.exec("DELETE FROM \"データ版\"")) {
                return failure;
            }
            return m_db.exec("INSERT INTO \"データ版\" (\"版\") VALUES ($1)", Params().add(qint64(kSchemaVersion)));
        });
        if (!error) {
            m_upgradeNeeded = false;
        }
        return error;
    }

    DbError readDay(QDate day, std::optional<JournalRecord> &record, Seen &seen) override
    {
        record.reset();
        seen.reset();
        if (!m_open) {
            return closedError();
        }
        Result rows;
        if (DbError error = m_db.exec("SELECT \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\", \"版\", "
                                      "\"更新日時\" FROM \"業務日誌\" WHERE \"日付\" = $1::date",
                                      Params().add(day), rows)) {
            return error;
        }
        if (rows.rows() > 0) {
            record = JournalRecord{day, amountsOf(rows, 0, 0), rows.text(0, 4), {}};
            seen = versionOf(rows, 0, 5);
        }
        return {};
    }

    // The question goes out now and the answer is taken when the write needs
    // it: the page goes on with the typing meanwhile.
    SeenLater lookUpDay(QDate day) override
    {
        quint64 ticket = 0;
        const DbError sent = m_open ? m_db.send(kDayVersion, Params().add(day), ticket) : closedError();
        if (sent) {
            return [sent](Seen &seen) {
                seen.reset();
                return sent;
            };
        }
        return [this, ticket](Seen &seen) -> DbError {
            seen.reset();
            Result rows;
            if (DbError error = m_db.receive(ticket, rows)) {
                return error;
            }
            if (rows.rows() > 0) {
                seen = versionOf(rows, 0, 0);
            }
            return {};
        };
    }

    DbError saveDay(const JournalRecord &record, const Expected &expected, WriteOutcome &outcome) override
    {
        outcome = WriteOutcome{};
        if (!storable(record.date)) {
            return noDate();
        }
        if (DbError error = refuseWrite()) {
            return error;
        }
        Params params = recordParams(record);
        const char *sql = nullptr;
        if (!expected.checked()) {
            sql = "INSERT INTO \"業務日誌\" AS j (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\", "
                  "\"検索形\", \"版\", \"更新日時\") VALUES ($1::date, $2, $3, $4, $5, $6, $7, 1, $8) "
                  "ON CONFLICT (\"日付\") DO UPDATE SET \"売上額\" = $2, \"仕入額\" = $3, \"入金額\" = $4, "
                  "\"出金額\" = $5, \"日誌\" = $6, \"検索形\" = $7, \"版\" = j.\"版\" + 1, \"更新日時\" = $8 "
                  "RETURNING \"版\", \"更新日時\"";
        } else if (!expected.seen()) {
            // Seen without a record: added only while the day still has none.
            sql = "INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\", "
                  "\"検索形\", \"版\", \"更新日時\") VALUES ($1::date, $2, $3, $4, $5, $6, $7, 1, $8) "
                  "ON CONFLICT (\"日付\") DO NOTHING RETURNING \"版\", \"更新日時\"";
        } else {
            sql = "UPDATE \"業務日誌\" SET \"売上額\" = $2, \"仕入額\" = $3, \"入金額\" = $4, \"出金額\" = $5, "
                  "\"日誌\" = $6, \"検索形\" = $7, \"版\" = \"版\" + 1, \"更新日時\" = $8 "
                  "WHERE \"日付\" = $1::date AND \"版\" = $9 AND \"更新日時\" IS NOT DISTINCT FROM $10 "
                  "RETURNING \"版\", \"更新日時\"";
            params.add(expected.seen()->number).add(expected.seen()->written);
        }
        return versionedWrite(sql, params, kDayVersion, Params().add(record.date), outcome);
    }

    DbError addDay(const JournalRecord &record, bool &added) override
    {
        added = false;
        if (!storable(record.date)) {
            return noDate();
        }
        if (DbError error = refuseWrite()) {
            return error;
        }
        Result written;
        if (DbError error = m_db.exec("INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", "
                                      "\"出金額\", \"日誌\", \"検索形\", \"版\", \"更新日時\") "
                                      "VALUES ($1::date, $2, $3, $4, $5, $6, $7, 1, $8) "
                                      "ON CONFLICT (\"日付\") DO NOTHING RETURNING 1",
                                      recordParams(record), written)) {
            return error;
        }
        added = written.rows() > 0;
        return added ? wrote({}) : DbError{};
    }

    DbError removeDay(QDate day, const Expected &expected, WriteOutcome &outcome) override
    {
        outcome = WriteOutcome{};
        if (DbError error = refuseWrite()) {
            return error;
        }
        const char *current = kDayVersion;
        if (!expected.checked()) {
            return wrote(m_db.exec("DELETE FROM \"業務日誌\" WHERE \"日付\" = $1::date", Params().add(day)));
        }
        if (!expected.seen()) {
            // Seen without a record: done while there is none; one added since is a change.
            const DbError found = changeFound(current, Params().add(day), outcome);
            if (found.kind == DbErrorKind::Changed && outcome.change.removed) {
                outcome = WriteOutcome{};
                return {};
            }
            return found;
        }
        Result removed;
        if (DbError error = wrote(
                m_db.exec("DELETE FROM \"業務日誌\" WHERE \"日付\" = $1::date AND \"版\" = $2 "
                          "AND \"更新日時\" IS NOT DISTINCT FROM $3 RETURNING 1",
                          Params().add(day).add(expected.seen()->number).add(expected.seen()->written), removed))) {
            return error;
        }
        return removed.rows() > 0 ? DbError{} : changeFound(current, Params().add(day), outcome);
    }

    DbError forEachRecord(const Period &period, const std::function<bool(const JournalRecord &)> &visit) override
    {
        if (!m_open) {
            return closedError();
        }
        Result rows;
        if (DbError error =
                m_db.execPlanned("SELECT to_char(\"日付\", 'YYYY-MM-DD'), \"売上額\", \"仕入額\", \"入金額\", "
                                 "\"出金額\", \"日誌\" FROM \"業務日誌\" "
                                 "WHERE \"日付\" BETWEEN $1::date AND $2::date ORDER BY \"日付\"",
                                 Params().add(period.first).add(period.last), rows)) {
            return error;
        }
        for (int row = 0; row < rows.rows(); ++row) {
            if (!visit(JournalRecord{rows.date(row, 0), amountsOf(rows, row, 1), rows.text(row, 5), {}})) {
                break;
            }
        }
        return {};
    }

    DbError countRecords(qint64 &count) override
    {
        count = 0;
        if (!m_open) {
            return closedError();
        }
        Result rows;
        const DbError error = m_db.exec("SELECT count(*) FROM \"業務日誌\"", {}, rows);
        count = rows.integer(0, 0);
        return error;
    }

    DbError summarise(const Period &period, Grouping grouping, QList<SummaryRow> &rows) override
    {
        rows.clear();
        if (!m_open) {
            return closedError();
        }
        if (!period.isValid() || period.first > period.last) {
            return {DbErrorKind::RefusedValue, QStringLiteral("no period to summarise")};
        }
        Result groups;
        if (DbError error = m_db.execPlanned(
                "SELECT min(to_char(\"日付\", 'YYYY-MM-DD')), sum(\"売上額\")::bigint, sum(\"仕入額\")::bigint, "
                "sum(\"入金額\")::bigint, sum(\"出金額\")::bigint, count(*) FROM \"業務日誌\" "
                "WHERE \"日付\" BETWEEN $1::date AND $2::date GROUP BY to_char(\"日付\", $3) "
                "ORDER BY to_char(\"日付\", $3) COLLATE \"C\"",
                Params()
                    .add(period.first)
                    .add(period.last)
                    .add(grouping == Grouping::Month ? QStringLiteral("YYYY-MM") : QStringLiteral("YYYY")),
                groups)) {
            return error;
        }
        for (int row = 0; row < groups.rows(); ++row) {
            const QDate day = groups.date(row, 0);
            const QDate start =
                grouping == Grouping::Month ? QDate(day.year(), day.month(), 1) : QDate(day.year(), 1, 1);
            const QDate end =
                grouping == Grouping::Month ? start.addMonths(1).addDays(-1) : start.addYears(1).addDays(-1);
            rows.append(SummaryRow{std::max(start, period.first), std::min(end, period.last), amountsOf(groups, row, 1),
                                   groups.integer(row, 5)});
        }
        return {};
    }

    DbError eraseAll() override
    {
        if (DbError error = refuseWrite()) {
            return error;
        }
        return wrote(m_db.inTransaction([this] {
            if (DbError failure = m_db.exec("DELETE FROM \"業務日誌\"")) {
                return failure;
            }
            return m_db.exec("DELETE FROM \"自社情報\"");
        }));
    }

    // Every word is looked for in the search form the store keeps beside each
    // text; words of three characters and more also through the trigram index.
    DbError search(const SearchQuery &query, SearchResult &result) override
    {
        result = SearchResult{};
        if (!m_open) {
            return closedError();
        }
        const QStringList words = searchWords(query.words);
        if (words.isEmpty() || query.limit <= 0) {
            return {};
        }
        QByteArray sql = "SELECT to_char(\"日付\", 'YYYY-MM-DD'), \"売上額\", \"日誌\" FROM \"業務日誌\" "
                         "WHERE \"日付\" BETWEEN $1::date AND $2::date";
        Params params;
        params.add(query.from.isValid() ? query.from : QDate(1, 1, 1))
            .add(query.to.isValid() ? query.to : QDate(9999, 12, 31))
            .add(qint64(query.limit) + 1);
        int position = 4;
        for (const QString &word : words) {
            sql += " AND strpos(\"検索形\", $" + QByteArray::number(position++) + ") > 0";
            params.add(word);
            if (word.toUcs4().size() >= 3) {
                sql += " AND \"検索形\" LIKE $" + QByteArray::number(position++);
                params.add(containsPattern(word));
            }
        }
        sql += " ORDER BY \"日付\" DESC LIMIT $3";
        Result rows;
        if (DbError error = m_db.execPlanned(sql.constData(), params, rows)) {
            return error;
        }
        for (int row = 0; row < rows.rows(); ++row) {
            if (result.hits.size() >= query.limit) {
                result.more = true;
                break;
            }
            result.hits.append({rows.date(row, 0), rows.amount(row, 1), rows.utf8(row, 2)});
        }
        return {};
    }

    // The search form is written with every record: the index is always whole.
    SearchIndexState searchIndexState() const override { return SearchIndexState::Whole; }

    DbError buildSearchIndex(common::Progress &progress) override
    {
        progress.finish();
        return m_open ? DbError{} : closedError();
    }

    DbError loadSettings(std::optional<Settings> &settings) override
    {
        settings.reset();
        if (!m_open) {
            return closedError();
        }
        Result rows;
        if (DbError error = m_db.exec("SELECT \"年号\", \"LineColor1\" FROM \"自社情報\" LIMIT 1", {}, rows)) {
            return error;
        }
        if (rows.rows() > 0) {
            settings.emplace();
            if (!rows.isNull(0, 0)) {
                settings->era = rows.text(0, 0);
            }
            // A colour the colour number box cannot show is taken as black.
            const qint64 colour = rows.integer(0, 1);
            settings->lineColour = colour >= 0 && colour <= common::kColourNumberLimit ? qint32(colour) : 0;
        }
        return {};
    }

    DbError saveSettings(const Settings &settings) override
    {
        if (DbError error = refuseWrite()) {
            return error;
        }
        const Params params = Params().add(settings.era).add(qint64(settings.lineColour));
        return wrote(m_db.inTransaction([&]() -> DbError {
            // The table is locked first, so two programs never both add the row.
            if (DbError failure = m_db.exec("LOCK TABLE \"自社情報\" IN SHARE ROW EXCLUSIVE MODE")) {
                return failure;
            }
            Result updated;
            if (DbError failure = m_db.exec("UPDATE \"自社情報\" SET \"年号\" = $1, \"LineColor1\" = $2 "
                                            "WHERE ctid = (SELECT ctid FROM \"自社情報\" LIMIT 1)",
                                            params, updated)) {
                return failure;
            }
            if (updated.affected() > 0) {
                return {};
            }
            return m_db.exec("INSERT INTO \"自社情報\" (\"年号\", \"LineColor1\") VALUES ($1, $2)", params);
        }));
    }

    DbError fillWork(const Period &period, FillReport &report) override
    {
        report = FillReport{};
        if (!m_open) {
            return closedError();
        }
        // One statement copies one state of the journal in date order; the
        // amounts there are within the range by the table's checks.
        const DbError error = m_db.inTransaction([&]() -> DbError {
            if (DbError failure = m_db.exec("DELETE FROM pg_temp.\"w集計\"")) {
                return failure;
            }
            Result copied;
            if (DbError failure = m_db.execPlanned(
                    "INSERT INTO pg_temp.\"w集計\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\") "
                    "SELECT \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\" FROM \"業務日誌\" "
                    "WHERE \"日付\" BETWEEN $1::date AND $2::date ORDER BY \"日付\"",
                    Params().add(period.first).add(period.last), copied)) {
                return failure;
            }
            report.copied = int(copied.affected());
            return workSums(report.sums);
        });
        if (error) {
            (void)clearWork();
        }
        return error;
    }

    DbError clearWork() override { return m_open ? m_db.exec("DELETE FROM pg_temp.\"w集計\"") : closedError(); }

    DbError workHoldsRows(bool &holds) override
    {
        holds = false;
        if (!m_open) {
            return closedError();
        }
        Result rows;
        const DbError error = m_db.exec("SELECT EXISTS (SELECT 1 FROM pg_temp.\"w集計\")", {}, rows);
        holds = rows.text(0, 0) == u't';
        return error;
    }

    DbError workSums(Sums &sums) override
    {
        sums = Sums{};
        if (!m_open) {
            return closedError();
        }
        Result rows;
        if (DbError error = m_db.exec("SELECT sum(\"売上額\")::bigint, sum(\"仕入額\")::bigint, "
                                      "sum(\"入金額\")::bigint, sum(\"出金額\")::bigint FROM pg_temp.\"w集計\"",
                                      {}, rows)) {
            return error;
        }
        sums = amountsOf(rows, 0, 0);
        return {};
    }

    DbError workRows(qint64 afterId, int limit, QList<WorkRow> &rows) override
    {
        if (!m_open) {
            return closedError();
        }
        Result found;
        if (DbError error = m_db.exec("SELECT \"id\", to_char(\"日付\", 'YYYY-MM-DD'), \"売上額\", \"仕入額\", "
                                      "\"入金額\", \"出金額\" FROM pg_temp.\"w集計\" WHERE \"id\" > $1 "
                                      "ORDER BY \"id\" LIMIT $2",
                                      Params().add(afterId).add(qint64(limit)), found)) {
            return error;
        }
        for (int row = 0; row < found.rows(); ++row) {
            WorkRow work;
            work.id = found.integer(row, 0);
            work.date = found.date(row, 1);
            work.amounts = amountsOf(found, row, 2);
            rows.append(work);
        }
        return {};
    }

    DbError setWorkDate(qint64 id, QDate date) override
    {
        if (!storable(date)) {
            return {DbErrorKind::RefusedValue, QStringLiteral("no date")};
        }
        if (!m_open) {
            return closedError();
        }
        return m_db.exec("UPDATE pg_temp.\"w集計\" SET \"日付\" = $1::date WHERE \"id\" = $2",
                         Params().add(date).add(id));
    }

    DbError setWorkAmount(qint64 id, AmountColumn column, Amount amount) override
    {
        if (!m_open) {
            return closedError();
        }
        const char *sql = nullptr;
        switch (column) {
        case AmountColumn::Sales:
            sql = "UPDATE pg_temp.\"w集計\" SET \"売上額\" = $1 WHERE \"id\" = $2";
            break;
        case AmountColumn::Purchases:
            sql = "UPDATE pg_temp.\"w集計\" SET \"仕入額\" = $1 WHERE \"id\" = $2";
            break;
        case AmountColumn::MoneyIn:
            sql = "UPDATE pg_temp.\"w集計\" SET \"入金額\" = $1 WHERE \"id\" = $2";
            break;
        case AmountColumn::MoneyOut:
            sql = "UPDATE pg_temp.\"w集計\" SET \"出金額\" = $1 WHERE \"id\" = $2";
            break;
        }
        return m_db.exec(sql, Params().add(amount).add(id));
    }

    DbError readHint(const HintKey &key, std::optional<Hint> &hint, Seen &seen) override
    {
        hint.reset();
        seen.reset();
        if (!m_open) {
            return closedError();
        }
        Result rows;
        if (DbError error = m_db.exec("SELECT \"FormTitle\", \"Contents\", \"版\", \"更新日時\" FROM \"ClHint\" "
                                      "WHERE \"FormName\" = $1 AND \"CtlName\" = $2",
                                      Params().add(key.formName).add(key.ctlName), rows)) {
            return error;
        }
        if (rows.rows() > 0) {
            hint = Hint{key, rows.text(0, 0), rows.isNull(0, 1) ? std::nullopt : std::optional(rows.text(0, 1))};
            seen = versionOf(rows, 0, 2);
        }
        return {};
    }

    DbError storeHint(const Hint &hint, const Expected &expected, WriteOutcome &outcome) override
    {
        outcome = WriteOutcome{};
        if (DbError error = refuseWrite()) {
            return error;
        }
        Params params = hintParams(hint);
        params.add(now());
        const char *sql = nullptr;
        if (!expected.checked()) {
            sql = "INSERT INTO \"ClHint\" AS h (\"FormName\", \"CtlName\", \"FormTitle\", \"Contents\", \"版\", "
                  "\"更新日時\") VALUES ($1, $2, $3, $4, 1, $5) ON CONFLICT (\"FormName\", \"CtlName\") DO UPDATE "
                  "SET \"FormTitle\" = $3, \"Contents\" = $4, \"版\" = h.\"版\" + 1, \"更新日時\" = $5 "
                  "RETURNING \"版\", \"更新日時\"";
        } else if (!expected.seen()) {
            sql = "INSERT INTO \"ClHint\" (\"FormName\", \"CtlName\", \"FormTitle\", \"Contents\", \"版\", "
                  "\"更新日時\") VALUES ($1, $2, $3, $4, 1, $5) ON CONFLICT (\"FormName\", \"CtlName\") DO NOTHING "
                  "RETURNING \"版\", \"更新日時\"";
        } else {
            sql = "UPDATE \"ClHint\" SET \"FormTitle\" = $3, \"Contents\" = $4, \"版\" = \"版\" + 1, "
                  "\"更新日時\" = $5 WHERE \"FormName\" = $1 AND \"CtlName\" = $2 AND \"版\" = $6 "
                  "AND \"更新日時\" IS NOT DISTINCT FROM $7 RETURNING \"版\", \"更新日時\"";
            params.add(expected.seen()->number).add(expected.seen()->written);
        }
        return versionedWrite(
            sql, params, "SELECT \"版\", \"更新日時\" FROM \"ClHint\" WHERE \"FormName\" = $1 AND \"CtlName\" = $2",
            Params().add(hint.key.formName).add(hint.key.ctlName), outcome);
    }

    DbError removeHint(const HintKey &key) override
    {
        if (DbError error = refuseWrite()) {
            return error;
        }
        return wrote(m_db.exec("DELETE FROM \"ClHint\" WHERE \"FormName\" = $1 AND \"CtlName\" = $2",
                               Params().add(key.formName).add(key.ctlName)));
    }

    DbError restoreFrom(const QString &folder) override
    {
        if (!m_open) {
            return closedError();
        }
        if (DbError error = upgradeSchema()) {
            return error;
        }
        pg::DataSnapshot copy;
        if (DbError error = pg::readCopy(folder, copy)) {
            return error;
        }
        return wrote(m_db.inTransaction([&]() -> DbError {
            // Written alone meanwhile: no other program's write lands in between.
            if (DbError failure = m_db.exec("LOCK TABLE \"業務日誌\", \"自社情報\", \"ClHint\" IN EXCLUSIVE MODE")) {
                return failure;
            }
            // Every record restored gets a version above any the table held.
            Result highest;
            if (DbError failure = m_db.exec("SELECT (SELECT coalesce(max(\"版\"), 0) FROM \"業務日誌\"), "
                                            "(SELECT coalesce(max(\"版\"), 0) FROM \"ClHint\")",
                                            {}, highest)) {
                return failure;
            }
            const qint64 journalVersion = highest.integer(0, 0) + 1;
            const qint64 hintVersion = highest.integer(0, 1) + 1;
            for (const char *statement : {"DELETE FROM \"業務日誌\"", "DELETE FROM \"自社情報\"",
                                          "DELETE FROM \"ClHint\"", "DELETE FROM pg_temp.\"w集計\""}) {
                if (DbError failure = m_db.exec(statement)) {
                    return failure;
                }
            }
            const QString moment = now();
            for (const JournalRecord &record : std::as_const(copy.records)) {
                Params params = recordParams(record);
                if (DbError failure = m_db.exec("INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", "
                                                "\"入金額\", \"出金額\", \"日誌\", \"検索形\", \"更新日時\", \"版\") "
                                                "VALUES ($1::date, $2, $3, $4, $5, $6, $7, $8, $9)",
                                                params.add(journalVersion))) {
                    return failure;
                }
            }
            if (copy.settings) {
                if (DbError failure =
                        m_db.exec("INSERT INTO \"自社情報\" (\"年号\", \"LineColor1\") VALUES ($1, $2)",
                                  Params().add(copy.settings->era).add(qint64(copy.settings->lineColour)))) {
                    return failure;
                }
            }
            for (const Hint &hint : std::as_const(copy.hints)) {
                Params params = hintParams(hint);
                if (DbError failure = m_db.exec("INSERT INTO \"ClHint\" (\"FormName\", \"CtlName\", \"FormTitle\", "
                                                "\"Contents\", \"版\", \"更新日時\") VALUES ($1, $2, $3, $4, $5, $6)",
                                                params.add(hintVersion).add(moment))) {
                    return failure;
                }
            }
            return {};
        }));
    }

    bool hasWritten() const override { return m_written; }

    DbError inTransaction(const std::function<DbError()> &work) override
    {
        if (!m_open) {
            return closedError();
        }
        // Like the file engine's write lock taken at the start: no other
        // program writes the data until this one ends; they wait for it.
        return m_db.inTransaction([&]() -> DbError {
            if (DbError error =
                    m_db.exec("LOCK TABLE \"業務日誌\", \"自社情報\", \"ClHint\" IN SHARE ROW EXCLUSIVE MODE")) {
                return error;
            }
            return work();
        });
    }

private:
    // After each connection, the first and one made anew: the program's own
    // work table, empty. Made in a transaction that may write even on a
    // server whose transactions are read-only by default, as it is no part
    // of the data; where even that is refused, the work operations fail.
    DbError makeWorkTable()
    {
        const DbError error =
            m_db.exec("BEGIN READ WRITE; CREATE TEMP TABLE IF NOT EXISTS \"w集計\" (\"id\" bigint GENERATED ALWAYS "
                      "AS IDENTITY, \"日付\" date, \"売上額\" bigint, \"仕入額\" bigint, \"入金額\" bigint, "
                      "\"出金額\" bigint); COMMIT");
        if (error) {
            (void)m_db.exec("ROLLBACK");
        }
        return error.kind == DbErrorKind::ReadOnly ? DbError{} : error;
    }

    DbError refuseWrite()
    {
        if (!m_open) {
            return closedError();
        }
        if (m_upgradeNeeded) {
            return DbError(DbErrorKind::OlderLayout,
                           QStringLiteral("data version below %1, not yet brought up to date").arg(kSchemaVersion));
        }
        return {};
    }

    // $1 the day, $2..$5 the amounts, $6 the text, $7 its search form, $8 the moment.
    Params recordParams(const JournalRecord &record)
    {
        Params params;
        params.add(record.date);
        for (const AmountColumn column : kAmountColumns) {
            params.add(record.amounts[column]);
        }
        params.add(record.text).add(searchForm(record.text)).add(now());
        return params;
    }

    // $1 the form, $2 the control, $3 the title, $4 the contents (Null stays Null).
    static Params hintParams(const Hint &hint)
    {
        Params params;
        params.add(hint.key.formName).add(hint.key.ctlName).add(hint.formTitle);
        return hint.contents ? params.add(*hint.contents) : params.addNull();
    }

    // Runs a write that returns the 版 and 更新日時 it wrote; one that wrote
    // nothing was checked and found the record changed (`current`, by `key`).
    DbError versionedWrite(const char *sql, const Params &params, const char *current, const Params &key,
                           WriteOutcome &outcome)
    {
        Result written;
        if (DbError error = wrote(m_db.exec(sql, params, written))) {
            return error;
        }
        if (written.rows() > 0) {
            outcome.now = versionOf(written, 0, 0);
            return {};
        }
        return changeFound(current, key, outcome);
    }

    // A checked write that wrote nothing: `current` looks up the record's 版
    // and 更新日時 as they stand now; no row means it was removed.
    DbError changeFound(const char *current, const Params &key, WriteOutcome &outcome)
    {
        Result rows;
        if (DbError error = m_db.exec(current, key, rows)) {
            return error;
        }
        if (rows.rows() > 0) {
            outcome.now = versionOf(rows, 0, 0);
            outcome.change = {false, outcome.now->written};
            return {DbErrorKind::Changed, QStringLiteral("the record was written elsewhere since it was read")};
        }
        outcome.now.reset();
        outcome.change = {true, {}};
        return {DbErrorKind::Changed, QStringLiteral("the record was removed elsewhere since it was read")};
    }

    DbError wrote(DbError error)
    {
        if (!error) {
            m_written = true;
        }
        return error;
    }

    // The moment of a write as the file engine stores it, from this machine's
    // clock as there: the server's clock and zone play no part.
    QString now() const { return storedMoment(QDateTime::currentDateTimeUtc()); }

    Connection m_db;
    bool m_open = false;
    bool m_upgradeNeeded = false;
    bool m_written = false;
};

} // namespace

std::unique_ptr<Store> makePostgresStore()
{
    return std::make_unique<PostgresStore>();
}

} // namespace store
