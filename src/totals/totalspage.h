#pragma once
// The totals page: the journal of a period copied into the work table, listed
// in the grid, with the four sums.

#include "common/clock.h"
#include "common/msg.h"
#include "common/pagevalues.h"
#include "store/dberror.h"
#include "store/records.h"
#include "store/summary.h"
#include "totals/totalscontroller.h"
#include "ui/anchors.h"

#include <QDate>
#include <QWidget>

#include <optional>

class QButtonGroup;
class QLabel;
class QRadioButton;
class QTableView;

namespace ui {
class AmountBox;
class CommandButton;
class DateBox;
class HintButton;
} // namespace ui

namespace store {
class Store;
}

namespace totals {

class SummaryModel;
class WorkTableModel;

class TotalsPage : public QWidget
{
    Q_OBJECT
public:
    TotalsPage(store::Store &store, common::Msg &msg, const common::Clock &clock, QWidget *parent = nullptr);
    ~TotalsPage() override;

    // 集計: the period, filled in from the month where it is incomplete, copied
    // from the journal into the work table; the grid and the four sums show it.
    // With 月別 or 年別 chosen, the period's summary instead (the work table
    // stays as it is).
    void run();
    // The choice 日別 / 月別 / 年別: none for 日別, the grouping otherwise.
    std::optional<store::Grouping> summaryGrouping() const;
    // Chooses 日別 (none) or a summary and shows it as a click on the choice does.
    void choose(std::optional<store::Grouping> grouping);
    // クリア: the period, the sums and the work table emptied.
    void clear();
    // The page as クリア leaves it, over a work table emptied before: the
    // period and the sums empty, the grid read again.
    void showCleared();

    // Binds the grid to the work table (dat集計).
    void bindGrid();
    // Date formats of the calendar mode: the boxes' width, the positions of
    // "～" and of the end box, the grid's date pattern.
    void applyCalendarMode(const QString &calendarMode, int dateBoxWidth, int kaLeft, int endLeft);
    // The grid's designed size; its columns and the sum boxes follow it.
    void layoutSumsAndGrid();

    // The window is `growth` larger than designed: the grid stretches, the
    // buttons on the right keep their distance to the right edge.
    void followWindowGrowth(QSize growth);

    // What the page shows, for printing.
    common::TotalsValues values() const;
    // What a print of the page reports: its values, and the summary shown.
    TotalsReport report() const { return m_controller.report(values(), summaryGrouping()); }
    // The period boxes' dates; none for an empty box.
    std::optional<QDate> periodStart() const;
    std::optional<QDate> periodEnd() const;

signals:
    // The grid's row handler: the stored day of the picked row.
    void dayPicked(QDate day);
    void printRequested();  // once both period boxes hold a date or nothing
    void exportRequested(); // 書出, likewise
    void chartRequested();  // グラフ, the period filled in as 集計 fills it
    void hintRequested(const QString &buttonName);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void clearBoxes();
    // Whether the period boxes may be used: typing that is no date stops the command.
    bool periodSettled();
    void print();
    void pickRow();
    void buildViewChoice(QWidget *panel);
    void viewChosen();
    // 1. of 集計: the period boxes filled in where they are empty.
    void fillInPeriod();
    void showPeriod(QDate start, QDate end);
    void showWorkFilled();
    void showWork(const std::optional<store::Sums> &sums);
    void showSummary(store::Grouping grouping, const QList<store::SummaryRow> &rows,
                     const std::optional<store::SummaryRow> &total);
    // Enter or a double click on a summary row: a month opens as 日別, a year as 月別.
    void openSummaryRow(int row);
    void detachSummary();
    void refreshGrid();
    void showModelInGrid();
    // The grid's columns fitted to its current width, its row numbers'
    // width, and every sum box over its column; again on each resize.
    void fitColumnsAndSums();
    // The widths of the grid's columns within `available` pixels.
    QList<int> columnWidths(int available) const;
    void placeSums();
    // The sum boxes of the view shown, each with its grid column.
    QList<std::pair<ui::AmountBox *, int>> sumColumns() const;
    // The four sum boxes; empty boxes for sums that could not be read or lie
    // beyond the amount range.
    void showSums(const std::optional<store::Sums> &sums);
    // 日数 and 差引 of a summary: the days counted and 入金計 − 出金計.
    void showSummarySums(std::optional<qint64> days);

    store::Store &m_store;
    common::Msg &m_msg;
    const common::Clock &m_clock;

    ui::DateBox *m_dt開始 = nullptr;
    ui::DateBox *m_dt終了 = nullptr;
    QLabel *m_lblKara = nullptr;
    ui::AmountBox *m_num売上計 = nullptr;
    ui::AmountBox *m_num仕入計 = nullptr;
    ui::AmountBox *m_num入金計 = nullptr;
    ui::AmountBox *m_num出金計 = nullptr;
    ui::AmountBox *m_num日数計 = nullptr; // 月別 and 年別 only
    ui::AmountBox *m_num差引計 = nullptr;
    QTableView *m_grid集計 = nullptr;
    WorkTableModel *m_dat集計 = nullptr;
    bool m_gridShowsModel = false; // the grid shows the work table's model
    SummaryModel *m_summary = nullptr;
    QButtonGroup *m_viewChoice = nullptr;
    QRadioButton *m_opt日別 = nullptr;
    QRadioButton *m_opt月別 = nullptr;
    QRadioButton *m_opt年別 = nullptr;
    ui::CommandButton *m_cmd集計 = nullptr;
    ui::CommandButton *m_cmd集計クリア = nullptr;
    ui::CommandButton *m_csCmdBtn1 = nullptr;
    ui::CommandButton *m_cmd書出1 = nullptr;
    ui::CommandButton *m_cmdグラフ = nullptr;
    ui::HintButton *m_cmdHint1 = nullptr;
    ui::Anchors m_anchors;
    TotalsController m_controller;
};

} // namespace totals
