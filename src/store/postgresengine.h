#pragma once
// The server engine: the journal's data in tables of a PostgreSQL database.
// Only the engines' door (engines.h), the maintenance's and tests name these;
// the program reaches the data through a Location.

#include "store/engines.h"
#include "store/maintenance.h"
#include "store/store.h"

#include <memory>

namespace store {

// A closed store over a database on a server.
std::unique_ptr<Store> makePostgresStore();

// The tables of the data on the server at `location`, as parts ("サーバー上の表 業務日誌", ...).
DataParts postgresDataParts(const Location &location);

// Makes the empty tables in one transaction; refused (Exists) when any of them is there.
Creation createPostgresData(const Location &location);
// Makes the missing tables, leaving those there alone.
Creation createMissingPostgresData(const Location &location);

std::unique_ptr<Maintenance> makePostgresMaintenance(const Location &location);

} // namespace store
