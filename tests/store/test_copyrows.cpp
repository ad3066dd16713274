// Copying the rows of one database's select into another's table: which rows
// go, what arrives, and what a refused value or a failure leaves behind.

#include "store/database.h"
#include "store/dialect.h"
#include "store/modvelmoraa.h"
#include "store/statements.h"
#include "support/tempdata.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace store;

namespace {

const QString kPeriod = QStringLiteral("select * from 業務日誌 order by 日付");

// Each row of a query as "type:value|...", Nulls marked, so that a type changed
// on the way shows.
QStringList rowsOf(Database &db, const QString &sql)
{
    QStringList rows;
    QSqlQuery query(db.connection());
    if (!query.exec(sql)) {
        return {QStringLiteral("failed: ") + sql};
    }
    while (query.next()) {
        QStringList values;
        for (int k = 0; k < query.record().count(); ++k) {
            const QVariant value = query.value(k);
            values << (value.isNull() ? QStringLiteral("null")
                                      : QString::fromLatin1(value.typeName()) + u':' + value.toString());
        }
        rows << values.join(u'|');
    }
    return rows;
}

QStringList workRows(Database &work)
{
    return rowsOf(work, QStringLiteral("select typeof(日付), 日付, typeof(売上額), 売上額, 仕入額, 入金額, 出金額 "
                                       "from w集計 order by rowid"));
}

QList<CopiedColumn> journalColumns(CopiedColumn::Rule salesRule)
{
    const qint64 limit = 9'999'999'999;
    return {{QStringLiteral("日付"), CopiedColumn::StoredDate, 0},
            {QStringLiteral("売上額"), salesRule, limit},
            {QStringLiteral("仕入額"), CopiedColumn::WholeNumber, limit},
            {QStringLiteral("入金額"), CopiedColumn::WholeNumber, limit},
            {QStringLiteral("出金額"), CopiedColumn::WholeNumber, limit}};
}

} // namespace

class TestCopyRows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void copiesTheRowsWithAStoredDateAsStored();
    void refusedAmountStopsTheCopy_data();
    void refusedAmountStopsTheCopy();
    void failuresLeaveTheTargetAsItWas();

private:
    Database &main() { return m_state->MainDb; }
    Database &work() { return m_state->WorkDb; }
    void exec(Database &db, const QString &sql) { QVERIFY2(db.execute(sql).ok(), qPrintable(sql)); }
    // `days` journal rows from `first`, every amount the day's number from `from`.
    void addDays(const QDate &first, int days, int from);

    std::unique_ptr<testsupport::TempData> m_data;
    std::unique_ptr<ModVelmoraA> m_state;
};

void TestCopyRows::init()
{
    m_data = std::make_unique<testsupport::TempData>();
    QVERIFY(m_data->ok());
    m_state = std::make_unique<ModVelmoraA>();
    QVERIFY(m_data->openInto(*m_state));
}

void TestCopyRows::cleanup()
{
    m_state.reset();
    m_data.reset();
}

void TestCopyRows::addDays(const QDate &first, int days, int from)
{
    QVERIFY(main()
                .inTransaction([&]() -> DbError {
                    for (int k = 0; k < days; ++k) {
                        const DbError error =
                            main().execute(QStringLiteral("insert into 業務日誌 values ('%1', %2, %2, %2, %2, '日誌')")
                                               .arg(first.addDays(k).toString(Qt::ISODate))
                                               .arg(from + k));
                        if (error) {
                            return error;
                        }
                    }
                    return {};
                })
                .ok());
}

// Dates in the forms other tools leave, beside good ones, and more rows than
// one write takes: a row goes exactly when the store reads its date as a date,
// in the select's order, every value as stored (Nulls, and the sales copied
// without a rule keep their type).
void TestCopyRows::copiesTheRowsWithAStoredDateAsStored()
{
    const QStringList dates =
        QStringLiteral("'2004-02-29'|'1900-02-29'|'2004-02-30'|'2004/04/02'|'2004-4-03'|'0000-01-01'|'0001-01-01'|"
                       "'9999-12-31'|'2004-13-01'|'2004-04-1x'|'２００４-０４-０５'|' 2004-04-06'|'2004-04-07 00:00'|"
                       "20040408|NULL|x'323030342d30342d3039'")
            .split(u'|');
    for (const QString &date : dates) {
        exec(main(), QStringLiteral("insert into 業務日誌 values (%1, 'abc', 1, NULL, 2, 'x')").arg(date));
    }
    addDays(QDate(2010, 1, 1), 130, 1);
    exec(main(), QStringLiteral("update 業務日誌 set 売上額 = 2.5, 仕入額 = NULL, 入金額 = 9999999999, "
                                "出金額 = -9999999999 where 日付 = '2010-01-02'"));

    QStringList expected;
    QSqlQuery source(main().connection());
    QVERIFY(source.exec(QStringLiteral("select typeof(日付), 日付 from 業務日誌 order by 日付")));
    const QStringList all = rowsOf(main(), QStringLiteral("select typeof(日付), 日付, typeof(売上額), 売上額, 仕入額, "
                                                          "入金額, 出金額 from 業務日誌 order by 日付"));
    for (int k = 0; source.next(); ++k) {
        if (source.value(0).toString() == QLatin1String("text") && parseStoredDate(source.value(1).toString())) {
            expected << all[k];
        }
    }
    QCOMPARE(expected.size(), 130 + 3);

    const DbError error =
        work().copyRows(main(), kPeriod, sql::kSelectWorkTable, journalColumns(CopiedColumn::AsStored));
    QVERIFY2(error.ok(), qPrintable(error.message));
    QCOMPARE(workRows(work()), expected);
}

void TestCopyRows::refusedAmountStopsTheCopy_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a text") << QStringLiteral("'abc'") << QStringLiteral("abc");
    QTest::newRow("a fraction") << QStringLiteral("1.5") << QStringLiteral("1.5");
    QTest::newRow("above the limit") << QStringLiteral("10000000000") << QStringLiteral("10000000000");
    QTest::newRow("below the limit") << QStringLiteral("-10000000000") << QStringLiteral("-10000000000");
}

// The refused value is named with its row; what the copy wrote before it is
// undone, what the table held before stays.
void TestCopyRows::refusedAmountStopsTheCopy()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    exec(work(), QStringLiteral("insert into w集計 values ('2000-01-01', 1, 2, 3, 4)"));
    const QStringList before = workRows(work());
    addDays(QDate(2004, 1, 1), 150, 1);
    // A row that belongs to no day is left out before its amounts are looked at.
    exec(main(), QStringLiteral("insert into 業務日誌 values ('2003/12/31', %1, 0, 0, 0, '')").arg(stored));
    exec(main(), QStringLiteral("update 業務日誌 set 入金額 = %1 where 日付 = '2004-04-10'").arg(stored));

    RefusedValue refused;
    const DbError error =
        work().copyRows(main(), kPeriod, sql::kSelectWorkTable, journalColumns(CopiedColumn::WholeNumber), &refused);
    QCOMPARE(error.number, int(ErrBadValue));
    QCOMPARE(refused.column, QStringLiteral("入金額"));
    QCOMPARE(refused.value.toString(), shown);
    QCOMPARE(refused.row.size(), 5);
    QCOMPARE(refused.row[0], QVariant(QDate(2004, 4, 10)));
    QCOMPARE(refused.row[1], QVariant(qint64(101)));
    QCOMPARE(workRows(work()), before);
}

void TestCopyRows::failuresLeaveTheTargetAsItWas()
{
    exec(work(), QStringLiteral("insert into w集計 values ('2000-01-01', 1, 2, 3, 4)"));
    const QStringList before = workRows(work());
    addDays(QDate(2004, 1, 1), 150, 1);
    const QList<CopiedColumn> columns = journalColumns(CopiedColumn::WholeNumber);

    // A row that cannot be read, after more rows than one write takes.
    exec(main(), QStringLiteral("update 業務日誌 set 出金額 = -9223372036854775807 - 1 where 日付 = '2004-04-10'"));
    DbError error =
        work().copyRows(main(), QStringLiteral("select * from 業務日誌 where abs(出金額) >= 0 order by 日付"),
                        sql::kSelectWorkTable, columns);
    QVERIFY2(error.message.contains(QStringLiteral("overflow")), qPrintable(error.message));
    QCOMPARE(workRows(work()), before);

    // A target that refuses a row half-way, as a full disk would.
    exec(work(), QStringLiteral("create trigger full before insert on w集計 when (select count(*) from w集計) >= 100 "
                                "begin select raise(abort, 'database or disk is full'); end"));
    error = work().copyRows(main(), QStringLiteral("select * from 業務日誌 where 日付 < '2004-04-10' order by 日付"),
                            sql::kSelectWorkTable, columns);
    QVERIFY2(error.message.contains(QStringLiteral("disk is full")), qPrintable(error.message));
    QCOMPARE(workRows(work()), before);

    // Misuse is refused before anything is written.
    QList<CopiedColumn> unknown = columns;
    unknown.append({QStringLiteral("日誌メモ"), CopiedColumn::AsStored, 0});
    QCOMPARE(work().copyRows(main(), kPeriod, sql::kSelectWorkTable, unknown).number, int(ErrUnknownColumn));
    QCOMPARE(work().copyRows(main(), kPeriod, QStringLiteral("select 日付 from w集計"), columns).number,
             int(ErrNotUpdatable));
    QCOMPARE(work().copyRows(main(), sql::kDeleteAllJournal, sql::kSelectWorkTable, columns).number, 1);
    QCOMPARE(rowsOf(main(), QStringLiteral("select 1 from 業務日誌")).size(), 150);
    main().close();
    QCOMPARE(work().copyRows(main(), kPeriod, sql::kSelectWorkTable, columns).number, int(ErrClosed));
    QCOMPARE(workRows(work()), before);
}

QTEST_GUILESS_MAIN(TestCopyRows)
#include "test_copyrows.moc"
