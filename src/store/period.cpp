#include "store/period.h"

namespace store {

Period Period::monthOf(QDate day)
{
    if (!day.isValid()) {
        return {};
    }
    const QDate first(day.year(), day.month(), 1);
    return {first, first.addDays(first.daysInMonth() - 1)};
}

} // namespace store
