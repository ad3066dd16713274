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

} // namespace app
