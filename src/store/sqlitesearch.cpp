#include "store/sqlitesearch.h"

#include "common/progress.h"
#include "store/sqliteconnection.h"

#include <algorithm>
#include <sqlite3.h>
#include <string_view>
#include <utility>

namespace store::sqlite {

namespace {

// The version of the search form the index holds; an index of another
// version is rebuilt like a missing one.
constexpr qint64 kFormVersion = 1;

// Case is folded by the search form already: the tokenizer keeps what it is given,
// so that the index and the scans of short words compare the very same texts.
constexpr const char *kCreateIndex =
    "CREATE VIRTUAL TABLE main.\"日誌索引\" USING fts5(\"本文\", tokenize = 'trigram case_sensitive 1');"
    "CREATE TABLE IF NOT EXISTS main.\"日誌索引状態\" (\"版\" INTEGER NOT NULL);"
    "DELETE FROM main.\"日誌索引状態\";";

// The trigram index answers words of three characters and more; shorter
// ones are looked for in the indexed texts.
bool indexable(const QString &word)
{
    return word.toUcs4().size() >= 3;
}

// Choosing between the index and a read of the period's days. Starting a
// query of the index costs about as much as reading kShortPeriodDays days, so
// a shorter period is read at once. A day read through the date index, with
// its indexed text looked up, costs about two days taken from the index and
// joined to the journal, and counting the index's days without the join
// costs a small part of either. A period of more than kWeighedDays is left to
// the index unweighed.
constexpr qint64 kShortPeriodDays = 100;
constexpr qint64 kPeriodDayCost = 2;
constexpr qint64 kWeighedDays = 10000;

// A phrase for each word, all required; the words travel as one bound value.
QString matchExpression(const QStringList &words)
{
    QStringList phrases;
    for (QString word : words) {
        phrases.append(u'"' + word.replace(u'"', QStringLiteral("\"\"")) + u'"');
    }
    return phrases.join(u' ');
}

QString lowerBound(QDate from)
{
    return from.isValid() ? QString::fromLatin1(storedDate(from)) : QStringLiteral("0000");
}

QString upperBound(QDate to)
{
    return to.isValid() ? QString::fromLatin1(storedDate(to)) : QStringLiteral("9999-99-99");
}

// Takes the row as a hit unless its stored date is no day; false once the
// result is full (the row then only says that more matched).
bool takeHit(const Statement &row, const SearchQuery &query, SearchResult &result)
{
    const QDate date = row.date(0);
    if (!date.isValid()) {
        return true;
    }
    if (result.hits.size() >= query.limit) {
        result.more = true;
        return false;
    }
    bool unreadable = false;
    result.hits.append({date, row.amount(1, unreadable), row.utf8(2)});
    return true;
}

// The first place of `word` in `text` from byte `from`, or -1: the standard
// library's search, which outruns Qt's general one on the journal's texts.
qsizetype findBytes(QByteArrayView text, QByteArrayView word, qsizetype from)
{
    const std::size_t at = std::string_view(text.data(), std::size_t(text.size()))
                               .find(std::string_view(word.data(), std::size_t(word.size())), std::size_t(from));
    return at == std::string_view::npos ? -1 : qsizetype(at);
}

// Whether the search form may join this character to the kanji before it.
bool mayJoin(char32_t c)
{
    return c >= 0x300 && (c == 0xFF9E || c == 0xFF9F || QChar::isMark(c) || QChar::combiningClass(c) != 0);
}

void formHolds(sqlite3_context *context, int, sqlite3_value **values)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(values[0]));
    const auto *word = reinterpret_cast<const char *>(sqlite3_value_text(values[1]));
    const std::optional<bool> holds =
        storedTextHolds(text ? QByteArrayView(text, sqlite3_value_bytes(values[0])) : QByteArrayView(),
                        word ? QByteArrayView(word, sqlite3_value_bytes(values[1])) : QByteArrayView());
    if (holds) {
        sqlite3_result_int(context, *holds ? 1 : 0);
    } else {
        sqlite3_result_null(context);
    }
}

} // namespace

bool isKanjiWord(QStringView word)
{
    return !word.isEmpty() && std::all_of(word.begin(), word.end(),
                                          [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

std::optional<bool> storedTextHolds(QByteArrayView text, QByteArrayView kanjiWord)
{
    if (kanjiWord.isEmpty()) {
        return true;
    }
    // The form keeps each kanji of the stored text as it is, and the word's
    // UTF-8 can start only where a character does. Only a mark after the
    // word's last kanji could join it into another piece.
    bool joined = false;
    for (qsizetype at = findBytes(text, kanjiWord, 0); at >= 0; at = findBytes(text, kanjiWord, at + 1)) {
        const qsizetype after = at + kanjiWord.size();
        if (after >= text.size() || !mayJoin(codePointAt(text, after))) {
            return true;
        }
        joined = true;
    }
    if (joined || mayFormKanji(text)) {
        return std::nullopt;
    }
    return false;
}

DbError addSearchFunctions(Connection &db)
{
    // Only the store's own statements may call it, never a trigger or a view in a file.
    const int rc = sqlite3_create_function_v2(db.handle(), "zephra_form_holds", 2,
                                              SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
                                              &formHolds, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? DbError{} : db.lastError(rc);
}

DbError createSearchIndex(Connection &db)
{
    if (DbError error = db.execute(kCreateIndex)) {
        return error;
    }
    Statement finished(db, "INSERT INTO main.\"日誌索引状態\" (\"版\") VALUES (?1)");
    return finished.bind(1, kFormVersion).run();
}

void SearchIndex::check()
{
    m_state = SearchIndexState::Missing;
    Statement tables(
        m_db, "SELECT count(*) FROM main.sqlite_master "
              "WHERE type = 'table' AND name IN ('日誌索引', '日誌索引_content', '日誌索引_docsize', '日誌索引状態')");
    if (!tables.step() || tables.integer(0) != 4) {
        return;
    }
    // The highest rowid of the index and of the journal, each one step down
    // a b-tree: a journal row that another program added around the index
    // has a rowid above the index's. (A row it removed leaves an index entry
    // that joins to no day, which no search shows.) Counting the rows would
    // read both trees whole at every start.
    Statement rows(m_db, "SELECT (SELECT max(\"版\") FROM main.\"日誌索引状態\"), "
                         "(SELECT coalesce(max(rowid), 0) FROM main.\"日誌索引_docsize\"), "
                         "(SELECT coalesce(max(rowid), 0) FROM main.\"業務日誌\")");
    if (!rows.step() || rows.isNull(0) || rows.integer(0) != kFormVersion) {
        return;
    }
    m_state = rows.integer(1) == rows.integer(2) ? SearchIndexState::Whole : SearchIndexState::Incomplete;
}

DbError SearchIndex::put(qint64 rowid, const QString &text, bool replacing)
{
    if (m_state != SearchIndexState::Whole) {
        return {};
    }
    if (m_deferring > 0) {
        // About 16 MB of forms wait at most: a few thousand days of long texts.
        constexpr qsizetype kMostWaiting = 8 * 1024 * 1024;
        m_pending.append({rowid, replacing, true, searchForm(text)});
        m_pendingCharacters += m_pending.constLast().form.size();
        return m_pendingCharacters > kMostWaiting ? writePending() : DbError{};
    }
    const QString form = searchForm(text);
    return write(rowid, &form, replacing);
}

DbError SearchIndex::removeDay(QDate day)
{
    if (m_state != SearchIndexState::Whole) {
        return {};
    }
    Statement rows(m_db, "SELECT rowid FROM main.\"業務日誌\" WHERE \"日付\" = ?1");
    rows.bind(1, day);
    QList<qint64> removed;
    while (rows.step()) {
        removed.append(rows.integer(0));
    }
    if (rows.error()) {
        return rows.error();
    }
    for (const qint64 rowid : removed) {
        if (DbError error = removeRow(rowid)) {
            return error;
        }
    }
    return {};
}

DbError SearchIndex::removeRow(qint64 rowid)
{
    if (m_state != SearchIndexState::Whole) {
        return {};
    }
    if (m_deferring > 0) {
        m_pending.append({rowid, true, false, {}});
        return {};
    }
    return write(rowid, nullptr, true);
}

DbError SearchIndex::endDeferring(bool write)
{
    if (--m_deferring > 0) {
        return {};
    }
    const DbError error = write ? writePending() : DbError{};
    m_pending.clear();
    m_pendingCharacters = 0;
    m_written = 0;
    return error;
}

DbError SearchIndex::writePending()
{
    const QList<Pending> pending = std::exchange(m_pending, {});
    m_pendingCharacters = 0;
    m_written += pending.size();
    for (const Pending &entry : pending) {
        if (DbError error = this->write(entry.rowid, entry.adding ? &entry.form : nullptr, entry.removing)) {
            return error;
        }
    }
    return {};
}

// Single-row statements only: INSERT OR REPLACE, like any statement that may
// change several rows, would take a statement savepoint.
DbError SearchIndex::write(qint64 rowid, const QString *form, bool removing)
{
    if (removing) {
        Statement remove(m_db, "DELETE FROM main.\"日誌索引\" WHERE rowid = ?1");
        if (DbError error = remove.bind(1, rowid).run()) {
            return error;
        }
    }
    if (!form) {
        return {};
    }
    Statement insert(m_db, "INSERT INTO main.\"日誌索引\" (rowid, \"本文\") VALUES (?1, ?2)");
    return insert.bind(1, rowid).bind(2, *form).run();
}

DbError SearchIndex::rebuild(common::Progress &progress)
{
    m_pending.clear(); // the journal as it stands is indexed whole
    m_pendingCharacters = 0;
    const QString label = QStringLiteral("検索用の索引を作っています…");
    progress.report(label, 0, 0);
    qint64 total = 0;
    {
        Statement count(m_db, "SELECT count(*) FROM main.\"業務日誌\"");
        if (!count.step()) {
            return count.error();
        }
        total = count.integer(0);
    }
    if (DbError error = m_db.execute("DROP TABLE IF EXISTS main.\"日誌索引\"")) {
        return error;
    }
    if (DbError error = m_db.execute(kCreateIndex)) {
        return error;
    }
    Statement rows(m_db, "SELECT rowid, \"日誌\" FROM main.\"業務日誌\"");
    Statement insert(m_db, "INSERT INTO main.\"日誌索引\" (rowid, \"本文\") VALUES (?1, ?2)");
    qint64 done = 0;
    while (rows.step()) {
        insert.reset();
        if (DbError error = insert.bind(1, rows.integer(0)).bind(2, searchForm(rows.text(1))).run()) {
            return error;
        }
        if (++done % 256 == 0) {
            progress.report(label, done, total);
        }
    }
    if (rows.error()) {
        return rows.error();
    }
    // One segment answers a query faster than the many that a bulk insert leaves.
    if (DbError error = m_db.execute("INSERT INTO main.\"日誌索引\" (\"日誌索引\") VALUES ('optimize')")) {
        return error;
    }
    Statement finished(m_db, "INSERT INTO main.\"日誌索引状態\" (\"版\") VALUES (?1)");
    return finished.bind(1, kFormVersion).run();
}

DbError SearchIndex::search(const SearchQuery &query, SearchResult &result)
{
    result = SearchResult{};
    const QStringList words = searchWords(query.words);
    if (words.isEmpty() || query.limit <= 0) {
        return {};
    }
    // Room for the hits the caller may take, made once rather than grown.
    result.hits.reserve(std::min(query.limit, 1024));
    if (m_state != SearchIndexState::Whole) {
        result.scanned = true;
        return searchByScan(query, words, result);
    }
    return searchIndexed(query, words, result);
}

// The days a search looks at: at most one journal row a day, so a short
// period bounds the rows a read of the period meets. An open end reaches to
// the journal's first or last day (each one step down the date index).
qint64 SearchIndex::periodDays(const SearchQuery &query)
{
    QDate from = query.from;
    QDate to = query.to;
    if (!from.isValid() || !to.isValid()) {
        Statement ends(m_db, "SELECT (SELECT min(\"日付\") FROM main.\"業務日誌\"), "
                             "(SELECT max(\"日付\") FROM main.\"業務日誌\")");
        if (!ends.step()) {
            return -1;
        }
        from = from.isValid() ? from : ends.date(0);
        to = to.isValid() ? to : ends.date(1);
    }
    if (!from.isValid() || !to.isValid()) {
        return -1; // no journal, or a stored date that is no day: the index answers
    }
    return std::max<qint64>(0, from.daysTo(to) + 1);
}

// Whether the index holds more days with all the long words than `bound`:
// counted in the index alone, and never further than the bound.
bool SearchIndex::matchesExceed(const QStringList &indexed, qint64 bound)
{
    Statement count(m_db, "SELECT count(*) FROM (SELECT rowid FROM main.\"日誌索引\" "
                          "WHERE \"日誌索引\" MATCH ?1 LIMIT ?2)");
    count.bind(1, matchExpression(indexed)).bind(2, bound + 1);
    return count.step() && count.integer(0) > bound;
}

DbError SearchIndex::searchIndexed(const SearchQuery &query, const QStringList &words, SearchResult &result)
{
    QStringList indexed;
    QStringList scanned;
    for (const QString &word : words) {
        (indexable(word) ? indexed : scanned).append(word);
    }
    // The index reads every day that holds the long words, wherever they
    // fall; a read of the period meets each of its days once. When the period
    // has fewer days than the index would give (a month among a hundred
    // years), every word is looked for in the period's indexed texts instead.
    if (!indexed.isEmpty()) {
        const qint64 days = periodDays(query);
        if (days >= 0 &&
            (days <= kShortPeriodDays || (days <= kWeighedDays && matchesExceed(indexed, days * kPeriodDayCost)))) {
            scanned = words;
            indexed.clear();
        }
    }
    // The statement's shape follows the number of short words; the words
    // themselves are bound. With a word for the index the short ones are
    // looked for only in the index's candidates. Without one, the days are
    // read newest first through the date index, each day's indexed text
    // looked up in the index's own content table (a plain table, cheaper to
    // reach than through the index), so that the read stops at the limit.
    // Words of kanji are first looked for in the stored text itself, which the
    // floor of the list reads anyway; the indexed text is read only for a
    // day whose stored text cannot answer.
    const bool kanjiOnly = indexed.isEmpty() && std::all_of(scanned.cbegin(), scanned.cend(),
                                                            [](const QString &word) { return isKanjiWord(word); });
    // Newest first, the date index is walked down from the period's end; a
    // period open at its start then has no bound to compare each day with.
    // (Days before the first valid date come last, and are passed over.)
    const QByteArray period = query.from.isValid() ? "j.\"日付\" >= ?1 AND j.\"日付\" <= ?2" : "j.\"日付\" <= ?2";
    QByteArray sql;
    if (kanjiOnly) {
        sql = "SELECT j.\"日付\", j.\"売上額\", j.\"日誌\" FROM main.\"業務日誌\" AS j WHERE " + period;
        for (qsizetype k = 0; k < scanned.size(); ++k) {
            const QByteArray word = "?" + QByteArray::number(k + 5);
            sql += " AND coalesce(zephra_form_holds(j.\"日誌\", " + word +
                   "), instr((SELECT i.c0 FROM main.\"日誌索引_content\" AS i WHERE i.id = j.rowid), " + word +
                   ") > 0)";
        }
    } else if (!indexed.isEmpty()) {
        sql =
            "SELECT j.\"日付\", j.\"売上額\", j.\"日誌\" FROM main.\"日誌索引\" AS i CROSS JOIN main.\"業務日誌\" AS j "
            "ON j.rowid = i.rowid WHERE j.\"日付\" >= ?1 AND j.\"日付\" <= ?2 AND i.\"日誌索引\" MATCH ?4";
    } else {
        sql = "SELECT j.\"日付\", j.\"売上額\", j.\"日誌\" FROM main.\"業務日誌\" AS j CROSS JOIN "
              "main.\"日誌索引_content\" AS i "
              "ON i.id = j.rowid WHERE " +
              period;
    }
    const QByteArray column = indexed.isEmpty() ? "i.c0" : "i.\"本文\"";
    for (qsizetype k = 0; k < scanned.size() && !kanjiOnly; ++k) {
        sql += " AND instr(" + column + ", ?" + QByteArray::number(k + 5) + ") > 0";
    }
    sql += " ORDER BY j.\"日付\" DESC LIMIT ?3";
    Statement select(m_db, sql.constData());
    select.bind(1, lowerBound(query.from)).bind(2, upperBound(query.to)).bind(3, qint64(query.limit) + 1);
    if (!indexed.isEmpty()) {
        select.bind(4, matchExpression(indexed));
    }
    for (qsizetype k = 0; k < scanned.size(); ++k) {
        select.bind(int(k + 5), scanned.at(k));
    }
    while (select.step() && takeHit(select, query, result)) {
    }
    return select.error();
}

DbError SearchIndex::searchByScan(const SearchQuery &query, const QStringList &words, SearchResult &result)
{
    Statement select(
        m_db, "SELECT \"日付\", \"売上額\", \"日誌\" FROM main.\"業務日誌\" WHERE \"日付\" >= ?1 AND \"日付\" <= ?2 "
              "ORDER BY \"日付\" DESC");
    select.bind(1, lowerBound(query.from)).bind(2, upperBound(query.to));
    while (select.step()) {
        const QString form = searchForm(select.text(2));
        const bool all =
            std::all_of(words.cbegin(), words.cend(), [&form](const QString &word) { return form.contains(word); });
        if (all && !takeHit(select, query, result)) {
            break;
        }
    }
    return select.error();
}

} // namespace store::sqlite
