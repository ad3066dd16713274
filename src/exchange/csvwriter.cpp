#include "exchange/csvwriter.h"

#include "exchange/formulaguard.h"

#include <charconv>

namespace exchange {

namespace {

constexpr qsizetype kFlushAt = 32 * 1024;

bool needsQuotes(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u',' || u == u'"' || u == u'\r' || u == u'\n') {
            return true;
        }
    }
    return false;
}

void appendDate(QString &out, QDate date)
{
    const int year = date.year();
    const char digits[10] = {char('0' + year / 1000),
                             char('0' + year / 100 % 10),
                             char('0' + year / 10 % 10),
                             char('0' + year % 10),
                             '/',
                             char('0' + date.month() / 10),
                             char('0' + date.month() % 10),
                             '/',
                             char('0' + date.day() / 10),
                             char('0' + date.day() % 10)};
    out += QLatin1StringView(digits, 10);
}

} // namespace

CsvWriter::CsvWriter(QFileDevice &out, Encoding encoding) : m_out(out), m_encoding(encoding)
{
    if (m_encoding == Encoding::ShiftJis) {
        m_shiftJis = std::make_unique<ShiftJisEncoder>();
    }
}

std::optional<QString> CsvWriter::header(const QStringList &captions)
{
    if (m_shiftJis && !m_shiftJis->isOpen()) {
        return refuse({ShiftJisRefusal::Why::NoTable, {}, {}, {}, {}});
    }
    if (m_encoding == Encoding::Utf8 && m_out.write("\xEF\xBB\xBF", 3) != 3) {
        return writeFailure(m_out);
    }
    m_pending = captions.join(u',');
    return endRow();
}

std::optional<QString> CsvWriter::line(const Line &line)
{
    if (line.date.isValid()) {
        appendDate(m_pending, line.date);
    } else {
        if (auto refusal = writable(line.storedDate, dayOf(line), QStringLiteral("日付"))) {
            return refusal;
        }
        appendText(line.storedDate);
    }
    appendAmounts(line.amounts);
    for (const store::Amount &number : line.more) {
        appendNumber(number);
    }
    if (line.text) {
        if (auto refusal = writable(*line.text, dayOf(line), QStringLiteral("日誌"))) {
            return refusal;
        }
        m_pending += u',';
        appendText(guardedText(*line.text));
    }
    return endRow();
}

std::optional<QString> CsvWriter::sums(const store::Sums &sums, const QList<store::Amount> &more)
{
    m_pending += kSumsCaption;
    appendAmounts(sums);
    for (const store::Amount &number : more) {
        appendNumber(number);
    }
    return endRow();
}

std::optional<QString> CsvWriter::finish()
{
    return flush();
}

std::optional<QString> CsvWriter::writable(const QString &text, const QString &day, const QString &column)
{
    if (!m_shiftJis) {
        return std::nullopt;
    }
    const std::optional<qsizetype> at = m_shiftJis->firstUnwritable(text);
    if (!at) {
        return std::nullopt;
    }
    return refuse({ShiftJisRefusal::Why::Unwritable, day, column, characterAt(text, *at), codePointAt(text, *at)});
}

void CsvWriter::appendText(const QString &text)
{
    if (!needsQuotes(text)) {
        m_pending += text;
        return;
    }
    m_pending += u'"';
    QChar previous;
    for (const QChar c : text) {
        if (c == u'"') {
            m_pending += u'"';
        } else if (c == u'\n' && previous != u'\r') {
            m_pending += u'\r';
        }
        m_pending += c;
        previous = c;
    }
    m_pending += u'"';
}

void CsvWriter::appendAmounts(const store::Amounts &amounts)
{
    for (const store::AmountColumn column : store::kAmountColumns) {
        appendNumber(amounts[column]);
    }
}

void CsvWriter::appendNumber(const store::Amount &number)
{
    m_pending += u',';
    if (number) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, *number).ptr;
        m_pending += QLatin1StringView(digits, end);
    }
}

QString CsvWriter::refuse(ShiftJisRefusal refusal)
{
    m_refusal = std::move(refusal);
    return describe(*m_refusal, true);
}

std::optional<QString> CsvWriter::endRow()
{
    m_pending += QLatin1StringView("\r\n");
    return m_pending.size() >= kFlushAt ? flush() : std::nullopt;
}

std::optional<QString> CsvWriter::flush()
{
    QByteArray bytes;
    if (m_shiftJis) {
        bool ok = false;
        bytes = m_shiftJis->encode(m_pending, ok);
        if (!ok) {
            return refuse({ShiftJisRefusal::Why::NotConverted, {}, {}, {}, {}});
        }
    } else {
        bytes = m_pending.toUtf8();
    }
    m_pending.resize(0);
    if (m_out.write(bytes) != bytes.size()) {
        return writeFailure(m_out);
    }
    return std::nullopt;
}

} // namespace exchange
