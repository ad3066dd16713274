#pragma once
// The shared application state: the data folder, the two open databases, the
// settings in force and the hint target. One instance per process, created at
// start-up and handed to every page.

#include "store/database.h"

#include <QString>

namespace store {

struct ModVelmoraA
{
    QString DataFolder; // ends with the path separator
    QString MainDbPath;
    QString WorkDbPath;
    Database MainDb;
    Database WorkDb;
    QString SqlText; // the statement the current command is building

    QString CalendarMode = QStringLiteral("西暦");
    qint32 LineColor = 0;

    QString HintFormName;
    QString HintCtlName;
    QString HintFormTitle;
};

} // namespace store
