#pragma once
// `zephra --init-data [DIR]`: creates the two empty database files.

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

} // namespace app
