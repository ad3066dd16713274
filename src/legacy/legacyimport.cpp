#include "legacy/legacyimport.h"

#include "legacy/importreport.h"

#include "store/engines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>

namespace legacy {

namespace {

constexpr int kProgressEvery = 256;

int tableRank(const QString &table)
{
    if (table == QStringLiteral("業務日誌")) {
        return 0;
    }
    return table == QStringLiteral("自社情報") ? 1 : 2;
}

bool sameRecord(const store::JournalRecord &a, const store::JournalRecord &b)
{
    return a.date == b.date && a.amounts == b.amounts && a.text == b.text && !b.unreadable;
}

void add(store::Sums &sums, const store::Amounts &amounts)
{
    for (const store::AmountColumn column : store::kAmountColumns) {
        sums[column] = sums[column].value_or(0) + amounts[column].value_or(0);
    }
}

// What the import made or moved in the data folder, to be put back on failure.
class FolderChanges
{
public:
    void moved(const QString &from, const QString &to) { m_moved.append({from, to}); }
    void made(const QString &path) { m_made.append(path); }
    void madeFolder(const QString &path) { m_folders.prepend(path); }

    void undo()
    {
        for (const QString &path : std::as_const(m_made)) {
            QFile::remove(path);
        }
        for (const auto &[from, to] : std::as_const(m_moved)) {
            QFile::rename(to, from);
        }
        for (const QString &folder : std::as_const(m_folders)) {
            QDir().rmdir(folder);
        }
    }

private:
    QList<std::pair<QString, QString>> m_moved;
    QStringList m_made;
    QStringList m_folders;
};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Makes `path` and its missing parents, noting each one made.
bool makeFolder(const QString &path, FolderChanges &changes)
{
    QStringList missing;
    for (QDir dir(path); !dir.exists(); dir.setPath(QFileInfo(dir.path()).path())) {
        missing.prepend(dir.path());
        if (dir.isRoot()) {
            break;
        }
    }
    for (const QString &folder : std::as_const(missing)) {
        if (!QDir().mkdir(folder)) {
            return false;
        }
        changes.madeFolder(folder);
    }
    return true;
}

QString summaryOf(const ImportOutcome &outcome)
{
    const ImportResult &result = outcome.result;
    QString text =
        QStringLiteral(
            "以前の版のデータを取り込みました。\n\n業務日誌: %1 日分を取り込みました（以前の版の記録 %2 件）。\n")
            .arg(result.imported)
            .arg(result.rowsRead);
    if (result.keptCurrent > 0) {
        text += QStringLiteral("  既に記録があった %1 日は、現在の記録を残しました。\n").arg(result.keptCurrent);
    }
    text += result.settingsTaken ? QStringLiteral("設定: 取り込みました。\n")
                                 : QStringLiteral("設定: 現在の設定のままです。\n");
    text += QStringLiteral("ヒント: %1 件を取り込みました。\n").arg(result.hintsTaken);
    if (result.report.isEmpty()) {
        text += QStringLiteral("\n報告に載せた記録はありません。\n");
    } else {
        const auto notImported = std::count_if(result.report.cbegin(), result.report.cend(),
                                               [](const ReportLine &line) { return !line.imported; });
        text += QStringLiteral("\n報告に載せた記録: %1 件（うち取り込まなかった記録 %2 件）\n  %3\n")
                    .arg(result.report.size())
                    .arg(notImported)
                    .arg(native(outcome.reportPath));
    }
    if (!outcome.movedFolder.isEmpty()) {
        text += QStringLiteral("\n元のファイルは変更せずに、次のフォルダーへ移しました。\n  %1\n")
                    .arg(native(outcome.movedFolder));
    }
    return text;
}

} // namespace

std::optional<QString> writePlan(store::Store &store, const ImportPlan &plan, ImportResult &result,
                                 common::Progress &progress,
                                 const std::function<std::optional<QString>(const ImportResult &)> &beforeCommit)
{
    const QString label = QStringLiteral("業務日誌を取り込んでいます…");
    std::optional<QString> refusal;
    ImportResult done;
    const store::DbError error = store.inTransaction([&]() -> store::DbError {
        done = ImportResult{};
        done.rowsRead = plan.journalRowsRead;
        done.report = plan.report;
        QList<const PlannedDay *> written;
        qint64 step = 0;
        for (const PlannedDay &day : plan.days) {
            if (++step % kProgressEvery == 0) {
                progress.report(label, step, plan.days.size());
            }
            bool added = false;
            if (store::DbError failure = store.addDay(day.record, added)) {
                return failure;
            }
            if (!added) {
                done.report.append(journalLine(
                    day.source, QStringLiteral("この日の記録が既にあるため、現在の記録を残しました。"), false));
                ++done.keptCurrent;
                continue;
            }
            if (day.rounded) {
                done.report.append(*day.rounded);
            }
            written.append(&day);
            done.newestDay = std::max(done.newestDay, day.record.date);
        }
        done.imported = int(written.size());

        if (plan.settings) {
            std::optional<store::Settings> current;
            if (store::DbError failure = store.loadSettings(current)) {
                return failure;
            }
            if (!current) {
                if (store::DbError failure = store.saveSettings(*plan.settings)) {
                    return failure;
                }
                done.settingsTaken = true;
            }
        }
        for (const store::Hint &hint : plan.hints) {
            std::optional<store::Hint> current;
            if (store::DbError failure = store.readHint(hint.key, current)) {
                return failure;
            }
            if (!current) {
                if (store::DbError failure = store.storeHint(hint)) {
                    return failure;
                }
                ++done.hintsTaken;
            }
        }

        // Read back before it is kept: every day as written, and the count
        // and sums of the earlier rows less those listed and not brought over.
        const auto refuse = [&](const QString &why) -> store::DbError {
            refusal = why;
            return {store::DbErrorKind::RefusedValue, why};
        };
        progress.report(QStringLiteral("取り込んだ記録を確かめています…"), 0, 0);
        store::Sums expected;
        store::Sums readBack;
        qint64 found = 0;
        for (const PlannedDay *day : std::as_const(written)) {
            std::optional<store::JournalRecord> stored;
            if (store::DbError failure = store.readDay(day->record.date, stored)) {
                return failure;
            }
            add(expected, day->record.amounts);
            if (stored) {
                ++found;
                add(readBack, stored->amounts);
                if (!sameRecord(day->record, *stored)) {
                    return refuse(QStringLiteral("%1 の記録を読み返すと、書き込んだ内容と違っていました。")
                                      .arg(day->record.date.toString(QStringLiteral("yyyy/MM/dd"))));
                }
            }
        }
        const auto listedOut = std::count_if(plan.report.cbegin(), plan.report.cend(), [](const ReportLine &line) {
            return line.table == QStringLiteral("業務日誌") && !line.imported;
        });
        if (found != written.size() || readBack != expected ||
            written.size() + done.keptCurrent + listedOut != plan.journalRowsRead) {
            return refuse(QStringLiteral("取り込んだ記録の件数か合計が、以前の版のファイルと合いませんでした。"));
        }

        std::stable_sort(done.report.begin(), done.report.end(), [](const ReportLine &a, const ReportLine &b) {
            return std::pair(tableRank(a.table), a.row) < std::pair(tableRank(b.table), b.row);
        });
        if (beforeCommit) {
            if (auto why = beforeCommit(done)) {
                return refuse(*why);
            }
        }
        return {};
    });
    if (error) {
        return refusal ? *refusal
                       : QStringLiteral("データファイルに書き込めませんでした。%1").arg(store::describeForUser(error));
    }
    result = done;
    return std::nullopt;
}

QString legacyFolderFor(const QString &dataFolder, const QDateTime &now)
{
    const QDir backup(QDir(dataFolder).filePath(QStringLiteral("backup")));
    const QString base = QStringLiteral("legacy-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = backup.filePath(base);
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = backup.filePath(base + QStringLiteral("-%1").arg(n));
    }
    return path;
}

namespace {

// The earlier files read through the reading child, and what of them goes where.
std::optional<QString> readPlan(const LegacyFiles &from, const ReaderCommand &reader, common::Progress &progress,
                                ImportPlan &plan)
{
    LegacyData data;
    if (auto failure = readThroughChild(from, reader, data, progress)) {
        return failure;
    }
    plan = planImport(data);
    return std::nullopt;
}

// Writes the import report into `folder` (made when missing) before the data
// is kept, when anything is listed: a report that cannot be written keeps the
// data out too, and a failed commit takes the report away (`changes`).
std::function<std::optional<QString>(const ImportResult &)> reportWriter(const QString &folder, const QDateTime &now,
                                                                         FolderChanges &changes, ImportOutcome &outcome)
{
    return [folder, now, &changes, &outcome](const ImportResult &result) -> std::optional<QString> {
        if (result.report.isEmpty()) {
            return std::nullopt;
        }
        if (!makeFolder(folder, changes)) {
            return QStringLiteral("フォルダー「%1」を作成できませんでした。").arg(native(folder));
        }
        const WrittenReport written =
            writeReport(folder, result.report, now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
        outcome.reportPath = written.path;
        if (!written.failure) {
            changes.made(written.path);
        }
        return written.failure;
    };
}

} // namespace

ImportOutcome importLegacy(const LegacyFiles &from, const QString &to, const ReaderCommand &reader,
                           common::Progress &progress, const QDateTime &now)
{
    ImportOutcome outcome;
    ImportPlan plan;
    if (auto failure = readPlan(from, reader, progress, plan)) {
        outcome.failure = failure;
        return outcome;
    }

    FolderChanges changes;
    const auto fail = [&](const QString &why) {
        changes.undo();
        outcome.failure = why;
        outcome.reportPath.clear();
        outcome.movedFolder.clear();
        return outcome;
    };
    const QDir dir(to);
    if (!makeFolder(dir.absolutePath(), changes)) {
        return fail(QStringLiteral("データフォルダー「%1」を作成できませんでした。").arg(native(dir.absolutePath())));
    }

    // The data folder's own earlier files go aside untouched, under a name of their own.
    const LegacyFiles own = jetFilesIn(dir.absolutePath());
    if (own.any()) {
        outcome.movedFolder = legacyFolderFor(dir.absolutePath(), now);
        if (!makeFolder(outcome.movedFolder, changes)) {
            return fail(QStringLiteral("フォルダー「%1」を作成できませんでした。").arg(native(outcome.movedFolder)));
        }
        for (const QString &path : {own.mainPath, own.workPath}) {
            if (path.isEmpty()) {
                continue;
            }
            const QString target = QDir(outcome.movedFolder).filePath(QFileInfo(path).fileName());
            if (!QFile::rename(path, target)) {
                return fail(QStringLiteral("「%1」を「%2」へ移せませんでした。").arg(native(path), native(target)));
            }
            changes.moved(path, target);
        }
    }

    // Fresh data where there is none; never one part of the data made beside
    // the other's absence the user has not explained (the earlier version's
    // file of that name, moved aside just now).
    const store::Location location = store::Location::inFolder(dir.absolutePath());
    const store::DataParts parts = store::dataParts(location);
    if (!parts.none()) {
        for (const QString &part : parts.all) {
            const QString name = QFileInfo(part).fileName();
            const bool movedAside = (!own.mainPath.isEmpty() && QFileInfo(own.mainPath).fileName() == name) ||
                                    (!own.workPath.isEmpty() && QFileInfo(own.workPath).fileName() == name);
            if (!parts.present.contains(part) && !movedAside) {
                return fail(QStringLiteral("「%1」がないため、取り込めません。").arg(native(part)));
            }
        }
    }
    const store::Creation made = store::createMissingData(location);
    for (const QString &part : made.made) {
        changes.made(part);
    }
    if (made.error) {
        return fail(QStringLiteral("「%1」を作成できませんでした。%2")
                        .arg(native(made.failedPart), store::describeForUser(made.error)));
    }

    auto store = store::makeStore(location);
    if (const auto failure = store->open(location)) {
        return fail(QStringLiteral("「%1」を開けませんでした。%2")
                        .arg(native(failure->path), store::describeForUser(failure->error)));
    }
    // The report is written before the data is kept: a report that cannot be
    // written keeps the data out too, and a failed commit takes the report away.
    const QString reportFolder = outcome.movedFolder.isEmpty() ? dir.absolutePath() : outcome.movedFolder;
    const auto writeTheReport = reportWriter(reportFolder, now, changes, outcome);
    const auto failure = writePlan(*store, plan, outcome.result, progress, writeTheReport);
    store->close();
    progress.finish();
    if (failure) {
        return fail(*failure);
    }
    outcome.summary = summaryOf(outcome);
    return outcome;
}

ImportOutcome importLegacyOnto(const LegacyFiles &from, store::Store &store, const QString &reportFolder,
                               const ReaderCommand &reader, common::Progress &progress, const QDateTime &now)
{
    ImportOutcome outcome;
    ImportPlan plan;
    if (auto failure = readPlan(from, reader, progress, plan)) {
        outcome.failure = failure;
        return outcome;
    }
    FolderChanges changes;
    const auto writeTheReport = reportWriter(reportFolder, now, changes, outcome);
    const auto failure = writePlan(store, plan, outcome.result, progress, writeTheReport);
    progress.finish();
    if (failure) {
        changes.undo();
        outcome.failure = failure;
        outcome.reportPath.clear();
        return outcome;
    }
    outcome.summary = summaryOf(outcome);
    return outcome;
}

} // namespace legacy
