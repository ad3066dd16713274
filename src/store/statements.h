#pragma once
// Every statement the program issues, in the program's SQL dialect, built from
// the fixed texts by concatenation exactly as the journal has always used them.

#include <QDate>
#include <QString>

namespace store::sql {

// Date text used inside statements and by the month helpers: "yyyy/mm/dd".
QString dateText(const QDate &date);

// 1: the journal record of a date.
QString selectJournalOfDate(const QDate &date);
// 2: delete the journal record(s) of a date.
QString deleteJournalOfDate(const QDate &date);
// 3: the journal records from `first` to `last`, both included, in date order.
QString selectJournalOfPeriod(const QString &firstDateText, const QString &lastDateText);
// 4: empty the work table before a totals run.
inline const QString kDeleteWorkTable = QStringLiteral("delete * from w集計");
// 5: the work table, for adding the rows of a run.
inline const QString kSelectWorkTable = QStringLiteral("select * from w集計");
// 6: the four sums over the work table.
QString selectWorkTableSums();
// 7: clear the totals (note the trailing blank).
inline const QString kClearWorkTable = QStringLiteral("delete * from w集計 ");
// 8: erase all journal records.
inline const QString kDeleteAllJournal = QStringLiteral("delete * from 業務日誌");
// 9: erase the settings record.
inline const QString kDeleteSettings = QStringLiteral("delete * from 自社情報");
// 10: the settings record.
inline const QString kSelectSettings = QStringLiteral("select * from 自社情報");
// 11: delete the hint of a window's control. A quote inside a name is doubled.
QString deleteHint(const QString &formName, const QString &ctlName);
// 12: the hint of a window's control. A quote inside a name is doubled.
QString selectHint(const QString &formName, const QString &ctlName);

} // namespace store::sql
