#pragma once
// Finding journal days by words of their text: the query, the hits, and the
// search form of a text that the index, the query and the excerpt all share.

#include "store/records.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace store {

// Words typed into the search box, all required, and the days to look at.
struct SearchQuery
{
    QString words;    // split on blanks (the full-width one too)
    QDate from;       // invalid: from the first day
    QDate to;         // invalid: up to the last day
    int limit = 1000; // hits at most
};

// A day whose text holds every word; the excerpt is made by whoever shows it.
struct SearchHit
{
    QDate date;
    Amount sales;
    // 日誌 as stored, in UTF-8 as both engines hold it: a list of hits shows
    // a short part of each, and only that part needs turning into characters.
    QByteArray utf8;

    QString text() const { return QString::fromUtf8(utf8); }
};

struct SearchResult
{
    QList<SearchHit> hits; // newest first
    bool more = false;     // more days matched than the limit
    bool scanned = false;  // the index was not whole: every journal text was read
};

// Whether the search index of the journal file holds every journal row.
enum class SearchIndexState {
    Whole,
    Missing,    // no index, or one that was never finished (a file of an earlier build, a copy of one)
    Incomplete, // the journal has rows beyond the index's (another program wrote them)
};

// The search form of a text: NFKC (full-width letters and digits, half-width
// kana, ㈱ and the like become their ordinary forms) with Latin letters case
// folded. Index, query and excerpt all compare in this form.
QString searchForm(QStringView text);

// The same with, for every UTF-16 unit of the form, the range [from, to) of
// the original text it came from, so that a match found in the form can be
// shown on the characters the user wrote. Most units come from one unit
// each; only the pieces that do not are written down.
struct MappedSearchForm
{
    // Units [form, form + units) of the form came from [from, to) of the
    // original as a whole; the units between pieces map one to one.
    struct Piece
    {
        qsizetype form = 0;
        qsizetype units = 0;
        qsizetype from = 0;
        qsizetype to = 0;
    };
    QString text;
    QList<Piece> pieces; // in order; none when unit k came from unit k alone

    qsizetype originalFrom(qsizetype unit) const;
    qsizetype originalTo(qsizetype unit) const;
};
MappedSearchForm mappedSearchForm(QStringView text);

// Whether a text is its own search form, unit for unit (ordinary Japanese
// letters, ASCII without capitals): most journal texts are, and need neither
// a form nor a map to be searched and marked.
bool isOwnSearchForm(QStringView text);

// Whether a UTF-8 text holds a character that the search form may turn into
// kanji (radicals, ㈱ and other enclosed or squared signs, compatibility
// ideographs, anything beyond the BMP). Without one, every kanji of the form
// is a kanji of the text as written.
bool mayFormKanji(QByteArrayView utf8);

// The code point whose UTF-8 starts at byte `at` of `utf8`; the byte itself
// where the text ends inside it.
char32_t codePointAt(QByteArrayView utf8, qsizetype at);

// The words of a search box: split on blanks (U+3000 included), each in its
// search form, empty ones and repeats left out.
QStringList searchWords(QStringView typed);

} // namespace store
