#pragma once
// Month bounds for the period totals, on date texts "yyyy/mm/dd".

#include "common/clock.h"

#include <QString>

namespace common {

QString FirstDayOfMonth(const Clock &clock);
QString LastDayOfMonth(const Clock &clock);
short DaysInMonth(const QString &dateText);
// Writes the last day, then the first day of the month of `dateText`; an
// empty text leaves both places unchanged. `first` may be `dateText` itself.
void MonthRange(const QString &dateText, QString &first, QString &last);

} // namespace common
