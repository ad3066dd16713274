// A restore that exchanges the data's files: interrupted after each of its
// steps, as a crash would, the data opens as the old journal or the copy's,
// never a mix, and the files as they stood are kept whole aside.

#include "backup/backups.h"
#include "backup/restore.h"

#include "store/maintenance.h"
#include "store/sqlitefiles.h"
#include "store/sqliteswap.h"
#include "support/openstore.h"
#include "support/sqlfile.h"
#include "support/tempdata.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QDateTime kNoon(QDate(2026, 12, 7), QTime(12, 0, 0));

// Days, settings and a hint written through the store, each set its own.
bool fill(store::Store &opened, int days, const QString &text)
{
    for (int day = 0; day < days; ++day) {
        if (opened.saveDay({QDate(2007, 4, 1).addDays(day), {day, 1, 2, 3}, text, {}})) {
            return false;
        }
    }
    return !opened.saveSettings({text, days}) &&
           !opened.storeHint({{QStringLiteral("FrmNippo"), QStringLiteral("cmdHint")}, QStringLiteral("t"), text});
}

QStringList everything(const QString &folder)
{
    QStringList rows;
    for (const QString &table : {QStringLiteral("業務日誌"), QStringLiteral("自社情報")}) {
        rows += testsupport::rowsOf(QDir(folder).filePath(store::kMainFileName), table);
    }
    rows += testsupport::rowsOf(QDir(folder).filePath(store::kWorkFileName), QStringLiteral("ClHint"));
    return rows;
}

qint64 highestVersion(const QString &path, const QString &table)
{
    testsupport::SqlFile file(path);
    return file.value(QStringLiteral("SELECT max(版) FROM \"%1\"").arg(table)).toLongLong();
}

qint64 lowestVersion(const QString &path, const QString &table)
{
    testsupport::SqlFile file(path);
    return file.value(QStringLiteral("SELECT min(版) FROM \"%1\"").arg(table)).toLongLong();
}

} // namespace

class TestRestoreSwap : public QObject
{
    Q_OBJECT

private slots:
    void interruptedSwapLeavesOldOrNew_data();
    void interruptedSwapLeavesOldOrNew();
    void restoreKeepsOldFilesWholeAndVersionsAbove();
    void failedPreparationChangesNothing();
};

void TestRestoreSwap::interruptedSwapLeavesOldOrNew_data()
{
    QTest::addColumn<int>("stopAfter"); // -1: the new files made, no note yet
    QTest::addColumn<bool>("restored");
    QTest::newRow("new files made") << -1 << false;
    QTest::newRow("note written") << int(store::SwapStep::Noted) << true;
    QTest::newRow("journal file aside") << int(store::SwapStep::MainAside) << true;
    QTest::newRow("journal file in place") << int(store::SwapStep::MainIn) << true;
    QTest::newRow("work file aside") << int(store::SwapStep::WorkAside) << true;
    QTest::newRow("work file in place") << int(store::SwapStep::WorkIn) << true;
    QTest::newRow("whole swap") << int(store::SwapStep::Done) << true;
}

void TestRestoreSwap::interruptedSwapLeavesOldOrNew()
{
    QFETCH(int, stopAfter);
    QFETCH(bool, restored);
    testsupport::TempData copied;
    testsupport::TempData data;
    QVERIFY(copied.ok() && data.ok());
    const QString backups = data.folder() + QStringLiteral("backup");
    QString copyPath;
    {
        std::optional<store::OpenFailure> failure;
        auto source = testsupport::openStore(copied.folder(), failure);
        QVERIFY(source && fill(*source, 12, QStringLiteral("控えの日")));
        source->close();
        const backup::MadeCopy copy =
            backup::makeCopy(store::Location::inFolder(copied.folder()), backups, backup::CopyKind::Manual, kNoon);
        QVERIFY(!copy.failure);
        copyPath = copy.path;
        auto old = testsupport::openStore(data.folder(), failure);
        QVERIFY(old && fill(*old, 20, QStringLiteral("今の日")));
    }
    const QStringList before = everything(data.folder());
    const QStringList fromCopy = everything(copyPath);
    QVERIFY(before != fromCopy);

    const std::unique_ptr<store::Maintenance> maintenance =
        store::makeMaintenance(store::Location::inFolder(data.folder()));
    bool unreadable = true;
    QVERIFY(!maintenance->files()->prepareRestored(copyPath, unreadable));
    QVERIFY(!unreadable);
    QCOMPARE(everything(data.folder()), before); // nothing of the data changed yet
    const QString aside = QDir(backups).filePath(QStringLiteral("20261207-120100-restore"));
    if (stopAfter >= 0) {
        QVERIFY(!store::swapInPrepared(data.folder(), aside, store::SwapStep(stopAfter)).error);
    }

    // The next opening finishes what the crash cut short.
    std::optional<store::OpenFailure> failure;
    auto reopened = testsupport::openStore(data.folder(), failure);
    QVERIFY2(reopened, qPrintable(failure ? failure->error.message : QString()));
    QCOMPARE(everything(data.folder()), restored ? fromCopy : before);
    qint64 records = 0;
    QVERIFY(!reopened->countRecords(records));
    QCOMPARE(records, restored ? 12 : 20);
    reopened->close();
    if (restored) {
        QVERIFY(!QFileInfo::exists(store::preparedFolder(data.folder())));
        store::CopyCheck check;
        QVERIFY(!store::checkCopy(aside, check));
        QCOMPARE(check.records, qint64(20));
        QCOMPARE(everything(aside), before);
        QCOMPARE(backup::parseCopyName(QFileInfo(aside).fileName())->kind, backup::CopyKind::Restore);
    } else {
        QVERIFY(!QFileInfo::exists(aside));
        // New files left before the note never reach the data; the next restore starts afresh.
        QVERIFY(!maintenance->files()->prepareRestored(copyPath, unreadable));
        QVERIFY(!store::swapInPrepared(data.folder(), aside).error);
        QCOMPARE(everything(data.folder()), fromCopy);
        QCOMPARE(everything(aside), before);
    }
}

void TestRestoreSwap::restoreKeepsOldFilesWholeAndVersionsAbove()
{
    testsupport::TempData data;
    QVERIFY(data.ok());
    const QString backups = data.folder() + QStringLiteral("backup");
    std::optional<store::OpenFailure> failure;
    auto opened = testsupport::openStore(data.folder(), failure);
    QVERIFY(opened && fill(*opened, 15, QStringLiteral("控えの日")));
    const backup::MadeCopy copy =
        backup::makeCopy(store::Location::inFolder(data.folder()), backups, backup::CopyKind::Daily, kNoon);
    QVERIFY(!copy.failure);
    // Written again and again after the copy: versions above the copy's.
    for (int round = 0; round < 3; ++round) {
        QVERIFY(fill(*opened, 25, QStringLiteral("後の日 %1").arg(round)));
    }
    const QString journal = QDir(data.folder()).filePath(store::kMainFileName);
    const QString work = QDir(data.folder()).filePath(store::kWorkFileName);
    const qint64 oldJournalVersion = highestVersion(journal, QStringLiteral("業務日誌"));
    const qint64 oldHintVersion = highestVersion(work, QStringLiteral("ClHint"));
    QVERIFY(oldJournalVersion >
            highestVersion(QDir(copy.path).filePath(store::kMainFileName), QStringLiteral("業務日誌")));
    opened->close();
    QFile journalFile(journal);
    QVERIFY(journalFile.open(QIODevice::ReadOnly));
    const QByteArray oldBytes = journalFile.readAll();
    journalFile.close();
    QVERIFY(!opened->open(store::Location::inFolder(data.folder())));

    common::NoProgress quiet;
    const backup::RestoreOutcome outcome = backup::restoreCopy(*opened, store::Location::inFolder(data.folder()),
                                                               backups, copy.path, kNoon.addSecs(60), quiet);
    QVERIFY2(!outcome.failure, qPrintable(outcome.failure.value_or(QString())));
    QVERIFY(opened->isOpen());
    QCOMPARE(outcome.restored.records, qint64(15));
    // The store reads the restored data, and its search index finds the copy's text.
    qint64 records = 0;
    QVERIFY(!opened->countRecords(records));
    QCOMPARE(records, qint64(15));
    store::SearchQuery query;
    query.words = QStringLiteral("控えの日");
    store::SearchResult found;
    QVERIFY(!opened->search(query, found));
    QCOMPARE(found.hits.size(), qsizetype(15));
    QVERIFY(!found.scanned);
    // Each record restored stands above any version the data held, hints too.
    QVERIFY(lowestVersion(journal, QStringLiteral("業務日誌")) > oldJournalVersion);
    QVERIFY(lowestVersion(work, QStringLiteral("ClHint")) > oldHintVersion);
    // The data as it stood: the very file, kept in a copy of its own.
    QFile keptFile(QDir(outcome.asideCopy).filePath(store::kMainFileName));
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), oldBytes);
    QCOMPARE(backup::parseCopyName(QFileInfo(outcome.asideCopy).fileName())->kind, backup::CopyKind::Restore);
    QVERIFY(!QFileInfo::exists(store::preparedFolder(data.folder())));
}

void TestRestoreSwap::failedPreparationChangesNothing()
{
    testsupport::TempData data;
    testsupport::TempData other;
    QVERIFY(data.ok() && other.ok());
    const QString backups = data.folder() + QStringLiteral("backup");
    std::optional<store::OpenFailure> failure;
    auto opened = testsupport::openStore(data.folder(), failure);
    QVERIFY(opened && fill(*opened, 5, QStringLiteral("今の日")));
    const QStringList before = everything(data.folder());
    // A folder named as a copy whose work file is missing: the new files cannot be made.
    const QString broken = QDir(backups).filePath(QStringLiteral("20261207-110000-manual"));
    QVERIFY(QDir().mkpath(broken));
    QVERIFY(QFile::copy(other.mainPath(), QDir(broken).filePath(store::kMainFileName)));
    const std::unique_ptr<store::Maintenance> maintenance =
        store::makeMaintenance(store::Location::inFolder(data.folder()));
    bool unreadable = true;
    QVERIFY(maintenance->files()->prepareRestored(broken, unreadable));
    QVERIFY(!unreadable);
    QVERIFY(!QFileInfo::exists(store::preparedFolder(data.folder())));
    QCOMPARE(everything(data.folder()), before);
    qint64 records = 0;
    QVERIFY(!opened->countRecords(records));
    QCOMPARE(records, qint64(5));
}

QTEST_GUILESS_MAIN(TestRestoreSwap)
#include "test_restoreswap.moc"
