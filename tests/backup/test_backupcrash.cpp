// Copies and restores killed at random moments, and copies refused by the
// backup folder: a folder that carries a copy's name always holds a whole,
// checked copy; the data folder is left as it was, or holds exactly one of the
// copies restored into it.

#include "backup/backups.h"

#include "store/copies.h"
#include "store/sqlitefiles.h"
#include "store/sqliteswap.h"
#include "store/store.h"
#include "support/openstore.h"
#include "support/sqlfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>

using testsupport::SqlFile;

namespace {

const QString kWriter = QStringLiteral(BACKUPWRITER_PATH);

// One data set: a journal of one pattern, its settings and its hints.
struct JournalSet
{
    QChar letter;
    int records = 0;
    QDate firstDay;
    store::Settings settings;
    QList<store::Hint> hints;
};

const JournalSet kSetA{
    u'A',
    300,
    QDate(2001, 4, 1),
    {QStringLiteral("西暦"), 0x00a000},
    {{{QStringLiteral("frm日誌"), QStringLiteral("txtメモ")},
      QStringLiteral("業務日誌"),
      QStringLiteral("その日の出来事を書きます。")},
     {{QStringLiteral("frm日誌"), QStringLiteral("num売上額")}, QStringLiteral("業務日誌"), std::nullopt},
     {{QStringLiteral("frm集計"), QStringLiteral("cmd集計")},
      QStringLiteral("集計"),
      QStringLiteral("期間を集計します。")}}};

const JournalSet kSetB{
    u'B',
    420,
    QDate(2016, 11, 20),
    {QStringLiteral("和暦"), 0x0000c0},
    {{{QStringLiteral("frm日誌"), QStringLiteral("txtメモ")}, QStringLiteral("日誌"), QStringLiteral("別の説明。")},
     {{QStringLiteral("frm設定"), QStringLiteral("cbo年号")},
      QStringLiteral("設定"),
      QStringLiteral("年号を選びます。")}}};

store::JournalRecord recordOf(const JournalSet &set, int index)
{
    const bool a = set.letter == u'A';
    store::JournalRecord record;
    record.date = set.firstDay.addDays(index);
    record.amounts.sales = qint64(index + 1) * (a ? 1000 : 777);
    record.amounts.purchases = a ? -index : index * 3;
    record.amounts.moneyIn = index % 5 == 0 ? std::nullopt : store::Amount(index * 11);
    record.amounts.moneyOut = a ? store::Amount(9'000'000'000 + index) : std::nullopt;
    QString text = QStringLiteral("%1の%2日目。").arg(set.letter).arg(index);
    while (text.size() < 150) {
        text += a ? QStringLiteral("午前は来客、午後は帳簿の整理。") : QStringLiteral("終日、倉庫で棚卸し。");
    }
    record.text = text.left(150);
    return record;
}

// Creates the two files in `folder` and fills them with `set`; an error text, empty on success.
QString makeData(const QString &folder, const JournalSet &set)
{
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("cannot make ") + folder;
    }
    if (const store::DbError error = store::createSqliteFiles(folder)) {
        return error.message;
    }
    std::optional<store::OpenFailure> failure;
    const auto opened = testsupport::openStore(folder, failure);
    if (!opened) {
        return failure->error.message;
    }
    const store::DbError error = opened->inTransaction([&]() -> store::DbError {
        for (int index = 0; index < set.records; ++index) {
            if (store::DbError saved = opened->saveDay(recordOf(set, index))) {
                return saved;
            }
        }
        if (store::DbError saved = opened->saveSettings(set.settings)) {
            return saved;
        }
        for (const store::Hint &hint : set.hints) {
            if (store::DbError saved = opened->storeHint(hint)) {
                return saved;
            }
        }
        return {};
    });
    return error.message;
}

// Every stored row of the tables a restore replaces, as SqlFile::rows gives them.
struct Contents
{
    QStringList journal;
    QStringList settings;
    QStringList hints;

    bool operator==(const Contents &) const = default;
};

Contents contentsOf(const QString &folder)
{
    const QDir dir(folder);
    SqlFile main(dir.filePath(store::kMainFileName));
    SqlFile work(dir.filePath(store::kWorkFileName));
    return {main.rows(QStringLiteral("業務日誌")), main.rows(QStringLiteral("自社情報")),
            work.rows(QStringLiteral("ClHint"))};
}

// Which tables of `found` are those of `a`, and which those of `b`.
QString compared(const Contents &found, const Contents &a, const Contents &b)
{
    const auto which = [](const QStringList &rows, const QStringList &ofA, const QStringList &ofB) {
        return rows == ofA ? QStringLiteral("A") : rows == ofB ? QStringLiteral("B") : QStringLiteral("neither");
    };
    return QStringLiteral("journal %1 (%2 rows), settings %3, hints %4")
        .arg(which(found.journal, a.journal, b.journal))
        .arg(found.journal.size())
        .arg(which(found.settings, a.settings, b.settings), which(found.hints, a.hints, b.hints));
}

// The engine's full check of both files, opened as another program opens them.
QString integrityOf(const QString &folder)
{
    for (const QString &name : {store::kMainFileName, store::kWorkFileName}) {
        SqlFile file(QDir(folder).filePath(name));
        const QString verdict = file.value(QStringLiteral("PRAGMA integrity_check")).toString();
        if (verdict != QLatin1String("ok")) {
            return name + QStringLiteral(": ") + (verdict.isEmpty() ? file.lastError() : verdict);
        }
    }
    return {};
}

// Every file of a folder, hidden ones too, with its size and a hash of its bytes.
QStringList fingerprintOf(const QString &folder)
{
    QStringList prints;
    const QDir dir(folder);
    for (const QFileInfo &entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile file(entry.absoluteFilePath());
        const QByteArray hash = file.open(QIODevice::ReadOnly)
                                    ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex()
                                    : QByteArrayLiteral("unreadable");
        prints << QStringLiteral("%1 %2 %3").arg(entry.fileName()).arg(entry.size()).arg(QString::fromLatin1(hash));
    }
    return prints;
}

// The entries of the backup folder by kind.
struct BackupEntries
{
    QStringList copies;    // carrying a copy's name
    QStringList unchecked; // left by a copy killed half-way
    QStringList others;
};

BackupEntries entriesOf(const QString &backupFolder)
{
    BackupEntries entries;
    for (const QFileInfo &entry :
         QDir(backupFolder)
             .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString name = entry.fileName();
        if (entry.isDir() && backup::parseCopyName(name)) {
            entries.copies << name;
        } else if (backup::isUncheckedName(name)) {
            entries.unchecked << name;
        } else {
            entries.others << name;
        }
    }
    return entries;
}

// A named copy that passes the full check and holds `expected` (or, with
// `other`, either); the failure, or an empty text.
QString checkNamedCopy(const QString &path, const Contents &expected, const Contents *other = nullptr)
{
    store::CopyCheck check;
    if (const store::DbError error = store::checkCopy(path, check)) {
        return QStringLiteral("checkCopy: ") + error.message;
    }
    const QStringList files = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    if (files != QStringList{store::kMainFileName, store::kWorkFileName}) {
        return QStringLiteral("files: ") + files.join(u' ');
    }
    const Contents found = contentsOf(path);
    const bool expectedFound = found == expected || (other && found == *other);
    if (!expectedFound || check.records != found.journal.size()) {
        return QStringLiteral("%1 records counted; ").arg(check.records) +
               compared(found, expected, other ? *other : expected);
    }
    return {};
}

// A writer run and killed: the operations it finished, and when the kill came.
struct KilledRun
{
    QStringList lines;
    int finishedBeforeDelay = 0;
    int delayMicroseconds = 0;
    QString failure; // the writer could not start, or ended by itself

    QString context(int round) const
    {
        return QStringLiteral("round %1, killed %2 µs after operation %3: ")
            .arg(round)
            .arg(delayMicroseconds)
            .arg(finishedBeforeDelay);
    }
};

// Starts the writer, lets it finish 0 to 2 operations and kills it somewhere
// within the time of one and a half more. That time is what the operations
// have taken so far (`microsecondsPerLine`), so that the kills spread over an
// operation on a fast disk and on a slow one alike.
KilledRun runAndKill(const QStringList &arguments, QRandomGenerator &random, double &microsecondsPerLine)
{
    KilledRun run;
    QProcess writer;
    writer.start(kWriter, arguments);
    if (!writer.waitForStarted()) {
        run.failure = writer.errorString();
        return run;
    }
    const auto nextLine = [&writer]() -> std::optional<QString> {
        while (!writer.canReadLine()) {
            if (!writer.waitForReadyRead(30000)) {
                return std::nullopt;
            }
        }
        return QString::fromLocal8Bit(writer.readLine()).chopped(1);
    };
    if (nextLine() != QStringLiteral("ready")) {
        writer.kill();
        writer.waitForFinished();
        run.failure =
            QStringLiteral("the writer did not start: ") + QString::fromLocal8Bit(writer.readAllStandardError());
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    run.finishedBeforeDelay = random.bounded(3);
    while (run.lines.size() < run.finishedBeforeDelay) {
        const std::optional<QString> line = nextLine();
        if (!line) {
            break; // ended by itself: told below
        }
        run.lines << *line;
    }
    if (run.finishedBeforeDelay > 0) {
        const double taken = double(clock.nsecsElapsed()) / 1000 / run.finishedBeforeDelay;
        microsecondsPerLine = 0.7 * microsecondsPerLine + 0.3 * taken;
    }
    run.delayMicroseconds = random.bounded(std::max(1000, int(1.5 * microsecondsPerLine)));
    QThread::usleep(static_cast<unsigned long>(run.delayMicroseconds));
    writer.kill();
    if (!writer.waitForFinished(10000) || writer.exitStatus() == QProcess::NormalExit) {
        run.failure =
            QStringLiteral("the writer ended by itself: ") + QString::fromLocal8Bit(writer.readAllStandardError());
        return run;
    }
    QStringList rest = QString::fromLocal8Bit(writer.readAllStandardOutput()).split(u'\n');
    rest.removeLast(); // empty, or a line cut short by the kill
    run.lines += rest;
    return run;
}

QRandomGenerator seededRandom()
{
    bool fixed = false;
    const quint32 seed = qEnvironmentVariable("ZEPHRA_CRASH_SEED").toUInt(&fixed);
    const quint32 used = fixed ? seed : QRandomGenerator::global()->generate();
    qInfo("seed %u (ZEPHRA_CRASH_SEED=%u repeats these kills)", used, used);
    return QRandomGenerator(used);
}

// A file system of a fixed size at `path`, for as long as the object lives;
// mounting needs root and a system that allows it.
class SmallDisk
{
public:
    SmallDisk(const QString &path, qint64 bytes) : m_path(path)
    {
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), path}) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted) {
            QProcess::execute(QStringLiteral("umount"), {m_path});
        }
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool mounted() const { return m_mounted; }

private:
    QString m_path;
    bool m_mounted = false;
};

qint64 pagesOf(qint64 bytes)
{
    return (bytes + 4095) / 4096;
}

enum class Fault {
    BackupIsAFile,
    ParentIsAFile,
    ReadOnlyFolder,
    NoRoomForMain,
    RoomForMainOnly,
    FileSizeLimit,
    NoWorkFile
};

} // namespace

class TestBackupCrash : public QObject
{
    Q_OBJECT

private slots:
    void copiesOfOneSecondAllSurvive();
    void deletedBackupFolderIsMadeAgain();
    void refusedCopyLeavesNothing_data();
    void refusedCopyLeavesNothing();

    void killedCopiesAreWholeOrUnnamed();
    void killedRestoresLeaveOneSetOrTheOther_data();
    void killedRestoresLeaveOneSetOrTheOther();
};

void TestBackupCrash::copiesOfOneSecondAllSurvive()
{
    const QTemporaryDir root;
    const QDir dir(root.path());
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString backups = dir.filePath(QStringLiteral("backups"));
    QCOMPARE(makeData(data, kSetA), QString());
    const Contents source = contentsOf(data);
    const QDateTime now(QDate(2026, 12, 7), QTime(21, 5, 9, 450));

    const backup::MadeCopy first =
        backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Daily, now);
    const backup::MadeCopy second =
        backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Daily, now.addMSecs(300));
    QVERIFY2(!first.failure && !second.failure, qPrintable(first.failure.value_or(second.failure.value_or(QString()))));
    QCOMPARE(QFileInfo(first.path).fileName(), QStringLiteral("20261207-210509-daily"));
    QCOMPARE(QFileInfo(second.path).fileName(), QStringLiteral("20261207-210509-daily-2"));
    QCOMPARE(first.check.records, kSetA.records);
    QCOMPARE(second.check.records, kSetA.records);

    // A copy killed half-way keeps its name taken: the next copy steps over it and leaves it be.
    QVERIFY(dir.mkpath(QStringLiteral("backups/") + backup::uncheckedName(QStringLiteral("20261207-210509-daily-3"))));
    const backup::MadeCopy fourth =
        backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Daily, now);
    QVERIFY2(!fourth.failure, qPrintable(fourth.failure.value_or(QString())));
    QCOMPARE(QFileInfo(fourth.path).fileName(), QStringLiteral("20261207-210509-daily-4"));

    const QList<backup::CopyEntry> listed = backup::listCopies(backups);
    QCOMPARE(listed.size(), 3);
    QCOMPARE(listed.at(0).path, fourth.path);
    QCOMPARE(listed.at(2).path, first.path);
    for (const backup::CopyEntry &copy : listed) {
        const QString fault = checkNamedCopy(copy.path, source);
        QVERIFY2(fault.isEmpty(), qPrintable(copy.path + QStringLiteral(": ") + fault));
    }
    QCOMPARE(entriesOf(backups).unchecked.size(), 1);
    QCOMPARE(backup::thinCopies(backups, now.addSecs(3599), backup::Generations{}), 0);
    QCOMPARE(entriesOf(backups).unchecked.size(), 1);
    QCOMPARE(backup::thinCopies(backups, now.addSecs(3602), backup::Generations{}), 0);
    QCOMPARE(entriesOf(backups).unchecked, QStringList());
    QCOMPARE(backup::listCopies(backups).size(), 3);
}

void TestBackupCrash::deletedBackupFolderIsMadeAgain()
{
    const QTemporaryDir root;
    const QDir dir(root.path());
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString backups = dir.filePath(QStringLiteral("nested/backups"));
    QCOMPARE(makeData(data, kSetB), QString());
    const QDateTime now(QDate(2026, 3, 1), QTime(8, 0));

    const backup::MadeCopy first =
        backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Exit, now);
    QVERIFY2(!first.failure, qPrintable(first.failure.value_or(QString())));
    QVERIFY(QDir(dir.filePath(QStringLiteral("nested"))).removeRecursively());
    const backup::MadeCopy second =
        backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Exit, now.addSecs(60));
    QVERIFY2(!second.failure, qPrintable(second.failure.value_or(QString())));
    QCOMPARE(backup::listCopies(backups).size(), 1);
    QCOMPARE(checkNamedCopy(second.path, contentsOf(data)), QString());
}

void TestBackupCrash::refusedCopyLeavesNothing_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("backup folder is a file") << Fault::BackupIsAFile;
    QTest::newRow("backup folder's parent is a file") << Fault::ParentIsAFile;
    QTest::newRow("backup folder is read-only") << Fault::ReadOnlyFolder;
    QTest::newRow("disk too small for the main file") << Fault::NoRoomForMain;
    QTest::newRow("disk fills at the work file") << Fault::RoomForMainOnly;
    QTest::newRow("files may not grow past a limit") << Fault::FileSizeLimit;
    QTest::newRow("data folder lacks its work file") << Fault::NoWorkFile;
}

void TestBackupCrash::refusedCopyLeavesNothing()
{
    QFETCH(Fault, fault);
    const QTemporaryDir root;
    const QDir dir(root.path());
    const QString data = dir.filePath(QStringLiteral("data"));
    QString backups = dir.filePath(QStringLiteral("backups"));
    QCOMPARE(makeData(data, kSetA), QString());
    const qint64 mainSize = QFileInfo(QDir(data).filePath(store::kMainFileName)).size();
    const qint64 workSize = QFileInfo(QDir(data).filePath(store::kWorkFileName)).size();

    std::unique_ptr<SmallDisk> disk;
    std::function<void()> undo = [] {};
    const auto undoAtEnd = qScopeGuard([&undo] { undo(); });
    switch (fault) {
    case Fault::BackupIsAFile: {
        QFile file(backups);
        QVERIFY(file.open(QIODevice::WriteOnly));
        break;
    }
    case Fault::ParentIsAFile: {
        QFile file(backups);
        QVERIFY(file.open(QIODevice::WriteOnly));
        backups += QStringLiteral("/daily");
        break;
    }
    case Fault::ReadOnlyFolder: {
        QVERIFY(dir.mkdir(QStringLiteral("backups")));
        QVERIFY(QFile::setPermissions(backups, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                                   QFile::ReadOther | QFile::ExeOther));
        undo = [backups] { QFile::setPermissions(backups, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); };
        if (QDir(backups).mkdir(QStringLiteral("probe"))) {
            QSKIP("this user writes into read-only folders (root)");
        }
        break;
    }
    case Fault::NoRoomForMain:
    case Fault::RoomForMainOnly: {
        QVERIFY(dir.mkdir(QStringLiteral("backups")));
        // The main copy needs its pages and one for its journal while it is written.
        const qint64 pages =
            fault == Fault::NoRoomForMain ? pagesOf(mainSize) / 2 : pagesOf(mainSize) + pagesOf(workSize) - 1;
        QVERIFY(pagesOf(workSize) >= 2);
        disk = std::make_unique<SmallDisk>(backups, pages * 4096);
        if (!disk->mounted()) {
            QSKIP("no small file system can be mounted here");
        }
        break;
    }
    case Fault::FileSizeLimit:
    case Fault::NoWorkFile:
        break;
    }
    if (fault == Fault::NoWorkFile) {
        QVERIFY(QFile::remove(QDir(data).filePath(store::kWorkFileName)));
    }
    const QStringList dataBefore = fingerprintOf(data);

    backup::MadeCopy made;
    if (fault == Fault::FileSizeLimit) {
        // The limit is the process's own: set in a child, the test's output stays free of it.
        QProcess writer;
        writer.start(kWriter, {QStringLiteral("copy-limited"), data, backups, QString::number(mainSize / 2)});
        QVERIFY(writer.waitForFinished(30000));
        const QString said = QString::fromLocal8Bit(writer.readAllStandardOutput()).trimmed();
        QVERIFY2(writer.exitCode() == 1 && said.startsWith(QLatin1String("failed: ")),
                 qPrintable(said + QString::fromLocal8Bit(writer.readAllStandardError())));
        made.failure = said;
    } else {
        made = backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Daily,
                                QDateTime::currentDateTime());
    }
    const BackupEntries left = entriesOf(backups);
    QVERIFY2(made.failure, qPrintable(made.path));
    qInfo("%s", qPrintable(*made.failure));
    QCOMPARE(left.copies, QStringList());
    QCOMPARE(left.unchecked, QStringList());
    QCOMPARE(left.others, QStringList());
    QCOMPARE(fingerprintOf(data), dataBefore);
    if (fault == Fault::BackupIsAFile || fault == Fault::ParentIsAFile) {
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("backups"))).isFile());
    }
}

void TestBackupCrash::killedCopiesAreWholeOrUnnamed()
{
    constexpr int kRounds = 150;
    QRandomGenerator random = seededRandom();
    const QTemporaryDir root;
    const QDir dir(root.path());
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString backups = dir.filePath(QStringLiteral("backups"));
    QCOMPARE(makeData(data, kSetA), QString());
    const Contents source = contentsOf(data);
    const QStringList dataBefore = fingerprintOf(data);

    QSet<QString> checked;
    double microsecondsPerLine = 20'000;
    int reported = 0;
    int killedWithinACopy = 0;
    QElapsedTimer total;
    total.start();
    for (int round = 0; round < kRounds; ++round) {
        const int uncheckedBefore = int(entriesOf(backups).unchecked.size());
        const KilledRun run = runAndKill({QStringLiteral("copy"), data, backups}, random, microsecondsPerLine);
        QVERIFY2(run.failure.isEmpty(), qPrintable(run.failure));
        const QStringList &lines = run.lines;
        reported += int(lines.size());

        const QString context = run.context(round);
        const BackupEntries entries = entriesOf(backups);
        QVERIFY2(entries.others.isEmpty(), qPrintable(context + entries.others.join(u' ')));
        for (const QString &line : lines) {
            QVERIFY2(entries.copies.contains(QFileInfo(line).fileName()),
                     qPrintable(context + QStringLiteral("a reported copy is missing: ") + line));
        }
        for (const QString &name : entries.copies) {
            if (!checked.contains(name)) {
                const QString fault = checkNamedCopy(QDir(backups).filePath(name), source);
                QVERIFY2(fault.isEmpty(), qPrintable(context + name + QStringLiteral(": ") + fault));
                checked.insert(name);
            }
        }
        killedWithinACopy += entries.unchecked.size() > uncheckedBefore ? 1 : 0;
        QVERIFY2(fingerprintOf(data) == dataBefore, qPrintable(context + QStringLiteral("the data files changed")));
    }
    QCOMPARE(integrityOf(data), QString());
    QCOMPARE(contentsOf(data), source);

    const int leftovers = int(entriesOf(backups).unchecked.size());
    const int copies = int(checked.size());
    QCOMPARE(backup::thinCopies(backups, QDateTime::currentDateTime().addSecs(2 * 3600), backup::Generations{}), 0);
    const BackupEntries thinned = entriesOf(backups);
    QCOMPARE(thinned.unchecked, QStringList());
    QCOMPARE(thinned.copies.size(), copies);
    qInfo("%d rounds: %d copies reported, %d found and checked, %d kills within a copy left %d unchecked folders, "
          "%.1f ms a copy, %lld ms",
          kRounds, reported, copies, killedWithinACopy, leftovers, microsecondsPerLine / 1000, total.elapsed());
    // The kills must land among the copies, half-way and after some finished, or nothing was tested.
    QVERIFY2(killedWithinACopy >= kRounds / 2 && reported >= kRounds, "the kills rarely landed among the copies");
}

void TestBackupCrash::killedRestoresLeaveOneSetOrTheOther_data()
{
    QTest::addColumn<bool>("throughRestoreCopy");
    QTest::newRow("store's restore") << false;
    QTest::newRow("restoreCopy") << true;
}

void TestBackupCrash::killedRestoresLeaveOneSetOrTheOther()
{
    QFETCH(bool, throughRestoreCopy);
    constexpr int kRounds = 150;
    QRandomGenerator random = seededRandom();
    const QTemporaryDir root;
    const QDir dir(root.path());
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString backups = dir.filePath(QStringLiteral("backups"));
    const QString sets = dir.filePath(QStringLiteral("sets"));
    QCOMPARE(makeData(dir.filePath(QStringLiteral("a")), kSetA), QString());
    QCOMPARE(makeData(dir.filePath(QStringLiteral("b")), kSetB), QString());
    const QDateTime made = QDateTime::currentDateTime();
    const backup::MadeCopy copyA = backup::makeCopy(store::Location::inFolder(dir.filePath(QStringLiteral("a"))), sets,
                                                    backup::CopyKind::Manual, made);
    const backup::MadeCopy copyB = backup::makeCopy(store::Location::inFolder(dir.filePath(QStringLiteral("b"))), sets,
                                                    backup::CopyKind::Manual, made);
    QVERIFY(!copyA.failure && !copyB.failure);
    const Contents a = contentsOf(copyA.path);
    const Contents b = contentsOf(copyB.path);
    QCOMPARE(a.journal.size(), kSetA.records);
    QCOMPARE(b.journal.size(), kSetB.records);
    QVERIFY(a.settings != b.settings && a.hints != b.hints);
    QCOMPARE(makeData(data, kSetA), QString());
    QCOMPARE(contentsOf(data), a);

    const QStringList arguments =
        throughRestoreCopy ? QStringList{QStringLiteral("restore-copy"), data, backups, copyA.path, copyB.path}
                           : QStringList{QStringLiteral("restore"), data, copyA.path, copyB.path};
    double microsecondsPerLine = 20'000;
    int restores = 0;
    int killedWithinATransaction = 0;
    int finishedAtOpening = 0;
    int asideCopies = 0;
    int leftovers = 0;
    QMap<QString, int> seen;
    QElapsedTimer total;
    total.start();
    for (int round = 0; round < kRounds; ++round) {
        const KilledRun run = runAndKill(arguments, random, microsecondsPerLine);
        QVERIFY2(run.failure.isEmpty(), qPrintable(run.failure));
        const QStringList &lines = run.lines;
        const QString context = run.context(round);
        for (int index = 0; index < lines.size(); ++index) {
            QCOMPARE(lines.at(index), index % 2 ? QStringLiteral("restored A") : QStringLiteral("restored B"));
        }
        restores += int(lines.size());
        const QStringList journals = QDir(data).entryList({QStringLiteral("*-journal")}, QDir::Files | QDir::Hidden);
        // restoreCopy writes no transaction into the data: it makes new files and exchanges them.
        const bool midSwap = QFileInfo(store::preparedFolder(data)).isDir();
        killedWithinATransaction += journals.isEmpty() && !midSwap ? 0 : 1;
        finishedAtOpening +=
            QFileInfo::exists(QDir(store::preparedFolder(data)).filePath(store::kSwapNoteName)) ? 1 : 0;

        // Opened as the program opens it, which rolls back a transaction the kill cut short.
        std::optional<store::OpenFailure> failure;
        QVERIFY2(testsupport::openStore(data, failure), qPrintable(context + failure->error.message));
        const QString integrity = integrityOf(data);
        QVERIFY2(integrity.isEmpty(), qPrintable(context + integrity));
        const Contents found = contentsOf(data);
        QVERIFY2(found == a || found == b, qPrintable(context + compared(found, a, b)));
        ++seen[found == a ? QStringLiteral("A") : QStringLiteral("B")];

        // The copies of the data as it was before each restore: whole, and one set or the other.
        const BackupEntries entries = entriesOf(backups);
        QVERIFY2(entries.others.isEmpty(), qPrintable(context + entries.others.join(u' ')));
        for (const QString &name : entries.copies) {
            const QString path = QDir(backups).filePath(name);
            const QString fault = checkNamedCopy(path, a, &b);
            QVERIFY2(fault.isEmpty(), qPrintable(context + name + QStringLiteral(": ") + fault));
            QVERIFY(QDir(path).removeRecursively());
            ++asideCopies;
        }
        leftovers = int(entries.unchecked.size());
    }
    QCOMPARE(backup::thinCopies(backups, QDateTime::currentDateTime().addSecs(2 * 3600), backup::Generations{}), 0);
    QCOMPARE(entriesOf(backups).unchecked, QStringList());
    // A kill after SQLite wrote the journal that ties the two files' journals together, and before it named that
    // journal in them, leaves it behind: harmless, and never removed.
    const qsizetype strayJournals =
        QDir(data).entryList({store::kMainFileName + QStringLiteral("-mj*")}, QDir::Files | QDir::Hidden).size();
    qInfo("%d rounds: %d restores reported, %d kills within a transaction or a swap (%d swaps finished at the "
          "opening), data left as A %d and as B %d times, "
          "%d copies made aside, %d unchecked folders left, %lld stray super-journals, %.1f ms a restore, %lld ms",
          kRounds, restores, killedWithinATransaction, finishedAtOpening, seen.value(QStringLiteral("A")),
          seen.value(QStringLiteral("B")), asideCopies, leftovers, qint64(strayJournals), microsecondsPerLine / 1000,
          total.elapsed());
    QVERIFY2(seen.size() == 2 && restores >= kRounds / 2 && killedWithinATransaction >= kRounds / 5,
             "the kills rarely landed among the restores");
}

QTEST_GUILESS_MAIN(TestBackupCrash)
#include "test_backupcrash.moc"
