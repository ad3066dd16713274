#include "backup/restore.h"

#include <QDir>

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

} // namespace backup
