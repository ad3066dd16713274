#include "app/startup.h"

#include "store/schema.h"

#include <QDir>
#include <QFileInfo>

namespace app {

std::optional<StartupFailure> openDatabases(store::ModVelmoraA &state, const QString &dataFolder)
{
    state.DataFolder = dataFolder;
    state.MainDbPath = dataFolder + store::schema::kMainDbFileName;
    state.WorkDbPath = dataFolder + store::schema::kWorkDbFileName;

    if (const auto error = state.MainDb.open(state.MainDbPath, store::schema::mainTables())) {
        return StartupFailure{state.MainDbPath, error};
    }
    if (const auto error = state.WorkDb.open(state.WorkDbPath, store::schema::workTables())) {
        state.MainDb.close();
        return StartupFailure{state.WorkDbPath, error};
    }
    return std::nullopt;
}

QString startupFailureTitle()
{
    return QStringLiteral("業務日誌 ZEPHRA - 起動できません");
}

QString startupFailureText(const StartupFailure &failure, const QString &programPath)
{
    const QFileInfo file(failure.path);
    QString reason;
    if (!file.exists()) {
        reason = file.dir().exists() ? QStringLiteral("ファイルがありません。")
                                     : QStringLiteral("データフォルダーがありません。");
        reason += QStringLiteral("（SQLite エラー %1）").arg(failure.error.number);
    } else {
        reason = store::describeForUser(failure.error);
    }
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    return QStringLiteral("データベースファイルを開けなかったため、業務日誌を起動できません。\n\n"
                          "ファイル: %1\n"
                          "理由: %2\n\n"
                          "初めて使うときは、空のデータファイルを次のコマンドで作成できます"
                          "（既にあるファイルは上書きしません）。\n"
                          "  \"%3\" --init-data \"%4\"\n\n"
                          "以前のデータを使っている場合は、ファイルを消さずにバックアップから戻してください。")
        .arg(QDir::toNativeSeparators(failure.path), reason, QDir::toNativeSeparators(programPath), folder);
}

} // namespace app
