#pragma once
// The journal page: the record of one date, read, registered, deleted, cleared.

#include "common/clock.h"
#include "common/msg.h"
#include "common/pagevalues.h"
#include "journal/journalcontroller.h"
#include "store/records.h"
#include "ui/anchors.h"

#include <QDate>
#include <QWidget>

#include <functional>

class QLabel;

namespace ui {
class AmountBox;
class CommandButton;
class DateBox;
class HintButton;
class JournalTextBox;
} // namespace ui

namespace store {
class Store;
}

namespace journal {

class JournalPage : public QWidget
{
    Q_OBJECT
public:
    JournalPage(store::Store &store, common::Msg &msg, const common::Clock &clock, QWidget *parent = nullptr);

    // 読込: the record of the date shown; a day without a record changes nothing.
    void read();
    // Runs before the page writes a record; the program waits there for a
    // check of the files that is still running.
    void setBeforeWrite(std::function<void()> beforeWrite) { m_controller.setBeforeWrite(std::move(beforeWrite)); }
    // 登録: the page's values as the record of its date, after the question;
    // the controller asks about a record changed elsewhere.
    void save();
    // 削除: the record of the date shown, after the question.
    void remove();
    // クリア: the page empty, amounts 0, ready for the next day.
    void clear();

    // The date formats of the calendar mode, and the date box's width for them.
    void applyCalendarMode(const QString &calendarMode, int dateBoxWidthTwips);
    // Puts a day into the date box, as a picked row of the totals grid does.
    void showDay(QDate day);
    // What the page shows, for printing.
    common::JournalValues values() const;
    // The window is `growth` larger than designed: the text box stretches,
    // the buttons on the right keep their distance to the right edge.
    void followWindowGrowth(QSize growth);

signals:
    void closeRequested();  // 閉じる
    void printRequested();  // 印刷, once the date box holds a date or nothing
    void exportRequested(); // 書出, once the date box holds a date or nothing
    void importRequested(); // 取込, likewise
    void searchRequested(); // 検索
    void hintRequested(const QString &buttonName);

private:
    void buildControls();
    // Whether the date box may be used: typing that is no date stops the command.
    bool dateSettled();
    void print();
    void showRecord(const store::JournalRecord &record);
    void showCleared();
    // The weekday and holiday beside the date box, and its place right of the box.
    void showWeekday();
    void placeWeekday();

    common::Msg &m_msg;
    const common::Clock &m_clock;

    ui::DateBox *m_dt日付 = nullptr;
    QLabel *m_lbl曜日 = nullptr;
    ui::AmountBox *m_num売上額 = nullptr;
    ui::AmountBox *m_num仕入額 = nullptr;
    ui::AmountBox *m_num入金額 = nullptr;
    ui::AmountBox *m_num出金額 = nullptr;
    ui::JournalTextBox *m_txtメモ = nullptr;
    ui::CommandButton *m_cmd読込 = nullptr;
    ui::CommandButton *m_cmd登録 = nullptr;
    ui::CommandButton *m_cmd閉じる = nullptr;
    ui::CommandButton *m_cmd印刷 = nullptr;
    ui::CommandButton *m_cmdクリア = nullptr;
    ui::CommandButton *m_cmd削除 = nullptr;
    ui::CommandButton *m_cmd書出 = nullptr;
    ui::CommandButton *m_cmd取込 = nullptr;
    ui::CommandButton *m_cmd検索 = nullptr;
    ui::HintButton *m_cmdHint = nullptr;
    ui::Anchors m_anchors;
    JournalController m_controller;
};

} // namespace journal
