#include "store/dialect.h"

namespace store {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Characters that continue a bare name or keyword; SQLite counts every
// character beyond ASCII as part of a name.
bool isNameChar(QChar c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u'$' ||
           c.unicode() >= 0x80;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

// A keyword at `pos`, in any ASCII case, not followed by a name character.
bool keywordAt(QStringView s, qsizetype pos, QLatin1StringView word)
{
    if (pos < 0 || pos + word.size() > s.size()) {
        return false;
    }
    for (qsizetype k = 0; k < word.size(); ++k) {
        char16_t c = s[pos + k].unicode();
        if (c >= u'A' && c <= u'Z') {
            c = char16_t(c - u'A' + u'a');
        }
        if (c != char16_t(word[k].unicode())) {
            return false;
        }
    }
    const qsizetype end = pos + word.size();
    return end == s.size() || !isNameChar(s[end]);
}

qsizetype skipBlanks(QStringView s, qsizetype pos)
{
    while (pos < s.size() && isBlank(s[pos])) {
        ++pos;
    }
    return pos;
}

// Reads up to `maxDigits` digits at `pos`; advances `pos`.
int readNumber(QStringView s, qsizetype &pos, int minDigits, int maxDigits)
{
    int value = 0;
    int digits = 0;
    while (pos < s.size() && digits < maxDigits && isAsciiDigit(s[pos])) {
        value = value * 10 + (s[pos].unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits ? value : -1;
}

// A date "yyyy?m?d" at `pos` with '/' or '-' as separator; advances `pos` past it.
std::optional<QDate> readDate(QStringView s, qsizetype &pos)
{
    qsizetype p = pos;
    const int year = readNumber(s, p, 4, 4);
    if (year < 0 || p >= s.size() || (s[p] != u'/' && s[p] != u'-')) {
        return std::nullopt;
    }
    const QChar separator = s[p++];
    const int month = readNumber(s, p, 1, 2);
    if (month < 0 || p >= s.size() || s[p] != separator) {
        return std::nullopt;
    }
    ++p;
    const int day = readNumber(s, p, 1, 2);
    if (day < 0) {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1) {
        return std::nullopt;
    }
    pos = p;
    return date;
}

// Copies a quoted text or name starting at `pos` (the opening quote) up to and
// including its closing quote; a doubled quote inside does not close it.
qsizetype copyQuoted(QStringView s, qsizetype pos, QString &out)
{
    const QChar quote = s[pos];
    out.append(quote);
    ++pos;
    while (pos < s.size()) {
        const QChar c = s[pos];
        out.append(c);
        ++pos;
        if (c == quote) {
            if (pos < s.size() && s[pos] == quote) {
                out.append(quote);
                ++pos;
                continue;
            }
            break;
        }
    }
    return pos;
}

} // namespace

QString translateDialect(const QString &dialectSql)
{
    const QStringView s(dialectSql);
    QString out;
    out.reserve(s.size() + 16);
    // Length of the output without the blanks and ';' that follow the last
    // part of the statement.
    qsizetype keep = 0;
    // Once a '[' finds no ']' after it, no later '[' will either.
    bool noClosingBracket = false;

    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            i = copyQuoted(s, i, out);
            keep = out.size();
            continue;
        }
        if (c == u'[' && !noClosingBracket) {
            const qsizetype close = s.indexOf(u']', i + 1);
            if (close < 0) {
                noClosingBracket = true;
            } else {
                out.append(u'"');
                for (qsizetype k = i + 1; k < close; ++k) {
                    if (s[k] == u'"') {
                        out.append(u'"');
                    }
                    out.append(s[k]);
                }
                out.append(u'"');
                keep = out.size();
                i = close + 1;
                continue;
            }
        }
        if (c == u'#') {
            qsizetype p = i + 1;
            const std::optional<QDate> date = readDate(s, p);
            if (date && p < s.size() && s[p] == u'#') {
                out.append(u'\'');
                out.append(storedDateText(*date));
                out.append(u'\'');
                keep = out.size();
                i = p + 1;
                continue;
            }
        }
        if ((c == u'd' || c == u'D') && (i == 0 || !isNameChar(s[i - 1])) &&
            keywordAt(s, i, QLatin1StringView("delete"))) {
            qsizetype p = skipBlanks(s, i + 6);
            if (p < s.size() && s[p] == u'*') {
                p = skipBlanks(s, p + 1);
                if (keywordAt(s, p, QLatin1StringView("from"))) {
                    out.append(QStringLiteral("delete from"));
                    keep = out.size();
                    i = p + 4;
                    continue;
                }
            }
        }
        out.append(c);
        if (!isBlank(c) && c != u';') {
            keep = out.size();
        }
        ++i;
    }
    out.truncate(keep);
    return out;
}

bool isSelectStatement(const QString &sqliteSql)
{
    const QStringView s(sqliteSql);
    return keywordAt(s, skipBlanks(s, 0), QLatin1StringView("select"));
}

SingleTableSelect singleTableSelect(const QString &sqliteSql)
{
    const QStringView s(sqliteSql);
    qsizetype p = skipBlanks(s, 0);
    if (!keywordAt(s, p, QLatin1StringView("select"))) {
        return {};
    }
    p = skipBlanks(s, p + 6);
    if (p >= s.size() || s[p] != u'*') {
        return {};
    }
    const qsizetype star = p;
    p = skipBlanks(s, p + 1);
    if (!keywordAt(s, p, QLatin1StringView("from"))) {
        return {};
    }
    p = skipBlanks(s, p + 4);
    if (p >= s.size()) {
        return {};
    }

    QString table;
    if (s[p] == u'"') {
        ++p;
        bool closed = false;
        while (p < s.size()) {
            if (s[p] == u'"') {
                if (p + 1 < s.size() && s[p + 1] == u'"') {
                    table.append(u'"');
                    p += 2;
                    continue;
                }
                ++p;
                closed = true;
                break;
            }
            table.append(s[p++]);
        }
        if (!closed) {
            return {};
        }
    } else {
        const qsizetype start = p;
        while (p < s.size() && isNameChar(s[p])) {
            ++p;
        }
        table = s.mid(start, p - start).toString();
    }
    if (table.isEmpty()) {
        return {};
    }

    // Nothing may follow but a where clause, an ordering or a limit: joins,
    // lists of tables, aliases and groupings make rows that no rowid names.
    const qsizetype afterName = p;
    p = skipBlanks(s, p);
    if (p == s.size()) {
        return {table, star};
    }
    if (p == afterName) {
        return {};
    }
    if (keywordAt(s, p, QLatin1StringView("where")) || keywordAt(s, p, QLatin1StringView("order")) ||
        keywordAt(s, p, QLatin1StringView("limit"))) {
        return {table, star};
    }
    return {};
}

std::optional<QDate> parseDateText(QStringView text)
{
    qsizetype pos = 0;
    const std::optional<QDate> date = readDate(text, pos);
    if (!date || pos != text.size()) {
        return std::nullopt;
    }
    return date;
}

QString storedDateText(const QDate &date)
{
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day); // one calendar conversion for the three parts
    if (!date.isValid() || year < 1 || year > 9999) {
        return {};
    }
    QString text(10, u'-');
    auto put = [&text](qsizetype at, int value, int width) {
        for (int k = width - 1; k >= 0; --k) {
            text[at + k] = QChar(u'0' + value % 10);
            value /= 10;
        }
    };
    put(0, year, 4);
    put(5, month, 2);
    put(8, day, 2);
    return text;
}

std::optional<QDate> parseStoredDate(QStringView text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-') {
        return std::nullopt;
    }
    for (const qsizetype k : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!isAsciiDigit(text[k])) {
            return std::nullopt;
        }
    }
    return parseDateText(text);
}

} // namespace store
