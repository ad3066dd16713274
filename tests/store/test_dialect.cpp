// Translation of the program's SQL dialect and the stored form of dates.

#include "store/dialect.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

using namespace store;

class TestDialect : public QObject
{
    Q_OBJECT

private slots:
    void translate_data();
    void translate();
    void quotedTextSurvives();
    void fuzzedInputStaysBounded();
    void pathologicalInputIsQuick_data();
    void pathologicalInputIsQuick();
    void singleTable_data();
    void singleTable();
    void selectStatements();
    void dateTexts_data();
    void dateTexts();
    void storedDates();
};

void TestDialect::translate_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("date literal") << QStringLiteral("select * from 業務日誌 where 日付 =#2007/04/04#")
                                  << QStringLiteral("select * from 業務日誌 where 日付 ='2007-04-04'");
    QTest::newRow("date one-digit parts") << QStringLiteral("x =#2007/4/4#") << QStringLiteral("x ='2007-04-04'");
    QTest::newRow("date with dashes") << QStringLiteral("x =#2007-04-04#") << QStringLiteral("x ='2007-04-04'");
    QTest::newRow("leap day") << QStringLiteral("#2004/02/29#") << QStringLiteral("'2004-02-29'");
    QTest::newRow("no such day kept") << QStringLiteral("x =#2004/02/30#") << QStringLiteral("x =#2004/02/30#");
    QTest::newRow("mixed separators kept") << QStringLiteral("#2004/02-01#") << QStringLiteral("#2004/02-01#");
    QTest::newRow("unclosed date kept") << QStringLiteral("x =#2004/02/01") << QStringLiteral("x =#2004/02/01");
    QTest::newRow("two dates") << QStringLiteral("a >= #2004/04/01# and  a <= #2004/04/30#")
                               << QStringLiteral("a >= '2004-04-01' and  a <= '2004-04-30'");

    QTest::newRow("delete star") << QStringLiteral("delete * from w集計") << QStringLiteral("delete from w集計");
    QTest::newRow("delete star any case and blanks")
        << QStringLiteral("DeLeTe\t*\n  FROM 業務日誌") << QStringLiteral("delete from 業務日誌");
    QTest::newRow("delete star tight") << QStringLiteral("delete*from t") << QStringLiteral("delete from t");
    QTest::newRow("not the word delete") << QStringLiteral("undelete * from t") << QStringLiteral("undelete * from t");
    QTest::newRow("not the word from") << QStringLiteral("delete * fromage") << QStringLiteral("delete * fromage");
    QTest::newRow("plain delete kept") << QStringLiteral("delete from t") << QStringLiteral("delete from t");

    QTest::newRow("brackets") << QStringLiteral("select sum([売上額]) as t売上計 from w集計")
                              << QStringLiteral("select sum(\"売上額\") as t売上計 from w集計");
    QTest::newRow("bracket holding a double quote")
        << QStringLiteral("select [a\"b] from t") << QStringLiteral("select \"a\"\"b\" from t");
    QTest::newRow("bracket holding a single quote")
        << QStringLiteral("select [it's] from t") << QStringLiteral("select \"it's\" from t");
    QTest::newRow("unclosed bracket kept") << QStringLiteral("select [a from t") << QStringLiteral("select [a from t");

    QTest::newRow("trailing semicolon") << QStringLiteral("select * from t order by 日付;")
                                        << QStringLiteral("select * from t order by 日付");
    QTest::newRow("trailing blanks and semicolons")
        << QStringLiteral("delete * from w集計 ; ;  \n") << QStringLiteral("delete from w集計");
    QTest::newRow("trailing blank") << QStringLiteral("delete * from w集計 ") << QStringLiteral("delete from w集計");
    QTest::newRow("inner semicolon kept")
        << QStringLiteral("select 1; select 2") << QStringLiteral("select 1; select 2");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only blanks") << QStringLiteral(" ; ") << QString();

    QTest::newRow("quoted text untouched")
        << QStringLiteral("select * from ClHint where FormName = '#2004/01/01# [x] delete * from y;'")
        << QStringLiteral("select * from ClHint where FormName = '#2004/01/01# [x] delete * from y;'");
    QTest::newRow("doubled quote stays inside") << QStringLiteral("x = 'it''s [a] #2004/1/1#' and y = [b]")
                                                << QStringLiteral("x = 'it''s [a] #2004/1/1#' and y = \"b\"");
    QTest::newRow("semicolon closing a quoted text kept") << QStringLiteral("x = ';' ;") << QStringLiteral("x = ';'");
    QTest::newRow("unterminated quote keeps its blanks")
        << QStringLiteral("x = 'abc; ") << QStringLiteral("x = 'abc; ");
    QTest::newRow("double-quoted name untouched") << QStringLiteral("select \"[a]\" from \"delete * from\"")
                                                  << QStringLiteral("select \"[a]\" from \"delete * from\"");
    QTest::newRow("alias as it stands") << QStringLiteral("select sum(a) as t売上計,sum(b) AS T from w")
                                        << QStringLiteral("select sum(a) as t売上計,sum(b) AS T from w");
}

void TestDialect::translate()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(translateDialect(input), expected);
}

// Whatever surrounds it, a quoted text reaches SQLite exactly as written.
void TestDialect::quotedTextSurvives()
{
    const QString pieces[] = {QStringLiteral("#2004/01/01#"),
                              QStringLiteral("[x]"),
                              QStringLiteral("delete * from"),
                              QStringLiteral(";"),
                              QStringLiteral(" "),
                              QStringLiteral("''"),
                              QStringLiteral("業務")};
    QRandomGenerator random(7);
    for (int round = 0; round < 2000; ++round) {
        QString literal = QStringLiteral("'");
        const int count = random.bounded(6);
        for (int k = 0; k < count; ++k) {
            literal += pieces[random.bounded(int(std::size(pieces)))];
        }
        literal += u'\'';
        const QString before = pieces[random.bounded(int(std::size(pieces)) - 1)];
        const QString statement =
            QStringLiteral("select * from t where a = ") + before + literal + QStringLiteral(" x");
        QVERIFY2(translateDialect(statement).contains(literal), qPrintable(statement));
    }
}

void TestDialect::fuzzedInputStaysBounded()
{
    const QString alphabet = QStringLiteral("#[]'\";* /-0123456789adefhlmorstDEFLORT\t\n業");
    QRandomGenerator random(11);
    for (int round = 0; round < 20000; ++round) {
        QString input;
        const int length = random.bounded(40);
        for (int k = 0; k < length; ++k) {
            input += alphabet[random.bounded(int(alphabet.size()))];
        }
        if (random.bounded(4) == 0) {
            input.insert(random.bounded(int(input.size()) + 1), QStringLiteral("#2004/1/2#"));
        }
        const QString once = translateDialect(input);
        QVERIFY2(once.size() <= 2 * input.size() + 2, qPrintable(input));
        // A translated statement has nothing left to translate.
        QVERIFY2(translateDialect(once) == once, qPrintable(input));
    }
    // Lone halves of surrogate pairs are copied, never interpreted.
    const QString broken = QString(QChar(0xD800)) + QStringLiteral("[") + QChar(0xDC00) + QStringLiteral("]");
    QCOMPARE(translateDialect(broken), QString(QChar(0xD800)) + u'"' + QChar(0xDC00) + u'"');
}

void TestDialect::pathologicalInputIsQuick_data()
{
    QTest::addColumn<QString>("unit");
    QTest::newRow("opening brackets") << QStringLiteral("[");
    QTest::newRow("hashes") << QStringLiteral("#2004/");
    QTest::newRow("deletes") << QStringLiteral("delete    ");
    QTest::newRow("delete stars") << QStringLiteral("delete * ");
    QTest::newRow("semicolons") << QStringLiteral("; ");
}

void TestDialect::pathologicalInputIsQuick()
{
    QFETCH(QString, unit);
    const QString input = unit.repeated(200000 / unit.size());
    QElapsedTimer timer;
    timer.start();
    const QString output = translateDialect(input);
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(output.size() <= input.size());
}

void TestDialect::singleTable_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("table");

    QTest::newRow("whole table") << QStringLiteral("select * from w集計") << QStringLiteral("w集計");
    QTest::newRow("where") << QStringLiteral("select * from 業務日誌 where 日付 ='2004-04-01'")
                           << QStringLiteral("業務日誌");
    QTest::newRow("order") << QStringLiteral("SELECT  *  FROM \"業務日誌\" ORDER BY 日付")
                           << QStringLiteral("業務日誌");
    QTest::newRow("quoted name with quote") << QStringLiteral("select * from \"a\"\"b\"") << QStringLiteral("a\"b");
    QTest::newRow("columns listed") << QStringLiteral("select a from t") << QString();
    QTest::newRow("sums") << QStringLiteral("select sum(\"売上額\") as t売上計 from w集計") << QString();
    QTest::newRow("two tables") << QStringLiteral("select * from a, b") << QString();
    QTest::newRow("join") << QStringLiteral("select * from a join b on a.x = b.x") << QString();
    QTest::newRow("alias") << QStringLiteral("select * from a as x") << QString();
    QTest::newRow("grouping") << QStringLiteral("select * from a group by x") << QString();
    QTest::newRow("schema name") << QStringLiteral("select * from main.a") << QString();
    QTest::newRow("not a select") << QStringLiteral("delete from a") << QString();
    QTest::newRow("selected word") << QStringLiteral("selected * from a") << QString();
    QTest::newRow("unclosed name") << QStringLiteral("select * from \"a") << QString();
    QTest::newRow("no table") << QStringLiteral("select * from ") << QString();
}

void TestDialect::singleTable()
{
    QFETCH(QString, sql);
    QFETCH(QString, table);
    const SingleTableSelect select = singleTableSelect(sql);
    QCOMPARE(select.table, table);
    if (select.isValid()) {
        QCOMPARE(sql.at(select.starPosition), u'*');
    }
}

void TestDialect::selectStatements()
{
    QVERIFY(isSelectStatement(QStringLiteral("select * from a")));
    QVERIFY(isSelectStatement(QStringLiteral(" \n SELECT sum(x) from a")));
    QVERIFY(isSelectStatement(QStringLiteral("select(1)")));
    QVERIFY(!isSelectStatement(QStringLiteral("selected * from a")));
    QVERIFY(!isSelectStatement(QStringLiteral("delete from a")));
    QVERIFY(!isSelectStatement(QStringLiteral("with x as (select 1) delete from a")));
    QVERIFY(!isSelectStatement(QString()));
}

void TestDialect::dateTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");

    QTest::newRow("slashes") << QStringLiteral("2004/04/01") << QDate(2004, 4, 1);
    QTest::newRow("dashes") << QStringLiteral("2004-04-01") << QDate(2004, 4, 1);
    QTest::newRow("short parts") << QStringLiteral("2004/4/1") << QDate(2004, 4, 1);
    QTest::newRow("first accepted day") << QStringLiteral("1868/09/08") << QDate(1868, 9, 8);
    QTest::newRow("no such day") << QStringLiteral("2003/02/29") << QDate();
    QTest::newRow("month 13") << QStringLiteral("2004/13/01") << QDate();
    QTest::newRow("mixed separators") << QStringLiteral("2004/04-01") << QDate();
    QTest::newRow("two-digit year") << QStringLiteral("04/04/01") << QDate();
    QTest::newRow("trailing text") << QStringLiteral("2004/04/01 ") << QDate();
    QTest::newRow("three-digit day") << QStringLiteral("2004/04/001") << QDate();
    QTest::newRow("eight digits") << QStringLiteral("20040401") << QDate();
    QTest::newRow("empty") << QString() << QDate();
}

void TestDialect::dateTexts()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(parseDateText(text).value_or(QDate()), expected);
}

void TestDialect::storedDates()
{
    QCOMPARE(storedDateText(QDate(2004, 4, 1)), QStringLiteral("2004-04-01"));
    QCOMPARE(storedDateText(QDate(987, 1, 2)), QStringLiteral("0987-01-02"));
    QVERIFY(storedDateText(QDate()).isEmpty());
    QVERIFY(storedDateText(QDate(10000, 1, 1)).isEmpty());
    QVERIFY(storedDateText(QDate(-5, 1, 1)).isEmpty());
    // Every day of a leap year goes to text and back.
    for (QDate day(2004, 1, 1); day.year() == 2004; day = day.addDays(1)) {
        QCOMPARE(parseStoredDate(storedDateText(day)).value_or(QDate()), day);
    }
    QVERIFY(!parseStoredDate(u"2004/04/01").has_value());
    QVERIFY(!parseStoredDate(u"2004-4-01x").has_value());
    QVERIFY(!parseStoredDate(u"2004-02-30").has_value());
}

QTEST_GUILESS_MAIN(TestDialect)
#include "test_dialect.moc"
