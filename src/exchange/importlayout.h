#pragma once
// An import layout: which columns of someone else's CSV file (a bank
// statement, a shop's own sheet) are the journal's date, amounts and text.
// Kept under a name in a small file of the data folder and offered again.

#include "exchange/csvreader.h"

#include "store/records.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace exchange {

struct ImportLayout
{
    QString name; // 「○○銀行 普通預金」
    QString dateColumn;
    QMap<store::AmountColumn, QString> amountColumns; // the header names of the amount columns taken
    // One amount column for money both ways: positive is 入金額, negative 出金額 (as a positive amount).
    QString signedColumn;
    QStringList textColumns; // joined, in this order, into the 日誌 line of each row

    // Every header name the layout takes, each once, in the order above.
    QStringList columnNames() const;
    // Why the layout cannot be used: no date column, no amount and no text, a
    // column taken twice. None when it can.
    std::optional<QString> fault() const;
    friend bool operator==(const ImportLayout &, const ImportLayout &) = default;
};

// Lines above a header row that are looked through for it (a bank's account lines).
inline constexpr int kHeaderSearchRows = 30;

// Where the header row of `rows` is for `layout`: the first of the leading
// rows that names every column the layout takes. Otherwise the names missing
// from the row that comes closest.
struct HeaderFound
{
    qsizetype row = -1; // index into rows; -1 when no row will do
    QStringList missing;
};
HeaderFound findHeader(const QList<CsvRow> &rows, const ImportLayout &layout);

// The kept layouts. A missing file holds none. A file that cannot be read
// or is damaged is never written over: keeping a layout then fails too.
struct KeptLayouts
{
    QList<ImportLayout> layouts; // in the order kept
    std::optional<QString> failure;
};

// The file of kept layouts in a data folder.
QString layoutsFile(const QString &dataFolder);

KeptLayouts readLayouts(const QString &path);
// Keeps `layout`, replacing one of the same name; the file is replaced in one step.
std::optional<QString> keepLayout(const QString &path, const ImportLayout &layout);

} // namespace exchange
