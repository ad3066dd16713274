// A chart opened over real data files: the days and the months of a period
// as the store gives them, and the periods and amounts that open no chart.

#include "charts/chartwindow.h"

#include "common/formats.h"
#include "support/openstore.h"
#include "support/scriptedpresenter.h"
#include "support/sqlfile.h"
#include "support/tempdata.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QRegularExpression>
#include <QTest>

class TestChartData : public QObject
{
    Q_OBJECT
private slots:
    void opensTheStoredPeriod();
};

void TestChartData::opensTheStoredPeriod()
{
    testsupport::TempData data;
    QVERIFY(data.ok());
    std::optional<store::OpenFailure> failure;
    auto store = testsupport::openStore(data.folder(), failure);
    QVERIFY(store);
    for (const auto &[day, sales, in] : {std::tuple{QDate(2024, 3, 31), 7, 7}, std::tuple{QDate(2024, 4, 2), 100, 40},
                                         std::tuple{QDate(2024, 4, 30), 5, 0}, std::tuple{QDate(2024, 6, 1), 20, 1}}) {
        QVERIFY(!store->saveDay({day, {sales, std::nullopt, in, std::nullopt}, {}, {}}));
    }
    testsupport::ScriptedPresenter presenter;
    const store::Period april{QDate(2024, 4, 1), QDate(2024, 4, 30)};

    // Days: every day of April, the records in their places, March left out.
    auto *days = charts::showChart(*store, april, charts::PointKind::Day, common::kWestern, 0, presenter, nullptr);
    QVERIFY(days);
    auto *bars = static_cast<QBarSeries *>(days->chart()->series().at(0));
    QCOMPARE(bars->barSets().at(0)->count(), 30);
    QCOMPARE(bars->barSets().at(0)->at(1), 100.0);
    QCOMPARE(bars->barSets().at(0)->at(29), 5.0);
    QCOMPARE(static_cast<QLineSeries *>(days->chart()->series().at(1))->at(29).y(), 40.0);
    days->close(); // deletes itself

    // Months through the store's summary: May, without a record, still drawn.
    const store::Period spring{QDate(2024, 4, 1), QDate(2024, 6, 30)};
    auto *months = charts::showChart(*store, spring, charts::PointKind::Month, common::kEra, 0, presenter, nullptr);
    QVERIFY(months);
    bars = static_cast<QBarSeries *>(months->chart()->series().at(0));
    QCOMPARE(bars->barSets().at(0)->count(), 3);
    QCOMPARE(bars->barSets().at(0)->at(0), 105.0);
    QCOMPARE(bars->barSets().at(0)->at(1), 0.0);
    QCOMPARE(bars->barSets().at(0)->at(2), 20.0);
    delete months;
    QVERIFY(presenter.shown.isEmpty());

    // A period the wrong way round opens nothing and says why.
    QVERIFY(!charts::showChart(*store, {april.last, april.first}, charts::PointKind::Day, common::kWestern, 0,
                               presenter, nullptr));
    QCOMPARE(presenter.shown.size(), 1);

    // An amount another program stored as text stops the chart with its day.
    QVERIFY(testsupport::execOn(
        data.mainPath(), QStringLiteral("insert into 業務日誌 values ('2024-04-15', 'abc', null, null, null, '')")));
    for (const charts::PointKind kind : {charts::PointKind::Day, charts::PointKind::Month}) {
        QVERIFY(!charts::showChart(*store, april, kind, common::kWestern, 0, presenter, nullptr));
        QVERIFY2(presenter.shown.last().text.contains(QRegularExpression(QStringLiteral("2024.04.15日?\\s*の売上額"))),
                 qPrintable(presenter.shown.last().text));
    }
}

QTEST_MAIN(TestChartData)
#include "test_chartdata.moc"
