#include "backup/restore.h"

#include "store/store.h"

#include <QDir>
#include <QFile>

#include <filesystem>

namespace backup {

RestoreOutcome restoreCopy(store::Store &store, const QString &dataFolder, const QString &backupFolder,
                           const QString &copyFolder, const QDateTime &now, common::Progress &progress)
{
    RestoreOutcome outcome;
    const QString copy = QDir::toNativeSeparators(copyFolder);
    progress.report(QStringLiteral("控えを確かめています…"), 0, 3);
    store::CopyCheck check;
    if (const store::DbError error = store::checkCopy(copyFolder, check)) {
        outcome.failure =
            QStringLiteral("控え「%1」は正しくないため、復元できません。%2").arg(copy, store::describeForUser(error));
        return outcome;
    }
    progress.report(QStringLiteral("今のデータの控えを作成しています…"), 1, 3);
    const MadeCopy aside = makeCopy(dataFolder, backupFolder, CopyKind::Restore, now);
    if (aside.failure) {
        outcome.failure = QStringLiteral("今のデータの控えを作成できなかったため、復元していません。") + *aside.failure;
        return outcome;
    }
    outcome.asideCopy = aside.path;
    progress.report(QStringLiteral("控えのデータに置き換えています…"), 2, 3);
    if (const store::DbError error = store.restoreFrom(copyFolder)) {
        outcome.failure =
            QStringLiteral("復元できませんでした。データは元のままです。%1").arg(store::describeForUser(error));
        return outcome;
    }
    outcome.restored = check;
    progress.report(QStringLiteral("復元しました。"), 3, 3);
    progress.finish();
    return outcome;
}

RestoreOutcome replaceDamagedFiles(const QString &dataFolder, const QString &backupFolder, const QString &copyFolder,
                                   const QDateTime &now)
{
    RestoreOutcome outcome;
    if (const store::DbError error = store::checkCopy(copyFolder, outcome.restored)) {
        outcome.failure = QStringLiteral("控え「%1」は正しくないため、復元できません。%2")
                              .arg(QDir::toNativeSeparators(copyFolder), store::describeForUser(error));
        return outcome;
    }
    const QDir data(dataFolder);
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
    outcome.asideCopy = backups.absoluteFilePath(aside);
    const QString mainJournal = store::kMainFileName + QStringLiteral("-journal");
    const QString workJournal = store::kWorkFileName + QStringLiteral("-journal");
    for (const QString &name : {store::kMainFileName, store::kWorkFileName, mainJournal, workJournal}) {
        const QString current = data.filePath(name);
        if (QFileInfo::exists(current) && !QFile::copy(current, QDir(outcome.asideCopy).filePath(name))) {
            outcome.failure =
                QStringLiteral("「%1」を残せないため、復元していません。").arg(QDir::toNativeSeparators(current));
            return outcome;
        }
    }
    // Each file is whole at every moment: the copy is written beside it and renamed over it.
    for (const QString &name : {store::kMainFileName, store::kWorkFileName}) {
        const QString incoming = data.filePath(name + QStringLiteral(".restoring"));
        QFile::remove(incoming);
        // A journal left by the damaged file must never be played back into its successor.
        QFile::remove(data.filePath(name + QStringLiteral("-journal")));
        std::error_code error;
        if (!QFile::copy(QDir(copyFolder).filePath(name), incoming) ||
            (std::filesystem::rename(QFile::encodeName(incoming).toStdString(),
                                     QFile::encodeName(data.filePath(name)).toStdString(), error),
             error)) {
            QFile::remove(incoming);
            outcome.failure =
                QStringLiteral("「%1」を置き換えられませんでした。元のファイルは「%2」にあります。")
                    .arg(QDir::toNativeSeparators(data.filePath(name)), QDir::toNativeSeparators(outcome.asideCopy));
            return outcome;
        }
    }
    return outcome;
}

} // namespace backup
