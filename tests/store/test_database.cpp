// Opening, creating and transactions on real database files; the user's error texts.

#include "store/database.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace store;

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

int countRows(Database &db, const QString &table)
{
    QSqlQuery query(db.connection());
    if (!query.exec(QStringLiteral("select count(*) from \"") + table + u'"') || !query.next()) {
        return -1;
    }
    return query.value(0).toInt();
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void missingFileIsNotCreated();
    void foreignFileIsRefusedUntouched_data();
    void foreignFileIsRefusedUntouched();
    void missingTableIsRefused();
    void tableNamesFoldAsciiCaseOnly();
    void awkwardPathsOpen_data();
    void awkwardPathsOpen();
    void connectionSettings();
    void closedDatabaseRefusesWork();

    void createdFilesHoldTheSchema();
    void createRefusesAnExistingFile();
    void createInAMissingFolderLeavesNothing();

    void uniqueIndexesRefuseASecondRow_data();
    void uniqueIndexesRefuseASecondRow();
    void executeReportsErrors_data();
    void executeReportsErrors();

    void transactionCommits();
    void transactionFailingHalfWayLeavesNothing();
    void nestedTransactionRollsBackItsOwnPart();
    void busyFileFailsWithinTheTimeout();

    void userTexts_data();
    void userTexts();
    void qtErrorsAreNeverSuccess();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestDatabase::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestDatabase::missingFileIsNotCreated()
{
    const QString missing = path(QStringLiteral("VelmoraA.mdb"));
    Database db;
    const DbError error = db.open(missing, schema::mainTables());
    QCOMPARE(error.primaryCode(), 14);
    QVERIFY(!db.isOpen());
    QVERIFY(!QFile::exists(missing));
    QVERIFY(QDir(m_dir->path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System));
    QVERIFY(!QSqlDatabase::connectionNames().contains(db.connectionName()) || db.connectionName().isEmpty());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void TestDatabase::foreignFileIsRefusedUntouched_data()
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

void TestDatabase::foreignFileIsRefusedUntouched()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    const QString file = path(QStringLiteral("VelmoraA.mdb"));
    QVERIFY(writeFile(file, bytes));
    Database db;
    const DbError error = db.open(file, schema::mainTables());
    QCOMPARE(error.primaryCode(), code);
    QVERIFY(!error.message.isEmpty());
    QVERIFY(!db.isOpen());
    QCOMPARE(readAll(file), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("VelmoraA.mdb")});
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void TestDatabase::missingTableIsRefused()
{
    const QString work = path(schema::kWorkDbFileName);
    QVERIFY(schema::createWorkDatabase(work).ok());
    {
        Database db;
        QVERIFY(db.open(work, schema::workTables()).ok());
        QVERIFY(db.execute(QStringLiteral("drop table ClHint")).ok());
    }
    const QByteArray before = readAll(work);
    Database db;
    DbError error = db.open(work, schema::workTables());
    QCOMPARE(error.number, int(ErrMissingTable));
    QVERIFY(error.message.contains(QStringLiteral("ClHint")));
    QVERIFY(!db.isOpen());
    QCOMPARE(readAll(work), before);
    // The main file's tables are not the work file's.
    error = db.open(work, schema::mainTables());
    QCOMPARE(error.number, int(ErrMissingTable));
}

void TestDatabase::tableNamesFoldAsciiCaseOnly()
{
    const QString work = path(schema::kWorkDbFileName);
    QVERIFY(schema::createWorkDatabase(work).ok());
    Database db;
    QVERIFY(db.open(work, {QStringLiteral("CLHINT"), QStringLiteral("W集計")}).ok());
    // Full-width letters are other names to SQLite.
    QCOMPARE(db.open(work, {QStringLiteral("ＣｌＨｉｎｔ")}).number, int(ErrMissingTable));
}

void TestDatabase::awkwardPathsOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("blank") << QStringLiteral("my data/VelmoraA.mdb");
    QTest::newRow("japanese") << QStringLiteral("業務 データ/VelmoraA.mdb");
    QTest::newRow("uri characters") << QStringLiteral("a#b?c=d&e%41;/VelmoraA.mdb");
    QTest::newRow("colon and plus") << QStringLiteral("c:+x/VelmoraA.mdb");
}

void TestDatabase::awkwardPathsOpen()
{
    QFETCH(QString, name);
    const QString file = path(name);
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QVERIFY(schema::createMainDatabase(file).ok());
    Database db;
    const DbError error = db.open(file, schema::mainTables());
    QVERIFY2(error.ok(), qPrintable(error.message));
    QVERIFY(db.execute(QStringLiteral("insert into 自社情報 values ('和暦', 1)")).ok());
    db.close();
    // Nothing went to a file of another name.
    QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("VelmoraA.mdb")});
    QVERIFY(db.open(file, schema::mainTables()).ok());
    QCOMPARE(countRows(db, QStringLiteral("自社情報")), 1);
}

void TestDatabase::connectionSettings()
{
    const QString main = path(schema::kMainDbFileName);
    QVERIFY(schema::createMainDatabase(main).ok());
    Database first;
    Database second;
    QVERIFY(first.open(main, schema::mainTables()).ok());
    QVERIFY(second.open(main, schema::mainTables()).ok());
    QVERIFY(first.connectionName() != second.connectionName());

    QSqlQuery query(first.connection());
    QVERIFY(query.exec(QStringLiteral("PRAGMA synchronous")) && query.next());
    QCOMPARE(query.value(0).toInt(), 3); // EXTRA
    QVERIFY(query.exec(QStringLiteral("PRAGMA journal_mode")) && query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("delete"));
    query.finish();

    // Both connections see each other's committed work.
    const DbError error = first.execute(QStringLiteral("insert into 自社情報 values ('西暦', 0)"));
    QVERIFY2(error.ok(), qPrintable(describeForUser(error)));
    QCOMPARE(countRows(second, QStringLiteral("自社情報")), 1);
    second.close();
    QVERIFY(!second.isOpen());
    QVERIFY(first.isOpen());
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList{first.connectionName()});
}

void TestDatabase::closedDatabaseRefusesWork()
{
    Database db;
    QCOMPARE(db.execute(QStringLiteral("delete * from w集計")).number, int(ErrClosed));
    DbError error;
    QVERIFY(!db.openRecordset(QStringLiteral("select * from w集計"), &error));
    QCOMPARE(error.number, int(ErrClosed));
    bool ran = false;
    QCOMPARE(db.inTransaction([&] {
                   ran = true;
                   return DbError::none();
               }).number,
             int(ErrClosed));
    QVERIFY(!ran);
}

void TestDatabase::createdFilesHoldTheSchema()
{
    struct Expected
    {
        QString table;
        QStringList columns; // name and declared type
    };
    const QString main = path(schema::kMainDbFileName);
    const QString work = path(schema::kWorkDbFileName);
    QVERIFY(schema::createMainDatabase(main).ok());
    QVERIFY(schema::createWorkDatabase(work).ok());
    QVERIFY(!QFile::exists(main + QStringLiteral("-journal")));

    const QList<std::pair<QString, Expected>> expected{
        {main,
         {QStringLiteral("業務日誌"),
          {QStringLiteral("日付 DATE"), QStringLiteral("売上額 INTEGER"), QStringLiteral("仕入額 INTEGER"),
           QStringLiteral("入金額 INTEGER"), QStringLiteral("出金額 INTEGER"), QStringLiteral("日誌 TEXT")}}},
        {main, {QStringLiteral("自社情報"), {QStringLiteral("年号 TEXT"), QStringLiteral("LineColor1 INTEGER")}}},
        {work,
         {QStringLiteral("w集計"),
          {QStringLiteral("日付 DATE"), QStringLiteral("売上額 INTEGER"), QStringLiteral("仕入額 INTEGER"),
           QStringLiteral("入金額 INTEGER"), QStringLiteral("出金額 INTEGER")}}},
        {work,
         {QStringLiteral("ClHint"),
          {QStringLiteral("FormName TEXT"), QStringLiteral("CtlName TEXT"), QStringLiteral("FormTitle TEXT"),
           QStringLiteral("Contents TEXT")}}},
    };
    for (const auto &[file, table] : expected) {
        Database db;
        QVERIFY(db.open(file, {}).ok());
        DbError error;
        QStringList actual;
        for (const TableColumn &column : db.tableColumns(table.table, &error)) {
            actual.append(column.name + u' ' + column.declaredType);
        }
        QVERIFY(error.ok());
        QCOMPARE(actual, table.columns);
    }

    // Exactly these tables in each file.
    Database db;
    QVERIFY(db.open(main, schema::mainTables()).ok());
    QSqlQuery query(db.connection());
    QVERIFY(query.exec(QStringLiteral("select count(*) from sqlite_master where type = 'table'")) && query.next());
    QCOMPARE(query.value(0).toInt(), 2);
}

void TestDatabase::createRefusesAnExistingFile()
{
    const QString main = path(schema::kMainDbFileName);
    const QByteArray bytes("not a database, but the user's file");
    QVERIFY(writeFile(main, bytes));
    QCOMPARE(schema::createMainDatabase(main).number, int(ErrFileExists));
    QCOMPARE(readAll(main), bytes);

    // An existing database is kept as it is, rows and all.
    const QString work = path(schema::kWorkDbFileName);
    QVERIFY(schema::createWorkDatabase(work).ok());
    {
        Database db;
        QVERIFY(db.open(work, schema::workTables()).ok());
        QVERIFY(db.execute(QStringLiteral("insert into ClHint values ('FrmNippo', 'cmdHint', 't', 'x')")).ok());
    }
    const QByteArray before = readAll(work);
    QCOMPARE(schema::createWorkDatabase(work).number, int(ErrFileExists));
    QCOMPARE(schema::createMainDatabase(work).number, int(ErrFileExists));
    QCOMPARE(readAll(work), before);

    // A dangling link is not replaced by a file either.
    const QString link = path(QStringLiteral("link.mdb"));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere.mdb")), link));
    QCOMPARE(schema::createMainDatabase(link).number, int(ErrFileExists));
    QVERIFY(!QFile::exists(path(QStringLiteral("nowhere.mdb"))));
}

void TestDatabase::createInAMissingFolderLeavesNothing()
{
    const QString file = path(QStringLiteral("no such folder/VelmoraA.mdb"));
    const DbError error = schema::createMainDatabase(file);
    QCOMPARE(error.primaryCode(), 14);
    QVERIFY(!QFile::exists(file));
    QVERIFY(!QDir(path(QStringLiteral("no such folder"))).exists());
}

void TestDatabase::uniqueIndexesRefuseASecondRow_data()
{
    QTest::addColumn<bool>("mainFile");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QVariantList>("values");
    QTest::newRow("one journal record per date") << true << QStringLiteral("select * from 業務日誌")
                                                 << QStringList{QStringLiteral("日付"), QStringLiteral("売上額")}
                                                 << QVariantList{QStringLiteral("2004/04/01"), qint64(1)};
    QTest::newRow("one hint per control") << false << QStringLiteral("select * from ClHint")
                                          << QStringList{QStringLiteral("FormName"), QStringLiteral("CtlName")}
                                          << QVariantList{QStringLiteral("FrmNippo"), QStringLiteral("cmdHint")};
}

void TestDatabase::uniqueIndexesRefuseASecondRow()
{
    QFETCH(bool, mainFile);
    QFETCH(QString, select);
    QFETCH(QStringList, columns);
    QFETCH(QVariantList, values);
    const QString file = path(QStringLiteral("x.mdb"));
    QVERIFY((mainFile ? schema::createMainDatabase(file) : schema::createWorkDatabase(file)).ok());
    Database db;
    QVERIFY(db.open(file, {}).ok());

    DbError error;
    auto rs = db.openRecordset(select, &error);
    QVERIFY(rs);
    for (int round = 0; round < 2; ++round) {
        QVERIFY(rs->addNew().ok());
        for (qsizetype k = 0; k < columns.size(); ++k) {
            QVERIFY(rs->setField(columns[k], values[k]).ok());
        }
        error = rs->update();
        QCOMPARE(error.ok(), round == 0);
    }
    QCOMPARE(error.primaryCode(), 19);
    QVERIFY2(error.message.contains(QStringLiteral("UNIQUE")), qPrintable(error.message));
    QVERIFY(describeForUser(error).startsWith(QStringLiteral("同じデータが既に登録されています。")));
    rs->close();
    QCOMPARE(countRows(db, select.section(u' ', -1)), 1);
}

void TestDatabase::executeReportsErrors_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("code");
    QTest::newRow("no such table") << QStringLiteral("delete * from 業務日誌X") << 1;
    QTest::newRow("bad date literal") << QStringLiteral("delete * from 業務日誌 where 日付 =#2004/02/30#") << 1;
    QTest::newRow("two statements") << QStringLiteral("delete * from 業務日誌; delete * from 自社情報") << 21;
    QTest::newRow("empty statement") << QString() << 1;
}

void TestDatabase::executeReportsErrors()
{
    QFETCH(QString, statement);
    QFETCH(int, code);
    const QString main = path(schema::kMainDbFileName);
    QVERIFY(schema::createMainDatabase(main).ok());
    Database db;
    QVERIFY(db.open(main, schema::mainTables()).ok());
    QVERIFY(db.execute(QStringLiteral("insert into 自社情報 values ('和暦', 1)")).ok());
    const DbError error = db.execute(statement);
    QCOMPARE(error.number, code);
    QVERIFY(!error.message.isEmpty());
    QCOMPARE(countRows(db, QStringLiteral("自社情報")), 1);
}

void TestDatabase::transactionCommits()
{
    const QString work = path(schema::kWorkDbFileName);
    QVERIFY(schema::createWorkDatabase(work).ok());
    Database db;
    QVERIFY(db.open(work, schema::workTables()).ok());
    const DbError error = db.inTransaction([&db] {
        DbError step = db.execute(QStringLiteral("insert into w集計 (日付) values ('2004-04-01')"));
        return step ? step : db.execute(QStringLiteral("insert into w集計 (日付) values ('2004-04-02')"));
    });
    QVERIFY(error.ok());
    Database other;
    QVERIFY(other.open(work, schema::workTables()).ok());
    QCOMPARE(countRows(other, QStringLiteral("w集計")), 2);
}

void TestDatabase::transactionFailingHalfWayLeavesNothing()
{
    const QString main = path(schema::kMainDbFileName);
    QVERIFY(schema::createMainDatabase(main).ok());
    Database db;
    QVERIFY(db.open(main, schema::mainTables()).ok());
    QVERIFY(db.execute(QStringLiteral("insert into 業務日誌 (日付, 売上額) values ('2004-04-10', 10)")).ok());

    int written = 0;
    const DbError error = db.inTransaction([&]() -> DbError {
        DbError openError;
        auto rs = db.openRecordset(QStringLiteral("select * from 業務日誌"), &openError);
        if (!rs) {
            return openError;
        }
        // The sixth row hits the date already there.
        for (int day = 5; day <= 15; ++day) {
            DbError step = rs->addNew();
            step = step ? step : rs->setField(QStringLiteral("日付"), QDate(2004, 4, day));
            step = step ? step : rs->update();
            if (step) {
                return step;
            }
            ++written;
        }
        return DbError::none();
    });
    QCOMPARE(written, 5);
    QCOMPARE(error.primaryCode(), 19);
    QCOMPARE(countRows(db, QStringLiteral("業務日誌")), 1);
    // The database is usable afterwards, outside any transaction.
    QVERIFY(db.execute(QStringLiteral("insert into 業務日誌 (日付) values ('2004-04-11')")).ok());
    QVERIFY(db.inTransaction([] { return DbError::none(); }).ok());
    Database other;
    QVERIFY(other.open(main, schema::mainTables()).ok());
    QCOMPARE(countRows(other, QStringLiteral("業務日誌")), 2);
}

void TestDatabase::nestedTransactionRollsBackItsOwnPart()
{
    const QString work = path(schema::kWorkDbFileName);
    QVERIFY(schema::createWorkDatabase(work).ok());
    Database db;
    QVERIFY(db.open(work, schema::workTables()).ok());
    DbError inner;
    const DbError outer = db.inTransaction([&] {
        DbError step = db.execute(QStringLiteral("insert into w集計 (日付) values ('2004-04-01')"));
        inner = db.inTransaction([&db] {
            (void)db.execute(QStringLiteral("insert into w集計 (日付) values ('2004-04-02')"));
            return DbError{ErrBadValue, QStringLiteral("given up")};
        });
        return step;
    });
    QVERIFY(outer.ok());
    QCOMPARE(inner.number, int(ErrBadValue));
    QCOMPARE(countRows(db, QStringLiteral("w集計")), 1);
}

void TestDatabase::busyFileFailsWithinTheTimeout()
{
    const QString work = path(schema::kWorkDbFileName);
    QVERIFY(schema::createWorkDatabase(work).ok());
    Database holder;
    Database db;
    QVERIFY(holder.open(work, schema::workTables()).ok());
    QVERIFY(db.open(work, schema::workTables()).ok());

    QSqlQuery lock(holder.connection());
    QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
    bool ran = false;
    QElapsedTimer timer;
    timer.start();
    DbError error = db.inTransaction([&] {
        ran = true;
        return DbError::none();
    });
    const qint64 waited = timer.elapsed();
    QCOMPARE(error.primaryCode(), 5);
    QVERIFY(!ran);
    QVERIFY2(waited >= 1500 && waited < 10000, qPrintable(QString::number(waited)));
    QVERIFY(describeForUser(error).startsWith(QStringLiteral("他のプログラムがデータベースを使用中です。")));

    // A plain statement meets the same lock.
    error = db.execute(QStringLiteral("delete * from w集計"));
    QCOMPARE(error.primaryCode(), 5);

    QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
    QVERIFY(db.inTransaction([&] { return db.execute(QStringLiteral("delete * from w集計")); }).ok());
}

void TestDatabase::userTexts_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cantopen") << 14 << QStringLiteral("unable to open database file")
                              << QStringLiteral(
                                     "ファイルが見つからないか、開けません。（SQLite エラー 14: unable to open "
                                     "database file）");
    QTest::newRow("notadb") << 26 << QStringLiteral("file is not a database")
                            << QStringLiteral(
                                   "データベースファイルではありません（壊れているか、別の形式のファイルです）。"
                                   "（SQLite エラー 26: file is not a database）");
    QTest::newRow("corrupt") << 11 << QStringLiteral("x")
                             << QStringLiteral("データベースファイルが壊れています。（SQLite エラー 11: x）");
    QTest::newRow("busy snapshot") << 517 << QStringLiteral("x")
                                   << QStringLiteral(
                                          "他のプログラムがデータベースを使用中です。しばらく待ってからやり直"
                                          "してください。（SQLite エラー 517: x）");
    QTest::newRow("locked") << 6 << QStringLiteral("x")
                            << QStringLiteral("他のプログラムがデータベースを使用中です。しばらく待ってからやり直して"
                                              "ください。（SQLite エラー 6: x）");
    QTest::newRow("readonly") << 8 << QStringLiteral("x")
                              << QStringLiteral(
                                     "データベースが読み取り専用のため書き込めません。（SQLite エラー 8: x）");
    QTest::newRow("full") << 13 << QStringLiteral("x")
                          << QStringLiteral("ディスクの空きがないため書き込めません。（SQLite エラー 13: x）");
    QTest::newRow("ioerr read") << 266 << QStringLiteral("x")
                                << QStringLiteral("ディスクの読み書きに失敗しました。（SQLite エラー 266: x）");
    QTest::newRow("unique") << 2067 << QStringLiteral("UNIQUE constraint failed: 業務日誌.日付")
                            << QStringLiteral("同じデータが既に登録されています。（SQLite エラー 2067: UNIQUE "
                                              "constraint failed: 業務日誌.日付）");
    QTest::newRow("auth") << 23 << QStringLiteral("x")
                          << QStringLiteral("ファイルへのアクセス権がありません。（SQLite エラー 23: x）");
    QTest::newRow("perm") << 3 << QStringLiteral("x")
                          << QStringLiteral("ファイルへのアクセス権がありません。（SQLite エラー 3: x）");
    QTest::newRow("missing table") << int(ErrMissingTable) << QStringLiteral("no such table: ClHint")
                                   << QStringLiteral("必要な表がありません。（エラー 10001: no such table: ClHint）");
    QTest::newRow("generic") << 1 << QStringLiteral("near \"x\": syntax error")
                             << QStringLiteral(
                                    "データベースの処理に失敗しました。（SQLite エラー 1: near \"x\": syntax "
                                    "error）");
    QTest::newRow("no message") << 1 << QString()
                                << QStringLiteral("データベースの処理に失敗しました。（SQLite エラー 1）");
    QTest::newRow("success") << 0 << QString() << QString();
}

void TestDatabase::userTexts()
{
    QFETCH(int, number);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    QCOMPARE(describeForUser({number, message}), expected);
}

void TestDatabase::qtErrorsAreNeverSuccess()
{
    QCOMPARE(fromSqlError(QSqlError()).number, 1);
    const DbError misuse =
        fromSqlError(QSqlError(QStringLiteral("Unable to execute multiple statements at a time"),
                               QStringLiteral("not an error"), QSqlError::StatementError, QStringLiteral("21")));
    QCOMPARE(misuse.number, 21);
    QCOMPARE(misuse.message, QStringLiteral("Unable to execute multiple statements at a time"));
    const DbError full =
        fromSqlError(QSqlError(QStringLiteral("Unable to fetch row"), QStringLiteral("database or disk is full"),
                               QSqlError::StatementError, QStringLiteral("13")));
    QCOMPARE(full.number, 13);
    QCOMPARE(full.message, QStringLiteral("database or disk is full"));
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
