// The chart window built offscreen: its bars and line, the ruled-line colour,
// the picture it saves, its printing and its keys.

#include "charts/chartwindow.h"

#include "common/colour.h"
#include "common/formats.h"
#include "support/scriptedpresenter.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

namespace {

charts::ChartSeries aprilSeries()
{
    QList<store::JournalRecord> records;
    for (int day = 1; day <= 30; day += 3) {
        records.append({QDate(2024, 4, day), {day * 1000, day * 400, 5000, day * 100}, {}, {}});
    }
    return charts::dailySeries({QDate(2024, 4, 1), QDate(2024, 4, 30)}, records, common::kWestern);
}

} // namespace

class TestChartWindow : public QObject
{
    Q_OBJECT
private slots:
    void drawsEveryPointInTheRuledColour();
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
