// Fuzzes the translation of statements into SQLite's dialect, the recognition
// of single-table selects and the date texts of the store.
//
// First byte: bit 0 the texts as UTF-16 instead of UTF-8, bit 1 a statement
// composed of the dialect's pieces, whose translation is known piece by
// piece, instead of the rest as one statement.

#include "fuzzinput.h"

#include "store/dialect.h"

#include <QList>

#include <iterator>
#include <optional>

using fuzz::describe;
using fuzz::FuzzInput;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

bool isNameChar(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u'$' ||
           c.unicode() >= 0x80;
}

// Which characters of a statement lie inside a quoted text or a quoted name
// (quotes included), read as SQLite reads them: ' or " up to the same quote
// not doubled; an unterminated one runs to the end.
QList<bool> quotedPlaces(const QString &sql)
{
    QList<bool> quoted(sql.size(), false);
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar quote = sql.at(i);
        if (quote != u'\'' && quote != u'"') {
            ++i;
            continue;
        }
        quoted[i++] = true;
        while (i < sql.size()) {
            quoted[i] = true;
            if (sql.at(i++) == quote) {
                if (i < sql.size() && sql.at(i) == quote) {
                    quoted[i++] = true;
                    continue;
                }
                break;
            }
        }
    }
    return quoted;
}

// The quoted texts of a statement, in order.
QStringList quotedTexts(const QString &sql)
{
    const QList<bool> quoted = quotedPlaces(sql);
    QStringList texts;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (quoted[i] && (i == 0 || !quoted[i - 1])) {
            texts.append(QString());
        }
        if (quoted[i]) {
            texts.last() += sql.at(i);
        }
    }
    return texts;
}

bool wordAt(const QString &sql, qsizetype pos, QLatin1StringView word)
{
    if (pos > 0 && isNameChar(sql.at(pos - 1))) {
        return false;
    }
    const qsizetype end = pos + word.size();
    return end <= sql.size() && QStringView(sql).mid(pos, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
           (end == sql.size() || !isNameChar(sql.at(end)));
}

qsizetype skipBlanks(const QString &sql, qsizetype pos)
{
    while (pos < sql.size() && isBlank(sql.at(pos))) {
        ++pos;
    }
    return pos;
}

// What the translation leaves no trace of outside quotes: a bracketed name, a
// date literal, "delete * from".
void checkNothingLeft(const QString &in, const QString &out)
{
    const QList<bool> quoted = quotedPlaces(out);
    const QByteArray what = describe(in) + " gives " + describe(out);
    bool closingBracketAfter = false;
    for (qsizetype i = out.size() - 1; i >= 0; --i) {
        if (quoted[i]) {
            continue;
        }
        const QChar c = out.at(i);
        closingBracketAfter = closingBracketAfter || c == u']';
        FUZZ_CHECK(c != u'[' || !closingBracketAfter, what + " bracket at " + QByteArray::number(i));
        if (c == u'#') {
            qsizetype end = out.indexOf(u'#', i + 1);
            FUZZ_CHECK(end < 0 || !store::parseDateText(QStringView(out).mid(i + 1, end - i - 1)),
                       what + " date at " + QByteArray::number(i));
        }
        if (wordAt(out, i, QLatin1StringView("delete"))) {
            qsizetype p = skipBlanks(out, i + 6);
            if (p < out.size() && out.at(p) == u'*') {
                FUZZ_CHECK(!wordAt(out, skipBlanks(out, p + 1), QLatin1StringView("from")),
                           what + " delete at " + QByteArray::number(i));
            }
        }
    }
    // Nothing but a quoted text ends in a blank or a ';'.
    if (!out.isEmpty() && !quoted.last()) {
        FUZZ_CHECK(!isBlank(out.back()) && out.back() != u';', what);
    }
}

void checkTranslation(const QString &in)
{
    const QString out = store::translateDialect(in);
    const QByteArray what = describe(in) + " gives " + describe(out);

    // Every rewrite keeps the text's length within twice the input's: a
    // bracketed name doubles its quotes at most.
    FUZZ_CHECK(out.size() <= 2 * in.size(), what);
    FUZZ_CHECK(store::translateDialect(out) == out, what + " then " + describe(store::translateDialect(out)));
    checkNothingLeft(in, out);

    // Without any of the dialect's marks the statement stays as it is, but
    // for the blanks at its end.
    const bool plain = !in.contains(u'#') && !in.contains(u'[') && !in.contains(u';') && !in.contains(u'*');
    if (plain) {
        FUZZ_CHECK(in.startsWith(out), what);
        for (qsizetype i = out.size(); i < in.size(); ++i) {
            FUZZ_CHECK(isBlank(in.at(i)), what);
        }
    }
    // Quoted texts are never changed while no rewrite can make new ones.
    if (!in.contains(u'#') && !in.contains(u'[')) {
        FUZZ_CHECK(quotedTexts(in) == quotedTexts(out), what);
    }

    const store::SingleTableSelect select = store::singleTableSelect(out);
    if (select.isValid()) {
        FUZZ_CHECK(select.starPosition >= 0 && select.starPosition < out.size() && out.at(select.starPosition) == u'*',
                   what + " star at " + QByteArray::number(select.starPosition));
        // A name holding a quote was quoted, with that quote doubled.
        const QString written =
            select.table.contains(u'"') ? QString(select.table).replace(u'"', QStringLiteral("\"\"")) : select.table;
        FUZZ_CHECK(out.indexOf(written, select.starPosition) > select.starPosition,
                   what + " table " + describe(select.table));
    }
}

void checkDateTexts(const QString &text)
{
    const std::optional<QDate> date = store::parseDateText(text);
    if (date) {
        const QString stored = store::storedDateText(*date);
        FUZZ_CHECK(stored.size() == 10 && store::parseStoredDate(stored) == date,
                   describe(text) + " stored " + describe(stored));
        FUZZ_CHECK(store::parseDateText(stored) == date, describe(text) + " stored " + describe(stored));
    }
    const std::optional<QDate> storedDate = store::parseStoredDate(text);
    FUZZ_CHECK(!storedDate || store::storedDateText(*storedDate) == text, describe(text));
    FUZZ_CHECK(!storedDate || storedDate == date, describe(text));
}

// --- composed statements ---

// Words of the statements, none of which the translation touches.
const QString kWords[] = {
    QStringLiteral("select"), QStringLiteral("*"),       QStringLiteral("from"),    QStringLiteral("業務日誌"),
    QStringLiteral("where"),  QStringLiteral("日付"),    QStringLiteral("="),       QStringLiteral(">="),
    QStringLiteral("and"),    QStringLiteral("order"),   QStringLiteral("by"),      QStringLiteral("sum("),
    QStringLiteral(")"),      QStringLiteral("as"),      QStringLiteral(","),       QStringLiteral("t売上計"),
    QStringLiteral("1"),      QStringLiteral("deleted"), QStringLiteral("fromage"),
};
const QString kBlanks[] = {QStringLiteral(" "), QStringLiteral("  "), QStringLiteral("\t"), QStringLiteral("\n"),
                           QStringLiteral("\r\n")};

QString inRandomCase(FuzzInput &in, const QString &word)
{
    QString out = word;
    const uint8_t bits = in.byte();
    for (qsizetype k = 0; k < out.size() && k < 8; ++k) {
        out[k] = bits & (1 << k) ? out[k].toUpper() : out[k];
    }
    return out;
}

// A statement made of words, bracketed names, date literals, quoted texts
// and "delete * from", with blanks between them and blanks and ';' after
// them. The translation is what each piece becomes, the end dropped.
void checkComposed(FuzzInput &in, bool utf16)
{
    QString statement;
    QString expected;
    for (int pieces = in.byte() % 12 + 1; pieces > 0; --pieces) {
        if (!statement.isEmpty()) {
            const QString &blank = kBlanks[in.byte() % std::size(kBlanks)];
            statement += blank;
            expected += blank;
        }
        const uint8_t kind = in.byte();
        switch (kind % 5) {
        case 0: {
            const QString &word = kWords[in.byte() % std::size(kWords)];
            statement += word;
            expected += word;
            break;
        }
        case 1: {
            // [name] becomes "name", a double quote inside doubled.
            QString name = in.text(in.byte() % 12, utf16);
            name.remove(u']');
            statement += u'[' + name + u']';
            expected += u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
            break;
        }
        case 2: {
            // #yyyy/m/d# becomes 'yyyy-mm-dd' when it names a day; anything else stays.
            const int year = int(in.number(2) % 10000);
            const int month = in.byte() % 14;
            const int day = in.byte() % 33;
            const QChar mark = kind & 0x10 ? u'-' : u'/';
            const QString literal = u'#' + QString::number(year).rightJustified(4, u'0') + mark +
                                    QString::number(month).rightJustified(kind & 0x20 ? 2 : 1, u'0') + mark +
                                    QString::number(day).rightJustified(kind & 0x40 ? 2 : 1, u'0') + u'#';
            const QDate date(year, month, day);
            statement += literal;
            expected += date.isValid() && year >= 1 ? u'\'' + date.toString(u"yyyy-MM-dd") + u'\'' : literal;
            break;
        }
        case 3: {
            // A quoted text stays exactly as it is, whatever it holds.
            const QChar quote = kind & 0x10 ? u'"' : u'\'';
            QString text = in.text(in.byte() % 16, utf16);
            text.replace(quote, QString(2, quote));
            statement += quote + text + quote;
            expected += quote + text + quote;
            break;
        }
        default: {
            const QString &blank = kBlanks[in.byte() % std::size(kBlanks)];
            statement += inRandomCase(in, QStringLiteral("delete")) + (kind & 0x10 ? blank : QString()) + u'*' +
                         (kind & 0x20 ? blank : QString()) + inRandomCase(in, QStringLiteral("from"));
            expected += QStringLiteral("delete from");
            break;
        }
        }
    }
    for (int end = in.byte() % 4; end > 0; --end) {
        statement += in.byte() & 1 ? QStringLiteral(";") : kBlanks[in.byte() % std::size(kBlanks)];
    }
    const QString out = store::translateDialect(statement);
    FUZZ_CHECK(out == expected, describe(statement) + " gives " + describe(out) + " expected " + describe(expected));
    checkTranslation(statement);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    if (control & 2) {
        checkComposed(in, control & 1);
        return 0;
    }
    const QString text = in.rest(control & 1);
    checkTranslation(text);
    checkDateTexts(text);
    return 0;
}
