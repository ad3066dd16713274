#pragma once
// The journal page: the record of one date, read, registered, deleted, cleared.

#include "common/clock.h"
#include "common/msg.h"
#include "store/modvelmoraa.h"

#include <QDate>
#include <QWidget>

#include <optional>

namespace ui {
class AmountBox;
class CommandButton;
class DateBox;
class HintButton;
class JournalTextBox;
} // namespace ui

namespace journal {

// What the page shows, for printing.
struct JournalValues
{
    std::optional<QDate> date;
    QString dateText; // as the date box shows it
    std::optional<qint64> sales;
    std::optional<qint64> purchases;
    std::optional<qint64> moneyIn;
    std::optional<qint64> moneyOut;
    QString memo;
};

class JournalPage : public QWidget
{
    Q_OBJECT
public:
    JournalPage(store::ModVelmoraA &state, common::Msg &msg, const common::Clock &clock, QWidget *parent = nullptr);

    void Read日誌();
    void Entry日誌();
    void Delete日誌();
    void Clear日誌();

    // The date formats of the calendar mode, and the date box's width for them.
    void applyCalendarMode(const QString &calendarMode, int dateBoxWidthTwips);
    // Sets the date box from a date number (yyyymmdd), as the totals grid does.
    void setDateNumber(const QVariant &dateNumber);
    JournalValues values() const;

    ui::DateBox *dateBox() const { return m_dt日付; }

signals:
    void closeRequested(); // 閉じる
    void printRequested(); // 印刷
    void hintRequested(const QString &buttonName);

private:
    void cmd読込_Click() { Read日誌(); }
    void cmd登録_Click() { Entry日誌(); }
    void cmd削除_Click() { Delete日誌(); }
    void cmdクリア_Click() { Clear日誌(); }
    void buildControls();

    store::ModVelmoraA &m_state;
    common::Msg &m_msg;
    const common::Clock &m_clock;

    ui::DateBox *m_dt日付 = nullptr;
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
    ui::HintButton *m_cmdHint = nullptr;
};

} // namespace journal
