// One desk of a shop on a shared server, as a separate program: saves its
// days, half of them days another desk saves too, each read first and written
// only as it was read (asked again when another desk changed it meanwhile),
// and runs totals over its own days. Prints one line per acknowledged write,
// "W date version-read version-written", and per totals run, "T ok" or "T differs …"; exits 1 on
// any failure it cannot explain.
//   serverdesk ADDRESS DESK DESKS DAYS TOTALS

#include "store/engines.h"

#include <QCoreApplication>
#include <QDate>
#include <QThread>

#include <cstdio>

using namespace store;

namespace {

// Desk d's own days, and the days it shares with desk d+1 (and d-1).
QDate ownDay(int desk, int n)
{
    return QDate(2001, 1, 1).addDays(desk * 1000 + n);
}

QDate sharedDay(int desk, int desks, int n)
{
    const int pair = (desk / 2) % std::max(1, desks / 2);
    return QDate(1990, 1, 1).addDays(pair * 1000 + n);
}

int fail(const QString &why)
{
    std::fprintf(stderr, "%s\n", qPrintable(why));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 6) {
        return fail(QStringLiteral("usage: serverdesk ADDRESS DESK DESKS DAYS TOTALS"));
    }
    const Location location = Location::onServer(arguments.at(1));
    const int desk = arguments.at(2).toInt();
    const int desks = arguments.at(3).toInt();
    const int days = arguments.at(4).toInt();
    const int totals = arguments.at(5).toInt();
    auto store = makeStore(location);
    if (const auto failure = store->open(location)) {
        return fail(failure->error.message);
    }
    int asked = 0;
    for (int n = 0; n < days; ++n) {
        const QDate day = n % 2 == 0 ? ownDay(desk, n / 2) : sharedDay(desk, desks, n / 2);
        const JournalRecord record{
            day, {desk * 100000 + n, {}, {}, {}}, QStringLiteral("机%1 %2").arg(desk).arg(n), {}};
        for (;;) {
            std::optional<JournalRecord> stored;
            Seen seen;
            if (DbError error = store->readDay(day, stored, seen)) {
                return fail(error.message);
            }
            if (n % 2 == 1) {
                QThread::msleep(2); // a user typing: the other desk may save the day meanwhile
            }
            WriteOutcome outcome;
            const DbError error = store->saveDay(record, Expected::as(seen), outcome);
            if (error.kind == DbErrorKind::Changed || error.kind == DbErrorKind::Busy) {
                ++asked; // the user is asked, reads the day again and saves
                continue;
            }
            if (error) {
                return fail(error.message);
            }
            std::printf("W %s %lld %lld\n", qPrintable(day.toString(Qt::ISODate)),
                        static_cast<long long>(seen ? seen->number : 0),
                        static_cast<long long>(outcome.now ? outcome.now->number : -1));
            break;
        }
        if (totals > 0 && n % std::max(1, days / totals) == 0) {
            // Only this desk writes its own days: the totals must be exactly them.
            const Period period{ownDay(desk, 0), ownDay(desk, days)};
            FillReport report;
            QList<WorkRow> rows;
            if (DbError error = store->fillWork(period, report);
                error || (error = store->workRows(0, days + 1, rows))) {
                return fail(error.message);
            }
            QList<QDate> journal;
            if (DbError error = store->forEachRecord(period, [&journal](const JournalRecord &r) {
                    journal.append(r.date);
                    return true;
                })) {
                return fail(error.message);
            }
            QList<QDate> totalled;
            for (const WorkRow &row : std::as_const(rows)) {
                totalled.append(row.date);
            }
            std::printf(totalled == journal ? "T ok\n" : "T differs %lld %lld\n",
                        static_cast<long long>(totalled.size()), static_cast<long long>(journal.size()));
        }
    }
    std::printf("A %d\n", asked);
    return 0;
}
