// Putting a checked copy of the data set back (zephra --restore: the copy's
// full check, the copy's data made into new files with their search index,
// swapped in by renames, the data as it was kept aside), against the least
// any restore does: SQLite's online backup of the copy's journal file over
// the data's, with the program's durability, after the same full integrity
// check of the copy's files, and the search index the copies do not carry
// made the bare way.

#include "backup/backups.h"
#include "barewrites.h"
#include "centurydata.h"
#include "figure.h"

#include "app/backupcommands.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace bench {

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(9, 30, 0));

// The journal's records in the folder's journal file; -1 when unreadable.
qint64 recordsIn(const QString &folder)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *count = nullptr;
    qint64 rows = -1;
    if (sqlite3_open_v2(QFile::encodeName(QDir(folder).filePath(store::kMainFileName)).constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT count(*) FROM 業務日誌", -1, &count, nullptr) == SQLITE_OK &&
        sqlite3_step(count) == SQLITE_ROW) {
        rows = sqlite3_column_int64(count, 0);
    }
    sqlite3_finalize(count);
    sqlite3_close(db);
    return rows;
}

// The engine's full check of one file, on a connection of its own for reading; an error text, empty when sound.
QString integrityOf(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *check = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) != SQLITE_OK ||
        sqlite3_step(check) != SQLITE_ROW) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    } else if (const char *verdict = reinterpret_cast<const char *>(sqlite3_column_text(check, 0));
               qstrcmp(verdict, "ok") != 0) {
        error = QStringLiteral("integrity_check: ") + QString::fromUtf8(verdict);
    }
    sqlite3_finalize(check);
    sqlite3_close(db);
    return error;
}

class RestoreFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("restore-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("restore"); }
    QString floorName() const override { return QStringLiteral("check+sqlite-backup"); }
    int iterations() const override { return 1; }

    void runSubject(benchmark::State &state) override
    {
        const QString folder = dataCopy(QStringLiteral("program"), state);
        if (folder.isEmpty() || !prepareCopy(state)) {
            return;
        }
        const QString asides = QDir(folder).filePath(QStringLiteral("backup"));
        for (auto _ : state) {
            const app::CommandResult result = app::restoreCommand({m_copy}, folder, kNow);
            state.PauseTiming();
            const bool removed = QDir(asides).removeRecursively();
            const qint64 records = recordsIn(folder);
            state.ResumeTiming();
            if (result.exitStatus != 0) {
                fail(state, result.message);
                return;
            }
            if (records != data().records || !removed) {
                fail(state, QStringLiteral("the data holds %1 records after the restore").arg(records));
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        const QString folder = dataCopy(QStringLiteral("floor"), state);
        if (folder.isEmpty() || !prepareCopy(state)) {
            return;
        }
        const QString target = QDir(folder).filePath(store::kMainFileName);
        QString error;
        const QByteArray pragmas = programPragmas(target, &error);
        for (auto _ : state) {
            if (error.isEmpty()) {
                error = bareRestore(m_copy, target, pragmas);
            }
            state.PauseTiming();
            const qint64 records = recordsIn(folder);
            state.ResumeTiming();
            if (!error.isEmpty()) {
                fail(state, error);
                return;
            }
            if (records != data().records) {
                fail(state, QStringLiteral("the floor's data holds %1 records").arg(records));
                return;
            }
        }
    }

private:
    // The copy both sides put back: a checked copy of the data set, made once.
    bool prepareCopy(benchmark::State &state)
    {
        if (!m_copy.isEmpty()) {
            return true;
        }
        m_copies = std::make_unique<QTemporaryDir>(
            QDir(setting().scratchFolder).filePath(QStringLiteral("restore-copies-XXXXXX")));
        const backup::MadeCopy made = backup::makeCopy(store::Location::inFolder(setting().centuryFolder),
                                                       m_copies->path(), backup::CopyKind::Manual, kNow);
        if (made.failure || made.check.records != data().records) {
            fail(state, made.failure.value_or(QStringLiteral("the copy holds %1 records").arg(made.check.records)));
            return false;
        }
        m_copy = made.path;
        return true;
    }

    // Both files of the copy checked, then its journal file written over the data's and its search index made; an
    // error text, empty on success.
    static QString bareRestore(const QString &copy, const QString &target, const QByteArray &pragmas)
    {
        for (const QString &file : {store::kMainFileName, store::kWorkFileName}) {
            if (QString error = integrityOf(QDir(copy).filePath(file)); !error.isEmpty()) {
                return error;
            }
        }
        sqlite3 *from = nullptr;
        sqlite3 *to = nullptr;
        QString error;
        if (sqlite3_open_v2(QFile::encodeName(QDir(copy).filePath(store::kMainFileName)).constData(), &from,
                            SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_open_v2(QFile::encodeName(target).constData(), &to, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(to, pragmas.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            error = QStringLiteral("cannot open the files");
        }
        if (error.isEmpty()) {
            sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
            const int step = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(to);
            sqlite3_backup_finish(backup);
            if (step != SQLITE_DONE) {
                error = QString::fromUtf8(sqlite3_errmsg(to));
            }
        }
        // The copies carry no search index: any restore makes one, here the bare way.
        if (error.isEmpty() && (!registerSearchForm(to) || bareIndexBuild(to, &error) <= 0) && error.isEmpty()) {
            error = QStringLiteral("the floor indexed no text");
        }
        sqlite3_close(to);
        sqlite3_close(from);
        return error;
    }

    std::unique_ptr<QTemporaryDir> m_copies;
    QString m_copy;
};

} // namespace

std::unique_ptr<Figure> makeRestoreFigure(const Setting &setting)
{
    return std::make_unique<RestoreFigure>(setting);
}

} // namespace bench
