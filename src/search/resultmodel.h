#pragma once
// The search window's list: one row per day found, newest first, with the
// date in the calendar mode in force, the day's sales and the excerpt.

#include "search/searchrun.h"

#include <QAbstractTableModel>

namespace search {

class ResultModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { DateColumn, SalesColumn, ExcerptColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setDays(QList<FoundDay> days);
    void setCalendarMode(const QString &calendarMode);

    QDate day(int row) const { return m_days.value(row).date; }
    const Excerpt &excerpt(int row) const { return m_days.at(row).excerpt; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<FoundDay> m_days;
    QString m_datePattern;
};

} // namespace search
