#pragma once
// The line a search result shows of a day's text: the part around the first
// match, every match of every word marked on the characters the user wrote.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace search {

struct Mark
{
    qsizetype start = 0; // in the line
    qsizetype length = 0;

    friend bool operator==(const Mark &, const Mark &) = default;
};

struct Excerpt
{
    QString line;
    QList<Mark> marks; // in order, apart from one another
};

// At most `width` characters of `text` (plus "…" where it is cut) from a
// little before its first match of any of `words`, line breaks and tabs shown
// as one blank. `words` are in the search form (store::searchWords): the
// matching is done on the text's search form, and each match is marked on the
// original characters it came from (all of ㈱ for 株, all of ｶﾞ for ガ).
Excerpt makeExcerpt(QStringView text, const QStringList &words, qsizetype width);
// The words of one search, in the search form and in UTF-8, made once for
// the excerpts of all the days found.
struct ExcerptWords
{
    explicit ExcerptWords(const QStringList &words);

    QStringList forms;
    QList<QByteArray> utf8;
    qsizetype longest = 0; // in UTF-16 units
    bool kanjiOnly = false;
};

// The same of a text in UTF-8, as the store gives it: only as much of the
// text as the line needs is turned into characters.
Excerpt makeExcerpt(QByteArrayView utf8, const QStringList &words, qsizetype width);
Excerpt makeExcerpt(QByteArrayView utf8, const ExcerptWords &words, qsizetype width);

} // namespace search
