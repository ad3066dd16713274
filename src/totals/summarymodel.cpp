#include "totals/summarymodel.h"

#include "common/formats.h"
#include "common/summarylabel.h"

namespace totals {

QString labelOf(const store::SummaryRow &row, store::Grouping grouping, const QString &calendarMode)
{
    return grouping == store::Grouping::Month ? common::monthLabel(row.first.year(), row.first.month(), calendarMode)
                                              : common::yearLabel(row.first.year(), calendarMode);
}

SummaryModel::SummaryModel(QObject *parent) : QAbstractTableModel(parent), m_calendarMode(common::kWestern) {}

void SummaryModel::setRows(store::Grouping grouping, const QList<store::SummaryRow> &rows)
{
    beginResetModel();
    m_grouping = grouping;
    m_rows = rows;
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, Col年月, Col年月);
}

void SummaryModel::setCalendarMode(const QString &calendarMode)
{
    m_calendarMode = calendarMode;
    if (!m_rows.isEmpty()) {
        emit dataChanged(index(0, Col年月), index(rowCount() - 1, Col年月), {Qt::DisplayRole});
    }
}

int SummaryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SummaryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SummaryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        return column == Col年月 ? int(Qt::AlignCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const store::SummaryRow &row = m_rows[index.row()];
    switch (column) {
    case Col年月:
        return labelOf(row, m_grouping, m_calendarMode);
    case Col日数:
        return QString::number(row.days);
    case Col差引:
        return common::formatAmount(row.balance(), common::pattern::kAmountZero);
    default:
        return common::formatAmount(row.sums[store::kAmountColumns[column - Col売上額]], common::pattern::kAmountZero);
    }
}

QVariant SummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount) {
        switch (section) {
        case Col年月:
            return m_grouping == store::Grouping::Month ? QStringLiteral("年月") : QStringLiteral("年");
        case Col日数:
            return QStringLiteral("日数");
        case Col差引:
            return QStringLiteral("差引");
        default:
            return store::columnCaption(store::kAmountColumns[section - Col売上額]);
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace totals
