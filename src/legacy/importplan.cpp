#include "legacy/importplan.h"

#include "common/formats.h"

#include <QHash>
#include <QLocale>
#include <QSet>

#include <cmath>

namespace legacy {

namespace {

const QString kJournalTable = QStringLiteral("業務日誌");
const QString kSettingsTable = QStringLiteral("自社情報");
const QString kHintTable = QStringLiteral("ClHint");

// Jet counts days from this one; a date of 0 is "no date" to the earlier program.
const QDate kJetEpoch{1899, 12, 30};

QString orEmpty(const std::optional<QString> &value)
{
    return value.value_or(QString());
}

QString grouped(qint64 value)
{
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(value);
}

// Why a row's date keeps it out; nothing when the day can be brought over.
std::optional<QString> dateProblem(const LegacyDay &day)
{
    if (!day.date) {
        return QStringLiteral("日付がありません。");
    }
    const QDate date = dayOf(*day.date);
    if (date == kJetEpoch) {
        return QStringLiteral("日付が 1899/12/30 です（以前の版で日付が空のときの値）。");
    }
    if (!date.isValid() || date < common::kFirstDate || date > common::kLastDate) {
        return QStringLiteral("日付が入力できる範囲（%1～%2）の外です。")
            .arg(common::kFirstDate.toString(QStringLiteral("yyyy/MM/dd")),
                 common::kLastDate.toString(QStringLiteral("yyyy/MM/dd")));
    }
    return std::nullopt;
}

} // namespace

QDate dayOf(double stored)
{
    // Beyond Jet's own range (years 100 to 9999) lies damage, not a day.
    if (!std::isfinite(stored) || std::fabs(stored) > 3'000'000.0) {
        return {};
    }
    return QDate::fromJulianDay(kJetEpoch.toJulianDay() + qint64(std::trunc(stored)));
}

QString storedDateText(const std::optional<double> &date)
{
    if (!date) {
        return {};
    }
    const QDate day = dayOf(*date);
    if (!day.isValid()) {
        return QString::number(*date, 'g', 17);
    }
    // The time of day is the fraction, whatever the sign of the day.
    const double fraction = std::fabs(*date - std::trunc(*date));
    const int seconds = std::min(86'399, int(std::lround(fraction * 86'400.0)));
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" %1:%2:%3")
                                                            .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                                                            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                                            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

WholeYen wholeYen(const QString &stored)
{
    using Verdict = WholeYen::Verdict;
    // Plain decimal notation only: a sign, digits, maybe a point and more digits.
    qsizetype at = 0;
    const bool negative = stored.startsWith(QLatin1Char('-'));
    if (negative || stored.startsWith(QLatin1Char('+'))) {
        at = 1;
    }
    const qsizetype point = stored.indexOf(QLatin1Char('.'), at);
    const QStringView whole = QStringView(stored).mid(at, point < 0 ? -1 : point - at);
    const QStringView fraction = point < 0 ? QStringView() : QStringView(stored).mid(point + 1);
    const auto allDigits = [](QStringView digits) {
        return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if ((whole.isEmpty() && fraction.isEmpty()) || !allDigits(whole) || !allDigits(fraction)) {
        return {Verdict::NotANumber, 0};
    }
    QStringView significant = whole;
    while (significant.size() > 1 && significant.front() == u'0') {
        significant = significant.mid(1);
    }
    if (significant.size() > 11) {
        return {Verdict::OutOfRange, 0};
    }
    qint64 value = significant.isEmpty() ? 0 : significant.toLongLong();
    const bool hasFraction = std::any_of(fraction.begin(), fraction.end(), [](QChar c) { return c != u'0'; });
    // Half away from zero: a fraction of one half or more ends on the next yen.
    if (!fraction.isEmpty() && fraction.front() >= u'5') {
        ++value;
    }
    if (negative) {
        value = -value;
    }
    if (value < -common::kAmountLimit || value > common::kAmountLimit) {
        return {Verdict::OutOfRange, 0};
    }
    return {hasFraction ? Verdict::Rounded : Verdict::Whole, value};
}

QString withOwnLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

ReportLine journalLine(const LegacyDay &day, const QString &reason, bool imported)
{
    ReportLine line;
    line.table = kJournalTable;
    line.row = day.row;
    line.date = storedDateText(day.date);
    for (int column = 0; column < 4; ++column) {
        line.amounts[column] = orEmpty(day.amounts[column]);
    }
    line.text = orEmpty(day.text);
    line.imported = imported;
    line.reason = reason;
    return line;
}

ImportPlan planImport(const LegacyData &data)
{
    ImportPlan plan;
    plan.journalRowsRead = data.days.size();
    QHash<QDate, int> firstRowOfDay;
    for (const LegacyDay &day : data.days) {
        if (const auto problem = dateProblem(day)) {
            plan.report.append(journalLine(day, *problem, false));
            continue;
        }
        const QDate date = dayOf(*day.date);
        if (const auto first = firstRowOfDay.constFind(date); first != firstRowOfDay.cend()) {
            plan.report.append(
                journalLine(day, QStringLiteral("同じ日付の記録が先にあります（%1 行目）。").arg(*first), false));
            continue;
        }
        PlannedDay planned;
        planned.record.date = date;
        planned.record.text = withOwnLineBreaks(orEmpty(day.text));
        planned.source = day;
        QStringList rounded;
        std::optional<QString> refused;
        for (int column = 0; column < 4 && !refused; ++column) {
            const auto &stored = day.amounts[column];
            if (!stored) {
                continue;
            }
            const QString caption = store::columnCaption(store::kAmountColumns[column]);
            const WholeYen yen = wholeYen(*stored);
            switch (yen.verdict) {
            case WholeYen::Verdict::Whole:
                break;
            case WholeYen::Verdict::Rounded:
                rounded.append(QStringLiteral("%1 %2 → %3").arg(caption, *stored, grouped(yen.value)));
                break;
            case WholeYen::Verdict::OutOfRange:
                refused = QStringLiteral("%1 %2 が金額の範囲（±9,999,999,999）の外です。").arg(caption, *stored);
                break;
            case WholeYen::Verdict::NotANumber:
                refused = QStringLiteral("%1「%2」は金額として読めません。").arg(caption, *stored);
                break;
            }
            planned.record.amounts[store::kAmountColumns[column]] = yen.value;
        }
        if (refused) {
            plan.report.append(journalLine(day, *refused, false));
            continue;
        }
        if (!rounded.isEmpty()) {
            planned.rounded = journalLine(
                day,
                QStringLiteral("円未満を四捨五入して取り込みました（%1）。").arg(rounded.join(QStringLiteral("、"))),
                true);
        }
        firstRowOfDay.insert(date, day.row);
        plan.days.append(std::move(planned));
    }

    for (qsizetype at = 0; at < data.settings.size(); ++at) {
        const LegacySettingsRow &row = data.settings.at(at);
        ReportLine line;
        line.table = kSettingsTable;
        line.row = int(at + 1);
        line.text = QStringLiteral("年号=%1、LineColor1=%2").arg(orEmpty(row.era), orEmpty(row.lineColour));
        if (at > 0) {
            line.reason = QStringLiteral("設定は 1 行目だけを使います。");
            plan.report.append(line);
            continue;
        }
        store::Settings settings;
        if (row.era) {
            settings.era = *row.era;
        }
        const WholeYen colour = row.lineColour ? wholeYen(*row.lineColour) : WholeYen{};
        if (colour.verdict == WholeYen::Verdict::Whole && colour.value >= 0 &&
            colour.value <= common::kColourNumberLimit) {
            settings.lineColour = qint32(colour.value);
        } else if (row.lineColour) {
            line.imported = true;
            line.reason =
                QStringLiteral("罫線の色 %1 は色の番号ではないため、黒（0）にしました。").arg(*row.lineColour);
            plan.report.append(line);
        }
        plan.settings = settings;
    }

    QSet<QPair<QString, QString>> keys;
    for (qsizetype at = 0; at < data.hints.size(); ++at) {
        const LegacyHint &hint = data.hints.at(at);
        const store::HintKey key{orEmpty(hint.formName), orEmpty(hint.ctlName)};
        std::optional<QString> problem;
        if (key.isEmpty()) {
            problem = QStringLiteral("ヒントの画面名かボタン名がありません。");
        } else if (keys.contains({key.formName, key.ctlName})) {
            problem = QStringLiteral("同じ画面とボタンのヒントが先にあります。");
        }
        if (problem) {
            ReportLine line;
            line.table = kHintTable;
            line.row = int(at + 1);
            line.text = QStringLiteral("FormName=%1、CtlName=%2、FormTitle=%3、Contents=%4")
                            .arg(key.formName, key.ctlName, orEmpty(hint.formTitle), orEmpty(hint.contents));
            line.reason = *problem;
            plan.report.append(line);
            continue;
        }
        keys.insert({key.formName, key.ctlName});
        std::optional<QString> contents;
        if (hint.contents) {
            contents = withOwnLineBreaks(*hint.contents);
        }
        plan.hints.append(store::Hint{key, orEmpty(hint.formTitle), contents});
    }
    return plan;
}

} // namespace legacy
