#pragma once
// The settings page: the calendar mode and the ruled-line colour, the erasing
// of all data, the about text and the banner.

#include "common/msg.h"
#include "store/modvelmoraa.h"
#include "ui/colourdialog.h"
#include "ui/platform.h"

#include <QWidget>

#include <functional>

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

// The pages that the erasing of all data clears after the settings page.
struct OtherPages
{
    std::function<void()> Clear集計;
    std::function<void()> Clear日誌;
};

class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    SettingsPage(store::ModVelmoraA &state, common::Msg &msg, ui::ColourChooser &colours, ui::UrlOpener &urls,
                 QWidget *parent = nullptr);

    void Read設定();
    void Entry設定(bool confirm);
    void Clear設定();
    void cmd設定削除_Click();
    void Pic罫線色_DblClick();
    void cmd一括削除7_Click();
    void Image2_Click();

    void setOtherPages(OtherPages pages) { m_otherPages = std::move(pages); }
    void setAboutText(const QString &text);
    // Empties the calendar list, adds "西暦" then "和暦" and shows `calendarMode`.
    void fillCalendarList(const QString &calendarMode);

    // Where the erasing of all data keeps its copy of the main database.
    QString backupFolder() const;

signals:
    void hintRequested(const QString &buttonName);

private:
    void buildControls();

    store::ModVelmoraA &m_state;
    common::Msg &m_msg;
    ui::ColourChooser &m_colours;
    ui::UrlOpener &m_urls;
    OtherPages m_otherPages;

    ui::EraBox *m_cmb年号 = nullptr;
    ui::ColourSwatch *m_pic罫線色 = nullptr;
    ui::ColourNumberBox *m_num白紙罫線色 = nullptr;
    ui::CommandButton *m_cmd一括削除7 = nullptr;
    ui::CommandButton *m_cmd設定読込 = nullptr;
    ui::CommandButton *m_cmd設定登録 = nullptr;
    ui::CommandButton *m_cmd設定クリア = nullptr;
    ui::CommandButton *m_cmd設定削除 = nullptr;
    ui::HintButton *m_cmdHint2 = nullptr;
    QLabel *m_lblInfo = nullptr;
    Banner *m_image2 = nullptr;
};

} // namespace settings
