// The server engine beside the file engine: the same journal found by the
// same words, copies of the server restored onto files and back, the
// server's quick check, the day's copy made once for all PCs, and no restore
// while another program has the data open.

#include "backup/restore.h"

#include "common/progress.h"
#include "store/copies.h"
#include "store/engines.h"
#include "store/maintenance.h"
#include "store/sqlitefiles.h"
#include "support/testserver.h"
#include "support/verifyok.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace store;
using testsupport::ServerSchema;

namespace {

// Texts of every kind the search form folds: kanji, kana both ways, half-width
// kana and letters, full-width digits, case, and the LIKE pattern's own signs.
const QStringList kTexts = {
    QStringLiteral("本日は晴天なり。売上好調"), QStringLiteral("ｶﾀｶﾅの入金、ＡＢＣ商事"),
    QStringLiteral("カタカナで出金 abc商事"),   QStringLiteral("ひらがな かたかな 雨"),
    QStringLiteral("100% 値引き_特売"),         QStringLiteral("１２３番の㈱テスト"),
    QStringLiteral("雨のち晴れ、売上不調"),     QString(),
};

const QStringList kQueries = {
    QStringLiteral("晴"),          QStringLiteral("売上"),       QStringLiteral("カタカナ"), QStringLiteral("ｶﾀｶﾅ"),
    QStringLiteral("abc"),         QStringLiteral("ＡＢＣ商事"), QStringLiteral("雨　売上"), QStringLiteral("%"),
    QStringLiteral("_特"),         QStringLiteral("0%"),         QStringLiteral("123"),      QStringLiteral("(株)"),
    QStringLiteral("かたかな 雨"), QStringLiteral("無い言葉"),
};

void fill(Store &store)
{
    QDate day(2025, 12, 28);
    for (const QString &text : kTexts) {
        JournalRecord record;
        record.date = day;
        record.amounts.sales = day.day();
        record.text = text;
        QVERIFY(store.saveDay(record).ok());
        day = day.addDays(2);
    }
    QVERIFY(store.saveSettings({QStringLiteral("和暦"), 4242}).ok());
    QVERIFY(store.storeHint(Hint{{QStringLiteral("F"), QStringLiteral("C")}, QStringLiteral("題"), std::nullopt}).ok());
    QVERIFY(store.storeHint(Hint{{QStringLiteral("F"), QStringLiteral("D")}, QString(), QStringLiteral("中")}).ok());
}

QList<JournalRecord> journalOf(Store &store)
{
    QList<JournalRecord> records;
    const DbError error = store.forEachRecord({QDate(1, 1, 1), QDate(9999, 12, 31)}, [&](const JournalRecord &r) {
        records << r;
        return true;
    });
    return error ? QList<JournalRecord>{} : records;
}

void compareData(Store &actual, Store &expected)
{
    const QList<JournalRecord> left = journalOf(actual);
    const QList<JournalRecord> right = journalOf(expected);
    QCOMPARE(left.size(), right.size());
    QVERIFY(!left.isEmpty());
    for (qsizetype k = 0; k < left.size(); ++k) {
        QCOMPARE(left.at(k).date, right.at(k).date);
        QCOMPARE(left.at(k).amounts, right.at(k).amounts);
        QCOMPARE(left.at(k).text, right.at(k).text);
    }
    std::optional<Settings> a;
    std::optional<Settings> b;
    QVERIFY(actual.loadSettings(a).ok() && expected.loadSettings(b).ok());
    QCOMPARE(a, b);
    for (const QString &control : {QStringLiteral("C"), QStringLiteral("D")}) {
        std::optional<Hint> x;
        std::optional<Hint> y;
        QVERIFY(actual.readHint({QStringLiteral("F"), control}, x).ok());
        QVERIFY(expected.readHint({QStringLiteral("F"), control}, y).ok());
        QVERIFY(x && y);
        QCOMPARE(x->formTitle, y->formTitle);
        QCOMPARE(x->contents, y->contents);
    }
}

std::unique_ptr<Store> openAt(const Location &location)
{
    std::unique_ptr<Store> store = makeStore(location);
    return store && !store->open(location) ? std::move(store) : nullptr;
}

} // namespace

class TestPostgresCopies : public QObject
{
    Q_OBJECT

private slots:
    void init() { SKIP_WITHOUT_SERVER(); }

    // The same days, in the same order and within the same limits, as the file engine finds.
    void searchFindsWhatTheFilesFind()
    {
        ServerSchema schema;
        QTemporaryDir folder;
        VERIFY_OK(createEmptyData(schema.location()).error);
        VERIFY_OK(createEmptyData(Location::inFolder(folder.path())).error);
        std::unique_ptr<Store> server = openAt(schema.location());
        std::unique_ptr<Store> files = openAt(Location::inFolder(folder.path()));
        QVERIFY(server && files);
        fill(*server);
        fill(*files);
        for (const QString &words : kQueries) {
            for (const int limit : {1, 1000}) {
                SearchResult onServer;
                SearchResult inFiles;
                VERIFY_OK(server->search({words, QDate(), QDate(), limit}, onServer));
                VERIFY_OK(files->search({words, QDate(), QDate(), limit}, inFiles));
                QList<QDate> serverDays;
                QList<QDate> fileDays;
                for (const SearchHit &hit : std::as_const(onServer.hits)) {
                    serverDays << hit.date;
                }
                for (const SearchHit &hit : std::as_const(inFiles.hits)) {
                    fileDays << hit.date;
                }
                QVERIFY2(serverDays == fileDays, qPrintable(words));
                QCOMPARE(onServer.more, inFiles.more);
                QVERIFY(!onServer.scanned);
            }
        }
        SearchResult some;
        VERIFY_OK(server->search({QStringLiteral("売上"), QDate(2026, 1, 1), QDate(2026, 1, 9)}, some));
        QCOMPARE(some.hits.size(), 1);
        QCOMPARE(some.hits.at(0).date, QDate(2026, 1, 9));
        QCOMPARE(some.hits.at(0).sales, Amount(9));
    }

    // A copy made from the server is the program's own pair of files, and restores onto files.
    void serverCopyRestoresOntoFiles()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> server = openAt(schema.location());
        QVERIFY(server);
        fill(*server);
        QTemporaryDir copy;
        qint64 records = 0;
        const std::unique_ptr<Maintenance> care = makeMaintenance(schema.location());
        QVERIFY(care && !care->files());
        VERIFY_OK(care->copyTo(copy.path(), records));
        QCOMPARE(records, kTexts.size());
        CopyCheck check;
        VERIFY_OK(checkCopy(copy.path(), check));
        QCOMPARE(check.records, kTexts.size());
        QCOMPARE(care->copyTo(copy.path(), records).kind, DbErrorKind::Exists);

        QTemporaryDir target;
        VERIFY_OK(createEmptyData(Location::inFolder(target.path())).error);
        std::unique_ptr<Store> files = openAt(Location::inFolder(target.path()));
        QVERIFY(files);
        VERIFY_OK(files->restoreFrom(copy.path()));
        compareData(*files, *server);
    }

    // The first program of the day notes its copy on the server; the others see the note.
    void dailyCopyIsNotedForEveryPc()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        const QDate today(2026, 12, 8);
        const std::unique_ptr<Maintenance> first = makeMaintenance(schema.location());
        const std::unique_ptr<Maintenance> second = makeMaintenance(schema.location());
        QVERIFY(!first->dailyCopyMade(today));
        first->noteDailyCopy(today);
        first->noteDailyCopy(today); // noted twice: still one note, no failure
        QVERIFY(second->dailyCopyMade(today));
        QVERIFY(!second->dailyCopyMade(today.addDays(1)));
        // The note is no part of the data: a copy holds the journal's tables only.
        QTemporaryDir copy;
        qint64 records = -1;
        VERIFY_OK(first->copyTo(copy.path(), records));
        QCOMPARE(records, 0);
        // Files keep no such note: each PC's own folder says whether it copied today.
        QTemporaryDir folder;
        VERIFY_OK(createEmptyData(Location::inFolder(folder.path())).error);
        const std::unique_ptr<Maintenance> files = makeMaintenance(Location::inFolder(folder.path()));
        files->noteDailyCopy(today);
        QVERIFY(!files->dailyCopyMade(today));
    }

    // Another program on the data (another PC's, by the name its connections
    // carry) refuses a restore onto the server, naming how many; this
    // program's own connections do not count.
    void restoreWaitsForOtherPrograms()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> mine = openAt(schema.location());
        QVERIFY(mine);
        fill(*mine);
        const std::unique_ptr<Maintenance> care = makeMaintenance(schema.location());
        QCOMPARE(care->otherPrograms(), 0);

        QTemporaryDir backups;
        const QString copy = QDir(backups.path()).filePath(QStringLiteral("20261208-120000-manual"));
        QVERIFY(QDir().mkpath(copy));
        qint64 records = 0;
        VERIFY_OK(care->copyTo(copy, records));

        // Two connections of one other program, and one of a third.
        const auto otherDesk = [&schema](const QString &name) {
            QUrl address(schema.address());
            QUrlQuery query(address);
            query.removeQueryItem(QStringLiteral("application_name"));
            query.addQueryItem(QStringLiteral("application_name"), name);
            address.setQuery(query);
            return openAt(Location::onServer(address.toString()));
        };
        std::unique_ptr<Store> desk2 = otherDesk(QStringLiteral("zephra desk2 100"));
        std::unique_ptr<Store> desk2Again = otherDesk(QStringLiteral("zephra desk2 100"));
        std::unique_ptr<Store> desk3 = otherDesk(QStringLiteral("zephra desk3 200"));
        QVERIFY(desk2 && desk2Again && desk3);
        QCOMPARE(care->otherPrograms(), 2);

        VERIFY_OK(mine->saveDay({QDate(2030, 1, 1), {1, {}, {}, {}}, QStringLiteral("後から"), {}}));
        common::NoProgress quiet;
        const backup::RestoreOutcome refused =
            backup::restoreCopy(*mine, schema.location(), backups.path(), copy, QDateTime::currentDateTime(), quiet);
        QVERIFY(refused.failure);
        QVERIFY2(refused.failure->contains(QStringLiteral("ほかに 2 つの業務日誌")), qPrintable(*refused.failure));
        std::optional<JournalRecord> kept;
        VERIFY_OK(mine->readDay(QDate(2030, 1, 1), kept));
        QVERIFY(kept); // nothing restored

        desk2.reset();
        desk2Again.reset();
        desk3.reset();
        // The server forgets a closed connection a moment later.
        QTRY_COMPARE(care->otherPrograms(), 0);
        const backup::RestoreOutcome restored =
            backup::restoreCopy(*mine, schema.location(), backups.path(), copy, QDateTime::currentDateTime(), quiet);
        QVERIFY2(!restored.failure, qPrintable(restored.failure.value_or(QString())));
        VERIFY_OK(mine->readDay(QDate(2030, 1, 1), kept));
        QVERIFY(!kept);
    }

    // A copy of files restores onto the server, all of it with versions above those read before.
    void fileCopyRestoresOntoServer()
    {
        QTemporaryDir source;
        VERIFY_OK(createEmptyData(Location::inFolder(source.path())).error);
        std::unique_ptr<Store> files = openAt(Location::inFolder(source.path()));
        QVERIFY(files);
        fill(*files);
        QTemporaryDir copy;
        qint64 records = 0;
        VERIFY_OK(makeMaintenance(Location::inFolder(source.path()))->copyTo(copy.path(), records));

        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        std::unique_ptr<Store> server = openAt(schema.location());
        QVERIFY(server);
        JournalRecord old;
        old.date = QDate(2026, 1, 1);
        old.text = QStringLiteral("上書きされる");
        VERIFY_OK(server->saveDay(old));
        VERIFY_OK(server->saveDay(old));
        std::optional<JournalRecord> read;
        Seen seen;
        VERIFY_OK(server->readDay(old.date, read, seen));
        FillReport report;
        VERIFY_OK(server->fillWork({QDate(2026, 1, 1), QDate(2026, 1, 31)}, report));

        VERIFY_OK(server->restoreFrom(copy.path()));
        compareData(*server, *files);
        bool holds = true;
        VERIFY_OK(server->workHoldsRows(holds));
        QVERIFY(!holds);
        Seen restored;
        VERIFY_OK(server->readDay(old.date, read, restored));
        QVERIFY(restored->number > seen->number);
        WriteOutcome outcome;
        QCOMPARE(server->saveDay(old, Expected::as(seen), outcome).kind, DbErrorKind::Changed);
        SearchResult found;
        VERIFY_OK(server->search({QStringLiteral("かたかな"), QDate(), QDate()}, found));
        QCOMPARE(found.hits.size(), 1);

        // A copy that cannot be read leaves the server's data as it was.
        QTemporaryDir empty;
        QVERIFY(server->restoreFrom(empty.path()));
        QCOMPARE(journalOf(*server).size(), kTexts.size());
    }

    // The quick check reads every table; one interrupted ends as such.
    void quickCheckAndItsInterruption()
    {
        ServerSchema schema;
        VERIFY_OK(createEmptyData(schema.location()).error);
        const std::unique_ptr<Maintenance> care = makeMaintenance(schema.location());
        VERIFY_OK(care->quickCheck());
        QCOMPARE(schema.exec("ALTER TABLE \"業務日誌\" DROP CONSTRAINT \"業務日誌_売上額_check\"; "
                             "INSERT INTO \"業務日誌\" (\"日付\", \"売上額\") VALUES ('2020-01-01', 99999999999)"),
                 QString());
        QCOMPARE(care->quickCheck().kind, DbErrorKind::Damaged);
        QCOMPARE(schema.exec("DROP TABLE \"自社情報\""), QString());
        QCOMPARE(care->quickCheck().kind, DbErrorKind::MissingTable);
        QVERIFY(!care->hasData());

        const std::unique_ptr<Maintenance> interrupted = makeMaintenance(schema.location());
        interrupted->interrupt();
        QCOMPARE(interrupted->quickCheck().kind, DbErrorKind::Interrupted);
    }
};

QTEST_GUILESS_MAIN(TestPostgresCopies)
#include "test_postgrescopies.moc"
