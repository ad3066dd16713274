// A totals run over a hundred years (the totals page's run: the period copied
// into the program's own work table, the grid refreshed, the four sums),
// against the floor of one INSERT ... SELECT from the journal into a temporary
// table of the same connection in one transaction, as the program's table is.
// The floor's connection holds the work file attached at the program's
// syncing, as the program's does, so both commit exactly as durably.

#include "centurydata.h"
#include "figure.h"
#include "totalsrun.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace bench {

namespace {

class CalcFigure final : public Figure
{
public:
    using Figure::Figure;
    ~CalcFigure() override
    {
        m_run.reset();
        sqlite3_finalize(m_copy);
        sqlite3_close(m_db);
    }

    QString name() const override { return QStringLiteral("calc-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("totals-run"); }
    QString floorName() const override { return QStringLiteral("insert-select"); }
    int iterations() const override { return 1; }

    void runSubject(benchmark::State &state) override
    {
        if (!prepareSubject(state)) {
            return;
        }
        for (auto _ : state) {
            m_run->run();
        }
        if (const QString trouble = m_run->trouble(); !trouble.isEmpty()) {
            fail(state, trouble);
        }
    }

    void runFloor(benchmark::State &state) override
    {
        if (!prepareFloor(state)) {
            return;
        }
        for (auto _ : state) {
            const bool ok = exec("BEGIN") && exec("DELETE FROM temp.w集計") && sqlite3_step(m_copy) == SQLITE_DONE;
            sqlite3_reset(m_copy);
            const int copied = sqlite3_changes(m_db);
            if (!ok || !exec("COMMIT") || copied != data().records) {
                fail(state, QStringLiteral("copied %1 rows: ").arg(copied) + QString::fromUtf8(sqlite3_errmsg(m_db)));
                exec("ROLLBACK");
                break;
            }
        }
    }

private:
    bool exec(const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    QString copyOfData(const QString &side, QString *error)
    {
        if (!m_folder) {
            m_folder =
                std::make_unique<QTemporaryDir>(QDir(setting().scratchFolder).filePath(QStringLiteral("calc-XXXXXX")));
        }
        const QString folder = QDir(m_folder->path()).filePath(side);
        *error = copyDataFolder(setting().centuryFolder, folder);
        return folder;
    }

    bool prepareSubject(benchmark::State &state)
    {
        if (m_run) {
            return true;
        }
        QString error;
        const QDir folder(copyOfData(QStringLiteral("page"), &error));
        std::unique_ptr<store::Store> store = store::makeSqliteStore();
        if (error.isEmpty()) {
            if (const std::optional<store::OpenFailure> failure =
                    store->open(store::Location::inFolder(folder.path()))) {
                error = failure->path + QStringLiteral(": ") + failure->error.message;
            }
        }
        if (!error.isEmpty()) {
            fail(state, error);
            return false;
        }
        m_run = std::make_unique<TotalsRun>(std::move(store), data());
        if (!m_run->complete()) {
            m_run.reset();
            fail(state, QStringLiteral("the totals page has no period boxes"));
            return false;
        }
        return true;
    }

    bool prepareFloor(benchmark::State &state)
    {
        if (m_db) {
            return true;
        }
        QString error;
        const QDir folder(copyOfData(QStringLiteral("sqlite"), &error));
        const QString journal = folder.filePath(store::kMainFileName);
        const QString work = folder.filePath(store::kWorkFileName);
        const QByteArray pragmas = error.isEmpty() ? programPragmas(journal, &error) : QByteArray();
        const QByteArray attached = error.isEmpty() ? programAttachedPragmas(journal, work, &error) : QByteArray();
        if (error.isEmpty()) {
            const QByteArray attach = "ATTACH DATABASE '" + QFile::encodeName(work).replace('\'', "''") + "' AS work;";
            if (sqlite3_open_v2(QFile::encodeName(journal).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
                    SQLITE_OK ||
                !exec(pragmas.constData()) || !exec(attach.constData()) || !exec(attached.constData()) ||
                !exec("CREATE TEMP TABLE w集計 (日付 DATE, 売上額 INTEGER, 仕入額 INTEGER, 入金額 INTEGER, "
                      "出金額 INTEGER)") ||
                sqlite3_prepare_v2(m_db,
                                   "INSERT INTO temp.w集計 (日付, 売上額, 仕入額, 入金額, 出金額) "
                                   "SELECT 日付, 売上額, 仕入額, 入金額, 出金額 FROM main.業務日誌 "
                                   "WHERE 日付 >= ?1 AND 日付 <= ?2 ORDER BY 日付",
                                   -1, &m_copy, nullptr) != SQLITE_OK) {
                error = QString::fromUtf8(sqlite3_errmsg(m_db));
            } else {
                const QByteArray first = data().firstDay.toString(Qt::ISODate).toUtf8();
                const QByteArray last = data().lastDay.toString(Qt::ISODate).toUtf8();
                sqlite3_bind_text(m_copy, 1, first.constData(), int(first.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(m_copy, 2, last.constData(), int(last.size()), SQLITE_TRANSIENT);
            }
        }
        if (!error.isEmpty()) {
            sqlite3_close(m_db);
            m_db = nullptr;
            fail(state, error);
            return false;
        }
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_folder;

    std::unique_ptr<TotalsRun> m_run;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_copy = nullptr;
};

} // namespace

std::unique_ptr<Figure> makeCalcFigure(const Setting &setting)
{
    return std::make_unique<CalcFigure>(setting);
}

} // namespace bench
