#include "store/dberror.h"

#include "store/store.h"

namespace store {

namespace {

QString reasonFor(const DbError &error)
{
    if (error.number == 1032) { // SQLITE_READONLY_DBMOVED: the path no longer names the open file
        return QStringLiteral("データベースファイルが移動されたか削除されたため、書き込めません。"
                              "プログラムを終了して、起動し直してください。");
    }
    switch (error.primaryCode()) {
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("ファイルが見つからないか、開けません。");
    case 26: // SQLITE_NOTADB
        return QStringLiteral("データベースファイルではありません（壊れているか、別の形式のファイルです）。");
    case 11: // SQLITE_CORRUPT
        return QStringLiteral("データベースファイルが壊れています。");
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("他のプログラムがデータベースを使用中です。しばらく待ってからやり直してください。");
    case 8: // SQLITE_READONLY
        return QStringLiteral("データベースが読み取り専用のため書き込めません。");
    case 13: // SQLITE_FULL
        return QStringLiteral("ディスクの空きがないため書き込めません。");
    case 10: // SQLITE_IOERR
        return QStringLiteral("ディスクの読み書きに失敗しました。");
    case 19: // SQLITE_CONSTRAINT
        return QStringLiteral("同じデータが既に登録されています。");
    case 23: // SQLITE_AUTH
    case 3:  // SQLITE_PERM
        return QStringLiteral("ファイルへのアクセス権がありません。");
    case ErrMissingTable:
        return QStringLiteral("必要な表がありません。");
    case ErrClosed:
        return QStringLiteral("データベースが開かれていません。");
    case ErrFileExists:
        return QStringLiteral("同じ名前のファイルが既にあります。");
    case ErrBadValue:
        return QStringLiteral("値の形式が正しくありません。");
    case ErrBackupFailed:
        return QStringLiteral("控えのファイルを作成できません。");
    case ErrCopyMismatch:
        return QStringLiteral("控えの内容が元のデータと一致しません。");
    case ErrChanged:
        return QStringLiteral("読み込んだ後に他の端末で変更されています。");
    case ErrNewerSchema: {
        const QString found = error.message.section(u' ', -1);
        return QStringLiteral("このデータは新しい版の業務日誌（データの版 %1）で作られているため、"
                              "この版（データの版 %2）では開けません。新しい版の業務日誌を使ってください。")
            .arg(found.toInt() > 0 ? found : QStringLiteral("?"))
            .arg(kSchemaVersion);
    }
    case ErrOlderSchema:
        return QStringLiteral("このデータは前の版の業務日誌の形式のままのため、書き込めません。"
                              "控えを作成してから新しい形式にします。控えのフォルダーに書き込めるか確かめて、"
                              "起動し直してください。");
    case 9: // SQLITE_INTERRUPT
        return QStringLiteral("処理を中断しました。");
    default:
        return QStringLiteral("データベースの処理に失敗しました。");
    }
}

} // namespace

bool isDamage(const DbError &error)
{
    const int code = error.primaryCode();
    return code == 11 || code == 26; // SQLITE_CORRUPT, SQLITE_NOTADB
}

bool isBusy(const DbError &error)
{
    const int code = error.primaryCode();
    return code == 5 || code == 6; // SQLITE_BUSY, SQLITE_LOCKED
}

QString describeForUser(const DbError &error)
{
    if (error.ok()) {
        return {};
    }
    const bool own = error.number >= 10000;
    const QString engine = own ? QStringLiteral("エラー ") : QStringLiteral("SQLite エラー ");
    QString detail = engine + QString::number(error.number);
    if (!error.message.isEmpty()) {
        detail += QStringLiteral(": ") + error.message;
    }
    return reasonFor(error) + QStringLiteral("（") + detail + QStringLiteral("）");
}

} // namespace store
