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
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace exchange {

// Files beyond this are refused unread: far above the whole calendar with long texts.
inline constexpr qint64 kCsvSizeLimit = qint64(4) * 1024 * 1024 * 1024;
// The file is read this many bytes at a time.
inline constexpr qint64 kCsvChunk = qint64(1) << 20;
// A row of more bytes is refused and the rest of it passed over unkept (a quote never closed).
inline constexpr qint64 kCsvRowLimit = qint64(16) * 1024 * 1024;

struct CsvRow
{
    qint64 line = 0; // the file's line where the row starts, the first line being 1
    QStringList fields;
    // Why the row cannot be taken: a quote never closed, characters after a
    // closing quote, bytes that are not of the file's character code.
    std::optional<QString> fault;
    qsizetype faultField = -1; // the field at fault; -1 when the row as a whole is
};

// A file as one reading found it: the size and last change it had when
// opened, and a hash of every byte read. Two readings of an unchanged file agree.
struct FileStamp
{
    qint64 size = -1;
    QDateTime modified;
    size_t hash = 0;
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

// A CSV file read row by row, a chunk at a time, so that a file of any size
// needs the same memory. Only a regular file is read, and never more bytes
// than it claimed when opened and one: a file that grows or shrinks while it
// is read is refused.
class CsvStream
{
public:
    // `encoding` none: UTF-8 when the bytes start with a byte-order mark or are
    // valid UTF-8 throughout (one reading ahead), Shift_JIS (code page 932)
    // otherwise. A byte-order mark is dropped whenever the file is read as UTF-8.
    CsvStream(const QString &path, std::optional<Encoding> encoding);
    ~CsvStream();
    CsvStream(const CsvStream &) = delete;
    CsvStream &operator=(const CsvStream &) = delete;

    // Why the file cannot be read (at opening or since); no rows come then.
    const std::optional<QString> &failure() const { return m_failure; }
    Encoding encoding() const { return m_encoding; }
    bool detected() const { return m_detected; }
    // The next row that holds something; false at the end of the file or at a failure.
    bool next(CsvRow &row);
    // Complete once next() returned false without a failure.
    const FileStamp &stamp() const { return m_stamp; }
    qint64 bytesRead() const { return m_read; }

private:
    enum class State { FieldStart, Unquoted, Quoted, QuotedCr, QuotedQuote, AfterClose, RowEndCr };
    bool open(const QString &path, std::optional<Encoding> encoding);
    std::optional<Encoding> findEncoding();
    void refill();
    void scan();
    void finishAtEnd();
    void append(const char *from, qsizetype size);
    void endField();
    void endRow();
    void decodeRow(CsvRow &row);

    class Decoder;
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<Decoder> m_decoder;
    QString m_path;
    Encoding m_encoding = Encoding::Utf8;
    bool m_detected = false;
    std::optional<QString> m_failure;
    FileStamp m_stamp;
    size_t m_hash = 0;
    qint64 m_read = 0;
    bool m_atEnd = false;
    QByteArray m_buffer;
    qsizetype m_pos = 0;

    State m_state = State::FieldStart;
    qint64 m_line = 1;
    bool m_inRow = false;
    bool m_rowReady = false;
    bool m_blank = true;
    bool m_quoted = false;
    qint64 m_rowBytes = 0;
    qint64 m_rowLine = 0;
    QList<QByteArray> m_fields;
    QByteArray m_field;
    std::optional<QString> m_fault;
};

// The name the messages give a character code: UTF-8, Shift_JIS.
QString encodingName(Encoding encoding);

} // namespace exchange
