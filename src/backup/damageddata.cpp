#include "backup/damageddata.h"

#include "store/maintenance.h"

#include <QDir>

namespace backup {

QString DamagedData::refusal() const
{
    QString text = QStringLiteral("データファイルに異常が見つかったため、書き込みません。%1\n").arg(reason);
    if (!goodCopy) {
        return text + QStringLiteral("「%1」に戻せる控えがありません。ファイルの専門家に相談してください。")
                          .arg(QDir::toNativeSeparators(backupFolder));
    }
    return text + QStringLiteral("最新の正しい控え: %1\n控えに戻すには、業務日誌を終了してから次のコマンドを"
                                 "実行してください（今のファイルは消さずに控えのフォルダーに残します）。\n"
                                 "  zephra --restore \"%2\"")
                      .arg(describeGoodCopy(*goodCopy), QDir::toNativeSeparators(goodCopy->entry.path));
}

std::optional<DamagedData> findDamage(const store::Location &data, const QString &backupFolder)
{
    const store::DbError error = store::makeMaintenance(data)->quickCheck();
    if (!store::isDamage(error)) {
        return std::nullopt;
    }
    return DamagedData{store::describeForUser(error), newestGoodCopy(backupFolder), backupFolder};
}

} // namespace backup
