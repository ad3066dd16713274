// Finding days by the words of their journal text: through the index and by
// the scan that stands in for a missing one, and the index kept in step with
// every journal write.
// The file engine's own cases (rows planted and files damaged by hand); what
// every engine promises is in test_contract.cpp.

#include "common/progress.h"
#include "store/copies.h"
#include "store/maintenance.h"
#include "store/sqlitesearch.h"
#include "store/store.h"
#include "support/openstore.h"
#include "support/sqlfile.h"
#include "support/tempdata.h"

#include <QDir>
#include <QTest>

using namespace store;
using testsupport::SqlFile;
using namespace Qt::StringLiterals;

#define VERIFY_OK(expression)                                                                                          \
    do {                                                                                                               \
        const DbError error_ = (expression);                                                                           \
        QVERIFY2(error_.ok(), qPrintable(error_.message));                                                             \
    } while (false)

namespace {

// The index's tables as a file of an earlier build lacks them.
const QString kDropIndex = u"drop table 日誌索引; drop table 日誌索引状態"_s;

struct Day
{
    QDate date;
    QString text;
};

const QList<Day> &widthsAndCases()
{
    static const QList<Day> days{
        {QDate(2024, 1, 1), u"株式会社ＡＢＣ商事へ納品。ｶﾞｽ代を支払い。"_s},
        {QDate(2024, 1, 2), u"㈱山田商店から電話。Invoice No.１２３"_s},
        {QDate(2024, 1, 3), u"雨。客足少なし。"_s},
        {QDate(2024, 1, 4), u"abc社の担当者と打ち合わせ\n午後は棚卸し"_s},
    };
    return days;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wordsAreFound_data();
    void wordsAreFound();
    void periodNewestFirstAndLimit();
    void daysStoredWithoutADateArePassedOver_data();
    void daysStoredWithoutADateArePassedOver();
    void indexFollowsEveryJournalWrite();
    void restoreRebuildsTheIndexOfACopyWithoutOne();
    void fileWithoutAWholeIndexIsFoundAndBuilt_data();
    void fileWithoutAWholeIndexIsFoundAndBuilt();
    void failedBuildLeavesTheJournalAndScans();
    void storedTextAnswersForItsForm_data();
    void storedTextAnswersForItsForm();
    void everyCharacterThatFormsKanjiIsLeftToTheForm();
    void kanjiWordsOfAShortPeriod_data();
    void kanjiWordsOfAShortPeriod();

private:
    void reopen()
    {
        m_store.reset();
        std::optional<OpenFailure> failure;
        m_store = testsupport::openStore(m_data->folder(), failure);
        QVERIFY2(m_store, failure ? qPrintable(failure->error.message) : "no store");
    }
    void save(QDate date, const QString &text) { VERIFY_OK(m_store->saveDay({date, {100, {}, {}, {}}, text, {}})); }
    // The dates of the hits, newest first, "+" when more matched; the error when the search failed.
    QString find(const QString &words, QDate from = {}, QDate to = {}, int limit = 1000)
    {
        SearchResult result;
        if (const DbError error = m_store->search({words, from, to, limit}, result)) {
            return error.message;
        }
        QStringList dates;
        for (const SearchHit &hit : result.hits) {
            dates << hit.date.toString(u"MMdd"_s);
        }
        return dates.join(u' ') + (result.more ? u"+"_s : QString());
    }
    bool scans(const QString &words)
    {
        SearchResult result;
        return !m_store->search({words, {}, {}, 10}, result) && result.scanned;
    }

    std::unique_ptr<testsupport::TempData> m_data;
    std::unique_ptr<Store> m_store;
};

void TestSearch::init()
{
    m_data = std::make_unique<testsupport::TempData>();
    QVERIFY(m_data->ok());
    reopen();
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);
}

void TestSearch::cleanup()
{
    m_store.reset();
    m_data.reset();
}

void TestSearch::wordsAreFound_data()
{
    QTest::addColumn<bool>("indexed");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("found");
    const QList<std::pair<const char *, std::pair<QString, QString>>> cases{
        {"one character", {u"雨"_s, u"0103"_s}},
        {"one character inside ㈱", {u"株"_s, u"0102 0101"_s}},
        {"two characters written half-width", {u"ガス"_s, u"0101"_s}},
        {"two short words", {u"山田 電話"_s, u"0102"_s}},
        {"three characters of either width and case", {u"abc"_s, u"0104 0101"_s}},
        {"full-width word", {u"ＡＢＣ商事"_s, u"0101"_s}},
        {"half-width kana word", {u"ｶﾞｽ代"_s, u"0101"_s}},
        {"(株) finds ㈱", {u"(株)"_s, u"0102"_s}},
        {"upper case", {u"INVOICE"_s, u"0102"_s}},
        {"full-width digits", {u"123"_s, u"0102"_s}},
        {"full-width blank between words", {u"打ち合わせ　棚卸し"_s, u"0104"_s}},
        {"long and short word", {u"abc 商事"_s, u"0101"_s}},
        {"a word no day has", {u"abc 雨"_s, QString()}},
        {"quotes are text", {u"\"abc\" OR"_s, QString()}},
        {"blanks only", {u"　 "_s, QString()}},
    };
    for (const bool indexed : {true, false}) {
        for (const auto &[tag, expected] : cases) {
            QTest::addRow("%s, %s", indexed ? "index" : "scan", tag) << indexed << expected.first << expected.second;
        }
    }
}

void TestSearch::wordsAreFound()
{
    QFETCH(bool, indexed);
    QFETCH(QString, words);
    QFETCH(QString, found);
    for (const Day &day : widthsAndCases()) {
        save(day.date, day.text);
    }
    // A day long before: the journal's days then span more than a short
    // period, which would be read day by day rather than through the index.
    save(QDate(2000, 1, 1), u"古い日"_s);
    if (!indexed) {
        QVERIFY(SqlFile(m_data->mainPath()).exec(kDropIndex));
        reopen();
    }
    QCOMPARE(find(words), found);
    if (!searchWords(words).isEmpty()) {
        QCOMPARE(scans(words), !indexed);
    }
}

void TestSearch::periodNewestFirstAndLimit()
{
    // Saved out of date order, so that row order is not date order.
    for (const int day : {5, 1, 9, 3, 7, 2, 8, 4, 6}) {
        save(QDate(2024, 3, day), u"定例の会議 %1"_s.arg(day));
    }
    QCOMPARE(find(u"定例の会議"_s), u"0309 0308 0307 0306 0305 0304 0303 0302 0301"_s);
    QCOMPARE(find(u"定例"_s, QDate(2024, 3, 3), QDate(2024, 3, 6)), u"0306 0305 0304 0303"_s);
    QCOMPARE(find(u"定例の会議"_s, QDate(2024, 3, 8)), u"0309 0308"_s);
    QCOMPARE(find(u"定例"_s, {}, QDate(2024, 3, 2)), u"0302 0301"_s);
    QCOMPARE(find(u"定例の会議"_s, {}, {}, 3), u"0309 0308 0307+"_s);
    QCOMPARE(find(u"定例"_s, {}, {}, 9), u"0309 0308 0307 0306 0305 0304 0303 0302 0301"_s);

    // The hit carries what the list shows.
    SearchResult result;
    VERIFY_OK(m_store->search({u"会議 7"_s, {}, {}, 10}, result));
    QCOMPARE(result.hits.size(), 1);
    QCOMPARE(result.hits[0].sales, Amount(100));
    QCOMPARE(result.hits[0].text(), u"定例の会議 7"_s);
}

void TestSearch::daysStoredWithoutADateArePassedOver_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("kanji, told from the stored text") << u"請求"_s;
    QTest::newRow("short, read in the indexed text") << u"ab"_s;
    QTest::newRow("long, through the index") << u"abc"_s;
}

void TestSearch::daysStoredWithoutADateArePassedOver()
{
    // Rows another program left with a date that is no day: never a hit, nor
    // "more" beyond the limit, whether the period is open or not.
    QFETCH(QString, word);
    for (int day = 1; day <= 5; ++day) {
        save(QDate(2024, 5, day), u"請求書 abc %1"_s.arg(day));
    }
    QVERIFY(SqlFile(m_data->mainPath())
                .exec(u"update 業務日誌 set 日付 = '' where 日付 = '2024-05-01';"
                      "update 業務日誌 set 日付 = 20240502 where 日付 = '2024-05-02';"
                      "update 業務日誌 set 日付 = null where 日付 = '2024-05-03'"_s));
    reopen();
    QCOMPARE(find(word), u"0505 0504"_s);
    QCOMPARE(find(word, {}, {}, 2), u"0505 0504"_s);
    QCOMPARE(find(word, {}, {}, 1), u"0505+"_s);
    QCOMPARE(find(word, {}, QDate(2024, 5, 4)), u"0504"_s);
    QCOMPARE(find(word, QDate(2024, 5, 1), QDate(2024, 5, 31)), u"0505 0504"_s);
}

void TestSearch::indexFollowsEveryJournalWrite()
{
    const QDate day(2024, 5, 1);
    save(day, u"りんごを仕入れ"_s);
    QCOMPARE(find(u"りんご"_s), u"0501"_s);
    save(day, u"みかんを仕入れ"_s);
    QCOMPARE(find(u"りんご"_s), QString());
    QCOMPARE(find(u"みかん"_s), u"0501"_s);

    bool added = false;
    VERIFY_OK(m_store->addDay({day.addDays(1), {}, u"りんご箱"_s, {}}, added));
    QVERIFY(added);
    VERIFY_OK(m_store->addDay({day.addDays(1), {}, u"ぶどう"_s, {}}, added));
    QVERIFY(!added);
    QCOMPARE(find(u"りんご"_s), u"0502"_s);
    QCOMPARE(find(u"ぶどう"_s), QString());

    // A transaction that fails takes the index back with the journal.
    const DbError refused = m_store->inTransaction([&]() -> DbError {
        if (DbError error = m_store->saveDay({day.addDays(2), {}, u"ぶどう"_s, {}})) {
            return error;
        }
        return {DbErrorKind::RefusedValue, u"refused"_s};
    });
    QCOMPARE(refused.number, ErrBadValue);
    QCOMPARE(find(u"ぶどう"_s), QString());
    // One that succeeds writes the entries of its days when it ends, in the order written.
    VERIFY_OK(m_store->inTransaction([&]() -> DbError {
        for (const QString &text : {u"ぶどう"_s, u"すもも"_s}) {
            if (DbError error = m_store->saveDay({day.addDays(3), {}, text, {}})) {
                return error;
            }
        }
        bool addedThen = false;
        if (DbError error = m_store->addDay({day.addDays(4), {}, u"ぶどう棚"_s, {}}, addedThen)) {
            return error;
        }
        return m_store->removeDay(day.addDays(4));
    }));
    QCOMPARE(find(u"ぶどう"_s), QString());
    QCOMPARE(find(u"すもも"_s), u"0504"_s);

    VERIFY_OK(m_store->removeDay(day));
    QCOMPARE(find(u"みかん"_s), QString());
    QCOMPARE(find(u"仕入"_s), QString());
    // The counts agree as the next start sees them.
    reopen();
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);

    VERIFY_OK(m_store->eraseAll());
    QCOMPARE(find(u"りんご"_s), QString());
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);
    save(day, u"再開"_s);
    QCOMPARE(find(u"再開"_s), u"0501"_s);
    reopen();
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);
}

void TestSearch::restoreRebuildsTheIndexOfACopyWithoutOne()
{
    save(QDate(2024, 6, 1), u"今の日誌"_s);
    // A copy made by an earlier build: no index.
    testsupport::TempData copy;
    QVERIFY(copy.ok());
    {
        std::optional<OpenFailure> failure;
        auto other = testsupport::openStore(copy.folder(), failure);
        QVERIFY(other);
        VERIFY_OK(other->saveDay({QDate(2024, 6, 2), {}, u"控えの日誌"_s, {}}));
    }
    QVERIFY(SqlFile(copy.mainPath()).exec(kDropIndex));
    CopyCheck check;
    VERIFY_OK(checkCopy(copy.folder(), check));
    QCOMPARE(check.records, 1);

    VERIFY_OK(m_store->restoreFrom(copy.folder()));
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);
    QCOMPARE(find(u"日誌"_s), u"0602"_s);
    QCOMPARE(find(u"控えの"_s), u"0602"_s);
    QCOMPARE(find(u"今の"_s), QString());

    // A copy with the index passes its check and restores as well.
    QTemporaryDir withIndex;
    qint64 records = 0;
    VERIFY_OK(makeMaintenance(Location::inFolder(m_data->folder()))->copyTo(withIndex.path(), records));
    VERIFY_OK(checkCopy(withIndex.path(), check));
    save(QDate(2024, 6, 3), u"後の日誌"_s);
    VERIFY_OK(m_store->restoreFrom(withIndex.path()));
    QCOMPARE(find(u"日誌"_s), u"0602"_s);
    reopen();
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);
}

void TestSearch::fileWithoutAWholeIndexIsFoundAndBuilt_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<SearchIndexState>("state");
    QTest::newRow("earlier build: no index") << kDropIndex << SearchIndexState::Missing;
    QTest::newRow("build never finished") << u"delete from 日誌索引状態"_s << SearchIndexState::Missing;
    QTest::newRow("index of another form") << u"update 日誌索引状態 set 版 = 0"_s << SearchIndexState::Missing;
    QTest::newRow("rows written around the index")
        << u"insert into 業務日誌 (日付, 日誌) values ('2024-07-09', 'ほかのプログラム')"_s
        << SearchIndexState::Incomplete;
}

void TestSearch::fileWithoutAWholeIndexIsFoundAndBuilt()
{
    QFETCH(QString, change);
    QFETCH(SearchIndexState, state);
    save(QDate(2024, 7, 1), u"ＺＥＰＨＲＡの納品"_s);
    QVERIFY(SqlFile(m_data->mainPath()).exec(change));
    reopen();
    QCOMPARE(m_store->searchIndexState(), state);
    QVERIFY(scans(u"zephra"_s));
    QCOMPARE(find(u"zephra"_s), u"0701"_s);
    // Journal writes meanwhile are kept; the build takes them in.
    save(QDate(2024, 7, 2), u"zephra 二日目"_s);

    common::NoProgress quiet;
    VERIFY_OK(m_store->buildSearchIndex(quiet));
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);
    QVERIFY(!scans(u"zephra"_s));
    QCOMPARE(find(u"zephra"_s), u"0702 0701"_s);
    QCOMPARE(find(u"プログラム"_s), state == SearchIndexState::Incomplete ? u"0709"_s : QString());
    reopen();
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Whole);
}

void TestSearch::failedBuildLeavesTheJournalAndScans()
{
    save(QDate(2024, 8, 1), u"ﾃｽﾄの記録"_s);
    // The build fails at its last step, when it marks the index finished.
    QVERIFY(SqlFile(m_data->mainPath())
                .exec(u"delete from 日誌索引状態; create trigger 失敗 before insert on 日誌索引状態 "
                      "begin select raise(abort, 'disk full'); end"_s));
    reopen();
    const QStringList journal = testsupport::rowsOf(m_data->mainPath(), u"業務日誌"_s);

    common::NoProgress quiet;
    const DbError failed = m_store->buildSearchIndex(quiet);
    QVERIFY(failed);
    QVERIFY2(failed.message.contains(u"disk full"_s), qPrintable(failed.message));
    QCOMPARE(testsupport::rowsOf(m_data->mainPath(), u"業務日誌"_s), journal);
    QCOMPARE(m_store->searchIndexState(), SearchIndexState::Missing);
    QVERIFY(scans(u"テスト"_s));
    QCOMPARE(find(u"テスト"_s), u"0801"_s);
    // Writes go on without the index.
    save(QDate(2024, 8, 2), u"テスト二回目"_s);
    QCOMPARE(find(u"テスト"_s), u"0802 0801"_s);
}

void TestSearch::storedTextAnswersForItsForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("answer"); // 1, 0, or -1: only the form can tell
    QTest::newRow("plain text holds it") << u"本日は請求書を送付"_s << u"請求"_s << 1;
    QTest::newRow("plain text lacks it") << u"本日は雨"_s << u"請求"_s << 0;
    QTest::newRow("at the very end") << u"本日は請求"_s << u"請求"_s << 1;
    QTest::newRow("half-width kana around it") << u"ｾｲｷｭｳ 請求ｼｮ"_s << u"請求"_s << 1;
    QTest::newRow("half-width kana, no kanji") << u"ﾀﾞｲﾚｸﾄﾒｰﾙ ﾊｯｿｳ ｽﾐ"_s << u"請求"_s << 0;
    QTest::newRow("㈱ may form 株") << u"㈱山田"_s << u"株"_s << -1;
    QTest::newRow("a Kangxi radical may form 雨") << u"⾬の日"_s << u"雨"_s << -1;
    QTest::newRow("a compatibility ideograph") << u"\uF900の字"_s << u"\u8C48"_s << -1;
    QTest::newRow("beyond the BMP") << u"𠮷野家"_s << u"野家"_s << 1;
    QTest::newRow("beyond the BMP, lacking") << u"𠮷野家"_s << u"雨"_s << -1;
    QTest::newRow("a mark joins the last kanji") << u"請求\u0301"_s << u"請求"_s << -1;
    QTest::newRow("a mark after one, plain after another") << u"請求\u0301と請求書"_s << u"請求"_s << 1;
    QTest::newRow("empty text") << QString() << u"雨"_s << 0;
}

void TestSearch::storedTextAnswersForItsForm()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    QFETCH(int, answer);
    QVERIFY(sqlite::isKanjiWord(word));
    const std::optional<bool> holds = sqlite::storedTextHolds(text.toUtf8(), word.toUtf8());
    QCOMPARE(holds ? int(*holds) : -1, answer);
    // Whatever the stored text tells is what its form holds.
    if (holds) {
        QCOMPARE(*holds, searchForm(text).contains(word));
    }
}

void TestSearch::everyCharacterThatFormsKanjiIsLeftToTheForm()
{
    // A character whose form holds kanji must never let the stored text say
    // that the kanji is not there.
    int forming = 0;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const QString character = QString::fromUcs4(&c, 1);
        for (const QChar unit : searchForm(character)) {
            const QString word(unit);
            if (!sqlite::isKanjiWord(word) || character.contains(word)) {
                continue;
            }
            ++forming;
            // At several places of the text: the start of a block of sixteen
            // bytes, its last byte, and a short text read byte by byte.
            for (const int pad : {0, 12, 13}) {
                const QString text = u"あ"_s + QString(pad, u'x') + character + QString(20, u'y') + u"い"_s;
                QVERIFY2(!sqlite::storedTextHolds(text.toUtf8(), word.toUtf8()).has_value(),
                         qPrintable(u"U+%1 forms %2"_s.arg(quint32(c), 4, 16, QChar(u'0')).arg(word)));
            }
            const QString shortText = u"あ"_s + character;
            QVERIFY(!sqlite::storedTextHolds(shortText.toUtf8(), word.toUtf8()).has_value());
        }
    }
    QVERIFY(forming > 500); // radicals, ㈱ and the like, compatibility ideographs
}

void TestSearch::kanjiWordsOfAShortPeriod_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("found");
    QTest::newRow("plain kanji") << u"請求"_s << u"0105 0103 0102"_s;
    QTest::newRow("formed by a radical") << u"雨"_s << u"0104 0101"_s;
    QTest::newRow("formed by ㈱") << u"株"_s << u"0106"_s;
    QTest::newRow("two kanji words") << u"請求 雨"_s << QString();
    QTest::newRow("kanji and kana") << u"請求 ガス"_s << u"0103"_s;
    QTest::newRow("a mark on the last kanji") << u"請求書"_s << u"0105 0102"_s;
    QTest::newRow("no day") << u"鰻"_s << QString();
}

void TestSearch::kanjiWordsOfAShortPeriod()
{
    // Within a month the days are read one by one and words of kanji are
    // first looked for in the stored texts.
    QFETCH(QString, words);
    QFETCH(QString, found);
    save(QDate(2024, 1, 1), u"雨のち晴れ"_s);
    save(QDate(2024, 1, 2), u"ｾｲｷｭｳｼｮ: 請求書を送付"_s);
    save(QDate(2024, 1, 3), u"ｶﾞｽ代の請求"_s);
    save(QDate(2024, 1, 4), u"⾬。客足少なし"_s);
    save(QDate(2024, 1, 5), u"請求書\u0301の控え"_s);
    save(QDate(2024, 1, 6), u"㈱山田商店"_s);
    save(QDate(2024, 3, 1), u"請求 雨 株 期間の外"_s);
    QCOMPARE(find(words, QDate(2024, 1, 1), QDate(2024, 1, 31)), found);
    QVERIFY(!scans(words));
}

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
