// Copies and checks of the data files, on SQLite connections of their own.

#include "store/copies.h"
#include "store/sqliteconnection.h"
#include "store/sqliteschema.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace store {

namespace {

using sqlite::Connection;
using sqlite::Statement;

constexpr int kInterrupted = 9; // SQLITE_INTERRUPT

// Runs an integrity or quick check; its first line of findings as the failure.
DbError runCheck(Connection &connection, const char *pragma)
{
    Statement check(connection, pragma);
    QStringList findings;
    while (check.step()) {
        findings.append(check.text(0));
    }
    if (check.error()) {
        return check.error();
    }
    if (findings != QStringList{QStringLiteral("ok")}) {
        return {11, findings.value(0, QStringLiteral("no result"))}; // SQLITE_CORRUPT
    }
    return {};
}

} // namespace

DbError copyDataFiles(const QString &dataFolder, const QString &targetFolder, qint64 &records)
{
    records = 0;
    const QDir data(dataFolder);
    const QDir target(targetFolder);
    if (!target.exists()) {
        return {ErrBackupFailed, QStringLiteral("no folder %1").arg(targetFolder)};
    }
    Connection source;
    if (DbError error = source.openReadOnly(data.filePath(kMainFileName), sqlite::mainTables())) {
        return error;
    }
    if (DbError error = source.attach(data.filePath(kWorkFileName), "work", Connection::Access::ReadOnly)) {
        return error;
    }
    // One read transaction over both files: the count and the two copies are
    // of one state.
    if (DbError error = source.execute("BEGIN")) {
        return error;
    }
    Statement count(source, "SELECT count(*) FROM main.業務日誌");
    DbError error = count.step() ? DbError{} : count.error();
    records = error ? 0 : count.integer(0);
    count.reset();
    const QString mainCopy = target.filePath(kMainFileName);
    const QString workCopy = target.filePath(kWorkFileName);
    if (!error) {
        error = source.backupTo(mainCopy, "main");
    }
    if (!error) {
        error = source.backupTo(workCopy, "work");
        if (error) {
            QFile::remove(mainCopy);
        }
    }
    (void)source.execute("COMMIT");
    return error;
}

DbError checkCopy(const QString &folder, CopyCheck &check, CheckDepth depth)
{
    check = CopyCheck{};
    const QDir dir(folder);
    Connection work;
    if (DbError error = work.openReadOnly(dir.filePath(kWorkFileName), sqlite::workTables())) {
        return error;
    }
    if (DbError error = depth == CheckDepth::Full ? runCheck(work, "PRAGMA integrity_check") : DbError{}) {
        return error;
    }
    Connection main;
    if (DbError error = main.openReadOnly(dir.filePath(kMainFileName), sqlite::mainTables())) {
        return error;
    }
    if (DbError error = depth == CheckDepth::Full ? runCheck(main, "PRAGMA integrity_check") : DbError{}) {
        return error;
    }
    Statement tally(main, "SELECT count(*), max(日付) FROM 業務日誌");
    if (!tally.step()) {
        return tally.error();
    }
    check.records = tally.integer(0);
    check.newestDay = tally.date(1);
    return {};
}

DbError QuickCheck::run(const QString &dataFolder)
{
    const QDir data(dataFolder);
    for (const QString &name : {kMainFileName, kWorkFileName}) {
        Connection connection;
        if (DbError error = connection.openReadOnly(data.filePath(name), {})) {
            return error;
        }
        {
            const std::lock_guard lock(m_mutex);
            if (m_interrupted) {
                return {kInterrupted, QStringLiteral("interrupted")};
            }
            m_running = connection.handle();
        }
        DbError error = runCheck(connection, "PRAGMA quick_check");
        {
            const std::lock_guard lock(m_mutex);
            m_running = nullptr;
        }
        if (error) {
            error.message = QFileInfo(data.filePath(name)).fileName() + QStringLiteral(": ") + error.message;
            return error;
        }
    }
    return {};
}

void QuickCheck::interrupt()
{
    const std::lock_guard lock(m_mutex);
    m_interrupted = true;
    if (m_running) {
        sqlite3_interrupt(m_running);
    }
}

} // namespace store
