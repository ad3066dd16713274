// Reads the earlier version's Jet files with mdbtools' libmdb. The library's
// text forms lose data (two-digit years, rounded doubles, cut texts, and in
// Jet 4 every character beyond the BMP, which it converts as UCS-2 into "??"),
// so values are taken raw from the row and the pages a memo lives on. The
// library's bound texts are read all the same, as a second reading that must
// agree: it is checked for a cut, and it is all a Jet 3 file's code page texts get.
#include "legacy/jetreader.h"

#include "legacy/jettext.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <mdbtools.h>
#include <memory>
#include <unordered_set>
#include <vector>

namespace legacy {

namespace {

// The high bits of a row's offset on a data page. libmdb 1.0 reads the two
// flags the wrong way round: it skips the pointer a moved row leaves behind and
// hands back deleted rows as if they were live.
constexpr int kOffsetMask = 0x1fff;
constexpr int kDeletedRow = 0x8000;
constexpr int kMovedRow = 0x4000;
constexpr int kMaxRowsOnPage = 1000; // mdb_find_row refuses higher row numbers

// A cut inside the library stops at a whole character: up to three bytes of
// UTF-8 short of the buffer, besides the terminating zero.
constexpr qint64 kCutMargin = 4;
constexpr qint64 kBindSlack = 64 * 1024;
constexpr qint64 kMaxBindSize = 256 * 1024 * 1024;

// A table of a journal holds one row a day; far more rows than its header
// states means the library is reading garbage.
constexpr qint64 kRowSlack = 100000;

struct HandleCloser
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct TableFreer
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using HandlePtr = std::unique_ptr<MdbHandle, HandleCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;

quint64 littleEndian(const unsigned char *bytes, int count)
{
    quint64 value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

enum class Kind { Date, Amount, Text };

struct WantedColumn
{
    QString name;
    Kind kind;
};

// One value of a row as read: a date as Jet's day count, everything else as text.
struct Cell
{
    bool null = true;
    double date = 0;
    QString text;
};

std::optional<QString> optionalText(const Cell &cell)
{
    return cell.null ? std::nullopt : std::optional<QString>(cell.text);
}

// The width a fixed column of that type has in a row; 0 for other types.
int fixedWidth(int type)
{
    switch (type) {
    case MDB_BYTE:
        return 1;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
    case MDB_FLOAT:
        return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return 8;
    case MDB_NUMERIC:
        return 17;
    default:
        return 0;
    }
}

// Access's own names for the column types.
QString typeName(const MdbColumn &column)
{
    switch (column.col_type) {
    case MDB_BOOL:
        return QStringLiteral("Yes/No 型");
    case MDB_BYTE:
        return QStringLiteral("バイト型");
    case MDB_INT:
        return QStringLiteral("整数型");
    case MDB_LONGINT:
        return QStringLiteral("長整数型");
    case MDB_MONEY:
        return QStringLiteral("通貨型");
    case MDB_FLOAT:
        return QStringLiteral("単精度浮動小数点型");
    case MDB_DOUBLE:
        return QStringLiteral("倍精度浮動小数点型");
    case MDB_DATETIME:
        return QStringLiteral("日付/時刻型");
    case MDB_BINARY:
        return QStringLiteral("バイナリ型");
    case MDB_TEXT:
        return QStringLiteral("テキスト型");
    case MDB_OLE:
        return QStringLiteral("OLE オブジェクト型");
    case MDB_MEMO:
        return QStringLiteral("メモ型");
    case MDB_REPID:
        return QStringLiteral("レプリケーション ID 型");
    case MDB_NUMERIC:
        return QStringLiteral("十進型");
    case MDB_COMPLEX:
        return QStringLiteral("複数値型");
    default:
        return QStringLiteral("不明な型 %1").arg(column.col_type);
    }
}

bool kindAccepts(Kind kind, const MdbColumn &column)
{
    switch (kind) {
    case Kind::Date:
        return column.col_type == MDB_DATETIME && column.col_size == 8;
    case Kind::Text:
        return column.col_type == MDB_TEXT || column.col_type == MDB_MEMO;
    case Kind::Amount:
        if (column.col_type == MDB_NUMERIC && (column.col_scale < 0 || column.col_scale > 38)) {
            return false;
        }
        return fixedWidth(column.col_type) > 0 && column.col_type != MDB_DATETIME &&
               column.col_size == fixedWidth(column.col_type);
    }
    return false;
}

template <typename Float> QString floatText(Float value)
{
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    }
    // Fixed notation of a double's full range needs a little over 330 characters.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString currencyText(qint64 value)
{
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    QString text = value < 0 ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / 10000);
    text += QLatin1Char('.');
    text += QString::number(magnitude % 10000).rightJustified(4, QLatin1Char('0'));
    return text;
}

// A Decimal: a sign byte, then a 128-bit magnitude as four 32-bit words, the
// most significant first, each word little-endian.
QString decimalText(const unsigned char *bytes, int scale)
{
    std::array<quint32, 4> words;
    for (int i = 0; i < 4; ++i) {
        words[i] = quint32(littleEndian(bytes + 1 + 4 * i, 4));
    }
    QString digits;
    while (std::any_of(words.begin(), words.end(), [](quint32 word) { return word != 0; })) {
        quint64 remainder = 0;
        for (quint32 &word : words) {
            const quint64 current = (remainder << 32) | word;
            word = quint32(current / 10);
            remainder = current % 10;
        }
        digits.prepend(QLatin1Char(char('0' + remainder)));
    }
    const bool zero = digits.isEmpty();
    if (digits.size() <= scale) {
        digits = QString(scale + 1 - digits.size(), QLatin1Char('0')) + digits;
    }
    if (scale > 0) {
        digits.insert(digits.size() - scale, QLatin1Char('.'));
    }
    return bytes[0] != 0 && !zero ? QLatin1Char('-') + digits : digits;
}

QString amountText(const MdbColumn &column, const unsigned char *bytes)
{
    switch (column.col_type) {
    case MDB_BYTE:
        return QString::number(bytes[0]);
    case MDB_INT:
        return QString::number(qint16(littleEndian(bytes, 2)));
    case MDB_LONGINT:
        return QString::number(qint32(littleEndian(bytes, 4)));
    case MDB_MONEY:
        return currencyText(qint64(littleEndian(bytes, 8)));
    case MDB_FLOAT:
        return floatText(std::bit_cast<float>(quint32(littleEndian(bytes, 4))));
    case MDB_DOUBLE:
        return floatText(std::bit_cast<double>(littleEndian(bytes, 8)));
    case MDB_NUMERIC:
        return decimalText(bytes, column.col_scale);
    default:
        return {};
    }
}

// A memo's header: its length in the low 30 bits, where it lives in the top two.
constexpr quint32 kMemoLengthMask = 0x3fffffff;
constexpr quint32 kMemoInRow = 2;
constexpr quint32 kMemoInOneRow = 1;
constexpr quint32 kMemoInChain = 0;

enum class TextFault { None, Damaged, NotText, Disagrees };

// The library converts UCS-2: each half of a surrogate pair comes back as '?'.
// Its bound buffer is a C string, so it stops at a stored NUL.
bool libraryAgrees(const QString &exact, const QString &library)
{
    const qsizetype nul = exact.indexOf(QChar(u'\0'));
    const qsizetype size = nul < 0 ? exact.size() : nul;
    if (library.size() != size) {
        return false;
    }
    for (qsizetype i = 0; i < size; ++i) {
        if (library.at(i) != (exact.at(i).isSurrogate() ? QChar(u'?') : exact.at(i))) {
            return false;
        }
    }
    return true;
}

// The library gives an empty text when it cannot follow a memo to the pages
// that hold it; the memo's header still states how long it is.
bool memoLost(const MdbField &field, qsizetype textLength)
{
    if (textLength > 0 || field.siz < MDB_MEMO_OVERHEAD || !field.value) {
        return false;
    }
    const auto header = quint32(littleEndian(static_cast<const unsigned char *>(field.value), 4));
    return (header & 0x80000000u) == 0 && (header & 0x3fffffffu) != 0;
}

class JetFile
{
public:
    JetFile(const QString &path, const JetReadOptions &options)
        : m_path(path), m_fileName(QFileInfo(path).fileName()), m_options(options)
    {}

    std::optional<QString> open();
    std::optional<QString> readTable(const QString &tableName, const std::vector<WantedColumn> &wanted,
                                     LegacySink &sink,
                                     const std::function<void(const std::vector<Cell> &, int)> &deliver);

private:
    MdbCatalogEntry *findTable(const QString &tableName) const;
    bool claimsPagesBeyondEnd(const MdbCatalogEntry &entry, const MdbTableDef &table);
    std::unordered_set<quint32> movedRowTargets(MdbTableDef *table);
    std::optional<QByteArray> longValueRow(quint32 pageRow);
    std::optional<QByteArray> memoBytes(const MdbField &field);
    TextFault storedText(const MdbColumn &column, const MdbField &field, const QString &library, QString &text);

    QString truncated() const { return QStringLiteral("%1 は途中で切れているため読めません。").arg(m_fileName); }
    QString damaged(const QString &table) const
    {
        return QStringLiteral("%1 の表「%2」を読み取れません。ファイルが壊れています。").arg(m_fileName, table);
    }
    QString damagedValue(const QString &table, int row, const QString &column) const
    {
        return QStringLiteral("%1 の表「%2」の第 %3 行の「%4」を読み取れません。ファイルが壊れています。")
            .arg(m_fileName, table, QString::number(row), column);
    }
    QString valueFault(TextFault fault, const QString &table, int row, const QString &column) const
    {
        switch (fault) {
        case TextFault::NotText:
            return QStringLiteral("%1 の表「%2」の第 %3 行の「%4」に文字として読めないデータがあります。"
                                  "ファイルが壊れています。")
                .arg(m_fileName, table, QString::number(row), column);
        case TextFault::Disagrees:
            return QStringLiteral("%1 の表「%2」の第 %3 行の「%4」は、二通りの読み取りで文字が一致しないため"
                                  "読み取れません。")
                .arg(m_fileName, table, QString::number(row), column);
        default:
            return damagedValue(table, row, column);
        }
    }

    QString m_path;
    QString m_fileName;
    JetReadOptions m_options;
    qint64 m_pages = 0;
    qint64 m_bindSize = 0;
    bool m_unicode = false; // Jet 4: texts are UTF-16
    HandlePtr m_mdb;
};

std::optional<QString> JetFile::open()
{
    const QFileInfo info(m_path);
    if (!info.exists() || !info.isFile()) {
        return QStringLiteral("%1 が見つかりません。").arg(m_fileName);
    }
    if (!info.isReadable()) {
        return QStringLiteral("%1 を開けません。").arg(m_fileName);
    }
    const QString notJet = QStringLiteral("%1 は Jet のデータベースとして読めません。").arg(m_fileName);
    m_mdb.reset(mdb_open(QFile::encodeName(m_path).constData(), MDB_NOFLAGS));
    if (!m_mdb || !m_mdb->f || !m_mdb->fmt || m_mdb->fmt->pg_size <= 0) {
        return notJet;
    }
    if (m_mdb->f->jet_version != MDB_VER_JET3 && m_mdb->f->jet_version != MDB_VER_JET4) {
        return QStringLiteral("%1 は Access 2007 以降の形式のため読めません。").arg(m_fileName);
    }
    // A Jet file is always whole pages.
    const qint64 pageSize = m_mdb->fmt->pg_size;
    if (info.size() % pageSize != 0) {
        return truncated();
    }
    m_pages = info.size() / pageSize;
    m_unicode = m_mdb->f->jet_version == MDB_VER_JET4;

    // The library converts texts to the character set MDBICONV names.
    const QString charset = QString::fromUtf8(mdb_target_charset(m_mdb.get()));
    if (charset.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0 &&
        charset.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0) {
        return QStringLiteral("%1 の文字を UTF-8 で読み取れません（環境変数 MDBICONV が「%2」です）。")
            .arg(m_fileName, charset);
    }

    mdb_set_date_fmt(m_mdb.get(), "%Y-%m-%d %H:%M:%S");
    // A stored byte becomes at most one and a half bytes of UTF-8 from UCS-2,
    // two from compressed text, three from a Jet 3 code page's half-width kana:
    // three times the file holds any value the file can hold.
    m_bindSize = m_options.textBufferBytes > 0 ? std::min(m_options.textBufferBytes, qint64(1) << 30)
                                               : std::min(3 * info.size() + kBindSlack, kMaxBindSize);
    mdb_set_bind_size(m_mdb.get(), size_t(m_bindSize));

    // The catalog is a table of its own; cut short, it merely lacks tables.
    const QString unreadable = QStringLiteral("%1 は壊れているか途中で切れているため読めません。").arg(m_fileName);
    if (!mdb_read_catalog(m_mdb.get(), MDB_TABLE) || !m_mdb->catalog) {
        return unreadable;
    }
    MdbCatalogEntry *catalog = findTable(QStringLiteral("MSysObjects"));
    if (!catalog) {
        return unreadable;
    }
    const TablePtr catalogTable(mdb_read_table(catalog));
    if (!catalogTable || claimsPagesBeyondEnd(*catalog, *catalogTable)) {
        return truncated();
    }
    return std::nullopt;
}

MdbCatalogEntry *JetFile::findTable(const QString &tableName) const
{
    for (guint i = 0; i < m_mdb->catalog->len; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(m_mdb->catalog, i));
        if (entry && entry->object_type == MDB_TABLE &&
            QString::fromUtf8(entry->object_name).compare(tableName, Qt::CaseInsensitive) == 0) {
            return entry;
        }
    }
    return nullptr;
}

// A file cut at a page boundary still opens; its tables then claim pages the
// file no longer has, and the library ends such a table early without a word.
bool JetFile::claimsPagesBeyondEnd(const MdbCatalogEntry &entry, const MdbTableDef &table)
{
    // The table's maps of its pages are rows on other pages; the library reads
    // a stale page when those are gone.
    const qint64 pageSize = m_mdb->fmt->pg_size;
    if (mdb_read_alt_pg(m_mdb.get(), entry.table_pg) != pageSize) {
        return true;
    }
    for (const int offset : {m_mdb->fmt->tab_usage_map_offset, m_mdb->fmt->tab_free_map_offset}) {
        if (qint64(quint32(mdb_get_int32(m_mdb->alt_pg_buf, offset)) >> 8) >= m_pages) {
            return true;
        }
    }

    const unsigned char *map = table.usage_map;
    const qint64 size = qint64(table.map_sz);
    if (!map || size < 1) {
        return false;
    }
    if (map[0] == 0) {
        if (size < 5) {
            return false;
        }
        const qint64 start = qint64(littleEndian(map + 1, 4));
        for (qint64 bit = 0; bit < (size - 5) * 8; ++bit) {
            if ((map[5 + bit / 8] & (1 << (bit % 8))) && start + bit >= m_pages) {
                return true;
            }
        }
        return false;
    }
    if (map[0] == 1) {
        const qint64 bitsPerMapPage = (pageSize - 4) * 8;
        for (qint64 index = 0; index < (size - 1) / 4; ++index) {
            const qint64 mapPage = qint64(littleEndian(map + 1 + 4 * index, 4));
            if (mapPage == 0) {
                continue;
            }
            if (mapPage >= m_pages || mdb_read_alt_pg(m_mdb.get(), mapPage) != pageSize) {
                return true;
            }
            const unsigned char *bits = m_mdb->alt_pg_buf + 4;
            for (qint64 bit = 0; bit < bitsPerMapPage; ++bit) {
                if ((bits[bit / 8] & (1 << (bit % 8))) && index * bitsPerMapPage + bit >= m_pages) {
                    return true;
                }
            }
        }
    }
    return false;
}

// Where rows that grew out of their page now live, as the library numbers a
// row: page << 8 | row. The old place keeps only a pointer; the new place may
// carry the deleted flag so that a scan passes it by, and is read all the same.
std::unordered_set<quint32> JetFile::movedRowTargets(MdbTableDef *table)
{
    std::unordered_set<quint32> targets;
    MdbHandle *mdb = m_mdb.get();
    const int countOffset = mdb->fmt->row_count_offset;
    mdb_rewind_table(table);
    for (qint64 pages = 0; pages <= m_pages && mdb_read_next_dpg(table); ++pages) {
        const int rows = std::min(mdb_get_int16(mdb->pg_buf, countOffset), kMaxRowsOnPage + 1);
        for (int row = 0; row < rows; ++row) {
            const int offset = mdb_get_int16(mdb->pg_buf, countOffset + 2 + 2 * row);
            const int start = offset & kOffsetMask;
            if ((offset & kMovedRow) && !(offset & kDeletedRow) && start + 4 <= mdb->fmt->pg_size) {
                targets.insert(quint32(littleEndian(mdb->pg_buf + start, 4)));
            }
        }
    }
    mdb_rewind_table(table);
    return targets;
}

// The bytes of a row of a long-value page, named as a memo's header names it:
// page << 8 | row. Read into the library's second page buffer: the first still
// holds the row whose fields point into it.
std::optional<QByteArray> JetFile::longValueRow(quint32 pageRow)
{
    MdbHandle *mdb = m_mdb.get();
    const qint64 pageSize = mdb->fmt->pg_size;
    const qint64 page = pageRow >> 8;
    const int row = int(pageRow & 0xff);
    if (page == 0 || page >= m_pages || mdb_read_alt_pg(mdb, page) != pageSize) {
        return std::nullopt;
    }
    const unsigned char *data = mdb->alt_pg_buf;
    if (data[0] != MDB_PAGE_DATA || std::memcmp(data + 4, "LVAL", 4) != 0) {
        return std::nullopt;
    }
    const int countOffset = mdb->fmt->row_count_offset;
    const auto word = [data](int offset) { return int(littleEndian(data + offset, 2)); };
    const int rows = word(countOffset);
    if (row >= rows || countOffset + 2 + 2 * rows > pageSize) {
        return std::nullopt;
    }
    const int start = word(countOffset + 2 + 2 * row) & kOffsetMask;
    const int end = row == 0 ? int(pageSize) : word(countOffset + 2 * row) & kOffsetMask;
    if (start < countOffset + 2 + 2 * rows || start > end || end > pageSize) {
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char *>(data + start), end - start);
}

// A memo's stored bytes: after its 12-byte header in the row itself, in one row
// of a long-value page, or in a chain of such rows, each starting with the
// place of the next. Nothing unless the parts make up the stated length exactly.
std::optional<QByteArray> JetFile::memoBytes(const MdbField &field)
{
    if (field.siz == 0) {
        return QByteArray();
    }
    if (field.siz < MDB_MEMO_OVERHEAD || !field.value) {
        return std::nullopt;
    }
    const auto *header = static_cast<const unsigned char *>(field.value);
    const auto stated = quint32(littleEndian(header, 4));
    const qint64 length = stated & kMemoLengthMask;
    auto next = quint32(littleEndian(header + 4, 4));
    if (length > m_pages * m_mdb->fmt->pg_size) {
        return std::nullopt;
    }
    switch (stated >> 30) {
    case kMemoInRow:
        if (field.siz - MDB_MEMO_OVERHEAD != length) {
            return std::nullopt;
        }
        return QByteArray(reinterpret_cast<const char *>(header + MDB_MEMO_OVERHEAD), length);
    case kMemoInOneRow: {
        auto bytes = longValueRow(next);
        return bytes && bytes->size() == length ? bytes : std::nullopt;
    }
    case kMemoInChain: {
        QByteArray bytes;
        bytes.reserve(length);
        std::unordered_set<quint32> visited;
        // A pointer past the stated length is not followed, as the library does not.
        while (bytes.size() < length) {
            const auto part = visited.insert(next).second ? longValueRow(next) : std::nullopt;
            if (!part || part->size() < 4) {
                return std::nullopt;
            }
            next = quint32(littleEndian(reinterpret_cast<const unsigned char *>(part->constData()), 4));
            bytes.append(QByteArrayView(*part).sliced(4));
        }
        return bytes.size() == length ? std::optional(bytes) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// A Jet 4 text decoded from its stored bytes; the library's reading of the
// same value must agree with it but for what the library cannot convert.
TextFault JetFile::storedText(const MdbColumn &column, const MdbField &field, const QString &library, QString &text)
{
    std::optional<QByteArray> memo;
    QByteArrayView stored;
    if (column.col_type == MDB_MEMO) {
        memo = memoBytes(field);
        if (!memo) {
            return TextFault::Damaged;
        }
        stored = *memo;
    } else {
        if (field.siz < 0 || (field.siz > 0 && !field.value)) {
            return TextFault::Damaged;
        }
        stored = QByteArrayView(static_cast<const char *>(field.value), field.siz);
    }
    auto decoded = decodeJetText(stored);
    if (!decoded) {
        return TextFault::NotText;
    }
    if (!libraryAgrees(*decoded, library)) {
        return TextFault::Disagrees;
    }
    text = std::move(*decoded);
    return TextFault::None;
}

std::optional<QString> JetFile::readTable(const QString &tableName, const std::vector<WantedColumn> &wanted,
                                          LegacySink &sink,
                                          const std::function<void(const std::vector<Cell> &, int)> &deliver)
{
    MdbCatalogEntry *entry = findTable(tableName);
    if (!entry) {
        return QStringLiteral("%1 に表「%2」がありません。").arg(m_fileName, tableName);
    }
    if (qint64(entry->table_pg) >= m_pages) {
        return truncated();
    }
    TablePtr table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()) || !table->columns || table->columns->len != table->num_cols) {
        return damaged(tableName);
    }

    // Columns are found by name; the row's fields come in the table's column order.
    std::vector<MdbColumn *> columns(wanted.size(), nullptr);
    std::vector<int> fieldIndex(wanted.size(), 0);
    for (size_t i = 0; i < wanted.size(); ++i) {
        for (guint c = 0; c < table->num_cols; ++c) {
            auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c));
            if (column && QString::fromUtf8(column->name).compare(wanted[i].name, Qt::CaseInsensitive) == 0) {
                columns[i] = column;
                fieldIndex[i] = int(c);
                break;
            }
        }
        if (!columns[i]) {
            return QStringLiteral("%1 の表「%2」に列「%3」がありません。").arg(m_fileName, tableName, wanted[i].name);
        }
        if (!kindAccepts(wanted[i].kind, *columns[i])) {
            return QStringLiteral("%1 の表「%2」の列「%3」の型（%4）は読み取れません。")
                .arg(m_fileName, tableName, wanted[i].name, typeName(*columns[i]));
        }
    }
    if (claimsPagesBeyondEnd(*entry, *table)) {
        return truncated();
    }
    const std::unordered_set<quint32> moved = movedRowTargets(table.get());

    // Texts only are bound; the library converts nothing else.
    std::vector<std::unique_ptr<char[]>> buffers(wanted.size());
    std::vector<int> lengths(wanted.size(), 0);
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (wanted[i].kind == Kind::Text) {
            buffers[i] = std::make_unique_for_overwrite<char[]>(size_t(m_bindSize));
            buffers[i][0] = '\0';
            mdb_bind_column(table.get(), fieldIndex[i] + 1, buffers[i].get(), &lengths[i]);
        }
    }

    sink.beginTable(tableName, qint64(table->num_rows));

    MdbHandle *mdb = m_mdb.get();
    std::vector<MdbField> fields(table->num_cols);
    std::vector<Cell> cells(wanted.size());
    const qint64 maxFetched = m_pages * (kMaxRowsOnPage + 1);
    const qint64 maxRows = qint64(table->num_rows) + kRowSlack;
    qint64 fetched = 0;
    int rowNumber = 0;
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        if (++fetched > maxFetched || rowNumber >= maxRows) {
            return QStringLiteral("%1 の表「%2」から読み取れる行が多すぎます。ファイルが壊れています。")
                .arg(m_fileName, tableName);
        }
        // The library leaves the row's page loaded and its number one behind.
        const int pageRow = int(table->cur_row) - 1;
        int start = 0;
        size_t size = 0;
        if (pageRow < 0 || mdb_find_row(mdb, pageRow, &start, &size) != 0 || size == 0) {
            return damaged(tableName);
        }
        if (start & kMovedRow) {
            return damaged(tableName);
        }
        if ((start & kDeletedRow) && !moved.contains(quint32(table->cur_phys_pg << 8) | quint32(pageRow))) {
            continue;
        }
        ++rowNumber;
        if (mdb_crack_row(table.get(), start & kOffsetMask, size, fields.data()) < 0) {
            return QStringLiteral("%1 の表「%2」の第 %3 行を読み取れません。ファイルが壊れています。")
                .arg(m_fileName, tableName, QString::number(rowNumber));
        }
        for (size_t i = 0; i < wanted.size(); ++i) {
            const MdbField &field = fields[size_t(fieldIndex[i])];
            Cell &cell = cells[i];
            cell.null = field.is_null != 0;
            cell.text.clear();
            if (cell.null) {
                continue;
            }
            const MdbColumn &column = *columns[i];
            if (wanted[i].kind == Kind::Text) {
                const qint64 length = lengths[i];
                if (length < 0 || length >= m_bindSize - kCutMargin) {
                    return QStringLiteral("%1 の表「%2」の第 %3 行の「%4」が途中で切れて読み取られました。")
                        .arg(m_fileName, tableName, QString::number(rowNumber), wanted[i].name);
                }
                QString library = QString::fromUtf8(buffers[i].get(), length);
                if (!m_unicode) {
                    // A Jet 3 text is in a code page, which holds no character beyond the BMP.
                    if (column.col_type == MDB_MEMO && memoLost(field, library.size())) {
                        return damagedValue(tableName, rowNumber, wanted[i].name);
                    }
                    cell.text = std::move(library);
                } else if (const TextFault fault = storedText(column, field, library, cell.text);
                           fault != TextFault::None) {
                    return valueFault(fault, tableName, rowNumber, wanted[i].name);
                }
                continue;
            }
            if (!field.value || field.siz != fixedWidth(column.col_type)) {
                return damagedValue(tableName, rowNumber, wanted[i].name);
            }
            const auto *bytes = static_cast<const unsigned char *>(field.value);
            if (wanted[i].kind == Kind::Date) {
                cell.date = std::bit_cast<double>(littleEndian(bytes, 8));
            } else {
                cell.text = amountText(column, bytes);
            }
        }
        deliver(cells, rowNumber);
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> readJetFile(const QString &path, LegacyFile which, LegacySink &sink,
                                   const JetReadOptions &options)
{
    JetFile file(path, options);
    if (auto failure = file.open()) {
        return failure;
    }
    if (which == LegacyFile::Work) {
        const std::vector<WantedColumn> hintColumns{{QStringLiteral("FormName"), Kind::Text},
                                                    {QStringLiteral("CtlName"), Kind::Text},
                                                    {QStringLiteral("FormTitle"), Kind::Text},
                                                    {QStringLiteral("Contents"), Kind::Text}};
        return file.readTable(QStringLiteral("ClHint"), hintColumns, sink,
                              [&sink](const std::vector<Cell> &cells, int) {
                                  sink.hint(LegacyHint{optionalText(cells[0]), optionalText(cells[1]),
                                                       optionalText(cells[2]), optionalText(cells[3])});
                              });
    }

    const std::vector<WantedColumn> dayColumns{
        {QStringLiteral("日付"), Kind::Date},     {QStringLiteral("売上額"), Kind::Amount},
        {QStringLiteral("仕入額"), Kind::Amount}, {QStringLiteral("入金額"), Kind::Amount},
        {QStringLiteral("出金額"), Kind::Amount}, {QStringLiteral("日誌"), Kind::Text}};
    auto failure =
        file.readTable(QStringLiteral("業務日誌"), dayColumns, sink, [&sink](const std::vector<Cell> &cells, int row) {
            LegacyDay day;
            if (!cells[0].null) {
                day.date = cells[0].date;
            }
            for (size_t i = 0; i < day.amounts.size(); ++i) {
                day.amounts[i] = optionalText(cells[i + 1]);
            }
            day.text = optionalText(cells[5]);
            day.row = row;
            sink.day(day);
        });
    if (failure) {
        return failure;
    }
    const std::vector<WantedColumn> settingsColumns{{QStringLiteral("年号"), Kind::Text},
                                                    {QStringLiteral("LineColor1"), Kind::Amount}};
    return file.readTable(QStringLiteral("自社情報"), settingsColumns, sink,
                          [&sink](const std::vector<Cell> &cells, int) {
                              sink.settingsRow(LegacySettingsRow{optionalText(cells[0]), optionalText(cells[1])});
                          });
}

} // namespace legacy
