// The judgement of each row of the earlier files, and the report's form.

#include "legacy/importplan.h"
#include "legacy/importreport.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using legacy::WholeYen;
using Verdict = WholeYen::Verdict;

Q_DECLARE_METATYPE(Verdict)

namespace {

legacy::LegacyDay day(int row, std::optional<double> date, std::array<std::optional<QString>, 4> amounts = {},
                      std::optional<QString> text = std::nullopt)
{
    legacy::LegacyDay result;
    result.row = row;
    result.date = date;
    result.amounts = amounts;
    result.text = text;
    return result;
}

// Jet's number of a day.
double jet(QDate date)
{
    return double(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay());
}

} // namespace

class TestImportPlan : public QObject
{
    Q_OBJECT

private slots:
    void amountsBecomeWholeYen_data();
    void amountsBecomeWholeYen();
    void jetDatesKeepTheirDay();
    void rowsAreBroughtOverOrListed();
    void settingsAndHintsFromTheEarlierFiles();
    void reportOpensRightInExcelAndNeverOverwrites();
};

void TestImportPlan::amountsBecomeWholeYen_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<Verdict>("verdict");
    QTest::addColumn<qint64>("value");
    QTest::newRow("currency, whole") << QStringLiteral("120000.0000") << Verdict::Whole << qint64(120000);
    QTest::newRow("long") << QStringLiteral("-2147483648") << Verdict::Whole << qint64(-2147483648LL);
    QTest::newRow("limit") << QStringLiteral("9999999999.0000") << Verdict::Whole << qint64(9999999999);
    QTest::newRow("below the limit") << QStringLiteral("-9999999999") << Verdict::Whole << qint64(-9999999999);
    QTest::newRow("leading zeros") << QStringLiteral("0000000000000000042") << Verdict::Whole << qint64(42);
    QTest::newRow("half up") << QStringLiteral("1234.5") << Verdict::Rounded << qint64(1235);
    QTest::newRow("half away from zero") << QStringLiteral("-0.5000") << Verdict::Rounded << qint64(-1);
    QTest::newRow("just under half") << QStringLiteral("1234.4999") << Verdict::Rounded << qint64(1234);
    QTest::newRow("a double's shortest text") << QStringLiteral("0.30000000000000004") << Verdict::Rounded << qint64(0);
    QTest::newRow("rounds past the limit") << QStringLiteral("9999999999.5") << Verdict::OutOfRange << qint64(0);
    QTest::newRow("beyond the limit") << QStringLiteral("-10000000000") << Verdict::OutOfRange << qint64(0);
    QTest::newRow("far beyond") << QStringLiteral("123456789012345678901234567890") << Verdict::OutOfRange << qint64(0);
    QTest::newRow("nan") << QStringLiteral("nan") << Verdict::NotANumber << qint64(0);
    QTest::newRow("inf") << QStringLiteral("-inf") << Verdict::NotANumber << qint64(0);
    QTest::newRow("empty") << QString() << Verdict::NotANumber << qint64(0);
    QTest::newRow("exponent") << QStringLiteral("1e5") << Verdict::NotANumber << qint64(0);
    QTest::newRow("two points") << QStringLiteral("1.2.3") << Verdict::NotANumber << qint64(0);
    QTest::newRow("sign alone") << QStringLiteral("-") << Verdict::NotANumber << qint64(0);
}

void TestImportPlan::amountsBecomeWholeYen()
{
    QFETCH(QString, stored);
    QFETCH(Verdict, verdict);
    QFETCH(qint64, value);
    const WholeYen yen = legacy::wholeYen(stored);
    QCOMPARE(yen.verdict, verdict);
    QCOMPARE(yen.value, value);
}

void TestImportPlan::jetDatesKeepTheirDay()
{
    QCOMPARE(legacy::dayOf(0.0), QDate(1899, 12, 30));
    QCOMPARE(legacy::dayOf(jet(QDate(2019, 4, 30)) + 0.999), QDate(2019, 4, 30));
    // Before Jet's zero date the day counts back and the fraction is still a time of day.
    QCOMPARE(legacy::dayOf(-1.25), QDate(1899, 12, 29));
    QCOMPARE(legacy::storedDateText(-1.25), QStringLiteral("1899-12-29 06:00:00"));
    QCOMPARE(legacy::storedDateText(jet(QDate(2100, 12, 31)) + 86399.0 / 86400.0),
             QStringLiteral("2100-12-31 23:59:59"));
    QCOMPARE(legacy::storedDateText(std::nullopt), QString());
    QVERIFY(!legacy::dayOf(std::numeric_limits<double>::quiet_NaN()).isValid());
    QVERIFY(!legacy::dayOf(1e300).isValid());
}

void TestImportPlan::rowsAreBroughtOverOrListed()
{
    legacy::LegacyData data;
    const double april4 = jet(QDate(2007, 4, 4));
    data.days = {
        day(1, april4 + 0.5, {QStringLiteral("100.0000"), std::nullopt, QStringLiteral("0"), QStringLiteral("-5")},
            QStringLiteral("一行目\r\n二行目\r三行目\nそのまま")),
        day(2, april4, {QStringLiteral("1")}, QStringLiteral("同じ日の二件目")),
        day(3, 0.0, {}, QStringLiteral("日付なしの日")),
        day(4, std::nullopt),
        day(5, jet(QDate(1868, 9, 7))),
        day(6, jet(QDate(1868, 9, 8))),
        day(7, jet(QDate(2099, 12, 31))),
        day(8, jet(QDate(2100, 1, 1))),
        day(9, jet(QDate(2007, 4, 5)), {std::nullopt, QStringLiteral("10000000000")}),
        day(10, jet(QDate(2007, 4, 6)), {std::nullopt, std::nullopt, QStringLiteral("nan")}),
        day(11, jet(QDate(2007, 4, 7)), {QStringLiteral("2.5"), QStringLiteral("-2.5")}),
        // A day whose first row was refused for its amount: the later one is brought over.
        day(12, jet(QDate(2007, 4, 5)), {QStringLiteral("7")}),
    };
    const legacy::ImportPlan plan = legacy::planImport(data);
    QCOMPARE(plan.journalRowsRead, qint64(12));

    QList<int> broughtOver;
    for (const legacy::PlannedDay &planned : plan.days) {
        broughtOver.append(planned.source.row);
    }
    QCOMPARE(broughtOver, (QList<int>{1, 6, 7, 11, 12}));
    const store::JournalRecord &first = plan.days.at(0).record;
    QCOMPARE(first.date, QDate(2007, 4, 4));
    QCOMPARE(first.amounts.sales, store::Amount(100));
    QCOMPARE(first.amounts.purchases, store::Amount());
    QCOMPARE(first.amounts.moneyIn, store::Amount(0));
    QCOMPARE(first.amounts.moneyOut, store::Amount(-5));
    QCOMPARE(first.text, QStringLiteral("一行目\n二行目\n三行目\nそのまま"));
    QVERIFY(!plan.days.at(0).rounded);
    const legacy::PlannedDay &rounded = plan.days.at(3);
    QCOMPARE(rounded.record.amounts.sales, store::Amount(3));
    QCOMPARE(rounded.record.amounts.purchases, store::Amount(-3));
    QVERIFY(rounded.rounded && rounded.rounded->imported);
    QVERIFY(rounded.rounded->reason.contains(QStringLiteral("売上額 2.5 → 3")));

    QList<int> listed;
    for (const legacy::ReportLine &line : plan.report) {
        listed.append(line.row);
        QVERIFY(!line.imported);
        QVERIFY(!line.reason.isEmpty());
    }
    QCOMPARE(listed, (QList<int>{2, 3, 4, 5, 8, 9, 10}));
    // The listed row keeps its values exactly as stored.
    const legacy::ReportLine &second = plan.report.at(0);
    QCOMPARE(second.date, QStringLiteral("2007-04-04 00:00:00"));
    QCOMPARE(second.amounts[0], QStringLiteral("1"));
    QCOMPARE(second.text, QStringLiteral("同じ日の二件目"));
    QVERIFY(second.reason.contains(QStringLiteral("1 行目")));
    QVERIFY(plan.report.at(1).reason.contains(QStringLiteral("1899/12/30")));
    QVERIFY(plan.report.at(4).reason.contains(QStringLiteral("範囲")));
    QVERIFY(plan.report.at(5).reason.contains(QStringLiteral("10000000000")));
}

void TestImportPlan::settingsAndHintsFromTheEarlierFiles()
{
    legacy::LegacyData data;
    data.settings = {{std::nullopt, QStringLiteral("-2147483643")}, {QStringLiteral("和暦"), QStringLiteral("255")}};
    data.hints = {
        {QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"), std::nullopt, QStringLiteral("一\r\n二")},
        {QStringLiteral("FrmNippo"), std::nullopt, QStringLiteral("t"), QStringLiteral("名前なし")},
        {QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"), QStringLiteral("t"), QStringLiteral("二つ目")},
        {QStringLiteral("FrmNippo"), QStringLiteral("cmdHint1"), QString(), std::nullopt},
    };
    const legacy::ImportPlan plan = legacy::planImport(data);
    QVERIFY(plan.settings);
    QCOMPARE(plan.settings->era, QStringLiteral("西暦"));
    QCOMPARE(plan.settings->lineColour, 0);
    QCOMPARE(plan.hints.size(), 2);
    QCOMPARE(plan.hints.at(0).contents, std::optional(QStringLiteral("一\n二")));
    QCOMPARE(plan.hints.at(1).contents, std::optional<QString>());
    QStringList tables;
    for (const legacy::ReportLine &line : plan.report) {
        tables.append(QStringLiteral("%1 %2 %3")
                          .arg(line.table)
                          .arg(line.row)
                          .arg(line.imported ? QStringLiteral("true") : QStringLiteral("false")));
    }
    QCOMPARE(tables, (QStringList{QStringLiteral("自社情報 1 true"), QStringLiteral("自社情報 2 false"),
                                  QStringLiteral("ClHint 2 false"), QStringLiteral("ClHint 3 false")}));
}

void TestImportPlan::reportOpensRightInExcelAndNeverOverwrites()
{
    legacy::ReportLine line;
    line.table = QStringLiteral("業務日誌");
    line.row = 7;
    line.date = QStringLiteral("2007-04-04 00:00:00");
    line.amounts = {QStringLiteral("1,5"), QString(), QStringLiteral("-3"), QString()};
    line.text = QStringLiteral("「見積」は\"至急\"\r\n次の行ｶﾅ");
    line.reason = QStringLiteral("理由");
    const QByteArray csv = legacy::reportCsv({line});
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(csv.mid(3));
    // The header, the row (split once more at its quoted line break), nothing after the last CRLF.
    QCOMPARE(text.split(QStringLiteral("\r\n")).size(), 4);
    QVERIFY(text.endsWith(QStringLiteral(",しない,理由\r\n")));
    QVERIFY(text.contains(
        QStringLiteral("業務日誌,7,2007-04-04 00:00:00,\"1,5\",,-3,,\"「見積」は\"\"至急\"\"\r\n次の行ｶﾅ\"")));

    QTemporaryDir dir;
    const legacy::WrittenReport first = legacy::writeReport(dir.path(), {line}, QStringLiteral("20261207-210509"));
    QVERIFY(!first.failure);
    QCOMPARE(QFileInfo(first.path).fileName(), QStringLiteral("import-report.csv"));
    const legacy::WrittenReport second = legacy::writeReport(dir.path(), {}, QStringLiteral("20261207-210510"));
    QVERIFY(!second.failure);
    QCOMPARE(QFileInfo(second.path).fileName(), QStringLiteral("import-report-20261207-210510.csv"));
    QFile kept(first.path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), csv);
}

QTEST_APPLESS_MAIN(TestImportPlan)
#include "test_importplan.moc"
