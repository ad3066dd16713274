// The month chart of all the data (1,200 months of the hundred years) as the
// program opens it: the months summarised by the store, the chart window
// built and painted into a picture of its size; against a bare Qt Charts
// chart of the same monthly sums, read by one grouped query, with the same
// bars, line, axes and fonts, painted the same way.

#include "charts/chartwindow.h"
#include "figure.h"
#include "yespresenter.h"

#include "common/formats.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <sqlite3.h>

namespace bench {

namespace {

const char *const kMonthSums = "SELECT substr(日付, 1, 7), sum(売上額), sum(仕入額), "
                               "total(入金額) - total(出金額) FROM 業務日誌 WHERE 日付 >= ?1 AND 日付 <= ?2 "
                               "GROUP BY 1 ORDER BY 1";

QFont chartFont(int pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Color Emoji")});
    font.setPointSize(pointSize);
    return font;
}

// Lays the window out as the event loop would and paints it into a picture
// of its size; false when nothing was painted.
bool paintWindow(QWidget &window)
{
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    QApplication::processEvents();
    QImage picture(window.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    window.render(&picture);
    return !picture.isNull() && picture.pixel(picture.width() / 2, picture.height() / 2) != 0;
}

class ChartFigure final : public Figure
{
public:
    using Figure::Figure;
    ~ChartFigure() override
    {
        sqlite3_finalize(m_select);
        sqlite3_close(m_db);
    }

    QString name() const override { return QStringLiteral("chart-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("chart-window"); }
    QString floorName() const override { return QStringLiteral("bare-qtcharts"); }
    int iterations() const override { return 3; }

    void runSubject(benchmark::State &state) override
    {
        if (!m_store) {
            m_store = openDataCopy(QStringLiteral("subject"), state);
            if (!m_store) {
                return;
            }
        }
        YesPresenter presenter;
        for (auto _ : state) {
            std::unique_ptr<charts::ChartWindow> window(charts::showChart(
                *m_store, data().period(), charts::PointKind::Month, common::kWestern, 0x800000, presenter, nullptr));
            if (!window) {
                fail(state, QStringLiteral("no chart: ") + presenter.lastNotice);
                return;
            }
            window->setAttribute(Qt::WA_DeleteOnClose, false);
            const bool painted = paintWindow(*window);
            const auto *bars = window->chart()->series().isEmpty()
                                   ? nullptr
                                   : qobject_cast<QBarSeries *>(window->chart()->series().constFirst());
            if (!painted || !bars || bars->barSets().isEmpty() || bars->barSets().constFirst()->count() != months()) {
                fail(state, QStringLiteral("the chart window drew no %1 months").arg(months()));
                return;
            }
        }
        if (presenter.notices > 0) {
            fail(state, QStringLiteral("the program reported: ") + presenter.lastNotice);
        }
    }

    void runFloor(benchmark::State &state) override
    {
        if (!m_select && !prepareFloor(state)) {
            return;
        }
        for (auto _ : state) {
            QWidget window;
            window.resize(960, 620);
            auto *chart = new QChart;
            chart->setAnimationOptions(QChart::NoAnimation);
            chart->setTitle(QStringLiteral("月別"));
            chart->setTitleFont(chartFont(11));
            auto *sales = new QBarSet(QStringLiteral("売上額"));
            auto *purchases = new QBarSet(QStringLiteral("仕入額"));
            auto *balance = new QLineSeries;
            balance->setName(QStringLiteral("差引累計"));
            double high = 0;
            double running = 0;
            double runningLow = 0;
            double runningHigh = 0;
            int rows = 0;
            sqlite3_reset(m_select);
            while (sqlite3_step(m_select) == SQLITE_ROW) {
                const double sold = double(sqlite3_column_int64(m_select, 1));
                const double bought = double(sqlite3_column_int64(m_select, 2));
                running += sqlite3_column_double(m_select, 3);
                sales->append(sold);
                purchases->append(bought);
                balance->append(rows++, running);
                high = std::max({high, sold, bought});
                runningLow = std::min(runningLow, running);
                runningHigh = std::max(runningHigh, running);
            }
            auto *bars = new QBarSeries;
            bars->append(sales);
            bars->append(purchases);
            chart->addSeries(bars);
            chart->addSeries(balance);
            auto *points = new QValueAxis;
            points->setRange(-0.5, rows - 0.5);
            auto *amounts = new QValueAxis;
            amounts->setRange(0, high);
            auto *balanceAxis = new QValueAxis;
            balanceAxis->setRange(runningLow, runningHigh);
            for (QValueAxis *axis : {points, amounts, balanceAxis}) {
                axis->setLabelsFont(chartFont(8));
            }
            chart->addAxis(points, Qt::AlignBottom);
            chart->addAxis(amounts, Qt::AlignLeft);
            chart->addAxis(balanceAxis, Qt::AlignRight);
            bars->attachAxis(points);
            bars->attachAxis(amounts);
            balance->attachAxis(points);
            balance->attachAxis(balanceAxis);
            chart->legend()->setFont(chartFont(9));
            auto *view = new QChartView(chart);
            view->setRenderHint(QPainter::Antialiasing);
            (new QVBoxLayout(&window))->addWidget(view);
            if (!paintWindow(window) || rows != months()) {
                fail(state, QStringLiteral("the bare chart drew %1 months").arg(rows));
                return;
            }
        }
    }

private:
    int months() const
    {
        return (data().lastDay.year() - data().firstDay.year()) * 12 + data().lastDay.month() -
               data().firstDay.month() + 1;
    }

    bool prepareFloor(benchmark::State &state)
    {
        const QString folder = dataCopy(QStringLiteral("floor"), state);
        if (folder.isEmpty()) {
            return false;
        }
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(store::kMainFileName));
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(m_db, kMonthSums, -1, &m_select, nullptr) != SQLITE_OK) {
            fail(state, QString::fromUtf8(sqlite3_errmsg(m_db)));
            return false;
        }
        const QByteArray first = data().firstDay.toString(Qt::ISODate).toUtf8();
        const QByteArray last = data().lastDay.toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(m_select, 1, first.constData(), int(first.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_select, 2, last.constData(), int(last.size()), SQLITE_TRANSIENT);
        return true;
    }

    std::unique_ptr<store::Store> m_store;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_select = nullptr;
};

} // namespace

std::unique_ptr<Figure> makeChartFigure(const Setting &setting)
{
    return std::make_unique<ChartFigure>(setting);
}

} // namespace bench
