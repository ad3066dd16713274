// `zephra --export` end to end: the program run on its own data folder, what
// it writes and says, and the command lines it refuses.

#include "exportfixture.h"

#include "common/datalock.h"
#include "store/sqlitefiles.h"

#include <QJsonArray>

#if defined(Q_OS_LINUX)
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace exporttest;
using namespace Qt::StringLiterals;

namespace {

const QList<Day> kDays{
    {u"2007-03-31"_s, {1}, u"前の月"_s},
    {u"2007-04-05"_s, {1200, std::nullopt, 0, -5}, u"売上, 仕入\n二行目"_s},
    {u"2007-04-06"_s, {10, 20, 30, 40}, u"本日は晴れ。"_s},
};

} // namespace

class TestExportCommand : public QObject
{
    Q_OBJECT

private slots:
    void writesTheJournalAndSaysWhere();
    void totalsFillTheWorkTableFirst();
    void sumBeyondTheRangeIsRefusedWithItsColumn();
    void dataOpenElsewhereIsToldOnceAndTheVerbGoesOn();
    void anExistingFileNeedsOverwrite();
    void shiftJisRefusalNamesDayAndCharacter();
    void theDataFilesAreNeverWritten();
    void usageMistakes_data();
    void usageMistakes();
};

void TestExportCommand::writesTheJournalAndSaysWhere()
{
    Installed zephra;
    QVERIFY(zephra.make(kDays));
    const Outcome done = zephra.run({u"april.csv"_s, u"--from"_s, u"2007/04/01"_s, u"--to"_s, u"2007-04-30"_s});
    QVERIFY2(done.exitCode == 0, qPrintable(done.err));
    const QString file = zephra.path(u"april.csv"_s);
    QCOMPARE(done.out, u"書き出しました（業務日誌 2007/04/01〜2007/04/30、2 行、CSV UTF-8）。\n  %1\n"_s.arg(file));
    QCOMPARE(readAll(file), QByteArrayLiteral("\xEF\xBB\xBF日付,売上額,仕入額,入金額,出金額,日誌\r\n"
                                              "2007/04/05,1200,,0,-5,\"売上, 仕入\r\n二行目\"\r\n"
                                              "2007/04/06,10,20,30,40,本日は晴れ。\r\n"));

    // --format wins over the name, and Shift_JIS has no byte-order mark.
    const Outcome shiftJis = zephra.run({u"april.txt"_s, u"--format"_s, u"csv"_s, u"--encoding"_s, u"cp932"_s,
                                         u"--from"_s, u"2007/04/06"_s, u"--to"_s, u"2007/04/06"_s});
    QVERIFY2(shiftJis.exitCode == 0, qPrintable(shiftJis.err));
    QVERIFY(shiftJis.out.contains(u"1 行、CSV Shift_JIS"_s));
    QVERIFY(readAll(zephra.path(u"april.txt"_s)).startsWith(QByteArray::fromHex("93fa9574")));
}

void TestExportCommand::totalsFillTheWorkTableFirst()
{
    Installed zephra;
    QVERIFY(zephra.make(kDays));
    const Outcome done =
        zephra.run({u"totals.xlsx"_s, u"--from"_s, u"2007/04/01"_s, u"--to"_s, u"2007/04/30"_s, u"--totals"_s});
    QVERIFY2(done.exitCode == 0, qPrintable(done.err));
    QVERIFY2(done.out.startsWith(u"書き出しました（集計 2007/04/01〜2007/04/30、2 行と合計、Excel）。"_s),
             qPrintable(done.out));
    // The verb totals into a table of its own: the work file's is not written.
    QCOMPARE(testsupport::countOn(zephra.workPath(), u"w集計"_s), qint64(0));

    QString error;
    const QJsonDocument read = runPython(R"(import json, sys, openpyxl
print(json.dumps([[c.value if not hasattr(c.value, 'isoformat') else c.value.isoformat() for c in row]
                  for row in openpyxl.load_workbook(sys.argv[1]).active.iter_rows()]))
)",
                                         {zephra.path(u"totals.xlsx"_s)}, error);
    QVERIFY2(read.isArray(), qPrintable(error));
    const QJsonArray expected{
        QJsonArray{u"日付"_s, u"売上額"_s, u"仕入額"_s, u"入金額"_s, u"出金額"_s},
        QJsonArray{u"2007-04-05T00:00:00"_s, 1200, QJsonValue::Null, 0, -5},
        QJsonArray{u"2007-04-06T00:00:00"_s, 10, 20, 30, 40},
        QJsonArray{u"合計"_s, u"=SUM(B2:B3)"_s, u"=SUM(C2:C3)"_s, u"=SUM(D2:D3)"_s, u"=SUM(E2:E3)"_s},
    };
    QCOMPARE(read.array(), expected);
}

// The same refusal as the totals page's: a sum no amount box can show is not
// written as a total, and the column is named.
void TestExportCommand::sumBeyondTheRangeIsRefusedWithItsColumn()
{
    Installed zephra;
    QVERIFY(zephra.make(
        {{u"2007-04-05"_s, {9'999'999'999, 1, 2, 3}, {}}, {u"2007-04-06"_s, {9'999'999'999, 1, 2, 3}, {}}}));
    const Outcome refused =
        zephra.run({u"totals.csv"_s, u"--from"_s, u"2007/04/01"_s, u"--to"_s, u"2007/04/30"_s, u"--totals"_s});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.err, u"売上額の合計 19,999,999,998 は、金額の桁数（9,999,999,999）を超えているため"
                          "書き出せません。期間を短くしてください。\n"_s);
    QVERIFY(!QFileInfo::exists(zephra.path(u"totals.csv"_s)));

    // One day alone stays within the range.
    const Outcome done =
        zephra.run({u"totals.csv"_s, u"--from"_s, u"2007/04/05"_s, u"--to"_s, u"2007/04/05"_s, u"--totals"_s});
    QVERIFY2(done.exitCode == 0, qPrintable(done.err));
    QVERIFY(readAll(zephra.path(u"totals.csv"_s)).endsWith("合計,9999999999,1,2,3\r\n"));
}

// A verb started while another program (here the test itself) holds the data
// folder says so once on standard error, and works all the same. Alone, it
// says nothing of it.
void TestExportCommand::dataOpenElsewhereIsToldOnceAndTheVerbGoesOn()
{
    Installed zephra;
    QVERIFY(zephra.make(kDays));
    const QStringList arguments{u"april.csv"_s,  u"--from"_s,   u"2007/04/01"_s, u"--to"_s,
                                u"2007/04/30"_s, u"--totals"_s, u"--overwrite"_s};
    const Outcome alone = zephra.run(arguments);
    QVERIFY2(alone.exitCode == 0, qPrintable(alone.err));
    QCOMPARE(alone.err, QString());
    // The lock's file is no data: it is empty and the verb left it so.
    QCOMPARE(readAll(QDir(zephra.data()).filePath(common::kDataLockFileName)), QByteArray());

    common::DataLock window;
    QCOMPARE(window.hold(zephra.data()), common::DataLock::Held::Alone);
    const Outcome shared = zephra.run(arguments);
    QCOMPARE(shared.exitCode, 0);
    QVERIFY2(shared.err.startsWith(u"注意: このデータ（"_s) && shared.err.count(u'\n') == 1 &&
                 shared.err.endsWith(u"data）は他のプログラムでも開かれています。このまま続けます。\n"_s),
             qPrintable(shared.err));
    QVERIFY(shared.out.startsWith(u"書き出しました（集計"_s));

    window.release();
    QCOMPARE(zephra.run(arguments).err, QString());
}

void TestExportCommand::anExistingFileNeedsOverwrite()
{
    Installed zephra;
    QVERIFY(zephra.make(kDays));
    const QString file = zephra.path(u"april.csv"_s);
    QVERIFY(writeAll(file, "earlier"));
    const QStringList arguments{u"april.csv"_s, u"--from"_s, u"2007/04/01"_s, u"--to"_s, u"2007/04/30"_s};
    const Outcome refused = zephra.run(arguments);
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.err, u"「%1」が既にあります。置き換えるときは --overwrite を付けてください。\n"_s.arg(file));
    QCOMPARE(readAll(file), QByteArray("earlier"));

    const Outcome replaced = zephra.run(arguments + QStringList{u"--overwrite"_s});
    QVERIFY2(replaced.exitCode == 0, qPrintable(replaced.err));
    QVERIFY(readAll(file).startsWith("\xEF\xBB\xBF"));
}

void TestExportCommand::shiftJisRefusalNamesDayAndCharacter()
{
    Installed zephra;
    QVERIFY(zephra.make({{u"2007-04-05"_s, {1}, u"お祝い😀"_s}}));
    const Outcome refused = zephra.run(
        {u"april.csv"_s, u"--from"_s, u"2007/04/01"_s, u"--to"_s, u"2007/04/30"_s, u"--encoding"_s, u"cp932"_s});
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.err, u"2007/04/05 の日誌の「😀」(U+1F600) は Shift_JIS で書けません。UTF-8 を選んでください。\n"_s);
    QCOMPARE(refused.out, QString());
    QVERIFY(!QFileInfo::exists(zephra.path(u"april.csv"_s)));
}

void TestExportCommand::theDataFilesAreNeverWritten()
{
    Installed zephra;
    QVERIFY(zephra.make(kDays));
    const QString copy = zephra.data() + u"/backup/20070401-120000-daily/"_s + store::kMainFileName;
    QVERIFY(QDir().mkpath(QFileInfo(copy).path()) && QFile::copy(zephra.mainPath(), copy));
    const QByteArray before = readAll(zephra.mainPath());
    const QStringList period{u"--format"_s, u"csv"_s,        u"--from"_s,     u"2007/04/01"_s,
                             u"--to"_s,     u"2007/04/30"_s, u"--overwrite"_s};
    const auto refuse = [&](const QString &target, const QString &reason) {
        const Outcome refused = zephra.run(QStringList{target} + period);
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(reason), qPrintable(refused.err));
    };
    refuse(u"data/"_s + store::kMainFileName, u"データファイルです"_s);
    refuse(u"data/backup/20070401-120000-daily/"_s + store::kMainFileName, u"データフォルダーの中です"_s);
    refuse(u"data/zephra.ini"_s, u"データフォルダーの中です"_s);
#if defined(Q_OS_LINUX)
    // Reached from outside the folder: a symbolic link, a hard link.
    QVERIFY(QFile::link(zephra.mainPath(), zephra.path(u"link.csv"_s)));
    refuse(u"link.csv"_s, u"を指しています"_s);
    QVERIFY(::link(QFile::encodeName(copy).constData(), QFile::encodeName(zephra.path(u"hard.csv"_s)).constData()) ==
            0);
    refuse(u"hard.csv"_s, u"と同じファイルです"_s);
    // Neither a device nor a pipe, which no one may be reading.
    refuse(u"/dev/full"_s, u"普通のファイルではありません"_s);
    QVERIFY(::mkfifo(QFile::encodeName(zephra.path(u"pipe.csv"_s)).constData(), 0600) == 0);
    refuse(u"pipe.csv"_s, u"普通のファイルではありません"_s);
#endif
    QCOMPARE(readAll(zephra.mainPath()), before);
    QCOMPARE(readAll(copy), before);
}

void TestExportCommand::usageMistakes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");
    const QStringList period{u"--from"_s, u"2007/04/01"_s, u"--to"_s, u"2007/04/30"_s};
    QTest::newRow("no file") << QStringList{} << u"ファイルを --export の次に"_s;
    QTest::newRow("no period") << QStringList{u"a.csv"_s} << u"--from と --to"_s;
    QTest::newRow("no such day") << QStringList{u"a.csv"_s, u"--from"_s, u"2007/02/30"_s, u"--to"_s, u"2007/04/30"_s}
                                 << u"「2007/02/30」は読めません"_s;
    QTest::newRow("mixed separators") << QStringList{u"a.csv"_s, u"--from"_s, u"2007/04-01"_s, u"--to"_s,
                                                     u"2007/04/30"_s}
                                      << u"読めません"_s;
    QTest::newRow("from after to") << QStringList{u"a.csv"_s, u"--from"_s, u"2007/05/01"_s, u"--to"_s, u"2007/04/30"_s}
                                   << u"より後"_s;
    QTest::newRow("unknown extension") << QStringList{u"a.txt"_s} + period << u"--format csv か"_s;
    QTest::newRow("unknown format") << QStringList{u"a.csv"_s, u"--format"_s, u"ods"_s} + period << u"「ods」"_s;
    QTest::newRow("unknown encoding") << QStringList{u"a.csv"_s, u"--encoding"_s, u"sjis"_s} + period << u"「sjis」"_s;
    QTest::newRow("encoding of a workbook")
        << QStringList{u"a.xlsx"_s, u"--encoding"_s, u"cp932"_s} + period << u"CSV にだけ"_s;
    QTest::newRow("unknown option") << QStringList{u"a.csv"_s, u"--all"_s} + period << u"「--all」"_s;
    QTest::newRow("option twice") << QStringList{u"a.csv"_s, u"--totals"_s, u"--totals"_s} + period << u"二度"_s;
    QTest::newRow("option without value")
        << QStringList{u"a.csv"_s} + period + QStringList{u"--format"_s} << u"値がありません"_s;
}

void TestExportCommand::usageMistakes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    Installed zephra;
    QVERIFY(zephra.make(kDays));
    const Outcome refused = zephra.run(arguments);
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.err.contains(reason), qPrintable(refused.err));
    QVERIFY(refused.err.contains(u"使い方: zephra --export"_s));
    QCOMPARE(entriesOf(zephra.path({})), (QStringList{u"data"_s, u"zephra"_s}));
}

QTEST_GUILESS_MAIN(TestExportCommand)
#include "test_exportcommand.moc"
