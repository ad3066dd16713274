#pragma once
// The SQLite connections the program opens while one of these is recording,
// handed over by SQLite's hook for every new connection: faults are made on
// the program's own connections, and what those see is read through them.

#include <QList>
#include <QString>

#include <sqlite3.h>

namespace testsupport {

class ProgramConnections
{
public:
    ProgramConnections()
    {
        s_recording = this;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&record));
    }
    ~ProgramConnections() { stop(); }
    ProgramConnections(const ProgramConnections &) = delete;
    ProgramConnections &operator=(const ProgramConnections &) = delete;

    void stop()
    {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&record));
        s_recording = nullptr;
    }

    // The last connection opened on a file of that name.
    sqlite3 *of(const QString &fileName) const
    {
        for (qsizetype k = m_opened.size() - 1; k >= 0; --k) {
            if (QString::fromUtf8(sqlite3_db_filename(m_opened[k], "main")).endsWith(u'/' + fileName)) {
                return m_opened[k];
            }
        }
        return nullptr;
    }

private:
    static int record(sqlite3 *db, const char **, const sqlite3_api_routines *)
    {
        if (s_recording) {
            s_recording->m_opened.append(db);
        }
        return SQLITE_OK;
    }
    static inline ProgramConnections *s_recording = nullptr;
    QList<sqlite3 *> m_opened;
};

} // namespace testsupport
