#pragma once
// The floors of the import and the search index: the least any program does
// to bring a CSV file of journal days into the journal file with their search
// index entries, or to make the search index anew, through SQLite's C
// interface alone.

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>
#include <vector>

struct sqlite3;

namespace bench {

// A plain RFC 4180 split of bytes given in chunks of any size: fields apart
// at commas, records at line ends, quotes doubled inside quoted fields. A line
// break inside a quoted field is kept as LF alone, as the journal stores it.
class CsvSplitter
{
public:
    using Record = std::function<bool(std::vector<std::string> &fields)>;

    // Calls `record` for each record completed by these bytes; false from it stops the split.
    bool feed(const char *bytes, std::size_t size, const Record &record);
    // The last record when the bytes did not end with a line end.
    bool finish(const Record &record);

private:
    bool endRecord(const Record &record);

    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };
    State m_state = State::FieldStart;
    std::vector<std::string> m_fields;
    std::string m_field;
};

// The text in search form for SQL: search_form(text), registered on `db`.
bool registerSearchForm(sqlite3 *db);

// Reads the CSV file at `csvPath` (the journal's own columns in the export's
// order, UTF-8 with its byte-order mark) in chunks, drops the apostrophe that
// guards a text from being read as a formula, and inserts each row and
// its search index entry into the journal file at `mainPath` in one
// transaction after running `pragmas`. The rows inserted; `error` set on failure.
qint64 bareCsvImport(const QString &csvPath, const QString &mainPath, const QByteArray &pragmas, QString *error);

// Makes the search index of the journal file open on `db` anew in one
// transaction: the trigram table dropped, made and filled by one INSERT …
// SELECT of the texts in search form. The rows indexed; `error` set on failure.
qint64 bareIndexBuild(sqlite3 *db, QString *error);

} // namespace bench
