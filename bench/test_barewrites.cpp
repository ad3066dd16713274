// The floors of the import and the search index: the CSV split over any
// chunking, and that each floor leaves the journal file as the program does,
// so that the figures compare the same work.

#include "barewrites.h"
#include "centurydata.h"
#include "exchange/export.h"

#include "app/importcsvcommand.h"
#include "common/progress.h"
#include "store/engines.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

using Rows = QList<QStringList>;

// The rows of `sql` on the journal file of `folder`, each column as text ("-" for null).
Rows query(const QString &folder, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *statement = nullptr;
    Rows rows;
    if (sqlite3_open_v2(QFile::encodeName(QDir(folder).filePath(store::kMainFileName)).constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int k = 0; k < sqlite3_column_count(statement); ++k) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, k));
                row.append(text ? QString::fromUtf8(text) : QStringLiteral("-"));
            }
            rows.append(row);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

const char *const kJournal = "SELECT 日付, 売上額, 仕入額, 入金額, 出金額, 日誌 FROM 業務日誌 ORDER BY 日付";
const char *const kIndex =
    "SELECT j.日付, i.本文 FROM 日誌索引 AS i JOIN 業務日誌 AS j ON j.rowid = i.rowid ORDER BY j.日付";

// Texts of mixed Japanese with line breaks, half-width kana and full-width letters.
const bench::DataSet kSet = bench::shortened(bench::fullCalendarData(), QDate(1868, 9, 8), QDate(1868, 10, 20));

QString emptyData(const QTemporaryDir &dir, const QString &name)
{
    const QString folder = QDir(dir.path()).filePath(name);
    QDir().mkpath(folder);
    const store::Creation made = store::createEmptyData(store::Location::inFolder(folder));
    return made.error ? QString() : folder;
}

} // namespace

class TestBareWrites : public QObject
{
    Q_OBJECT

private slots:
    void splitsWhateverTheChunks_data()
    {
        QTest::addColumn<int>("chunk");
        for (const int chunk : {1, 2, 3, 7, 64, 4096}) {
            QTest::addRow("chunk %d", chunk) << chunk;
        }
    }

    void splitsWhateverTheChunks()
    {
        QFETCH(int, chunk);
        const std::string csv = "日付,日誌\r\n"
                                "2024/01/02,\"売上, 現金\"\r\n"
                                "2024/01/03,\"彼は\"\"はい\"\"と\r\n言った\"\r\n"
                                ",,\r\n"
                                "2024/01/04,\"\"\r\n"
                                "2024/01/05,最後";
        const std::vector<std::vector<std::string>> expected{
            {"日付", "日誌"}, {"2024/01/02", "売上, 現金"}, {"2024/01/03", "彼は\"はい\"と\n言った"},
            {"", "", ""},     {"2024/01/04", ""},           {"2024/01/05", "最後"}};
        std::vector<std::vector<std::string>> records;
        const bench::CsvSplitter::Record keep = [&records](std::vector<std::string> &fields) {
            records.push_back(fields);
            return true;
        };
        bench::CsvSplitter split;
        for (std::size_t at = 0; at < csv.size(); at += std::size_t(chunk)) {
            QVERIFY(split.feed(csv.data() + at, std::min(std::size_t(chunk), csv.size() - at), keep));
        }
        QVERIFY(split.finish(keep));
        QCOMPARE(records, expected);
    }

    void stopsWhenTheRecordSaysSo()
    {
        int seen = 0;
        bench::CsvSplitter split;
        const std::string csv = "a\nb\nc\n";
        QVERIFY(!split.feed(csv.data(), csv.size(), [&seen](std::vector<std::string> &) { return ++seen < 2; }));
        QCOMPARE(seen, 2);
    }

    // The floor's import leaves the same journal and index as the command's import of the same export.
    void bareImportWritesWhatTheCommandWrites()
    {
        QTemporaryDir dir;
        const QString source = QDir(dir.path()).filePath(QStringLiteral("source"));
        QVERIFY(bench::makeData(source, kSet).isEmpty());
        const QString csv = QDir(dir.path()).filePath(QStringLiteral("journal.csv"));
        {
            auto store = store::makeSqliteStore();
            QVERIFY(!store->open(store::Location::inFolder(source)));
            common::NoProgress quiet;
            const exchange::Exported exported = exchange::exportJournal(
                *store, kSet.period(), {csv, exchange::Format::Csv, exchange::Encoding::Utf8, {}, true}, quiet);
            QVERIFY(!exported.failure);
            QCOMPARE(exported.rows, qint64(kSet.records));
        }
        const QString program = emptyData(dir, QStringLiteral("program"));
        const QString floor = emptyData(dir, QStringLiteral("floor"));
        QVERIFY(!program.isEmpty() && !floor.isEmpty());
        const app::CommandResult result = app::importCsvCommand({csv}, program);
        QVERIFY2(result.exitStatus == 0, qPrintable(result.message));

        QString error;
        const QString floorFile = QDir(floor).filePath(store::kMainFileName);
        const QByteArray pragmas = bench::programPragmas(floorFile, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(bench::bareCsvImport(csv, floorFile, pragmas, &error), qint64(kSet.records));
        QVERIFY2(error.isEmpty(), qPrintable(error));

        // The import keeps a line break of the file as LF alone, as the journal's text box writes it.
        Rows journal = query(source, kJournal);
        QCOMPARE(journal.size(), kSet.records);
        QVERIFY(std::any_of(journal.cbegin(), journal.cend(),
                            [](const QStringList &row) { return row.last().contains(u'\n'); }));
        for (QStringList &row : journal) {
            row.last().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        }
        QCOMPARE(query(program, kJournal), journal);
        QCOMPARE(query(floor, kJournal), journal);
        QCOMPARE(query(floor, kIndex), query(program, kIndex));
    }

    void bareImportRefusesARowOfOtherColumns()
    {
        QTemporaryDir dir;
        const QString floor = emptyData(dir, QStringLiteral("floor"));
        const QString csv = QDir(dir.path()).filePath(QStringLiteral("short.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBF日付,売上額,仕入額,入金額,出金額,日誌\r\n2024/01/02,1,2,3,4,a\r\n2024/01/03,1\r\n");
        file.close();
        QString error;
        const QString floorFile = QDir(floor).filePath(store::kMainFileName);
        const QByteArray pragmas = bench::programPragmas(floorFile, &error);
        bench::bareCsvImport(csv, floorFile, pragmas, &error);
        QVERIFY(!error.isEmpty());
        // Nothing of the file is kept: the one transaction was rolled back.
        QCOMPARE(query(floor, "SELECT count(*) FROM 業務日誌"), Rows{{QStringLiteral("0")}});
    }

    // The floor's index holds the texts the store's own build puts there.
    void bareIndexHoldsWhatTheStoreBuilds()
    {
        QTemporaryDir dir;
        const QString program = QDir(dir.path()).filePath(QStringLiteral("program"));
        const QString floor = QDir(dir.path()).filePath(QStringLiteral("floor"));
        QVERIFY(bench::makeData(program, kSet).isEmpty());
        QVERIFY(bench::copyDataFolder(program, floor).isEmpty());
        {
            auto store = store::makeSqliteStore();
            QVERIFY(!store->open(store::Location::inFolder(program)));
            common::NoProgress quiet;
            QVERIFY(!store->buildSearchIndex(quiet));
        }
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(QDir(floor).filePath(store::kMainFileName)).constData(), &db,
                                 SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        QVERIFY(bench::registerSearchForm(db));
        QString error;
        const qint64 rows = bench::bareIndexBuild(db, &error);
        sqlite3_close(db);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows, qint64(kSet.records));
        const Rows index = query(program, kIndex);
        QCOMPARE(index.size(), kSet.records);
        QCOMPARE(query(floor, kIndex), index);
        // The search form differs from the raw text somewhere (half-width kana, full-width letters).
        const Rows raw = query(program, "SELECT 日付, 日誌 FROM 業務日誌 ORDER BY 日付");
        QVERIFY(raw != index);
    }
};

QTEST_GUILESS_MAIN(TestBareWrites)
#include "test_barewrites.moc"
