// Desks of one shop on one server at once: several programs save their own
// days and days they share, each written only as it was read, and run
// totals meanwhile. Afterwards every acknowledged save is there, one record
// per day, the versions of each shared day form one unbroken chain (no write
// went over another unasked), and every totals run held exactly the journal
// of its period. Runs against ZEPHRA_TEST_SERVER, skipped without one.

#include "store/engines.h"
#include "support/testserver.h"
#include "support/verifyok.h"

#include <QProcess>
#include <QTest>

#include <map>
#include <set>

using namespace Qt::StringLiterals;

class TestServerLoad : public QObject
{
    Q_OBJECT

private slots:
    void desksMeetWithoutLosingAWrite();
};

void TestServerLoad::desksMeetWithoutLosingAWrite()
{
    SKIP_WITHOUT_SERVER();
    constexpr int kDesks = 8;
    constexpr int kDays = 500;
    constexpr int kTotals = 20;
    const testsupport::ServerSchema schema;
    QVERIFY2(schema.error().isEmpty(), qPrintable(schema.error()));
    VERIFY_OK(store::createEmptyData(schema.location()).error);

    std::vector<std::unique_ptr<QProcess>> desks;
    for (int desk = 0; desk < kDesks; ++desk) {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(SERVERDESK_PATH),
                       {schema.address(), QString::number(desk), QString::number(kDesks), QString::number(kDays),
                        QString::number(kTotals)});
        desks.push_back(std::move(process));
    }
    std::map<QString, std::set<qint64>> versions; // day → versions acknowledged
    int writes = 0;
    int totalsRuns = 0;
    int asked = 0;
    for (const auto &process : desks) {
        QVERIFY(process->waitForFinished(240'000));
        QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
        for (const QByteArray &line : process->readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.value(0) == "W") {
                ++writes;
                // Each acknowledged write was built on the version it read, and
                // raised the day to a version no other write had.
                QVERIFY2(parts.value(3).toLongLong() == parts.value(2).toLongLong() + 1, line.constData());
                QVERIFY2(versions[QString::fromLatin1(parts.value(1))].insert(parts.value(3).toLongLong()).second,
                         line.constData());
            } else if (parts.value(0) == "A") {
                asked += parts.value(1).toInt();
            } else if (parts.value(0) == "T") {
                ++totalsRuns;
                QVERIFY2(parts.value(1) == "ok", line.constData());
            }
        }
    }
    QCOMPARE(writes, kDesks * kDays);
    QVERIFY(totalsRuns >= kDesks * kTotals);
    qInfo("desks asked again %d times", asked);

    auto store = store::makeStore(schema.location());
    QVERIFY(!store->open(schema.location()));
    qint64 count = 0;
    VERIFY_OK(store->countRecords(count));
    QCOMPARE(count, qint64(versions.size()));
    for (const auto &[day, seen] : versions) {
        // The versions of a day are 1, 2, … n: every write built on the one before.
        QCOMPARE(*seen.begin(), qint64(1));
        QCOMPARE(*seen.rbegin(), qint64(seen.size()));
        std::optional<store::JournalRecord> record;
        store::Seen now;
        VERIFY_OK(store->readDay(QDate::fromString(day, Qt::ISODate), record, now));
        QVERIFY(record && now && now->number == qint64(seen.size()));
    }
}

QTEST_GUILESS_MAIN(TestServerLoad)
#include "test_serverload.moc"
