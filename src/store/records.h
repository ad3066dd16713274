#pragma once
// The typed values that travel between the pages and the store: a day's
// journal record, the settings, a hint, a row of the totals work table and the
// four sums.

#include "common/formats.h"

#include <QDate>
#include <QDateTime>
#include <QFlags>
#include <QString>

#include <optional>

namespace store {

using Amount = std::optional<qint64>; // whole yen; none is stored as Null

// The four amount columns, shared by the journal and the work table.
enum class AmountColumn : int { Sales = 0x1, Purchases = 0x2, MoneyIn = 0x4, MoneyOut = 0x8 };
Q_DECLARE_FLAGS(AmountColumns, AmountColumn)
Q_DECLARE_OPERATORS_FOR_FLAGS(AmountColumns)

// The Japanese name of an amount column as the user sees it (売上額, ...).
QString columnCaption(AmountColumn column);

struct Amounts
{
    Amount sales;
    Amount purchases;
    Amount moneyIn;
    Amount moneyOut;

    Amount &operator[](AmountColumn column);
    const Amount &operator[](AmountColumn column) const;
    friend bool operator==(const Amounts &, const Amounts &) = default;
};

inline constexpr AmountColumn kAmountColumns[] = {AmountColumn::Sales, AmountColumn::Purchases, AmountColumn::MoneyIn,
                                                  AmountColumn::MoneyOut};

// The journal record of one day (業務日誌).
struct JournalRecord
{
    QDate date;
    Amounts amounts;
    QString text; // 日誌; a Null reads as an empty text
    // Read back only: amount columns holding a value of another kind that some
    // other program wrote (a text, a fraction). Those amounts read as none.
    AmountColumns unreadable;
};

// A journal record or a hint as one write left it: the version that every
// write of the record raises by one, and the moment of that write (UTC; none
// for a record written before versions were kept). Several programs share the
// files: a program writes a record it has read only while it still stands so.
struct RecordVersion
{
    qint64 number = 0;
    QDateTime written;

    friend bool operator==(const RecordVersion &, const RecordVersion &) = default;
};

// What a program saw of a record when it read it: none when there was no record.
using Seen = std::optional<RecordVersion>;

// What a write of a record expects to find there: the record as the program
// saw it when it read it, or anything at all (the user chose to write over
// it, or an import replaces the day by the user's choice).
class Expected
{
public:
    static Expected anything() { return Expected(); }
    static Expected as(const Seen &seen)
    {
        Expected expected;
        expected.m_checked = true;
        expected.m_seen = seen;
        return expected;
    }
    bool checked() const { return m_checked; }
    const Seen &seen() const { return m_seen; } // when checked

private:
    Expected() = default;
    bool m_checked = false;
    Seen m_seen;
};

// What a write that expected a record as seen found instead.
struct Change
{
    bool removed = false; // the record is gone; otherwise it was written or added
    QDateTime written;    // that write's moment (UTC); none when removed or not kept
};

// The outcome of a write: the record as it now stands (none after a removal),
// or, when the write was refused with ErrChanged, the change it found.
struct WriteOutcome
{
    Seen now;
    Change change;
};

// The settings record (自社情報, its first row).
struct Settings
{
    QString era = common::kWestern; // 年号 as stored: 西暦, 和暦, or a word another program wrote
    qint32 lineColour = 0;          // LineColor1; a stored value that is no colour number reads as 0

    friend bool operator==(const Settings &, const Settings &) = default;
};

// The settings in force once the stored ones have been read, `stored` being
// their row: without a row the calendar is 西暦 and the colour stays as it is.
void putInForce(Settings &inForce, const std::optional<Settings> &stored);

// The hint of one control of one window (ClHint), keyed by their object names.
struct HintKey
{
    QString formName;
    QString ctlName;
    bool isEmpty() const { return formName.isEmpty() || ctlName.isEmpty(); }
};

struct Hint
{
    HintKey key;
    QString formTitle;
    std::optional<QString> contents; // Null stays none
};

// A row of the totals work table (w集計). `id` addresses the row for a change
// of one cell; rows come in the order they were added (date order after a run).
struct WorkRow
{
    qint64 id = 0;
    QDate date;         // invalid when the stored value is no stored date
    QString storedDate; // the stored value as text, for such a row
    Amounts amounts;
    AmountColumns unreadable;
};

// The four sums over the work table; none where no row has a value.
using Sums = Amounts;

// The sums beyond the amount boxes' range (common::kAmountLimit), in column
// order. The totals page and an export of the totals both refuse such a sum:
// no box can show it, and a figure the journal's amounts cannot hold would
// pass for a total.
AmountColumns sumsBeyondRange(const Sums &sums);
// Those sums named with their columns: "売上額の合計 19,999,999,998、入金額の合計 -10,000,000,000".
QString describeSums(const Sums &sums, AmountColumns columns);

// A journal row whose amount stops a totals run: the day and the column.
struct RefusedAmount
{
    QDate date;
    AmountColumn column = AmountColumn::Sales;
    QString value; // as stored
};

// What a totals run found besides the rows it copied.
struct FillReport
{
    int copied = 0;
    // Journal rows left out because their stored date is not in the stored
    // form: those whose date reads as a day of the period, and those whose date
    // cannot be read as any day. The rows themselves are not changed.
    int otherFormInPeriod = 0;
    int unreadableDates = 0;
    std::optional<RefusedAmount> refused; // set when the run stopped on an amount
    Sums sums;                            // over the rows copied
};

} // namespace store
