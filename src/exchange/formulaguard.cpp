#include "exchange/formulaguard.h"

namespace exchange {

namespace {

bool startsFormula(QChar c)
{
    const char16_t u = c.unicode();
    // A stored line break is written CR LF: a text beginning with one begins with a CR in the file.
    return u == u'=' || u == u'+' || u == u'-' || u == u'@' || u == u'\t' || u == u'\r' || u == u'\n';
}

// How many apostrophes lead to a character that starts a formula; -1 when
// the text does not begin that way.
qsizetype apostrophesBeforeFormula(const QString &text)
{
    qsizetype count = 0;
    while (count < text.size() && text.at(count) == u'\'') {
        ++count;
    }
    return count < text.size() && startsFormula(text.at(count)) ? count : -1;
}

} // namespace

QString guardedText(const QString &text)
{
    return apostrophesBeforeFormula(text) >= 0 ? u'\'' + text : text;
}

QString unguardedText(const QString &field)
{
    return apostrophesBeforeFormula(field) > 0 ? field.mid(1) : field;
}

} // namespace exchange
