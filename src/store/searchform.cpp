#include "store/search.h"

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

// Characters that NFKC may join to the character before them: combining
// marks, and the half-width voiced sound marks (ｶﾞ becomes ガ).
bool joinsPrevious(char32_t c)
{
    return c == 0xFF9E || c == 0xFF9F || QChar::isMark(c) || QChar::combiningClass(c) != 0;
}

// Characters that NFKC leaves as they are when nothing joins them: ASCII and
// the ordinary letters of a Japanese text. Spares the journal's bulk the
// normaliser's cost.
bool keptByNfkc(char32_t c)
{
    return c < 0x80 || (c >= 0x3001 && c <= 0x3002) || (c >= 0x300C && c <= 0x300F) || (c >= 0x3041 && c <= 0x3096) ||
           (c >= 0x30A1 && c <= 0x30FA) || (c >= 0x30FC && c <= 0x30FE) || (c >= 0x4E00 && c <= 0x9FFF);
}

char16_t foldLatin(char16_t unit)
{
    if (unit < 0x80) {
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
    }
    return QChar(unit).script() == QChar::Script_Latin ? QChar::toCaseFolded(unit) : unit;
}

// The form is made one piece at a time: a character with the marks that
// follow it. Each piece of the form then knows the characters it came from.
template <typename Note> QString buildForm(QStringView text, Note note)
{
    QString form;
    form.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = i;
        const char32_t first = codePointAt(text, i);
        while (i < text.size()) {
            qsizetype next = i;
            if (!joinsPrevious(codePointAt(text, next))) {
                break;
            }
            i = next;
        }
        const qsizetype before = form.size();
        if (i - start == 1 && keptByNfkc(first)) {
            form.append(QChar(foldLatin(char16_t(first))));
        } else {
            const QString piece = text.sliced(start, i - start).toString().normalized(QString::NormalizationForm_KC);
            for (const QChar unit : piece) {
                form.append(QChar(foldLatin(unit.unicode())));
            }
        }
        note(form.size() - before, start, i);
    }
    return form;
}

} // namespace

QString searchForm(QStringView text)
{
    return buildForm(text, [](qsizetype, qsizetype, qsizetype) {});
}

MappedSearchForm mappedSearchForm(QStringView text)
{
    MappedSearchForm mapped;
    mapped.from.reserve(text.size());
    mapped.to.reserve(text.size());
    mapped.text = buildForm(text, [&mapped](qsizetype units, qsizetype from, qsizetype to) {
        for (qsizetype k = 0; k < units; ++k) {
            mapped.from.append(from);
            mapped.to.append(to);
        }
    });
    return mapped;
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
