// Pictures of the chart window for looking at, written as <prefix>chart-*.png
// into the folder given: a month of days and ten years of months, in both
// calendar modes, three years of months in the era calendar, and the ten years
// printed to a PDF page.
// QT_QPA_PLATFORM=offscreen chart_shots /tmp/shots [prefix]

#include "charts/chartwindow.h"

#include "common/formats.h"
#include "ui/platform.h"

#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QPrinter>
#include <QTextStream>

#include <cmath>

namespace {

// A journal that varies by day: sales on working days, purchases twice a month.
QList<store::JournalRecord> sampleDays(const store::Period &period)
{
    QList<store::JournalRecord> records;
    for (QDate day = period.first; day <= period.last; day = day.addDays(1)) {
        if (day.dayOfWeek() >= 6) {
            continue;
        }
        const qint64 sales = 80'000 + 40'000 * qint64(std::lround(std::sin(day.day() / 3.0) * 10)) / 10;
        const store::Amount purchases = day.day() % 15 == 0 ? store::Amount(520'000) : std::nullopt;
        records.append({day, {sales, purchases, sales - 5'000, day.day() % 10 == 0 ? 300'000 : 12'000}, {}, {}});
    }
    return records;
}

QList<store::SummaryRow> sampleMonths(const store::Period &period)
{
    QList<store::SummaryRow> rows;
    int n = 0;
    for (QDate month = period.first; month <= period.last; month = month.addMonths(1), ++n) {
        const qint64 sales = 2'000'000 + 600'000 * std::sin(n / 2.0) + 10'000 * n;
        const qint64 purchases = 1'500'000 + 400'000 * std::cos(n / 3.0);
        rows.append(
            {month, month.addMonths(1).addDays(-1), {sales, purchases, sales - 200'000, purchases + 150'000}, 22});
    }
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFont font = QApplication::font();
    font.setFamilies(ui::uiFontFamilies());
    font.setPointSize(9);
    QApplication::setFont(font);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const QString prefix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    folder.mkpath(QStringLiteral("."));

    const store::Period month{QDate(2024, 4, 1), QDate(2024, 4, 30)};
    const store::Period tenYears{QDate(2015, 4, 1), QDate(2025, 3, 31)};
    const store::Period yearOfDays{QDate(2024, 1, 1), QDate(2024, 12, 31)};
    struct Shot
    {
        QString name;
        charts::ChartSeries series;
        store::Period period;
        QString mode;
    };
    QList<Shot> shots;
    for (const QString &mode : {common::kWestern, common::kEra}) {
        const QString suffix = common::isWestern(mode) ? QStringLiteral("western") : QStringLiteral("era");
        shots.append(
            {QStringLiteral("chart-days-") + suffix, charts::dailySeries(month, sampleDays(month), mode), month, mode});
        shots.append({QStringLiteral("chart-months-") + suffix,
                      charts::summarySeries(tenYears, store::Grouping::Month, sampleMonths(tenYears), mode), tenYears,
                      mode});
    }
    // Three years of months, where the era's month names once ran together.
    const store::Period threeYears{QDate(2016, 1, 1), QDate(2018, 12, 31)};
    shots.append({QStringLiteral("chart-months-three-years-era"),
                  charts::summarySeries(threeYears, store::Grouping::Month, sampleMonths(threeYears), common::kEra),
                  threeYears, common::kEra});
    const store::Period years{QDate(2012, 1, 1), QDate(2021, 12, 31)};
    QList<store::SummaryRow> yearRows;
    for (int year = 2012; year <= 2021; ++year) {
        const qint64 sales = 24'000'000 + 1'500'000 * (year % 4);
        yearRows.append(
            {QDate(year, 1, 1), QDate(year, 12, 31), {sales, 18'000'000, sales - 1'000'000, 20'000'000}, 250});
    }
    shots.append({QStringLiteral("chart-years-era"),
                  charts::summarySeries(years, store::Grouping::Year, yearRows, common::kEra), years, common::kEra});
    shots.append({QStringLiteral("chart-year-of-days-western"),
                  charts::dailySeries(yearOfDays, sampleDays(yearOfDays), common::kWestern), yearOfDays,
                  common::kWestern});

    const qint32 ruled = 0x808000; // teal, BGR
    QTextStream out(stdout);
    for (const Shot &shot : shots) {
        charts::ChartWindow window(shot.series, charts::chartHeading(shot.period, shot.series.kind, shot.mode), ruled);
        window.show();
        QApplication::processEvents();
        const QString path = folder.filePath(prefix + shot.name + QStringLiteral(".png"));
        if (!window.grab().save(path)) {
            out << "not written: " << path << Qt::endl;
            return 1;
        }
        out << path << Qt::endl;
        if (shot.name == QStringLiteral("chart-months-era")) { // and on paper
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(folder.filePath(prefix + shot.name + QStringLiteral(".pdf")));
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Landscape);
            window.printTo(printer);
            out << printer.outputFileName() << Qt::endl;
        }
    }
    return 0;
}
