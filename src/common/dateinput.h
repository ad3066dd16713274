#pragma once
// What a date box holds and how its typing works, without any widget.

#include "common/formats.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <optional>

namespace common {

// A date box's date (1868/09/08..2099/12/31 or nothing), its three views (date
// value, date number yyyymmdd, display text), and the edit in progress while
// the box has the focus.
//
// Editing shows the display pattern with "_" in the places not yet typed:
// "____年__月__日" in Western mode, "__ __年__月__日" in era mode. Digits fill
// the places in turn; a separator (/ - . 年 月 日 or a blank) closes a month,
// day or era year typed with one digit. In era mode an era is typed by its
// name (平成) or its Latin initial (H or h), and a first digit starts a
// Western date instead (2007/04/04 and 20070404 are read in both modes).
// Committing reads the typed text through parse(): an impossible or
// out-of-range date is refused and the box keeps the date it held before.
class DateInput
{
public:
    explicit DateInput(const QString &calendarMode = kWestern);

    // "西暦" selects the Western patterns, any other text the era patterns.
    // An edit in progress starts again from the held date.
    void setCalendarMode(const QString &calendarMode);
    const QString &calendarMode() const { return m_mode; }
    bool isWesternMode() const { return m_western; }
    QString displayPattern() const;       // yyyy年mm月dd日 / ggg ee年mm月dd日
    QString calendarTitlePattern() const; // yyyy年mm月 / ggg ee年mm月

    // The date value. setValue refuses (returns false, keeps the date) a date
    // outside the range or an invalid one; nothing empties the box.
    std::optional<QDate> value() const { return m_value; }
    bool setValue(std::optional<QDate> date);
    bool isEmpty() const { return !m_value.has_value(); }

    // The date number: yyyymmdd as an int, or a null QVariant when empty.
    // setDateNumber takes a whole number, an eight-digit text or a QDate; a
    // null QVariant or an empty text empties the box; anything else (not a
    // date, out of range) is refused and the box keeps its date.
    QVariant dateNumber() const;
    bool setDateNumber(const QVariant &number);

    // The date in the display pattern of the calendar mode; "" when empty.
    QString displayText() const;

    // The edit. beginEdit shows the held date ("fresh": the next keystroke
    // replaces it); typeText takes typed, pasted or input-method text and
    // returns false, changing nothing, when any of it does not fit.
    void beginEdit();
    bool typeText(const QString &text);
    void backspace(); // removes the last typed character; a fresh edit empties
    void clearEdit(); // empties the edit (commit then empties the box)
    bool isFresh() const { return m_edit.fresh; }
    bool isEditEmpty() const;
    QString editText() const; // the pattern with typed places and "_" prompts
    int editCursor() const;   // where the next character goes in editText()

    // Ends the edit. An empty edit empties the box; a fresh one changes
    // nothing; otherwise the typed date is set if parse() reads it. Returns
    // false when the typed text is refused: the date stays and the edit too,
    // so that the user can correct it, or call beginEdit to throw it away.
    bool commitEdit();

    // Ends the edit as leaving the box does: as commitEdit, but refused typing
    // is set aside and the held date shown again (a fresh edit). The typing
    // waits until resumeEdit brings it back; a new date, beginEdit, a change
    // of calendar mode or any typing throws it away. Returns false when the
    // typing was set aside.
    bool leaveEdit();
    bool hasTypingAside() const { return m_aside.has_value(); }
    void resumeEdit();

    // Typing that is no complete, existing date (unfinished or impossible),
    // in the edit or set aside, and that typing as the edit shows it.
    bool holdsUnfinishedTyping() const;
    QString unfinishedText() const;

    // Reads a date typed in the given calendar mode. Western mode: yyyymmdd,
    // yyyy/m/d (separators / - . 年 月 日 or blanks, month and day of one or
    // two digits). Era mode: era name or initial, year of the era (元 for 1),
    // month and day in the same way, or era + yymmdd (H190404); the Western
    // forms after that. Full-width characters count as their ASCII forms.
    // Exact or nothing: a day that does not exist or lies outside the range
    // is refused, never moved to a neighbour.
    static std::optional<QDate> parse(const QString &text, const QString &calendarMode);

    // A date number as a date, for callers holding yyyymmdd.
    static std::optional<QDate> dateFromNumber(const QVariant &number);
    static bool inRange(const QDate &date);

private:
    enum Field { EraField = 0, YearField = 1, MonthField = 2, DayField = 3, Done = 4 };

    struct Edit
    {
        bool fresh = false;
        bool westernLayout = true; // the typed text is a Western date
        QString era;               // era layout: the era's name
        QString eraTail;           // rest of an era name being typed kanji by kanji
        QString parts[4];          // digits of year, month, day by Field (0 unused)
        int field = YearField;
    };

    bool typeChar(QChar c);
    bool typeDigit(QChar c);
    bool typeSeparator();
    bool typeEraInitial(QChar c);
    bool typeEraKanji(QChar c);
    bool canStartEra() const;
    void startEra(const QString &name);
    int fieldWidth(int field) const { return widthOf(m_edit, field); }
    static int widthOf(const Edit &edit, int field);
    static QString textOf(const Edit &edit);
    void advance();
    void resetEdit();
    QString editTextForParse() const;

    QString m_mode;
    bool m_western = true;
    std::optional<QDate> m_value;
    Edit m_edit;
    std::optional<Edit> m_aside;
};

} // namespace common
