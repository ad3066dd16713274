#pragma once
// The totals grid's data source: the rows of the work table w集計, read from
// the store a page at a time as the grid scrolls to them, shown with the
// formats of the calendar mode. A cell typed over goes to the table at once.

#include "store/records.h"

#include <QAbstractTableModel>
#include <QList>

namespace store {
class Store;
}

namespace totals {

class WorkTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Col日付 = 0, Col売上額, Col仕入額, Col入金額, Col出金額, ColumnCount };

    explicit WorkTableModel(store::Store &store, QObject *parent = nullptr);

    // Reads the table again from its first row (after each change of w集計).
    void refresh();

    void setDatePattern(const QString &pattern);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The texts of `column` among which the rows' widest stands, without
    // formatting every row: for an amount the longest figures (digits are
    // alike wide), one negative and one not; for a date one of each era, and
    // any stored value that is no date.
    QStringList widestTexts(int column) const;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex &parent = QModelIndex()) const override;
    void fetchMore(const QModelIndex &parent = QModelIndex()) override;

    // The stored date of a row; an invalid date when it holds no stored date.
    QDate dateOfRow(int row) const;

signals:
    // A cell typed over in the grid could not be written to the work table.
    void writeFailed(const QString &reason);

private:
    // Appends the rows after the last one held; false when no more follow.
    bool readPage(QList<store::WorkRow> &page) const;
    bool writeDate(int row, QDate date);
    bool writeAmount(int row, store::AmountColumn column, store::Amount amount);

    store::Store &m_store;
    QList<store::WorkRow> m_rows;
    bool m_atEnd = true;
    QString m_datePattern;
};

} // namespace totals
