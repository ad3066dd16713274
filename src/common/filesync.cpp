#include "common/filesync.h"

#include <QFile>

#ifdef Q_OS_WIN
namespace common {

// NTFS journals its folder entries itself, and a folder cannot be opened to be flushed.
bool syncFolder(const QString &)
{
    return true;
}

} // namespace common
#else
#include <fcntl.h>
#include <unistd.h>

namespace common {

bool syncFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace common
#endif
