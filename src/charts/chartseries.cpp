#include "charts/chartseries.h"

#include "common/formats.h"
#include "common/summarylabel.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace charts {

namespace {

// The year a label names: the Western year, or the era and its year.
QString yearKey(QDate day, const QString &calendarMode)
{
    if (!common::isWestern(calendarMode)) {
        if (const auto era = common::eraOf(day)) {
            return era->name + QString::number(era->year);
        }
    }
    return QString::number(day.year());
}

// The calendar marks that may carry a label, from every point to ever fewer:
// a point carries one at `level` when its first day is such a mark.
bool isMarkAt(QDate day, PointKind kind, int level)
{
    // Beyond the marks of a month or a year: the Januaries of every 2nd, 5th … year.
    const auto yearMark = [&day](int step) { return day.year() % step == 0; };
    constexpr int kYearSteps[] = {1, 2, 5, 10, 20, 50, 100};
    switch (kind) {
    case PointKind::Day: {
        switch (level) {
        case 0:
            return true;
        case 1: // the 1st and the 五十日 (5, 10, 15, 20, 25)
            return day.day() == 1 || (day.day() % 5 == 0 && day.day() <= 25);
        case 2:
            return day.day() == 1 || day.day() == 15;
        case 3:
            return day.day() == 1;
        case 4:
            return day.day() == 1 && day.month() % 3 == 1;
        case 5:
            return day.day() == 1 && day.month() % 6 == 1;
        default:
            return day.dayOfYear() == 1 && yearMark(kYearSteps[std::min<int>(level - 6, 6)]);
        }
    }
    case PointKind::Month:
        switch (level) {
        case 0:
            return true;
        case 1:
            return day.month() % 3 == 1;
        case 2:
            return day.month() % 6 == 1;
        default:
            return day.month() == 1 && yearMark(kYearSteps[std::min<int>(level - 3, 6)]);
        }
    case PointKind::Year:
        return yearMark(kYearSteps[std::min<int>(level, 6)]);
    }
    return false;
}

// The coarsest level of each kind: the Januaries of every 100th year.
int lastLevel(PointKind kind)
{
    return kind == PointKind::Day ? 12 : kind == PointKind::Month ? 9 : 6;
}

// The finest marks for the number of points, whatever the room.
int firstLevel(PointKind kind, qsizetype count)
{
    switch (kind) {
    case PointKind::Day:
        return count <= 16 ? 0 : count <= 62 ? 1 : count <= 124 ? 2 : count <= 400 ? 3 : 4;
    case PointKind::Month:
        return count <= 12 ? 0 : count <= 36 ? 1 : count <= 180 ? 3 : count <= 600 ? 5 : 6;
    case PointKind::Year:
        return count <= 10 ? 0 : count <= 25 ? 1 : count <= 60 ? 2 : 3;
    }
    return 0;
}

QList<qsizetype> marksAt(const QList<ChartPoint> &points, PointKind kind, int level)
{
    QList<qsizetype> marked;
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (isMarkAt(points.at(i).first, kind, level)) {
            marked.append(i);
        }
    }
    return marked;
}

// The texts of the labels at the points `marked`. A day's label names its
// year where the year changes from the label before; beyond a year of days
// every label names it, so that no two are alike.
QList<AxisLabel> labelsAt(const QList<ChartPoint> &points, const QList<qsizetype> &marked, PointKind kind,
                          const QString &calendarMode)
{
    const bool everyYear = points.size() > 366;
    QList<AxisLabel> labels;
    QString lastYear;
    for (const qsizetype i : marked) {
        const QDate day = points.at(i).first;
        const QString year = yearKey(day, calendarMode);
        labels.append({i, pointLabel(day, kind, calendarMode, everyYear || year != lastYear)});
        lastYear = year;
    }
    return labels;
}

QList<AxisLabel> thinnedLabels(const QList<ChartPoint> &points, PointKind kind, const QString &calendarMode)
{
    const qsizetype count = points.size();
    QList<qsizetype> marked = marksAt(points, kind, firstLevel(kind, count));
    // The first point is labelled too when the first mark lies as far from it
    // as the marks lie apart: any closer and the two labels would run together.
    if (count > 0 && (marked.isEmpty() || marked.first() != 0)) {
        const qsizetype gap = marked.size() > 1 ? marked.at(1) - marked.at(0) : count;
        if (marked.isEmpty() || marked.first() >= gap) {
            marked.prepend(0);
        }
    }
    return labelsAt(points, marked, kind, calendarMode);
}

void addBalances(QList<ChartPoint> &points, const QList<qint64> &changes)
{
    qint64 balance = 0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        balance += changes.at(i);
        points[i].balance = balance;
    }
}

QDate groupStart(QDate day, store::Grouping grouping)
{
    return grouping == store::Grouping::Month ? QDate(day.year(), day.month(), 1) : QDate(day.year(), 1, 1);
}

} // namespace

QString pointLabel(QDate day, PointKind kind, const QString &calendarMode, bool withYear)
{
    switch (kind) {
    case PointKind::Day: {
        const QString monthDay = QString::number(day.month()) + u'/' + QString::number(day.day());
        if (!withYear) {
            return monthDay;
        }
        std::optional<common::EraDate> era;
        if (!common::isWestern(calendarMode)) {
            era = common::eraOf(day);
        }
        return (era ? era->initial + QString::number(era->year) : QString::number(day.year())) + u'/' + monthDay;
    }
    case PointKind::Month:
        return common::monthLabel(day.year(), day.month(), calendarMode);
    case PointKind::Year:
        return common::yearLabel(day.year(), calendarMode);
    }
    return {};
}

AxisScale amountScale(qint64 low, qint64 high)
{
    low = std::min<qint64>(low, 0);
    high = std::max<qint64>(high, 0);
    // Four to five steps of 1, 2, 2.5 or 5 times a power of ten, whole yen at least.
    const double wanted = double(high - low) / 5;
    double step = 1;
    for (double power = 1; step < wanted; power *= 10) {
        for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
            step = factor * power;
            if (step >= wanted) {
                break;
            }
        }
    }
    AxisScale scale;
    scale.low = std::floor(double(low) / step) * step;
    scale.high = std::max(std::ceil(double(high) / step) * step, scale.low + step);
    scale.ticks = int(std::lround((scale.high - scale.low) / step)) + 1;
    return scale;
}

ChartSeries dailySeries(const store::Period &period, const QList<store::JournalRecord> &records,
                        const QString &calendarMode)
{
    ChartSeries series;
    series.kind = PointKind::Day;
    series.calendarMode = calendarMode;
    if (!period.isValid() || period.first > period.last) {
        return series;
    }
    const qsizetype days = period.first.daysTo(period.last) + 1;
    series.points.resize(days);
    QList<qint64> changes(days, 0);
    for (qsizetype i = 0; i < days; ++i) {
        series.points[i].first = period.first.addDays(i);
    }
    for (const store::JournalRecord &record : records) {
        if (!period.contains(record.date)) {
            continue;
        }
        const qsizetype i = period.first.daysTo(record.date);
        const store::Amounts &a = record.amounts;
        series.points[i].sales += a.sales.value_or(0);
        series.points[i].purchases += a.purchases.value_or(0);
        changes[i] += a.moneyIn.value_or(0) - a.moneyOut.value_or(0);
    }
    addBalances(series.points, changes);
    series.labels = thinnedLabels(series.points, series.kind, calendarMode);
    return series;
}

bool labelsFit(const QList<AxisLabel> &labels, const LabelRoom &room)
{
    for (qsizetype n = 1; n < labels.size(); ++n) {
        const double apart = double(labels.at(n).index - labels.at(n - 1).index) * room.pointDistance;
        if (apart < (room.width(labels.at(n - 1).text) + room.width(labels.at(n).text)) / 2 + room.gap) {
            return false;
        }
    }
    return true;
}

QList<AxisLabel> fittingLabels(const ChartSeries &series, const LabelRoom &room)
{
    const qsizetype count = series.points.size();
    if (count == 0) {
        return {};
    }
    const auto labelled = [&](const QList<qsizetype> &marked) {
        return labelsAt(series.points, marked, series.kind, series.calendarMode);
    };
    const int last = lastLevel(series.kind);
    for (int level = firstLevel(series.kind, count); level <= last; ++level) {
        QList<qsizetype> marked = marksAt(series.points, series.kind, level);
        if (!marked.isEmpty() && !labelsFit(labelled(marked), room) && level < last) {
            continue;
        }
        if (marked.isEmpty() || marked.first() != 0) {
            QList<qsizetype> withFirst = marked;
            withFirst.prepend(0);
            if (labelsFit(labelled(withFirst), room)) {
                marked = withFirst;
            }
        }
        QList<AxisLabel> labels = labelled(marked);
        if (level < last || labelsFit(labels, room)) {
            return labels;
        }
        // Not even the coarsest marks fit: each label keeps clear of the one before.
        QList<AxisLabel> kept;
        for (const AxisLabel &label : labels) {
            if (kept.isEmpty() || labelsFit({kept.last(), label}, room)) {
                kept.append(label);
            }
        }
        return kept;
    }
    return {};
}

ChartSeries summarySeries(const store::Period &period, store::Grouping grouping, const QList<store::SummaryRow> &rows,
                          const QString &calendarMode)
{
    ChartSeries series;
    series.kind = grouping == store::Grouping::Month ? PointKind::Month : PointKind::Year;
    series.calendarMode = calendarMode;
    if (!period.isValid() || period.first > period.last) {
        return series;
    }
    QHash<QDate, qsizetype> indexOfGroup;
    for (QDate start = groupStart(period.first, grouping); start <= period.last;
         start = grouping == store::Grouping::Month ? start.addMonths(1) : start.addYears(1)) {
        indexOfGroup.insert(start, series.points.size());
        series.points.append({std::max(start, period.first)});
    }
    QList<qint64> changes(series.points.size(), 0);
    for (const store::SummaryRow &row : rows) {
        const auto at = indexOfGroup.constFind(groupStart(row.first, grouping));
        if (!row.first.isValid() || !period.contains(row.first) || at == indexOfGroup.constEnd()) {
            continue;
        }
        ChartPoint &point = series.points[*at];
        point.sales += row.sums.sales.value_or(0);
        point.purchases += row.sums.purchases.value_or(0);
        changes[*at] += row.balance().value_or(0);
    }
    addBalances(series.points, changes);
    series.labels = thinnedLabels(series.points, series.kind, calendarMode);
    return series;
}

QString periodProblem(const store::Period &period, PointKind kind)
{
    if (!period.isValid()) {
        return QStringLiteral("グラフにする期間の開始日と終了日を入力してください。");
    }
    if (period.first > period.last) {
        return QStringLiteral("期間の開始日が終了日より後になっています。");
    }
    if (kind == PointKind::Day && period.last >= period.first.addYears(3)) {
        return QStringLiteral(
            "日別のグラフにできるのは 3 年までの期間です。期間を短くするか、月別か年別を選んでください。");
    }
    return {};
}

QString chartHeading(const store::Period &period, PointKind kind, const QString &calendarMode)
{
    const QString pattern = common::dateBoxPattern(calendarMode);
    const QString step = kind == PointKind::Day     ? QStringLiteral("日別")
                         : kind == PointKind::Month ? QStringLiteral("月別")
                                                    : QStringLiteral("年別");
    return common::formatDate(period.first, pattern) + QStringLiteral(" ～ ") +
           common::formatDate(period.last, pattern) + QStringLiteral("（") + step + QStringLiteral("）");
}

} // namespace charts
