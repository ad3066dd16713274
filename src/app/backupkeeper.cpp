#include "app/backupkeeper.h"

#include "app/datafolder.h"

#include <QDir>
#include <QSettings>
#include <QThread>

namespace app {

namespace {

const QString kFailureToldKey = QStringLiteral("backup/failureTold");

bool madeToday(const QString &backupFolder, QDate today)
{
    for (const backup::CopyEntry &copy : backup::listCopies(backupFolder)) {
        if (backup::isThinned(copy.name.kind) && copy.name.time.date() == today) {
            return true;
        }
    }
    return false;
}

} // namespace

BackupKeeper::BackupKeeper(const QString &dataFolder, std::function<QDateTime()> now, QObject *parent)
    : QObject(parent)
    , m_dataFolder(dataFolder)
    , m_data(dataLocation(dataFolder))
    , m_now(std::move(now))
    , m_check(store::makeMaintenance(m_data))
{}

BackupKeeper::~BackupKeeper()
{
    stop();
}

QString BackupKeeper::backupFolder() const
{
    return QDir(m_dataFolder).filePath(QStringLiteral("backup"));
}

void BackupKeeper::startChecks()
{
    if (m_worker) {
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_checking = true;
    }
    m_worker = QThread::create([this] { runInBackground(); });
    m_worker->start(QThread::LowPriority);
}

void BackupKeeper::runInBackground()
{
    const store::DbError damage = m_check->quickCheck();
    {
        const std::lock_guard lock(m_mutex);
        m_checking = false;
    }
    m_checked.notify_all();
    if (damage.kind == store::DbErrorKind::Interrupted) { // the program is closing
        return;
    }
    if (store::isBusy(damage)) {
        return; // another program kept the files locked: nothing was found, and nothing is copied
    }
    if (damage) {
        const QString reason = store::describeForUser(damage);
        QMetaObject::invokeMethod(
            this, [this, reason] { emit checkFailed(reason); }, Qt::QueuedConnection);
        return; // a damaged file is not copied over the good copies
    }
    // Shared data is copied by the first program of the day, wherever it runs.
    const QDate today = m_now().date();
    if (madeToday(backupFolder(), today) || m_check->dailyCopyMade(today)) {
        return;
    }
    backup::MadeCopy made;
    if (const auto failure = copyAndThin(backup::CopyKind::Daily, &made)) {
        const QString reason = *failure;
        QMetaObject::invokeMethod(
            this, [this, reason] { emit copyFailed(reason); }, Qt::QueuedConnection);
    } else {
        m_check->noteDailyCopy(today);
        const QString path = made.path;
        QMetaObject::invokeMethod(
            this, [this, path] { emit copyMade(path); }, Qt::QueuedConnection);
    }
}

std::optional<QString> BackupKeeper::copyAndThin(backup::CopyKind kind, backup::MadeCopy *made)
{
    const QDateTime now = m_now();
    backup::MadeCopy copy = backup::makeCopy(m_data, backupFolder(), kind, now);
    if (made) {
        *made = copy;
    }
    if (copy.failure) {
        return copy.failure; // the older copies stay as they are
    }
    backup::thinCopies(backupFolder(), now, backup::readGenerations(m_dataFolder));
    return std::nullopt;
}

void BackupKeeper::waitForCheck()
{
    std::unique_lock lock(m_mutex);
    m_checked.wait(lock, [this] { return !m_checking; });
}

void BackupKeeper::stop()
{
    if (!m_worker) {
        return;
    }
    m_check->interrupt();
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
}

backup::MadeCopy BackupKeeper::copyAtExit()
{
    stop();
    backup::MadeCopy made;
    copyAndThin(backup::CopyKind::Exit, &made);
    return made;
}

bool BackupKeeper::shouldTellFailure()
{
    QSettings ini(QDir(m_dataFolder).filePath(backup::kSettingsFileName), QSettings::IniFormat);
    if (ini.value(kFailureToldKey).toBool()) {
        return false;
    }
    ini.setValue(kFailureToldKey, true);
    return true;
}

void BackupKeeper::noteCopyMade()
{
    QSettings ini(QDir(m_dataFolder).filePath(backup::kSettingsFileName), QSettings::IniFormat);
    if (ini.contains(kFailureToldKey)) {
        ini.remove(kFailureToldKey);
    }
}

} // namespace app
