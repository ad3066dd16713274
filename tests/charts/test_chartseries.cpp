// The values of a chart: bars, running balance and axis labels from the
// journal's days and from monthly and yearly summaries, in both calendar modes.

#include "charts/chartseries.h"

#include "common/formats.h"

#include <QSet>
#include <QTest>

using charts::AxisLabel;
using charts::ChartPoint;
using charts::PointKind;

namespace {

store::JournalRecord record(QDate date, store::Amount sales, store::Amount purchases, store::Amount in,
                            store::Amount out)
{
    return {date, {sales, purchases, in, out}, {}, {}};
}

store::SummaryRow row(QDate first, QDate last, store::Amount sales, store::Amount purchases, store::Amount in,
                      store::Amount out)
{
    return {first, last, {sales, purchases, in, out}, 1};
}

QStringList labelTexts(const QList<AxisLabel> &labels)
{
    QStringList texts;
    for (const AxisLabel &label : labels) {
        texts << label.text;
    }
    return texts;
}

} // namespace

class TestChartSeries : public QObject
{
    Q_OBJECT
private slots:
    void daysOfAMonth();
    void daysAcrossAnEraChange();
    void aYearOfDaysIsLabelledByMonth();
    void monthsOfTenYears();
    void yearsInBothModes();
    void amountScales_data();
    void amountScales();
    void periodsThatCannotBeDrawn();
};

void TestChartSeries::daysOfAMonth()
{
    const store::Period april{QDate(2024, 4, 1), QDate(2024, 4, 30)};
    const QList<store::JournalRecord> records = {
        record(QDate(2024, 4, 1), 1000, std::nullopt, 500, std::nullopt),
        record(QDate(2024, 4, 3), std::nullopt, 300, std::nullopt, 200),
        record(QDate(2024, 4, 30), 50, 0, 100, 400),
    };
    const charts::ChartSeries series = charts::dailySeries(april, records, common::kWestern);

    QCOMPARE(series.points.size(), 30);
    QCOMPARE(series.points.at(0), (ChartPoint{QDate(2024, 4, 1), 1000, 0, 500}));
    // A day without a record keeps the balance where it was.
    QCOMPARE(series.points.at(1), (ChartPoint{QDate(2024, 4, 2), 0, 0, 500}));
    QCOMPARE(series.points.at(2), (ChartPoint{QDate(2024, 4, 3), 0, 300, 300}));
    QCOMPARE(series.points.at(29), (ChartPoint{QDate(2024, 4, 30), 50, 0, 0}));

    // The 1st and the 五十日; the first names its year.
    QCOMPARE(series.labels.size(), 6);
    QCOMPARE(series.labels.at(0), (AxisLabel{0, QStringLiteral("2024/4/1")}));
    QCOMPARE(series.labels.at(1), (AxisLabel{4, QStringLiteral("4/5")}));
    QCOMPARE(series.labels.at(5), (AxisLabel{24, QStringLiteral("4/25")}));

    const charts::ChartSeries era = charts::dailySeries(april, records, common::kEra);
    QCOMPARE(era.points, series.points);
    QCOMPARE(era.labels.first().text, QStringLiteral("R6/4/1"));

    // A period starting just before a mark leaves its own first day unlabelled
    // rather than crowd two labels together; one starting further off names it.
    const charts::ChartSeries late = charts::dailySeries({QDate(2024, 4, 4), QDate(2024, 5, 3)}, {}, common::kWestern);
    QCOMPARE(late.labels.first(), (AxisLabel{1, QStringLiteral("2024/4/5")}));
    const charts::ChartSeries early =
        charts::dailySeries({QDate(2024, 3, 27), QDate(2024, 4, 25)}, {}, common::kWestern);
    QCOMPARE(labelTexts(early.labels).mid(0, 3),
             (QStringList{QStringLiteral("2024/3/27"), QStringLiteral("4/1"), QStringLiteral("4/5")}));
}

void TestChartSeries::daysAcrossAnEraChange()
{
    const store::Period period{QDate(2019, 4, 25), QDate(2019, 5, 10)};
    const charts::ChartSeries era = charts::dailySeries(period, {}, common::kEra);
    QCOMPARE(era.labels.size(), 16); // few enough days for every one to be named
    QCOMPARE(era.labels.at(0).text, QStringLiteral("H31/4/25"));
    QCOMPARE(era.labels.at(5).text, QStringLiteral("4/30"));
    QCOMPARE(era.labels.at(6).text, QStringLiteral("R1/5/1"));

    // The new year names its year.
    const store::Period newYear{QDate(2019, 12, 28), QDate(2020, 1, 3)};
    QCOMPARE(charts::dailySeries(newYear, {}, common::kEra).labels.at(4).text, QStringLiteral("R2/1/1"));
}

void TestChartSeries::aYearOfDaysIsLabelledByMonth()
{
    const store::Period year{QDate(2024, 1, 1), QDate(2024, 12, 31)};
    QList<store::JournalRecord> records;
    for (QDate day = year.first; day <= year.last; day = day.addDays(1)) {
        records << record(day, day.day(), std::nullopt, 1, std::nullopt);
    }
    const charts::ChartSeries series = charts::dailySeries(year, records, common::kWestern);
    QCOMPARE(series.points.size(), 366); // every day is drawn ...
    QCOMPARE(series.points.last().balance, 366);
    QCOMPARE(series.points.at(59).sales, 29); // 2/29
    QCOMPARE(series.labels.size(), 12);       // ... only the 1sts are named
    QCOMPARE(series.labels.at(1), (AxisLabel{31, QStringLiteral("2/1")}));

    // Over a year every label names its year, so that none repeats.
    const charts::ChartSeries longer =
        charts::dailySeries({QDate(2023, 3, 1), QDate(2024, 4, 15)}, {}, common::kWestern);
    const QStringList texts = labelTexts(longer.labels);
    QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), texts.size());
    QVERIFY(texts.contains(QStringLiteral("2023/4/1")));
    QVERIFY(texts.contains(QStringLiteral("2024/4/1")));
}

void TestChartSeries::monthsOfTenYears()
{
    const store::Period period{QDate(2015, 4, 10), QDate(2025, 3, 31)};
    const QList<store::SummaryRow> rows = {
        row(QDate(2015, 4, 10), QDate(2015, 4, 30), 100, 40, 30, std::nullopt),
        // May has no row: a month without records.
        row(QDate(2015, 6, 1), QDate(2015, 6, 30), std::nullopt, 70, std::nullopt, 50),
        row(QDate(2015, 7, 1), QDate(2015, 7, 31), 10, std::nullopt, std::nullopt, std::nullopt),
        row(QDate(2025, 3, 1), QDate(2025, 3, 31), 900, 800, 1000, 5),
    };
    const charts::ChartSeries series = charts::summarySeries(period, store::Grouping::Month, rows, common::kWestern);
    QCOMPARE(series.points.size(), 120);
    QCOMPARE(series.points.at(0), (ChartPoint{QDate(2015, 4, 10), 100, 40, 30}));
    QCOMPARE(series.points.at(1), (ChartPoint{QDate(2015, 5, 1), 0, 0, 30}));
    QCOMPARE(series.points.at(2), (ChartPoint{QDate(2015, 6, 1), 0, 70, -20}));
    QCOMPARE(series.points.at(3), (ChartPoint{QDate(2015, 7, 1), 10, 0, -20}));
    QCOMPARE(series.points.at(119), (ChartPoint{QDate(2025, 3, 1), 900, 800, 975}));

    // Each January; April lies too close before the first to be named as well.
    QCOMPARE(series.labels.size(), 10);
    QCOMPARE(series.labels.at(0), (AxisLabel{9, QStringLiteral("2016年1月")}));
    QCOMPARE(series.labels.at(9), (AxisLabel{117, QStringLiteral("2025年1月")}));

    const charts::ChartSeries era = charts::summarySeries(period, store::Grouping::Month, rows, common::kEra);
    QCOMPARE(era.points, series.points);
    QCOMPARE(era.labels.at(0).text, QStringLiteral("平成28年1月"));
    QCOMPARE(era.labels.at(3).text, QStringLiteral("平成31年1月"));
    QCOMPARE(era.labels.at(4).text, QStringLiteral("令和2年1月"));
}

void TestChartSeries::yearsInBothModes()
{
    const store::Period period{QDate(2018, 6, 1), QDate(2020, 12, 31)};
    const QList<store::SummaryRow> rows = {
        row(QDate(2018, 6, 1), QDate(2018, 12, 31), 5, 6, std::nullopt, 7),
        row(QDate(2020, 1, 1), QDate(2020, 12, 31), 1, 2, 30, std::nullopt),
        row(QDate(2030, 1, 1), QDate(2030, 12, 31), 1, 1, 1, 1), // outside the period: not drawn
    };
    const charts::ChartSeries western = charts::summarySeries(period, store::Grouping::Year, rows, common::kWestern);
    QCOMPARE(western.points,
             (QList<ChartPoint>{
                 {QDate(2018, 6, 1), 5, 6, -7}, {QDate(2019, 1, 1), 0, 0, -7}, {QDate(2020, 1, 1), 1, 2, 23}}));
    QCOMPARE(labelTexts(western.labels),
             (QStringList{QStringLiteral("2018年"), QStringLiteral("2019年"), QStringLiteral("2020年")}));
    const charts::ChartSeries era = charts::summarySeries(period, store::Grouping::Year, rows, common::kEra);
    QCOMPARE(labelTexts(era.labels), (QStringList{QStringLiteral("平成30年"), QStringLiteral("平成31年・令和1年"),
                                                  QStringLiteral("令和2年")}));

    // Eleven years and more: the even ones named.
    const charts::ChartSeries many =
        charts::summarySeries({QDate(2001, 1, 1), QDate(2020, 12, 31)}, store::Grouping::Year, {}, common::kWestern);
    QCOMPARE(many.points.size(), 20);
    QCOMPARE(many.labels.size(), 10);
    QCOMPARE(many.labels.first(), (AxisLabel{1, QStringLiteral("2002年")}));
}

void TestChartSeries::amountScales_data()
{
    QTest::addColumn<qint64>("low");
    QTest::addColumn<qint64>("high");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<int>("ticks");
    QTest::newRow("nothing") << qint64(0) << qint64(0) << 0.0 << 1.0 << 2;
    QTest::newRow("tens of millions") << qint64(150'000) << qint64(91'000'000) << 0.0 << 100'000'000.0 << 6;
    QTest::newRow("below zero") << qint64(-1'200) << qint64(9'000) << -2'500.0 << 10'000.0 << 6;
    QTest::newRow("only below zero") << qint64(-30) << qint64(-10) << -30.0 << 0.0 << 4;
}

void TestChartSeries::amountScales()
{
    QFETCH(qint64, low);
    QFETCH(qint64, high);
    const charts::AxisScale scale = charts::amountScale(low, high);
    QTEST(scale.low, "from");
    QTEST(scale.high, "to");
    QTEST(scale.ticks, "ticks");
}

void TestChartSeries::periodsThatCannotBeDrawn()
{
    QVERIFY(!charts::periodProblem({QDate(), QDate(2024, 1, 1)}, PointKind::Month).isEmpty());
    QVERIFY(!charts::periodProblem({QDate(2024, 2, 1), QDate(2024, 1, 1)}, PointKind::Year).isEmpty());
    QVERIFY(charts::periodProblem({QDate(2024, 1, 1), QDate(2026, 12, 31)}, PointKind::Day).isEmpty());
    QVERIFY(!charts::periodProblem({QDate(2024, 1, 1), QDate(2027, 1, 1)}, PointKind::Day).isEmpty());
    QVERIFY(charts::periodProblem({QDate(1900, 1, 1), QDate(2099, 12, 31)}, PointKind::Month).isEmpty());
    QVERIFY(charts::dailySeries({QDate(2024, 2, 1), QDate(2024, 1, 1)}, {}, common::kWestern).points.isEmpty());
}

QTEST_GUILESS_MAIN(TestChartSeries)
#include "test_chartseries.moc"
