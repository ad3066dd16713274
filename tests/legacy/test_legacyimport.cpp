// Bringing the earlier version's files over, end to end: the program's own
// command line and its start-up question, on copies of the earlier files and
// on damaged ones.

#include "../app/startedwindow.h"
#include "legacy/legacyfiles.h"
#include "legacy/readerprocess.h"
#include "legacyfixture.h"

#include "app/legacystartup.h"
#include "app/mainwindow.h"
#include "store/engines.h"
#include "support/scriptedpresenter.h"
#include "support/sqlfile.h"
#include "support/testserver.h"
#include "support/verifyok.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <optional>

using testsupport::copyFixture;
using testsupport::expectedOf;
using testsupport::fixtureFolder;
using testsupport::readCsv;
using testsupport::sha256Of;

namespace {

const QStringList kAmountNames{QStringLiteral("売上額"), QStringLiteral("仕入額"), QStringLiteral("入金額"),
                               QStringLiteral("出金額")};

struct Run
{
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
    qint64 ms = 0;
};

Run zephra(const QStringList &arguments, int timeoutMs = 120'000)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(ZEPHRA_PATH), arguments);
    Run run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.status = process.exitStatus();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    run.ms = clock.elapsed();
    return run;
}

// A journal row of the earlier file, found again either in the imported
// journal or, not brought over, in the import report.
struct EarlierRow
{
    QString date; // "yyyy-MM-dd HH:mm:ss"; the imported ones at midnight
    std::array<std::optional<qint64>, 4> amounts;
    QString memo; // with the earlier program's CRLF line breaks
};

QList<EarlierRow> importedRows(const QString &mainPath)
{
    testsupport::SqlFile file(mainPath);
    QList<EarlierRow> rows;
    const auto selected = file.select(
        QStringLiteral("SELECT 日付, 売上額, 仕入額, 入金額, 出金額, 日誌 FROM 業務日誌 ORDER BY 日付, rowid"));
    for (const QVariantList &values : selected) {
        EarlierRow row;
        row.date = values.at(0).toString() + QStringLiteral(" 00:00:00");
        for (int column = 0; column < 4; ++column) {
            if (!values.at(column + 1).isNull()) {
                row.amounts[column] = values.at(column + 1).toLongLong();
            }
        }
        row.memo = values.at(5).toString();
        row.memo.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        rows.append(row);
    }
    return rows;
}

QList<EarlierRow> reportedRows(const QList<QStringList> &report)
{
    QList<EarlierRow> rows;
    for (const QStringList &line : report.mid(1)) {
        if (line.value(0) != QStringLiteral("業務日誌") || line.value(8) != QStringLiteral("しない")) {
            continue;
        }
        EarlierRow row;
        row.date = line.value(2);
        for (int column = 0; column < 4; ++column) {
            const QString stored = line.value(3 + column);
            if (!stored.isEmpty()) {
                row.amounts[column] = std::llround(stored.toDouble());
            }
        }
        row.memo = line.value(7);
        rows.append(row);
    }
    return rows;
}

// The import's files and report checked against what expected.json says the
// earlier journal held: every row is in one of the two places.
void compareWithExpected(const QString &set, const QString &mainPath, const QList<QStringList> &report)
{
    const QJsonObject journal = expectedOf(set)[QStringLiteral("VelmoraA.mdb")][QStringLiteral("業務日誌")].toObject();
    QList<EarlierRow> rows = importedRows(mainPath);
    const QList<EarlierRow> reported = reportedRows(report);
    QCOMPARE(rows.size() + reported.size(), journal[QStringLiteral("row_count")].toInteger());
    rows += reported;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const EarlierRow &a, const EarlierRow &b) { return a.date < b.date; });

    for (int column = 0; column < 4; ++column) {
        qint64 sum = 0;
        qint64 nulls = 0;
        for (const EarlierRow &row : std::as_const(rows)) {
            sum += row.amounts[column].value_or(0);
            nulls += row.amounts[column] ? 0 : 1;
        }
        QCOMPARE(sum, journal[QStringLiteral("sums")][kAmountNames[column]].toInteger());
        QCOMPARE(nulls, journal[QStringLiteral("null_counts")][kAmountNames[column]].toInteger());
    }
    if (!rows.isEmpty()) {
        QCOMPARE(rows.first().date, journal[QStringLiteral("first_date")].toString());
        QCOMPARE(rows.last().date, journal[QStringLiteral("last_date")].toString());
    }
    QStringList memos;
    for (const EarlierRow &row : std::as_const(rows)) {
        memos.append(row.memo);
    }
    QCOMPARE(QCryptographicHash::hash(memos.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha256).toHex(),
             journal[QStringLiteral("memo_sha256")].toString().toLatin1());
}

// Settings and hints as the earlier files held them, the first of each kept.
void compareSettingsAndHints(const QString &set, const QString &mainPath, const QString &workPath)
{
    const QJsonObject expected = expectedOf(set);
    const QJsonArray settings =
        expected[QStringLiteral("VelmoraA.mdb")][QStringLiteral("自社情報")][QStringLiteral("rows")].toArray();
    const QStringList stored = testsupport::rowsOf(mainPath, QStringLiteral("自社情報"));
    if (settings.isEmpty()) {
        QVERIFY(stored.isEmpty());
    } else {
        const QJsonObject first = settings.first().toObject();
        const QString era =
            first[QStringLiteral("年号")].isNull() ? QStringLiteral("西暦") : first[QStringLiteral("年号")].toString();
        const qint64 colour = first[QStringLiteral("LineColor1")].toInteger();
        QCOMPARE(stored, QStringList{QStringLiteral("QString:%1|qlonglong:%2").arg(era).arg(colour)});
    }
    const QJsonArray hints =
        expected[QStringLiteral("VelmoraAWork.mdb")][QStringLiteral("ClHint")][QStringLiteral("rows")].toArray();
    testsupport::SqlFile work(workPath);
    QCOMPARE(work.count(QStringLiteral("ClHint")), qint64(hints.size()));
    for (const QJsonValue &value : hints) {
        const QJsonObject hint = value.toObject();
        const auto row = work.select(
            QStringLiteral("SELECT FormTitle, Contents FROM ClHint WHERE FormName = '%1' AND CtlName = '%2'")
                .arg(hint[QStringLiteral("FormName")].toString(), hint[QStringLiteral("CtlName")].toString()));
        QCOMPARE(row.size(), 1);
        QCOMPARE(row.first().at(0).toString(), hint[QStringLiteral("FormTitle")].toString());
        const QJsonValue contents = hint[QStringLiteral("Contents")];
        QCOMPARE(row.first().at(1).isNull(), contents.isNull());
        QCOMPARE(row.first().at(1).toString(),
                 contents.toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
    QCOMPARE(work.count(QStringLiteral("w集計")), qint64(0));
}

QMap<QString, QByteArray> checksumsIn(const QString &folder)
{
    QMap<QString, QByteArray> sums;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        sums.insert(QDir(folder).relativeFilePath(path), sha256Of(path));
    }
    return sums;
}

// A stand-in reading child that misbehaves the way a damaged file can make the real one.
legacy::ReaderCommand misbehavingReader(const QString &how)
{
    return {QStringLiteral(FAKEREADER_PATH), {how}};
}

} // namespace

class TestLegacyImport : public QObject
{
    Q_OBJECT

private slots:
    void commandLineImportsEverySet_data();
    void commandLineImportsEverySet();
    void commandLineImportsOntoServer();
    void oddRowsLandWhereTheRulesSay();
    void currentRecordsSettingsAndHintsWin();
    void commandLineRefusesWhatItCannotUse();
    void damagedFilesChangeNothing_data();
    void damagedFilesChangeNothing();
    void misbehavingReaderIsStoppedInTime_data();
    void misbehavingReaderIsStoppedInTime();
    void startupConvertsOnYes_data();
    void startupConvertsOnYes();
    void startupEndsWithNothingChangedOnNo();
    void damagedDataIsNotWrittenInto();
};

void TestLegacyImport::commandLineImportsEverySet_data()
{
    QTest::addColumn<QString>("set");
    for (const char *set : {"basic", "edge", "odd", "decade"}) {
        QTest::newRow(set) << QString::fromLatin1(set);
    }
}

void TestLegacyImport::commandLineImportsEverySet()
{
    QFETCH(QString, set);
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("old"));
    const QString to = dir.filePath(QStringLiteral("data"));
    QVERIFY(copyFixture(set, from));
    const auto before = checksumsIn(from);

    const Run run = zephra({QStringLiteral("--import-legacy"), from, to});
    QCOMPARE(run.status, QProcess::NormalExit);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(checksumsIn(from), before);

    const QString reportPath = QDir(to).filePath(QStringLiteral("import-report.csv"));
    const QList<QStringList> report = readCsv(reportPath);
    const qint64 imported =
        testsupport::countOn(QDir(to).filePath(QStringLiteral("VelmoraA.mdb")), QStringLiteral("業務日誌"));
    QVERIFY2(run.out.contains(QStringLiteral("業務日誌: %1 日分を取り込みました").arg(imported)), qPrintable(run.out));
    if (report.isEmpty()) {
        QVERIFY(run.out.contains(QStringLiteral("報告に載せた記録はありません")));
    } else {
        QVERIFY(run.out.contains(QStringLiteral("報告に載せた記録: %1 件").arg(report.size() - 1)));
    }
    compareWithExpected(set, QDir(to).filePath(QStringLiteral("VelmoraA.mdb")), report);
    compareSettingsAndHints(set, QDir(to).filePath(QStringLiteral("VelmoraA.mdb")),
                            QDir(to).filePath(QStringLiteral("VelmoraAWork.mdb")));
}

// A journal on a server takes the earlier days exactly as files do; the
// report stays in the PC's data folder; a second run keeps what is there.
void TestLegacyImport::commandLineImportsOntoServer()
{
    SKIP_WITHOUT_SERVER();
    const testsupport::ServerSchema schema;
    QVERIFY2(schema.error().isEmpty(), qPrintable(schema.error()));
    VERIFY_OK(store::createEmptyData(schema.location()).error);
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("old"));
    QVERIFY(copyFixture(QStringLiteral("odd"), from));
    const QString files = dir.filePath(QStringLiteral("files"));
    const QString pc = dir.filePath(QStringLiteral("pc"));
    const Run ontoFiles = zephra({QStringLiteral("--import-legacy"), from, files});
    QVERIFY2(ontoFiles.exitCode == 0, qPrintable(ontoFiles.err));
    const Run ontoServer =
        zephra({QStringLiteral("--server"), schema.address(), QStringLiteral("--import-legacy"), from, pc});
    QVERIFY2(ontoServer.exitCode == 0, qPrintable(ontoServer.err));
    QCOMPARE(ontoServer.out, QString(ontoFiles.out).replace(files, pc));
    QVERIFY(QFileInfo::exists(QDir(pc).filePath(QStringLiteral("import-report.csv"))));
    QVERIFY(!QFileInfo::exists(QDir(pc).filePath(QStringLiteral("VelmoraA.mdb"))));

    const auto everything = [](const store::Location &location) {
        QList<store::JournalRecord> records;
        auto store = store::makeStore(location);
        if (!store->open(location)) {
            (void)store->forEachRecord({QDate(1, 1, 1), QDate(9999, 12, 31)}, [&](const store::JournalRecord &r) {
                records << r;
                return true;
            });
        }
        return records;
    };
    const QList<store::JournalRecord> fromFiles = everything(store::Location::inFolder(files));
    const QList<store::JournalRecord> fromServer = everything(schema.location());
    QVERIFY(!fromFiles.isEmpty());
    QCOMPARE(fromServer.size(), fromFiles.size());
    for (qsizetype i = 0; i < fromFiles.size(); ++i) {
        QCOMPARE(fromServer.at(i).date, fromFiles.at(i).date);
        QCOMPARE(fromServer.at(i).amounts, fromFiles.at(i).amounts);
        QCOMPARE(fromServer.at(i).text, fromFiles.at(i).text);
    }
    const Run again =
        zephra({QStringLiteral("--server"), schema.address(), QStringLiteral("--import-legacy"), from, pc});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QVERIFY2(again.out.contains(QStringLiteral("業務日誌: 0 日分を取り込みました")), qPrintable(again.out));
    QCOMPARE(everything(schema.location()).size(), fromFiles.size());
}

void TestLegacyImport::oddRowsLandWhereTheRulesSay()
{
    QTemporaryDir dir;
    const QString to = dir.filePath(QStringLiteral("data"));
    const Run run = zephra({QStringLiteral("--import-legacy"), fixtureFolder(QStringLiteral("odd")), to});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));

    bool bom = false;
    const QList<QStringList> report = readCsv(QDir(to).filePath(QStringLiteral("import-report.csv")), &bom);
    QVERIFY(bom);
    QCOMPARE(report.value(0),
             (QStringList{QStringLiteral("表"), QStringLiteral("行"), QStringLiteral("日付"), QStringLiteral("売上額"),
                          QStringLiteral("仕入額"), QStringLiteral("入金額"), QStringLiteral("出金額"),
                          QStringLiteral("日誌"), QStringLiteral("取り込み"), QStringLiteral("理由")}));
    QMap<QString, QString> reasonByDate;
    for (const QStringList &line : report.mid(1)) {
        QCOMPARE(line.size(), 10);
        if (line.at(0) == QStringLiteral("業務日誌")) {
            reasonByDate.insert(line.at(2), line.at(9));
        }
    }
    QVERIFY(reasonByDate.value(QStringLiteral("1899-12-30 00:00:00")).contains(QStringLiteral("1899/12/30")));
    QVERIFY(reasonByDate.value(QStringLiteral("2100-12-31 23:59:59")).contains(QStringLiteral("範囲")));
    QVERIFY(std::any_of(reasonByDate.cbegin(), reasonByDate.cend(), [](const QString &reason) {
        return reason.contains(QStringLiteral("同じ日付の記録が先にあります"));
    }));
    // Jet's first day after its zero date is an ordinary day here; a time of day is dropped.
    testsupport::SqlFile main(QDir(to).filePath(QStringLiteral("VelmoraA.mdb")));
    QCOMPARE(main.value(QStringLiteral("SELECT count(*) FROM 業務日誌 WHERE 日付 = '1900-01-01'")).toLongLong(), 1);
    QCOMPARE(main.value(QStringLiteral("SELECT count(*) FROM 業務日誌 WHERE length(日付) <> 10")).toLongLong(), 0);
    QCOMPARE(main.value(QStringLiteral("SELECT count(*) FROM 業務日誌 WHERE typeof(売上額) NOT IN ('integer', 'null') "
                                       "OR typeof(出金額) NOT IN ('integer', 'null')"))
                 .toLongLong(),
             0);
    // A Null era is the default one; the system colour of the second row is not taken.
    QCOMPARE(testsupport::rowsOf(main.handle() ? QDir(to).filePath(QStringLiteral("VelmoraA.mdb")) : QString(),
                                 QStringLiteral("自社情報")),
             QStringList{QStringLiteral("QString:西暦|qlonglong:255")});
}

void TestLegacyImport::currentRecordsSettingsAndHintsWin()
{
    QTemporaryDir dir;
    const QString to = dir.filePath(QStringLiteral("data"));
    QVERIFY(zephra({QStringLiteral("--init-data"), to}).exitCode == 0);
    const QString mainPath = QDir(to).filePath(QStringLiteral("VelmoraA.mdb"));
    const QString workPath = QDir(to).filePath(QStringLiteral("VelmoraAWork.mdb"));
    QVERIFY(
        testsupport::execOn(mainPath, QStringLiteral("INSERT INTO 業務日誌 (日付, 売上額, 日誌) VALUES ('2019-04-30', "
                                                     "7, '今の記録'), ('2030-01-01', 1, '後の記録');"
                                                     "INSERT INTO 自社情報 (年号, LineColor1) VALUES ('西暦', 42)")));
    QVERIFY(testsupport::execOn(workPath, QStringLiteral("INSERT INTO ClHint (FormName, CtlName, FormTitle, Contents) "
                                                         "VALUES ('FrmNippo', 'cmdHint', 't', '今のヒント')")));

    const Run run = zephra({QStringLiteral("--import-legacy"), fixtureFolder(QStringLiteral("basic")), to});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.contains(QStringLiteral("業務日誌: 399 日分を取り込みました")));
    QVERIFY(run.out.contains(QStringLiteral("既に記録があった 1 日は、現在の記録を残しました")));

    testsupport::SqlFile main(mainPath);
    QCOMPARE(main.count(QStringLiteral("業務日誌")), qint64(401));
    QCOMPARE(main.value(QStringLiteral("SELECT 日誌 FROM 業務日誌 WHERE 日付 = '2019-04-30'")).toString(),
             QStringLiteral("今の記録"));
    QCOMPARE(testsupport::rowsOf(mainPath, QStringLiteral("自社情報")),
             QStringList{QStringLiteral("QString:西暦|qlonglong:42")});
    testsupport::SqlFile work(workPath);
    QCOMPARE(work.value(QStringLiteral("SELECT Contents FROM ClHint WHERE CtlName = 'cmdHint'")).toString(),
             QStringLiteral("今のヒント"));
    QCOMPARE(work.count(QStringLiteral("ClHint")), qint64(3));

    // The earlier record of the day is in the report, whole.
    const QList<QStringList> report = readCsv(QDir(to).filePath(QStringLiteral("import-report.csv")));
    QCOMPARE(report.size(), 2);
    QCOMPARE(report.at(1).at(2), QStringLiteral("2019-04-30 00:00:00"));
    QCOMPARE(report.at(1).at(8), QStringLiteral("しない"));
    QVERIFY(report.at(1).at(9).contains(QStringLiteral("現在の記録を残しました")));
    QVERIFY(!report.at(1).at(7).isEmpty() || !report.at(1).at(3).isEmpty());

    // A second import of the same files brings nothing twice and keeps the first report.
    const Run again = zephra({QStringLiteral("--import-legacy"), fixtureFolder(QStringLiteral("basic")), to});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QCOMPARE(main.count(QStringLiteral("業務日誌")), qint64(401));
    QCOMPARE(readCsv(QDir(to).filePath(QStringLiteral("import-report.csv"))), report);
    QCOMPARE(QDir(to).entryList({QStringLiteral("import-report-*.csv")}).size(), 1);
}

void TestLegacyImport::commandLineRefusesWhatItCannotUse()
{
    QTemporaryDir dir;
    const Run usage = zephra({QStringLiteral("--import-legacy")});
    QCOMPARE(usage.exitCode, 2);
    QVERIFY(usage.err.contains(QStringLiteral("使い方")));

    const Run missing =
        zephra({QStringLiteral("--import-legacy"), dir.filePath(QStringLiteral("nowhere")), dir.path()});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.contains(QStringLiteral("見つかりません")));

    // Our own files are no earlier version's files.
    const QString ours = dir.filePath(QStringLiteral("ours"));
    QVERIFY(zephra({QStringLiteral("--init-data"), ours}).exitCode == 0);
    const Run notJet = zephra({QStringLiteral("--import-legacy"), ours, dir.filePath(QStringLiteral("to"))});
    QCOMPARE(notJet.exitCode, 1);
    QVERIFY(notJet.err.contains(QStringLiteral("ありません")));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("to"))));

    // Only one file of a pair in the target: nothing is made beside it.
    const QString half = dir.filePath(QStringLiteral("half"));
    QVERIFY(zephra({QStringLiteral("--init-data"), half}).exitCode == 0);
    QVERIFY(QFile::remove(QDir(half).filePath(QStringLiteral("VelmoraAWork.mdb"))));
    const auto before = checksumsIn(half);
    const Run refused = zephra({QStringLiteral("--import-legacy"), fixtureFolder(QStringLiteral("basic")), half});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY(refused.err.contains(QStringLiteral("VelmoraAWork.mdb")));
    QCOMPARE(checksumsIn(half), before);
}

void TestLegacyImport::damagedFilesChangeNothing_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<qint64>("at");
    const qint64 size = QFileInfo(fixtureFolder(QStringLiteral("basic")) + QStringLiteral("/VelmoraA.mdb")).size();
    for (const qint64 at :
         {qint64(0), qint64(100), qint64(4096), qint64(2 * 4096 + 17), size / 3, size / 2, size - 4096}) {
        QTest::addRow("truncated at %lld", at) << QStringLiteral("truncate") << at;
    }
    for (int seed = 1; seed <= 8; ++seed) {
        QTest::addRow("bytes flipped, seed %d", seed) << QStringLiteral("flip") << qint64(seed);
    }
    QTest::newRow("not a Jet file, Jet's name") << QStringLiteral("text") << qint64(0);
    QTest::newRow("Jet signature over garbage") << QStringLiteral("signature") << qint64(0);
}

void TestLegacyImport::damagedFilesChangeNothing()
{
    QFETCH(QString, damage);
    QFETCH(qint64, at);
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("old"));
    QVERIFY(copyFixture(QStringLiteral("basic"), from));
    const QString damaged = QDir(from).filePath(QStringLiteral("VelmoraA.mdb"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (damage == QStringLiteral("truncate")) {
        QVERIFY(file.resize(at));
    } else if (damage == QStringLiteral("flip")) {
        // Data pages only: the file still says it is a Jet file.
        QByteArray bytes = file.readAll();
        QRandomGenerator random{quint32(at)};
        for (int n = 0; n < 64; ++n) {
            const qint64 offset = 4096 + random.bounded(bytes.size() - 4096);
            bytes[offset] = char(bytes[offset] ^ (1 << random.bounded(8)));
        }
        file.seek(0);
        file.write(bytes);
    } else if (damage == QStringLiteral("text")) {
        file.resize(0);
        file.write("日付,売上額\r\n2007/04/04,100\r\n");
    } else {
        file.resize(0);
        file.write(QByteArray("\0\1\0\0Standard Jet DB\0", 20) + QByteArray(8192, '\x5a'));
    }
    file.close();
    const auto before = checksumsIn(from);

    const QString to = dir.filePath(QStringLiteral("data"));
    QVERIFY(zephra({QStringLiteral("--init-data"), to}).exitCode == 0);
    const auto emptyFiles = checksumsIn(to);
    const Run run = zephra({QStringLiteral("--import-legacy"), from, to});
    QCOMPARE(run.status, QProcess::NormalExit);
    QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(run.err));
    QCOMPARE(checksumsIn(from), before);
    if (run.exitCode == 1) {
        // Said in Japanese, and nothing changed.
        QVERIFY2(run.err.contains(QStringLiteral("何も変更していません")), qPrintable(run.err));
        QCOMPARE(checksumsIn(to), emptyFiles);
    } else {
        // Damage the reader could not see: whatever came over is whole records, and they add up.
        QVERIFY(run.out.contains(QStringLiteral("取り込みました")));
    }
}

void TestLegacyImport::misbehavingReaderIsStoppedInTime_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    QTest::newRow("crashes mid-way") << QStringLiteral("crash") << QStringLiteral("異常終了");
    QTest::newRow("hangs") << QStringLiteral("hang") << QStringLiteral("応答がありませんでした");
    QTest::newRow("floods") << QStringLiteral("flood") << QStringLiteral("大きさを超える");
    QTest::newRow("sends garbage") << QStringLiteral("garbage") << QStringLiteral("壊れていました");
    QTest::newRow("ends without its last frame") << QStringLiteral("short") << QStringLiteral("途中で終わりました");
}

void TestLegacyImport::misbehavingReaderIsStoppedInTime()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString to = dir.filePath(QStringLiteral("data"));
    QVERIFY(copyFixture(QStringLiteral("edge"), to));
    const auto before = checksumsIn(to);
    common::NoProgress quiet;
    legacy::LegacyData data;
    QElapsedTimer clock;
    clock.start();
    const auto failure = legacy::readThroughChild(legacy::jetFilesIn(to), misbehavingReader(how), data, quiet,
                                                  legacy::ReadLimits{1500, 20'000});
    QVERIFY(failure.has_value());
    QVERIFY2(failure->contains(reason), qPrintable(*failure));
    QVERIFY(clock.elapsed() < 15'000);
    QCOMPARE(checksumsIn(to), before);
}

void TestLegacyImport::startupConvertsOnYes_data()
{
    QTest::addColumn<QString>("set");
    QTest::addColumn<QDate>("newest");
    QTest::newRow("basic") << QStringLiteral("basic") << QDate(2020, 1, 4);
    QTest::newRow("odd") << QStringLiteral("odd") << QDate(2007, 4, 6);
    QTest::newRow("edge") << QStringLiteral("edge") << QDate();
    QTest::newRow("decade") << QStringLiteral("decade") << QDate(2019, 12, 29);
}

void TestLegacyImport::startupConvertsOnYes()
{
    QFETCH(QString, set);
    QFETCH(QDate, newest);
    QTemporaryDir program;
    const QString data = program.filePath(QStringLiteral("data"));
    QVERIFY(copyFixture(set, data));
    const auto earlier = checksumsIn(data);
    const QDateTime now(QDate(2026, 12, 7), QTime(21, 5, 9));

    testsupport::ScriptedPresenter presenter;
    presenter.answers = {common::Answer::Yes};
    common::NoProgress quiet;
    const app::ConversionAtStart conversion = app::offerLegacyConversion(
        data, presenter, quiet, {QStringLiteral(ZEPHRA_PATH), {legacy::kImportLegacyOption, legacy::kReaderOption}},
        now);
    QCOMPARE(conversion.outcome, app::ConversionAtStart::Outcome::Converted);

    // The question said what would happen, with Yes as its default; then the result.
    QCOMPARE(presenter.shown.size(), 2);
    QCOMPARE(presenter.shown.at(0).style, common::kQuestionYesDefault);
    QVERIFY(presenter.shown.at(0).text.contains(QStringLiteral("backup/legacy-20261207-210509")));
    QVERIFY(presenter.shown.at(1).text.contains(QStringLiteral("日分を取り込みました")));

    // The earlier files, untouched, beside the report; fresh files in their place.
    const QString moved = data + QStringLiteral("/backup/legacy-20261207-210509");
    QCOMPARE(sha256Of(moved + QStringLiteral("/VelmoraA.mdb")), earlier.value(QStringLiteral("VelmoraA.mdb")));
    QCOMPARE(sha256Of(moved + QStringLiteral("/VelmoraAWork.mdb")), earlier.value(QStringLiteral("VelmoraAWork.mdb")));
    QVERIFY(!legacy::isJetFile(data + QStringLiteral("/VelmoraA.mdb")));
    const QList<QStringList> report = readCsv(moved + QStringLiteral("/import-report.csv"));
    QCOMPARE(report.isEmpty(), set != QStringLiteral("odd"));
    compareWithExpected(set, data + QStringLiteral("/VelmoraA.mdb"), report);
    compareSettingsAndHints(set, data + QStringLiteral("/VelmoraA.mdb"), data + QStringLiteral("/VelmoraAWork.mdb"));

    // The start-up goes on, with the newest day brought over on the journal page.
    testsupport::MainWindow window(QDate(2026, 12, 7), program.path());
    QVERIFY(window.start());
    QCOMPARE(conversion.newestDay, newest);
    if (newest.isValid()) {
        window.frm->showDayOfTotals(conversion.newestDay);
        auto *date = window.frm->findChild<ui::DateBox *>(QStringLiteral("Dt日付"));
        QVERIFY(date);
        QCOMPARE(date->value(), std::optional<QDate>(newest));
    }
}

void TestLegacyImport::startupEndsWithNothingChangedOnNo()
{
    QTemporaryDir program;
    const QString data = program.filePath(QStringLiteral("data"));
    QVERIFY(copyFixture(QStringLiteral("basic"), data));
    const auto before = checksumsIn(program.path());
    testsupport::ScriptedPresenter presenter;
    presenter.answers = {common::Answer::No};
    common::NoProgress quiet;
    const auto conversion =
        app::offerLegacyConversion(data, presenter, quiet, legacy::ownReader(), QDateTime::currentDateTime());
    QCOMPARE(conversion.outcome, app::ConversionAtStart::Outcome::Declined);
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(checksumsIn(program.path()), before);

    // A failed conversion puts everything back: here the reader cannot even start.
    presenter.shown.clear();
    presenter.answers = {common::Answer::Yes};
    const auto failed = app::offerLegacyConversion(data, presenter, quiet, misbehavingReader(QStringLiteral("crash")),
                                                   QDateTime::currentDateTime());
    QCOMPARE(failed.outcome, app::ConversionAtStart::Outcome::Failed);
    QCOMPARE(presenter.shown.size(), 2);
    QCOMPARE(presenter.shown.at(1).title, QStringLiteral("取り込めませんでした"));
    QCOMPARE(checksumsIn(program.path()), before);
}

void TestLegacyImport::damagedDataIsNotWrittenInto()
{
    QTemporaryDir dir;
    const QString to = dir.filePath(QStringLiteral("data"));
    QVERIFY(zephra({QStringLiteral("--init-data"), to}).exitCode == 0);
    const QString mainPath = QDir(to).filePath(QStringLiteral("VelmoraA.mdb"));
    QVERIFY(testsupport::execOn(
        mainPath, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                 "INSERT INTO 業務日誌 (日付, 日誌) SELECT date('1950-01-01', '+' || i || ' days'), "
                                 "'昔の日誌の文章' || i FROM n")));
    // A page amid the old days, which the import of later days never reads.
    QByteArray damaged;
    {
        QFile file(mainPath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(file.size() / 2 / 4096 * 4096));
        QVERIFY(file.write(QByteArray(4096, '\x7f')) == 4096);
        QVERIFY(file.seek(0));
        damaged = file.readAll();
    }
    const Run run = zephra({QStringLiteral("--import-legacy"), fixtureFolder(QStringLiteral("basic")), to});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("異常")) && run.err.contains(QStringLiteral("戻せる控えがありません")),
             qPrintable(run.err));
    QFile file(mainPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
}

QTEST_MAIN(TestLegacyImport)
#include "test_legacyimport.moc"
