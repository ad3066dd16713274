// A checked copy of the hundred years (backup::makeCopy: the online backup of
// both files from one read transaction, the engine's full check of both
// copies, the record count compared, the rename), against the least any
// checked copy does: SQLite's online backup of the main file into a new file
// and one integrity check of that copy, through SQLite's C interface.

#include "backup/backups.h"
#include "centurydata.h"
#include "figure.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace bench {

namespace {

class BackupFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("backup-100y"); }
    double limit() const override { return 1.3; }
    QString subjectName() const override { return QStringLiteral("make-copy"); }
    QString floorName() const override { return QStringLiteral("sqlite-backup+check"); }
    int iterations() const override { return 3; }

    void runSubject(benchmark::State &state) override
    {
        const QString backups = scratchFolder(QStringLiteral("copies"));
        const QDateTime now(QDate(2026, 12, 7), QTime(21, 5, 9));
        for (auto _ : state) {
            const backup::MadeCopy made = backup::makeCopy(store::Location::inFolder(setting().centuryFolder), backups,
                                                           backup::CopyKind::Daily, now);
            state.PauseTiming();
            const bool removed = QDir(made.path).removeRecursively();
            state.ResumeTiming();
            if (made.failure) {
                fail(state, *made.failure);
                return;
            }
            if (made.check.records != data().records) {
                fail(state, QStringLiteral("the copy holds %1 records").arg(made.check.records));
                return;
            }
            if (!removed) {
                fail(state, QStringLiteral("cannot remove ") + made.path);
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        const QByteArray source = QFile::encodeName(QDir(setting().centuryFolder).filePath(store::kMainFileName));
        const QString target = QDir(scratchFolder(QStringLiteral("floor"))).filePath(store::kMainFileName);
        for (auto _ : state) {
            const QString error = copyAndCheck(source, QFile::encodeName(target));
            state.PauseTiming();
            const bool removed = QFile::remove(target);
            state.ResumeTiming();
            if (!error.isEmpty()) {
                fail(state, error);
                return;
            }
            if (!removed) {
                fail(state, QStringLiteral("cannot remove ") + target);
                return;
            }
        }
    }

private:
    QString scratchFolder(const QString &side)
    {
        if (!m_scratch) {
            m_scratch = std::make_unique<QTemporaryDir>(
                QDir(setting().scratchFolder).filePath(QStringLiteral("backup-XXXXXX")));
        }
        const QString folder = QDir(m_scratch->path()).filePath(side);
        QDir().mkpath(folder);
        return folder;
    }

    // The copy with SQLite's defaults, as the program's copy is written; an error text, empty on success.
    static QString copyAndCheck(const QByteArray &source, const QByteArray &target)
    {
        sqlite3 *from = nullptr;
        sqlite3 *to = nullptr;
        QString error;
        if (sqlite3_open_v2(source.constData(), &from, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_open_v2(target.constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
                SQLITE_OK) {
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
        sqlite3_stmt *check = nullptr;
        if (error.isEmpty() && sqlite3_prepare_v2(to, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW) {
            const char *verdict = reinterpret_cast<const char *>(sqlite3_column_text(check, 0));
            if (qstrcmp(verdict, "ok") != 0) {
                error = QStringLiteral("integrity_check: ") + QString::fromUtf8(verdict);
            }
        } else if (error.isEmpty()) {
            error = QString::fromUtf8(sqlite3_errmsg(to));
        }
        sqlite3_finalize(check);
        sqlite3_close(to);
        sqlite3_close(from);
        return error;
    }

    std::unique_ptr<QTemporaryDir> m_scratch;
};

} // namespace

std::unique_ptr<Figure> makeBackupFigure(const Setting &setting)
{
    return std::make_unique<BackupFigure>(setting);
}

} // namespace bench
