#pragma once
// Bringing the earlier version's data into a data folder of this program:
// read in a child process, judged row by row, written through the store in one
// transaction that is checked before it is kept, and reported.

#include "legacy/importplan.h"
#include "legacy/legacyfiles.h"
#include "legacy/readerprocess.h"

#include "common/progress.h"
#include "store/store.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace legacy {

// What one import did.
struct ImportResult
{
    qint64 rowsRead = 0; // journal rows of the earlier file
    int imported = 0;    // journal days brought over
    int keptCurrent = 0; // days the current journal already held
    bool settingsTaken = false;
    int hintsTaken = 0;
    QList<ReportLine> report; // every row listed, in the order of the earlier files
    QDate newestDay;          // the newest day brought over
};

// Writes the plan into the open store as one transaction: days the journal
// holds already keep their record (the earlier one is listed), settings and
// hints are taken only where there are none. Before the transaction is kept,
// every day written is read back and compared, and the count and the sums of
// what was read back must equal what was written; `beforeCommit` runs last and
// may refuse too. The reason in Japanese on failure; then nothing is written.
std::optional<QString> writePlan(store::Store &store, const ImportPlan &plan, ImportResult &result,
                                 common::Progress &progress,
                                 const std::function<std::optional<QString>(const ImportResult &)> &beforeCommit = {});

// Where an import put things besides the data.
struct ImportOutcome
{
    std::optional<QString> failure; // the reason, in Japanese; then nothing changed
    ImportResult result;
    QString reportPath;  // the import report, when anything was listed
    QString movedFolder; // where the data folder's own earlier files went, if it held any
    QString summary;     // what the import did, in Japanese, for the user
};

// Imports the earlier files `from` into the data folder `to`. When `to` holds
// the earlier version's files itself (the data folder of a shop that used it),
// they are first moved untouched into backup/legacy-<date>-<time>/ and fresh
// files are made; `from` may be that same folder. Files missing in `to` are
// made. Any failure puts everything back as it was.
ImportOutcome importLegacy(const LegacyFiles &from, const QString &to, const ReaderCommand &reader,
                           common::Progress &progress, const QDateTime &now);

// Imports the earlier files `from` into data that is open in `store` and kept
// elsewhere than in files of a folder (a journal on a server); the import
// report, when anything is listed, is written into `reportFolder`. The same
// one checked transaction as into files; nothing changes on failure.
ImportOutcome importLegacyOnto(const LegacyFiles &from, store::Store &store, const QString &reportFolder,
                               const ReaderCommand &reader, common::Progress &progress, const QDateTime &now);

// The folder the data folder's own earlier files are moved into.
QString legacyFolderFor(const QString &dataFolder, const QDateTime &now);

} // namespace legacy
