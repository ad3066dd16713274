#pragma once
// The arguments of a verb that names a file first and then takes options,
// each at most once: `zephra --export FILE --from DATE --overwrite`.

#include "exchange/export.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace app {

struct VerbOptions
{
    QStringList flags;  // options without a value (--overwrite)
    QStringList valued; // options that take the next argument (--from DATE)
};

// Applies one option, `value` empty for a flag; the reason it cannot.
using TakeOption = std::function<std::optional<QString>(const QString &option, const QString &value)>;

// Reads `arguments` into `path` and `take`; the reason the line is wrong, or
// none. `missingFile` is said when the file is not named first.
std::optional<QString> readVerbArguments(const QStringList &arguments, const QString &missingFile,
                                         const VerbOptions &options, QString &path, const TakeOption &take);

// The value of --encoding: utf8 or cp932.
std::optional<QString> readEncoding(const QString &value, std::optional<exchange::Encoding> &encoding);

} // namespace app
