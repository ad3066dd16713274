#include "store/records.h"

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

void putInForce(Settings &inForce, const std::optional<Settings> &stored)
{
    if (!stored) {
        inForce.era = common::kWestern;
        return;
    }
    inForce = *stored;
}

} // namespace store
