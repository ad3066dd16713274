#pragma once
// The journal's data: typed operations on the records of one data folder.
// Pages and reports speak only these; how and where the records are kept (the
// SQL, the engine's settings, its error codes) stays behind this interface.

#include "store/dberror.h"
#include "store/location.h"
#include "store/period.h"
#include "store/records.h"
#include "store/search.h"
#include "store/summary.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace common {
class Progress;
}

namespace store {

struct OpenFailure
{
    QString path; // the part that could not be opened: a file's path for the file engine
    DbError error;
    bool journalPart = true;       // the part that keeps the journal and the settings (or the work and hints)
    bool otherPartPresent = false; // the data's other part stands there
};

// How a day stood when it was looked up, taken when a write of the day needs it.
using SeenLater = std::function<DbError(Seen &seen)>;

// Made closed; every operation on a closed store fails with ErrClosed, so a
// page that outlives the files is told, not crashed.
class Store
{
public:
    virtual ~Store() = default;

    // Opens the data at `location`. Never creates anything; a missing part,
    // one that is no database or lacks a table fails with where it is.
    // Data of a later layout than kSchemaVersion is refused (ErrNewerSchema),
    // nothing changed.
    [[nodiscard]] virtual std::optional<OpenFailure> open(const Location &location) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Data of an earlier layout opens as it is: every record reads as version
    // 0 and every write is refused (ErrOlderSchema) until upgradeSchema(),
    // which the caller runs after it made a checked copy of the data.
    virtual bool schemaUpgradeNeeded() const = 0;
    // Brings the data to kSchemaVersion in one transaction over both files;
    // a failure leaves both as they were.
    [[nodiscard]] virtual DbError upgradeSchema() = 0;

    // The journal (業務日誌).
    // The record of `day`; none when the day has no record. `seen` is what a
    // later write of the day expects to find.
    [[nodiscard]] virtual DbError readDay(QDate day, std::optional<JournalRecord> &record, Seen &seen) = 0;
    [[nodiscard]] DbError readDay(QDate day, std::optional<JournalRecord> &record)
    {
        Seen ignored;
        return readDay(day, record, ignored);
    }
    // Asks how `day` stands now (the `seen` of readDay) and, where the engine
    // can, returns before the answer is there; calling the function returned
    // gives it, once. The answer is the day as it stood when asked, however
    // late it is taken. The file engine reads at once.
    [[nodiscard]] virtual SeenLater lookUpDay(QDate day)
    {
        std::optional<JournalRecord> record;
        Seen seen;
        const DbError error = readDay(day, record, seen);
        return [error, seen](Seen &answer) {
            answer = error ? Seen() : seen;
            return error;
        };
    }
    // Inserts the record, or replaces every column of the day's record, in
    // one statement that also checks what it writes over: when `expected` is
    // checked, only while the day stands as it was seen (no record, or that
    // version), otherwise nothing is written and ErrChanged comes back with
    // the change found in `outcome`. `outcome.now` is the record's new
    // version. Never a second record for a day.
    [[nodiscard]] virtual DbError saveDay(const JournalRecord &record, const Expected &expected,
                                          WriteOutcome &outcome) = 0;
    [[nodiscard]] DbError saveDay(const JournalRecord &record)
    {
        WriteOutcome ignored;
        return saveDay(record, Expected::anything(), ignored);
    }
    // Adds the record only when its day has none: `added` says which. One
    // statement, so no other program can add the day in between.
    [[nodiscard]] virtual DbError addDay(const JournalRecord &record, bool &added) = 0;
    // Removes the day's record, checked against `expected` as saveDay checks
    // (a day seen without a record and still without one is done).
    [[nodiscard]] virtual DbError removeDay(QDate day, const Expected &expected, WriteOutcome &outcome) = 0;
    [[nodiscard]] DbError removeDay(QDate day)
    {
        WriteOutcome ignored;
        return removeDay(day, Expected::anything(), ignored);
    }
    // Calls `visit` for each record of the period in date order; stops at the
    // first false. Records whose stored date is not in the stored form are not seen.
    [[nodiscard]] virtual DbError forEachRecord(const Period &period,
                                                const std::function<bool(const JournalRecord &)> &visit) = 0;
    [[nodiscard]] virtual DbError countRecords(qint64 &count) = 0;
    // The records of the period summed per calendar month or year (summary.h),
    // in date order, one row for each group with a record. Rows are left out
    // and amounts refused as by fillWork: an amount that is no whole number
    // within the amount boxes' range fails with its day and column.
    [[nodiscard]] virtual DbError summarise(const Period &period, Grouping grouping, QList<SummaryRow> &rows) = 0;
    // Erases every journal record and the settings in one transaction.
    [[nodiscard]] virtual DbError eraseAll() = 0;

    // Search (検索): the days whose text holds every word, newest first,
    // through the journal file's search index, which every journal write
    // above keeps in step. Without a whole index every text of the period is
    // read instead (slower, and said in the result).
    [[nodiscard]] virtual DbError search(const SearchQuery &query, SearchResult &result) = 0;
    // As found when the files were opened, and after each build, erase or restore.
    virtual SearchIndexState searchIndexState() const = 0;
    // Makes the index anew from the journal in one transaction; a failure
    // leaves the file as it was.
    [[nodiscard]] virtual DbError buildSearchIndex(common::Progress &progress) = 0;

    // The settings (自社情報, first row); none when the table holds no row.
    // A Null era reads as the default, a colour that is no colour number as 0.
    [[nodiscard]] virtual DbError loadSettings(std::optional<Settings> &settings) = 0;
    [[nodiscard]] virtual DbError saveSettings(const Settings &settings) = 0;

    // The totals work table (w集計). It belongs to this program: made empty
    // when the store opens and gone when it closes, never seen nor changed by
    // another program on the same data, so a 集計 or an export elsewhere never
    // changes this program's grid, sums or report.
    // Empties the table and adds one row for each journal record of the
    // period whose date is a stored date, in date order, in one transaction.
    // An amount that is no whole number within the amount boxes' range stops
    // the run (described in report.refused); so does a failure to sum the rows
    // (report.sums). A failed run leaves the table empty.
    [[nodiscard]] virtual DbError fillWork(const Period &period, FillReport &report) = 0;
    [[nodiscard]] virtual DbError clearWork() = 0;
    [[nodiscard]] virtual DbError workHoldsRows(bool &holds) = 0;
    [[nodiscard]] virtual DbError workSums(Sums &sums) = 0;
    // Up to `limit` rows after the row `afterId` (0: from the first), in table order.
    [[nodiscard]] virtual DbError workRows(qint64 afterId, int limit, QList<WorkRow> &rows) = 0;
    // Writes one cell of a work row: a date (a valid QDate) or an amount column.
    [[nodiscard]] virtual DbError setWorkDate(qint64 id, QDate date) = 0;
    [[nodiscard]] virtual DbError setWorkAmount(qint64 id, AmountColumn column, Amount amount) = 0;

    // Hints (ClHint).
    [[nodiscard]] virtual DbError readHint(const HintKey &key, std::optional<Hint> &hint, Seen &seen) = 0;
    [[nodiscard]] DbError readHint(const HintKey &key, std::optional<Hint> &hint)
    {
        Seen ignored;
        return readHint(key, hint, ignored);
    }
    // Replaces the hint of the key in one transaction: a failure keeps the
    // old one. `expected` and `outcome` as for saveDay.
    [[nodiscard]] virtual DbError storeHint(const Hint &hint, const Expected &expected, WriteOutcome &outcome) = 0;
    [[nodiscard]] DbError storeHint(const Hint &hint)
    {
        WriteOutcome ignored;
        return storeHint(hint, Expected::anything(), ignored);
    }
    [[nodiscard]] virtual DbError removeHint(const HintKey &key) = 0;

    // Replaces every journal record, the settings and the hints by those of
    // the copy of the two files in `folder`, and empties the work table, in
    // one transaction over both files: the data is the old or the copy's,
    // never a mix. The search index is made anew from the journal restored.
    // Every record restored gets a version above any the table held, so a
    // program that read a day before is asked before it writes the day.
    // Check the copy first (store/copies.h).
    [[nodiscard]] virtual DbError restoreFrom(const QString &folder) = 0;
    // True once a journal, settings or hint write has been kept since the
    // store was opened.
    virtual bool hasWritten() const = 0;

    // Runs `work` as one transaction over both files: the journal, settings
    // and hint operations it calls join it, and all of them are kept when it
    // returns no error, none of them otherwise. Taking the write lock of both
    // files at its start, it sees no other program's write in between.
    [[nodiscard]] virtual DbError inTransaction(const std::function<DbError()> &work) = 0;
};

// The layout of the data this program makes and reads: 1 the earlier one
// (records without a version), 2 with the versions and the layout's own number.
inline constexpr int kSchemaVersion = 2;

} // namespace store
