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

} // namespace store::sqlite
