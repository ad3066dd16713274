#include "exchange/csvreader.h"

#include "common/fileerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <limits>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

namespace exchange {

namespace {

// ICU's table for Windows code page 932, the one the export writes with.
const char *const kShiftJisTable = "ibm-943_P15A-2003";

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(const char *p, const char *end)
{
    while (p < end) {
        const auto lead = static_cast<unsigned char>(*p);
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int trail = 0;
        char32_t least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail = 1;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            trail = 2;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail = 3;
            least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= trail) {
            return false;
        }
        char32_t code = lead & (0x3F >> trail);
        for (int i = 1; i <= trail; ++i) {
            const auto next = static_cast<unsigned char>(p[i]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        p += trail + 1;
    }
    return true;
}

} // namespace

// Bytes to text in one character code; none when any byte is not valid in it.
class CsvStream::Decoder
{
public:
    explicit Decoder(Encoding encoding) : m_encoding(encoding)
    {
        if (encoding != Encoding::ShiftJis) {
            return;
        }
        UErrorCode status = U_ZERO_ERROR;
        m_converter = ucnv_open(kShiftJisTable, &status);
        if (U_FAILURE(status)) {
            ucnv_close(m_converter);
            m_converter = nullptr;
            return;
        }
        ucnv_setToUCallBack(m_converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }
    ~Decoder() { ucnv_close(m_converter); }
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    bool isOpen() const { return m_encoding == Encoding::Utf8 || m_converter; }

    std::optional<QString> decode(const QByteArray &bytes)
    {
        if (m_encoding == Encoding::Utf8) {
            if (!isValidUtf8(bytes.constData(), bytes.constData() + bytes.size())) {
                return std::nullopt;
            }
            // A mark at the start of a field is a character of its text (the file's own was dropped).
            QStringDecoder utf8(QStringDecoder::Utf8,
                                QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
            return utf8.decode(bytes);
        }
        if (bytes.size() >= std::numeric_limits<int32_t>::max()) {
            return std::nullopt;
        }
        // Every character of code page 932 is one UTF-16 unit, from one or two bytes.
        QString text(bytes.size() + 1, Qt::Uninitialized);
        UErrorCode status = U_ZERO_ERROR;
        ucnv_resetToUnicode(m_converter);
        const int32_t length = ucnv_toUChars(m_converter, reinterpret_cast<UChar *>(text.data()), int32_t(text.size()),
                                             bytes.constData(), int32_t(bytes.size()), &status);
        if (U_FAILURE(status)) {
            return std::nullopt;
        }
        text.resize(length);
        return text;
    }

private:
    Encoding m_encoding;
    UConverter *m_converter = nullptr;
};

namespace {

// How many bytes at the end of `p..end` may be the start of a character that
// goes on in the next chunk (at most three).
qsizetype unfinishedTail(const char *p, const char *end)
{
    for (qsizetype back = 1; back <= 3 && end - back >= p; ++back) {
        const auto byte = static_cast<unsigned char>(*(end - back));
        if ((byte & 0xC0) == 0x80) {
            continue; // a trailing byte: look further back for its lead
        }
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString encodingName(Encoding encoding)
{
    return encoding == Encoding::ShiftJis ? QStringLiteral("Shift_JIS") : QStringLiteral("UTF-8");
}

CsvStream::CsvStream(const QString &path, std::optional<Encoding> encoding) : m_path(path)
{
    if (!open(path, encoding)) {
        m_file.reset();
    }
}

CsvStream::~CsvStream() = default;

bool CsvStream::open(const QString &path, std::optional<Encoding> encoding)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        m_failure = QStringLiteral("「%1」が見つかりません。").arg(native(path));
        return false;
    }
    if (info.isDir()) {
        m_failure = QStringLiteral("「%1」はフォルダーです。").arg(native(path));
        return false;
    }
    const QString notAFile = QStringLiteral("「%1」は普通のファイルではありません（デバイスや名前付きパイプなど）。"
                                            "取り込めるのは普通のファイルだけです。")
                                 .arg(native(path));
    // A device or a pipe has no end to wait for (/dev/zero) and no size to tell.
    if (!info.isFile()) {
        m_failure = notAFile;
        return false;
    }
    if (info.size() > kCsvSizeLimit) {
        m_failure = QStringLiteral("「%1」は大きすぎます（%2 MiB）。取り込めるのは 4 GiB までのファイルです。")
                        .arg(native(path))
                        .arg((info.size() + 1024 * 1024 - 1) / (1024 * 1024));
        return false;
    }
    m_stamp.size = info.size();
    m_stamp.modified = info.lastModified().toUTC();
    m_file = std::make_unique<QFile>(path);
    if (!m_file->open(QIODevice::ReadOnly)) {
        m_failure = common::fileFailure(common::FileStep::Open, *m_file);
        return false;
    }
    // Swapped for a device or a pipe since it was looked at.
    if (m_file->isSequential()) {
        m_failure = notAFile;
        return false;
    }
    m_detected = !encoding;
    if (encoding) {
        m_encoding = *encoding;
    } else if (const std::optional<Encoding> found = findEncoding()) {
        m_encoding = *found;
    } else {
        return false;
    }
    m_decoder = std::make_unique<Decoder>(m_encoding);
    if (!m_decoder->isOpen()) {
        m_failure = QStringLiteral("この環境には Shift_JIS の変換表がありません。UTF-8 のファイルにしてください。");
        return false;
    }
    return true;
}

// Reads the file through once, checking it is UTF-8 throughout, and goes back to its start.
std::optional<Encoding> CsvStream::findEncoding()
{
    QByteArray chunk;
    QByteArray carried;
    qint64 read = 0;
    bool valid = true;
    for (;;) {
        chunk = m_file->read(std::min(kCsvChunk, m_stamp.size + 1 - read));
        if (chunk.isEmpty()) {
            break;
        }
        if (read == 0 && chunk.startsWith("\xEF\xBB\xBF")) {
            break; // the mark says UTF-8
        }
        read += chunk.size();
        chunk.prepend(carried);
        const char *begin = chunk.constData();
        const qsizetype tail = unfinishedTail(begin, begin + chunk.size());
        if (!isValidUtf8(begin, begin + chunk.size() - tail)) {
            valid = false;
            break;
        }
        carried = chunk.right(tail);
        if (read > m_stamp.size) {
            break; // grew since it was looked at: reading it for rows refuses it
        }
    }
    if (m_file->error() != QFileDevice::NoError) {
        m_failure = common::fileFailure(common::FileStep::Read, *m_file);
        return std::nullopt;
    }
    valid = valid && isValidUtf8(carried.constData(), carried.constData() + carried.size());
    if (!m_file->seek(0)) {
        m_failure = common::fileFailure(common::FileStep::Read, *m_file);
        return std::nullopt;
    }
    return valid ? Encoding::Utf8 : Encoding::ShiftJis;
}

void CsvStream::refill()
{
    m_buffer.resize(kCsvChunk);
    const qint64 wanted = std::min(kCsvChunk, m_stamp.size + 1 - m_read);
    const qint64 got = m_file->read(m_buffer.data(), wanted);
    if (got < 0 || m_file->error() != QFileDevice::NoError) {
        m_failure = common::fileFailure(common::FileStep::Read, *m_file);
        return;
    }
    m_buffer.resize(got);
    m_pos = 0;
    if (got == 0) {
        m_atEnd = true;
    }
    m_hash = qHashBits(m_buffer.constData(), size_t(got), m_hash);
    const bool first = m_read == 0;
    m_read += got;
    // Whatever the file claimed: never more than that and one byte.
    if (m_read > m_stamp.size || (m_atEnd && m_read != m_stamp.size)) {
        m_failure = QStringLiteral("「%1」は読んでいる間に大きさが変わりました。書き終わってから取り込んでください。")
                        .arg(native(m_path));
        return;
    }
    if (m_atEnd) {
        m_stamp.hash = m_hash;
    }
    if (first && m_encoding == Encoding::Utf8 && m_buffer.startsWith("\xEF\xBB\xBF")) {
        m_pos = 3;
    }
}

void CsvStream::append(const char *from, qsizetype size)
{
    m_rowBytes += size;
    if (m_rowBytes > kCsvRowLimit) {
        if (!m_fault) {
            m_fault = QStringLiteral("行が長すぎます（%1 MiB を超えます）。").arg(kCsvRowLimit / (1024 * 1024));
        }
        return;
    }
    m_field.append(from, size);
}

void CsvStream::endField()
{
    if (!m_quoted) {
        m_blank = m_blank && m_field.isEmpty();
    }
    ++m_rowBytes; // the comma or row end: a row of only commas is long too
    if (m_rowBytes <= kCsvRowLimit) {
        m_fields.append(std::move(m_field));
    }
    m_field = QByteArray();
    m_quoted = false;
}

void CsvStream::endRow()
{
    endField();
    m_inRow = false;
    m_rowReady = true;
}

// Splits the bytes into rows of fields. Commas, quotes, CR and LF are single
// bytes below 0x40 in both UTF-8 and code page 932, never part of another
// character, so the split can come before decoding.
void CsvStream::scan()
{
    const char *const begin = m_buffer.constData();
    const char *p = begin + m_pos;
    const char *const end = begin + m_buffer.size();
    const auto isStop = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    const auto fieldEnd = [&](char c) {
        if (c == ',') {
            endField();
            m_state = State::FieldStart;
        } else {
            ++m_line;
            endRow();
            m_state = c == '\r' ? State::RowEndCr : State::FieldStart;
        }
    };
    while (p < end && !m_rowReady) {
        switch (m_state) {
        case State::RowEndCr:
            p += *p == '\n' ? 1 : 0;
            m_state = State::FieldStart;
            break;
        case State::FieldStart:
            if (!m_inRow) {
                m_inRow = true;
                m_blank = true;
                m_rowBytes = 0;
                m_rowLine = m_line;
                m_fault.reset();
                m_fields.clear();
            }
            if (*p == '"') {
                m_blank = false;
                m_quoted = true;
                ++p;
                m_state = State::Quoted;
            } else {
                m_state = State::Unquoted;
            }
            break;
        case State::Unquoted: {
            const char *from = p;
            while (p < end && !isStop(*p)) {
                ++p;
            }
            append(from, p - from);
            if (p < end) {
                fieldEnd(*p++);
            }
            break;
        }
        case State::Quoted: {
            const char *from = p;
            while (p < end && *p != '"' && *p != '\r' && *p != '\n') {
                ++p;
            }
            append(from, p - from);
            if (p < end) {
                const char c = *p++;
                if (c == '"') {
                    m_state = State::QuotedQuote;
                } else if (c == '\r') {
                    ++m_line;
                    m_state = State::QuotedCr;
                } else {
                    ++m_line;
                    append("\n", 1);
                }
            }
            break;
        }
        case State::QuotedCr:
            // CRLF inside quotes becomes LF; a lone CR stays.
            if (*p == '\n') {
                ++p;
                append("\n", 1);
            } else {
                append("\r", 1);
            }
            m_state = State::Quoted;
            break;
        case State::QuotedQuote:
            if (*p == '"') {
                ++p;
                append("\"", 1);
                m_state = State::Quoted;
            } else {
                m_state = State::AfterClose;
            }
            break;
        case State::AfterClose: {
            const char *from = p;
            while (p < end && !isStop(*p)) {
                ++p;
            }
            if (p != from && !m_fault) {
                m_fault = QStringLiteral("引用符（\"）で囲んだ欄の後に文字があります。");
            }
            if (p < end) {
                fieldEnd(*p++);
            }
            break;
        }
        }
    }
    m_pos = p - begin;
}

void CsvStream::finishAtEnd()
{
    if (m_state == State::QuotedCr) {
        append("\r", 1);
    }
    if ((m_state == State::Quoted || m_state == State::QuotedCr) && !m_fault) {
        m_fault = QStringLiteral("引用符（\"）が閉じていません。");
    }
    m_state = State::FieldStart;
    endRow();
}

void CsvStream::decodeRow(CsvRow &row)
{
    row = CsvRow{};
    row.line = m_rowLine;
    row.fault = m_fault;
    row.fields.reserve(m_fields.size());
    for (const QByteArray &field : std::as_const(m_fields)) {
        std::optional<QString> decoded = m_decoder->decode(field);
        if (!decoded && !row.fault) {
            row.fault = QStringLiteral("文字コード（%1）として読めない文字があります。").arg(encodingName(m_encoding));
            row.faultField = row.fields.size();
        }
        row.fields.append(decoded.value_or(QString()));
    }
    m_fields.clear();
}

bool CsvStream::next(CsvRow &row)
{
    while (m_file && !m_failure) {
        if (m_pos < m_buffer.size()) {
            scan();
        } else if (!m_atEnd) {
            refill();
            continue;
        } else if (m_inRow) {
            finishAtEnd();
        } else {
            return false;
        }
        if (m_rowReady) {
            m_rowReady = false;
            if (!m_blank) {
                decodeRow(row);
                return true;
            }
            m_fields.clear();
        }
    }
    return false;
}

} // namespace exchange
