#pragma once
// What the main window holds for the pages while the program runs: the data
// folder, the open store and the settings in force.

#include "store/records.h"
#include "store/store.h"

#include <QString>

#include <memory>
#include <optional>

namespace app {

class Session
{
public:
    // A closed store of the given engine; the SQLite one when none is given.
    explicit Session(std::unique_ptr<store::Store> store = store::makeSqliteStore());

    // Opens the data folder's files; nothing is created or changed on failure.
    [[nodiscard]] std::optional<store::OpenFailure> open(const QString &dataFolder);
    void close();

    store::Store &store() { return *m_store; }
    QString dataFolder() const { return m_dataFolder; } // ends with '/'
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
    store::Settings m_settings;
};

} // namespace app
