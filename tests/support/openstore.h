#pragma once
// A SQLite store made and opened on a data folder at once, as tests and their
// helper programs want it.

#include "store/sqlitefiles.h"
#include "store/store.h"

namespace testsupport {

// Null, with the failure, when a file cannot be opened.
inline std::unique_ptr<store::Store> openStore(const QString &folder, std::optional<store::OpenFailure> &failure)
{
    auto opened = store::makeSqliteStore();
    failure = opened->open(store::Location::inFolder(folder));
    return failure ? nullptr : std::move(opened);
}

} // namespace testsupport
