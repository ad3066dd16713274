#pragma once
// Journal texts for the report tests, as they are typed on the journal page.

#include <QString>
#include <QStringList>

namespace printingtest {

// A text of exactly `length` characters: paragraphs longer than a line of the
// frame with and without blanks to break at, short ones, empty ones,
// half-width kana with their sound marks and one CR LF line ending.
inline QString journalText(int length)
{
    const QStringList paragraphs{
        QStringLiteral("本日は晴天なり。午前中に山田商事を訪問し、来月分の見積書を提出した。先方の担当者は鈴木課長で、"
                       "納期について再度の確認を求められたため、午後に工場へ問い合わせることとした。"),
        QStringLiteral("ｶﾞｿﾘﾝ代 4,280円（ﾚｼｰﾄ有り）。ﾊﾟｰｷﾝｸﾞ代は別途精算。"),
        QString(),
        QStringLiteral("Order No. ABC-2007/04-0815 was received by FAX at 14:30; the delivery date is to be confirmed "
                       "by Friday."),
        QStringLiteral("売上額と仕入額の集計は月末に行う。").repeated(5),
        QStringLiteral("来客二件。"),
    };
    QString text;
    for (int i = 0; text.size() < length; ++i) {
        if (i > 0) {
            text += i == 8 ? QStringLiteral("\r\n") : QStringLiteral("\n");
        }
        const QString &paragraph = paragraphs.at(i % paragraphs.size());
        text += paragraph.isEmpty() ? paragraph : QStringLiteral("【%1】").arg(i + 1) + paragraph;
    }
    text.truncate(length);
    return text;
}

// `count` short paragraphs, one line each in the frame.
inline QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i) {
        lines.append(QStringLiteral("第%1行　本日の業務について記す。").arg(i));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace printingtest
