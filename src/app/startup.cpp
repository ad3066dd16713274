#include "app/startup.h"

#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

// Why the server's journal could not be opened, and what to do, by kind.
struct ServerFailure
{
    QString reason;
    QString advice;
};

ServerFailure serverFailure(const store::OpenFailure &failure, const QString &programPath, const QString &address)
{
    switch (failure.error.kind) {
    case store::DbErrorKind::ConnectionLost:
        return {QStringLiteral("サーバーに接続できません。"),
                QStringLiteral("サーバーが動いているか、ネットワークがつながっているか、server.conf のホスト名と"
                               "ポート番号が正しいかを確かめてから、起動し直してください。")};
    case store::DbErrorKind::NoAccess:
        return {QStringLiteral("サーバーが接続を認めませんでした（パスワードが違うか、利用者に権限がありません）。"),
                QStringLiteral("パスワードは、利用者のホームフォルダーの .pgpass か環境変数 PGPASSWORD に"
                               "置いてください。利用者とその権限はサーバーの管理者に確かめてください。")};
    case store::DbErrorKind::Missing:
        return {QStringLiteral("サーバーに、そのデータベースか利用者がありません。"),
                QStringLiteral("server.conf のデータベース名と利用者名を確かめてください。")};
    case store::DbErrorKind::MissingTable:
        return {QStringLiteral("データベースに業務日誌の表がありません。"),
                QStringLiteral("空のデータベースには、次のコマンドで表を作成できます。\n  \"%1\" --init-server \"%2\"\n"
                               "この PC の業務日誌を移すときは --move-to-server を使ってください。")
                    .arg(QDir::toNativeSeparators(programPath), address)};
    default:
        return {store::describeForUser(failure.error), QStringLiteral("サーバーのデータは変更していません。")};
    }
}

// The server's own words, on one line, for the person who looks after it.
QString serverWords(const store::OpenFailure &failure)
{
    const QString words = failure.error.message.simplified();
    return words.isEmpty() ? QString() : QStringLiteral("（サーバーの応答: %1）").arg(words);
}

} // namespace

QString startupFailureTitle()
{
    return QStringLiteral("業務日誌 ZEPHRA - 起動できません");
}

QString startupFailureText(const store::OpenFailure &failure, const store::Location &location,
                           const QString &programPath)
{
    if (location.kind() == store::Location::Kind::Server) {
        const ServerFailure why = serverFailure(failure, programPath, location.display());
        const bool known = failure.error.kind == store::DbErrorKind::ConnectionLost ||
                           failure.error.kind == store::DbErrorKind::NoAccess ||
                           failure.error.kind == store::DbErrorKind::Missing ||
                           failure.error.kind == store::DbErrorKind::MissingTable;
        return QStringLiteral("サーバーの業務日誌を開けなかったため、業務日誌を起動できません。\n\n"
                              "サーバー: %1\n理由: %2\n\n%3")
            .arg(location.display(), known ? why.reason + u'\n' + serverWords(failure) : why.reason, why.advice);
    }
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

QString openFailureLine(const store::OpenFailure &failure, const store::Location &location)
{
    if (location.kind() == store::Location::Kind::Server) {
        const ServerFailure why = serverFailure(failure, QStringLiteral("zephra"), location.display());
        return QStringLiteral("サーバー「%1」の業務日誌を開けません。%2%3%4")
            .arg(location.display(), why.reason, why.advice,
                 failure.error.kind == store::DbErrorKind::Other ? QString() : serverWords(failure))
            .replace(QLatin1String("\n  "), QLatin1String(" "))
            .replace(QLatin1Char('\n'), QLatin1Char(' '))
            .trimmed();
    }
    return QStringLiteral("「%1」を開けません。%2")
        .arg(QDir::toNativeSeparators(failure.path), store::describeForUser(failure.error));
}

} // namespace app
