#pragma once
// The chart window (グラフ): the bars of 売上額 and 仕入額 and the line of the
// running balance over a period, saved as a picture or printed on A4 landscape.

#include "charts/chartseries.h"

#include <QWidget>

#include <memory>

class QChart;
class QChartView;
class QPrinter;

namespace common {
class MessagePresenter;
}
namespace store {
class Store;
}

namespace charts {

class ChartWindow : public QWidget
{
    Q_OBJECT
public:
    // `lineColour` is the settings' ruled-line colour number (罫線色): the plot's
    // frame and its grid lines are drawn in it.
    ChartWindow(const ChartSeries &series, const QString &heading, qint32 lineColour, QWidget *parent = nullptr);
    ~ChartWindow() override;

    // Writes the chart as a PNG picture, whole under the name or not at all; a
    // failure is told to the user.
    bool savePng(const QString &path);
    // Draws the chart over the printable area of the printer's page.
    bool printTo(QPrinter &printer);

    // Where failure notices go; the window's own message boxes by default.
    void setPresenter(common::MessagePresenter *presenter) { m_presenter = presenter; }

    QChart *chart() const { return m_chart; }
    QChartView *view() const { return m_view; }

private:
    void askAndSavePng();
    void askAndPrint();
    void tellFailure(const QString &title, const QString &text);
    // The room the category axis gives its labels as the chart is laid out now.
    LabelRoom labelRoom() const;
    // The series' labels thinned to the room the axis has now.
    void fitLabels(const ChartSeries &series);

    QChart *m_chart = nullptr;
    QChartView *m_view = nullptr;
    QString m_heading;
    double m_labelledWidth = -1;
    std::unique_ptr<common::MessagePresenter> m_ownPresenter;
    common::MessagePresenter *m_presenter = nullptr;
};

// Reads the chart of the period and opens it in a window of its own beside
// `parent`; the window deletes itself when closed. A period that cannot be
// drawn or a journal that cannot be read is told through `presenter` instead,
// and nothing opens (nullptr).
ChartWindow *showChart(store::Store &store, const store::Period &period, PointKind kind, const QString &calendarMode,
                       qint32 lineColour, common::MessagePresenter &presenter, QWidget *parent);

} // namespace charts
