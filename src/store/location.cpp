#include "store/location.h"

#include <QDir>

namespace store {

Location Location::inFolder(const QString &folder)
{
    Location location;
    location.m_folder = folder.endsWith(u'/') ? folder : folder + u'/';
    return location;
}

QString Location::display() const
{
    return QDir::toNativeSeparators(QDir::cleanPath(m_folder));
}

} // namespace store
