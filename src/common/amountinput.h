#pragma once
// The rules of the amount boxes and the colour number box, without any widget.

#include <QString>

#include <optional>

namespace common {

// The whole numbers a number box accepts and how it shows them: amounts
// -9,999,999,999..9,999,999,999 grouped as "##,###,###,###", colour numbers
// 0..999,999,999 as "#########". 0 shows as "0"; an empty box holds no value.
// While typing, every change of the text goes through edit(): a change that
// would leave something other than an optional leading minus and digits, or
// a value out of range, is refused; an accepted one is shown regrouped.
class AmountInput
{
public:
    AmountInput(qint64 minimum, qint64 maximum, bool grouped);
    static AmountInput amount();
    static AmountInput colourNumber();

    qint64 minimum() const { return m_minimum; }
    qint64 maximum() const { return m_maximum; }
    bool inRange(qint64 value) const { return value >= m_minimum && value <= m_maximum; }

    // The text of a value; "" for no value, "0" for zero.
    QString format(std::optional<qint64> value) const;

    // The value of a text as the box shows it (grouping commas allowed). No
    // value for an empty text or a lone minus, and for anything not accepted.
    std::optional<qint64> valueOf(const QString &text) const;

    // Checks a changed text and regroups it in place, moving `cursor` so that
    // it keeps its place among the digits. False: the change is refused.
    // Full-width digits and minus count as their ASCII forms; commas anywhere
    // are taken as grouping; leading zeros go. A lone "-" (and "-0") is kept
    // while typing: the minus waits for its digits.
    bool edit(QString &text, int &cursor) const;

private:
    qint64 m_minimum;
    qint64 m_maximum;
    bool m_grouped;
};

} // namespace common
