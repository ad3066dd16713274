#pragma once
// Shift_JIS as Windows writes it (code page 932, with the NEC and IBM
// extensions: ～ U+FF5E, ① and ㈱, 髙), through ICU's converter of that table.
// A character is written only when it reads back as itself: nothing is
// dropped, replaced or mapped to a look-alike.

#include <QByteArray>
#include <QString>

#include <optional>

struct UConverter;

namespace exchange {

class ShiftJisEncoder
{
public:
    ShiftJisEncoder();
    ~ShiftJisEncoder();
    ShiftJisEncoder(const ShiftJisEncoder &) = delete;
    ShiftJisEncoder &operator=(const ShiftJisEncoder &) = delete;

    // False when the platform's ICU lacks the table.
    bool isOpen() const { return m_converter != nullptr; }

    // Where the first character of `text` lies that code page 932 cannot
    // hold (its first UTF-16 unit); none when every one can.
    std::optional<qsizetype> firstUnwritable(const QString &text);

    // The bytes of a text that firstUnwritable() has passed; empty with `ok`
    // false otherwise.
    QByteArray encode(const QString &text, bool &ok);

private:
    bool roundTrips(const char16_t *units, qsizetype size, QByteArray &bytes);

    UConverter *m_converter = nullptr;
};

// The character at `position` (a surrogate pair whole) and its code point as
// "U+1F600".
QString characterAt(const QString &text, qsizetype position);
QString codePointAt(const QString &text, qsizetype position);

} // namespace exchange
