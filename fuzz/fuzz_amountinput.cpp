// Fuzzes the amount and colour number boxes: reading a text, the edit with a
// cursor driven as a keystroke script, and the format of a value read back.
//
// First byte: bit 0 the colour number box instead of an amount box, bit 1 the
// texts as UTF-16 instead of UTF-8, bits 2-3 what to do: read one text (its
// cursor in the next byte), run a keystroke script, or format a number.

#include "fuzzinput.h"

#include "common/amountinput.h"

#include <algorithm>
#include <optional>

using common::AmountInput;
using fuzz::describe;
using fuzz::FuzzInput;

namespace {

QByteArray describe(const std::optional<qint64> &value)
{
    return value ? QByteArray::number(*value) : QByteArray("nothing");
}

// How the box reads a text, worked out here on its own from the box's rules:
// an optional leading minus where negatives are allowed, digits, commas
// anywhere in a grouped box, full-width forms as ASCII.
struct Reading
{
    bool accepted = false;
    std::optional<qint64> value;
};

// The amount boxes group their digits; the colour number box does not.
bool isGrouped(const AmountInput &box)
{
    return box.format(1000).contains(u',');
}

Reading expectedReading(const AmountInput &box, const QString &text)
{
    if (text.size() > 64) {
        return {};
    }
    const bool grouped = isGrouped(box);
    bool negative = false;
    bool anyDigit = false;
    QString significant;
    for (const QChar c : text) {
        const QString folded = QString(c).normalized(QString::NormalizationForm_KC);
        if (folded.size() != 1) {
            return {};
        }
        const QChar a = folded.at(0);
        if (a == u',' && grouped) {
            continue;
        }
        if (a == u'-' && !negative && !anyDigit && box.minimum() < 0) {
            negative = true;
        } else if (a >= u'0' && a <= u'9') {
            anyDigit = true;
            if (a != u'0' || !significant.isEmpty()) {
                significant += a;
            }
        } else {
            return {};
        }
    }
    if (!anyDigit) {
        return {true, std::nullopt};
    }
    if (significant.size() > 12) {
        return {}; // beyond every limit
    }
    const qint64 magnitude = significant.isEmpty() ? 0 : significant.toLongLong();
    const qint64 value = negative ? -magnitude : magnitude;
    if (!box.inRange(value)) {
        return {};
    }
    return {true, value};
}

// The text of a value grouped by three digits from the right, or not at all.
QString expectedFormat(qint64 value, bool grouped)
{
    const QString digits = QString::number(value < 0 ? -value : value);
    QString out;
    for (qsizetype k = 0; k < digits.size(); ++k) {
        if (grouped && k > 0 && (digits.size() - k) % 3 == 0) {
            out += u',';
        }
        out += digits.at(k);
    }
    return value < 0 ? u'-' + out : out;
}

// The signs and digits (full-width ones too) after a cursor: what the cursor
// keeps on its right.
int marksAfter(const QString &text, int cursor)
{
    int count = 0;
    for (qsizetype k = std::clamp<qsizetype>(cursor, 0, text.size()); k < text.size(); ++k) {
        const QString folded = QString(text.at(k)).normalized(QString::NormalizationForm_KC);
        count += folded.size() == 1 && ((folded.at(0) >= u'0' && folded.at(0) <= u'9') || folded.at(0) == u'-') ? 1 : 0;
    }
    return count;
}

int marksIn(const QString &text)
{
    return marksAfter(text, 0);
}

void checkFormat(const AmountInput &box, qint64 value)
{
    const QString shown = box.format(value);
    FUZZ_CHECK(shown == expectedFormat(value, isGrouped(box)), QByteArray::number(value) + " shows " + describe(shown));
    FUZZ_CHECK(box.valueOf(shown) == value, QByteArray::number(value) + " shows " + describe(shown));
    QString edited = shown;
    int cursor = int(shown.size());
    FUZZ_CHECK(box.edit(edited, cursor) && edited == shown && cursor == shown.size(),
               QByteArray::number(value) + " edits to " + describe(edited) + " cursor " + QByteArray::number(cursor));
}

// Full-width forms of the ASCII digits, minus and comma of a text.
QString fullWidth(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if ((c >= u'0' && c <= u'9') || c == u'-' || c == u',') {
            c = QChar(char16_t(c.unicode() - 0x20 + 0xFF00));
        }
    }
    return out;
}

// One edit of the box's text; what holds whether the box takes it or not.
bool editText(const AmountInput &box, QString &text, int &cursor)
{
    const QString given = text;
    const int givenCursor = cursor;
    const Reading expected = expectedReading(box, given);
    const bool accepted = box.edit(text, cursor);
    const QByteArray what = describe(given) + " cursor " + QByteArray::number(givenCursor) + " gives " +
                            describe(text) + " cursor " + QByteArray::number(cursor);
    FUZZ_CHECK(accepted == expected.accepted, what + " accepted " + QByteArray::number(accepted));
    if (!accepted) {
        FUZZ_CHECK(text == given, what);
        FUZZ_CHECK(!box.valueOf(given).has_value(), what);
        return false;
    }
    FUZZ_CHECK(cursor >= 0 && cursor <= text.size(), what);
    const auto value = box.valueOf(given);
    FUZZ_CHECK(value == expected.value, what + " value " + describe(value) + " expected " + describe(expected.value));
    FUZZ_CHECK(box.valueOf(text) == value, what);
    // The box shows its value in its format; only a minus waiting for its
    // digits may stand alone or before a 0.
    const bool waiting = text == QStringLiteral("-") || text == QStringLiteral("-0");
    FUZZ_CHECK(waiting || text == box.format(value), what + " format " + describe(box.format(value)));
    FUZZ_CHECK(!waiting || given.normalized(QString::NormalizationForm_KC).contains(u'-'), what);

    // A shown text is a fixed point of the edit.
    QString again = text;
    int againCursor = cursor;
    FUZZ_CHECK(box.edit(again, againCursor) && again == text, what + " again " + describe(again));

    // Full-width typing is the same typing.
    QString wide = fullWidth(given);
    int wideCursor = givenCursor;
    FUZZ_CHECK(box.edit(wide, wideCursor) && wide == text && wideCursor == cursor,
               what + " full-width gives " + describe(wide) + " cursor " + QByteArray::number(wideCursor));

    if (value) {
        checkFormat(box, *value);
    }
    return true;
}

// Keys typed into a number box, and some that do not belong there.
const QString kKeys = QStringLiteral("0123456789-,０９－，a .+");

void runScript(const AmountInput &box, FuzzInput &in, bool utf16)
{
    QString text;
    int cursor = 0;
    for (int step = 0; step < 256 && !in.atEnd(); ++step) {
        const uint8_t op = in.byte();
        QString changed = text;
        int changedCursor = cursor;
        // A key typed at the cursor keeps the signs and digits after the cursor where they were.
        bool keepsRight = false;
        switch (op % 8) {
        case 0:
        case 1:
        case 2:
            changed.insert(cursor, kKeys.at(in.byte() % kKeys.size()));
            ++changedCursor;
            keepsRight = true;
            break;
        case 3:
            if (cursor > 0) {
                changed.remove(cursor - 1, 1);
                --changedCursor;
                keepsRight = true;
            }
            break;
        case 4:
            changed.remove(cursor, 1);
            break;
        case 5:
            cursor = in.byte() % (text.size() + 1);
            continue;
        case 6: {
            // A selection replaced by one key or cut.
            const int from = in.byte() % (text.size() + 1);
            const int to = from + in.byte() % (text.size() - from + 1);
            changed.remove(from, to - from);
            changedCursor = from;
            if (op & 8) {
                changed.insert(from, kKeys.at(in.byte() % kKeys.size()));
                ++changedCursor;
            }
            break;
        }
        default: {
            const QString pasted = in.text(1 + op / 8 % 16, utf16);
            changed.insert(cursor, pasted);
            changedCursor += int(pasted.size());
            break;
        }
        }
        const int rightBefore = marksAfter(changed, changedCursor);
        if (!editText(box, changed, changedCursor)) {
            continue;
        }
        // Unless leading zeros went, the marks right of the cursor are the ones that were there.
        if (keepsRight && marksIn(changed) == marksIn(text) + (op % 8 == 3 ? -1 : 1)) {
            FUZZ_CHECK(marksAfter(changed, changedCursor) == rightBefore,
                       describe(text) + " cursor " + QByteArray::number(cursor) + " becomes " + describe(changed) +
                           " cursor " + QByteArray::number(changedCursor));
        }
        text = changed;
        cursor = changedCursor;
        FUZZ_CHECK(text.size() <= 14, describe(text));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    const AmountInput box = control & 1 ? AmountInput::colourNumber() : AmountInput::amount();
    const bool utf16 = control & 2;
    switch (control >> 2 & 3) {
    case 0: {
        int cursor = in.byte();
        QString text = in.rest(utf16);
        editText(box, text, cursor);
        break;
    }
    case 1:
        runScript(box, in, utf16);
        break;
    default: {
        // Values near the limits as well as anywhere in the range.
        const qint64 raw = qint64(in.number(4)) | qint64(in.number(4)) << 32;
        const qint64 span = box.maximum() - box.minimum() + 1;
        const qint64 value = box.minimum() + (raw % span + span) % span;
        checkFormat(box, value);
        for (const qint64 outside : {box.minimum() - 1 - (raw & 0xff), box.maximum() + 1 + (raw & 0xff)}) {
            FUZZ_CHECK(!box.valueOf(expectedFormat(outside, isGrouped(box))).has_value(), QByteArray::number(outside));
        }
        break;
    }
    }
    return 0;
}
