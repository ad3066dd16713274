#include "common/fileplacing.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace common {

bool replaceFile(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), error);
    return !error;
}

void keepPrivate(const QString &path, const QString &like)
{
    const QFileDevice::Permissions allowed = QFileInfo(like).permissions();
    const QFileDevice::Permissions own = QFileInfo(path).permissions();
    if (allowed && (own & allowed) != own) {
        QFile::setPermissions(path, own & allowed);
    }
}

} // namespace common
