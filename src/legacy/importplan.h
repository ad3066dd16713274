#pragma once
// What becomes of each row of the earlier files: brought over as a record of
// this program, or listed in the import report with its reason. Decided before
// anything is written, without the store.

#include "legacy/legacydata.h"

#include "store/records.h"

#include <QDate>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace legacy {

// One line of the import report: a row of the earlier files as it was stored,
// why it is listed, and whether it was brought over all the same.
struct ReportLine
{
    QString table;
    int row = 0;                    // in storage order, from 1
    QString date;                   // as stored, "yyyy-MM-dd HH:mm:ss"; empty for Null
    std::array<QString, 4> amounts; // as stored; empty for Null
    QString text;                   // as stored; for other tables, the row's values
    bool imported = false;
    QString reason;
};

// A journal row of the earlier file that becomes a record of this program.
struct PlannedDay
{
    store::JournalRecord record;
    LegacyDay source;
    std::optional<ReportLine> rounded; // set when an amount was rounded to whole yen
};

struct ImportPlan
{
    QList<PlannedDay> days;                  // in storage order, one per day
    QList<ReportLine> report;                // the rows not brought over, and the rounded ones
    std::optional<store::Settings> settings; // from the first row of 自社情報
    QList<store::Hint> hints;
    qint64 journalRowsRead = 0;
};

ImportPlan planImport(const LegacyData &data);

// The pieces of the judgement, for the report and for tests.
// A stored Jet date as text, with its time of day; empty for Null.
QString storedDateText(const std::optional<double> &date);
// The day of a stored Jet date; the time of day is dropped. Invalid when the
// value names no day the calendar can hold.
QDate dayOf(double stored);

// An amount as stored, made whole yen as the earlier program showed it
// (rounded half away from zero).
struct WholeYen
{
    enum class Verdict { Whole, Rounded, OutOfRange, NotANumber };
    Verdict verdict = Verdict::Whole;
    qint64 value = 0;
};
WholeYen wholeYen(const QString &stored);

// The report line of a journal row of the earlier file.
ReportLine journalLine(const LegacyDay &day, const QString &reason, bool imported);

// Line breaks of the earlier program (CRLF, or a lone CR) made the program's own (LF).
QString withOwnLineBreaks(QString text);

} // namespace legacy
