// The search index of the data set made anew by the store (every journal text
// in its search form into the trigram table, the table merged into one
// segment, the index marked whole, in one transaction), against a bare FTS5
// trigram table of the same tokenizer filled by one INSERT … SELECT of the
// texts in search form, in one transaction with the program's durability.

#include "barewrites.h"
#include "centurydata.h"
#include "figure.h"

#include "common/progress.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

namespace bench {

namespace {

class IndexBuildFigure final : public Figure
{
public:
    using Figure::Figure;
    ~IndexBuildFigure() override
    {
        m_store.reset();
        sqlite3_close(m_db);
        sqlite3_close(m_reader);
    }

    QString name() const override { return QStringLiteral("index-build-100y"); }
    double limit() const override { return 1.3; }
    QString subjectName() const override { return QStringLiteral("build-search-index"); }
    QString floorName() const override { return QStringLiteral("fts5-insert-select"); }
    int iterations() const override { return 1; }

    void runSubject(benchmark::State &state) override
    {
        QString folder;
        if (!m_store && !(m_store = openDataCopy(QStringLiteral("store"), state, &folder))) {
            return;
        }
        if (!folder.isEmpty() && !openReader(folder, state)) {
            return;
        }
        common::NoProgress quiet;
        for (auto _ : state) {
            const store::DbError error = m_store->buildSearchIndex(quiet);
            state.PauseTiming();
            const qint64 indexed = indexRows();
            state.ResumeTiming();
            if (error) {
                fail(state, error.message);
                return;
            }
            if (indexed != data().records) {
                fail(state, QStringLiteral("the index holds %1 rows").arg(indexed));
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        if (!m_db && !prepareFloor(state)) {
            return;
        }
        for (auto _ : state) {
            QString error;
            const qint64 rows = bareIndexBuild(m_db, &error);
            if (!error.isEmpty() || rows != data().records) {
                fail(state, error.isEmpty() ? QStringLiteral("the floor indexed %1 rows").arg(rows) : error);
                return;
            }
        }
    }

private:
    // The index's rows as another connection reads them once the build is committed; -1 when unreadable.
    qint64 indexRows() const
    {
        sqlite3_stmt *count = nullptr;
        qint64 rows = -1;
        if (sqlite3_prepare_v2(m_reader, "SELECT count(*) FROM 日誌索引", -1, &count, nullptr) == SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW) {
            rows = sqlite3_column_int64(count, 0);
        }
        sqlite3_finalize(count);
        return rows;
    }

    bool openReader(const QString &folder, benchmark::State &state)
    {
        if (sqlite3_open_v2(QFile::encodeName(QDir(folder).filePath(store::kMainFileName)).constData(), &m_reader,
                            SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            fail(state, QString::fromUtf8(sqlite3_errmsg(m_reader)));
            return false;
        }
        return true;
    }

    bool prepareFloor(benchmark::State &state)
    {
        const QString folder = dataCopy(QStringLiteral("floor"), state);
        if (folder.isEmpty()) {
            return false;
        }
        const QString path = QDir(folder).filePath(store::kMainFileName);
        QString error;
        const QByteArray pragmas = programPragmas(path, &error);
        if (error.isEmpty() &&
            (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
             sqlite3_exec(m_db, pragmas.constData(), nullptr, nullptr, nullptr) != SQLITE_OK ||
             !registerSearchForm(m_db))) {
            error = QString::fromUtf8(sqlite3_errmsg(m_db));
        }
        if (!error.isEmpty()) {
            sqlite3_close(m_db);
            m_db = nullptr;
            fail(state, error);
            return false;
        }
        return true;
    }

    std::unique_ptr<store::Store> m_store;
    sqlite3 *m_reader = nullptr;
    sqlite3 *m_db = nullptr;
};

} // namespace

std::unique_ptr<Figure> makeIndexBuildFigure(const Setting &setting)
{
    return std::make_unique<IndexBuildFigure>(setting);
}

} // namespace bench
