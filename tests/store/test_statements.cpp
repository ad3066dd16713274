// Every statement of the journal, as text and run on real database files.

#include "store/database.h"
#include "store/dialect.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/statements.h"
#include "support/tempdata.h"

#include <QSqlQuery>
#include <QTest>

using namespace store;

namespace {

struct Journal
{
    QDate date;
    QVariant sales;
    QVariant purchases;
    QVariant received;
    QVariant paid;
    QVariant memo;
};

// Writes one journal record the way registering does: upsert by key.
DbError upsertJournal(Database &db, const Journal &journal)
{
    DbError error;
    const std::unique_ptr<Recordset> rs = db.openRecordset(sql::selectJournalOfDate(journal.date), &error);
    if (!rs) {
        return error;
    }
    error = rs->isEmpty() ? rs->addNew() : rs->edit();
    const std::pair<QString, QVariant> fields[] = {{QStringLiteral("日付"), sql::dateText(journal.date)},
                                                   {QStringLiteral("売上額"), journal.sales},
                                                   {QStringLiteral("仕入額"), journal.purchases},
                                                   {QStringLiteral("入金額"), journal.received},
                                                   {QStringLiteral("出金額"), journal.paid},
                                                   {QStringLiteral("日誌"), journal.memo}};
    for (const auto &[name, value] : fields) {
        if (!error) {
            error = rs->setField(name, value);
        }
    }
    return error ? error : rs->update();
}

int countRows(Database &db, const QString &table)
{
    QSqlQuery query(db.connection());
    if (!query.exec(QStringLiteral("select count(*) from \"") + table + u'"') || !query.next()) {
        return -1;
    }
    return query.value(0).toInt();
}

QList<QDate> datesOf(Recordset &rs)
{
    QList<QDate> dates;
    while (!rs.eof()) {
        dates.append(rs.field(QStringLiteral("日付")).toDate());
        rs.moveNext();
    }
    return dates;
}

} // namespace

class TestStatements : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void texts_data();
    void texts();
    void quoteInsideNamesIsDoubled();

    void statement1ReadsTheDate();
    void statement1UpsertTwiceLeavesOneRow();
    void statement2DeletesOnlyTheDate();
    void statement3RangeIncludesBothEnds();
    void statement3ReversedRangeSelectsNothing();
    void statements4And7EmptyTheWorkTable();
    void statement5AddsRows();
    void statement6OnEmptyTableGivesNulls();
    void statement6SumsExactly();
    void statements8And9EraseTheMainTables();
    void statement10UpsertsTheSettings();
    void statements11And12ReplaceAHint_data();
    void statements11And12ReplaceAHint();
    void hintNameCannotInject();

private:
    std::unique_ptr<testsupport::TempData> m_data;
    std::unique_ptr<ModVelmoraA> m_state;
};

void TestStatements::init()
{
    m_data = std::make_unique<testsupport::TempData>();
    QVERIFY(m_data->ok());
    m_state = std::make_unique<ModVelmoraA>();
    QVERIFY(m_data->openInto(*m_state));
}

void TestStatements::cleanup()
{
    m_state.reset();
    m_data.reset();
}

void TestStatements::texts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    const QDate day(2007, 4, 4);

    QTest::newRow("1") << sql::selectJournalOfDate(day)
                       << QStringLiteral("select * from 業務日誌 where 日付 =#2007/04/04#");
    QTest::newRow("2") << sql::deleteJournalOfDate(day)
                       << QStringLiteral("delete * from 業務日誌 where 日付 =#2007/04/04#");
    QTest::newRow("3") << sql::selectJournalOfPeriod(QStringLiteral("2004/04/01"), QStringLiteral("2004/04/30"))
                       << QStringLiteral("select * from 業務日誌 where 日付 >= #2004/04/01# and  日付 <= "
                                         "#2004/04/30# order by 日付;");
    QTest::newRow("4") << sql::kDeleteWorkTable << QStringLiteral("delete * from w集計");
    QTest::newRow("5") << sql::kSelectWorkTable << QStringLiteral("select * from w集計");
    QTest::newRow("6") << sql::selectWorkTableSums()
                       << QStringLiteral("select sum([売上額]) as t売上計,sum([仕入額]) as t仕入計, sum([入金額]) as "
                                         "t入金計,sum([出金額]) as t出金計 from w集計 ");
    QTest::newRow("7") << sql::kClearWorkTable << QStringLiteral("delete * from w集計 ");
    QTest::newRow("8") << sql::kDeleteAllJournal << QStringLiteral("delete * from 業務日誌");
    QTest::newRow("9") << sql::kDeleteSettings << QStringLiteral("delete * from 自社情報");
    QTest::newRow("10") << sql::kSelectSettings << QStringLiteral("select * from 自社情報");
    QTest::newRow("11") << sql::deleteHint(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"))
                        << QStringLiteral("delete * from ClHint where FormName = 'FrmNippo' and CtlName = 'cmdHint'");
    QTest::newRow("12") << sql::selectHint(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint1"))
                        << QStringLiteral("select * from ClHint where FormName = 'FrmNippo' and CtlName = 'cmdHint1'");
    QTest::newRow("date text") << sql::dateText(QDate(1868, 9, 8)) << QStringLiteral("1868/09/08");
}

void TestStatements::texts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestStatements::quoteInsideNamesIsDoubled()
{
    QCOMPARE(sql::selectHint(QStringLiteral("O'Hara"), QStringLiteral("a''b")),
             QStringLiteral("select * from ClHint where FormName = 'O''Hara' and CtlName = 'a''''b'"));
    QCOMPARE(sql::deleteHint(QStringLiteral("'"), QString()),
             QStringLiteral("delete * from ClHint where FormName = '''' and CtlName = ''"));
}

void TestStatements::statement1ReadsTheDate()
{
    Database &db = m_state->MainDb;
    QVERIFY(upsertJournal(
                db, {QDate(2004, 4, 1), qint64(100), qint64(200), qint64(300), qint64(400), QStringLiteral("晴れ")})
                .ok());
    QVERIFY(upsertJournal(db, {QDate(2004, 4, 2), qint64(1), {}, {}, {}, QString()}).ok());

    DbError error;
    auto rs = db.openRecordset(sql::selectJournalOfDate(QDate(2004, 4, 1)), &error);
    QVERIFY2(rs, qPrintable(error.message));
    QVERIFY(!rs->bof() && !rs->eof());
    QCOMPARE(rs->field(QStringLiteral("日付")), QVariant(QDate(2004, 4, 1)));
    QCOMPARE(rs->field(QStringLiteral("売上額")).toLongLong(), 100);
    QCOMPARE(rs->field(QStringLiteral("出金額")).toLongLong(), 400);
    QCOMPARE(rs->field(QStringLiteral("日誌")).toString(), QStringLiteral("晴れ"));
    rs->moveNext();
    QVERIFY(rs->eof());

    rs = db.openRecordset(sql::selectJournalOfDate(QDate(2004, 4, 2)), &error);
    QVERIFY(rs && !rs->isEmpty());
    QVERIFY(!rs->field(QStringLiteral("仕入額")).isValid());
    const QVariant memo = rs->field(QStringLiteral("日誌"));
    QVERIFY(memo.isValid());
    QCOMPARE(memo.toString(), QString());

    rs = db.openRecordset(sql::selectJournalOfDate(QDate(2004, 4, 3)), &error);
    QVERIFY(error.ok());
    QVERIFY(rs && rs->bof() && rs->eof());
}

void TestStatements::statement1UpsertTwiceLeavesOneRow()
{
    Database &db = m_state->MainDb;
    const QDate day(2004, 4, 1);
    QVERIFY(upsertJournal(db, {day, qint64(1), qint64(2), qint64(3), qint64(4), QStringLiteral("一回目")}).ok());
    QVERIFY(upsertJournal(db, {day, qint64(5), {}, qint64(7), qint64(8), QStringLiteral("二回目")}).ok());
    QCOMPARE(countRows(db, QStringLiteral("業務日誌")), 1);

    DbError error;
    auto rs = db.openRecordset(sql::selectJournalOfDate(day), &error);
    QVERIFY(rs && !rs->isEmpty());
    QCOMPARE(rs->field(QStringLiteral("売上額")).toLongLong(), 5);
    QVERIFY(!rs->field(QStringLiteral("仕入額")).isValid());
    QCOMPARE(rs->field(QStringLiteral("日誌")).toString(), QStringLiteral("二回目"));
}

void TestStatements::statement2DeletesOnlyTheDate()
{
    Database &db = m_state->MainDb;
    for (int day = 1; day <= 3; ++day) {
        QVERIFY(upsertJournal(db, {QDate(2004, 4, day), qint64(day), {}, {}, {}, QString()}).ok());
    }
    QVERIFY(db.execute(sql::deleteJournalOfDate(QDate(2004, 4, 2))).ok());
    // A date without a record is no error.
    QVERIFY(db.execute(sql::deleteJournalOfDate(QDate(2004, 4, 9))).ok());

    DbError error;
    auto rs = db.openRecordset(QStringLiteral("select * from 業務日誌 order by 日付"), &error);
    QVERIFY(rs);
    QCOMPARE(datesOf(*rs), (QList<QDate>{QDate(2004, 4, 1), QDate(2004, 4, 3)}));
}

void TestStatements::statement3RangeIncludesBothEnds()
{
    Database &db = m_state->MainDb;
    // Written out of order, so that only "order by" can put them in order.
    for (const int day : {30, 5, 31, 1, 15}) {
        QVERIFY(upsertJournal(
                    db, {QDate(2004, day == 31 ? 3 : 4, day == 31 ? 31 : day), qint64(day), {}, {}, {}, QString()})
                    .ok());
    }
    QVERIFY(upsertJournal(db, {QDate(2004, 5, 1), qint64(1), {}, {}, {}, QString()}).ok());

    DbError error;
    auto rs = db.openRecordset(sql::selectJournalOfPeriod(QStringLiteral("2004/04/01"), QStringLiteral("2004/04/30")),
                               &error);
    QVERIFY2(rs, qPrintable(error.message));
    QCOMPARE(datesOf(*rs),
             (QList<QDate>{QDate(2004, 4, 1), QDate(2004, 4, 5), QDate(2004, 4, 15), QDate(2004, 4, 30)}));

    rs = db.openRecordset(sql::selectJournalOfPeriod(QStringLiteral("2004/04/30"), QStringLiteral("2004/04/30")),
                          &error);
    QVERIFY(rs);
    QCOMPARE(datesOf(*rs), QList<QDate>{QDate(2004, 4, 30)});
}

void TestStatements::statement3ReversedRangeSelectsNothing()
{
    Database &db = m_state->MainDb;
    for (int day = 1; day <= 30; ++day) {
        QVERIFY(upsertJournal(db, {QDate(2004, 4, day), qint64(day), {}, {}, {}, QString()}).ok());
    }
    DbError error;
    auto rs = db.openRecordset(sql::selectJournalOfPeriod(QStringLiteral("2004/04/30"), QStringLiteral("2004/04/01")),
                               &error);
    QVERIFY(error.ok());
    QVERIFY(rs && rs->bof() && rs->eof());
}

void TestStatements::statements4And7EmptyTheWorkTable()
{
    Database &db = m_state->WorkDb;
    for (const QString &statement : {sql::kDeleteWorkTable, sql::kClearWorkTable}) {
        QVERIFY(db.execute(QStringLiteral("insert into w集計 (日付, 売上額) values ('2004-04-01', 1), "
                                          "('2004-04-02', 2)"))
                    .ok());
        QCOMPARE(countRows(db, QStringLiteral("w集計")), 2);
        const DbError error = db.execute(statement);
        QVERIFY2(error.ok(), qPrintable(error.message));
        QCOMPARE(countRows(db, QStringLiteral("w集計")), 0);
    }
    // Emptying an empty table is no error either.
    QVERIFY(db.execute(sql::kClearWorkTable).ok());
}

void TestStatements::statement5AddsRows()
{
    Database &db = m_state->WorkDb;
    DbError error;
    auto rs = db.openRecordset(sql::kSelectWorkTable, &error);
    QVERIFY(rs && rs->isEmpty());
    for (int day = 1; day <= 3; ++day) {
        QVERIFY(rs->addNew().ok());
        QVERIFY(rs->setField(QStringLiteral("日付"), QDate(2004, 4, day)).ok());
        QVERIFY(rs->setField(QStringLiteral("売上額"), qint64(day) * 1000).ok());
        QVERIFY(rs->update().ok());
    }
    rs->close();
    rs = db.openRecordset(sql::kSelectWorkTable, &error);
    QVERIFY(rs);
    QCOMPARE(datesOf(*rs), (QList<QDate>{QDate(2004, 4, 1), QDate(2004, 4, 2), QDate(2004, 4, 3)}));
}

void TestStatements::statement6OnEmptyTableGivesNulls()
{
    DbError error;
    auto rs = m_state->WorkDb.openRecordset(sql::selectWorkTableSums(), &error);
    QVERIFY2(rs, qPrintable(error.message));
    QVERIFY(!rs->bof() && !rs->eof());
    for (const QString &name :
         {QStringLiteral("t売上計"), QStringLiteral("t仕入計"), QStringLiteral("t入金計"), QStringLiteral("t出金計")}) {
        DbError fieldError;
        QVERIFY(!rs->field(name, &fieldError).isValid());
        QVERIFY(fieldError.ok());
    }
    rs->moveNext();
    QVERIFY(rs->eof());
    QCOMPARE(rs->addNew().number, int(ErrNotUpdatable));
}

void TestStatements::statement6SumsExactly()
{
    Database &db = m_state->WorkDb;
    const qint64 top = Q_INT64_C(9999999999);
    const int rows = 40000;
    qint64 expectedSales = 0;
    qint64 expectedPaid = 0;
    const DbError error = db.inTransaction([&]() -> DbError {
        DbError openError;
        auto rs = db.openRecordset(sql::kSelectWorkTable, &openError);
        if (!rs) {
            return openError;
        }
        QDate day(1950, 1, 1);
        for (int k = 0; k < rows; ++k, day = day.addDays(1)) {
            const qint64 sales = top - k % 7;
            const qint64 paid = k % 3 == 0 ? -top : top - 1;
            expectedSales += sales;
            expectedPaid += paid;
            DbError step = rs->addNew();
            step = step ? step : rs->setField(QStringLiteral("日付"), day);
            step = step ? step : rs->setField(QStringLiteral("売上額"), sales);
            step = step ? step : rs->setField(QStringLiteral("出金額"), paid);
            step = step ? step : rs->setField(QStringLiteral("入金額"), k == 0 ? QVariant(qint64(-1)) : QVariant());
            step = step ? step : rs->update();
            if (step) {
                return step;
            }
        }
        return DbError::none();
    });
    QVERIFY2(error.ok(), qPrintable(error.message));

    DbError sumError;
    auto rs = db.openRecordset(sql::selectWorkTableSums(), &sumError);
    QVERIFY2(rs, qPrintable(sumError.message));
    QCOMPARE(rs->field(QStringLiteral("t売上計")).toLongLong(), expectedSales);
    QCOMPARE(rs->field(QStringLiteral("t出金計")).toLongLong(), expectedPaid);
    QCOMPARE(rs->field(QStringLiteral("t入金計")).toLongLong(), -1);
    QVERIFY(!rs->field(QStringLiteral("t仕入計")).isValid());
    // Far beyond 32 bits.
    QVERIFY(expectedSales > Q_INT64_C(1) << 48);
}

void TestStatements::statements8And9EraseTheMainTables()
{
    Database &db = m_state->MainDb;
    QVERIFY(upsertJournal(db, {QDate(2004, 4, 1), qint64(1), {}, {}, {}, QString()}).ok());
    QVERIFY(db.execute(QStringLiteral("insert into 自社情報 values ('和暦', 255)")).ok());
    QVERIFY(db.execute(sql::kDeleteAllJournal).ok());
    QCOMPARE(countRows(db, QStringLiteral("業務日誌")), 0);
    QCOMPARE(countRows(db, QStringLiteral("自社情報")), 1);
    QVERIFY(db.execute(sql::kDeleteSettings).ok());
    QCOMPARE(countRows(db, QStringLiteral("自社情報")), 0);
    // On empty tables they succeed silently.
    QVERIFY(db.execute(sql::kDeleteAllJournal).ok());
    QVERIFY(db.execute(sql::kDeleteSettings).ok());
}

void TestStatements::statement10UpsertsTheSettings()
{
    Database &db = m_state->MainDb;
    for (const auto &[era, colour] : {std::pair{QStringLiteral("和暦"), 255}, std::pair{QStringLiteral("西暦"), 0}}) {
        DbError error;
        auto rs = db.openRecordset(sql::kSelectSettings, &error);
        QVERIFY(rs);
        QVERIFY((rs->isEmpty() ? rs->addNew() : rs->edit()).ok());
        QVERIFY(rs->setField(QStringLiteral("年号"), era).ok());
        QVERIFY(rs->setField(QStringLiteral("LineColor1"), colour).ok());
        QVERIFY(rs->update().ok());
        rs->close();

        rs = db.openRecordset(sql::kSelectSettings, &error);
        QVERIFY(rs && !rs->isEmpty());
        rs->moveFirst();
        QCOMPARE(rs->field(QStringLiteral("年号")).toString(), era);
        QCOMPARE(rs->field(QStringLiteral("LineColor1")).toInt(), colour);
        QCOMPARE(countRows(db, QStringLiteral("自社情報")), 1);
    }
}

void TestStatements::statements11And12ReplaceAHint_data()
{
    QTest::addColumn<QString>("formName");
    QTest::addColumn<QString>("ctlName");
    QTest::newRow("plain") << QStringLiteral("FrmNippo") << QStringLiteral("cmdHint");
    QTest::newRow("quote in window name") << QStringLiteral("Frm'Nippo") << QStringLiteral("cmdHint1");
    QTest::newRow("quotes everywhere") << QStringLiteral("'") << QStringLiteral("''x'');");
    QTest::newRow("dialect inside names") << QStringLiteral("[FrmNippo]") << QStringLiteral("#2004/01/01#");
}

void TestStatements::statements11And12ReplaceAHint()
{
    QFETCH(QString, formName);
    QFETCH(QString, ctlName);
    Database &db = m_state->WorkDb;
    // A neighbour that must survive every replacement.
    QVERIFY(db.execute(QStringLiteral("insert into ClHint values ('FrmNippo', 'cmdHint2', 't', 'other')")).ok());

    for (const QString &contents : {QStringLiteral("最初のヒント"), QStringLiteral("二つ目 ' のヒント"), QString()}) {
        QVERIFY(db.execute(sql::deleteHint(formName, ctlName)).ok());
        DbError error;
        auto rs = db.openRecordset(sql::selectHint(formName, ctlName), &error);
        QVERIFY2(rs, qPrintable(error.message));
        QVERIFY(rs->isEmpty());
        QVERIFY(rs->addNew().ok());
        QVERIFY(rs->setField(QStringLiteral("FormName"), formName).ok());
        QVERIFY(rs->setField(QStringLiteral("CtlName"), ctlName).ok());
        QVERIFY(rs->setField(QStringLiteral("FormTitle"), QStringLiteral("業務日誌 ZEPHRA Ver 1.40")).ok());
        QVERIFY(rs->setField(QStringLiteral("Contents"), contents).ok());
        QVERIFY(rs->update().ok());
        rs->close();

        rs = db.openRecordset(sql::selectHint(formName, ctlName), &error);
        QVERIFY(rs && !rs->isEmpty());
        QCOMPARE(rs->field(QStringLiteral("FormName")).toString(), formName);
        QCOMPARE(rs->field(QStringLiteral("CtlName")).toString(), ctlName);
        QVERIFY(rs->field(QStringLiteral("Contents")).isValid()); // an empty text, not Null
        QCOMPARE(rs->field(QStringLiteral("Contents")).toString(), contents);
        rs->moveNext();
        QVERIFY(rs->eof());
    }
    QCOMPARE(countRows(db, QStringLiteral("ClHint")), 2);
}

void TestStatements::hintNameCannotInject()
{
    Database &db = m_state->WorkDb;
    QVERIFY(db.execute(QStringLiteral("insert into ClHint values ('FrmNippo', 'cmdHint', 't', 'a'), "
                                      "('FrmNippo', 'cmdHint1', 't', 'b')"))
                .ok());
    const QString hostile = QStringLiteral("x' or '1'='1");
    DbError error;
    auto rs = db.openRecordset(sql::selectHint(hostile, hostile), &error);
    QVERIFY2(rs, qPrintable(error.message));
    QVERIFY(rs->isEmpty());
    QVERIFY(db.execute(sql::deleteHint(hostile, hostile)).ok());
    QVERIFY(db.execute(sql::deleteHint(QStringLiteral("FrmNippo"), QStringLiteral("x'; delete from ClHint; --"))).ok());
    QCOMPARE(countRows(db, QStringLiteral("ClHint")), 2);
}

QTEST_GUILESS_MAIN(TestStatements)
#include "test_statements.moc"
