#include "app/legacystartup.h"

#include "backup/damageddata.h"
#include "legacy/legacyfiles.h"
#include "legacy/legacyimport.h"

#include "app/datafolder.h"
#include "app/startup.h"
#include "store/engines.h"

#include <QDir>

namespace app {

ConversionAtStart offerLegacyConversion(const QString &dataFolder, common::MessagePresenter &presenter,
                                        common::Progress &progress, const legacy::ReaderCommand &reader,
                                        const QDateTime &now)
{
    using Outcome = ConversionAtStart::Outcome;
    const legacy::LegacyFiles files = legacy::jetFilesIn(dataFolder);
    if (!files.any()) {
        return {};
    }
    QStringList found;
    for (const QString &path : {files.mainPath, files.workPath}) {
        if (!path.isEmpty()) {
            found.append(QStringLiteral("  ") + QDir::toNativeSeparators(path));
        }
    }
    const QString subject = found.join(QLatin1Char('\n')) + QStringLiteral("\n\n移す先:\n  ") +
                            QDir::toNativeSeparators(legacy::legacyFolderFor(files.folder, now));
    common::Msg msg(presenter);
    if (!msg.show(common::Prompt::ConvertLegacyFiles, subject)) {
        return {Outcome::Declined, {}};
    }
    const legacy::ImportOutcome outcome = legacy::importLegacy(files, files.folder, reader, progress, now);
    progress.finish();
    if (outcome.failure) {
        msg.show(common::Prompt::LegacyImportFailed, *outcome.failure);
        return {Outcome::Failed, {}};
    }
    msg.show(common::Prompt::LegacyImported, outcome.summary);
    return {Outcome::Converted, outcome.result.newestDay};
}

CommandResult importLegacyCommand(const QStringList &arguments, const QString &defaultDataFolder,
                                  const legacy::ReaderCommand &reader, const QDateTime &now)
{
    if (arguments.isEmpty() || arguments.size() > 2) {
        return {2, QStringLiteral("使い方: zephra --import-legacy 以前の版のフォルダー [データフォルダー]\n")};
    }
    legacy::LegacyFiles files;
    if (const auto failure = legacy::findLegacyFiles(arguments.at(0), files)) {
        return {1, *failure + QLatin1Char('\n')};
    }
    const QString to = arguments.size() > 1 ? arguments.at(1) : defaultDataFolder;
    common::NoProgress quiet;
    // A journal on a server takes the earlier days as files would; the report stays on this PC.
    if (const store::Location location = dataLocation(to); location.kind() == store::Location::Kind::Server) {
        const std::unique_ptr<store::Store> store = store::makeStore(location);
        if (const auto failure = store->open(location)) {
            return {1, openFailureLine(*failure, location) + QStringLiteral("\n何も変更していません。\n")};
        }
        const legacy::ImportOutcome outcome = legacy::importLegacyOnto(files, *store, to, reader, quiet, now);
        if (outcome.failure) {
            return {1, *outcome.failure + QStringLiteral("\n何も変更していません。\n")};
        }
        return {0, outcome.summary};
    }
    // The program's files already there are written into; earlier files of the same names are moved aside.
    if (const auto damaged = legacy::jetFilesIn(to).any()
                                 ? std::nullopt
                                 : backup::findDamage(dataLocation(to), QDir(to).filePath(QStringLiteral("backup")))) {
        return {1, damaged->refusal() + QStringLiteral("\n何も変更していません。\n")};
    }
    const legacy::ImportOutcome outcome = legacy::importLegacy(files, to, reader, quiet, now);
    if (outcome.failure) {
        return {1, *outcome.failure + QStringLiteral("\n何も変更していません。\n")};
    }
    return {0, outcome.summary};
}

} // namespace app
