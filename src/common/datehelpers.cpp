// Month bounds built by text on "yyyy/mm/dd" date texts.
#include "common/datehelpers.h"

#include "common/formats.h"

#include <QRegularExpression>

namespace common {

namespace {

// The number at the start of a text, as a date text's pieces are read: blanks
// skipped, digits up to the first other character, 0 when there are none.
int leadingNumber(QStringView text)
{
    text = text.trimmed();
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            break;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// A text that reads as a date (year, month and day separated by "/", "-" or
// ".") becomes its "yyyy/mm/dd" form; any other text stays as it is.
QString normalised(const QString &dateText)
{
    static const QRegularExpression datePattern(QStringLiteral("^\\s*(\\d{4})[/.-](\\d{1,2})[/.-](\\d{1,2})\\s*$"));
    const QRegularExpressionMatch match = datePattern.match(dateText);
    if (!match.hasMatch()) {
        return dateText;
    }
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    return date.isValid() ? formatDate(date, pattern::kSlashWestern) : dateText;
}

// The "yyyy/mm/" head of a date text whose month is a real one: month bounds
// are only built on such a head.
bool hasMonthHead(const QString &text)
{
    static const QRegularExpression headPattern(QStringLiteral("^\\d{4}/(\\d{2})/"));
    const QRegularExpressionMatch match = headPattern.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    const int month = match.captured(1).toInt();
    return month >= 1 && month <= 12;
}

QString dayText(int day)
{
    return QString::number(day).rightJustified(2, u'0');
}

} // namespace

QString FirstDayOfMonth(const Clock &clock)
{
    const QString today = formatDate(clock.today(), pattern::kSlashWestern);
    if (today.isEmpty()) {
        return {};
    }
    return today.left(8) + QStringLiteral("01");
}

QString LastDayOfMonth(const Clock &clock)
{
    const QString today = formatDate(clock.today(), pattern::kSlashWestern);
    if (today.isEmpty()) {
        return {};
    }
    return normalised(today.left(8) + dayText(DaysInMonth(today)));
}

short DaysInMonth(const QString &dateText)
{
    const QString text = normalised(dateText);
    const int year = leadingNumber(QStringView(text).mid(0, 4));
    const int month = leadingNumber(QStringView(text).mid(5, 2));
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 2:
        if (year % 100 == 0) {
            return year % 400 == 0 ? 29 : 28;
        }
        return year % 4 == 0 ? 29 : 28;
    default:
        return 30;
    }
}

void MonthRange(const QString &dateText, QString &first, QString &last)
{
    if (dateText.isEmpty()) {
        return;
    }
    // Work on a copy: `first` or `last` may be the very text given.
    const QString text = normalised(dateText);
    if (!hasMonthHead(text)) {
        return;
    }
    const QString head = text.left(8);
    const QString lastDay = head + dayText(DaysInMonth(text));
    const QString firstDay = head + QStringLiteral("01");
    last = lastDay;
    first = firstDay;
}

} // namespace common
