#include "app/importcsvcommand.h"

#include "backup/damageddata.h"
#include "exchange/csvimport.h"
#include "exchange/csvreader.h"

#include "app/datafolder.h"
#include "app/session.h"
#include "app/startup.h"
#include "app/verbarguments.h"
#include "common/formats.h"
#include "store/engines.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <optional>
#include <variant>

namespace app {

namespace {

const QString kUsage = QStringLiteral(
    "使い方: zephra --import-csv ファイル [--encoding utf8|cp932] [--replace] [--skip-refused] [--preview]\n"
    "  見出しの行（日付,売上額,仕入額,入金額,出金額,日誌）のある CSV ファイルから業務日誌を取り込みます。\n"
    "  --preview は取り込む内容を示すだけで、何も書き込みません。\n"
    "  既に記録がある日は、--replace を付けたときだけファイルの内容で置き換えます。\n"
    "  取り込めない行があるときは、--skip-refused を付けたときだけ残りの行を取り込みます。\n");

struct Request
{
    QString path;
    std::optional<exchange::Encoding> encoding;
    bool replace = false;
    bool skipRefused = false;
    bool previewOnly = false;
};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString count(qint64 value)
{
    return common::formatAmount(value, common::pattern::kAmountZero);
}

std::variant<Request, QString> parse(const QStringList &arguments)
{
    Request request;
    const VerbOptions options{
        {QStringLiteral("--replace"), QStringLiteral("--skip-refused"), QStringLiteral("--preview")},
        {QStringLiteral("--encoding")}};
    const auto take = [&request](const QString &option, const QString &value) -> std::optional<QString> {
        if (option == QLatin1String("--encoding")) {
            return readEncoding(value, request.encoding);
        }
        (option == QLatin1String("--replace")        ? request.replace
         : option == QLatin1String("--skip-refused") ? request.skipRefused
                                                     : request.previewOnly) = true;
        return std::nullopt;
    };
    if (std::optional<QString> wrong =
            readVerbArguments(arguments, QStringLiteral("取り込むファイルを --import-csv の次に書いてください。"),
                              options, request.path, take)) {
        return *wrong;
    }
    return request;
}

// What the file would bring, then every refused row as "n 行目 列: 理由".
QString describe(const exchange::ImportPreview &preview, const Request &request)
{
    QString text = QStringLiteral("「%1」（%2%3）\n")
                       .arg(native(preview.path), exchange::encodingName(preview.encoding),
                            preview.encodingDetected ? QStringLiteral("、文字コードはファイルから判断") : QString());
    text += QStringLiteral("  新しい日: %1 日\n").arg(count(preview.newDays));
    text += QStringLiteral("  既に記録がある日: %1 日（%2）\n")
                .arg(count(preview.existingDays), request.replace ? QStringLiteral("ファイルの内容で置き換えます")
                                                                  : QStringLiteral("今の記録を残します"));
    text += QStringLiteral("  取り込めない行: %1 行\n").arg(count(preview.refused.size()));
    if (!preview.ignoredColumns.isEmpty()) {
        text += QStringLiteral("  使わない列: %1\n").arg(preview.ignoredColumns.join(QStringLiteral("、")));
    }
    for (const exchange::RefusedRow &row : preview.refused) {
        text += row.column.isEmpty() ? QStringLiteral("  %1 行目: %2\n").arg(row.line).arg(row.reason)
                                     : QStringLiteral("  %1 行目 %2: %3\n").arg(row.line).arg(row.column, row.reason);
    }
    return text;
}

} // namespace

CommandResult importCsvCommand(const QStringList &arguments, const QString &dataFolder)
{
    const std::variant<Request, QString> parsed = parse(arguments);
    if (const QString *why = std::get_if<QString>(&parsed)) {
        return {2, *why + QStringLiteral("\n") + kUsage};
    }
    const Request &request = std::get<Request>(parsed);

    const store::Location location = dataLocation(dataFolder);
    auto store = store::makeStore(location);
    if (const auto failure = store->open(location)) {
        return {1, openFailureLine(*failure, location) + u'\n'};
    }
    if (const auto damaged = request.previewOnly
                                 ? std::nullopt
                                 : backup::findDamage(location, QDir(dataFolder).filePath(QStringLiteral("backup")))) {
        return {1, damaged->refusal() + QStringLiteral("\n何も取り込んでいません。\n")};
    }
    if (!request.previewOnly) {
        const SchemaUpgradeOutcome upgrade = upgradeAfterCopy(
            *store, location, QDir(dataFolder).filePath(QStringLiteral("backup")), QDateTime::currentDateTime());
        if (const QString notice = schemaUpgradeNotice(upgrade); !notice.isEmpty()) {
            return {1, notice + QStringLiteral("\n何も取り込んでいません。\n")};
        }
    }
    common::NoProgress quiet;
    const exchange::ImportPreview preview =
        exchange::previewCsvImport(*store, QFileInfo(request.path).absoluteFilePath(), request.encoding, quiet);
    if (preview.failure) {
        return {1, *preview.failure + QStringLiteral("\n何も取り込んでいません。\n")};
    }
    QString text = describe(preview, request);
    if (request.previewOnly) {
        return {0, text + QStringLiteral("--preview のため、何も取り込んでいません。\n")};
    }
    if (!preview.refused.isEmpty() && !request.skipRefused) {
        return {1,
                text + QStringLiteral("取り込めない行があるため、何も取り込んでいません。ファイルを直してもう一度"
                                      "取り込むか、--skip-refused を付けて取り込める行だけを取り込んでください。\n")};
    }

    exchange::ImportChoice choice;
    choice.replaceExisting = request.replace;
    const exchange::Imported imported = exchange::importCsv(*store, preview, choice, quiet);
    store->close();
    if (imported.failure) {
        return {1, text + *imported.failure + QStringLiteral("\n")};
    }
    text += QStringLiteral("取り込みました: 追加 %1 日、置き換え %2 日、今の記録を残した日 %3 日")
                .arg(count(imported.added), count(imported.replaced), count(imported.kept));
    if (!preview.refused.isEmpty()) {
        text += QStringLiteral("、取り込まなかった行 %1 行").arg(count(preview.refused.size()));
    }
    return {0, text + QStringLiteral("。\n")};
}

} // namespace app
