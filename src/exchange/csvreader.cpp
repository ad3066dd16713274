#include "exchange/csvreader.h"

#include "common/fileerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Bytes to text in one character code; none when any byte is not valid in it.
class Decoder
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

struct RawRow
{
    qint64 line = 0;
    QList<QByteArray> fields;
    std::optional<QString> fault;
};

bool isRowEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Splits the bytes into rows of fields. Commas, quotes, CR and LF are single
// bytes below 0x40 in both UTF-8 and code page 932, never part of another
// character, so the split can come before decoding.
QList<RawRow> splitRows(const char *p, const char *end)
{
    QList<RawRow> rows;
    qint64 line = 1;
    while (p < end) {
        RawRow row;
        row.line = line;
        bool blank = true;
        for (;;) {
            QByteArray field;
            if (p < end && *p == '"') {
                blank = false;
                ++p;
                const char *run = p;
                bool closed = false;
                while (p < end) {
                    if (*p == '"') {
                        field.append(run, p - run);
                        if (p + 1 < end && p[1] == '"') {
                            field.append('"');
                            p += 2;
                            run = p;
                            continue;
                        }
                        ++p;
                        closed = true;
                        break;
                    }
                    if (*p == '\r' && p + 1 < end && p[1] == '\n') {
                        field.append(run, p - run);
                        field.append('\n');
                        p += 2;
                        run = p;
                        ++line;
                        continue;
                    }
                    if (isRowEnd(*p)) {
                        ++line;
                    }
                    ++p;
                }
                if (!closed) {
                    field.append(run, p - run);
                    row.fault = QStringLiteral("引用符（\"）が閉じていません。");
                }
                const char *after = p;
                while (p < end && *p != ',' && !isRowEnd(*p)) {
                    ++p;
                }
                if (p != after && !row.fault) {
                    row.fault = QStringLiteral("引用符（\"）で囲んだ欄の後に文字があります。");
                }
            } else {
                const char *from = p;
                while (p < end && *p != ',' && !isRowEnd(*p)) {
                    ++p;
                }
                field = QByteArray(from, p - from);
                blank = blank && field.isEmpty();
            }
            row.fields.append(field);
            if (p < end && *p == ',') {
                ++p;
                continue;
            }
            if (p < end) {
                p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
                ++line;
            }
            break;
        }
        if (!blank) {
            rows.append(std::move(row));
        }
    }
    return rows;
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

CsvText parseCsv(const QByteArray &bytes, std::optional<Encoding> encoding)
{
    CsvText text;
    const char *begin = bytes.constData();
    const char *end = begin + bytes.size();
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    text.detected = !encoding;
    if (encoding) {
        text.encoding = *encoding;
    } else {
        text.encoding = bom || isValidUtf8(begin, end) ? Encoding::Utf8 : Encoding::ShiftJis;
    }
    if (bom && text.encoding == Encoding::Utf8) {
        begin += 3;
    }

    Decoder decoder(text.encoding);
    if (!decoder.isOpen()) {
        text.failure = QStringLiteral("この環境には Shift_JIS の変換表がありません。UTF-8 のファイルにしてください。");
        return text;
    }
    const QString undecodable =
        QStringLiteral("文字コード（%1）として読めない文字があります。").arg(encodingName(text.encoding));
    const QList<RawRow> raw = splitRows(begin, end);
    text.rows.reserve(raw.size());
    for (const RawRow &from : raw) {
        CsvRow row;
        row.line = from.line;
        row.fault = from.fault;
        row.fields.reserve(from.fields.size());
        for (const QByteArray &field : from.fields) {
            std::optional<QString> decoded = decoder.decode(field);
            if (!decoded && !row.fault) {
                row.fault = undecodable;
                row.faultField = row.fields.size();
            }
            row.fields.append(decoded.value_or(QString()));
        }
        text.rows.append(std::move(row));
    }
    return text;
}

CsvText readCsvFile(const QString &path, std::optional<Encoding> encoding)
{
    CsvText text;
    const QFileInfo info(path);
    if (!info.exists()) {
        text.failure = QStringLiteral("「%1」が見つかりません。").arg(native(path));
        return text;
    }
    if (info.isDir()) {
        text.failure = QStringLiteral("「%1」はフォルダーです。").arg(native(path));
        return text;
    }
    const QString notAFile = QStringLiteral("「%1」は普通のファイルではありません（デバイスや名前付きパイプなど）。"
                                            "取り込めるのは普通のファイルだけです。")
                                 .arg(native(path));
    // A device or a pipe has no end to wait for (/dev/zero) and no size to tell.
    if (!info.isFile()) {
        text.failure = notAFile;
        return text;
    }
    const QString tooLarge =
        QStringLiteral("「%1」は大きすぎます。取り込めるのは 256 MiB までのファイルです。").arg(native(path));
    if (info.size() > kCsvSizeLimit) {
        text.failure = QStringLiteral("「%1」は大きすぎます（%2 MiB）。取り込めるのは 256 MiB までのファイルです。")
                           .arg(native(path))
                           .arg((info.size() + 1024 * 1024 - 1) / (1024 * 1024));
        return text;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        text.failure = common::fileFailure(common::FileStep::Open, file);
        return text;
    }
    // Swapped for a device or a pipe since it was looked at.
    if (file.isSequential()) {
        text.failure = notAFile;
        return text;
    }
    // Whatever the file claimed: no more than the limit and one byte are read.
    constexpr qint64 kChunk = qint64(1) << 20;
    QByteArray bytes;
    bytes.reserve(qsizetype(info.size()) + 1);
    for (;;) {
        const QByteArray chunk = file.read(std::min(kChunk, kCsvSizeLimit + 1 - qint64(bytes.size())));
        if (chunk.isEmpty()) {
            break;
        }
        bytes += chunk;
        if (bytes.size() > kCsvSizeLimit) {
            text.failure = tooLarge;
            return text;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        text.failure = common::fileFailure(common::FileStep::Read, file);
        return text;
    }
    return parseCsv(bytes, encoding);
}

} // namespace exchange
