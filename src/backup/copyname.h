#pragma once
// The names of the copies in the backup folder: the moment and the reason in
// a folder name that sorts by time, "20261207-210509-exit" (a second copy in
// the same second "20261207-210509-exit-2"). A copy being written and checked
// carries a name that is no copy's name.

#include <QDateTime>
#include <QString>

#include <optional>

namespace backup {

enum class CopyKind {
    Daily,   // the first copy of a day, made after the start-up
    Exit,    // made when the program closes after a write
    Erase,   // made before the erasing of all data; kept until the user deletes it
    Restore, // the data as it was before a restore; kept until the user deletes it
    Manual,  // asked for on the command line; kept until the user deletes it
    Import,  // made before an import replaces existing days; kept until the user deletes it
    Upgrade, // made before data of an earlier layout is brought up to date; kept until the user deletes it
};

// Only the copies the program makes by itself are thinned out.
bool isThinned(CopyKind kind);
QString kindWord(CopyKind kind);  // "daily", ...
QString kindLabel(CopyKind kind); // 自動, 終了時, 初期化前, 復元前, 手動, 取込前, 形式更新前

struct CopyName
{
    QDateTime time; // to the second
    CopyKind kind = CopyKind::Daily;
    int sequence = 1; // 2, 3, ... for further copies in the same second

    QString folderName() const;
};

// A copy's name read back; none for any other name (an unchecked copy, a file
// of another kind, a copy of an earlier version of the program).
std::optional<CopyName> parseCopyName(const QString &folderName);

// The name a copy has while it is written and checked.
QString uncheckedName(const QString &folderName);
bool isUncheckedName(const QString &name);

} // namespace backup
