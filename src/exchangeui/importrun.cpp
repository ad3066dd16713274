#include "exchangeui/importrun.h"

#include "backup/backups.h"
#include "backup/damageddata.h"

#include "common/formats.h"

#include <QDir>

namespace exchangeui {

namespace {

QString count(qint64 n)
{
    return common::formatAmount(n, common::pattern::kAmountZero);
}

QString importedText(const exchange::Imported &imported)
{
    QString text = QStringLiteral("業務日誌に取り込みました。\n\n新しく加えた日: %1 日").arg(count(imported.added));
    text += QStringLiteral("\n置き換えた日: %1 日").arg(count(imported.replaced));
    if (imported.addedTo > 0) {
        text += QStringLiteral("\n足した日: %1 日").arg(count(imported.addedTo));
    }
    text += QStringLiteral("\nそのままにした日: %1 日").arg(count(imported.kept));
    if (imported.refused > 0) {
        text += QStringLiteral("\n足せなかった日: %1 日").arg(count(imported.refused));
    }
    return text;
}

} // namespace

std::optional<exchange::Imported> runImport(store::Store &store, common::Msg &msg,
                                            const exchange::ImportPreview &preview, exchange::ExistingDays existing,
                                            const ImportPlace &place, common::Progress &progress)
{
    if (preview.failure || preview.days == 0) {
        return std::nullopt;
    }
    const qint64 refusedDays = existing == exchange::ExistingDays::Add ? preview.daysNotAdded : 0;
    if (refusedDays > 0 && refusedDays == preview.days) {
        msg.show(common::Prompt::CsvImportFailed,
                 QStringLiteral("足すと金額の範囲か日誌の長さを超える日ばかりのため、何も取り込んでいません。"));
        return std::nullopt;
    }
    if (refusedDays > 0) {
        if (!msg.show(common::Prompt::ConfirmImportSomeDays,
                      QStringLiteral("%1 行、%2 日").arg(count(preview.refusedRows), count(refusedDays)))) {
            return std::nullopt;
        }
    } else if (preview.refusedRows > 0 && !msg.show(common::Prompt::ConfirmImportSome, count(preview.refusedRows))) {
        return std::nullopt;
    }
    if (place.beforeWrite) {
        place.beforeWrite();
    }
    if (const auto damaged = backup::findDamage(place.data, place.backupFolder)) {
        msg.show(common::Prompt::CsvImportFailed, damaged->refusal());
        return std::nullopt;
    }

    const bool replacing = existing != exchange::ExistingDays::Keep && preview.existingDays > 0;
    QString copyNote;
    if (replacing) {
        // Days replaced by mistake can be had back from this copy (設定・情報 → 復元).
        const QString &backupFolder = place.backupFolder;
        const QDateTime now = place.now ? place.now() : QDateTime::currentDateTime();
        progress.report(QStringLiteral("取り込む前のデータの控えを作成しています…"), 0, 0);
        const backup::MadeCopy copy = backup::makeCopy(place.data, backupFolder, backup::CopyKind::Import, now);
        if (copy.failure) {
            progress.finish();
            msg.show(common::Prompt::CsvImportFailed,
                     QStringLiteral("データの控えを作成できなかったため、何も取り込んでいません。\n控えの場所: ") +
                         QDir::toNativeSeparators(copy.path) + QStringLiteral("\n理由: ") + *copy.failure);
            return std::nullopt;
        }
        copyNote = QStringLiteral("\n\n取り込む前のデータの控え: ") + QDir::toNativeSeparators(copy.path);
    }

    exchange::ImportChoice choice;
    choice.existing = existing;
    const exchange::Imported imported = exchange::importCsv(store, preview, choice, progress);
    progress.finish(); // gone before the notice
    if (imported.failure) {
        msg.show(common::Prompt::CsvImportFailed, *imported.failure);
        return std::nullopt;
    }
    msg.show(common::Prompt::CsvImported, importedText(imported) + copyNote);
    return imported;
}

} // namespace exchangeui
