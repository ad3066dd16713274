#pragma once
// Every display pattern of the program: dates in the Western and the Japanese
// era calendar, date numbers and amounts.

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

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
QString dateBoxPattern(const QString &calendarMode);       // yyyy年mm月dd日 / ggg ee年mm月dd日
QString calendarTitlePattern(const QString &calendarMode); // yyyy年mm月 / ggg ee年mm月
QString gridDatePattern(const QString &calendarMode);      // yyyy/mm/dd / g ee/mm/dd

// Formats a date with a date pattern. A pattern is made of the fields "yyyy"
// (Western year), "mm", "dd", "ggg" (era name), "g" (era initial), "ee" (year
// of the era, two digits) and any text that holds no Latin letter. Western
// fields take the years 1 to 9999; an era field takes the dates from
// kFirstDate to kLastDate. An invalid or out-of-range date, or a pattern with
// any other letter, gives an empty text.
QString formatDate(const QDate &date, const QString &pattern);

// Formats a whole amount with "#,###" (0 as empty), "#,##0", "##,###,###,###"
// or "#########". An empty optional gives an empty text, and so does an
// unknown pattern. The two box patterns ("##,###,###,###" for amount boxes,
// "#########" for the colour number box) show 0 as "0": a box holding 0 must
// not look like an empty box.
QString formatAmount(std::optional<qint64> amount, const QString &pattern);

// The values an amount box and the colour number box accept.
inline constexpr qint64 kAmountLimit = 9'999'999'999;     // -limit .. +limit
inline constexpr qint64 kColourNumberLimit = 999'999'999; // 0 .. limit

// Era of a date in the Japanese calendar: name (平成), initial (H), year of the era.
struct EraDate
{
    QString name;
    QString initial;
    int year = 0;
};
// Nothing for a date outside kFirstDate..kLastDate.
std::optional<EraDate> eraOf(const QDate &date);

// The Western date of an era date given by the era's name (平成) or Latin
// initial (H, h), the year of the era, the month and the day; nothing when no
// such day exists (平成 32年, 平成 01年01月07日, 2007/02/30) or it lies
// outside kFirstDate..kLastDate.
std::optional<QDate> dateFromEra(const QString &eraNameOrInitial, int eraYear, int month, int day);

// One era of the Japanese calendar as far as the program's dates reach, taken
// from the platform's calendar: its first and last day are clipped to
// kFirstDate..kLastDate; yearOne is the Western year of the era's year 1.
struct Era
{
    QString name;
    QString initial;
    QDate first;
    QDate last;
    int yearOne = 0;
};
// In time order; empty when the platform's calendar is not available.
const std::vector<Era> &eraTable();

// The range of dates a date box accepts.
inline const QDate kFirstDate{1868, 9, 8};
inline const QDate kLastDate{2099, 12, 31};

} // namespace common
