#pragma once
// What 書き出す does once the window's fields are read: the questions (a file
// already there, UTF-8 in place of Shift_JIS), the export, and the notice of
// how it went. Free of widgets, so that it runs with scripted answers.

#include "exchange/export.h"

#include "common/msg.h"
#include "common/progress.h"
#include "store/period.h"
#include "store/summary.h"

#include <QString>

#include <optional>

namespace store {
class Store;
}

namespace exchangeui {

enum class ExportSubject {
    Journal, // the records of a period
    Totals,  // the work table as it stands, with its sums
    Summary, // the period summed per month or per year, as the totals page shows it
};

struct ExportRequest
{
    ExportSubject subject = ExportSubject::Journal;
    store::Period period; // the journal's and the summary's; the work table has its own rows
    store::Grouping grouping = store::Grouping::Month; // the summary's
    exchange::ExportFile file;
};

// The period a page's dates give, filled in as 集計 fills it: an empty start
// is the first of today's month, an empty end the last of the start's month.
store::Period exportPeriod(std::optional<QDate> first, std::optional<QDate> last, QDate today);

// `path` with the extension of `format`: a .csv or .xlsx one replaced, none added.
QString withExtension(const QString &path, exchange::Format format);

// A name for the file that says what it holds: 業務日誌_20070401-20070430.csv,
// 月別集計_20070101-20071231.xlsx.
QString suggestedFileName(ExportSubject subject, const store::Period &period, exchange::Format format,
                          store::Grouping grouping = store::Grouping::Month);

// Writes the file, asking before it replaces one and offering UTF-8 when
// Shift_JIS cannot hold a character; tells the outcome. What
// exchange::refusedTarget refuses (anything in `dataFolder`, a device, a
// pipe) is told before any question. True when the file was written;
// otherwise the file under the name is as it was.
bool runExport(store::Store &store, common::Msg &msg, ExportRequest request, const QString &dataFolder,
               common::Progress &progress);

} // namespace exchangeui
