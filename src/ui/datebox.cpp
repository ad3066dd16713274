// The date box widget over common::DateInput.
#include "ui/datebox.h"

#include "common/clock.h"
#include "common/holidays.h"
#include "common/msg.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QFrame>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTextCharFormat>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace ui {

namespace {

// The field's colours while typing waits aside: dark text on a pale amber,
// noticeable without the alarm of an error's red.
const QColor kAsideTint(0xFF, 0xF0, 0xC0);
constexpr int kNoteMilliseconds = 4000;

} // namespace

DateBox::DateBox(QWidget *parent) : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_button);

    // All typing goes through the input; nothing reaches the text behind its back.
    m_edit->setContextMenuPolicy(Qt::NoContextMenu);
    m_edit->setAcceptDrops(false);
    m_edit->setDragEnabled(false);
    m_edit->installEventFilter(this);

    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(m_button, &QToolButton::clicked, this, &DateBox::openCalendar);

    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_edit);
    applyCalendarMode();
}

template <typename Change> bool DateBox::changeValue(Change change)
{
    const auto before = m_input.value();
    const bool done = change();
    showText();
    if (m_input.value() != before) {
        emit valueChanged();
    }
    return done;
}

void DateBox::setCalendarMode(const QString &calendarMode)
{
    // The same mode again keeps the edit and any typing set aside: the
    // settings in force are applied to every box whenever they are read.
    if (calendarMode == m_input.calendarMode()) {
        return;
    }
    m_input.setCalendarMode(calendarMode);
    applyCalendarMode();
}

void DateBox::applyCalendarMode()
{
    // Era names are typed through the input method; a Western date is digits alone.
    m_edit->setAttribute(Qt::WA_InputMethodEnabled, !m_input.isWesternMode());
    showText();
    if (m_popup) {
        updateTitle();
    }
}

bool DateBox::setValue(std::optional<QDate> date)
{
    return changeValue([&] { return m_input.setValue(date); });
}

bool DateBox::setDateNumber(const QVariant &number)
{
    return changeValue([&] { return m_input.setDateNumber(number); });
}

void DateBox::clear()
{
    setValue(std::nullopt);
}

QDate DateBox::today() const
{
    static const common::SystemClock systemClock;
    return (m_clock ? m_clock : &systemClock)->today();
}

void DateBox::showText()
{
    if (!m_input.hasTypingAside()) {
        hideTypingAside();
    }
    if (!m_editing) {
        m_edit->setText(m_input.displayText());
        return;
    }
    const QString text = m_input.editText();
    m_edit->setText(text);
    if (m_input.isFresh() && !m_input.isEditEmpty()) {
        m_edit->setSelection(0, int(text.size())); // the next key replaces the date
    } else {
        m_edit->setCursorPosition(m_input.editCursor());
    }
}

bool DateBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress:
        return handleKey(static_cast<QKeyEvent *>(event));
    case QEvent::InputMethod: {
        if (m_passingPreedit) {
            return false;
        }
        auto *ime = static_cast<QInputMethodEvent *>(event);
        if (!ime->commitString().isEmpty()) {
            typeText(ime->commitString());
        }
        // The line edit shows the text being composed; the typed text is ours.
        QInputMethodEvent preedit(ime->preeditString(), ime->attributes());
        m_passingPreedit = true;
        QCoreApplication::sendEvent(m_edit, &preedit);
        m_passingPreedit = false;
        if (ime->preeditString().isEmpty()) {
            showText();
        }
        event->accept();
        return true;
    }
    case QEvent::Show:
        // The edit takes the focus: a screen reader names the box by it.
        if (!accessibleName().isEmpty()) {
            m_edit->setAccessibleName(accessibleName());
        }
        return false;
    case QEvent::FocusIn:
        startEditing();
        showText();
        return false;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
            return false; // the typing waits for the user's return
        }
        // Refused typing: the box shows its date again and keeps the typing aside.
        bool setAside = false;
        changeValue([&] {
            setAside = !m_input.leaveEdit();
            m_editing = false;
            return true;
        });
        if (setAside) {
            showTypingAside();
        }
        return false;
    }
    default:
        return false;
    }
}

void DateBox::startEditing()
{
    if (m_editing) {
        return;
    }
    if (m_input.hasTypingAside()) {
        m_input.resumeEdit();
    } else {
        m_input.beginEdit();
    }
    m_editing = true;
}

bool DateBox::settleTyping()
{
    if (m_editing && !m_input.isFresh() && !m_input.holdsUnfinishedTyping()) {
        changeValue([&] { return m_input.commitEdit(); });
    }
    if (!m_input.holdsUnfinishedTyping()) {
        return true;
    }
    startEditing();
    showText();
    setFocus(Qt::OtherFocusReason);
    return false;
}

void DateBox::showTypingAside()
{
    const QString typed = m_input.unfinishedText();
    const QString note =
        QStringLiteral("「") + typed + QStringLiteral("」は日付になっていないため、") +
        (m_input.isEmpty() ? QStringLiteral("空欄に戻しました。") : QStringLiteral("元の日付に戻しました。")) +
        QStringLiteral("\nこの欄に戻ると、入力の続きから直せます。");
    m_tinted = true;
    QPalette tinted = m_edit->palette();
    tinted.setColor(QPalette::Base, kAsideTint);
    tinted.setColor(QPalette::Text, Qt::black);
    m_edit->setPalette(tinted);
    setToolTip(note);

    if (!m_note) {
        // A tooltip-like window: it takes neither the focus nor the keys, so
        // it stays while the user goes on typing elsewhere.
        m_note = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
        m_note->setObjectName(QStringLiteral("asideNote"));
        m_note->setTextFormat(Qt::PlainText);
        m_note->setAttribute(Qt::WA_ShowWithoutActivating);
        m_note->setPalette(QToolTip::palette());
        m_note->setFrameShape(QFrame::Box);
        m_note->setMargin(3);
        m_noteTimer = new QTimer(this);
        m_noteTimer->setSingleShot(true);
        m_noteTimer->setInterval(kNoteMilliseconds);
        connect(m_noteTimer, &QTimer::timeout, m_note, &QWidget::hide);
    }
    m_note->setText(note);
    m_note->adjustSize();
    m_note->move(mapToGlobal(QPoint(0, height() + 2)));
    m_note->show();
    m_noteTimer->start();
}

void DateBox::hideTypingAside()
{
    if (m_note) {
        m_noteTimer->stop();
        m_note->hide();
    }
    if (!m_tinted) {
        return;
    }
    m_tinted = false;
    m_edit->setPalette(QPalette());
    setToolTip(QString());
}

void DateBox::hideEvent(QHideEvent *event)
{
    if (m_note) {
        m_note->hide();
    }
    QWidget::hideEvent(event);
}

void DateBox::keyPressEvent(QKeyEvent *event)
{
    // Keys sent to the box itself rather than to its line edit.
    if (!handleKey(event)) {
        event->ignore();
    }
}

bool DateBox::handleKey(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_F4 || (key == Qt::Key_Down && modifiers == Qt::AltModifier)) {
        openCalendar();
        return true;
    }
    if (key == Qt::Key_F2) {
        setToday();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        enterPressed();
        return true;
    }
    if (key == Qt::Key_Down || key == Qt::Key_Up) {
        if (key == Qt::Key_Down && m_enterMovesFocus) {
            enterPressed();
        }
        return true;
    }
    if (key == Qt::Key_Escape) {
        if (m_input.isFresh()) {
            return false;
        }
        m_input.beginEdit();
        showText();
        return true;
    }
    if (key == Qt::Key_Delete) {
        clear();
        return true;
    }
    if (key == Qt::Key_Backspace) {
        if (m_input.isFresh()) {
            clear();
        } else {
            m_input.backspace();
            showText();
        }
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        typeText(QGuiApplication::clipboard()->text());
        return true;
    }
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) || key == Qt::Key_Tab ||
        key == Qt::Key_Backtab) {
        return false;
    }
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return true;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        typeText(text);
        return true;
    }
    // The cursor follows the typing: moving it by hand would only mislead.
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Insert:
        return true;
    default:
        return false;
    }
}

void DateBox::typeText(const QString &text)
{
    startEditing();
    if (!m_input.typeText(text)) {
        QApplication::beep();
    }
    showText();
}

void DateBox::enterPressed()
{
    const bool taken = changeValue([&] { return m_input.commitEdit(); });
    if (!taken) {
        QApplication::beep();
        return;
    }
    if (m_enterMovesFocus) {
        focusNextChild();
    }
}

void DateBox::setToday()
{
    const QDate date = today();
    if (!common::DateInput::inRange(date)) {
        QApplication::beep();
        return;
    }
    setValue(date);
}

void DateBox::openCalendar()
{
    if (!isEnabled()) {
        return;
    }
    // A typed date is settled first, so the calendar opens on it.
    changeValue([&] {
        if (!m_input.commitEdit()) {
            m_input.beginEdit();
        }
        return true;
    });
    buildPopup();
    const QDate on = m_input.value().value_or(
        std::clamp(today().isValid() ? today() : common::kFirstDate, common::kFirstDate, common::kLastDate));
    m_calendar->setSelectedDate(on);
    m_calendar->setCurrentPage(on.year(), on.month());
    updateTitle();
    markHolidays();
    m_popup->adjustSize();

    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.y() + m_popup->height() > room.bottom()) {
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        }
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void DateBox::buildPopup()
{
    if (m_popup) {
        return;
    }
    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("calendarPopup"));
    m_popup->setFrameShape(QFrame::StyledPanel);

    auto *previous = new QToolButton(m_popup);
    previous->setArrowType(Qt::LeftArrow);
    previous->setFocusPolicy(Qt::NoFocus);
    auto *next = new QToolButton(m_popup);
    next->setArrowType(Qt::RightArrow);
    next->setFocusPolicy(Qt::NoFocus);
    m_title = new QLabel(m_popup);
    m_title->setObjectName(QStringLiteral("calendarTitle"));
    m_title->setAlignment(Qt::AlignCenter);

    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames); // 日 月 火 水 木 金 土
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setNavigationBarVisible(false); // the title below shows the month in the box's pattern
    m_calendar->setDateRange(common::kFirstDate, common::kLastDate);
    QTextCharFormat saturday = m_calendar->weekdayTextFormat(Qt::Saturday);
    saturday.setForeground(Qt::blue);
    m_calendar->setWeekdayTextFormat(Qt::Saturday, saturday);

    auto *header = new QHBoxLayout;
    header->addWidget(previous);
    header->addWidget(m_title, 1);
    header->addWidget(next);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(header);
    layout->addWidget(m_calendar);

    connect(previous, &QToolButton::clicked, m_calendar, &QCalendarWidget::showPreviousMonth);
    connect(next, &QToolButton::clicked, m_calendar, &QCalendarWidget::showNextMonth);
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, &DateBox::updateTitle);
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, &DateBox::markHolidays);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DateBox::pickDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &DateBox::pickDate);
}

void DateBox::updateTitle()
{
    if (!m_calendar) {
        return;
    }
    // The month's first day, or the first day the box knows in September 1868.
    const QDate first(m_calendar->yearShown(), m_calendar->monthShown(), 1);
    const QDate day = std::clamp(first, common::kFirstDate, common::kLastDate);
    m_title->setText(common::formatDate(day, m_input.calendarTitlePattern()));
}

void DateBox::markHolidays()
{
    // Saturdays are blue and Sundays red by the weekday formats; a holiday is
    // red whatever its weekday. The page shows up to six weeks around the month.
    const QDate first(m_calendar->yearShown(), m_calendar->monthShown(), 1);
    m_calendar->setDateTextFormat(QDate(), QTextCharFormat());
    for (QDate day = first.addDays(-7); day <= first.addMonths(1).addDays(14); day = day.addDays(1)) {
        if (common::isHoliday(day)) {
            QTextCharFormat format;
            format.setForeground(QColor(Qt::red));
            format.setToolTip(common::holidayName(day)); // the calendar's view shows it over the day
            m_calendar->setDateTextFormat(day, format);
        }
    }
}

QString DateBox::calendarTitle() const
{
    return m_title ? m_title->text() : QString();
}

void DateBox::pickDate(const QDate &date)
{
    m_popup->hide();
    setValue(date);
    m_edit->setFocus(Qt::PopupFocusReason);
}

bool dateReadyForCommand(DateBox *box, common::Msg &msg, const QString &caption)
{
    if (box->settleTyping()) {
        return true;
    }
    msg.show(common::Prompt::DateNotComplete,
             caption + QStringLiteral("「") + box->unfinishedText() + QStringLiteral("」"));
    return false;
}

} // namespace ui
