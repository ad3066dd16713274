#include "ui/anchors.h"

#include "ui/devicepixels.h"

#include <algorithm>

namespace ui {

void Anchors::add(QWidget *control, int edges)
{
    m_ties.append({control, edges});
}

void Anchors::follow(QSize growth)
{
    growth = growth.expandedTo(QSize(0, 0));
    const int dx = growth.width() - m_growth.width();
    const int dy = growth.height() - m_growth.height();
    m_growth = growth;
    if (dx == 0 && dy == 0) {
        return;
    }
    // Each control moves by the change since the last step, so that a
    // control placed anew meanwhile (a calendar mode's widths) keeps its place.
    for (const Tie &tie : std::as_const(m_ties)) {
        if (!tie.control) {
            continue;
        }
        QRect r = designedGeometry(tie.control);
        if (tie.edges & Right) {
            r.translate(dx, 0);
        }
        if (tie.edges & Bottom) {
            r.translate(0, dy);
        }
        if (tie.edges & StretchWidth) {
            r.setWidth(r.width() + dx);
        }
        if (tie.edges & StretchHeight) {
            r.setHeight(r.height() + dy);
        }
        setDesignedGeometry(tie.control, r);
    }
}

} // namespace ui
