#include "search/resultmodel.h"

#include "common/formats.h"
#include "common/holidays.h"

namespace search {

void ResultModel::setDays(QList<FoundDay> days)
{
    beginResetModel();
    m_days = std::move(days);
    endResetModel();
}

void ResultModel::setCalendarMode(const QString &calendarMode)
{
    m_datePattern = common::dateBoxPattern(calendarMode);
    if (!m_days.isEmpty()) {
        emit dataChanged(index(0, DateColumn), index(rowCount() - 1, DateColumn), {Qt::DisplayRole});
    }
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_days.size());
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const FoundDay &day = m_days.at(index.row());
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(index.column() == SalesColumn ? Qt::AlignRight | Qt::AlignVCenter
                                                                 : Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (index.column() == DateColumn && role == Qt::ForegroundRole) {
        const QColor colour = common::dayColour(day.date);
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case DateColumn:
        // The weekday follows the date; a holiday's name is the tooltip.
        if (const QString name = common::holidayName(day.date); role == Qt::ToolTipRole && !name.isEmpty()) {
            return name;
        }
        return common::formatDate(day.date, m_datePattern) + common::weekdayMark(day.date);
    case SalesColumn:
        return common::formatAmount(day.sales, common::pattern::kAmountZero);
    case ExcerptColumn:
        return day.excerpt.line;
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case DateColumn:
        return QStringLiteral("日付");
    case SalesColumn:
        return QStringLiteral("売上額");
    case ExcerptColumn:
        return QStringLiteral("日誌");
    default:
        return {};
    }
}

} // namespace search
