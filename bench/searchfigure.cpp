// Searches of the hundred years through the store, newest first, 1,000 days at
// most: two words against a bare query of an FTS5 trigram table holding the
// same journal texts, and one character against a bare instr() scan of the
// journal. Both floors copy the same columns of the same number of rows out
// of the statement.

#include "centurydata.h"
#include "figure.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <string>
#include <vector>

namespace bench {

namespace {

constexpr int kLimit = 1000;

struct Hit
{
    std::string date;
    sqlite3_int64 sales;
    std::string text;
};

std::string text(sqlite3_stmt *row, int column)
{
    return {reinterpret_cast<const char *>(sqlite3_column_text(row, column)),
            std::size_t(sqlite3_column_bytes(row, column))};
}

class SearchFigure : public Figure
{
public:
    using Figure::Figure;
    ~SearchFigure() override
    {
        sqlite3_finalize(m_select);
        sqlite3_close(m_db);
    }

    int iterations() const override { return 5; }

    void runSubject(benchmark::State &state) override
    {
        const auto store = openDataCopy(QStringLiteral("subject"), state);
        if (!store) {
            return;
        }
        if (store->searchIndexState() != store::SearchIndexState::Whole) {
            fail(state, QStringLiteral("the data has no whole search index"));
            return;
        }
        store::SearchResult result;
        for (auto _ : state) {
            if (const store::DbError error = store->search({words(), {}, {}, kLimit}, result)) {
                fail(state, error.message);
                return;
            }
        }
        if (result.hits.size() != kLimit || !result.more || result.scanned) {
            fail(state, QStringLiteral("the search found %1 days").arg(result.hits.size()));
            return;
        }
        m_subjectNewest = result.hits.first().date.toString(Qt::ISODate).toUtf8();
    }

    void runFloor(benchmark::State &state) override
    {
        const QString folder = dataCopy(QStringLiteral("floor"), state);
        if (folder.isEmpty() || !prepareFloor(folder, state)) {
            return;
        }
        // The hits copied out of the statement, as any caller that keeps them must.
        std::vector<Hit> hits;
        for (auto _ : state) {
            sqlite3_reset(m_select);
            hits.clear();
            while (sqlite3_step(m_select) == SQLITE_ROW) {
                hits.push_back({text(m_select, 0), sqlite3_column_int64(m_select, 1), text(m_select, 2)});
            }
            benchmark::DoNotOptimize(hits.data());
        }
        if (hits.size() != kLimit + 1) {
            fail(state, QStringLiteral("the bare query read %1 rows").arg(hits.size()));
        } else if (!m_subjectNewest.isEmpty() && hits.front().date != m_subjectNewest.toStdString()) {
            fail(state, QStringLiteral("the bare query's newest day differs from the program's"));
        }
    }

protected:
    virtual QString words() const = 0;
    // The floor's statement on the floor's copy (with what it needs made there once).
    virtual bool prepareStatement(sqlite3 *db, QString &error) = 0;

private:
    bool prepareFloor(const QString &folder, benchmark::State &state)
    {
        if (m_select) {
            return true;
        }
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(store::kMainFileName));
        QString error;
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            !prepareStatement(m_db, error)) {
            fail(state, error.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(m_db)) : error);
            return false;
        }
        return true;
    }

protected:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_select = nullptr;

private:
    QByteArray m_subjectNewest;
};

bool exec(sqlite3 *db, const char *sql, QString &error)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        error = QString::fromUtf8(message ? message : "unknown error");
        sqlite3_free(message);
        return false;
    }
    return true;
}

// Two words of three characters and more: the trigram index answers them.
class WordsFigure final : public SearchFigure
{
public:
    using SearchFigure::SearchFigure;
    QString name() const override { return QStringLiteral("search-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("store-search"); }
    QString floorName() const override { return QStringLiteral("bare-fts5-trigram"); }

protected:
    QString words() const override { return data().words; }
    bool prepareStatement(sqlite3 *db, QString &error) override
    {
        // The journal's texts as they are, in a trigram table of their own;
        // each word a phrase of the match.
        QByteArray phrases;
        for (const QString &word : words().split(u' ', Qt::SkipEmptyParts)) {
            phrases += (phrases.isEmpty() ? "\"" : " \"") + word.toUtf8() + '"';
        }
        const bool ok =
            exec(db,
                 "CREATE VIRTUAL TABLE bare USING fts5(日誌, tokenize = 'trigram');"
                 "INSERT INTO bare (rowid, 日誌) SELECT rowid, 日誌 FROM 業務日誌;"
                 "INSERT INTO bare (bare) VALUES ('optimize');",
                 error) &&
            sqlite3_prepare_v2(db,
                               "SELECT j.日付, j.売上額, j.日誌 FROM bare JOIN 業務日誌 AS j ON j.rowid = bare.rowid "
                               "WHERE bare MATCH ?1 ORDER BY j.日付 DESC LIMIT 1001",
                               -1, &m_select, nullptr) == SQLITE_OK;
        return ok &&
               sqlite3_bind_text(m_select, 1, phrases.constData(), int(phrases.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
};

// One character: looked for in the texts, newest day first.
class CharacterFigure final : public SearchFigure
{
public:
    using SearchFigure::SearchFigure;
    QString name() const override { return QStringLiteral("search-char-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("store-search"); }
    QString floorName() const override { return QStringLiteral("bare-instr-scan"); }

protected:
    QString words() const override { return data().character; }
    bool prepareStatement(sqlite3 *db, QString &) override
    {
        const QByteArray character = words().toUtf8();
        return sqlite3_prepare_v2(db,
                                  "SELECT 日付, 売上額, 日誌 FROM 業務日誌 WHERE instr(日誌, ?1) > 0 "
                                  "ORDER BY 日付 DESC LIMIT 1001",
                                  -1, &m_select, nullptr) == SQLITE_OK &&
               sqlite3_bind_text(m_select, 1, character.constData(), int(character.size()), SQLITE_TRANSIENT) ==
                   SQLITE_OK;
    }
};

} // namespace

std::unique_ptr<Figure> makeSearchFigure(const Setting &setting)
{
    return std::make_unique<WordsFigure>(setting);
}

std::unique_ptr<Figure> makeSearchCharacterFigure(const Setting &setting)
{
    return std::make_unique<CharacterFigure>(setting);
}

} // namespace bench
