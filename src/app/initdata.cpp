#include "app/initdata.h"

#include "store/store.h"

#include <QDir>
#include <QFileInfo>

namespace app {

InitDataResult initData(const QString &folder)
{
    const QDir dir(folder);
    const QString mainPath = dir.filePath(store::kMainFileName);
    const QString workPath = dir.filePath(store::kWorkFileName);

    QStringList existing;
    for (const QString &path : {mainPath, workPath}) {
        if (QFileInfo::exists(path)) {
            existing << QDir::toNativeSeparators(path);
        }
    }
    if (!existing.isEmpty()) {
        return {1, QStringLiteral("データファイルは既にあります。上書きしないため、何も作成しませんでした。\n  %1\n")
                       .arg(existing.join(QStringLiteral("\n  ")))};
    }
    if (!QDir().mkpath(dir.absolutePath())) {
        return {1, QStringLiteral("データフォルダーを作成できませんでした: %1\n")
                       .arg(QDir::toNativeSeparators(dir.absolutePath()))};
    }
    // A failed second file takes the first one away with it: no half installation is left.
    QString failedPath;
    if (const store::DbError error = store::createSqliteFiles(dir.path(), &failedPath)) {
        return {1, QStringLiteral("%1 を作成できませんでした。%2\n")
                       .arg(QDir::toNativeSeparators(failedPath), store::describeForUser(error))};
    }
    return {0, QStringLiteral("空のデータファイルを作成しました。\n  %1\n  %2\n")
                   .arg(QDir::toNativeSeparators(mainPath), QDir::toNativeSeparators(workPath))};
}

} // namespace app
