// The input boxes driven from the keyboard: date box, amount box, colour
// number box, journal text box.

#include "support/fixedclock.h"
#include "ui/amountbox.h"
#include "ui/colournumberbox.h"
#include "ui/datebox.h"
#include "ui/journaltextbox.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kWest = u"西暦"_s;
const QString kEraMode = u"和暦"_s;

// One window with every kind of box between two plain line edits, in focus order.
struct Form
{
    Form()
    {
        auto *layout = new QVBoxLayout(&window);
        before = new QLineEdit(&window);
        date = new ui::DateBox(&window);
        after = new QLineEdit(&window);
        amount = new ui::AmountBox(&window);
        colour = new ui::ColourNumberBox(&window);
        journal = new ui::JournalTextBox(&window);
        last = new QLineEdit(&window);
        for (QWidget *w : std::initializer_list<QWidget *>{before, date, after, amount, colour, journal, last}) {
            layout->addWidget(w);
        }
        date->setObjectName(u"Dt日付"_s);
        date->setClock(&clock);
        window.resize(400, 400);
        window.show();
    }

    bool focus(QWidget *w)
    {
        if (!QTest::qWaitForWindowActive(&window)) {
            return false;
        }
        w->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([w] { return w->hasFocus(); });
    }

    QLineEdit *dateEdit() const { return date->findChild<QLineEdit *>(); }

    testsupport::FixedClock clock{QDate(2019, 5, 1)};
    QWidget window;
    QLineEdit *before;
    ui::DateBox *date;
    QLineEdit *after;
    ui::AmountBox *amount;
    ui::ColourNumberBox *colour;
    ui::JournalTextBox *journal;
    QLineEdit *last;
};

QWidget *focused()
{
    return QApplication::focusWidget();
}

void commitText(QWidget *w, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(w, &event);
}

std::optional<QDate> day(int y, int m, int d)
{
    return QDate(y, m, d);
}

} // namespace

class TestInputBoxes : public QObject
{
    Q_OBJECT

private slots:
    void dateTyping_data();
    void dateTyping();
    void enterAndDownMoveFocus_data();
    void enterAndDownMoveFocus();
    void impossibleDateIsRefused();
    void leavingWithUnfinishedTypingShowsIt_data();
    void leavingWithUnfinishedTypingShowsIt();
    void commandGetsTheTypingBack();
    void functionAndDeleteKeys();
    void f4OpensCalendar_data();
    void f4OpensCalendar();
    void calendarMarksHolidays_data();
    void calendarMarksHolidays();
    void eraNameThroughInputMethodAndPaste();
    void amountTyping_data();
    void amountTyping();
    void amountEditing();
    void amountShowingNoValue();
    void colourNumberBox();
    void journalKeys();
    void journalTextRoundTrip_data();
    void journalTextRoundTrip();
};

void TestInputBoxes::dateTyping_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Western") << kWest << u"2007x0404"_s << u"2007年04月04日"_s << u"2007年04月04日"_s;
    QTest::newRow("era initial") << kEraMode << u"h19/4/4"_s << u"平成 19年04月04日"_s << u"平成 19年04月04日"_s;
    QTest::newRow("Western date in era mode")
        << kEraMode << u"20070404"_s << u"2007年04月04日"_s << u"平成 19年04月04日"_s;
}

void TestInputBoxes::dateTyping()
{
    QFETCH(QString, mode);
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Form form;
    form.date->setCalendarMode(mode);
    QSignalSpy changed(form.date, &ui::DateBox::valueChanged);
    QCOMPARE(form.dateEdit()->text(), QString());
    QVERIFY(form.focus(form.date));
    QCOMPARE(form.dateEdit()->text(), mode == kWest ? u"____年__月__日"_s : u"__ __年__月__日"_s);
    QTest::keyClicks(focused(), keys);
    QCOMPARE(form.dateEdit()->text(), typed);
    QVERIFY(!form.date->value()); // taken only when the focus leaves
    QTest::keyClick(focused(), Qt::Key_Tab);
    QVERIFY(form.after->hasFocus());
    QCOMPARE(form.date->dateNumber(), QVariant(20070404));
    QCOMPARE(form.dateEdit()->text(), shown);
    QCOMPARE(changed.count(), 1);
}

void TestInputBoxes::enterAndDownMoveFocus_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("moves"); // setEnterMovesFocus
    QTest::newRow("Enter") << int(Qt::Key_Return) << true;
    QTest::newRow("Down") << int(Qt::Key_Down) << true;
    QTest::newRow("Enter, staying") << int(Qt::Key_Return) << false;
}

void TestInputBoxes::enterAndDownMoveFocus()
{
    QFETCH(int, key);
    QFETCH(bool, moves);
    Form form;
    form.date->setEnterMovesFocus(moves);
    QVERIFY(form.focus(form.date));
    QTest::keyClicks(focused(), u"20070404"_s);
    QTest::keyClick(focused(), Qt::Key(key));
    QCOMPARE(form.after->hasFocus(), moves);
    QCOMPARE(form.date->value(), day(2007, 4, 4));
}

void TestInputBoxes::impossibleDateIsRefused()
{
    Form form;
    form.date->setEnterMovesFocus(true);
    QVERIFY(form.date->setValue(QDate(2007, 4, 4)));
    QSignalSpy changed(form.date, &ui::DateBox::valueChanged);
    QVERIFY(form.focus(form.date));
    QTest::keyClicks(focused(), u"20070230"_s);
    QTest::keyClick(focused(), Qt::Key_Return);
    // Enter keeps the typing for correction and does not move on.
    QVERIFY(form.date->hasFocus());
    QCOMPARE(form.dateEdit()->text(), u"2007年02月30日"_s);
    // Leaving restores the date held before, never a neighbouring day.
    QTest::keyClick(focused(), Qt::Key_Tab);
    QVERIFY(form.after->hasFocus());
    QCOMPARE(form.date->value(), day(2007, 4, 4));
    QCOMPARE(form.dateEdit()->text(), u"2007年04月04日"_s);
    QCOMPARE(changed.count(), 0);

    QVERIFY(form.focus(form.date));
    QTest::keyClicks(focused(), u"2008"_s);
    QTest::keyClick(focused(), Qt::Key_Escape); // throws the typing away
    QCOMPARE(form.dateEdit()->text(), u"2007年04月04日"_s);
}

void TestInputBoxes::leavingWithUnfinishedTypingShowsIt_data()
{
    QTest::addColumn<bool>("byMouse"); // otherwise Tab
    QTest::addColumn<QDate>("held");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("restored");
    QTest::newRow("mouse, unfinished") << true << QDate(2007, 4, 4) << u"2007050"_s << u"2007年05月0_日"_s
                                       << u"元の日付に戻しました"_s;
    QTest::newRow("mouse, no such day, empty box")
        << true << QDate() << u"20070230"_s << u"2007年02月30日"_s << u"空欄に戻しました"_s;
    QTest::newRow("Tab, unfinished") << false << QDate(2007, 4, 4) << u"200705"_s << u"2007年05月__日"_s
                                     << u"元の日付に戻しました"_s;
}

// Leaving the box with typing that is no date brings the held date back, and
// the box says so without a sound: a tinted field and a note beside it.
void TestInputBoxes::leavingWithUnfinishedTypingShowsIt()
{
    QFETCH(bool, byMouse);
    QFETCH(QDate, held);
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(QString, restored);
    Form form;
    QVERIFY(form.date->setValue(held.isValid() ? std::optional(held) : std::nullopt));
    const QColor plain = form.dateEdit()->palette().color(QPalette::Base);
    QSignalSpy changed(form.date, &ui::DateBox::valueChanged);
    QVERIFY(form.focus(form.date));
    QTest::keyClicks(focused(), keys);
    QVERIFY(!form.date->showsTypingAside());
    if (byMouse) {
        QTest::mouseClick(form.amount, Qt::LeftButton);
        QTRY_VERIFY(form.amount->hasFocus());
    } else {
        QTest::keyClick(focused(), Qt::Key_Tab);
        QVERIFY(form.after->hasFocus());
    }

    QCOMPARE(form.date->displayText(), held.isValid() ? u"2007年04月04日"_s : QString());
    QCOMPARE(form.dateEdit()->text(), form.date->displayText());
    QCOMPARE(changed.count(), 0);
    QVERIFY(form.date->showsTypingAside());
    QVERIFY(form.dateEdit()->palette().color(QPalette::Base) != plain);
    QLabel *note = form.date->asideNote();
    QVERIFY(note && note->isVisible());
    QVERIFY2(note->text().startsWith(u"「"_s + typed + u"」は日付になっていないため、"_s + restored),
             qPrintable(note->text()));
    QCOMPARE(form.date->toolTip(), note->text());
    QVERIFY(form.date->holdsUnfinishedTyping());
    QCOMPARE(form.date->unfinishedText(), typed);

    // Going on elsewhere keeps the sign; the note alone fades after a while.
    QTest::keyClicks(focused(), u"12"_s);
    QVERIFY(note->isVisible());
    QVERIFY(form.date->showsTypingAside());

    // Back in the box, the typing is there to be finished; the sign goes.
    if (byMouse) {
        QTest::mouseClick(form.dateEdit(), Qt::LeftButton);
    } else {
        form.focus(form.date);
    }
    QTRY_VERIFY(form.date->hasFocus());
    QCOMPARE(form.dateEdit()->text(), typed);
    QVERIFY(!form.date->showsTypingAside());
    QVERIFY(!note->isVisible());
    QCOMPARE(form.dateEdit()->palette().color(QPalette::Base), plain);
    QVERIFY(form.date->toolTip().isEmpty());

    // Escape throws it away for good.
    QTest::keyClick(focused(), Qt::Key_Escape);
    QTest::keyClick(focused(), Qt::Key_Tab);
    QVERIFY(!form.date->holdsUnfinishedTyping());
    QVERIFY(!form.date->showsTypingAside());
    QCOMPARE(changed.count(), 0);
}

// What a command finds when it is about to use the date.
void TestInputBoxes::commandGetsTheTypingBack()
{
    Form form;
    QVERIFY(form.date->setValue(QDate(2007, 4, 4)));
    QVERIFY(form.date->settleTyping());

    // A complete date still being typed is taken.
    QVERIFY(form.focus(form.date));
    QTest::keyClicks(focused(), u"20070501"_s);
    QVERIFY(form.date->settleTyping());
    QCOMPARE(form.date->value(), day(2007, 5, 1));

    // Typing set aside comes back into the box, which takes the focus.
    QTest::keyClicks(focused(), u"2007050"_s);
    QTest::mouseClick(form.amount, Qt::LeftButton);
    QTRY_VERIFY(form.amount->hasFocus());
    QCOMPARE(form.date->value(), day(2007, 5, 1));
    QVERIFY(!form.date->settleTyping());
    QTRY_VERIFY(form.date->hasFocus());
    QCOMPARE(form.dateEdit()->text(), u"2007年05月0_日"_s);
    QVERIFY(!form.date->showsTypingAside());
    QCOMPARE(form.date->value(), day(2007, 5, 1));

    // Typing still in the box stays there.
    QVERIFY(!form.date->settleTyping());
    QCOMPARE(form.dateEdit()->text(), u"2007年05月0_日"_s);
    QTest::keyClick(focused(), Qt::Key_Delete); // an empty box is no unfinished typing
    QVERIFY(form.date->settleTyping());
    QVERIFY(!form.date->value());
}

void TestInputBoxes::functionAndDeleteKeys()
{
    Form form;
    form.date->setCalendarMode(kEraMode);
    QSignalSpy changed(form.date, &ui::DateBox::valueChanged);
    QVERIFY(form.focus(form.date));
    QTest::keyClicks(focused(), u"H1"_s);
    QTest::keyClick(focused(), Qt::Key_F2); // today, from the box's clock
    QCOMPARE(form.date->value(), day(2019, 5, 1));
    QCOMPARE(form.dateEdit()->text(), u"令和 01年05月01日"_s);
    QCOMPARE(changed.count(), 1);

    QTest::keyClick(focused(), Qt::Key_Delete);
    QVERIFY(form.date->dateNumber().isNull());
    QCOMPARE(changed.count(), 2);
    QVERIFY(form.date->setValue(QDate(2007, 4, 4)));
    QTest::keyClick(focused(), Qt::Key_Backspace); // on the shown date: empties the box
    QVERIFY(!form.date->value());
    QTest::keyClicks(focused(), u"H19"_s);
    QTest::keyClick(focused(), Qt::Key_Backspace); // while typing: one character
    QCOMPARE(form.dateEdit()->text(), u"平成 1_年__月__日"_s);
}

void TestInputBoxes::f4OpensCalendar_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("nextTitle");
    QTest::newRow("Western") << kWest << QDate(2007, 4, 4) << u"2007年04月"_s << u"2007年05月"_s;
    QTest::newRow("era, across a change of era")
        << kEraMode << QDate(2019, 4, 4) << u"平成 31年04月"_s << u"令和 01年05月"_s;
}

void TestInputBoxes::f4OpensCalendar()
{
    QFETCH(QString, mode);
    QFETCH(QDate, date);
    QFETCH(QString, title);
    QFETCH(QString, nextTitle);
    Form form;
    form.date->setCalendarMode(mode);
    QVERIFY(form.date->setValue(date));
    QSignalSpy changed(form.date, &ui::DateBox::valueChanged);
    QVERIFY(form.focus(form.date));
    QTest::keyClick(focused(), Qt::Key_F4);
    QFrame *popup = form.date->calendarPopup();
    QTRY_VERIFY(popup && popup->isVisible());
    QCOMPARE(form.date->calendarTitle(), title);
    auto *calendar = popup->findChild<QCalendarWidget *>();
    QCOMPARE(calendar->minimumDate(), QDate(1868, 9, 8));
    QCOMPARE(calendar->maximumDate(), QDate(2099, 12, 31));
    auto *view = calendar->findChild<QTableView *>();
    QStringList weekdays; // the header row, Sunday first
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        weekdays << view->model()->index(0, column).data().toString();
    }
    QCOMPARE(weekdays.join(u','), u"日,月,火,水,木,金,土"_s);
    calendar->showNextMonth();
    QCOMPARE(form.date->calendarTitle(), nextTitle);
    calendar->showPreviousMonth();

    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(form.date->value(), std::optional<QDate>(date.addDays(1)));
    QCOMPARE(changed.count(), 1);
    QTRY_VERIFY(form.date->hasFocus());
}

void TestInputBoxes::calendarMarksHolidays_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("forward"); // months on from May 2021
    QTest::addColumn<int>("day");     // the first cell of that number on the page
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("tip");
    for (const QString &mode : {kWest, kEraMode}) {
        const auto row = [&mode](const char *tag, int forward, int day, QColor colour, const char16_t *tip) {
            QTest::addRow("%s %s", qPrintable(mode), tag)
                << mode << forward << day << colour << QString::fromUtf16(tip);
        };
        row("holiday Monday", 0, 3, Qt::red, u"憲法記念日");
        row("holiday Wednesday", 0, 5, Qt::red, u"こどもの日");
        row("Saturday", 0, 8, Qt::blue, u"");
        row("Sunday", 0, 9, Qt::red, u"");
        row("weekday", 0, 6, QColor(), u"");
        row("holiday of the month before, greyed", 0, 29, QColor(), u"昭和の日");
        row("after a page change", 2, 23, Qt::red, u"スポーツの日");
        row("moved away", 2, 19, QColor(), u"");
        row("substitute", 3, 9, Qt::red, u"振替休日");
        row("back to an earlier year", -24, 4, Qt::red, u"みどりの日");
    }
}

void TestInputBoxes::calendarMarksHolidays()
{
    QFETCH(QString, mode);
    QFETCH(int, forward);
    QFETCH(int, day);
    QFETCH(QColor, colour);
    QFETCH(QString, tip);
    Form form;
    form.date->setCalendarMode(mode);
    QVERIFY(form.date->setValue(QDate(2021, 5, 3)));
    QVERIFY(form.focus(form.date));
    QTest::keyClick(focused(), Qt::Key_F4);
    QTRY_VERIFY(form.date->calendarPopup() && form.date->calendarPopup()->isVisible());
    auto *calendar = form.date->calendarPopup()->findChild<QCalendarWidget *>();
    for (int step = 0; step < std::abs(forward); ++step) {
        forward > 0 ? calendar->showNextMonth() : calendar->showPreviousMonth();
    }
    auto *view = calendar->findChild<QTableView *>();

    // The first cell from the top with the day's number (the month before shows only its last days).
    QModelIndex cell;
    for (int row = 1; row < view->model()->rowCount() && !cell.isValid(); ++row) {
        for (int column = 0; column < view->model()->columnCount(); ++column) {
            const QModelIndex at = view->model()->index(row, column);
            if (at.data().toInt() == day) {
                cell = at;
                break;
            }
        }
    }
    QVERIFY(cell.isValid());
    const QColor shown = cell.data(Qt::ForegroundRole).value<QColor>();
    if (colour.isValid()) {
        QCOMPARE(shown, colour);
    } else {
        QVERIFY2(shown != QColor(Qt::red) && shown != QColor(Qt::blue), qPrintable(shown.name()));
    }

    // The holiday's name as the cell's tooltip.
    QToolTip::hideText();
    const QPoint at = view->visualRect(cell).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &help);
    if (tip.isEmpty()) {
        QVERIFY(!QToolTip::isVisible() || QToolTip::text().isEmpty());
    } else {
        QTRY_COMPARE(QToolTip::text(), tip);
    }
    QToolTip::hideText();
}

void TestInputBoxes::eraNameThroughInputMethodAndPaste()
{
    Form form;
    form.date->setCalendarMode(kEraMode);
    QVERIFY(form.focus(form.date));
    QVERIFY(form.dateEdit()->testAttribute(Qt::WA_InputMethodEnabled));
    commitText(focused(), u"平成"_s);
    QCOMPARE(form.dateEdit()->text(), u"平成 __年__月__日"_s);
    commitText(focused(), u"１９年４月４日"_s);
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->value(), day(2007, 4, 4));

    QGuiApplication::clipboard()->setText(u"R1/5/1"_s);
    QTest::keyClick(focused(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(form.date->value(), day(2019, 5, 1));
}

void TestInputBoxes::amountTyping_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<qint64>("value");
    QTest::newRow("grouping") << u"1234567"_s << u"1,234,567"_s << qint64(1234567);
    QTest::newRow("letters and decimals refused") << u"12a3.4"_s << u"1,234"_s << qint64(1234);
    QTest::newRow("minus only in front") << u"-15-00"_s << u"-1,500"_s << qint64(-1500);
    QTest::newRow("eleventh digit refused") << u"99999999999"_s << u"9,999,999,999"_s << qint64(9999999999);
}

void TestInputBoxes::amountTyping()
{
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(qint64, value);
    Form form;
    QVERIFY(form.focus(form.amount));
    QTest::keyClicks(focused(), keys);
    QCOMPARE(form.amount->text(), shown);
    QCOMPARE(form.amount->value(), std::optional<qint64>(value));
}

void TestInputBoxes::amountEditing()
{
    Form form;
    QSignalSpy changed(form.amount, &ui::AmountBox::valueChanged);
    QVERIFY(!form.amount->value()); // an empty box has no value, not 0
    QVERIFY(form.amount->setValue(0));
    QCOMPARE(form.amount->text(), u"0"_s);
    QVERIFY(!form.amount->setValue(10'000'000'000));
    QCOMPARE(form.amount->value(), std::optional<qint64>(0));
    QCOMPARE(changed.count(), 1);

    // Backspace and Delete step over a comma to the digit beside it.
    QVERIFY(form.amount->setValue(1234567));
    QVERIFY(form.focus(form.amount));
    form.amount->setCursorPosition(5); // "1,234|,567"
    QTest::keyClick(focused(), Qt::Key_Backspace);
    QCOMPARE(form.amount->text(), u"123,567"_s);
    form.amount->setCursorPosition(3); // "123|,567"
    QTest::keyClick(focused(), Qt::Key_Delete);
    QCOMPARE(form.amount->text(), u"12,367"_s);

    // A lone minus, or "-0", is tidied when the focus leaves.
    form.amount->clear();
    QTest::keyClick(focused(), Qt::Key_Minus);
    QCOMPARE(form.amount->text(), u"-"_s);
    QVERIFY(!form.amount->value());
    QTest::keyClick(focused(), Qt::Key_Tab);
    QCOMPARE(form.amount->text(), QString());
}

// A stored Null shows as 0 and stays no value through focus changes, until
// the user changes the box: then what is shown is the value, 0 included.
void TestInputBoxes::amountShowingNoValue()
{
    Form form;
    QVERIFY(form.amount->setValue(12));
    form.amount->setNoValueShownAsZero();
    QCOMPARE(form.amount->text(), u"0"_s);
    QVERIFY(!form.amount->value());
    QVERIFY(form.focus(form.amount));
    QTest::keyClick(focused(), Qt::Key_Tab);
    QCOMPARE(form.amount->text(), u"0"_s);
    QVERIFY(!form.amount->value());

    QVERIFY(form.focus(form.amount));
    form.amount->selectAll();
    QTest::keyClicks(focused(), u"0"_s);
    QCOMPARE(form.amount->value(), std::optional<qint64>(0));

    form.amount->setNoValueShownAsZero();
    QTest::keyClick(focused(), Qt::Key_A); // refused: nothing changes
    QVERIFY(!form.amount->value());
    form.amount->end(false);
    QTest::keyClicks(focused(), u"5"_s);
    QCOMPARE(form.amount->value(), std::optional<qint64>(5));
    form.amount->setNoValueShownAsZero();
    QVERIFY(form.amount->setValue(0)); // set by the program: a value again
    QCOMPARE(form.amount->value(), std::optional<qint64>(0));
}

void TestInputBoxes::colourNumberBox()
{
    Form form;
    QCOMPARE(form.colour->value(), 0);
    QVERIFY(form.focus(form.colour));
    form.colour->selectAll();
    QTest::keyClicks(focused(), u"-12a3,4567890"_s);
    QCOMPARE(form.colour->text(), u"123456789"_s); // no sign, no grouping, nine digits
    form.colour->selectAll();
    QTest::keyClick(focused(), Qt::Key_Backspace);
    QCOMPARE(form.colour->value(), 0); // emptied: black
    QTest::keyClick(focused(), Qt::Key_Tab);
    QCOMPARE(form.colour->text(), u"0"_s);
    QVERIFY(!form.colour->setValue(1'000'000'000));
    QVERIFY(form.colour->setValue(0xFF8040));
    QCOMPARE(form.colour->text(), u"16744512"_s);
}

void TestInputBoxes::journalKeys()
{
    Form form;
    QVERIFY(form.focus(form.journal));
    QVERIFY(form.journal->testAttribute(Qt::WA_InputMethodEnabled));
    commitText(focused(), u"本日は晴天"_s);
    QTest::keyClick(focused(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(focused(), u"ab"_s);
    QTest::keyClick(focused(), Qt::Key_Tab);
    QVERIFY(form.last->hasFocus());
    QVERIFY(form.focus(form.journal));
    QTest::keyClick(focused(), Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(form.colour->hasFocus());
    QCOMPARE(form.journal->text(), u"本日は晴天\nab"_s); // no tab, no U+2028

    // Lines typed into a text with Windows line breaks keep that form.
    form.journal->setText(u"x\r\ny"_s);
    QVERIFY(form.focus(form.journal));
    form.journal->moveCursor(QTextCursor::End);
    QTest::keyClick(focused(), Qt::Key_Return);
    QTest::keyClicks(focused(), u"z"_s);
    QCOMPARE(form.journal->text(), u"x\r\ny\r\nz"_s);
}

void TestInputBoxes::journalTextRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Windows line breaks") << u"一行目\r\n二行目\r\n\r\n四行目\r\n"_s;
    QTest::newRow("carriage returns") << u"a\rb\r"_s;
    QTest::newRow("no-break space and tab") << u"a\u00a0b\tc"_s;
    QTest::newRow("line separator") << u"a\u2028b"_s;
    QTest::newRow("emoji and control character") << u"\U0001F600\u0001x\n"_s;
    QString big; // five megabytes
    const QString line = u"業務日誌の本文 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ 業務日誌の本文\r\n"_s;
    while (big.size() * 2 < 5 * 1024 * 1024) {
        big += line;
    }
    QTest::newRow("five megabytes") << big;
}

void TestInputBoxes::journalTextRoundTrip()
{
    QFETCH(QString, text);
    ui::JournalTextBox box;
    box.setText(text);
    QVERIFY(box.text() == text); // QCOMPARE would print megabytes
}

QTEST_MAIN(TestInputBoxes)
#include "test_inputboxes.moc"
