#include "settings/settingscontroller.h"

#include "backup/backups.h"
#include "backup/restore.h"

#include "settings/restoredialog.h"
#include "store/store.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace settings {

SettingsController::SettingsController(store::Store &store, store::Settings &inForce, common::Msg &msg, QObject *parent)
    : QObject(parent), m_store(store), m_inForce(inForce), m_msg(msg)
{}

void SettingsController::load()
{
    std::optional<store::Settings> stored;
    if (m_store.loadSettings(stored)) {
        return; // the page and the settings in force keep what they hold
    }
    store::putInForce(m_inForce, stored);
    emit shown(stored);
    emit settingsInForceChanged();
}

void SettingsController::save(const store::Settings &page, bool confirm)
{
    if (confirm && !m_msg.show(common::Prompt::ConfirmRegister, QStringLiteral("設定"))) {
        return;
    }
    if (const store::DbError error = m_store.saveSettings(page)) {
        m_msg.show(common::Prompt::RegisterFailed,
                   QStringLiteral("設定は登録されていません。\n理由: ") + store::describeForUser(error));
    }
}

void SettingsController::clear()
{
    emit cleared();
}

void SettingsController::reset()
{
    if (!m_msg.show(common::Prompt::ConfirmDelete, QStringLiteral("設定"))) {
        return;
    }
    clear();
    save(store::Settings{common::kWestern, 0}, false);
}

void SettingsController::eraseAll()
{
    if (!m_msg.show(common::Prompt::ConfirmErase, QStringLiteral("初期化します。"))) {
        return;
    }

    if (m_beforeWrite) {
        m_beforeWrite();
    }
    // A copy of the data as it stands, checked, so that an erase made by
    // mistake can be undone (設定・情報 → 復元). Kept until the user deletes it.
    const store::Location erased =
        m_data.folder().isEmpty() ? store::Location::inFolder(QFileInfo(QDir(backupFolder()).absolutePath()).path())
                                  : m_data;
    const backup::MadeCopy copy =
        backup::makeCopy(erased, backupFolder(), backup::CopyKind::Erase, QDateTime::currentDateTime());
    if (copy.failure) {
        m_msg.show(common::Prompt::DeleteFailed,
                   QStringLiteral("データの控えを作成できなかったため、何も削除していません。\n控えの場所: ") +
                       QDir::toNativeSeparators(copy.path) + QStringLiteral("\n理由: ") + *copy.failure);
        return;
    }

    const store::DbError error = m_store.eraseAll();
    if (error) {
        m_msg.show(common::Prompt::DeleteFailed,
                   QStringLiteral("データは削除されていません。\n理由: ") + store::describeForUser(error));
        return;
    }

    clear();
    if (m_otherPages.clearTotals) {
        m_otherPages.clearTotals();
    }
    if (m_otherPages.clearJournal) {
        m_otherPages.clearJournal();
    }
}

void SettingsController::setData(const store::Location &location, const QString &backupFolder)
{
    m_data = location;
    m_backupFolder = backupFolder;
}

void SettingsController::restore()
{
    if (!m_chooseCopy) {
        return;
    }
    const std::optional<QString> chosen = m_chooseCopy(backupFolder());
    if (!chosen) {
        return;
    }
    const std::optional<CopyRow> copy = copyRow(*chosen);
    if (!copy || !copy->readable()) {
        QString why = QStringLiteral("控え「%1」を読み取れません。").arg(QDir::toNativeSeparators(*chosen));
        if (copy) {
            why += *copy->problem;
        }
        m_msg.show(common::Prompt::RestoreFailed, why);
        return;
    }
    if (!m_msg.show(common::Prompt::ConfirmRestore, describeCopy(*copy))) {
        return;
    }

    std::unique_ptr<common::Progress> progress =
        m_makeProgress ? m_makeProgress() : std::make_unique<common::NoProgress>();
    if (m_beforeWrite) {
        m_beforeWrite();
    }
    const backup::RestoreOutcome outcome =
        backup::restoreCopy(m_store, m_data, backupFolder(), copy->folder, QDateTime::currentDateTime(), *progress);
    progress->finish(); // gone before the notice, also when the restore was refused
    if (outcome.failure) {
        m_msg.show(common::Prompt::RestoreFailed, *outcome.failure);
        return;
    }
    m_msg.show(common::Prompt::Restored,
               describeCopy(*copy) + QStringLiteral(" の内容に置き換えました。\n\n置き換える前のデータの控え: ") +
                   QDir::toNativeSeparators(outcome.asideCopy));
    emit restored();
}

} // namespace settings
