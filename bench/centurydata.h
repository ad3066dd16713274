#pragma once
// The data the benchmarks run on: a journal of a hundred years with one
// record a day, in the two database files of a data folder.

#include <QDate>
#include <QString>

namespace bench {

inline const QDate kCenturyFirstDay{1926, 1, 1};
inline const QDate kCenturyLastDay{2025, 12, 31};
inline constexpr int kCenturyRecords = 36525;

// The journal text of a day: about a hundred characters of ordinary notes.
QString memoOfDay(qint64 day);

// Creates VelmoraA.mdb (one journal record for every day of the century, the
// settings record and the search index) and an empty VelmoraAWork.mdb in `folder`. Returns an
// error text, empty on success; refuses when either file exists.
QString makeCenturyData(const QString &folder);

// Copies the two files of the data folder `from` into the folder `to`
// (created when missing). Returns an error text, empty on success.
QString copyDataFolder(const QString &from, const QString &to);

// The durability settings the program's store gives a connection to the file
// at `path` (journal mode, synchronous), as statements for another connection
// to run, so that a floor writes exactly as durably. Empty with `error` set
// when the file cannot be opened.
QByteArray programPragmas(const QString &path, QString *error);

} // namespace bench
