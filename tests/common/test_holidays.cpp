// Japan's public holidays: well-known days, the rules' boundaries, and every
// day of 1955-2050 against the holiday list of Debian's python3-holidays.

#include "common/holidays.h"

#include <QMap>
#include <QProcess>
#include <QTest>

using namespace common;
using namespace Qt::StringLiterals;

namespace {

constexpr int kFirstCompared = 1955;
constexpr int kLastCompared = 2050;

// Prints "yyyy-mm-dd<TAB>name" for every holiday the package knows. Debian's
// python3 is named by its path: another python3 may come first on PATH.
const char kLister[] = R"(
import sys, holidays
for year in range(int(sys.argv[1]), int(sys.argv[2]) + 1):
    for day, name in sorted(holidays.Japan(years=year).items()):
        print(day.isoformat() + "\t" + name)
)";

// The days where the package's version in Debian (0.10.1) is wrong or names a
// day otherwise; each is listed with what both sides say.
struct KnownDifference
{
    QDate date;
    const char16_t *ours;   // empty: no holiday
    const char16_t *theirs; // empty: no holiday
    const char *why;
};

const KnownDifference kKnownDifferences[] = {
    // 建国記念の日 was first kept in 1967; the package has it from its first year.
    {{1955, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1956, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1957, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1958, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1959, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1960, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1961, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1962, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1963, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1964, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1965, 2, 11}, u"", u"建国記念の日", "before 1967"},
    {{1966, 2, 11}, u"", u"建国記念の日", "before 1967"},
    // The one-off days off of their own laws are missing from the package.
    {{1959, 4, 10}, u"皇太子・明仁親王の結婚の儀", u"", "one-off day missing"},
    {{1989, 2, 24}, u"昭和天皇の大喪の礼", u"", "one-off day missing"},
    {{1990, 11, 12}, u"即位礼正殿の儀", u"", "one-off day missing"},
    {{1993, 6, 9}, u"皇太子・徳仁親王の結婚の儀", u"", "one-off day missing"},
    // 2019's days of the enthronement: the package writes the law's longer wording.
    {{2019, 5, 1}, u"即位の日", u"天皇の即位の日", "longer name"},
    {{2019, 10, 22}, u"即位礼正殿の儀", u"即位礼正殿の儀が行われる日", "longer name"},
    // 体育の日 became スポーツの日 in 2020; the package keeps the old name.
    {{2020, 7, 24}, u"スポーツの日", u"体育の日", "old name"},
    {{2022, 10, 10}, u"スポーツの日", u"体育の日", "old name"},
    {{2023, 10, 9}, u"スポーツの日", u"体育の日", "old name"},
    {{2024, 10, 14}, u"スポーツの日", u"体育の日", "old name"},
    {{2025, 10, 13}, u"スポーツの日", u"体育の日", "old name"},
    {{2026, 10, 12}, u"スポーツの日", u"体育の日", "old name"},
    {{2027, 10, 11}, u"スポーツの日", u"体育の日", "old name"},
    {{2028, 10, 9}, u"スポーツの日", u"体育の日", "old name"},
    {{2029, 10, 8}, u"スポーツの日", u"体育の日", "old name"},
    {{2030, 10, 14}, u"スポーツの日", u"体育の日", "old name"},
    {{2031, 10, 13}, u"スポーツの日", u"体育の日", "old name"},
    {{2032, 10, 11}, u"スポーツの日", u"体育の日", "old name"},
    {{2033, 10, 10}, u"スポーツの日", u"体育の日", "old name"},
    {{2034, 10, 9}, u"スポーツの日", u"体育の日", "old name"},
    {{2035, 10, 8}, u"スポーツの日", u"体育の日", "old name"},
    {{2036, 10, 13}, u"スポーツの日", u"体育の日", "old name"},
    {{2037, 10, 12}, u"スポーツの日", u"体育の日", "old name"},
    {{2038, 10, 11}, u"スポーツの日", u"体育の日", "old name"},
    {{2039, 10, 10}, u"スポーツの日", u"体育の日", "old name"},
    {{2040, 10, 8}, u"スポーツの日", u"体育の日", "old name"},
    {{2041, 10, 14}, u"スポーツの日", u"体育の日", "old name"},
    {{2042, 10, 13}, u"スポーツの日", u"体育の日", "old name"},
    {{2043, 10, 12}, u"スポーツの日", u"体育の日", "old name"},
    {{2044, 10, 10}, u"スポーツの日", u"体育の日", "old name"},
    {{2045, 10, 9}, u"スポーツの日", u"体育の日", "old name"},
    {{2046, 10, 8}, u"スポーツの日", u"体育の日", "old name"},
    {{2047, 10, 14}, u"スポーツの日", u"体育の日", "old name"},
    {{2048, 10, 12}, u"スポーツの日", u"体育の日", "old name"},
    {{2049, 10, 11}, u"スポーツの日", u"体育の日", "old name"},
    {{2050, 10, 10}, u"スポーツの日", u"体育の日", "old name"},
    // Substitute holidays its table of years forgets: こどもの日 on Sunday 1974-05-05,
    // 天皇誕生日 on a Sunday 2/23 after 2020.
    {{1974, 5, 6}, u"振替休日", u"", "substitute missing"},
    {{2025, 2, 24}, u"振替休日", u"", "substitute missing"},
    {{2031, 2, 24}, u"振替休日", u"", "substitute missing"},
    {{2042, 2, 24}, u"振替休日", u"", "substitute missing"},
    {{2048, 2, 24}, u"振替休日", u"", "substitute missing"},
    // 2021's Olympic moves came after the package's release: it keeps the usual days.
    {{2021, 7, 19}, u"", u"海の日", "2021 move"},
    {{2021, 7, 22}, u"海の日", u"", "2021 move"},
    {{2021, 7, 23}, u"スポーツの日", u"", "2021 move"},
    {{2021, 8, 8}, u"山の日", u"", "2021 move"},
    {{2021, 8, 9}, u"振替休日", u"", "2021 move"},
    {{2021, 8, 11}, u"", u"山の日", "2021 move"},
    {{2021, 10, 11}, u"", u"体育の日", "2021 move"},
};

// Day -> name, from the package; empty when python3-holidays is missing.
QMap<QDate, QString> packageHolidays(QString &why)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(kLister),
                                                      QString::number(kFirstCompared), QString::number(kLastCompared)});
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        why = QString::fromUtf8(python.readAllStandardError()) + python.errorString();
        return {};
    }
    QMap<QDate, QString> days;
    const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QStringList fields = line.split(u'\t');
        days.insert(QDate::fromString(fields.value(0), Qt::ISODate), fields.value(1));
    }
    return days;
}

bool packageInstalled()
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import holidays")});
    return python.waitForFinished(30000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

} // namespace

class TestHolidays : public QObject
{
    Q_OBJECT

private slots:
    void wellKnownDays_data();
    void wellKnownDays();
    void rulesHoldInEveryYear();
    void agreesWithPythonHolidays();
    void weekdayTexts_data();
    void weekdayTexts();
    void dayColours_data();
    void dayColours();
};

void TestHolidays::wellKnownDays_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *tag, QDate date, const char16_t *name) {
        QTest::newRow(tag) << date << QString::fromUtf16(name);
    };
    row("before the law", QDate(1948, 5, 5), u"");
    row("law's first holiday", QDate(1948, 9, 23), u"秋分の日");
    row("first 元日", QDate(1949, 1, 1), u"元日");
    row("1959 wedding", QDate(1959, 4, 10), u"皇太子・明仁親王の結婚の儀");
    row("no substitute before 1973-04-12", QDate(1973, 2, 12), u"");
    row("first substitute", QDate(1973, 4, 30), u"振替休日");
    row("敬老の日 not yet", QDate(1965, 9, 15), u"");
    row("first 敬老の日", QDate(1966, 9, 15), u"敬老の日");
    row("first 建国記念の日", QDate(1967, 2, 11), u"建国記念の日");
    row("5/4 on a Saturday before the law", QDate(1985, 5, 4), u"");
    row("5/4 a Sunday", QDate(1986, 5, 4), u"");
    row("5/4 substitute for Sunday 5/3", QDate(1987, 5, 4), u"振替休日");
    row("first 国民の休日", QDate(1988, 5, 4), u"国民の休日");
    row("1989 funeral", QDate(1989, 2, 24), u"昭和天皇の大喪の礼");
    row("みどりの日 on 4/29", QDate(1989, 4, 29), u"みどりの日");
    row("1990 enthronement", QDate(1990, 11, 12), u"即位礼正殿の儀");
    row("1993 wedding", QDate(1993, 6, 9), u"皇太子・徳仁親王の結婚の儀");
    row("海の日 not yet", QDate(1995, 7, 20), u"");
    row("first 海の日", QDate(1996, 7, 20), u"海の日");
    row("成人の日 fixed", QDate(1999, 1, 15), u"成人の日");
    row("成人の日 Monday", QDate(2000, 1, 10), u"成人の日");
    row("1/15 after 2000", QDate(2000, 1, 15), u"");
    row("体育の日 Monday", QDate(2000, 10, 9), u"体育の日");
    row("海の日 Monday", QDate(2003, 7, 21), u"海の日");
    row("敬老の日 Monday", QDate(2003, 9, 15), u"敬老の日");
    row("old substitute", QDate(2006, 1, 2), u"振替休日");
    row("last 5/4 国民の休日", QDate(2006, 5, 4), u"国民の休日");
    row("昭和の日", QDate(2007, 4, 29), u"昭和の日");
    row("2007 substitute", QDate(2007, 4, 30), u"振替休日");
    row("みどりの日 on 5/4", QDate(2007, 5, 4), u"みどりの日");
    row("2007-05-06 a Sunday", QDate(2007, 5, 6), u"");
    row("substitute after two holidays", QDate(2008, 5, 6), u"振替休日");
    row("September 国民の休日", QDate(2009, 9, 22), u"国民の休日");
    row("山の日 not yet", QDate(2015, 8, 11), u"");
    row("first 山の日", QDate(2016, 8, 11), u"山の日");
    row("last 12/23 天皇誕生日", QDate(2018, 12, 23), u"天皇誕生日");
    row("substitute on 12/24", QDate(2018, 12, 24), u"振替休日");
    row("2019 4/30", QDate(2019, 4, 30), u"国民の休日");
    row("2019 即位の日", QDate(2019, 5, 1), u"即位の日");
    row("2019 5/2", QDate(2019, 5, 2), u"国民の休日");
    row("2019 即位礼正殿の儀", QDate(2019, 10, 22), u"即位礼正殿の儀");
    row("no 天皇誕生日 in 2019", QDate(2019, 12, 23), u"");
    row("no 2/23 in 2019", QDate(2019, 2, 23), u"");
    row("last 体育の日", QDate(2019, 10, 14), u"体育の日");
    row("first 2/23", QDate(2020, 2, 23), u"天皇誕生日");
    row("2/23 substitute", QDate(2020, 2, 24), u"振替休日");
    row("2020 海の日", QDate(2020, 7, 23), u"海の日");
    row("2020 スポーツの日", QDate(2020, 7, 24), u"スポーツの日");
    row("2020 山の日", QDate(2020, 8, 10), u"山の日");
    row("2020 no October holiday", QDate(2020, 10, 12), u"");
    row("2020 no 8/11", QDate(2020, 8, 11), u"");
    row("2021 海の日", QDate(2021, 7, 22), u"海の日");
    row("2021 スポーツの日", QDate(2021, 7, 23), u"スポーツの日");
    row("2021 山の日", QDate(2021, 8, 8), u"山の日");
    row("2021 山の日 substitute", QDate(2021, 8, 9), u"振替休日");
    row("2021 no third Monday of July", QDate(2021, 7, 19), u"");
    row("2021 no October holiday", QDate(2021, 10, 11), u"");
    row("スポーツの日 Monday", QDate(2022, 10, 10), u"スポーツの日");
    row("春分 1960", QDate(1960, 3, 20), u"春分の日");
    row("春分 2024", QDate(2024, 3, 20), u"春分の日");
    row("秋分 1979", QDate(1979, 9, 24), u"秋分の日");
    row("秋分 2012", QDate(2012, 9, 22), u"秋分の日");
    row("last day", QDate(2099, 12, 31), u"");
    row("out of range", QDate(2100, 1, 1), u"");
    row("invalid", QDate(), u"");
}

void TestHolidays::wellKnownDays()
{
    QFETCH(QDate, date);
    QFETCH(QString, name);
    QCOMPARE(holidayName(date), name);
    QCOMPARE(isHoliday(date), !name.isEmpty());
}

void TestHolidays::rulesHoldInEveryYear()
{
    for (int year = 1948; year <= 2099; ++year) {
        const std::vector<Holiday> days = holidaysOf(year);
        QVERIFY2(days.size() >= (year == 1948 ? 3 : 9) && days.size() <= 22, qPrintable(QString::number(year)));
        int equinoxes = 0;
        for (std::size_t i = 0; i < days.size(); ++i) {
            const Holiday &day = days[i];
            const QString at = day.date.toString(Qt::ISODate) + u' ' + day.name;
            QCOMPARE(day.date.year(), year);
            QVERIFY2(i == 0 || days[i - 1].date < day.date, qPrintable(at));
            QCOMPARE(holidayName(day.date), day.name);
            if (day.name == u"春分の日" || day.name == u"秋分の日") {
                ++equinoxes;
                QVERIFY2(day.date.day() >= 19 && day.date.day() <= 24, qPrintable(at));
            }
            if (day.name == u"振替休日") {
                // A chain of holidays back to one on a Sunday, the day before when before 2007.
                QVERIFY2(day.date.dayOfWeek() != Qt::Sunday, qPrintable(at));
                QDate back = day.date.addDays(-1);
                while (year >= 2007 && back.dayOfWeek() != Qt::Sunday && isHoliday(back)) {
                    back = back.addDays(-1);
                }
                QVERIFY2(back.dayOfWeek() == Qt::Sunday && isHoliday(back), qPrintable(at));
            } else if (day.name == u"国民の休日") {
                QVERIFY2(isHoliday(day.date.addDays(-1)) && isHoliday(day.date.addDays(1)), qPrintable(at));
                QVERIFY2(day.date.dayOfWeek() != Qt::Sunday, qPrintable(at));
            } else if (day.date.dayOfWeek() == Qt::Sunday && day.date >= QDate(1973, 4, 12)) {
                // Every named day on a Sunday leaves a substitute after it.
                QDate next = day.date.addDays(1);
                while (holidayName(next) != u"振替休日" && isHoliday(next) && year >= 2007) {
                    next = next.addDays(1);
                }
                QVERIFY2(isHoliday(next), qPrintable(at));
            }
        }
        QCOMPARE(equinoxes, year == 1948 ? 1 : 2); // the law began after the spring equinox
        // A weekday between two named days is a day off.
        for (QDate day(year, 1, 2); day.year() == year && day < QDate(2099, 12, 31); day = day.addDays(1)) {
            const bool between = isHoliday(day.addDays(-1)) && isHoliday(day.addDays(1)) &&
                                 holidayName(day.addDays(-1)) != u"振替休日" &&
                                 holidayName(day.addDays(1)) != u"振替休日" && day >= QDate(1988, 1, 1) &&
                                 day.dayOfWeek() != Qt::Sunday;
            QVERIFY2(!between || isHoliday(day), qPrintable(day.toString(Qt::ISODate)));
        }
    }
    QVERIFY(holidaysOf(1947).empty());
    QVERIFY(holidaysOf(2100).empty());
}

void TestHolidays::agreesWithPythonHolidays()
{
    if (!packageInstalled()) {
        QSKIP("python3-holidays is not installed for /usr/bin/python3");
    }
    QString why;
    const QMap<QDate, QString> theirs = packageHolidays(why);
    QVERIFY2(!theirs.isEmpty(), qPrintable(why));

    QMap<QDate, const KnownDifference *> known;
    for (const KnownDifference &difference : kKnownDifferences) {
        known.insert(difference.date, &difference);
    }
    QStringList unexplained;
    QList<QDate> explained;
    for (QDate day(kFirstCompared, 1, 1); day.year() <= kLastCompared; day = day.addDays(1)) {
        const QString ours = holidayName(day);
        const QString package = theirs.value(day);
        if (ours == package) {
            continue;
        }
        const KnownDifference *difference = known.value(day);
        if (difference && ours == QString::fromUtf16(difference->ours) &&
            package == QString::fromUtf16(difference->theirs)) {
            explained.append(day);
            continue;
        }
        unexplained.append(day.toString(Qt::ISODate) + QStringLiteral(" ours=") + ours + QStringLiteral(" theirs=") +
                           package);
    }
    QVERIFY2(unexplained.isEmpty(), qPrintable(unexplained.join(u'\n')));
    // Every listed fault is still one: a list that outlives the package's mistakes hides ours.
    QCOMPARE(explained.size(), known.size());
}

void TestHolidays::weekdayTexts_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("text");
    QTest::newRow("working Monday") << QDate(2021, 5, 10) << u"（月）"_s << u"（月）"_s;
    QTest::newRow("holiday Monday") << QDate(2021, 5, 3) << u"（月）"_s << u"（月）憲法記念日"_s;
    QTest::newRow("substitute") << QDate(2021, 8, 9) << u"（月）"_s << u"（月）振替休日"_s;
    QTest::newRow("Friday holiday") << QDate(2021, 7, 23) << u"（金）"_s << u"（金）スポーツの日"_s;
    QTest::newRow("Saturday") << QDate(2021, 5, 8) << u"（土）"_s << u"（土）"_s;
    QTest::newRow("Sunday") << QDate(2021, 5, 9) << u"（日）"_s << u"（日）"_s;
    QTest::newRow("Tuesday") << QDate(2021, 5, 11) << u"（火）"_s << u"（火）"_s;
    QTest::newRow("Wednesday") << QDate(2021, 5, 12) << u"（水）"_s << u"（水）"_s;
    QTest::newRow("Thursday") << QDate(2021, 5, 13) << u"（木）"_s << u"（木）"_s;
    QTest::newRow("Meiji") << QDate(1868, 9, 8) << u"（火）"_s << u"（火）"_s;
    QTest::newRow("invalid") << QDate() << QString() << QString();
}

void TestHolidays::weekdayTexts()
{
    QFETCH(QDate, date);
    QFETCH(QString, mark);
    QFETCH(QString, text);
    QCOMPARE(weekdayMark(date), mark);
    QCOMPARE(weekdayAndHoliday(date), text);
}

void TestHolidays::dayColours_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("weekday") << QDate(2021, 5, 6) << QColor();
    QTest::newRow("Saturday") << QDate(2021, 5, 8) << QColor(Qt::blue);
    QTest::newRow("Sunday") << QDate(2021, 5, 9) << QColor(Qt::red);
    QTest::newRow("holiday Monday") << QDate(2021, 5, 3) << QColor(Qt::red);
    QTest::newRow("holiday Saturday") << QDate(1996, 7, 20) << QColor(Qt::red);
    QTest::newRow("Sunday before the law") << QDate(1900, 1, 7) << QColor(Qt::red);
    QTest::newRow("invalid") << QDate() << QColor();
}

void TestHolidays::dayColours()
{
    QFETCH(QDate, date);
    QFETCH(QColor, colour);
    QCOMPARE(dayColour(date), colour);
}

QTEST_GUILESS_MAIN(TestHolidays)
#include "test_holidays.moc"
