#include "common/filesync.h"

#include "common/datalock.h"
#include "common/fileerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMultiHash>

#include <mutex>

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

namespace {

// The first byte of the file is the lock's range; Windows locks a range beyond
// the end of a file too, so the file stays empty.
bool lockFirstByte(HANDLE file, DWORD flags)
{
    OVERLAPPED at{};
    return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

void unlockFirstByte(HANDLE file)
{
    OVERLAPPED at{};
    UnlockFileEx(file, 0, 1, 0, &at);
}

} // namespace

DataLock::Held DataLock::holdFile(const QString &lockFile)
{
    const std::wstring path = QDir::toNativeSeparators(lockFile).toStdWString();
    // Shared for reading, writing and deleting: the lock, not the opening, is what others see.
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Held::NotHeld;
    }
    Held held = Held::Elsewhere;
    if (lockFirstByte(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) {
        held = Held::Alone;
        unlockFirstByte(file);
    }
    // Shared locks never wait for each other; only another program's look
    // of a moment can hold it up.
    if (!lockFirstByte(file, 0)) {
        CloseHandle(file);
        return Held::NotHeld;
    }
    m_handle = file;
    return held;
}

void DataLock::release()
{
    if (m_handle) {
        unlockFirstByte(static_cast<HANDLE>(m_handle));
        CloseHandle(static_cast<HANDLE>(m_handle));
        m_handle = nullptr;
    }
}

bool DataLock::isHeld() const
{
    return m_handle != nullptr;
}

bool DataLock::holdsAlone()
{
    // A handle cannot turn its shared lock exclusive: it lets go for the look.
    const auto file = static_cast<HANDLE>(m_handle);
    unlockFirstByte(file);
    const bool alone = lockFirstByte(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY);
    if (alone) {
        unlockFirstByte(file);
    }
    lockFirstByte(file, 0);
    return alone;
}

WriteBehind::WriteBehind(const QString &path)
{
    // Shared as SQLite shares its files; locks on Windows belong to a handle, so closing this one frees none.
    const HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                                      GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_handle = file == INVALID_HANDLE_VALUE ? nullptr : file;
}

WriteBehind::~WriteBehind()
{
    if (m_handle) {
        ::CloseHandle(static_cast<HANDLE>(m_handle));
    }
}

bool WriteBehind::isOpen() const
{
    return m_handle != nullptr;
}

// Windows has no writing of a range without waiting: the file's buffers are flushed whole.
bool WriteBehind::writeOut()
{
    return m_handle && ::FlushFileBuffers(static_cast<HANDLE>(m_handle)) != 0;
}

SharedLibraryName postgresClientLibrary()
{
    return {QStringLiteral("libpq"), -1}; // libpq.dll, as PostgreSQL's Windows installer ships it
}

QString runningProgramPath()
{
    wchar_t path[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    return length > 0 && length < std::size(path) ? QString::fromWCharArray(path, int(length)) : QString();
}

} // namespace common
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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

// flock() locks belong to the opened file, not to the process as fcntl()
// locks do: two programs, or two openings in one process, see each other's.
DataLock::Held DataLock::holdFile(const QString &lockFile)
{
    const QByteArray path = QFile::encodeName(lockFile);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Held::NotHeld;
    }
    Held held = Held::Elsewhere;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        held = Held::Alone;
    } else if (errno != EWOULDBLOCK) {
        ::close(fd);
        return Held::NotHeld;
    }
    // From exclusive to shared, or shared from the start. Shared locks never
    // wait for each other; only another program's look of a moment can hold it up.
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return Held::NotHeld;
    }
    m_fd = fd;
    return held;
}

void DataLock::release()
{
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
        m_fd = -1;
    }
}

bool DataLock::isHeld() const
{
    return m_fd >= 0;
}

bool DataLock::holdsAlone()
{
    // The lock of this opening turns exclusive only when no other opening,
    // of this process or another, holds one; then it goes back to shared.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    int rc = 0;
    do {
        rc = ::flock(m_fd, LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    return true;
}

WriteBehind::WriteBehind(const QString &path) : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
{}

WriteBehind::~WriteBehind()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool WriteBehind::isOpen() const
{
    return m_fd >= 0;
}

bool WriteBehind::writeOut()
{
    if (m_fd < 0) {
        return false;
    }
#ifdef Q_OS_LINUX
    // The pages the previous call put under writing are waited for, the ones
    // written since are started; neither the file's size nor the folder is
    // synced here, so no file system journal commit is forced either.
    int rc = 0;
    do {
        rc = ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
#else
    return ::fdatasync(m_fd) == 0;
#endif
}

SharedLibraryName postgresClientLibrary()
{
    return {QStringLiteral("pq"), 5}; // libpq.so.5
}

QString runningProgramPath()
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

} // namespace common
#endif

namespace common {

namespace {

// The locks this process holds, by their folder: a look whether others have
// a folder open must not count this program's own.
std::mutex heldMutex;
QMultiHash<QString, DataLock *> &heldHere()
{
    static QMultiHash<QString, DataLock *> held;
    return held;
}

} // namespace

QString canonicalPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

DataLock::~DataLock()
{
    release();
    const std::lock_guard guard(heldMutex);
    heldHere().remove(m_folder, this);
}

DataLock::Held DataLock::hold(const QString &folder)
{
    release();
    {
        const std::lock_guard guard(heldMutex);
        heldHere().remove(m_folder, this);
        m_folder.clear();
    }
    if (!QFileInfo(folder).isDir()) {
        return Held::NotHeld;
    }
    const Held held = holdFile(QDir(folder).filePath(kDataLockFileName));
    if (held != Held::NotHeld) {
        const std::lock_guard guard(heldMutex);
        m_folder = canonicalPath(folder);
        heldHere().insert(m_folder, this);
    }
    return held;
}

bool DataLock::othersHold(const QString &folder)
{
    {
        const std::lock_guard guard(heldMutex);
        const QList<DataLock *> own = heldHere().values(canonicalPath(folder));
        for (DataLock *lock : own) {
            if (lock->isHeld()) {
                return !lock->holdsAlone();
            }
        }
    }
    DataLock look;
    return look.hold(folder) == Held::Elsewhere;
}

} // namespace common
