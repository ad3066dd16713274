// The SQLite connection on real files: opening, creating, statements,
// transactions, attaching, copies, stored dates and the user's error texts.

#include "store/location.h"
#include "store/maintenance.h"
#include "store/sqliteconnection.h"
#include "store/sqlitefiles.h"
#include "store/sqliteschema.h"
#include "support/sqlfile.h"
#include "support/verifyok.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <tuple>

using namespace store;
using namespace store::sqlite;
using namespace Qt::StringLiterals;
using testsupport::countOn;
using testsupport::execOn;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

qint64 scalar(Connection &db, const char *sql)
{
    Statement statement(db, sql);
    return statement.step() ? statement.integer(0) : -1;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void missingFileIsNotCreated();
    void foreignFileIsRefusedUntouched_data();
    void foreignFileIsRefusedUntouched();
    void missingTableIsRefusedAndNamesFoldAsciiCaseOnly();
    void awkwardPathsOpenAndAttach_data();
    void awkwardPathsOpenAndAttach();
    void attachingIsReadOnlyAndEnds();
    void connectionSettings();
    void closedConnectionRefusesWork();

    void createdFilesHoldTheSchema();
    void createRefusesAnExistingFileAndLeavesNothingOnFailure();

    void uniqueIndexesRefuseASecondRow_data();
    void uniqueIndexesRefuseASecondRow();
    void executeReportsErrors_data();
    void executeReportsErrors();
    void boundValuesRoundTrip();
    void failuresAreReportedAtTheStep();
    void resetAllowsReuse();
    void keptStatementsStartAfresh();

    void transactionCommitsWithoutAFailedNestedOne();
    void transactionFailingHalfWayLeavesNothing();
    void busyFileFailsWithinTheTimeout();
    void stopEndsReads_data();
    void stopEndsReads();
    void interruptEndsTheCheckOfLockedData();

    void backupMakesAReadableCopy();
    void backupRefusesAnExistingPathAndLeavesNoFileOnFailure();

    void storedDates();
    void storedDateTexts_data();
    void storedDateTexts();
    void userTexts_data();
    void userTexts();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString mainFile() const { return path(QStringLiteral("VelmoraA.mdb")); }
    QString workFile() const { return path(QStringLiteral("VelmoraW.mdb")); }
    bool newMain(Connection &db) const { return createMainFile(mainFile()).ok() && db.open(mainFile(), {}).ok(); }
    bool newWork(Connection &db) const { return createWorkFile(workFile()).ok() && db.open(workFile(), {}).ok(); }
};

void TestConnection::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestConnection::missingFileIsNotCreated()
{
    Connection db;
    const DbError error = db.open(mainFile(), mainTables());
    QCOMPARE(error.primaryCode(), 14);
    QVERIFY(!error.message.isEmpty());
    QVERIFY(!db.isOpen());
    QVERIFY(filesIn(m_dir->path()).isEmpty());
}

void TestConnection::foreignFileIsRefusedUntouched_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    QByteArray text;
    for (int k = 0; k < 300; ++k) {
        text += "業務日誌 2004/04/01 売上 1,000\r\n";
    }
    QTest::newRow("text file") << text << 26;
    QTest::newRow("one page of zeros") << QByteArray(4096, '\0') << 26;
    QTest::newRow("zero bytes") << QByteArray() << int(ErrMissingTable);
    QByteArray header("SQLite format 3");
    header.append('\0');
    QTest::newRow("damaged header") << header + QByteArray(4080, '\x7f') << 26;
}

void TestConnection::foreignFileIsRefusedUntouched()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QVERIFY(writeFile(mainFile(), bytes));
    Connection db;
    const DbError error = db.open(mainFile(), mainTables());
    QCOMPARE(error.primaryCode(), code);
    QVERIFY(!error.message.isEmpty());
    QVERIFY(!db.isOpen());
    QCOMPARE(readAll(mainFile()), bytes);
    QCOMPARE(filesIn(m_dir->path()), QStringList{QStringLiteral("VelmoraA.mdb")});
}

void TestConnection::missingTableIsRefusedAndNamesFoldAsciiCaseOnly()
{
    QVERIFY(createWorkFile(workFile()).ok());
    Connection db;
    // Full-width letters are other names to SQLite.
    QVERIFY(db.open(workFile(), {QStringLiteral("CLHINT"), QStringLiteral("W集計")}).ok());
    QCOMPARE(db.open(workFile(), {QStringLiteral("ＣｌＨｉｎｔ")}).number, int(ErrMissingTable));

    QVERIFY(execOn(workFile(), QStringLiteral("drop table ClHint")));
    const QByteArray before = readAll(workFile());
    const DbError error = db.open(workFile(), workTables());
    QCOMPARE(error.number, int(ErrMissingTable));
    QVERIFY(error.message.contains(QStringLiteral("ClHint")));
    QVERIFY(!db.isOpen());
    QCOMPARE(readAll(workFile()), before);
    // The main file's tables are not the work file's.
    QCOMPARE(db.open(workFile(), mainTables()).number, int(ErrMissingTable));
}

void TestConnection::awkwardPathsOpenAndAttach_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("blank") << QStringLiteral("my data/VelmoraA.mdb");
    QTest::newRow("japanese") << QStringLiteral("業務 データ/VelmoraA.mdb");
    QTest::newRow("uri characters") << QStringLiteral("a#b?c=d&e%41;/VelmoraA.mdb");
    QTest::newRow("colon and plus") << QStringLiteral("c:+x/VelmoraA.mdb");
}

void TestConnection::awkwardPathsOpenAndAttach()
{
    QFETCH(QString, name);
    const QString file = path(name);
    const QString folder = QFileInfo(file).absolutePath();
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(createMainFile(file).ok());
    Connection db;
    const DbError error = db.open(file, mainTables());
    QVERIFY2(error.ok(), qPrintable(error.message));
    QVERIFY(db.execute("insert into 自社情報 values ('和暦', 7)").ok());
    db.close();
    // Nothing went to a file of another name.
    QCOMPARE(filesIn(folder), QStringList{QStringLiteral("VelmoraA.mdb")});
    QVERIFY(db.open(file, mainTables()).ok());
    QCOMPARE(scalar(db, "select count(*) from 自社情報"), 1);
    db.close();

    Connection work;
    QVERIFY(newWork(work));
    qint64 seen = -1;
    const DbError attached = work.withAttached(file, "journal", [&] {
        seen = scalar(work, "select LineColor1 from journal.自社情報 where 年号 = '和暦'");
        return DbError::none();
    });
    QVERIFY2(attached.ok(), qPrintable(attached.message));
    QCOMPARE(seen, 7);
    QCOMPARE(filesIn(folder), QStringList{QStringLiteral("VelmoraA.mdb")});
}

void TestConnection::attachingIsReadOnlyAndEnds()
{
    QVERIFY(createMainFile(mainFile()).ok());
    Connection work;
    QVERIFY(newWork(work));
    DbError written;
    DbError error = work.withAttached(mainFile(), "journal", [&] {
        written = work.execute("insert into journal.自社情報 values ('西暦', 0)");
        return DbError{DbErrorKind::RefusedValue, QStringLiteral("given up")};
    });
    QCOMPARE(written.primaryCode(), 8);
    QCOMPARE(error.number, int(ErrBadValue));
    QCOMPARE(countOn(mainFile(), QStringLiteral("自社情報")), 0);
    // Detached after a failure too.
    QCOMPARE(work.execute("select * from journal.自社情報").primaryCode(), 1);
    QVERIFY(work.withAttached(mainFile(), "journal", [] { return DbError::none(); }).ok());

    bool ran = false;
    error = work.withAttached(path(QStringLiteral("missing.mdb")), "journal", [&] {
        ran = true;
        return DbError::none();
    });
    QCOMPARE(error.primaryCode(), 14);
    QVERIFY(!ran);
    QVERIFY(!QFile::exists(path(QStringLiteral("missing.mdb"))));
}

void TestConnection::connectionSettings()
{
    QVERIFY(createMainFile(mainFile()).ok());
    // A file some tool turned to a write-ahead log is turned back.
    QVERIFY(execOn(mainFile(), QStringLiteral("PRAGMA journal_mode = WAL")));
    Connection first;
    Connection second;
    QVERIFY(first.open(mainFile(), mainTables()).ok());
    QVERIFY(second.open(mainFile(), mainTables()).ok());
    QCOMPARE(scalar(first, "PRAGMA synchronous"), 3); // EXTRA
    // Another program's lock is waited for a while (two seconds), not refused at once.
    {
        testsupport::SqlFile other(mainFile());
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        std::thread release([&other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            other.exec(QStringLiteral("COMMIT"));
        });
        const DbError waited = first.execute("BEGIN IMMEDIATE");
        release.join();
        QVERIFY2(!waited, qPrintable(waited.message));
        QVERIFY(!first.execute("ROLLBACK"));
    }
    // A file attached for writing syncs as the connection does (SQLite's default is FULL).
    QVERIFY(createWorkFile(workFile()).ok());
    QVERIFY(first.attach(workFile(), "work", Connection::Access::ReadWrite).ok());
    QCOMPARE(scalar(first, "PRAGMA work.synchronous"), 3);
    {
        Statement mode(first, "PRAGMA journal_mode");
        QVERIFY(mode.step());
        QCOMPARE(mode.text(0), QStringLiteral("delete"));
    }

    // Both connections see each other's committed work.
    const DbError error = first.execute("insert into 自社情報 values ('西暦', 0)");
    QVERIFY2(error.ok(), qPrintable(describeForUser(error)));
    QCOMPARE(first.changes(), 1);
    QCOMPARE(scalar(second, "select count(*) from 自社情報"), 1);
    second.close();
    QVERIFY(!second.isOpen() && second.path().isEmpty());
    QVERIFY(first.isOpen());
}

void TestConnection::closedConnectionRefusesWork()
{
    Connection db;
    QCOMPARE(db.execute("delete from w集計").number, int(ErrClosed));
    Statement select(db, "select * from w集計");
    QVERIFY(!select.step());
    QCOMPARE(select.error().number, int(ErrClosed));
    bool ran = false;
    const auto work = [&] {
        ran = true;
        return DbError::none();
    };
    QCOMPARE(db.inTransaction(work).number, int(ErrClosed));
    QCOMPARE(db.withAttached(workFile(), "work", work).number, int(ErrClosed));
    QVERIFY(!ran);
    QCOMPARE(db.backupTo(path(QStringLiteral("copy.mdb"))).number, int(ErrClosed));
    QVERIFY(filesIn(m_dir->path()).isEmpty());
}

void TestConnection::createdFilesHoldTheSchema()
{
    QVERIFY(createMainFile(mainFile()).ok());
    QVERIFY(createWorkFile(workFile()).ok());
    QCOMPARE(filesIn(m_dir->path()), (QStringList{QStringLiteral("VelmoraA.mdb"), QStringLiteral("VelmoraW.mdb")}));
    const QString amounts = QStringLiteral("日付 DATE,売上額 INTEGER,仕入額 INTEGER,入金額 INTEGER,出金額 INTEGER");
    const QList<std::tuple<QString, QString, QString>> expected{
        {mainFile(), QStringLiteral("業務日誌"), amounts + QStringLiteral(",日誌 TEXT,版 INTEGER,更新日時 TEXT")},
        {mainFile(), QStringLiteral("自社情報"), QStringLiteral("年号 TEXT,LineColor1 INTEGER")},
        {mainFile(), QStringLiteral("データ版"), QStringLiteral("版 INTEGER")},
        {workFile(), QStringLiteral("w集計"), amounts},
        {workFile(), QStringLiteral("ClHint"),
         QStringLiteral("FormName TEXT,CtlName TEXT,FormTitle TEXT,Contents TEXT,版 INTEGER,更新日時 TEXT")},
    };
    for (const auto &[file, table, columns] : expected) {
        Connection db;
        QVERIFY(db.open(file, {}).ok());
        Statement info(db, "select name, type from pragma_table_info(?1)");
        info.bind(1, table);
        QStringList actual;
        while (info.step()) {
            actual.append(info.text(0) + u' ' + info.text(1));
        }
        QVERIFY(info.error().ok());
        QCOMPARE(actual.join(u','), columns);
        // Exactly these tables in each file, besides the journal's search
        // index and the layout's number (データ版), which the journal file keeps.
        QCOMPARE(scalar(db, "select count(*) from sqlite_master where type = 'table' and name not like '日誌索引%'"),
                 file == mainFile() ? 3 : 2);
    }
}

void TestConnection::createRefusesAnExistingFileAndLeavesNothingOnFailure()
{
    const QByteArray bytes("not a database, but the user's file");
    QVERIFY(writeFile(mainFile(), bytes));
    QCOMPARE(createMainFile(mainFile()).number, int(ErrFileExists));
    QCOMPARE(readAll(mainFile()), bytes);

    // An existing database is kept as it is, rows and all.
    QVERIFY(createWorkFile(workFile()).ok());
    QVERIFY(execOn(
        workFile(),
        QStringLiteral(
            "insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint', 't', 'x')")));
    const QByteArray before = readAll(workFile());
    QCOMPARE(createWorkFile(workFile()).number, int(ErrFileExists));
    QCOMPARE(createMainFile(workFile()).number, int(ErrFileExists));
    Connection db;
    QCOMPARE(db.create(workFile()).number, int(ErrFileExists));
    QVERIFY(!db.isOpen());
    QCOMPARE(readAll(workFile()), before);

    // A dangling link is not replaced by a file either.
    const QString link = path(QStringLiteral("link.mdb"));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere.mdb")), link));
    QCOMPARE(createMainFile(link).number, int(ErrFileExists));
    QVERIFY(!QFile::exists(path(QStringLiteral("nowhere.mdb"))));

    const QString file = path(QStringLiteral("no such folder/VelmoraA.mdb"));
    QCOMPARE(createMainFile(file).primaryCode(), 14);
    QVERIFY(!QFile::exists(file));
    QVERIFY(!QDir(path(QStringLiteral("no such folder"))).exists());
}

void TestConnection::uniqueIndexesRefuseASecondRow_data()
{
    QTest::addColumn<bool>("inMainFile");
    QTest::addColumn<QByteArray>("insert");
    QTest::addColumn<QString>("table");
    QTest::newRow("one journal record per date")
        << true << QByteArray("insert into 業務日誌 (日付, 売上額) values ('2004-04-01', 1)")
        << QStringLiteral("業務日誌");
    QTest::newRow("one hint per control")
        << false << QByteArray("insert into ClHint (FormName, CtlName) values ('FrmNippo', 'cmdHint')")
        << QStringLiteral("ClHint");
}

void TestConnection::uniqueIndexesRefuseASecondRow()
{
    QFETCH(bool, inMainFile);
    QFETCH(QByteArray, insert);
    QFETCH(QString, table);
    Connection db;
    QVERIFY(inMainFile ? newMain(db) : newWork(db));
    QVERIFY(db.execute(insert.constData()).ok());
    const DbError error = db.execute(insert.constData());
    QCOMPARE(error.primaryCode(), 19);
    QVERIFY2(error.message.contains(QStringLiteral("UNIQUE")), qPrintable(error.message));
    QVERIFY(describeForUser(error).startsWith(QStringLiteral("同じデータが既に登録されています。")));
    QCOMPARE(countOn(db.path(), table), 1);
}

void TestConnection::executeReportsErrors_data()
{
    QTest::addColumn<QByteArray>("statement");
    QTest::newRow("no such table") << QByteArray("delete from 業務日誌X");
    QTest::newRow("the old dialect") << QByteArray("delete * from 自社情報");
    QTest::newRow("old date literal") << QByteArray("delete from 自社情報 where 年号 =#2004/02/30#");
}

void TestConnection::executeReportsErrors()
{
    QFETCH(QByteArray, statement);
    Connection db;
    QVERIFY(newMain(db));
    QVERIFY(db.execute("insert into 自社情報 values ('和暦', 1)").ok());
    const DbError error = db.execute(statement.constData());
    QCOMPARE(error.number, 1);
    QVERIFY(!error.message.isEmpty());
    QCOMPARE(scalar(db, "select count(*) from 自社情報"), 1);
}

void TestConnection::boundValuesRoundTrip()
{
    Connection db;
    QVERIFY(newMain(db));
    const QString text = QStringLiteral("売上 'a'; drop table 業務日誌; -- \"x\"\n2行目");
    const std::optional<qint64> big = -9007199254740993;
    Statement insert(
        db, "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values (?1, ?2, ?3, ?4, ?5, ?6)");
    insert.bind(1, QDate(2004, 2, 29)).bind(2, std::optional<qint64>()).bind(3, big).bind(4, qint64(0));
    QVERIFY(insert.bindNull(5).bind(6, text).run().ok());
    QCOMPARE(db.changes(), 1);
    // An invalid date goes in as Null; the reset forgot the other values.
    insert.reset();
    QVERIFY(insert.bind(1, QDate()).bind(2, qint64(12)).run().ok());
    QCOMPARE(testsupport::rowsOf(mainFile(), QStringLiteral("業務日誌")),
             (QStringList{QStringLiteral("QString:2004-02-29|NULL|qlonglong:-9007199254740993|qlonglong:0|NULL|"
                                         "QString:") +
                              text,
                          QStringLiteral("NULL|qlonglong:12|NULL|NULL|NULL|NULL")}));

    QVERIFY(execOn(mainFile(), QStringLiteral("insert into 業務日誌 (日付, 売上額) values ('2004/03/01', '千円'), "
                                              "('2004-03-02', 1.5)")));
    Statement select(db, "select 日付, 売上額, 仕入額, 入金額, 日誌 from 業務日誌 order by rowid");
    bool unreadable = false;
    QVERIFY(select.step());
    QCOMPARE(select.date(0), QDate(2004, 2, 29));
    QVERIFY(select.isNull(1) && !select.amount(1, unreadable));
    QVERIFY(select.isInteger(2) && select.amount(2, unreadable) == big);
    QCOMPARE(select.integer(3), 0);
    QCOMPARE(select.text(4), text);
    QVERIFY(select.step());
    QVERIFY(!select.date(0).isValid() && select.text(4).isEmpty());
    QCOMPARE(select.amount(1, unreadable), std::optional<qint64>(12));
    QVERIFY(!unreadable);
    // What another program left: no date and no amount, and the amount is said to be unreadable.
    for (const QDate date : {QDate(), QDate(2004, 3, 2)}) {
        unreadable = false;
        QVERIFY(select.step());
        QCOMPARE(select.date(0), date);
        QVERIFY(!select.amount(1, unreadable) && unreadable);
    }
    QVERIFY(!select.step() && select.error().ok());
}

void TestConnection::failuresAreReportedAtTheStep()
{
    Connection db;
    QVERIFY(newWork(db));
    Statement broken(db, "select * from w集計X where 日付 = ?1");
    broken.bind(1, QDate(2004, 4, 1)).bind(2, qint64(5));
    QVERIFY(!broken.step());
    QCOMPARE(broken.error().primaryCode(), 1);
    QVERIFY2(broken.error().message.contains(QStringLiteral("w集計X")), qPrintable(broken.error().message));
    QCOMPARE(broken.run().primaryCode(), 1);

    // A bind past the statement's parameters fails the run, and nothing is written.
    Statement insert(db, "insert into w集計 (日付) values (?1)");
    insert.bind(2, QDate(2004, 4, 1)).bind(1, QDate(2004, 4, 2));
    QCOMPARE(insert.run().primaryCode(), 25); // SQLITE_RANGE
    QCOMPARE(scalar(db, "select count(*) from w集計"), 0);
}

void TestConnection::resetAllowsReuse()
{
    Connection db;
    QVERIFY(newMain(db));
    Statement insert(db, "insert into 業務日誌 (日付, 売上額) values (?1, ?2)");
    QVERIFY(insert.bind(1, QDate(2004, 4, 1)).bind(2, qint64(1)).run().ok());
    insert.reset();
    QCOMPARE(insert.bind(1, QDate(2004, 4, 1)).bind(2, qint64(2)).run().primaryCode(), 19);
    // The failure is forgotten, and so are the old values.
    insert.reset();
    QVERIFY(insert.error().ok());
    QVERIFY(insert.bind(1, QDate(2004, 4, 2)).run().ok());

    Statement select(db, "select 売上額 from 業務日誌 where 日付 >= ?1 order by 日付");
    for (int round = 0; round < 2; ++round) {
        select.reset();
        select.bind(1, QDate(2004, 4, 1));
        QVERIFY(select.step() && select.integer(0) == 1);
        QVERIFY(select.step() && select.isNull(0));
        QVERIFY(!select.step());
    }
}

// A statement of the same text comes back ready, without the last one's
// values or position; two of one text can run at once, one inside the other's
// rows; a statement that outlives its connection's close does no harm.
void TestConnection::keptStatementsStartAfresh()
{
    Connection db;
    QVERIFY(newMain(db));
    const char *insert = "insert into 業務日誌 (日付, 売上額) values (?1, ?2)";
    QVERIFY(Statement(db, insert).bind(1, QDate(2004, 4, 1)).bind(2, qint64(1)).run().ok());
    {
        Statement again(db, insert);
        QVERIFY(again.bind(1, QDate(2004, 4, 2)).run().ok()); // the amount is not the last one's
    }
    const char *select = "select 日付, 売上額 from 業務日誌 order by 日付";
    QStringList seen;
    {
        Statement outer(db, select);
        QVERIFY(outer.step()); // left on its first row
    }
    Statement outer(db, select);
    while (outer.step()) {
        Statement inner(db, select);
        int rows = 0;
        while (inner.step()) {
            ++rows;
        }
        seen << outer.text(0) + u'|' + (outer.isNull(1) ? QStringLiteral("NULL") : outer.text(1)) + u'|' +
                    QString::number(rows);
    }
    QVERIFY(outer.error().ok());
    QCOMPARE(seen, (QStringList{QStringLiteral("2004-04-01|1|2"), QStringLiteral("2004-04-02|NULL|2")}));

    Statement open(db, select);
    QVERIFY(open.step());
    db.close();
    QVERIFY(newWork(db) || db.open(workFile(), {}).ok());
    QCOMPARE(Statement(db, "select count(*) from w集計").step(), true);
}

void TestConnection::transactionCommitsWithoutAFailedNestedOne()
{
    Connection db;
    QVERIFY(newWork(db));
    DbError inner;
    const DbError outer = db.inTransaction([&] {
        DbError step = db.execute("insert into w集計 (日付) values ('2004-04-01')");
        inner = db.inTransaction([&db] {
            (void)db.execute("insert into w集計 (日付) values ('2004-04-02')");
            return DbError{DbErrorKind::RefusedValue, QStringLiteral("given up")};
        });
        return step ? step : db.execute("insert into w集計 (日付) values ('2004-04-03')");
    });
    QVERIFY(outer.ok());
    QCOMPARE(inner.number, int(ErrBadValue));
    QCOMPARE(countOn(workFile(), QStringLiteral("w集計")), 2);
}

void TestConnection::transactionFailingHalfWayLeavesNothing()
{
    Connection db;
    QVERIFY(newMain(db));
    QVERIFY(db.execute("insert into 業務日誌 (日付, 売上額) values ('2004-04-10', 10)").ok());

    int written = 0;
    const DbError error = db.inTransaction([&]() -> DbError {
        Statement insert(db, "insert into 業務日誌 (日付) values (?1)");
        // The sixth row hits the date already there.
        for (int day = 5; day <= 15; ++day) {
            insert.reset();
            if (DbError step = insert.bind(1, QDate(2004, 4, day)).run()) {
                return step;
            }
            ++written;
        }
        return DbError::none();
    });
    QCOMPARE(written, 5);
    QCOMPARE(error.primaryCode(), 19);
    QCOMPARE(scalar(db, "select count(*) from 業務日誌"), 1);

    // Nor does a throw, which goes on to the caller.
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, (void)db.inTransaction([&db]() -> DbError {
        (void)db.execute("insert into 業務日誌 (日付) values ('2004-04-12')");
        throw std::runtime_error("given up");
    }));
    QCOMPARE(scalar(db, "select count(*) from 業務日誌"), 1);

    // The connection is usable afterwards, outside any transaction.
    QVERIFY(db.execute("insert into 業務日誌 (日付) values ('2004-04-11')").ok());
    QVERIFY(db.inTransaction([] { return DbError::none(); }).ok());
    QCOMPARE(countOn(mainFile(), QStringLiteral("業務日誌")), 2);
}

// A stop asked from another thread ends the reads of the connection that
// obeys it at whatever they are doing; other connections read on.
void TestConnection::stopEndsReads_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("before opening") << u"open"_s;
    QTest::newRow("after opening, before the statement") << u"statement"_s;
    QTest::newRow("waiting for a writer's lock") << u"locked"_s;
}

void TestConnection::stopEndsReads()
{
    QFETCH(QString, when);
    Connection holder;
    QVERIFY(newMain(holder));
    QVERIFY(holder.execute("INSERT INTO \"業務日誌\" (\"日付\", \"日誌\") VALUES ('2024-05-01', 'x')").ok());
    if (when == u"locked"_s) {
        QVERIFY(holder.execute("BEGIN EXCLUSIVE").ok());
    }
    Stop stop;
    if (when == u"open"_s) {
        stop.request();
    }
    Connection db;
    DbError error;
    bool rowsRead = false;
    std::thread reader([&] {
        error = db.openReadOnly(mainFile(), {}, &stop);
        if (error) {
            return;
        }
        if (when == u"statement"_s) {
            stop.request(); // SQLite's own interrupt would not outlive the statement's start
        }
        Statement check(db, "PRAGMA quick_check");
        rowsRead = check.step();
        error = check.error();
    });
    if (when == u"locked"_s) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop.request();
    }
    reader.join();
    QVERIFY(!rowsRead);
    QCOMPARE(error.kind, DbErrorKind::Interrupted);
    db.close();
    stop.request(); // once the connection has closed, a stop touches nothing

    if (when == u"locked"_s) {
        QVERIFY(holder.execute("COMMIT").ok());
    }
    Connection other;
    QVERIFY(other.openReadOnly(mainFile(), {}).ok());
    QCOMPARE(scalar(other, "SELECT count(*) FROM \"業務日誌\""), 1);
}

// The program's close interrupts the start-up check even while another
// program's lock keeps it waiting: it ends as interrupted, not as a lock held.
void TestConnection::interruptEndsTheCheckOfLockedData()
{
    QVERIFY(createMainFile(path(kMainFileName)).ok());
    QVERIFY(createWorkFile(path(kWorkFileName)).ok());
    const Location location = Location::inFolder(m_dir->path());
    VERIFY_OK(makeMaintenance(location)->quickCheck());

    Connection holder;
    QVERIFY(holder.open(path(kMainFileName), {}).ok());
    QVERIFY(holder.execute("BEGIN EXCLUSIVE").ok());
    const std::unique_ptr<Maintenance> maintenance = makeMaintenance(location);
    DbError result;
    std::thread check([&] { result = maintenance->quickCheck(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    maintenance->interrupt();
    check.join();
    QCOMPARE(result.kind, DbErrorKind::Interrupted);
    QVERIFY(holder.execute("COMMIT").ok());
    // An interrupted check is simply made again at the next start.
    VERIFY_OK(makeMaintenance(location)->quickCheck());
}

void TestConnection::busyFileFailsWithinTheTimeout()
{
    Connection holder;
    Connection db;
    QVERIFY(newWork(holder));
    QVERIFY(db.open(workFile(), workTables()).ok());
    QVERIFY(holder.execute("BEGIN IMMEDIATE").ok());
    bool ran = false;
    QElapsedTimer timer;
    timer.start();
    const DbError error = db.inTransaction([&] {
        ran = true;
        return DbError::none();
    });
    const qint64 waited = timer.elapsed();
    QCOMPARE(error.primaryCode(), 5);
    QVERIFY(!ran);
    QVERIFY2(waited >= 1500 && waited < 10000, qPrintable(QString::number(waited)));
    QVERIFY(describeForUser(error).startsWith(QStringLiteral("他のプログラムがデータベースを使用中です。")));

    // A plain statement meets the same lock.
    QCOMPARE(db.execute("delete from w集計").primaryCode(), 5);
    QVERIFY(holder.execute("ROLLBACK").ok());
    QVERIFY(db.inTransaction([&] { return db.execute("delete from w集計"); }).ok());
}

void TestConnection::backupMakesAReadableCopy()
{
    Connection db;
    QVERIFY(newMain(db));
    QVERIFY(db.execute("insert into 業務日誌 (日付, 日誌) values ('2004-04-01', '控え')").ok());
    const QString copy = path(QStringLiteral("控え 2004#1.mdb"));
    QVERIFY(db.backupTo(copy).ok());
    QVERIFY(db.execute("delete from 業務日誌").ok());

    Connection copied;
    QVERIFY(copied.open(copy, mainTables()).ok());
    Statement select(copied, "select 日付, 日誌 from 業務日誌");
    QVERIFY(select.step());
    QCOMPARE(select.date(0), QDate(2004, 4, 1));
    QCOMPARE(select.text(1), QStringLiteral("控え"));
    QVERIFY(!select.step());
}

void TestConnection::backupRefusesAnExistingPathAndLeavesNoFileOnFailure()
{
    Connection db;
    Connection holder;
    QVERIFY(newMain(db));
    QVERIFY(holder.open(mainFile(), mainTables()).ok());
    const QString copy = path(QStringLiteral("copy.mdb"));
    const QByteArray bytes("the user's file");
    QVERIFY(writeFile(copy, bytes));
    QCOMPARE(db.backupTo(copy).number, int(ErrFileExists));
    QCOMPARE(readAll(copy), bytes);
    QVERIFY(QFile::remove(copy));
    // Nor is a file made where a dangling link points.
    const QString link = path(QStringLiteral("link.mdb"));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere.mdb")), link));
    QCOMPARE(db.backupTo(link).number, int(ErrFileExists));
    QVERIFY(QFile::remove(link));

    QCOMPARE(db.backupTo(path(QStringLiteral("no such folder/copy.mdb"))).primaryCode(), 14);
    // The source cannot be read while another program writes it.
    QVERIFY(holder.execute("BEGIN EXCLUSIVE").ok());
    const DbError error = db.backupTo(copy);
    QCOMPARE(error.primaryCode(), 5);
    QVERIFY(!error.message.isEmpty());
    QCOMPARE(filesIn(m_dir->path()), QStringList{QStringLiteral("VelmoraA.mdb")});
    QVERIFY(holder.execute("ROLLBACK").ok());
    QVERIFY(db.backupTo(copy).ok());
}

void TestConnection::storedDates()
{
    QCOMPARE(storedDate(QDate(2004, 4, 1)), QByteArray("2004-04-01"));
    QCOMPARE(storedDate(QDate(987, 1, 2)), QByteArray("0987-01-02"));
    QVERIFY(storedDate(QDate()).isEmpty());
    QVERIFY(storedDate(QDate(10000, 1, 1)).isEmpty());
    QVERIFY(storedDate(QDate(-5, 1, 1)).isEmpty());
    // Every day of a leap year goes to text and back, and so do the first and last days.
    for (QDate day(2004, 1, 1); day.year() == 2004; day = day.addDays(1)) {
        const QByteArray text = storedDate(day);
        QCOMPARE(parseStoredDate(text.constData(), int(text.size())), day);
    }
    for (const QDate day : {QDate(1, 1, 1), QDate(9999, 12, 31)}) {
        const QByteArray text = storedDate(day);
        QCOMPARE(parseStoredDate(text.constData(), int(text.size())), day);
    }
    QVERIFY(!parseStoredDate(nullptr, 10).isValid());
}

void TestConnection::storedDateTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("year 0") << QByteArray("0000-01-01");
    QTest::newRow("slashes") << QByteArray("2004/04/01");
    QTest::newRow("one-digit month and day") << QByteArray("2004-4-1");
    QTest::newRow("no such day") << QByteArray("2004-02-30");
    QTest::newRow("not a leap year") << QByteArray("2003-02-29");
    QTest::newRow("month 13") << QByteArray("2004-13-01");
    QTest::newRow("mixed separators") << QByteArray("2004/04-01");
    QTest::newRow("two-digit year") << QByteArray("04-04-01");
    QTest::newRow("trailing text") << QByteArray("2004-04-01 ");
    QTest::newRow("time of day") << QByteArray("2004-04-01 00:00:00");
    QTest::newRow("signed year") << QByteArray("+004-04-01");
    QTest::newRow("eight digits") << QByteArray("20040401");
    QTest::newRow("empty") << QByteArray();
}

void TestConnection::storedDateTexts()
{
    QFETCH(QByteArray, text);
    QVERIFY(!parseStoredDate(text.constData(), int(text.size())).isValid());
}

void TestConnection::userTexts_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    const QString busy =
        QStringLiteral("他のプログラムがデータベースを使用中です。しばらく待ってからやり直してください。");
    const QString access = QStringLiteral("ファイルへのアクセス権がありません。");
    const QString x = QStringLiteral("x");
    QTest::newRow("cantopen")
        << 14 << QStringLiteral("unable to open database file")
        << QStringLiteral("ファイルが見つからないか、開けません。（エラー番号 14: unable to open database file）");
    QTest::newRow("notadb") << 26 << QStringLiteral("file is not a database")
                            << QStringLiteral(
                                   "データベースファイルではありません（壊れているか、別の形式のファイルです）。"
                                   "（エラー番号 26: file is not a database）");
    QTest::newRow("corrupt") << 11 << x << QStringLiteral("データベースファイルが壊れています。（エラー番号 11: x）");
    QTest::newRow("busy snapshot") << 517 << x << busy + QStringLiteral("（エラー番号 517: x）");
    QTest::newRow("locked") << 6 << x << busy + QStringLiteral("（エラー番号 6: x）");
    QTest::newRow("readonly") << 8 << x
                              << QStringLiteral("データベースが読み取り専用のため書き込めません。（エラー番号 8: x）");
    QTest::newRow("full") << 13 << x << QStringLiteral("ディスクの空きがないため書き込めません。（エラー番号 13: x）");
    QTest::newRow("ioerr read") << 266 << x
                                << QStringLiteral("ディスクの読み書きに失敗しました。（エラー番号 266: x）");
    QTest::newRow("unique") << 2067 << QStringLiteral("UNIQUE constraint failed: 業務日誌.日付")
                            << QStringLiteral("同じデータが既に登録されています。（エラー番号 2067: UNIQUE "
                                              "constraint failed: 業務日誌.日付）");
    QTest::newRow("auth") << 23 << x << access + QStringLiteral("（エラー番号 23: x）");
    QTest::newRow("perm") << 3 << x << access + QStringLiteral("（エラー番号 3: x）");
    QTest::newRow("missing table") << int(ErrMissingTable) << QStringLiteral("no such table: ClHint")
                                   << QStringLiteral(
                                          "必要な表がありません。（エラー番号 10001: no such table: ClHint）");
    QTest::newRow("generic") << 1 << QStringLiteral("near \"x\": syntax error")
                             << QStringLiteral(
                                    "データベースの処理に失敗しました。（エラー番号 1: near \"x\": syntax error）");
    QTest::newRow("no message") << 1 << QString()
                                << QStringLiteral("データベースの処理に失敗しました。（エラー番号 1）");
    QTest::newRow("success") << 0 << QString() << QString();
}

void TestConnection::userTexts()
{
    QFETCH(int, number);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    const DbError error =
        number == int(ErrMissingTable) ? DbError{DbErrorKind::MissingTable, message} : errorFrom(number, message);
    QCOMPARE(describeForUser(error), expected);
}

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"
