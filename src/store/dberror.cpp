#include "store/dberror.h"

#include "store/store.h"

#include <QStringList>

namespace store {

namespace {

// The store's own failures and their numbers.
struct OwnNumber
{
    DbErrorKind kind;
    StoreErrorNumber number;
};
constexpr OwnNumber kOwnNumbers[] = {
    {DbErrorKind::MissingTable, ErrMissingTable}, {DbErrorKind::Closed, ErrClosed},
    {DbErrorKind::Exists, ErrFileExists},         {DbErrorKind::RefusedValue, ErrBadValue},
    {DbErrorKind::CopyFailed, ErrBackupFailed},   {DbErrorKind::CopyMismatch, ErrCopyMismatch},
    {DbErrorKind::Changed, ErrChanged},           {DbErrorKind::NewerLayout, ErrNewerSchema},
    {DbErrorKind::OlderLayout, ErrOlderSchema},
};

int ownNumber(DbErrorKind kind)
{
    for (const OwnNumber &own : kOwnNumbers) {
        if (own.kind == kind) {
            return own.number;
        }
    }
    return 0;
}

QString reasonFor(const DbError &error)
{
    switch (error.kind) {
    case DbErrorKind::None:
        return {};
    case DbErrorKind::Moved:
        return QStringLiteral("データベースファイルが移動されたか削除されたため、書き込めません。"
                              "プログラムを終了して、起動し直してください。");
    case DbErrorKind::Missing:
        return QStringLiteral("ファイルが見つからないか、開けません。");
    case DbErrorKind::NotADatabase:
        return QStringLiteral("データベースファイルではありません（壊れているか、別の形式のファイルです）。");
    case DbErrorKind::Damaged:
        return QStringLiteral("データベースファイルが壊れています。");
    case DbErrorKind::Busy:
        return QStringLiteral("他のプログラムがデータベースを使用中です。しばらく待ってからやり直してください。");
    case DbErrorKind::ReadOnly:
        return QStringLiteral("データベースが読み取り専用のため書き込めません。");
    case DbErrorKind::DiskFull:
        return QStringLiteral("ディスクの空きがないため書き込めません。");
    case DbErrorKind::DiskFailed:
        return QStringLiteral("ディスクの読み書きに失敗しました。");
    case DbErrorKind::Duplicate:
        return QStringLiteral("同じデータが既に登録されています。");
    case DbErrorKind::NoAccess:
        return QStringLiteral("ファイルへのアクセス権がありません。");
    case DbErrorKind::MissingTable:
        return QStringLiteral("必要な表がありません。");
    case DbErrorKind::Closed:
        return QStringLiteral("データベースが開かれていません。");
    case DbErrorKind::Exists:
        return QStringLiteral("同じ名前のファイルが既にあります。");
    case DbErrorKind::RefusedValue:
        return QStringLiteral("値の形式が正しくありません。");
    case DbErrorKind::CopyFailed:
        return QStringLiteral("控えのファイルを作成できません。");
    case DbErrorKind::CopyMismatch:
        return QStringLiteral("控えの内容が元のデータと一致しません。");
    case DbErrorKind::Changed:
        return QStringLiteral("読み込んだ後に他の端末で変更されています。");
    case DbErrorKind::NewerLayout: {
        const QString found = error.message.section(u' ', -1);
        return QStringLiteral("このデータは新しい版の業務日誌（データの版 %1）で作られているため、"
                              "この版（データの版 %2）では開けません。新しい版の業務日誌を使ってください。")
            .arg(found.toInt() > 0 ? found : QStringLiteral("?"))
            .arg(kSchemaVersion);
    }
    case DbErrorKind::OlderLayout:
        return QStringLiteral("このデータは前の版の業務日誌の形式のままのため、書き込めません。"
                              "控えを作成してから新しい形式にします。控えのフォルダーに書き込めるか確かめて、"
                              "起動し直してください。");
    case DbErrorKind::Interrupted:
        return QStringLiteral("処理を中断しました。");
    case DbErrorKind::ConnectionLost:
        return QStringLiteral("データベースとの接続が切れました。");
    case DbErrorKind::Other:
        break;
    }
    return QStringLiteral("データベースの処理に失敗しました。");
}

} // namespace

DbError::DbError(DbErrorKind failure, QString text)
    : kind(failure), number(ownNumber(failure)), message(std::move(text))
{}

bool isDamage(const DbError &error)
{
    return error.kind == DbErrorKind::Damaged || error.kind == DbErrorKind::NotADatabase;
}

bool isBusy(const DbError &error)
{
    return error.kind == DbErrorKind::Busy;
}

QString describeForUser(const DbError &error)
{
    if (error.ok()) {
        return {};
    }
    QStringList detail;
    if (error.number != 0) {
        detail.append(QStringLiteral("エラー番号 ") + QString::number(error.number));
    }
    if (!error.message.isEmpty()) {
        detail.append(error.message);
    }
    const QString reason = reasonFor(error);
    return detail.isEmpty() ? reason
                            : reason + QStringLiteral("（") + detail.join(QStringLiteral(": ")) + QStringLiteral("）");
}

} // namespace store
