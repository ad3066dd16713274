// The store over the data folder's two SQLite files: the journal file
// (業務日誌, 自社情報) and the work file (w集計, ClHint), one connection each.
// The totals work table the program uses is its own: a temporary table on the
// journal's connection (temp.w集計), which no other program sees.

#include "common/progress.h"
#include "store/sqliteconnection.h"
#include "store/sqlitefiles.h"
#include "store/sqliteschema.h"
#include "store/sqlitesearch.h"
#include "store/sqlitesummary.h"
#include "store/sqliteswap.h"
#include "store/store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <sqlite3.h>

namespace store {

namespace {

using sqlite::Connection;
using sqlite::Statement;

// The columns of a journal row as the statements below select them: the date,
// the four amounts from `first`.
Amounts readAmounts(const Statement &row, int first, AmountColumns &unreadable)
{
    Amounts amounts;
    int column = first;
    for (const AmountColumn which : kAmountColumns) {
        bool bad = false;
        amounts[which] = row.amount(column++, bad);
        if (bad) {
            unreadable |= which;
        }
    }
    return amounts;
}

JournalRecord journalRecordOf(const Statement &row)
{
    JournalRecord record;
    record.date = row.date(0);
    record.amounts = readAmounts(row, 1, record.unreadable);
    record.text = row.text(5);
    return record;
}

// A date written in another form than the stored one, as other programs write
// dates: "2007/4/5", "2007-4-5", "2007.04.05", "20070405", each maybe with a
// time after it. An invalid date when it reads as no day.
QDate dateOfOtherForm(const QString &text)
{
    static const QRegularExpression separated(
        QStringLiteral("^\\s*(\\d{4})[/.\\-](\\d{1,2})[/.\\-](\\d{1,2})(?:[ T].*)?\\s*$"));
    static const QRegularExpression compact(QStringLiteral("^\\s*(\\d{4})(\\d{2})(\\d{2})(?:\\.0+)?\\s*$"));
    for (const QRegularExpression *form : {&separated, &compact}) {
        const QRegularExpressionMatch match = form->match(text);
        if (match.hasMatch()) {
            return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        }
    }
    return {};
}

// What the totals copy saw of the journal rows of the period.
struct CopyTally
{
    int seen = 0; // rows whose date text sorts into the period
    Sums sums;    // of the rows kept, as SQLite's sum() gives them
    std::optional<RefusedAmount> refused;
};

// The totals copy asks this of each journal row of the period: whether its
// date is a stored date (a row whose date has another form, or names no day
// such as 2007-04-31, is left out), and whether its amounts are ones the
// totals can vouch for. An amount that is no whole number within the limit (a
// text, a fraction, too many digits) would count as 0 or as a figure the
// journal page cannot show: the day, the column and the value as stored are
// kept and the statement fails, so the copy stops at the first such row in
// date order. The rows kept are summed on the way. Arguments: the date, the
// four amounts, the limit.
void keepJournalRow(sqlite3_context *context, int, sqlite3_value **arguments)
{
    auto *tally = static_cast<CopyTally *>(sqlite3_user_data(context));
    ++tally->seen;
    sqlite3_value *date = arguments[0];
    const QDate day =
        sqlite3_value_type(date) == SQLITE_TEXT
            ? parseStoredDate(reinterpret_cast<const char *>(sqlite3_value_text(date)), sqlite3_value_bytes(date))
            : QDate();
    if (!day.isValid()) {
        sqlite3_result_int(context, 0);
        return;
    }
    const qint64 limit = sqlite3_value_int64(arguments[5]);
    qint64 numbers[4] = {};
    bool present[4] = {};
    for (int column = 0; column < 4; ++column) {
        sqlite3_value *amount = arguments[column + 1];
        const int type = sqlite3_value_type(amount);
        numbers[column] = sqlite3_value_int64(amount);
        present[column] = type != SQLITE_NULL;
        if (type == SQLITE_NULL || (type == SQLITE_INTEGER && numbers[column] >= -limit && numbers[column] <= limit)) {
            continue;
        }
        tally->refused = RefusedAmount{
            day, kAmountColumns[column],
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(amount)), sqlite3_value_bytes(amount))};
        sqlite3_result_error(context, "an amount that is no whole number within the limit", -1);
        return;
    }
    for (int column = 0; column < 4; ++column) {
        Amount &sum = tally->sums[kAmountColumns[column]];
        if (!present[column]) {
            continue;
        }
        const qint64 before = sum.value_or(0);
        const qint64 added = numbers[column];
        if ((added > 0 && before > std::numeric_limits<qint64>::max() - added) ||
            (added < 0 && before < std::numeric_limits<qint64>::min() - added)) {
            sqlite3_result_error(context, "integer overflow", -1);
            return;
        }
        sum = before + added;
    }
    sqlite3_result_int(context, 1);
}

// A commit over both files that was killed at the wrong moment leaves its
// super-journal ("VelmoraA.mdb-mj…") behind. Once no journal of either file is
// there, nothing can name it any more; one older than a minute is no commit
// of another program in progress either.
void removeStaleSuperJournals(const QDir &folder)
{
    if (QFileInfo::exists(folder.filePath(kMainFileName + QStringLiteral("-journal"))) ||
        QFileInfo::exists(folder.filePath(kWorkFileName + QStringLiteral("-journal")))) {
        return;
    }
    const QDateTime aMinuteAgo = QDateTime::currentDateTimeUtc().addSecs(-60);
    for (const QFileInfo &left : folder.entryInfoList({kMainFileName + QStringLiteral("-mj*")}, QDir::Files)) {
        if (left.lastModified().toUTC() < aMinuteAgo) {
            QFile::remove(left.absoluteFilePath());
        }
    }
}

class SqliteStore final : public Store
{
public:
    std::optional<OpenFailure> open(const Location &location) override
    {
        close();
        m_written = false;
        const QDir dir(location.folder());
        const QString mainPath = dir.filePath(kMainFileName);
        const QString workPath = dir.filePath(kWorkFileName);
        const auto failedFile = [&](bool journal, const DbError &error) {
            const QString other = journal ? workPath : mainPath;
            return OpenFailure{journal ? mainPath : workPath, error, journal,
                               QFileInfo::exists(other) || QFileInfo(other).isSymLink()};
        };
        // A restore that a crash interrupted while it exchanged the files is finished first.
        if (!finishSwap(dir.path())) {
            return failedFile(true, DbError(DbErrorKind::Missing, QStringLiteral("a restore of %1 is unfinished: %2")
                                                                      .arg(dir.path(), preparedFolder(dir.path()))));
        }
        if (DbError error = m_main.open(mainPath, sqlite::mainTables())) {
            return failedFile(true, error);
        }
        if (DbError error = m_work.open(workPath, sqlite::workTables())) {
            m_main.close();
            return failedFile(false, error);
        }
        // The work file also joins the journal's connection, for the totals
        // run. Held from the start, like the files themselves: a file moved or
        // replaced under the program is then found when it is written, never
        // written in its stead.
        if (DbError error = m_main.attach(workPath, "work", Connection::Access::ReadWrite)) {
            close();
            return failedFile(false, error);
        }
        // Data of a later layout is left as it is, before anything is written.
        int version = 0;
        if (DbError error = sqlite::readSchemaVersion(m_main, version)) {
            close();
            return failedFile(true, error);
        }
        if (version > kSchemaVersion) {
            close();
            return failedFile(true, DbError(DbErrorKind::NewerLayout, QStringLiteral("data version %1").arg(version)));
        }
        m_upgradeNeeded = version < kSchemaVersion;
        if (DbError error = sqlite::findVersionColumns(m_main, m_versions)) {
            close();
            return failedFile(true, error);
        }
        removeStaleSuperJournals(dir);
        // The work file's w集計 is shared by every program on the folder: one
        // program's 集計 or export would fill another's grid, and its sums
        // and report would be of another period. Each program therefore
        // totals into a table of its own connection, made empty here and gone
        // at closing. The file keeps its table, checked as before, for the
        // copies and the earlier version, but it is neither read nor written.
        if (DbError error =
                m_main.execute("CREATE TEMP TABLE \"w集計\" (\"日付\" DATE, \"売上額\" INTEGER, \"仕入額\" INTEGER, "
                               "\"入金額\" INTEGER, \"出金額\" INTEGER)")) {
            close();
            return failedFile(false, error);
        }
        // Only the store's own statements may call it, never a trigger or a view in a file.
        const int rc =
            sqlite3_create_function_v2(m_main.handle(), "zephra_keep_journal_row", 6, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                       &m_tally, &keepJournalRow, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            const DbError error = m_main.lastError(rc);
            close();
            return failedFile(false, error);
        }
        if (DbError error = sqlite::addSearchFunctions(m_main)) {
            close();
            return failedFile(false, error);
        }
        m_index.check();
        return std::nullopt;
    }

    void close() override
    {
        m_versions = {};
        m_upgradeNeeded = false;
        m_index.forget();
        m_work.close();
        m_main.close();
    }

    bool isOpen() const override { return m_main.isOpen() && m_work.isOpen(); }

    bool schemaUpgradeNeeded() const override { return m_upgradeNeeded; }

    DbError upgradeSchema() override
    {
        if (!isOpen()) {
            return DbError(DbErrorKind::Closed, QStringLiteral("database not open"));
        }
        if (!m_upgradeNeeded) {
            return {};
        }
        if (DbError error = sqlite::upgradeSchema(m_main)) {
            return error;
        }
        m_upgradeNeeded = false;
        m_versions = {true, true};
        return {};
    }

    DbError readDay(QDate day, std::optional<JournalRecord> &record, Seen &seen) override
    {
        record.reset();
        seen.reset();
        Statement select(
            m_main,
            m_versions.journal
                ? "SELECT \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\", \"版\", \"更新日時\" "
                  "FROM \"業務日誌\" WHERE \"日付\" = ?1"
                : "SELECT \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\", 0, NULL "
                  "FROM \"業務日誌\" WHERE \"日付\" = ?1");
        select.bind(1, day);
        if (select.step()) {
            record = journalRecordOf(select);
            seen = versionOf(select, 6);
        }
        return select.error();
    }

    DbError saveDay(const JournalRecord &record, const Expected &expected, WriteOutcome &outcome) override
    {
        outcome = WriteOutcome{};
        if (storedDate(record.date).isEmpty()) {
            return {DbErrorKind::RefusedValue, QStringLiteral("no date to store the record under")};
        }
        if (DbError error = refuseOlderLayout()) {
            return error;
        }
        // Looked up and written under one write lock: another program's short
        // write is waited for rather than failing, and no other program can
        // add the day between the look-up and the write. A day that some other
        // program gave two records has its first one written.
        return wrote(inJournalWrite([&]() -> DbError {
            if (expected.checked() && !expected.seen()) {
                // Seen without a record: added only while the day still has none.
                Statement insert(m_main, "INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", "
                                         "\"出金額\", \"日誌\", \"版\", \"更新日時\") "
                                         "SELECT ?1, ?2, ?3, ?4, ?5, ?6, 1, ?7 "
                                         "WHERE NOT EXISTS (SELECT 1 FROM \"業務日誌\" WHERE \"日付\" = ?1) "
                                         "RETURNING rowid, \"版\", \"更新日時\"");
                bindRecord(insert, record).bind(7, now());
                if (DbError error = afterJournalWrite(insert, record, false, outcome)) {
                    return error;
                }
                return outcome.now ? DbError{} : journalChangeFound(record.date, outcome);
            }
            const char *sql =
                expected.checked()
                    ? "UPDATE \"業務日誌\" SET \"日付\" = ?1, \"売上額\" = ?2, \"仕入額\" = ?3, \"入金額\" = ?4, "
                      "\"出金額\" = ?5, \"日誌\" = ?6, \"版\" = \"版\" + 1, \"更新日時\" = ?7 WHERE rowid = "
                      "(SELECT rowid FROM \"業務日誌\" WHERE \"日付\" = ?1 LIMIT 1) "
                      "AND \"版\" = ?8 AND \"更新日時\" IS ?9 RETURNING rowid, \"版\", \"更新日時\""
                    : "UPDATE \"業務日誌\" SET \"日付\" = ?1, \"売上額\" = ?2, \"仕入額\" = ?3, \"入金額\" = ?4, "
                      "\"出金額\" = ?5, \"日誌\" = ?6, \"版\" = \"版\" + 1, \"更新日時\" = ?7 WHERE rowid = "
                      "(SELECT rowid FROM \"業務日誌\" WHERE \"日付\" = ?1 LIMIT 1) RETURNING rowid, \"版\", "
                      "\"更新日時\"";
            Statement update(m_main, sql);
            bindRecord(update, record).bind(7, now());
            if (expected.checked()) {
                bindVersion(update, 8, *expected.seen());
            }
            if (DbError error = afterJournalWrite(update, record, true, outcome)) {
                return error;
            }
            if (outcome.now || expected.checked()) {
                return outcome.now ? DbError{} : journalChangeFound(record.date, outcome);
            }
            Statement insert(m_main, "INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", "
                                     "\"出金額\", \"日誌\", \"版\", \"更新日時\") "
                                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, 1, ?7) RETURNING rowid, \"版\", \"更新日時\"");
            bindRecord(insert, record).bind(7, now());
            return afterJournalWrite(insert, record, false, outcome);
        }));
    }

    DbError addDay(const JournalRecord &record, bool &added) override
    {
        added = false;
        if (storedDate(record.date).isEmpty()) {
            return {DbErrorKind::RefusedValue, QStringLiteral("no date to store the record under")};
        }
        if (DbError error = refuseOlderLayout()) {
            return error;
        }
        // The row and its index entry go together. The rowid is taken from
        // the connection rather than by RETURNING, whose rows SQLite gathers
        // in a table of their own: an import adds tens of thousands of days.
        bool inserted = false;
        const DbError error = inJournalWrite([&]() -> DbError {
            if (m_index.deferring()) {
                // Inside a transaction of the caller's, which holds the write
                // lock from its start: a look-up and a plain insert, as an
                // INSERT that reads its own table gathers what it read in a
                // table of its own first.
                {
                    Statement found(m_main, "SELECT 1 FROM \"業務日誌\" WHERE \"日付\" = ?1 LIMIT 1");
                    found.bind(1, record.date);
                    if (found.step() || found.error()) {
                        return found.error();
                    }
                }
                Statement insert(m_main, "INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", "
                                         "\"出金額\", \"日誌\", \"版\", \"更新日時\") "
                                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, 1, ?7)");
                if (DbError failure = bindRecord(insert, record).bind(7, now()).run()) {
                    return failure;
                }
            } else {
                // One statement, so no other program can add the day between the look-up and the insert.
                Statement insert(m_main,
                                 "INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", "
                                 "\"日誌\", \"版\", \"更新日時\") "
                                 "SELECT ?1, ?2, ?3, ?4, ?5, ?6, 1, ?7 "
                                 "WHERE NOT EXISTS (SELECT 1 FROM \"業務日誌\" WHERE \"日付\" = ?1)");
                if (DbError failure = bindRecord(insert, record).bind(7, now()).run()) {
                    return failure;
                }
            }
            // Rows a trigger wrote are not counted, nor their rowids kept.
            inserted = m_main.changes() == 1;
            return inserted ? m_index.put(sqlite3_last_insert_rowid(m_main.handle()), record.text, false) : DbError{};
        });
        added = !error && inserted;
        return added ? wrote({}) : error;
    }

    DbError removeDay(QDate day, const Expected &expected, WriteOutcome &outcome) override
    {
        outcome = WriteOutcome{};
        if (DbError error = refuseOlderLayout()) {
            return error;
        }
        if (!expected.checked()) {
            return wrote(inMainTransaction([&]() -> DbError {
                if (DbError error = m_index.removeDay(day)) {
                    return error;
                }
                Statement remove(m_main, "DELETE FROM \"業務日誌\" WHERE \"日付\" = ?1");
                return remove.bind(1, day).run();
            }));
        }
        if (!expected.seen()) {
            // Seen without a record: done while there is none; one added since is a change.
            const DbError found = journalChangeFound(day, outcome);
            if (found.kind == DbErrorKind::Changed && outcome.change.removed) {
                outcome = WriteOutcome{};
                return {};
            }
            return found;
        }
        return wrote(inMainTransaction([&]() -> DbError {
            // Every row of the day goes, as unchecked, when the one read is as it was.
            Statement remove(m_main,
                             "DELETE FROM \"業務日誌\" WHERE \"日付\" = ?1 AND EXISTS (SELECT 1 FROM \"業務日誌\" "
                             "WHERE rowid = (SELECT rowid FROM \"業務日誌\" WHERE \"日付\" = ?1 LIMIT 1) "
                             "AND \"版\" = ?2 AND \"更新日時\" IS ?3) RETURNING rowid");
            remove.bind(1, day);
            bindVersion(remove, 2, *expected.seen());
            QList<qint64> removed;
            while (remove.step()) {
                removed.append(remove.integer(0));
            }
            if (remove.error()) {
                return remove.error();
            }
            if (removed.isEmpty()) {
                return journalChangeFound(day, outcome);
            }
            for (const qint64 rowid : removed) {
                if (DbError error = m_index.removeRow(rowid)) {
                    return error;
                }
            }
            return {};
        }));
    }

    DbError forEachRecord(const Period &period, const std::function<bool(const JournalRecord &)> &visit) override
    {
        Statement select(m_main,
                         "SELECT \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\" FROM \"業務日誌\" "
                         "WHERE \"日付\" >= ?1 AND \"日付\" <= ?2 ORDER BY \"日付\"");
        select.bind(1, period.first).bind(2, period.last);
        while (select.step()) {
            const JournalRecord record = journalRecordOf(select);
            if (record.date.isValid() && !visit(record)) {
                break;
            }
        }
        return select.error();
    }

    DbError countRecords(qint64 &count) override
    {
        Statement select(m_main, "SELECT count(*) FROM \"業務日誌\"");
        count = select.step() ? select.integer(0) : 0;
        return select.error();
    }

    DbError summarise(const Period &period, Grouping grouping, QList<SummaryRow> &rows) override
    {
        rows.clear();
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        // The totals run's row check, with its tally, decides which rows count.
        m_tally = CopyTally{};
        const DbError error = sqlite::summariseJournal(m_main, period, grouping, rows);
        if (m_tally.refused) {
            rows.clear();
            return sqlite::refusedInSummary(*m_tally.refused);
        }
        return error;
    }

    DbError eraseAll() override
    {
        if (DbError error = refuseOlderLayout()) {
            return error;
        }
        // Journal, its index and settings go together or not at all.
        const DbError error = inMainTransaction([this]() -> DbError {
            if (DbError failure = m_main.execute("DELETE FROM \"業務日誌\"")) {
                return failure;
            }
            if (DbError failure = m_main.execute("DELETE FROM \"自社情報\"")) {
                return failure;
            }
            common::NoProgress quiet;
            return m_index.rebuild(quiet); // an empty index, made anew whatever there was
        });
        m_index.check();
        return wrote(error);
    }

    DbError loadSettings(std::optional<Settings> &settings) override
    {
        settings.reset();
        Statement select(m_main, "SELECT \"年号\", \"LineColor1\" FROM \"自社情報\" LIMIT 1");
        if (select.step()) {
            settings.emplace();
            if (!select.isNull(0)) {
                settings->era = select.text(0);
            }
            // A stored colour that the colour number box cannot show is taken
            // as black without changing what is stored, so that the page and
            // the printouts never show two different colours.
            if (select.isInteger(1) && select.integer(1) >= 0 && select.integer(1) <= common::kColourNumberLimit) {
                settings->lineColour = qint32(select.integer(1));
            }
        }
        return select.error();
    }

    DbError saveSettings(const Settings &settings) override
    {
        if (DbError error = refuseOlderLayout()) {
            return error;
        }
        // Under one write lock, taken before the look-up: a short write
        // elsewhere is waited for instead of failing.
        return wrote(inMainTransaction([&]() -> DbError {
            Statement update(m_main, "UPDATE \"自社情報\" SET \"年号\" = ?1, \"LineColor1\" = ?2 "
                                     "WHERE rowid = (SELECT rowid FROM \"自社情報\" LIMIT 1)");
            if (DbError error = update.bind(1, settings.era).bind(2, qint64(settings.lineColour)).run()) {
                return error;
            }
            if (m_main.changes() > 0) {
                return {};
            }
            Statement insert(m_main, "INSERT INTO \"自社情報\" (\"年号\", \"LineColor1\") VALUES (?1, ?2)");
            return insert.bind(1, settings.era).bind(2, qint64(settings.lineColour)).run();
        }));
    }

    DbError fillWork(const Period &period, FillReport &report) override
    {
        report = FillReport{};
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        // On the journal's connection, which holds the work table: the copy
        // runs inside the engine in date order, over the journal pages that
        // connection holds already, in one transaction, so the rows copied,
        // the amounts checked and the days counted are one state of the
        // journal. Only the program's own table is written: no file is locked
        // for writing.
        const DbError error = inMainTransaction([&] { return copyPeriod(period, report); });
        if (error) {
            // The rollback brought back the rows of the run before.
            (void)clearWork();
        }
        return error;
    }

    DbError clearWork() override
    {
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        return m_main.execute("DELETE FROM temp.\"w集計\"");
    }

    DbError workHoldsRows(bool &holds) override
    {
        Statement select(m_main, "SELECT EXISTS (SELECT 1 FROM temp.\"w集計\")");
        holds = select.step() && select.integer(0) != 0;
        return select.error();
    }

    DbError workSums(Sums &sums) override
    {
        sums = Sums{};
        Statement select(
            m_main, "SELECT sum(\"売上額\"), sum(\"仕入額\"), sum(\"入金額\"), sum(\"出金額\") FROM temp.\"w集計\"");
        if (select.step()) {
            AmountColumns ignored;
            sums = readAmounts(select, 0, ignored);
        }
        return select.error();
    }

    DbError workRows(qint64 afterId, int limit, QList<WorkRow> &rows) override
    {
        Statement select(m_main,
                         "SELECT rowid, \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\" FROM temp.\"w集計\" "
                         "WHERE rowid > ?1 ORDER BY rowid LIMIT ?2");
        select.bind(1, afterId).bind(2, qint64(limit));
        while (select.step()) {
            WorkRow row;
            row.id = select.integer(0);
            row.date = select.date(1);
            if (!row.date.isValid()) {
                row.storedDate = select.text(1);
            }
            row.amounts = readAmounts(select, 2, row.unreadable);
            rows.append(row);
        }
        return select.error();
    }

    DbError setWorkDate(qint64 id, QDate date) override
    {
        if (storedDate(date).isEmpty()) {
            return {DbErrorKind::RefusedValue, QStringLiteral("no date")};
        }
        Statement update(m_main, "UPDATE temp.\"w集計\" SET \"日付\" = ?1 WHERE rowid = ?2");
        return update.bind(1, date).bind(2, id).run();
    }

    DbError setWorkAmount(qint64 id, AmountColumn column, Amount amount) override
    {
        const char *sql = nullptr;
        switch (column) {
        case AmountColumn::Sales:
            sql = "UPDATE temp.\"w集計\" SET \"売上額\" = ?1 WHERE rowid = ?2";
            break;
        case AmountColumn::Purchases:
            sql = "UPDATE temp.\"w集計\" SET \"仕入額\" = ?1 WHERE rowid = ?2";
            break;
        case AmountColumn::MoneyIn:
            sql = "UPDATE temp.\"w集計\" SET \"入金額\" = ?1 WHERE rowid = ?2";
            break;
        case AmountColumn::MoneyOut:
            sql = "UPDATE temp.\"w集計\" SET \"出金額\" = ?1 WHERE rowid = ?2";
            break;
        }
        Statement update(m_main, sql);
        return update.bind(1, amount).bind(2, id).run();
    }

    DbError readHint(const HintKey &key, std::optional<Hint> &hint, Seen &seen) override
    {
        hint.reset();
        seen.reset();
        Statement select(m_main, m_versions.hints
                                     ? "SELECT \"FormTitle\", \"Contents\", \"版\", \"更新日時\" FROM work.\"ClHint\" "
                                       "WHERE \"FormName\" = ?1 AND \"CtlName\" = ?2"
                                     : "SELECT \"FormTitle\", \"Contents\", 0, NULL FROM work.\"ClHint\" "
                                       "WHERE \"FormName\" = ?1 AND \"CtlName\" = ?2");
        select.bind(1, key.formName).bind(2, key.ctlName);
        if (select.step()) {
            hint = Hint{key, select.text(0), select.isNull(1) ? std::nullopt : std::optional(select.text(1))};
            seen = versionOf(select, 2);
        }
        return select.error();
    }

    DbError storeHint(const Hint &hint, const Expected &expected, WriteOutcome &outcome) override
    {
        outcome = WriteOutcome{};
        if (DbError error = refuseOlderLayout()) {
            return error;
        }
        const auto bindHint = [&hint](Statement &statement) -> Statement & {
            statement.bind(1, hint.key.formName).bind(2, hint.key.ctlName).bind(3, hint.formTitle);
            return hint.contents ? statement.bind(4, *hint.contents) : statement.bindNull(4);
        };
        const auto written = [&outcome](Statement &statement) {
            while (statement.step()) {
                outcome.now = versionOf(statement, 0);
            }
            return statement.error();
        };
        return wrote(inMainTransaction([&]() -> DbError {
            if (expected.checked()) {
                Statement write(m_main, expected.seen()
                                            ? "UPDATE work.\"ClHint\" SET \"FormTitle\" = ?3, \"Contents\" = ?4, "
                                              "\"版\" = \"版\" + 1, \"更新日時\" = ?5 WHERE rowid = "
                                              "(SELECT rowid FROM work.\"ClHint\" WHERE \"FormName\" = ?1 AND "
                                              "\"CtlName\" = ?2 LIMIT 1) AND \"版\" = ?6 AND \"更新日時\" IS ?7 "
                                              "RETURNING \"版\", \"更新日時\""
                                            : "INSERT INTO work.\"ClHint\" (\"FormName\", \"CtlName\", \"FormTitle\", "
                                              "\"Contents\", \"版\", \"更新日時\") SELECT ?1, ?2, ?3, ?4, 1, ?5 "
                                              "WHERE NOT EXISTS (SELECT 1 FROM work.\"ClHint\" WHERE "
                                              "\"FormName\" = ?1 AND \"CtlName\" = ?2) RETURNING \"版\", \"更新日時\"");
                bindHint(write).bind(5, now());
                if (expected.seen()) {
                    bindVersion(write, 6, *expected.seen());
                }
                if (DbError error = written(write); error || outcome.now) {
                    return error;
                }
                Statement current(m_main, "SELECT \"版\", \"更新日時\" FROM work.\"ClHint\" "
                                          "WHERE \"FormName\" = ?1 AND \"CtlName\" = ?2 LIMIT 1");
                current.bind(1, hint.key.formName).bind(2, hint.key.ctlName);
                return changeFound(current, outcome);
            }
            // Whatever stands is replaced, with a version above the one it had.
            Statement last(
                m_main,
                "SELECT coalesce(max(\"版\"), 0) FROM work.\"ClHint\" WHERE \"FormName\" = ?1 AND \"CtlName\" = ?2");
            last.bind(1, hint.key.formName).bind(2, hint.key.ctlName);
            if (!last.step()) {
                return last.error();
            }
            const qint64 version = last.integer(0) + 1;
            last.reset();
            if (DbError error = removeHint(hint.key)) {
                return error;
            }
            Statement insert(m_main, "INSERT INTO work.\"ClHint\" (\"FormName\", \"CtlName\", \"FormTitle\", "
                                     "\"Contents\", \"版\", \"更新日時\") "
                                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6) RETURNING \"版\", \"更新日時\"");
            bindHint(insert).bind(5, version).bind(6, now());
            return written(insert);
        }));
    }

    DbError removeHint(const HintKey &key) override
    {
        if (DbError error = refuseOlderLayout()) {
            return error;
        }
        Statement remove(m_main, "DELETE FROM work.\"ClHint\" WHERE \"FormName\" = ?1 AND \"CtlName\" = ?2");
        return wrote(remove.bind(1, key.formName).bind(2, key.ctlName).run());
    }

    DbError restoreFrom(const QString &folder) override
    {
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        // A restore comes after its own checked copy of the data as it was,
        // so data of an earlier layout is brought up to date here.
        if (DbError error = upgradeSchema()) {
            return error;
        }
        return replaceFrom(folder, {});
    }

    // restoreFrom's replacing: every record restored gets a version above
    // both those the tables hold and `above` (the versions of data these
    // files are to take the place of).
    DbError replaceFrom(const QString &folder, const RestoredVersions &above)
    {
        const QDir copy(folder);
        const DbError error = m_main.withAttached(copy.filePath(kMainFileName), "copy_main", [&]() {
            return m_main.withAttached(copy.filePath(kWorkFileName), "copy_work", [&]() {
                return m_main.inTransaction(
                    [&]() -> DbError {
                        for (const char *statement : {"DELETE FROM main.\"自社情報\"", "DELETE FROM temp.\"w集計\"",
                                                      "INSERT INTO main.\"自社情報\" (\"年号\", \"LineColor1\") "
                                                      "SELECT \"年号\", \"LineColor1\" FROM copy_main.\"自社情報\""}) {
                            if (DbError failure = m_main.execute(statement)) {
                                return failure;
                            }
                        }
                        // Every record restored gets a version above any the
                        // table held, the copy's own versions aside (a copy of
                        // an earlier version has none): a program that read a
                        // day before the restore is asked before it writes it.
                        Statement highest(m_main, "SELECT (SELECT coalesce(max(\"版\"), 0) FROM main.\"業務日誌\"), "
                                                  "(SELECT coalesce(max(\"版\"), 0) FROM work.\"ClHint\")");
                        if (!highest.step()) {
                            return highest.error();
                        }
                        const qint64 journalVersion = std::max(highest.integer(0), above.journal) + 1;
                        const qint64 hintVersion = std::max(highest.integer(1), above.hints) + 1;
                        highest.reset();
                        const QString moment = now();
                        const std::pair<const char *, qint64> replacements[] = {
                            {"DELETE FROM main.\"業務日誌\"", 0},
                            {"INSERT INTO main.\"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", "
                             "\"日誌\", \"版\", \"更新日時\") "
                             "SELECT \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\", ?1, ?2 FROM "
                             "copy_main.\"業務日誌\"",
                             journalVersion},
                            {"DELETE FROM work.\"ClHint\"", 0},
                            {"INSERT INTO work.\"ClHint\" (\"FormName\", \"CtlName\", \"FormTitle\", \"Contents\", "
                             "\"版\", \"更新日時\") "
                             "SELECT \"FormName\", \"CtlName\", \"FormTitle\", \"Contents\", ?1, ?2 FROM "
                             "copy_work.\"ClHint\"",
                             hintVersion}};
                        for (const auto &[statement, version] : replacements) {
                            Statement step(m_main, statement);
                            if (version > 0) {
                                step.bind(1, version).bind(2, moment);
                            }
                            if (DbError failure = step.run()) {
                                return failure;
                            }
                        }
                        // The copy's own index, if it has one, may be of another version.
                        common::NoProgress quiet;
                        return m_index.rebuild(quiet);
                    },
                    Connection::Lock::AtStart);
            });
        });
        m_index.check();
        return wrote(error);
    }

    bool hasWritten() const override { return m_written; }

    DbError search(const SearchQuery &query, SearchResult &result) override
    {
        result = SearchResult{};
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        return m_index.search(query, result);
    }

    SearchIndexState searchIndexState() const override { return m_index.state(); }

    DbError buildSearchIndex(common::Progress &progress) override
    {
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        // Not a journal write: the journal's rows stay as they are, and a run
        // that only built the index leaves no copy at closing.
        const DbError error = inMainTransaction([&] { return m_index.rebuild(progress); });
        progress.finish();
        m_index.check();
        return error;
    }

    DbError inTransaction(const std::function<DbError()> &work) override
    {
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        // Both files are written, so both are locked from the start. The
        // index entries of the journal writes inside are written at its end.
        const qsizetype pending = m_index.pendingCount();
        m_index.beginDeferring();
        const DbError error = m_main.inTransaction(
            [&]() -> DbError {
                const DbError failure = work();
                const DbError indexed = m_index.endDeferring(!failure);
                return failure ? failure : indexed;
            },
            Connection::Lock::AtStart);
        if (error) {
            m_index.dropPending(pending);
        }
        return error;
    }

private:
    // Data of an earlier layout is written only once upgradeSchema() brought
    // it up to date; a read-only file says so, as any write to it would.
    DbError refuseOlderLayout()
    {
        if (!m_upgradeNeeded) {
            return {};
        }
        if (!isOpen()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
        for (const char *schema : {"main", "work"}) {
            if (sqlite3_db_readonly(m_main.handle(), schema) == 1) {
                return sqlite::errorFrom(SQLITE_READONLY, QStringLiteral("attempt to write a readonly database"));
            }
        }
        return DbError(DbErrorKind::OlderLayout,
                       QStringLiteral("data version below %1, not yet brought up to date").arg(kSchemaVersion));
    }

    // The moment of a write as stored in 更新日時: UTC, ISO 8601 with
    // milliseconds, formatted once a millisecond, as an import writes
    // thousands of days within a few.
    QString now()
    {
        const qint64 msecs = QDateTime::currentMSecsSinceEpoch();
        if (msecs != m_nowMsecs) {
            m_nowMsecs = msecs;
            m_now = storedMoment(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
        }
        return m_now;
    }

    // 版 and 更新日時 at `first` of a row.
    static RecordVersion versionOf(const Statement &row, int first)
    {
        RecordVersion version{row.integer(first), {}};
        if (!row.isNull(first + 1)) {
            version.written = row.moment(first + 1);
        }
        return version;
    }

    // The version a write expects, at `first` (版) and the next (更新日時):
    // both, so that a record removed and made again, which starts its
    // versions anew, never passes for the one that was read.
    static void bindVersion(Statement &statement, int first, const RecordVersion &version)
    {
        statement.bind(first, version.number);
        if (version.written.isValid()) {
            statement.bind(first + 1, storedMoment(version.written));
        } else {
            statement.bindNull(first + 1);
        }
    }

    // A checked write that wrote nothing: `current` looks up the record's 版
    // and 更新日時 as they stand now; no row means it was removed.
    static DbError changeFound(Statement &current, WriteOutcome &outcome)
    {
        if (current.step()) {
            outcome.now = versionOf(current, 0);
            outcome.change = {false, outcome.now->written};
            return {DbErrorKind::Changed, QStringLiteral("the record was written elsewhere since it was read")};
        }
        if (current.error()) {
            return current.error();
        }
        outcome.now.reset();
        outcome.change = {true, {}};
        return {DbErrorKind::Changed, QStringLiteral("the record was removed elsewhere since it was read")};
    }

    DbError journalChangeFound(QDate day, WriteOutcome &outcome)
    {
        Statement current(m_main, "SELECT \"版\", \"更新日時\" FROM \"業務日誌\" WHERE \"日付\" = ?1 LIMIT 1");
        current.bind(1, day);
        return changeFound(current, outcome);
    }

    // Runs a journal write that returns the rowid, 版 and 更新日時 of the row it wrote,
    // and puts the row's index entry; a checked write that wrote nothing
    // found the day changed.
    DbError afterJournalWrite(Statement &write, const JournalRecord &record, bool replacing, WriteOutcome &outcome)
    {
        std::optional<qint64> rowid;
        while (write.step()) {
            rowid = write.integer(0);
            outcome.now = versionOf(write, 1);
        }
        if (write.error()) {
            return write.error();
        }
        if (!rowid) {
            return {};
        }
        return m_index.put(*rowid, record.text, replacing);
    }

    // Notes a journal, settings or hint write that succeeded.
    DbError wrote(DbError error)
    {
        if (!error) {
            m_written = true;
        }
        return error;
    }

    // A transaction on the journal's connection, which holds the work file
    // too. Each one begins with a write, which takes the write lock of the
    // file it writes before anything is read, and of that file alone: a
    // register never waits for the work file, a totals run never locks the journal.
    // The write of one journal day and its index entry. Inside a transaction
    // of the caller's (an import) the entry only waits in memory and the day
    // is written by one statement, which is whole or not there by itself: a
    // savepoint per day would only cost time.
    DbError inJournalWrite(const std::function<DbError()> &work)
    {
        return m_index.deferring() ? work() : inMainTransaction(work);
    }

    DbError inMainTransaction(const std::function<DbError()> &work)
    {
        return m_main.inTransaction(work, Connection::Lock::AtFirstWrite);
    }

    static Statement &bindRecord(Statement &statement, const JournalRecord &record)
    {
        return statement.bind(1, record.date)
            .bind(2, record.amounts.sales)
            .bind(3, record.amounts.purchases)
            .bind(4, record.amounts.moneyIn)
            .bind(5, record.amounts.moneyOut)
            .bind(6, record.text);
    }

    // The body of a totals run, on the journal's connection, into the program's own table.
    DbError copyPeriod(const Period &period, FillReport &report)
    {
        if (DbError failure = m_main.execute("DELETE FROM temp.\"w集計\"")) {
            return failure;
        }
        // One look at each row of the period, in date order (see keepJournalRow).
        m_tally = CopyTally{};
        Statement copy(m_main, "INSERT INTO temp.\"w集計\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\") "
                               "SELECT \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\" FROM main.\"業務日誌\" "
                               "WHERE \"日付\" >= ?1 AND \"日付\" <= ?2 "
                               "AND zephra_keep_journal_row(\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", "
                               "?3) ORDER BY \"日付\"");
        copy.bind(1, period.first).bind(2, period.last).bind(3, common::kAmountLimit);
        const DbError copied = copy.run();
        if (m_tally.refused) {
            report.refused = m_tally.refused;
            return {DbErrorKind::RefusedValue, QStringLiteral("an amount that is no whole number within the limit")};
        }
        if (copied) {
            return copied;
        }
        report.copied = m_main.changes();
        // The table holds the rows as the copy summed them: no trigger of a
        // file can reach a temporary table.
        report.sums = m_tally.sums;
        return countOtherForms(period, report);
    }

    // Journal rows that the run left out because their date is not in the
    // stored form. Those whose text sorts into the period (an impossible day
    // such as 2007-04-31, a time after the day) are the period's rows that
    // were not copied. Other forms of a day of the period ("2007/4/5",
    // "2007-4-5", 20070405) sort near the period's years; rows without a date,
    // and texts that sort before or after every stored date, are read too.
    // Each range is a look-up in the date index, so a run never scans the
    // whole journal for them.
    DbError countOtherForms(const Period &period, FillReport &report)
    {
        report.otherFormInPeriod += m_tally.seen - report.copied;
        // Bounds that stay texts beside the date column's numeric affinity:
        // "1925~" sorts after every text of 1925 written in ASCII and before 1926.
        // Numbers (20070405) sort before every text.
        const auto yearEnd = [](int year) { return QString::number(year) + u'~'; };
        const int firstYear = period.first.year();
        const int lastYear = period.last.year();
        Statement other(m_main, "SELECT \"日付\" FROM main.\"業務日誌\" WHERE \"日付\" IS NULL "
                                "OR \"日付\" < '0001-01-01' OR \"日付\" > '9999-12-31~' "
                                "OR (\"日付\" > ?1 AND \"日付\" < ?2) OR (\"日付\" > ?3 AND \"日付\" < ?4)");
        other.bind(1, yearEnd(firstYear - 1)).bind(2, period.first).bind(3, period.last).bind(4, yearEnd(lastYear));
        static const QRegularExpression storedShape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
        while (other.step()) {
            const QString text = other.text(0);
            if (!other.isNull(0) && storedShape.match(text).hasMatch()) {
                continue; // an impossible day of another period: counted where its text sorts
            }
            const QDate day = other.isNull(0) ? QDate() : dateOfOtherForm(text);
            if (!day.isValid()) {
                ++report.unreadableDates;
            } else if (period.contains(day)) {
                ++report.otherFormInPeriod;
            }
        }
        return other.error();
    }

    Connection m_main;
    Connection m_work;
    sqlite::SearchIndex m_index{m_main};
    sqlite::VersionColumns m_versions; // whether the open files carry them
    bool m_upgradeNeeded = false;      // the files are of an earlier layout
    CopyTally m_tally;                 // of the running totals copy
    bool m_written = false;            // a journal, settings or hint write was kept
    qint64 m_nowMsecs = -1;            // the moment m_now says
    QString m_now;
};

} // namespace

std::unique_ptr<Store> makeSqliteStore()
{
    return std::make_unique<SqliteStore>();
}

DbError restoreIntoNewFiles(const QString &folder, const QString &copyFolder, const RestoredVersions &above)
{
    if (DbError error = createSqliteFiles(folder)) {
        return error;
    }
    SqliteStore restored;
    if (const auto failure = restored.open(Location::inFolder(folder))) {
        return failure->error;
    }
    const DbError error = restored.replaceFrom(copyFolder, above);
    restored.close();
    return error;
}

DbError createSqliteFiles(const QString &folder, QString *failedPath)
{
    const QDir dir(folder);
    const QString mainPath = dir.filePath(kMainFileName);
    const QString workPath = dir.filePath(kWorkFileName);
    for (const QString &path : {mainPath, workPath}) {
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            if (failedPath) {
                *failedPath = path;
            }
            return {DbErrorKind::Exists, QStringLiteral("file exists: ") + path};
        }
    }
    if (DbError error = sqlite::createMainFile(mainPath)) {
        if (failedPath) {
            *failedPath = mainPath;
        }
        return error;
    }
    if (DbError error = sqlite::createWorkFile(workPath)) {
        // No half pair behind: the main file was made just now and is empty.
        QFile::remove(mainPath);
        if (failedPath) {
            *failedPath = workPath;
        }
        return error;
    }
    return {};
}

DbError createSqliteFile(const QString &folder, DataFile file)
{
    const QString path = QDir(folder).filePath(file == DataFile::Main ? kMainFileName : kWorkFileName);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        return {DbErrorKind::Exists, QStringLiteral("file exists: ") + path};
    }
    return file == DataFile::Main ? sqlite::createMainFile(path) : sqlite::createWorkFile(path);
}

} // namespace store
