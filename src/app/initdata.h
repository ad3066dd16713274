#pragma once
// `zephra --init-data [DIR]`: creates the two empty database files;
// `zephra --init-server ADDRESS`: the journal's tables in an empty database.

#include <QString>

namespace app {

struct InitDataResult
{
    int exitStatus = 0;
    QString message; // what to print (stdout on success, stderr on failure)
};

// Makes empty data for the data folder `folder` (made when missing) through
// the engines' door. Refuses, making nothing, when any of it is there.
InitDataResult initData(const QString &folder);

// Creates the journal's tables in the empty database at the connection
// address `address`. Refuses, creating nothing, a database that holds them
// already, and an address with a password (status 2).
InitDataResult initServer(const QString &address);

} // namespace app
