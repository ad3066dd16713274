#pragma once
// Today's date, replaceable in tests.

#include <QDate>

namespace common {

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
};

// The machine's local calendar date.
class SystemClock final : public Clock
{
public:
    QDate today() const override { return QDate::currentDate(); }
};

} // namespace common
