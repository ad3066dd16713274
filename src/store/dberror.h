#pragma once
// An engine error: a number and a message, carried back to the caller so that
// a failed step is known and can be reported.

#include <QString>

namespace store {

struct DbError
{
    int number = 0;  // SQLite result code (primary or extended); 0 means success
    QString message; // the engine's own message text

    bool ok() const { return number == 0; }
    explicit operator bool() const { return !ok(); } // true when there is an error

    // The primary SQLite result code (SQLITE_CONSTRAINT for a UNIQUE violation,
    // ...); the store's own numbers are returned unchanged.
    int primaryCode() const { return number > 0 && number < 10000 ? (number & 0xFF) : number; }

    static DbError none() { return {}; }
};

// Numbers for failures that the store detects itself, outside SQLite's range.
enum StoreErrorNumber : int {
    ErrMissingTable = 10001, // the file opened but lacks a table of the design
    ErrClosed = 10006,       // the store is not open
    ErrFileExists = 10007,   // a new database file was asked for where a file already is
    ErrBadValue = 10008,     // a value that the column cannot hold (a date column given no date)
    ErrBackupFailed = 10009, // the copy of a database file could not be made
    ErrCopyMismatch = 10010, // a copy does not hold what its source held
    ErrChanged = 10011,      // the record was written, added or removed elsewhere since it was read
    ErrNewerSchema = 10012,  // the data is of a later layout than this program knows (message: "data version N")
    ErrOlderSchema = 10013,  // the data is of an earlier layout, not yet brought up to date: no write
};

// Whether the failure means the file itself is damaged (its pages or header
// cannot be read as a database), as opposed to held by another program.
bool isDamage(const DbError &error);
// Whether another program holds the file (a lock that did not come free in time).
bool isBusy(const DbError &error);

// A short Japanese reason for the user ("ファイルが見つからないか、開けません。", ...),
// chosen by the error number; the engine's text and the number are added in
// parentheses. Empty for success.
QString describeForUser(const DbError &error);

} // namespace store
