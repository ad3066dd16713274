#pragma once
// A period of days, both ends included.

#include <QDate>

namespace store {

struct Period
{
    QDate first;
    QDate last;

    bool isValid() const { return first.isValid() && last.isValid(); }
    bool contains(QDate day) const { return day >= first && day <= last; }

    // The calendar month that holds `day`.
    static Period monthOf(QDate day);
};

} // namespace store
