#include "app/session.h"

#include "app/datafolder.h"
#include "store/engines.h"
#include "backup/backups.h"

#include <QDir>
#include <QFileInfo>

namespace app {

common::DataLock::Held holdDataLock(common::DataLock &lock, const QString &dataFolder)
{
    lock.release();
    if (store::dataParts(dataLocation(dataFolder)).none()) {
        return common::DataLock::Held::NotHeld;
    }
    return lock.hold(dataFolder);
}

QString openElsewhereLine(const QString &dataFolder)
{
    return QStringLiteral("注意: このデータ（%1）は他のプログラムでも開かれています。このまま続けます。\n")
        .arg(QDir::toNativeSeparators(QDir::cleanPath(dataFolder)));
}

SchemaUpgradeOutcome upgradeAfterCopy(store::Store &store, const store::Location &data, const QString &backupFolder,
                                      const QDateTime &now)
{
    SchemaUpgradeOutcome outcome;
    if (!store.schemaUpgradeNeeded()) {
        return outcome;
    }
    const backup::MadeCopy copy = backup::makeCopy(data, backupFolder, backup::CopyKind::Upgrade, now);
    if (copy.failure) {
        outcome.state = SchemaUpgrade::NoCopy;
        outcome.reason = *copy.failure;
        return outcome;
    }
    outcome.copy = copy.path;
    if (const store::DbError error = store.upgradeSchema()) {
        outcome.state = SchemaUpgrade::Failed;
        outcome.reason = store::describeForUser(error);
        return outcome;
    }
    outcome.state = SchemaUpgrade::Done;
    return outcome;
}

QString schemaUpgradeNotice(const SchemaUpgradeOutcome &outcome)
{
    switch (outcome.state) {
    case SchemaUpgrade::NotNeeded:
    case SchemaUpgrade::Done:
        return {};
    case SchemaUpgrade::NoCopy:
        return QStringLiteral("このデータは前の版の業務日誌の形式です。新しい形式にする前の控えを作成できなかったため、"
                              "形式を変えずに開きました。読むことはできますが、書き込めません。\n（理由: %1）")
            .arg(outcome.reason);
    case SchemaUpgrade::Failed:
        return QStringLiteral(
                   "このデータは前の版の業務日誌の形式です。控え（%1）は作成しましたが、新しい形式にできな"
                   "かったため、形式を変えずに開きました。読むことはできますが、書き込めません。\n（理由: %2）")
            .arg(QDir::toNativeSeparators(outcome.copy), outcome.reason);
    }
    return {};
}

Session::Session(std::unique_ptr<store::Store> store)
    : m_store(store ? std::move(store) : store::makeStore(store::Location()))
{}

std::optional<store::OpenFailure> Session::open(const QString &dataFolder)
{
    m_dataFolder = dataFolder.endsWith(u'/') ? dataFolder : dataFolder + u'/';
    m_openElsewhere = false;
    m_upgrade = {};
    m_lock.release();
    m_location = dataLocation(m_dataFolder);
    std::optional<store::OpenFailure> failure = m_store->open(m_location);
    if (!failure) {
        m_openElsewhere = holdDataLock(m_lock, m_dataFolder) == common::DataLock::Held::Elsewhere;
        m_upgrade = upgradeAfterCopy(*m_store, m_location, backupFolder(), QDateTime::currentDateTime());
    }
    return failure;
}

void Session::close()
{
    m_store->close();
    m_lock.release();
}

store::DbError Session::readSettings(std::optional<store::Settings> &stored)
{
    if (store::DbError error = m_store->loadSettings(stored)) {
        return error;
    }
    store::putInForce(m_settings, stored);
    return {};
}

} // namespace app
