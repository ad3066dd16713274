#pragma once
// What the main window holds for the pages while the program runs: the data
// folder, the open store and the settings in force.

#include "common/datalock.h"
#include "store/location.h"
#include "store/records.h"
#include "store/store.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

namespace app {

// Takes the lock of a data folder that holds the journal file; a folder
// without data gets no lock file and is not held.
common::DataLock::Held holdDataLock(common::DataLock &lock, const QString &dataFolder);
// The line a command-line verb prints when another program has the data open.
QString openElsewhereLine(const QString &dataFolder);

// What became of data of an earlier layout when it was opened.
enum class SchemaUpgrade {
    NotNeeded, // the data is of this program's layout
    Done,      // a checked copy (…-upgrade) was made, then the data brought up to date
    NoCopy,    // no copy could be made: the data is read as it is and not written
    Failed,    // the copy was made, the upgrade failed: the data is as it was, read, not written
};
struct SchemaUpgradeOutcome
{
    SchemaUpgrade state = SchemaUpgrade::NotNeeded;
    QString copy;   // the copy's folder, when one was made
    QString reason; // why the data was not brought up to date, in Japanese
};

// Brings the open store's data of an earlier layout up to date, but only
// after a checked copy of it in `backupFolder`.
SchemaUpgradeOutcome upgradeAfterCopy(store::Store &store, const store::Location &data, const QString &backupFolder,
                                      const QDateTime &now);
// What the user is told, once, when the data stays in its earlier layout;
// empty otherwise.
QString schemaUpgradeNotice(const SchemaUpgradeOutcome &outcome);

class Session
{
public:
    // A closed store of the engine of the data's location; without one, the
    // file engine's.
    explicit Session(std::unique_ptr<store::Store> store = nullptr);

    // Opens the data of the data folder (app::dataLocation); nothing is
    // created or changed on failure. While it is open the folder's lock is
    // held (common::DataLock), so that another program starting on it can tell.
    [[nodiscard]] std::optional<store::OpenFailure> open(const QString &dataFolder);
    void close();
    // Another program had the data open when it was opened here.
    bool openElsewhere() const { return m_openElsewhere; }
    // Data of an earlier layout is brought up to date at open, after a copy.
    const SchemaUpgradeOutcome &schemaUpgrade() const { return m_upgrade; }

    store::Store &store() { return *m_store; }
    QString dataFolder() const { return m_dataFolder; } // ends with '/'
    store::Location location() const { return m_location; }
    QString backupFolder() const { return m_dataFolder + QStringLiteral("backup/"); }

    // Reads the stored settings into `stored` (none: no row) and puts them in
    // force; after an error the settings in force stay as they are.
    [[nodiscard]] store::DbError readSettings(std::optional<store::Settings> &stored);

    // The settings in force: read at start-up and by the settings page's 読込.
    store::Settings &settings() { return m_settings; }
    const store::Settings &settings() const { return m_settings; }

private:
    std::unique_ptr<store::Store> m_store;
    QString m_dataFolder;
    store::Location m_location;
    store::Settings m_settings;
    common::DataLock m_lock;
    bool m_openElsewhere = false;
    SchemaUpgradeOutcome m_upgrade;
};

} // namespace app
