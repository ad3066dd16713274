#include "backup/generations.h"

#include <QSet>

#include <algorithm>

namespace backup {

namespace {

QDate mondayOf(QDate day)
{
    return day.addDays(1 - day.dayOfWeek());
}

bool newer(const CopyName &a, const CopyName &b)
{
    return std::pair(a.time, a.sequence) > std::pair(b.time, b.sequence);
}

} // namespace

QList<CopyName> copiesToThin(const QList<CopyName> &copies, QDate today, const Generations &generations)
{
    QList<CopyName> newestFirst = copies;
    std::sort(newestFirst.begin(), newestFirst.end(), newer);

    const QDate firstKeptDay = today.addDays(1 - std::max(generations.days, 0));
    const QDate firstKeptWeek = mondayOf(today).addDays(-7 * (std::max(generations.weeks, 0) - 1));
    const QDate firstKeptMonth = QDate(today.year(), today.month(), 1).addMonths(1 - std::max(generations.months, 0));

    QSet<QDate> weeksKept;
    QSet<QDate> monthsKept;
    QList<CopyName> thinned;
    for (qsizetype at = 0; at < newestFirst.size(); ++at) {
        const CopyName &copy = newestFirst.at(at);
        const QDate day = copy.time.date();
        bool keep = at == 0 || !isThinned(copy.kind) || day > today; // a clock set back keeps what it cannot place
        if (generations.days > 0 && day >= firstKeptDay) {
            keep = true;
        }
        // The newest copy of each week and of each month within reach.
        const QDate week = mondayOf(day);
        if (generations.weeks > 0 && week >= firstKeptWeek && !weeksKept.contains(week) && isThinned(copy.kind)) {
            weeksKept.insert(week);
            keep = true;
        }
        const QDate month(day.year(), day.month(), 1);
        if (generations.months > 0 && month >= firstKeptMonth && !monthsKept.contains(month) && isThinned(copy.kind)) {
            monthsKept.insert(month);
            keep = true;
        }
        if (!keep) {
            thinned.append(copy);
        }
    }
    return thinned;
}

} // namespace backup
