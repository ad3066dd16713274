#pragma once
// A clock that always answers the date it was given.

#include "common/clock.h"

namespace testsupport {

class FixedClock final : public common::Clock
{
public:
    explicit FixedClock(QDate date) : m_date(date) {}
    QDate today() const override { return m_date; }
    void set(QDate date) { m_date = date; }

private:
    QDate m_date;
};

} // namespace testsupport
