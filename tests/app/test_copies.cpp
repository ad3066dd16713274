// The copies the program makes by itself: the check of the files after the
// window is up and the day's copy, the copy on closing after writes, a backup
// folder that refuses copies (told once), damage found at start-up, and the
// command-line verbs.

#include "backup/backups.h"
#include "startedwindow.h"

#include "app/backupkeeper.h"
#include "common/datalock.h"
#include "common/progress.h"
#include "journal/journalpage.h"
#include "store/sqlitefiles.h"
#include "support/pageenvironment.h"
#include "support/slowreads.h"
#include "support/sqlfile.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QDateTime kMorning(QDate(2026, 12, 7), QTime(8, 30, 0));

QStringList copiesIn(const QString &backupFolder)
{
    QStringList names;
    for (const backup::CopyEntry &copy : backup::listCopies(backupFolder)) {
        names.append(QFileInfo(copy.path).fileName());
    }
    return names;
}

bool addDays(const QString &dataFolder, int days)
{
    return testsupport::execOn(
        QDir(dataFolder).filePath(store::kMainFileName),
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1) "
                       "INSERT INTO 業務日誌 (日付, 売上額, 日誌) SELECT date('2007-04-01', '+' || i || ' days'), i, "
                       "'日誌の文章' || i FROM n")
            .arg(days));
}

bool damage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.size() < 16384) {
        return false;
    }
    file.seek(8192);
    return file.write(QByteArray(4096, '\x7f')) == 4096;
}

// The program copied beside a data folder of its own, so that its verbs work on that folder.
QString programBeside(const QTemporaryDir &dir)
{
    const QString program = dir.filePath(QStringLiteral("zephra"));
    if (!QFile::exists(program)) {
        QFile::copy(QStringLiteral(ZEPHRA_PATH), program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return program;
}

// Whether a copy is being written that holds the journal but not yet the work file.
bool copyingJournal(const QString &backupFolder)
{
    QDirIterator copies(backupFolder, {QStringLiteral(".unchecked-*")}, QDir::Dirs | QDir::Hidden);
    while (copies.hasNext()) {
        const QDir copy(copies.next());
        if (QFileInfo::exists(copy.filePath(store::kMainFileName)) &&
            !QFileInfo::exists(copy.filePath(store::kWorkFileName))) {
            return true;
        }
    }
    return false;
}

} // namespace

class TestCopies : public QObject
{
    Q_OBJECT

private slots:
    void checkThenOneCopyADay();
    void damageFoundAfterStartNamesTheNewestGoodCopy();
    void closingAfterWritesLeavesACopy();
    void refusedCopiesAreToldOnceUntilOneSucceeds();
    void commandLineBackupAndRestore();
    void registerDuringALongCopyDoesNotWait();
    void registersThroughACopyNeverFail();
    void registerDuringTheCheck_data();
    void registerDuringTheCheck();
    void restoreTellsHeldFromDamaged();
    void restoreRefusesWhatIsNoCopy();
    void copiesAreAsPrivateAsTheData();
    void importRefusesDamagedData();
};

void TestCopies::checkThenOneCopyADay()
{
    testsupport::MainWindow w;
    QVERIFY(addDays(w.dataFolder(), 200));
    QDateTime now = kMorning;
    app::BackupKeeper keeper(w.dataFolder(), [&now] { return now; });
    QSignalSpy made(&keeper, &app::BackupKeeper::copyMade);
    QSignalSpy failed(&keeper, &app::BackupKeeper::checkFailed);
    keeper.startChecks();
    keeper.waitForCheck();
    QVERIFY(made.wait(20'000));
    QCOMPARE(failed.count(), 0);
    QCOMPARE(copiesIn(keeper.backupFolder()), QStringList{QStringLiteral("20261207-083000-daily")});
    keeper.stop();

    // A second start the same day makes none; the next day makes one.
    for (const QDateTime &start : {kMorning.addSecs(3600), kMorning.addDays(1)}) {
        now = start;
        app::BackupKeeper again(w.dataFolder(), [&now] { return now; });
        again.startChecks();
        again.waitForCheck();
        again.stop(); // finishes a copy being made
        QCoreApplication::processEvents();
    }
    QCOMPARE(copiesIn(keeper.backupFolder()),
             (QStringList{QStringLiteral("20261208-083000-daily"), QStringLiteral("20261207-083000-daily")}));
}

void TestCopies::damageFoundAfterStartNamesTheNewestGoodCopy()
{
    testsupport::MainWindow w;
    QVERIFY(addDays(w.dataFolder(), 600));
    const QString backups = w.dataFolder() + QStringLiteral("backup");
    QVERIFY(!backup::makeCopy(store::Location::inFolder(w.dataFolder()), backups, backup::CopyKind::Exit,
                              kMorning.addDays(-1))
                 .failure);
    QVERIFY(damage(w.mainPath()));

    QVERIFY(w.start());
    w.presenter.answers = {common::Answer::Yes};
    QSignalSpy failed(w.frm->backups(), &app::BackupKeeper::checkFailed);
    w.frm->show();
    QVERIFY(failed.wait(20'000));
    QTRY_VERIFY(!w.presenter.shown.isEmpty());
    const common::MessageRequest offer = w.presenter.shown.first();
    QCOMPARE(offer.title, QStringLiteral("データファイルの異常"));
    QVERIFY2(offer.text.contains(QStringLiteral("2026/12/06 08:30:00（600 日分")), qPrintable(offer.text));
    QCOMPARE(offer.style, common::kQuestionNoDefault);
    // Yes: the good copy's files in place, the damaged ones kept, the window on the good data.
    QTRY_VERIFY(w.presenter.shown.size() >= 2);
    QVERIFY(w.session.store().isOpen());
    qint64 count = 0;
    QVERIFY(!w.session.store().countRecords(count));
    QCOMPARE(count, qint64(600));
    const QStringList kept = QDir(backups).entryList({QStringLiteral("damaged-*")}, QDir::Dirs);
    QCOMPARE(kept.size(), 1);
    QVERIFY(QFileInfo::exists(QDir(backups).filePath(kept.first() + QLatin1Char('/') + store::kMainFileName)));
    w.frm->close();
}

void TestCopies::closingAfterWritesLeavesACopy()
{
    testsupport::MainWindow w;
    QVERIFY(w.start());
    w.frm->close(); // nothing written: nothing copied
    const QString backups = w.dataFolder() + QStringLiteral("backup");
    QVERIFY(copiesIn(backups).isEmpty());

    testsupport::MainWindow second(QDate(2007, 4, 4), w.programFolder());
    QVERIFY(second.start());
    QVERIFY(!second.session.store().saveDay({QDate(2007, 4, 4), {1, 2, 3, 4}, QStringLiteral("閉じる前"), {}}));
    second.frm->close();
    const QStringList copies = copiesIn(backups);
    QCOMPARE(copies.size(), 1);
    QVERIFY(copies.first().endsWith(QStringLiteral("-exit")));
    store::CopyCheck check;
    QVERIFY(!store::checkCopy(QDir(backups).filePath(copies.first()), check));
    QCOMPARE(check.records, qint64(1));
    QVERIFY(second.presenter.shown.isEmpty());
}

void TestCopies::refusedCopiesAreToldOnceUntilOneSucceeds()
{
    QTemporaryDir program;
    QVERIFY(app::initData(program.filePath(QStringLiteral("data"))).exitStatus == 0);
    const QString blocker = program.filePath(QStringLiteral("data/backup"));
    const auto runWithAWrite = [&](const QDate &day) {
        testsupport::MainWindow w(QDate(2007, 4, 4), program.path());
        if (!w.start() || w.session.store().saveDay({day, {1, 1, 1, 1}, QStringLiteral("日誌"), {}})) {
            return QStringList{QStringLiteral("did not run")};
        }
        w.frm->close();
        QStringList titles;
        for (const common::MessageRequest &shown : std::as_const(w.presenter.shown)) {
            titles.append(shown.title);
        }
        return titles;
    };
    // A file where the backup folder should be: no copy can be made, whoever runs the program.
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(runWithAWrite(QDate(2007, 4, 1)), QStringList{QStringLiteral("控えを作成できません")});
    QCOMPARE(runWithAWrite(QDate(2007, 4, 2)), QStringList());
    // The folder comes back: the copy is made, silently, and a new failure is told again.
    QVERIFY(QFile::remove(blocker));
    QCOMPARE(runWithAWrite(QDate(2007, 4, 3)), QStringList());
    QCOMPARE(copiesIn(blocker).size(), 1);
    QVERIFY(QDir(blocker).removeRecursively());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(runWithAWrite(QDate(2007, 4, 4)), QStringList{QStringLiteral("控えを作成できません")});
    // Every write was kept all along.
    QCOMPARE(testsupport::countOn(program.filePath(QStringLiteral("data/VelmoraA.mdb")), QStringLiteral("業務日誌")),
             qint64(4));
}

void TestCopies::commandLineBackupAndRestore()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(app::initData(data).exitStatus == 0);
    QVERIFY(addDays(data, 30));
    const QString usb = dir.filePath(QStringLiteral("usb"));

    // --backup DIR has no data folder of its own to go by: the verbs take the program's; run it there.
    const QString program = dir.filePath(QStringLiteral("zephra"));
    QVERIFY(QFile::copy(QStringLiteral(ZEPHRA_PATH), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcess process;
    process.start(program, {QStringLiteral("--backup"), usb});
    QVERIFY(process.waitForFinished(60'000));
    QCOMPARE(process.exitCode(), 0);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("30 日分")), qPrintable(out));
    const QStringList copies = copiesIn(usb);
    QCOMPARE(copies.size(), 1);
    QVERIFY(copies.first().endsWith(QStringLiteral("-manual")));

    QVERIFY(testsupport::execOn(QDir(data).filePath(store::kMainFileName), QStringLiteral("DELETE FROM 業務日誌")));
    process.start(program, {QStringLiteral("--restore"), QDir(usb).filePath(copies.first())});
    QVERIFY(process.waitForFinished(60'000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QCOMPARE(testsupport::countOn(QDir(data).filePath(store::kMainFileName), QStringLiteral("業務日誌")), qint64(30));

    // A damaged copy is refused with the reason; the data stays.
    QFile shortened(QDir(usb).filePath(copies.first() + QLatin1Char('/') + store::kMainFileName));
    QVERIFY(shortened.open(QIODevice::ReadWrite) && shortened.resize(shortened.size() / 2));
    shortened.close();
    process.start(program, {QStringLiteral("--restore"), QDir(usb).filePath(copies.first())});
    QVERIFY(process.waitForFinished(60'000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(QStringLiteral("復元できません")));
    QCOMPARE(testsupport::countOn(QDir(data).filePath(store::kMainFileName), QStringLiteral("業務日誌")), qint64(30));
}

void TestCopies::registerDuringALongCopyDoesNotWait()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(app::initData(data).exitStatus == 0);
    const QString journal = QDir(data).filePath(store::kMainFileName);
    // A journal of some hundred megabytes, whose copy takes longer than a writer would wait.
    constexpr int kDays = 4000;
    QVERIFY(testsupport::execOn(
        journal, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1) "
                                "INSERT INTO 業務日誌 (日付, 売上額, 日誌) SELECT date('1990-01-01', '+' || i || "
                                "' days'), i, hex(zeroblob(50000)) FROM n")
                     .arg(kDays)));
    auto store = store::makeSqliteStore();
    QVERIFY(!store->open(store::Location::inFolder(data)));

    QProcess backup;
    backup.start(programBeside(dir), {QStringLiteral("--backup")});
    const QString backups = QDir(data).filePath(QStringLiteral("backup"));
    QElapsedTimer started;
    started.start();
    while (!copyingJournal(backups)) {
        QVERIFY2(started.elapsed() < 20'000 && backup.state() != QProcess::NotRunning, "the copy did not start");
        QThread::msleep(2);
    }
    QThread::msleep(100);
    QVERIFY(copyingJournal(backups));

    // The register goes through at once, while the journal is still being copied.
    QElapsedTimer registering;
    registering.start();
    const store::DbError error = store->saveDay({QDate(2026, 12, 7), {1, 2, 3, 4}, QStringLiteral("控えの最中"), {}});
    const qint64 waited = registering.elapsed();
    QVERIFY2(!error, qPrintable(store::describeForUser(error)));
    QVERIFY2(waited < 400, qPrintable(QStringLiteral("the register waited %1 ms").arg(waited)));
    QVERIFY2(copyingJournal(backups), "the journal's copy was over before the register");
    store->close();

    // The copy is of one state, the register in it.
    QVERIFY(backup.waitForFinished(60'000));
    QVERIFY2(backup.exitCode() == 0, backup.readAllStandardError().constData());
    const QStringList copies = copiesIn(backups);
    QCOMPARE(copies.size(), 1);
    store::CopyCheck check;
    QVERIFY(!store::checkCopy(QDir(backups).filePath(copies.first()), check, store::CheckDepth::Summary));
    QCOMPARE(check.records, qint64(kDays + 1));
}

// Registers one after another for as long as a slow copy of the same data
// runs in this program: each restarts the copy's stepped passes, and a copy
// that takes the journal whole inside one read gives way to them; no register
// fails, and the copy is made once the registers stop.
void TestCopies::registersThroughACopyNeverFail()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(app::initData(data).exitStatus == 0);
    constexpr int kDays = 300;
    QVERIFY(testsupport::execOn(
        QDir(data).filePath(store::kMainFileName),
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1) "
                       "INSERT INTO 業務日誌 (日付, 売上額, 日誌) SELECT date('1990-01-01', '+' || i || "
                       "' days'), i, hex(zeroblob(50000)) FROM n")
            .arg(kDays)));
    auto store = store::makeSqliteStore();
    QVERIFY(!store->open(store::Location::inFolder(data)));
    const QString backups = dir.filePath(QStringLiteral("copies"));
    QVERIFY(QDir().mkpath(backups));

    // The copy reads slowly: taken whole, it holds the journal longer than a register waits.
    testsupport::SlowReads slow(400);
    backup::MadeCopy made;
    QThread *copier = QThread::create([&] {
        made = backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Manual,
                                QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    });
    copier->start();
    QElapsedTimer registering;
    registering.start();
    int registers = 0;
    while (!copier->isFinished() && registering.elapsed() < 4'000) {
        const QDate day = QDate(2026, 1, 1).addDays(registers++);
        const store::DbError error = store->saveDay({day, {registers, 0, 0, 0}, QStringLiteral("控えの最中"), {}});
        QVERIFY2(!error, qPrintable(QStringLiteral("register %1: %2").arg(registers).arg(store::describeForUser(error))));
        QThread::msleep(15);
    }
    slow.setDelay(0);
    QVERIFY(copier->wait(120'000));
    delete copier;
    store->close();
    QVERIFY2(!made.failure, qPrintable(made.failure.value_or(QString())));
    QVERIFY(made.check.records >= kDays);
    QVERIFY(registers > 5);
}

void TestCopies::registerDuringTheCheck_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("healthy files") << false;
    QTest::newRow("a damaged page the register does not touch") << true;
}

// The check of the files reads slowly here, far longer than a writer waits for
// a lock: the register goes through at once all the same, the check reads the
// journal again after it, and still finds damage where there is some.
void TestCopies::registerDuringTheCheck()
{
    QFETCH(bool, damaged);
    testsupport::MainWindow w;
    constexpr int kDays = 3000;
    QVERIFY(testsupport::execOn(
        w.mainPath(), QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1) "
                                     "INSERT INTO 業務日誌 (日付, 売上額, 日誌) SELECT date('1990-01-01', '+' || i || "
                                     "' days'), i, hex(zeroblob(1500)) FROM n")
                          .arg(kDays)));
    {
        auto store = store::makeSqliteStore();
        QVERIFY(!store->open(store::Location::inFolder(w.dataFolder())));
        common::NoProgress none;
        QVERIFY(!store->buildSearchIndex(none));
    }
    // Today's copy is there already, so that the check is all that reads after the start.
    const QString backups = w.dataFolder() + QStringLiteral("backup");
    QVERIFY(!backup::makeCopy(store::Location::inFolder(w.dataFolder()), backups, backup::CopyKind::Daily,
                              QDateTime::currentDateTime())
                 .failure);
    if (damaged) {
        // A page of old days that the check reads late, far from where a new day goes.
        QFile file(w.mainPath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek((file.size() / 4096 * 3 / 4) * 4096));
        QCOMPARE(file.write(QByteArray(4096, '\x7f')), qint64(4096));
    }

    QVERIFY(w.start());
    QSignalSpy failed(w.frm->backups(), &app::BackupKeeper::checkFailed);
    // A millisecond a page: reading the journal takes seconds, beyond a writer's wait of two.
    testsupport::SlowReads slow(1000);
    w.frm->show();
    QTRY_VERIFY_WITH_TIMEOUT(slow.reads() > 20, 20'000);
    QVERIFY2(testsupport::countOn(w.mainPath(), QStringLiteral("業務日誌")) > 0, "the files are readable meanwhile");

    journal::JournalPage *page = w.frm->journalPage();
    QVERIFY(testsupport::control<ui::DateBox>(page, "Dt日付")->setValue(QDate(2026, 12, 7)));
    testsupport::control<ui::AmountBox>(page, "num売上額")->setValue(4321);
    w.presenter.shown.clear();
    w.presenter.answers = {common::Answer::Yes};
    testsupport::control<QPushButton>(page, "cmd登録")->click();
    QCOMPARE(w.presenter.shown.size(), 1); // the question to register, and no failure
    QVERIFY2(!testsupport::control<ui::DateBox>(page, "Dt日付")->value(), "the page was not cleared by a register");
    QCOMPARE(testsupport::SqlFile(w.mainPath())
                 .value(QStringLiteral("SELECT 売上額 FROM 業務日誌 WHERE 日付 = '2026-12-07'"))
                 .toLongLong(),
             qint64(4321));

    slow.setDelay(0);
    w.frm->backups()->waitForCheck();
    // The check read the journal again after the register: it stepped aside
    // instead of holding the register back.
    QVERIFY2(slow.opened(w.mainPath()) >= 2,
             qPrintable(QStringLiteral("the journal opened to read %1 times").arg(slow.opened(w.mainPath()))));
    if (!damaged) {
        QCoreApplication::processEvents();
        QCOMPARE(failed.count(), 0);
        w.frm->close();
        return;
    }
    // The damage is offered for restore from the copy made before the register.
    w.presenter.answers = {common::Answer::No};
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() == 1, 20'000);
    QTRY_VERIFY(!w.presenter.shown.isEmpty() &&
                w.presenter.shown.last().title == QStringLiteral("データファイルの異常"));
    QVERIFY2(w.presenter.shown.last().text.contains(QStringLiteral("日分")), qPrintable(w.presenter.shown.last().text));
    w.frm->close();
}

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run runProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60'000)) {
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestCopies::restoreTellsHeldFromDamaged()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(app::initData(data).exitStatus == 0);
    QVERIFY(addDays(data, 600));
    const QString program = programBeside(dir);
    const QString backups = QDir(data).filePath(QStringLiteral("backup"));
    const QString journal = QDir(data).filePath(store::kMainFileName);
    QCOMPARE(runProgram(program, {QStringLiteral("--backup")}).status, 0);
    const QString copy = QDir(backups).filePath(copiesIn(backups).first());
    QVERIFY(testsupport::execOn(journal, QStringLiteral("DELETE FROM 業務日誌 WHERE 日付 > '2008-01-01'")));
    const QByteArray before = bytesOf(journal);

    // Another program in the middle of a write: nothing is moved aside, nothing replaced.
    {
        testsupport::SqlFile other(journal);
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE; DELETE FROM 業務日誌 WHERE 日付 = '2007-04-01'")));
        const Run held = runProgram(program, {QStringLiteral("--restore"), copy});
        QCOMPARE(held.status, 1);
        QVERIFY2(held.err.startsWith(QStringLiteral("他のプログラムが")), qPrintable(held.err));
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
    }
    QCOMPARE(bytesOf(journal), before);
    QVERIFY(QDir(backups).entryList({QStringLiteral("damaged-*")}, QDir::Dirs).isEmpty());

    // A damaged page that the start never reads. While a window has the data
    // open, its files are not replaced under it: it would write on into the
    // files set aside.
    QVERIFY(damage(journal));
    const QByteArray damaged = bytesOf(journal);
    {
        common::DataLock window;
        QVERIFY(window.hold(data) != common::DataLock::Held::NotHeld);
        const Run open = runProgram(program, {QStringLiteral("--restore"), copy});
        QCOMPARE(open.status, 1);
        QVERIFY2(open.err.contains(QStringLiteral("他のプログラムがこのデータを開いているため")), qPrintable(open.err));
        QCOMPARE(bytesOf(journal), damaged);
        QVERIFY(QDir(backups).entryList({QStringLiteral("damaged-*")}, QDir::Dirs).isEmpty());
    }
    // Alone on the data: the files are kept aside as they were (moved whole into
    // the restore's copy, unread), the copy put back.
    const Run restored = runProgram(program, {QStringLiteral("--restore"), copy});
    QVERIFY2(restored.status == 0, qPrintable(restored.err));
    QCOMPARE(testsupport::countOn(journal, QStringLiteral("業務日誌")), qint64(600));
    const QStringList kept =
        QDir(backups).entryList({QStringLiteral("damaged-*"), QStringLiteral("*-restore")}, QDir::Dirs);
    QCOMPARE(kept.size(), 1);
    QVERIFY2(restored.out.contains(QDir::toNativeSeparators(QDir(backups).filePath(kept.first()))),
             qPrintable(restored.out));
    QCOMPARE(bytesOf(QDir(backups).filePath(kept.first() + u'/' + store::kMainFileName)), damaged);
}

void TestCopies::restoreRefusesWhatIsNoCopy()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(app::initData(data).exitStatus == 0);
    QVERIFY(addDays(data, 20));
    const QString program = programBeside(dir);
    const QString journal = QDir(data).filePath(store::kMainFileName);
    const QString backups = QDir(data).filePath(QStringLiteral("backup"));
    // Good files, but in a folder that is no checked copy.
    const QString loose = dir.filePath(QStringLiteral("loose"));
    QVERIFY(app::initData(loose).exitStatus == 0);
    const QByteArray before = bytesOf(journal);
    for (const QString &folder : {data, journal, loose}) {
        const Run refused = runProgram(program, {QStringLiteral("--restore"), folder});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(QStringLiteral("控えのフォルダー")), qPrintable(refused.err));
        QCOMPARE(bytesOf(journal), before);
        QVERIFY(!QFileInfo::exists(backups));
    }

    // What killed copies left is cleared an hour later by the commands too.
    QVERIFY(QDir().mkpath(backups));
    const QDateTime now = QDateTime::currentDateTime();
    const QString old =
        backup::uncheckedName(backup::CopyName{now.addSecs(-7200), backup::CopyKind::Manual, 1}.folderName());
    const QString recent =
        backup::uncheckedName(backup::CopyName{now.addSecs(-60), backup::CopyKind::Manual, 1}.folderName());
    QVERIFY(QDir(backups).mkdir(old) && QDir(backups).mkdir(recent));
    QCOMPARE(runProgram(program, {QStringLiteral("--backup")}).status, 0);
    QVERIFY(!QFileInfo::exists(QDir(backups).filePath(old)));
    QVERIFY(QFileInfo::exists(QDir(backups).filePath(recent)));
}

void TestCopies::copiesAreAsPrivateAsTheData()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(app::initData(data).exitStatus == 0);
    QVERIFY(addDays(data, 20));
    const QString program = programBeside(dir);
    const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    const auto ownerFolder = owner | QFile::ExeOwner | QFile::ExeUser;
    for (const QString &name : {store::kMainFileName, store::kWorkFileName}) {
        QVERIFY(QFile::setPermissions(QDir(data).filePath(name), owner));
    }
    QVERIFY(QFile::setPermissions(data, ownerFolder));

    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--backup")}, QStringList{QStringLiteral("--backup"), elsewhere}}) {
        const Run made = runProgram(program, arguments);
        QVERIFY2(made.status == 0, qPrintable(made.err));
        const QString folder = arguments.size() > 1 ? elsewhere : QDir(data).filePath(QStringLiteral("backup"));
        const QString copy = QDir(folder).filePath(copiesIn(folder).first());
        QCOMPARE(QFileInfo(copy).permissions() & ~ownerFolder, QFile::Permissions());
        for (const QString &name : {store::kMainFileName, store::kWorkFileName}) {
            QCOMPARE(QFileInfo(QDir(copy).filePath(name)).permissions() & ~owner, QFile::Permissions());
        }
    }
}

void TestCopies::importRefusesDamagedData()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(app::initData(data).exitStatus == 0);
    QVERIFY(addDays(data, 3000));
    const QString program = programBeside(dir);
    const QString backups = QDir(data).filePath(QStringLiteral("backup"));
    QCOMPARE(runProgram(program, {QStringLiteral("--backup")}).status, 0);
    const QString copy = QDir(backups).filePath(copiesIn(backups).first());
    const QString journal = QDir(data).filePath(store::kMainFileName);
    // A page amid the days, which an import of a later day never reads: it would go through unnoticed.
    {
        QFile file(journal);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(file.size() / 2 / 4096 * 4096));
        QVERIFY(file.write(QByteArray(4096, '\x7f')) == 4096);
    }
    const QByteArray damaged = bytesOf(journal);

    const QString csv = dir.filePath(QStringLiteral("day.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("日付,売上額,仕入額,入金額,出金額,日誌\r\n2030/01/01,1,2,3,4,新しい日\r\n").toUtf8());
    file.close();
    const Run refused = runProgram(program, {QStringLiteral("--import-csv"), csv});
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("異常")), qPrintable(refused.err));
    QVERIFY2(refused.err.contains(QStringLiteral("zephra --restore \"%1\"").arg(QDir::toNativeSeparators(copy))),
             qPrintable(refused.err));
    QVERIFY(refused.err.contains(QStringLiteral("3000 日分")));
    QCOMPARE(bytesOf(journal), damaged);
}

QTEST_MAIN(TestCopies)
#include "test_copies.moc"
