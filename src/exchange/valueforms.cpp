#include "exchange/valueforms.h"

#include "common/formats.h"

#include <QRegularExpression>

#include <algorithm>

namespace exchange {

namespace {

QString slashDate(QDate date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

bool isBlank(QChar c)
{
    return c.isSpace() || c == QChar(0x3000);
}

// Full-width digits, letters and marks as their ASCII forms, blanks dropped
// everywhere: 「令和 3年 5月 2日」 and 「¥ 1,000」 are read as typed without them.
QString compact(const QString &field)
{
    // Printable ASCII without blanks, as the export and most programs write, is its own form.
    if (std::all_of(field.cbegin(), field.cend(), [](QChar c) { return c.unicode() > u' ' && c.unicode() < 0x7F; })) {
        return field;
    }
    const QString normal = field.normalized(QString::NormalizationForm_KC);
    QString text;
    text.reserve(normal.size());
    for (const QChar c : normal) {
        if (!isBlank(c)) {
            text.append(c);
        }
    }
    return text;
}

const common::Era *eraNamed(const QString &key)
{
    for (const common::Era &era : common::eraTable()) {
        if (key == era.name || key.compare(era.initial, Qt::CaseInsensitive) == 0) {
            return &era;
        }
    }
    return nullptr;
}

} // namespace

QString quotedValue(const QString &value)
{
    constexpr qsizetype kShown = 24;
    return QStringLiteral("「%1」").arg(value.size() > kShown ? value.left(kShown) + QStringLiteral("…") : value);
}

std::optional<QString> readDate(const QString &field, QDate &date)
{
    const QString text = compact(field);
    if (text.isEmpty()) {
        return QStringLiteral("日付がありません。");
    }
    static const QRegularExpression western(QStringLiteral(R"(^([0-9]{4})([/.-])([0-9]{1,2})\2([0-9]{1,2})$)"));
    static const QRegularExpression kanji(QStringLiteral(R"(^([0-9]{4})年([0-9]{1,2})月([0-9]{1,2})日$)"));
    static const QRegularExpression compactDate(QStringLiteral(R"(^([0-9]{4})([0-9]{2})([0-9]{2})$)"));
    static const QRegularExpression eraMarks(
        QStringLiteral(R"(^([A-Za-z]|\p{Han}{2})([0-9]{1,2}|元)([/.-])([0-9]{1,2})\3([0-9]{1,2})$)"));
    static const QRegularExpression eraKanji(
        QStringLiteral(R"(^([A-Za-z]|\p{Han}{2})([0-9]{1,2}|元)年([0-9]{1,2})月([0-9]{1,2})日$)"));

    const auto unreadable = [&] { return QStringLiteral("日付として読めません（%1）。").arg(quotedValue(field)); };
    const auto toInt = [](const QString &digits) { return digits == u"元" ? 1 : digits.toInt(); };

    int year = 0;
    int month = 0;
    int day = 0;
    const common::Era *era = nullptr;
    QRegularExpressionMatch match;
    // The program's own form (yyyy/mm/dd, yyyy-mm-dd) is read without a
    // pattern: an import of a hundred years reads it hundreds of thousands of times.
    const auto digit = [&text](qsizetype at) { return text[at] >= u'0' && text[at] <= u'9'; };
    const auto number = [&text](qsizetype from, qsizetype count) {
        int value = 0;
        for (qsizetype at = from; at < from + count; ++at) {
            value = value * 10 + (text[at].unicode() - u'0');
        }
        return value;
    };
    if (text.size() == 10 && (text[4] == u'/' || text[4] == u'-' || text[4] == u'.') && text[7] == text[4] &&
        digit(0) && digit(1) && digit(2) && digit(3) && digit(5) && digit(6) && digit(8) && digit(9)) {
        year = number(0, 4);
        month = number(5, 2);
        day = number(8, 2);
    } else if ((match = western.match(text)).hasMatch()) {
        year = match.captured(1).toInt();
        month = match.captured(3).toInt();
        day = match.captured(4).toInt();
    } else if ((match = kanji.match(text)).hasMatch() || (match = compactDate.match(text)).hasMatch()) {
        year = match.captured(1).toInt();
        month = match.captured(2).toInt();
        day = match.captured(3).toInt();
    } else if ((match = eraMarks.match(text)).hasMatch() || (match = eraKanji.match(text)).hasMatch()) {
        era = eraNamed(match.captured(1));
        if (!era) {
            return unreadable();
        }
        const bool marks = match.lastCapturedIndex() == 5;
        year = era->yearOne + toInt(match.captured(2)) - 1;
        month = match.captured(marks ? 4 : 3).toInt();
        day = match.captured(marks ? 5 : 4).toInt();
        if (toInt(match.captured(2)) == 0) {
            return unreadable();
        }
    } else {
        return unreadable();
    }

    const QDate read(year, month, day);
    if (!read.isValid()) {
        return QStringLiteral("その日付はありません（%1）。").arg(quotedValue(field));
    }
    if (read < common::kFirstDate || read > common::kLastDate) {
        return QStringLiteral("日付が %1〜%2 の外です（%3）。")
            .arg(slashDate(common::kFirstDate), slashDate(common::kLastDate), quotedValue(field));
    }
    if (era && (read < era->first || read > era->last)) {
        return QStringLiteral("%1 は %2 の日付ではありません（%3）。")
            .arg(slashDate(read), era->name, quotedValue(field));
    }
    date = read;
    return std::nullopt;
}

std::optional<QString> readAmount(const QString &field, store::Amount &amount)
{
    amount.reset();
    QString text = compact(field);
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const auto unreadable = [&] { return QStringLiteral("金額として読めません（%1）。").arg(quotedValue(field)); };
    // The sign and the yen marks around the number, in either order: ¥-1,000, -¥1,000, △1,000円, (¥1,000).
    bool negative = false;
    if (text.startsWith(u'(') && text.endsWith(u')') && text.size() > 2) {
        negative = true;
        text = text.mid(1, text.size() - 2);
    }
    const auto takeSign = [&] {
        if (!text.isEmpty() && (text[0] == u'-' || text[0] == QChar(0x2212) || text[0] == u'△' || text[0] == u'▲')) {
            if (negative) {
                return false; // (−1,000): two minus signs
            }
            negative = true;
            text.remove(0, 1);
        }
        return true;
    };
    if (!takeSign()) {
        return unreadable();
    }
    if (text.startsWith(u'¥') || text.startsWith(u'\\')) {
        text.remove(0, 1);
        if (!takeSign()) {
            return unreadable();
        }
    } else if (text.endsWith(u'円')) {
        text.chop(1);
    }

    // Digits, grouped by commas in threes or not at all, then perhaps a fraction:
    // read by hand, as an import reads four of them on every row.
    const auto allDigits = [](QStringView part) {
        return !part.isEmpty() && std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    const qsizetype dot = text.indexOf(u'.');
    const QStringView whole = dot < 0 ? QStringView(text) : QStringView(text).left(dot);
    const QStringView fraction = dot < 0 ? QStringView() : QStringView(text).mid(dot + 1);
    if (dot >= 0 && !allDigits(fraction)) {
        return unreadable();
    }
    QString digits;
    if (whole.contains(u',')) {
        const QList<QStringView> groups = whole.split(u',');
        if (groups.first().size() > 3 || groups.first().startsWith(u'0')) {
            return unreadable();
        }
        for (qsizetype at = 0; at < groups.size(); ++at) {
            if (!allDigits(groups.at(at)) || (at > 0 && groups.at(at).size() != 3)) {
                return unreadable();
            }
            digits += groups.at(at);
        }
    } else if (allDigits(whole)) {
        digits = whole.toString();
    } else {
        return unreadable();
    }
    if (std::any_of(fraction.begin(), fraction.end(), [](QChar c) { return c != u'0'; })) {
        return QStringLiteral("円未満の端数があります（%1）。").arg(quotedValue(field));
    }
    qsizetype firstNonZero = 0;
    while (firstNonZero + 1 < digits.size() && digits[firstNonZero] == u'0') {
        ++firstNonZero;
    }
    const QStringView value = QStringView(digits).mid(firstNonZero);
    const qint64 magnitude = value.size() > 10 ? common::kAmountLimit + 1 : value.toLongLong();
    if (magnitude > common::kAmountLimit) {
        return QStringLiteral("金額の範囲（±%1）を超えています（%2）。")
            .arg(common::formatAmount(common::kAmountLimit, common::pattern::kAmountZero), quotedValue(field));
    }
    amount = negative ? -magnitude : magnitude;
    return std::nullopt;
}

} // namespace exchange
