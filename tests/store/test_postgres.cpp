// The server engine behind the store: its tables, versions, work table and
// failures, against the server named by ZEPHRA_TEST_SERVER.

#include "common/formats.h"
#include "common/progress.h"
#include "store/engines.h"
#include "store/maintenance.h"
#include "support/testserver.h"
#include "support/verifyok.h"

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace store;
using testsupport::ServerSchema;

namespace {

JournalRecord record(QDate day, Amount sales, const QString &text)
{
    JournalRecord r;
    r.date = day;
    r.amounts.sales = sales;
    r.amounts.moneyIn = 500;
    r.text = text;
    return r;
}

std::unique_ptr<Store> openStore(const Location &location)
{
    std::unique_ptr<Store> store = makeStore(location);
    if (!store) {
        return nullptr;
    }
    if (const std::optional<OpenFailure> failure = store->open(location)) {
        qWarning() << failure->path << failure->error.message;
        return nullptr;
    }
    return store;
}

} // namespace

class TestPostgres : public QObject
{
    Q_OBJECT

private slots:
    void init() { SKIP_WITHOUT_SERVER(); }

    // Empty data is made whole or refused; opening names what is missing or too new.
    void makingAndOpening()
    {
        ServerSchema schema;
        QVERIFY2(schema.error().isEmpty(), qPrintable(schema.error()));
        const Location location = schema.location();
        QVERIFY(dataParts(location).none());
        std::unique_ptr<Store> store = makeStore(location);
        QVERIFY(store);
        std::optional<OpenFailure> failure = store->open(location);
        QVERIFY(failure);
        QCOMPARE(failure->error.kind, DbErrorKind::MissingTable);
        const QString base = testsupport::testServer();
        const Location noDatabase = Location::onServer(base + (base.contains(u'?') ? u'&' : u'?') +
                                                       QStringLiteral("dbname=zephra_no_such_database"));
        failure = store->open(noDatabase);
        QVERIFY(failure);
        QCOMPARE(failure->error.kind, DbErrorKind::Missing);
        QCOMPARE(failure->path, noDatabase.display());

        const Creation made = createEmptyData(location);
        VERIFY_OK(made.error);
        QCOMPARE(made.made.size(), 4);
        QVERIFY(dataParts(location).whole());
        QVERIFY(makeMaintenance(location)->hasData());
        const Creation again = createEmptyData(location);
        QCOMPARE(again.error.kind, DbErrorKind::Exists);
        QVERIFY(again.made.isEmpty());

        QVERIFY(!store->open(location));
        QVERIFY(store->isOpen());
        QCOMPARE(store->searchIndexState(), SearchIndexState::Whole);
        store->close();

        QCOMPARE(schema.exec("DROP TABLE \"ClHint\""), QString());
        failure = store->open(location);
        QVERIFY(failure);
        QCOMPARE(failure->error.kind, DbErrorKind::MissingTable);
        QVERIFY(!failure->journalPart);
        QVERIFY(failure->path.contains(QStringLiteral("ClHint")));
        QCOMPARE(dataParts(location).present.size(), 3);
        const Creation missing = createMissingData(location);
        VERIFY_OK(missing.error);
        QCOMPARE(missing.made.size(), 1);

        QCOMPARE(schema.exec("UPDATE \"データ版\" SET \"版\" = 3"), QString());
        failure = store->open(location);
        QVERIFY(failure);
        QCOMPARE(failure->error.kind, DbErrorKind::NewerLayout);
        QVERIFY(!store->isOpen());
    }

    // Every operation of the journal, settings and hints, with the Null rules of the file engine.
    void journalSettingsAndHints()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> store = openStore(schema.location());
        QVERIFY(store);
        const QDate day(2026, 3, 9);
        VERIFY_OK(store->saveDay(record(day, 1200, QStringLiteral("売上 'quoted' \"x\""))));
        std::optional<JournalRecord> read;
        Seen seen;
        VERIFY_OK(store->readDay(day, read, seen));
        QVERIFY(read && seen);
        QCOMPARE(read->amounts.sales, Amount(1200));
        QCOMPARE(read->amounts.purchases, Amount());
        QCOMPARE(read->text, QStringLiteral("売上 'quoted' \"x\""));
        QCOMPARE(seen->number, 1);
        QVERIFY(qAbs(seen->written.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        QVERIFY(store->hasWritten());

        bool added = true;
        VERIFY_OK(store->addDay(record(day, 1, QString()), added));
        QVERIFY(!added);
        VERIFY_OK(store->addDay(record(day.addDays(40), 7, QString()), added));
        QVERIFY(added);
        VERIFY_OK(store->saveDay(record(day.addDays(1), common::kAmountLimit, QString())));
        QCOMPARE(store->saveDay(record(day.addDays(2), common::kAmountLimit + 1, QString())).kind,
                 DbErrorKind::RefusedValue);
        QCOMPARE(store->saveDay(record(QDate(), 1, QString())).kind, DbErrorKind::RefusedValue);

        qint64 count = 0;
        VERIFY_OK(store->countRecords(count));
        QCOMPARE(count, 3);
        QList<QDate> days;
        VERIFY_OK(store->forEachRecord({QDate(2026, 1, 1), QDate(2026, 12, 31)}, [&](const JournalRecord &r) {
            days << r.date;
            return true;
        }));
        QCOMPARE(days, (QList<QDate>{day, day.addDays(1), day.addDays(40)}));

        QList<SummaryRow> rows;
        VERIFY_OK(store->summarise({QDate(2026, 3, 5), QDate(2026, 12, 31)}, Grouping::Month, rows));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).first, QDate(2026, 3, 5));
        QCOMPARE(rows.at(0).last, QDate(2026, 3, 31));
        QCOMPARE(rows.at(0).sums.sales, Amount(1200 + common::kAmountLimit));
        QCOMPARE(rows.at(0).sums.purchases, Amount());
        QCOMPARE(rows.at(0).days, 2);
        QCOMPARE(rows.at(1).first, QDate(2026, 4, 1));
        VERIFY_OK(store->summarise({QDate(2026, 1, 1), QDate(2026, 12, 31)}, Grouping::Year, rows));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).days, 3);

        VERIFY_OK(store->removeDay(day.addDays(1)));
        VERIFY_OK(store->readDay(day.addDays(1), read));
        QVERIFY(!read);

        std::optional<Settings> settings;
        VERIFY_OK(store->loadSettings(settings));
        QVERIFY(!settings);
        VERIFY_OK(store->saveSettings({QStringLiteral("和暦"), 255}));
        VERIFY_OK(store->saveSettings({QStringLiteral("和暦"), 12345}));
        VERIFY_OK(store->loadSettings(settings));
        QCOMPARE(settings, std::optional(Settings{QStringLiteral("和暦"), 12345}));
        QCOMPARE(schema.exec("UPDATE \"自社情報\" SET \"年号\" = NULL, \"LineColor1\" = -5"), QString());
        VERIFY_OK(store->loadSettings(settings));
        QCOMPARE(settings, std::optional(Settings{common::kWestern, 0}));

        const HintKey key{QStringLiteral("F日誌"), QStringLiteral("Txt日誌")};
        VERIFY_OK(store->storeHint(Hint{key, QStringLiteral("業務日誌"), std::nullopt}));
        VERIFY_OK(store->storeHint(Hint{key, QStringLiteral("業務日誌"), QStringLiteral("晴れ")}));
        std::optional<Hint> hint;
        VERIFY_OK(store->readHint(key, hint, seen));
        QVERIFY(hint);
        QCOMPARE(hint->contents, std::optional(QStringLiteral("晴れ")));
        QCOMPARE(seen->number, 2);
        VERIFY_OK(store->storeHint(Hint{key, QStringLiteral("業務日誌"), std::nullopt}));
        VERIFY_OK(store->readHint(key, hint));
        QCOMPARE(hint->contents, std::optional<QString>());
        VERIFY_OK(store->removeHint(key));
        VERIFY_OK(store->readHint(key, hint));
        QVERIFY(!hint);

        // A transaction keeps all of its writes or none.
        const DbError failed = store->inTransaction([&]() -> DbError {
            if (DbError error = store->saveDay(record(QDate(2027, 1, 1), 1, QString()))) {
                return error;
            }
            return store->saveDay(record(QDate(2027, 1, 2), common::kAmountLimit * 2, QString()));
        });
        QCOMPARE(failed.kind, DbErrorKind::RefusedValue);
        VERIFY_OK(store->readDay(QDate(2027, 1, 1), read));
        QVERIFY(!read);

        // While a transaction runs, another program's write waits for it, then fails as busy.
        std::unique_ptr<Store> other = openStore(schema.location({QStringLiteral("lock_timeout=200")}));
        QVERIFY(other);
        VERIFY_OK(store->inTransaction([&]() -> DbError {
            const DbError waited = other->saveDay(record(QDate(2027, 2, 1), 1, QString()));
            return waited.kind == DbErrorKind::Busy ? store->saveDay(record(QDate(2027, 2, 2), 1, QString())) : waited;
        }));
        VERIFY_OK(other->saveDay(record(QDate(2027, 2, 1), 1, QString())));

        VERIFY_OK(store->eraseAll());
        VERIFY_OK(store->countRecords(count));
        QCOMPARE(count, 0);
        VERIFY_OK(store->loadSettings(settings));
        QVERIFY(!settings);
        store->close();
        QCOMPARE(store->countRecords(count).kind, DbErrorKind::Closed);
    }

    // Two programs on the same data: a checked write finds the other's write or removal.
    void versionConflicts()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> first = openStore(schema.location());
        std::unique_ptr<Store> second = openStore(schema.location());
        QVERIFY(first && second);
        const QDate day(2025, 7, 1);
        std::optional<JournalRecord> read;
        Seen seenAbsent;
        VERIFY_OK(first->readDay(day, read, seenAbsent));
        QVERIFY(!seenAbsent);
        WriteOutcome outcome;
        VERIFY_OK(second->saveDay(record(day, 1, QStringLiteral("二")), Expected::as(seenAbsent), outcome));
        QCOMPARE(outcome.now->number, 1);
        QCOMPARE(first->saveDay(record(day, 2, QStringLiteral("一")), Expected::as(seenAbsent), outcome).kind,
                 DbErrorKind::Changed);
        QVERIFY(!outcome.change.removed);
        QVERIFY(outcome.change.written.isValid());

        Seen seen;
        VERIFY_OK(first->readDay(day, read, seen));
        VERIFY_OK(second->saveDay(record(day, 3, QStringLiteral("二の二"))));
        QCOMPARE(first->saveDay(record(day, 4, QString()), Expected::as(seen), outcome).kind, DbErrorKind::Changed);
        QCOMPARE(outcome.now->number, 2);
        VERIFY_OK(first->readDay(day, read, seen));
        QCOMPARE(read->text, QStringLiteral("二の二"));
        VERIFY_OK(first->saveDay(record(day, 4, QStringLiteral("一")), Expected::as(seen), outcome));
        QCOMPARE(outcome.now->number, 3);

        // Removed and made anew starts at version 1 again: the moment tells it apart.
        Seen old;
        VERIFY_OK(second->readDay(day, read, old));
        VERIFY_OK(first->removeDay(day));
        QCOMPARE(second->removeDay(day, Expected::as(old), outcome).kind, DbErrorKind::Changed);
        QVERIFY(outcome.change.removed);
        VERIFY_OK(second->removeDay(day, Expected::as(std::nullopt), outcome));

        const HintKey key{QStringLiteral("F"), QStringLiteral("C")};
        std::optional<Hint> hint;
        Seen hintSeen;
        VERIFY_OK(first->readHint(key, hint, hintSeen));
        VERIFY_OK(second->storeHint(Hint{key, QStringLiteral("t"), QStringLiteral("b")}));
        QCOMPARE(
            first->storeHint(Hint{key, QStringLiteral("t"), QStringLiteral("a")}, Expected::as(hintSeen), outcome).kind,
            DbErrorKind::Changed);
        VERIFY_OK(first->readHint(key, hint, hintSeen));
        VERIFY_OK(
            first->storeHint(Hint{key, QStringLiteral("t"), QStringLiteral("a")}, Expected::as(hintSeen), outcome));
        QCOMPARE(outcome.now->number, 2);
    }

    // Each program's totals are its own; a run copies the period in date order.
    void workTableOfEachConnection()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> first = openStore(schema.location());
        std::unique_ptr<Store> second = openStore(schema.location());
        QVERIFY(first && second);
        for (const int d : {20, 3, 11}) {
            VERIFY_OK(first->saveDay(record(QDate(2024, 2, d), d * 100, QString())));
        }
        VERIFY_OK(first->saveDay(record(QDate(2024, 3, 1), 1, QString())));
        FillReport report;
        VERIFY_OK(first->fillWork({QDate(2024, 2, 1), QDate(2024, 2, 29)}, report));
        QCOMPARE(report.copied, 3);
        QCOMPARE(report.sums.sales, Amount(3400));
        QCOMPARE(report.sums.purchases, Amount());
        bool holds = true;
        VERIFY_OK(second->workHoldsRows(holds));
        QVERIFY(!holds);
        VERIFY_OK(first->workHoldsRows(holds));
        QVERIFY(holds);
        QList<WorkRow> rows;
        VERIFY_OK(first->workRows(0, 2, rows));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).date, QDate(2024, 2, 3));
        QCOMPARE(rows.at(1).date, QDate(2024, 2, 11));
        VERIFY_OK(first->workRows(rows.at(1).id, 10, rows));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(2).date, QDate(2024, 2, 20));
        VERIFY_OK(first->setWorkAmount(rows.at(0).id, AmountColumn::Purchases, 5));
        VERIFY_OK(first->setWorkDate(rows.at(0).id, QDate(2024, 2, 4)));
        Sums sums;
        VERIFY_OK(first->workSums(sums));
        QCOMPARE(sums.purchases, Amount(5));
        VERIFY_OK(first->clearWork());
        VERIFY_OK(first->workHoldsRows(holds));
        QVERIFY(!holds);
    }

    // A connection the server ended is told as lost; the next command connects anew.
    void lostConnectionReconnects()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> store = openStore(schema.location());
        QVERIFY(store);
        FillReport report;
        VERIFY_OK(store->saveDay(record(QDate(2026, 1, 5), 10, QString())));
        VERIFY_OK(store->fillWork({QDate(2026, 1, 1), QDate(2026, 1, 31)}, report));
        const auto terminate = [&schema] {
            return testsupport::serverExec(testsupport::testServer(),
                                           "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                           "application_name = '" +
                                               schema.name().toUtf8() + "'");
        };
        QCOMPARE(terminate(), QString());
        qint64 count = 0;
        QCOMPARE(store->countRecords(count).kind, DbErrorKind::ConnectionLost);
        VERIFY_OK(store->countRecords(count));
        QCOMPARE(count, 1);
        bool holds = true;
        VERIFY_OK(store->workHoldsRows(holds)); // the work table is made anew, empty
        QVERIFY(!holds);
        VERIFY_OK(store->saveDay(record(QDate(2026, 1, 6), 10, QString())));

        // Lost inside a transaction: nothing of it is kept, and the next command connects anew.
        const DbError inside = store->inTransaction([&]() -> DbError {
            if (DbError error = store->saveDay(record(QDate(2026, 1, 7), 10, QString()))) {
                return error;
            }
            (void)terminate();
            if (DbError error = store->saveDay(record(QDate(2026, 1, 8), 10, QString()))) {
                return error;
            }
            return store->saveDay(record(QDate(2026, 1, 9), 10, QString()));
        });
        QCOMPARE(inside.kind, DbErrorKind::ConnectionLost);
        VERIFY_OK(store->countRecords(count));
        QCOMPARE(count, 2);

        // The server gone altogether: every command fails as lost, none hangs.
        std::unique_ptr<Store> nowhere = makeStore(Location::onServer(QStringLiteral("postgresql://127.0.0.1:1/none")));
        const std::optional<OpenFailure> failure =
            nowhere->open(Location::onServer(QStringLiteral("postgresql://127.0.0.1:1/none")));
        QVERIFY(failure);
        QCOMPARE(failure->error.kind, DbErrorKind::ConnectionLost);
    }

    // A day looked up is answered when asked for; an answer the connection
    // no longer keeps, one already taken, or one lost with the connection is
    // a failure, never another day's answer.
    void lookedUpDaysAnswerOrFail()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> store = openStore(schema.location());
        QVERIFY(store);
        const QDate first(2025, 3, 1);
        std::vector<Seen> read(3);
        for (int d = 0; d < 2; ++d) {
            VERIFY_OK(store->saveDay(record(first.addDays(d), d, QString())));
            VERIFY_OK(store->saveDay(record(first.addDays(d), d + 10, QString())));
        }
        for (int d = 0; d < 3; ++d) {
            std::optional<JournalRecord> shown;
            VERIFY_OK(store->readDay(first.addDays(d), shown, read[d]));
        }
        QCOMPARE(read[1]->number, 2);
        QVERIFY(!read[2]);

        std::vector<SeenLater> looks;
        for (int n = 0; n < 20; ++n) {
            looks.push_back(store->lookUpDay(first.addDays(n % 3)));
        }
        Seen seen;
        for (int n = 0; n < 3; ++n) {
            QCOMPARE(looks[n](seen).kind, DbErrorKind::Other);
            QVERIFY(!seen);
        }
        for (int n = 19; n >= 3; --n) {
            VERIFY_OK(looks[n](seen));
            QCOMPARE(seen, read[n % 3]);
        }
        QCOMPARE(looks[19](seen).kind, DbErrorKind::Other);

        // The connection ended under a look: the look fails as lost, the next command connects anew.
        QCOMPARE(testsupport::serverExec(testsupport::testServer(),
                                         "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                         "application_name = '" +
                                             schema.name().toUtf8() + "'"),
                 QString());
        QCOMPARE(store->lookUpDay(first)(seen).kind, DbErrorKind::ConnectionLost);
        VERIFY_OK(store->lookUpDay(first)(seen));
        QCOMPARE(seen, read[0]);
    }

    // TLS when the address asks for it: the program's connection is encrypted,
    // and a server whose certificate is not the one trusted is refused.
    void tlsWhenAsked()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        const QString address = schema.address();
        const QString tls = address + QStringLiteral("&sslmode=require");
        if (!testsupport::serverExec(testsupport::testServer(),
                                     "DO $$ BEGIN IF current_setting('ssl') <> 'on' THEN RAISE EXCEPTION 'no'; "
                                     "END IF; END $$")
                 .isEmpty()) {
            QSKIP("the test server speaks no TLS (no openssl where it was made)");
        }
        std::unique_ptr<Store> store = openStore(Location::onServer(tls));
        QVERIFY(store);
        VERIFY_OK(store->saveDay(record(QDate(2026, 6, 1), 1, QStringLiteral("暗号"))));
        // The server says which of its connections are encrypted.
        QCOMPARE(testsupport::serverExec(testsupport::testServer(),
                                         "DO $$ BEGIN IF (SELECT count(*) FROM pg_stat_ssl s JOIN pg_stat_activity a "
                                         "USING (pid) WHERE s.ssl AND a.application_name = '" +
                                             schema.name().toUtf8() +
                                             "') = 0 THEN RAISE EXCEPTION 'not encrypted'; END IF; END $$"),
                 QString());
        store.reset();
        // Trusting only another certificate: the connection is refused, in words.
        QTemporaryDir dir;
        const QString other = dir.filePath(QStringLiteral("other.crt"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=other"), QStringLiteral("-keyout"), dir.filePath(QStringLiteral("k")),
                       QStringLiteral("-out"), other});
        QVERIFY(openssl.waitForFinished(60'000) && openssl.exitCode() == 0);
        const Location wrong = Location::onServer(address + QStringLiteral("&sslmode=verify-ca&sslrootcert=") + other);
        std::unique_ptr<Store> refused = makeStore(wrong);
        const std::optional<OpenFailure> failure = refused->open(wrong);
        QVERIFY(failure);
        QVERIFY2(failure->error.kind == DbErrorKind::ConnectionLost || failure->error.kind == DbErrorKind::NoAccess,
                 qPrintable(failure->error.message));
        QVERIFY2(failure->error.message.contains(QStringLiteral("certificate")), qPrintable(failure->error.message));
    }

    // A server that lets the data be read only: writes refused as such, the totals still run.
    void readOnlyServer()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        {
            std::unique_ptr<Store> writer = openStore(schema.location());
            QVERIFY(writer);
            VERIFY_OK(writer->saveDay(record(QDate(2026, 5, 5), 10, QString())));
        }
        std::unique_ptr<Store> store = openStore(schema.location({QStringLiteral("default_transaction_read_only=on")}));
        QVERIFY(store);
        QCOMPARE(store->saveDay(record(QDate(2026, 5, 6), 1, QString())).kind, DbErrorKind::ReadOnly);
        QCOMPARE(store->saveSettings({}).kind, DbErrorKind::ReadOnly);
        QVERIFY(!store->hasWritten());
        FillReport report;
        VERIFY_OK(store->fillWork({QDate(2026, 5, 1), QDate(2026, 5, 31)}, report));
        QCOMPARE(report.copied, 1);
    }

    // Days and moments are the same whatever the server's zone and date style.
    void independentOfServerZoneAndDateStyle()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        const Location chatham =
            schema.location({QStringLiteral("TimeZone=Pacific/Chatham"), QStringLiteral("DateStyle=SQL,DMY")});
        std::unique_ptr<Store> store = openStore(chatham);
        QVERIFY(store);
        const QList<QDate> days{QDate(1, 1, 1), QDate(2026, 12, 31), QDate(2027, 1, 1), QDate(9999, 12, 31)};
        for (const QDate day : days) {
            VERIFY_OK(store->saveDay(record(day, 1, QStringLiteral("日付"))));
        }
        QCOMPARE(store->saveDay(record(QDate(10000, 1, 1), 1, QString())).kind, DbErrorKind::RefusedValue);
        std::optional<JournalRecord> read;
        Seen seen;
        VERIFY_OK(store->readDay(QDate(2026, 12, 31), read, seen));
        QVERIFY(read);
        QVERIFY(qAbs(seen->written.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        QList<QDate> visited;
        VERIFY_OK(store->forEachRecord({QDate(1, 1, 1), QDate(9999, 12, 31)}, [&](const JournalRecord &r) {
            visited << r.date;
            return true;
        }));
        QCOMPARE(visited, days);
        SearchResult found;
        VERIFY_OK(store->search({QStringLiteral("日付"), QDate(2026, 12, 31), QDate(2027, 1, 1)}, found));
        QCOMPARE(found.hits.size(), 2);
        QCOMPARE(found.hits.at(0).date, QDate(2027, 1, 1));
        QList<SummaryRow> rows;
        VERIFY_OK(store->summarise({QDate(2026, 12, 1), QDate(2027, 1, 31)}, Grouping::Month, rows));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).first, QDate(2026, 12, 1));
        QCOMPARE(rows.at(1).first, QDate(2027, 1, 1));
        // The version read back is the one a checked write finds.
        WriteOutcome outcome;
        VERIFY_OK(store->saveDay(record(QDate(2026, 12, 31), 2, QString()), Expected::as(seen), outcome));
    }
};

QTEST_GUILESS_MAIN(TestPostgres)
#include "test_postgres.moc"
