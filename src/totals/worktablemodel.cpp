#include "totals/worktablemodel.h"

#include "common/formats.h"

#include <QDate>
#include <QSqlError>

namespace totals {

namespace {

constexpr qint64 kAmountLimit = 9'999'999'999;

QDate storedDate(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate) {
        return value.toDate();
    }
    return QDate::fromString(value.toString(), Qt::ISODate);
}

} // namespace

WorkTableModel::WorkTableModel(const QSqlDatabase &connection, const QString &recordSource, QObject *parent)
    : QSqlTableModel(parent, connection), m_datePattern(common::pattern::kSlashWestern)
{
    setEditStrategy(QSqlTableModel::OnFieldChange);
    setTable(recordSource);
    const QString captions[] = {QStringLiteral("日付"), QStringLiteral("売上額"), QStringLiteral("仕入額"),
                                QStringLiteral("入金額"), QStringLiteral("出金額")};
    for (int column = 0; column < ColumnCount; ++column) {
        setHeaderData(column, Qt::Horizontal, captions[column]);
    }
}

void WorkTableModel::refresh()
{
    select();
}

void WorkTableModel::setDatePattern(const QString &pattern)
{
    m_datePattern = pattern;
    if (rowCount() > 0) {
        emit dataChanged(index(0, Col日付), index(rowCount() - 1, Col日付), {Qt::DisplayRole});
    }
}

QVariant WorkTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        return column == Col日付 ? int(Qt::AlignCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    }
    const QVariant stored = QSqlTableModel::data(index, Qt::EditRole);
    if (role == Qt::DisplayRole) {
        if (stored.isNull()) {
            return QString();
        }
        if (column == Col日付) {
            const QDate date = storedDate(stored);
            return date.isValid() ? common::formatDate(date, m_datePattern) : stored.toString();
        }
        bool ok = false;
        const qint64 amount = stored.toLongLong(&ok);
        return ok ? common::formatAmount(amount, common::pattern::kAmount) : stored.toString();
    }
    if (role == Qt::EditRole && column == Col日付) {
        const QDate date = storedDate(stored);
        return date.isValid() ? QVariant(date) : stored;
    }
    return QSqlTableModel::data(index, role);
}

bool WorkTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    if (index.column() == Col日付) {
        const QDate date = value.typeId() == QMetaType::QDate
                               ? value.toDate()
                               : QDate::fromString(value.toString().trimmed(), QStringLiteral("yyyy/MM/dd"));
        if (!date.isValid() || date < common::kFirstDate || date > common::kLastDate) {
            return false;
        }
        return write(index, date.toString(Qt::ISODate));
    }
    if (value.isNull() || value.toString().trimmed().isEmpty()) {
        return write(index, QVariant());
    }
    bool ok = false;
    const qint64 amount = value.toString().remove(QLatin1Char(',')).trimmed().toLongLong(&ok);
    if (!ok || amount < -kAmountLimit || amount > kAmountLimit) {
        return false;
    }
    return write(index, amount);
}

bool WorkTableModel::write(const QModelIndex &index, const QVariant &value)
{
    if (QSqlTableModel::setData(index, value, Qt::EditRole)) {
        return true;
    }
    // The cell shows its stored value again; say why the typed one is gone.
    if (lastError().isValid()) {
        emit writeFailed(lastError().text());
    }
    return false;
}

bool WorkTableModel::insertRows(int, int, const QModelIndex &)
{
    return false; // the grid neither adds rows ...
}

bool WorkTableModel::removeRows(int, int, const QModelIndex &)
{
    return false; // ... nor deletes them
}

QVariant WorkTableModel::dateNumberOfRow(int row) const
{
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    const QDate date = storedDate(QSqlTableModel::data(index(row, Col日付), Qt::EditRole));
    return date.isValid() ? QVariant(date.year() * 10000 + date.month() * 100 + date.day()) : QVariant();
}

} // namespace totals
