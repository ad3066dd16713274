#include "store/search.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace store {

namespace {

char32_t codePointAt(QStringView text, qsizetype &i)
{
    const char16_t unit = text[i].unicode();
    ++i;
    if (QChar::isHighSurrogate(unit) && i < text.size() && QChar::isLowSurrogate(text[i].unicode())) {
        return QChar::surrogateToUcs4(unit, text[i++].unicode());
    }
    return unit;
}

// Characters that NFKC leaves as they are when nothing joins them: ASCII and
// the ordinary letters of a Japanese text. Spares the journal's bulk the
// normaliser's cost.
bool keptByNfkc(char32_t c)
{
    return c < 0x80 || (c >= 0x3001 && c <= 0x3002) || (c >= 0x300C && c <= 0x300F) || (c >= 0x3041 && c <= 0x3096) ||
           (c >= 0x30A1 && c <= 0x30FE) || (c >= 0x4E00 && c <= 0x9FFF);
}

// Characters that NFKC may join to the character before them: combining
// marks, and the half-width voiced sound marks (ｶﾞ becomes ガ). No mark lies
// below U+0300 or among the ordinary letters kept as they are.
bool joinsPrevious(char32_t c)
{
    if (c < 0x300 || keptByNfkc(c)) {
        return false;
    }
    return c == 0xFF9E || c == 0xFF9F || QChar::isMark(c) || QChar::combiningClass(c) != 0;
}

char16_t foldLatin(char16_t unit)
{
    if (unit < 0x80) {
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
    }
    return QChar(unit).script() == QChar::Script_Latin ? QChar::toCaseFolded(unit) : unit;
}

// Length of the run of units from `start` that the form keeps as they are
// (ASCII case aside): ordinary letters, none followed by a joining mark.
qsizetype keptRun(QStringView text, qsizetype start)
{
    qsizetype end = start;
    while (end < text.size() && keptByNfkc(text[end].unicode())) {
        ++end;
    }
    if (end > start && end < text.size()) {
        qsizetype next = end;
        if (joinsPrevious(codePointAt(text, next))) {
            --end; // the last one goes with its mark
        }
    }
    return end - start;
}

// The form of a character with the marks that follow it. Pieces of one or two
// characters (half-width kana with their voiced marks, full-width letters,
// the journal's other signs) recur in text after text: their forms are kept,
// so that the normaliser sees each one once per thread.
QString pieceForm(QStringView piece)
{
    const auto normalise = [piece] {
        QString form = piece.toString().normalized(QString::NormalizationForm_KC);
        for (QChar &unit : form) {
            unit = QChar(foldLatin(unit.unicode()));
        }
        return form;
    };
    if (piece.size() > 2) {
        return normalise();
    }
    thread_local QHash<quint32, QString> known;
    const quint32 key = piece[0].unicode() | (piece.size() == 2 ? quint32(piece[1].unicode()) << 16 : 0u);
    if (const auto found = known.constFind(key); found != known.constEnd()) {
        return *found;
    }
    if (known.size() >= 4096) {
        known.clear();
    }
    return *known.insert(key, normalise());
}

// The form is made one piece at a time: a run of units kept as they are, or
// a character with the marks that follow it. `note` hears of each piece that
// is not one unit from one unit: where it starts in the form, its units, and
// the characters it came from.
template <typename Note> QString buildForm(QStringView text, Note note)
{
    QString form;
    form.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (const qsizetype run = keptRun(text, i); run > 0) {
            const qsizetype before = form.size();
            form.append(text.sliced(i, run));
            char16_t *unit = reinterpret_cast<char16_t *>(form.data()) + before;
            for (qsizetype k = 0; k < run; ++k) {
                if (unit[k] >= u'A' && unit[k] <= u'Z') {
                    unit[k] = char16_t(unit[k] + (u'a' - u'A'));
                }
            }
            i += run;
            continue;
        }
        const qsizetype start = i;
        codePointAt(text, i);
        while (i < text.size()) {
            qsizetype next = i;
            if (!joinsPrevious(codePointAt(text, next))) {
                break;
            }
            i = next;
        }
        const QString piece = pieceForm(text.sliced(start, i - start));
        if (piece.size() != 1 || i != start + 1) {
            note(form.size(), piece.size(), start, i);
        }
        form.append(piece);
    }
    return form;
}

} // namespace

QString searchForm(QStringView text)
{
    return buildForm(text, [](qsizetype, qsizetype, qsizetype, qsizetype) {});
}

// Units that map one to one and pieces of one unit from one unit are not
// written down: they keep the distance between form and original.
MappedSearchForm mappedSearchForm(QStringView text)
{
    MappedSearchForm mapped;
    mapped.text = buildForm(text, [&mapped](qsizetype form, qsizetype units, qsizetype from, qsizetype to) {
        mapped.pieces.append({form, units, from, to});
    });
    return mapped;
}

qsizetype MappedSearchForm::originalFrom(qsizetype unit) const
{
    const auto after = std::upper_bound(pieces.cbegin(), pieces.cend(), unit,
                                        [](qsizetype at, const Piece &piece) { return at < piece.form; });
    if (after == pieces.cbegin()) {
        return unit;
    }
    const Piece &piece = *(after - 1);
    return unit < piece.form + piece.units ? piece.from : piece.to + (unit - piece.form - piece.units);
}

qsizetype MappedSearchForm::originalTo(qsizetype unit) const
{
    const auto after = std::upper_bound(pieces.cbegin(), pieces.cend(), unit,
                                        [](qsizetype at, const Piece &piece) { return at < piece.form; });
    if (after != pieces.cbegin()) {
        const Piece &piece = *(after - 1);
        if (unit < piece.form + piece.units) {
            return piece.to;
        }
    }
    return originalFrom(unit) + 1;
}

// Whether a UTF-8 text holds a character that NFKC may turn into kanji: CJK
// radicals and Kangxi radicals (U+2E80–2FFF), the ideographic iteration and
// number signs (U+3038–303F), kanbun (U+3190–319F), enclosed and squared
// signs (U+3200–33FF), compatibility ideographs (U+F900–FAFF), and anything
// beyond the BMP (squared ideographs, the compatibility supplement).
// Built twice where the system loader can choose (x86-64, ELF), with AVX2 and
// without, the machine's own choosing at load.
#if defined(__x86_64__) && defined(__ELF__)
#define ZEPHRA_AVX2_OR_PLAIN __attribute__((target_clones("avx2", "default")))
#else
#define ZEPHRA_AVX2_OR_PLAIN
#endif
ZEPHRA_AVX2_OR_PLAIN bool mayFormKanji(QByteArrayView text)
{
    const auto *byte = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype size = text.size();
    qsizetype i = 0;
    // 32 bytes at a time: every stored text without a match is looked
    // through whole, as fast as the engine's own instr() reads it.
    using Bytes = unsigned char __attribute__((vector_size(32)));
    for (; i + 34 <= size; i += 32) {
        Bytes b;
        Bytes second;
        Bytes third;
        std::memcpy(&b, byte + i, sizeof b);
        std::memcpy(&second, byte + i + 1, sizeof second);
        std::memcpy(&third, byte + i + 2, sizeof third);
        const auto found =
            (b >= 0xF0) | ((b == 0xE2) & (second >= 0xBA)) | ((b == 0xEF) & (second >= 0xA4) & (second <= 0xAB)) |
            ((b == 0xE3) &
             ((second == 0x86) | ((second >= 0x88) & (second <= 0x8F)) | ((second == 0x80) & (third >= 0xB8))));
        quint64 quarters[4];
        std::memcpy(quarters, &found, sizeof quarters);
        if ((quarters[0] | quarters[1] | quarters[2] | quarters[3]) != 0) {
            return true;
        }
    }
    for (; i < size; ++i) {
        const unsigned char b = byte[i];
        if (b < 0xE2) {
            continue;
        }
        if (b >= 0xF0) {
            return true;
        }
        const unsigned char second = i + 1 < size ? byte[i + 1] : 0;
        const unsigned char third = i + 2 < size ? byte[i + 2] : 0;
        if ((b == 0xE2 && second >= 0xBA) || (b == 0xEF && second >= 0xA4 && second <= 0xAB) ||
            (b == 0xE3 &&
             (second == 0x86 || (second >= 0x88 && second <= 0x8F) || (second == 0x80 && third >= 0xB8)))) {
            return true;
        }
    }
    return false;
}

char32_t codePointAt(QByteArrayView utf8, qsizetype at)
{
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const qsizetype length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length == 1 || at + length > utf8.size()) {
        return lead;
    }
    char32_t c = lead & (0xFF >> (length + 1));
    for (qsizetype k = 1; k < length; ++k) {
        c = (c << 6) | (static_cast<unsigned char>(utf8[at + k]) & 0x3F);
    }
    return c;
}

bool isOwnSearchForm(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t unit = c.unicode();
        return keptByNfkc(unit) && (unit < u'A' || unit > u'Z');
    });
}

QStringList searchWords(QStringView typed)
{
    QStringList words;
    qsizetype i = 0;
    while (i < typed.size()) {
        while (i < typed.size() && typed[i].isSpace()) {
            ++i;
        }
        const qsizetype start = i;
        while (i < typed.size() && !typed[i].isSpace()) {
            ++i;
        }
        if (i > start) {
            const QString word = searchForm(typed.sliced(start, i - start));
            if (!word.isEmpty() && !words.contains(word)) {
                words.append(word);
            }
        }
    }
    return words;
}

} // namespace store
