#include "exchangeui/exportrun.h"

#include "exchange/summaryexport.h"

#include "common/formats.h"
#include "store/store.h"

#include <QDir>
#include <QFileInfo>

namespace exchangeui {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString summaryName(store::Grouping grouping)
{
    return grouping == store::Grouping::Month ? QStringLiteral("月別の集計") : QStringLiteral("年別の集計");
}

QString slashDate(QDate date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

QString formatName(const exchange::ExportFile &file)
{
    if (file.format == exchange::Format::Xlsx) {
        return QStringLiteral("Excel");
    }
    return file.encoding == exchange::Encoding::ShiftJis ? QStringLiteral("CSV、Shift_JIS")
                                                         : QStringLiteral("CSV、UTF-8 (BOM付き)");
}

exchange::Exported write(store::Store &store, const ExportRequest &request, common::Progress &progress)
{
    exchange::Exported exported;
    switch (request.subject) {
    case ExportSubject::Journal:
        exported = exchange::exportJournal(store, request.period, request.file, progress);
        break;
    case ExportSubject::Totals:
        exported = exchange::exportTotals(store, request.file, progress);
        break;
    case ExportSubject::Summary:
        exported = exchange::exportSummary(store, request.period, request.grouping, request.file, progress);
        break;
    }
    progress.finish(); // gone before any notice
    return exported;
}

bool shiftJisRefused(const ExportRequest &request, const exchange::Exported &exported)
{
    return exported.failure && exported.shiftJisRefusal && request.file.format == exchange::Format::Csv &&
           request.file.encoding == exchange::Encoding::ShiftJis;
}

QString writtenText(const ExportRequest &request, const exchange::Exported &exported)
{
    const QString rows = common::formatAmount(exported.rows, common::pattern::kAmountZero);
    QString what;
    switch (request.subject) {
    case ExportSubject::Journal:
        what = QStringLiteral("業務日誌 %1～%2 の %3 日分")
                   .arg(slashDate(request.period.first), slashDate(request.period.last), rows);
        break;
    case ExportSubject::Totals:
        what = QStringLiteral("集計表 %1 行と合計").arg(rows);
        break;
    case ExportSubject::Summary:
        what = QStringLiteral("%1 %2～%3 の %4 行と合計")
                   .arg(summaryName(request.grouping), slashDate(request.period.first), slashDate(request.period.last),
                        rows);
        break;
    }
    return QStringLiteral("%1を書き出しました（%2）。\n\n%3")
        .arg(what, formatName(request.file), native(request.file.path));
}

} // namespace

store::Period exportPeriod(std::optional<QDate> first, std::optional<QDate> last, QDate today)
{
    const QDate start = first.value_or(store::Period::monthOf(today).first);
    return {start, last.value_or(store::Period::monthOf(start).last)};
}

QString withExtension(const QString &path, exchange::Format format)
{
    if (path.trimmed().isEmpty()) {
        return path;
    }
    const QString extension = format == exchange::Format::Xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
    QString base = path;
    if (exchange::formatOfName(path)) {
        base.truncate(path.lastIndexOf(QLatin1Char('.')));
    }
    return base + extension;
}

QString suggestedFileName(ExportSubject subject, const store::Period &period, exchange::Format format,
                          store::Grouping grouping)
{
    QString what = QStringLiteral("業務日誌");
    if (subject == ExportSubject::Totals) {
        what = QStringLiteral("集計");
    } else if (subject == ExportSubject::Summary) {
        what = grouping == store::Grouping::Month ? QStringLiteral("月別集計") : QStringLiteral("年別集計");
    }
    const QString name = QStringLiteral("%1_%2-%3")
                             .arg(what, period.first.toString(QStringLiteral("yyyyMMdd")),
                                  period.last.toString(QStringLiteral("yyyyMMdd")));
    return withExtension(name, format);
}

bool runExport(store::Store &store, common::Msg &msg, ExportRequest request, const QString &dataFolder,
               common::Progress &progress)
{
    exchange::ExportFile &file = request.file;
    if (file.path.trimmed().isEmpty()) {
        msg.show(common::Prompt::Notice, QStringLiteral("書き出すファイルの名前を記入してください。"));
        return false;
    }
    file.path = QFileInfo(file.path).absoluteFilePath();
    if (request.subject != ExportSubject::Totals && request.period.first > request.period.last) {
        msg.show(common::Prompt::Notice, QStringLiteral("期間の開始日が終了日より後です。"));
        return false;
    }
    if (const std::optional<QString> why = exchange::refusedTarget(file.path, dataFolder)) {
        msg.show(common::Prompt::ExportFailed, *why + QStringLiteral("別の場所か名前を選んでください。"));
        return false;
    }
    file.overwrite = false;
    if (QFileInfo(file.path).isFile()) {
        if (!msg.show(common::Prompt::ConfirmOverwrite, QStringLiteral("「%1」").arg(native(file.path)))) {
            return false;
        }
        file.overwrite = true;
    }

    exchange::Exported exported = write(store, request, progress);
    if (shiftJisRefused(request, exported)) {
        // The window offers UTF-8 itself instead of advising it.
        if (!msg.show(common::Prompt::OfferUtf8, exchange::describe(*exported.shiftJisRefusal, false))) {
            return false;
        }
        file.encoding = exchange::Encoding::Utf8;
        exported = write(store, request, progress);
    }
    if (exported.failure) {
        msg.show(common::Prompt::ExportFailed, *exported.failure);
        return false;
    }
    msg.show(common::Prompt::Exported, writtenText(request, exported));
    return true;
}

} // namespace exchangeui
