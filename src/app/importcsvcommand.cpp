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
#include <QHash>

#include <optional>
#include <variant>

namespace app {

namespace {

const QString kUsage = QStringLiteral(
    "使い方: zephra --import-csv ファイル [--layout 名前] [--encoding utf8|cp932] [--existing keep|replace|add]\n"
    "                [--replace] [--skip-refused] [--preview]\n"
    "  見出しの行（日付,売上額,仕入額,入金額,出金額,日誌）のある CSV ファイルから業務日誌を取り込みます。\n"
    "  銀行の明細など列の名前が違うファイルは、取り込みの画面で保存したレイアウトを --layout で選びます。\n"
    "  レイアウトで取り込むと、同じ日の行は合計し、摘要を一行ずつ日誌にします。\n"
    "  --preview は取り込む内容を示すだけで、何も書き込みません。\n"
    "  既に記録がある日は --existing で決めます: keep 今の記録を残す（既定）、replace ファイルの内容で置き換える、\n"
    "  add 金額を足し日誌を後ろに加える。--replace は --existing replace と同じです。\n"
    "  取り込めない行があるときは、--skip-refused を付けたときだけ残りの行を取り込みます。\n");

struct Request
{
    QString path;
    std::optional<exchange::Encoding> encoding;
    std::optional<exchange::ExistingDays> existing;
    QString layout;
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
        {QStringLiteral("--encoding"), QStringLiteral("--existing"), QStringLiteral("--layout")}};
    const auto take = [&request](const QString &option, const QString &value) -> std::optional<QString> {
        if (option == QLatin1String("--encoding")) {
            return readEncoding(value, request.encoding);
        }
        if (option == QLatin1String("--layout")) {
            if (value.trimmed().isEmpty()) {
                return QStringLiteral("--layout の次にレイアウトの名前を書いてください。");
            }
            request.layout = value;
            return std::nullopt;
        }
        if (option == QLatin1String("--existing")) {
            static const QHash<QString, exchange::ExistingDays> kinds{
                {QStringLiteral("keep"), exchange::ExistingDays::Keep},
                {QStringLiteral("replace"), exchange::ExistingDays::Replace},
                {QStringLiteral("add"), exchange::ExistingDays::Add}};
            if (!kinds.contains(value)) {
                return QStringLiteral("--existing には keep、replace、add のどれかを書いてください（「%1」）。")
                    .arg(value);
            }
            request.existing = kinds.value(value);
            return std::nullopt;
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
    if (request.replace && request.existing && *request.existing != exchange::ExistingDays::Replace) {
        return QStringLiteral("--replace と --existing %1 は同時に使えません。")
            .arg(*request.existing == exchange::ExistingDays::Keep ? QStringLiteral("keep") : QStringLiteral("add"));
    }
    if (request.replace) {
        request.existing = exchange::ExistingDays::Replace;
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
    const exchange::ExistingDays existing = request.existing.value_or(exchange::ExistingDays::Keep);
    text += QStringLiteral("  既に記録がある日: %1 日（%2）\n")
                .arg(count(preview.existingDays),
                     existing == exchange::ExistingDays::Replace ? QStringLiteral("ファイルの内容で置き換えます")
                     : existing == exchange::ExistingDays::Add ? QStringLiteral("金額を足し、日誌を後ろに加えます")
                                                               : QStringLiteral("今の記録を残します"));
    text += QStringLiteral("  取り込めない行: %1 行\n").arg(count(preview.refusedRows));
    if (!preview.ignoredColumns.isEmpty()) {
        text += QStringLiteral("  使わない列: %1\n").arg(preview.ignoredColumns.join(QStringLiteral("、")));
    }
    for (const exchange::RefusedRow &row : preview.refused) {
        text += row.column.isEmpty() ? QStringLiteral("  %1 行目: %2\n").arg(row.line).arg(row.reason)
                                     : QStringLiteral("  %1 行目 %2: %3\n").arg(row.line).arg(row.column, row.reason);
    }
    if (preview.refusedRows > preview.refused.size()) {
        text += QStringLiteral("  ほか %1 行\n").arg(count(preview.refusedRows - preview.refused.size()));
    }
    if (existing == exchange::ExistingDays::Add) {
        for (const exchange::PlannedDay &day : preview.notAdded) {
            text +=
                QStringLiteral("  %1: %2\n").arg(day.result.date.toString(QStringLiteral("yyyy/MM/dd")), day.reason);
        }
        if (preview.daysNotAdded > preview.notAdded.size()) {
            text += QStringLiteral("  ほか %1 日\n").arg(count(preview.daysNotAdded - preview.notAdded.size()));
        }
    }
    return text;
}

// What was written, on one line.
QString importedLine(const exchange::Imported &imported, const exchange::ImportChoice &choice, qint64 refusedRows)
{
    QString text = QStringLiteral("取り込みました: 追加 %1 日、置き換え %2 日、今の記録を残した日 %3 日")
                       .arg(count(imported.added), count(imported.replaced), count(imported.kept));
    if (imported.addedTo > 0 || choice.existing == exchange::ExistingDays::Add) {
        text += QStringLiteral("、足した日 %1 日").arg(count(imported.addedTo));
    }
    if (imported.refused > 0) {
        text += QStringLiteral("、足せなかった日 %1 日").arg(count(imported.refused));
    }
    if (refusedRows > 0) {
        text += QStringLiteral("、取り込まなかった行 %1 行").arg(count(refusedRows));
    }
    return text + QStringLiteral("。\n");
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
    std::optional<exchange::ImportLayout> layout;
    if (!request.layout.isEmpty()) {
        const exchange::KeptLayouts kept = exchange::readLayouts(exchange::layoutsFile(dataFolder));
        if (kept.failure) {
            return {1, *kept.failure + QStringLiteral("\n何も取り込んでいません。\n")};
        }
        for (const exchange::ImportLayout &each : kept.layouts) {
            if (each.name == request.layout) {
                layout = each;
            }
        }
        if (!layout) {
            QStringList names;
            for (const exchange::ImportLayout &each : kept.layouts) {
                names.append(QStringLiteral("「%1」").arg(each.name));
            }
            return {1, QStringLiteral("取り込みのレイアウト「%1」はありません。%2\n何も取り込んでいません。\n")
                           .arg(request.layout,
                                names.isEmpty() ? QStringLiteral("レイアウトは取り込みの画面で列を選んで保存します。")
                                                : QStringLiteral("あるのは ") + names.join(QStringLiteral("、")) +
                                                      QStringLiteral(" です。"))};
        }
    }
    common::NoProgress quiet;
    const QString path = QFileInfo(request.path).absoluteFilePath();
    const exchange::ImportChoice choice{request.existing.value_or(exchange::ExistingDays::Keep)};
    std::optional<exchange::Imported> failed;
    if (!request.previewOnly && !layout) {
        // Judged and written in one reading; a file with refused rows is judged whole below, to tell them all.
        exchange::OnePassImport once = exchange::importCsvInOnePass(*store, path, request.encoding, choice, quiet);
        if (once.outcome == exchange::OnePassImport::Done) {
            store->close();
            return {0, describe(once.preview, request) + importedLine(once.imported, choice, 0)};
        }
        if (once.outcome == exchange::OnePassImport::Failed) {
            failed = once.imported; // told after what the file would have brought
        }
    }
    const exchange::ImportPreview preview =
        layout ? exchange::previewCsvImport(*store, path, request.encoding, *layout, quiet)
               : exchange::previewCsvImport(*store, path, request.encoding, quiet);
    if (preview.failure) {
        const QString hint =
            preview.needsLayout
                ? QStringLiteral("\n銀行の明細など列の名前が違うファイルは、取り込みの画面で列を選んでレイアウトを"
                                 "保存し、--layout 名前 で取り込んでください。")
                : QString();
        return {1, *preview.failure + hint + QStringLiteral("\n何も取り込んでいません。\n")};
    }
    QString text = describe(preview, request);
    if (request.previewOnly) {
        return {0, text + QStringLiteral("--preview のため、何も取り込んでいません。\n")};
    }
    if (failed) {
        return {1, text + failed->failure.value_or(QString()) + QStringLiteral("\n")};
    }
    const qint64 refusedDays = choice.existing == exchange::ExistingDays::Add ? preview.daysNotAdded : 0;
    if ((preview.refusedRows > 0 || refusedDays > 0) && !request.skipRefused) {
        return {1,
                text + QStringLiteral("取り込めない行があるため、何も取り込んでいません。ファイルを直してもう一度"
                                      "取り込むか、--skip-refused を付けて取り込める行だけを取り込んでください。\n")};
    }

    const exchange::Imported imported = exchange::importCsv(*store, preview, choice, quiet);
    store->close();
    if (imported.failure) {
        return {1, text + *imported.failure + QStringLiteral("\n")};
    }
    return {0, text + importedLine(imported, choice, preview.refusedRows)};
}

} // namespace app
