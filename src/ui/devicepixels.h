#pragma once
// Controls kept on whole device pixels. At a fractional scale (150 %) a
// control placed at an odd logical pixel starts in the middle of a device
// pixel, and the line its frame draws there falls outside what the control
// may paint: the frame loses its top or left line. A control kept here stands
// at the whole device pixel nearest its designed place, recomputed from the
// designed place each time, so that moving and growing never drift.

#include <QPoint>
#include <QRect>

class QWidget;

namespace ui {

// `designed` moved and sized by at most a few logical pixels towards the top
// left so that its edges fall on whole device pixels at `ratio`, for a parent
// whose origin stands at `parentOrigin` in its window.
QRect alignedToDevicePixels(const QRect &designed, QPoint parentOrigin, double ratio);

// From now on `control` stands where its designed geometry (what was last set
// on it from outside) falls on whole device pixels: when shown, when placed
// anew and when its screen's scale changes.
void keepOnDevicePixels(QWidget *control);

// Gives `control` a new designed place (and the aligned one, if kept).
void setDesignedGeometry(QWidget *control, const QRect &designed);

// The place last given to `control` from outside: its geometry, unless it is
// kept on device pixels and stands a little aside from it.
QRect designedGeometry(const QWidget *control);

} // namespace ui
