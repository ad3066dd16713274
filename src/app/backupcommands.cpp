#include "app/backupcommands.h"

#include "backup/restore.h"

#include "app/datafolder.h"
#include "app/startup.h"
#include "store/engines.h"

#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString describe(const store::CopyCheck &check)
{
    return QStringLiteral("%1 日分、最後の日付 %2")
        .arg(check.records)
        .arg(check.newestDay.isValid() ? check.newestDay.toString(QStringLiteral("yyyy/MM/dd"))
                                       : QStringLiteral("なし"));
}

} // namespace

CommandResult backupCommand(const QStringList &arguments, const QString &dataFolder, const QDateTime &now)
{
    if (arguments.size() > 1) {
        return {2, QStringLiteral("使い方: zephra --backup [控えを置くフォルダー]\n")};
    }
    const QString target = arguments.isEmpty() ? QDir(dataFolder).filePath(QStringLiteral("backup")) : arguments.at(0);
    const store::Location location = dataLocation(dataFolder);
    // A server that cannot be reached, or refuses us, is told as such before anything is made here.
    if (location.kind() == store::Location::Kind::Server) {
        const std::unique_ptr<store::Store> store = store::makeStore(location);
        if (const auto failure = store->open(location)) {
            return {1, openFailureLine(*failure, location) + u'\n'};
        }
    }
    const backup::MadeCopy made = backup::makeCopy(location, target, backup::CopyKind::Manual, now);
    if (made.failure) {
        return {1, *made.failure + QStringLiteral("\n")};
    }
    return {0, QStringLiteral("控えを作成しました（%1）。\n  %2\n").arg(describe(made.check), native(made.path))};
}

CommandResult restoreCommand(const QStringList &arguments, const QString &dataFolder, const QDateTime &now)
{
    if (arguments.size() != 1) {
        return {2, QStringLiteral("使い方: zephra --restore 控えのフォルダー\n")};
    }
    // A copy is a folder; one of its files names it too.
    const QFileInfo named(arguments.at(0));
    const QString copy = named.isDir() ? named.absoluteFilePath() : named.absolutePath();
    if (!named.exists()) {
        return {1, QStringLiteral("「%1」が見つかりません。\n").arg(native(arguments.at(0)))};
    }
    const store::Location location = dataLocation(dataFolder);
    if (const auto refusal = backup::refuseAsCopy(copy, location)) {
        return {1, *refusal + QStringLiteral("\n")};
    }
    const QString backupFolder = QDir(dataFolder).filePath(QStringLiteral("backup"));
    backup::removeLeftovers(backupFolder, now);
    auto store = store::makeStore(location);
    backup::RestoreOutcome outcome;
    if (const auto failure = store->open(location)) {
        // Files that cannot even be opened are replaced whole, and kept aside;
        // files another program holds are left alone.
        if (store::isBusy(failure->error)) {
            return {1, backup::busyRefusal() + QStringLiteral("\n")};
        }
        if (!backup::canReplaceUnopened(*failure)) {
            return {1, openFailureLine(*failure, location) + QStringLiteral("復元していません。\n")};
        }
        outcome = backup::replaceDamagedFiles(location, backupFolder, copy, now);
    } else {
        common::NoProgress quiet;
        outcome = backup::restoreCopy(*store, location, backupFolder, copy, now, quiet);
        store->close();
    }
    if (outcome.failure) {
        return {1, *outcome.failure + QStringLiteral("\n")};
    }
    return {0, QStringLiteral("控えに戻しました（%1）。\n  控え: %2\n  戻す前のデータ: %3\n")
                   .arg(describe(outcome.restored), native(copy), native(outcome.asideCopy))};
}

} // namespace app
