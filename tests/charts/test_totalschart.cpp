// グラフ on the totals page of the started main window: the period as 集計
// would take it, drawn per day or per month as the page's choice says, from
// the data files; an amount that cannot be read opens no chart.

#include "charts/chartwindow.h"

#include "app/startedwindow.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "ui/datebox.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The chart window the main window opened last; closing it deletes it. The
// window comes from the chart module, whose copy of the class is not this
// test's: it is known by its class name, and the two copies are one layout.
charts::ChartWindow *openedChart(QWidget *mainWindow)
{
    QWidget *last = nullptr;
    for (QWidget *child : mainWindow->findChildren<QWidget *>()) {
        if (QLatin1String(child->metaObject()->className()) == QLatin1String("charts::ChartWindow")) {
            last = child;
        }
    }
    return static_cast<charts::ChartWindow *>(last);
}

QList<qreal> salesBars(charts::ChartWindow *chart)
{
    const auto *bars = static_cast<QBarSeries *>(chart->chart()->series().at(0));
    QList<qreal> values;
    for (int i = 0; i < bars->barSets().at(0)->count(); ++i) {
        values << bars->barSets().at(0)->at(i);
    }
    return values;
}

} // namespace

class TestTotalsChart : public QObject
{
    Q_OBJECT
private slots:
    void opensTheChartOfThePeriod();
    void aChartModuleThatCannotBeLoadedIsTold();
};

void TestTotalsChart::opensTheChartOfThePeriod()
{
    testsupport::MainWindow w(QDate(2024, 4, 10));
    QVERIFY(w.start());
    for (const auto &[day, sales] : {std::pair{QDate(2024, 4, 2), 100}, std::pair{QDate(2024, 6, 3), 7}}) {
        QVERIFY(!w.session.store().saveDay({day, {sales, std::nullopt, 1, std::nullopt}, {}, {}}));
    }
    totals::TotalsPage *page = w.frm->totalsPage();
    auto *button = testsupport::control<QPushButton>(page, "cmdグラフ");

    // Empty period boxes: the month of today, as 集計 fills them in, day by day.
    button->click();
    charts::ChartWindow *chart = openedChart(w.frm.get());
    QVERIFY(chart);
    QCOMPARE(salesBars(chart).size(), 30);
    QCOMPARE(salesBars(chart).at(1), 100.0);
    QCOMPARE(testsupport::control<ui::DateBox>(page, "Dt終了")->value(), QDate(2024, 4, 30));
    delete chart;

    // 月別 over April to June.
    page->choose(store::Grouping::Month);
    testsupport::control<ui::DateBox>(page, "Dt終了")->setValue(QDate(2024, 6, 30));
    button->click();
    chart = openedChart(w.frm.get());
    QVERIFY(chart);
    QCOMPARE(salesBars(chart), (QList<qreal>{100, 0, 7}));
    QVERIFY(chart->chart()->title().contains(QStringLiteral("月別")));
    QVERIFY(w.presenter.shown.isEmpty());
    delete chart;

    // An amount another program stored as text opens no chart and names its day.
    QVERIFY(
        testsupport::execOn(w.mainPath(), QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, "
                                                         "日誌) values ('2024-05-15', 'abc', null, null, null, '')")));
    for (const std::optional<store::Grouping> grouping : {std::optional<store::Grouping>(), {store::Grouping::Month}}) {
        page->choose(grouping);
        w.presenter.shown.clear(); // the page's own summary of the period stops on the amount as well
        button->click();
        QVERIFY(!openedChart(w.frm.get()));
        QCOMPARE(w.presenter.shown.size(), 1);
        QVERIFY2(w.presenter.shown.takeFirst().text.contains(
                     QRegularExpression(QStringLiteral("2024.05.15日?\\s*の売上額"))),
                 "the day and the column are named");
    }
}

// Without its module the chart is refused with the reason, and the window goes
// on: the chart opens once the module is there again.
void TestTotalsChart::aChartModuleThatCannotBeLoadedIsTold()
{
    testsupport::MainWindow w(QDate(2024, 4, 10));
    QVERIFY(w.start());
    totals::TotalsPage *page = w.frm->totalsPage();
    auto *button = testsupport::control<QPushButton>(page, "cmdグラフ");
    const QByteArray kept = qgetenv("ZEPHRA_MODULE_DIR");
    QTemporaryDir empty;
    qputenv("ZEPHRA_MODULE_DIR", empty.path().toLocal8Bit());
    button->click();
    qputenv("ZEPHRA_MODULE_DIR", kept);
    QVERIFY(!openedChart(w.frm.get()));
    QCOMPARE(w.presenter.shown.size(), 1);
    const auto told = w.presenter.shown.takeFirst();
    QCOMPARE(told.title, QStringLiteral("グラフ"));
    QVERIFY2(told.text.contains(QStringLiteral("zephra-charts.so")) && told.text.contains(empty.path()),
             qPrintable(told.text));

    button->click();
    charts::ChartWindow *chart = openedChart(w.frm.get());
    QVERIFY(chart);
    QVERIFY(w.presenter.shown.isEmpty());
    delete chart;
}

QTEST_MAIN(TestTotalsChart)
#include "test_totalschart.moc"
