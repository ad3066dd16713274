// Month bounds on "yyyy/mm/dd" texts, with today from a fixed clock.

#include "common/clock.h"
#include "common/datehelpers.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace common;

class TestDateHelpers : public QObject
{
    Q_OBJECT

private slots:
    void daysInMonth_data();
    void daysInMonth();
    void monthRange_data();
    void monthRange();
    void monthRangeWritesIntoItsInput();
    void todaysMonth_data();
    void todaysMonth();
    void everyDayOfLeapFebruary();
    void anyTextIsSafe();
};

void TestDateHelpers::daysInMonth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("days");

    const auto row = [](const char *text, int days) { QTest::newRow(text) << QString::fromUtf8(text) << days; };
    row("2000/02/10", 29);
    row("1900/02/10", 28);
    row("2004/02/29", 29);
    row("2007/02/01", 28);
    row("2008/02/15", 29);
    row("2100/02/01", 28);
    row("2400/02/01", 29);
    row("2007/04/15", 30);
    row("2007/09/01", 30);
    row("2007/11/01", 30);
    row("2007/12/01", 31);
    row("2007/01/31", 31);
    row("2007/07/01", 31);
    row("2007/08/01", 31);
    // Texts that read as a date are first put into the "yyyy/mm/dd" form.
    row("2008/2/1", 29);
    row("2007-4-5", 30);
    row(" 2008.02.03 ", 29);
    // Anything else is read as it stands; a month that is none gives 30.
    row("2007/13/01", 30);
    row("2007/00/01", 30);
    row("2007/02/30", 28);
    row("", 30);
    row("abc", 30);
    row("2007/", 30);
    row("9999999999/99/99", 30);
    row("２００８／０２／０１", 30);
}

void TestDateHelpers::daysInMonth()
{
    QFETCH(QString, text);
    QFETCH(int, days);
    QCOMPARE(int(DaysInMonth(text)), days);
}

void TestDateHelpers::monthRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    const QString unchanged = QStringLiteral("unchanged");
    QTest::newRow("february") << QStringLiteral("2007/02/14") << QStringLiteral("2007/02/01")
                              << QStringLiteral("2007/02/28");
    QTest::newRow("leap february") << QStringLiteral("2008/02/29") << QStringLiteral("2008/02/01")
                                   << QStringLiteral("2008/02/29");
    QTest::newRow("december") << QStringLiteral("2099/12/31") << QStringLiteral("2099/12/01")
                              << QStringLiteral("2099/12/31");
    QTest::newRow("thirty days") << QStringLiteral("1868/09/08") << QStringLiteral("1868/09/01")
                                 << QStringLiteral("1868/09/30");
    QTest::newRow("short form") << QStringLiteral("2007/4/4") << QStringLiteral("2007/04/01")
                                << QStringLiteral("2007/04/30");
    QTest::newRow("day that does not exist")
        << QStringLiteral("2007/02/30") << QStringLiteral("2007/02/01") << QStringLiteral("2007/02/28");
    QTest::newRow("empty") << QString() << unchanged << unchanged;
    QTest::newRow("month 13") << QStringLiteral("2007/13/01") << unchanged << unchanged;
    QTest::newRow("month 00") << QStringLiteral("2007/00/01") << unchanged << unchanged;
    QTest::newRow("not a date") << QStringLiteral("abcdefghij") << unchanged << unchanged;
    QTest::newRow("too short") << QStringLiteral("2007/0") << unchanged << unchanged;
}

void TestDateHelpers::monthRange()
{
    QFETCH(QString, text);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QString firstOut = QStringLiteral("unchanged");
    QString lastOut = QStringLiteral("unchanged");
    MonthRange(text, firstOut, lastOut);
    QCOMPARE(firstOut, first);
    QCOMPARE(lastOut, last);
}

// The totals pass one place as the input and as the first day; the last day
// must still come from the month given, not from the first day written.
void TestDateHelpers::monthRangeWritesIntoItsInput()
{
    QString start = QStringLiteral("2008/02/14");
    QString end;
    MonthRange(start, start, end);
    QCOMPARE(start, QStringLiteral("2008/02/01"));
    QCOMPARE(end, QStringLiteral("2008/02/29"));

    QString other;
    QString shared = QStringLiteral("2007/11/20");
    MonthRange(shared, other, shared);
    QCOMPARE(other, QStringLiteral("2007/11/01"));
    QCOMPARE(shared, QStringLiteral("2007/11/30"));
}

void TestDateHelpers::todaysMonth_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    QTest::newRow("31 January") << QDate(2007, 1, 31) << QStringLiteral("2007/01/01") << QStringLiteral("2007/01/31");
    QTest::newRow("1 April") << QDate(2007, 4, 1) << QStringLiteral("2007/04/01") << QStringLiteral("2007/04/30");
    QTest::newRow("February 1900") << QDate(1900, 2, 1) << QStringLiteral("1900/02/01") << QStringLiteral("1900/02/28");
    QTest::newRow("February 2000") << QDate(2000, 2, 28) << QStringLiteral("2000/02/01")
                                   << QStringLiteral("2000/02/29");
    QTest::newRow("February 2007") << QDate(2007, 2, 28) << QStringLiteral("2007/02/01")
                                   << QStringLiteral("2007/02/28");
    QTest::newRow("no today") << QDate() << QString() << QString();
}

void TestDateHelpers::todaysMonth()
{
    QFETCH(QDate, today);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const FixedClock clock(today);
    QCOMPARE(FirstDayOfMonth(clock), first);
    QCOMPARE(LastDayOfMonth(clock), last);
}

void TestDateHelpers::everyDayOfLeapFebruary()
{
    FixedClock clock(QDate(2008, 2, 1));
    for (int day = 1; day <= 29; ++day) {
        clock.set(QDate(2008, 2, day));
        QCOMPARE(LastDayOfMonth(clock), QStringLiteral("2008/02/29"));
        QCOMPARE(FirstDayOfMonth(clock), QStringLiteral("2008/02/01"));
    }
}

// Random texts of date-like characters: nothing crashes, the day count stays
// a real one, and MonthRange either leaves its places alone or writes two
// bounds of one month.
void TestDateHelpers::anyTextIsSafe()
{
    static const QString alphabet = QStringLiteral("0123456789//--. a日\u0000\uFFFF２");
    static const QRegularExpression bound(QStringLiteral("^\\d{4}/(0[1-9]|1[0-2])/(01|28|29|30|31)$"));
    QRandomGenerator random(20070404);
    for (int i = 0; i < 20000; ++i) {
        QString text;
        const int length = random.bounded(14);
        for (int j = 0; j < length; ++j) {
            text += alphabet.at(random.bounded(int(alphabet.size())));
        }
        const int days = DaysInMonth(text);
        QVERIFY2(days >= 28 && days <= 31, qPrintable(text));

        QString first = QStringLiteral("x");
        QString last = QStringLiteral("y");
        MonthRange(text, first, last);
        if (first == u"x") {
            QCOMPARE(last, QStringLiteral("y"));
            continue;
        }
        QVERIFY2(bound.match(first).hasMatch() && first.endsWith(u"/01"), qPrintable(text));
        QVERIFY2(bound.match(last).hasMatch(), qPrintable(text));
        QCOMPARE(first.left(8), last.left(8));
    }
}

QTEST_GUILESS_MAIN(TestDateHelpers)
#include "test_datehelpers.moc"
