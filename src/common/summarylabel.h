#pragma once
// The names of a calendar month and a calendar year as the summaries show
// them: "2024年4月", "2024年" in the Western calendar; "令和6年4月", "令和6年"
// in the era calendar, the era year in its digits alone. A month or a year in
// which the era changes names both: "昭和64年・平成1年1月". The grid, the
// reports, the charts and the exported files all take their names from here.

#include <QString>

namespace common {

QString monthLabel(int year, int month, const QString &calendarMode);
QString yearLabel(int year, const QString &calendarMode);

} // namespace common
