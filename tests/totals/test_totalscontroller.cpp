// The totals commands without a display, on real files through the real
// store: the period filled in, the copy into w集計 and its sums, what a run
// tells and in which calendar, a summary and what a print of it reports.

#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "support/verifyok.h"
#include "totals/totalscontroller.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The journal the fill-in cases run over; row i has sales 2^i, so a sum
// tells exactly which days were counted.
const QStringList kJournalDays = {u"2004-01-31"_s, u"2004-02-01"_s, u"2004-02-29"_s, u"2004-03-01"_s, u"2004-03-31"_s,
                                  u"2004-04-01"_s, u"2004-04-15"_s, u"2004-04-30"_s, u"2004-05-01"_s};

qint64 flagOf(const QString &day)
{
    return qint64(1) << kJournalDays.indexOf(day);
}

} // namespace

class TestTotalsController : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillsInThePeriod_data();
    void fillsInThePeriod();
    void amountThatIsNoNumberStopsTheRun();
    void triggersOfTheWorkFileDoNotReachTheTotals();
    void daysLeftOutAreCountedAndTold();
    void periodIsToldInTheCalendarShown();
    void summaryIsWhatAPrintReports();

private:
    // A journal row as another program writes it: `values` is the SQL of the
    // date and the four amounts.
    void addJournal(const QString &values) const
    {
        QVERIFY(testsupport::execOn(m_env->data.mainPath(),
                                    u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額) values ("_s + values +
                                        u")"_s));
    }
    // The sums the last workShown carried.
    std::optional<store::Sums> lastSums() const;
    QStringList workDays() const;

    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<totals::TotalsController> m_controller;
    std::unique_ptr<QSignalSpy> m_workShown;
};

void TestTotalsController::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_controller = std::make_unique<totals::TotalsController>(*m_env->store, m_env->msg, m_env->clock);
    m_workShown = std::make_unique<QSignalSpy>(m_controller.get(), &totals::TotalsController::workShown);
}

void TestTotalsController::cleanup()
{
    m_workShown.reset();
    m_controller.reset();
    m_env.reset();
}

std::optional<store::Sums> TestTotalsController::lastSums() const
{
    if (m_workShown->isEmpty()) {
        qWarning("the work table was not shown");
        return std::nullopt;
    }
    return m_workShown->last().at(0).value<std::optional<store::Sums>>();
}

QStringList TestTotalsController::workDays() const
{
    QList<store::WorkRow> rows;
    if (m_env->store->workRows(0, 100'000, rows)) {
        return {u"unreadable"_s};
    }
    QStringList days;
    for (const store::WorkRow &row : std::as_const(rows)) {
        days << (row.date.isValid() ? row.date.toString(Qt::ISODate) : row.storedDate);
    }
    return days;
}

void TestTotalsController::fillsInThePeriod_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QDate>("expectedStart");
    QTest::addColumn<QDate>("expectedEnd");
    QTest::addColumn<QStringList>("expectedDays");

    QTest::newRow("both empty: today's month, leap February")
        << QDate(2004, 2, 15) << QDate() << QDate() << QDate(2004, 2, 1) << QDate(2004, 2, 29)
        << QStringList{u"2004-02-01"_s, u"2004-02-29"_s};
    QTest::newRow("end empty: the end of the start's month")
        << QDate(2007, 4, 4) << QDate(2004, 4, 15) << QDate() << QDate(2004, 4, 15) << QDate(2004, 4, 30)
        << QStringList{u"2004-04-15"_s, u"2004-04-30"_s};
    QTest::newRow("start empty: first of today's month, after the end")
        << QDate(2004, 4, 10) << QDate() << QDate(2004, 3, 31) << QDate(2004, 4, 1) << QDate(2004, 3, 31)
        << QStringList{};
    QTest::newRow("both given: used as they are, both ends included")
        << QDate(2004, 2, 15) << QDate(2004, 3, 1) << QDate(2004, 4, 15) << QDate(2004, 3, 1) << QDate(2004, 4, 15)
        << QStringList{u"2004-03-01"_s, u"2004-03-31"_s, u"2004-04-01"_s, u"2004-04-15"_s};
}

void TestTotalsController::fillsInThePeriod()
{
    QFETCH(QDate, today);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QDate, expectedStart);
    QFETCH(QDate, expectedEnd);
    QFETCH(QStringList, expectedDays);

    // Stored out of date order, so that the order of the copy is the query's.
    for (qsizetype i = kJournalDays.size() - 1; i >= 0; --i) {
        const QString &day = kJournalDays[i];
        addJournal(u"'%1', %2, %3, 3, 0"_s.arg(day).arg(flagOf(day)).arg(-flagOf(day)));
    }
    // A run left over from before, which the new one replaces.
    store::FillReport before;
    QVERIFY(!m_env->store->fillWork(store::Period::monthOf(QDate(2004, 5, 1)), before));
    QCOMPARE(workDays().size(), 1);

    m_env->clock.set(today);
    QSignalSpy filled(m_controller.get(), &totals::TotalsController::periodFilled);
    m_controller->run(start.isValid() ? std::optional(start) : std::nullopt,
                      end.isValid() ? std::optional(end) : std::nullopt, std::nullopt);

    QCOMPARE(filled.size(), 1);
    QCOMPARE(filled[0][0].toDate(), expectedStart);
    QCOMPARE(filled[0][1].toDate(), expectedEnd);
    QCOMPARE(workDays(), expectedDays);
    qint64 expectedFlags = 0;
    for (const QString &day : expectedDays) {
        expectedFlags += flagOf(day);
    }
    const std::optional<store::Sums> sums = lastSums();
    QVERIFY(sums);
    QCOMPARE(sums->sales.value_or(0), expectedFlags);
    QCOMPARE(sums->purchases.value_or(0), -expectedFlags);
    QCOMPARE(sums->moneyIn.value_or(0), qint64(3 * expectedDays.size()));
    QCOMPARE(sums->moneyOut.value_or(0), qint64(0));
    QVERIFY(m_env->presenter.shown.isEmpty());
}

void TestTotalsController::amountThatIsNoNumberStopsTheRun()
{
    addJournal(u"'2004-04-01', 10, 20, 30, 40"_s);
    addJournal(u"'2004-04-02', 'abc', 1, 1, 1"_s);
    m_controller->run(QDate(2004, 4, 1), std::nullopt, std::nullopt);
    QVERIFY(workDays().isEmpty());
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QVERIFY2(m_env->presenter.shown[0].text.contains(
                 u"2004年04月02日 の売上額「abc」は金額として読めません。日誌の画面で直して登録してください"_s),
             qPrintable(m_env->presenter.shown[0].text));
    // The grid lists the emptied table, with no sums to show but zeros.
    QCOMPARE(lastSums(), std::optional(store::Sums{}));
}

// The work file's table is no longer the program's: a trigger another
// program put on it (here one that would make every sum overflow) changes
// neither the rows listed nor their sums, and the file's table stays empty.
void TestTotalsController::triggersOfTheWorkFileDoNotReachTheTotals()
{
    QVERIFY(testsupport::execOn(m_env->data.workPath(),
                                u"create trigger huge after insert on w集計 begin "
                                "update w集計 set 売上額 = 9223372036854775807 where rowid = new.rowid; end"_s));
    addJournal(u"'2004-04-01', 1, 1, 1, 1"_s);
    addJournal(u"'2004-04-02', 1, 1, 1, 1"_s);
    m_controller->run(QDate(2004, 4, 1), std::nullopt, std::nullopt);
    QCOMPARE(workDays().size(), 2);
    QCOMPARE(lastSums(), std::optional(store::Sums{2, 2, 2, 2}));
    QCOMPARE(testsupport::countOn(m_env->data.workPath(), u"w集計"_s), 0);
    QVERIFY(m_env->presenter.shown.isEmpty());
}

void TestTotalsController::daysLeftOutAreCountedAndTold()
{
    addJournal(u"'2004-04-01', 100, 0, 0, 0"_s);
    addJournal(u"'2004/04/05', 7, 0, 0, 0"_s);  // another form, inside the period
    addJournal(u"'2004-05-00', 9, 0, 0, 0"_s);  // no day, sorts inside the period
    addJournal(u"'2004/06/01', 11, 0, 0, 0"_s); // another form, outside the period
    addJournal(u"'いつか', 13, 0, 0, 0"_s);     // no date at all
    const QStringList journal = testsupport::rowsOf(m_env->data.mainPath(), u"業務日誌"_s);
    m_controller->run(QDate(2004, 4, 1), QDate(2004, 5, 31), std::nullopt);

    QCOMPARE(workDays(), QStringList{u"2004-04-01"_s});
    QCOMPARE(lastSums()->sales, std::optional<qint64>(100));
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].title, u"集計に含めていない日誌"_s);
    QCOMPARE(m_env->presenter.shown[0].text,
             u"期間 2004年04月01日 ～ 2004年05月31日 の集計に含めていない日誌があります。\n"
             "日付が正しい形で保存されていない日誌: 2 日分\n"
             "日付を読めない日誌（期間の内外は不明）: 1 日分\n\n"
             "合計はこれらの日を含みません。日誌のデータは変更していません。"_s);
    QCOMPARE(testsupport::rowsOf(m_env->data.mainPath(), u"業務日誌"_s), journal);
}

// The period in a notice reads as the date boxes show it; back on 日別 a
// notice names the period of the run the work table holds.
void TestTotalsController::periodIsToldInTheCalendarShown()
{
    m_controller->setCalendarMode(u"和暦"_s);
    addJournal(u"'2004-04-01', 9999999999, 1, -9999999999, 0"_s);
    addJournal(u"'2004-04-02', 9999999999, 1, -1, 0"_s);
    m_controller->run(QDate(2004, 4, 1), std::nullopt, std::nullopt);
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].title, u"集計できませんでした"_s);
    QVERIFY2(m_env->presenter.shown[0].text.startsWith(
                 u"期間 平成 16年04月01日 ～ 平成 16年04月30日 の 売上額の合計 19,999,999,998、入金額の合計 "_s),
             qPrintable(m_env->presenter.shown[0].text));

    m_controller->run(QDate(2004, 6, 1), QDate(2004, 6, 30), store::Grouping::Month);
    QCOMPARE(m_env->presenter.shown.size(), 1);
    m_controller->showWork();
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QVERIFY(m_env->presenter.shown[1].text.startsWith(u"期間 平成 16年04月01日 ～ 平成 16年04月30日 の "_s));

    // After クリア the work table belongs to no run.
    m_controller->clear();
    m_controller->showWork();
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QCOMPARE(lastSums(), std::optional(store::Sums{}));
}

// A month summary is shown with its total, and a print while it is shown
// reports its rows; 日別 and クリア leave none to report.
void TestTotalsController::summaryIsWhatAPrintReports()
{
    VERIFY_OK(m_env->store->saveDay({QDate(2004, 4, 1), {10, 1, 5, 2}, QString(), {}}));
    VERIFY_OK(m_env->store->saveDay({QDate(2004, 4, 20), {20, std::nullopt, 5, 1}, QString(), {}}));
    VERIFY_OK(m_env->store->saveDay({QDate(2004, 5, 3), {7, 1, 1, 1}, QString(), {}}));
    QSignalSpy summary(m_controller.get(), &totals::TotalsController::summaryShown);
    m_controller->run(QDate(2004, 4, 1), QDate(2004, 5, 31), store::Grouping::Month);
    QCOMPARE(summary.size(), 1);
    QCOMPARE(m_workShown->size(), 0); // a summary leaves the work table as it is
    const auto rows = summary[0][1].value<QList<store::SummaryRow>>();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].days, 2);
    QCOMPARE(rows[0].sums.sales, std::optional<qint64>(30));
    const auto total = summary[0][2].value<std::optional<store::SummaryRow>>();
    QVERIFY(total);
    QCOMPARE(total->days, 3);
    QCOMPARE(total->sums.sales, std::optional<qint64>(37));

    common::TotalsValues values;
    values.startText = u"2004年04月01日"_s;
    const totals::TotalsReport report = m_controller->report(values, store::Grouping::Month);
    QCOMPARE(report.grouping, std::optional(store::Grouping::Month));
    QCOMPARE(report.rows, rows);
    QCOMPARE(report.values.startText, values.startText);
    QVERIFY(m_controller->report(values, std::nullopt).rows.isEmpty());

    m_controller->clear();
    QVERIFY(m_controller->report(values, store::Grouping::Month).rows.isEmpty());
    QVERIFY(m_env->presenter.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TestTotalsController)
#include "test_totalscontroller.moc"
