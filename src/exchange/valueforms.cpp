#include "exchange/valueforms.h"

#include "common/formats.h"

#include <QRegularExpression>

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
    static const QRegularExpression number(QStringLiteral(R"(^([0-9]{4})([0-9]{2})([0-9]{2})$)"));
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
    if ((match = western.match(text)).hasMatch()) {
        year = match.captured(1).toInt();
        month = match.captured(3).toInt();
        day = match.captured(4).toInt();
    } else if ((match = kanji.match(text)).hasMatch() || (match = number.match(text)).hasMatch()) {
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

    static const QRegularExpression grouped(QStringLiteral(R"(^([0-9]{1,3}(?:,[0-9]{3})+|[0-9]+)(?:\.([0-9]+))?$)"));
    const QRegularExpressionMatch match = grouped.match(text);
    if (!match.hasMatch()) {
        return unreadable();
    }
    QString digits = match.captured(1);
    if (digits.contains(u',') && digits.startsWith(u'0')) {
        return unreadable();
    }
    digits.remove(u',');
    if (match.captured(2).contains(QRegularExpression(QStringLiteral("[1-9]")))) {
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
