#include "app/exportcommand.h"

#include "exchange/export.h"

#include "app/datafolder.h"
#include "app/startup.h"
#include "app/verbarguments.h"
#include "common/formats.h"
#include "store/engines.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>
#include <variant>

namespace app {

namespace {

const QString kUsage =
    QStringLiteral("使い方: zephra --export ファイル --from 日付 --to 日付 [--format csv|xlsx] [--encoding utf8|cp932] "
                   "[--totals] [--overwrite]\n"
                   "  日付は yyyy/mm/dd か yyyy-mm-dd。形式はファイルの拡張子（.csv、.xlsx）から決まります。\n"
                   "  --totals は期間を集計して、その行と合計を書き出します。\n"
                   "  既にあるファイルは --overwrite を付けたときだけ置き換えます。\n");

struct Request
{
    QString path;
    QDate from;
    QDate to;
    std::optional<exchange::Format> format;
    std::optional<exchange::Encoding> encoding;
    bool totals = false;
    bool overwrite = false;
};

CommandResult usage(const QString &why)
{
    return {2, why + QStringLiteral("\n") + kUsage};
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString slashDate(QDate date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

QDate parseDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})([/-])(\\d{1,2})\\2(\\d{1,2})$"));
    const QRegularExpressionMatch match = form.match(text);
    return match.hasMatch() ? QDate(match.captured(1).toInt(), match.captured(3).toInt(), match.captured(4).toInt())
                            : QDate();
}

// The request, or what is wrong with the command line.
std::variant<Request, QString> parse(const QStringList &arguments)
{
    Request request;
    const VerbOptions options{
        {QStringLiteral("--totals"), QStringLiteral("--overwrite")},
        {QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("--format"), QStringLiteral("--encoding")}};
    const auto take = [&request](const QString &option, const QString &value) -> std::optional<QString> {
        if (option == QLatin1String("--totals") || option == QLatin1String("--overwrite")) {
            (option == QLatin1String("--totals") ? request.totals : request.overwrite) = true;
        } else if (option == QLatin1String("--from") || option == QLatin1String("--to")) {
            const QDate date = parseDate(value);
            if (!date.isValid()) {
                return QStringLiteral("%1 の日付「%2」は読めません。").arg(option, value);
            }
            (option == QLatin1String("--from") ? request.from : request.to) = date;
        } else if (option == QLatin1String("--format")) {
            if (value == QLatin1String("csv")) {
                request.format = exchange::Format::Csv;
            } else if (value == QLatin1String("xlsx")) {
                request.format = exchange::Format::Xlsx;
            } else {
                return QStringLiteral("--format は csv か xlsx です（「%1」）。").arg(value);
            }
        } else {
            return readEncoding(value, request.encoding);
        }
        return std::nullopt;
    };
    if (std::optional<QString> wrong =
            readVerbArguments(arguments, QStringLiteral("書き出すファイルを --export の次に書いてください。"), options,
                              request.path, take)) {
        return *wrong;
    }
    if (!request.from.isValid() || !request.to.isValid()) {
        return QStringLiteral("--from と --to で期間を書いてください。");
    }
    if (request.from > request.to) {
        return QStringLiteral("--from の日付が --to の日付より後です。");
    }
    if (!request.format) {
        request.format = exchange::formatOfName(request.path);
        if (!request.format) {
            return QStringLiteral(
                "ファイルの拡張子から形式が分かりません。--format csv か --format xlsx を付けてください。");
        }
    }
    if (*request.format == exchange::Format::Xlsx && request.encoding) {
        return QStringLiteral("--encoding は CSV にだけ使えます。");
    }
    return request;
}

QString formatName(const Request &request)
{
    if (*request.format == exchange::Format::Xlsx) {
        return QStringLiteral("Excel");
    }
    return request.encoding == exchange::Encoding::ShiftJis ? QStringLiteral("CSV Shift_JIS")
                                                            : QStringLiteral("CSV UTF-8");
}

QString leftOut(const store::FillReport &report)
{
    QString text;
    if (report.otherFormInPeriod > 0) {
        text += QStringLiteral("日付が正しい形で保存されていないため集計に含めていない日誌: %1 日分\n")
                    .arg(report.otherFormInPeriod);
    }
    if (report.unreadableDates > 0) {
        text += QStringLiteral("日付を読めないため集計に含めていない日誌（期間の内外は不明）: %1 日分\n")
                    .arg(report.unreadableDates);
    }
    return text;
}

} // namespace

CommandResult exportCommand(const QStringList &arguments, const QString &dataFolder)
{
    const std::variant<Request, QString> parsed = parse(arguments);
    if (const QString *why = std::get_if<QString>(&parsed)) {
        return usage(*why);
    }
    const Request &request = std::get<Request>(parsed);
    const QString path = QFileInfo(request.path).absoluteFilePath();
    // Never the data folder's files, whatever --overwrite says; never a device or a pipe.
    if (const std::optional<QString> why = exchange::refusedTarget(path, dataFolder)) {
        return {1, *why + QStringLiteral("\n")};
    }
    if (QFileInfo::exists(path) && !request.overwrite) {
        return {1, QStringLiteral("「%1」が既にあります。置き換えるときは --overwrite を付けてください。\n")
                       .arg(native(path))};
    }

    const store::Location location = dataLocation(dataFolder);
    auto store = store::makeStore(location);
    if (const auto failure = store->open(location)) {
        return {1, openFailureLine(*failure, location) + u'\n'};
    }
    std::optional<store::Settings> settings;
    if (const store::DbError error = store->loadSettings(settings)) {
        return {1, QStringLiteral("設定を読めません。%1\n").arg(store::describeForUser(error))};
    }

    const store::Period period{request.from, request.to};
    exchange::ExportFile file;
    file.path = path;
    file.format = *request.format;
    file.encoding = request.encoding.value_or(exchange::Encoding::Utf8);
    file.calendarMode = settings ? settings->era : common::kWestern;
    file.overwrite = request.overwrite;

    common::NoProgress quiet;
    exchange::Exported exported;
    QString notes;
    if (request.totals) {
        store::FillReport report;
        if (const store::DbError error = store->fillWork(period, report)) {
            if (report.refused) {
                return {1, QStringLiteral("集計できません。%1 の%2「%3」は金額として読めません。\n")
                               .arg(slashDate(report.refused->date), store::columnCaption(report.refused->column),
                                    report.refused->value)};
            }
            return {1, QStringLiteral("集計できません。%1\n").arg(store::describeForUser(error))};
        }
        notes = leftOut(report);
        exported = exchange::exportTotals(*store, file, quiet);
    } else {
        exported = exchange::exportJournal(*store, period, file, quiet);
    }
    store->close();
    if (exported.failure) {
        return {1, *exported.failure + QStringLiteral("\n")};
    }
    return {0,
            QStringLiteral("書き出しました（%1 %2〜%3、%4 行%5、%6）。\n  %7\n")
                    .arg(request.totals ? QStringLiteral("集計") : QStringLiteral("業務日誌"), slashDate(request.from),
                         slashDate(request.to), common::formatAmount(exported.rows, common::pattern::kAmountZero),
                         request.totals ? QStringLiteral("と合計") : QString(), formatName(request), native(path)) +
                notes};
}

} // namespace app
