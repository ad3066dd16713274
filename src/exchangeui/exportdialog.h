#pragma once
// 書き出し: the journal of a period, or the totals work table, written to a
// CSV file or an Excel workbook for other programs.

#include "exchangeui/exportrun.h"

#include "common/msg.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace store {
class Store;
}

namespace ui {
class DateBox;
}

namespace exchangeui {

// What the window works on, from the page that opens it.
struct ExportContext
{
    store::Store &store;
    common::Msg &msg;
    QString calendarMode;
    QString dataFolder;   // its files are never written over
    store::Period period; // shown in the period boxes
    bool offerTotals;     // opened from the totals page: the work table can be written too, and is chosen first
    QString startFolder;  // where the suggested file goes
    // The totals page shows a monthly or yearly summary: that summary of the
    // period is offered in place of the work table.
    std::optional<store::Grouping> summary = std::nullopt;
};

class ExportDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit ExportDialog(ExportContext context, QWidget *parent = nullptr);

    // What the fields ask for; the period is empty while a box holds no date.
    ExportRequest request() const;
    // 書き出す: writes the file and closes the window; after a refusal or a
    // failure the window stays open with its values.
    void exportNow();

private:
    void buildControls();
    void subjectChanged();
    void formatChanged();
    void fileNameEdited();
    void browse();
    // Whether both boxes hold a date for the command.
    bool periodReady();
    store::Grouping grouping() const { return m_context.summary.value_or(store::Grouping::Month); }

    ExportContext m_context;
    QRadioButton *m_opt日誌 = nullptr;
    QRadioButton *m_opt集計表 = nullptr;
    ui::DateBox *m_dt開始 = nullptr;
    ui::DateBox *m_dt終了 = nullptr;
    QComboBox *m_cmb形式 = nullptr;
    QComboBox *m_cmb文字コード = nullptr;
    QLineEdit *m_txtファイル = nullptr;
    QPushButton *m_cmd参照 = nullptr;
    QPushButton *m_cmd書き出す = nullptr;
    QPushButton *m_cmdキャンセル = nullptr;
};

} // namespace exchangeui
