// Fuzzes the reading of typed dates and the date box's edit driven as a
// keystroke script.
//
// First byte: bits 0-1 the calendar mode, bit 2 the rest as UTF-16 instead of
// UTF-8, bits 3-4 what to do: read the rest as one text, run it as a keystroke
// script, or compose a date text of a form users type, for a possible or an
// impossible date.

#include "fuzzinput.h"

#include "common/dateinput.h"
#include "common/formats.h"

#include <QList>

#include <optional>

using common::DateInput;
using fuzz::describe;
using fuzz::FuzzInput;

namespace {

// Exactly "西暦" is Western; any other mode text, the empty one included, is the era calendar.
QString modeOf(uint8_t choice)
{
    switch (choice & 3) {
    case 0:
        return common::kWestern;
    case 1:
        return common::kEra;
    case 2:
        return QString();
    default:
        return QStringLiteral("西暦 ");
    }
}

QByteArray describe(const std::optional<QDate> &date)
{
    return date ? date->toString(Qt::ISODate).toLatin1() : QByteArray("nothing");
}

QByteArray describeCase(const QString &text, const QString &mode, const std::optional<QDate> &date)
{
    return "text " + describe(text) + " mode " + describe(mode) + " date " + describe(date);
}

// The runs of digits of a text as the reader sees it (full-width folded).
QList<QString> digitRuns(const QString &text)
{
    const QString normal = text.normalized(QString::NormalizationForm_KC);
    QList<QString> runs;
    QString run;
    for (const QChar c : normal) {
        if (c >= u'0' && c <= u'9') {
            run += c;
        } else if (!run.isEmpty()) {
            runs.append(run);
            run.clear();
        }
    }
    if (!run.isEmpty()) {
        runs.append(run);
    }
    return runs;
}

// A date is read exactly as typed: its digits are the typed digits, never a
// neighbouring day that some lenient reading moved them to.
void checkExact(const QString &text, const QString &mode, const QDate &date)
{
    const QList<QString> runs = digitRuns(text);
    const auto era = common::eraOf(date);
    FUZZ_CHECK(era.has_value(), describeCase(text, mode, date));
    const int monthDay = date.month() * 100 + date.day();
    const bool western = common::isWestern(mode);
    bool exact = false;
    if (runs.size() == 1 && runs[0].size() == 8) {
        exact = runs[0].toInt() == date.year() * 10000 + monthDay; // yyyymmdd
    } else if (runs.size() == 1 && runs[0].size() == 6 && !western) {
        exact = runs[0].toInt() == era->year * 10000 + monthDay; // era + yymmdd
    } else if (runs.size() == 2 && !western) {
        exact = era->year == 1 && runs[0].toInt() == date.month() && runs[1].toInt() == date.day(); // 元年
    } else if (runs.size() == 3 && (runs[0].size() == 4 || !western)) {
        const int year = runs[0].size() == 4 ? date.year() : era->year;
        exact = runs[0].toInt() == year && runs[1].toInt() == date.month() && runs[2].toInt() == date.day();
    }
    FUZZ_CHECK(exact, describeCase(text, mode, date));
}

void checkReadsBack(const QDate &date, const QString &mode, const QString &pattern)
{
    const QString shown = common::formatDate(date, pattern);
    const auto back = DateInput::parse(shown, mode);
    FUZZ_CHECK(back == date, describeCase(shown, mode, back) + " expected " + describe(date));
}

// One text read in one mode.
void readText(const QString &text, const QString &mode)
{
    const auto date = DateInput::parse(text, mode);
    if (common::isWestern(mode)) {
        // The era mode reads every Western form as well.
        const auto inEra = DateInput::parse(text, common::kEra);
        FUZZ_CHECK(!date || inEra == date, describeCase(text, common::kEra, inEra) + " western " + describe(date));
    }
    if (!date) {
        return;
    }
    FUZZ_CHECK(DateInput::inRange(*date), describeCase(text, mode, date));
    checkExact(text, mode, *date);

    // Whatever the box shows of the date reads back as the same date.
    checkReadsBack(*date, mode, common::dateBoxPattern(mode));
    checkReadsBack(*date, mode, common::gridDatePattern(mode));
    checkReadsBack(*date, mode, common::pattern::kDateNumber);
    checkReadsBack(*date, mode, common::pattern::kSlashWestern);

    // What the reader takes can be typed into the box: typing it and
    // committing gives the same date.
    DateInput box(mode);
    const bool typed = box.typeText(text);
    const bool committed = typed && box.commitEdit();
    FUZZ_CHECK(typed && committed && box.value() == date,
               describeCase(text, mode, date) + " typed " + QByteArray::number(typed) + " committed " +
                   QByteArray::number(committed) + " edit " + describe(box.editText()) + " box " +
                   describe(box.value()));
}

// --- composed date texts ---

QString fullWidth(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u' ') {
            out += QChar(u'\u3000');
        } else if (c.unicode() >= 0x21 && c.unicode() <= 0x7e) {
            out += QChar(char16_t(c.unicode() - 0x20 + 0xFF00));
        } else {
            out += c;
        }
    }
    return out;
}

QString twoDigits(int value, bool padded)
{
    return padded ? QString::number(value).rightJustified(2, u'0') : QString::number(value);
}

// A date as users type it: `era` empty for a Western year, else an era's name
// or initial before the year of that era. The form comes from the input.
QString composeText(FuzzInput &in, const QString &era, int year, int month, int day)
{
    const uint8_t form = in.byte();
    const uint8_t look = in.byte();
    const bool padded = form & 0x08;
    QString yearText = era.isEmpty() ? QString::number(year).rightJustified(4, u'0') : twoDigits(year, padded);
    if (!era.isEmpty() && year == 1 && (look & 0x10)) {
        yearText = QStringLiteral("元");
    }
    QString text;
    const int style = form % 6;
    if (style == 5 && yearText != QStringLiteral("元")) {
        // yyyymmdd, or the era with yymmdd
        text = (era.isEmpty() ? yearText : twoDigits(year, true)) + twoDigits(month, true) + twoDigits(day, true);
    } else {
        static const QString kMarks[] = {QStringLiteral("/"), QStringLiteral("-"), QStringLiteral("."),
                                         QStringLiteral(" ")};
        const bool kanji = style == 4 || style == 5;
        const QString around = form & 0x10 ? QStringLiteral(" ") : QString();
        const QString first = kanji ? QStringLiteral("年") : kMarks[style];
        const QString second = kanji ? QStringLiteral("月") : kMarks[form & 0x20 ? (style + 1) % 4 : style];
        const QString last = kanji || (form & 0x40) ? QStringLiteral("日") : QString();
        text = yearText + around + first + around + twoDigits(month, padded || (form & 0x80)) + around + second +
               around + twoDigits(day, padded) + last;
    }
    if (!era.isEmpty()) {
        text.prepend(era + (look & 0x01 ? QStringLiteral(" ") : QString()));
    }
    if (look & 0x02) {
        text = QStringLiteral(" ") + text + QStringLiteral("  ");
    }
    return look & 0x04 ? fullWidth(text) : text;
}

// A date of the range, or made of parts that may name no day, written in a
// form users type: the reader takes exactly the days that exist in the range
// and in the era named.
void readComposed(FuzzInput &in, const QString &mode, bool possible)
{
    const auto &eras = common::eraTable();
    FUZZ_CHECK(!eras.empty(), QByteArray("no eras"));
    const uint8_t kind = in.byte();
    const common::Era *era = kind & 1 ? &eras[in.byte() % eras.size()] : nullptr;
    int year = 0;
    int month = 0;
    int day = 0;
    std::optional<QDate> expected;
    if (possible) {
        const qint64 span = common::kFirstDate.daysTo(common::kLastDate) + 1;
        const QDate date = common::kFirstDate.addDays(qint64(in.number(3)) % span);
        if (era) {
            era = nullptr;
            for (const common::Era &candidate : eras) {
                era = date >= candidate.first && date <= candidate.last ? &candidate : era;
            }
            FUZZ_CHECK(era, describe(date));
        }
        year = era ? date.year() - era->yearOne + 1 : date.year();
        month = date.month();
        day = date.day();
        expected = date;
    } else {
        year = era ? in.byte() % 100 : 1800 + int(in.number(2) % 400);
        month = in.byte() % 14;
        day = in.byte() % 33;
        const QDate date(era ? era->yearOne + year - 1 : year, month, day);
        const bool exists = date.isValid() && (!era || (year >= 1 && date >= era->first && date <= era->last));
        if (exists && DateInput::inRange(date)) {
            expected = date;
        }
    }
    QString eraText;
    if (era) {
        const uint8_t spelling = in.byte() % 3;
        eraText = spelling == 0 ? era->name : spelling == 1 ? era->initial : era->initial.toLower();
        if (common::isWestern(mode)) {
            expected.reset(); // Western mode reads no era
        }
    }
    const QString text = composeText(in, eraText, year, month, day);
    const auto date = DateInput::parse(text, mode);
    FUZZ_CHECK(date == expected, describeCase(text, mode, date) + " expected " + describe(expected));
    readText(text, mode);
}

// --- the keystroke script ---

// Keys a user types into a date box, and some that do not belong there.
const QString kKeys = QStringLiteral("0123456789/-.年月日 元HhSsTtMmRrX明治大正昭和平成令０１９／　㍻_a");

struct Snapshot
{
    std::optional<QDate> value;
    QString editText;
    int editCursor;
    bool fresh;

    explicit Snapshot(const DateInput &box)
        : value(box.value()), editText(box.editText()), editCursor(box.editCursor()), fresh(box.isFresh())
    {}
    bool operator==(const Snapshot &) const = default;
};

QByteArray describe(const DateInput &box)
{
    return "mode " + describe(box.calendarMode()) + " value " + describe(box.value()) + " edit " +
           describe(box.editText()) + " cursor " + QByteArray::number(box.editCursor()) + " fresh " +
           QByteArray::number(box.isFresh());
}

// Digits typed so far, and one for an era name. Only the era layout has a
// blank, after the era's place, which shows "__" until an era is typed.
int progressOf(const QString &editText)
{
    int count = editText.contains(u' ') && !editText.startsWith(u'_') ? 1 : 0;
    for (const QChar c : editText) {
        count += c >= u'0' && c <= u'9' ? 1 : 0;
    }
    return count;
}

// What holds whatever the box went through.
void checkState(const DateInput &box)
{
    const auto value = box.value();
    FUZZ_CHECK(!value || DateInput::inRange(*value), describe(box));
    FUZZ_CHECK(box.displayText().isEmpty() == box.isEmpty(), describe(box) + " shows " + describe(box.displayText()));
    const QVariant number = box.dateNumber();
    FUZZ_CHECK(number.isNull() == box.isEmpty(), describe(box));
    FUZZ_CHECK(!value || DateInput::dateFromNumber(number) == value, describe(box));

    const QString edit = box.editText();
    FUZZ_CHECK(edit.size() <= 16, describe(box));
    FUZZ_CHECK(box.editCursor() >= 0 && box.editCursor() <= edit.size(), describe(box));
    FUZZ_CHECK(!box.isEditEmpty() || progressOf(edit) == 0, describe(box));
}

void typePiece(DateInput &box, const QString &piece)
{
    const Snapshot before(box);
    DateInput oneByOne = box;
    const bool accepted = box.typeText(piece);
    const Snapshot after(box);
    FUZZ_CHECK(after.value == before.value, describe(box) + " typed " + describe(piece));
    if (!accepted) {
        FUZZ_CHECK(after == before, describe(box) + " refused " + describe(piece));
        return;
    }
    // Typing a text at once or key by key comes to the same edit, where the
    // keys fold to the same characters one by one as together.
    QString folded;
    for (const QChar c : piece) {
        folded += QString(c).normalized(QString::NormalizationForm_KC);
    }
    if (folded != piece.normalized(QString::NormalizationForm_KC)) {
        return;
    }
    for (const QChar c : piece) {
        FUZZ_CHECK(oneByOne.typeText(QString(c)),
                   describe(oneByOne) + " key " + describe(QString(c)) + " of " + describe(piece));
    }
    FUZZ_CHECK(Snapshot(oneByOne) == after, describe(oneByOne) + " at once " + describe(box));
}

void commit(DateInput &box)
{
    const Snapshot before(box);
    const bool wasEmpty = box.isEditEmpty();
    const bool committed = box.commitEdit();
    if (!committed) {
        FUZZ_CHECK(!before.fresh && !wasEmpty, describe(box));
        FUZZ_CHECK(Snapshot(box) == before, describe(box) + " before " + describe(before.editText));
        return;
    }
    FUZZ_CHECK(box.isFresh(), describe(box));
    if (before.fresh) {
        FUZZ_CHECK(box.value() == before.value, describe(box) + " held " + describe(before.value));
    } else if (wasEmpty) {
        FUZZ_CHECK(box.isEmpty(), describe(box));
    } else {
        FUZZ_CHECK(!box.isEmpty(), describe(box) + " typed " + describe(before.editText));
    }
    // A held date is shown in the edit as on the screen, and that text reads back.
    if (const auto value = box.value()) {
        FUZZ_CHECK(box.editText() == box.displayText(), describe(box) + " shows " + describe(box.displayText()));
        FUZZ_CHECK(DateInput::parse(box.displayText(), box.calendarMode()) == value, describe(box));
    }
}

void backspace(DateInput &box)
{
    const Snapshot before(box);
    const int progress = progressOf(before.editText);
    box.backspace();
    FUZZ_CHECK(box.value() == before.value, describe(box));
    if (before.fresh) {
        FUZZ_CHECK(box.isEditEmpty(), describe(box));
    } else {
        FUZZ_CHECK(progressOf(box.editText()) == std::max(progress - 1, 0),
                   describe(box) + " before " + describe(before.editText));
    }
}

void setSomething(DateInput &box, FuzzInput &in)
{
    const auto held = box.value();
    switch (in.byte() & 3) {
    case 0: {
        box.setCalendarMode(modeOf(in.byte()));
        FUZZ_CHECK(box.value() == held && box.isFresh(), describe(box));
        break;
    }
    case 1: {
        // Days around the accepted range as well as inside it.
        const QDate date = common::kFirstDate.addDays(qint64(in.number(2)) * 2 - 200);
        const bool accepted = box.setValue(date);
        FUZZ_CHECK(accepted == DateInput::inRange(date), describe(box) + " set " + describe(date));
        FUZZ_CHECK(box.value() == (accepted ? std::optional<QDate>(date) : held), describe(box));
        break;
    }
    case 2: {
        const int number = int(in.number(4) % 100000000);
        const auto date = DateInput::dateFromNumber(number);
        const bool accepted = box.setDateNumber(number);
        FUZZ_CHECK(accepted == date.has_value() && box.value() == (accepted ? date : held),
                   describe(box) + " number " + QByteArray::number(number));
        break;
    }
    default: {
        const QString text = in.text(in.byte() % 12, false);
        const bool accepted = box.setDateNumber(text);
        if (!accepted) {
            FUZZ_CHECK(box.value() == held, describe(box) + " number " + describe(text));
        } else if (!box.isEmpty()) {
            FUZZ_CHECK(box.dateNumber().toString() == text.trimmed(), describe(box) + " number " + describe(text));
        }
        break;
    }
    }
}

void runScript(FuzzInput &in, const QString &mode)
{
    DateInput box(mode);
    for (int step = 0; step < 256 && !in.atEnd(); ++step) {
        const uint8_t op = in.byte();
        switch (op % 10) {
        case 0:
        case 1:
        case 2:
        case 3: {
            QString piece;
            for (int n = 1 + op / 10 % 4; n > 0; --n) {
                piece += kKeys.at(in.byte() % kKeys.size());
            }
            typePiece(box, piece);
            break;
        }
        case 4:
            typePiece(box, in.text(1 + op / 10 % 8, op >= 128));
            break;
        case 5:
            backspace(box);
            break;
        case 6:
            commit(box);
            break;
        case 7:
            box.beginEdit();
            FUZZ_CHECK(box.isFresh(), describe(box));
            break;
        case 8:
            box.clearEdit();
            FUZZ_CHECK(box.isEditEmpty() && !box.isFresh(), describe(box));
            break;
        default:
            setSomething(box, in);
            break;
        }
        checkState(box);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    const QString mode = modeOf(control);
    switch (control >> 3 & 3) {
    case 0:
        readText(in.rest(control & 4), mode);
        break;
    case 1:
        runScript(in, mode);
        break;
    default:
        readComposed(in, mode, control & 0x20);
        break;
    }
    return 0;
}
