#pragma once
// The settings page's commands without its widgets: 読込 and 登録 of the
// settings, クリア, the erasing of all data after a copy, and the restore of
// a copy, with their questions and what is told.

#include "common/msg.h"
#include "common/progress.h"
#include "store/location.h"
#include "store/records.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace store {
class Store;
}

namespace settings {

// The pages that the erasing of all data clears after the settings page.
struct OtherPages
{
    std::function<void()> clearTotals;
    std::function<void()> clearJournal;
};

// Which copy to restore: the folder of the chosen copy, none when the user cancelled.
using CopyChooser = std::function<std::optional<QString>(const QString &backupFolder)>;
// What shows how far a restore has come, made once the user has said Yes.
using ProgressMaker = std::function<std::unique_ptr<common::Progress>()>;

class SettingsController : public QObject
{
    Q_OBJECT
public:
    // `inForce` is what the other pages and the printouts use: 読込 changes
    // it, 登録 does not.
    SettingsController(store::Store &store, store::Settings &inForce, common::Msg &msg, QObject *parent = nullptr);

    // 読込: the stored settings into the page (shown) and into the settings in
    // force (settingsInForceChanged). A failed read changes neither.
    void load();
    // 登録: the page's settings, asking first when `confirm`. A failed write
    // leaves the page as it is, with the reason.
    void save(const store::Settings &page, bool confirm);
    // クリア: the defaults on the page (cleared).
    void clear();
    // After a question, the defaults on the page and stored in place of the settings.
    void reset();
    // After a question and a copy of the data, erases every record and the
    // settings; then this page and the other pages are cleared.
    void eraseAll();
    // After the choice of a copy and a question, replaces the data by the
    // copy's, keeping the data as it was as a copy of its own (restored).
    void restore();

    // Runs before the erase and the restore write; the program waits there for
    // a check of the files that is still running.
    void setBeforeWrite(std::function<void()> beforeWrite) { m_beforeWrite = std::move(beforeWrite); }
    void setOtherPages(OtherPages pages) { m_otherPages = std::move(pages); }
    void setCopyChooser(CopyChooser chooser) { m_chooseCopy = std::move(chooser); }
    void setProgressMaker(ProgressMaker maker) { m_makeProgress = std::move(maker); }
    void setBackupFolder(const QString &folder) { m_backupFolder = folder; }
    // Where the open data is kept, and the backup folder that receives its copies.
    void setData(const store::Location &location, const QString &backupFolder);
    // Where the erasing of all data keeps its copy of the data, and where the
    // copies to restore are.
    QString backupFolder() const { return m_backupFolder; }

signals:
    // Settings read from the store, none when it holds no row.
    void shown(const std::optional<store::Settings> &stored);
    void cleared();
    void settingsInForceChanged();
    void restored();

private:
    store::Store &m_store;
    store::Settings &m_inForce;
    common::Msg &m_msg;
    OtherPages m_otherPages;
    QString m_backupFolder;
    store::Location m_data;
    std::function<void()> m_beforeWrite;
    CopyChooser m_chooseCopy;
    ProgressMaker m_makeProgress;
};

} // namespace settings
