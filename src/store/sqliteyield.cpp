#include "store/sqliteyield.h"

#include <QFileInfo>

#include <mutex>
#include <sqlite3.h>
#include <vector>

namespace store::sqlite {

namespace {

struct Reader
{
    sqlite3 *db;
    QString file;
    bool yielded;
};

std::mutex &readersMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<Reader> &readers()
{
    static std::vector<Reader> list;
    return list;
}

// One name per file however it was reached.
QString fileOf(sqlite3 *db, const char *schema)
{
    const char *name = sqlite3_db_filename(db, schema);
    if (!name || !*name) {
        return {};
    }
    const QString path = QString::fromUtf8(name);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

YieldingRead::YieldingRead(sqlite3 *db) : m_db(db)
{
    const QString file = fileOf(db, "main");
    const std::lock_guard lock(readersMutex());
    readers().push_back({db, file, false});
}

YieldingRead::~YieldingRead()
{
    const std::lock_guard lock(readersMutex());
    std::erase_if(readers(), [this](const Reader &reader) { return reader.db == m_db; });
}

bool YieldingRead::yielded() const
{
    const std::lock_guard lock(readersMutex());
    for (const Reader &reader : readers()) {
        if (reader.db == m_db) {
            return reader.yielded;
        }
    }
    return false;
}

int yieldReadsFor(sqlite3 *db)
{
    {
        const std::lock_guard lock(readersMutex());
        if (readers().empty()) {
            return 0;
        }
    }
    QStringList files;
    for (int i = 0;; ++i) {
        const char *schema = sqlite3_db_name(db, i);
        if (!schema) {
            break;
        }
        if (const QString file = fileOf(db, schema); !file.isEmpty()) {
            files.append(file);
        }
    }
    int interrupted = 0;
    const std::lock_guard lock(readersMutex());
    for (Reader &reader : readers()) {
        if (reader.db != db && files.contains(reader.file)) {
            reader.yielded = true;
            sqlite3_interrupt(reader.db);
            ++interrupted;
        }
    }
    return interrupted;
}

} // namespace store::sqlite
