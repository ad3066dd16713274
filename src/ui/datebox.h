#pragma once
// The date box: a date typed over a prompt pattern or picked from a drop-down calendar.

#include "common/dateinput.h"

#include <QWidget>

#include <optional>

class QCalendarWidget;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

namespace common {
class Clock;
class Msg;
} // namespace common

namespace ui {

// A date 1868/09/08..2099/12/31 or nothing, shown in the pattern of the
// calendar mode. While it has the focus it shows the typing pattern with "_"
// prompts (see common::DateInput). The typed date is taken on Enter and when
// the focus leaves; a date that does not exist or is out of range is refused:
// Enter keeps the typing for correction. Leaving the box with such typing, or
// with unfinished typing, shows the date held before on a tinted field with a
// short note beside it; the typing is kept and comes back when the box is
// entered again. Keys: F2 today, F4 (or Alt+Down) the calendar, Delete empties
// the box, Backspace empties it or takes back the last typed character, Escape
// throws the typing away; Enter and Down go on to the next control when
// setEnterMovesFocus(true). value() is the last taken date, not the typing.
class DateBox : public QWidget
{
    Q_OBJECT
public:
    explicit DateBox(QWidget *parent = nullptr);

    // The display pattern and the typing rules of the mode; a change throws
    // away an edit in progress and typing set aside, the same mode changes nothing.
    void setCalendarMode(const QString &calendarMode);
    QString calendarMode() const { return m_input.calendarMode(); }

    // The three views; the setters return false, changing nothing, for a
    // date they refuse (see common::DateInput).
    std::optional<QDate> value() const { return m_input.value(); }
    bool setValue(std::optional<QDate> date);
    QVariant dateNumber() const { return m_input.dateNumber(); }
    bool setDateNumber(const QVariant &number);
    QString displayText() const { return m_input.displayText(); }
    void clear();

    // Where F2 takes today from; not owned. Null: the machine's clock.
    void setClock(const common::Clock *clock) { m_clock = clock; }
    void setEnterMovesFocus(bool moves) { m_enterMovesFocus = moves; }

    // Typing that is no complete, existing date, in the box or kept from when
    // the box was left; unfinishedText() shows it as typed ("2007年05月0_日").
    bool holdsUnfinishedTyping() const { return m_input.holdsUnfinishedTyping(); }
    QString unfinishedText() const { return m_input.unfinishedText(); }
    // Before a command uses the date: a complete date still being typed is
    // taken; typing that is no date is put back in the box, which takes the
    // focus, and false is returned: the command must not run.
    bool settleTyping();

    // The sign that leaving the box set its typing aside: the tinted field
    // (for as long as the typing waits) and the note (for a few seconds).
    bool showsTypingAside() const { return m_tinted; }
    QLabel *asideNote() const { return m_note; }

    // Drops the calendar down on the box's date (today when empty).
    void openCalendar();
    QFrame *calendarPopup() const { return m_popup; }
    QString calendarTitle() const;

signals:
    void valueChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);
    void typeText(const QString &text);
    void enterPressed();
    void setToday();
    void pickDate(const QDate &date);
    void buildPopup();
    void updateTitle();
    // Holidays of the month shown (and the days around it) in red.
    void markHolidays();
    // The input method, the text and the calendar's title for the input's mode.
    void applyCalendarMode();
    void showText();
    void startEditing();
    void showTypingAside();
    void hideTypingAside();
    QDate today() const;
    // Runs `change` on the input and signals when the date moved.
    template <typename Change> bool changeValue(Change change);

    common::DateInput m_input;
    QLineEdit *m_edit;
    QToolButton *m_button;
    QFrame *m_popup = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_note = nullptr;
    QTimer *m_noteTimer = nullptr;
    const common::Clock *m_clock = nullptr;
    bool m_enterMovesFocus = false;
    bool m_editing = false;
    bool m_passingPreedit = false;
    bool m_tinted = false;
};

// For a command about to use the date of `box`: true when the box holds a
// date or is empty. Otherwise the box keeps its typing and takes the focus,
// one message names the box by `caption` (日付, 開始日) and the typing, and the
// command must not run.
bool dateReadyForCommand(DateBox *box, common::Msg &msg, const QString &caption);

} // namespace ui
