#pragma once
// The search window (検索): words, an optional period, the days found newest
// first. Enter or a double click on a day opens it on the journal page; the
// window stays open behind the main window. Modeless; one at a time.

#include "common/clock.h"
#include "common/msg.h"

#include <QDate>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTableView;

namespace store {
class Store;
}
namespace ui {
class CommandButton;
class DateBox;
} // namespace ui

namespace search {

class ResultModel;

class SearchWindow : public QWidget
{
    Q_OBJECT
public:
    SearchWindow(store::Store &store, common::Msg &msg, const common::Clock &clock, QWidget *parent = nullptr);

    // The date boxes and the list in the calendar mode in force.
    void setCalendarMode(const QString &calendarMode);
    // Shown and brought to the front, the words ready to be typed over.
    void open();
    // 検索: the words and the period of the boxes.
    void run();

    QLineEdit *wordBox() const { return m_txt検索語; }
    ui::DateBox *fromBox() const { return m_dt開始日; }
    ui::DateBox *toBox() const { return m_dt終了日; }
    QTableView *results() const { return m_grd結果; }
    ResultModel *model() const { return m_model; }
    QLabel *summary() const { return m_lbl件数; }
    QLabel *notice() const { return m_lbl通知; }

signals:
    // A day of the list chosen to be opened on the journal page.
    void dayPicked(QDate day);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void pick(const QModelIndex &index);

    store::Store &m_store;
    common::Msg &m_msg;
    const common::Clock &m_clock;
    QLineEdit *m_txt検索語 = nullptr;
    ui::DateBox *m_dt開始日 = nullptr;
    ui::DateBox *m_dt終了日 = nullptr;
    ui::CommandButton *m_cmd検索 = nullptr;
    QLabel *m_lbl件数 = nullptr;
    QLabel *m_lbl通知 = nullptr;
    QTableView *m_grd結果 = nullptr;
    ResultModel *m_model = nullptr;
};

} // namespace search
