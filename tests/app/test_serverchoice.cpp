// The journal on a database server: the address read from the data folder's
// server.conf or from --server, the refusal of any password, and the empty
// tables made by --init-server, and the one clear message for a server that
// cannot be used (against ZEPHRA_TEST_SERVER when it is set).

#include "app/datafolder.h"
#include "app/initdata.h"
#include "app/serverchoice.h"
#include "store/engines.h"
#include "support/scriptedpresenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <libpq-fe.h>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome run(const QString &program, const QStringList &arguments, const QStringList &settings = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LANG"_s, u"C.UTF-8"_s);
    for (const QString &setting : settings) {
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    }
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Outcome outcome;
    if (process.waitForFinished(60'000) && process.exitStatus() == QProcess::NormalExit) {
        outcome.exitCode = process.exitCode();
    }
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

// The program copied beside a data folder of its own.
QString programBeside(const QTemporaryDir &dir)
{
    const QString program = dir.filePath(u"zephra"_s);
    QFile::copy(QStringLiteral(ZEPHRA_PATH), program);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(dir.path()).mkpath(u"data"_s);
    return program;
}

// Runs one statement on the test server; its error text, empty when it succeeded.
QString execute(const QString &address, const QString &sql)
{
    PGconn *connection = PQconnectdb(address.toUtf8().constData());
    QString error;
    if (PQstatus(connection) != CONNECTION_OK) {
        error = QString::fromUtf8(PQerrorMessage(connection));
    } else {
        PGresult *result = PQexec(connection, sql.toUtf8().constData());
        if (PQresultStatus(result) != PGRES_COMMAND_OK && PQresultStatus(result) != PGRES_TUPLES_OK) {
            error = QString::fromUtf8(PQresultErrorMessage(result));
        }
        PQclear(result);
    }
    PQfinish(connection);
    return error;
}

} // namespace

class TestServerChoice : public QObject
{
    Q_OBJECT

private slots:
    void fileBecomesAnAddress_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("address");
        QTest::newRow("every key")
            << "host=db.shop.example\nport=5433\ndatabase=zephra\nuser=zephra\nsslmode=require\n"_ba
            << u"postgresql://zephra@db.shop.example:5433/zephra?sslmode=require"_s;
        QTest::newRow("host and database alone")
            << "host = 192.168.1.10\ndatabase = 業務\n"_ba << u"postgresql://192.168.1.10/%E6%A5%AD%E5%8B%99"_s;
        QTest::newRow("user with an at sign") << "host=h\ndatabase=d\nuser=\"a@b\"\n"_ba << u"postgresql://a%40b@h/d"_s;
        QTest::newRow("IPv6 host") << "host=\"::1\"\nport=5432\ndatabase=d\n"_ba << u"postgresql://[::1]:5432/d"_s;
        QTest::newRow("socket folder") << "host=/run/postgresql\nport=5433\ndatabase=d\nuser=u\n"_ba
                                       << u"postgresql://u@/d?host=%2Frun%2Fpostgresql&port=5433"_s;
    }

    void fileBecomesAnAddress()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, address);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"server.conf"_s);
        QVERIFY(writeFile(path, file));
        const app::ServerChoice choice = app::serverFromFile(path);
        QVERIFY2(!choice.refused(), qPrintable(choice.refusal));
        QCOMPARE(choice.address, address);
    }

    void fileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("said");
        QTest::newRow("password") << "host=h\ndatabase=d\nuser=u\npassword=secret\n"_ba << u"パスワード"_s;
        QTest::newRow("password in a section")
            << "host=h\ndatabase=d\n[server]\nPassword=secret\n"_ba << u"パスワード"_s;
        QTest::newRow("password beside an unknown key")
            << "host=h\ndatabase=d\nhostname=x\npassword=s\n"_ba << u"パスワード"_s;
        QTest::newRow("unknown key") << "host=h\ndatabase=d\ndbname=x\n"_ba << u"「dbname」"_s;
        QTest::newRow("no host") << "database=d\n"_ba << u"host"_s;
        QTest::newRow("no database") << "host=h\n"_ba << u"database"_s;
        QTest::newRow("port not a number") << "host=h\ndatabase=d\nport=pg\n"_ba << u"「pg」"_s;
        QTest::newRow("port out of range") << "host=h\ndatabase=d\nport=70000\n"_ba << u"「70000」"_s;
        QTest::newRow("sslmode") << "host=h\ndatabase=d\nsslmode=always\n"_ba << u"「always」"_s;
    }

    void fileIsRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"server.conf"_s);
        QVERIFY(writeFile(path, file));
        const app::ServerChoice choice = app::serverFromFile(path);
        QVERIFY2(choice.refusal.contains(said), qPrintable(choice.refusal));
        QVERIFY(choice.refusal.contains(QDir::toNativeSeparators(path)));
        QVERIFY(!choice.address.contains(u"secret"_s));
    }

    void typedAddresses()
    {
        for (const QString &good : {u"postgresql://zephra@db/zephra"_s, u"postgres://db:5433/zephra?sslmode=require"_s,
                                    u"postgresql://zephra@/zephra?host=/run/postgresql"_s}) {
            const app::ServerChoice choice = app::serverFromAddress(good);
            QVERIFY2(!choice.refused(), qPrintable(good + choice.refusal));
            QCOMPARE(choice.address, good);
        }
        for (const QString &password : {u"postgresql://zephra:secret@db/zephra"_s, u"postgresql://zephra:@db/zephra"_s,
                                        u"postgresql://zephra@db/zephra?sslmode=require&password=secret"_s,
                                        u"postgresql://zephra@db/zephra?PASS%57ORD=secret"_s}) {
            const app::ServerChoice choice = app::serverFromAddress(password);
            QVERIFY2(choice.refusal.contains(u"パスワード"_s), qPrintable(password));
            QVERIFY(choice.address.isEmpty());
        }
        // A user name may hold '@' and ':' percent-encoded, and a host a port: no password there.
        QVERIFY(!app::serverFromAddress(u"postgresql://a%40b@db:5432/d"_s).refused());
        for (const QString &notAUrl : {u"host=db dbname=zephra"_s, u"mysql://db/zephra"_s, u"db/zephra"_s}) {
            QVERIFY2(app::serverFromAddress(notAUrl).refusal.contains(u"postgresql://"_s), qPrintable(notAUrl));
        }
    }

    void locationFollowsTheChoice()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        QCOMPARE(app::dataLocation(folder), store::Location::inFolder(folder));

        QVERIFY(writeFile(dir.filePath(u"server.conf"_s), "host=db\ndatabase=zephra\nuser=zephra\n"));
        QCOMPARE(app::dataLocation(folder), store::Location::onServer(u"postgresql://zephra@db/zephra"_s));
        // A file refused at the start never puts its password in an address all the same.
        QVERIFY(writeFile(dir.filePath(u"server.conf"_s), "host=db\ndatabase=zephra\npassword=secret\n"));
        QVERIFY(!app::dataLocation(folder).address().contains(u"secret"_s));

        app::setServerForRun(u"postgresql://other@db2/journal"_s);
        QCOMPARE(app::dataLocation(folder), store::Location::onServer(u"postgresql://other@db2/journal"_s));
        app::setServerForRun({});
        QVERIFY(QFile::remove(dir.filePath(u"server.conf"_s)));
        QCOMPARE(app::dataLocation(folder), store::Location::inFolder(folder));
    }

    void serverFolderGetsNoFilesUnasked()
    {
        QTemporaryDir dir;
        const app::DataHome home{dir.filePath(u"share/zephra"_s), false};
        const QString data = app::chooseDataFolder(home.folder);
        QVERIFY(QDir().mkpath(data));
        QVERIFY(writeFile(QDir(data).filePath(u"server.conf"_s), "host=db\ndatabase=zephra\n"));
        testsupport::ScriptedPresenter presenter;
        common::Msg msg(presenter);
        // The first start in the user's folder makes no files where a server keeps the journal.
        QVERIFY(app::makeDataOnFirstStart(home, msg));
        QVERIFY(presenter.shown.isEmpty());
        QCOMPARE(QDir(data).entryList(QDir::Files), QStringList{u"server.conf"_s});
        // --init-data makes the files it names, in the folder, all the same.
        QCOMPARE(app::initData(data).exitStatus, 0);
        QCOMPARE(QDir(data).entryList(QDir::Files).size(), 3);
    }

    void programRefusesAPasswordBeforeTouchingTheData()
    {
        QTemporaryDir dir;
        const QString program = programBeside(dir);
        const QString backup = dir.filePath(u"data/backup"_s);

        // On the command line, before or after the verb.
        for (const QStringList &arguments :
             {QStringList{u"--server"_s, u"postgresql://zephra:secret@db/zephra"_s, u"--backup"_s},
              QStringList{u"--backup"_s, u"--server=postgresql://zephra:secret@db/zephra"_s}}) {
            const Outcome refused = run(program, arguments);
            QCOMPARE(refused.exitCode, 2);
            QVERIFY2(refused.err.contains(u"パスワード"_s), qPrintable(refused.err));
            QVERIFY(!QFileInfo::exists(backup));
        }
        const Outcome noAddress = run(program, {u"--backup"_s, u"--server"_s});
        QCOMPARE(noAddress.exitCode, 2);
        QVERIFY2(noAddress.err.contains(u"--server"_s), qPrintable(noAddress.err));

        // In the data folder's server.conf.
        QVERIFY(writeFile(dir.filePath(u"data/server.conf"_s), "host=db\ndatabase=zephra\npassword=secret\n"));
        const Outcome fromFile = run(program, {u"--backup"_s});
        QCOMPARE(fromFile.exitCode, 2);
        QVERIFY2(fromFile.err.contains(u"server.conf"_s), qPrintable(fromFile.err));
        QVERIFY(!QFileInfo::exists(backup));
        QVERIFY(!QFileInfo::exists(dir.filePath(u"data/VelmoraA.mdb"_s)));

        const Outcome initServer = run(program, {u"--init-server"_s, u"postgresql://zephra:secret@db/zephra"_s});
        QCOMPARE(initServer.exitCode, 2);
        QVERIFY2(initServer.err.contains(u"パスワード"_s), qPrintable(initServer.err));
    }

    // A server down, a wrong password, no such database, a database without
    // our tables: each told in its own words, the program ends non-zero, and
    // nothing is made on this PC.
    void unusableServerIsToldAndNothingIsMadeHere()
    {
        const QString server = qEnvironmentVariable("ZEPHRA_TEST_SERVER");
        if (server.isEmpty()) {
            QSKIP("ZEPHRA_TEST_SERVER names no server");
        }
        const QString database = u"zephra_bare_%1"_s.arg(QCoreApplication::applicationPid());
        QUrl address(server);
        address.setPath(u'/' + database);
        const QString bare = address.toString();
        QCOMPARE(execute(server, u"CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'"_s.arg(database)), QString());
        const auto dropped = qScopeGuard([&] { execute(server, u"DROP DATABASE %1 WITH (FORCE)"_s.arg(database)); });
        QUrl down(server);
        down.setPort(1);
        QUrl missing(server);
        missing.setPath(u"/zephra_none"_s);
        QUrl withPassword(bare);
        withPassword.setUserName(u"zephra_pw"_s);
        // The password comes only from the environment: no .pgpass of this machine's user.
        const QString noPassFile = u"PGPASSFILE=/nonexistent"_s;

        struct Case
        {
            const char *name;
            QString address;
            QStringList settings;
            QString told;
        };
        const QList<Case> cases{
            {"server down", down.toString(), {noPassFile}, u"サーバーに接続できません。"_s},
            {"wrong password", withPassword.toString(), {noPassFile, u"PGPASSWORD=wrong"_s}, u"パスワードが違うか"_s},
            {"no password", withPassword.toString(), {noPassFile}, u"パスワードが違うか"_s},
            {"no such database", missing.toString(), {noPassFile}, u"そのデータベースか利用者がありません"_s},
            {"no tables", bare, {noPassFile}, u"業務日誌の表がありません。"_s},
            // The right password gets through, to meet the missing tables.
            {"right password",
             withPassword.toString(),
             {noPassFile, u"PGPASSWORD=zephra-pw"_s},
             u"業務日誌の表がありません。"_s},
        };
        for (const Case &unusable : cases) {
            QTemporaryDir dir;
            const QString program = programBeside(dir);
            const QString exported = dir.filePath(u"out.csv"_s);
            for (const QStringList &verb :
                 {QStringList{u"--export"_s, exported, u"--from"_s, u"2024/01/01"_s, u"--to"_s, u"2024/12/31"_s},
                  QStringList{u"--backup"_s}, QStringList{u"--import-csv"_s, exported}}) {
                const Outcome told =
                    run(program, QStringList{u"--server"_s, unusable.address} + verb, unusable.settings);
                QVERIFY2(told.exitCode == 1, unusable.name);
                QVERIFY2(told.err.contains(unusable.told),
                         qPrintable(QString::fromUtf8(unusable.name) + u": "_s + told.err));
                QVERIFY2(told.err.trimmed().count(u'\n') == 0, qPrintable(told.err)); // one line
                QVERIFY2(!told.err.contains(u"zephra-pw"_s), qPrintable(told.err));
            }
            QVERIFY2(QDir(dir.filePath(u"data"_s)).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     unusable.name);
            QVERIFY(!QFileInfo::exists(exported));
        }
    }

    void initServerMakesTablesOnceOnly()
    {
        const QString server = qEnvironmentVariable("ZEPHRA_TEST_SERVER");
        if (server.isEmpty()) {
            QSKIP("ZEPHRA_TEST_SERVER names no server");
        }
        if (!store::makeStore(store::Location::onServer(server))) {
            QSKIP("this build has no server engine");
        }
        // A database of its own, empty but for the extension the engine needs.
        const QString database = u"zephra_init_%1"_s.arg(QCoreApplication::applicationPid());
        QUrl address(server);
        address.setPath(u'/' + database);
        const QString fresh = address.toString();
        QCOMPARE(execute(server, u"CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'"_s.arg(database)), QString());
        const auto dropped = qScopeGuard([&] { execute(server, u"DROP DATABASE %1 WITH (FORCE)"_s.arg(database)); });
        QCOMPARE(execute(fresh, u"CREATE EXTENSION pg_trgm"_s), QString());

        const Outcome made = run(QStringLiteral(ZEPHRA_PATH), {u"--init-server"_s, fresh});
        QVERIFY2(made.exitCode == 0, qPrintable(made.err));
        QVERIFY(made.out.contains(fresh));
        QCOMPARE(execute(fresh, u"SELECT 1 FROM 業務日誌 LIMIT 0"_s), QString());

        const Outcome again = run(QStringLiteral(ZEPHRA_PATH), {u"--init-server"_s, fresh});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.contains(u"既に"_s), qPrintable(again.err));
    }
};

QTEST_GUILESS_MAIN(TestServerChoice)
#include "test_serverchoice.moc"
