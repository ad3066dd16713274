#include "app/initdata.h"

#include "store/schema.h"

#include <QDir>
#include <QFile>

namespace app {

InitDataResult initData(const QString &folder)
{
    const QDir dir(folder);
    const QString mainPath = dir.filePath(store::schema::kMainDbFileName);
    const QString workPath = dir.filePath(store::schema::kWorkDbFileName);

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
    if (const auto error = store::schema::createMainDatabase(mainPath)) {
        return {1, QStringLiteral("%1 を作成できませんでした。%2\n")
                       .arg(QDir::toNativeSeparators(mainPath), store::describeForUser(error))};
    }
    if (const auto error = store::schema::createWorkDatabase(workPath)) {
        // Do not leave a half installation behind: the main file was made just now and is empty.
        QFile::remove(mainPath);
        return {1, QStringLiteral("%1 を作成できませんでした。%2\n")
                       .arg(QDir::toNativeSeparators(workPath), store::describeForUser(error))};
    }
    return {0, QStringLiteral("空のデータファイルを作成しました。\n  %1\n  %2\n")
                   .arg(QDir::toNativeSeparators(mainPath), QDir::toNativeSeparators(workPath))};
}

} // namespace app
