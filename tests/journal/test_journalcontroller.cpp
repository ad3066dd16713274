// The journal's commands without a display: the questions in their order,
// Yes and No, changes made elsewhere, writes that fail and leave the page's
// values on screen, and Null amounts, through a real store on real files
// (and on the server named by ZEPHRA_TEST_SERVER where a case says so).

#include "journal/journalcontroller.h"
#include "store/engines.h"
#include "store/maintenance.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "support/testserver.h"
#include "support/verifyok.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using common::Answer;

namespace {

// The journal refuses every change, as in a read-only file, and takes them again.
const QString kRefuseWrites = testsupport::refuseWritesSql(QStringLiteral("業務日誌"));
const QString kAllowWrites = testsupport::allowWritesSql();

const QDate kDay(2004, 4, 1);

common::JournalValues pageOf(std::optional<QDate> day, store::Amount sales, const QString &text)
{
    common::JournalValues page;
    page.date = day;
    page.dateText = day ? day->toString(u"yyyy年MM月dd日"_s) : QString();
    page.sales = sales;
    page.purchases = sales ? std::optional<qint64>(*sales / 2) : std::nullopt;
    page.moneyIn = -1500;
    page.moneyOut = std::nullopt;
    page.memo = text;
    return page;
}

} // namespace

class TestJournalController : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registerNeedsADate();
    void answeringNoWritesNothing();
    void deleteWithoutDateDoesNothing();
    void failedRegisterKeepsThePage();
    void failedDeleteKeepsThePage();
    void lockedDatabaseIsReportedNotWaitedOnForever();
    void nullAmountsGoBackAsNull();
    void questionsInOrderAgainstAChangeElsewhere();
    void deleteOfADayRemovedElsewhereAsksNothingMore();
    void dayTakenUpThenAddedElsewhereIsAsked();
    void dayTakenUpIsExpectedAsItStoodThen_data();
    void dayTakenUpIsExpectedAsItStoodThen();

private:
    QStringList titlesShown() const;
    int rowCount() const
    {
        return int(testsupport::SqlFile(m_env->data.mainPath()).select(u"select 日付 from 業務日誌"_s).size());
    }
    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<journal::JournalController> m_controller;
    std::unique_ptr<QSignalSpy> m_cleared;
    std::unique_ptr<QSignalSpy> m_dateWanted;
};

void TestJournalController::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_controller = std::make_unique<journal::JournalController>(*m_env->store, m_env->msg);
    m_cleared = std::make_unique<QSignalSpy>(m_controller.get(), &journal::JournalController::cleared);
    m_dateWanted = std::make_unique<QSignalSpy>(m_controller.get(), &journal::JournalController::dateWanted);
}

void TestJournalController::cleanup()
{
    m_cleared.reset();
    m_dateWanted.reset();
    m_controller.reset();
    m_env.reset();
}

QStringList TestJournalController::titlesShown() const
{
    QStringList titles;
    for (const common::MessageRequest &request : m_env->presenter.shown) {
        titles << request.title;
    }
    return titles;
}

void TestJournalController::registerNeedsADate()
{
    m_controller->save(pageOf(std::nullopt, 100, QString()));
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].title, QStringLiteral("日付を記入してください。"));
    QCOMPARE(m_env->presenter.shown[0].text, QStringLiteral("日付を記入してください。"));
    QCOMPARE(m_env->presenter.shown[0].style, common::kInformation);
    QCOMPARE(m_dateWanted->size(), 1);
    QCOMPARE(m_cleared->size(), 0);
    QCOMPARE(rowCount(), 0);

    // 読込 without a day only wants one, without a word.
    m_controller->read(pageOf(std::nullopt, 100, QString()));
    QCOMPARE(m_dateWanted->size(), 2);
    QCOMPARE(m_env->presenter.shown.size(), 1);
}

void TestJournalController::answeringNoWritesNothing()
{
    m_env->presenter.answerNo();
    m_controller->save(pageOf(kDay, 500, u"メモ"_s));
    QCOMPARE(titlesShown(), QStringList{u"登録の確認"_s});
    QCOMPARE(rowCount(), 0);
    QCOMPARE(m_cleared->size(), 0);
}

void TestJournalController::deleteWithoutDateDoesNothing()
{
    m_controller->remove(pageOf(std::nullopt, 5, QString()));
    QVERIFY(m_env->presenter.shown.isEmpty());
    QCOMPARE(m_cleared->size(), 0);
}

void TestJournalController::failedRegisterKeepsThePage()
{
    QVERIFY(testsupport::execOn(m_env->data.mainPath(), kRefuseWrites));
    m_controller->save(pageOf(kDay, 4321, u"消えては困る文章"_s));
    QCOMPARE(m_env->presenter.shown.size(), 2);
    const common::MessageRequest failure = m_env->presenter.shown[1];
    QCOMPARE(failure.title, QStringLiteral("登録できませんでした"));
    QCOMPARE(failure.style, common::kWarning);
    QVERIFY2(failure.text.startsWith(QStringLiteral("2004年04月01日 の業務日誌は登録されていません。\n理由: ")),
             qPrintable(failure.text));
    QCOMPARE(m_cleared->size(), 0);

    QVERIFY(testsupport::execOn(m_env->data.mainPath(), kAllowWrites));
    QCOMPARE(rowCount(), 0);
}

void TestJournalController::failedDeleteKeepsThePage()
{
    VERIFY_OK(m_env->store->saveDay({kDay, {10, 20, 30, 40}, u"一日目"_s, {}}));
    m_controller->takeUpDay(kDay); // as typing the day into the page does
    QVERIFY(testsupport::execOn(m_env->data.mainPath(), kRefuseWrites));
    m_controller->remove(pageOf(kDay, 10, u"一日目"_s));
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QCOMPARE(m_env->presenter.shown[1].title, QStringLiteral("削除できませんでした"));
    QVERIFY(m_env->presenter.shown[1].text.startsWith(QStringLiteral("2004年04月01日 の日誌は削除されていません。")));
    QCOMPARE(m_cleared->size(), 0);
    QVERIFY(testsupport::execOn(m_env->data.mainPath(), kAllowWrites));
    QCOMPARE(rowCount(), 1);
}

void TestJournalController::lockedDatabaseIsReportedNotWaitedOnForever()
{
    // Another program holds a write transaction on the journal.
    testsupport::SqlFile other(m_env->data.mainPath());
    QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));

    QElapsedTimer timer;
    timer.start();
    m_controller->save(pageOf(kDay, 77, u"待ち"_s));
    QVERIFY(timer.elapsed() < 30'000);
    QCOMPARE(titlesShown(), (QStringList{u"登録の確認"_s, u"登録できませんでした"_s}));
    QVERIFY(m_env->presenter.shown[1].text.contains(QStringLiteral("使用中")));
    QCOMPARE(m_cleared->size(), 0);

    QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
    m_controller->save(pageOf(kDay, 77, u"待ち"_s));
    QCOMPARE(rowCount(), 1);
    QCOMPARE(m_cleared->size(), 1);
}

// What the page hands over as none is written as Null, and read back as none.
void TestJournalController::nullAmountsGoBackAsNull()
{
    m_controller->save(pageOf(kDay, std::nullopt, u"空"_s));
    QCOMPARE(m_cleared->size(), 1);
    QSignalSpy read(m_controller.get(), &journal::JournalController::recordRead);
    m_controller->read(pageOf(kDay, 1, QString()));
    QCOMPARE(read.size(), 1);
    const auto record = read[0][0].value<store::JournalRecord>();
    QCOMPARE(record.amounts.sales, std::nullopt);
    QCOMPARE(record.amounts.purchases, std::nullopt);
    QCOMPARE(record.amounts.moneyIn, std::optional<qint64>(-1500));
    QCOMPARE(record.amounts.moneyOut, std::nullopt);
    QCOMPARE(record.text, u"空"_s);
    QVERIFY(!record.unreadable);
}

// Read, then written elsewhere: the usual question first, then the one about
// the change; No keeps the other's record and the page, Yes writes over it.
void TestJournalController::questionsInOrderAgainstAChangeElsewhere()
{
    VERIFY_OK(m_env->store->saveDay({kDay, {1, 2, 3, 4}, u"元"_s, {}}));
    m_controller->read(pageOf(kDay, 0, QString()));
    auto other = store::makeSqliteStore();
    QVERIFY(!other->open(store::Location::inFolder(m_env->data.folder())));
    VERIFY_OK(other->saveDay({kDay, {555, {}, {}, {}}, u"向こう"_s, {}}));

    m_env->presenter.answers = {Answer::Yes, Answer::No};
    m_controller->save(pageOf(kDay, 999, u"こちら"_s));
    QCOMPARE(titlesShown(), (QStringList{u"登録の確認"_s, u"他の端末での変更"_s}));
    QCOMPARE(m_env->presenter.shown[1].style, common::kQuestionNoDefault);
    QCOMPARE(m_cleared->size(), 0);
    QCOMPARE(testsupport::rowsOf(m_env->data.mainPath(), u"業務日誌"_s).join(u'/').contains(u"向こう"_s), true);

    m_env->presenter.shown.clear();
    m_env->presenter.answers = {Answer::Yes, Answer::No};
    m_controller->remove(pageOf(kDay, 999, u"こちら"_s));
    QCOMPARE(titlesShown(), (QStringList{u"削除の確認"_s, u"他の端末での変更"_s}));
    QCOMPARE(rowCount(), 1);

    m_env->presenter.shown.clear();
    m_env->presenter.answers = {Answer::Yes, Answer::Yes};
    m_controller->save(pageOf(kDay, 999, u"こちら"_s));
    QCOMPARE(titlesShown().size(), 2);
    QCOMPARE(m_cleared->size(), 1);
    QVERIFY(testsupport::rowsOf(m_env->data.mainPath(), u"業務日誌"_s).join(u'/').contains(u"こちら"_s));

    // The version written is the one expected next: only the usual question.
    m_env->presenter.shown.clear();
    m_env->presenter.answers = {Answer::Yes};
    m_controller->save(pageOf(kDay, 1, u"再び"_s));
    QCOMPARE(titlesShown(), QStringList{u"登録の確認"_s});
    QCOMPARE(m_cleared->size(), 2);
}

void TestJournalController::deleteOfADayRemovedElsewhereAsksNothingMore()
{
    VERIFY_OK(m_env->store->saveDay({kDay, {1, 2, 3, 4}, u"元"_s, {}}));
    m_controller->read(pageOf(kDay, 0, QString()));
    auto other = store::makeSqliteStore();
    QVERIFY(!other->open(store::Location::inFolder(m_env->data.folder())));
    VERIFY_OK(other->removeDay(kDay));

    m_controller->remove(pageOf(kDay, 1, u"元"_s));
    QCOMPARE(titlesShown(), QStringList{u"削除の確認"_s});
    QCOMPARE(m_cleared->size(), 1);
    QCOMPARE(rowCount(), 0);
}

// A day typed without 読込 is taken up as it stands; a record added elsewhere
// after that is asked about, and クリア forgets what was taken up.
void TestJournalController::dayTakenUpThenAddedElsewhereIsAsked()
{
    m_controller->takeUpDay(kDay);
    auto other = store::makeSqliteStore();
    QVERIFY(!other->open(store::Location::inFolder(m_env->data.folder())));
    VERIFY_OK(other->saveDay({kDay, {555, {}, {}, {}}, u"向こう"_s, {}}));

    m_env->presenter.answers = {Answer::Yes, Answer::No};
    m_controller->save(pageOf(kDay, 1, u"こちら"_s));
    QCOMPARE(titlesShown(), (QStringList{u"登録の確認"_s, u"他の端末での変更"_s}));

    // Taken up again after クリア: the record as it stands now, no question.
    m_controller->clear();
    QCOMPARE(m_cleared->size(), 1);
    m_controller->takeUpDay(kDay);
    m_env->presenter.shown.clear();
    m_env->presenter.answers = {Answer::Yes};
    m_controller->save(pageOf(kDay, 1, u"こちら"_s));
    QCOMPARE(titlesShown(), QStringList{u"登録の確認"_s});
    QCOMPARE(m_cleared->size(), 2);
}

void TestJournalController::dayTakenUpIsExpectedAsItStoodThen_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("files") << false;
    QTest::newRow("server") << true;
}

// The day's look goes out when its date is typed and may be answered only
// when 登録 needs it: the page's other work in between changes nothing, a
// change made elsewhere after the look is asked about, and 読込 or クリア
// replace the look.
void TestJournalController::dayTakenUpIsExpectedAsItStoodThen()
{
    QFETCH(bool, server);
    std::optional<testsupport::ServerSchema> schema;
    store::Location location = store::Location::inFolder(m_env->data.folder());
    if (server) {
        SKIP_WITHOUT_SERVER();
        schema.emplace();
        QVERIFY2(schema->error().isEmpty(), qPrintable(schema->error()));
        location = schema->location();
        VERIFY_OK(store::createEmptyData(location).error);
    }
    const std::unique_ptr<store::Store> here = store::makeStore(location);
    const std::unique_ptr<store::Store> other = store::makeStore(location);
    QVERIFY(!here->open(location) && !other->open(location));
    journal::JournalController controller(*here, m_env->msg);
    const QDate otherDay = kDay.addDays(1);
    const auto changeElsewhere = [&](const QString &text) {
        VERIFY_OK(other->saveDay({kDay, {555, {}, {}, {}}, text, {}}));
    };
    const auto storedText = [&] {
        std::optional<store::JournalRecord> record;
        return other->readDay(kDay, record) || !record ? u"none"_s : record->text;
    };
    changeElsewhere(u"元"_s);

    controller.takeUpDay(kDay);
    controller.read(pageOf(otherDay, {}, QString())); // the page's other work: a day with no record
    changeElsewhere(u"向こう"_s);
    m_env->presenter.answers = {Answer::Yes, Answer::No};
    controller.save(pageOf(kDay, 1, u"こちら"_s));
    QCOMPARE(titlesShown(), (QStringList{u"登録の確認"_s, u"他の端末での変更"_s}));
    QCOMPARE(storedText(), u"向こう"_s);

    // 読込 after the change: the day as read is what 登録 expects.
    controller.clear();
    controller.takeUpDay(kDay);
    controller.read(pageOf(otherDay, {}, QString()));
    changeElsewhere(u"向こう二"_s);
    controller.read(pageOf(kDay, {}, QString()));
    m_env->presenter.shown.clear();
    m_env->presenter.answers = {Answer::Yes};
    controller.save(pageOf(kDay, 2, u"読んでから"_s));
    QCOMPARE(titlesShown(), QStringList{u"登録の確認"_s});
    QCOMPARE(storedText(), u"読んでから"_s);

    // クリア forgets the look: the day taken up again stands as it is now.
    controller.takeUpDay(kDay);
    controller.read(pageOf(otherDay, {}, QString()));
    changeElsewhere(u"向こう三"_s);
    controller.clear();
    controller.takeUpDay(kDay);
    m_env->presenter.shown.clear();
    m_env->presenter.answers = {Answer::Yes};
    controller.save(pageOf(kDay, 3, u"クリアの後"_s));
    QCOMPARE(titlesShown(), QStringList{u"登録の確認"_s});
    QCOMPARE(storedText(), u"クリアの後"_s);
}

QTEST_GUILESS_MAIN(TestJournalController)
#include "test_journalcontroller.moc"
