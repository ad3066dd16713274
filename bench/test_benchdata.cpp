// The benchmarks' data sets: what the generator writes, the description the
// figures take their periods and words from, and the durability a floor copies.

#include "centurydata.h"

#include "common/progress.h"
#include "store/search.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

bool isHalfWidthKana(QChar c)
{
    return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F;
}

bool isKanji(QChar c)
{
    return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
}

bool isKana(QChar c)
{
    return c.unicode() >= 0x3041 && c.unicode() <= 0x30FF;
}

// Runs `sql` on the journal of `folder`, giving the first column of each row.
QStringList column(const QString &folder, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *statement = nullptr;
    QStringList values;
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(store::kMainFileName));
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            values.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return values;
}

} // namespace

class TestBenchData : public QObject
{
    Q_OBJECT

private slots:
    void descriptionsMatchTheirCalendar_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("century") << QStringLiteral("century");
        QTest::newRow("full2k") << QStringLiteral("full2k");
    }

    void descriptionsMatchTheirCalendar()
    {
        QFETCH(QString, name);
        const bench::DataSet *set = bench::dataSetNamed(name);
        QVERIFY(set);
        QCOMPARE(set->records, set->firstDay.daysTo(set->lastDay) + 1);
        QCOMPARE(set->period().first, set->firstDay);
        QVERIFY(set->words.split(u' ').size() == 2);
        // The registers' days stay inside the data and do not repeat soon.
        QSet<QDate> days;
        for (int n = 0; n < 500; ++n) {
            const QDate day = set->spreadDay(n);
            QVERIFY(set->period().contains(day));
            days.insert(day);
        }
        QCOMPARE(days.size(), 500);
        QCOMPARE(set->lastDays(10).first, set->lastDay.addDays(-9));
        QCOMPARE(set->lastDays(set->records + 100).first, set->firstDay);
        QVERIFY(!bench::dataSetNamed(QStringLiteral("century-v1")));
    }

    void centuryTextsStayAsBefore()
    {
        // The century data keeps its texts: figures measured before compare.
        for (qint64 day : {0, 1, 36524}) {
            QCOMPARE(bench::memoOf(bench::centuryData(), day), bench::memoOfDay(day));
            QCOMPARE(bench::memoOfDay(day).size(), 100);
        }
    }

    void longTextsMixJapanese()
    {
        int halfWidth = 0;
        int kanji = 0;
        int kana = 0;
        int digits = 0;
        int breaks = 0;
        for (qint64 day = 0; day < 20; ++day) {
            const QString memo = bench::longMemoOfDay(day, 2000);
            QCOMPARE(memo.size(), 2000);
            QVERIFY2(!memo.endsWith(u'\r'), "a line break cut in half");
            QCOMPARE(memo, bench::longMemoOfDay(day, 2000)); // the same on every run
            for (const QChar c : memo) {
                halfWidth += isHalfWidthKana(c);
                kanji += isKanji(c);
                kana += isKana(c);
                digits += c.isDigit();
            }
            breaks += int(memo.count(QStringLiteral("\r\n")));
        }
        QVERIFY(halfWidth > 0 && kanji > 0 && kana > 0 && digits > 0 && breaks > 0);
        QVERIFY(bench::longMemoOfDay(3, 2000) != bench::longMemoOfDay(4, 2000));
    }

    void shortFullCalendarIsMadeAsDescribed()
    {
        QTemporaryDir dir;
        const bench::DataSet set = bench::shortened(bench::fullCalendarData(), QDate(1868, 9, 8), QDate(1868, 12, 31));
        QVERIFY2(bench::makeData(dir.path(), set).isEmpty(), "no data made");
        QCOMPARE(bench::checkDataFolder(dir.path(), set), QString());

        const QStringList lengths = column(dir.path(), "SELECT length(日誌) FROM 業務日誌");
        QCOMPARE(lengths.size(), set.records);
        QCOMPARE(QSet<QString>(lengths.cbegin(), lengths.cend()), QSet<QString>{QStringLiteral("2000")});
        // The amounts of the whole calendar are scaled so that its sums fit
        // the sum boxes as the century's do: about half the highest a day.
        const qint64 highest = column(dir.path(), "SELECT max(売上額) FROM 業務日誌").value(0).toLongLong();
        QVERIFY(highest > 0);
        QVERIFY(highest / 2 * bench::fullCalendarData().records < 10'000'000'000);
        QVERIFY(highest / 2 * bench::fullCalendarData().records > 1'000'000'000);

        // The search index is whole and answers the data set's words.
        auto store = store::makeSqliteStore();
        QVERIFY(!store->open(store::Location::inFolder(dir.path())));
        QCOMPARE(store->searchIndexState(), store::SearchIndexState::Whole);
        for (const QString &words : {set.words, set.character}) {
            store::SearchResult result;
            QVERIFY(!store->search({words, {}, {}, 1000}, result));
            QVERIFY2(result.hits.size() > set.records / 4, qPrintable(words));
        }
        store->close();
        QVERIFY2(!bench::makeData(dir.path(), set).isEmpty(), "made over existing files");
    }

    void checkRefusesOtherData()
    {
        QTemporaryDir dir;
        const bench::DataSet set = bench::shortened(bench::centuryData(), QDate(2025, 12, 1), QDate(2025, 12, 31));
        QVERIFY(bench::makeData(dir.path(), set).isEmpty());
        QVERIFY(!bench::checkDataFolder(dir.path(), bench::centuryData()).isEmpty());
        const QString other =
            bench::checkDataFolder(dir.path(), bench::shortened(set, QDate(2025, 12, 2), QDate(2025, 12, 31)));
        QVERIFY2(other.contains(QStringLiteral("31 records")), qPrintable(other));
        column(dir.path(), "DELETE FROM 業務日誌 WHERE 日付 = '2025-12-15' RETURNING 日付");
        QVERIFY(!bench::checkDataFolder(dir.path(), set).isEmpty());
    }

    void floorsSyncTheWorkFileAsTheProgram()
    {
        QTemporaryDir dir;
        QVERIFY(
            bench::makeData(dir.path(), bench::shortened(bench::centuryData(), QDate(2025, 1, 1), QDate(2025, 1, 31)))
                .isEmpty());
        QString error;
        const QDir folder(dir.path());
        const QByteArray main = bench::programPragmas(folder.filePath(store::kMainFileName), &error);
        const QByteArray work = bench::programAttachedPragmas(folder.filePath(store::kMainFileName),
                                                              folder.filePath(store::kWorkFileName), &error);
        QCOMPARE(error, QString());
        // SQLite would attach the work file at its default, FULL (2): the program raises it to the journal's.
        QVERIFY2(main.contains("synchronous = 3"), main.constData());
        QCOMPARE(work, QByteArray("PRAGMA work.synchronous = 3;"));
        QVERIFY(bench::programAttachedPragmas(folder.filePath(store::kMainFileName),
                                              folder.filePath(QStringLiteral("none.mdb")), &error)
                    .isEmpty());
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBenchData)
#include "test_benchdata.moc"
