#include "totals/worktablemodel.h"

#include "common/formats.h"
#include "common/holidays.h"
#include "store/store.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace totals {

namespace {

constexpr int kPageRows = 256;

// The grid's amount columns are the store's, in the same order.
store::AmountColumn amountColumnOf(int column)
{
    return store::kAmountColumns[column - WorkTableModel::Col売上額];
}

int gridColumnOf(store::AmountColumn column)
{
    int at = WorkTableModel::Col売上額;
    while (store::kAmountColumns[at - WorkTableModel::Col売上額] != column) {
        ++at;
    }
    return at;
}

} // namespace

WorkTableModel::WorkTableModel(store::Store &store, QObject *parent)
    : QAbstractTableModel(parent), m_store(store), m_datePattern(common::pattern::kSlashWestern)
{}

void WorkTableModel::refresh()
{
    // The first page is read inside the reset: a view that asks for more rows
    // when the reset ends must find the model settled.
    beginResetModel();
    m_rows.clear();
    m_atEnd = !readPage(m_rows);
    endResetModel();
}

void WorkTableModel::setDatePattern(const QString &pattern)
{
    m_datePattern = pattern;
    if (rowCount() > 0) {
        emit dataChanged(index(0, Col日付), index(rowCount() - 1, Col日付), {Qt::DisplayRole});
    }
}

int WorkTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int WorkTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WorkTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        return column == Col日付 ? int(Qt::AlignCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    }
    const store::WorkRow &row = m_rows[index.row()];
    if (column == Col日付 && row.date.isValid()) {
        // The weekday follows the date; Sundays and holidays red, Saturdays blue.
        if (role == Qt::ForegroundRole) {
            const QColor colour = common::dayColour(row.date);
            return colour.isValid() ? QVariant(colour) : QVariant();
        }
        if (role == Qt::ToolTipRole) {
            const QString name = common::holidayName(row.date);
            return name.isEmpty() ? QVariant() : QVariant(name);
        }
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) {
        return {};
    }
    if (column == Col日付) {
        if (row.date.isValid()) {
            return role == Qt::DisplayRole
                       ? QVariant(common::formatDate(row.date, m_datePattern) + common::weekdayMark(row.date))
                       : QVariant(row.date);
        }
        return row.storedDate;
    }
    const store::Amount &amount = row.amounts[amountColumnOf(column)];
    if (role == Qt::DisplayRole) {
        return amount ? common::formatAmount(*amount, common::pattern::kAmount) : QString();
    }
    return amount ? QVariant(*amount) : QVariant(QMetaType::fromType<qlonglong>());
}

QStringList WorkTableModel::widestTexts(int column) const
{
    QStringList texts;
    if (column == Col日付) {
        // The era starts: a date box's era initial is the one part that is not digits.
        static const QDate eraStarts[] = {QDate(1912, 7, 30), QDate(1926, 12, 25), QDate(1989, 1, 8),
                                          QDate(2019, 5, 1)};
        std::optional<QDate> ofEra[std::size(eraStarts) + 1];
        for (const store::WorkRow &row : m_rows) {
            if (!row.date.isValid()) {
                texts.append(row.storedDate);
                continue;
            }
            const auto era = std::upper_bound(std::begin(eraStarts), std::end(eraStarts), row.date) - eraStarts;
            if (!ofEra[era]) {
                ofEra[era] = row.date;
            }
        }
        // Each weekday's mark after each era's date: their widths differ a little.
        for (const std::optional<QDate> &day : ofEra) {
            if (day) {
                for (int weekday = 0; weekday < 7; ++weekday) {
                    texts.append(common::formatDate(*day, m_datePattern) + common::weekdayMark(day->addDays(weekday)));
                }
            }
        }
        return texts;
    }
    // The figures with most digits, of each sign: their texts are the widest.
    const store::AmountColumn which = amountColumnOf(column);
    std::optional<qint64> longest[2];
    const auto digits = [](qint64 value) {
        int count = 1;
        for (quint64 rest = value < 0 ? 0 - quint64(value) : quint64(value); rest >= 10; rest /= 10) {
            ++count;
        }
        return count;
    };
    for (const store::WorkRow &row : m_rows) {
        if (const store::Amount &amount = row.amounts[which]) {
            std::optional<qint64> &held = longest[*amount < 0 ? 1 : 0];
            if (!held || digits(*amount) > digits(*held)) {
                held = *amount;
            }
        }
    }
    for (const std::optional<qint64> &amount : longest) {
        if (amount) {
            texts.append(common::formatAmount(*amount, common::pattern::kAmount));
        }
    }
    return texts;
}

QVariant WorkTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount) {
        return section == Col日付 ? QStringLiteral("日付") : store::columnCaption(amountColumnOf(section));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WorkTableModel::flags(const QModelIndex &index) const
{
    return QAbstractTableModel::flags(index) | (index.isValid() ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

bool WorkTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        role != Qt::EditRole) {
        return false;
    }
    if (index.column() == Col日付) {
        const QDate date = value.typeId() == QMetaType::QDate
                               ? value.toDate()
                               : QDate::fromString(value.toString().trimmed(), QStringLiteral("yyyy/MM/dd"));
        if (!date.isValid() || date < common::kFirstDate || date > common::kLastDate) {
            return false;
        }
        return writeDate(index.row(), date);
    }
    const store::AmountColumn column = amountColumnOf(index.column());
    if (value.isNull() || value.toString().trimmed().isEmpty()) {
        return writeAmount(index.row(), column, std::nullopt);
    }
    bool ok = false;
    const qint64 amount = value.toString().remove(QLatin1Char(',')).trimmed().toLongLong(&ok);
    if (!ok || amount < -common::kAmountLimit || amount > common::kAmountLimit) {
        return false;
    }
    return writeAmount(index.row(), column, amount);
}

bool WorkTableModel::writeDate(int row, QDate date)
{
    // A cell that cannot be written shows its stored value again; say why the typed one is gone.
    if (const store::DbError error = m_store.setWorkDate(m_rows[row].id, date)) {
        emit writeFailed(store::describeForUser(error));
        return false;
    }
    m_rows[row].date = date;
    m_rows[row].storedDate.clear();
    const QModelIndex cell = index(row, Col日付);
    emit dataChanged(cell, cell);
    return true;
}

bool WorkTableModel::writeAmount(int row, store::AmountColumn column, store::Amount amount)
{
    if (const store::DbError error = m_store.setWorkAmount(m_rows[row].id, column, amount)) {
        emit writeFailed(store::describeForUser(error));
        return false;
    }
    m_rows[row].amounts[column] = amount;
    m_rows[row].unreadable.setFlag(column, false);
    const QModelIndex cell = index(row, gridColumnOf(column));
    emit dataChanged(cell, cell);
    return true;
}

bool WorkTableModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void WorkTableModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd) {
        return;
    }
    QList<store::WorkRow> page;
    m_atEnd = !readPage(page);
    if (page.isEmpty()) {
        return;
    }
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size()) - 1);
    m_rows.append(page);
    endInsertRows();
}

bool WorkTableModel::readPage(QList<store::WorkRow> &page) const
{
    const qint64 after = m_rows.isEmpty() ? 0 : m_rows.last().id;
    // A table that cannot be read shows the rows read so far and no more.
    return !m_store.workRows(after, kPageRows, page) && page.size() == kPageRows;
}

QDate WorkTableModel::dateOfRow(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].date : QDate();
}

} // namespace totals
