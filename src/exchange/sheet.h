#pragma once
// Inside the exchange library: what the exports hand a file format, row by
// row, whatever they read it from.

#include "exchange/export.h"

#include "common/fileerror.h"
#include "store/records.h"

#include <QDate>
#include <QDir>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace exchange {

// A work row may hold a date that is no date (another program wrote it):
// then `storedDate` is the stored value, written as it is.
struct Line
{
    QDate date;
    QString storedDate;
    store::Amounts amounts;
    const QString *text = nullptr;  // the journal's 日誌; none in the totals
    QList<store::Amount> more = {}; // whole numbers after the amounts: a summary's 日数 and 差引
};

// The day a line stands for, as messages name it.
inline QString dayOf(const Line &line)
{
    return line.date.isValid() ? line.date.toString(QStringLiteral("yyyy/MM/dd")) : line.storedDate;
}

// One file format. Each step gives the reason the file cannot be written,
// which ends the export; the writer then leaves its device as it is.
class SheetWriter
{
public:
    virtual ~SheetWriter() = default;
    [[nodiscard]] virtual std::optional<QString> header(const QStringList &captions) = 0;
    [[nodiscard]] virtual std::optional<QString> line(const Line &line) = 0;
    // The 合計 row below the lines; none where no line has a value. `more`
    // are the totals of the lines' numbers after the amounts.
    [[nodiscard]] virtual std::optional<QString> sums(const store::Sums &sums,
                                                      const QList<store::Amount> &more = {}) = 0;
    // Puts whatever is still held into the device.
    [[nodiscard]] virtual std::optional<QString> finish() = 0;
    // The refusal of the file's encoding that ended the export, if that ended it.
    virtual std::optional<ShiftJisRefusal> shiftJisRefusal() const { return std::nullopt; }
};

// Writes a file through the writer of its format, under a temporary name in
// its folder renamed over the chosen one when whole: the header row, then
// whatever `writeRows` writes (counting its rows). Any failure removes it.
using WriteRows = std::function<std::optional<QString>(SheetWriter &writer, qint64 &rows)>;
Exported writeSheetFile(const ExportFile &file, const QString &sheetName, const QStringList &header,
                        common::Progress &progress, const WriteRows &writeRows);

inline const QString kSumsCaption = QStringLiteral("合計");

// Why sums are not written: none when every sum is within the amount boxes'
// range, as the totals page shows only such sums.
std::optional<QString> sumsRefused(const store::Sums &sums);

// Said at once after the failed call, while the system's error is that call's.
inline QString writeFailure(const QFileDevice &file)
{
    return common::fileFailure(common::FileStep::Write, file);
}

} // namespace exchange
