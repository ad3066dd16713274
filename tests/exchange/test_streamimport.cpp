// Large CSV files brought into the journal as they are read: the program's own
// export of long texts read back exactly, rows that straddle the reading's
// chunks, refusals counted beyond those kept, a file changed after its preview,
// and a peak memory that does not follow the file's size.

#include "../../bench/peakmemory.h"
#include "exchange/csvimport.h"
#include "exchange/csvreader.h"
#include "exportfixture.h"

#include <QCoreApplication>
#include <QProcess>

using namespace exporttest;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kHeader = QByteArrayLiteral("日付,売上額,仕入額,入金額,出金額,日誌\r\n");
// A function, not a constant: the calendar's bounds are themselves constants
// of another file, not yet made when this file's constants are.
store::Period everyDay()
{
    return {common::kFirstDate, common::kLastDate};
}

// A day's long text as shops write it: Japanese and ASCII, line breaks, quotes and commas.
QString longText(int day, qsizetype length)
{
    static const QStringList pieces{u"本日は晴天、"_s,
                                    u"山田様より\"至急\"の電話。"_s,
                                    u"請求書 No.1,234 送付\n"_s,
                                    u"ｶﾀｶﾅ半角と全角ＡＢＣ"_s,
                                    u"在庫: 棚卸し, 差異なし。"_s,
                                    u"\n"_s,
                                    u"雨"_s};
    QString text;
    text.reserve(length + 32);
    for (int i = day; text.size() < length; ++i) {
        text += pieces.at(i % pieces.size());
    }
    text.truncate(length);
    if (text.endsWith(u'\n')) {
        text.back() = u'。';
    }
    return text;
}

QStringList describe(store::Store &store)
{
    QStringList lines;
    const store::DbError error = store.forEachRecord(everyDay(), [&](const store::JournalRecord &record) {
        QStringList parts{record.date.toString(Qt::ISODate)};
        for (const store::AmountColumn column : store::kAmountColumns) {
            parts.append(record.amounts[column] ? QString::number(*record.amounts[column]) : u"none"_s);
        }
        lines.append(parts.join(u'|') + u"|["_s + record.text + u']');
        return true;
    });
    return error ? QStringList{u"unreadable"_s} : lines;
}

// A CSV file of `days` days from 1900/01/01 with texts of `length` characters, written as it is made.
[[maybe_unused]] bool writeLongFile(const QString &path, int days, qsizetype length)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kHeader) != kHeader.size()) {
        return false;
    }
    const QDate first(1900, 1, 1);
    for (int i = 0; i < days; ++i) {
        QString text = longText(i, length);
        text.replace(u"\""_s, u"\"\""_s).replace(u"\n"_s, u"\r\n"_s);
        const QByteArray row = u"%1,%2,,,%3,\"%4\"\r\n"_s.arg(first.addDays(i).toString(u"yyyy/MM/dd"_s))
                                   .arg(i * 10)
                                   .arg(i % 7 == 0 ? u""_s : QString::number(i))
                                   .arg(text)
                                   .toUtf8();
        if (file.write(row) != row.size()) {
            return false;
        }
    }
    return file.flush();
}

// Run in a child process: previews and imports `csv` into the data folder,
// then prints the days written, the process's peak memory in KiB, and
// the peak the preview had reached.
int importAndTellPeak(const QString &folder, const QString &csv)
{
    std::optional<store::OpenFailure> failure;
    const std::unique_ptr<store::Store> store = testsupport::openStore(folder, failure);
    if (!store) {
        return 3;
    }
    common::NoProgress quiet;
    const exchange::ImportPreview preview = exchange::previewCsvImport(*store, csv, {}, quiet);
    const qint64 afterPreview = bench::peakResidentKib();
    const exchange::Imported imported = exchange::importCsv(*store, preview, {}, quiet);
    if (preview.failure || imported.failure) {
        std::fprintf(stderr, "%s\n", qPrintable(preview.failure.value_or(imported.failure.value_or(QString()))));
        return 4;
    }
    std::printf("%lld %lld %lld\n", static_cast<long long>(imported.added),
                static_cast<long long>(bench::peakResidentKib()), static_cast<long long>(afterPreview));
    return 0;
}

} // namespace

class TestStreamImport : public QObject
{
    Q_OBJECT

private slots:
    void ownExportOfLongTextsReadsBack();
    void rowsAcrossChunks();
    void refusalsCountedBeyondThoseKept();
    void fileChangedAfterPreviewIsRefused_data();
    void fileChangedAfterPreviewIsRefused();
    void peakMemoryDoesNotFollowFileSize();
};

void TestStreamImport::ownExportOfLongTextsReadsBack()
{
    // Enough days of 2,000 characters for the file to span many reading chunks.
    constexpr int kDays = 1200;
    QList<Day> days;
    const QDate first(1868, 9, 8);
    for (int i = 0; i < kDays; ++i) {
        Day day{first.addDays(i * 70).toString(Qt::ISODate), {}, longText(i, 2000)};
        day.amounts[0] = i % 5 == 0 ? std::nullopt : std::optional<qint64>(qint64(i) * 1'000'003 % 9'999'999'999);
        day.amounts[3] = -qint64(i);
        days.append(day);
    }
    ExportFolder source;
    QVERIFY(source.open(days));
    common::NoProgress quiet;
    const QString csv = source.out.filePath(u"all.csv"_s);
    const exchange::Exported exported = exchange::exportJournal(*source.store, everyDay(), {csv}, quiet);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    QVERIFY(QFileInfo(csv).size() > 4 * exchange::kCsvChunk);

    ExportFolder target;
    QVERIFY(target.open({}));
    const exchange::ImportPreview preview = exchange::previewCsvImport(*target.store, csv, {}, quiet);
    QVERIFY2(!preview.failure, qPrintable(preview.failure.value_or(QString())));
    QCOMPARE(preview.refusedRows, 0);
    QCOMPARE(preview.days, kDays);
    QCOMPARE(preview.newDays, kDays);
    const exchange::Imported imported = exchange::importCsv(*target.store, preview, {}, quiet);
    QVERIFY2(!imported.failure, qPrintable(imported.failure.value_or(QString())));
    QCOMPARE(imported.added, kDays);
    QCOMPARE(describe(*target.store), describe(*source.store));
}

void TestStreamImport::rowsAcrossChunks()
{
    // Every byte of these rows takes its turn at the end of the first chunk:
    // a doubled quote, CRLF inside quotes, a character of three bytes, a lone
    // CR ending a row, CRLF ending one.
    const QByteArray rows = QByteArrayLiteral("2007/04/05,\"a\"\"b\r\n日c\",\r\n2007/04/06,d,\r2007/04/07,\"e\",\r\n"
                                              "2007/04/08,f,x,extra\r\n");
    const QByteArray header = QByteArrayLiteral("日付,日誌,メモ\r\n");
    const QByteArray lead = QByteArrayLiteral("2007/04/04,a,");
    for (qsizetype shift = 0; shift <= rows.size(); ++shift) {
        ExportFolder target;
        QVERIFY(target.open({}));
        const qsizetype padding = exchange::kCsvChunk - shift - header.size() - lead.size() - 2;
        const QByteArray bytes = header + lead + QByteArray(padding, 'x') + "\r\n" + rows;
        const QString path = target.out.filePath(u"in.csv"_s);
        QVERIFY(writeAll(path, bytes));
        common::NoProgress quiet;
        const exchange::ImportPreview preview = exchange::previewCsvImport(*target.store, path, {}, quiet);
        QVERIFY2(!preview.failure, qPrintable(preview.failure.value_or(QString())));
        QStringList texts;
        for (const store::JournalRecord &day : preview.firstDays) {
            texts.append(day.date.toString(u"MM/dd"_s) + u'=' + day.text);
        }
        const QString at = u"shift %1"_s.arg(shift);
        QVERIFY2(texts == (QStringList{u"04/04=a"_s, u"04/05=a\"b\n日c"_s, u"04/06=d"_s, u"04/07=e"_s}),
                 qPrintable(at + u": "_s + texts.join(u" | "_s)));
        QCOMPARE(preview.refusedRows, 1);
        QVERIFY2(preview.refused.first().line == 7, qPrintable(at));
    }
}

void TestStreamImport::refusalsCountedBeyondThoseKept()
{
    // One date on every row: each row refused, the list kept short, the count whole.
    constexpr int kRows = int(exchange::kKeptRefusals) + 200;
    QByteArray bytes = kHeader;
    for (int i = 0; i < kRows; ++i) {
        bytes += "2007/04/05,1,,,,x\r\n";
    }
    bytes += "2007/04/06,2,,,,kept\r\n";
    ExportFolder target;
    QVERIFY(target.open({}));
    const QString path = target.out.filePath(u"in.csv"_s);
    QVERIFY(writeAll(path, bytes));
    common::NoProgress quiet;
    const exchange::ImportPreview preview = exchange::previewCsvImport(*target.store, path, {}, quiet);
    QVERIFY(!preview.failure);
    QCOMPARE(preview.refusedRows, kRows);
    QCOMPARE(preview.refused.size(), exchange::kKeptRefusals);
    QCOMPARE(preview.refused.first().line, 2);
    QCOMPARE(preview.refused.last().line, exchange::kKeptRefusals + 1);
    QCOMPARE(preview.refused.first().reason,
             u"同じ日付が 3 行目、4 行目、5 行目、6 行目、7 行目ほか %1 行にもあります。"_s.arg(kRows - 1 - 5));
    QCOMPARE(preview.refused.at(3).reason,
             u"同じ日付が 2 行目、3 行目、4 行目、6 行目、7 行目ほか %1 行にもあります。"_s.arg(kRows - 1 - 5));
    QCOMPARE(preview.days, 1);
    const exchange::Imported imported = exchange::importCsv(*target.store, preview, {}, quiet);
    QVERIFY(!imported.failure);
    QCOMPARE(describe(*target.store), QStringList{u"2007-04-06|2|none|none|none|[kept]"_s});
}

void TestStreamImport::fileChangedAfterPreviewIsRefused_data()
{
    QTest::addColumn<QByteArray>("changed");
    QTest::addColumn<bool>("sameTime");
    // Same size and the same time of change: only the bytes read tell.
    QTest::newRow("a digit, time put back") << QByteArray("2007/04/05,9,,,,a\r\n2007/04/06,2,,,,b\r\n") << true;
    QTest::newRow("a row more") << QByteArray("2007/04/05,1,,,,a\r\n2007/04/06,2,,,,b\r\n2007/04/07,3,,,,c\r\n")
                                << false;
}

void TestStreamImport::fileChangedAfterPreviewIsRefused()
{
    QFETCH(QByteArray, changed);
    QFETCH(bool, sameTime);
    ExportFolder target;
    QVERIFY(target.open({{u"2007-04-01"_s, {1}, u"before"_s}}));
    const QString path = target.out.filePath(u"in.csv"_s);
    QVERIFY(writeAll(path, kHeader + "2007/04/05,1,,,,a\r\n2007/04/06,2,,,,b\r\n"));
    common::NoProgress quiet;
    const exchange::ImportPreview preview = exchange::previewCsvImport(*target.store, path, {}, quiet);
    QCOMPARE(preview.days, 2);
    const QDateTime modified = QFileInfo(path).lastModified();
    QVERIFY(writeAll(path, kHeader + changed));
    if (sameTime) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    const exchange::Imported imported = exchange::importCsv(*target.store, preview, {}, quiet);
    QVERIFY2(imported.failure && imported.failure->contains(u"確かめた後に変わりました"_s),
             qPrintable(imported.failure.value_or(u"imported"_s)));
    QCOMPARE(describe(*target.store), QStringList{u"2007-04-01|1|none|none|none|[before]"_s});
}

// Built with AddressSanitizer, freed memory is held back in quarantine: a
// peak then says nothing about what the import keeps.
#if defined(__SANITIZE_ADDRESS__)
#define ZEPHRA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEPHRA_ADDRESS_SANITIZER 1
#endif
#endif

void TestStreamImport::peakMemoryDoesNotFollowFileSize()
{
#if !defined(Q_OS_LINUX)
    QSKIP("the peak is read from Linux's /proc");
#elif defined(ZEPHRA_ADDRESS_SANITIZER)
    QSKIP("the address sanitizer holds freed memory back: peaks are measured without it");
#else
    QTemporaryDir files;
    QList<qint64> peaks;
    QList<qint64> previewPeaks;
    QList<qint64> fileKib;
    for (const int days : {2'000, 20'000}) {
        testsupport::TempData data;
        QVERIFY(data.ok());
        const QString csv = files.filePath(u"%1.csv"_s.arg(days));
        QVERIFY(writeLongFile(csv, days, 2000));
        fileKib.append(QFileInfo(csv).size() / 1024);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {u"--import-and-tell-peak"_s, data.folder(), csv});
        QVERIFY(child.waitForFinished(600'000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAllStandardError().constData());
        const QList<QByteArray> told = child.readAllStandardOutput().trimmed().split(' ');
        QCOMPARE(told.size(), 3);
        QCOMPARE(told.at(0).toLongLong(), days);
        peaks.append(told.at(1).toLongLong());
        previewPeaks.append(told.at(2).toLongLong());
        QVERIFY(peaks.last() > 0 && previewPeaks.last() > 0);
        qInfo("%d days (%lld KiB): peak %lld KiB, %lld KiB after the preview", days,
              static_cast<long long>(fileKib.last()), static_cast<long long>(peaks.last()),
              static_cast<long long>(previewPeaks.last()));
    }
    // The larger file is ten times the smaller (about 100 MB more). The preview
    // keeps a few numbers per date: its peak hardly moves.
    QVERIFY2(previewPeaks.at(1) < previewPeaks.at(0) + 16 * 1024,
             qPrintable(u"%1 KiB against %2 KiB"_s.arg(previewPeaks.at(1)).arg(previewPeaks.at(0))));
    // The whole import neither: the index entries waiting for the end are
    // written out in batches, and a number per day is kept for the read-back
    // (holding the texts would cost about the file's size again).
    QVERIFY2(peaks.at(1) < peaks.at(0) + 24 * 1024,
             qPrintable(u"%1 KiB against %2 KiB"_s.arg(peaks.at(1)).arg(peaks.at(0))));
#endif
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--import-and-tell-peak") == 0) {
        return importAndTellPeak(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    TestStreamImport test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_streamimport.moc"
