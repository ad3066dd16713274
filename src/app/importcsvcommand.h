#pragma once
// `zephra --import-csv FILE [--layout NAME] [--encoding utf8|cp932]
// [--existing keep|replace|add] [--replace] [--skip-refused] [--preview]`:
// journal days from a CSV file, without a window. A file whose columns are
// not the journal's (a bank statement) is read through a layout kept from
// the import window.
//
// What the file brings is told: new days, days that have a record, every row
// that will not be imported with its line, column and reason. --preview
// stops there. Without it, a file of the journal's own columns is judged and
// written in one reading inside one transaction; a refused row rolls it all
// back and the file is judged whole to tell every such row. Refused rows stop
// the import unless --skip-refused takes the good rows alone; days that have
// a record keep theirs unless --existing (or --replace) says otherwise. The
// character code is found from the file unless --encoding names it.

#include "app/commandresult.h"

#include <QString>
#include <QStringList>

namespace app {

// `arguments` are those after the option; `dataFolder` is the program's own.
CommandResult importCsvCommand(const QStringList &arguments, const QString &dataFolder);

} // namespace app
