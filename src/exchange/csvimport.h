#pragma once
// A CSV file of journal days brought into the journal: first judged whole
// (the preview: which days are new, which exist, which rows are refused and
// why), then written in one transaction, or not at all.
//
// The file has a header row naming its columns in any order, with the names
// the export writes: 日付, 売上額, 仕入額, 入金額, 出金額, 日誌. Only 日付 is
// required; a column that is not there means no value for every row.

#include "exchange/export.h"

#include "common/progress.h"
#include "store/records.h"
#include "store/store.h"

#include <QList>
#include <QString>

#include <optional>

namespace exchange {

// A row that will not be imported, and why.
struct RefusedRow
{
    qint64 line = 0; // the file's line where the row starts, the header being line 1
    QString column;  // the header name of the column at fault; empty when the row as a whole is
    QString reason;  // in Japanese, for the preview and the command line
};

// What a CSV file would bring. Nothing has been written when it is made.
struct ImportPreview
{
    QString path;
    Encoding encoding = Encoding::Utf8; // as the file was read
    bool encodingDetected = false;      // true when no encoding was asked for
    qint64 newDays = 0;                 // good rows whose day has no record
    qint64 existingDays = 0;            // good rows whose day has a record
    QList<RefusedRow> refused;          // in line order
    QStringList ignoredColumns;         // header names that are none of ours
    // Why the file as a whole cannot be imported (no such file, no 日付 column,
    // a name twice in the header, not a CSV file); nothing else is set then.
    std::optional<QString> failure;

    // The good rows in file order, for importCsv.
    QList<store::JournalRecord> records;
};

struct ImportChoice
{
    // Days that have a record take the file's values; by default they keep theirs.
    bool replaceExisting = false;
};

struct Imported
{
    qint64 added = 0;
    qint64 replaced = 0;
    qint64 kept = 0; // existing days left as they were
    // Why nothing was imported; the journal is as it was then.
    std::optional<QString> failure;
};

// Reads and judges the file. `encoding` none: UTF-8 when the file starts with
// a byte-order mark or is valid UTF-8 throughout, Shift_JIS (code page 932)
// otherwise.
ImportPreview previewCsvImport(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                               common::Progress &progress);

// Writes the good rows of `preview` in one transaction. Days that gained a
// record since the preview count as existing.
Imported importCsv(store::Store &store, const ImportPreview &preview, const ImportChoice &choice,
                   common::Progress &progress);

} // namespace exchange
