// The server going away under a program and coming back: the command that
// meets the gap, between statements or in the middle of one (a save, a totals
// run, an import held up by another desk's lock when the server stops), fails
// as a lost connection with one clear message, nothing of it is kept, and the
// next command after the server is back connects again by itself. Each test runs a throwaway server of its own
// (scripts/pgcluster.sh), so that stopping it disturbs no other test. Skipped where no server can run
// (ZEPHRA_TEST_SERVER unset).

#include "exchange/csvimport.h"

#include "common/progress.h"
#include "store/engines.h"
#include "support/verifyok.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <libpq-fe.h>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Runs the cluster script; its error output when it failed.
QString cluster(const QString &command, const QString &folder)
{
    QProcess script;
    script.start(QStringLiteral(ZEPHRA_SOURCE_DIR "/scripts/pgcluster.sh"), {command, folder});
    if (!script.waitForFinished(120'000) || script.exitCode() != 0) {
        return QString::fromUtf8(script.readAllStandardError()) + u"(pgcluster.sh "_s + command + u")"_s;
    }
    return QString();
}

// Another desk's connection, holding what its statements took until the server ends it.
class OtherDesk
{
public:
    explicit OtherDesk(const QString &address) : m_connection(PQconnectdb(address.toUtf8().constData())) {}
    ~OtherDesk() { PQfinish(m_connection); }
    OtherDesk(const OtherDesk &) = delete;
    OtherDesk &operator=(const OtherDesk &) = delete;

    // The first failure's text, or an empty one.
    QString exec(const char *sql)
    {
        if (PQstatus(m_connection) != CONNECTION_OK) {
            return QString::fromUtf8(PQerrorMessage(m_connection));
        }
        PGresult *result = PQexec(m_connection, sql);
        const ExecStatusType status = PQresultStatus(result);
        const QString failure = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK
                                    ? QString()
                                    : QString::fromUtf8(PQresultErrorMessage(result));
        PQclear(result);
        return failure;
    }

private:
    PGconn *m_connection;
};

// Whether some connection of the server waits for a lock, asked for up to five seconds.
bool someoneWaits(const QString &address)
{
    const QDeadlineTimer deadline(5'000);
    while (!deadline.hasExpired()) {
        PGconn *connection = PQconnectdb(address.toUtf8().constData());
        PGresult *result = PQexec(connection, "SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'");
        const bool waits = PQresultStatus(result) == PGRES_TUPLES_OK && QByteArray(PQgetvalue(result, 0, 0)) != "0";
        PQclear(result);
        PQfinish(connection);
        if (waits) {
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

QString readText(store::Store &store, QDate day)
{
    std::optional<store::JournalRecord> record;
    const store::DbError error = store.readDay(day, record);
    return error ? u"error "_s + QString::number(int(error.kind)) : record ? record->text : u"none"_s;
}

} // namespace

class TestServerFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void serverStoppedBetweenCommands();
    void serverDownAtStart();
    void serverStoppedInsideAStatement_data();
    void serverStoppedInsideAStatement();

private:
    std::unique_ptr<QTemporaryDir> m_parent;
    QString m_folder;
    store::Location m_location;
};

void TestServerFaults::init()
{
    if (qEnvironmentVariableIsEmpty("ZEPHRA_TEST_SERVER")) {
        QSKIP("ZEPHRA_TEST_SERVER is not set");
    }
    m_parent = std::make_unique<QTemporaryDir>(u"/tmp/zf-XXXXXX"_s); // a short path: the socket lives there
    // The server runs as a user of its own, which must reach its folder.
    QFile::setPermissions(m_parent->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ExeGroup | QFileDevice::ExeOther);
    m_folder = m_parent->filePath(u"pg"_s);
    const QString failed = cluster(u"start"_s, m_folder);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QFile address(m_folder + u"/address"_s);
    QVERIFY(address.open(QIODevice::ReadOnly));
    m_location = store::Location::onServer(QString::fromUtf8(address.readLine()).trimmed());
    VERIFY_OK(store::createEmptyData(m_location).error);
}

void TestServerFaults::cleanup()
{
    if (!m_folder.isEmpty()) {
        (void)cluster(u"stop"_s, m_folder);
    }
    m_parent.reset();
}

void TestServerFaults::serverStoppedBetweenCommands()
{
    auto store = store::makeStore(m_location);
    QVERIFY(!store->open(m_location));
    const QDate day(2024, 5, 1);
    VERIFY_OK(store->saveDay({day, {1, {}, {}, {}}, u"前"_s, {}}));
    store::FillReport report;
    VERIFY_OK(store->fillWork({day, day}, report));

    QVERIFY(cluster(u"halt"_s, m_folder).isEmpty());
    // The save that meets the gap: lost, told once, in words.
    const store::DbError lost = store->saveDay({day, {2, {}, {}, {}}, u"途中"_s, {}});
    QCOMPARE(lost.kind, store::DbErrorKind::ConnectionLost);
    QVERIFY(store::describeForUser(lost).startsWith(u"データベースとの接続が切れました。"_s));
    // A totals run and a transaction meet it too.
    QVERIFY(store->fillWork({day, day}, report));
    QVERIFY(store->inTransaction([&] { return store->saveDay({day.addDays(1), {}, u"取引"_s, {}}); }));

    QVERIFY(cluster(u"resume"_s, m_folder).isEmpty());
    // Back: the next command connects again; nothing of the failed ones is there.
    QCOMPARE(readText(*store, day), u"前"_s);
    QCOMPARE(readText(*store, day.addDays(1)), u"none"_s);
    VERIFY_OK(store->saveDay({day, {3, {}, {}, {}}, u"後"_s, {}}));
    QCOMPARE(readText(*store, day), u"後"_s);
    // The program's totals table is made again on the new connection.
    VERIFY_OK(store->fillWork({day, day}, report));
    QCOMPARE(report.copied, 1);
}

void TestServerFaults::serverDownAtStart()
{
    QVERIFY(cluster(u"halt"_s, m_folder).isEmpty());
    auto store = store::makeStore(m_location);
    const std::optional<store::OpenFailure> failure = store->open(m_location);
    QVERIFY(failure);
    QCOMPARE(failure->error.kind, store::DbErrorKind::ConnectionLost);
    QVERIFY(cluster(u"resume"_s, m_folder).isEmpty());
    const std::optional<store::OpenFailure> again = store->open(m_location);
    QVERIFY2(!again,
             again ? qPrintable(again->error.message + u" kind "_s + QString::number(int(again->error.kind))) : "");
    VERIFY_OK(store->saveDay({QDate(2024, 5, 2), {}, u"起動後"_s, {}}));
}

// Each case: what the other desk holds, so that the program's command waits
// inside its statement, and the command; the server stops while it waits.
void TestServerFaults::serverStoppedInsideAStatement_data()
{
    using Command = std::function<store::DbError(store::Store &)>;
    QTest::addColumn<QByteArray>("hold");
    QTest::addColumn<Command>("command");
    QTest::addColumn<QList<QDate>>("untouched");

    const QDate day(2024, 5, 1);
    QTest::newRow("save") << "BEGIN; SELECT 1 FROM \"業務日誌\" WHERE \"日付\" = '2024-05-01' FOR UPDATE"_ba
                          << Command([day](store::Store &store) {
                                 return store.saveDay({day, {2, {}, {}, {}}, u"途中"_s, {}});
                             })
                          << QList<QDate>{day};
    QTest::newRow("totals") << "BEGIN; LOCK TABLE \"業務日誌\" IN ACCESS EXCLUSIVE MODE"_ba
                            << Command([day](store::Store &store) {
                                   store::FillReport report;
                                   return store.fillWork({day, day.addDays(30)}, report);
                               })
                            << QList<QDate>{day};
    // The import has written its first days when it meets a day another desk is adding.
    QList<QDate> imported;
    for (int i = 0; i < 40; ++i) {
        imported << QDate(2024, 6, 1).addDays(i);
    }
    QTest::newRow("import") << "BEGIN; INSERT INTO \"業務日誌\" (\"日付\", \"日誌\") VALUES ('2024-06-30', '他')"_ba
                            << Command([imported](store::Store &store) {
                                   QTemporaryDir dir;
                                   const QString path = dir.filePath(u"days.csv"_s);
                                   QFile file(path);
                                   if (!file.open(QIODevice::WriteOnly)) {
                                       return store::DbError{store::DbErrorKind::Other, 0, u"no file"_s};
                                   }
                                   file.write("日付,売上額,日誌\r\n");
                                   for (const QDate date : imported) {
                                       file.write(date.toString(u"yyyy/MM/dd"_s).toUtf8() + ",7,取込\r\n");
                                   }
                                   file.close();
                                   common::NoProgress progress;
                                   const exchange::ImportPreview preview =
                                       exchange::previewCsvImport(store, path, std::nullopt, progress);
                                   if (preview.failure || preview.newDays != imported.size()) {
                                       return store::DbError{store::DbErrorKind::Other, 0, u"preview"_s};
                                   }
                                   const exchange::Imported done =
                                       exchange::importCsv(store, preview, exchange::ImportChoice{}, progress);
                                   return done.failure
                                              ? store::DbError{store::DbErrorKind::ConnectionLost, 0, *done.failure}
                                              : store::DbError{};
                               })
                            << (QList<QDate>{day} + imported);
}

void TestServerFaults::serverStoppedInsideAStatement()
{
    using Command = std::function<store::DbError(store::Store &)>;
    QFETCH(QByteArray, hold);
    QFETCH(Command, command);
    QFETCH(QList<QDate>, untouched);

    auto store = store::makeStore(m_location);
    QVERIFY(!store->open(m_location));
    const QDate day(2024, 5, 1);
    VERIFY_OK(store->saveDay({day, {1, {}, {}, {}}, u"前"_s, {}}));

    auto other = std::make_unique<OtherDesk>(m_location.address());
    QCOMPARE(other->exec(hold.constData()), QString());
    store::DbError failed;
    std::thread waiting([&] { failed = command(*store); });
    const bool waited = someoneWaits(m_location.address());
    const QString halted = cluster(u"halt"_s, m_folder);
    waiting.join();
    QVERIFY(waited);
    QVERIFY2(halted.isEmpty(), qPrintable(halted));
    other.reset();

    // Told as the lost connection it is, in the words the page shows.
    QVERIFY2(failed.kind == store::DbErrorKind::ConnectionLost || QTest::currentDataTag() == "import"_ba,
             qPrintable(failed.message));
    QVERIFY(failed);
    QVERIFY2(store::describeForUser(failed).contains(u"接続が切れました"_s) ||
                 failed.message.contains(u"接続が切れました"_s),
             qPrintable(store::describeForUser(failed) + u" / "_s + failed.message));

    QVERIFY(cluster(u"resume"_s, m_folder).isEmpty());
    // Nothing of the command is there: the day as it was, none of the import's days.
    QCOMPARE(readText(*store, day), u"前"_s);
    for (const QDate date : untouched) {
        if (date != day) {
            QCOMPARE(readText(*store, date), u"none"_s);
        }
    }
    // The next command connects again, and the totals run as before.
    VERIFY_OK(store->saveDay({day, {3, {}, {}, {}}, u"後"_s, {}}));
    store::FillReport report;
    VERIFY_OK(store->fillWork({day, day}, report));
    QCOMPARE(report.copied, 1);
}

QTEST_GUILESS_MAIN(TestServerFaults)
#include "test_serverfaults.moc"
