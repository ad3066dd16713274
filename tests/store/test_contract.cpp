// What every engine of the store promises, through the store's interface
// alone: the same results, the same Null rules and the same failure kinds
// whichever engine keeps the data. The engine comes from the environment
// (support/engineundertest.h); CTest runs the suite once per engine built.
// Cases that must plant foreign rows or damage files belong to each engine's
// own tests.

#include "common/formats.h"
#include "store/engines.h"
#include "store/maintenance.h"
#include "store/store.h"
#include "support/engineundertest.h"
#include "support/shownrecords.h"
#include "support/verifyok.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace store;
using namespace Qt::StringLiterals;

namespace {

QString shown(const Amounts &amounts)
{
    return testsupport::shownAmounts(amounts);
}

// "date|amounts|text"; "none" for no record; the error's kind number on failure.
QString readDay(Store &store, QDate day)
{
    std::optional<JournalRecord> record;
    if (const DbError error = store.readDay(day, record)) {
        return u"error %1"_s.arg(int(error.kind));
    }
    return record ? record->date.toString(Qt::ISODate) + u'|' + shown(record->amounts) + u'|' + record->text
                  : u"none"_s;
}

// The days found, "MMdd" newest first, "+" when more matched than the limit.
QString find(Store &store, const QString &words, QDate from = {}, QDate to = {}, int limit = 1000)
{
    SearchResult result;
    if (const DbError error = store.search({words, from, to, limit}, result)) {
        return u"error "_s + error.message;
    }
    QStringList days;
    for (const SearchHit &hit : std::as_const(result.hits)) {
        days << hit.date.toString(u"MMdd"_s);
    }
    return days.join(u' ') + (result.more ? u"+"_s : QString());
}

QStringList workTable(Store &store)
{
    QList<WorkRow> rows;
    if (const DbError error = store.workRows(0, 1000, rows)) {
        return {u"error "_s + error.message};
    }
    QStringList seen;
    for (const WorkRow &row : std::as_const(rows)) {
        seen << row.date.toString(Qt::ISODate) + u' ' + shown(row.amounts);
    }
    return seen;
}

const Period kApril{QDate(2007, 4, 1), QDate(2007, 4, 30)};

} // namespace

class TestContract : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dayIsSavedReadReplacedAndRemoved();
    void addDayNeverReplaces();
    void recordsComeInDateOrderAndStopWhenAsked();
    void writeOverAChangeIsRefusedUntilAsked();
    void removalAndAdditionElsewhereAreSeen();
    void dayLookedUpAnswersAsItStoodWhenAsked();
    void transactionKeepsAllOrNothing();
    void settingsAreOneRow();
    void hintsAreStoredCheckedAndRemoved();
    void workTableIsFilledAndChangedPerStore();
    void summariesByMonthAndYear();
    void searchFindsTheSameDays_data();
    void searchFindsTheSameDays();
    void searchKeepsPeriodOrderAndLimit();
    void searchOfAPeriodFindsWhatEveryDayHolds_data();
    void searchOfAPeriodFindsWhatEveryDayHolds();
    void eraseAllKeepsTheHints();
    void copyRestoresAndRaisesVersions();
    void failuresByKind();

private:
    std::unique_ptr<Store> openAt(const Location &location)
    {
        auto opened = makeStore(location);
        if (!opened) {
            return nullptr;
        }
        if (const auto failure = opened->open(location)) {
            qWarning("%s", qPrintable(failure->error.message));
            return nullptr;
        }
        return opened;
    }
    std::unique_ptr<Store> second() { return openAt(*m_location); }
    void save(QDate day, const QString &text, Amount sales = {})
    {
        const DbError error = m_store->saveDay({day, {sales, {}, {}, {}}, text, {}});
        QVERIFY2(!error, qPrintable(error.message));
    }

    testsupport::EngineUnderTest m_engine;
    std::optional<Location> m_location;
    std::unique_ptr<Store> m_store;
};

void TestContract::initTestCase()
{
    if (!m_engine.unavailable().isEmpty()) {
        QSKIP(qPrintable(m_engine.name() + u": "_s + m_engine.unavailable()));
    }
    qInfo("engine: %s", qPrintable(m_engine.name()));
}

void TestContract::init()
{
    QString why;
    m_location = m_engine.freshData(why);
    QVERIFY2(m_location, qPrintable(why));
    m_store = openAt(*m_location);
    QVERIFY(m_store);
}

void TestContract::cleanup()
{
    m_store.reset();
}

void TestContract::dayIsSavedReadReplacedAndRemoved()
{
    const QDate day(2007, 4, 5);
    QCOMPARE(readDay(*m_store, day), u"none"_s);
    QVERIFY(!m_store->hasWritten());
    VERIFY_OK(
        m_store->saveDay({day, {1, std::nullopt, -3, common::kAmountLimit}, u"売上\n'引用' \"二重\" ; -- 🔥"_s, {}}));
    QVERIFY(m_store->hasWritten());
    QCOMPARE(readDay(*m_store, day), u"2007-04-05|1 - -3 9999999999|売上\n'引用' \"二重\" ; -- 🔥"_s);

    // Saving again replaces every column of the day's one record, Nulls included.
    VERIFY_OK(m_store->saveDay({day, {std::nullopt, -common::kAmountLimit, std::nullopt, 0}, QString(), {}}));
    QCOMPARE(readDay(*m_store, day), u"2007-04-05|- -9999999999 - 0|"_s);
    qint64 count = 0;
    VERIFY_OK(m_store->countRecords(count));
    QCOMPARE(count, qint64(1));

    VERIFY_OK(m_store->saveDay({day.addDays(1), {}, u"翌日"_s, {}}));
    VERIFY_OK(m_store->removeDay(day));
    QCOMPARE(readDay(*m_store, day), u"none"_s);
    QCOMPARE(readDay(*m_store, day.addDays(1)), u"2007-04-06|- - - -|翌日"_s);
    // Days at the ends of the calendar the date boxes take.
    for (const QDate edge : {QDate(1868, 9, 8), QDate(2099, 12, 31)}) {
        VERIFY_OK(m_store->saveDay({edge, {7, {}, {}, {}}, u"端"_s, {}}));
        QCOMPARE(readDay(*m_store, edge), edge.toString(Qt::ISODate) + u"|7 - - -|端"_s);
    }
}

void TestContract::addDayNeverReplaces()
{
    const QDate day(2007, 4, 5);
    bool added = false;
    VERIFY_OK(m_store->addDay({day, {1, 2, 3, 4}, u"最初"_s, {}}, added));
    QVERIFY(added);
    VERIFY_OK(m_store->addDay({day, {9, 9, 9, 9}, u"後から"_s, {}}, added));
    QVERIFY(!added);
    QCOMPARE(readDay(*m_store, day), u"2007-04-05|1 2 3 4|最初"_s);
}

void TestContract::recordsComeInDateOrderAndStopWhenAsked()
{
    for (const int d : {20, 3, 31, 1, 51}) {
        save(QDate(2007, 3, 1).addDays(d), QString::number(d));
    }
    QStringList seen;
    VERIFY_OK(m_store->forEachRecord(kApril, [&seen](const JournalRecord &record) {
        seen << record.date.toString(u"MMdd"_s);
        return true;
    }));
    QCOMPARE(seen, (QStringList{u"0401"_s, u"0421"_s}));
    seen.clear();
    VERIFY_OK(m_store->forEachRecord({QDate(2007, 3, 1), QDate(2007, 12, 31)}, [&seen](const JournalRecord &record) {
        seen << record.date.toString(u"MMdd"_s);
        return seen.size() < 2;
    }));
    QCOMPARE(seen, (QStringList{u"0302"_s, u"0304"_s}));
}

// Two programs on one journal: a write over a day changed since it was read
// is refused, the change told, until the user chooses to write over it.
void TestContract::writeOverAChangeIsRefusedUntilAsked()
{
    const QDate day(2007, 4, 5);
    save(day, u"元"_s);
    std::unique_ptr<Store> other = second();
    QVERIFY(other);

    std::optional<JournalRecord> record;
    Seen seenHere;
    VERIFY_OK(m_store->readDay(day, record, seenHere));
    QVERIFY(seenHere);
    VERIFY_OK(other->saveDay({day, {555, {}, {}, {}}, u"向こう"_s, {}}));

    WriteOutcome outcome;
    const DbError refused = m_store->saveDay({day, {1, {}, {}, {}}, u"こちら"_s, {}}, Expected::as(seenHere), outcome);
    QCOMPARE(refused.kind, DbErrorKind::Changed);
    QVERIFY(!outcome.change.removed);
    QVERIFY(outcome.change.written.isValid());
    QCOMPARE(readDay(*m_store, day), u"2007-04-05|555 - - -|向こう"_s);

    VERIFY_OK(m_store->saveDay({day, {1, {}, {}, {}}, u"こちら"_s, {}}, Expected::anything(), outcome));
    QVERIFY(outcome.now && outcome.now->number > seenHere->number);
    // The version just written is what the next checked write expects.
    VERIFY_OK(m_store->saveDay({day, {2, {}, {}, {}}, u"続き"_s, {}}, Expected::as(outcome.now), outcome));
    QCOMPARE(readDay(*other, day), u"2007-04-05|2 - - -|続き"_s);
}

// A day looked up (as typing its date does) answers as a read of it would
// have, whatever the store did between the question and the taking of the
// answer; a write that expects that answer is refused after a change made
// elsewhere since.
void TestContract::dayLookedUpAnswersAsItStoodWhenAsked()
{
    const QDate kept(2007, 4, 5);
    const QDate absent(2007, 4, 6);
    const QDate changed(2007, 4, 7);
    save(kept, u"残る"_s, 1);
    save(changed, u"元"_s, 2);
    Seen readKept;
    Seen readChanged;
    std::optional<JournalRecord> record;
    VERIFY_OK(m_store->readDay(kept, record, readKept));
    VERIFY_OK(m_store->readDay(changed, record, readChanged));
    QVERIFY(readKept && readChanged);

    SeenLater lookKept = m_store->lookUpDay(kept);
    SeenLater lookAbsent = m_store->lookUpDay(absent);
    SeenLater lookChanged = m_store->lookUpDay(changed);
    // Other work of the store in between: a read, a write and a search.
    QCOMPARE(readDay(*m_store, kept), u"2007-04-05|1 - - -|残る"_s);
    save(QDate(2007, 5, 1), u"別の日"_s);
    QCOMPARE(find(*m_store, u"別の日"_s), u"0501"_s);
    std::unique_ptr<Store> other = second();
    QVERIFY(other);
    VERIFY_OK(other->saveDay({changed, {555, {}, {}, {}}, u"向こう"_s, {}}));

    // Taken in another order than asked.
    Seen seen{RecordVersion{99, {}}};
    VERIFY_OK(lookChanged(seen));
    QCOMPARE(seen, readChanged);
    VERIFY_OK(lookAbsent(seen));
    QVERIFY(!seen);
    VERIFY_OK(lookKept(seen));
    QCOMPARE(seen, readKept);

    WriteOutcome outcome;
    QCOMPARE(m_store->saveDay({changed, {1, {}, {}, {}}, u"こちら"_s, {}}, Expected::as(readChanged), outcome).kind,
             DbErrorKind::Changed);
    QCOMPARE(readDay(*m_store, changed), u"2007-04-07|555 - - -|向こう"_s);
    VERIFY_OK(m_store->saveDay({kept, {3, {}, {}, {}}, u"こちら"_s, {}}, Expected::as(readKept), outcome));
    QCOMPARE(readDay(*other, kept), u"2007-04-05|3 - - -|こちら"_s);

    // Looked up many times over without taking the answers: the latest still answer.
    std::vector<SeenLater> looks;
    for (int n = 0; n < 40; ++n) {
        looks.push_back(m_store->lookUpDay(kept.addDays(n % 3)));
    }
    VERIFY_OK(looks[39](seen));
    QCOMPARE(seen, outcome.now);
    VERIFY_OK(looks[37](seen));
    QVERIFY(!seen);
    VERIFY_OK(looks[38](seen));
    QVERIFY(seen && seen->number > readChanged->number);

    // On a closed store the answer is the closed store's failure.
    m_store->close();
    QCOMPARE(m_store->lookUpDay(kept)(seen).kind, DbErrorKind::Closed);
    QVERIFY(!seen);
}

void TestContract::removalAndAdditionElsewhereAreSeen()
{
    const QDate day(2007, 4, 5);
    save(day, u"元"_s);
    std::unique_ptr<Store> other = second();
    QVERIFY(other);
    std::optional<JournalRecord> record;
    Seen seen;
    VERIFY_OK(m_store->readDay(day, record, seen));
    VERIFY_OK(other->removeDay(day));

    WriteOutcome outcome;
    QCOMPARE(m_store->saveDay({day, {}, u"こちら"_s, {}}, Expected::as(seen), outcome).kind, DbErrorKind::Changed);
    QVERIFY(outcome.change.removed);
    QCOMPARE(m_store->removeDay(day, Expected::as(seen), outcome).kind, DbErrorKind::Changed);

    // A day read as absent and added elsewhere meanwhile.
    const QDate empty(2007, 4, 6);
    Seen absent;
    VERIFY_OK(m_store->readDay(empty, record, absent));
    QVERIFY(!absent);
    VERIFY_OK(other->saveDay({empty, {}, u"先に"_s, {}}));
    QCOMPARE(m_store->saveDay({empty, {}, u"後で"_s, {}}, Expected::as(absent), outcome).kind, DbErrorKind::Changed);
    QCOMPARE(readDay(*m_store, empty), u"2007-04-06|- - - -|先に"_s);
    // A removal of a day seen absent and still absent is done.
    VERIFY_OK(m_store->removeDay(QDate(2007, 4, 7), Expected::as(std::nullopt), outcome));
}

void TestContract::transactionKeepsAllOrNothing()
{
    const QDate day(2007, 4, 5);
    const DbError stopped = m_store->inTransaction([&]() -> DbError {
        if (DbError error = m_store->saveDay({day, {1, {}, {}, {}}, u"一"_s, {}})) {
            return error;
        }
        if (DbError error = m_store->saveSettings({u"和暦"_s, 255})) {
            return error;
        }
        if (DbError error = m_store->storeHint({{u"FrmNippo"_s, u"cmdHint"_s}, u"日誌"_s, u"説明"_s})) {
            return error;
        }
        // What the work wrote is seen inside it.
        return readDay(*m_store, day).startsWith(u"2007-04-05"_s) ? DbError(DbErrorKind::Other, u"止める"_s)
                                                                  : DbError();
    });
    QCOMPARE(stopped.kind, DbErrorKind::Other);
    QCOMPARE(readDay(*m_store, day), u"none"_s);
    std::optional<Settings> settings;
    VERIFY_OK(m_store->loadSettings(settings));
    QVERIFY(!settings);
    std::optional<Hint> hint;
    VERIFY_OK(m_store->readHint({u"FrmNippo"_s, u"cmdHint"_s}, hint));
    QVERIFY(!hint);

    VERIFY_OK(m_store->inTransaction([&] {
        const DbError error = m_store->saveDay({day, {1, {}, {}, {}}, u"一"_s, {}});
        return error ? error : m_store->saveSettings({u"和暦"_s, 255});
    }));
    std::unique_ptr<Store> other = second();
    QVERIFY(other);
    QCOMPARE(readDay(*other, day), u"2007-04-05|1 - - -|一"_s);
    VERIFY_OK(other->loadSettings(settings));
    QCOMPARE(settings, (Settings{u"和暦"_s, 255}));
}

void TestContract::settingsAreOneRow()
{
    std::optional<Settings> settings = Settings{u"和暦"_s, 42};
    VERIFY_OK(m_store->loadSettings(settings));
    QVERIFY(!settings);
    VERIFY_OK(m_store->saveSettings({u"和暦"_s, 255}));
    VERIFY_OK(m_store->saveSettings({u"西暦"_s, common::kColourNumberLimit}));
    VERIFY_OK(m_store->loadSettings(settings));
    QCOMPARE(settings, (Settings{u"西暦"_s, common::kColourNumberLimit}));
}

void TestContract::hintsAreStoredCheckedAndRemoved()
{
    const HintKey key{u"FrmNippo"_s, u"cmdHint"_s};
    VERIFY_OK(m_store->storeHint({key, u"業務日誌"_s, std::nullopt}));
    std::optional<Hint> hint;
    Seen seen;
    VERIFY_OK(m_store->readHint(key, hint, seen));
    QVERIFY(hint && !hint->contents && hint->formTitle == u"業務日誌"_s);

    std::unique_ptr<Store> other = second();
    QVERIFY(other);
    VERIFY_OK(other->storeHint({key, u"業務日誌"_s, u"向こうの説明"_s}));
    WriteOutcome outcome;
    QCOMPARE(m_store->storeHint({key, u"業務日誌"_s, u"こちら"_s}, Expected::as(seen), outcome).kind,
             DbErrorKind::Changed);
    VERIFY_OK(m_store->readHint(key, hint));
    QCOMPARE(hint->contents, std::optional<QString>(u"向こうの説明"_s));

    VERIFY_OK(m_store->removeHint(key));
    VERIFY_OK(other->readHint(key, hint));
    QVERIFY(!hint);
}

// A program's totals are its own: another program's run never changes them.
void TestContract::workTableIsFilledAndChangedPerStore()
{
    save(QDate(2007, 4, 20), u"b"_s, 20);
    save(QDate(2007, 4, 2), u"a"_s, 2);
    VERIFY_OK(m_store->saveDay({QDate(2007, 4, 9), {std::nullopt, 5, -7, {}}, QString(), {}}));
    save(QDate(2007, 5, 1), u"c"_s, 100);

    bool holds = true;
    VERIFY_OK(m_store->workHoldsRows(holds));
    QVERIFY(!holds);
    FillReport report;
    VERIFY_OK(m_store->fillWork(kApril, report));
    QCOMPARE(report.copied, 3);
    QCOMPARE(workTable(*m_store),
             (QStringList{u"2007-04-02 2 - - -"_s, u"2007-04-09 - 5 -7 -"_s, u"2007-04-20 20 - - -"_s}));
    Sums sums;
    VERIFY_OK(m_store->workSums(sums));
    QCOMPARE(shown(sums), u"22 5 -7 -"_s);

    std::unique_ptr<Store> other = second();
    QVERIFY(other);
    FillReport otherReport;
    VERIFY_OK(other->fillWork(Period::monthOf(QDate(2007, 5, 1)), otherReport));
    QCOMPARE(workTable(*other), QStringList{u"2007-05-01 100 - - -"_s});
    QCOMPARE(workTable(*m_store).size(), 3);

    QList<WorkRow> rows;
    VERIFY_OK(m_store->workRows(0, 2, rows));
    QCOMPARE(rows.size(), 2);
    VERIFY_OK(m_store->setWorkAmount(rows[1].id, AmountColumn::MoneyOut, 9));
    VERIFY_OK(m_store->setWorkDate(rows[0].id, QDate(2007, 4, 3)));
    QList<WorkRow> after;
    VERIFY_OK(m_store->workRows(rows[0].id, 10, after));
    QCOMPARE(after.size(), 2);
    QCOMPARE(workTable(*m_store),
             (QStringList{u"2007-04-03 2 - - -"_s, u"2007-04-09 - 5 -7 9"_s, u"2007-04-20 20 - - -"_s}));
    // The journal itself is not changed by the work table.
    QCOMPARE(readDay(*m_store, QDate(2007, 4, 9)), u"2007-04-09|- 5 -7 -|"_s);

    VERIFY_OK(m_store->clearWork());
    VERIFY_OK(m_store->workHoldsRows(holds));
    QVERIFY(!holds);
    QCOMPARE(workTable(*other).size(), 1);
}

void TestContract::summariesByMonthAndYear()
{
    VERIFY_OK(m_store->saveDay({QDate(2019, 4, 30), {100, {}, 50, 20}, {}, {}}));
    VERIFY_OK(m_store->saveDay({QDate(2019, 5, 1), {10, 1, {}, {}}, {}, {}}));
    VERIFY_OK(m_store->saveDay({QDate(2019, 5, 31), {5, {}, {}, -3}, {}, {}}));
    VERIFY_OK(m_store->saveDay({QDate(2020, 1, 1), {}, {}, {}}));
    const Period period{QDate(2019, 1, 1), QDate(2020, 12, 31)};
    QList<SummaryRow> rows;
    VERIFY_OK(m_store->summarise(period, Grouping::Month, rows));
    QStringList seen;
    for (const SummaryRow &row : std::as_const(rows)) {
        seen << row.first.toString(u"yyyyMM"_s) + u' ' + shown(row.sums) + u" 日数 "_s + QString::number(row.days);
    }
    QCOMPARE(seen,
             (QStringList{u"201904 100 - 50 20 日数 1"_s, u"201905 15 1 - -3 日数 2"_s, u"202001 - - - - 日数 1"_s}));
    VERIFY_OK(m_store->summarise(period, Grouping::Year, rows));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(shown(rows[0].sums), u"115 1 50 17"_s);
    QCOMPARE(rows[0].days, qint64(3));
    QCOMPARE(rows[1].balance(), Amount());
}

void TestContract::searchFindsTheSameDays_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("found");
    QTest::newRow("one kanji") << u"雨"_s << u"0103"_s;
    QTest::newRow("one kanji inside ㈱") << u"株"_s << u"0102 0101"_s;
    QTest::newRow("two kana written half-width") << u"ガス"_s << u"0101"_s;
    QTest::newRow("two short words") << u"山田 電話"_s << u"0102"_s;
    QTest::newRow("either width and case") << u"abc"_s << u"0104 0101"_s;
    QTest::newRow("full-width word") << u"ＡＢＣ商事"_s << u"0101"_s;
    QTest::newRow("half-width kana word") << u"ｶﾞｽ代"_s << u"0101"_s;
    QTest::newRow("upper case") << u"INVOICE"_s << u"0102"_s;
    QTest::newRow("full-width digits") << u"123"_s << u"0102"_s;
    QTest::newRow("full-width blank between words") << u"打ち合わせ　棚卸し"_s << u"0104"_s;
    QTest::newRow("a word no day has") << u"abc 雨"_s << QString();
    QTest::newRow("quotes and operators are text") << u"\"abc\" OR %"_s << QString();
    QTest::newRow("blanks only") << u"　 "_s << QString();
}

void TestContract::searchFindsTheSameDays()
{
    QFETCH(QString, words);
    QFETCH(QString, found);
    save(QDate(2024, 1, 1), u"株式会社ＡＢＣ商事へ納品。ｶﾞｽ代を支払い。"_s);
    save(QDate(2024, 1, 2), u"㈱山田商店から電話。Invoice No.１２３"_s);
    save(QDate(2024, 1, 3), u"雨。客足少なし。"_s);
    save(QDate(2024, 1, 4), u"abc社の担当者と打ち合わせ\n午後は棚卸し"_s);
    QCOMPARE(find(*m_store, words), found);
}

void TestContract::searchKeepsPeriodOrderAndLimit()
{
    for (int d = 1; d <= 9; ++d) {
        save(QDate(2024, 3, d), u"定例の会議 %1"_s.arg(d));
    }
    QCOMPARE(find(*m_store, u"定例の会議"_s), u"0309 0308 0307 0306 0305 0304 0303 0302 0301"_s);
    QCOMPARE(find(*m_store, u"定例"_s, QDate(2024, 3, 3), QDate(2024, 3, 6)), u"0306 0305 0304 0303"_s);
    QCOMPARE(find(*m_store, u"定例の会議"_s, {}, {}, 3), u"0309 0308 0307+"_s);
    // A text changed or removed is found as it stands now.
    save(QDate(2024, 3, 9), u"臨時"_s);
    VERIFY_OK(m_store->removeDay(QDate(2024, 3, 8)));
    QCOMPARE(find(*m_store, u"定例"_s, QDate(2024, 3, 6)), u"0307 0306"_s);
    QCOMPARE(find(*m_store, u"臨時"_s), u"0309"_s);
}

// Days of 2023 whose texts hold a common word, a short one on every seventh
// day and a rare one on three days: periods short and long, words common and
// rare, so that the days are found through the index or through the period's
// own days, and either way are the days that hold every word.
void TestContract::searchOfAPeriodFindsWhatEveryDayHolds_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("limit");
    const QDate none;
    QTest::newRow("common word, one month") << u"定例会議"_s << QDate(2023, 3, 1) << QDate(2023, 3, 31) << 1000;
    QTest::newRow("common and short word, four months")
        << u"定例会議 雨"_s << QDate(2023, 2, 1) << QDate(2023, 5, 31) << 1000;
    QTest::newRow("rare word, four months") << u"臨時会議"_s << QDate(2023, 2, 1) << QDate(2023, 5, 31) << 1000;
    QTest::newRow("rare and short word, every day") << u"臨時会議 晴"_s << none << none << 1000;
    QTest::newRow("common word, open end") << u"定例会議"_s << QDate(2023, 8, 20) << none << 1000;
    QTest::newRow("common word, open start") << u"ＳＴ定例"_s << none << QDate(2023, 1, 12) << 1000;
    QTest::newRow("common word, four months, limit") << u"定例会議"_s << QDate(2023, 2, 1) << QDate(2023, 5, 31) << 5;
    QTest::newRow("rare word, one month, none there")
        << u"臨時会議"_s << QDate(2023, 3, 1) << QDate(2023, 3, 31) << 1000;
    QTest::newRow("period before every day") << u"定例会議"_s << QDate(2022, 1, 1) << QDate(2022, 12, 31) << 1000;
}

void TestContract::searchOfAPeriodFindsWhatEveryDayHolds()
{
    QFETCH(QString, words);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, limit);
    const QDate first(2023, 1, 1);
    QList<std::pair<QDate, QString>> days;
    for (int k = 0; k < 250; ++k) {
        // Saved from the last day back, so that the order of writing is not the order of days.
        const QDate day = first.addDays(249 - k);
        const int n = int(first.daysTo(day));
        QString text = u"ＳＴ定例会議 "_s + (n % 7 == 0 ? u"雨"_s : u"晴"_s);
        if (n == 40 || n == 100 || n == 230) {
            text += u" 臨時会議"_s;
        }
        save(day, text);
        days.append({day, text});
    }
    // What holds every word, read day by day in the search form, newest first.
    const QStringList wanted = searchWords(words);
    std::sort(days.begin(), days.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList expected;
    bool more = false;
    for (const auto &[day, text] : std::as_const(days)) {
        const QString form = searchForm(text);
        const bool inPeriod = (!from.isValid() || day >= from) && (!to.isValid() || day <= to);
        if (inPeriod &&
            std::all_of(wanted.cbegin(), wanted.cend(), [&form](const QString &w) { return form.contains(w); })) {
            if (expected.size() == limit) {
                more = true;
                break;
            }
            expected << day.toString(u"MMdd"_s);
        }
    }
    QCOMPARE(find(*m_store, words, from, to, limit), expected.join(u' ') + (more ? u"+"_s : QString()));
}

void TestContract::eraseAllKeepsTheHints()
{
    save(QDate(2007, 4, 5), u"日誌"_s);
    VERIFY_OK(m_store->saveSettings({u"和暦"_s, 1}));
    VERIFY_OK(m_store->storeHint({{u"FrmNippo"_s, u"cmdHint"_s}, u"t"_s, u"c"_s}));
    VERIFY_OK(m_store->eraseAll());
    qint64 count = -1;
    VERIFY_OK(m_store->countRecords(count));
    QCOMPARE(count, qint64(0));
    std::optional<Settings> settings;
    VERIFY_OK(m_store->loadSettings(settings));
    QVERIFY(!settings);
    std::optional<Hint> hint;
    VERIFY_OK(m_store->readHint({u"FrmNippo"_s, u"cmdHint"_s}, hint));
    QVERIFY(hint);
    QCOMPARE(find(*m_store, u"日誌"_s), QString());
}

// A copy is the program's own form whatever the engine; restoring it puts
// back the journal, settings and hints, and a program that read a day before
// is asked before it writes the day.
void TestContract::copyRestoresAndRaisesVersions()
{
    const QDate day(2007, 4, 5);
    VERIFY_OK(m_store->saveDay({day, {1, {}, {}, {}}, u"控えの日"_s, {}}));
    VERIFY_OK(m_store->saveSettings({u"和暦"_s, 7}));
    VERIFY_OK(m_store->storeHint({{u"FrmNippo"_s, u"cmdHint"_s}, u"t"_s, u"控えの説明"_s}));
    QTemporaryDir copy;
    qint64 records = 0;
    const std::unique_ptr<Maintenance> maintenance = makeMaintenance(*m_location);
    QVERIFY(maintenance && maintenance->hasData());
    VERIFY_OK(maintenance->quickCheck());
    VERIFY_OK(maintenance->copyTo(copy.path(), records));
    QCOMPARE(records, qint64(1));

    VERIFY_OK(m_store->saveDay({day, {2, {}, {}, {}}, u"後の日"_s, {}}));
    VERIFY_OK(m_store->saveDay({day.addDays(1), {}, u"増えた日"_s, {}}));
    VERIFY_OK(m_store->saveSettings({u"西暦"_s, 0}));
    std::optional<JournalRecord> record;
    Seen seen;
    VERIFY_OK(m_store->readDay(day, record, seen));

    VERIFY_OK(m_store->restoreFrom(copy.path()));
    QCOMPARE(readDay(*m_store, day), u"2007-04-05|1 - - -|控えの日"_s);
    QCOMPARE(readDay(*m_store, day.addDays(1)), u"none"_s);
    std::optional<Settings> settings;
    VERIFY_OK(m_store->loadSettings(settings));
    QCOMPARE(settings, (Settings{u"和暦"_s, 7}));
    std::optional<Hint> hint;
    VERIFY_OK(m_store->readHint({u"FrmNippo"_s, u"cmdHint"_s}, hint));
    QCOMPARE(hint->contents, std::optional<QString>(u"控えの説明"_s));
    QCOMPARE(find(*m_store, u"控えの"_s), u"0405"_s);
    WriteOutcome outcome;
    QCOMPARE(m_store->saveDay({day, {3, {}, {}, {}}, u"古い読み"_s, {}}, Expected::as(seen), outcome).kind,
             DbErrorKind::Changed);
}

void TestContract::failuresByKind()
{
    // Empty data is made once: a second making changes nothing.
    const Creation again = createEmptyData(*m_location);
    QCOMPARE(again.error.kind, DbErrorKind::Exists);
    QVERIFY(again.made.isEmpty());
    QCOMPARE(readDay(*m_store, QDate(2007, 4, 5)), u"none"_s);

    // A location without data does not open, and nothing is made there.
    QString why;
    const std::optional<Location> nothing = m_engine.emptyLocation(why);
    QVERIFY2(nothing, qPrintable(why));
    auto empty = makeStore(*nothing);
    const std::optional<OpenFailure> failure = empty->open(*nothing);
    QVERIFY(failure);
    QVERIFY(failure->error.kind == DbErrorKind::Missing || failure->error.kind == DbErrorKind::MissingTable);
    QVERIFY(dataParts(*nothing).none());

    // A closed store refuses every operation as closed.
    m_store->close();
    QVERIFY(!m_store->isOpen());
    bool added = false;
    FillReport report;
    for (const DbError &error :
         {m_store->saveDay({QDate(2007, 4, 6), {}, {}, {}}), m_store->addDay({QDate(2007, 4, 6), {}, {}, {}}, added),
          m_store->fillWork(kApril, report), m_store->storeHint({{u"A"_s, u"c"_s}, {}, {}}),
          m_store->inTransaction([] { return DbError(); })}) {
        QCOMPARE(error.kind, DbErrorKind::Closed);
    }
    QVERIFY(!describeForUser(DbError(DbErrorKind::Closed, u"x"_s)).contains(u"SQLite"_s));
}

QTEST_GUILESS_MAIN(TestContract)
#include "test_contract.moc"
