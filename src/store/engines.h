#pragma once
// The one door to the data: a store for a location, and empty data made
// there. Each engine adds itself here; nothing above the store names one.

#include "store/dberror.h"
#include "store/location.h"
#include "store/store.h"

#include <QStringList>

#include <memory>

namespace store {

// A closed store of the engine that keeps the data at `location`.
std::unique_ptr<Store> makeStore(const Location &location);

// The parts the data is kept in at a location, as the user knows them (for
// the file engine the two files' paths), and those that stand there now.
struct DataParts
{
    QStringList all;
    QStringList present;

    bool none() const { return present.isEmpty(); }
    bool whole() const { return present.size() == all.size(); }
};
DataParts dataParts(const Location &location);

struct Creation
{
    DbError error;
    QString failedPart; // the part that could not be made
    QStringList made;   // the parts made
};

// Makes empty data at `location`, all of it or none: refused (ErrFileExists),
// with nothing made, when any part of it is there already.
Creation createEmptyData(const Location &location);

// Makes empty only the parts missing at `location`, leaving those there alone.
Creation createMissingData(const Location &location);

} // namespace store
