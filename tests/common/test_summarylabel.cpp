// The names of months and years in the summaries, in both calendars and
// across every change of era.

#include "common/formats.h"
#include "common/summarylabel.h"

#include <QRegularExpression>
#include <QTest>

using namespace common;
using namespace Qt::StringLiterals;

class TestSummaryLabel : public QObject
{
    Q_OBJECT

private slots:
    void labels_data();
    void labels();
    void everyEraChangeNamesBothEras();
    void eraYearsAreWrittenAlike();
};

void TestSummaryLabel::labels_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month"); // 0: the year
    QTest::addColumn<QString>("western");
    QTest::addColumn<QString>("era");

    QTest::newRow("month") << 2024 << 4 << u"2024年4月"_s << u"令和6年4月"_s;
    QTest::newRow("year") << 2024 << 0 << u"2024年"_s << u"令和6年"_s;
    QTest::newRow("two-digit era year") << 1990 << 12 << u"1990年12月"_s << u"平成2年12月"_s;
    QTest::newRow("first program year") << 1868 << 0 << u"1868年"_s << u"明治1年"_s;
    QTest::newRow("first program month") << 1868 << 9 << u"1868年9月"_s << u"明治1年9月"_s;
    QTest::newRow("1912/07") << 1912 << 7 << u"1912年7月"_s << u"明治45年・大正1年7月"_s;
    QTest::newRow("1912") << 1912 << 0 << u"1912年"_s << u"明治45年・大正1年"_s;
    QTest::newRow("1926/12") << 1926 << 12 << u"1926年12月"_s << u"大正15年・昭和1年12月"_s;
    QTest::newRow("1926/11") << 1926 << 11 << u"1926年11月"_s << u"大正15年11月"_s;
    QTest::newRow("1989/01") << 1989 << 1 << u"1989年1月"_s << u"昭和64年・平成1年1月"_s;
    QTest::newRow("1989") << 1989 << 0 << u"1989年"_s << u"昭和64年・平成1年"_s;
    QTest::newRow("2019/04") << 2019 << 4 << u"2019年4月"_s << u"平成31年4月"_s;
    QTest::newRow("2019/05") << 2019 << 5 << u"2019年5月"_s << u"令和1年5月"_s;
    QTest::newRow("2019") << 2019 << 0 << u"2019年"_s << u"平成31年・令和1年"_s;
}

void TestSummaryLabel::labels()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(QString, western);
    QFETCH(QString, era);
    const auto label = [&](const QString &mode) {
        return month ? monthLabel(year, month, mode) : yearLabel(year, mode);
    };
    QCOMPARE(label(kWestern), western);
    QCOMPARE(label(kEra), era);
}

void TestSummaryLabel::everyEraChangeNamesBothEras()
{
    const std::vector<Era> &eras = eraTable();
    QVERIFY(eras.size() >= 5);
    for (std::size_t n = 1; n < eras.size(); ++n) {
        const QDate change = eras[n].first;
        const QString before = eras[n - 1].name + u"%1年"_s.arg(change.year() - eras[n - 1].yearOne + 1);
        const QString both = before + u"・"_s + eras[n].name + u"1年"_s;
        QCOMPARE(yearLabel(change.year(), kEra), both);
        QCOMPARE(monthLabel(change.year(), change.month(), kEra),
                 change.day() == 1 ? eras[n].name + u"1年"_s + QString::number(change.month()) + u"月"_s
                                   : both + QString::number(change.month()) + u"月"_s);
    }
}

// Side by side in a grid or on an axis, "平成31年4月" and "令和1年5月" must read
// alike: no month or year of the program's range pads its era year.
void TestSummaryLabel::eraYearsAreWrittenAlike()
{
    const QRegularExpression eraYear(u"^(\\p{Han}{2}[1-9][0-9]?年)(・\\p{Han}{2}[1-9][0-9]?年)?$"_s);
    for (int year = kFirstDate.year(); year <= kLastDate.year(); ++year) {
        const QString name = yearLabel(year, kEra);
        QVERIFY2(eraYear.match(name).hasMatch(), qPrintable(name));
        for (int month = 1; month <= 12; ++month) {
            if (QDate(year, month, 1).addMonths(1) <= kFirstDate) {
                continue;
            }
            const QString label = monthLabel(year, month, kEra);
            const QString suffix = QString::number(month) + u"月"_s;
            QVERIFY2(label.endsWith(suffix) && eraYear.match(label.chopped(suffix.size())).hasMatch(),
                     qPrintable(label));
        }
    }
}

QTEST_GUILESS_MAIN(TestSummaryLabel)
#include "test_summarylabel.moc"
