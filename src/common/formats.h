#pragma once
// Every display pattern of the program: dates in the Western and the Japanese
// era calendar, date numbers and amounts.

#include <QDate>
#include <QString>

#include <optional>

namespace common {

// The calendar mode "西暦" selects the Western patterns; any other text the era ones.
inline const QString kWestern = QStringLiteral("西暦");
inline const QString kEra = QStringLiteral("和暦");
bool isWestern(const QString &calendarMode);

namespace pattern {
inline const QString kDateWestern = QStringLiteral("yyyy年mm月dd日");
inline const QString kDateEra = QStringLiteral("ggg ee年mm月dd日");
inline const QString kMonthWestern = QStringLiteral("yyyy年mm月");
inline const QString kMonthEra = QStringLiteral("ggg ee年mm月");
inline const QString kSlashWestern = QStringLiteral("yyyy/mm/dd");
inline const QString kSlashEra = QStringLiteral("g ee/mm/dd");
inline const QString kDateNumber = QStringLiteral("yyyymmdd");
inline const QString kAmount = QStringLiteral("#,###");
inline const QString kAmountZero = QStringLiteral("#,##0");
inline const QString kAmountBox = QStringLiteral("##,###,###,###");
inline const QString kColourNumber = QStringLiteral("#########");
} // namespace pattern

// The date patterns of a calendar mode.
QString dateBoxPattern(const QString &calendarMode);   // yyyy年mm月dd日 / ggg ee年mm月dd日
QString calendarTitlePattern(const QString &calendarMode); // yyyy年mm月 / ggg ee年mm月
QString gridDatePattern(const QString &calendarMode);  // yyyy/mm/dd / g ee/mm/dd

// Formats a date with one of the date patterns above; an invalid date or an
// unknown pattern gives an empty text.
QString formatDate(const QDate &date, const QString &pattern);

// Formats a whole amount with "#,###" (0 as empty), "#,##0", "##,###,###,###"
// or "#########". An empty optional gives an empty text.
QString formatAmount(std::optional<qint64> amount, const QString &pattern);

// Era of a date in the Japanese calendar: name (平成), initial (H), year of the era.
struct EraDate
{
    QString name;
    QString initial;
    int year = 0;
};
std::optional<EraDate> eraOf(const QDate &date);

// The first day of an era given by its name or initial letter and year of
// the era, month and day: the Western date, or nothing when no such day exists
// (平成 32年, 2007/02/30).
std::optional<QDate> dateFromEra(const QString &eraNameOrInitial, int eraYear, int month, int day);

// The range of dates a date box accepts.
inline const QDate kFirstDate{1868, 9, 8};
inline const QDate kLastDate{2099, 12, 31};

} // namespace common
