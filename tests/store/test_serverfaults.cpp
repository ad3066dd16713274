// The server going away under a program and coming back: the command that
// meets the gap fails as a lost connection with one clear message, nothing of
// it is kept, and the next command after the server is back connects again by
// itself. Each test runs a throwaway server of its own (scripts/pgcluster.sh),
// so that stopping it disturbs no other test. Skipped where no server can run
// (ZEPHRA_TEST_SERVER unset).

#include "store/engines.h"
#include "support/verifyok.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    QVERIFY2(!again, again ? qPrintable(again->error.message + u" kind "_s + QString::number(int(again->error.kind)))
                           : "");
    VERIFY_OK(store->saveDay({QDate(2024, 5, 2), {}, u"起動後"_s, {}}));
}

QTEST_GUILESS_MAIN(TestServerFaults)
#include "test_serverfaults.moc"
