// The journal summed per month and per year: the groups of a period against
// the daily records they sum, and the rows a summary will not count.
// The file engine's own cases (rows planted and files damaged by hand); what
// every engine promises is in test_contract.cpp.

#include "store/store.h"
#include "support/openstore.h"
#include "support/sqlfile.h"
#include "support/tempdata.h"

#include <QRandomGenerator>
#include <QTest>

#include <map>

using namespace store;
using namespace Qt::StringLiterals;

namespace {

// What a summary must give, worked out from the daily records themselves.
QList<SummaryRow> expectedRows(const std::map<QDate, Amounts> &journal, const Period &period, Grouping grouping)
{
    QList<SummaryRow> rows;
    for (auto it = journal.lower_bound(period.first); it != journal.end() && it->first <= period.last; ++it) {
        const QDate day = it->first;
        const QDate start = grouping == Grouping::Month ? QDate(day.year(), day.month(), 1) : QDate(day.year(), 1, 1);
        if (rows.isEmpty() || rows.last().first < start) {
            const QDate end =
                grouping == Grouping::Month ? start.addMonths(1).addDays(-1) : start.addYears(1).addDays(-1);
            rows.append(SummaryRow{std::max(start, period.first), std::min(end, period.last), {}, 0});
        }
        SummaryRow &row = rows.last();
        for (const AmountColumn column : kAmountColumns) {
            if (it->second[column]) {
                row.sums[column] = row.sums[column].value_or(0) + *it->second[column];
            }
        }
        ++row.days;
    }
    return rows;
}

QString shown(const QList<SummaryRow> &rows)
{
    QStringList lines;
    for (const SummaryRow &row : rows) {
        QStringList parts{row.first.toString(Qt::ISODate), row.last.toString(Qt::ISODate)};
        for (const AmountColumn column : kAmountColumns) {
            parts << (row.sums[column] ? QString::number(*row.sums[column]) : u"-"_s);
        }
        parts << QString::number(row.days);
        lines << parts.join(u' ');
    }
    return lines.join(u'\n');
}

} // namespace

class TestSummary : public QObject
{
    Q_OBJECT

private slots:
    void groupsSumTheirDays();
    void refusedAndLeftOutRows();
};

void TestSummary::groupsSumTheirDays()
{
    testsupport::TempData data;
    std::optional<OpenFailure> failure;
    const auto store = testsupport::openStore(data.folder(), failure);
    QVERIFY(data.ok() && store);

    // About one day in three from 1988 to 2025, amounts anywhere in the boxes'
    // range, some none: the leap days, 昭和→平成 and 平成→令和 lie inside.
    QRandomGenerator random(20240229);
    std::map<QDate, Amounts> journal;
    const auto amount = [&]() -> Amount {
        switch (random.bounded(4)) {
        case 0:
            return std::nullopt;
        case 1:
            return random.bounded(-common::kAmountLimit, common::kAmountLimit + 1);
        default:
            return random.bounded(qint64(-5000), qint64(100000));
        }
    };
    for (QDate day(1988, 1, 1); day <= QDate(2025, 12, 31); day = day.addDays(1)) {
        if (random.bounded(3) == 0 || day == QDate(2024, 2, 29) || day == QDate(1989, 1, 7) ||
            day == QDate(1989, 1, 8)) {
            journal[day] = Amounts{amount(), amount(), amount(), amount()};
        }
    }
    const DbError written = store->inTransaction([&]() -> DbError {
        for (const auto &[day, amounts] : journal) {
            if (DbError error = store->saveDay(JournalRecord{day, amounts, u"日誌"_s, {}})) {
                return error;
            }
        }
        return {};
    });
    QVERIFY2(written.ok(), qPrintable(written.message));

    QList<Period> periods{{QDate(2024, 2, 29), QDate(2024, 3, 1)},   {QDate(1989, 1, 7), QDate(1989, 1, 8)},
                          {QDate(2019, 4, 30), QDate(2019, 5, 1)},   {QDate(1988, 1, 1), QDate(2025, 12, 31)},
                          {QDate(1987, 12, 31), QDate(1988, 1, 1)},  {QDate(2030, 1, 1), QDate(2030, 12, 31)},
                          {QDate(2023, 12, 31), QDate(2024, 12, 31)}};
    for (int n = 0; n < 40; ++n) {
        const QDate first = QDate(1987, 6, 1).addDays(random.bounded(14000));
        periods.append({first, first.addDays(random.bounded(n % 2 ? 100 : 3000))});
    }
    for (const Period &period : std::as_const(periods)) {
        for (const Grouping grouping : {Grouping::Month, Grouping::Year}) {
            QList<SummaryRow> rows;
            const DbError error = store->summarise(period, grouping, rows);
            QVERIFY2(error.ok(), qPrintable(error.message));
            const QString what = period.first.toString(Qt::ISODate) + u" – "_s + period.last.toString(Qt::ISODate);
            QVERIFY2(shown(rows) == shown(expectedRows(journal, period, grouping)), qPrintable(what));
        }
    }
}

void TestSummary::refusedAndLeftOutRows()
{
    testsupport::TempData data;
    std::optional<OpenFailure> failure;
    const auto store = testsupport::openStore(data.folder(), failure);
    QVERIFY(data.ok() && store);
    testsupport::SqlFile journal(data.mainPath());
    // A day that does not exist and a date in another form are left out, as
    // the totals run leaves them out.
    QVERIFY(journal.exec(
        u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-01', 100, NULL, 5, NULL, "
        u"NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-31', 7, 7, 7, 7, NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007/4/15', 9, 9, 9, 9, NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-05-02', -30, 1, NULL, 8, NULL)"_s));
    const Period period{QDate(2007, 1, 1), QDate(2007, 12, 31)};
    QList<SummaryRow> rows;
    QVERIFY(store->summarise(period, Grouping::Year, rows).ok());
    FillReport report;
    QVERIFY(store->fillWork(period, report).ok());
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].sums, report.sums);
    QCOMPARE(rows[0].days, qint64(report.copied));
    QCOMPARE(rows[0].balance(), Amount(-3));

    // An amount that is no whole number within the range stops the summary
    // with its day and column instead of counting as 0.
    QVERIFY(journal.exec(
        u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-06-10', 1, 2, 'abc', 4, "
        u"NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-08-10', 1.5, 2, 3, 4, NULL)"_s));
    for (const Grouping grouping : {Grouping::Month, Grouping::Year}) {
        const DbError error = store->summarise(period, grouping, rows);
        QCOMPARE(error.number, int(ErrBadValue));
        QVERIFY2(error.message.contains(u"2007/06/10 の入金額「abc」"_s), qPrintable(error.message));
        QVERIFY(rows.isEmpty());
    }
    // Outside the period they do not matter.
    QVERIFY(store->summarise({QDate(2007, 4, 1), QDate(2007, 5, 31)}, Grouping::Month, rows).ok());
    QCOMPARE(rows.size(), 2);
}

QTEST_GUILESS_MAIN(TestSummary)
#include "test_summary.moc"
