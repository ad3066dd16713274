#pragma once
// What the earlier version's data files hold, as read and before any of it is
// judged: every value kept as the file stores it, so that what cannot be
// brought over can still be listed exactly.

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace legacy {

// The earlier version kept the same two file names as the program does now.
inline const QString kLegacyMainFileName = QStringLiteral("VelmoraA.mdb");     // 業務日誌, 自社情報
inline const QString kLegacyWorkFileName = QStringLiteral("VelmoraAWork.mdb"); // w集計, ClHint

// One row of 業務日誌.
struct LegacyDay
{
    // The stored date: days since 1899-12-30, a time of day as the fraction
    // (Jet's form; a negative value counts back, its fraction still a time).
    std::optional<double> date;
    // 売上額, 仕入額, 入金額, 出金額 as exact decimal text in plain notation
    // ("-12", "1234.5", "9999999999"): Currency with its four decimals
    // ("100.0000"), a Double in the shortest text that reads back the same
    // number, a Long or Integer as it is, a Decimal with its scale. "nan" and
    // "inf"/"-inf" for a Double that is no number.
    std::array<std::optional<QString>, 4> amounts;
    std::optional<QString> text; // 日誌, exactly as stored (CRLF line breaks)
    int row = 0;                 // the row's place in the table, counted from 1, in storage order
};

// One row of 自社情報.
struct LegacySettingsRow
{
    std::optional<QString> era;        // 年号
    std::optional<QString> lineColour; // LineColor1, the stored number as decimal text
};

// One row of ClHint.
struct LegacyHint
{
    std::optional<QString> formName;
    std::optional<QString> ctlName;
    std::optional<QString> formTitle;
    std::optional<QString> contents;
};

// Receives what a reader finds, table by table, in storage order.
class LegacySink
{
public:
    virtual ~LegacySink() = default;
    // A table is about to be read; `declaredRows` is the row count its header states.
    virtual void beginTable(const QString &table, qint64 declaredRows) = 0;
    virtual void day(const LegacyDay &day) = 0;
    virtual void settingsRow(const LegacySettingsRow &row) = 0;
    virtual void hint(const LegacyHint &hint) = 0;
};

// All of it, collected.
struct LegacyData
{
    QList<LegacyDay> days;
    QList<LegacySettingsRow> settings;
    QList<LegacyHint> hints;
};

} // namespace legacy
