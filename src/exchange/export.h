#pragma once
// The journal of a period and the totals work table written out for other
// programs: a CSV file or an Excel workbook, with the Japanese column names as
// the header row. A file is whole or not there: it is written under a
// temporary name beside the chosen one and takes that name only when complete.

#include "common/formats.h"
#include "common/progress.h"
#include "store/period.h"
#include "store/store.h"

#include <QString>

#include <optional>

namespace exchange {

enum class Format { Csv, Xlsx };

// The character code of a CSV file: UTF-8 with a byte-order mark, or
// Shift_JIS as Windows has it (code page 932), which every Japanese Excel reads.
enum class Encoding { Utf8, ShiftJis };

struct ExportFile
{
    QString path;
    Format format = Format::Csv;
    Encoding encoding = Encoding::Utf8;      // CSV only
    QString calendarMode = common::kWestern; // the workbook's date cells; a CSV file has yyyy/mm/dd
    bool overwrite = false;                  // a file already at `path` is refused otherwise
};

// Why a CSV file cannot be written in Shift_JIS: the encoding's table is
// missing, a character it lacks (with the day and column that hold it), or
// the conversion failed.
struct ShiftJisRefusal
{
    enum class Why { NoTable, Unwritable, NotConverted };
    Why why = Why::NotConverted;
    QString day;       // yyyy/MM/dd, or the stored date text of a work row (Unwritable)
    QString column;    // the column's caption (Unwritable)
    QString character; // the character as shown, and its code point U+XXXX (Unwritable)
    QString codePoint;
};

// The reason for the user; with `adviseUtf8`, followed by the advice to choose UTF-8.
QString describe(const ShiftJisRefusal &refusal, bool adviseUtf8);

struct Exported
{
    qint64 rows = 0; // below the header; the totals' 合計 row not counted
    // Why there is no file; nothing was written under the name then.
    std::optional<QString> failure;
    // Set when Shift_JIS refused the contents: writing UTF-8 instead would succeed.
    std::optional<ShiftJisRefusal> shiftJisRefusal;
};

// Why an export may not write `path`, or none. Refused: a folder; anything
// that is not a regular file (a device such as /dev/zero, a named pipe); and
// any place inside the program's data folder `dataFolder` (its two files, the
// copies in backup/, zephra.ini), whether reached by its name, through a
// symbolic link or as a hard link of one of its files. An empty `dataFolder`
// checks only the kind. Whether an existing regular file may be replaced is
// the caller's question. The export itself refuses only by the kind of file:
// the window and `zephra --export` ask with the data folder first.
std::optional<QString> refusedTarget(const QString &path, const QString &dataFolder);

// The format a file name asks for by its extension (.csv, .xlsx, in any case).
std::optional<Format> formatOfName(const QString &path);

// The records of `period` in date order: 日付, 売上額, 仕入額, 入金額, 出金額, 日誌.
// A record with an amount that is no number (written by another program) stops
// the export with its day and column.
Exported exportJournal(store::Store &store, const store::Period &period, const ExportFile &file,
                       common::Progress &progress);

// The rows of the work table as they stand, in table order (日付 and the four
// amounts), then a row 合計 with the four sums.
Exported exportTotals(store::Store &store, const ExportFile &file, common::Progress &progress);

} // namespace exchange
