// Two programs on one data folder: every journal day and hint carries a
// version checked by the statement that writes it, so a change made by the
// other program since a record was read is found, never written over unasked;
// and files of earlier versions, which lack the version's columns.
// The file engine's own cases (rows planted and files damaged by hand); what
// every engine promises is in test_contract.cpp.

#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/openstore.h"
#include "support/readonlyfiles.h"
#include "support/sqlfile.h"
#include "support/verifyok.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace store;
using testsupport::SqlFile;
using namespace Qt::StringLiterals;

namespace {

const QDate kDay(2026, 12, 7);
const HintKey kKey{u"FrmNippo"_s, u"cmdHint"_s};

JournalRecord recordOf(qint64 sales, const QString &text)
{
    return {kDay, {sales, std::nullopt, 0, -5}, text, {}};
}

} // namespace

class TestVersions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyWriteRaisesTheVersion();
    void saveAgainstSaveInBothOrders_data();
    void saveAgainstSaveInBothOrders();
    void dayAddedElsewhereCountsAsChanged();
    void deleteAgainstSave();
    void saveAgainstDelete();
    void dayMadeAgainIsNotTheDayRead();
    void hintAgainstHint();
    void restoreAsksEveryReader();

    void newFilesCarryTheLayoutsNumber();
    void newerDataIsRefusedUnchanged();
    void earlierFilesGetTheColumnsOnOpen();
    void failedUpgradeLeavesBothFiles();
    void readOnlyEarlierFilesStillRead();

private:
    // The day as store `which` sees it.
    Seen seenBy(Store &which)
    {
        std::optional<JournalRecord> record;
        Seen seen;
        const DbError error = which.readDay(kDay, record, seen);
        if (error) {
            qWarning("%s", qPrintable(error.message));
        }
        return seen;
    }
    QVariantList storedDay() const
    {
        return SqlFile(m_data->filePath(kMainFileName))
            .select(u"SELECT 売上額, 仕入額, 日誌, 版 FROM 業務日誌 WHERE 日付 = '2026-12-07'"_s)
            .value(0);
    }
    qint64 daysStored() const { return SqlFile(m_data->filePath(kMainFileName)).count(u"業務日誌"_s); }

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<Store> m_one;   // this program
    std::unique_ptr<Store> m_other; // the other program, on the same folder
};

void TestVersions::init()
{
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid());
    VERIFY_OK(createSqliteFiles(m_data->path()));
    std::optional<OpenFailure> failure;
    m_one = testsupport::openStore(m_data->path(), failure);
    QVERIFY(m_one);
    m_other = testsupport::openStore(m_data->path(), failure);
    QVERIFY(m_other);
}

void TestVersions::cleanup()
{
    m_other.reset();
    m_one.reset();
    m_data.reset();
}

void TestVersions::everyWriteRaisesTheVersion()
{
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    WriteOutcome outcome;
    VERIFY_OK(m_one->saveDay(recordOf(1, u"一"_s), Expected::as(std::nullopt), outcome));
    QVERIFY(outcome.now);
    QCOMPARE(outcome.now->number, 1);
    QCOMPARE(seenBy(*m_other), outcome.now);
    const QString stamp = SqlFile(m_data->filePath(kMainFileName)).value(u"SELECT 更新日時 FROM 業務日誌"_s).toString();
    QVERIFY2(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"_s).match(stamp).hasMatch(),
             qPrintable(stamp));
    QVERIFY(outcome.now->written >= before && outcome.now->written <= QDateTime::currentDateTimeUtc());

    // Checked, unconditional and the import's add: each write is one more.
    VERIFY_OK(m_one->saveDay(recordOf(2, u"二"_s), Expected::as(outcome.now), outcome));
    QCOMPARE(outcome.now->number, 2);
    VERIFY_OK(m_one->saveDay(recordOf(3, u"三"_s)));
    QCOMPARE(seenBy(*m_one)->number, 3);
    bool added = true;
    VERIFY_OK(m_one->addDay(recordOf(4, u"四"_s), added));
    QVERIFY(!added);
    QCOMPARE(seenBy(*m_one)->number, 3);
    QCOMPARE(daysStored(), 1);
}

void TestVersions::saveAgainstSaveInBothOrders_data()
{
    QTest::addColumn<bool>("oneFirst");
    QTest::newRow("this program writes first") << true;
    QTest::newRow("the other writes first") << false;
}

// Both read the day; the first to write wins, the second is refused with the
// moment of the first's write, and writes only when told to write over it.
void TestVersions::saveAgainstSaveInBothOrders()
{
    QFETCH(bool, oneFirst);
    VERIFY_OK(m_one->saveDay(recordOf(100, u"元"_s)));
    Store &first = oneFirst ? *m_one : *m_other;
    Store &second = oneFirst ? *m_other : *m_one;
    const Seen firstSaw = seenBy(first);
    const Seen secondSaw = seenBy(second);
    QCOMPARE(firstSaw, secondSaw);

    WriteOutcome won;
    VERIFY_OK(first.saveDay(recordOf(200, u"先"_s), Expected::as(firstSaw), won));
    WriteOutcome lost;
    const DbError refused = second.saveDay(recordOf(300, u"後"_s), Expected::as(secondSaw), lost);
    QCOMPARE(refused.number, int(ErrChanged));
    QCOMPARE(refused.kind, DbErrorKind::Changed);
    QVERIFY(describeForUser(refused).startsWith(u"読み込んだ後に他の端末で変更されています。（エラー番号 10011: "_s));
    QVERIFY(!lost.change.removed);
    QCOMPARE(lost.change.written, won.now->written);
    QCOMPARE(storedDay(), (QVariantList{200, QVariant(), u"先"_s, 2}));
    QVERIFY(describeForUser(refused).startsWith(u"読み込んだ後に他の端末で変更されています。"_s));

    // Told to write over it (the Yes answer): written, and the new version held.
    VERIFY_OK(second.saveDay(recordOf(300, u"後"_s), Expected::anything(), lost));
    QCOMPARE(lost.now->number, 3);
    QCOMPARE(storedDay(), (QVariantList{300, QVariant(), u"後"_s, 3}));
    // What the first holds is now stale in its turn.
    QCOMPARE(first.saveDay(recordOf(400, u"再"_s), Expected::as(won.now), won).number, int(ErrChanged));
    QCOMPARE(daysStored(), 1);
}

void TestVersions::dayAddedElsewhereCountsAsChanged()
{
    const Seen absent = seenBy(*m_one);
    QVERIFY(!absent);
    WriteOutcome theirs;
    VERIFY_OK(m_other->saveDay(recordOf(7, u"向こう"_s), Expected::as(seenBy(*m_other)), theirs));

    WriteOutcome ours;
    QCOMPARE(m_one->saveDay(recordOf(8, u"こちら"_s), Expected::as(absent), ours).number, int(ErrChanged));
    QVERIFY(!ours.change.removed);
    QCOMPARE(ours.change.written, theirs.now->written);
    QCOMPARE(daysStored(), 1);
    QCOMPARE(storedDay().value(2).toString(), u"向こう"_s);
    // A delete of the day seen without a record is refused too; one still
    // without a record is done.
    QCOMPARE(m_one->removeDay(kDay, Expected::as(absent), ours).number, int(ErrChanged));
    QCOMPARE(daysStored(), 1);
    VERIFY_OK(m_one->removeDay(kDay.addDays(1), Expected::as(std::nullopt), ours));
}

void TestVersions::deleteAgainstSave()
{
    VERIFY_OK(m_one->saveDay(recordOf(1, u"元"_s)));
    const Seen read = seenBy(*m_one);
    WriteOutcome theirs;
    VERIFY_OK(m_other->saveDay(recordOf(2, u"向こうの変更"_s), Expected::as(seenBy(*m_other)), theirs));

    WriteOutcome outcome;
    QCOMPARE(m_one->removeDay(kDay, Expected::as(read), outcome).number, int(ErrChanged));
    QCOMPARE(outcome.change.written, theirs.now->written);
    QCOMPARE(storedDay().value(2).toString(), u"向こうの変更"_s);
    // The search index keeps the day it did not remove.
    SearchResult found;
    VERIFY_OK(m_one->search({u"向こうの変更"_s, {}, {}, 10}, found));
    QCOMPARE(found.hits.size(), 1);

    VERIFY_OK(m_one->removeDay(kDay, Expected::as(outcome.now), outcome));
    QCOMPARE(daysStored(), 0);
    VERIFY_OK(m_one->search({u"向こうの変更"_s, {}, {}, 10}, found));
    QCOMPARE(found.hits.size(), 0);
}

void TestVersions::saveAgainstDelete()
{
    VERIFY_OK(m_one->saveDay(recordOf(1, u"元"_s)));
    const Seen read = seenBy(*m_one);
    WriteOutcome gone;
    VERIFY_OK(m_other->removeDay(kDay, Expected::as(seenBy(*m_other)), gone));

    WriteOutcome outcome;
    QCOMPARE(m_one->saveDay(recordOf(5, u"後"_s), Expected::as(read), outcome).number, int(ErrChanged));
    QVERIFY(outcome.change.removed);
    QVERIFY(!outcome.change.written.isValid());
    QCOMPARE(daysStored(), 0);
    VERIFY_OK(m_one->saveDay(recordOf(5, u"後"_s), Expected::anything(), outcome));
    QCOMPARE(daysStored(), 1);
}

// A day removed and made anew starts its versions again: the moment of its
// write tells it from the day that was read.
void TestVersions::dayMadeAgainIsNotTheDayRead()
{
    VERIFY_OK(m_one->saveDay(recordOf(1, u"元"_s)));
    const Seen read = seenBy(*m_one);
    QTest::qWait(5);
    VERIFY_OK(m_other->removeDay(kDay));
    VERIFY_OK(m_other->saveDay(recordOf(9, u"作り直し"_s)));
    QCOMPARE(seenBy(*m_other)->number, read->number);

    WriteOutcome outcome;
    QCOMPARE(m_one->saveDay(recordOf(2, u"上書き"_s), Expected::as(read), outcome).number, int(ErrChanged));
    QCOMPARE(storedDay().value(2).toString(), u"作り直し"_s);
}

void TestVersions::hintAgainstHint()
{
    const auto seenHint = [](Store &which) {
        std::optional<Hint> hint;
        Seen seen;
        (void)which.readHint(kKey, hint, seen);
        return seen;
    };
    const auto stored = [this] {
        return SqlFile(m_data->filePath(kWorkFileName))
            .select(u"SELECT Contents, 版 FROM ClHint WHERE FormName = 'FrmNippo'"_s);
    };
    // Added by the other after this one saw none.
    const Seen none = seenHint(*m_one);
    WriteOutcome theirs;
    VERIFY_OK(m_other->storeHint({kKey, u"日報"_s, u"向こう"_s}, Expected::as(seenHint(*m_other)), theirs));
    WriteOutcome ours;
    QCOMPARE(m_one->storeHint({kKey, u"日報"_s, u"こちら"_s}, Expected::as(none), ours).number, int(ErrChanged));
    QCOMPARE(ours.change.written, theirs.now->written);
    QCOMPARE(stored(), (QList<QVariantList>{{u"向こう"_s, 1}}));

    // Both read it; the second store is refused until told to write over.
    const Seen read = seenHint(*m_one);
    VERIFY_OK(m_other->storeHint({kKey, u"日報"_s, u"向こう二"_s}, Expected::as(seenHint(*m_other)), theirs));
    QCOMPARE(m_one->storeHint({kKey, u"日報"_s, u"こちら"_s}, Expected::as(read), ours).number, int(ErrChanged));
    VERIFY_OK(m_one->storeHint({kKey, u"日報"_s, u"こちら"_s}, Expected::anything(), ours));
    QCOMPARE(ours.now->number, 3);
    QCOMPARE(stored(), (QList<QVariantList>{{u"こちら"_s, 3}}));

    // Removed by the other.
    VERIFY_OK(m_other->removeHint(kKey));
    QCOMPARE(m_one->storeHint({kKey, u"日報"_s, u"戻す"_s}, Expected::as(ours.now), ours).number, int(ErrChanged));
    QVERIFY(ours.change.removed);
    QVERIFY(stored().isEmpty());
}

// Restored days carry a version above any the table held, so a program that
// read a day before the restore is asked, even for a day the copy holds as it was.
void TestVersions::restoreAsksEveryReader()
{
    VERIFY_OK(m_one->saveDay(recordOf(1, u"元"_s)));
    QTemporaryDir copy;
    VERIFY_OK(createSqliteFiles(copy.path()));
    {
        std::optional<OpenFailure> failure;
        auto copyStore = testsupport::openStore(copy.path(), failure);
        QVERIFY(copyStore);
        VERIFY_OK(copyStore->saveDay(recordOf(1, u"元"_s)));
        VERIFY_OK(copyStore->saveDay(recordOf(1, u"元"_s))); // version 2 in the copy
    }
    VERIFY_OK(m_one->saveDay(recordOf(1, u"元"_s)));
    VERIFY_OK(m_one->saveDay(recordOf(1, u"元"_s))); // version 3 here
    const Seen read = seenBy(*m_other);
    VERIFY_OK(m_one->restoreFrom(copy.path()));
    QCOMPARE(seenBy(*m_one)->number, 4);
    WriteOutcome outcome;
    QCOMPARE(m_other->saveDay(recordOf(2, u"後"_s), Expected::as(read), outcome).number, int(ErrChanged));

    // A copy of an earlier version, without the columns, restores too.
    QTemporaryDir earlier;
    QVERIFY(testsupport::createEarlierFiles(earlier.path()));
    VERIFY_OK(m_one->restoreFrom(earlier.path()));
    QCOMPARE(storedDay(), (QVariantList{100, QVariant(), u"前の版"_s, 5}));
}

void TestVersions::newFilesCarryTheLayoutsNumber()
{
    QCOMPARE(SqlFile(m_data->filePath(kMainFileName)).select(u"SELECT \"版\" FROM \"データ版\""_s),
             (QList<QVariantList>{{qint64(kSchemaVersion)}}));
    QCOMPARE(kSchemaVersion, 2);
    QVERIFY(!m_one->schemaUpgradeNeeded());
}

// Data of a later layout is not opened, and the files stay as they were.
void TestVersions::newerDataIsRefusedUnchanged()
{
    cleanup();
    m_data = std::make_unique<QTemporaryDir>();
    VERIFY_OK(createSqliteFiles(m_data->path()));
    QVERIFY(testsupport::execOn(m_data->filePath(kMainFileName), u"UPDATE \"データ版\" SET \"版\" = 3"_s));
    const QByteArray before = testsupport::dataBytes(m_data->path());

    const std::unique_ptr<Store> store = makeSqliteStore();
    const std::optional<OpenFailure> failure = store->open(Location::inFolder(m_data->path()));
    QVERIFY(failure);
    QCOMPARE(failure->error.number, int(ErrNewerSchema));
    QCOMPARE(QFileInfo(failure->path).fileName(), kMainFileName);
    QVERIFY(!store->isOpen());
    QVERIFY2(describeForUser(failure->error)
                 .startsWith(u"このデータは新しい版の業務日誌（データの版 3）で作られているため、この版（データの版 2）"
                             u"では開けません。新しい版の業務日誌を使ってください。"_s),
             qPrintable(describeForUser(failure->error)));
    QCOMPARE(testsupport::dataBytes(m_data->path()), before);
}

// Files of the earlier layout are read as they are and written only once
// they were brought up to date.
void TestVersions::earlierFilesGetTheColumnsOnOpen()
{
    cleanup();
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(testsupport::createEarlierFiles(m_data->path()));
    const QString main = m_data->filePath(kMainFileName);
    const QString work = m_data->filePath(kWorkFileName);
    const QByteArray before = testsupport::dataBytes(m_data->path());

    std::optional<OpenFailure> failure;
    m_one = testsupport::openStore(m_data->path(), failure);
    QVERIFY(m_one);
    QVERIFY(m_one->schemaUpgradeNeeded());
    QCOMPARE(seenBy(*m_one), Seen(RecordVersion{0, {}}));
    WriteOutcome refusedOutcome;
    const DbError refused = m_one->saveDay(recordOf(1, u"x"_s), Expected::anything(), refusedOutcome);
    QCOMPARE(refused.number, int(ErrOlderSchema));
    QCOMPARE(m_one->storeHint({kKey, u"日報"_s, u"x"_s}).number, int(ErrOlderSchema));
    QCOMPARE(m_one->saveSettings(Settings{}).number, int(ErrOlderSchema));
    QCOMPARE(m_one->removeDay(kDay).number, int(ErrOlderSchema));
    QCOMPARE(testsupport::dataBytes(m_data->path()), before);

    VERIFY_OK(m_one->upgradeSchema());
    QVERIFY(!m_one->schemaUpgradeNeeded());
    QCOMPARE(SqlFile(main).select(u"SELECT \"版\" FROM \"データ版\""_s), (QList<QVariantList>{{qint64(2)}}));
    for (const auto &[path, table] : {std::pair{main, u"業務日誌"_s}, std::pair{work, u"ClHint"_s}}) {
        QCOMPARE(SqlFile(path).value(u"SELECT group_concat(name || ' ' || type || ' ' || \"notnull\" || ' ' || "
                                     u"coalesce(dflt_value, '-'), ', ') FROM pragma_table_info('%1') "
                                     u"WHERE name IN ('版', '更新日時')"_s.arg(table)),
                 QVariant(u"版 INTEGER 1 0, 更新日時 TEXT 0 -"_s));
    }
    // The records there read as version 0 without a moment, and are written as such.
    const Seen read = seenBy(*m_one);
    QCOMPARE(read, Seen(RecordVersion{0, {}}));
    m_other = testsupport::openStore(m_data->path(), failure);
    QVERIFY(m_other);
    WriteOutcome outcome;
    VERIFY_OK(m_other->saveDay(recordOf(6, u"向こう"_s), Expected::as(seenBy(*m_other)), outcome));
    QCOMPARE(m_one->saveDay(recordOf(7, u"こちら"_s), Expected::as(read), outcome).number, int(ErrChanged));
    QCOMPARE(storedDay(), (QVariantList{6, QVariant(), u"向こう"_s, 1}));

    std::optional<Hint> hint;
    Seen hintSeen;
    VERIFY_OK(m_one->readHint(kKey, hint, hintSeen));
    QCOMPARE(hint->contents, std::optional(u"前の版のヒント"_s));
    QCOMPARE(hintSeen, Seen(RecordVersion{0, {}}));
    VERIFY_OK(m_one->storeHint({kKey, u"日報"_s, u"新しい"_s}, Expected::as(hintSeen), outcome));
    QCOMPARE(outcome.now->number, 1);
}

// An upgrade that cannot write the work file changes neither file.
void TestVersions::failedUpgradeLeavesBothFiles()
{
    cleanup();
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(testsupport::createEarlierFiles(m_data->path()));
    const QByteArray before = testsupport::dataBytes(m_data->path());
    std::optional<OpenFailure> failure;
    m_one = testsupport::openStore(m_data->path(), failure);
    QVERIFY(m_one);
    {
        testsupport::ReadOnlyFiles readOnly;
        if (!readOnly.apply({}, {m_data->filePath(kWorkFileName)})) {
            QSKIP("the work file cannot be made read-only here");
        }
        QVERIFY(m_one->upgradeSchema());
        QVERIFY(m_one->schemaUpgradeNeeded());
    }
    m_one.reset();
    QCOMPARE(testsupport::dataBytes(m_data->path()), before);
    QVERIFY(!QFileInfo::exists(m_data->filePath(kMainFileName + u"-journal"_s)));
}

// A file that cannot take the columns is opened and read all the same; its
// writes fail as those of any read-only file.
void TestVersions::readOnlyEarlierFilesStillRead()
{
    cleanup();
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(testsupport::createEarlierFiles(m_data->path()));
    const QString main = m_data->filePath(kMainFileName);
    const QString work = m_data->filePath(kWorkFileName);
    testsupport::ReadOnlyFiles readOnly;
    if (!readOnly.apply({m_data->path()}, {main, work})) {
        QSKIP("the data files cannot be made read-only here");
    }

    std::optional<OpenFailure> failure;
    m_one = testsupport::openStore(m_data->path(), failure);
    QVERIFY2(m_one, failure ? qPrintable(failure->error.message) : "");
    std::optional<JournalRecord> record;
    Seen seen;
    VERIFY_OK(m_one->readDay(kDay, record, seen));
    QCOMPARE(record->text, u"前の版"_s);
    QCOMPARE(seen, Seen(RecordVersion{0, {}}));
    std::optional<Hint> hint;
    VERIFY_OK(m_one->readHint(kKey, hint, seen));
    QCOMPARE(hint->contents, std::optional(u"前の版のヒント"_s));

    WriteOutcome outcome;
    const DbError refused = m_one->saveDay(recordOf(1, u"x"_s), Expected::as(seen), outcome);
    QCOMPARE(refused.primaryCode(), 8); // read-only
    QCOMPARE(refused.kind, DbErrorKind::ReadOnly);
    QVERIFY(describeForUser(refused).startsWith(u"データベースが読み取り専用のため書き込めません。"_s));
    QCOMPARE(m_one->storeHint({kKey, u"日報"_s, u"x"_s}).primaryCode(), 8);
    m_one.reset();
}

QTEST_GUILESS_MAIN(TestVersions)
#include "test_versions.moc"
