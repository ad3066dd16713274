#include "store/records.h"

#include <QStringList>

namespace store {

QString columnCaption(AmountColumn column)
{
    switch (column) {
    case AmountColumn::Sales:
        return QStringLiteral("売上額");
    case AmountColumn::Purchases:
        return QStringLiteral("仕入額");
    case AmountColumn::MoneyIn:
        return QStringLiteral("入金額");
    case AmountColumn::MoneyOut:
        return QStringLiteral("出金額");
    }
    return {};
}

Amount &Amounts::operator[](AmountColumn column)
{
    return const_cast<Amount &>(std::as_const(*this)[column]);
}

const Amount &Amounts::operator[](AmountColumn column) const
{
    switch (column) {
    case AmountColumn::Sales:
        return sales;
    case AmountColumn::Purchases:
        return purchases;
    case AmountColumn::MoneyIn:
        return moneyIn;
    case AmountColumn::MoneyOut:
        break;
    }
    return moneyOut;
}

AmountColumns sumsBeyondRange(const Sums &sums)
{
    AmountColumns beyond;
    for (const AmountColumn column : kAmountColumns) {
        const Amount &sum = sums[column];
        if (sum && (*sum < -common::kAmountLimit || *sum > common::kAmountLimit)) {
            beyond |= column;
        }
    }
    return beyond;
}

QString describeSums(const Sums &sums, AmountColumns columns)
{
    QStringList named;
    for (const AmountColumn column : kAmountColumns) {
        if (columns.testFlag(column)) {
            named << columnCaption(column) + QStringLiteral("の合計 ") +
                         common::formatAmount(sums[column].value_or(0), common::pattern::kAmountZero);
        }
    }
    return named.join(QStringLiteral("、"));
}

void putInForce(Settings &inForce, const std::optional<Settings> &stored)
{
    if (!stored) {
        inForce.era = common::kWestern;
        return;
    }
    inForce = *stored;
}

} // namespace store
