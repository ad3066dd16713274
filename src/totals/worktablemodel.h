#pragma once
// The totals grid's data source: the work table w集計, read through the work
// database's own connection (a second connection would hold a read lock that
// blocks the totals run), shown with the formats of the calendar mode.

#include <QSqlTableModel>

namespace totals {

class WorkTableModel : public QSqlTableModel
{
    Q_OBJECT
public:
    enum Column { Col日付 = 0, Col売上額, Col仕入額, Col入金額, Col出金額, ColumnCount };

    WorkTableModel(const QSqlDatabase &connection, const QString &recordSource, QObject *parent = nullptr);

    // Re-reads the table (after each change of w集計). Rows are fetched as
    // the grid scrolls to them.
    void refresh();

    void setDatePattern(const QString &pattern);
    QString datePattern() const { return m_datePattern; }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    // The stored date of a row as a date number yyyymmdd, or a null value.
    QVariant dateNumberOfRow(int row) const;

signals:
    // A cell typed over in the grid could not be written to the work table.
    void writeFailed(const QString &reason);

private:
    bool write(const QModelIndex &index, const QVariant &value);

    QString m_datePattern;
};

} // namespace totals
