#include "app/verbarguments.h"

namespace app {

std::optional<QString> readVerbArguments(const QStringList &arguments, const QString &missingFile,
                                         const VerbOptions &options, QString &path, const TakeOption &take)
{
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1String("--"))) {
        return missingFile;
    }
    path = arguments.first();
    QStringList seen;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &option = arguments.at(i);
        if (seen.contains(option)) {
            return QStringLiteral("%1 が二度あります。").arg(option);
        }
        seen.append(option);
        QString value;
        if (options.valued.contains(option)) {
            if (i + 1 >= arguments.size()) {
                return QStringLiteral("%1 の値がありません。").arg(option);
            }
            value = arguments.at(++i);
        } else if (!options.flags.contains(option)) {
            return QStringLiteral("「%1」は分かりません。").arg(option);
        }
        if (std::optional<QString> wrong = take(option, value)) {
            return wrong;
        }
    }
    return std::nullopt;
}

std::optional<QString> readEncoding(const QString &value, std::optional<exchange::Encoding> &encoding)
{
    if (value == QLatin1String("utf8")) {
        encoding = exchange::Encoding::Utf8;
    } else if (value == QLatin1String("cp932")) {
        encoding = exchange::Encoding::ShiftJis;
    } else {
        return QStringLiteral("--encoding は utf8 か cp932 です（「%1」）。").arg(value);
    }
    return std::nullopt;
}

} // namespace app
