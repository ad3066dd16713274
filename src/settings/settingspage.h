#pragma once
// The settings page: the calendar mode and the ruled-line colour, the erasing
// of all data, the restore of a copy, the about text and the banner.

#include "common/msg.h"
#include "settings/settingscontroller.h"
#include "store/records.h"
#include "store/store.h"
#include "ui/colourdialog.h"
#include "ui/platform.h"

#include <QWidget>

#include <optional>

class QLabel;

namespace ui {
class ColourNumberBox;
class ColourSwatch;
class CommandButton;
class EraBox;
class HintButton;
} // namespace ui

namespace settings {

class Banner;

class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    // `inForce` is what the other pages and the printouts use: the page's 読込
    // changes it, its 登録 does not.
    SettingsPage(store::Store &store, store::Settings &inForce, common::Msg &msg, ui::ColourChooser &colours,
                 ui::UrlOpener &urls, QWidget *parent = nullptr);

    // Reads the stored settings into the page and into the settings in force,
    // then says so (settingsInForceChanged).
    void load();
    // Shows settings read from the store, none when it holds no row; the
    // settings in force are left as they are.
    void showStored(const std::optional<store::Settings> &stored);
    // Writes the page's settings, asking first when `confirm`.
    void save(bool confirm);
    void clear();
    // After a question, stores the defaults in place of the settings.
    void reset();
    void chooseLineColour();
    // After a question and a copy of the journal file, erases every record and the settings.
    void eraseAll();
    // After the choice of a copy and a question, replaces the data by the
    // copy's, keeping the data as it was as a copy of its own.
    void restore();
    // Runs before the erase and the restore write; the program waits there for
    // a check of the files that is still running.
    void setBeforeWrite(std::function<void()> beforeWrite) { m_controller.setBeforeWrite(std::move(beforeWrite)); }
    void openBanner();

    void setOtherPages(OtherPages pages) { m_controller.setOtherPages(std::move(pages)); }
    void setBackupFolder(const QString &folder) { m_controller.setBackupFolder(folder); }
    // Where the open data is kept, and the backup folder that receives its copies.
    void setData(const store::Location &location, const QString &backupFolder)
    {
        m_controller.setData(location, backupFolder);
    }
    // The real chooser is the restore dialog.
    void setCopyChooser(CopyChooser chooser) { m_controller.setCopyChooser(std::move(chooser)); }
    void setAboutText(const QString &text);
    // Empties the calendar list, adds "西暦" then "和暦" and shows `calendarMode`.
    void fillCalendarList(const QString &calendarMode);

    // Where the erasing of all data keeps its copy of the journal file, and
    // where the copies to restore are.
    QString backupFolder() const { return m_controller.backupFolder(); }

signals:
    void hintRequested(const QString &buttonName);
    // The data was replaced by a copy's: the pages show what the store holds now.
    void restored();
    // 読込 put the stored settings in force: the other pages and windows take
    // up the calendar mode now, not at the next start.
    void settingsInForceChanged();

private:
    void buildControls();
    void showCleared();

    ui::ColourChooser &m_colours;
    ui::UrlOpener &m_urls;
    SettingsController m_controller;

    ui::EraBox *m_cmb年号 = nullptr;
    ui::ColourSwatch *m_pic罫線色 = nullptr;
    ui::ColourNumberBox *m_num白紙罫線色 = nullptr;
    ui::CommandButton *m_cmd一括削除7 = nullptr;
    ui::CommandButton *m_cmd復元 = nullptr;
    ui::CommandButton *m_cmd設定読込 = nullptr;
    ui::CommandButton *m_cmd設定登録 = nullptr;
    ui::CommandButton *m_cmd設定クリア = nullptr;
    ui::CommandButton *m_cmd設定削除 = nullptr;
    ui::HintButton *m_cmdHint2 = nullptr;
    QLabel *m_lblInfo = nullptr;
    Banner *m_image2 = nullptr;
};

} // namespace settings
