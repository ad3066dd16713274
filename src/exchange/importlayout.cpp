#include "exchange/importlayout.h"

#include "common/fileplacing.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace exchange {

namespace {

constexpr int kFormat = 1;
constexpr qint64 kLargestFile = 4 * 1024 * 1024; // a few hundred layouts are far less

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QJsonObject toJson(const ImportLayout &layout)
{
    QJsonObject amounts;
    for (auto it = layout.amountColumns.cbegin(); it != layout.amountColumns.cend(); ++it) {
        if (!it.value().isEmpty()) {
            amounts.insert(store::columnCaption(it.key()), it.value());
        }
    }
    return {{QStringLiteral("名前"), layout.name},
            {QStringLiteral("日付"), layout.dateColumn},
            {QStringLiteral("金額"), amounts},
            {QStringLiteral("入出金"), layout.signedColumn},
            {QStringLiteral("日誌"), QJsonArray::fromStringList(layout.textColumns)}};
}

std::optional<ImportLayout> fromJson(const QJsonValue &value)
{
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const auto text = [&](const QString &key) -> std::optional<QString> {
        const QJsonValue field = object.value(key);
        if (field.isUndefined()) {
            return QString();
        }
        return field.isString() ? std::optional(field.toString()) : std::nullopt;
    };
    ImportLayout layout;
    const auto name = text(QStringLiteral("名前"));
    const auto date = text(QStringLiteral("日付"));
    const auto signedColumn = text(QStringLiteral("入出金"));
    if (!name || name->trimmed().isEmpty() || !date || !signedColumn) {
        return std::nullopt;
    }
    layout.name = *name;
    layout.dateColumn = *date;
    layout.signedColumn = *signedColumn;
    const QJsonValue amounts = object.value(QStringLiteral("金額"));
    if (!amounts.isUndefined() && !amounts.isObject()) {
        return std::nullopt;
    }
    for (const store::AmountColumn column : store::kAmountColumns) {
        const QJsonValue field = amounts.toObject().value(store::columnCaption(column));
        if (field.isUndefined()) {
            continue;
        }
        if (!field.isString()) {
            return std::nullopt;
        }
        layout.amountColumns.insert(column, field.toString());
    }
    const QJsonValue texts = object.value(QStringLiteral("日誌"));
    if (!texts.isUndefined() && !texts.isArray()) {
        return std::nullopt;
    }
    for (const QJsonValue &column : texts.toArray()) {
        if (!column.isString()) {
            return std::nullopt;
        }
        layout.textColumns.append(column.toString());
    }
    if (layout.fault()) {
        return std::nullopt;
    }
    return layout;
}

} // namespace

QStringList ImportLayout::columnNames() const
{
    QStringList names;
    const auto take = [&](const QString &column) {
        if (!column.isEmpty() && !names.contains(column)) {
            names.append(column);
        }
    };
    take(dateColumn);
    for (const QString &column : amountColumns) {
        take(column);
    }
    take(signedColumn);
    for (const QString &column : textColumns) {
        take(column);
    }
    return names;
}

std::optional<QString> ImportLayout::fault() const
{
    if (dateColumn.isEmpty()) {
        return QStringLiteral("日付の列を選んでください。");
    }
    QStringList taken{dateColumn};
    bool anyValue = false;
    const auto takeOnce = [&](const QString &column) -> std::optional<QString> {
        if (column.isEmpty()) {
            return std::nullopt;
        }
        anyValue = true;
        if (taken.contains(column)) {
            return QStringLiteral("「%1」の列を二つの欄に選んでいます。").arg(column);
        }
        taken.append(column);
        return std::nullopt;
    };
    for (const QString &column : amountColumns) {
        if (auto twice = takeOnce(column)) {
            return twice;
        }
    }
    if (auto twice = takeOnce(signedColumn)) {
        return twice;
    }
    if (!signedColumn.isEmpty() && (!amountColumns.value(store::AmountColumn::MoneyIn).isEmpty() ||
                                    !amountColumns.value(store::AmountColumn::MoneyOut).isEmpty())) {
        return QStringLiteral("入出金の列を選ぶときは、入金額と出金額の列は選べません。");
    }
    // A text column may also be the date or an amount: 摘要 lines often want the amount beside them.
    for (const QString &column : textColumns) {
        anyValue = anyValue || !column.isEmpty();
    }
    if (!anyValue) {
        return QStringLiteral("金額か日誌の列を一つは選んでください。");
    }
    return std::nullopt;
}

HeaderFound findHeader(const QList<CsvRow> &rows, const ImportLayout &layout)
{
    HeaderFound found;
    const QStringList wanted = layout.columnNames();
    qsizetype closest = -1;
    for (qsizetype i = 0; i < rows.size() && i < kHeaderSearchRows; ++i) {
        QStringList names;
        for (const QString &field : rows.at(i).fields) {
            names.append(field.trimmed());
        }
        QStringList missing;
        for (const QString &name : wanted) {
            if (!names.contains(name)) {
                missing.append(name);
            }
        }
        if (missing.isEmpty() && !rows.at(i).fault) {
            found.row = i;
            found.missing.clear();
            return found;
        }
        if (closest < 0 || missing.size() < found.missing.size()) {
            closest = i;
            found.missing = missing;
        }
    }
    if (closest < 0) {
        found.missing = wanted;
    }
    return found;
}

QString layoutsFile(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("取込レイアウト.json"));
}

KeptLayouts readLayouts(const QString &path)
{
    KeptLayouts kept;
    QFile file(path);
    if (!file.exists()) {
        return kept;
    }
    const auto damaged = [&](const QString &why) {
        kept.layouts.clear();
        kept.failure = QStringLiteral("取り込みのレイアウトのファイル「%1」を読めません（%2）。ファイルはそのまま"
                                      "にしてあります。直すか別の場所へ移してください。")
                           .arg(native(path), why);
        return kept;
    };
    if (file.size() > kLargestFile) {
        return damaged(QStringLiteral("大きすぎます"));
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return damaged(file.errorString());
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(kLargestFile + 1), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return damaged(QStringLiteral("壊れています"));
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("形式")).toInt() != kFormat) {
        return damaged(QStringLiteral("この版の知らない形式です"));
    }
    for (const QJsonValue &value : root.value(QStringLiteral("レイアウト")).toArray()) {
        const std::optional<ImportLayout> layout = fromJson(value);
        if (!layout) {
            return damaged(QStringLiteral("壊れたレイアウトがあります"));
        }
        kept.layouts.append(*layout);
    }
    return kept;
}

std::optional<QString> keepLayout(const QString &path, const ImportLayout &layout)
{
    if (const std::optional<QString> fault = layout.fault()) {
        return *fault;
    }
    if (layout.name.trimmed().isEmpty()) {
        return QStringLiteral("レイアウトの名前を書いてください。");
    }
    KeptLayouts kept = readLayouts(path);
    if (kept.failure) {
        return kept.failure;
    }
    bool replaced = false;
    for (ImportLayout &old : kept.layouts) {
        if (old.name == layout.name) {
            old = layout;
            replaced = true;
        }
    }
    if (!replaced) {
        kept.layouts.append(layout);
    }
    QJsonArray all;
    for (const ImportLayout &each : std::as_const(kept.layouts)) {
        all.append(toJson(each));
    }
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{QStringLiteral("形式"), kFormat}, {QStringLiteral("レイアウト"), all}}).toJson();

    const QString incoming = path + QStringLiteral(".new");
    QFile file(incoming);
    const auto failed = [&](const QString &why) {
        file.remove();
        return QStringLiteral("取り込みのレイアウトを「%1」に書けませんでした（%2）。").arg(native(path), why);
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
        return failed(file.errorString());
    }
    file.close();
    if (!common::replaceFile(incoming, path)) {
        return failed(QStringLiteral("ファイルを置き換えられません"));
    }
    return std::nullopt;
}

} // namespace exchange
