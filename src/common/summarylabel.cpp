#include "common/summarylabel.h"

#include "common/formats.h"

#include <algorithm>

namespace common {

namespace {

// The era year as written, without padding: a blank before one digit would set
// "令和1年" apart from "平成31年" wherever the labels stand side by side.
QString eraYear(const EraDate &era)
{
    return era.name + QString::number(era.year) + QStringLiteral("年");
}

// The era years of the days first..last, kept within the program's dates
// (1868 begins before the first day of Meiji); empty when no era is known.
QString eraYears(QDate first, QDate last)
{
    const std::optional<EraDate> from = eraOf(std::max(first, kFirstDate));
    const std::optional<EraDate> to = eraOf(std::min(last, kLastDate));
    if (!from || !to) {
        return {};
    }
    if (from->name == to->name) {
        return eraYear(*from);
    }
    // No month or year holds three eras, so its two ends name every era in it.
    return eraYear(*from) + QStringLiteral("・") + eraYear(*to);
}

} // namespace

QString monthLabel(int year, int month, const QString &calendarMode)
{
    const QDate first(year, month, 1);
    if (!isWestern(calendarMode)) {
        const QString era = eraYears(first, first.addMonths(1).addDays(-1));
        if (!era.isEmpty()) {
            return era + QString::number(month) + QStringLiteral("月");
        }
    }
    return QString::number(year) + QStringLiteral("年") + QString::number(month) + QStringLiteral("月");
}

QString yearLabel(int year, const QString &calendarMode)
{
    if (!isWestern(calendarMode)) {
        const QString era = eraYears(QDate(year, 1, 1), QDate(year, 12, 31));
        if (!era.isEmpty()) {
            return era;
        }
    }
    return QString::number(year) + QStringLiteral("年");
}

} // namespace common
