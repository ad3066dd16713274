#include "app/session.h"

#include "app/datafolder.h"
#include "store/engines.h"

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

Session::Session(std::unique_ptr<store::Store> store)
    : m_store(store ? std::move(store) : store::makeStore(store::Location()))
{}

std::optional<store::OpenFailure> Session::open(const QString &dataFolder)
{
    m_dataFolder = dataFolder.endsWith(u'/') ? dataFolder : dataFolder + u'/';
    m_openElsewhere = false;
    m_lock.release();
    m_location = dataLocation(m_dataFolder);
    std::optional<store::OpenFailure> failure = m_store->open(m_location);
    if (!failure) {
        m_openElsewhere = holdDataLock(m_lock, m_dataFolder) == common::DataLock::Held::Elsewhere;
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
