#pragma once
// The names of a calendar month and a calendar year as the summaries show
// them: "2024年4月", "2024年" in the Western calendar; "令和 6年4月", "令和 6年"
// in the era calendar, the era year right-aligned in two places. A month or a
// year in which the era changes names both: "昭和64年・平成 1年1月".

#include <QString>

namespace common {

QString monthLabel(int year, int month, const QString &calendarMode);
QString yearLabel(int year, const QString &calendarMode);

} // namespace common
