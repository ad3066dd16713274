#pragma once
// A CSV file read for the import: its character code found (or taken as
// asked), then split into rows and fields as RFC 4180 has them. Bytes that are
// not valid in that code refuse the row they are in; nothing is replaced.
//
// Rows end with CRLF, LF or a lone CR (older Excel for Mac). Inside a quoted
// field a CRLF becomes LF, the form the journal keeps (the export writes a
// stored LF as CRLF); LF and a lone CR stay as they are. Rows with nothing in
// any field, a blank line or only commas as Excel leaves after cells were
// cleared, are left out.

#include "exchange/export.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace exchange {

// Files beyond this are refused.
inline constexpr qint64 kCsvSizeLimit = qint64(256) * 1024 * 1024;

struct CsvRow
{
    qint64 line = 0; // the file's line where the row starts, the first line being 1
    QStringList fields;
    // Why the row cannot be taken: a quote never closed, characters after a
    // closing quote, bytes that are not of the file's character code.
    std::optional<QString> fault;
    qsizetype faultField = -1; // the field at fault; -1 when the row as a whole is
};

struct CsvText
{
    Encoding encoding = Encoding::Utf8;
    bool detected = false; // no encoding was asked for
    QList<CsvRow> rows;    // in file order, the header (when there is one) first
    // Why the file cannot be read at all; nothing else is set then.
    std::optional<QString> failure;
};

// `encoding` none: UTF-8 when the bytes start with a byte-order mark or are
// valid UTF-8 throughout, Shift_JIS (code page 932) otherwise. A byte-order
// mark is dropped whenever the file is read as UTF-8.
CsvText parseCsv(const QByteArray &bytes, std::optional<Encoding> encoding);

// The same for a file. Only a regular file is read, and never more than
// kCsvSizeLimit bytes and one, whatever size it claims: a larger one is refused.
CsvText readCsvFile(const QString &path, std::optional<Encoding> encoding);

// The name the messages give a character code: UTF-8, Shift_JIS.
QString encodingName(Encoding encoding);

} // namespace exchange
