// The display patterns: dates printed by hand with the eras of ICU's Japanese calendar, amounts by hand.
#include "common/formats.h"

#include <memory>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unordered_map>

namespace common {

namespace {

// The Japanese calendar of the platform.
const char *const kIcuLocale = "ja_JP@calendar=japanese";

// The day at noon GMT, so that no time zone moves it to its neighbour.
UDate noonOf(const QDate &date)
{
    constexpr qint64 kUnixEpochJulianDay = 2440588;
    constexpr double kMsPerDay = 86400000.0;
    return double(date.toJulianDay() - kUnixEpochJulianDay) * kMsPerDay + kMsPerDay / 2;
}

QString toQString(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

std::unique_ptr<icu::SimpleDateFormat> makeIcuFormat(const QString &icuPattern)
{
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(
        icu::UnicodeString(reinterpret_cast<const char16_t *>(icuPattern.utf16()), int32_t(icuPattern.size())),
        icu::Locale(kIcuLocale), status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    format->setTimeZone(*icu::TimeZone::getGMT());
    return format;
}

enum class Field { Literal, Year, Month, Day, EraName, EraInitial, EraYear };

struct Token
{
    Field field;
    QString text; // the literal text of a Literal token
};

// A date pattern read once into its fields and literal texts.
struct CompiledPattern
{
    bool valid = false;
    bool usesEra = false;
    std::vector<Token> tokens;
};

std::optional<Field> fieldOf(QChar letter, qsizetype count)
{
    const char16_t c = letter.unicode();
    if (c == u'y' && count == 4) {
        return Field::Year;
    }
    if (c == u'm' && count == 2) {
        return Field::Month;
    }
    if (c == u'd' && count == 2) {
        return Field::Day;
    }
    if (c == u'g' && count == 3) {
        return Field::EraName;
    }
    if (c == u'g' && count == 1) {
        return Field::EraInitial;
    }
    if (c == u'e' && count == 2) {
        return Field::EraYear;
    }
    return std::nullopt;
}

bool isLatinLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

CompiledPattern compile(const QString &pattern)
{
    CompiledPattern compiled;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        qsizetype j = i + 1;
        if (isLatinLetter(c)) {
            while (j < pattern.size() && pattern.at(j) == c) {
                ++j;
            }
            const auto field = fieldOf(c, j - i);
            if (!field) {
                return {};
            }
            compiled.usesEra =
                compiled.usesEra || *field == Field::EraName || *field == Field::EraInitial || *field == Field::EraYear;
            compiled.tokens.push_back({*field, {}});
        } else {
            while (j < pattern.size() && !isLatinLetter(pattern.at(j))) {
                ++j;
            }
            compiled.tokens.push_back({Field::Literal, pattern.mid(i, j - i)});
        }
        i = j;
    }
    compiled.valid = true;
    return compiled;
}

// Each thread keeps its own patterns, so that no lock is needed.
const CompiledPattern &compiledPattern(const QString &pattern)
{
    thread_local std::unordered_map<QString, CompiledPattern> cache;
    auto it = cache.find(pattern);
    if (it == cache.end()) {
        it = cache.emplace(pattern, compile(pattern)).first;
    }
    return it->second;
}

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, u'0');
}

// The era fields come from the era table, which holds what ICU's Japanese
// calendar says; printing them by hand is many times quicker than ICU's
// date formatter, and a grid may show a century of dates.
QString formatTokens(const QDate &date, const Era *era, const std::vector<Token> &tokens)
{
    QString out;
    for (const Token &token : tokens) {
        switch (token.field) {
        case Field::Literal:
            out += token.text;
            break;
        case Field::Year:
            out += QString::number(date.year()).rightJustified(4, u'0');
            break;
        case Field::Month:
            out += twoDigits(date.month());
            break;
        case Field::Day:
            out += twoDigits(date.day());
            break;
        case Field::EraName:
            out += era->name;
            break;
        case Field::EraInitial:
            out += era->initial;
            break;
        case Field::EraYear:
            out += twoDigits(date.year() - era->yearOne + 1);
            break;
        }
    }
    return out;
}

std::vector<Era> buildEraTable()
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(*icu::TimeZone::getGMT(), icu::Locale(kIcuLocale), status));
    auto nameFormat = makeIcuFormat(QStringLiteral("GGGG"));
    auto initialFormat = makeIcuFormat(QStringLiteral("GGGGG"));
    if (U_FAILURE(status) || !calendar || !nameFormat || !initialFormat) {
        return {};
    }
    auto fieldAt = [&](qint64 julianDay, UCalendarDateFields field) {
        calendar->setTime(noonOf(QDate::fromJulianDay(julianDay)), status);
        return calendar->get(field, status);
    };

    // The first days of the eras that begin within the range: eras only move
    // forward, so halving every interval whose ends differ finds them all.
    std::vector<qint64> starts{kFirstDate.toJulianDay()};
    auto findStarts = [&](auto &self, qint64 from, int fromEra, qint64 to, int toEra) -> void {
        if (fromEra == toEra || U_FAILURE(status)) {
            return;
        }
        if (to - from == 1) {
            starts.push_back(to);
            return;
        }
        const qint64 middle = from + (to - from) / 2;
        const int middleEra = fieldAt(middle, UCAL_ERA);
        self(self, from, fromEra, middle, middleEra);
        self(self, middle, middleEra, to, toEra);
    };
    const qint64 first = kFirstDate.toJulianDay();
    const qint64 last = kLastDate.toJulianDay();
    findStarts(findStarts, first, fieldAt(first, UCAL_ERA), last, fieldAt(last, UCAL_ERA));

    std::vector<Era> table;
    for (size_t i = 0; i < starts.size(); ++i) {
        Era era;
        era.first = QDate::fromJulianDay(starts[i]);
        era.last = i + 1 < starts.size() ? QDate::fromJulianDay(starts[i + 1] - 1) : kLastDate;
        era.yearOne = era.first.year() - fieldAt(starts[i], UCAL_YEAR) + 1;
        icu::UnicodeString name;
        icu::UnicodeString initial;
        nameFormat->format(noonOf(era.first), name);
        initialFormat->format(noonOf(era.first), initial);
        era.name = toQString(name);
        era.initial = toQString(initial);
        table.push_back(era);
    }
    if (U_FAILURE(status)) {
        return {};
    }
    return table;
}

const Era *eraContaining(const QDate &date)
{
    for (const Era &era : eraTable()) {
        if (date >= era.first && date <= era.last) {
            return &era;
        }
    }
    return nullptr;
}

void appendGrouped(QString &out, quint64 magnitude, bool grouped)
{
    const QString digits = QString::number(magnitude);
    if (!grouped) {
        out += digits;
        return;
    }
    const qsizetype lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out += digits.left(lead);
    for (qsizetype i = lead; i < digits.size(); i += 3) {
        out += u',';
        out += digits.mid(i, 3);
    }
}

} // namespace

bool isWestern(const QString &calendarMode)
{
    return calendarMode == kWestern;
}

QString dateBoxPattern(const QString &calendarMode)
{
    return isWestern(calendarMode) ? pattern::kDateWestern : pattern::kDateEra;
}

QString calendarTitlePattern(const QString &calendarMode)
{
    return isWestern(calendarMode) ? pattern::kMonthWestern : pattern::kMonthEra;
}

QString gridDatePattern(const QString &calendarMode)
{
    return isWestern(calendarMode) ? pattern::kSlashWestern : pattern::kSlashEra;
}

QString formatDate(const QDate &date, const QString &pattern)
{
    if (!date.isValid()) {
        return {};
    }
    const CompiledPattern &compiled = compiledPattern(pattern);
    if (!compiled.valid) {
        return {};
    }
    if (!compiled.usesEra) {
        return date.year() >= 1 && date.year() <= 9999 ? formatTokens(date, nullptr, compiled.tokens) : QString();
    }
    const Era *era = eraContaining(date);
    return era ? formatTokens(date, era, compiled.tokens) : QString();
}

QString formatAmount(std::optional<qint64> amount, const QString &pattern)
{
    if (!amount) {
        return {};
    }
    bool grouped = true;
    bool zeroAsEmpty = false;
    if (pattern == pattern::kAmount) {
        zeroAsEmpty = true;
    } else if (pattern == pattern::kColourNumber) {
        grouped = false;
    } else if (pattern != pattern::kAmountZero && pattern != pattern::kAmountBox) {
        return {};
    }
    const qint64 value = *amount;
    if (value == 0) {
        return zeroAsEmpty ? QString() : QStringLiteral("0");
    }
    QString out;
    if (value < 0) {
        out += u'-';
    }
    // Negating in unsigned arithmetic also holds the magnitude of the smallest qint64.
    const quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    appendGrouped(out, magnitude, grouped);
    return out;
}

const std::vector<Era> &eraTable()
{
    static const std::vector<Era> table = buildEraTable();
    return table;
}

std::optional<EraDate> eraOf(const QDate &date)
{
    if (!date.isValid()) {
        return std::nullopt;
    }
    const Era *era = eraContaining(date);
    if (!era) {
        return std::nullopt;
    }
    return EraDate{era->name, era->initial, date.year() - era->yearOne + 1};
}

std::optional<QDate> dateFromEra(const QString &eraNameOrInitial, int eraYear, int month, int day)
{
    const QString key = eraNameOrInitial.trimmed();
    if (key.isEmpty() || eraYear < 1 || eraYear > 9999) {
        return std::nullopt;
    }
    for (const Era &era : eraTable()) {
        if (key != era.name && key.compare(era.initial, Qt::CaseInsensitive) != 0) {
            continue;
        }
        const QDate date(era.yearOne + eraYear - 1, month, day);
        if (date.isValid() && date >= era.first && date <= era.last) {
            return date;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace common
