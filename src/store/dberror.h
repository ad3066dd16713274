#pragma once
// An engine error: what kind of failure it is, for the caller to act on, with
// the engine's own code and text, for the detail shown to the user.

#include <QString>

#include <utility>

namespace store {

// What went wrong, the same for every engine. Callers branch on this, never on
// an engine's code; the user's text is chosen by it.
enum class DbErrorKind {
    None,
    Busy,           // another program holds the data (busy or locked) and did not let go in time
    ReadOnly,       // the data may be read but not written
    Moved,          // the open file was moved or deleted: writes have nowhere to go
    DiskFull,       // no room left to write
    DiskFailed,     // reading or writing the disk failed
    Damaged,        // the data cannot be read as a database of its kind (pages or header broken)
    NotADatabase,   // the file is no database at all (or one so damaged that its header is gone)
    MissingTable,   // a database, but without a table of ours
    Changed,        // the record was written, added or removed by another program since it was read
    ConnectionLost, // the connection to the database server broke off
    RefusedValue,   // a value the data cannot hold (a date column given no date, an unreadable amount)
    Duplicate,      // the same key is already stored
    Missing,        // the file or its folder is not there, or cannot be opened
    NoAccess,       // no permission to the file
    Exists,         // a new file was asked for where a file already is
    Closed,         // the store is not open
    Interrupted,    // the work was stopped (the program is closing)
    CopyFailed,     // a copy of the data could not be made
    CopyMismatch,   // a copy does not hold what its source held
    NewerLayout,    // the data is of a later layout than this program knows (message: "data version N")
    OlderLayout,    // the data is of an earlier layout, not yet brought up to date: no write
    Other,
};

// Numbers for failures that the store detects itself, outside SQLite's range;
// shown in the detail so that every failure carries a number.
enum StoreErrorNumber : int {
    ErrMissingTable = 10001,
    ErrClosed = 10006,
    ErrFileExists = 10007,
    ErrBadValue = 10008,
    ErrBackupFailed = 10009,
    ErrCopyMismatch = 10010,
    ErrChanged = 10011,
    ErrNewerSchema = 10012,
    ErrOlderSchema = 10013,
};

struct DbError
{
    DbErrorKind kind = DbErrorKind::None;
    // The engine's own result code (SQLite's primary or extended code), or
    // the store's number (StoreErrorNumber) for a failure it found itself.
    int number = 0;
    QString message; // the engine's own message text

    DbError() = default;
    DbError(DbErrorKind failure, int code, QString text) : kind(failure), number(code), message(std::move(text)) {}
    // A failure that the store found itself; the number follows from the kind.
    DbError(DbErrorKind failure, QString text);

    bool ok() const { return kind == DbErrorKind::None; }
    explicit operator bool() const { return !ok(); } // true when there is an error

    // The primary SQLite result code (SQLITE_CONSTRAINT for a UNIQUE violation,
    // ...); the store's own numbers are returned unchanged. For the store's
    // own code and tests: callers above the store test the kind.
    int primaryCode() const { return number > 0 && number < 10000 ? (number & 0xFF) : number; }

    static DbError none() { return {}; }
};

// Whether the failure means the file itself is damaged (its pages or header
// cannot be read as a database), as opposed to held by another program.
bool isDamage(const DbError &error);
// Whether another program holds the file (a lock that did not come free in time).
bool isBusy(const DbError &error);

// A short Japanese reason for the user ("ファイルが見つからないか、開けません。", ...),
// chosen by the kind; the engine's number and text are added in parentheses.
// Empty for success.
QString describeForUser(const DbError &error);

} // namespace store
