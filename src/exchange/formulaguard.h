#pragma once
// Journal texts in a CSV file that Excel or LibreOffice would take for a
// formula: those beginning with =, +, -, @, a tab or a line break (CR, or LF,
// which the file has as CR LF), so that "=HYPERLINK(…)" never becomes a live
// link. Such a text is written with an apostrophe before it, which both
// programs read as "this cell is text"; the CSV import drops exactly that
// apostrophe.
//
// A text that begins with apostrophes followed by one of those characters
// gets one more apostrophe as well, so that the import's rule (one apostrophe
// dropped where apostrophes lead to such a character) gives back every text
// exactly.

#include <QString>

namespace exchange {

// The text as a CSV field holds it.
QString guardedText(const QString &text);

// The text a CSV field stands for: the guard of guardedText removed.
QString unguardedText(const QString &field);

} // namespace exchange
