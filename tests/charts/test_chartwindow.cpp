// The chart window built offscreen: its bars and line, the ruled-line colour,
// labels that never run together at any scale, the room beside the outer
// bars, the picture it saves, its printing and its keys.

#include "charts/chartwindow.h"

#include "common/colour.h"
#include "common/formats.h"
#include "support/scaledrun.h"
#include "support/scriptedpresenter.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QImage>
#include <QLineSeries>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

using namespace Qt::StringLiterals;

namespace {

charts::ChartSeries aprilSeries()
{
    QList<store::JournalRecord> records;
    for (int day = 1; day <= 30; day += 3) {
        records.append({QDate(2024, 4, day), {day * 1000, day * 400, 5000, day * 100}, {}, {}});
    }
    return charts::dailySeries({QDate(2024, 4, 1), QDate(2024, 4, 30)}, records, common::kWestern);
}

// Every point of the period with sales and purchases, as the totals page's choice draws it.
charts::ChartSeries fullSeries(const store::Period &period, charts::PointKind kind, const QString &mode)
{
    if (kind == charts::PointKind::Day) {
        QList<store::JournalRecord> records;
        for (QDate day = period.first; day <= period.last; day = day.addDays(1)) {
            records.append({day, {90'000, 60'000, 1'000, 500}, {}, {}});
        }
        return charts::dailySeries(period, records, mode);
    }
    const store::Grouping grouping = kind == charts::PointKind::Month ? store::Grouping::Month : store::Grouping::Year;
    QList<store::SummaryRow> rows;
    for (QDate start(period.first.year(), period.first.month(), 1); start <= period.last;
         start = grouping == store::Grouping::Month ? start.addMonths(1) : start.addYears(1)) {
        rows.append({std::max(start, period.first), start, {2'000'000, 1'500'000, 100'000, 50'000}, 20});
    }
    return charts::summarySeries(period, grouping, rows, mode);
}

// The category axis under the points.
QCategoryAxis *pointAxis(const charts::ChartWindow &window)
{
    return qobject_cast<QCategoryAxis *>(window.chart()->axes(Qt::Horizontal).value(0));
}

} // namespace

class TestChartWindow : public QObject
{
    Q_OBJECT
private slots:
    void drawsEveryPointInTheRuledColour();
    void labelsNeverRunTogether_data();
    void labelsNeverRunTogether();
    void labelsNeverRunTogetherAtEveryScale();
    void outerBarsKeepClearOfTheAxes_data();
    void outerBarsKeepClearOfTheAxes();
    void savesAPicture();
    void printsAPage();
    void keys();
};

void TestChartWindow::drawsEveryPointInTheRuledColour()
{
    const charts::ChartSeries series = aprilSeries();
    const qint32 red = 0x0000FF; // BGR
    charts::ChartWindow window(series, QStringLiteral("heading"), red);
    QCOMPARE(window.windowTitle(), QStringLiteral("グラフ"));

    QChart *chart = window.chart();
    const auto bars = chart->series().at(0)->type() == QAbstractSeries::SeriesTypeBar
                          ? static_cast<QBarSeries *>(chart->series().at(0))
                          : nullptr;
    QVERIFY(bars);
    QCOMPARE(bars->count(), 2);
    QCOMPARE(bars->barSets().at(0)->label(), QStringLiteral("売上額"));
    QCOMPARE(bars->barSets().at(0)->count(), 30);
    QCOMPARE(bars->barSets().at(0)->at(3), 4000.0);
    QCOMPARE(bars->barSets().at(1)->at(3), 1600.0);
    const auto *line = qobject_cast<QLineSeries *>(chart->series().at(1));
    QVERIFY(line);
    // Straight from point to point: a spline would show balances between days
    // that never were, and overshoot.
    QCOMPARE(line->type(), QAbstractSeries::SeriesTypeLine);
    QCOMPARE(line->count(), 30);
    QCOMPARE(line->at(29).y(), double(series.points.last().balance));

    auto *points = qobject_cast<QCategoryAxis *>(chart->axes(Qt::Horizontal).value(0));
    QVERIFY(points);
    QCOMPARE(points->categoriesLabels().size(), series.labels.size());
    QCOMPARE(points->categoriesLabels().first(), QStringLiteral("2024/4/1"));
    QStringList titles;
    for (QAbstractAxis *axis : chart->axes(Qt::Vertical)) {
        titles << axis->titleText();
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("金額（円）"), QStringLiteral("差引累計（円）")}));

    QCOMPARE(chart->plotAreaBackgroundPen().color(), QColor(Qt::red));
    QCOMPARE(chart->axes(Qt::Vertical).first()->gridLinePen().color(), QColor(Qt::red));
    charts::ChartWindow blue(series, QString(), common::numberFromColour(QColor(0, 0, 255)));
    QCOMPARE(blue.chart()->plotAreaBackgroundPen().color(), QColor(Qt::blue));
}

void TestChartWindow::labelsNeverRunTogether_data()
{
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("width"); // of the window
    const struct
    {
        const char *name;
        QDate first;
        QDate last;
        charts::PointKind kind;
    } periods[] = {
        {"months, three years", QDate(2016, 1, 1), QDate(2018, 12, 31), charts::PointKind::Month},
        {"months, a year", QDate(2018, 4, 1), QDate(2019, 3, 31), charts::PointKind::Month},
        {"months over two eras", QDate(1987, 1, 1), QDate(1991, 12, 31), charts::PointKind::Month},
        {"months, ten years", QDate(2015, 4, 1), QDate(2025, 3, 31), charts::PointKind::Month},
        {"months, every year", QDate(1868, 9, 8), QDate(2099, 12, 31), charts::PointKind::Month},
        {"days, a month", QDate(2024, 4, 1), QDate(2024, 4, 30), charts::PointKind::Day},
        {"days, two months", QDate(2024, 4, 1), QDate(2024, 5, 31), charts::PointKind::Day},
        {"days, four months", QDate(2024, 4, 1), QDate(2024, 7, 31), charts::PointKind::Day},
        {"days, a year", QDate(2024, 1, 1), QDate(2024, 12, 31), charts::PointKind::Day},
        {"days, three years", QDate(2018, 1, 1), QDate(2020, 12, 31), charts::PointKind::Day},
        {"years, ten", QDate(2012, 1, 1), QDate(2021, 12, 31), charts::PointKind::Year},
        {"years, forty", QDate(1980, 1, 1), QDate(2019, 12, 31), charts::PointKind::Year},
        {"years, every year", QDate(1868, 9, 8), QDate(2099, 12, 31), charts::PointKind::Year},
    };
    for (const auto &period : periods) {
        for (const QString &mode : {common::kWestern, common::kEra}) {
            for (const int width : {960, 640}) {
                QTest::addRow("%s, %s, %d", period.name, qPrintable(mode), width)
                    << period.first << period.last << int(period.kind) << mode << width;
            }
        }
    }
}

// Measured as drawn: each label's text in the axis's label font, centred on
// the point the axis puts it at, against its neighbours'. Logical pixels on
// both sides, so the measure holds at any scale factor;
// labelsNeverRunTogetherAtEveryScale runs it again under each.
void TestChartWindow::labelsNeverRunTogether()
{
    QFETCH(QDate, first);
    QFETCH(QDate, last);
    QFETCH(int, kind);
    QFETCH(QString, mode);
    QFETCH(int, width);
    charts::ChartWindow window(fullSeries({first, last}, charts::PointKind(kind), mode), QStringLiteral("heading"), 0);
    window.resize(width, 620);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();

    QCategoryAxis *axis = pointAxis(window);
    QVERIFY(axis);
    const QStringList labels = axis->categoriesLabels();
    QVERIFY2(labels.size() >= 2, qPrintable(labels.join(u' ')));
    const double perPoint = window.chart()->plotArea().width() / (axis->max() - axis->min());
    const QFontMetricsF metrics(axis->labelsFont());
    const auto halfWidth = [&metrics](const QString &label) {
        double widest = 0;
        for (const QString &line : label.split(QStringLiteral("<br>"))) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
        }
        return widest / 2;
    };
    for (qsizetype n = 1; n < labels.size(); ++n) {
        const double rightOfLast = axis->endValue(labels.at(n - 1)) * perPoint + halfWidth(labels.at(n - 1));
        const double leftOfThis = axis->endValue(labels.at(n)) * perPoint - halfWidth(labels.at(n));
        // A couple of pixels of air, so that two labels never read as one.
        QVERIFY2(leftOfThis - rightOfLast >= 2, qPrintable(labels.at(n - 1) + u" | "_s + labels.at(n)));
    }
}

void TestChartWindow::labelsNeverRunTogetherAtEveryScale()
{
    if (testsupport::inScaledRun()) {
        QSKIP("run under a scale factor already");
    }
    for (const QString &scale : {u"1"_s, u"1.5"_s, u"2"_s}) {
        const QString failed =
            testsupport::failedScaledRun(scale, {u"labelsNeverRunTogether"_s, u"outerBarsKeepClearOfTheAxes"_s});
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }
}

void TestChartWindow::outerBarsKeepClearOfTheAxes_data()
{
    QTest::addColumn<QDate>("last");
    QTest::newRow("a day") << QDate(2024, 4, 1);
    QTest::newRow("a month") << QDate(2024, 4, 30);
    QTest::newRow("a year") << QDate(2025, 3, 31);
    QTest::newRow("three years") << QDate(2027, 3, 31);
}

// The purchases bar, right of each pair, found by its colour in the picture:
// the last one keeps clear of the right-hand axis by a hundredth of the plot
// and a few pixels at least.
void TestChartWindow::outerBarsKeepClearOfTheAxes()
{
    QFETCH(QDate, last);
    charts::ChartWindow window(fullSeries({QDate(2024, 4, 1), last}, charts::PointKind::Day, common::kWestern),
                               QStringLiteral("heading"), 0);
    window.resize(960, 620);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    const QImage picture = window.view()->grab().toImage();
    const double ratio = picture.devicePixelRatio();
    const QRectF plot = window.view()->mapFromScene(window.chart()->plotArea()).boundingRect();
    int rightmost = -1;
    for (int y = int((plot.top() + 2) * ratio); y < int((plot.bottom() - 2) * ratio); ++y) {
        for (int x = int(plot.left() * ratio); x < std::min<int>(picture.width(), int(plot.right() * ratio)); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c.red() - c.blue() > 30 && c.red() > c.green()) { // orange, or orange thinned by the white
                rightmost = std::max(rightmost, x);
            }
        }
    }
    QVERIFY(rightmost >= 0);
    const double clear = plot.right() - (rightmost + 1) / ratio;
    QVERIFY2(clear >= std::max(4.0, plot.width() / 125),
             qPrintable(u"%1 px clear of %2"_s.arg(clear).arg(plot.width())));
}

void TestChartWindow::savesAPicture()
{
    charts::ChartWindow window(aprilSeries(), QStringLiteral("heading"), 0);
    testsupport::ScriptedPresenter presenter;
    window.setPresenter(&presenter);
    window.resize(800, 500);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("グラフ.png"));
    QVERIFY(window.savePng(path));
    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), window.view()->size() * window.view()->devicePixelRatio());
    QVERIFY(presenter.shown.isEmpty());

    // A folder that does not exist: told, and nothing written.
    const QString nowhere = dir.filePath(QStringLiteral("ない/グラフ.png"));
    QVERIFY(!window.savePng(nowhere));
    QCOMPARE(presenter.shown.size(), 1);
    QVERIFY(presenter.shown.first().text.contains(QStringLiteral("保存できませんでした")));
    QVERIFY(!QFile::exists(nowhere));
}

void TestChartWindow::printsAPage()
{
    charts::ChartWindow window(aprilSeries(), QStringLiteral("heading"), 0);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("chart.pdf")));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    QVERIFY(window.printTo(printer));
    QFile pdf(printer.outputFileName());
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.readAll().startsWith("%PDF"));
}

void TestChartWindow::keys()
{
    charts::ChartWindow window(aprilSeries(), QStringLiteral("heading"), 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *save = window.findChild<QPushButton *>(QStringLiteral("cmd画像保存"));
    auto *print = window.findChild<QPushButton *>(QStringLiteral("cmd印刷"));
    auto *close = window.findChild<QPushButton *>(QStringLiteral("cmd閉じる"));
    QVERIFY(save && print && close);
    QCOMPARE(save->nextInFocusChain(), print);
    QCOMPARE(print->nextInFocusChain(), close);
    QVERIFY(close->text().contains(QStringLiteral("&C")));
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(TestChartWindow)
#include "test_chartwindow.moc"
