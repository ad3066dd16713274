// Platform colour numbers and QColor.
#include "common/colour.h"

namespace common {

// Only the three colour bytes count; a higher byte or a sign does not name another colour.
QColor colourFromNumber(qint64 number)
{
    const auto bits = quint64(number);
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

qint32 numberFromColour(const QColor &colour)
{
    if (!colour.isValid()) {
        return 0;
    }
    const QColor rgb = colour.toRgb();
    return qint32(rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16));
}

} // namespace common
