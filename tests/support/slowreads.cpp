#include "support/slowreads.h"

#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <thread>

namespace testsupport {

namespace {

std::atomic<int> g_delay{0};
std::atomic<long long> g_reads{0};
std::mutex g_openedMutex;
std::map<std::string, int> g_opened;
sqlite3_vfs g_vfs;
sqlite3_vfs *g_real = nullptr;
sqlite3_io_methods g_methods;
const sqlite3_io_methods *g_realMethods = nullptr;

int slowRead(sqlite3_file *file, void *buffer, int amount, sqlite3_int64 offset)
{
    ++g_reads;
    if (const int delay = g_delay.load(); delay > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
    }
    return g_realMethods->xRead(file, buffer, amount, offset);
}

// The real file system opens the file in place; only its read is swapped.
int openFile(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    const int rc = g_real->xOpen(g_real, name, file, flags, outFlags);
    if (rc != SQLITE_OK || !file->pMethods || !(flags & SQLITE_OPEN_MAIN_DB) || !(flags & SQLITE_OPEN_READONLY)) {
        return rc;
    }
    if (!g_realMethods) {
        g_realMethods = file->pMethods;
        g_methods = *file->pMethods;
        g_methods.xRead = slowRead;
    }
    if (file->pMethods == g_realMethods) {
        file->pMethods = &g_methods;
        const std::lock_guard lock(g_openedMutex);
        ++g_opened[name ? std::string(name) : std::string()];
    }
    return rc;
}

void install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_real = sqlite3_vfs_find(nullptr);
        g_vfs = *g_real;
        g_vfs.zName = "zephra-slow-reads";
        g_vfs.xOpen = openFile;
        sqlite3_vfs_register(&g_vfs, 1);
    });
}

} // namespace

SlowReads::SlowReads(int microseconds)
{
    install();
    g_reads = 0;
    const std::lock_guard lock(g_openedMutex);
    g_opened.clear();
    g_delay = microseconds;
}

SlowReads::~SlowReads()
{
    g_delay = 0;
}

void SlowReads::setDelay(int microseconds)
{
    g_delay = microseconds;
}

long long SlowReads::reads() const
{
    return g_reads;
}

int SlowReads::opened(const QString &path) const
{
    const std::lock_guard lock(g_openedMutex);
    const std::string wanted = QFileInfo(path).canonicalFilePath().toStdString();
    int count = 0;
    for (const auto &[name, opened] : g_opened) {
        if (QFileInfo(QString::fromStdString(name)).canonicalFilePath().toStdString() == wanted) {
            count += opened;
        }
    }
    return count;
}

} // namespace testsupport
