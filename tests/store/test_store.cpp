// The typed store over two real files: which rows each operation touches, in
// which order, with which Null rules, and what rows written by other programs
// do to it.
// The file engine's own cases (rows planted and files damaged by hand); what
// every engine promises is in test_contract.cpp.

#include "store/maintenance.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/openstore.h"
#include "support/shownrecords.h"
#include "support/sqlfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace store;
using testsupport::SqlFile;
using namespace Qt::StringLiterals;

#define VERIFY_OK(expression)                                                                                          \
    do {                                                                                                               \
        const DbError error_ = (expression);                                                                           \
        QVERIFY2(error_.ok(), qPrintable(error_.message));                                                             \
    } while (false)

namespace {

QString shown(const Amounts &amounts)
{
    return testsupport::shownAmounts(amounts);
}

// A record as "date|amounts|text|unreadable columns"; "none" for no record.
QString shown(const std::optional<JournalRecord> &record)
{
    if (!record) {
        return u"none"_s;
    }
    return record->date.toString(Qt::ISODate) + u'|' + shown(record->amounts) + u'|' + record->text + u'|' +
           QString::number(record->unreadable.toInt());
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const Period kApril = Period::monthOf(QDate(2007, 4, 1));

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void savedDayIsReadReplacedAndRemoved();
    void addDayNeverReplaces();
    void transactionCoversBothFiles();
    void staleSuperJournalsGoOnOpen();
    void recordsOfAPeriodInDateOrder();
    void eraseAllLeavesTheWorkFile();

    void dataIsCopiedBesideTheOpenStore();
    void settingsAreSavedAsOneRow();
    void foreignSettings_data();
    void foreignSettings();

    void fillCopiesThePeriodInDateOrder();
    void refusedAmountStopsTheRun_data();
    void refusedAmountStopsTheRun();
    void datesInOtherForms_data();
    void datesInOtherForms();
    void workRowsComePagedInTableOrder();
    void oneCellOfOneRowChanges();
    void workTableBelongsToOneStore();

    void hintIsStoredReplacedAndRemoved();

    void brokenFileFailsNamingIt_data();
    void brokenFileFailsNamingIt();
    void heldAndDamagedFilesFailByKind();
    void createRefusesAnExistingFile();
    void closedStoreRefusesEveryOperation();

    void monthOf_data();
    void monthOf();
    void monthOfEveryDayOfALeapYear();

private:
    QString mainPath() const { return m_dir->filePath(kMainFileName); }
    QString workPath() const { return m_dir->filePath(kWorkFileName); }
    QString readDay(QDate day)
    {
        std::optional<JournalRecord> record;
        const DbError error = m_store->readDay(day, record);
        return error ? error.message : shown(record);
    }
    int countRecords()
    {
        qint64 count = -1;
        return m_store->countRecords(count) ? -1 : int(count);
    }
    // "era|colour"; "none" for no settings row.
    QString loadSettings()
    {
        std::optional<Settings> settings = Settings{u"和暦"_s, 42};
        const DbError error = m_store->loadSettings(settings);
        return error      ? error.message
               : settings ? settings->era + u'|' + QString::number(settings->lineColour)
                          : u"none"_s;
    }
    // The rows of the store's work table as "date amounts", in table order.
    static QStringList workTable(Store &store)
    {
        QList<WorkRow> rows;
        const DbError error = store.workRows(0, 1000, rows);
        QStringList seen;
        for (const WorkRow &row : std::as_const(rows)) {
            seen << (row.date.isValid() ? row.date.toString(Qt::ISODate) : row.storedDate) + u' ' + shown(row.amounts);
        }
        return error ? QStringList{error.message} : seen;
    }
    QStringList workTable() const { return workTable(*m_store); }
    // "title|contents", contents "NULL" when none; "none" for no hint.
    QString readHint(const HintKey &key)
    {
        std::optional<Hint> hint;
        const DbError error = m_store->readHint(key, hint);
        return error ? error.message : hint ? hint->formTitle + u'|' + hint->contents.value_or(u"NULL"_s) : u"none"_s;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Store> m_store;
};

void TestStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    VERIFY_OK(createSqliteFiles(m_dir->path()));
    std::optional<OpenFailure> failure;
    m_store = testsupport::openStore(m_dir->path(), failure);
    QVERIFY2(m_store, failure ? qPrintable(failure->error.message) : "no store");
}

void TestStore::cleanup()
{
    m_store.reset();
    m_dir.reset();
}

void TestStore::savedDayIsReadReplacedAndRemoved()
{
    const QDate day(2007, 4, 5);
    QCOMPARE(readDay(day), u"none"_s);
    VERIFY_OK(m_store->saveDay({day, {1, std::nullopt, -3, common::kAmountLimit}, u"売上\n'引用'"_s, {}}));
    QCOMPARE(readDay(day), u"2007-04-05|1 - -3 9999999999|売上\n'引用'|0"_s);

    // Saving the day again replaces every column of its one row.
    VERIFY_OK(m_store->saveDay({day, {std::nullopt, 2, std::nullopt, std::nullopt}, QString(), {}}));
    QCOMPARE(SqlFile(mainPath()).rows(u"業務日誌"_s),
             QStringList{u"QString:2007-04-05|NULL|qlonglong:2|NULL|NULL|QString:"_s});
    QCOMPARE(readDay(day), u"2007-04-05|- 2 - -||0"_s);

    VERIFY_OK(m_store->saveDay({day.addDays(1), {}, u"翌日"_s, {}}));
    QCOMPARE(countRecords(), 2);
    VERIFY_OK(m_store->removeDay(day));
    QCOMPARE(readDay(day), u"none"_s);
    QCOMPARE(readDay(day.addDays(1)), u"2007-04-06|- - - -|翌日|0"_s);
    QCOMPARE(countRecords(), 1);
}

void TestStore::addDayNeverReplaces()
{
    const QDate day(2007, 4, 5);
    bool added = false;
    VERIFY_OK(m_store->addDay({day, {1, 2, 3, 4}, u"最初"_s, {}}, added));
    QVERIFY(added);
    VERIFY_OK(m_store->addDay({day, {9, 9, 9, 9}, u"後から"_s, {}}, added));
    QVERIFY(!added);
    QCOMPARE(readDay(day), u"2007-04-05|1 2 3 4|最初|0"_s);
    // A day another program stored without the unique index is found too.
    QVERIFY(SqlFile(mainPath())
                .exec(u"drop index if exists 業務日誌_日付; insert into 業務日誌 (日付) values ('2007-04-06')"_s));
    VERIFY_OK(m_store->addDay({day.addDays(1), {5, 5, 5, 5}, u"重複"_s, {}}, added));
    QVERIFY(!added);
    QCOMPARE(countRecords(), 2);
}

void TestStore::transactionCoversBothFiles()
{
    const auto writeBoth = [this](bool fail) {
        return m_store->inTransaction([&]() -> DbError {
            bool added = false;
            if (DbError error = m_store->addDay({QDate(2007, 4, 5), {1, 2, 3, 4}, u"日誌"_s, {}}, added)) {
                return error;
            }
            if (DbError error = m_store->saveSettings({u"和暦"_s, 255})) {
                return error;
            }
            if (DbError error = m_store->storeHint({{u"FrmNippo"_s, u"cmdHint"_s}, u"t"_s, u"ヒント"_s})) {
                return error;
            }
            return fail ? DbError{DbErrorKind::RefusedValue, u"refused"_s} : DbError{};
        });
    };
    QCOMPARE(writeBoth(true).number, ErrBadValue);
    QCOMPARE(countRecords(), 0);
    QCOMPARE(loadSettings(), u"none"_s);
    QCOMPARE(readHint({u"FrmNippo"_s, u"cmdHint"_s}), u"none"_s);

    VERIFY_OK(writeBoth(false));
    QCOMPARE(readDay(QDate(2007, 4, 5)), u"2007-04-05|1 2 3 4|日誌|0"_s);
    QCOMPARE(loadSettings(), u"和暦|255"_s);
    QCOMPARE(SqlFile(workPath()).rows(u"ClHint"_s),
             QStringList{u"QString:FrmNippo|QString:cmdHint|QString:t|QString:ヒント"_s});
}

void TestStore::staleSuperJournalsGoOnOpen()
{
    const auto leave = [this](const QString &name, int secondsAgo) {
        QFile file(m_dir->filePath(name));
        return file.open(QIODevice::WriteOnly) &&
               file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo), QFileDevice::FileModificationTime);
    };
    QVERIFY(leave(u"VelmoraA.mdb-mj0A1B2C3D"_s, 3600));
    QVERIFY(leave(u"VelmoraA.mdb-mj99999999"_s, 0)); // a commit of another program may be writing it now
    QVERIFY(leave(u"VelmoraA.mdb-mjkept"_s, 3600));
    // While a journal of the files is there, a super-journal may still be named by it.
    QVERIFY(leave(u"VelmoraAWork.mdb-journal"_s, 0));
    m_store->close();
    QVERIFY(!m_store->open(store::Location::inFolder(m_dir->path())));
    QVERIFY(QFile::exists(m_dir->filePath(u"VelmoraA.mdb-mjkept"_s)));
    QVERIFY(QFile::remove(m_dir->filePath(u"VelmoraAWork.mdb-journal"_s)));
    m_store->close();
    QVERIFY(!m_store->open(store::Location::inFolder(m_dir->path())));
    QCOMPARE(QDir(m_dir->path()).entryList({u"*-mj*"_s}), QStringList{u"VelmoraA.mdb-mj99999999"_s});
}

void TestStore::recordsOfAPeriodInDateOrder()
{
    QVERIFY(
        SqlFile(mainPath())
            .exec(
                u"insert into 業務日誌 (日付) values ('2007-04-30'), ('2007-03-31'), ('2007-05-01'), "
                "('2007-04-01'), ('2007/04/10'), ('2007-04-31'), (NULL), (20070420), ('2007-04-05 10:00');"
                "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-15', 'abc', 1.5, 99999999999, NULL, NULL)"_s));
    const auto seen = [this](int stopAfter) {
        QStringList records;
        const DbError error = m_store->forEachRecord(kApril, [&](const JournalRecord &record) {
            records << shown(record);
            return records.size() < stopAfter;
        });
        return error ? QStringList{error.message} : records;
    };
    // Amounts of another kind read as none and are flagged (売上額 and 仕入額: 1 | 2).
    QCOMPARE(seen(100), (QStringList{u"2007-04-01|- - - -||0"_s, u"2007-04-15|- - 99999999999 -||3"_s,
                                     u"2007-04-30|- - - -||0"_s}));
    QCOMPARE(seen(1), QStringList{u"2007-04-01|- - - -||0"_s});
    QCOMPARE(readDay(QDate(2007, 4, 15)), u"2007-04-15|- - 99999999999 -||3"_s);
}

void TestStore::eraseAllLeavesTheWorkFile()
{
    VERIFY_OK(m_store->saveDay({QDate(2007, 4, 5), {1, 2, 3, 4}, u"日誌"_s, {}}));
    VERIFY_OK(m_store->saveSettings({u"和暦"_s, 255}));
    VERIFY_OK(m_store->storeHint({{u"FrmNippo"_s, u"cmdHint"_s}, u"業務日誌"_s, u"ヒント"_s}));
    FillReport report;
    VERIFY_OK(m_store->fillWork(kApril, report));

    VERIFY_OK(m_store->eraseAll());
    SqlFile journal(mainPath());
    QCOMPARE(journal.count(u"業務日誌"_s) + journal.count(u"自社情報"_s), qint64(0));
    SqlFile work(workPath());
    QCOMPARE(workTable(), QStringList{u"2007-04-05 1 2 3 4"_s});
    QCOMPARE(work.count(u"ClHint"_s), qint64(1));
}

// A copy of the data, made while the store has it open, holds what the store
// wrote; a target that holds a file of a copy already is refused and keeps it.
void TestStore::dataIsCopiedBesideTheOpenStore()
{
    VERIFY_OK(m_store->saveDay({QDate(2007, 4, 5), {1, std::nullopt, 3, 4}, u"日誌"_s, {}}));
    QTemporaryDir target;
    qint64 records = 0;
    const std::unique_ptr<Maintenance> maintenance = makeMaintenance(Location::inFolder(m_dir->path()));
    VERIFY_OK(maintenance->copyTo(target.path(), records));
    QCOMPARE(records, qint64(1));
    QCOMPARE(SqlFile(QDir(target.path()).filePath(kMainFileName)).rows(u"業務日誌"_s),
             QStringList{u"QString:2007-04-05|qlonglong:1|NULL|qlonglong:3|qlonglong:4|QString:日誌"_s});

    QTemporaryDir taken;
    const QString kept = QDir(taken.path()).filePath(kWorkFileName);
    QVERIFY(writeFile(kept, "keep"));
    QVERIFY(maintenance->copyTo(taken.path(), records));
    QCOMPARE(readFile(kept), QByteArray("keep"));
    QVERIFY(!QFile::exists(QDir(taken.path()).filePath(kMainFileName)));
}

void TestStore::settingsAreSavedAsOneRow()
{
    QCOMPARE(loadSettings(), u"none"_s);
    VERIFY_OK(m_store->saveSettings({u"和暦"_s, 255}));
    VERIFY_OK(m_store->saveSettings({u"西暦"_s, common::kColourNumberLimit}));
    QCOMPARE(loadSettings(), u"西暦|999999999"_s);
    QCOMPARE(SqlFile(mainPath()).count(u"自社情報"_s), qint64(1));
}

void TestStore::foreignSettings_data()
{
    QTest::addColumn<QString>("stored"); // 年号, LineColor1
    QTest::addColumn<QString>("loaded");

    QTest::newRow("colour as text") << u"'和暦', 'red'"_s << u"和暦|0"_s;
    QTest::newRow("negative colour") << u"'和暦', -1"_s << u"和暦|0"_s;
    QTest::newRow("colour beyond the box") << u"'和暦', 1e12"_s << u"和暦|0"_s;
    QTest::newRow("fraction colour") << u"'和暦', 1.5"_s << u"和暦|0"_s;
    QTest::newRow("null colour") << u"'和暦', NULL"_s << u"和暦|0"_s;
    QTest::newRow("null era") << u"NULL, 255"_s << u"西暦|255"_s;
    QTest::newRow("era another program wrote") << u"'昭和', 255"_s << u"昭和|255"_s;
}

void TestStore::foreignSettings()
{
    QFETCH(QString, stored);
    QVERIFY(SqlFile(mainPath()).exec(u"insert into 自社情報 values ("_s + stored + u')'));
    QTEST(loadSettings(), "loaded");
}

void TestStore::fillCopiesThePeriodInDateOrder()
{
    QVERIFY(SqlFile(mainPath())
                .exec(u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values "
                      "('2007-04-20', 9999999999, NULL, NULL, NULL, '二十日'),"
                      "('2007-03-31', 1, 1, 1, 1, '三月'),"
                      "('2007-04-30', NULL, NULL, NULL, NULL, NULL),"
                      "('2007-04-01', -9999999999, 2, 3, NULL, '一日'),"
                      "('2007-05-01', 5, 5, 5, 5, '五月')"_s));
    FillReport report;
    VERIFY_OK(m_store->fillWork(Period::monthOf(QDate(2007, 3, 1)), report));
    QCOMPARE(report.copied, 1);

    VERIFY_OK(m_store->fillWork(kApril, report));
    QCOMPARE(report.copied, 3);
    QCOMPARE(shown(report.sums), u"0 2 3 -"_s);
    QCOMPARE(report.otherFormInPeriod + report.unreadableDates, 0);
    QVERIFY(!report.refused);
    QCOMPARE(workTable(), (QStringList{u"2007-04-01 -9999999999 2 3 -"_s, u"2007-04-20 9999999999 - - -"_s,
                                       u"2007-04-30 - - - -"_s}));
    // The work file's own table is not the program's.
    QCOMPARE(SqlFile(workPath()).count(u"w集計"_s), qint64(0));

    bool holds = false;
    VERIFY_OK(m_store->workHoldsRows(holds));
    QVERIFY(holds);
    Sums sums;
    VERIFY_OK(m_store->workSums(sums));
    QCOMPARE(shown(sums), u"0 2 3 -"_s);

    VERIFY_OK(m_store->clearWork());
    VERIFY_OK(m_store->workHoldsRows(holds));
    QVERIFY(!holds);
    VERIFY_OK(m_store->workSums(sums));
    QCOMPARE(shown(sums), u"- - - -"_s);
}

void TestStore::refusedAmountStopsTheRun_data()
{
    QTest::addColumn<int>("column"); // in kAmountColumns
    QTest::addColumn<QString>("value");

    QTest::newRow("text") << 1 << u"'abc'"_s;
    QTest::newRow("fraction") << 2 << u"1.5"_s;
    QTest::newRow("above the limit") << 3 << u"99999999999"_s;
    QTest::newRow("below the limit") << 0 << u"-10000000000"_s;
}

void TestStore::refusedAmountStopsTheRun()
{
    QFETCH(int, column);
    QFETCH(QString, value);
    const AmountColumn refusedColumn = kAmountColumns[column];
    SqlFile journal(mainPath());
    QVERIFY(journal.exec(
        u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-01', 1, 2, 3, 4, NULL)"_s));
    FillReport report;
    VERIFY_OK(m_store->fillWork(kApril, report));

    // The later day was added first: the run names the first day in date order.
    QVERIFY(journal.exec(
        u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-20', 'late', NULL, NULL, "
        u"NULL, NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-03-31', 'march', NULL, NULL, "
        "NULL, NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-10', 1, 2, 3, 4, NULL);"
        "update 業務日誌 set "_s +
        columnCaption(refusedColumn) + u" = "_s + value + u" where 日付 = '2007-04-10'"_s));
    QVERIFY(m_store->fillWork(kApril, report));
    QVERIFY(report.refused);
    QCOMPARE(report.refused->date, QDate(2007, 4, 10));
    QCOMPARE(report.refused->column, refusedColumn);
    QCOMPARE(report.refused->value, QString(value).remove(u'\''));
    QCOMPARE(workTable(), QStringList{});
}

void TestStore::datesInOtherForms_data()
{
    QTest::addColumn<QDate>("first"); // of the period
    QTest::addColumn<QDate>("last");
    QTest::addColumn<QString>("date"); // as another program stored it
    QTest::addColumn<int>("inPeriod");
    QTest::addColumn<int>("unreadable");

    const QDate april(2007, 4, 1);
    const QDate may(2007, 5, 31);
    QTest::newRow("slashes") << april << may << u"'2007/04/05'"_s << 1 << 0;
    QTest::newRow("no padding") << april << may << u"'2007-4-5'"_s << 1 << 0;
    QTest::newRow("dots") << april << may << u"'2007.04.05'"_s << 1 << 0;
    QTest::newRow("number") << april << may << u"20070405"_s << 1 << 0;
    QTest::newRow("compact text") << april << may << u"'20070405'"_s << 1 << 0;
    QTest::newRow("with a time") << april << may << u"'2007-04-05 10:00:00'"_s << 1 << 0;
    // An impossible day in the stored shape counts where its text sorts.
    QTest::newRow("31 April inside") << april << may << u"'2007-04-31'"_s << 1 << 0;
    QTest::newRow("30 February inside") << QDate(2007, 2, 1) << QDate(2007, 3, 31) << u"'2007-02-30'"_s << 1 << 0;
    QTest::newRow("31 April after the period") << april << QDate(2007, 4, 30) << u"'2007-04-31'"_s << 0 << 0;
    QTest::newRow("30 February before the period") << april << may << u"'2007-02-30'"_s << 0 << 0;
    QTest::newRow("slashes, another month") << april << may << u"'2007/06/05'"_s << 0 << 0;
    QTest::newRow("no padding, another month") << april << may << u"'2007-6-1'"_s << 0 << 0;
    QTest::newRow("null") << april << may << u"NULL"_s << 0 << 1;
    QTest::newRow("empty") << april << may << u"''"_s << 0 << 1;
    QTest::newRow("words") << april << may << u"'昨日'"_s << 0 << 1;
    QTest::newRow("month 13") << april << may << u"'2007/13/01'"_s << 0 << 1;
}

void TestStore::datesInOtherForms()
{
    QFETCH(QDate, first);
    QFETCH(QDate, last);
    QFETCH(QString, date);
    const QString day = first.addDays(9).toString(Qt::ISODate);
    QVERIFY(SqlFile(mainPath())
                .exec(u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ("_s + date +
                      u", 'x', 1, 1, 1, NULL), ('"_s + day + u"', 2, 2, 2, 2, NULL)"_s));
    FillReport report;
    VERIFY_OK(m_store->fillWork({first, last}, report));
    QCOMPARE(workTable(), QStringList{day + u" 2 2 2 2"_s});
    QCOMPARE(report.copied, 1);
    QTEST(report.otherFormInPeriod, "inPeriod");
    QTEST(report.unreadableDates, "unreadable");
}

void TestStore::workRowsComePagedInTableOrder()
{
    for (int day = 5; day >= 1; --day) {
        VERIFY_OK(m_store->saveDay({QDate(2007, 4, day), {day, std::nullopt, std::nullopt, std::nullopt}, {}, {}}));
    }
    FillReport report;
    VERIFY_OK(m_store->fillWork(kApril, report));

    QList<WorkRow> rows; // pages of two, each after the last row read
    for (QList<WorkRow> page{WorkRow{}}; !page.isEmpty() && rows.size() < 10;) {
        page.clear();
        VERIFY_OK(m_store->workRows(rows.isEmpty() ? 0 : rows.last().id, 2, page));
        QVERIFY(page.size() <= 2);
        rows << page;
    }
    QStringList seen;
    for (const WorkRow &row : rows) {
        seen << row.date.toString(Qt::ISODate) + row.storedDate + u' ' + shown(row.amounts) + u' ' +
                    QString::number(row.unreadable.toInt());
    }
    QCOMPARE(seen, (QStringList{u"2007-04-01 1 - - - 0"_s, u"2007-04-02 2 - - - 0"_s, u"2007-04-03 3 - - - 0"_s,
                                u"2007-04-04 4 - - - 0"_s, u"2007-04-05 5 - - - 0"_s}));
}

void TestStore::oneCellOfOneRowChanges()
{
    SqlFile journal(mainPath());
    QVERIFY(journal.exec(
        u"drop index 業務日誌_日付;"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-05', 1, 2, 3, 4, 'x'), ('2007-04-05', 1, 2, 3, 4, 'x')"_s));
    FillReport report;
    VERIFY_OK(m_store->fillWork(kApril, report));
    QList<WorkRow> rows;
    VERIFY_OK(m_store->workRows(0, 10, rows));
    QCOMPARE(rows.size(), 2);

    VERIFY_OK(m_store->setWorkAmount(rows[1].id, AmountColumn::Purchases, std::nullopt));
    VERIFY_OK(m_store->setWorkAmount(rows[0].id, AmountColumn::MoneyOut, -common::kAmountLimit));
    VERIFY_OK(m_store->setWorkDate(rows[0].id, QDate(2007, 4, 6)));
    QCOMPARE(m_store->setWorkDate(rows[1].id, QDate()).number, int(ErrBadValue));
    QCOMPARE(workTable(), (QStringList{u"2007-04-06 1 2 3 -9999999999"_s, u"2007-04-05 1 - 3 4"_s}));
    QCOMPARE(journal.value(u"select count(*) from 業務日誌 where 日付 = '2007-04-05' and 仕入額 = 2"_s).toLongLong(),
             qint64(2));
}

// Two programs on one data folder: each one's 集計 fills its own table. One's
// run, cell change or clearing never shows in the other's rows or sums; the
// table starts empty at every open and leaves the work file's table alone.
void TestStore::workTableBelongsToOneStore()
{
    QVERIFY(SqlFile(mainPath())
                .exec(u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-01', 1, 2, "
                      u"3, 4, NULL), "
                      "('2007-05-01', 10, 20, 30, 40, NULL), ('2007-05-02', 100, 200, 300, 400, NULL)"_s));
    QVERIFY(SqlFile(workPath()).exec(u"insert into w集計 values ('1999-09-09', 5, 5, 5, 5)"_s));
    std::optional<OpenFailure> failure;
    const std::unique_ptr<Store> other = testsupport::openStore(m_dir->path(), failure);
    QVERIFY(other);
    QCOMPARE(workTable(), QStringList{});
    QCOMPARE(workTable(*other), QStringList{});

    FillReport report;
    VERIFY_OK(m_store->fillWork(kApril, report));
    VERIFY_OK(other->fillWork(Period::monthOf(QDate(2007, 5, 1)), report));
    QCOMPARE(workTable(), QStringList{u"2007-04-01 1 2 3 4"_s});
    QCOMPARE(workTable(*other), (QStringList{u"2007-05-01 10 20 30 40"_s, u"2007-05-02 100 200 300 400"_s}));
    Sums sums;
    VERIFY_OK(m_store->workSums(sums));
    QCOMPARE(shown(sums), u"1 2 3 4"_s);

    QList<WorkRow> rows;
    VERIFY_OK(other->workRows(0, 10, rows));
    VERIFY_OK(other->setWorkAmount(rows[0].id, AmountColumn::Sales, 7));
    VERIFY_OK(other->setWorkDate(rows[0].id, QDate(2007, 4, 9)));
    VERIFY_OK(m_store->workSums(sums));
    QCOMPARE(shown(sums), u"1 2 3 4"_s);
    VERIFY_OK(other->clearWork());
    QCOMPARE(workTable(), QStringList{u"2007-04-01 1 2 3 4"_s});
    bool holds = false;
    VERIFY_OK(m_store->workHoldsRows(holds));
    QVERIFY(holds);

    // A failed run of one leaves the other's rows; the file's table is as it was.
    QVERIFY(SqlFile(mainPath()).exec(u"update 業務日誌 set 売上額 = 'abc' where 日付 = '2007-05-02'"_s));
    QVERIFY(other->fillWork(Period::monthOf(QDate(2007, 5, 1)), report));
    QCOMPARE(workTable(), QStringList{u"2007-04-01 1 2 3 4"_s});
    QCOMPARE(SqlFile(workPath()).rows(u"w集計"_s),
             QStringList{u"QString:1999-09-09|qlonglong:5|qlonglong:5|qlonglong:5|qlonglong:5"_s});

    // Opened again, the store starts with an empty table.
    m_store->close();
    QVERIFY(!m_store->open(store::Location::inFolder(m_dir->path())));
    QCOMPARE(workTable(), QStringList{});
}

void TestStore::hintIsStoredReplacedAndRemoved()
{
    const HintKey key{u"Frm'Nippo\""_s, u"cmd\"Hint'"_s};
    const HintKey sameForm{key.formName, u"cmdOther"_s};
    const HintKey sameControl{u"FrmOther"_s, key.ctlName};
    VERIFY_OK(m_store->storeHint({sameForm, {}, u"same form"_s}));
    VERIFY_OK(m_store->storeHint({sameControl, {}, u"same control"_s}));
    QCOMPARE(readHint(key), u"none"_s);

    VERIFY_OK(m_store->storeHint({key, u"業務日誌"_s, u"一行目\n'二行目'"_s}));
    QCOMPARE(readHint(key), u"業務日誌|一行目\n'二行目'"_s);
    VERIFY_OK(m_store->storeHint({key, u"題"_s, std::nullopt}));
    QCOMPARE(readHint(key), u"題|NULL"_s);
    QCOMPARE(SqlFile(workPath()).rows(u"ClHint"_s).last(), u"QString:Frm'Nippo\"|QString:cmd\"Hint'|QString:題|NULL"_s);

    VERIFY_OK(m_store->removeHint(key));
    QCOMPARE(readHint(key), u"none"_s);
    QCOMPARE(readHint(sameForm), u"|same form"_s);
    QCOMPARE(readHint(sameControl), u"|same control"_s);
    QCOMPARE(SqlFile(workPath()).count(u"ClHint"_s), qint64(2));
}

void TestStore::brokenFileFailsNamingIt_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("number"); // the primary code
    QTest::addColumn<DbErrorKind>("kind");
    QTest::addColumn<bool>("damaged");

    for (const QString &file : {kMainFileName, kWorkFileName}) {
        const QString table = file == kMainFileName ? u"自社情報"_s : u"ClHint"_s;
        QTest::addRow("%s missing", qPrintable(file))
            << file << QString() << int(SQLITE_CANTOPEN) << DbErrorKind::Missing << false;
        QTest::addRow("%s text", qPrintable(file))
            << file << u"text"_s << int(SQLITE_NOTADB) << DbErrorKind::NotADatabase << true;
        QTest::addRow("%s without %s", qPrintable(file), qPrintable(table))
            << file << table << int(ErrMissingTable) << DbErrorKind::MissingTable << false;
    }
}

void TestStore::brokenFileFailsNamingIt()
{
    QFETCH(QString, file);
    QFETCH(QString, damage);
    m_store.reset();
    const QString path = m_dir->filePath(file);
    if (damage.isEmpty() || damage == u"text") {
        QVERIFY(QFile::remove(path));
    }
    if (damage == u"text") {
        QVERIFY(writeFile(path, QByteArray("業務日誌\n").repeated(200)));
    } else if (!damage.isEmpty()) {
        QVERIFY(SqlFile(path).exec(u"drop table "_s + damage));
    }

    std::optional<OpenFailure> failure;
    QVERIFY(!testsupport::openStore(m_dir->path(), failure));
    QVERIFY(failure);
    QCOMPARE(failure->path, path);
    QTEST(failure->error.primaryCode(), "number");
    QTEST(failure->error.kind, "kind");
    QTEST(isDamage(failure->error), "damaged");
    QVERIFY(!isBusy(failure->error));
    QVERIFY(!describeForUser(failure->error).contains(u"SQLite"_s));
    QCOMPARE(QFile::exists(path), !damage.isEmpty());
}

// Another program's write lock makes a write fail as busy, not as damage; a
// file whose pages are overwritten fails as damaged, not as busy.
void TestStore::heldAndDamagedFilesFailByKind()
{
    const QDate day(2007, 4, 5);
    for (int i = 0; i < 400; ++i) {
        VERIFY_OK(m_store->saveDay({day.addDays(i), {i, 1, 2, 3}, QString(200, u'日'), {}}));
    }
    {
        SqlFile holder(mainPath());
        QVERIFY(holder.exec(u"BEGIN IMMEDIATE"_s));
        const DbError held = m_store->saveDay({day, {9, 9, 9, 9}, u"待つ"_s, {}});
        QCOMPARE(held.kind, DbErrorKind::Busy);
        QVERIFY(isBusy(held));
        QVERIFY(!isDamage(held));
        QVERIFY(describeForUser(held).startsWith(u"他のプログラムがデータベースを使用中です。"_s));
        QVERIFY(holder.exec(u"ROLLBACK"_s));
    }
    m_store.reset();

    QFile file(mainPath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    QVERIFY(size > 64 * 1024);
    // Every page but the first (the schema) overwritten.
    QVERIFY(file.seek(4096));
    QVERIFY(file.write(QByteArray(int(size - 4096), '\xA5')) == size - 4096);
    file.close();

    std::optional<OpenFailure> failure;
    m_store = testsupport::openStore(m_dir->path(), failure);
    DbError damaged = failure ? failure->error : DbError{};
    if (m_store) {
        damaged = m_store->forEachRecord(Period{day, day.addDays(400)}, [](const JournalRecord &) { return true; });
    }
    QCOMPARE(damaged.kind, DbErrorKind::Damaged);
    QVERIFY(isDamage(damaged));
    QVERIFY(!isBusy(damaged));
    QCOMPARE(describeForUser(damaged).left(19), u"データベースファイルが壊れています。（"_s);
}

void TestStore::createRefusesAnExistingFile()
{
    for (const QString &existing : {kMainFileName, kWorkFileName}) {
        const QDir folder(m_dir->filePath(existing + u".d"_s));
        QVERIFY(folder.mkpath(u"."_s));
        QVERIFY(writeFile(folder.filePath(existing), "keep"));
        QString failedPath;
        QCOMPARE(createSqliteFiles(folder.path(), &failedPath).number, int(ErrFileExists));
        QCOMPARE(failedPath, folder.filePath(existing));
        QCOMPARE(folder.entryList(QDir::Files), QStringList{existing});
        QCOMPARE(readFile(folder.filePath(existing)), QByteArray("keep"));
    }
}

void TestStore::closedStoreRefusesEveryOperation()
{
    VERIFY_OK(m_store->saveDay({QDate(2007, 4, 5), {1, 2, 3, 4}, {}, {}}));
    const std::unique_ptr<Store> neverOpened = makeSqliteStore();
    m_store->close();
    FillReport report;
    bool added = false;
    bool ran = false;
    for (Store *store : {m_store.get(), neverOpened.get()}) {
        QVERIFY(!store->isOpen());
        for (const DbError &error :
             {store->saveDay({QDate(2007, 4, 6), {}, {}, {}}), store->fillWork(kApril, report),
              store->storeHint({{u"A"_s, u"c"_s}, {}, {}}), store->addDay({QDate(2007, 4, 6), {}, {}, {}}, added),
              store->inTransaction([&ran] {
                  ran = true;
                  return DbError{};
              })}) {
            QCOMPARE(error.number, int(ErrClosed));
        }
    }
    QVERIFY(!ran);

    // The files are as they were, and open again.
    QVERIFY(!m_store->open(store::Location::inFolder(m_dir->path())));
    QVERIFY(m_store->isOpen());
    QCOMPARE(countRecords(), 1);
}

void TestStore::monthOf_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");

    QTest::newRow("February of a leap year") << QDate(2008, 2, 10) << QDate(2008, 2, 1) << QDate(2008, 2, 29);
    QTest::newRow("February") << QDate(2007, 2, 28) << QDate(2007, 2, 1) << QDate(2007, 2, 28);
    QTest::newRow("February 1900") << QDate(1900, 2, 1) << QDate(1900, 2, 1) << QDate(1900, 2, 28);
    QTest::newRow("February 2000") << QDate(2000, 2, 29) << QDate(2000, 2, 1) << QDate(2000, 2, 29);
    QTest::newRow("February 2100") << QDate(2100, 2, 1) << QDate(2100, 2, 1) << QDate(2100, 2, 28);
    QTest::newRow("February 2400") << QDate(2400, 2, 15) << QDate(2400, 2, 1) << QDate(2400, 2, 29);
    QTest::newRow("January") << QDate(2007, 1, 31) << QDate(2007, 1, 1) << QDate(2007, 1, 31);
    QTest::newRow("April") << QDate(2007, 4, 1) << QDate(2007, 4, 1) << QDate(2007, 4, 30);
    QTest::newRow("September 1868") << QDate(1868, 9, 8) << QDate(1868, 9, 1) << QDate(1868, 9, 30);
    QTest::newRow("November") << QDate(2007, 11, 20) << QDate(2007, 11, 1) << QDate(2007, 11, 30);
    QTest::newRow("December") << QDate(2007, 12, 31) << QDate(2007, 12, 1) << QDate(2007, 12, 31);
    QTest::newRow("December 2099") << QDate(2099, 12, 1) << QDate(2099, 12, 1) << QDate(2099, 12, 31);
    QTest::newRow("January of year 1") << QDate(1, 1, 1) << QDate(1, 1, 1) << QDate(1, 1, 31);
    QTest::newRow("February of year 1") << QDate(1, 2, 14) << QDate(1, 2, 1) << QDate(1, 2, 28);
    QTest::newRow("December of year 1") << QDate(1, 12, 5) << QDate(1, 12, 1) << QDate(1, 12, 31);
    QTest::newRow("no date") << QDate() << QDate() << QDate();
}

void TestStore::monthOf()
{
    QFETCH(QDate, day);
    const Period month = Period::monthOf(day);
    QTEST(month.first, "first");
    QTEST(month.last, "last");
    QCOMPARE(month.isValid(), day.isValid());
}

// Every day of a leap year lies in its own month, and the months follow on.
void TestStore::monthOfEveryDayOfALeapYear()
{
    for (QDate day(2008, 1, 1); day.year() == 2008; day = day.addDays(1)) {
        const Period month = Period::monthOf(day);
        QCOMPARE(month.first, QDate(2008, day.month(), 1));
        QVERIFY(month.contains(day));
        QCOMPARE(month.last.month(), day.month());
        QCOMPARE(month.last.addDays(1).day(), 1);
    }
    QCOMPARE(Period::monthOf(QDate(2008, 2, 1)).last, QDate(2008, 2, 29));
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
