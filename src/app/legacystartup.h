#pragma once
// A data folder that still holds the earlier version's files: at start-up the
// program offers to convert them, and on the command line imports them.

#include "legacy/readerprocess.h"

#include "app/commandresult.h"
#include "common/msg.h"
#include "common/progress.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace app {

struct ConversionAtStart
{
    enum class Outcome {
        NothingToConvert, // no Jet file in the data folder
        Converted,        // the files were converted; the start-up goes on
        Declined,         // the user said no: nothing changed, the program ends
        Failed,           // nothing changed, the user was told why; the program ends
    };
    Outcome outcome = Outcome::NothingToConvert;
    QDate newestDay; // the newest day brought over
};

// Asks whether to convert the earlier files of `dataFolder` (Yes by default)
// and converts them on Yes, telling the user what was done or why not.
ConversionAtStart offerLegacyConversion(const QString &dataFolder, common::MessagePresenter &presenter,
                                        common::Progress &progress, const legacy::ReaderCommand &reader,
                                        const QDateTime &now);

// `zephra --import-legacy FROM [TO]`: `arguments` are those after the option;
// `defaultDataFolder` is the program's own data folder.
CommandResult importLegacyCommand(const QStringList &arguments, const QString &defaultDataFolder,
                                  const legacy::ReaderCommand &reader, const QDateTime &now);

} // namespace app
