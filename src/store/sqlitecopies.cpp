// Copies and checks of the data files, on SQLite connections of their own.

#include "common/fileplacing.h"
#include "common/filesync.h"
#include "store/copies.h"
#include "store/maintenance.h"
#include "store/postgresengine.h"
#include "store/sqliteconnection.h"
#include "store/sqlitefiles.h"
#include "store/sqliteschema.h"
#include "store/sqliteswap.h"
#include "store/sqliteyield.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <mutex>
#include <optional>
#include <sqlite3.h>
#include <thread>

namespace store {

namespace {

using sqlite::Connection;
using sqlite::Statement;

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
        return sqlite::errorFrom(SQLITE_CORRUPT, findings.value(0, QStringLiteral("no result")));
    }
    return {};
}

// Copies of the journal that another program's writes made start again
// before it is copied inside one read transaction.
constexpr int kMaxPasses = 3;
// Pages per step (4 MiB of a journal of 4 KiB pages): a few milliseconds of
// reading, the longest a writer waits. A writer that comes meanwhile keeps
// its claim on the lock (SQLite's pending lock), so the next step waits for
// it rather than the other way round: no pause between steps is needed.
constexpr int kPagesPerStep = 1024;
// Steps after which the copy's new pages are sent to the disk (8 MiB): its
// final sync, which a register's sync waits behind, is then of little data.
constexpr int kStepsPerWriteOut = 2;
// Steps refused by another program's lock before the copy gives up.
constexpr int kMaxBusySteps = 20;
// Restarts of a pass (each write of another program makes one) before it ends.
constexpr int kMaxRestarts = 8;
// Times a copy of the whole journal gives way to a register of this program
// before the copy gives up; after each it waits a little longer.
constexpr int kMaxGiveWays = 5;
constexpr auto kGiveWayPause = std::chrono::milliseconds(300);
// Checks kept from reading by a lock (each after the connection's busy wait)
// once a write of the program made the check step aside, before it gives up.
constexpr int kMaxBusyAfterWrite = 15;

void removeCopy(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// The engine's count of the journal's changes by other connections, read in
// the open read transaction (or one of its own).
DbError dataVersion(Connection &connection, qint64 &version)
{
    Statement pragma(connection, "PRAGMA main.data_version");
    if (!pragma.step()) {
        return pragma.error() ? pragma.error() : sqlite::errorFrom(SQLITE_ERROR, QStringLiteral("no data version"));
    }
    version = pragma.integer(0);
    return {};
}

// Makes the new file at `path` and begins SQLite's online backup of the
// journal into it; the caller closes `target` whatever came of it.
DbError beginCopy(Connection &source, const QString &path, sqlite3 *&target, sqlite3_backup *&backup)
{
    target = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &target,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    backup = rc == SQLITE_OK ? sqlite3_backup_init(target, "main", source.handle(), "main") : nullptr;
    if (backup) {
        return {};
    }
    return sqlite::errorFrom(rc != SQLITE_OK ? rc : sqlite3_errcode(target),
                             QString::fromUtf8(target ? sqlite3_errmsg(target) : sqlite3_errstr(rc)));
}

// SQLite's online backup of the journal into a new file, a few pages per step,
// each step in a read transaction of its own and no lock held between them.
// `version` is the journal's data version the last step saw: the copy is of
// that state. A pass restarted too often by other writes ends with no
// version (-1) and no file.
DbError copyInSteps(Connection &source, const QString &path, qint64 &version)
{
    version = -1;
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        return {DbErrorKind::Exists, QStringLiteral("%1 exists").arg(path)};
    }
    sqlite3 *target = nullptr;
    sqlite3_backup *backup = nullptr;
    DbError error = beginCopy(source, path, target, backup);
    // Opened once SQLite has made the file; closed only after SQLite closes it.
    std::optional<common::WriteBehind> writeBehind;
    if (backup) {
        writeBehind.emplace(path);
    }
    int stepsWritten = 0;
    int busySteps = 0;
    int restarts = 0;
    int remaining = -1;
    while (backup) {
        qint64 seen = -1;
        error = source.execute("BEGIN");
        if (!error) {
            error = dataVersion(source, seen);
        }
        const int rc = error ? SQLITE_BUSY : sqlite3_backup_step(backup, kPagesPerStep);
        (void)source.execute("COMMIT");
        if (error && !isBusy(error)) {
            break;
        }
        error = {};
        if (rc == SQLITE_DONE) {
            version = seen;
            break;
        }
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++busySteps > kMaxBusySteps) {
                error = sqlite::errorFrom(rc, QStringLiteral("the journal stays locked"));
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        if (rc != SQLITE_OK) {
            error = sqlite::errorFrom(rc, QString::fromUtf8(sqlite3_errmsg(target)));
            break;
        }
        const int left = sqlite3_backup_remaining(backup);
        if (remaining >= 0 && left > remaining && ++restarts > kMaxRestarts) {
            break; // written too often meanwhile
        }
        remaining = left;
        if (++stepsWritten % kStepsPerWriteOut == 0) {
            writeBehind->writeOut();
        }
    }
    if (backup) {
        sqlite3_backup_finish(backup);
    }
    if (sqlite3_close(target) != SQLITE_OK && !error) {
        error = {DbErrorKind::CopyFailed, QStringLiteral("cannot close %1").arg(path)};
    }
    writeBehind.reset();
    if (error || version < 0) {
        removeCopy(path);
    }
    return error;
}

// Copies the journal into a new file inside the read transaction the caller
// holds, a step at a time, and gives way (a busy failure, no file) as soon as
// a register of this program waits for that transaction to end: a copy of a
// large journal takes longer than a register waits for the lock.
DbError copyHeld(Connection &source, const QString &path, const sqlite::YieldingRead &read)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        return {DbErrorKind::Exists, QStringLiteral("%1 exists").arg(path)};
    }
    sqlite3 *target = nullptr;
    sqlite3_backup *backup = nullptr;
    DbError error = beginCopy(source, path, target, backup);
    while (backup) {
        if (read.yielded()) {
            error = sqlite::errorFrom(SQLITE_BUSY, QStringLiteral("gave way to a register"));
            break;
        }
        const int rc = sqlite3_backup_step(backup, kPagesPerStep);
        if (rc == SQLITE_DONE) {
            break;
        }
        if (rc != SQLITE_OK) {
            error = sqlite::errorFrom(rc, QString::fromUtf8(sqlite3_errmsg(target)));
            break;
        }
    }
    if (backup) {
        sqlite3_backup_finish(backup);
    }
    if (sqlite3_close(target) != SQLITE_OK && !error) {
        error = {DbErrorKind::CopyFailed, QStringLiteral("cannot close %1").arg(path)};
    }
    if (error) {
        removeCopy(path);
    }
    return error;
}

// Copies the two files of `dataFolder` into the existing `targetFolder`
// through SQLite's online backup, both from one state of the files.
DbError copyDataFiles(const QString &dataFolder, const QString &targetFolder, qint64 &records)
{
    records = 0;
    const QDir data(dataFolder);
    const QDir target(targetFolder);
    if (!target.exists()) {
        return {DbErrorKind::CopyFailed, QStringLiteral("no folder %1").arg(targetFolder)};
    }
    Connection source;
    if (DbError error = source.openReadOnly(data.filePath(kMainFileName), sqlite::mainTables())) {
        return error;
    }
    if (DbError error = source.attach(data.filePath(kWorkFileName), "work", Connection::Access::ReadOnly)) {
        return error;
    }
    const QString mainCopy = target.filePath(kMainFileName);
    const QString workCopy = target.filePath(kWorkFileName);
    // Nothing is written where a file stands: the failure's clearing away
    // below may remove only what this copy made.
    for (const QString &path : {mainCopy, workCopy}) {
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            return DbError(DbErrorKind::Exists, QStringLiteral("file exists: ") + path);
        }
    }
    // The journal, the large file, is copied a few pages at a time, so that a
    // register never waits for more than a step. The small work file and the
    // count are then taken in one read transaction over both files, which also
    // proves the journal unchanged since its copy ended: the pair is of one
    // state. A journal that keeps changing is at last copied inside that
    // transaction, as a whole.
    // That whole copy gives way to the program's registers, and is tried
    // again after a pause.
    int giveWays = 0;
    for (int pass = 1;; ++pass) {
        bool whole = pass > kMaxPasses;
        qint64 copiedVersion = -1;
        if (!whole) {
            if (DbError error = copyInSteps(source, mainCopy, copiedVersion)) {
                return error;
            }
            whole = copiedVersion < 0;
        }
        std::optional<sqlite::YieldingRead> yielding;
        if (whole) {
            yielding.emplace(source.handle());
        }
        if (DbError error = source.execute("BEGIN")) {
            removeCopy(mainCopy);
            return error;
        }
        const auto done = [&](DbError error) {
            (void)source.execute("COMMIT");
            if (error) {
                removeCopy(mainCopy);
                removeCopy(workCopy);
            }
            return error;
        };
        qint64 version = -1;
        if (DbError error = dataVersion(source, version)) {
            return done(error);
        }
        if (!whole && version != copiedVersion) {
            (void)done({});
            removeCopy(mainCopy);
            continue; // another program wrote meanwhile: the journal again
        }
        if (whole) {
            if (DbError error = copyHeld(source, mainCopy, *yielding)) {
                if (yielding->yielded() && ++giveWays <= kMaxGiveWays) {
                    (void)done(error);
                    yielding.reset();
                    std::this_thread::sleep_for(giveWays * kGiveWayPause);
                    pass = 0; // stepped passes first again
                    continue;
                }
                return done(error);
            }
        }
        Statement count(source, "SELECT count(*) FROM main.\"業務日誌\"");
        if (!count.step()) {
            return done(count.error());
        }
        records = count.integer(0);
        count.reset();
        return done(source.backupTo(workCopy, "work"));
    }
}

} // namespace

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
    Statement tally(main, "SELECT count(*), max(\"日付\") FROM \"業務日誌\"");
    if (!tally.step()) {
        return tally.error();
    }
    check.records = tally.integer(0);
    check.newestDay = tally.date(1);
    return {};
}

namespace {

// The file engine's maintenance: the data folder's two files.
class SqliteMaintenance final : public Maintenance, public FileCare
{
public:
    explicit SqliteMaintenance(const QString &folder) : m_folder(folder) {}

    bool hasData() const override
    {
        return QFileInfo::exists(m_folder.filePath(kMainFileName)) &&
               QFileInfo::exists(m_folder.filePath(kWorkFileName));
    }

    DbError copyTo(const QString &targetFolder, qint64 &records) override
    {
        const std::shared_lock inUse(dataFilesInUse());
        if (DbError error = copyDataFiles(m_folder.path(), targetFolder, records)) {
            return error;
        }
        // A copy is never more open than the data it was made from.
        for (const QString &name : {kMainFileName, kWorkFileName}) {
            common::keepPrivate(QDir(targetFolder).filePath(name), m_folder.filePath(name));
        }
        return {};
    }

    // A read of the check that a write of this program interrupted is made
    // again after the write's commit, from the start of that file: SQLite's
    // check cannot resume. A write touching a damaged page meanwhile is
    // refused by SQLite itself, and damage elsewhere is still found here.
    DbError quickCheck() override
    {
        const std::shared_lock inUse(dataFilesInUse());
        for (const QString &name : {kMainFileName, kWorkFileName}) {
            DbError error;
            int busyAfterWrite = 0;
            for (bool again = true; again;) {
                error = checkOnce(name, again);
                // A write's commit keeps the check from reading for a moment;
                // a lock held far longer is another program's, and told as such.
                busyAfterWrite = isBusy(error) ? busyAfterWrite + 1 : 0;
                again = again && busyAfterWrite <= kMaxBusyAfterWrite;
            }
            if (error) {
                return error;
            }
        }
        return {};
    }

    void interrupt() override { m_stop.request(); }

    FileCare *files() override { return this; }

    QStringList dataFiles() const override
    {
        QStringList paths;
        for (const QString &name : {kMainFileName, kWorkFileName}) {
            paths << m_folder.filePath(name) << m_folder.filePath(name + QStringLiteral("-journal"));
        }
        return paths;
    }

    FileReplacement setAsideAndReplace(const QString &copyFolder, const QString &asideFolder) override
    {
        for (const QString &current : dataFiles()) {
            if (QFileInfo::exists(current) &&
                !QFile::copy(current, QDir(asideFolder).filePath(QFileInfo(current).fileName()))) {
                return {DbError(DbErrorKind::CopyFailed, QStringLiteral("cannot copy %1 aside").arg(current)), current,
                        false};
            }
        }
        for (const QString &name : {kMainFileName, kWorkFileName}) {
            const QString target = m_folder.filePath(name);
            const QString incoming = target + QStringLiteral(".restoring");
            QFile::remove(incoming);
            // A journal left by the damaged file must never be played back into its successor.
            QFile::remove(target + QStringLiteral("-journal"));
            if (!QFile::copy(QDir(copyFolder).filePath(name), incoming) || !common::replaceFile(incoming, target)) {
                QFile::remove(incoming);
                return {DbError(DbErrorKind::CopyFailed, QStringLiteral("cannot replace %1").arg(target)), target,
                        true};
            }
        }
        return {};
    }

    DbError prepareRestored(const QString &copyFolder, bool &dataUnreadable) override
    {
        RestoredVersions above;
        dataUnreadable = false;
        if (DbError error = readVersions(above)) {
            dataUnreadable = !isBusy(error);
            return error;
        }
        dropPrepared();
        const QString prepared = preparedFolder(m_folder.path());
        if (!QDir().mkpath(prepared)) {
            return {DbErrorKind::NoAccess, QStringLiteral("cannot make %1").arg(prepared)};
        }
        DbError error = restoreIntoNewFiles(prepared, copyFolder, above);
        // The new files are no more open to others than the ones they replace.
        for (const QString &name : {kMainFileName, kWorkFileName}) {
            common::keepPrivate(QDir(prepared).filePath(name), m_folder.filePath(name));
            if (!error && QFileInfo::exists(QDir(prepared).filePath(name + QStringLiteral("-journal")))) {
                error = {DbErrorKind::Other, QStringLiteral("a write of the restored %1 is unfinished").arg(name)};
            }
        }
        if (error) {
            dropPrepared();
        }
        return error;
    }

    FileReplacement swapInRestored(const QString &asideFolder) override
    {
        return swapInPrepared(m_folder.path(), asideFolder);
    }

    void dropPrepared() override
    {
        const std::unique_lock lock(dataFilesInUse());
        if (!QFileInfo::exists(QDir(preparedFolder(m_folder.path())).filePath(kSwapNoteName))) {
            QDir(preparedFolder(m_folder.path())).removeRecursively();
        }
    }

private:
    // The highest versions the data's journal and hints hold (0 for files of
    // the earlier layout, which keep none).
    DbError readVersions(RestoredVersions &above)
    {
        Connection data;
        if (DbError error = data.openReadOnly(m_folder.filePath(kMainFileName), sqlite::mainTables())) {
            return error;
        }
        if (DbError error = data.attach(m_folder.filePath(kWorkFileName), "work", Connection::Access::ReadOnly)) {
            return error;
        }
        sqlite::VersionColumns columns;
        if (DbError error = sqlite::findVersionColumns(data, columns)) {
            return error;
        }
        Statement highest(data, QStringLiteral("SELECT %1, %2")
                                    .arg(columns.journal ? QStringLiteral("(SELECT coalesce(max(\"版\"), 0) "
                                                                          "FROM main.\"業務日誌\")")
                                                         : QStringLiteral("0"),
                                         columns.hints ? QStringLiteral("(SELECT coalesce(max(\"版\"), 0) "
                                                                        "FROM work.\"ClHint\")")
                                                       : QStringLiteral("0"))
                                    .toUtf8()
                                    .constData());
        if (!highest.step()) {
            return highest.error() ? highest.error() : sqlite::errorFrom(SQLITE_ERROR, QStringLiteral("no versions"));
        }
        above = {highest.integer(0), highest.integer(1)};
        return {};
    }

    // One quick check of one file; `again` when a write made it step aside
    // (or, after one did, kept it from reading while it committed).
    DbError checkOnce(const QString &name, bool &again)
    {
        again = false;
        DbError error;
        bool yielded = false;
        Connection connection;
        error = connection.openReadOnly(m_folder.filePath(name), {}, &m_stop);
        if (!error) {
            const sqlite::YieldingRead read(connection.handle());
            error = runCheck(connection, "PRAGMA quick_check");
            yielded = read.yielded();
        }
        if (error && stopped()) {
            return sqlite::errorFrom(SQLITE_INTERRUPT, QStringLiteral("interrupted"));
        }
        if (error && (yielded || (m_yields > 0 && isBusy(error)))) {
            ++m_yields;
            again = true;
            return error;
        }
        if (error) {
            error.message = name + QStringLiteral(": ") + error.message;
        }
        return error;
    }

    bool stopped() const { return m_stop.requested(); }

    QDir m_folder;
    int m_yields = 0;
    // The program's close: the check ends within a step of the engine.
    sqlite::Stop m_stop;
};

} // namespace

std::unique_ptr<Maintenance> makeMaintenance(const Location &location)
{
    switch (location.kind()) {
    case Location::Kind::Folder:
        return std::make_unique<SqliteMaintenance>(location.folder());
    case Location::Kind::Server:
        return makePostgresMaintenance(location);
    }
    return nullptr;
}

} // namespace store
