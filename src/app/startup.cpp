#include "app/startup.h"

#include <QDir>
#include <QFileInfo>

namespace app {

QString startupFailureTitle()
{
    return QStringLiteral("業務日誌 ZEPHRA - 起動できません");
}

QString startupFailureText(const store::OpenFailure &failure, const QString &programPath)
{
    const QFileInfo file(failure.path);
    QString reason;
    if (!file.exists()) {
        reason = file.dir().exists() ? QStringLiteral("ファイルがありません。")
                                     : QStringLiteral("データフォルダーがありません。");
        reason += QStringLiteral("（エラー番号 %1）").arg(failure.error.number);
    } else {
        reason = store::describeForUser(failure.error);
    }
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    const QString program = QDir::toNativeSeparators(programPath);
    const QString head = QStringLiteral("データベースファイルを開けなかったため、業務日誌を起動できません。\n\n"
                                        "ファイル: %1\n理由: %2\n\n")
                             .arg(QDir::toNativeSeparators(failure.path), reason);

    if (store::isBusy(failure.error)) {
        return head +
               QStringLiteral("ファイルは壊れていません。他のプログラム（別に開いている業務日誌など）が使い終わって"
                              "から、起動し直してください。ファイルは変更していません。");
    }
    if (file.exists() || !failure.otherPartPresent) {
        if (file.exists()) {
            return head + QStringLiteral(
                              "ファイルは変更していません。バックアップがあれば、そのファイルと置き換えてください。");
        }
        return head + QStringLiteral("初めて使うときは、空のデータファイルを次のコマンドで作成できます"
                                     "（既にあるファイルは上書きしません）。\n  \"%1\" --init-data \"%2\"")
                          .arg(program, folder);
    }
    // One file of the pair is still there: it must not be replaced by an empty one.
    if (failure.journalPart) {
        return head + QStringLiteral("業務日誌の本体のファイルです。バックアップ（%1 など）から戻してください。")
                          .arg(QDir::toNativeSeparators(file.dir().filePath(QStringLiteral("backup"))));
    }
    return head + QStringLiteral("作業用のファイルです（集計の作業データとヒント）。業務日誌の本体は無事です。\n"
                                 "空の作業用ファイルは、別のフォルダーに作成してから、その %1 をこのフォルダーへ"
                                 "コピーしてください。\n  \"%2\" --init-data \"%3\"")
                      .arg(file.fileName(), program,
                           QDir::toNativeSeparators(QDir::temp().filePath(QStringLiteral("zephra-new-data"))));
}

} // namespace app
