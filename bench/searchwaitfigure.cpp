// Searches of the hundred years as the user waits for them: a word of two
// kanji as the search window runs it (the days, their excerpts with marks, the
// list's model filled), words that no day holds, and a word within one month.
// Each floor is the bare statement over 業務日誌 with instr() and the work any
// program showing the hits must do; each side checks the days it found.

#include "centurydata.h"
#include "figure.h"
#include "search/resultmodel.h"
#include "search/searchrun.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

namespace {

constexpr int kLimit = 1000;
// Characters of a day's text the window shows per row.
constexpr qsizetype kExcerptWidth = 60;

std::string_view columnText(sqlite3_stmt *row, int column)
{
    return {reinterpret_cast<const char *>(sqlite3_column_text(row, column)),
            std::size_t(sqlite3_column_bytes(row, column))};
}

// Moves `at` back over UTF-8 characters, `count` of them at most.
std::size_t backCharacters(std::string_view text, std::size_t at, int count)
{
    while (at > 0 && count > 0) {
        --at;
        while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) {
            --at;
        }
        --count;
    }
    return at;
}

std::size_t forwardCharacters(std::string_view text, std::size_t at, qsizetype count)
{
    while (at < text.size() && count > 0) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) {
            ++at;
        }
        --count;
    }
    return at;
}

// A figure whose floor is one bare statement on the floor's own copy of the
// data, prepared once; the subject and the floor each say what they found.
class BareStatementFigure : public Figure
{
public:
    using Figure::Figure;
    ~BareStatementFigure() override
    {
        for (sqlite3_stmt *statement : m_statements) {
            sqlite3_finalize(statement);
        }
        sqlite3_close(m_db);
    }

protected:
    // The floor's statements, prepared on first use; empty after a failure.
    const std::vector<sqlite3_stmt *> &statements(const std::vector<const char *> &sql, benchmark::State &state)
    {
        if (!m_statements.empty()) {
            return m_statements;
        }
        const QString folder = dataCopy(QStringLiteral("floor"), state);
        if (folder.isEmpty()) {
            return m_statements;
        }
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(store::kMainFileName));
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            fail(state, QString::fromUtf8(sqlite3_errmsg(m_db)));
            return m_statements;
        }
        for (const char *text : sql) {
            sqlite3_stmt *statement = nullptr;
            if (sqlite3_prepare_v2(m_db, text, -1, &statement, nullptr) != SQLITE_OK) {
                fail(state, QString::fromUtf8(sqlite3_errmsg(m_db)));
                for (sqlite3_stmt *prepared : m_statements) {
                    sqlite3_finalize(prepared);
                }
                m_statements.clear();
                return m_statements;
            }
            m_statements.push_back(statement);
        }
        return m_statements;
    }

    // The days the subject found, for the floor to compare with its own.
    qsizetype m_subjectDays = -1;

private:
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_statements;
};

// A word of two kanji as the search window runs it: the store's search, an
// excerpt with its marks per day, the list's model filled.
class WindowFigure final : public BareStatementFigure
{
public:
    using BareStatementFigure::BareStatementFigure;
    QString name() const override { return QStringLiteral("search-window-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("search-window"); }
    QString floorName() const override { return QStringLiteral("bare-instr+excerpt"); }
    int iterations() const override { return 5; }

    void runSubject(benchmark::State &state) override
    {
        const auto store = openDataCopy(QStringLiteral("subject"), state);
        if (!store) {
            return;
        }
        search::ResultModel model;
        for (auto _ : state) {
            search::Findings findings =
                search::findDays(*store, {QStringLiteral("請求"), {}, {}, kLimit}, kExcerptWidth);
            if (findings.failed || findings.days.size() != kLimit || findings.days.last().excerpt.marks.isEmpty()) {
                fail(state,
                     QStringLiteral("the window found %1 days: %2").arg(findings.days.size()).arg(findings.summary));
                return;
            }
            model.setDays(std::move(findings.days));
        }
        if (model.rowCount() != kLimit) {
            fail(state, QStringLiteral("the list holds %1 rows").arg(model.rowCount()));
        }
    }

    void runFloor(benchmark::State &state) override
    {
        const auto &select = statements({"SELECT 日付, 売上額, 日誌 FROM 業務日誌 WHERE instr(日誌, '請求') > 0 "
                                         "ORDER BY 日付 DESC LIMIT 1001"},
                                        state);
        if (select.empty()) {
            return;
        }
        // Each day's date, sales and the cut of its text around the word, with
        // the word's place in the cut: what a list of hits shows.
        struct Shown
        {
            std::string date;
            sqlite3_int64 sales;
            QString excerpt;
            qsizetype mark;
        };
        const std::string_view word = "請求";
        std::vector<Shown> shown;
        for (auto _ : state) {
            sqlite3_stmt *row = select.front();
            sqlite3_reset(row);
            shown.clear();
            while (sqlite3_step(row) == SQLITE_ROW && shown.size() < std::size_t(kLimit)) {
                const std::string_view text = columnText(row, 2);
                const std::size_t at = text.find(word);
                const std::size_t from = backCharacters(text, at, 15);
                const std::size_t to = forwardCharacters(text, from, kExcerptWidth);
                const QString excerpt = QString::fromUtf8(text.data() + from, qsizetype(to - from));
                const qsizetype mark = QString::fromUtf8(text.data() + from, qsizetype(at - from)).size();
                shown.push_back({std::string(columnText(row, 0)), sqlite3_column_int64(row, 1), excerpt, mark});
            }
            benchmark::DoNotOptimize(shown.data());
        }
        if (shown.size() != std::size_t(kLimit) || shown.back().excerpt.isEmpty()) {
            fail(state, QStringLiteral("the bare query showed %1 days").arg(shown.size()));
        }
    }
};

// A word of one kanji and one of two that no day holds: every text is read.
class AbsentFigure final : public BareStatementFigure
{
public:
    using BareStatementFigure::BareStatementFigure;
    QString name() const override { return QStringLiteral("search-absent-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("store-search"); }
    QString floorName() const override { return QStringLiteral("bare-instr-scan"); }
    int iterations() const override { return 5; }

    void runSubject(benchmark::State &state) override
    {
        const auto store = openDataCopy(QStringLiteral("subject"), state);
        if (!store) {
            return;
        }
        store::SearchResult result;
        for (auto _ : state) {
            for (const QString &word : {QStringLiteral("鰻"), QStringLiteral("鰻重")}) {
                if (const store::DbError error = store->search({word, {}, {}, kLimit}, result)) {
                    fail(state, error.message);
                    return;
                }
                if (!result.hits.isEmpty() || result.scanned) {
                    fail(state, QStringLiteral("%1 found on %2 days").arg(word).arg(result.hits.size()));
                    return;
                }
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        const auto &selects = statements({"SELECT 日付, 売上額, 日誌 FROM 業務日誌 WHERE instr(日誌, '鰻') > 0 "
                                          "ORDER BY 日付 DESC LIMIT 1001",
                                          "SELECT 日付, 売上額, 日誌 FROM 業務日誌 WHERE instr(日誌, '鰻重') > 0 "
                                          "ORDER BY 日付 DESC LIMIT 1001"},
                                         state);
        if (selects.empty()) {
            return;
        }
        int rows = 0;
        for (auto _ : state) {
            for (sqlite3_stmt *select : selects) {
                sqlite3_reset(select);
                int step = 0;
                while ((step = sqlite3_step(select)) == SQLITE_ROW) {
                    ++rows;
                }
                if (step != SQLITE_DONE) {
                    fail(state, QStringLiteral("the bare scan stopped"));
                    return;
                }
            }
        }
        if (rows != 0) {
            fail(state, QStringLiteral("the bare scan found %1 days").arg(rows));
        }
    }
};

// A word of three characters within one month: the index could answer it, but
// the month's thirty days are fewer than the word's days in the hundred years.
class PeriodFigure final : public BareStatementFigure
{
public:
    using BareStatementFigure::BareStatementFigure;
    QString name() const override { return QStringLiteral("search-period-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("store-search"); }
    QString floorName() const override { return QStringLiteral("bare-month-instr"); }
    int iterations() const override { return 400; }

    void runSubject(benchmark::State &state) override
    {
        const auto store = openDataCopy(QStringLiteral("subject"), state);
        if (!store) {
            return;
        }
        const store::SearchQuery query{QStringLiteral("請求書"), QDate(2025, 6, 1), QDate(2025, 6, 30), kLimit};
        store::SearchResult result;
        for (auto _ : state) {
            if (const store::DbError error = store->search(query, result)) {
                fail(state, error.message);
                return;
            }
        }
        if (result.hits.isEmpty() || result.more || result.scanned) {
            fail(state, QStringLiteral("the search found %1 days").arg(result.hits.size()));
            return;
        }
        m_subjectDays = result.hits.size();
    }

    void runFloor(benchmark::State &state) override
    {
        const auto &select =
            statements({"SELECT 日付, 売上額, 日誌 FROM 業務日誌 WHERE 日付 >= '2025-06-01' AND 日付 <= '2025-06-30' "
                        "AND instr(日誌, '請求書') > 0 ORDER BY 日付 DESC LIMIT 1001"},
                       state);
        if (select.empty()) {
            return;
        }
        struct Hit
        {
            std::string date;
            sqlite3_int64 sales;
            std::string text;
        };
        std::vector<Hit> hits;
        for (auto _ : state) {
            sqlite3_stmt *row = select.front();
            sqlite3_reset(row);
            hits.clear();
            while (sqlite3_step(row) == SQLITE_ROW) {
                hits.push_back(
                    {std::string(columnText(row, 0)), sqlite3_column_int64(row, 1), std::string(columnText(row, 2))});
            }
            benchmark::DoNotOptimize(hits.data());
        }
        if (hits.empty() || (m_subjectDays >= 0 && qsizetype(hits.size()) != m_subjectDays)) {
            fail(state,
                 QStringLiteral("the bare query found %1 days, the program %2").arg(hits.size()).arg(m_subjectDays));
        }
    }
};

} // namespace

std::unique_ptr<Figure> makeSearchWindowFigure(const Setting &setting)
{
    return std::make_unique<WindowFigure>(setting);
}

std::unique_ptr<Figure> makeSearchAbsentFigure(const Setting &setting)
{
    return std::make_unique<AbsentFigure>(setting);
}

std::unique_ptr<Figure> makeSearchPeriodFigure(const Setting &setting)
{
    return std::make_unique<PeriodFigure>(setting);
}

} // namespace bench
