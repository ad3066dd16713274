#include "search/excerpt.h"

#include "store/search.h"

#include <QVarLengthArray>

#include <algorithm>
#include <optional>
#include <string_view>
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

qsizetype longestWord(const QStringList &words)
{
    qsizetype longest = 0;
    for (const QString &word : words) {
        longest = std::max(longest, word.size());
    }
    return longest;
}

// Whether the matches found in a part of a text that ends at `cut` reach far
// enough: the line starts at the first match at the latest and a match that
// reaches past the cut starts too late for the line. A match may cover more
// original characters than the word has (ｶﾞ for ガ), hence the room.
bool partSuffices(const Ranges &found, qsizetype cut, qsizetype width, qsizetype longest)
{
    return !found.isEmpty() && found.first().first + width + 4 * longest + 8 < cut;
}

// The part of a text its excerpt looks at first, in characters; then four
// times as much, and so on.
qsizetype firstPart(qsizetype width)
{
    return std::max<qsizetype>(4 * width, 256);
}

// The matches the line can show. Only the text up to a little past the line
// is put in its search form: a day's text may run to thousands of characters,
// and the line shows a few dozen. The text is cut where the form cannot join
// across, so the form of the part is the start of the form of the whole.
Ranges matchesShown(QStringView text, const QStringList &words, qsizetype width)
{
    const qsizetype longest = longestWord(words);
    for (qsizetype part = firstPart(width);; part *= 4) {
        if (part >= text.size()) {
            return matches(text, words);
        }
        qsizetype cut = part;
        while (cut < text.size() && joinsPrevious(text[cut])) {
            ++cut;
        }
        const Ranges found = matches(text.left(cut), words);
        if (partSuffices(found, cut, width, longest)) {
            return found;
        }
    }
}

// Whether the search form may join the character starting at byte `at` of a
// UTF-8 text to the one before it (as joinsPrevious above).
bool joinsPrevious(QByteArrayView utf8, qsizetype at)
{
    const char32_t c = store::codePointAt(utf8, at);
    return QChar::isMark(c) || c == 0xFF9E || c == 0xFF9F || (c >= 0x1160 && c <= 0x11FF);
}

// Where a part of at least `characters` characters of a UTF-8 text may end:
// on a character's first byte, not before one the form joins to the previous.
qsizetype utf8Cut(QByteArrayView utf8, qsizetype characters)
{
    qsizetype at = 0;
    for (qsizetype seen = 0; at < utf8.size() && seen < characters; ++seen) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        at += lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    at = std::min(at, utf8.size());
    while (at < utf8.size() && joinsPrevious(utf8, at)) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        at += lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    return std::min(at, utf8.size());
}

// The first character boundary at or after byte `at` of a UTF-8 text where a
// part may end (as utf8Cut).
qsizetype utf8CutAtByte(QByteArrayView utf8, qsizetype at)
{
    if (at >= utf8.size()) {
        return utf8.size();
    }
    while (at < utf8.size() && (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80) {
        ++at;
    }
    while (at < utf8.size() && joinsPrevious(utf8, at)) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        at += lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    return std::min(at, utf8.size());
}

} // namespace

namespace {

// The line of `text`, which is the whole day's text or a part of it up to
// past the line (`continues`) and from before it (`cutBefore`), and its marks.
Excerpt lineOf(QStringView text, bool continues, const Ranges &found, qsizetype width, bool cutBefore = false)
{
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

    // Written straight into the line: a list of hits makes a thousand.
    Excerpt excerpt;
    const bool leads = start > 0 || cutBefore;
    const bool trails = end < text.size() || continues;
    excerpt.line.resize(end - start + (leads ? 1 : 0) + (trails ? 1 : 0));
    char16_t *line = reinterpret_cast<char16_t *>(excerpt.line.data());
    qsizetype filled = 0;
    QVarLengthArray<qsizetype, 128> at(end - start + 1); // where each character of the window lands in the line
    if (leads) {
        line[filled++] = u'…';
    }
    for (qsizetype k = start; k < end; ++k) {
        at[k - start] = filled;
        const char16_t c = text[k].unicode();
        if (c == u'\r' && k + 1 < end && text[k + 1] == u'\n') {
            continue; // CR LF is one break, one blank
        }
        line[filled++] = c == u'\n' || c == u'\r' || c == u'\t' ? u' ' : c;
    }
    at[end - start] = filled;
    if (trails) {
        line[filled++] = u'…';
    }
    excerpt.line.truncate(filled);

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

} // namespace

Excerpt makeExcerpt(QStringView text, const QStringList &words, qsizetype width)
{
    return lineOf(text, false, matchesShown(text, words, width), width);
}

ExcerptWords::ExcerptWords(const QStringList &words) : forms(words), longest(longestWord(words))
{
    kanjiOnly = !words.isEmpty();
    for (const QString &word : words) {
        utf8.append(word.toUtf8());
        kanjiOnly = kanjiOnly && !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) {
                        return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
                    });
    }
}

namespace {

// UTF-16 units of a UTF-8 text.
qsizetype utf16Units(QByteArrayView utf8)
{
    qsizetype units = 0;
    for (const char byte : utf8) {
        const auto b = static_cast<unsigned char>(byte);
        units += (b & 0xC0) != 0x80 ? 1 : 0;
        units += b >= 0xF0 ? 1 : 0;
    }
    return units;
}

// The line of a text whose words are all kanji, made from a little before
// the first word as written: `written`, its first byte. When the text before
// it holds nothing the form turns into kanji, each kanji of a match there is
// a kanji as written, so a match starts there only if it runs on into the
// written word, a word's length before it at most. None where this does not
// hold, or where the part cannot show the line.
std::optional<Excerpt> lineFromWritten(QByteArrayView utf8, const ExcerptWords &words, qsizetype written,
                                       qsizetype width)
{
    if (!words.kanjiOnly || store::mayFormKanji(utf8.first(written))) {
        return std::nullopt;
    }
    const qsizetype cut = utf8CutAtByte(utf8, written + 3 * (width + 4 * words.longest + 16));
    const bool continues = cut < utf8.size();
    // The line starts a quarter of its width before the first match at most,
    // and near the text's end further back, as far as its width reaches.
    qsizetype back = words.longest + 16;
    if (!continues) {
        back = std::max(back, width - utf16Units(utf8.sliced(written)) + 1);
    }
    // No character beyond the BMP lies before the written word: one unit each.
    qsizetype from = written;
    const auto stepBack = [&utf8, &from] {
        --from;
        while (from > 0 && (static_cast<unsigned char>(utf8[from]) & 0xC0) == 0x80) {
            --from;
        }
    };
    for (qsizetype k = 0; from > 0 && k < back; ++k) {
        stepBack();
    }
    while (from > 0 && joinsPrevious(utf8, from)) {
        stepBack();
    }
    const QString part = QString::fromUtf8(utf8.sliced(from, cut - from));
    const Ranges found = matches(part, words.forms);
    if (found.isEmpty() || (continues && !partSuffices(found, part.size(), width, words.longest))) {
        return std::nullopt;
    }
    return lineOf(part, continues, found, width, from > 0);
}

} // namespace

Excerpt makeExcerpt(QByteArrayView utf8, const QStringList &words, qsizetype width)
{
    return makeExcerpt(utf8, ExcerptWords(words), width);
}

Excerpt makeExcerpt(QByteArrayView utf8, const ExcerptWords &words, qsizetype width)
{
    // Only the start of a long text is turned into characters, as far as
    // its search form is looked at. A word written in the text as it is
    // typed shows how far that is: the form's first match is there or before.
    const qsizetype longest = words.longest;
    qsizetype written = -1;
    for (const QByteArray &word : words.utf8) {
        const std::size_t found = std::string_view(utf8.data(), std::size_t(utf8.size()))
                                      .find(std::string_view(word.constData(), std::size_t(word.size())));
        const qsizetype at = found == std::string_view::npos ? -1 : qsizetype(found);
        written = at >= 0 && (written < 0 || at < written) ? at : written;
    }
    if (written >= 0) {
        if (std::optional<Excerpt> line = lineFromWritten(utf8, words, written, width)) {
            return std::move(*line);
        }
    }
    // A character of the form is three bytes of UTF-8 at most.
    qsizetype cut =
        written >= 0 ? utf8CutAtByte(utf8, written + 3 * (width + 4 * longest + 16)) : utf8Cut(utf8, firstPart(width));
    for (qsizetype part = firstPart(width);; part *= 4) {
        if (cut >= utf8.size()) {
            return makeExcerpt(QString::fromUtf8(utf8), words.forms, width);
        }
        const QString start = QString::fromUtf8(utf8.first(cut));
        const Ranges found = matches(start, words.forms);
        if (partSuffices(found, start.size(), width, longest)) {
            return lineOf(start, true, found, width);
        }
        while (utf8Cut(utf8, part) <= cut) {
            part *= 4;
        }
        cut = utf8Cut(utf8, part);
    }
}

} // namespace search
