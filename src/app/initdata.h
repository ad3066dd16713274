#pragma once
// `zephra --init-data [DIR]`: creates the two empty database files.

#include <QString>

namespace app {

struct InitDataResult
{
    int exitStatus = 0;
    QString message; // what to print (stdout on success, stderr on failure)
};

// Creates VelmoraA.mdb and VelmoraAWork.mdb with their tables in `folder`
// (made when missing). Refuses, creating nothing, when either file exists.
InitDataResult initData(const QString &folder);

} // namespace app
