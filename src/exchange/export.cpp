#include "exchange/export.h"

#include "exchange/csvwriter.h"
#include "exchange/workbookmodule.h"

#include "common/filesync.h"
#include "common/module.h"
#include "store/engines.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <QtNumeric>

#include <algorithm>
#include <functional>
#include <memory>

namespace exchange {

namespace {

constexpr int kProgressEvery = 256;
constexpr int kWorkBatch = 512;

QStringList captions(bool withText)
{
    QStringList names{QStringLiteral("日付")};
    for (const store::AmountColumn column : store::kAmountColumns) {
        names.append(store::columnCaption(column));
    }
    if (withText) {
        names.append(QStringLiteral("日誌"));
    }
    return names;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Where a name lands: its folder with every link resolved, and the name.
QString placeOf(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

// The end of a chain of symbolic links, also when it names nothing yet:
// QSaveFile writes there.
QString linkEnd(const QString &path)
{
    constexpr int kMostLinks = 40;
    QString at = path;
    for (int hop = 0; hop < kMostLinks && QFileInfo(at).isSymLink(); ++hop) {
        at = QFileInfo(at).symLinkTarget();
    }
    return at;
}

bool isInside(const QString &place, const QString &folder)
{
    return place == folder || place.startsWith(folder + u'/');
}

// The files the data of the folder is kept in, and their companions (-journal, -wal).
bool isDataFileName(const QString &place, const QString &folder)
{
    const QFileInfo info(place);
    const QStringList files = store::dataParts(store::Location::inFolder(folder)).all;
    return info.path() == folder && std::any_of(files.cbegin(), files.cend(), [&info](const QString &file) {
               return info.fileName().startsWith(QFileInfo(file).fileName());
           });
}

// The file under `folder` that is the file `path` names, through a hard link
// or a link of the folder's own.
std::optional<QString> sameFileInside(const QString &path, const QString &folder)
{
    const std::optional<common::FileIdentity> identity = common::fileIdentity(path);
    if (!identity) {
        return std::nullopt;
    }
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        if (common::fileIdentity(file) == identity) {
            return file;
        }
    }
    return std::nullopt;
}

std::optional<QString> refusedFile(const ExportFile &file)
{
    if (file.path.isEmpty()) {
        return QStringLiteral("書き出すファイルの名前がありません。");
    }
    if (auto why = refusedTarget(file.path, QString())) {
        return why;
    }
    // Looked at before writing starts; the UI asks about an existing file first.
    if (QFileInfo::exists(file.path) && !file.overwrite) {
        return QStringLiteral("「%1」が既にあります。").arg(native(file.path));
    }
    return std::nullopt;
}

std::optional<QString> unreadable(const Line &line, store::AmountColumns columns)
{
    for (const store::AmountColumn column : store::kAmountColumns) {
        if (columns.testFlag(column)) {
            return QStringLiteral("%1 の%2は数ではない値のため書き出せません。")
                .arg(dayOf(line), store::columnCaption(column));
        }
    }
    return std::nullopt;
}

QString readFailure(const QString &what, const store::DbError &error)
{
    return QStringLiteral("%1を読めませんでした。%2").arg(what, store::describeForUser(error));
}

// The file is written under a temporary name in its folder and renamed over
// the chosen one when whole; any failure removes it.
Exported writeFile(const ExportFile &file, const QString &sheetName, const QStringList &header,
                   common::Progress &progress, const WriteRows &writeRows)
{
    Exported exported;
    exported.failure = refusedFile(file);
    if (!exported.failure) {
        QSaveFile out(file.path);
        std::unique_ptr<SheetWriter> writer;
        if (file.format == Format::Csv) {
            writer = std::make_unique<CsvWriter>(out, file.encoding);
        } else if (const auto make = common::moduleFunctionAs<MakeWorkbookFunction>(
                       kWorkbookModule, kMakeWorkbookSymbol, QStringLiteral("Excel ブックの書き出し"));
                   make.function) {
            // The Excel writer is a module of its own, loaded with the first workbook.
            writer.reset(make.function(out, file.calendarMode, sheetName));
        } else {
            exported.failure = make.failure;
        }
        if (!exported.failure && !out.open(QIODevice::WriteOnly)) {
            exported.failure = writeFailure(out);
        }
        if (!exported.failure) {
            exported.failure = writer->header(header);
        }
        if (!exported.failure) {
            exported.failure = writeRows(*writer, exported.rows);
        }
        if (!exported.failure) {
            exported.failure = writer->finish();
        }
        if (!exported.failure && !out.commit()) {
            exported.failure = writeFailure(out);
        }
        if (exported.failure && writer) {
            exported.shiftJisRefusal = writer->shiftJisRefusal();
            out.cancelWriting();
        }
    }
    if (exported.failure) {
        exported.rows = 0;
    }
    progress.finish();
    return exported;
}

bool addChecked(store::Sums &sums, const store::Amounts &amounts)
{
    for (const store::AmountColumn column : store::kAmountColumns) {
        if (const store::Amount &amount = amounts[column]) {
            qint64 sum = 0;
            if (qAddOverflow(sums[column].value_or(0), *amount, &sum)) {
                return false;
            }
            sums[column] = sum;
        }
    }
    return true;
}

} // namespace

QString describe(const ShiftJisRefusal &refusal, bool adviseUtf8)
{
    QString reason;
    switch (refusal.why) {
    case ShiftJisRefusal::Why::NoTable:
        reason = QStringLiteral("この環境には Shift_JIS の変換表がありません。");
        break;
    case ShiftJisRefusal::Why::Unwritable:
        reason = QStringLiteral("%1 の%2の「%3」(%4) は Shift_JIS で書けません。")
                     .arg(refusal.day, refusal.column, refusal.character, refusal.codePoint);
        break;
    case ShiftJisRefusal::Why::NotConverted:
        reason = QStringLiteral("Shift_JIS に変換できませんでした。");
        break;
    }
    return adviseUtf8 ? reason + QStringLiteral("UTF-8 を選んでください。") : reason;
}

std::optional<QString> sumsRefused(const store::Sums &sums)
{
    // Refused as the totals page refuses to show them.
    if (const store::AmountColumns tooLarge = store::sumsBeyondRange(sums)) {
        return QStringLiteral("%1 は、金額の桁数（%2）を超えているため書き出せません。期間を短くしてください。")
            .arg(store::describeSums(sums, tooLarge),
                 common::formatAmount(common::kAmountLimit, common::pattern::kAmountZero));
    }
    return std::nullopt;
}

Exported writeSheetFile(const ExportFile &file, const QString &sheetName, const QStringList &header,
                        common::Progress &progress, const WriteRows &writeRows)
{
    return writeFile(file, sheetName, header, progress, writeRows);
}

std::optional<QString> refusedTarget(const QString &path, const QString &dataFolder)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString folder = dataFolder.isEmpty() ? QString() : QFileInfo(dataFolder).canonicalFilePath();
    const QString noExport = QStringLiteral("データフォルダーには書き出せません。");
    if (!folder.isEmpty()) {
        const QString written = placeOf(absolute);
        const QString reached = placeOf(linkEnd(absolute));
        if (isInside(written, folder)) {
            return (isDataFileName(written, folder)
                        ? QStringLiteral("「%1」はこのプログラムのデータファイルです。")
                        : QStringLiteral("「%1」はこのプログラムのデータフォルダーの中です。"))
                       .arg(native(absolute)) +
                   noExport;
        }
        if (isInside(reached, folder)) {
            return QStringLiteral("「%1」はこのプログラムのデータフォルダーの「%2」を指しています。")
                       .arg(native(absolute), native(reached)) +
                   noExport;
        }
    }
    const QFileInfo target(absolute);
    if (target.isDir()) {
        return QStringLiteral("「%1」はフォルダーです。").arg(native(absolute));
    }
    if (target.exists() && !target.isFile()) {
        return QStringLiteral("「%1」は普通のファイルではありません（デバイスや名前付きパイプなど）。"
                              "書き出せるのは普通のファイルだけです。")
            .arg(native(absolute));
    }
    if (!folder.isEmpty() && target.exists()) {
        if (const std::optional<QString> same = sameFileInside(absolute, folder)) {
            return QStringLiteral("「%1」はこのプログラムのデータフォルダーの「%2」と同じファイルです。")
                       .arg(native(absolute), native(*same)) +
                   noExport;
        }
    }
    return std::nullopt;
}

std::optional<Format> formatOfName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv")) {
        return Format::Csv;
    }
    if (suffix == QLatin1String("xlsx")) {
        return Format::Xlsx;
    }
    return std::nullopt;
}

Exported exportJournal(store::Store &store, const store::Period &period, const ExportFile &file,
                       common::Progress &progress)
{
    if (!period.isValid() || period.first > period.last) {
        progress.finish();
        return {0, QStringLiteral("書き出す期間が正しくありません。"), {}};
    }
    const QString label = QStringLiteral("業務日誌を書き出しています…");
    const qint64 days = period.first.daysTo(period.last) + 1;
    progress.report(label, 0, days);
    return writeFile(file, QStringLiteral("業務日誌"), captions(true), progress,
                     [&](SheetWriter &writer, qint64 &rows) -> std::optional<QString> {
                         std::optional<QString> failure;
                         const store::DbError error =
                             store.forEachRecord(period, [&](const store::JournalRecord &record) {
                                 const Line line{record.date, {}, record.amounts, &record.text};
                                 failure = record.unreadable ? unreadable(line, record.unreadable) : writer.line(line);
                                 if (failure) {
                                     return false;
                                 }
                                 // By days, which need no count of the records first.
                                 if (++rows % kProgressEvery == 0) {
                                     progress.report(label, period.first.daysTo(record.date) + 1, days);
                                 }
                                 return true;
                             });
                         if (failure) {
                             return failure;
                         }
                         if (error) {
                             return readFailure(QStringLiteral("業務日誌"), error);
                         }
                         return std::nullopt;
                     });
}

Exported exportTotals(store::Store &store, const ExportFile &file, common::Progress &progress)
{
    const QString label = QStringLiteral("集計を書き出しています…");
    progress.report(label, 0, 0);
    return writeFile(file, QStringLiteral("集計"), captions(false), progress,
                     [&](SheetWriter &writer, qint64 &rows) -> std::optional<QString> {
                         store::Sums written;
                         qint64 afterId = 0;
                         for (;;) {
                             QList<store::WorkRow> batch;
                             if (const store::DbError error = store.workRows(afterId, kWorkBatch, batch)) {
                                 return readFailure(QStringLiteral("集計の表"), error);
                             }
                             if (batch.isEmpty()) {
                                 break;
                             }
                             for (const store::WorkRow &row : std::as_const(batch)) {
                                 const Line line{row.date, row.storedDate, row.amounts, nullptr};
                                 if (row.unreadable) {
                                     return unreadable(line, row.unreadable);
                                 }
                                 if (auto failure = writer.line(line)) {
                                     return failure;
                                 }
                                 if (!addChecked(written, row.amounts)) {
                                     return QStringLiteral("合計が大きすぎて書き出せません。");
                                 }
                                 if (++rows % kProgressEvery == 0) {
                                     progress.report(label, rows, 0);
                                 }
                             }
                             afterId = batch.last().id;
                         }
                         // The sums as the totals page takes them. The table is this
                         // program's own, so they are those of the rows written; were they
                         // not, no file is better than a 合計 that disagrees with its rows.
                         store::Sums sums;
                         if (const store::DbError error = store.workSums(sums)) {
                             return readFailure(QStringLiteral("集計の表"), error);
                         }
                         if (sums != written) {
                             return QStringLiteral(
                                 "書き出しの間に集計の表が変わりました。もう一度書き出してください。");
                         }
                         if (auto refused = sumsRefused(sums)) {
                             return refused;
                         }
                         return writer.sums(sums);
                     });
}

} // namespace exchange
