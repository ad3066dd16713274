#pragma once
// Platform colour numbers: red in the low byte, blue in the third (0x00BBGGRR).

#include <QColor>

namespace common {

// The colour of a number; only its three low bytes are read.
QColor colourFromNumber(qint64 number);
// The number of a colour; an invalid colour gives 0 (black).
qint32 numberFromColour(const QColor &colour);

} // namespace common
