// Importing ten years of the earlier version's journal (the decade test files):
// the program's whole import (the reading child, the judgement of each row,
// the checked transaction) against the least any import does: a bare libmdb
// row loop over the same tables and a bare prepared INSERT loop into the
// program's tables (the journal with its search index, and the settings) in one
// transaction, with the program's durability.

#include "centurydata.h"
#include "figure.h"
#include "legacy/legacyimport.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstdlib>
#include <glib.h>
#include <mdbtools.h>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace bench {

namespace {

const QString kDecadeFolder = QStringLiteral(ZEPHRA_LEGACY_DECADE);

// One text column bound for the floor's row loop.
struct Bound
{
    std::unique_ptr<char[]> value;
    int length = 0;
};

class LegacyFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("legacy-import"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("import-legacy"); }
    QString floorName() const override { return QStringLiteral("libmdb-loop+sqlite-insert"); }
    int iterations() const override { return 3; }

    void runSubject(benchmark::State &state) override
    {
        const legacy::LegacyFiles files = legacy::jetFilesIn(kDecadeFolder);
        const legacy::ReaderCommand reader{QDir(setting().binFolder).filePath(QStringLiteral("zephra_benchapp")),
                                           {legacy::kImportLegacyOption, legacy::kReaderOption}};
        common::NoProgress quiet;
        for (auto _ : state) {
            state.PauseTiming();
            const QString to = freshDataFolder(state);
            state.ResumeTiming();
            if (to.isEmpty()) {
                return;
            }
            const legacy::ImportOutcome outcome =
                legacy::importLegacy(files, to, reader, quiet, QDateTime::currentDateTime());
            if (outcome.failure) {
                fail(state, *outcome.failure);
                return;
            }
            if (outcome.result.imported != 3650) {
                fail(state, QStringLiteral("imported %1 days, not 3650").arg(outcome.result.imported));
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        for (auto _ : state) {
            state.PauseTiming();
            const QString to = freshDataFolder(state);
            QString error;
            const QByteArray pragmas = to.isEmpty() ? QByteArray() : programPragmas(mainPathIn(to), &error);
            state.ResumeTiming();
            if (to.isEmpty() || !error.isEmpty()) {
                fail(state, error);
                return;
            }
            const qint64 rows = bareImport(to, pragmas, &error);
            if (!error.isEmpty()) {
                fail(state, error);
                return;
            }
            if (rows != 3650) {
                fail(state, QStringLiteral("the floor inserted %1 rows, not 3650").arg(rows));
                return;
            }
        }
    }

private:
    static QString mainPathIn(const QString &folder) { return QDir(folder).filePath(store::kMainFileName); }

    // A new folder with the program's two empty files, made outside the timing.
    QString freshDataFolder(benchmark::State &state)
    {
        if (!m_scratch) {
            m_scratch = std::make_unique<QTemporaryDir>(
                QDir(setting().scratchFolder).filePath(QStringLiteral("legacy-XXXXXX")));
        }
        const QString folder = QDir(m_scratch->path()).filePath(QString::number(++m_folders));
        QDir().mkpath(folder);
        if (const store::DbError error = store::createSqliteFiles(folder)) {
            fail(state, error.message);
            return {};
        }
        return folder;
    }

    // Reads every row of the three tables through bound text columns and
    // inserts the journal and the settings row; the number of journal rows.
    static qint64 bareImport(const QString &to, const QByteArray &pragmas, QString *error)
    {
        MdbHandle *mdb =
            mdb_open(QFile::encodeName(QDir(kDecadeFolder).filePath(store::kMainFileName)).constData(), MDB_NOFLAGS);
        if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE)) {
            *error = QStringLiteral("libmdb cannot open the decade file");
            if (mdb) {
                mdb_close(mdb);
            }
            return 0;
        }
        const size_t bindSize = 1 << 20;
        mdb_set_bind_size(mdb, bindSize);
        mdb_set_date_fmt(mdb, "%Y-%m-%d");
        sqlite3 *db = nullptr;
        sqlite3_stmt *insert = nullptr;
        sqlite3_stmt *index = nullptr;
        qint64 rows = 0;
        if (sqlite3_open_v2(QFile::encodeName(mainPathIn(to)).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
                SQLITE_OK ||
            sqlite3_exec(db, pragmas.constData(), nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db,
                               "INSERT INTO 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                               "VALUES (?, ?, ?, ?, ?, ?)",
                               -1, &insert, nullptr) != SQLITE_OK ||
            // The journal file's search index holds each text in its search
            // form (NFKC, case folded); an import writes it too.
            sqlite3_prepare_v2(db, "INSERT INTO 日誌索引 (rowid, 本文) VALUES (last_insert_rowid(), ?)", -1, &index,
                               nullptr) != SQLITE_OK) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        }
        if (error->isEmpty()) {
            rows = readTable(mdb, "業務日誌", 6, bindSize, [&](std::vector<Bound> &columns) {
                sqlite3_bind_text(insert, 1, columns[0].value.get(), columns[0].length, SQLITE_STATIC);
                for (int k = 1; k <= 4; ++k) {
                    if (columns[k].length == 0) {
                        sqlite3_bind_null(insert, k + 1);
                    } else {
                        sqlite3_bind_int64(insert, k + 1, std::strtoll(columns[k].value.get(), nullptr, 10));
                    }
                }
                sqlite3_bind_text(insert, 6, columns[5].value.get(), columns[5].length, SQLITE_STATIC);
                bool done = sqlite3_step(insert) == SQLITE_DONE;
                sqlite3_reset(insert);
                const QByteArray form = QString::fromUtf8(columns[5].value.get(), columns[5].length)
                                            .normalized(QString::NormalizationForm_KC)
                                            .toCaseFolded()
                                            .toUtf8();
                sqlite3_bind_text(index, 1, form.constData(), int(form.size()), SQLITE_STATIC);
                done = done && sqlite3_step(index) == SQLITE_DONE;
                sqlite3_reset(index);
                return done;
            });
            sqlite3_finalize(index);
            index = nullptr;
            sqlite3_finalize(insert);
            insert = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO 自社情報 (年号, LineColor1) VALUES (?, ?)", -1, &insert, nullptr);
            readTable(mdb, "自社情報", 2, bindSize, [&](std::vector<Bound> &columns) {
                sqlite3_bind_text(insert, 1, columns[0].value.get(), columns[0].length, SQLITE_STATIC);
                sqlite3_bind_int64(insert, 2, std::strtoll(columns[1].value.get(), nullptr, 10));
                const bool done = sqlite3_step(insert) == SQLITE_DONE;
                sqlite3_reset(insert);
                return done;
            });
            if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
                *error = QString::fromUtf8(sqlite3_errmsg(db));
            }
        }
        sqlite3_finalize(index);
        sqlite3_finalize(insert);
        sqlite3_close(db);
        mdb_close(mdb);
        return rows;
    }

    template <typename Insert>
    static qint64 readTable(MdbHandle *mdb, const char *name, int columnCount, size_t bindSize, Insert insert)
    {
        MdbTableDef *table = mdb_read_table_by_name(mdb, const_cast<gchar *>(name), MDB_TABLE);
        if (!table) {
            return 0;
        }
        mdb_read_columns(table);
        mdb_rewind_table(table);
        std::vector<Bound> columns(static_cast<std::size_t>(columnCount));
        for (int k = 0; k < columnCount; ++k) {
            columns[std::size_t(k)].value = std::make_unique_for_overwrite<char[]>(bindSize);
            mdb_bind_column(table, k + 1, columns[std::size_t(k)].value.get(), &columns[std::size_t(k)].length);
        }
        qint64 rows = 0;
        while (mdb_fetch_row(table)) {
            if (!insert(columns)) {
                break;
            }
            ++rows;
        }
        mdb_free_tabledef(table);
        return rows;
    }

    std::unique_ptr<QTemporaryDir> m_scratch;
    int m_folders = 0;
};

} // namespace

std::unique_ptr<Figure> makeLegacyFigure(const Setting &setting)
{
    return std::make_unique<LegacyFigure>(setting);
}

} // namespace bench
