#pragma once
// The tables of the two database files and the creation of empty files.

#include "store/dberror.h"

#include <QString>
#include <QStringList>

namespace store::schema {

inline const QString kMainDbFileName = QStringLiteral("VelmoraA.mdb");
inline const QString kWorkDbFileName = QStringLiteral("VelmoraAWork.mdb");

// Tables that must be present when a file is opened.
QStringList mainTables(); // 業務日誌, 自社情報
QStringList workTables(); // w集計, ClHint

// Creates a new database file at `path` holding the tables and indexes of the
// main (or work) file. Refuses (error, file untouched) when the file exists.
[[nodiscard]] DbError createMainDatabase(const QString &path);
[[nodiscard]] DbError createWorkDatabase(const QString &path);

} // namespace store::schema
