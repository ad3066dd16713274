#pragma once
// The values a chart of a period draws: the bars of 売上額 and 仕入額 per point,
// the running balance of 入金 − 出金, and which points the category axis labels.

#include "store/period.h"
#include "store/records.h"
#include "store/summary.h"

#include <QList>
#include <QString>

#include <functional>

namespace charts {

// What one point of the chart stands for.
enum class PointKind { Day, Month, Year };

struct ChartPoint
{
    QDate first;          // the point's first day within the period
    qint64 sales = 0;     // 売上額; none counts as 0
    qint64 purchases = 0; // 仕入額; none counts as 0
    qint64 balance = 0;   // 入金 − 出金 summed from the period's first day through this point

    friend bool operator==(const ChartPoint &, const ChartPoint &) = default;
};

// A label of the category axis under the point at `index`.
struct AxisLabel
{
    qsizetype index = 0;
    QString text;

    friend bool operator==(const AxisLabel &, const AxisLabel &) = default;
};

struct ChartSeries
{
    PointKind kind = PointKind::Day;
    QString calendarMode;
    QList<ChartPoint> points;
    // Every point is drawn, but only these carry a label: calendar marks (the
    // 1st, 5th, 10th … of a month, the first month of a quarter or a year, …)
    // chosen by the number of points. The axis thins them further by the room
    // it has (fittingLabels).
    QList<AxisLabel> labels;
};

// The room an axis gives its labels, in one unit (the chart's logical pixels):
// the distance from one point to the next, the width a label's text takes
// when drawn, and the space kept clear between two labels.
struct LabelRoom
{
    double pointDistance = 0;
    std::function<double(const QString &)> width;
    double gap = 0;
};

// Whether no label reaches into its neighbour's room: each is centred on its point.
bool labelsFit(const QList<AxisLabel> &labels, const LabelRoom &room);

// The labels of `series` that fit `room`: its calendar marks, thinned to
// ever coarser marks (quarter starts, Januaries, every 2nd, 5th, 10th … year)
// until no two run together; the first point is labelled where it fits. When
// not even the coarsest marks fit, the labels that would run into the one
// before are left out.
QList<AxisLabel> fittingLabels(const ChartSeries &series, const LabelRoom &room);

// Every day of the period is a point, a day without a record as one without
// amounts: the axis keeps the calendar's pace. `records` are those of the
// period in date order, as the store gives them.
ChartSeries dailySeries(const store::Period &period, const QList<store::JournalRecord> &records,
                        const QString &calendarMode);

// Every month or year the period touches is a point, one without a row as one
// without amounts.
ChartSeries summarySeries(const store::Period &period, store::Grouping grouping, const QList<store::SummaryRow> &rows,
                          const QString &calendarMode);

// The label of the point starting on `day`: a day "4/1" (with its year
// "2024/4/1", "R6/4/1"); a month or a year as the summaries name them
// ("2024年4月", "令和6年4月", "令和6年"). A day outside the eras' reach is
// labelled in the Western form.
QString pointLabel(QDate day, PointKind kind, const QString &calendarMode, bool withYear);

// An amount axis from `low` to `high` with 0 inside, ending on round figures.
struct AxisScale
{
    double low = 0;
    double high = 0;
    int ticks = 0; // the lines from low to high, both included
};
AxisScale amountScale(qint64 low, qint64 high);

// Why the period cannot be drawn with points of `kind`, in the user's words;
// empty when it can. A period of days is held to three years: more bars
// would be too thin to read.
QString periodProblem(const store::Period &period, PointKind kind);

// The chart's heading: the period in the calendar mode's date form and the kind
// of point, "2024年04月01日 ～ 2024年04月30日（日別）".
QString chartHeading(const store::Period &period, PointKind kind, const QString &calendarMode);

} // namespace charts
