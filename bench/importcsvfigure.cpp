// Importing the data set's own CSV export into empty data files through the
// command's code (the file judged and written in one reading inside the one
// transaction, each day with its search index entry, then read back), against the
// least any import does: a plain CSV split of the same bytes and one prepared
// INSERT loop into the journal and its search index in one transaction, with
// the program's durability.

#include "barewrites.h"
#include "centurydata.h"
#include "exchange/export.h"
#include "figure.h"

#include "app/importcsvcommand.h"
#include "store/engines.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace bench {

namespace {

// The rows of `table` in the journal file of `folder`; -1 when unreadable.
qint64 rowsIn(const QString &folder, const char *table)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *count = nullptr;
    qint64 rows = -1;
    const QByteArray sql = QByteArray("SELECT count(*) FROM ") + table;
    if (sqlite3_open_v2(QFile::encodeName(QDir(folder).filePath(store::kMainFileName)).constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.constData(), -1, &count, nullptr) == SQLITE_OK &&
        sqlite3_step(count) == SQLITE_ROW) {
        rows = sqlite3_column_int64(count, 0);
    }
    sqlite3_finalize(count);
    sqlite3_close(db);
    return rows;
}

class ImportCsvFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("import-csv-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("import-csv"); }
    QString floorName() const override { return QStringLiteral("csv-split+sqlite-insert"); }
    int iterations() const override { return 1; }

    void runSubject(benchmark::State &state) override
    {
        if (!prepareCsv(state)) {
            return;
        }
        for (auto _ : state) {
            state.PauseTiming();
            const QString to = freshDataFolder(state);
            state.ResumeTiming();
            if (to.isEmpty()) {
                return;
            }
            const app::CommandResult result = app::importCsvCommand({m_csv}, to);
            state.PauseTiming();
            const QString wrong = result.exitStatus != 0 ? result.message : checkImported(to);
            state.ResumeTiming();
            if (!wrong.isEmpty()) {
                fail(state, wrong);
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        if (!prepareCsv(state)) {
            return;
        }
        for (auto _ : state) {
            state.PauseTiming();
            const QString to = freshDataFolder(state);
            QString error;
            const QString path = QDir(to).filePath(store::kMainFileName);
            const QByteArray pragmas = to.isEmpty() ? QByteArray() : programPragmas(path, &error);
            state.ResumeTiming();
            if (to.isEmpty() || !error.isEmpty()) {
                fail(state, error);
                return;
            }
            const qint64 rows = bareCsvImport(m_csv, path, pragmas, &error);
            state.PauseTiming();
            const QString wrong = !error.isEmpty()         ? error
                                  : rows != data().records ? QStringLiteral("the floor inserted %1 rows").arg(rows)
                                                           : checkImported(to);
            state.ResumeTiming();
            if (!wrong.isEmpty()) {
                fail(state, wrong);
                return;
            }
        }
    }

private:
    QString checkImported(const QString &folder) const
    {
        const qint64 journal = rowsIn(folder, "業務日誌");
        const qint64 index = rowsIn(folder, "日誌索引");
        if (journal != data().records || index != data().records) {
            return QStringLiteral("the journal holds %1 records, its index %2").arg(journal).arg(index);
        }
        return {};
    }

    QString scratch()
    {
        if (!m_scratch) {
            m_scratch = std::make_unique<QTemporaryDir>(
                QDir(setting().scratchFolder).filePath(QStringLiteral("import-csv-XXXXXX")));
        }
        return m_scratch->path();
    }

    // The data set's whole period exported once by the program, the input of both sides.
    bool prepareCsv(benchmark::State &state)
    {
        if (!m_csv.isEmpty()) {
            return true;
        }
        const QString path = QDir(scratch()).filePath(QStringLiteral("journal.csv"));
        QString folder;
        const auto store = openDataCopy(QStringLiteral("export"), state, &folder);
        if (!store) {
            return false;
        }
        common::NoProgress quiet;
        const exchange::Exported exported = exchange::exportJournal(
            *store, data().period(), {path, exchange::Format::Csv, exchange::Encoding::Utf8, {}, true}, quiet);
        store->close();
        QDir(folder).removeRecursively();
        if (exported.failure || exported.rows != data().records) {
            fail(state, exported.failure.value_or(QStringLiteral("exported %1 rows").arg(exported.rows)));
            return false;
        }
        m_csv = path;
        return true;
    }

    // A new folder with the program's two empty files; the one before is removed.
    QString freshDataFolder(benchmark::State &state)
    {
        if (!m_lastFolder.isEmpty()) {
            QDir(m_lastFolder).removeRecursively();
        }
        m_lastFolder = QDir(scratch()).filePath(QStringLiteral("data-%1").arg(++m_folders));
        QDir().mkpath(m_lastFolder);
        if (const store::Creation made = store::createEmptyData(store::Location::inFolder(m_lastFolder)); made.error) {
            fail(state, made.failedPart + QStringLiteral(": ") + made.error.message);
            return {};
        }
        return m_lastFolder;
    }

    std::unique_ptr<QTemporaryDir> m_scratch;
    QString m_csv;
    QString m_lastFolder;
    int m_folders = 0;
};

} // namespace

std::unique_ptr<Figure> makeImportCsvFigure(const Setting &setting)
{
    return std::make_unique<ImportCsvFigure>(setting);
}

} // namespace bench
