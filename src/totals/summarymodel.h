#pragma once
// The totals grid's data source for 月別 and 年別: the summary of the period,
// one read-only row per month or year with its four sums, its days with a
// record and 差引 (入金 − 出金).

#include "store/summary.h"

#include <QAbstractTableModel>
#include <QList>

namespace totals {

// The name of a summary row: its month ("2024年4月", "令和6年4月") or year.
QString labelOf(const store::SummaryRow &row, store::Grouping grouping, const QString &calendarMode);

class SummaryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Col年月 = 0, Col売上額, Col仕入額, Col入金額, Col出金額, Col日数, Col差引, ColumnCount };

    explicit SummaryModel(QObject *parent = nullptr);

    void setRows(store::Grouping grouping, const QList<store::SummaryRow> &rows);
    void setCalendarMode(const QString &calendarMode);

    store::Grouping grouping() const { return m_grouping; }
    const QList<store::SummaryRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    store::Grouping m_grouping = store::Grouping::Month;
    QList<store::SummaryRow> m_rows;
    QString m_calendarMode;
};

} // namespace totals
