#pragma once
// The journal records that crashwriter registers, derived from the run number
// and the date alone, so that the crash test can recompute what was written.

#include <QDate>
#include <QString>

#include <optional>

namespace testsupport::crash {

struct Record
{
    QDate day;
    qint64 sales = 0;
    qint64 purchases = 0;
    qint64 moneyIn = 0;
    std::optional<qint64> moneyOut; // nothing: an emptied box, stored as Null
    QString memo;

    bool operator==(const Record &) const = default;
};

inline constexpr int kDaysInWindow = 400;

// The `index`-th date that run `run` registers. Runs start 13 days apart in a
// window of 400 days, so later runs overwrite the records of earlier ones as
// well as adding new ones.
inline QDate dayOf(int run, int index)
{
    return QDate(2007, 1, 1).addDays((qint64(run) * 13 + index) % kDaysInWindow);
}

inline Record recordOf(QDate day, int run)
{
    Record r;
    r.day = day;
    r.sales = (day.toJulianDay() % 100000) * 100000 + run; // past 32 bits, near the upper limit
    r.purchases = -(qint64(day.dayOfYear()) * 1000 + run);
    r.moneyIn = qint64(run) * 1000003 + day.day();
    if ((day.day() + run) % 4 != 0) {
        r.moneyOut = qint64(day.month()) * run;
    }
    QString memo = day.toString(QStringLiteral("yyyy年M月d日")) + QStringLiteral("（第%1回）").arg(run);
    while (memo.size() < 200) {
        memo += QStringLiteral("晴れ。午前は来客が多く、午後は在庫の棚卸し。明日は仕入先と打合せ。\n");
    }
    memo.truncate(200);
    r.memo = memo;
    return r;
}

} // namespace testsupport::crash
