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

    static DbError none() { return {}; }
};

// Numbers for failures that the store detects itself, outside SQLite's range.
enum StoreErrorNumber : int {
    ErrMissingTable = 10001,  // the file opened but lacks a table of the design
    ErrNotUpdatable = 10002,  // AddNew/Edit on a recordset that is not a single-table select
    ErrNoCurrentRow = 10003,  // field access or Edit at BOF/EOF
    ErrNotEditing = 10004,    // Update without AddNew/Edit
    ErrUnknownColumn = 10005, // a field name the recordset does not have
    ErrClosed = 10006,        // the database or recordset is not open
};

// A short Japanese reason for the user ("ファイルが見つかりません。", ...), chosen by
// the error number; the engine's text is added in parentheses.
QString describeForUser(const DbError &error);

} // namespace store
