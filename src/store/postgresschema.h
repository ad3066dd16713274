#pragma once
// Inside the store only: the tables of the data on a server, and the whole
// data read at once or written at once, for copies and restores.

#include "store/dberror.h"
#include "store/records.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace store::pg {

class Connection;

// The tables the data needs on the server, in the order they are made.
QStringList tables();
// A table as a part of the data, as the user knows it.
QString partName(const QString &table);
// Whether a table is part of the journal and the settings (or of the hints).
bool journalTable(const QString &table);

// The tables of the data present in the session's first schema.
[[nodiscard]] DbError presentTables(Connection &db, QStringList &present);
// Makes the tables in `names` (of tables()), in the caller's transaction.
[[nodiscard]] DbError createTables(Connection &db, const QStringList &names);

// Everything a copy holds.
struct DataSnapshot
{
    QList<JournalRecord> records;
    std::optional<Settings> settings;
    QList<Hint> hints;
};

// Reads the whole data of the server in the caller's transaction.
[[nodiscard]] DbError readData(Connection &db, DataSnapshot &data);
// Reads a copy's two files in `folder` through the file engine.
[[nodiscard]] DbError readCopy(const QString &folder, DataSnapshot &data);
// Writes the copy's two files into `folder`, refused when one is there; a
// failure leaves none.
[[nodiscard]] DbError writeCopy(const QString &folder, const DataSnapshot &data);

} // namespace store::pg
