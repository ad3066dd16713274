#include "common/filesync.h"

#include "common/fileerror.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <qt_windows.h>

namespace common {

// NTFS journals its folder entries itself, and a folder cannot be opened to be flushed.
bool syncFolder(const QString &)
{
    return true;
}

std::optional<FileIdentity> fileIdentity(const QString &path)
{
    // No access asked for: the file's facts only, also while another program has it open.
    const HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(handle, &info);
    ::CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

SystemError lastSystemError()
{
    const DWORD code = ::GetLastError();
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return {FileFault::DiskFull, int(code)};
    case ERROR_DISK_QUOTA_EXCEEDED:
        return {FileFault::QuotaFull, int(code)};
    case ERROR_ACCESS_DENIED:
        return {FileFault::Denied, int(code)};
    case ERROR_WRITE_PROTECT:
        return {FileFault::ReadOnlyDisk, int(code)};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return {FileFault::Missing, int(code)};
    case ERROR_DIRECTORY:
        return {FileFault::NotAFolder, int(code)};
    case ERROR_FILENAME_EXCED_RANGE:
        return {FileFault::NameTooLong, int(code)};
    case ERROR_FILE_TOO_LARGE:
        return {FileFault::TooLarge, int(code)};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return {FileFault::InUse, int(code)};
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
        return {FileFault::DiskError, int(code)};
    default:
        return {FileFault::Other, int(code)};
    }
}

} // namespace common
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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

std::optional<FileIdentity> fileIdentity(const QString &path)
{
    struct stat facts
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &facts) != 0) {
        return std::nullopt;
    }
    return FileIdentity{quint64(facts.st_dev), quint64(facts.st_ino)};
}

SystemError lastSystemError()
{
    const int code = errno;
    switch (code) {
    case ENOSPC:
        return {FileFault::DiskFull, code};
    case EDQUOT:
        return {FileFault::QuotaFull, code};
    case EACCES:
    case EPERM:
        return {FileFault::Denied, code};
    case EROFS:
        return {FileFault::ReadOnlyDisk, code};
    case ENOENT:
        return {FileFault::Missing, code};
    case ENOTDIR:
        return {FileFault::NotAFolder, code};
    case EISDIR:
        return {FileFault::IsAFolder, code};
    case ENAMETOOLONG:
        return {FileFault::NameTooLong, code};
    case EFBIG:
        return {FileFault::TooLarge, code};
    case ETXTBSY:
        return {FileFault::InUse, code};
    case EIO:
        return {FileFault::DiskError, code};
    default:
        return {FileFault::Other, code};
    }
}

} // namespace common
#endif
