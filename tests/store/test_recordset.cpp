// Dynaset recordsets on real database files: positions, reading, writing, failures.

#include "store/database.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/statements.h"
#include "support/tempdata.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <limits>

using namespace store;

namespace {

int countRows(Database &db, const QString &table)
{
    QSqlQuery query(db.connection());
    if (!query.exec(QStringLiteral("select count(*) from \"") + table + u'"') || !query.next()) {
        return -1;
    }
    return query.value(0).toInt();
}

// The stored value and its storage class, read past the recordset.
std::pair<QString, QVariant> storedOf(Database &db, const QString &sql)
{
    QSqlQuery query(db.connection());
    if (!query.exec(QStringLiteral("select typeof(v), v from (") + sql + u')') || !query.next()) {
        return {QStringLiteral("failed"), {}};
    }
    return {query.value(0).toString(), query.value(1)};
}

const QString kDate = QStringLiteral("日付");

} // namespace

class TestRecordset : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyRecordset();
    void positionsAndMoves();
    void fieldValues_data();
    void fieldValues();
    void dateAssignment_data();
    void dateAssignment();
    void textAndAmountAssignment_data();
    void textAndAmountAssignment();
    void editChangesOnlyAssignedColumns();
    void readOnlySelects_data();
    void readOnlySelects();
    void misuseIsReported();
    void nonSelectIsRefusedBeforeItRuns();
    void vanishedRowIsReported();
    void writesAreCommittedWhileReading();
    void failedUpdateKeepsTheRowsReadable();
    void readErrorEndsTheRows();
    void closedDatabaseFailsCleanly();
    void copyOfACenturyIsQuick();

private:
    Database &main() { return m_state->MainDb; }
    Database &work() { return m_state->WorkDb; }
    std::unique_ptr<Recordset> open(Database &db, const QString &sql);
    void insertJournal(int days, const QDate &first);

    std::unique_ptr<testsupport::TempData> m_data;
    std::unique_ptr<ModVelmoraA> m_state;
};

void TestRecordset::init()
{
    m_data = std::make_unique<testsupport::TempData>();
    QVERIFY(m_data->ok());
    m_state = std::make_unique<ModVelmoraA>();
    QVERIFY(m_data->openInto(*m_state));
}

void TestRecordset::cleanup()
{
    m_state.reset();
    m_data.reset();
}

std::unique_ptr<Recordset> TestRecordset::open(Database &db, const QString &sql)
{
    DbError error;
    auto rs = db.openRecordset(sql, &error);
    if (!rs) {
        qWarning("openRecordset failed: %s", qPrintable(describeForUser(error)));
    }
    return rs;
}

// Journal records for `days` consecutive days, sales = day number from 1.
void TestRecordset::insertJournal(int days, const QDate &first)
{
    const DbError error = main().inTransaction([&]() -> DbError {
        QSqlQuery insert(main().connection());
        insert.prepare(QStringLiteral("insert into 業務日誌 values (?, ?, ?, ?, ?, ?)"));
        for (int k = 0; k < days; ++k) {
            insert.bindValue(0, first.addDays(k).toString(Qt::ISODate));
            insert.bindValue(1, qint64(k + 1));
            insert.bindValue(2, qint64(k) * 1000000007);
            insert.bindValue(3, k % 5 == 0 ? QVariant() : QVariant(qint64(-k)));
            insert.bindValue(4, qint64(1));
            insert.bindValue(5, QStringLiteral("日誌 %1").arg(k));
            if (!insert.exec()) {
                return fromSqlError(insert.lastError());
            }
        }
        return DbError::none();
    });
    QVERIFY2(error.ok(), qPrintable(error.message));
}

void TestRecordset::emptyRecordset()
{
    auto rs = open(main(), QStringLiteral("select * from 業務日誌"));
    QVERIFY(rs);
    QVERIFY(rs->bof() && rs->eof() && rs->isEmpty());
    DbError error;
    QVERIFY(!rs->field(kDate, &error).isValid());
    QCOMPARE(error.number, int(ErrNoCurrentRow));
    QCOMPARE(rs->edit().number, int(ErrNoCurrentRow));
    rs->moveNext();
    QCOMPARE(rs->error().number, int(ErrNoCurrentRow));
    rs->moveFirst();
    QVERIFY(rs->error().ok());
    QVERIFY(rs->bof() && rs->eof());

    QVERIFY(rs->addNew().ok());
    QVERIFY(rs->setField(kDate, QDate(2004, 4, 1)).ok());
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 1))); // the new row while it is being assigned
    QVERIFY(rs->update().ok());
    QVERIFY(rs->bof() && rs->eof());
    QCOMPARE(countRows(main(), QStringLiteral("業務日誌")), 1);
}

void TestRecordset::positionsAndMoves()
{
    insertJournal(3, QDate(2004, 4, 1));
    auto rs = open(main(), QStringLiteral("select * from 業務日誌 order by 日付 desc"));
    QVERIFY(rs);
    QVERIFY(!rs->bof() && !rs->eof());
    QList<qint64> sales;
    while (!rs->eof()) {
        sales.append(rs->field(QStringLiteral("売上額")).toLongLong());
        rs->moveNext();
    }
    QCOMPARE(sales, (QList<qint64>{3, 2, 1}));
    QVERIFY(rs->error().ok());
    QVERIFY(!rs->bof());
    rs->moveFirst();
    QVERIFY(!rs->eof());
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 3)));
    rs->moveNext();
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 2)));
}

void TestRecordset::fieldValues_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("date") << kDate << QStringLiteral("'2004-04-01'") << QVariant(QDate(2004, 4, 1));
    QTest::newRow("null date") << kDate << QStringLiteral("NULL") << QVariant();
    QTest::newRow("no such day") << kDate << QStringLiteral("'2004-02-30'") << QVariant(QStringLiteral("2004-02-30"));
    QTest::newRow("slashed date as stored")
        << kDate << QStringLiteral("'2004/04/01'") << QVariant(QStringLiteral("2004/04/01"));
    QTest::newRow("garbage date") << kDate << QStringLiteral("'昨日'") << QVariant(QStringLiteral("昨日"));
    QTest::newRow("number in date column") << kDate << QStringLiteral("20040401") << QVariant(qint64(20040401));
    QTest::newRow("blob in date column") << kDate << QStringLiteral("x'00ff'") << QVariant(QByteArray("\x00\xff", 2));
    QTest::newRow("top amount") << QStringLiteral("売上額") << QStringLiteral("9999999999")
                                << QVariant(qint64(9999999999));
    QTest::newRow("bottom amount") << QStringLiteral("売上額") << QStringLiteral("-9999999999")
                                   << QVariant(qint64(-9999999999));
    QTest::newRow("largest integer") << QStringLiteral("売上額") << QStringLiteral("9223372036854775807")
                                     << QVariant(std::numeric_limits<qint64>::max());
    QTest::newRow("null amount") << QStringLiteral("売上額") << QStringLiteral("NULL") << QVariant();
    QTest::newRow("empty text") << QStringLiteral("日誌") << QStringLiteral("''") << QVariant(QStringLiteral(""));
    QTest::newRow("null text") << QStringLiteral("日誌") << QStringLiteral("NULL") << QVariant();
    QTest::newRow("multi-line text") << QStringLiteral("日誌") << QStringLiteral("'一行目' || char(13, 10) || '二行目'")
                                     << QVariant(QStringLiteral("一行目\r\n二行目"));
    QTest::newRow("column name in other case") << QStringLiteral("LINECOLOR1") << QString() << QVariant(qint64(255));
}

void TestRecordset::fieldValues()
{
    QFETCH(QString, column);
    QFETCH(QString, stored);
    QFETCH(QVariant, expected);
    if (stored.isEmpty()) {
        QVERIFY(main().execute(QStringLiteral("insert into 自社情報 values ('和暦', 255)")).ok());
        auto rs = open(main(), sql::kSelectSettings);
        QVERIFY(rs);
        QCOMPARE(rs->field(column), expected);
        return;
    }
    QVERIFY(main().execute(QStringLiteral("insert into 業務日誌 (\"%1\") values (%2)").arg(column, stored)).ok());
    auto rs = open(main(), QStringLiteral("select * from 業務日誌"));
    QVERIFY(rs && !rs->isEmpty());
    DbError error;
    const QVariant value = rs->field(column, &error);
    QVERIFY(error.ok());
    QCOMPARE(value.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(value.typeId(), expected.typeId());
        QCOMPARE(value, expected);
    }
}

void TestRecordset::dateAssignment_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("storedType");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("errorNumber");

    const QString iso = QStringLiteral("2004-04-01");
    QTest::newRow("date") << QVariant(QDate(2004, 4, 1)) << "text" << iso << 0;
    QTest::newRow("slashed text") << QVariant(QStringLiteral("2004/04/01")) << "text" << iso << 0;
    QTest::newRow("dashed text") << QVariant(QStringLiteral("2004-04-01")) << "text" << iso << 0;
    QTest::newRow("short text") << QVariant(QStringLiteral("2004/4/1")) << "text" << iso << 0;
    QTest::newRow("date and time") << QVariant(QDateTime(QDate(2004, 4, 1), QTime(23, 59))) << "text" << iso << 0;
    QTest::newRow("first era day") << QVariant(QDate(1868, 9, 8)) << "text" << QStringLiteral("1868-09-08") << 0;
    QTest::newRow("null") << QVariant() << "null" << QString() << 0;
    QTest::newRow("empty text") << QVariant(QString()) << "null" << QString() << 0;
    QTest::newRow("no such day") << QVariant(QStringLiteral("2004/02/30")) << "" << QString() << int(ErrBadValue);
    QTest::newRow("not a date") << QVariant(QStringLiteral("x'); drop table 業務日誌; --")) << "" << QString()
                                << int(ErrBadValue);
    QTest::newRow("number") << QVariant(20040401) << "" << QString() << int(ErrBadValue);
    QTest::newRow("invalid date") << QVariant(QDate()) << "" << QString() << int(ErrBadValue);
    QTest::newRow("year 10000") << QVariant(QDate(10000, 1, 1)) << "" << QString() << int(ErrBadValue);
}

void TestRecordset::dateAssignment()
{
    QFETCH(QVariant, value);
    QFETCH(QString, storedType);
    QFETCH(QString, stored);
    QFETCH(int, errorNumber);

    auto rs = open(work(), sql::kSelectWorkTable);
    QVERIFY(rs);
    QVERIFY(rs->addNew().ok());
    QVERIFY(rs->setField(QStringLiteral("売上額"), qint64(7)).ok());
    QCOMPARE(rs->setField(kDate, value).number, errorNumber);
    QVERIFY(rs->update().ok());
    const auto [type, actual] = storedOf(work(), QStringLiteral("select 日付 as v from w集計"));
    if (errorNumber == 0) {
        QCOMPARE(type, storedType);
        QCOMPARE(actual.toString(), stored);
    } else {
        QCOMPARE(type, QStringLiteral("null")); // the refused value was not written
    }
    QCOMPARE(countRows(work(), QStringLiteral("w集計")), 1);
}

void TestRecordset::textAndAmountAssignment_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("storedType");

    QTest::newRow("empty text stays text") << QStringLiteral("日誌") << QVariant(QString()) << "text";
    QTest::newRow("null text") << QStringLiteral("日誌") << QVariant() << "null";
    QTest::newRow("QtSql's typed null") << QStringLiteral("日誌") << QVariant(QMetaType::fromType<QString>()) << "null";
    QTest::newRow("quoted text") << QStringLiteral("日誌") << QVariant(QStringLiteral("it's '; --")) << "text";
    QTest::newRow("top amount") << QStringLiteral("売上額") << QVariant(qint64(9999999999)) << "integer";
    QTest::newRow("bottom amount") << QStringLiteral("売上額") << QVariant(qint64(-9999999999)) << "integer";
    QTest::newRow("int amount") << QStringLiteral("売上額") << QVariant(int(-5)) << "integer";
    QTest::newRow("null amount") << QStringLiteral("売上額") << QVariant() << "null";
}

void TestRecordset::textAndAmountAssignment()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, storedType);

    auto rs = open(main(), sql::selectJournalOfDate(QDate(2004, 4, 1)));
    QVERIFY(rs && rs->isEmpty());
    QVERIFY(rs->addNew().ok());
    QVERIFY(rs->setField(kDate, QStringLiteral("2004/04/01")).ok());
    QVERIFY(rs->setField(column, value).ok());
    QVERIFY(rs->update().ok());
    rs->close();

    const auto [type, stored] = storedOf(main(), QStringLiteral("select \"%1\" as v from 業務日誌").arg(column));
    QCOMPARE(type, storedType);
    rs = open(main(), sql::selectJournalOfDate(QDate(2004, 4, 1)));
    QVERIFY(rs && !rs->isEmpty());
    const QVariant back = rs->field(column);
    if (storedType == QLatin1String("null")) {
        QVERIFY(!back.isValid());
    } else if (storedType == QLatin1String("integer")) {
        QCOMPARE(back.toLongLong(), value.toLongLong());
    } else {
        QCOMPARE(back.toString(), value.toString());
    }
}

void TestRecordset::editChangesOnlyAssignedColumns()
{
    insertJournal(3, QDate(2004, 4, 1));
    auto rs = open(main(), QStringLiteral("select * from 業務日誌 where 日付 >= #2004/04/02# order by 日付"));
    QVERIFY(rs && !rs->isEmpty());
    QVERIFY(rs->edit().ok());
    QVERIFY(rs->setField(QStringLiteral("売上額"), qint64(-42)).ok());
    QCOMPARE(rs->field(QStringLiteral("売上額")).toLongLong(), -42);
    QCOMPARE(rs->field(QStringLiteral("日誌")).toString(), QStringLiteral("日誌 1")); // not assigned: as read
    QVERIFY(rs->update().ok());
    QCOMPARE(rs->field(QStringLiteral("売上額")).toLongLong(), -42);
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 2)));

    // An edit with nothing assigned writes nothing and succeeds.
    QVERIFY(rs->edit().ok());
    QVERIFY(rs->update().ok());
    // Moving on drops an edit that was not updated.
    QVERIFY(rs->edit().ok());
    QVERIFY(rs->setField(QStringLiteral("売上額"), qint64(99)).ok());
    rs->moveNext();
    QCOMPARE(rs->update().number, int(ErrNotEditing));
    rs->close();

    QSqlQuery query(main().connection());
    QVERIFY(query.exec(QStringLiteral("select 日付, 売上額, 仕入額, 日誌 from 業務日誌 order by 日付")));
    QStringList rows;
    while (query.next()) {
        rows.append(QStringLiteral("%1 %2 %3 %4")
                        .arg(query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                             query.value(3).toString()));
    }
    QCOMPARE(rows,
             (QStringList{QStringLiteral("2004-04-01 1 0 日誌 0"), QStringLiteral("2004-04-02 -42 1000000007 日誌 1"),
                          QStringLiteral("2004-04-03 3 2000000014 日誌 2")}));
}

void TestRecordset::readOnlySelects_data()
{
    QTest::addColumn<QString>("select");
    QTest::newRow("sums") << sql::selectWorkTableSums();
    QTest::newRow("listed columns") << QStringLiteral("select 日付, 売上額 from 業務日誌");
    QTest::newRow("self join") << QStringLiteral("select * from 業務日誌 a join 業務日誌 b on a.日付 = b.日付");
    QTest::newRow("grouping") << QStringLiteral("select * from 業務日誌 group by 日付");
    QTest::newRow("view") << QStringLiteral("select * from 日誌一覧");
}

void TestRecordset::readOnlySelects()
{
    QFETCH(QString, select);
    insertJournal(2, QDate(2004, 4, 1));
    Database &db = select.contains(QStringLiteral("w集計")) ? work() : main();
    QVERIFY(main().execute(QStringLiteral("create temp view 日誌一覧 as select 日付, 売上額 from 業務日誌")).ok());
    auto rs = open(db, select);
    QVERIFY(rs && !rs->isEmpty());
    QCOMPARE(rs->addNew().number, int(ErrNotUpdatable));
    QCOMPARE(rs->edit().number, int(ErrNotUpdatable));
    QCOMPARE(rs->setField(kDate, QDate(2004, 1, 1)).number, int(ErrNotEditing));
}

void TestRecordset::misuseIsReported()
{
    insertJournal(1, QDate(2004, 4, 1));
    auto rs = open(main(), QStringLiteral("select * from 業務日誌"));
    QVERIFY(rs);
    DbError error;
    QVERIFY(!rs->field(QStringLiteral("売上"), &error).isValid());
    QCOMPARE(error.number, int(ErrUnknownColumn));
    QCOMPARE(rs->setField(kDate, QDate(2004, 1, 1)).number, int(ErrNotEditing));
    QCOMPARE(rs->update().number, int(ErrNotEditing));
    QVERIFY(rs->edit().ok());
    QCOMPARE(rs->setField(QStringLiteral("rowid"), 1).number, int(ErrUnknownColumn));
    QCOMPARE(rs->setField(QStringLiteral("no such column"), 1).number, int(ErrUnknownColumn));

    rs->close();
    QVERIFY(rs->bof() && rs->eof());
    QCOMPARE(rs->addNew().number, int(ErrClosed));
    QCOMPARE(rs->edit().number, int(ErrClosed));
    QCOMPARE(rs->update().number, int(ErrClosed));
    QCOMPARE(rs->setField(kDate, QDate(2004, 1, 1)).number, int(ErrClosed));
    QVERIFY(!rs->field(kDate, &error).isValid());
    QCOMPARE(error.number, int(ErrClosed));
    rs->moveFirst();
    rs->moveNext();
    rs->close();
    QCOMPARE(rs->error().number, int(ErrClosed));

    QVERIFY(!main().openRecordset(QStringLiteral("select * from 業務日誌 where"), &error));
    QCOMPARE(error.number, 1);
    QVERIFY(!main().openRecordset(QStringLiteral("select * from 無い表"), &error));
    QVERIFY2(error.message.contains(QStringLiteral("無い表")), qPrintable(error.message));
}

void TestRecordset::nonSelectIsRefusedBeforeItRuns()
{
    insertJournal(2, QDate(2004, 4, 1));
    DbError error;
    QVERIFY(!main().openRecordset(sql::kDeleteAllJournal, &error));
    QVERIFY(error.number != 0);
    QVERIFY(!main().openRecordset(QStringLiteral("  update 業務日誌 set 売上額 = 0"), &error));
    QVERIFY(error.number != 0);
    QCOMPARE(countRows(main(), QStringLiteral("業務日誌")), 2);
    QCOMPARE(storedOf(main(), QStringLiteral("select sum(売上額) as v from 業務日誌")).second.toInt(), 3);
}

void TestRecordset::vanishedRowIsReported()
{
    insertJournal(1, QDate(2004, 4, 1));
    auto rs = open(main(), QStringLiteral("select * from 業務日誌"));
    QVERIFY(rs && !rs->isEmpty());
    QVERIFY(rs->edit().ok());
    QVERIFY(rs->setField(QStringLiteral("売上額"), qint64(5)).ok());
    QVERIFY(main().execute(sql::kDeleteAllJournal).ok());
    QCOMPARE(rs->update().number, int(ErrNoCurrentRow));
    QCOMPARE(countRows(main(), QStringLiteral("業務日誌")), 0);
}

// A write reported as done is on disk and visible to others, although the
// recordset that made it is still reading its rows.
void TestRecordset::writesAreCommittedWhileReading()
{
    insertJournal(3, QDate(2004, 4, 1));
    Database other;
    QVERIFY(other.open(m_data->mainPath(), schema::mainTables()).ok());

    auto rs = open(main(), QStringLiteral("select * from 業務日誌 order by 日付"));
    QVERIFY(rs && !rs->isEmpty());
    QVERIFY(rs->edit().ok());
    QVERIFY(rs->setField(QStringLiteral("売上額"), qint64(500)).ok());
    QVERIFY(rs->update().ok());
    QCOMPARE(
        storedOf(other, QStringLiteral("select 売上額 as v from 業務日誌 where 日付 = '2004-04-01'")).second.toInt(),
        500);

    QVERIFY(rs->addNew().ok());
    QVERIFY(rs->setField(kDate, QDate(2005, 1, 1)).ok());
    QVERIFY(rs->update().ok());
    QCOMPARE(countRows(other, QStringLiteral("業務日誌")), 4);

    QVERIFY(main().execute(sql::deleteJournalOfDate(QDate(2004, 4, 3))).ok());
    QCOMPARE(countRows(other, QStringLiteral("業務日誌")), 3);

    // The reading goes on after the writes.
    rs->moveNext();
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 2)));
    QVERIFY(rs->error().ok());
}

void TestRecordset::failedUpdateKeepsTheRowsReadable()
{
    insertJournal(3, QDate(2004, 4, 1));
    auto rs = open(main(), QStringLiteral("select * from 業務日誌 order by 日付"));
    QVERIFY(rs);
    QVERIFY(rs->edit().ok());
    QVERIFY(rs->setField(kDate, QDate(2004, 4, 3)).ok());
    QCOMPARE(rs->update().primaryCode(), 19);
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 3))); // still open for assignment, as assigned
    rs->moveNext();
    QVERIFY(rs->error().ok());
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 2)));
    rs->moveNext();
    QCOMPARE(rs->field(kDate), QVariant(QDate(2004, 4, 3)));
    QCOMPARE(storedOf(main(), QStringLiteral("select min(日付) as v from 業務日誌")).second.toString(),
             QStringLiteral("2004-04-01"));
}

void TestRecordset::readErrorEndsTheRows()
{
    insertJournal(3, QDate(2004, 4, 1));
    // abs() of the smallest integer is an error, met when that row is read.
    QVERIFY(main()
                .execute(QStringLiteral("update 業務日誌 set 出金額 = -9223372036854775807 - 1 "
                                        "where 日付 = '2004-04-03'"))
                .ok());
    auto rs = open(main(), QStringLiteral("select * from 業務日誌 where abs(出金額) >= 0 order by 日付"));
    QVERIFY(rs);
    int rows = 0;
    while (!rs->eof()) {
        ++rows;
        rs->moveNext();
    }
    QCOMPARE(rows, 2);
    QVERIFY(rs->error().number != 0);
    QVERIFY2(rs->error().message.contains(QStringLiteral("overflow")), qPrintable(rs->error().message));
}

void TestRecordset::closedDatabaseFailsCleanly()
{
    insertJournal(2, QDate(2004, 4, 1));
    auto rs = open(main(), QStringLiteral("select * from 業務日誌"));
    QVERIFY(rs);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("still in use")));
    main().close();
    rs->moveNext();
    (void)rs->addNew();
    (void)rs->setField(kDate, QDate(2004, 5, 1));
    QVERIFY(rs->update().number != 0);
    rs->moveFirst();
    QVERIFY(rs->eof());
    QVERIFY(rs->error().number != 0);
}

void TestRecordset::copyOfACenturyIsQuick()
{
    const QDate first(1950, 1, 1);
    const int days = int(first.daysTo(QDate(2049, 12, 31))) + 1;
    QCOMPARE(days, 36525);
    insertJournal(days, first);

    const QStringList columns{kDate, QStringLiteral("売上額"), QStringLiteral("仕入額"), QStringLiteral("入金額"),
                              QStringLiteral("出金額")};
    QElapsedTimer timer;
    timer.start();
    const DbError error = work().inTransaction([&]() -> DbError {
        DbError step = work().execute(sql::kDeleteWorkTable);
        auto destination = step ? nullptr : work().openRecordset(sql::kSelectWorkTable, &step);
        auto source =
            step ? nullptr
                 : main().openRecordset(
                       sql::selectJournalOfPeriod(QStringLiteral("1950/01/01"), QStringLiteral("2049/12/31")), &step);
        if (step) {
            return step;
        }
        while (!source->eof()) {
            step = destination->addNew();
            for (const QString &column : columns) {
                step = step ? step : destination->setField(column, source->field(column));
            }
            step = step ? step : destination->update();
            if (step) {
                return step;
            }
            source->moveNext();
        }
        return source->error();
    });
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(error.ok(), qPrintable(error.message));
    qInfo("copied %d rows in %lld ms (%.1f us a row)", days, elapsed, elapsed * 1000.0 / days);
    QVERIFY2(elapsed < 8000, qPrintable(QString::number(elapsed)));

    QCOMPARE(countRows(work(), QStringLiteral("w集計")), days);
    // Every value arrived unchanged, Nulls included.
    QSqlQuery attach(work().connection());
    QVERIFY(attach.exec(QStringLiteral("attach database '%1' as m").arg(m_data->mainPath())));
    const auto [type, differing] =
        storedOf(work(), QStringLiteral("select count(*) as v from w集計 w join m.業務日誌 j on j.日付 = w.日付 "
                                        "where w.売上額 is not j.売上額 or w.仕入額 is not j.仕入額 "
                                        "or w.入金額 is not j.入金額 or w.出金額 is not j.出金額"));
    QCOMPARE(type, QStringLiteral("integer"));
    QCOMPARE(differing.toInt(), 0);
    QCOMPARE(storedOf(work(), QStringLiteral("select count(*) as v from w集計 where 入金額 is null")).second.toInt(),
             (days + 4) / 5);
    QVERIFY(attach.exec(QStringLiteral("detach database m")));
}

QTEST_GUILESS_MAIN(TestRecordset)
#include "test_recordset.moc"
