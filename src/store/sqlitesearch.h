#pragma once
// Inside the store only: the search index of the journal file, an FTS5 table
// with the trigram tokenizer (日誌索引) holding each journal row's text in its
// search form under the row's rowid, and the table (日誌索引状態) whose row says
// that the index was finished, with the version of the search form it holds.
// Triggers cannot make the search form, so the store writes the index itself,
// in the transaction of each journal write.

#include "store/dberror.h"
#include "store/search.h"

namespace common {
class Progress;
}

namespace store::sqlite {

class Connection;

// The index's tables made in the journal file, empty and finished: for a new
// file, inside the transaction that makes it.
[[nodiscard]] DbError createSearchIndex(Connection &db);

// The index of the journal file of one connection.
class SearchIndex
{
public:
    explicit SearchIndex(Connection &db) : m_db(db) {}

    // Whether the index is there, finished and holds as many rows as the
    // journal: two counts, cheap enough for every open. Errors read as Missing.
    void check();
    SearchIndexState state() const { return m_state; }
    void forget() { m_state = SearchIndexState::Missing; }

    // In the transaction of a journal write; nothing while the index is not whole.
    [[nodiscard]] DbError put(qint64 rowid, const QString &text);
    // Before the journal rows of `day` are deleted.
    [[nodiscard]] DbError removeDay(QDate day);
    // The index made anew from the journal as it stands, in the caller's
    // transaction. check() afterwards: the transaction may still be rolled back.
    [[nodiscard]] DbError rebuild(common::Progress &progress);

    // Through the index when it is whole; otherwise by reading every journal
    // text of the period (`scanned` set).
    [[nodiscard]] DbError search(const SearchQuery &query, SearchResult &result);

private:
    DbError searchIndexed(const SearchQuery &query, const QStringList &words, SearchResult &result);
    DbError searchByScan(const SearchQuery &query, const QStringList &words, SearchResult &result);

    Connection &m_db;
    SearchIndexState m_state = SearchIndexState::Missing;
};

} // namespace store::sqlite
