#pragma once
// Today's date, replaceable in tests.

#include <QDate>

#include <functional>

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

// A clock that always answers the date it was given.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDate date) : m_date(date) {}
    QDate today() const override { return m_date; }
    void set(QDate date) { m_date = date; }

private:
    QDate m_date;
};

} // namespace common
