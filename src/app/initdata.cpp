#include "app/initdata.h"

#include "app/serverchoice.h"
#include "store/engines.h"

#include <QDir>
#include <QFileInfo>

namespace app {

InitDataResult initData(const QString &folder)
{
    const QDir dir(folder);
    // The files of the folder, also where a server keeps the journal: that is --init-server's.
    const store::Location location = store::Location::inFolder(folder);
    QStringList existing;
    for (const QString &part : store::dataParts(location).present) {
        existing << QDir::toNativeSeparators(part);
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
    const store::Creation made = store::createEmptyData(location);
    if (made.error) {
        return {1, QStringLiteral("%1 を作成できませんでした。%2\n")
                       .arg(QDir::toNativeSeparators(made.failedPart), store::describeForUser(made.error))};
    }
    QString text = QStringLiteral("空のデータファイルを作成しました。\n");
    for (const QString &part : made.made) {
        text += QStringLiteral("  %1\n").arg(QDir::toNativeSeparators(part));
    }
    return {0, text};
}

InitDataResult initServer(const QString &address)
{
    const ServerChoice server = serverFromAddress(address);
    if (server.refused()) {
        return {2, server.refusal + QLatin1Char('\n')};
    }
    const store::Location location = store::Location::onServer(server.address);
    if (!store::makeStore(location)) {
        return {1, QStringLiteral("この版は業務日誌をデータベースサーバーに置けません。\n")};
    }
    const store::Creation made = store::createEmptyData(location);
    if (made.error.kind == store::DbErrorKind::Exists) {
        return {1, QStringLiteral("%1 には業務日誌の表が既にあります。上書きしないため、何も作成しませんでした。\n")
                       .arg(location.display())};
    }
    if (made.error) {
        return {1, QStringLiteral("%1 に業務日誌の表を作成できませんでした。%2\n")
                       .arg(location.display(), store::describeForUser(made.error))};
    }
    return {0, QStringLiteral("%1 に業務日誌の空の表を作成しました。\n").arg(location.display())};
}

} // namespace app
