// A date box's value, views, typing and the reading of typed dates.
#include "common/dateinput.h"

#include <QList>

#include <algorithm>
#include <cmath>

namespace common {

namespace {

// Longer texts are no date; refusing them early keeps the reading cheap.
constexpr qsizetype kMaxInput = 64;

const QChar kPrompt = u'_';
const QChar kGannen = u'元';

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isSeparator(QChar c)
{
    return c == u'/' || c == u'-' || c == u'.' || c == u'年' || c == u'月' || c == u'日' || c.isSpace();
}

const Era *eraByInitial(QChar letter)
{
    for (const Era &era : eraTable()) {
        if (era.initial.size() == 1 && era.initial.at(0).toUpper() == letter.toUpper()) {
            return &era;
        }
    }
    return nullptr;
}

const Era *eraStartingWith(QStringView text)
{
    for (const Era &era : eraTable()) {
        if (!era.name.isEmpty() && text.startsWith(era.name)) {
            return &era;
        }
    }
    return nullptr;
}

// One piece of a typed date.
struct Token
{
    enum Kind { Digits, EraName, Gannen, Separator } kind;
    QString text; // digits, era name or initial; for a separator its mark (' ' for blanks alone)
};

// Splits a normalised text into digit runs, eras, 元 and separator runs.
// Nothing for a character that belongs to no date, a run of two separator
// marks ("//"), or a letter run longer than one initial.
std::optional<QList<Token>> tokenize(QStringView text)
{
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (isAsciiDigit(c)) {
            qsizetype j = i;
            while (j < text.size() && isAsciiDigit(text.at(j))) {
                ++j;
            }
            tokens.append({Token::Digits, text.mid(i, j - i).toString()});
            i = j;
        } else if (isAsciiLetter(c)) {
            if (i + 1 < text.size() && isAsciiLetter(text.at(i + 1))) {
                return std::nullopt;
            }
            tokens.append({Token::EraName, QString(c)});
            ++i;
        } else if (c == kGannen) {
            tokens.append({Token::Gannen, QString(c)});
            ++i;
        } else if (isSeparator(c)) {
            QChar mark = u' ';
            while (i < text.size() && isSeparator(text.at(i))) {
                const QChar s = text.at(i);
                if (!s.isSpace()) {
                    if (mark != u' ') {
                        return std::nullopt;
                    }
                    mark = s;
                }
                ++i;
            }
            tokens.append({Token::Separator, QString(mark)});
        } else if (const Era *era = eraStartingWith(text.mid(i))) {
            tokens.append({Token::EraName, era->name});
            i += era->name.size();
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

bool isDigits(const QList<Token> &tokens, qsizetype index, qsizetype minSize, qsizetype maxSize)
{
    return index < tokens.size() && tokens[index].kind == Token::Digits && tokens[index].text.size() >= minSize &&
           tokens[index].text.size() <= maxSize;
}

bool isSeparatorOf(const QList<Token> &tokens, qsizetype index, QStringView marks)
{
    return index < tokens.size() && tokens[index].kind == Token::Separator && marks.contains(tokens[index].text);
}

// Month and day from tokens[index..]: "m<sep>d" with an optional closing 日,
// and nothing after it. The separator between year and month is checked by the caller.
bool readMonthDay(const QList<Token> &tokens, qsizetype index, int &month, int &day)
{
    if (!isDigits(tokens, index, 1, 2) || !isSeparatorOf(tokens, index + 1, u"/-.月 ") ||
        !isDigits(tokens, index + 2, 1, 2)) {
        return false;
    }
    const qsizetype end = index + 3;
    if (end < tokens.size() && !(end + 1 == tokens.size() && isSeparatorOf(tokens, end, u"日"))) {
        return false;
    }
    month = tokens[index].text.toInt();
    day = tokens[index + 2].text.toInt();
    return true;
}

std::optional<QDate> checkedDate(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (!date.isValid() || !DateInput::inRange(date)) {
        return std::nullopt;
    }
    return date;
}

std::optional<QDate> readWestern(const QList<Token> &tokens)
{
    if (tokens.size() == 1 && isDigits(tokens, 0, 8, 8)) {
        const QString &t = tokens[0].text;
        return checkedDate(t.left(4).toInt(), t.mid(4, 2).toInt(), t.mid(6, 2).toInt());
    }
    int month = 0;
    int day = 0;
    if (isDigits(tokens, 0, 4, 4) && isSeparatorOf(tokens, 1, u"/-.年 ") && readMonthDay(tokens, 2, month, day)) {
        return checkedDate(tokens[0].text.toInt(), month, day);
    }
    return std::nullopt;
}

std::optional<QDate> readEra(const QList<Token> &tokens)
{
    if (tokens.isEmpty() || tokens[0].kind != Token::EraName) {
        return std::nullopt;
    }
    const QString &era = tokens[0].text;
    qsizetype i = 1;
    if (isSeparatorOf(tokens, i, u" ")) {
        ++i;
    }
    // era + yymmdd
    if (i + 1 == tokens.size() && isDigits(tokens, i, 6, 6)) {
        const QString &t = tokens[i].text;
        return dateFromEra(era, t.left(2).toInt(), t.mid(2, 2).toInt(), t.mid(4, 2).toInt());
    }
    int year = 0;
    if (isDigits(tokens, i, 1, 2)) {
        year = tokens[i].text.toInt();
    } else if (i < tokens.size() && tokens[i].kind == Token::Gannen) {
        year = 1;
    } else {
        return std::nullopt;
    }
    int month = 0;
    int day = 0;
    if (!isSeparatorOf(tokens, i + 1, u"/-.年 ") || !readMonthDay(tokens, i + 2, month, day)) {
        return std::nullopt;
    }
    return dateFromEra(era, year, month, day);
}

QString padded(const QString &typed, int width)
{
    return typed.size() >= width ? typed : typed + QString(width - typed.size(), kPrompt);
}

// Whether a complete month, day or era year can still be part of a date.
// `field`: 1 year, 2 month, 3 day.
bool partPossible(int field, const QString &part)
{
    const int n = part.toInt();
    switch (field) {
    case 2:
        return n >= 1 && n <= 12;
    case 3:
        return n >= 1 && n <= 31;
    default:
        return part.size() > 2 || n >= 1; // an era has no year 00
    }
}

} // namespace

DateInput::DateInput(const QString &calendarMode)
{
    setCalendarMode(calendarMode);
}

void DateInput::setCalendarMode(const QString &calendarMode)
{
    m_mode = calendarMode;
    m_western = isWestern(calendarMode);
    beginEdit();
}

QString DateInput::displayPattern() const
{
    return dateBoxPattern(m_mode);
}

QString DateInput::calendarTitlePattern() const
{
    return common::calendarTitlePattern(m_mode);
}

bool DateInput::inRange(const QDate &date)
{
    return date.isValid() && date >= kFirstDate && date <= kLastDate;
}

bool DateInput::setValue(std::optional<QDate> date)
{
    if (date && !inRange(*date)) {
        return false;
    }
    m_value = date;
    beginEdit();
    return true;
}

QVariant DateInput::dateNumber() const
{
    if (!m_value) {
        return {};
    }
    return QVariant(m_value->year() * 10000 + m_value->month() * 100 + m_value->day());
}

std::optional<QDate> DateInput::dateFromNumber(const QVariant &number)
{
    if (!number.isValid() || number.isNull()) {
        return std::nullopt;
    }
    qint64 n = -1;
    switch (number.typeId()) {
    case QMetaType::QDate: {
        const QDate date = number.toDate();
        return inRange(date) ? std::optional<QDate>(date) : std::nullopt;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = number.toString().trimmed();
        if (text.size() != 8 || !std::all_of(text.begin(), text.end(), isAsciiDigit)) {
            return std::nullopt;
        }
        n = text.toLongLong();
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = number.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || d < 0 || d > 99999999.0) {
            return std::nullopt;
        }
        n = qint64(d);
        break;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong: {
        bool ok = false;
        n = number.toLongLong(&ok);
        if (!ok) {
            return std::nullopt;
        }
        break;
    }
    default:
        return std::nullopt;
    }
    if (n < 10000101 || n > 99991231) {
        return std::nullopt;
    }
    return checkedDate(int(n / 10000), int(n / 100 % 100), int(n % 100));
}

bool DateInput::setDateNumber(const QVariant &number)
{
    if (!number.isValid() || number.isNull() ||
        (number.typeId() == QMetaType::QString && number.toString().trimmed().isEmpty())) {
        return setValue(std::nullopt);
    }
    const auto date = dateFromNumber(number);
    return date && setValue(date);
}

QString DateInput::displayText() const
{
    return m_value ? formatDate(*m_value, displayPattern()) : QString();
}

std::optional<QDate> DateInput::parse(const QString &text, const QString &calendarMode)
{
    if (text.size() > kMaxInput) {
        return std::nullopt;
    }
    // Full-width digits, letters, slashes and blanks read as their ASCII forms.
    const QString normal = text.normalized(QString::NormalizationForm_KC).trimmed();
    if (normal.isEmpty() || normal.size() > kMaxInput) {
        return std::nullopt;
    }
    const auto tokens = tokenize(normal);
    if (!tokens) {
        return std::nullopt;
    }
    if (!isWestern(calendarMode)) {
        if (auto date = readEra(*tokens)) {
            return date;
        }
    }
    return readWestern(*tokens);
}

// --- the edit ---

void DateInput::resetEdit()
{
    m_edit = Edit{};
    m_edit.westernLayout = m_western;
    m_edit.field = m_western ? YearField : EraField;
}

void DateInput::beginEdit()
{
    m_aside.reset();
    resetEdit();
    m_edit.fresh = true;
    if (!m_value) {
        return;
    }
    const QDate &d = *m_value;
    const auto era = m_western ? std::nullopt : eraOf(d);
    if (era) {
        m_edit.westernLayout = false;
        m_edit.era = era->name;
        m_edit.parts[YearField] = QString::number(era->year).rightJustified(2, u'0');
    } else {
        m_edit.westernLayout = true;
        m_edit.parts[YearField] = QString::number(d.year());
    }
    m_edit.parts[MonthField] = QString::number(d.month()).rightJustified(2, u'0');
    m_edit.parts[DayField] = QString::number(d.day()).rightJustified(2, u'0');
    m_edit.field = Done;
}

void DateInput::clearEdit()
{
    m_aside.reset();
    resetEdit();
}

bool DateInput::isEditEmpty() const
{
    return m_edit.era.isEmpty() && m_edit.parts[YearField].isEmpty() && m_edit.parts[MonthField].isEmpty() &&
           m_edit.parts[DayField].isEmpty();
}

int DateInput::widthOf(const Edit &edit, int field)
{
    return field == YearField && edit.westernLayout ? 4 : 2;
}

void DateInput::advance()
{
    m_edit.field = std::min<int>(m_edit.field + 1, Done);
}

bool DateInput::typeText(const QString &text)
{
    if (text.size() > kMaxInput) {
        return false;
    }
    const QString normal = text.normalized(QString::NormalizationForm_KC);
    if (normal.size() > kMaxInput) {
        return false;
    }
    if (normal.isEmpty()) {
        return true;
    }
    const Edit saved = m_edit;
    if (m_edit.fresh) {
        resetEdit();
    }
    for (const QChar c : normal) {
        if (!typeChar(c)) {
            m_edit = saved;
            return false;
        }
    }
    m_aside.reset();
    return true;
}

bool DateInput::typeChar(QChar c)
{
    if (!m_edit.eraTail.isEmpty() && c == m_edit.eraTail.at(0)) {
        m_edit.eraTail.remove(0, 1);
        return true;
    }
    m_edit.eraTail.clear();
    if (isAsciiDigit(c)) {
        return typeDigit(c);
    }
    if (isSeparator(c)) {
        return typeSeparator();
    }
    if (isAsciiLetter(c)) {
        return typeEraInitial(c);
    }
    if (c == kGannen) {
        if (m_edit.westernLayout || m_edit.era.isEmpty() || m_edit.field != YearField ||
            !m_edit.parts[YearField].isEmpty()) {
            return false;
        }
        m_edit.parts[YearField] = QStringLiteral("01");
        advance();
        return true;
    }
    return typeEraKanji(c);
}

bool DateInput::typeDigit(QChar c)
{
    if (m_edit.field == EraField) {
        // A date that starts with a digit in era mode is a Western date.
        m_edit.westernLayout = true;
        m_edit.field = YearField;
    }
    if (m_edit.field == Done) {
        return false;
    }
    const int field = m_edit.field;
    const int width = fieldWidth(field);
    QString part = m_edit.parts[field] + c;
    // A month can only begin with 0 or 1 and a day with 0..3: close it at once.
    if (part.size() == 1 && ((field == MonthField && c > u'1') || (field == DayField && c > u'3'))) {
        part.prepend(u'0');
    }
    if (part.size() == width && !partPossible(field, part)) {
        return false;
    }
    m_edit.parts[field] = part;
    if (part.size() == width) {
        advance();
    }
    return true;
}

bool DateInput::typeSeparator()
{
    const int field = m_edit.field;
    if (field == Done || field == EraField || m_edit.parts[field].isEmpty()) {
        return true; // nothing to close
    }
    const int width = fieldWidth(field);
    if (width == 4) {
        return false; // a Western year has four digits
    }
    const QString part = m_edit.parts[field].rightJustified(width, u'0');
    if (!partPossible(field, part)) {
        return false;
    }
    m_edit.parts[field] = part;
    advance();
    return true;
}

bool DateInput::canStartEra() const
{
    if (m_western || m_edit.westernLayout) {
        return false;
    }
    return m_edit.field == EraField || (m_edit.field == YearField && m_edit.parts[YearField].isEmpty());
}

void DateInput::startEra(const QString &name)
{
    m_edit.westernLayout = false;
    m_edit.era = name;
    m_edit.parts[YearField].clear();
    m_edit.field = YearField;
}

bool DateInput::typeEraInitial(QChar c)
{
    if (!canStartEra()) {
        return false;
    }
    const Era *era = eraByInitial(c);
    if (!era) {
        return false;
    }
    startEra(era->name);
    return true;
}

bool DateInput::typeEraKanji(QChar c)
{
    if (!canStartEra()) {
        return false;
    }
    // Each era name has its own first character, so that one decides.
    const Era *era = nullptr;
    for (const Era &candidate : eraTable()) {
        if (!candidate.name.isEmpty() && candidate.name.at(0) == c) {
            era = &candidate;
            break;
        }
    }
    if (!era) {
        return false;
    }
    startEra(era->name);
    m_edit.eraTail = era->name.mid(1);
    return true;
}

void DateInput::backspace()
{
    m_aside.reset();
    if (m_edit.fresh) {
        clearEdit();
        return;
    }
    m_edit.eraTail.clear();
    int field = m_edit.field == Done ? int(DayField) : m_edit.field;
    while (field >= YearField) {
        QString &part = m_edit.parts[field];
        if (!part.isEmpty()) {
            part.chop(1);
            break;
        }
        if (field == YearField) {
            if (!m_edit.era.isEmpty()) {
                m_edit.era.clear();
                field = EraField;
            }
            break;
        }
        --field;
    }
    m_edit.field = field;
    if (isEditEmpty()) {
        resetEdit();
    }
}

QString DateInput::editText() const
{
    return textOf(m_edit);
}

QString DateInput::textOf(const Edit &edit)
{
    const QString year = padded(edit.parts[YearField], widthOf(edit, YearField));
    const QString rest = u'年' + padded(edit.parts[MonthField], 2) + u'月' + padded(edit.parts[DayField], 2) + u'日';
    if (edit.westernLayout) {
        return year + rest;
    }
    const QString era = edit.era.isEmpty() ? QString(2, kPrompt) : edit.era;
    return era + u' ' + year + rest;
}

int DateInput::editCursor() const
{
    if (m_edit.field == Done) {
        return int(editText().size());
    }
    const int eraWidth = m_edit.westernLayout ? -1 : int(m_edit.era.isEmpty() ? 2 : m_edit.era.size());
    int start = 0;
    for (int field = EraField; field < m_edit.field; ++field) {
        if (field == EraField) {
            start += eraWidth + 1; // the era and its blank; nothing in Western layout
        } else {
            start += fieldWidth(field) + 1; // the digits and 年 or 月
        }
    }
    return start + int(m_edit.parts[m_edit.field].size());
}

QString DateInput::editTextForParse() const
{
    const QString date = m_edit.parts[YearField] + u'/' + m_edit.parts[MonthField] + u'/' + m_edit.parts[DayField];
    return m_edit.westernLayout ? date : m_edit.era + u' ' + date;
}

bool DateInput::commitEdit()
{
    if (m_edit.fresh) {
        return true;
    }
    if (isEditEmpty()) {
        m_value.reset();
        beginEdit();
        return true;
    }
    const auto date = parse(editTextForParse(), m_mode);
    if (!date) {
        return false;
    }
    m_value = date;
    beginEdit();
    return true;
}

bool DateInput::leaveEdit()
{
    if (commitEdit()) {
        return true;
    }
    const Edit typed = m_edit;
    beginEdit();
    m_aside = typed;
    return false;
}

void DateInput::resumeEdit()
{
    if (m_aside) {
        m_edit = *m_aside;
        m_aside.reset();
    }
}

bool DateInput::holdsUnfinishedTyping() const
{
    return m_aside || (!m_edit.fresh && !isEditEmpty() && !parse(editTextForParse(), m_mode));
}

QString DateInput::unfinishedText() const
{
    return m_aside ? textOf(*m_aside) : editText();
}

} // namespace common
