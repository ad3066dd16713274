#pragma once
// Japan's public holidays (国民の祝日 and the days off the holiday law adds), the
// weekday marks of a date and the colour a calendar gives its day.

#include <QColor>
#include <QDate>
#include <QString>

#include <vector>

namespace common {

// The holidays are known from the law's start to the date boxes' last day.
inline const QDate kFirstHolidayLawDay{1948, 7, 20};
inline const QDate kLastHolidayDay{2099, 12, 31};

struct Holiday
{
    QDate date;
    QString name; // 元日, 振替休日, 国民の休日, 即位礼正殿の儀 ...
};

// The name of the holiday on `date`; empty on a working day and outside
// kFirstHolidayLawDay..kLastHolidayDay.
QString holidayName(const QDate &date);
bool isHoliday(const QDate &date);
// A year's holidays in date order.
std::vector<Holiday> holidaysOf(int year);

// The weekday in full-width parentheses: 「（月）」; empty for an invalid date.
QString weekdayMark(const QDate &date);
// The weekday and, on a holiday, its name right after it: 「（金）振替休日」.
QString weekdayAndHoliday(const QDate &date);

// Red for a Sunday or a holiday, blue for a Saturday that is no holiday; an
// invalid colour (the text's own) for any other day.
QColor dayColour(const QDate &date);

} // namespace common
