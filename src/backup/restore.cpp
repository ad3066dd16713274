#include "backup/restore.h"

#include "common/datalock.h"
#include "common/fileplacing.h"
#include "common/filesync.h"
#include "store/maintenance.h"
#include "store/store.h"

#include <QDir>
#include <QFile>

namespace backup {

namespace {

// Attempts at the replacing transaction, each waiting for the engine's busy timeout.
constexpr int kRestoreAttempts = 2;

// The damaged path inside a restore: the store is closed, the files kept aside
// and replaced, the store opened on the copy's files.
RestoreOutcome replaceWhileOpen(store::Store &store, const store::Location &data, const QString &backupFolder,
                                const QString &copyFolder, const QDateTime &now)
{
    store.close();
    RestoreOutcome outcome = replaceDamagedFiles(data, backupFolder, copyFolder, now);
    if (const auto failure = store.open(data); failure && !outcome.failure) {
        outcome.failure = QStringLiteral("控えのファイルに置き換えましたが、開けませんでした。%1")
                              .arg(store::describeForUser(failure->error));
    }
    return outcome;
}

// Whether the restore may exchange the data's files instead of writing into
// them: the engine keeps files, no other program has them open (it would go
// on with the files set aside), and the backup folder is on their volume.
bool canSwapFiles(const store::Location &data, const QString &backupFolder, store::Maintenance &maintenance)
{
    if (data.kind() != store::Location::Kind::Folder || !maintenance.files() ||
        common::DataLock::othersHold(data.folder())) {
        return false;
    }
    if (!QFileInfo::exists(backupFolder)) {
        if (!QDir().mkpath(backupFolder)) {
            return false;
        }
        common::keepPrivate(backupFolder, QFileInfo(data.folder()).absoluteFilePath());
    }
    const auto dataVolume = common::fileIdentity(data.folder());
    const auto backupVolume = common::fileIdentity(backupFolder);
    return dataVolume && backupVolume && dataVolume->device == backupVolume->device;
}

// A folder for the data as it was: a copy's name of its own in the backup
// folder (not made yet: the swap makes it once its note names it), as
// private as the data folder.
QString asideFolderName(const QString &backupFolder, const QDateTime &now)
{
    const QDir backups(backupFolder);
    CopyName name{QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second())),
                  CopyKind::Restore, 1};
    while (backups.exists(name.folderName()) || backups.exists(uncheckedName(name.folderName()))) {
        ++name.sequence;
    }
    return backups.absoluteFilePath(name.folderName());
}

// The restore by exchanging files: the copy's data made into new files beside
// the data's, which then take the place of the data's files; these are kept
// whole and unread in a copy of their own. The store is closed for the
// exchange and opened again on the restored files.
RestoreOutcome swapInCopy(store::Store &store, const store::Location &data, const QString &backupFolder,
                          const QString &copyFolder, const QDateTime &now, store::Maintenance &maintenance,
                          common::Progress &progress)
{
    RestoreOutcome outcome;
    store::FileCare &files = *maintenance.files();
    progress.report(QStringLiteral("控えのデータを用意しています…"), 1, 3);
    bool dataUnreadable = false;
    if (const store::DbError error = files.prepareRestored(copyFolder, dataUnreadable)) {
        if (dataUnreadable && store::isDamage(error)) {
            return replaceWhileOpen(store, data, backupFolder, copyFolder, now);
        }
        outcome.failure =
            store::isBusy(error)
                ? busyRefusal()
                : QStringLiteral("復元できませんでした。データは元のままです。%1").arg(store::describeForUser(error));
        return outcome;
    }
    progress.report(QStringLiteral("控えのデータに置き換えています…"), 2, 3);
    store.close();
    // A program that opened the data meanwhile keeps it as it is.
    if (common::DataLock::othersHold(data.folder())) {
        files.dropPrepared();
        outcome.failure = busyRefusal();
    } else {
        const QString aside = asideFolderName(backupFolder, now);
        if (const store::FileReplacement swapped = files.swapInRestored(aside); swapped.error) {
            const QString file = QDir::toNativeSeparators(swapped.file);
            outcome.failure = swapped.keptAside
                                  ? QStringLiteral("「%1」を置き換えられませんでした。元のファイルは「%2」にあります。")
                                        .arg(file, QDir::toNativeSeparators(aside))
                                  : QStringLiteral("「%1」を置き換えられないため、復元していません。").arg(file);
            files.dropPrepared();
        } else {
            common::keepPrivate(aside, QFileInfo(data.folder()).absoluteFilePath());
            outcome.asideCopy = aside;
        }
    }
    if (const auto failure = store.open(data); failure && !outcome.failure) {
        outcome.failure = QStringLiteral("控えのファイルに置き換えましたが、開けませんでした。%1")
                              .arg(store::describeForUser(failure->error));
    }
    return outcome;
}

} // namespace

QString busyRefusal()
{
    return QStringLiteral("他のプログラムがデータベースを使用中のため、復元していません。"
                          "しばらく待ってからやり直してください。");
}

std::optional<QString> refuseAsCopy(const QString &copyFolder, const store::Location &data)
{
    const QString copy = QDir::toNativeSeparators(copyFolder);
    if (data.kind() == store::Location::Kind::Folder &&
        common::canonicalPath(copyFolder) == common::canonicalPath(data.folder())) {
        return QStringLiteral("「%1」はデータフォルダーそのものです。控えのフォルダーを指定してください。").arg(copy);
    }
    if (!parseCopyName(QDir(copyFolder).dirName())) {
        return QStringLiteral("「%1」は確かめ済みの控えのフォルダー（名前が 20261207-210509-daily のような"
                              "フォルダー）ではないため、復元できません。")
            .arg(copy);
    }
    return std::nullopt;
}

bool canReplaceUnopened(const store::OpenFailure &failure)
{
    if (!QFileInfo::exists(failure.path)) {
        return !QFileInfo(failure.path).isSymLink();
    }
    return store::isDamage(failure.error) || failure.error.kind == store::DbErrorKind::MissingTable;
}

RestoreOutcome restoreCopy(store::Store &store, const store::Location &data, const QString &backupFolder,
                           const QString &copyFolder, const QDateTime &now, common::Progress &progress)
{
    RestoreOutcome outcome;
    if (const auto refusal = refuseAsCopy(copyFolder, data)) {
        outcome.failure = refusal;
        return outcome;
    }
    const QString copy = QDir::toNativeSeparators(copyFolder);
    // Data shared on a server is restored only while no other program has it open.
    if (const int others = store::makeMaintenance(data)->otherPrograms(); others > 0) {
        outcome.failure = QStringLiteral("ほかに %1 つの業務日誌がこのデータを開いているため、復元していません。"
                                         "それらを終了してから、もう一度復元してください。")
                              .arg(others);
        return outcome;
    }
    progress.report(QStringLiteral("控えを確かめています…"), 0, 4);
    store::CopyCheck check;
    if (const store::DbError error = store::checkCopy(copyFolder, check)) {
        outcome.failure =
            QStringLiteral("控え「%1」は正しくないため、復元できません。%2").arg(copy, store::describeForUser(error));
        return outcome;
    }
    if (const std::unique_ptr<store::Maintenance> maintenance = store::makeMaintenance(data);
        canSwapFiles(data, backupFolder, *maintenance)) {
        outcome = swapInCopy(store, data, backupFolder, copyFolder, now, *maintenance, progress);
        if (!outcome.failure) {
            outcome.restored = check;
            progress.report(QStringLiteral("復元しました。"), 3, 3);
            progress.finish();
        }
        return outcome;
    }
    // Data another program has open (or on a server) is replaced inside one
    // transaction, after a checked copy of it is made.
    progress.report(QStringLiteral("今のデータを確かめています…"), 1, 4);
    if (const store::DbError damage = store::makeMaintenance(data)->quickCheck()) {
        if (store::isDamage(damage)) {
            return replaceWhileOpen(store, data, backupFolder, copyFolder, now);
        }
        outcome.failure = store::isBusy(damage) ? busyRefusal()
                                                : QStringLiteral("今のデータを確かめられないため、復元していません。%1")
                                                      .arg(store::describeForUser(damage));
        return outcome;
    }
    progress.report(QStringLiteral("今のデータの控えを作成しています…"), 2, 4);
    const MadeCopy aside = makeCopy(data, backupFolder, CopyKind::Restore, now);
    if (aside.failure) {
        if (store::isDamage(aside.error)) {
            return replaceWhileOpen(store, data, backupFolder, copyFolder, now);
        }
        outcome.failure =
            store::isBusy(aside.error)
                ? busyRefusal()
                : QStringLiteral("今のデータの控えを作成できなかったため、復元していません。") + *aside.failure;
        return outcome;
    }
    outcome.asideCopy = aside.path;
    progress.report(QStringLiteral("控えのデータに置き換えています…"), 3, 4);
    store::DbError error;
    for (int attempt = 0; attempt < kRestoreAttempts; ++attempt) {
        error = store.restoreFrom(copyFolder);
        if (!store::isBusy(error)) {
            break;
        }
    }
    if (error) {
        outcome.failure =
            store::isBusy(error)
                ? busyRefusal()
                : QStringLiteral("復元できませんでした。データは元のままです。%1").arg(store::describeForUser(error));
        return outcome;
    }
    outcome.restored = check;
    progress.report(QStringLiteral("復元しました。"), 4, 4);
    progress.finish();
    return outcome;
}

RestoreOutcome replaceDamagedFiles(const store::Location &data, const QString &backupFolder, const QString &copyFolder,
                                   const QDateTime &now)
{
    RestoreOutcome outcome;
    if (const auto refusal = refuseAsCopy(copyFolder, data)) {
        outcome.failure = refusal;
        return outcome;
    }
    const std::unique_ptr<store::Maintenance> maintenance = store::makeMaintenance(data);
    store::FileCare *files = maintenance->files();
    if (!files) {
        outcome.failure =
            QStringLiteral("「%1」のデータはファイルではないため、置き換えられません。").arg(data.display());
        return outcome;
    }
    // Another program with the files open would go on writing into the
    // damaged ones after they are set aside, and its writes would be lost to
    // the data: the files are replaced only when no other program has them.
    if (common::DataLock::othersHold(data.folder())) {
        outcome.failure =
            QStringLiteral("他のプログラムがこのデータを開いているため、壊れたファイルを置き換えていません。"
                           "他のプログラムを終了してから、もう一度復元してください。");
        return outcome;
    }
    if (const store::DbError error = store::checkCopy(copyFolder, outcome.restored)) {
        outcome.failure = QStringLiteral("控え「%1」は正しくないため、復元できません。%2")
                              .arg(QDir::toNativeSeparators(copyFolder), store::describeForUser(error));
        return outcome;
    }
    QDir backups(backupFolder);
    QString aside = QStringLiteral("damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 2; backups.exists(aside); ++n) {
        aside = QStringLiteral("damaged-%1-%2").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss"))).arg(n);
    }
    if (!QDir().mkpath(backups.absoluteFilePath(aside))) {
        outcome.failure = QStringLiteral("「%1」を作成できないため、復元していません。")
                              .arg(QDir::toNativeSeparators(backups.absoluteFilePath(aside)));
        return outcome;
    }
    common::keepPrivate(backups.absoluteFilePath(aside), QFileInfo(data.folder()).absoluteFilePath());
    outcome.asideCopy = backups.absoluteFilePath(aside);
    if (const store::FileReplacement replaced = files->setAsideAndReplace(copyFolder, outcome.asideCopy);
        replaced.error) {
        const QString file = QDir::toNativeSeparators(replaced.file);
        outcome.failure = replaced.keptAside
                              ? QStringLiteral("「%1」を置き換えられませんでした。元のファイルは「%2」にあります。")
                                    .arg(file, QDir::toNativeSeparators(outcome.asideCopy))
                              : QStringLiteral("「%1」を残せないため、復元していません。").arg(file);
    }
    return outcome;
}

} // namespace backup
