#include "exchange/shiftjis.h"

#include <limits>
#include <string>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

namespace exchange {

namespace {

// ICU's name of Windows' table; "windows-31j" and "cp932" are its aliases
// ("Shift_JIS" names it too, but only by an ambiguous alias).
const char *const kTable = "ibm-943_P15A-2003";

} // namespace

ShiftJisEncoder::ShiftJisEncoder()
{
    UErrorCode status = U_ZERO_ERROR;
    m_converter = ucnv_open(kTable, &status);
    if (U_FAILURE(status)) {
        ucnv_close(m_converter);
        m_converter = nullptr;
        return;
    }
    ucnv_setFromUCallBack(m_converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    // Fallbacks map to look-alikes (¥ to 0x5C, which reads back as a backslash).
    ucnv_setFallback(m_converter, false);
}

ShiftJisEncoder::~ShiftJisEncoder()
{
    ucnv_close(m_converter);
}

bool ShiftJisEncoder::roundTrips(const char16_t *units, qsizetype size, QByteArray &bytes)
{
    if (!m_converter || size > std::numeric_limits<int32_t>::max() / 2) {
        return false;
    }
    bytes.resize(qsizetype(size) * 2 + 16);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(m_converter);
    const int32_t written =
        ucnv_fromUChars(m_converter, bytes.data(), int32_t(bytes.size()), units, int32_t(size), &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) {
        return false;
    }
    bytes.resize(written);
    // Read back: ICU's stop lets default-ignorable characters (U+00AD, the
    // variation selectors) pass as nothing, and an entry that is one-way only
    // would write another character.
    QString back(size + 1, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    ucnv_resetToUnicode(m_converter);
    const int32_t read = ucnv_toUChars(m_converter, reinterpret_cast<UChar *>(back.data()), int32_t(back.size()),
                                       bytes.constData(), written, &status);
    return U_SUCCESS(status) && read == size &&
           std::char_traits<char16_t>::compare(reinterpret_cast<const char16_t *>(back.constData()), units,
                                               size_t(size)) == 0;
}

std::optional<qsizetype> ShiftJisEncoder::firstUnwritable(const QString &text)
{
    QByteArray bytes;
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    if (roundTrips(units, text.size(), bytes)) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!roundTrips(units + i, width, bytes)) {
            return i;
        }
        i += width;
    }
    // Not expected: every character goes alone but not the text whole.
    return 0;
}

QByteArray ShiftJisEncoder::encode(const QString &text, bool &ok)
{
    QByteArray bytes;
    ok = roundTrips(reinterpret_cast<const char16_t *>(text.utf16()), text.size(), bytes);
    return ok ? bytes : QByteArray();
}

QString characterAt(const QString &text, qsizetype position)
{
    const bool pair =
        text.at(position).isHighSurrogate() && position + 1 < text.size() && text.at(position + 1).isLowSurrogate();
    return text.mid(position, pair ? 2 : 1);
}

QString codePointAt(const QString &text, qsizetype position)
{
    const QString character = characterAt(text, position);
    const char32_t code = character.size() == 2 ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                                                : char32_t(character.at(0).unicode());
    return QStringLiteral("U+%1").arg(quint32(code), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace exchange
