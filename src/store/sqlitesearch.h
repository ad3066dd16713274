#pragma once
// Inside the store only: the search index of the journal file, an FTS5 table
// with the trigram tokenizer (日誌索引) holding each journal row's text in its
// search form under the row's rowid, and the table (日誌索引状態) whose row says
// that the index was finished, with the version of the search form it holds.
// Triggers cannot make the search form, so the store writes the index itself,
// in the transaction of each journal write.

#include "store/dberror.h"
#include "store/search.h"

#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <optional>

namespace common {
class Progress;
}

namespace store::sqlite {

class Connection;

// The index's tables made in the journal file, empty and finished: for a new
// file, inside the transaction that makes it.
[[nodiscard]] DbError createSearchIndex(Connection &db);

// A word of kanji only (the common block, U+4E00 to U+9FFF): the search form
// leaves such characters as they are, so a stored text can often answer for
// its form.
bool isKanjiWord(QStringView word);
// Whether the search form of a stored text (UTF-8) holds such a word, told
// from the stored text alone: none when only the form can tell (a character
// that the form turns into kanji, such as ㈱ or a radical, or a mark joined
// to the word's last kanji).
std::optional<bool> storedTextHolds(QByteArrayView text, QByteArrayView kanjiWord);
// zephra_form_holds(text, word) for the store's searches: 1, 0, or Null
// where the search form must be read, as storedTextHolds.
[[nodiscard]] DbError addSearchFunctions(Connection &db);

// The index of the journal file of one connection.
class SearchIndex
{
public:
    explicit SearchIndex(Connection &db) : m_db(db) {}

    // Whether the index is there, finished and reaches the journal's last
    // row: cheap enough for every open. Errors read as Missing.
    void check();
    SearchIndexState state() const { return m_state; }
    void forget() { m_state = SearchIndexState::Missing; }

    // In the transaction of a journal write; nothing while the index is not
    // whole. `replacing` when the row may have an entry already.
    [[nodiscard]] DbError put(qint64 rowid, const QString &text, bool replacing);
    // Before the journal rows of `day` are deleted.
    [[nodiscard]] DbError removeDay(QDate day);
    // The entry of one journal row, deleted in the same transaction.
    [[nodiscard]] DbError removeRow(qint64 rowid);

    // Inside a long transaction of the caller's (an import), the entries wait
    // and are written together before it commits: a statement of the journal
    // that takes a statement savepoint makes the index write out what is
    // pending, which row by row costs an import many times its own time.
    void beginDeferring() { ++m_deferring; }
    bool deferring() const { return m_deferring > 0; }
    // What waits is written out in batches once it holds many texts, so that
    // an import's memory does not grow with its file.
    // Ends the outermost deferral by writing what waits; a failed or rolled
    // back transaction drops what its part added (`keep`: the count at its
    // start; entries written out already went into that transaction).
    [[nodiscard]] DbError endDeferring(bool write);
    qsizetype pendingCount() const { return m_written + m_pending.size(); }
    void dropPending(qsizetype keep)
    {
        m_pending.resize(std::clamp(keep - m_written, qsizetype(0), m_pending.size()));
        m_pendingCharacters = 0;
        for (const Pending &entry : std::as_const(m_pending)) {
            m_pendingCharacters += entry.form.size();
        }
    }
    // The index made anew from the journal as it stands, in the caller's
    // transaction. check() afterwards: the transaction may still be rolled back.
    [[nodiscard]] DbError rebuild(common::Progress &progress);

    // Through the index when it is whole; otherwise by reading every journal
    // text of the period (`scanned` set).
    [[nodiscard]] DbError search(const SearchQuery &query, SearchResult &result);

private:
    DbError searchIndexed(const SearchQuery &query, const QStringList &words, SearchResult &result);
    DbError searchByScan(const SearchQuery &query, const QStringList &words, SearchResult &result);
    qint64 periodDays(const SearchQuery &query);
    bool matchesExceed(const QStringList &indexed, qint64 bound);

    DbError write(qint64 rowid, const QString *form, bool removing);
    // Writes what waits, keeping count of it.
    DbError writePending();

    struct Pending
    {
        qint64 rowid = 0;
        bool removing = false; // the entry there goes first
        bool adding = false;   // then `form` is added
        QString form;
    };
    Connection &m_db;
    SearchIndexState m_state = SearchIndexState::Missing;
    int m_deferring = 0;
    QList<Pending> m_pending;
    qsizetype m_pendingCharacters = 0; // of the forms that wait
    qsizetype m_written = 0;           // entries of this deferral written out already
};

} // namespace store::sqlite
