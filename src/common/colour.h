#pragma once
// Platform colour numbers: red in the low byte, blue in the third (0x00BBGGRR).

#include <QColor>

namespace common {

QColor colourFromNumber(qint64 number);
qint32 numberFromColour(const QColor &colour);

} // namespace common
