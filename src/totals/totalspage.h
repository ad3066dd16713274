#pragma once
// The totals page: the journal of a period copied into the work table, listed
// in the grid, with the four sums.

#include "common/clock.h"
#include "common/msg.h"
#include "store/modvelmoraa.h"

#include <QWidget>

#include <optional>

class QLabel;
class QTableView;

namespace ui {
class AmountBox;
class CommandButton;
class DateBox;
class HintButton;
} // namespace ui

namespace totals {

class WorkTableModel;

// What the page shows, for printing.
struct TotalsValues
{
    QString startText;
    QString endText;
    std::optional<qint64> sales;
    std::optional<qint64> purchases;
    std::optional<qint64> moneyIn;
    std::optional<qint64> moneyOut;
};

class TotalsPage : public QWidget
{
    Q_OBJECT
public:
    TotalsPage(store::ModVelmoraA &state, common::Msg &msg, const common::Clock &clock, QWidget *parent = nullptr);

    void Calc日誌();
    void Clear集計();

    // Binds the grid to the record source of the work database (dat集計).
    void bindGrid(const QString &recordSource);
    // Lets go of the work database before it is closed at shutdown.
    void unbindGrid();
    // Date formats of the calendar mode: the boxes' width, the positions of
    // "～" and of the end box, the grid's date pattern.
    void applyCalendarMode(const QString &calendarMode, int dateBoxWidth, int kaLeft, int endLeft);
    // Positions of the four sum boxes and the grid's columns.
    void layoutSumsAndGrid();

    TotalsValues values() const;
    WorkTableModel *gridModel() const { return m_dat集計; }
    QTableView *grid() const { return m_grid集計; }

signals:
    // The grid's row handler: the date number of the picked row.
    void dayPicked(const QVariant &dateNumber);
    void printRequested();
    void hintRequested(const QString &buttonName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Grid集計_RowPicked();
    void refreshGrid();
    bool workTableHoldsRows();
    void showSums();

    store::ModVelmoraA &m_state;
    common::Msg &m_msg;
    const common::Clock &m_clock;

    ui::DateBox *m_dt開始 = nullptr;
    ui::DateBox *m_dt終了 = nullptr;
    QLabel *m_lblKara = nullptr;
    ui::AmountBox *m_num売上計 = nullptr;
    ui::AmountBox *m_num仕入計 = nullptr;
    ui::AmountBox *m_num入金計 = nullptr;
    ui::AmountBox *m_num出金計 = nullptr;
    QTableView *m_grid集計 = nullptr;
    WorkTableModel *m_dat集計 = nullptr;
    ui::CommandButton *m_cmd集計 = nullptr;
    ui::CommandButton *m_cmd集計クリア = nullptr;
    ui::CommandButton *m_csCmdBtn1 = nullptr;
    ui::HintButton *m_cmdHint1 = nullptr;
};

} // namespace totals
