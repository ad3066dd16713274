#pragma once
// The bytes of one fuzzer input read as texts and small choices, and the
// report of a property that does not hold.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Reads one input from the front: bytes, numbers and texts. Past the end
// every read gives zero or an empty text, so a short input is still a script.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }

    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }

    // A number of `count` bytes, low byte first.
    uint32_t number(int count)
    {
        uint32_t value = 0;
        for (int k = 0; k < count; ++k) {
            value |= uint32_t(byte()) << (8 * k);
        }
        return value;
    }

    // The next `count` bytes (fewer at the end) as a text: UTF-8, where broken
    // sequences become U+FFFD, or raw UTF-16 code units, lone surrogates and all.
    QString text(size_t count, bool utf16)
    {
        if (utf16) {
            count &= ~size_t(1);
        }
        count = count < remaining() ? count : remaining();
        const uint8_t *start = m_data + m_pos;
        m_pos += count;
        if (!utf16) {
            return QString::fromUtf8(reinterpret_cast<const char *>(start), qsizetype(count));
        }
        QString result;
        result.reserve(qsizetype(count / 2));
        for (size_t k = 0; k + 1 < count; k += 2) {
            result.append(QChar(char16_t(start[k] | (start[k + 1] << 8))));
        }
        return result;
    }

    QString rest(bool utf16) { return text(remaining(), utf16); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A text as UTF-8 followed by its UTF-16 code units, so that a report shows
// what no terminal would.
inline QByteArray describe(const QString &text)
{
    QByteArray out = '"' + text.toUtf8() + "\" [";
    for (qsizetype k = 0; k < text.size(); ++k) {
        out += (k ? " " : "") + QByteArray::number(text.at(k).unicode(), 16);
    }
    return out + ']';
}

// Reports a broken property and aborts, which libFuzzer records as a crash
// together with the input that caused it.
[[noreturn]] inline void fail(const char *property, const char *file, int line, const QByteArray &detail)
{
    std::fprintf(stderr, "\n%s:%d: property does not hold: %s\n%s\n", file, line, property, detail.constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz

// Checks a property of the code under test; `detail` (a QByteArray
// expression) is only built when the property fails.
#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            ::fuzz::fail(#condition, __FILE__, __LINE__, (detail));                                                    \
        }                                                                                                              \
    } while (false)
