#pragma once
// The copies of a data folder in its backup folder: made and checked before
// they carry a copy's name, listed, thinned out by generations, and the
// settings of the generations.

#include "backup/copyname.h"
#include "backup/generations.h"

#include "store/copies.h"
#include "store/location.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace backup {

// A copy in the backup folder.
struct CopyEntry
{
    CopyName name;
    QString path; // the copy's folder
};

// The copies of the backup folder, newest first; other files and folders are
// not copies and are left alone.
QList<CopyEntry> listCopies(const QString &backupFolder);

struct MadeCopy
{
    QString path;                   // the copy's folder (or where it was to go)
    store::CopyCheck check;         // what the checked copy holds
    std::optional<QString> failure; // why no copy was made, in Japanese
    store::DbError error;           // the engine's failure behind it, if any
};

// Copies the data at `data` into a new copy in `backupFolder` (made when
// missing, as private as the folder that holds it): written under an
// unchecked name, checked (integrity, tables, the record count of the
// source), and only then named. A failed copy leaves nothing behind.
MadeCopy makeCopy(const store::Location &data, const QString &backupFolder, CopyKind kind, const QDateTime &now);

// Removes the copies no generation keeps, and what copies killed half-way
// left under an unchecked name more than an hour before `now`. The number of
// copies removed.
int thinCopies(const QString &backupFolder, const QDateTime &now, const Generations &generations);

// Removes what copies killed half-way left under an unchecked name more than
// an hour before `now`; every copy made and every list of copies shown does.
void removeLeftovers(const QString &backupFolder, const QDateTime &now);

// The newest copy that passes its full check; none when no copy does.
struct GoodCopy
{
    CopyEntry entry;
    store::CopyCheck check;
};
std::optional<GoodCopy> newestGoodCopy(const QString &backupFolder);
// The copy in a sentence: "2026/12/06 08:30:00（600 日分、最後の日付 2008/11/20）".
QString describeGoodCopy(const GoodCopy &copy);

// The generations of a data folder: its zephra.ini, section [backup] (days,
// weeks, months), with the defaults where a number is missing or not a number.
Generations readGenerations(const QString &dataFolder);

inline const QString kSettingsFileName = QStringLiteral("zephra.ini");

} // namespace backup
