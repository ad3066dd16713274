#pragma once
// Records written out for comparing in tests.

#include "store/records.h"

#include <QStringList>

namespace testsupport {

// The four amounts as "1 - -3 9999999999", none as "-".
inline QString shownAmounts(const store::Amounts &amounts)
{
    QStringList parts;
    for (const store::AmountColumn column : store::kAmountColumns) {
        parts << (amounts[column] ? QString::number(*amounts[column]) : QStringLiteral("-"));
    }
    return parts.join(u' ');
}

} // namespace testsupport
