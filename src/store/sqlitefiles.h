#pragma once
// The file engine: the journal's data in two SQLite files of a data folder.
// Only the engines' door (engines.h), the copies and tests that plant files or
// damage them name these; the program reaches the data through a Location.

#include "store/dberror.h"
#include "store/store.h"

#include <QString>

#include <memory>

namespace store {

// The two files of a data folder.
inline const QString kMainFileName = QStringLiteral("VelmoraA.mdb");     // the journal and the settings
inline const QString kWorkFileName = QStringLiteral("VelmoraAWork.mdb"); // the work table and the hints

// A closed store over SQLite files.
std::unique_ptr<Store> makeSqliteStore();

// Creates the two empty files in `folder`; refuses (nothing made) when either exists.
[[nodiscard]] DbError createSqliteFiles(const QString &folder, QString *failedPath = nullptr);

// The highest record versions of the data that restored files are to replace.
struct RestoredVersions
{
    qint64 journal = 0;
    qint64 hints = 0;
};

// Makes the two files in `folder` (where neither may exist) anew, holding what
// Store::restoreFrom would leave from the checked copy in `copyFolder`: its
// records, settings and hints, every version above `above`, the search index
// made, committed to the disk. A failure may leave files behind.
[[nodiscard]] DbError restoreIntoNewFiles(const QString &folder, const QString &copyFolder,
                                          const RestoredVersions &above);

// Creates one empty file of the pair in `folder`; refuses when it exists.
enum class DataFile { Main, Work };
[[nodiscard]] DbError createSqliteFile(const QString &folder, DataFile file);

} // namespace store
