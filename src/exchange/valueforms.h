#pragma once
// Dates and amounts as the import reads them: the forms the export writes and
// those of bank statements and spreadsheets kept by hand in Japan.

#include "store/records.h"

#include <QDate>
#include <QString>

#include <optional>

namespace exchange {

// A date in the 西暦 forms 2021/5/2, 2021-05-02, 2021.5.2, 2021年5月2日 and
// 20210502, or in the 和暦 forms R3.5.2, R3/5/2, R3-5-2, 令和3年5月2日 and
// 平成元年1月8日 (an era by its name or its Latin initial, 元 for year 1).
// Full-width digits and marks count as their ASCII forms, blanks around the
// date (U+3000 too) are dropped. One separator throughout. Within
// 1868/09/08..2099/12/31; a day that does not exist or lies outside its era
// is refused, never moved. The reason, in Japanese, when the field is refused.
std::optional<QString> readDate(const QString &field, QDate &date);

// Whole yen: digits with commas only where they group by thousands, a decimal
// part only when all zeros, within ±9,999,999,999. Around them ¥ or ￥ before
// or 円 after; a minus (-, －, −), △ or ▲ before, or the amount in
// parentheses, makes it negative. Full-width digits and commas count as their
// ASCII forms, blanks around the parts are dropped. Empty is no value. The
// reason, in Japanese, when the field is refused.
std::optional<QString> readAmount(const QString &field, store::Amount &amount);

// A value as a reason quotes it: long ones cut short.
QString quotedValue(const QString &value);

} // namespace exchange
