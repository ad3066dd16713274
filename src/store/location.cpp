#include "store/location.h"

#include <QDir>

namespace store {

Location Location::inFolder(const QString &folder)
{
    Location location;
    location.m_folder = folder.endsWith(u'/') ? folder : folder + u'/';
    return location;
}

Location Location::onServer(const QString &address)
{
    Location location;
    location.m_kind = Kind::Server;
    location.m_address = address;
    return location;
}

QString Location::display() const
{
    return m_kind == Kind::Server ? m_address : QDir::toNativeSeparators(QDir::cleanPath(m_folder));
}

} // namespace store
