#pragma once
// The data the benchmarks run on: a journal with one record a day, in the
// two database files of a data folder. The hundred years are the usual data;
// the whole calendar with long texts (full2k) shows the figures at scale.

#include "store/period.h"

#include <QDate>
#include <QString>

namespace bench {

// What a data set holds, for the figures to take their periods, counts and
// words from the data in use instead of the hundred years' constants.
struct DataSet
{
    QString name;   // "century", "full2k": the folder's version and --data-set
    QString suffix; // after each figure's printed name: "", "@full2k"
    QDate firstDay; // one record for every day from firstDay to lastDay
    QDate lastDay;
    int records = 0;
    int textLength = 0; // characters of each day's 日誌
    QString words;      // two words found together on many days (search)
    QString character;  // one character found on many days (search)
    int sumDays = 0;    // the days whose sums must fit the sum boxes: the amounts' scale

    store::Period period() const { return {firstDay, lastDay}; }
    // The last `days` days (at most all of them).
    store::Period lastDays(int days) const;
    // The day of the n-th registration of a figure, spread over the data.
    QDate spreadDay(int n) const;
};

// The hundred years, 1926-01-01 to 2025-12-31, a hundred characters a day.
const DataSet &centuryData();
// Every day from 1868-09-08 to 2099-12-31, 2,000 characters a day of mixed
// Japanese (kanji, kana, half-width kana, digits, line breaks).
const DataSet &fullCalendarData();
// The data set named `name` (century, full2k); none for another name.
const DataSet *dataSetNamed(const QString &name);
// The description `set` with another span of days: small data of the same
// kind, for the tests of the generator and the smoke run.
DataSet shortened(const DataSet &set, QDate firstDay, QDate lastDay);

inline const QDate kCenturyFirstDay{1926, 1, 1};
inline const QDate kCenturyLastDay{2025, 12, 31};
inline constexpr int kCenturyRecords = 36525;

// The journal text of a day: about a hundred characters of ordinary notes.
QString memoOfDay(qint64 day);
// The journal text of a day of `length` characters, mixing the notes above
// with kana, half-width kana, slip numbers and line breaks.
QString longMemoOfDay(qint64 day, int length);
// The text of day `day` (counted from the first day) in `set`.
QString memoOf(const DataSet &set, qint64 day);

// Creates VelmoraA.mdb (one journal record for every day of the century, the
// settings record and the search index) and an empty VelmoraAWork.mdb in `folder`. Returns an
// error text, empty on success; refuses when either file exists.
QString makeCenturyData(const QString &folder);
// The same for any data set: one record for every day of `set`, its texts,
// amounts scaled so that the sums of all its days still fit the sum boxes.
QString makeData(const QString &folder, const DataSet &set);

// Reads the first day, last day and record count of the journal in `folder`
// and checks them against `set`. Returns an error text, empty when they agree.
QString checkDataFolder(const QString &folder, const DataSet &set);

// Copies the two files of the data folder `from` into the folder `to`
// (created when missing). Returns an error text, empty on success.
QString copyDataFolder(const QString &from, const QString &to);

// The durability settings the program's store gives a connection to the file
// at `path` (journal mode, synchronous), as statements for another connection
// to run, so that a floor writes exactly as durably. Empty with `error` set
// when the file cannot be opened.
QByteArray programPragmas(const QString &path, QString *error);
// The same for the work file at `workPath` as the program's store attaches it
// (as "work") to its connection to the journal at `mainPath`: the attached
// file's `synchronous`, as a statement for another connection that attached
// it under the same name.
QByteArray programAttachedPragmas(const QString &mainPath, const QString &workPath, QString *error);

} // namespace bench
