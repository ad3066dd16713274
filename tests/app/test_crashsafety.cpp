// Registers killed at random moments: the main database stays sound and keeps
// every register that had returned before the kill.

#include "crashrecords.h"

#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/openstore.h"
#include "support/programconnections.h"
#include "support/sqlfile.h"
#include "support/tempdata.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <map>
#include <set>

using testsupport::crash::Record;

namespace {

// What the test knows of each date: the run that last reported registering
// it, and later runs that were killed while registering it (their write may
// or may not have been committed).
struct Expectation
{
    std::optional<int> reported;
    std::set<int> inFlight;
};

// A stored value as SqlFile::rows gives it: an integer, or nothing for
// anything else; `isNull` tells Null apart.
std::optional<qint64> integerOf(const QString &value, bool *isNull = nullptr)
{
    if (isNull) {
        *isNull = value == QLatin1String("NULL");
    }
    if (!value.startsWith(QLatin1String("qlonglong:"))) {
        return std::nullopt;
    }
    return value.section(u':', 1).toLongLong();
}

QString describe(const Record &r)
{
    return QStringLiteral("%1 %2/%3/%4/%5 %6")
        .arg(r.day.toString(Qt::ISODate))
        .arg(r.sales)
        .arg(r.purchases)
        .arg(r.moneyIn)
        .arg(r.moneyOut ? QString::number(*r.moneyOut) : QStringLiteral("Null"))
        .arg(r.memo.left(20));
}

// Opens the main database the way the program does and checks it; the
// failure found, or an empty text.
QString checkDatabase(const QString &path, const std::map<QDate, Expectation> &expected)
{
    std::optional<store::OpenFailure> failure;
    if (!testsupport::openStore(QFileInfo(path).path(), failure)) {
        return QStringLiteral("open: ") + failure->error.message;
    }
    testsupport::SqlFile file(path);
    if (const QString verdict = file.value(QStringLiteral("PRAGMA integrity_check")).toString();
        verdict != QLatin1String("ok")) {
        return QStringLiteral("integrity_check: ") + verdict;
    }
    const QStringList rows = file.rows(QStringLiteral("業務日誌"));
    if (rows == QStringList{QStringLiteral("unreadable")}) {
        return QStringLiteral("select: ") + file.lastError();
    }
    std::set<QDate> seen;
    for (const QString &row : rows) {
        // 日付|売上額|仕入額|入金額|出金額|日誌; the text last, as it may hold the separator.
        const QStringList values = row.split(u'|');
        const QString memo = row.section(u'|', 5);
        const QDate day = QDate::fromString(values.value(0).section(u':', 1), Qt::ISODate);
        const auto sales = integerOf(values.value(1));
        const auto purchases = integerOf(values.value(2));
        const auto moneyIn = integerOf(values.value(3));
        bool moneyOutIsNull = false;
        const auto moneyOut = integerOf(values.value(4), &moneyOutIsNull);
        if (!values.value(0).startsWith(QLatin1String("QString:")) || !day.isValid() || !sales || !purchases ||
            !moneyIn || (!moneyOut && !moneyOutIsNull) || !memo.startsWith(QLatin1String("QString:"))) {
            return QStringLiteral("a row of the wrong form: ") + values.value(0);
        }
        const Record found{day, *sales, *purchases, *moneyIn, moneyOut, memo.section(u':', 1)};
        if (!seen.insert(day).second) {
            return QStringLiteral("two records for ") + day.toString(Qt::ISODate);
        }
        const auto it = expected.find(day);
        std::set<int> runs = it == expected.end() ? std::set<int>{} : it->second.inFlight;
        if (it != expected.end() && it->second.reported) {
            runs.insert(*it->second.reported);
        }
        const bool explained = std::any_of(runs.cbegin(), runs.cend(),
                                           [&](int run) { return testsupport::crash::recordOf(day, run) == found; });
        if (!explained) {
            return QStringLiteral("a record nobody wrote: ") + describe(found);
        }
    }
    for (const auto &[day, expectation] : expected) {
        if (expectation.reported && !seen.count(day)) {
            return QStringLiteral("a reported register is lost: ") + day.toString(Qt::ISODate);
        }
    }
    return {};
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void commitsGoThroughARollbackJournalSyncedToDisk();
    void killedRegistersLoseNothingReported();
};

// Every connection runs with the rollback journal (which also works on a
// network folder, where a write-ahead log does not) and syncs each commit,
// the journal's removal included, before it reports success. A file that some
// tool turned to a write-ahead log is turned back.
void TestCrashSafety::commitsGoThroughARollbackJournalSyncedToDisk()
{
    testsupport::TempData data;
    QVERIFY(data.ok());
    QVERIFY(testsupport::execOn(data.mainPath(), QStringLiteral("PRAGMA journal_mode = WAL")));
    QCOMPARE(testsupport::SqlFile(data.mainPath()).value(QStringLiteral("PRAGMA journal_mode")).toString(),
             QStringLiteral("wal"));

    testsupport::ProgramConnections connections;
    const auto program = store::makeSqliteStore();
    QVERIFY(!program->open(store::Location::inFolder(data.folder())));
    connections.stop();
    testsupport::SqlFile main(connections.of(store::kMainFileName));
    QCOMPARE(main.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
    // EXTRA: FULL, and the folder is synced when the journal goes.
    QCOMPARE(main.value(QStringLiteral("PRAGMA synchronous")).toLongLong(), 3);
    QVERIFY(!program->saveSettings({QStringLiteral("西暦"), 0}));
    QVERIFY(!QFile::exists(data.mainPath() + QStringLiteral("-wal")));
}

void TestCrashSafety::killedRegistersLoseNothingReported()
{
    constexpr int kRuns = 200;
    bool fixed = false;
    const quint32 seed = qEnvironmentVariable("ZEPHRA_CRASH_SEED").toUInt(&fixed);
    const quint32 used = fixed ? seed : QRandomGenerator::global()->generate();
    qInfo("seed %u (ZEPHRA_CRASH_SEED=%u repeats these kills)", used, used);
    QRandomGenerator random(used);

    testsupport::TempData data;
    QVERIFY(data.ok());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    std::map<QDate, Expectation> expected;
    int registers = 0;
    int runsThatRegistered = 0;
    int hotJournals = 0; // kills in the middle of a commit
    QElapsedTimer total;
    total.start();
    for (int run = 0; run < kRuns; ++run) {
        const int delay = random.bounded(5, 81);
        QProcess writer;
        writer.setProcessEnvironment(environment);
        writer.start(QString::fromUtf8(CRASHWRITER_PATH), {data.mainPath(), QString::number(run)});
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        // Start-up takes longer than the kill window; the delay runs from the
        // moment the writer can register.
        while (!writer.canReadLine() && writer.waitForReadyRead(10000)) {
        }
        QVERIFY2(writer.readLine() == "ready\n", qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
        QThread::msleep(delay);
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        if (writer.exitStatus() == QProcess::NormalExit) {
            QFAIL(qPrintable(QStringLiteral("run %1 ended by itself: ").arg(run) +
                             QString::fromLocal8Bit(writer.readAllStandardError())));
        }

        hotJournals += QFile::exists(data.mainPath() + QStringLiteral("-journal")) ? 1 : 0;
        QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
        lines.removeLast(); // empty, or a line cut short by the kill
        for (int index = 0; index < lines.size(); ++index) {
            const QDate day = testsupport::crash::dayOf(run, index);
            QCOMPARE(QString::fromLatin1(lines[index]), day.toString(Qt::ISODate));
            expected[day] = {run, {}};
        }
        expected[testsupport::crash::dayOf(run, int(lines.size()))].inFlight.insert(run);
        registers += int(lines.size());
        runsThatRegistered += lines.isEmpty() ? 0 : 1;

        const QString fault = checkDatabase(data.mainPath(), expected);
        QVERIFY2(fault.isEmpty(),
                 qPrintable(QStringLiteral("run %1, killed after %2 ms: ").arg(run).arg(delay) + fault));
    }
    qInfo("%d registers reported by %d of %d runs, %d kills within a commit, %lld ms", registers, runsThatRegistered,
          kRuns, hotJournals, total.elapsed());
    // Kills must land while records are being written, or nothing was tested.
    QVERIFY2(runsThatRegistered >= kRuns / 4 && hotJournals >= kRuns / 4,
             "the kills rarely landed among the registers");
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "test_crashsafety.moc"
