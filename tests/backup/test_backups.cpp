// The copies of a data folder: their names, the generations kept over a year,
// the check before a copy is named, and putting a copy back.

#include "backup/backups.h"
#include "backup/generations.h"
#include "backup/restore.h"

#include "store/sqlitefiles.h"
#include "support/openstore.h"
#include "support/sqlfile.h"
#include "support/tempdata.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

using backup::CopyKind;
using backup::CopyName;

namespace {

const QDateTime kNoon(QDate(2026, 12, 7), QTime(12, 0, 0));

std::unique_ptr<store::Store> openWithDays(const QString &folder, int days, const QString &text)
{
    std::optional<store::OpenFailure> failure;
    auto opened = testsupport::openStore(folder, failure);
    for (int day = 0; opened && day < days; ++day) {
        bool added = false;
        (void)opened->addDay({QDate(2007, 4, 1).addDays(day), {day, 1, 2, 3}, text, {}}, added);
    }
    return opened;
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

// Overwrites a stretch in the middle of a file, as a failing disk or a sync tool does.
bool damage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.size() < 8192) {
        return false;
    }
    file.seek(file.size() / 2);
    return file.write(QByteArray(4096, '\x7f')) == 4096;
}

} // namespace

class TestBackups : public QObject
{
    Q_OBJECT

private slots:
    void namesSortByTimeAndReadBack();
    void generationsOverASimulatedYear();
    void copiesAreCheckedBeforeTheyAreNamed();
    void restoreReplacesEverythingInOneStep();
    void damagedFilesAreKeptAndReplaced();
};

void TestBackups::namesSortByTimeAndReadBack()
{
    const CopyName first{kNoon, CopyKind::Exit, 1};
    const CopyName second{kNoon, CopyKind::Exit, 2};
    QCOMPARE(first.folderName(), QStringLiteral("20261207-120000-exit"));
    QCOMPARE(second.folderName(), QStringLiteral("20261207-120000-exit-2"));
    QVERIFY(first.folderName() < second.folderName());
    const CopyName nextSecond{kNoon.addSecs(1), CopyKind::Daily, 1};
    QVERIFY(second.folderName() < nextSecond.folderName());
    for (const CopyName &name : {first, second, CopyName{kNoon, CopyKind::Erase, 1}}) {
        const auto read = backup::parseCopyName(name.folderName());
        QVERIFY(read);
        QCOMPARE(read->time, name.time);
        QCOMPARE(read->kind, name.kind);
        QCOMPARE(read->sequence, name.sequence);
    }
    for (const char *other : {".unchecked-20261207-120000-exit", "20261207-120000-exit-1", "20261307-120000-exit",
                              "20261207-120000-weekly", "VelmoraA-20261207-120000.mdb", "damaged-20261207-120000"}) {
        QVERIFY2(!backup::parseCopyName(QString::fromUtf8(other)), other);
    }
}

void TestBackups::generationsOverASimulatedYear()
{
    const backup::Generations generations;
    QList<CopyName> kept;
    const QDate first(2025, 11, 1);
    const QDate last(2026, 12, 7);
    for (QDate today = first; today <= last; today = today.addDays(1)) {
        // A day's copy in the morning, a copy on closing in the evening, an erase now and then.
        kept.append({QDateTime(today, QTime(9, 0)), CopyKind::Daily, 1});
        kept.append({QDateTime(today, QTime(21, 0)), CopyKind::Exit, 1});
        if (today.day() == 15 && today.month() % 4 == 0) {
            kept.append({QDateTime(today, QTime(21, 5)), CopyKind::Erase, 1});
        }
        const QList<CopyName> thinned = backup::copiesToThin(kept, today, generations);
        QSet<QString> gone;
        for (const CopyName &name : thinned) {
            QVERIFY2(backup::isThinned(name.kind), qPrintable(name.folderName()));
            gone.insert(name.folderName());
        }
        kept.removeIf([&gone](const CopyName &name) { return gone.contains(name.folderName()); });
        QVERIFY2(kept.size() <= 2 * 7 + 5 + 12 + 3, qPrintable(today.toString()));
    }

    // The copies of the last seven days all stay; of the older ones, the newest
    // of each of the last five weeks and of each of the last twelve months.
    const QDate firstDay = last.addDays(-6);
    const QDate firstWeek = last.addDays(1 - last.dayOfWeek()).addDays(-28);
    const QDate firstMonth(2026, 1, 1);
    QSet<QDateTime> keptTimes;
    int erases = 0;
    for (const CopyName &name : std::as_const(kept)) {
        keptTimes.insert(name.time);
        const QDate day = name.time.date();
        if (!backup::isThinned(name.kind)) {
            ++erases;
            continue;
        }
        if (day >= firstDay) {
            continue;
        }
        const bool newestOfWeek = day.dayOfWeek() == 7 && day.addDays(-6) >= firstWeek;
        const bool newestOfMonth = day.addDays(1).day() == 1 && day >= firstMonth;
        QVERIFY2(name.time.time() == QTime(21, 0) && (newestOfWeek || newestOfMonth), qPrintable(name.folderName()));
    }
    QCOMPARE(erases, 3); // made before an erase: never thinned
    for (QDate day = firstDay; day <= last; day = day.addDays(1)) {
        QVERIFY(keptTimes.contains(QDateTime(day, QTime(9, 0))) && keptTimes.contains(QDateTime(day, QTime(21, 0))));
    }
    for (QDate sunday = firstWeek.addDays(6); sunday < firstDay; sunday = sunday.addDays(7)) {
        QVERIFY2(keptTimes.contains(QDateTime(sunday, QTime(21, 0))), qPrintable(sunday.toString()));
    }
    for (QDate month = firstMonth; month < QDate(2026, 12, 1); month = month.addMonths(1)) {
        QVERIFY2(keptTimes.contains(QDateTime(month.addMonths(1).addDays(-1), QTime(21, 0))),
                 qPrintable(month.toString()));
    }

    // With every generation set to none the newest copy still stays.
    const QList<CopyName> none = backup::copiesToThin(kept, last, {0, 0, 0});
    QCOMPARE(none.size(), kept.size() - erases - 1);
    QVERIFY(std::none_of(none.cbegin(), none.cend(), [](const CopyName &name) {
        return name.time == QDateTime(QDate(2026, 12, 7), QTime(21, 0));
    }));
}

void TestBackups::copiesAreCheckedBeforeTheyAreNamed()
{
    testsupport::TempData data;
    QVERIFY(data.ok());
    QVERIFY(openWithDays(data.folder(), 40, QStringLiteral("日誌")));
    const QString backups = data.folder() + QStringLiteral("backup");

    const backup::MadeCopy first =
        backup::makeCopy(store::Location::inFolder(data.folder()), backups, CopyKind::Daily, kNoon);
    QVERIFY2(!first.failure, qPrintable(first.failure.value_or(QString())));
    QCOMPARE(first.check.records, qint64(40));
    QCOMPARE(first.check.newestDay, QDate(2007, 5, 10));
    const backup::MadeCopy second =
        backup::makeCopy(store::Location::inFolder(data.folder()), backups, CopyKind::Daily, kNoon);
    QVERIFY(!second.failure);
    QCOMPARE(QFileInfo(second.path).fileName(), QStringLiteral("20261207-120000-daily-2"));
    QCOMPARE(everything(second.path), everything(data.folder()));
    const QList<backup::CopyEntry> listed = backup::listCopies(backups);
    QCOMPARE(listed.size(), 2);
    QCOMPARE(listed.first().path, second.path);

    // Nowhere to put a copy: a file where the folder should be; no data files.
    QFile blocker(data.folder() + QStringLiteral("blocked"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const backup::MadeCopy refused =
        backup::makeCopy(store::Location::inFolder(data.folder()), blocker.fileName(), CopyKind::Exit, kNoon);
    QVERIFY(refused.failure);
    QTemporaryDir empty;
    const backup::MadeCopy nothing = backup::makeCopy(store::Location::inFolder(empty.path()),
                                                      empty.filePath(QStringLiteral("backup")), CopyKind::Exit, kNoon);
    QVERIFY(nothing.failure);
    QVERIFY(!QFileInfo::exists(empty.filePath(QStringLiteral("backup"))));

    // What a copy killed half-way left is cleared an hour later, not before.
    QVERIFY(QDir(backups).mkdir(backup::uncheckedName(QStringLiteral("20261207-105900-exit"))));
    QVERIFY(QDir(backups).mkdir(backup::uncheckedName(QStringLiteral("20261207-115959-exit"))));
    QCOMPARE(backup::thinCopies(backups, kNoon, {}), 0);
    const QStringList left = QDir(backups).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(left, (QStringList{QStringLiteral(".unchecked-20261207-115959-exit"),
                                QStringLiteral("20261207-120000-daily"), QStringLiteral("20261207-120000-daily-2")}));
}

void TestBackups::restoreReplacesEverythingInOneStep()
{
    testsupport::TempData data;
    QVERIFY(data.ok());
    auto opened = openWithDays(data.folder(), 30, QStringLiteral("控えの日"));
    QVERIFY(opened);
    QVERIFY(!opened->saveSettings({QStringLiteral("和暦"), 255}));
    QVERIFY(!opened->storeHint({{QStringLiteral("FrmNippo"), QStringLiteral("cmdHint")},
                                QStringLiteral("t"),
                                QStringLiteral("控えのヒント")}));
    const QString backups = data.folder() + QStringLiteral("backup");
    const backup::MadeCopy copy =
        backup::makeCopy(store::Location::inFolder(data.folder()), backups, CopyKind::Daily, kNoon);
    QVERIFY(!copy.failure);
    const QStringList copied = everything(data.folder());

    // The data moves on.
    QVERIFY(!opened->removeDay(QDate(2007, 4, 3)));
    QVERIFY(!opened->saveDay({QDate(2008, 1, 1), {9, 9, 9, 9}, QStringLiteral("後の日"), {}}));
    QVERIFY(!opened->saveSettings({QStringLiteral("西暦"), 0}));
    QVERIFY(!opened->removeHint({QStringLiteral("FrmNippo"), QStringLiteral("cmdHint")}));
    const QStringList later = everything(data.folder());

    common::NoProgress quiet;
    const backup::RestoreOutcome restored = backup::restoreCopy(*opened, store::Location::inFolder(data.folder()),
                                                                backups, copy.path, kNoon.addSecs(60), quiet);
    QVERIFY2(!restored.failure, qPrintable(restored.failure.value_or(QString())));
    QCOMPARE(everything(data.folder()), copied);
    QCOMPARE(everything(restored.asideCopy), later);
    QCOMPARE(backup::parseCopyName(QFileInfo(restored.asideCopy).fileName())->kind, CopyKind::Restore);

    // A damaged copy is refused, and nothing changes.
    QVERIFY(damage(QDir(copy.path).filePath(store::kMainFileName)));
    const int copiesBefore = int(backup::listCopies(backups).size());
    const backup::RestoreOutcome refused = backup::restoreCopy(*opened, store::Location::inFolder(data.folder()),
                                                               backups, copy.path, kNoon.addSecs(120), quiet);
    QVERIFY(refused.failure);
    QVERIFY(refused.failure->contains(QStringLiteral("正しくない")));
    QCOMPARE(everything(data.folder()), copied);
    QCOMPARE(int(backup::listCopies(backups).size()), copiesBefore);
}

void TestBackups::damagedFilesAreKeptAndReplaced()
{
    testsupport::TempData data;
    QVERIFY(data.ok());
    QVERIFY(openWithDays(data.folder(), 300, QStringLiteral("長めの日誌の文章がここに入ります。")));
    const QString backups = data.folder() + QStringLiteral("backup");
    const backup::MadeCopy copy =
        backup::makeCopy(store::Location::inFolder(data.folder()), backups, CopyKind::Exit, kNoon);
    QVERIFY(!copy.failure);
    const QStringList good = everything(copy.path);

    QVERIFY(damage(data.mainPath()));
    QFile stale(data.mainPath() + QStringLiteral("-journal"));
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("not a journal of the copy") > 0);
    stale.close();
    QFile damagedFile(data.mainPath());
    QVERIFY(damagedFile.open(QIODevice::ReadOnly));
    const QByteArray damagedBytes = damagedFile.readAll();
    damagedFile.close();

    const backup::RestoreOutcome outcome =
        backup::replaceDamagedFiles(store::Location::inFolder(data.folder()), backups, copy.path, kNoon);
    QVERIFY2(!outcome.failure, qPrintable(outcome.failure.value_or(QString())));
    QCOMPARE(everything(data.folder()), good);
    QVERIFY(!QFileInfo::exists(data.mainPath() + QStringLiteral("-journal")));
    // The damaged file is kept, byte for byte, where no thinning ever looks.
    QFile kept(QDir(outcome.asideCopy).filePath(store::kMainFileName));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damagedBytes);
    QVERIFY(!backup::parseCopyName(QFileInfo(outcome.asideCopy).fileName()));
    std::optional<store::OpenFailure> failure;
    QVERIFY(testsupport::openStore(data.folder(), failure));
}

QTEST_GUILESS_MAIN(TestBackups)
#include "test_backups.moc"
