#include "app/session.h"

#include <QDir>

namespace app {

Session::Session(std::unique_ptr<store::Store> store) : m_store(std::move(store)) {}

std::optional<store::OpenFailure> Session::open(const QString &dataFolder)
{
    m_dataFolder = dataFolder.endsWith(u'/') ? dataFolder : dataFolder + u'/';
    return m_store->open(m_dataFolder);
}

void Session::close()
{
    m_store->close();
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
