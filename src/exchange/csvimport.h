#pragma once
// A CSV file of journal days brought into the journal: first judged whole
// (the preview: which days are new, which exist, which rows are refused and
// why), then written in one transaction, or not at all.
//
// The file has a header row naming its columns in any order, with the names
// the export writes: 日付, 売上額, 仕入額, 入金額, 出金額, 日誌. Only 日付 is
// required; a column that is not there means no value for every row.
//
// Other people's files (a bank statement) are read through an import layout
// that names their columns; several rows of one day are then summed into it.

#include "exchange/export.h"
#include "exchange/importlayout.h"

#include "common/progress.h"
#include "store/records.h"
#include "store/store.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace exchange {

// The longest 日誌 the import writes: the day's text box of the earlier
// version took no more. A day whose joined text would be longer is refused.
inline constexpr qsizetype kJournalTextLimit = 65535;

// A row that will not be imported, and why.
struct RefusedRow
{
    qint64 line = 0; // the file's line where the row starts, the header being line 1
    QString column;  // the header name of the column at fault; empty when the row as a whole is
    QString reason;  // in Japanese, for the preview and the command line
};

// What becomes of a day that already has a record.
enum class ExistingDays {
    Keep,    // the journal's record stays as it is
    Replace, // the file's values take its place
    Add,     // the file's amounts are added to the day's, its text follows on new lines
};

struct ImportChoice
{
    ExistingDays existing = ExistingDays::Keep;
};

// A day as the import would leave it.
struct PlannedDay
{
    enum Action { New, Kept, Replaced, Added, Refused } action = New;
    store::JournalRecord result; // for Kept the journal's record; for Refused the file's
    QString reason;              // why a day is Refused
};

// Of the refused rows and the days that cannot be added to, this many are kept for showing; all are counted.
inline constexpr qsizetype kKeptRefusals = 1000;
// The days of the file kept for showing how each will stand.
inline constexpr qsizetype kShownDays = 2000;

// What a CSV file would bring, judged reading it once in a stream (twice when
// rows share a date or a day's sums are refused, to name every such row).
// What it keeps does not grow with the file: per date of the calendar a few
// numbers, and the first rows and days for showing. Nothing has been written
// when it is made.
struct ImportPreview
{
    QString path;
    Encoding encoding = Encoding::Utf8; // as the file was read
    bool encodingDetected = false;      // true when no encoding was asked for
    qint64 days = 0;                    // days the file brings: its good rows, or through a layout their days
    qint64 newDays = 0;                 // of those, days without a record
    qint64 existingDays = 0;            // days with a record
    QList<RefusedRow> refused;          // the first kKeptRefusals, in line order
    qint64 refusedRows = 0;             // all of them
    QStringList ignoredColumns;         // header names that are none of ours
    // Why the file as a whole cannot be imported (no such file, no 日付 column,
    // a name twice in the header, not a CSV file); nothing else is set then.
    std::optional<QString> failure;
    // The file's header names none of the journal's columns: it wants an import layout.
    bool needsLayout = false;
    QString layoutName; // the layout the file was read with; empty for the journal's own columns

    // The first rows of the file as read (at most kHeaderSearchRows), for choosing a layout.
    QList<CsvRow> leadingRows;

    // The first kShownDays days the file brings, in file order; through a
    // layout, each day's rows summed and their texts a line each.
    QList<store::JournalRecord> firstDays;
    // The journal's records of those days, as read when the file was judged.
    QHash<QDate, store::JournalRecord> existing;
    // Existing days that adding the file's values to would take beyond the
    // amounts' range or the text's length: all counted, the first kept (in date order).
    qint64 daysNotAdded = 0;
    QList<PlannedDay> notAdded;

    // What importCsv needs to read the file again as judged.
    std::optional<ImportLayout> layout;
    QSet<QDate> refusedDates; // dates all of whose rows are refused: shared by rows, or a day beyond limits
    FileStamp stamp;          // the file as judged; the import refuses a file that has changed since
};

// Each of the preview's first days as the choice would leave it, in the preview's order.
QList<PlannedDay> planImport(const ImportPreview &preview, const ImportChoice &choice);

// Adds `more` to `day`: amounts summed (an empty amount and a value give the
// value; two empty ones stay empty), the text after the day's on a new line.
// The reason when a sum leaves ±9,999,999,999 or the text grows beyond
// kJournalTextLimit; `day` is unchanged then.
std::optional<QString> addToDay(store::JournalRecord &day, const store::JournalRecord &more);
// The same judgement from the day's amounts and the length of its text alone.
std::optional<QString> whyNotAdded(const store::JournalRecord &day, const store::Amounts &more, qsizetype moreText);

struct Imported
{
    qint64 added = 0;
    qint64 replaced = 0;
    qint64 kept = 0;    // existing days left as they were
    qint64 addedTo = 0; // existing days the file's values were added to
    qint64 refused = 0; // days left out because adding to them was refused
    // Why nothing was imported; the journal is as it was then.
    std::optional<QString> failure;
};

// Reads and judges the file. `encoding` none: UTF-8 when the file starts with
// a byte-order mark or is valid UTF-8 throughout, Shift_JIS (code page 932)
// otherwise.
ImportPreview previewCsvImport(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                               common::Progress &progress);
// The same for a file read through `layout`: the lines above its header row
// are passed over, and the rows of a day summed into one record.
ImportPreview previewCsvImport(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                               const ImportLayout &layout, common::Progress &progress);

// Reads the file again in a stream and writes its good rows in one
// transaction; a file that changed since the preview is refused. Days that gained a
// record since the preview count as existing; adding goes to the record as it
// stands then. Days whose sums would be refused are left out and counted.
Imported importCsv(store::Store &store, const ImportPreview &preview, const ImportChoice &choice,
                   common::Progress &progress);

// The import with no preview to show first (the command line): each row judged
// as it is read and written at once, all in one transaction, then read back.
struct OnePassImport
{
    enum Outcome {
        Done,   // written and kept
        Judge,  // nothing written: a row refused, a date twice, a day not added to, or the file not
                // taken; judging the file as the window does names them all
        Failed, // nothing written: the journal refused a write or read back otherwise (imported.failure)
    } outcome = Judge;
    ImportPreview preview; // Done: what the file brought, as a preview would have told it
    Imported imported;
};

// The journal's own columns only: the rows of a layout's day are summed before they are written.
OnePassImport importCsvInOnePass(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                                 const ImportChoice &choice, common::Progress &progress);

} // namespace exchange
