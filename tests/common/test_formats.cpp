// Date and amount patterns, the era table and colour numbers.

#include "common/colour.h"
#include "common/formats.h"

#include <QTest>

#include <memory>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

using namespace common;

namespace {

// ICU's own date formatter, the reference for the era patterns: "y=latn"
// keeps year 1 of an era as 01 instead of 元年.
class IcuReference
{
public:
    explicit IcuReference(const char16_t *pattern)
    {
        UErrorCode status = U_ZERO_ERROR;
        m_format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(pattern), icu::UnicodeString(u"y=latn"),
                                                           icu::Locale("ja_JP@calendar=japanese"), status);
        m_ok = U_SUCCESS(status);
        m_format->setTimeZone(*icu::TimeZone::getGMT());
    }
    bool ok() const { return m_ok; }
    QString format(const QDate &date) const
    {
        const UDate noon = double(date.toJulianDay() - 2440588) * 86400000.0 + 43200000.0;
        icu::UnicodeString out;
        m_format->format(noon, out);
        return QString(reinterpret_cast<const QChar *>(out.getBuffer()), out.length());
    }

private:
    std::unique_ptr<icu::SimpleDateFormat> m_format;
    bool m_ok = false;
};

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void calendarModes_data();
    void calendarModes();
    void dates_data();
    void dates();
    void erasOfTheCalendar_data();
    void erasOfTheCalendar();
    void everyDayAgreesWithTheEraTable();
    void eraDates_data();
    void eraDates();
    void amounts_data();
    void amounts();
    void colours_data();
    void colours();
};

void TestFormats::calendarModes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("western");
    QTest::newRow("西暦") << QStringLiteral("西暦") << true;
    QTest::newRow("和暦") << QStringLiteral("和暦") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("trailing blank") << QStringLiteral("西暦 ") << false;
    QTest::newRow("other text") << QStringLiteral("Western") << false;
}

void TestFormats::calendarModes()
{
    QFETCH(QString, mode);
    QFETCH(bool, western);
    QCOMPARE(isWestern(mode), western);
    const QDate day(2007, 4, 4);
    QCOMPARE(formatDate(day, dateBoxPattern(mode)),
             western ? QStringLiteral("2007年04月04日") : QStringLiteral("平成 19年04月04日"));
    QCOMPARE(formatDate(day, calendarTitlePattern(mode)),
             western ? QStringLiteral("2007年04月") : QStringLiteral("平成 19年04月"));
    QCOMPARE(formatDate(day, gridDatePattern(mode)),
             western ? QStringLiteral("2007/04/04") : QStringLiteral("H 19/04/04"));
}

void TestFormats::dates_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");

    const QDate day(2007, 4, 4);
    QTest::newRow("western box") << day << pattern::kDateWestern << QStringLiteral("2007年04月04日");
    QTest::newRow("western slash") << day << pattern::kSlashWestern << QStringLiteral("2007/04/04");
    QTest::newRow("date number") << QDate(2004, 4, 1) << pattern::kDateNumber << QStringLiteral("20040401");
    QTest::newRow("western year 1") << QDate(1, 2, 3) << pattern::kSlashWestern << QStringLiteral("0001/02/03");
    QTest::newRow("western before the eras")
        << QDate(1868, 9, 7) << pattern::kDateWestern << QStringLiteral("1868年09月07日");
    QTest::newRow("western after the range")
        << QDate(9999, 12, 31) << pattern::kDateNumber << QStringLiteral("99991231");
    QTest::newRow("western year 10000") << QDate(10000, 1, 1) << pattern::kSlashWestern << QString();
    QTest::newRow("western negative year") << QDate(-5, 1, 1) << pattern::kSlashWestern << QString();

    QTest::newRow("era box") << day << pattern::kDateEra << QStringLiteral("平成 19年04月04日");
    QTest::newRow("era title") << day << pattern::kMonthEra << QStringLiteral("平成 19年04月");
    QTest::newRow("era slash") << day << pattern::kSlashEra << QStringLiteral("H 19/04/04");
    QTest::newRow("era single digit year")
        << QDate(2026, 12, 7) << pattern::kDateEra << QStringLiteral("令和 08年12月07日");
    // Year 1 of an era keeps its number: no 元年.
    QTest::newRow("year one with 年") << QDate(1989, 1, 8) << pattern::kDateEra << QStringLiteral("平成 01年01月08日");
    QTest::newRow("year one title") << QDate(2019, 5, 1) << pattern::kMonthEra << QStringLiteral("令和 01年05月");
    QTest::newRow("year one slash") << QDate(1926, 12, 25) << pattern::kSlashEra << QStringLiteral("S 01/12/25");
    QTest::newRow("last day of year one")
        << QDate(1868, 12, 31) << pattern::kDateEra << QStringLiteral("明治 01年12月31日");
    QTest::newRow("year two") << QDate(1869, 1, 1) << pattern::kDateEra << QStringLiteral("明治 02年01月01日");

    QTest::newRow("range start") << kFirstDate << pattern::kSlashEra << QStringLiteral("M 01/09/08");
    QTest::newRow("last day of 昭和") << QDate(1989, 1, 7) << pattern::kDateEra << QStringLiteral("昭和 64年01月07日");
    QTest::newRow("range end") << kLastDate << pattern::kDateEra << QStringLiteral("令和 81年12月31日");
    QTest::newRow("era before the range") << QDate(1868, 9, 7) << pattern::kDateEra << QString();
    QTest::newRow("era after the range") << QDate(2100, 1, 1) << pattern::kSlashEra << QString();
    QTest::newRow("invalid date western") << QDate() << pattern::kDateWestern << QString();
    QTest::newRow("invalid date era") << QDate() << pattern::kDateEra << QString();
    QTest::newRow("unknown field") << day << QStringLiteral("yyyy/mm/dd hh:nn") << QString();
    QTest::newRow("short year") << day << QStringLiteral("yy/mm/dd") << QString();
    QTest::newRow("two-letter era") << day << QStringLiteral("gg ee") << QString();
    QTest::newRow("upper case") << day << QStringLiteral("YYYY/MM/DD") << QString();
    QTest::newRow("quotes in the text") << day << QStringLiteral("'ggg' ''ee'") << QStringLiteral("'平成' ''19'");
    QTest::newRow("western year in an era pattern")
        << day << QStringLiteral("yyyy (ggg ee)") << QStringLiteral("2007 (平成 19)");
    QTest::newRow("empty pattern") << day << QString() << QString();
}

void TestFormats::dates()
{
    QFETCH(QDate, date);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(formatDate(date, pattern), expected);
}

void TestFormats::erasOfTheCalendar_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");
    QTest::newRow("明治") << 0 << QStringLiteral("明治") << QStringLiteral("M") << QDate(1868, 9, 8)
                          << QDate(1912, 7, 29);
    QTest::newRow("大正") << 1 << QStringLiteral("大正") << QStringLiteral("T") << QDate(1912, 7, 30)
                          << QDate(1926, 12, 24);
    QTest::newRow("昭和") << 2 << QStringLiteral("昭和") << QStringLiteral("S") << QDate(1926, 12, 25)
                          << QDate(1989, 1, 7);
    QTest::newRow("平成") << 3 << QStringLiteral("平成") << QStringLiteral("H") << QDate(1989, 1, 8)
                          << QDate(2019, 4, 30);
    QTest::newRow("令和") << 4 << QStringLiteral("令和") << QStringLiteral("R") << QDate(2019, 5, 1)
                          << QDate(2099, 12, 31);
}

void TestFormats::erasOfTheCalendar()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QString, initial);
    QFETCH(QDate, first);
    QFETCH(QDate, last);
    QCOMPARE(eraTable().size(), size_t(5));
    const Era &era = eraTable().at(size_t(index));
    QCOMPARE(era.name, name);
    QCOMPARE(era.initial, initial);
    QCOMPARE(era.first, first);
    QCOMPARE(era.last, last);
    QCOMPARE(era.yearOne, first.year());
}

// Walks every day of the range: both era patterns must print what ICU's own
// formatter prints, and eraOf and dateFromEra must agree with it.
void TestFormats::everyDayAgreesWithTheEraTable()
{
    const IcuReference box(u"GGGG yy年MM月dd日");
    const IcuReference slash(u"GGGGG yy/MM/dd");
    QVERIFY(box.ok() && slash.ok());
    for (QDate day = kFirstDate; day <= kLastDate; day = day.addDays(1)) {
        const QString ours = formatDate(day, pattern::kDateEra);
        const QString icus = box.format(day);
        if (ours != icus || formatDate(day, pattern::kSlashEra) != slash.format(day)) {
            QFAIL(qPrintable(QStringLiteral("%1: %2 against %3").arg(day.toString(Qt::ISODate), ours, icus)));
        }
        const std::optional<EraDate> era = eraOf(day);
        QVERIFY2(era.has_value(), qPrintable(day.toString(Qt::ISODate)));
        if (!ours.startsWith(era->name + u' ' + QString::number(era->year).rightJustified(2, u'0') + u'年')) {
            QFAIL(qPrintable(QStringLiteral("%1: %2 %3").arg(ours, era->name).arg(era->year)));
        }
        if (dateFromEra(era->name, era->year, day.month(), day.day()) != day ||
            dateFromEra(era->initial.toLower(), era->year, day.month(), day.day()) != day) {
            QFAIL(qPrintable(QStringLiteral("%1 does not read back").arg(day.toString(Qt::ISODate))));
        }
    }
    QVERIFY(!eraOf(kFirstDate.addDays(-1)));
    QVERIFY(!eraOf(kLastDate.addDays(1)));
    QVERIFY(!eraOf(QDate()));
}

void TestFormats::eraDates_data()
{
    QTest::addColumn<QString>("era");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<QDate>("expected");

    QTest::newRow("name") << QStringLiteral("平成") << 19 << 4 << 4 << QDate(2007, 4, 4);
    QTest::newRow("initial") << QStringLiteral("H") << 19 << 4 << 4 << QDate(2007, 4, 4);
    QTest::newRow("lower-case initial") << QStringLiteral("r") << 1 << 5 << 1 << QDate(2019, 5, 1);
    QTest::newRow("明治 first day") << QStringLiteral("M") << 1 << 9 << 8 << QDate(1868, 9, 8);
    QTest::newRow("昭和 64") << QStringLiteral("昭和") << 64 << 1 << 7 << QDate(1989, 1, 7);
    QTest::newRow("leap day") << QStringLiteral("平成") << 20 << 2 << 29 << QDate(2008, 2, 29);

    QTest::newRow("year past the era's end") << QStringLiteral("平成") << 32 << 1 << 1 << QDate();
    QTest::newRow("day after the era's end") << QStringLiteral("平成") << 31 << 5 << 1 << QDate();
    QTest::newRow("day before the era's start") << QStringLiteral("平成") << 1 << 1 << 7 << QDate();
    QTest::newRow("before the range") << QStringLiteral("明治") << 1 << 9 << 7 << QDate();
    QTest::newRow("after the range") << QStringLiteral("令和") << 82 << 1 << 1 << QDate();
    QTest::newRow("no such day") << QStringLiteral("平成") << 19 << 2 << 30 << QDate();
    QTest::newRow("no leap day") << QStringLiteral("平成") << 19 << 2 << 29 << QDate();
    QTest::newRow("month 13") << QStringLiteral("平成") << 19 << 13 << 1 << QDate();
    QTest::newRow("year 0") << QStringLiteral("平成") << 0 << 4 << 4 << QDate();
    QTest::newRow("negative year") << QStringLiteral("平成") << -1 << 4 << 4 << QDate();
    QTest::newRow("huge year") << QStringLiteral("平成") << std::numeric_limits<int>::max() << 4 << 4 << QDate();
    QTest::newRow("era before the range") << QStringLiteral("慶応") << 4 << 9 << 7 << QDate();
    QTest::newRow("unknown initial") << QStringLiteral("X") << 1 << 1 << 1 << QDate();
    QTest::newRow("first character only") << QStringLiteral("平") << 19 << 4 << 4 << QDate();
    QTest::newRow("empty") << QString() << 19 << 4 << 4 << QDate();
}

void TestFormats::eraDates()
{
    QFETCH(QString, era);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(QDate, expected);
    const std::optional<QDate> date = dateFromEra(era, year, month, day);
    QCOMPARE(date.value_or(QDate()), expected);
}

void TestFormats::amounts_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<std::optional<qint64>>("amount");
    QTest::addColumn<QString>("expected");

    const auto row = [](const QString &pattern, std::optional<qint64> amount, const char *expected) {
        QTest::addRow("%s %s", qPrintable(pattern), amount ? qPrintable(QString::number(*amount)) : "empty")
            << pattern << amount << QString::fromLatin1(expected);
    };
    const qint64 min = std::numeric_limits<qint64>::min();
    const qint64 max = std::numeric_limits<qint64>::max();

    row(pattern::kAmount, 0, "");
    row(pattern::kAmount, 1234567, "1,234,567");
    row(pattern::kAmount, -1500, "-1,500");
    row(pattern::kAmount, 999, "999");
    row(pattern::kAmount, -999, "-999");
    row(pattern::kAmount, 1000, "1,000");
    row(pattern::kAmount, 100000, "100,000");
    row(pattern::kAmount, -100000, "-100,000");
    row(pattern::kAmount, 1, "1");
    row(pattern::kAmount, -1, "-1");
    row(pattern::kAmount, min, "-9,223,372,036,854,775,808");
    row(pattern::kAmount, max, "9,223,372,036,854,775,807");
    row(pattern::kAmount, std::nullopt, "");

    row(pattern::kAmountZero, 0, "0");
    row(pattern::kAmountZero, -1500, "-1,500");
    row(pattern::kAmountZero, 12, "12");
    row(pattern::kAmountZero, std::nullopt, "");

    row(pattern::kAmountBox, 0, "0");
    row(pattern::kAmountBox, kAmountLimit, "9,999,999,999");
    row(pattern::kAmountBox, -kAmountLimit, "-9,999,999,999");
    row(pattern::kAmountBox, min, "-9,223,372,036,854,775,808");
    row(pattern::kAmountBox, std::nullopt, "");

    row(pattern::kColourNumber, 0, "0");
    row(pattern::kColourNumber, 16777215, "16777215");
    row(pattern::kColourNumber, kColourNumberLimit, "999999999");
    row(pattern::kColourNumber, -1, "-1");
    row(pattern::kColourNumber, min, "-9223372036854775808");

    row(QStringLiteral("#,##"), 1000, "");
    row(QStringLiteral("0.00"), 1000, "");
    row(QString(), 1000, "");
}

void TestFormats::amounts()
{
    QFETCH(QString, pattern);
    QFETCH(std::optional<qint64>, amount);
    QFETCH(QString, expected);
    QCOMPARE(formatAmount(amount, pattern), expected);
}

void TestFormats::colours_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<qint32>("back");

    QTest::newRow("black") << qint64(0) << QColor(0, 0, 0) << 0;
    QTest::newRow("red in the low byte") << qint64(0x0000FF) << QColor(255, 0, 0) << 0x0000FF;
    QTest::newRow("green") << qint64(0x00FF00) << QColor(0, 255, 0) << 0x00FF00;
    QTest::newRow("blue in the third byte") << qint64(0xFF0000) << QColor(0, 0, 255) << 0xFF0000;
    QTest::newRow("mixed") << qint64(0x123456) << QColor(0x56, 0x34, 0x12) << 0x123456;
    QTest::newRow("white") << qint64(0xFFFFFF) << QColor(255, 255, 255) << 0xFFFFFF;
    QTest::newRow("high byte ignored") << qint64(999999999) << QColor(0xFF, 0xC9, 0x9A) << 0x9AC9FF;
    QTest::newRow("negative") << qint64(-1) << QColor(255, 255, 255) << 0xFFFFFF;
}

void TestFormats::colours()
{
    QFETCH(qint64, number);
    QFETCH(QColor, colour);
    QFETCH(qint32, back);
    QCOMPARE(colourFromNumber(number), colour);
    QCOMPARE(numberFromColour(colourFromNumber(number)), back);
    QCOMPARE(numberFromColour(colour), back);
    QCOMPARE(numberFromColour(QColor()), 0);
    QCOMPARE(numberFromColour(QColor::fromHsv(0, 255, 255)), 0x0000FF); // a colour given as HSV reads as RGB too
}

QTEST_GUILESS_MAIN(TestFormats)
#include "test_formats.moc"
