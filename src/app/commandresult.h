#pragma once
// What a command-line verb tells its caller.

#include <QString>

namespace app {

struct CommandResult
{
    int exitStatus = 0;
    QString message; // printed to standard output on success, to standard error otherwise
};

} // namespace app
