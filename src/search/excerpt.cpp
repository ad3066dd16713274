#include "search/excerpt.h"

#include "store/search.h"

#include <QVarLengthArray>

#include <algorithm>
#include <utility>

namespace search {

namespace {

using Range = std::pair<qsizetype, qsizetype>; // [first, last) of the original text
using Ranges = QVarLengthArray<Range, 16>;

// Every match of every word, as ranges of the original text; overlapping and
// touching ones merged.
Ranges matches(QStringView text, const QStringList &words)
{
    Ranges found;
    const auto collect = [&found, &words](QStringView form, auto original) {
        for (const QString &word : words) {
            if (word.isEmpty()) {
                continue;
            }
            for (qsizetype at = form.indexOf(word); at >= 0; at = form.indexOf(word, at + 1)) {
                found.append(original(at, at + word.size() - 1));
            }
        }
    };
    if (store::isOwnSearchForm(text)) {
        collect(text, [](qsizetype first, qsizetype last) { return Range{first, last + 1}; });
    } else {
        const store::MappedSearchForm form = store::mappedSearchForm(text);
        collect(form.text, [&form](qsizetype first, qsizetype last) {
            return Range{form.originalFrom(first), form.originalTo(last)};
        });
    }
    std::sort(found.begin(), found.end());
    Ranges merged;
    for (const Range &range : found) {
        if (!merged.isEmpty() && range.first <= merged.last().second) {
            merged.last().second = std::max(merged.last().second, range.second);
        } else {
            merged.append(range);
        }
    }
    return merged;
}

bool isBreak(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Whether the search form may join `c` to the character before it: a mark,
// the second half of a surrogate pair, a half-width voiced mark (ｶﾞ is one
// ガ), a Hangul vowel or final jamo.
bool joinsPrevious(QChar c)
{
    const char16_t u = c.unicode();
    return c.isMark() || c.isLowSurrogate() || u == 0xFF9E || u == 0xFF9F || (u >= 0x1160 && u <= 0x11FF);
}

// The matches the line can show. Only the text up to a little past the line
// is put in its search form: a day's text may run to thousands of characters,
// and the line shows a few dozen. The text is cut where the form cannot join
// across, so the form of the part is the start of the form of the whole.
Ranges matchesShown(QStringView text, const QStringList &words, qsizetype width)
{
    qsizetype longest = 0;
    for (const QString &word : words) {
        longest = std::max(longest, word.size());
    }
    for (qsizetype part = std::max<qsizetype>(4 * width, 256);; part *= 4) {
        if (part >= text.size()) {
            return matches(text, words);
        }
        qsizetype cut = part;
        while (cut < text.size() && joinsPrevious(text[cut])) {
            ++cut;
        }
        // A match that reaches past the cut starts too late for the line.
        const Ranges found = matches(text.left(cut), words);
        if (!found.isEmpty() && found.first().first + width + longest < cut) {
            return found;
        }
    }
}

} // namespace

Excerpt makeExcerpt(QStringView text, const QStringList &words, qsizetype width)
{
    const Ranges found = matchesShown(text, words, width);
    const qsizetype first = found.isEmpty() ? 0 : found.first().first;

    // From a little before the first match, or from the start of its line.
    qsizetype start = std::max<qsizetype>(0, first - std::min<qsizetype>(width / 4, 16));
    for (qsizetype k = first; k > start; --k) {
        if (isBreak(text[k - 1])) {
            start = k;
            break;
        }
    }
    qsizetype end = std::min(text.size(), start + width);
    // Near the end of the text the line shows more of what comes before.
    start = std::max<qsizetype>(0, std::min(start, end - width));
    if (start > 0 && text[start].isLowSurrogate()) {
        --start;
    }
    if (end < text.size() && text[end].isLowSurrogate()) {
        ++end;
    }

    Excerpt excerpt;
    excerpt.line.reserve(end - start + 2);
    QVarLengthArray<qsizetype, 128> at(end - start + 1); // where each character of the window lands in the line
    if (start > 0) {
        excerpt.line += u'…';
    }
    for (qsizetype k = start; k < end; ++k) {
        at[k - start] = excerpt.line.size();
        const QChar c = text[k];
        if (c == u'\r' && k + 1 < end && text[k + 1] == u'\n') {
            continue; // CR LF is one break, one blank
        }
        excerpt.line += isBreak(c) || c == u'\t' ? QChar(u' ') : c;
    }
    at[end - start] = excerpt.line.size();
    if (end < text.size()) {
        excerpt.line += u'…';
    }

    for (const auto &[from, to] : found) {
        const qsizetype shownFrom = std::clamp(from, start, end);
        const qsizetype shownTo = std::clamp(to, start, end);
        const qsizetype length = at[shownTo - start] - at[shownFrom - start];
        if (length > 0) {
            excerpt.marks.append({at[shownFrom - start], length});
        }
    }
    return excerpt;
}

} // namespace search
