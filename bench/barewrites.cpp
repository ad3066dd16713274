#include "barewrites.h"

#include "store/search.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sqlite3.h>
#include <string_view>

namespace bench {

bool CsvSplitter::feed(const char *bytes, std::size_t size, const Record &record)
{
    for (std::size_t k = 0; k < size; ++k) {
        const char c = bytes[k];
        switch (m_state) {
        case State::FieldStart:
        case State::Unquoted:
            if (c == ',') {
                m_fields.push_back(std::move(m_field));
                m_field.clear();
                m_state = State::FieldStart;
            } else if (c == '\n') {
                if (!endRecord(record)) {
                    return false;
                }
            } else if (c == '"' && m_state == State::FieldStart) {
                m_state = State::Quoted;
            } else if (c != '\r') {
                m_field += c;
                m_state = State::Unquoted;
            }
            break;
        case State::Quoted:
            if (c == '"') {
                m_state = State::QuoteInQuoted;
            } else if (c != '\r') {
                m_field += c;
            }
            break;
        case State::QuoteInQuoted:
            if (c == '"') {
                m_field += c;
                m_state = State::Quoted;
            } else if (c == ',') {
                m_fields.push_back(std::move(m_field));
                m_field.clear();
                m_state = State::FieldStart;
            } else if (c == '\n') {
                if (!endRecord(record)) {
                    return false;
                }
            } else if (c != '\r') {
                m_field += c;
                m_state = State::Unquoted;
            }
            break;
        }
    }
    return true;
}

bool CsvSplitter::finish(const Record &record)
{
    if (m_fields.empty() && m_field.empty() && m_state == State::FieldStart) {
        return true;
    }
    return endRecord(record);
}

bool CsvSplitter::endRecord(const Record &record)
{
    m_fields.push_back(std::move(m_field));
    m_field.clear();
    m_state = State::FieldStart;
    const bool go = record(m_fields);
    m_fields.clear();
    return go;
}

namespace {

void searchFormOf(sqlite3_context *context, int, sqlite3_value **values)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(values[0]));
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray form = store::searchForm(QString::fromUtf8(text, sqlite3_value_bytes(values[0]))).toUtf8();
    sqlite3_result_text(context, form.constData(), int(form.size()), SQLITE_TRANSIENT);
}

bool exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

bool registerSearchForm(sqlite3 *db)
{
    return sqlite3_create_function_v2(db, "search_form", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, searchFormOf,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}

qint64 bareCsvImport(const QString &csvPath, const QString &mainPath, const QByteArray &pragmas, QString *error)
{
    std::FILE *file = std::fopen(QFile::encodeName(csvPath).constData(), "rb");
    if (!file) {
        *error = QStringLiteral("cannot open ") + csvPath;
        return 0;
    }
    sqlite3 *db = nullptr;
    sqlite3_stmt *insert = nullptr;
    sqlite3_stmt *index = nullptr;
    qint64 rows = 0;
    if (sqlite3_open_v2(QFile::encodeName(mainPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        !exec(db, pragmas.constData()) || !exec(db, "BEGIN IMMEDIATE") ||
        sqlite3_prepare_v2(
            db, "INSERT INTO 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) VALUES (?, ?, ?, ?, ?, ?)", -1,
            &insert, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "INSERT INTO 日誌索引 (rowid, 本文) VALUES (last_insert_rowid(), ?)", -1, &index,
                           nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    bool header = true;
    const CsvSplitter::Record row = [&](std::vector<std::string> &fields) {
        if (header) {
            header = false;
            return true;
        }
        if (fields.size() != 6 || fields[0].size() != 10) {
            *error = QStringLiteral("a row of %1 fields after %2 rows").arg(fields.size()).arg(rows);
            return false;
        }
        std::string &date = fields[0];
        date[4] = date[7] = '-';
        sqlite3_bind_text(insert, 1, date.data(), int(date.size()), SQLITE_STATIC);
        for (int k = 1; k <= 4; ++k) {
            const std::string &amount = fields[std::size_t(k)];
            if (amount.empty()) {
                sqlite3_bind_null(insert, k + 1);
            } else {
                sqlite3_bind_int64(insert, k + 1, std::strtoll(amount.c_str(), nullptr, 10));
            }
        }
        std::string &memo = fields[5];
        // The apostrophe that keeps a spreadsheet from reading the text as a formula.
        if (const std::size_t lead = memo.find_first_not_of('\'');
            lead > 0 && lead != std::string::npos &&
            std::string_view("=+-@\t\r\n").find(memo[lead]) != std::string_view::npos) {
            memo.erase(0, 1);
        }
        sqlite3_bind_text(insert, 6, memo.data(), int(memo.size()), SQLITE_STATIC);
        const QByteArray form = store::searchForm(QString::fromUtf8(memo.data(), qsizetype(memo.size()))).toUtf8();
        sqlite3_bind_text(index, 1, form.constData(), int(form.size()), SQLITE_STATIC);
        const bool done = sqlite3_step(insert) == SQLITE_DONE && sqlite3_step(index) == SQLITE_DONE;
        sqlite3_reset(insert);
        sqlite3_reset(index);
        if (!done) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
            return false;
        }
        ++rows;
        return true;
    };
    if (error->isEmpty()) {
        constexpr std::size_t kChunk = 1 << 20;
        const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
        std::size_t read = std::fread(buffer.get(), 1, kChunk, file);
        // The byte-order mark before the header.
        const std::size_t skip = read >= 3 && std::string_view(buffer.get(), 3) == "\xEF\xBB\xBF" ? 3 : 0;
        CsvSplitter split;
        bool going = split.feed(buffer.get() + skip, read - skip, row);
        while (going && read == kChunk) {
            read = std::fread(buffer.get(), 1, kChunk, file);
            going = split.feed(buffer.get(), read, row);
        }
        going = going && split.finish(row);
        if (going && std::ferror(file)) {
            *error = QStringLiteral("cannot read ") + csvPath;
        }
        if (error->isEmpty() && !exec(db, "COMMIT")) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        }
        if (!error->isEmpty()) {
            exec(db, "ROLLBACK");
        }
    }
    sqlite3_finalize(index);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    std::fclose(file);
    return rows;
}

qint64 bareIndexBuild(sqlite3 *db, QString *error)
{
    const bool done =
        exec(db, "BEGIN IMMEDIATE") && exec(db, "DROP TABLE IF EXISTS 日誌索引") &&
        exec(db, "CREATE VIRTUAL TABLE 日誌索引 USING fts5(本文, tokenize = 'trigram case_sensitive 1')") &&
        exec(db, "INSERT INTO 日誌索引 (rowid, 本文) SELECT rowid, search_form(日誌) FROM 業務日誌");
    const qint64 rows = done ? sqlite3_changes64(db) : 0;
    if (!done || !exec(db, "COMMIT")) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        exec(db, "ROLLBACK");
        return 0;
    }
    return rows;
}

} // namespace bench
