// Japan's public holidays computed by the rules of the holiday law and its changes.
#include "common/holidays.h"

#include <QHash>

#include <array>
#include <cmath>

namespace common {

namespace {

// Substitute holidays start with the law's change of 1973-04-12; from 2007 a
// holiday on a Sunday moves to the next day that is no holiday.
const QDate kSubstituteStart{1973, 4, 12};
const QDate kNationalRestStart{1985, 12, 27};
constexpr int kNewRulesYear = 2007;

const QString kSubstitute = QStringLiteral("振替休日");
const QString kNationalRest = QStringLiteral("国民の休日");

// The n-th Monday of a month.
QDate nthMonday(int year, int month, int n)
{
    const QDate first(year, month, 1);
    const int toMonday = (Qt::Monday - first.dayOfWeek() + 7) % 7;
    return first.addDays(toMonday + 7 * (n - 1));
}

// The usual approximation for 1900-2099; the divisions truncate toward zero
// as the formula's INT does.
int vernalEquinoxDay(int year)
{
    if (year < 1980) {
        return int(20.8357 + 0.242194 * (year - 1980) - int((year - 1983) / 4));
    }
    return int(20.8431 + 0.242194 * (year - 1980) - int((year - 1980) / 4));
}

int autumnalEquinoxDay(int year)
{
    if (year < 1980) {
        return int(23.2588 + 0.242194 * (year - 1980) - int((year - 1983) / 4));
    }
    return int(23.2488 + 0.242194 * (year - 1980) - int((year - 1980) / 4));
}

using YearMap = QHash<qint64, QString>; // julian day -> name

void add(YearMap &days, const QDate &date, const QString &name)
{
    if (date >= kFirstHolidayLawDay) {
        days.insert(date.toJulianDay(), name);
    }
}

// The days the law names (国民の祝日), with the one-off days it treats alike.
void addNamedDays(YearMap &days, int year)
{
    const auto on = [year](int month, int day) { return QDate(year, month, day); };
    add(days, on(1, 1), QStringLiteral("元日"));
    add(days, year < 2000 ? on(1, 15) : nthMonday(year, 1, 2), QStringLiteral("成人の日"));
    if (year >= 1967) {
        add(days, on(2, 11), QStringLiteral("建国記念の日"));
    }
    if (year >= 2020) {
        add(days, on(2, 23), QStringLiteral("天皇誕生日"));
    }
    add(days, on(3, vernalEquinoxDay(year)), QStringLiteral("春分の日"));
    add(days, on(4, 29),
        year < 1989   ? QStringLiteral("天皇誕生日")
        : year < 2007 ? QStringLiteral("みどりの日")
                      : QStringLiteral("昭和の日"));
    add(days, on(5, 3), QStringLiteral("憲法記念日"));
    if (year >= 2007) {
        add(days, on(5, 4), QStringLiteral("みどりの日"));
    }
    add(days, on(5, 5), QStringLiteral("こどもの日"));

    // The Tokyo Olympic years moved 海の日, スポーツの日 and 山の日 by their own laws.
    const QString sea = QStringLiteral("海の日");
    if (year == 2020) {
        add(days, on(7, 23), sea);
    } else if (year == 2021) {
        add(days, on(7, 22), sea);
    } else if (year >= 2003) {
        add(days, nthMonday(year, 7, 3), sea);
    } else if (year >= 1996) {
        add(days, on(7, 20), sea);
    }
    const QString mountain = QStringLiteral("山の日");
    if (year == 2020) {
        add(days, on(8, 10), mountain);
    } else if (year == 2021) {
        add(days, on(8, 8), mountain);
    } else if (year >= 2016) {
        add(days, on(8, 11), mountain);
    }

    if (year >= 2003) {
        add(days, nthMonday(year, 9, 3), QStringLiteral("敬老の日"));
    } else if (year >= 1966) {
        add(days, on(9, 15), QStringLiteral("敬老の日"));
    }
    add(days, on(9, autumnalEquinoxDay(year)), QStringLiteral("秋分の日"));
    const QString sports = QStringLiteral("スポーツの日");
    if (year == 2020) {
        add(days, on(7, 24), sports);
    } else if (year == 2021) {
        add(days, on(7, 23), sports);
    } else if (year >= 2020) {
        add(days, nthMonday(year, 10, 2), sports);
    } else if (year >= 2000) {
        add(days, nthMonday(year, 10, 2), QStringLiteral("体育の日"));
    } else if (year >= 1966) {
        add(days, on(10, 10), QStringLiteral("体育の日"));
    }
    add(days, on(11, 3), QStringLiteral("文化の日"));
    add(days, on(11, 23), QStringLiteral("勤労感謝の日"));
    if (year >= 1989 && year <= 2018) {
        add(days, on(12, 23), QStringLiteral("天皇誕生日"));
    }

    // Days off by laws of their own: imperial weddings, funeral and enthronements.
    static const std::array<Holiday, 6> oneOff = {{
        {QDate(1959, 4, 10), QStringLiteral("皇太子・明仁親王の結婚の儀")},
        {QDate(1989, 2, 24), QStringLiteral("昭和天皇の大喪の礼")},
        {QDate(1990, 11, 12), QStringLiteral("即位礼正殿の儀")},
        {QDate(1993, 6, 9), QStringLiteral("皇太子・徳仁親王の結婚の儀")},
        {QDate(2019, 5, 1), QStringLiteral("即位の日")},
        {QDate(2019, 10, 22), QStringLiteral("即位礼正殿の儀")},
    }};
    for (const Holiday &day : oneOff) {
        if (day.date.year() == year) {
            add(days, day.date, day.name);
        }
    }
}

// Adds the days off that follow from the named days: 振替休日 and 国民の休日.
void addDaysOff(YearMap &days, int year)
{
    const YearMap named = days;
    const auto isNamed = [&named](const QDate &date) { return named.contains(date.toJulianDay()); };

    // A named day on a Sunday gives a substitute; no chain of named days
    // reaches past the end of December.
    for (auto it = named.cbegin(); it != named.cend(); ++it) {
        const QDate date = QDate::fromJulianDay(it.key());
        if (date.dayOfWeek() != Qt::Sunday || date < kSubstituteStart) {
            continue;
        }
        QDate next = date.addDays(1);
        if (year >= kNewRulesYear) {
            while (isNamed(next)) {
                next = next.addDays(1);
            }
        } else if (isNamed(next)) {
            continue;
        }
        if (next.year() == year) {
            add(days, next, kSubstitute);
        }
    }

    // A day between two named days, itself no named day (nor, before 2007, a
    // Sunday or a substitute holiday).
    for (auto it = named.cbegin(); it != named.cend(); ++it) {
        const QDate between = QDate::fromJulianDay(it.key()).addDays(1);
        if (between < kNationalRestStart || between.year() != year || isNamed(between) ||
            !isNamed(between.addDays(1))) {
            continue;
        }
        if (year < kNewRulesYear && (between.dayOfWeek() == Qt::Sunday || days.contains(between.toJulianDay()))) {
            continue;
        }
        add(days, between, kNationalRest);
    }
}

// Every holiday of every year, built once: the lists ask for each row.
const YearMap &allHolidays()
{
    static const YearMap table = [] {
        YearMap all;
        for (int year = kFirstHolidayLawDay.year(); year <= kLastHolidayDay.year(); ++year) {
            YearMap days;
            addNamedDays(days, year);
            addDaysOff(days, year);
            all.insert(days);
        }
        return all;
    }();
    return table;
}

} // namespace

QString holidayName(const QDate &date)
{
    if (!date.isValid() || date < kFirstHolidayLawDay || date > kLastHolidayDay) {
        return {};
    }
    return allHolidays().value(date.toJulianDay());
}

bool isHoliday(const QDate &date)
{
    return !holidayName(date).isEmpty();
}

std::vector<Holiday> holidaysOf(int year)
{
    std::vector<Holiday> days;
    if (year < kFirstHolidayLawDay.year() || year > kLastHolidayDay.year()) {
        return days;
    }
    for (QDate date(year, 1, 1); date.year() == year; date = date.addDays(1)) {
        if (QString name = holidayName(date); !name.isEmpty()) {
            days.push_back({date, std::move(name)});
        }
    }
    return days;
}

QString weekdayMark(const QDate &date)
{
    static const char16_t *const names[] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};
    if (!date.isValid()) {
        return {};
    }
    return QStringLiteral("（") + QString::fromUtf16(names[date.dayOfWeek() - 1]) + QStringLiteral("）");
}

QString weekdayAndHoliday(const QDate &date)
{
    return weekdayMark(date) + holidayName(date);
}

QColor dayColour(const QDate &date)
{
    if (!date.isValid()) {
        return {};
    }
    if (date.dayOfWeek() == Qt::Sunday || isHoliday(date)) {
        return Qt::red;
    }
    return date.dayOfWeek() == Qt::Saturday ? QColor(Qt::blue) : QColor();
}

} // namespace common
