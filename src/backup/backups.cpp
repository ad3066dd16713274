#include "backup/backups.h"

#include "common/fileplacing.h"
#include "common/filesync.h"
#include "store/maintenance.h"

#include <QDir>
#include <QSettings>

#include <algorithm>

namespace backup {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QList<CopyEntry> listCopies(const QString &backupFolder)
{
    QList<CopyEntry> copies;
    const QDir dir(backupFolder);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (const auto parsed = parseCopyName(name)) {
            copies.append({*parsed, dir.absoluteFilePath(name)});
        }
    }
    std::sort(copies.begin(), copies.end(), [](const CopyEntry &a, const CopyEntry &b) {
        return std::pair(a.name.time, a.name.sequence) > std::pair(b.name.time, b.name.sequence);
    });
    return copies;
}

MadeCopy makeCopy(const store::Location &data, const QString &backupFolder, CopyKind kind, const QDateTime &now)
{
    MadeCopy made;
    QDir dir(backupFolder);
    const std::unique_ptr<store::Maintenance> maintenance = store::makeMaintenance(data);
    if (!maintenance->hasData()) {
        made.path = dir.absolutePath();
        made.failure = QStringLiteral("「%1」にデータがありません。").arg(data.display());
        return made;
    }
    // No copy is more open than the data folder (for data on a server, the
    // local folder that holds the backup folder).
    const QString holder = data.kind() == store::Location::Kind::Folder
                               ? QFileInfo(data.folder()).absoluteFilePath()
                               : QFileInfo(dir.absolutePath()).absolutePath();
    const bool madeFolder = !dir.exists();
    if (!QDir().mkpath(dir.absolutePath())) {
        made.path = dir.absolutePath();
        made.failure = QStringLiteral("控えのフォルダー「%1」を作成できません。").arg(native(dir.absolutePath()));
        return made;
    }
    if (madeFolder) {
        common::keepPrivate(dir.absolutePath(), holder);
    }
    removeLeftovers(dir.absolutePath(), now);
    // The first name of this second that neither a copy nor one being made carries.
    CopyName name{QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second())), kind, 1};
    QString unchecked;
    for (;; ++name.sequence) {
        made.path = dir.absoluteFilePath(name.folderName());
        unchecked = dir.absoluteFilePath(uncheckedName(name.folderName()));
        if (QFileInfo::exists(made.path) || QFileInfo::exists(unchecked)) {
            continue;
        }
        if (dir.mkdir(uncheckedName(name.folderName()))) {
            break;
        }
        if (!QFileInfo::exists(unchecked)) { // not taken by another copy in between: the folder refuses
            made.failure = QStringLiteral("控えのフォルダー「%1」に書き込めません。").arg(native(dir.absolutePath()));
            return made;
        }
    }
    const auto fail = [&](const QString &why) {
        QDir(unchecked).removeRecursively();
        made.failure = why;
        return made;
    };
    // The copy is as private as the data: the folder first, so that its files
    // are never open to others, even while they are written.
    common::keepPrivate(unchecked, holder);
    qint64 records = 0;
    if (const store::DbError error = maintenance->copyTo(unchecked, records)) {
        made.error = error;
        return fail(QStringLiteral("データファイルを控えに写せませんでした。%1").arg(store::describeForUser(error)));
    }
    if (const store::DbError error = store::checkCopy(unchecked, made.check)) {
        made.error = error;
        return fail(
            QStringLiteral("作成した控えを確かめると、正しくありませんでした。%1").arg(store::describeForUser(error)));
    }
    if (made.check.records != records) {
        return fail(QStringLiteral("作成した控えの記録の数（%1 件）が、元のデータ（%2 件）と一致しませんでした。")
                        .arg(made.check.records)
                        .arg(records));
    }
    // The copy's files are on the disk (SQLite syncs them); their folder's
    // entries go first, then the name, so that a power cut never leaves a
    // named copy without its files, nor loses the name of a whole one.
    common::syncFolder(unchecked);
    if (!dir.rename(uncheckedName(name.folderName()), name.folderName())) {
        return fail(QStringLiteral("控えに名前を付けられませんでした（%1）。").arg(native(made.path)));
    }
    common::syncFolder(dir.absolutePath());
    return made;
}

int thinCopies(const QString &backupFolder, const QDateTime &now, const Generations &generations)
{
    const QList<CopyEntry> copies = listCopies(backupFolder);
    QList<CopyName> names;
    for (const CopyEntry &copy : copies) {
        names.append(copy.name);
    }
    int removed = 0;
    const QDir dir(backupFolder);
    for (const CopyName &name : copiesToThin(names, now.date(), generations)) {
        if (QDir(dir.absoluteFilePath(name.folderName())).removeRecursively()) {
            ++removed;
        }
    }
    removeLeftovers(backupFolder, now);
    return removed;
}

void removeLeftovers(const QString &backupFolder, const QDateTime &now)
{
    const QDir dir(backupFolder);
    for (const QString &left : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (!isUncheckedName(left)) {
            continue;
        }
        const auto name = parseCopyName(left.mid(uncheckedName(QString()).size()));
        if (name && name->time.secsTo(now) > 3600) {
            QDir(dir.absoluteFilePath(left)).removeRecursively();
        }
    }
}

std::optional<GoodCopy> newestGoodCopy(const QString &backupFolder)
{
    for (const CopyEntry &copy : listCopies(backupFolder)) {
        store::CopyCheck check;
        if (!store::checkCopy(copy.path, check)) {
            return GoodCopy{copy, check};
        }
    }
    return std::nullopt;
}

QString describeGoodCopy(const GoodCopy &copy)
{
    return QStringLiteral("%1（%2 日分、最後の日付 %3）")
        .arg(copy.entry.name.time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")))
        .arg(copy.check.records)
        .arg(copy.check.newestDay.isValid() ? copy.check.newestDay.toString(QStringLiteral("yyyy/MM/dd"))
                                            : QStringLiteral("なし"));
}

Generations readGenerations(const QString &dataFolder)
{
    const QSettings ini(QDir(dataFolder).filePath(kSettingsFileName), QSettings::IniFormat);
    Generations generations;
    const auto number = [&ini](const char *key, int fallback) {
        bool ok = false;
        const int value = ini.value(QStringLiteral("backup/") + QLatin1String(key)).toInt(&ok);
        return ok && value >= 0 && value <= 1000 ? value : fallback;
    };
    generations.days = number("days", generations.days);
    generations.weeks = number("weeks", generations.weeks);
    generations.months = number("months", generations.months);
    return generations;
}

} // namespace backup
