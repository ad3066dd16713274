#pragma once
// Inside the store only: the tables of the two SQLite files and the making of
// empty files.

#include "store/dberror.h"

#include <QStringList>

namespace store::sqlite {

// Tables that must be present when a file is opened.
QStringList mainTables(); // 業務日誌, 自社情報
QStringList workTables(); // w集計, ClHint

// Creates a new file at `path` holding the tables and indexes of the main (or
// work) file. Refuses (error, file untouched) when a file is there; a failure
// leaves no file behind.
[[nodiscard]] DbError createMainFile(const QString &path);
[[nodiscard]] DbError createWorkFile(const QString &path);

class Connection;

// Whether the journal (業務日誌) and the hints (ClHint, in the attached `work`)
// carry the columns of a record's version, 版 and 更新日時.
struct VersionColumns
{
    bool journal = false;
    bool hints = false;
};
[[nodiscard]] DbError findVersionColumns(Connection &db, VersionColumns &found);
// Adds what is missing of them to files of earlier versions, in one
// transaction over both files: records there read as version 0, no moment.
[[nodiscard]] DbError addVersionColumns(Connection &db);

// The layout of the open files (store::kSchemaVersion): the number the journal
// file keeps in データ版; files without that table are of version 2 when they
// carry the version columns (made before the table was), of version 1 otherwise.
[[nodiscard]] DbError readSchemaVersion(Connection &db, int &version);
// Brings the files to store::kSchemaVersion in one transaction over both.
[[nodiscard]] DbError upgradeSchema(Connection &db);

} // namespace store::sqlite
