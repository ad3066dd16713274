#pragma once
// Placing controls on a page at their positions in twips.

#include <QString>

class QLabel;
class QWidget;

namespace ui {

// Places `widget` at (left, top, width, height) twips and names it.
void place(QWidget *widget, const QString &name, int left, int top, int width, int height);

// A label with its caption at (left, top) twips, sized to its text (when first shown).
QLabel *addLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top);

} // namespace ui
