// Limits, display and keystroke checks of the number boxes.
#include "common/amountinput.h"

#include "common/formats.h"

#include <algorithm>

namespace common {

namespace {

// Far more than the longest accepted text ("-9,999,999,999"); longer input is refused unread.
constexpr qsizetype kMaxInput = 64;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

AmountInput::AmountInput(qint64 minimum, qint64 maximum, bool grouped)
    : m_minimum(minimum), m_maximum(maximum), m_grouped(grouped)
{}

AmountInput AmountInput::amount()
{
    return {-kAmountLimit, kAmountLimit, true};
}

AmountInput AmountInput::colourNumber()
{
    return {0, kColourNumberLimit, false};
}

QString AmountInput::format(std::optional<qint64> value) const
{
    if (!value) {
        return {};
    }
    if (*value == 0) {
        return QStringLiteral("0");
    }
    return formatAmount(value, m_grouped ? pattern::kAmountBox : pattern::kColourNumber);
}

std::optional<qint64> AmountInput::valueOf(const QString &text) const
{
    QString copy = text;
    int cursor = 0;
    if (!edit(copy, cursor)) {
        return std::nullopt;
    }
    const bool negative = copy.startsWith(u'-');
    QString digits = copy;
    digits.remove(u',').remove(u'-');
    if (digits.isEmpty()) {
        return std::nullopt;
    }
    const qint64 magnitude = digits.toLongLong();
    return negative ? -magnitude : magnitude;
}

bool AmountInput::edit(QString &text, int &cursor) const
{
    if (text.size() > kMaxInput) {
        return false;
    }
    const QString normal = text.normalized(QString::NormalizationForm_KC);
    if (normal.size() != text.size()) {
        return false; // nothing that folds into several characters is a digit
    }
    cursor = std::clamp(cursor, 0, int(normal.size()));

    // The sign and digits, and how many of them stand after the cursor.
    bool negative = false;
    QString digits;
    int after = 0;
    for (qsizetype i = 0; i < normal.size(); ++i) {
        const QChar c = normal.at(i);
        if (c == u',') {
            if (!m_grouped) {
                return false;
            }
            continue;
        }
        if (c == u'-') {
            if (negative || !digits.isEmpty() || m_minimum >= 0) {
                return false; // one minus, in front
            }
            negative = true;
        } else if (isAsciiDigit(c)) {
            digits += c;
        } else {
            return false;
        }
        if (i >= cursor) {
            ++after;
        }
    }

    // Leading zeros go, but one zero stays for the value 0.
    qsizetype zeros = 0;
    while (zeros + 1 < digits.size() && digits.at(zeros) == u'0') {
        ++zeros;
    }
    digits.remove(0, zeros);
    const int kept = int(digits.size()) + (negative ? 1 : 0);
    after = std::min(after, kept);

    QString shown;
    if (digits.isEmpty()) {
        shown = negative ? QStringLiteral("-") : QString();
    } else {
        if (digits.size() > 18) {
            return false; // past any limit, and past what qint64 holds
        }
        const qint64 magnitude = digits.toLongLong();
        const qint64 value = negative ? -magnitude : magnitude;
        if (!inRange(value)) {
            return false;
        }
        shown = value == 0 ? digits : format(value);
        if (negative && value == 0) {
            shown.prepend(u'-');
        }
    }

    // Put the cursor before the same number of signs and digits as before,
    // and before a comma rather than after it: right behind the last key.
    int pos = int(shown.size());
    for (int seen = 0; pos > 0 && seen < after; --pos) {
        if (shown.at(pos - 1) != u',') {
            ++seen;
        }
    }
    while (pos > 0 && shown.at(pos - 1) == u',') {
        --pos;
    }
    text = shown;
    cursor = pos;
    return true;
}

} // namespace common
