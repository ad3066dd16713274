// The command line's import, judged and written in one reading: the journal
// and its search index left as the preview and the import would leave them,
// a refused row late in a large file leaving nothing written, and
// `zephra --import-csv` telling such rows and failed writes as before.

#include "exchange/csvimport.h"
#include "exchange/csvreader.h"
#include "exportfixture.h"

#include "support/sqlfile.h"

using namespace exporttest;
using namespace Qt::StringLiterals;
using exchange::ExistingDays;
using exchange::OnePassImport;

namespace {

const QByteArray kHeader = QByteArrayLiteral("日付,売上額,仕入額,入金額,出金額,日誌\r\n");
const QDate kFirst(1990, 1, 1);
// Rows enough, with texts long enough, for the file to span more than one reading chunk.
constexpr int kRows = 2500;

// Row `i` of a file of days from kFirst: amounts with gaps and signs, a text
// with quotes, commas, a line break and the export's formula guard.
QByteArray row(int i)
{
    QString text = u"%1日目、山田様より\"至急\"の電話。\n請求書 No.1,234 送付。"_s.arg(i).repeated(8);
    if (i % 11 == 0) {
        text = u"'=SUM(A1)"_s;
    }
    text.replace(u"\""_s, u"\"\""_s).replace(u"\n"_s, u"\r\n"_s);
    return u"%1,%2,%3,,%4,\"%5\"\r\n"_s.arg(kFirst.addDays(i).toString(u"yyyy/MM/dd"_s))
        .arg(i * 1000)
        .arg(i % 3 == 0 ? u""_s : QString::number(-i))
        .arg(i % 7 == 0 ? u""_s : QString::number(i))
        .arg(text)
        .toUtf8();
}

QByteArray rows(int count)
{
    QByteArray bytes = kHeader;
    for (int i = 0; i < count; ++i) {
        bytes += row(i);
    }
    return bytes;
}

// Days the journal holds before the import: among the file's days, and one outside them.
const QList<Day> kBefore{{u"1990-01-03"_s, {5, {}, {}, 1}, u"元の日誌"_s},
                         {u"1990-01-12"_s, {{}, 7, {}, {}}, std::nullopt},
                         {u"2001-02-03"_s, {9}, u"ファイルにない日"_s}};

// The journal and its search index as their rows read.
QStringList journalAndIndex(const testsupport::TempData &data)
{
    return testsupport::rowsOf(data.mainPath(), u"業務日誌"_s) + QStringList{u"--"_s} +
           testsupport::rowsOf(data.mainPath(), u"日誌索引"_s);
}

QString describe(const exchange::Imported &imported)
{
    return u"added %1 replaced %2 kept %3 addedTo %4 refused %5 failure %6"_s.arg(imported.added)
        .arg(imported.replaced)
        .arg(imported.kept)
        .arg(imported.addedTo)
        .arg(imported.refused)
        .arg(imported.failure.value_or(u"-"_s));
}

} // namespace

class TestOnePassImport : public QObject
{
    Q_OBJECT

private slots:
    void sameAsPreviewThenImport_data();
    void sameAsPreviewThenImport();
    void lateRefusalLeavesNothingWritten_data();
    void lateRefusalLeavesNothingWritten();
    void indexEntriesFollowTheirDays();
    void commandTellsLateRefusal();
    void commandTellsFailedWrite();
};

void TestOnePassImport::sameAsPreviewThenImport_data()
{
    QTest::addColumn<ExistingDays>("existing");
    QTest::newRow("keep") << ExistingDays::Keep;
    QTest::newRow("replace") << ExistingDays::Replace;
    QTest::newRow("add") << ExistingDays::Add;
}

void TestOnePassImport::sameAsPreviewThenImport()
{
    QFETCH(ExistingDays, existing);
    ExportFolder twoReadings;
    ExportFolder oneReading;
    QVERIFY(twoReadings.open(kBefore) && oneReading.open(kBefore));
    const QString csv = twoReadings.out.filePath(u"in.csv"_s);
    QVERIFY(writeAll(csv, rows(kRows)));
    QVERIFY(QFileInfo(csv).size() > exchange::kCsvChunk);
    common::NoProgress quiet;

    const exchange::ImportPreview preview = exchange::previewCsvImport(*twoReadings.store, csv, {}, quiet);
    QVERIFY2(!preview.failure && preview.refusedRows == 0, qPrintable(preview.failure.value_or(u"refused"_s)));
    const exchange::Imported imported = exchange::importCsv(*twoReadings.store, preview, {existing}, quiet);
    QVERIFY2(!imported.failure, qPrintable(imported.failure.value_or(QString())));

    const OnePassImport once = exchange::importCsvInOnePass(*oneReading.store, csv, {}, {existing}, quiet);
    QCOMPARE(once.outcome, OnePassImport::Done);
    QCOMPARE(describe(once.imported), describe(imported));
    QCOMPARE(once.preview.days, preview.days);
    QCOMPARE(once.preview.newDays, preview.newDays);
    QCOMPARE(once.preview.existingDays, preview.existingDays);
    QCOMPARE(once.preview.encoding, preview.encoding);
    QVERIFY(once.preview.encodingDetected);
    QCOMPARE(once.preview.refusedRows, 0);
    QCOMPARE(journalAndIndex(oneReading.data), journalAndIndex(twoReadings.data));
    QCOMPARE(testsupport::countOn(oneReading.data.mainPath(), u"業務日誌"_s), kRows + 1);
}

void TestOnePassImport::lateRefusalLeavesNothingWritten_data()
{
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<ExistingDays>("existing");
    const QByteArray lastDate = kFirst.addDays(kRows).toString(u"yyyy/MM/dd"_s).toUtf8();
    QTest::newRow("an amount unreadable") << QByteArray(lastDate + ",12a,,,,x\r\n") << ExistingDays::Replace;
    QTest::newRow("fewer fields") << QByteArray(lastDate + ",1,,,\r\n") << ExistingDays::Keep;
    QTest::newRow("the first day again") << QByteArray("1990/01/01,1,,,,x\r\n") << ExistingDays::Replace;
    QTest::newRow("a quote never closed") << QByteArray(lastDate + ",1,,,,\"x\r\n") << ExistingDays::Keep;
    QTest::newRow("bytes not UTF-8") << QByteArray(lastDate + ",1,,,,\x82\xa0\r\n") << ExistingDays::Keep;
    // The journal's day holds 9,999,999,995 in 売上額: adding 5 more leaves the range.
    QTest::newRow("a sum beyond the range") << QByteArray("2001/02/03,5,,,,x\r\n") << ExistingDays::Add;
}

void TestOnePassImport::lateRefusalLeavesNothingWritten()
{
    QFETCH(QByteArray, last);
    QFETCH(ExistingDays, existing);
    QList<Day> before = kBefore;
    before.last().amounts[0] = 9'999'999'995;
    ExportFolder target;
    QVERIFY(target.open(before));
    const QString csv = target.out.filePath(u"in.csv"_s);
    QVERIFY(writeAll(csv, rows(kRows) + last));
    const QByteArray bytes = testsupport::dataBytes(target.data.folder());
    const QStringList journal = journalAndIndex(target.data);

    common::NoProgress quiet;
    const OnePassImport once =
        exchange::importCsvInOnePass(*target.store, csv, exchange::Encoding::Utf8, {existing}, quiet);
    QCOMPARE(once.outcome, OnePassImport::Judge);
    QCOMPARE(describe(once.imported), describe({}));
    QVERIFY(testsupport::dataBytes(target.data.folder()) == bytes);
    QCOMPARE(journalAndIndex(target.data), journal);

    // The store goes on: judging the file names the row in its place.
    const exchange::ImportPreview preview =
        exchange::previewCsvImport(*target.store, csv, exchange::Encoding::Utf8, quiet);
    QVERIFY(!preview.failure);
    QCOMPARE(preview.refusedRows + (existing == ExistingDays::Add ? preview.daysNotAdded : 0),
             last.startsWith("1990/01/01") ? 2 : 1);
}

void TestOnePassImport::indexEntriesFollowTheirDays()
{
    // Another program's trigger writes a row of its own table for each day added: the index
    // entry goes under the day's row all the same.
    ExportFolder target;
    QVERIFY(target.open({}));
    QVERIFY(
        testsupport::execOn(target.data.mainPath(),
                            u"CREATE TABLE 控え (n INTEGER PRIMARY KEY, 日付 TEXT); INSERT INTO 控え VALUES (5000, '');"
                            "CREATE TRIGGER 控える AFTER INSERT ON 業務日誌 "
                            "BEGIN INSERT INTO 控え (日付) VALUES (NEW.日付); END"_s));
    const QString csv = target.out.filePath(u"in.csv"_s);
    QVERIFY(writeAll(csv, kHeader + "2007/04/05,1,,,,alpha\r\n2007/04/06,2,,,,beta\r\n2007/04/07,3,,,,gamma\r\n"));
    common::NoProgress quiet;
    const OnePassImport once = exchange::importCsvInOnePass(*target.store, csv, {}, {}, quiet);
    QCOMPARE(once.outcome, OnePassImport::Done);
    testsupport::SqlFile file(target.data.mainPath());
    const QList<QVariantList> pairs = file.select(u"SELECT j.日付, i.本文 FROM 業務日誌 j LEFT JOIN 日誌索引 i "
                                                  "ON i.rowid = j.rowid ORDER BY j.日付"_s);
    QStringList found;
    for (const QVariantList &pair : pairs) {
        found.append(pair.value(0).toString() + u'=' + pair.value(1).toString());
    }
    QCOMPARE(found, (QStringList{u"2007-04-05=alpha"_s, u"2007-04-06=beta"_s, u"2007-04-07=gamma"_s}));
    QCOMPARE(file.count(u"日誌索引"_s), 3);
}

void TestOnePassImport::commandTellsLateRefusal()
{
    Installed zephra;
    QVERIFY(zephra.make(kBefore));
    const QByteArray good = rows(kRows);
    const qsizetype badLine = good.count('\n') + 1;
    QVERIFY(writeAll(zephra.path(u"in.csv"_s),
                     good + kFirst.addDays(kRows).toString(u"yyyy/MM/dd"_s).toUtf8() + ",abc,,,,x\r\n"));
    const auto journal = [&] {
        return testsupport::rowsOf(zephra.mainPath(), u"業務日誌"_s) +
               testsupport::rowsOf(zephra.mainPath(), u"日誌索引"_s);
    };
    const QStringList before = journal();

    const Outcome stopped = zephra.run({u"in.csv"_s}, u"--import-csv"_s);
    QCOMPARE(stopped.exitCode, 1);
    QVERIFY2(stopped.err.contains(
                 u"  取り込めない行: 1 行\n  %1 行目 売上額: 金額として読めません（「abc」）。\n"_s.arg(badLine)) &&
                 stopped.err.contains(u"--skip-refused"_s) && stopped.err.contains(u"新しい日: 2,498 日"_s),
             qPrintable(stopped.err));
    QCOMPARE(journal(), before);

    const Outcome skipped = zephra.run({u"in.csv"_s, u"--skip-refused"_s}, u"--import-csv"_s);
    QVERIFY2(skipped.exitCode == 0, qPrintable(skipped.err));
    QVERIFY2(
        skipped.out.contains(u"追加 2,498 日、置き換え 0 日、今の記録を残した日 2 日、取り込まなかった行 1 行。"_s),
        qPrintable(skipped.out));
    QCOMPARE(testsupport::countOn(zephra.mainPath(), u"業務日誌"_s), kRows + 1);

    // A clean file goes in at one reading and is told as a preview tells it.
    QVERIFY(writeAll(zephra.path(u"more.csv"_s), kHeader + "2050/01/01,1,,,,x\r\n1990/01/05,2,,,,y\r\n"));
    const Outcome replaced = zephra.run({u"more.csv"_s, u"--existing"_s, u"replace"_s}, u"--import-csv"_s);
    QVERIFY2(replaced.exitCode == 0, qPrintable(replaced.err));
    QVERIFY2(replaced.out.contains(
                 u"  新しい日: 1 日\n  既に記録がある日: 1 日（ファイルの内容で置き換えます）\n"
                 u"  取り込めない行: 0 行\n取り込みました: 追加 1 日、置き換え 1 日、今の記録を残した日 0 日。\n"_s),
             qPrintable(replaced.out));
}

void TestOnePassImport::commandTellsFailedWrite()
{
    Installed zephra;
    QVERIFY(zephra.make(kBefore));
    // A day that reads back otherwise than written.
    QVERIFY(testsupport::execOn(zephra.mainPath(),
                                u"CREATE TRIGGER fault AFTER INSERT ON 業務日誌 WHEN NEW.日付 = '1990-01-07' "
                                "BEGIN UPDATE 業務日誌 SET 日誌 = '別' WHERE 日付 = NEW.日付; END"_s));
    QVERIFY(writeAll(zephra.path(u"in.csv"_s), rows(10)));
    const QStringList before = testsupport::rowsOf(zephra.mainPath(), u"業務日誌"_s);

    const Outcome failed = zephra.run({u"in.csv"_s}, u"--import-csv"_s);
    QCOMPARE(failed.exitCode, 1);
    QVERIFY2(failed.err.contains(u"  新しい日: 9 日\n  既に記録がある日: 1 日（今の記録を残します）\n"_s) &&
                 failed.err.endsWith(
                     u"1990/01/07 の記録を読み返すと、書き込んだ内容と違っていました。何も取り込んでいません。\n"_s),
             qPrintable(failed.err));
    QCOMPARE(testsupport::rowsOf(zephra.mainPath(), u"業務日誌"_s), before);
}

QTEST_GUILESS_MAIN(TestOnePassImport)
#include "test_onepassimport.moc"
